#include "app/list_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "app/run.h"
#include "drc/receiver_file.h"
#include "sdx/sdx_lines.h"
#include "support/listing_lines.h"
#include "support/memory_drive.h"
#include "support/memory_terminal.h"
#include "support/param_name.h"

namespace tunewerk {
namespace {

const std::string kStdout = TemporaryName("stdout");

// Lists drive.files[name] into drive.files[kStdout].
int List(MemoryDrive& drive, const std::string& name, std::string* error) {
  std::unique_ptr<ReadableFile> file;
  std::string shown, reason;
  EXPECT_TRUE(drive.OpenExisting(name, &file, &shown, &reason)) << reason;
  std::unique_ptr<WritableFile> out;
  EXPECT_TRUE(drive.CreateNew(TemporaryName("stdout"), &out, &reason)) << reason;
  drive.files[kStdout];
  return ListReceiverFile(*file, shown, std::move(out), error);
}

std::string Settings() {
  std::string text = "EXCLUDE\r\nEND\r\nASTRA\r\n";
  for (int s = 1; s <= 27; ++s) text += std::to_string(s * 7) + "\r\nsatellite\r\n";
  return text;
}

// Transponders and programmes of every kind the listing shows differently.
std::string ChannelList() {
  std::vector<Rec> records;
  Rec r;
  records.push_back(r);
  r.audioPid = "0103", r.tag = "2ch";
  records.push_back(r);  // a second stream of the same programme
  r.name = "Radio Zwei", r.radio = "R", r.videoPid = "0000", r.sid = "28107";
  records.push_back(r);
  r.name = "Ferne", r.radio = "T", r.videoPid = "0200", r.frequency = "01200000";
  r.pos = "014", r.tpName = "Short", r.sid = "65535", r.symbolRate = "-0001";
  records.push_back(r);
  r.name = "C Kanal", r.frequency = "00400000", r.pol = "1", r.ca = "0B00";
  records.push_back(r);
  r.name = "Minus", r.frequency = "-1234567", r.tag = "d";
  records.push_back(r);
  return SdxFile(records);
}

struct AnswersCase {
  const char* name;
  const char* answers;
};

class ListedRunTest : public testing::TestWithParam<AnswersCase> {};

TEST_P(ListedRunTest, LinesEqualTheRunsListing) {
  MemoryDrive drive;
  drive.files["vaz3er.ini"] = Settings();
  drive.files["user.sdx"] = ChannelList();
  drive.files["3ci.drc"] = std::string(kHeaderSize, 'h');
  MemoryTerminal terminal(GetParam().answers);
  std::string error;
  ASSERT_EQ(RunTunewerk(drive, terminal, &error, {.stops = &TestStops()}), 0) << error;
  int transponders =
      static_cast<int>(static_cast<std::uint8_t>(drive.files["user.drc"][kHeaderSize + 5]));

  EXPECT_EQ(List(drive, "user.drc", &error), 0) << error;
  const std::string& listed = drive.files[kStdout];
  EXPECT_EQ(listed.find('\r'), std::string::npos) << "LF line ends";
  EXPECT_EQ(TrimmedLines(listed, false), ListedLines(drive.files["tunewerk.txt"], transponders));
}

INSTANTIATE_TEST_SUITE_P(Answers, ListedRunTest,
                         testing::Values(AnswersCase{"every programme sorted", "y\ny\n\ny\n"},
                                         AnswersCase{"every programme unsorted", "y\ny\nn\ny\n"},
                                         AnswersCase{"every default", "\n\n\n\n"}),
                         NameField());

// Names come from the user's list: shown as the console shows them, none of
// their bytes may act on the terminal the listing goes to.
TEST(ListCommandTest, NamesAreShownAsGlyphsNeverAsControlBytes) {
  MemoryDrive drive;
  drive.files["vaz3er.ini"] = Settings();
  drive.files["user.sdx"] = ChannelList();
  drive.files["3ci.drc"] = std::string(kHeaderSize, 'h');
  MemoryTerminal terminal("y\ny\n\ny\n");
  std::string error;
  ASSERT_EQ(RunTunewerk(drive, terminal, &error, {.stops = &TestStops()}), 0) << error;
  std::string& drc = drive.files["user.drc"];
  drc.replace(kProgrammeSectionStart + 54, 8, "\x1b[2J\x84\r\x9b\0", 8);

  EXPECT_EQ(List(drive, "user.drc", &error), 0) << error;
  const std::string& listed = drive.files[kStdout];
  for (char byte : listed) {
    auto value = static_cast<unsigned char>(byte);
    EXPECT_TRUE(value == '\n' || (value >= 32 && value != 127)) << int{value};
  }
  EXPECT_NE(listed.find(" \u2190[2J\u00e4\u266a\u00a2 "), std::string::npos) << listed;
}

// A line that ends before its audio tag: tunewerk.txt writes the empty tag as
// held, the receiver file pads it to three blanks, and --list shows those.
TEST(ListCommandTest, ATagShorterThanThreeBytesIsShownPadded) {
  MemoryDrive drive;
  drive.files["vaz3er.ini"] = Settings();
  drive.files["user.sdx"] = "SDX channel list\r\n" + Line(Rec()).substr(0, 99) + "\r\n";
  drive.files["3ci.drc"] = std::string(kHeaderSize, 'h');
  MemoryTerminal terminal("y\ny\n\ny\n");
  std::string error;
  ASSERT_EQ(RunTunewerk(drive, terminal, &error, {.stops = &TestStops()}), 0) << error;
  ASSERT_EQ(List(drive, "user.drc", &error), 0) << error;
  std::vector<std::string> listing = ListedLines(drive.files["tunewerk.txt"], 1);
  std::vector<std::string> listed = TrimmedLines(drive.files[kStdout], false);
  ASSERT_EQ(listed.size(), listing.size());
  // Position, transponder, service id, PCR, video and audio PID: 29 columns, a blank, the tag.
  EXPECT_EQ(listed[5], listing[5].substr(0, 30) + "   " + listing[5].substr(30)) << listing[5];
}

// A receiver file with empty tables.
std::string EmptyTables() {
  std::string file(kReceiverFileSize, '\0');
  file.replace(kHeaderSize, 4, "\0\xff\xff\xff", 4);
  file.replace(kProgrammeSectionStart - 10, 4, "\0\xff\xff\xff", 4);
  return file;
}

struct ListFailureCase {
  const char* name;
  std::string (*file)();
  std::size_t failReadAfter;
  std::size_t writeLimit;
  const char* error;
};

constexpr std::size_t kNever = ~std::size_t{0};

class ListFailureTest : public testing::TestWithParam<ListFailureCase> {};

TEST_P(ListFailureTest, GivesOneLineAndStatusOne) {
  const ListFailureCase& c = GetParam();
  const std::string file = c.file();
  MemoryDrive drive;
  drive.files["old.drc"] = file;
  drive.failingReads["old.drc"] = c.failReadAfter;
  drive.writeLimit = c.writeLimit;
  std::string error;
  EXPECT_EQ(List(drive, "old.drc", &error), c.error[0] == '\0' ? 0 : 1);
  EXPECT_EQ(error, c.error);
  EXPECT_EQ(drive.files["old.drc"], file) << "the file is only read";
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ListFailureTest,
    testing::Values(
        ListFailureCase{"empty tables", EmptyTables, kNever, kNever, ""},
        ListFailureCase{"an SDX list", [] { return std::string("T019E ...\r\n"); }, kNever, kNever,
                        "tunewerk: old.drc is not a receiver channel file: it has 11 bytes, not "
                        "475,029\n"},
        ListFailureCase{"far too long", [] { return EmptyTables() + std::string(100000, 'x'); },
                        kNever, kNever,
                        "tunewerk: old.drc is not a receiver channel file: it has 575,029 bytes, "
                        "not 475,029\n"},
        ListFailureCase{"unreadable", EmptyTables, 70000, kNever,
                        "tunewerk: cannot read old.drc: Input/output error\n"},
        ListFailureCase{"output fails", EmptyTables, kNever, 10,
                        "tunewerk: cannot write to standard output: No space left on device\n"},
        ListFailureCase{"one byte", [] { return std::string(1, 'x'); }, kNever, kNever,
                        "tunewerk: old.drc is not a receiver channel file: it has 1 byte, not "
                        "475,029\n"},
        ListFailureCase{"far too long and unreadable: told by its size, not read",
                        [] { return EmptyTables() + std::string(100000, 'x'); }, 0, kNever,
                        "tunewerk: old.drc is not a receiver channel file: it has 575,029 bytes, "
                        "not 475,029\n"},
        ListFailureCase{"the right size without section markers",
                        [] { return std::string(475029, '\0'); }, kNever, kNever,
                        "tunewerk: old.drc is not a receiver channel file: no section marker at "
                        "offset 27012\n"}),
    NameField());

}  // namespace
}  // namespace tunewerk

namespace tunewerk {
namespace {

// --list outside drive C: the line names the file as typed.
TEST(ListFileAtTest, NamesTheFileAsTyped) {
  struct Case {
    std::string path;
    std::string line;
  } cases[] = {
      {"no\\where.drc", "tunewerk: cannot open no\\where.drc: No such file or directory\n"},
      {".", "tunewerk: cannot open .: Is a directory\n"},
  };
  for (const Case& c : cases) {
    std::string line;
    EXPECT_EQ(ListFileAt(c.path, nullptr, &line), 1);
    EXPECT_EQ(line, c.line);
  }
}

}  // namespace
}  // namespace tunewerk
