#include "app/folder_lock.h"

#include <charconv>
#include <chrono>
#include <random>
#include <thread>

#include "platform/interrupt.h"

namespace tunewerk {

namespace {

constexpr char kLockVersion[] = "tunewerk lock 1";
constexpr char kLockTitle[] = "tunewerk lock ";
constexpr char kLockedLine[] = "the folder is locked by another run or program";
// Far more than the five short lines: a larger file is not a lock of ours.
constexpr std::size_t kLockCapacity = 1024;
// Takes-over that keep losing to other runs end as a locked folder.
constexpr int kRounds = 4;
// A run creates its lock and then writes it: one found empty or cut short may
// be one being written, so it is read again after this wait (each time twice
// as long) before it counts as left behind by a run killed in between, or by
// a machine that lost power before the lock's text reached the disk.
constexpr std::chrono::milliseconds kWriterWait(40);
constexpr int kWriterWaits = 3;

struct Holder {
  std::string kind;
  std::string host;
  std::uint64_t pid = 0;
  std::string nonce;
};

std::string NewNonce() {
  std::uint64_t value = 0;
  try {
    std::random_device device;
    value = (static_cast<std::uint64_t>(device()) << 32) ^ device();
  } catch (...) {
    // The clock alone still tells two runs apart.
  }
  value ^= static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  value ^= static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count())
           << 17;
  char hex[17];
  for (int i = 15; i >= 0; --i, value >>= 4) hex[i] = "0123456789abcdef"[value & 15];
  return std::string(hex, 16);
}

// Host names hold no line feed; one that did would make a lock nobody can parse.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = '?';
  }
  return text;
}

std::string LockText(const ProcessFacts& self, const std::string& nonce) {
  return std::string(kLockVersion) + "\nkind " + OneLine(self.kind) + "\nhost " +
         OneLine(self.host) + "\npid " + std::to_string(self.pid) + "\nnonce " + nonce + "\n";
}

enum class Parsed { kHolder, kOtherVersion, kUnreadable };

// Splits off the next line; false when none ends in a line feed.
bool NextLine(std::string_view* rest, std::string_view* line) {
  std::size_t end = rest->find('\n');
  if (end == std::string_view::npos) return false;
  *line = rest->substr(0, end);
  rest->remove_prefix(end + 1);
  return true;
}

bool Field(std::string_view* rest, std::string_view key, std::string* value) {
  std::string_view line;
  if (!NextLine(rest, &line) || !line.starts_with(key) || line.size() <= key.size() ||
      line[key.size()] != ' ') {
    return false;
  }
  *value = std::string(line.substr(key.size() + 1));
  return true;
}

Parsed ParseLock(const std::string& text, Holder* holder, std::string* version) {
  std::string_view rest(text), line;
  if (!NextLine(&rest, &line) || !line.starts_with(kLockTitle)) return Parsed::kUnreadable;
  if (line != kLockVersion) {
    *version = std::string(line.substr(sizeof kLockTitle - 1));
    return Parsed::kOtherVersion;
  }
  std::string pid;
  if (!Field(&rest, "kind", &holder->kind) || !Field(&rest, "host", &holder->host) ||
      !Field(&rest, "pid", &pid) || !Field(&rest, "nonce", &holder->nonce) || !rest.empty()) {
    return Parsed::kUnreadable;
  }
  auto [end, error] = std::from_chars(pid.data(), pid.data() + pid.size(), holder->pid);
  return error == std::errc() && end == pid.data() + pid.size() ? Parsed::kHolder
                                                                : Parsed::kUnreadable;
}

// Empty, or cut short after its first line: its writer may still be at it.
bool MayBeBeingWritten(const std::string& text) {
  std::size_t firstLineEnd = text.find('\n');
  return firstLineEnd == std::string::npos || text.compare(0, firstLineEnd, kLockVersion) == 0;
}

std::string ClearAdvice(const Drive& drive) {
  return "; if no run uses the folder, remove " + drive.ShownName(kLockName);
}

enum class Step { kTaken, kAgain, kStop };

// Moves a lock judged stale out of the way. Renamed to this run's own name
// first: of two runs that judged the same lock, one finds it gone; a lock
// that is not the one judged (a live one made meanwhile) goes back.
Step TakeOverStale(Drive& drive, const std::string& judged, const std::string& ownName,
                   std::string* problem) {
  std::string reason;
  if (!drive.Rename(kLockName, ownName, &reason)) {
    if (drive.KindOf(kLockName) == EntryKind::kAbsent) return Step::kAgain;
    *problem = "cannot take over " + drive.ShownName(kLockName) +
               ", left by a run that ended: " + reason + ClearAdvice(drive);
    return Step::kStop;
  }
  std::string moved;
  bool cut = false;
  bool read = drive.ReadSmallFile(ownName, kLockCapacity, &moved, &cut, &reason);
  if (read && !cut && moved == judged) {
    drive.Remove(ownName, &reason);
    return Step::kAgain;
  }
  bool unsupported = false;
  if (!drive.Link(ownName, kLockName, &unsupported, &reason) && unsupported &&
      drive.KindOf(kLockName) == EntryKind::kAbsent) {
    drive.Rename(ownName, kLockName, &reason);
  }
  drive.Remove(ownName, &reason);
  *problem = kLockedLine;
  return Step::kStop;
}

