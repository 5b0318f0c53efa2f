#ifndef TUNEWERK_TESTS_SUPPORT_WRITTEN_FILE_H_
#define TUNEWERK_TESTS_SUPPORT_WRITTEN_FILE_H_

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "io/file_error_state.h"
#include "io/files.h"
#include "support/memory_drive.h"

namespace tunewerk {

// What `write` puts into a fresh output file `name` on an in-memory drive.
inline std::string WrittenFile(const std::string& name,
                               const std::function<void(OutputFile&)>& write) {
  MemoryDrive drive;
  FileErrorState state;
  OutputFile out(drive, TestStops(), state);
  out.Create(name);
  write(out);
  out.Close();
  out.Commit();
  EXPECT_FALSE(state.failed()) << state.message();
  return drive.files[name];
}

}  // namespace tunewerk

#endif  // TUNEWERK_TESTS_SUPPORT_WRITTEN_FILE_H_
