#include "app/replacement.h"

namespace tunewerk {

namespace {

bool Exists(Drive& drive, const std::string& name) {
  return drive.KindOf(name) != EntryKind::kAbsent;
}

// Takes one output back to how it was before the replacement, in steps that
// each leave a state this function reads right again after a kill: while the
// marker stands, a temporary is removed by nobody, so a missing temporary
// means that the output's name holds the new content.
bool PutBack(Drive& drive, const std::string& name, std::string* failure) {
  std::string temporary = TemporaryName(name);
  std::string aside = SetAsideName(name);
  std::string reason;
  if (!Exists(drive, temporary) && Exists(drive, name) && !drive.Rename(name, temporary, &reason)) {
    *failure = "cannot put back " + drive.ShownName(name) + ": " + reason;
    return false;
  }
  if (Exists(drive, aside) && !drive.Rename(aside, name, &reason)) {
    *failure = "cannot put back " + drive.ShownName(name) + ": " + reason;
    return false;
  }
  return true;
}

// Every output back as it was, then the marker removed; only then are the
// temporaries just files to drop.
bool PutBackAll(Drive& drive, std::span<const char* const> names, std::string* failure) {
  for (const char* name : names) {
    if (!PutBack(drive, name, failure)) return false;
  }
  std::string reason;
  if (!drive.Remove(kReplacingMarkerName, &reason) || !drive.SyncFolder(&reason)) {
    *failure = "cannot finish putting back the outputs: " + reason;
    return false;
  }
  return true;
}

// Drops the run's own files beside the outputs. REQUIRES: no marker.
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

// A failed replacement: *failure says what failed; when putting back fails
// too, it says that as well, and the marker stays for the next run.
bool Undo(Drive& drive, std::span<const char* const> names, std::string what,
          std::string* failure) {
  std::string undoFailure;
  if (!PutBackAll(drive, names, &undoFailure)) {
    *failure = what + "; " + undoFailure + " (the next run puts it back)";
    return false;
  }
  RemoveSideFiles(drive, names, &undoFailure);
  *failure = what;
  return false;
}

}  // namespace

bool ReplaceOutputs(Drive& drive, std::span<const char* const> names, std::string* failure) {
  drive.HoldStopsToEnd();
  std::string reason;
  if (!drive.CreateMarker(kReplacingMarkerName, &reason)) {
    std::string ignored;
    if (!Exists(drive, kReplacingMarkerName) || drive.Remove(kReplacingMarkerName, &ignored)) {
      RemoveSideFiles(drive, names, &ignored);
    }
    *failure = "cannot start replacing the outputs: " + reason;
    return false;
  }
  for (const char* name : names) {
    if (Exists(drive, name) && !drive.Rename(name, SetAsideName(name), &reason)) {
      return Undo(drive, names, "cannot replace " + drive.ShownName(name) + ": " + reason, failure);
    }
  }
  for (const char* name : names) {
    if (!drive.Rename(TemporaryName(name), name, &reason)) {
      return Undo(drive, names, "cannot replace " + drive.ShownName(name) + ": " + reason, failure);
    }
  }
  // The new set is durable before the marker goes, and the marker's removal
  // before the run reports success.
  if (!drive.SyncFolder(&reason) || !drive.Remove(kReplacingMarkerName, &reason) ||
      !drive.SyncFolder(&reason)) {
    return Undo(drive, names, "cannot replace the outputs: " + reason, failure);
  }
  std::string ignored;  // a set-aside file left here is removed by the next run
  RemoveSideFiles(drive, names, &ignored);
  return true;
}

bool RepairOutputs(Drive& drive, std::span<const char* const> names, std::string* failure) {
  // Only the run's own marker file says that a replacement was under way.
  EntryKind marker = drive.KindOf(kReplacingMarkerName);
  if (marker == EntryKind::kDirectory) {
    *failure =
        "cannot remove the leftover " + drive.ShownName(kReplacingMarkerName) + ": Is a directory";
    return false;
  }
  if (marker == EntryKind::kOther && !PutBackAll(drive, names, failure)) {
    *failure += " (left by an interrupted run)";
    return false;
  }
  return RemoveSideFiles(drive, names, failure);
}

}  // namespace tunewerk