// What stands under the lock's name and is not this run's.
Step JudgeOtherLock(Drive& drive, const ProcessFacts& self, const std::string& ownName, int* waits,
                    std::string* problem) {
  std::string shown = drive.ShownName(kLockName);
  EntryKind kind = drive.KindOf(kLockName);
  std::string text, reason;
  bool cut = false;
  if (kind != EntryKind::kFile ||
      !drive.ReadSmallFile(kLockName, kLockCapacity, &text, &cut, &reason)) {
    if (kind == EntryKind::kFile && drive.KindOf(kLockName) == EntryKind::kAbsent) {
      return Step::kAgain;
    }
    std::string what = kind == EntryKind::kLink        ? "it is a symbolic link"
                       : kind == EntryKind::kDirectory ? "it is a directory"
                       : kind == EntryKind::kOther     ? "it is not a plain file"
                                                       : reason;
    *problem = "cannot lock this folder: " + shown + ": " + what +
               "; tunewerk locks the folder with a plain file of that name";
    return Step::kStop;
  }
  Holder holder;
  std::string version;
  switch (cut ? Parsed::kUnreadable : ParseLock(text, &holder, &version)) {
    case Parsed::kOtherVersion:
      *problem = "the folder is locked by a tunewerk that writes locks of version " + version +
                 ClearAdvice(drive);
      return Step::kStop;
    case Parsed::kUnreadable:
      if (!MayBeBeingWritten(text)) {
        *problem =
            "the folder is locked, but " + shown + " is not tunewerk's lock" + ClearAdvice(drive);
        return Step::kStop;
      }
      if (*waits < kWriterWaits) {
        std::this_thread::sleep_for(kWriterWait * (1 << *waits));
        ++*waits;
        return Step::kAgain;
      }
      // Its writer, were it alive but slow, finds its lock gone when it reads
      // it back, and does not count itself the holder.
      return TakeOverStale(drive, text, ownName, problem);
    case Parsed::kHolder:
      break;
  }
  ProcessState state = ProcessState::kUnknown;
  if (holder.kind == self.kind && holder.host == self.host && self.stateOf != nullptr) {
    state = self.stateOf(holder.pid);
    // This run holds no lock yet: its own id there is an earlier process's,
    // reused (a container's first process is always 1).
    if (state == ProcessState::kRunning && holder.pid == self.pid) state = ProcessState::kGone;
  }
  if (state == ProcessState::kRunning) {
    *problem = kLockedLine;
    return Step::kStop;
  }
  if (state == ProcessState::kGone) return TakeOverStale(drive, text, ownName, problem);
  *problem = "the folder is locked by process " + std::to_string(holder.pid) + " (" + holder.kind +
             ") on " + holder.host + ", which this run cannot ask" + ClearAdvice(drive);
  return Step::kStop;
}

// Another run takes over a lock that stays empty too long: one whose writer
// was that slow has lost it, and what stands under the name is not its own.
bool StillOurs(Drive& drive, const std::string& text) {
  std::string found, reason;
  bool cut = false;
  if (drive.ReadSmallFile(kLockName, kLockCapacity, &found, &cut, &reason)) {
    return !cut && found == text;
  }
  return drive.KindOf(kLockName) == EntryKind::kFile;
}

}  // namespace

ProcessFacts SystemProcessFacts() {
  return {ProcessIdKind(), CurrentHostName(), CurrentProcessId(), StateOfProcess};
}

bool FolderLock::Take(Drive& drive, const ProcessFacts& self, std::string* problem) {
  std::string nonce = NewNonce();
  std::string text = LockText(self, nonce);
  std::string ownName = std::string(kLockName) + "-" + nonce;
  int unseen = 0;
  int waits = 0;
  int round = 0;
  for (; round < kRounds + waits; ++round) {
    std::string reason;
    // A stop that comes now removes the lock with the temporaries.
    stops_.Hold();
    bool created = drive.CreateMarker(kLockName, text, &reason);
    if (created) stops_.Remember(kLockName, drive.SystemPath(kLockName));
    stops_.Release();
    if (created) {
      if (StillOurs(drive, text)) {
        text_ = text;
        return true;
      }
      stops_.Forget(kLockName);
      continue;
    }
    if (drive.LastCreateFailure() != CreateFailure::kExists &&
        drive.KindOf(kLockName) == EntryKind::kAbsent) {
      *problem = "cannot lock this folder: " + reason;
      return false;
    }
    if (drive.KindOf(kLockName) == EntryKind::kAbsent) {
      ++unseen;
      continue;  // its holder just let it go, or the system cannot show it
    }
    if (JudgeOtherLock(drive, self, ownName, &waits, problem) == Step::kStop) return false;
  }
  // A name that refuses the create in every round and never shows is not a
  // run's lock: a link that leads nowhere, where the system follows links.
  *problem = unseen == round ? "cannot lock this folder: " + drive.ShownName(kLockName) +
                                   " stands but cannot be read (a link that leads nowhere?)" +
                                   ClearAdvice(drive)
                             : kLockedLine;
  return false;
}

void FolderLock::Release(Drive& drive) {
  if (text_.empty()) return;
  std::string text, reason;
  bool cut = false;
  stops_.Hold();
  if (drive.ReadSmallFile(kLockName, kLockCapacity, &text, &cut, &reason) && !cut &&
      text == text_) {
    drive.Remove(kLockName, &reason);
  }
  stops_.Forget(kLockName);
  stops_.Release();
  text_.clear();
}

}  // namespace tunewerk
