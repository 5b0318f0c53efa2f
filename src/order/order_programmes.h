#ifndef TUNEWERK_ORDER_ORDER_PROGRAMMES_H_
#define TUNEWERK_ORDER_ORDER_PROGRAMMES_H_

#include "model/channel_tables.h"

namespace tunewerk {

// Orders programmes 1..programmeCount by position around the orbit (starting
// at 270), then by display name within each run of one satellite number;
// both stable.
void OrderProgrammes(ChannelTables& tables);

}  // namespace tunewerk

#endif  // TUNEWERK_ORDER_ORDER_PROGRAMMES_H_
