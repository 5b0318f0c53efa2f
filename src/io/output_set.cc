#include "io/output_set.h"

#include <algorithm>
#include <new>
#include <set>
#include <vector>

namespace tunewerk {

namespace {

// The first line names the journal's version, as "tunewerk replacing 2"; a
// journal of a version this program does not know is never guessed at. The
// first journals had none: their lines are those of version 2.
constexpr char kJournalTitle[] = "tunewerk replacing";
constexpr char kJournalVersion[] = "2";
constexpr char kJournalEnd[] = "end\n";
// Far more than four short lines: a larger marker is not the run's journal.
constexpr std::size_t kJournalCapacity = 4096;

// What undoing needs, one line per output: "existed NAME" or "absent NAME".
struct Journal {
  std::vector<std::string> existed;
  std::vector<std::string> absent;
};

std::string JournalText(const Journal& journal) {
  std::string text = std::string(kJournalTitle) + " " + kJournalVersion + "\n";
  for (const std::string& name : journal.existed) text += "existed " + name + "\n";
  for (const std::string& name : journal.absent) text += "absent " + name + "\n";
  return text + kJournalEnd;
}

enum class JournalState { kComplete, kIncomplete, kUnknownVersion };

// kIncomplete when the text is not a whole journal: it was cut short before
// it was synced, and so before the replacement changed anything.
JournalState ParseJournal(const std::string& text, Journal* journal, std::string* version) {
  std::string_view rest(text);
  std::size_t firstEnd = rest.find('\n');
  if (firstEnd == std::string_view::npos) return JournalState::kIncomplete;
  std::string_view title = rest.substr(0, firstEnd);
  if (!title.starts_with(kJournalTitle)) return JournalState::kIncomplete;
  title.remove_prefix(sizeof kJournalTitle - 1);
  if (!title.empty() && title != std::string(" ") + kJournalVersion) {
    *version = std::string(title.substr(title.starts_with(" ") ? 1 : 0));
    return JournalState::kUnknownVersion;
  }
  rest.remove_prefix(firstEnd + 1);
  if (!rest.ends_with(kJournalEnd)) return JournalState::kIncomplete;
  rest.remove_suffix(sizeof kJournalEnd - 1);
  while (!rest.empty()) {
    std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) return JournalState::kIncomplete;
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    if (line.starts_with("existed ")) {
      journal->existed.emplace_back(line.substr(8));
    } else if (line.starts_with("absent ")) {
      journal->absent.emplace_back(line.substr(7));
    } else {
      return JournalState::kIncomplete;
    }
  }
  return JournalState::kComplete;
}

// Reads the marker, never through a link; a complete journal naming any
// other file than these outputs is not the run's own.
bool ReadJournal(Drive& drive, std::span<const char* const> names, Journal* journal,
                 JournalState* state, std::string* version, std::string* reason) {
  std::string text;
  bool cut = false;
  if (!drive.ReadSmallFile(kReplacingMarkerName, kJournalCapacity, &text, &cut, reason)) {
    return false;
  }
  *state = cut ? JournalState::kIncomplete : ParseJournal(text, journal, version);
  if (*state != JournalState::kComplete) return true;
  for (const auto* list : {&journal->existed, &journal->absent}) {
    for (const std::string& name : *list) {
      if (std::find(names.begin(), names.end(), name) == names.end()) {
        *state = JournalState::kIncomplete;
      }
    }
  }
  return true;
}

// Only a plain file goes back under an output's name: a link, a directory or
// a FIFO at a set-aside name was not put there by a run. *failure names it.
bool SetAsideFilesArePlain(Drive& drive, const Journal& journal, std::string* failure) {
  for (const std::string& name : journal.existed) {
    std::string aside = SetAsideName(name);
    EntryKind kind = drive.KindOf(aside);
    if (kind != EntryKind::kFile && kind != EntryKind::kAbsent) {
      *failure = "cannot put back the old " + drive.ShownName(name) + ": " +
                 drive.ShownName(aside) + " is not a plain file";
      return false;
    }
  }
  return true;
}

// Each output back as the journal says it was: a set-aside file renamed back
// over its name (where both are one file the rename may leave the set-aside
// name, dropped later as a leftover), an output that was absent removed.
// Every step can be repeated after a kill. `unchanged`: outputs known to hold
// their old file still (linked aside and never renamed over), left alone.
// *failure names the output.
bool RestoreOutputs(Drive& drive, const Journal& journal, const std::set<std::string>& unchanged,
                    std::string* failure) {
  std::string reason;
  for (const std::string& name : journal.existed) {
    std::string aside = SetAsideName(name);
    if (unchanged.count(name)) continue;
    if (drive.KindOf(aside) != EntryKind::kAbsent && !drive.Rename(aside, name, &reason)) {
      *failure = "cannot put back the old " + drive.ShownName(name) + ": " + reason;
      return false;
    }
  }
  for (const std::string& name : journal.absent) {
    if (!drive.Remove(name, &reason)) {
      *failure = "cannot remove the new " + drive.ShownName(name) + ": " + reason;
      return false;
    }
  }
  if (!drive.SyncFolder(&reason)) {
    *failure = "cannot put back the old outputs: " + reason;
    return false;
  }
  return true;
}

// The journal's removal, made durable. Only after the old set is back (undo)
// or the new set is durable (commit).
bool RemoveJournal(Drive& drive, std::string* failure) {
  std::string reason;
  if (!drive.Remove(kReplacingMarkerName, &reason)) {
    *failure = "cannot remove " + drive.ShownName(kReplacingMarkerName) + ": " + reason;
    return false;
  }
  return true;
}

// Drops the run's own files beside the outputs. REQUIRES: no journal.
bool RemoveSideFiles(Drive& drive, std::span<const char* const> names, std::string* failure) {
  std::string reason;
  for (const char* name : names) {
    for (const std::string& side : {TemporaryName(name), SetAsideName(name)}) {
      if (!drive.Remove(side, &reason)) {
        *failure = "cannot remove the leftover " + drive.ShownName(side) + ": " + reason;
        return false;
      }
    }
  }
  return true;
}

// A replacement that failed before its commit point: *failure says what
// failed and, where putting back fails too, that the journal stays for the
// next run. Never promises what no run will do.
bool Undo(Drive& drive, std::span<const char* const> names, const Journal& journal,
          const std::set<std::string>& unchanged, std::string what, std::string* failure) {
  std::string undoFailure, ignored;
  if (!RestoreOutputs(drive, journal, unchanged, &undoFailure)) {
    *failure = what + "; " + undoFailure + " (the next run puts the old files back)";
  } else if (!RemoveJournal(drive, &undoFailure)) {
    // Said once where the journal's removal was what failed.
    *failure = (what.ends_with(undoFailure) ? what : what + "; " + undoFailure) +
               " (the old files are back in place)";
  } else {
    drive.SyncFolder(&ignored);               // a journal that comes back only repeats the undo
    RemoveSideFiles(drive, names, &ignored);  // the next run removes what stays
    *failure = what;
  }
  return false;
}

// Before any change: nothing to undo but the temporaries.
bool Refuse(Drive& drive, Stops& stops, std::span<const char* const> names, std::string what,
            std::string* failure) {
  for (const char* name : names) RemoveTemporary(drive, stops, name);
  *failure = std::move(what);
  return false;
}

}  // namespace

