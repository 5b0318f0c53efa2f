#include "io/files.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "console/console.h"
#include "support/memory_drive.h"
#include "support/memory_terminal.h"
#include "support/param_name.h"

namespace tunewerk {
namespace {

class FilesTest : public testing::Test {
 protected:
  MemoryDrive drive;
  FileErrorState state;
};

TEST_F(FilesTest, ReadPastTheEndYieldsCtrlZWithoutError) {
  drive.files["a"] = std::string(
      "x\x1a"
      "y",
      3);
  InputFile in(drive, state);
  in.Open("a");
  EXPECT_EQ(in.ReadByte(), 'x');
  EXPECT_EQ(in.ReadByte(), 26);  // a 26 in the file is an ordinary byte here
  EXPECT_EQ(in.ReadByte(), 'y');
  EXPECT_EQ(in.ReadByte(), 26);
  EXPECT_EQ(in.ReadByte(), 26);
  EXPECT_FALSE(state.failed());
}

TEST_F(FilesTest, TextReadingStopsAtCtrlZWithoutAdvancing) {
  drive.files["a"] = std::string(
      "x\x1a"
      "y",
      3);
  InputFile in(drive, state);
  in.Open("a");
  EXPECT_FALSE(in.AtTextEnd());
  EXPECT_EQ(in.ReadTextByte(), 'x');
  EXPECT_TRUE(in.AtTextEnd());
  EXPECT_EQ(in.ReadTextByte(), 26);
  EXPECT_EQ(in.ReadTextByte(), 26);
  EXPECT_TRUE(in.AtTextEnd());
  EXPECT_FALSE(state.failed());
}

// What a text reader sees at each point: the buffered bytes up to the next
// 26, also after a byte read has passed one and after a refill.
TEST_F(FilesTest, BufferedTextEndsAtTheNextCtrlZ) {
  std::string content = std::string(
      "ab\x1a"
      "cd\x1a"
      "e",
      7);
  std::string tail(kInputBufferSize, 'f');
  tail[10] = '\x1a';
  drive.files["a"] = content + std::string(kInputBufferSize - content.size(), 'z') + tail;
  InputFile in(drive, state);
  in.Open("a");
  struct Step {
    std::size_t take;  // bytes taken with ReadByte before looking
    std::string text;
  };
  const Step steps[] = {
      {0, "ab"},
      {1, "b"},
      {1, ""},
      {1, "cd"},
      {3, "e" + std::string(kInputBufferSize - 7, 'z')},
      {kInputBufferSize - 6, std::string(10, 'f')},
      {11, std::string(kInputBufferSize - 11, 'f')},
  };
  for (const Step& step : steps) {
    for (std::size_t i = 0; i < step.take; ++i) in.ReadByte();
    EXPECT_EQ(in.BufferedText(), step.text) << "after " << step.take;
  }
  EXPECT_FALSE(state.failed());
}

TEST_F(FilesTest, EmptyFileIsAtItsEnd) {
  drive.files["a"] = "";
  InputFile in(drive, state);
  in.Open("a");
  EXPECT_TRUE(in.AtTextEnd());
  EXPECT_EQ(in.ReadTextByte(), 26);
}

TEST_F(FilesTest, ReadsAcrossBufferBoundaries) {
  std::string content(2 * kInputBufferSize + 1000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 % 251);
  drive.files["a"] = content;
  InputFile in(drive, state);
  in.Open("a");
  std::string read;
  for (std::size_t i = 0; i < content.size(); ++i) read.push_back(static_cast<char>(in.ReadByte()));
  EXPECT_EQ(read, content);
  EXPECT_EQ(in.ReadByte(), 26);
}

// Each way into the error state, and the words kept for the exit message.
struct FailureCase {
  const char* name;
  void (*arrange)(MemoryDrive&);
  void (*act)(MemoryDrive&, FileErrorState&);
  const char* message;
};

const FailureCase kFailureCases[] = {
    {"missing input", [](MemoryDrive&) {},
     [](MemoryDrive& d, FileErrorState& s) { InputFile(d, s).Open("user.sdx"); },
     "cannot open user.sdx: No such file or directory"},
    {"failing read",
     [](MemoryDrive& d) {
       d.files["user.sdx"] = "abc";
       d.failingReads["user.sdx"] = 0;
     },
     [](MemoryDrive& d, FileErrorState& s) {
       InputFile in(d, s);
       in.Open("user.sdx");
       in.ReadByte();
     },
     "cannot read user.sdx: Input/output error"},
    {"refused create",
     [](MemoryDrive& d) { d.refusedCreates.push_back(TemporaryName("user.drc")); },
     [](MemoryDrive& d, FileErrorState& s) { OutputFile(d, TestStops(), s).Create("user.drc"); },
     "cannot create user.drc: Permission denied"},
    {"failing write", [](MemoryDrive& d) { d.writeLimit = 10; },
     [](MemoryDrive& d, FileErrorState& s) {
       OutputFile out(d, TestStops(), s);
       out.Create("user.drc");
       out.WriteRepeated(0, 11);
       out.Close();
     },
     "cannot write user.drc: No space left on device"},
    {"failing rename", [](MemoryDrive& d) { d.refuseRenames = true; },
     [](MemoryDrive& d, FileErrorState& s) {
       OutputFile out(d, TestStops(), s);
       out.Create("audio.txt");
       out.Close();
       out.Commit();
     },
     "cannot replace audio.txt: Permission denied"},
};

class FileFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(FileFailureTest, EntersTheErrorState) {
  const FailureCase& c = GetParam();
  MemoryDrive drive;
  FileErrorState state;
  c.arrange(drive);
  c.act(drive, state);
  EXPECT_TRUE(state.failed());
  EXPECT_EQ(state.message(), c.message);
}

INSTANTIATE_TEST_SUITE_P(Failures, FileFailureTest, testing::ValuesIn(kFailureCases), NameField());

TEST_F(FilesTest, OnlyTheFirstFailureIsKept) {
  InputFile(drive, state).Open("one");
  InputFile(drive, state).Open("two");
  EXPECT_EQ(state.message(), "cannot open one: No such file or directory");
}

TEST_F(FilesTest, InTheErrorStateEveryFileOperationDoesNothing) {
  drive.files["in"] = "abc";
  InputFile opened(drive, state);
  opened.Open("in");
  OutputFile created(drive, TestStops(), state);
  created.Create("out");
  created.Write("before");

  state.Enter("earlier failure");

  EXPECT_EQ(opened.ReadByte(), 0);
  EXPECT_EQ(opened.ReadTextByte(), 0);
  EXPECT_TRUE(opened.AtTextEnd());
  InputFile later(drive, state);
  later.Open("in");
  EXPECT_EQ(later.ReadByte(), 0);
  EXPECT_TRUE(later.AtTextEnd());

  created.Write("after");
  created.PutByte('x');
  created.Close();
  created.Commit();
  OutputFile laterOut(drive, TestStops(), state);
  laterOut.Create("other");
  laterOut.Write("x");
  laterOut.Close();

  EXPECT_EQ(drive.files.count("out"), 0u);
  EXPECT_EQ(drive.files.count(TemporaryName("other")), 0u);
  EXPECT_EQ(drive.files[TemporaryName("out")], "");  // nothing was flushed
  EXPECT_EQ(state.message(), "earlier failure");
}

// Each operation after the run has failed, on files that were in use before:
// the input has a filled buffer and the output holds buffered bytes, so only
// the operation's own check of the error state keeps it from acting.
struct GuardCase {
  const char* name;
  std::function<void(InputFile&, OutputFile&, MemoryDrive&, FileErrorState&)> act;
};

class ErrorStateGuardTest : public testing::TestWithParam<GuardCase> {};

TEST_P(ErrorStateGuardTest, OperationDoesNothing) {
  MemoryDrive drive;
  FileErrorState state;
  drive.files["in"] = "abc";
  InputFile in(drive, state);
  in.Open("in");
  ASSERT_EQ(in.ReadByte(), 'a');
  OutputFile out(drive, TestStops(), state);
  out.Create("out");
  out.Write("before");
  state.Enter("earlier failure");
  const auto filesBefore = drive.files;
  const auto logBefore = drive.log;

  GetParam().act(in, out, drive, state);

  out.Close();
  EXPECT_EQ(drive.files, filesBefore);
  EXPECT_EQ(drive.log, logBefore);
  EXPECT_EQ(state.message(), "earlier failure");
}

INSTANTIATE_TEST_SUITE_P(
    Operations, ErrorStateGuardTest,
    testing::Values(
        GuardCase{"read byte", [](InputFile& in, OutputFile&, MemoryDrive&,
                                  FileErrorState&) { EXPECT_EQ(in.ReadByte(), 0); }},
        GuardCase{"read text byte", [](InputFile& in, OutputFile&, MemoryDrive&,
                                       FileErrorState&) { EXPECT_EQ(in.ReadTextByte(), 0); }},
        GuardCase{"text end", [](InputFile& in, OutputFile&, MemoryDrive&,
                                 FileErrorState&) { EXPECT_TRUE(in.AtTextEnd()); }},
        GuardCase{"buffered bytes", [](InputFile& in, OutputFile&, MemoryDrive&,
                                       FileErrorState&) { EXPECT_EQ(in.Buffered(), ""); }},
        GuardCase{"open another input",
                  [](InputFile&, OutputFile&, MemoryDrive& drive, FileErrorState& state) {
                    InputFile other(drive, state);
                    other.Open("in");
                  }},
        GuardCase{"open a missing input",
                  [](InputFile&, OutputFile&, MemoryDrive& drive, FileErrorState& state) {
                    InputFile other(drive, state);
                    other.Open("missing");
                  }},
        GuardCase{"create another output",
                  [](InputFile&, OutputFile&, MemoryDrive& drive, FileErrorState& state) {
                    OutputFile other(drive, TestStops(), state);
                    other.Create("other");
                    other.Write("x");
                    other.Close();
                    other.Commit();
                  }},
        GuardCase{"close flushes nothing",
                  [](InputFile&, OutputFile& out, MemoryDrive&, FileErrorState&) { out.Close(); }},
        GuardCase{"write then close",
                  [](InputFile&, OutputFile& out, MemoryDrive&, FileErrorState&) {
                    out.Write(std::string(100000, 'w'));
                    out.Close();
                  }},
        GuardCase{"put byte then close",
                  [](InputFile&, OutputFile& out, MemoryDrive&, FileErrorState&) {
                    for (int i = 0; i < 70000; ++i) out.PutByte('p');
                    out.Close();
                  }},
        GuardCase{"repeated bytes then close",
                  [](InputFile&, OutputFile& out, MemoryDrive&, FileErrorState&) {
                    out.WriteRepeated('r', 100000);
                    out.Close();
                  }},
        GuardCase{"commit replaces nothing",
                  [](InputFile&, OutputFile& out, MemoryDrive&, FileErrorState&) {
                    out.Close();
                    out.CheckReplaceable();
                    out.Commit();
                  }}),
    NameField());

// Without a successful open there is nothing to read, whatever the state.
TEST_F(FilesTest, NeverOpenedInputIsAtItsEnd) {
  InputFile in(drive, state);
  EXPECT_EQ(in.ReadByte(), 26);
  EXPECT_TRUE(in.AtTextEnd());
  EXPECT_EQ(in.Buffered(), "");
  EXPECT_FALSE(state.failed());
}

// Bytes written after Close never reach the file, even past a buffer's worth.
TEST_F(FilesTest, WritesAfterCloseAreDropped) {
  OutputFile out(drive, TestStops(), state);
  out.Create("out");
  out.Write("kept");
  out.Close();
  out.Write(std::string(100000, 'x'));
  out.WriteRepeated('y', 100000);
  out.PutByte('z');
  out.Close();
  out.Commit();
  EXPECT_FALSE(state.failed()) << state.message();
  EXPECT_EQ(drive.files["out"], "kept");
}

TEST_F(FilesTest, ConsoleTextStopsInTheErrorStateButCursorAndColoursAct) {
  MemoryTerminal terminal("");
  Console console(terminal, state);
  console.ClearScreen();
  console.WriteLine("shown");
  state.Enter("failure");
  console.WriteLine("hidden");
  console.WriteText("hidden");
  console.MoveCursor(5, 7);
  console.SetBackground(13);
  console.SetForeground(0);
  EXPECT_EQ(console.screen().cursorColumn(), 5);
  EXPECT_EQ(console.screen().cursorRow(), 7);
  EXPECT_EQ(console.screen().attribute(), 0x50);
  console.Finish();
  EXPECT_EQ(terminal.transcript, "shown\n");
}

TEST_F(FilesTest, CommitReplacesOnlyAfterSuccessAndDiscardLeavesOldFile) {
  drive.files["user.drc"] = "old";
  {
    OutputFile out(drive, TestStops(), state);
    out.Create("user.drc");
    out.Write("new");
    out.Close();
    EXPECT_EQ(drive.files["user.drc"], "old");
    out.Discard();
  }
  EXPECT_EQ(drive.files["user.drc"], "old");
  EXPECT_EQ(drive.files.size(), 1u);
  OutputFile out(drive, TestStops(), state);
  out.Create("user.drc");
  out.Write("new");
  out.Close();
  out.Commit();
  out.Discard();
  EXPECT_EQ(drive.files["user.drc"], "new");
  EXPECT_EQ(drive.files.size(), 1u);
}

TEST_F(FilesTest, LargeWritesArriveWhole) {
  OutputFile out(drive, TestStops(), state);
  out.Create("big");
  std::string expected;
  for (int i = 0; i < 50000; ++i) {
    out.PutByte(static_cast<std::uint8_t>(i));
    expected.push_back(static_cast<char>(i));
  }
  out.WriteRepeated(7, 100000);
  expected.append(100000, '\x07');
  out.WriteLine("end");
  expected += "end\r\n";
  out.Close();
  out.Commit();
  EXPECT_EQ(drive.files["big"], expected);
}

}  // namespace
}  // namespace tunewerk
