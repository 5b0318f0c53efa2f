#include "app/compare_command.h"

#include <gtest/gtest.h>

#include <string>

#include "drc/receiver_file.h"
#include "support/memory_drive.h"
#include "support/param_name.h"

namespace tunewerk {
namespace {

const std::string kStdout = TemporaryName("stdout");

// Compares drive.files[oldName] with drive.files[newName] into drive.files[kStdout].
int Compare(MemoryDrive& drive, const std::string& oldName, const std::string& newName,
            std::string* error) {
  std::unique_ptr<ReadableFile> oldFile, newFile;
  std::string oldShown, newShown, reason;
  EXPECT_TRUE(drive.OpenExisting(oldName, &oldFile, &oldShown, &reason)) << reason;
  EXPECT_TRUE(drive.OpenExisting(newName, &newFile, &newShown, &reason)) << reason;
  std::unique_ptr<WritableFile> out;
  EXPECT_TRUE(drive.CreateNew(TemporaryName("stdout"), &out, &reason)) << reason;
  drive.files[kStdout];
  return CompareReceiverFiles(*oldFile, oldShown, *newFile, newShown, std::move(out), error);
}

// A receiver file with empty tables.
std::string EmptyTables() {
  std::string file(kReceiverFileSize, '\0');
  file.replace(kHeaderSize, 4, "\0\xff\xff\xff", 4);
  file.replace(kProgrammeSectionStart - 10, 4, "\0\xff\xff\xff", 4);
  return file;
}

struct CompareFailureCase {
  const char* name;
  std::string (*old)();
  std::size_t failReadAfter;  // of the new file
  std::size_t writeLimit;
  const char* error;
};

constexpr std::size_t kNever = ~std::size_t{0};

class CompareFailureTest : public testing::TestWithParam<CompareFailureCase> {};

TEST_P(CompareFailureTest, GivesOneLineAndStatusOne) {
  const CompareFailureCase& c = GetParam();
  MemoryDrive drive;
  drive.files["old.drc"] = c.old();
  drive.files["new.drc"] = EmptyTables();
  drive.failingReads["new.drc"] = c.failReadAfter;
  drive.writeLimit = c.writeLimit;
  auto before = drive.files;
  std::string error;
  EXPECT_EQ(Compare(drive, "old.drc", "new.drc", &error), 1);
  EXPECT_EQ(error, c.error);
  drive.files.erase(kStdout);
  EXPECT_EQ(drive.files, before) << "the files are only read";
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CompareFailureTest,
    testing::Values(
        CompareFailureCase{"shorter than the receiver's settings",
                           [] { return std::string(kHeaderSize - 1, 'h'); }, kNever, kNever,
                           "tunewerk: old.drc is not a receiver channel file: it has 27,011 "
                           "bytes, not 475,029\n"},
        CompareFailureCase{"too long", [] { return EmptyTables() + "x"; }, kNever, kNever,
                           "tunewerk: old.drc is not a receiver channel file: it has 475,030 "
                           "bytes, not 475,029\n"},
        CompareFailureCase{"the right size without section markers",
                           [] { return std::string(kReceiverFileSize, '\0'); }, kNever, kNever,
                           "tunewerk: old.drc is not a receiver channel file: no section marker "
                           "at offset 27012\n"},
        CompareFailureCase{"the new file unreadable", EmptyTables, 70000, kNever,
                           "tunewerk: cannot read new.drc: Input/output error\n"},
        CompareFailureCase{"output fails", EmptyTables, kNever, 10,
                           "tunewerk: cannot write to standard output: No space left on "
                           "device\n"}),
    NameField());

}  // namespace
}  // namespace tunewerk