bool CreateTemporary(Drive& drive, Stops& stops, std::string_view output,
                     std::unique_ptr<WritableFile>* file, std::string* reason) {
  std::string name = TemporaryName(output);
  stops.Hold();
  bool created = drive.CreateNew(name, file, reason);
  if (created) stops.Remember(output, drive.SystemPath(name));
  stops.Release();
  return created;
}

void RemoveTemporary(Drive& drive, Stops& stops, std::string_view output) {
  std::string ignored;
  stops.Hold();
  drive.Remove(TemporaryName(output), &ignored);
  stops.Forget(output);
  stops.Release();
}

bool ReplaceOutputs(Drive& drive, Stops& stops, std::span<const char* const> names,
                    std::string* failure, std::string* warnings) {
  stops.HoldToEnd();
  Journal journal;
  std::string reason;
  // Every output is checked, and the new files get what the user set on the
  // old ones, before the first change.
  for (const char* name : names) {
    EntryKind kind = drive.KindOf(name);
    std::string shown = drive.ShownName(name);
    if (kind == EntryKind::kLink) {
      std::string target = drive.LinkTarget(name);
      return Refuse(drive, stops, names,
                    "cannot replace " + shown + ": it is a symbolic link" +
                        (target.empty() ? "" : " to " + target) +
                        "; tunewerk writes only plain files in its folder",
                    failure);
    }
    if (kind == EntryKind::kDirectory) {
      return Refuse(drive, stops, names, "cannot replace " + shown + ": " + kIsDirectoryReason,
                    failure);
    }
    (kind == EntryKind::kAbsent ? journal.absent : journal.existed).push_back(name);
  }
  for (const std::string& name : journal.existed) {
    if (!drive.KeepMetadata(name, TemporaryName(name), &reason)) {
      return Refuse(drive, stops, names,
                    "cannot give the new " + drive.ShownName(name) +
                        " the permissions of the old one: " + reason,
                    failure);
    }
  }
  if (!drive.CreateMarker(kReplacingMarkerName, JournalText(journal), &reason)) {
    // A marker this run could not finish records no change: it goes with the temporaries.
    std::string ignored;
    drive.Remove(kReplacingMarkerName, &ignored);
    return Refuse(drive, stops, names, "cannot start replacing the outputs: " + reason, failure);
  }
  // A failed link or rename changed nothing: what only was linked aside
  // needs no putting back.
  std::set<std::string> unchanged;
  for (const std::string& name : journal.existed) {
    bool unsupported = false;
    if (drive.Link(name, SetAsideName(name), &unsupported, &reason)) {
      unchanged.insert(name);
    } else if (!unsupported || !drive.Rename(name, SetAsideName(name), &reason)) {
      return Undo(drive, names, journal, unchanged,
                  "cannot replace " + drive.ShownName(name) + ": " + reason, failure);
    }
  }
  for (const char* name : names) {
    if (!drive.Rename(TemporaryName(name), name, &reason)) {
      return Undo(drive, names, journal, unchanged,
                  "cannot replace " + drive.ShownName(name) + ": " + reason, failure);
    }
    unchanged.erase(name);
  }
  // The new set is durable before the journal goes.
  if (!drive.SyncFolder(&reason)) {
    return Undo(drive, names, journal, unchanged, "cannot replace the outputs: " + reason, failure);
  }
  std::string removal;
  if (!RemoveJournal(drive, &removal)) {
    return Undo(drive, names, journal, unchanged, "cannot replace the outputs: " + removal,
                failure);
  }
  // The commit point is passed: the new set stays whatever fails now, and
  // the run reports it (out of memory for a warning included).
  try {
    // Unsynced, the journal's removal may be lost: the set-aside files stay
    // so that a journal that comes back still finds the old set.
    if (!drive.SyncFolder(&reason)) {
      *warnings +=
          "tunewerk: warning: the outputs were replaced, but the folder could not be "
          "synced (" +
          reason + "): a power loss now could still bring back the old ones\n";
      return true;
    }
    std::string leftover;
    if (!RemoveSideFiles(drive, names, &leftover)) {
      *warnings += "tunewerk: warning: " + leftover + " (the next run removes it)\n";
    }
  } catch (const std::bad_alloc&) {
  }
  return true;
}

