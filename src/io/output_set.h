#ifndef TUNEWERK_IO_OUTPUT_SET_H_
#define TUNEWERK_IO_OUTPUT_SET_H_

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/drive.h"
#include "platform/interrupt.h"

namespace tunewerk {

// The run's outputs as one set: their temporaries, the journal and the names
// beside them all live here and reach the folder through the drive's
// primitives alone (create new, create durable, link, rename, remove, sync).

// The names of the run's own files beside an output: the new content while
// it is written, and the old content while a replacement moves it aside.
inline std::string TemporaryName(std::string_view output) {
  return ".tunewerk-" + std::string(output) + ".tmp";
}
inline std::string SetAsideName(std::string_view output) {
  return ".tunewerk-" + std::string(output) + ".old";
}
// The replacement's journal: present exactly while the outputs are being
// replaced, and holding what undoing needs (which outputs existed).
constexpr char kReplacingMarkerName[] = ".tunewerk-replacing";

// Creates the temporary that will become `output`, failing when anything
// stands under its name. It is remembered for a stop to remove before a stop
// signal may act again.
bool CreateTemporary(Drive& drive, Stops& stops, std::string_view output,
                     std::unique_ptr<WritableFile>* file, std::string* reason);
// Removes the temporary of `output` if there is one.
void RemoveTemporary(Drive& drive, Stops& stops, std::string_view output);

// The outputs of a run are replaced as one set, under a journal: before its
// first change the replacement writes and syncs which outputs existed (the
// marker .tunewerk-replacing). Each old output is then hard-linked to its
// set-aside name (moved there where the file system has no hard links), every
// temporary is renamed over its output, and the journal's synced removal is
// the commit point. Before it, undoing renames the set-aside files back and
// removes only the outputs the journal says were absent; after it the new set
// stays. Undo never reads which temporaries exist.
//
// REQUIRES: the folder is locked, has been repaired, and every temporary is
// complete. Stop signals are held from the start to the end of the run.
// Returns false with the one line for the user in *failure (without
// "tunewerk: "): the outputs are then as they were, or the journal stays and
// the line says that the next run puts them back. Returns true when the new
// set is in place; *warnings then gets a "tunewerk: warning: ..." line for
// each later step that failed.
bool ReplaceOutputs(Drive& drive, Stops& stops, std::span<const char* const> names,
                    std::string* failure, std::string* warnings);

// What a run killed outright leaves is put right: with a complete journal
// the outputs go back to the set it records; temporaries and set-aside files
// are removed. REQUIRES: the folder is locked. Returns false with the line
// for the user in *failure when something cannot be put right.
bool RepairOutputs(Drive& drive, std::span<const char* const> names, std::string* failure);

}  // namespace tunewerk

#endif  // TUNEWERK_IO_OUTPUT_SET_H_
