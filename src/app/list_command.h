#ifndef TUNEWERK_APP_LIST_COMMAND_H_
#define TUNEWERK_APP_LIST_COMMAND_H_

#include <memory>
#include <string>

#include "platform/drive.h"

namespace tunewerk {

// tunewerk --list FILE: the transponder lines and programme lines of a
// receiver channel file in the listing's formats, then its three totals
// lines, each line ended by LF, to `out`; names are shown as the console
// shows their bytes, in UTF-8. `shown` names the file in messages.
// Returns 0, or 1 with the one line for stderr (ended by LF) in *errorLine:
// a read or write that failed, or a file that is not a receiver file.
int ListReceiverFile(ReadableFile& file, const std::string& shown,
                     std::unique_ptr<WritableFile> out, std::string* errorLine);

}  // namespace tunewerk

#endif  // TUNEWERK_APP_LIST_COMMAND_H_