bool RepairOutputs(Drive& drive, std::span<const char* const> names, std::string* failure) {
  // Only the run's own journal says that a replacement was under way.
  EntryKind marker = drive.KindOf(kReplacingMarkerName);
  if (marker == EntryKind::kDirectory) {
    *failure =
        "cannot remove the leftover " + drive.ShownName(kReplacingMarkerName) + ": Is a directory";
    return false;
  }
  if (marker != EntryKind::kAbsent) {
    const std::string earlier = " (left by an earlier run that was replacing the outputs)";
    Journal journal;
    JournalState state = JournalState::kIncomplete;
    std::string reason, version;
    if (!ReadJournal(drive, names, &journal, &state, &version, &reason)) {
      *failure = "cannot read " + drive.ShownName(kReplacingMarkerName) + ": " + reason + earlier;
      return false;
    }
    if (state == JournalState::kUnknownVersion) {
      *failure = "cannot read " + drive.ShownName(kReplacingMarkerName) +
                 ": it is a journal of version " + version + ", which this tunewerk does not know" +
                 earlier;
      return false;
    }
    bool complete = state == JournalState::kComplete;
    // An incomplete journal was never synced: that run had changed nothing.
    // Still, a set-aside file whose output is missing (left by a replacement
    // without a journal) goes back rather than be removed as a leftover.
    if (!complete) {
      journal = Journal();
      for (const char* name : names) {
        if (drive.KindOf(name) == EntryKind::kAbsent) journal.existed.push_back(name);
      }
    }
    if (!SetAsideFilesArePlain(drive, journal, failure)) {
      *failure += earlier;
      return false;
    }
    if (!RestoreOutputs(drive, journal, {}, failure)) {
      *failure += earlier;
      return false;
    }
    if (!RemoveJournal(drive, failure)) {
      *failure += complete ? " (left by an earlier run; the old files are back in place)" : earlier;
      return false;
    }
    // Synced before its leftovers go: a journal that came back would find
    // the set-aside files gone.
    if (!drive.SyncFolder(&reason)) {
      *failure = "cannot sync the folder after removing " + drive.ShownName(kReplacingMarkerName) +
                 ": " + reason;
      return false;
    }
  }
  return RemoveSideFiles(drive, names, failure);
}

}  // namespace tunewerk
