#ifndef TUNEWERK_PLATFORM_DRIVE_H_
#define TUNEWERK_PLATFORM_DRIVE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tunewerk {

// An input file opened on the drive. Read fills up to `capacity` bytes and
// sets *got (0 only at the end of the file). On failure it returns false and
// sets *reason to the system's words.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  virtual bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t* got,
                    std::string* reason) = 0;
  // The file's size as the system tells it before any read; none where it
  // cannot say.
  virtual std::optional<std::uint64_t> Size() { return std::nullopt; }
};

// An output file being written. Close must be called once; both return false
// with the system's words in *reason on failure.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  virtual bool Write(const std::uint8_t* data, std::size_t size, std::string* reason) = 0;
  virtual bool Close(std::string* reason) = 0;
};

// The words for a file refused although the system would open it: an input or
// output that is a directory, an input that is a FIFO or a device. Every other
// failure is told in the system's words, taken in one place per OS.
constexpr char kIsDirectoryReason[] = "Is a directory";
constexpr char kNotRegularFileReason[] = "Not a regular file";

// kLink: a symbolic link (or, on Windows, any reparse point), whatever it
// points to. kOther: a FIFO, a device, a socket, or what cannot be told.
enum class EntryKind { kAbsent, kFile, kDirectory, kLink, kOther };

enum class CreateFailure { kNone, kExists, kNoRights, kOther };

// Drive C: the system's file calls on one folder, nothing more (what the run
// makes of them, its temporaries and journal, lives with the output set).
// Names are bare file names ("user.sdx").
class Drive {
 public:
  virtual ~Drive() = default;

  // Opens an existing regular file. *shown gets the name to tell the user
  // (the name actually found), also on failure.
  virtual bool OpenExisting(std::string_view name, std::unique_ptr<ReadableFile>* file,
                            std::string* shown, std::string* reason) = 0;

  // Creates the new file `name` for writing; fails when anything, a link
  // included, stands under that name (the reason then names it).
  virtual bool CreateNew(std::string_view name, std::unique_ptr<WritableFile>* file,
                         std::string* reason) = 0;

  // What stands under `name` (a link counts as itself, not its target).
  virtual EntryKind KindOf(std::string_view name) = 0;

  // Reads the plain file `name` whole into *content when it holds at most
  // `capacity` bytes (a larger one is read to that size and *cut is set).
  // Never follows a link, never waits on a FIFO or device: anything but a
  // plain file fails with kNotRegularFileReason (kIsDirectoryReason for a
  // directory).
  virtual bool ReadSmallFile(std::string_view name, std::size_t capacity, std::string* content,
                             bool* cut, std::string* reason) = 0;

  // `name` as this system's calls reach it, for a stop handler that removes
  // the file after the run was cut short.
  virtual std::string SystemPath(std::string_view name) const { return std::string(name); }

  // Where the symbolic link `name` points, as stored; empty when unknown.
  virtual std::string LinkTarget(std::string_view name) = 0;

  // Renames `from` over `to`, atomically. Where both are names of one file
  // the system may leave both in place (POSIX does).
  virtual bool Rename(std::string_view from, std::string_view to, std::string* reason) = 0;

  // Gives the file `from` the second name `to` (a hard link; `to` must not
  // exist). *unsupported is set on a failure that says the file system does
  // not (or may not) link this file, where moving it aside is the way left.
  virtual bool Link(std::string_view from, std::string_view to, bool* unsupported,
                    std::string* reason) = 0;

  // Gives the file `to` the permission bits of the file `from` and, where the
  // process may set them, its owner, group and access ACL. Changes no name.
  virtual bool KeepMetadata(std::string_view from, std::string_view to, std::string* reason) = 0;

  // Removes the file `name`; true when there is none. Never removes a directory.
  virtual bool Remove(std::string_view name, std::string* reason) = 0;

  // Creates the file `name` holding `content` (failing when anything, a
  // link included, stands under that name; never through a link) and makes
  // it and its name durable. On a failure after the create the file is
  // removed again: it is made whole or not at all.
  virtual bool CreateMarker(std::string_view name, std::string_view content,
                            std::string* reason) = 0;

  // Makes the renames and removals so far durable.
  virtual bool SyncFolder(std::string* reason) = 0;

  // How the user names an output or a missing input on this platform.
  virtual std::string ShownName(std::string_view name) const = 0;

  // Why the last CreateNew or CreateMarker failed. kNoRights: the user
  // may not create files in this folder at all (C:\ itself on Windows, to
  // anyone but an administrator); elsewhere such a refusal is kOther, told in
  // the system's words.
  virtual CreateFailure LastCreateFailure() const = 0;
};

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_DRIVE_H_
