#ifndef TUNEWERK_APP_FOLDER_LOCK_H_
#define TUNEWERK_APP_FOLDER_LOCK_H_

#include <cstdint>
#include <string>

#include "platform/drive.h"
#include "platform/interrupt.h"
#include "platform/process.h"

namespace tunewerk {

// One run per folder, for every edition (POSIX, Windows, the node runner, the
// page): the file .tunewerk-lock beside the outputs, in this text:
//
//   tunewerk lock 1
//   kind posix            (whose process ids: "posix" or "windows")
//   host NAME
//   pid 4711
//   nonce 9f86d081884c7d65
//
// Taking the folder creates it exclusively, never through a link, and makes
// it durable. When the name is taken already:
// - anything but a plain file there (a link, a directory, a FIFO, a device)
//   ends the run; nothing is opened through it, nothing waits;
// - a holder of this system's kind on this host whose process runs: the
//   folder is locked;
// - one whose process is gone: the lock is taken over. It is renamed to a
//   name of this run's own and read back; only when it still is the lock
//   judged stale is it removed and the lock created anew, exclusively, so
//   that of two runs taking over at once one wins. A live lock renamed by
//   mistake goes back (hard-linked, so that it never replaces another);
// - an empty lock, or one cut short after its first line, that stays so
//   while it is read again over about 0.3 s: its writer was killed between
//   creating and writing it, or the machine lost power first. It is taken
//   over as a stale one. A run reads its lock back once written, so a writer
//   that was only that slow finds it gone and does not count itself holder;
// - any other holder (another host, another kind, a process that cannot be
//   asked), an unknown version, a file that is not a lock: the run ends with
//   a line that says how to clear it.
// A run removes the lock only while it holds this run's nonce.
constexpr char kLockName[] = ".tunewerk-lock";

// Who this process is and how it learns whether another process runs: the
// system's (SystemProcessFacts) or a test's.
struct ProcessFacts {
  std::string kind;
  std::string host;
  std::uint64_t pid = 0;
  ProcessState (*stateOf)(std::uint64_t pid) = nullptr;
};
ProcessFacts SystemProcessFacts();

class FolderLock {
 public:
  explicit FolderLock(Stops& stops) : stops_(stops) {}
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // False with the line for the user (without "tunewerk: ") in *problem.
  bool Take(Drive& drive, const ProcessFacts& self, std::string* problem);
  // Removes the lock if it is still this run's. Safe to call when not held.
  void Release(Drive& drive);

 private:
  // A stop while the lock is held removes it with the temporaries.
  Stops& stops_;
  // The lock's text while this run holds it, empty otherwise.
  std::string text_;
};

}  // namespace tunewerk

#endif  // TUNEWERK_APP_FOLDER_LOCK_H_
