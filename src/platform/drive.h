#ifndef TUNEWERK_PLATFORM_DRIVE_H_
#define TUNEWERK_PLATFORM_DRIVE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
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
};

// An output file being written. Close must be called once; both return false
// with the system's words in *reason on failure.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  virtual bool Write(const std::uint8_t* data, std::size_t size, std::string* reason) = 0;
  virtual bool Close(std::string* reason) = 0;
};

// Drive C. Names are bare file names ("user.sdx"). Outputs are never written
// under their real names directly: they go to a temporary beside the target,
// which ReplaceWithTemporary renames into place.
class Drive {
 public:
  virtual ~Drive() = default;

  // Opens an existing regular file. *shown gets the name to tell the user
  // (the name actually found), also on failure.
  virtual bool OpenExisting(std::string_view name, std::unique_ptr<ReadableFile>* file,
                            std::string* shown, std::string* reason) = 0;

  // Creates (or truncates) the temporary that will become `name`.
  virtual bool CreateTemporary(std::string_view name, std::unique_ptr<WritableFile>* file,
                               std::string* reason) = 0;

  // Whether `name` can be replaced by its temporary (it is not a directory);
  // asked of every output before the first is replaced, so that a run never
  // replaces some outputs and then fails on another.
  virtual bool CheckReplaceable(std::string_view name, std::string* reason) = 0;

  // Renames the temporary of `name` over `name`.
  virtual bool ReplaceWithTemporary(std::string_view name, std::string* reason) = 0;

  // Removes the temporary of `name` if there is one.
  virtual void RemoveTemporary(std::string_view name) = 0;

  // How the user names an output or a missing input on this platform.
  virtual std::string ShownName(std::string_view name) const = 0;
};

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_DRIVE_H_
