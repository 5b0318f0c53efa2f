#ifndef TUNEWERK_APP_REPLACEMENT_H_
#define TUNEWERK_APP_REPLACEMENT_H_

#include <span>
#include <string>

#include "platform/drive.h"

namespace tunewerk {

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
bool ReplaceOutputs(Drive& drive, std::span<const char* const> names, std::string* failure,
                    std::string* warnings);

// What a run killed outright leaves is put right: with a complete journal
// the outputs go back to the set it records; temporaries and set-aside files
// are removed. REQUIRES: the folder is locked. Returns false with the line
// for the user in *failure when something cannot be put right.
bool RepairOutputs(Drive& drive, std::span<const char* const> names, std::string* failure);

}  // namespace tunewerk

#endif  // TUNEWERK_APP_REPLACEMENT_H_
