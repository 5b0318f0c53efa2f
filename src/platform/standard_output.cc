// Standard output as a file, for the POSIX and web editions: the bytes go
// where the terminal's go, and it is never closed here, only drained.
#include <string_view>

#include "platform/standard_streams.h"
#include "platform/system.h"

namespace tunewerk {

namespace {

class StandardOutput : public WritableFile {
 public:
  bool Write(const std::uint8_t* data, std::size_t size, std::string* reason) override {
    return WriteStandardOutput(std::string_view(reinterpret_cast<const char*>(data), size), reason);
  }
  bool Close(std::string*) override { return true; }
};

}  // namespace

std::unique_ptr<WritableFile> MakeStandardOutput() {
  return std::make_unique<StandardOutput>();
}

}  // namespace tunewerk
