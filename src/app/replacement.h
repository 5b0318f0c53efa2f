#ifndef TUNEWERK_APP_REPLACEMENT_H_
#define TUNEWERK_APP_REPLACEMENT_H_

#include <span>
#include <string>

#include "platform/drive.h"

namespace tunewerk {

// The outputs of a run are replaced as one set. Each existing output is moved
// aside, then every temporary is renamed into place, then the old ones are
// dropped; a marker file stands on the drive from before the first move to
// after the last rename. Any failure puts back what was moved.
//
// REQUIRES: the folder is locked and every temporary is complete. Stop
// signals are held from the first change to the end of the run. Returns
// false with the one line for the user in *failure (without "tunewerk: ");
// the outputs are then as they were, or the marker stays for the next run.
bool ReplaceOutputs(Drive& drive, std::span<const char* const> names, std::string* failure);

// What a run killed outright leaves is put right: with the marker present the
// outputs go back to the set they were before that run; temporaries and
// set-aside files are removed. REQUIRES: the folder is locked. Returns false
// with the line for the user in *failure when something cannot be put right.
bool RepairOutputs(Drive& drive, std::span<const char* const> names, std::string* failure);

}  // namespace tunewerk

#endif  // TUNEWERK_APP_REPLACEMENT_H_
