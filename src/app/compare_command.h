#ifndef TUNEWERK_APP_COMPARE_COMMAND_H_
#define TUNEWERK_APP_COMPARE_COMMAND_H_

#include <memory>
#include <string>

#include "platform/drive.h"

namespace tunewerk {

// tunewerk --compare OLD NEW: what the receiver file NEW changes against
// OLD, to `out`, each line ended by LF, names as the console shows their
// bytes. The first line sums up, for TV and radio apart, how many
// programmes are kept (and how many of those renumbered), new and gone;
// heading lines follow, then one line per programme that is new, gone or
// renumbered:
//   MARK OLD NEW KIND NAME SAT FREQUENCY POL SID [scrambled]
// MARK is '+' (new), '-' (gone) or '~' (renumbered) in the first column;
// OLD and NEW are its numbers in the TV or the radio list (as video.txt and
// audio.txt number them), right-aligned in 4 columns, '-' where it has none.
// No heading line starts with one of the marks. A file shorter than the
// tables (but holding the 27,012 bytes of settings) holds no programmes.
// `oldShown` and `newShown` name the files in messages. Returns 0, or 1 with
// the one line for stderr (ended by LF) in *errorLine.
int CompareReceiverFiles(ReadableFile& oldFile, const std::string& oldShown, ReadableFile& newFile,
                         const std::string& newShown, std::unique_ptr<WritableFile> out,
                         std::string* errorLine);

}  // namespace tunewerk

#endif  // TUNEWERK_APP_COMPARE_COMMAND_H_
