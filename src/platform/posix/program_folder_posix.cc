#include "platform/system.h"

namespace tunewerk {

// Drive C is the current directory: the program's own folder is no place the
// user is told to put the inputs.
std::string ProgramFolder() {
  return "";
}

}  // namespace tunewerk
