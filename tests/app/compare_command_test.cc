#include "app/compare_command.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "app/run.h"
#include "drc/receiver_file.h"
#include "sdx/sdx_lines.h"
#include "support/listing_lines.h"
#include "support/memory_drive.h"
#include "support/memory_terminal.h"
#include "support/param_name.h"

namespace tunewerk {
namespace {

const std::string kStdout = MemoryDrive::TemporaryName("stdout");

// Compares drive.files[oldName] with drive.files[newName] into drive.files[kStdout].
int Compare(MemoryDrive& drive, const std::string& oldName, const std::string& newName,
            std::string* error) {
  std::unique_ptr<ReadableFile> oldFile, newFile;
  std::string oldShown, newShown, reason;
  EXPECT_TRUE(drive.OpenExisting(oldName, &oldFile, &oldShown, &reason)) << reason;
  EXPECT_TRUE(drive.OpenExisting(newName, &newFile, &newShown, &reason)) << reason;
  std::unique_ptr<WritableFile> out;
  EXPECT_TRUE(drive.CreateTemporary("stdout", &out, &reason)) << reason;
  drive.files[kStdout];
  return CompareReceiverFiles(*oldFile, oldShown, *newFile, newShown, std::move(out), error);
}

std::string Settings() {
  std::string text = "EXCLUDE\r\nEND\r\nASTRA\r\n";
  for (int s = 1; s <= 27; ++s) text += std::to_string(s * 7) + "\r\nsatellite\r\n";
  return text;
}

// A list of TV programmes by name (service ids from the names) and one radio
// programme at the end.
std::string ChannelList(const std::vector<std::string>& names) {
  std::vector<Rec> records;
  for (const std::string& name : names) {
    Rec r;
    r.name = name;
    r.sid = Number(name[0] * 100 + name[1], 5);
    r.videoPid = r.pcrPid = Number(name[0] * 10, 4);  // one programme each
    records.push_back(r);
  }
  Rec radio;
  radio.name = "Radio", radio.radio = "R", radio.videoPid = "0000", radio.sid = "00007";
  records.push_back(radio);
  return SdxFile(records);
}

// The user.drc of an unsorted run on those programmes.
std::string ReceiverFile(const std::vector<std::string>& names, const std::string& header) {
  MemoryDrive drive;
  drive.files["vaz3er.ini"] = Settings();
  drive.files["user.sdx"] = ChannelList(names);
  drive.files["3ci.drc"] = header;
  MemoryTerminal terminal("y\ny\nn\ny\n");
  std::string error;
  EXPECT_EQ(RunTunewerk(drive, terminal, &error), 0) << error;
  return drive.files["user.drc"];
}

struct CompareCase {
  const char* name;
  std::vector<std::string> old;  // empty: a 3ci.drc of the settings alone
  std::vector<std::string> fresh;
  std::vector<std::string> lines;  // the summary, then the change lines
};

class CompareTest : public testing::TestWithParam<CompareCase> {};

// The first line sums up; every line marked +, - or ~ has the form the page
// reads; the rest are headings.
TEST_P(CompareTest, SumsUpThenMarksEachChange) {
  const CompareCase& c = GetParam();
  const std::string header(kHeaderSize, 'h');
  MemoryDrive drive;
  drive.files["3ci.drc"] = c.old.empty() ? header : ReceiverFile(c.old, header);
  drive.files["user.drc"] = ReceiverFile(c.fresh, header);
  std::string error;
  ASSERT_EQ(Compare(drive, "3ci.drc", "user.drc", &error), 0) << error;

  const std::regex change("([+~-]) +(\\d+|-) +(\\d+|-) (.*)");
  std::vector<std::string> lines = TrimmedLines(drive.files[kStdout], false);
  std::vector<std::string> shown = {lines.at(0)};
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    bool marked =
        line.size() > 1 && std::string("+-~").find(line[0]) != std::string::npos && line[1] == ' ';
    EXPECT_EQ(marked, std::regex_match(line, change)) << line;
    if (marked) shown.push_back(line.substr(0, 37));  // up to the position in the name
  }
  EXPECT_EQ(shown, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareTest,
    testing::Values(
        CompareCase{"the same list",
                    {"Aa", "Bb"},
                    {"Aa", "Bb"},
                    {"TV: 2 kept (0 renumbered), 0 new, 0 gone; radio: 1 kept (0 renumbered), 0 "
                     "new, 0 gone"}},
        CompareCase{
            "one new in front, one gone at the end",
            {"Aa", "Bb", "Cc"},
            {"Nn", "Aa", "Bb"},
            {"TV: 2 kept (2 renumbered), 1 new, 1 gone; radio: 1 kept (0 renumbered), 0 "
             "new, 0 gone",
             "+    -    1 TV    Nn              192", "~    1    2 TV    Aa              192",
             "~    2    3 TV    Bb              192", "-    3    - TV    Cc              192"}},
        CompareCase{
            "a gone one moves the later ones up; the radio list keeps its numbers",
            {"Aa", "Bb", "Cc"},
            {"Aa", "Cc"},
            {"TV: 2 kept (1 renumbered), 0 new, 1 gone; radio: 1 kept (0 renumbered), 0 "
             "new, 0 gone",
             "~    3    2 TV    Cc              192", "-    2    - TV    Bb              192"}},
        CompareCase{
            "an old file without tables: every programme is new",
            {},
            {"Aa"},
            {"TV: 0 kept (0 renumbered), 1 new, 0 gone; radio: 0 kept (0 renumbered), 1 "
             "new, 0 gone",
             "+    -    1 TV    Aa              192", "+    -    1 radio Radio           192"}}),
    NameField());

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

// Whatever a file of the receiver's size holds after its section markers
// (counts, transponder indices, names), the comparison ends with status 0 or
// one line, and every marked line has its form.
TEST(CompareCommandTest, AnyTablesGiveWellFormedLinesOrOneErrorLine) {
  std::uint32_t seed = 12345;
  auto next = [&seed] { return (seed = seed * 1103515245 + 12345) >> 16; };
  const std::regex change("([+~-]) +(\\d+|-) +(\\d+|-) (.*)");
  for (int round = 0; round < 24; ++round) {
    MemoryDrive drive;
    for (const char* name : {"old.drc", "new.drc"}) {
      std::string file = EmptyTables();
      // Small counts, so that the records decoded are the random ones.
      for (std::size_t at = kTransponderCountOffset; at < kReceiverFileSize; ++at) {
        if (at % 97 == 0 || at < kTransponderCountOffset + 2000 ||
            (at >= kProgrammeCountOffset && at < kProgrammeSectionStart + 3000)) {
          file[at] = static_cast<char>(next());
        }
      }
      file[kTransponderCountOffset] = static_cast<char>(next() % 4);
      file[kProgrammeCountOffset] = static_cast<char>(next() % 12);
      drive.files[name] = file;
    }
    std::string error;
    int status = Compare(drive, "old.drc", "new.drc", &error);
    if (status != 0) {
      EXPECT_EQ(error.find('\n'), error.size() - 1) << error;
      continue;
    }
    for (const std::string& line : TrimmedLines(drive.files[kStdout], false)) {
      bool marked = line.size() > 1 && std::string("+-~").find(line[0]) != std::string::npos &&
                    line[1] == ' ';
      if (marked) EXPECT_TRUE(std::regex_match(line, change)) << line;
    }
  }
}

}  // namespace
}  // namespace tunewerk
