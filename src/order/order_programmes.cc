#include "order/order_programmes.h"

namespace tunewerk {

void OrderProgrammes(Console& console, ChannelTables& tables) {
  (void)tables;
  console.WriteLine("sorting ");
  console.WriteLine("... complete");
}

}  // namespace tunewerk
