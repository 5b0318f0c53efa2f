#ifndef TUNEWERK_IO_FILE_ERROR_STATE_H_
#define TUNEWERK_IO_FILE_ERROR_STATE_H_

#include <string>
#include <utility>

namespace tunewerk {

// The run-wide file error state. Entered by the first failed file operation
// and never left; while it is set every file operation and every console text
// output does nothing. Keeps the first failure's words for the exit message.
class FileErrorState {
 public:
  bool failed() const { return failed_; }
  const std::string& message() const { return message_; }

  // Only the first failure of a run is kept.
  void Enter(std::string message) {
    if (failed_) return;
    failed_ = true;
    message_ = std::move(message);
  }

 private:
  bool failed_ = false;
  std::string message_;
};

}  // namespace tunewerk

#endif  // TUNEWERK_IO_FILE_ERROR_STATE_H_
