#include "app/run.h"

#include <gtest/gtest.h>

#include "platform/memory_drive.h"
#include "platform/transcript.h"

namespace tunewerk {
namespace {

TEST(RunTest, Smoke) {
  MemoryDrive drive;
  MemoryTerminal terminal("y\ny\n\ny\n");
  std::string error;
  int status = RunTunewerk(drive, terminal, &error);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(error, "tunewerk: cannot open vaz3er.ini: No such file or directory\n");
  std::cout << terminal.transcript;
}

}  // namespace
}  // namespace tunewerk
