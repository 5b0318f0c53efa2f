#include "sdx/sdx_record.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/list_text.h"
#include "support/memory_drive.h"
#include "support/param_name.h"

namespace tunewerk {
namespace {

// Every record of `content` as the import would read it.
std::vector<std::string> ReadAll(const std::string& content, bool present = true) {
  MemoryDrive drive;
  if (present) drive.files["user.sdx"] = content;
  FileErrorState state;
  auto file = std::make_unique<InputFile>(drive, state);
  file->Open("user.sdx");
  std::vector<std::string> records;
  SdxRecord record;
  SdxLineEnds lineEnds;
  do {
    records.emplace_back(ReadSdxRecord(*file, lineEnds, &record));
  } while (!SdxAtEnd(*file) && records.size() < 100000);
  return records;
}

struct RecordCase {
  const char* name;
  std::string content;
  std::vector<std::string> records;
};

class SdxRecordSplitTest : public testing::TestWithParam<RecordCase> {};

TEST_P(SdxRecordSplitTest, SplitsTheFileIntoRecords) {
  const RecordCase& c = GetParam();
  EXPECT_EQ(ReadAll(c.content), c.records);
}

const std::string kLong(130, 'x');

INSTANTIATE_TEST_SUITE_P(
    Files, SdxRecordSplitTest,
    testing::Values(
        RecordCase{"CrLfEndingInCrLf", "ab\r\ncd\r\n", {"ab\r", "\ncd\r", "\n"}},
        RecordCase{"CrLfWithoutLastLineEnd", "ab\r\ncd", {"ab\r", "\ncd"}},
        RecordCase{"CrOnly", "ab\rcd\r", {"ab\r", "cd\r"}},
        // A first line ending in a bare LF: read as CR LF.
        RecordCase{"LfOnly", "ab\ncd\n", {"ab\r", "\ncd\r", "\n"}},
        RecordCase{"LfOnlyFirstLineEmpty", "\nab\n", {"\r", "\nab\r", "\n"}},
        RecordCase{"LfOnlyThenCrLf", "ab\ncd\r\nef\n", {"ab\r", "\ncd\r", "\nef\r", "\n"}},
        RecordCase{"LfOnlyThenBareCr", "ab\ncd\ref\n", {"ab\r", "\ncd\r", "ef\r", "\n"}},
        // A record with a CR and no LF, later in an LF list, leaves it one.
        RecordCase{"LfOnlyThenBareCrs",
                   "ab\ncd\ref\rgh\nij\n",
                   {"ab\r", "\ncd\r", "ef\r", "gh\r", "\nij\r", "\n"}},
        RecordCase{"LfOnlyTwoLineFeeds", "ab\n\ncd", {"ab\r", "\n\r", "\ncd"}},
        RecordCase{"LfOnlyCtrlZ", "ab\ncd\x1a\nef\n", {"ab\r", "\ncd"}},
        RecordCase{"LfOnlyLineOf126KeepsItsCr",
                   "a\n" + std::string(126, 'y') + "\nz",
                   {"a\r", "\n" + std::string(126, 'y') + "\r", "\nz"}},
        RecordCase{"LfOnlyLineOf127LosesItsCr",
                   "a\n" + std::string(127, 'y') + "\nz",
                   {"a\r", "\n" + std::string(127, 'y'), "\nz"}},
        // A CR first: an LF later is text, as ever.
        RecordCase{"CrLfThenBareLfIsText", "ab\r\ncd\nef\r\n", {"ab\r", "\ncd\nef\r", "\n"}},
        RecordCase{"CrOnlyThenLf", "ab\rcd\nef\r", {"ab\r", "cd\nef\r"}},
        RecordCase{"CtrlZBeforeTheFirstLf", "ab\x1a\ncd\n", {"ab"}},
        RecordCase{"Empty", "", {"\x1a"}},
        RecordCase{"StartsWithCtrlZ",
                   "\x1a"
                   "ab\r\n",
                   {"\x1a"}},
        RecordCase{"CtrlZMidRecord",
                   "ab\r\ncd\x1a"
                   "ef\r\n",
                   {"ab\r", "\ncd"}},
        RecordCase{"CtrlZAfterCr", "ab\r\x1a\ncd", {"ab\r"}},
        // LF + 126 characters + CR fill 128 bytes exactly.
        RecordCase{"LineOf126Fits",
                   "a\r\n" + std::string(126, 'y') + "\r\nz",
                   {"a\r", "\n" + std::string(126, 'y') + "\r", "\nz"}},
        RecordCase{"LineOf127LosesItsCr",
                   "a\r\n" + std::string(127, 'y') + "\r\nz",
                   {"a\r", "\n" + std::string(127, 'y'), "\nz"}},
        RecordCase{"OverlongFirstLine", kLong + "\r\nz", {kLong.substr(0, 128), "\nz"}},
        RecordCase{
            "OtherControlBytesAreText", std::string("\t\0\a\r", 4), {std::string("\t\0\a\r", 4)}}),
    [](const testing::TestParamInfo<RecordCase>& param) { return param.param.name; });

// Across read buffers, an LF list reads exactly as its CR LF original.
TEST(SdxRecordTest, LfOnlyListReadsAsItsCrLfOriginal) {
  std::string crLf, lf;
  for (int i = 0; i < 8000; ++i) {
    std::string line = std::to_string(i) + std::string(static_cast<std::size_t>(i % 140), 'q');
    crLf += line + "\r\n";
    lf += line + "\n";
  }
  EXPECT_EQ(ReadAll(lf), ReadAll(crLf));
  EXPECT_EQ(ReadAll(lf).size(), 8001u);
}

// `content` up to its first byte 26 as read: when the first line end is a
// bare LF, each LF not preceded by CR gains one.
std::string AsRead(const std::string& content) {
  std::string text = content.substr(0, content.find('\x1a'));
  std::size_t firstEnd = text.find_first_of("\r\n");
  if (firstEnd == std::string::npos || text[firstEnd] != '\n') return text;
  std::string read;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) read += '\r';
    read += text[i];
  }
  return read;
}

// The records of `list` by the reading rules, byte by byte: each record up
// to and including a CR, at most 128 bytes kept, a byte 26 or the end ends
// the input, and a record read there is the single byte 26.
std::vector<std::string> ReferenceRecords(const std::string& list) {
  std::string content = AsRead(list);
  std::vector<std::string> records;
  std::size_t next = 0;
  auto atEnd = [&] { return next == content.size() || content[next] == '\x1a'; };
  do {
    std::string record;
    for (;;) {
      char byte = atEnd() ? '\x1a' : content[next++];
      if (record.size() < kSdxRecordLength) record.push_back(byte);
      if (byte == '\r' || atEnd()) break;
    }
    records.push_back(record);
  } while (!atEnd() && records.size() < 100000);
  return records;
}

// Lines of `lengths` in turn, CR LF ended, with `stop` (if any) at byte `at`.
std::string Lines(std::size_t total, std::vector<std::size_t> lengths, std::size_t at = 0,
                  char stop = 0) {
  std::string content;
  for (std::size_t i = 0; content.size() < total; ++i) {
    content += std::string(lengths[i % lengths.size()], static_cast<char>('a' + i % 26)) + "\r\n";
  }
  if (stop) content[at] = stop;
  return content;
}

std::string WithoutCrs(std::string content) {
  std::erase(content, '\r');
  return content;
}

std::string WithCtrlZAt(std::string content, std::size_t at) {
  content[at] = '\x1a';
  return content;
}

struct RefillCase {
  const char* name;
  std::string content;
};

class SdxRecordRefillTest : public testing::TestWithParam<RefillCase> {};

// Records of a CR list that lie whole in the read buffer are taken in place;
// the others, across a refill, too long or cut by a byte 26, and those of a
// bare-LF list, are put together. All ways must give the same records.
TEST_P(SdxRecordRefillTest, RecordsAcrossRefillsMatchTheReadingRules) {
  const std::string& content = GetParam().content;
  EXPECT_EQ(ReadAll(content), ReferenceRecords(content));
}

constexpr std::size_t kPastOneRefill = 2 * kInputBufferSize + 300;

INSTANTIATE_TEST_SUITE_P(
    Contents, SdxRecordRefillTest,
    testing::Values(
        RefillCase{"FullLines", Lines(kPastOneRefill, {126})},
        RefillCase{"MixedLengths", Lines(kPastOneRefill, {126, 0, 127, 1, 300, 125, 7})},
        RefillCase{"CrLastInBuffer", Lines(kInputBufferSize - 1, {kInputBufferSize - 3})},
        RefillCase{"CrFirstAfterRefill", Lines(kInputBufferSize, {kInputBufferSize - 2})},
        RefillCase{"CtrlZJustAfterRefill",
                   Lines(kPastOneRefill, {126}, kInputBufferSize + 1, '\x1a')},
        RefillCase{"CtrlZInLastWindowBeforeRefill",
                   Lines(kPastOneRefill, {126}, kInputBufferSize - 5, '\x1a')},
        RefillCase{"CrAtWindowEnd", Lines(kPastOneRefill, {127, 128, 126})},
        // The first 128 bytes of a long line in the buffer, its CR or LF after the refill.
        RefillCase{"LongLineCutAcrossRefill", Lines(kPastOneRefill, {kInputBufferSize - 202, 300})},
        RefillCase{"BareLineFeedLongLineCutAcrossRefill",
                   WithoutCrs(Lines(kPastOneRefill, {kInputBufferSize - 201, 300}))},
        RefillCase{"BareLineFeeds",
                   WithoutCrs(Lines(kPastOneRefill, {126, 0, 127, 1, 300, 125, 7, 128}))},
        // A bare-LF list keeps its CR LF lines and bare CRs as they are, and stays one.
        RefillCase{"BareLineFeedsThenOtherEnds",
                   WithoutCrs(Lines(kInputBufferSize / 2, {126, 0, 127})) + "x\ry\r" +
                       Lines(kPastOneRefill, {126, 0, 127, 1, 300}) +
                       WithoutCrs(Lines(1000, {5, 126}))},
        // The first line end, an LF, lies beyond the first buffer.
        RefillCase{"BareLineFeedsFirstLineLongerThanTheBuffer",
                   WithoutCrs(Lines(kPastOneRefill, {kInputBufferSize + 10, 126}))},
        RefillCase{"BareLineFeedsCtrlZAfterRefill",
                   WithCtrlZAt(WithoutCrs(Lines(kPastOneRefill, {126})), kInputBufferSize + 1)},
        RefillCase{"LinesOfOneLengthWithControlBytes",
                   WithControlBytes(Lines(kPastOneRefill, {126}))},
        RefillCase{"LongLinesOfOneLengthWithControlBytes",
                   WithControlBytes(Lines(kPastOneRefill, {132}))},
        RefillCase{"ShortLinesOfOneLengthWithControlBytes",
                   WithControlBytes(Lines(kPastOneRefill / 8, {7}))},
        RefillCase{"BareLineFeedsWithControlBytes",
                   WithControlBytes(WithoutCrs(Lines(kPastOneRefill, {126, 126, 132, 20})))},
        // Settled as a CR list by its first line: later bare LFs are text.
        RefillCase{"CrListThenBareLineFeeds",
                   Lines(300, {126}) + WithoutCrs(Lines(kPastOneRefill, {126, 0, 127}))}),
    [](const testing::TestParamInfo<RefillCase>& p) { return p.param.name; });

// A record the reader calls plain is shown without looking at its bytes
// again: it must be its LF, bytes from 14 up, and its CR or its cut. 'p' for
// each record read as plain, '-' for one the echo has to look at itself.
std::string PlainFlags(const std::string& content) {
  MemoryDrive drive;
  drive.files["user.sdx"] = content;
  FileErrorState state;
  auto file = std::make_unique<InputFile>(drive, state);
  file->Open("user.sdx");
  std::string flags;
  SdxRecord record;
  SdxLineEnds lineEnds;
  do {
    ReadSdxRecord(*file, lineEnds, &record);
    flags += lineEnds.plainRecord ? 'p' : '-';
  } while (!SdxAtEnd(*file));
  return flags;
}

struct PlainCase {
  const char* name;
  std::string content;
  const char* flags;
};

class SdxRecordPlainTest : public testing::TestWithParam<PlainCase> {};

TEST_P(SdxRecordPlainTest, TellsWhichRecordsArePlainLines) {
  const PlainCase& c = GetParam();
  EXPECT_EQ(PlainFlags(c.content), c.flags);
  EXPECT_EQ(ReadAll(c.content), ReferenceRecords(c.content));
}

const std::string k126(126, 'y');

INSTANTIATE_TEST_SUITE_P(
    Lists, SdxRecordPlainTest,
    testing::Values(
        PlainCase{"LinesOfOneLength", "a\r\n" + k126 + "\r\n" + k126 + "\r\n" + k126 + "\r\n",
                  "-ppp-"},
        PlainCase{"BackspaceInALineOfTheLastLength",
                  "a\r\n" + k126 + "\r\n" + k126.substr(1) + "\b\r\n" + k126 + "\r\n", "-p-p-"},
        PlainCase{"CrInsideALineOfTheLastLength", "x\r\nabcde\r\nab\rde\r\n", "-pp--"},
        PlainCase{"TabBeforeTheCut", "a\r\n" + k126.substr(0, 99) + "\t" + k126 + "\r\n", "---"},
        PlainCase{"TabPastTheCut", "a\r\n" + k126 + "yyy\t" + "\r\n", "-p-"},
        PlainCase{"LineFeedInsideALine", "a\r\nb\nc\r\nd\r\n", "--p-"},
        PlainCase{"BareLineFeeds", "ab\ncd\nef\n", "-pp-"},
        PlainCase{"BareLineFeedsWithABell", "ab\nc\ad\nef\n", "--p-"},
        PlainCase{"BareLineFeedsTabPastTheCut", "ab\n" + k126 + "yyy\t\nef\n", "-pp-"}),
    [](const testing::TestParamInfo<PlainCase>& p) { return p.param.name; });

TEST(SdxRecordTest, MissingFileGivesOneRecordOfByteZero) {
  EXPECT_EQ(ReadAll("", false), std::vector<std::string>{std::string(1, '\0')});
}

struct ParseCase {
  const char* text;
  bool unsignedOk;
  std::uint32_t unsignedValue;
  bool signedOk;
  std::int32_t signedValue;
};

class ParseNumberTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseNumberTest, ConvertsOrFails) {
  const ParseCase& c = GetParam();
  std::uint32_t u = 77;
  std::int32_t s = 77;
  EXPECT_EQ(ParseUnsigned(c.text, &u), c.unsignedOk);
  EXPECT_EQ(u, c.unsignedValue);
  EXPECT_EQ(ParseSigned(c.text, &s), c.signedOk);
  EXPECT_EQ(s, c.signedValue);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseNumberTest,
    testing::Values(ParseCase{"  12", true, 12, true, 12}, ParseCase{"\t 12", true, 12, true, 12},
                    ParseCase{"12  ", false, 0, false, 0}, ParseCase{"0012", true, 12, true, 12},
                    ParseCase{"$1F", true, 31, true, 31}, ParseCase{"$1f", true, 31, true, 31},
                    ParseCase{"$001F", true, 31, true, 31}, ParseCase{"$0", true, 0, true, 0},
                    ParseCase{"$00", true, 0, true, 0}, ParseCase{"$", false, 0, false, 0},
                    ParseCase{"$1G", false, 0, false, 0}, ParseCase{"%101", true, 5, true, 5},
                    ParseCase{"%102", false, 0, false, 0}, ParseCase{"-12", false, 0, true, -12},
                    ParseCase{" -$10", false, 0, true, -16}, ParseCase{"-0001", false, 0, true, -1},
                    ParseCase{"+12", true, 12, true, 12}, ParseCase{"+-12", false, 0, false, 0},
                    ParseCase{"- 12", false, 0, false, 0}, ParseCase{"-", false, 0, false, 0},
                    ParseCase{"", false, 0, false, 0}, ParseCase{"   ", false, 0, false, 0},
                    ParseCase{"1 2", false, 0, false, 0}, ParseCase{"AB", false, 0, false, 0},
                    ParseCase{"$FFFFFFFF", true, 0xFFFFFFFFu, true, -1}),
    [](const testing::TestParamInfo<ParseCase>& param) { return ParamName(param.param.text); });

// A record whose fields hold distinct values. Record position p is
// line[p - 2] on lines after the first.
std::string FieldLine() {
  std::string line(126, '.');
  auto put = [&line](std::size_t position, const std::string& text) {
    line.replace(position - 2, text.size(), text);
  };
  put(11, "Transponder 12");
  put(29, "R");
  put(30, "MPG2");
  put(34, "01176400");
  put(43, "1");
  put(44, "ABCDEFGH");
  put(52, "019");
  put(56, "KINO+   ");
  put(70, "-0001");
  put(76, "$0A0");
  put(80, "  12");
  put(84, "0013");
  put(88, "70000");
  put(98, "01234");
  put(103, "deu");
  put(112, "____");
  put(116, "IJKLMNOPQRST");
  return line;
}

void ExpectFieldLineValues(const SdxFields& f) {
  EXPECT_EQ(f.tpName, "Transponder 12");
  EXPECT_EQ(f.radioMarker, 'R');
  EXPECT_EQ(f.streamType, "MPG2");
  EXPECT_EQ(f.frequency, 1176400);
  EXPECT_EQ(f.polFlag, '1');
  EXPECT_EQ(f.programmeName.view(), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(f.orbitalPos, 19);
  EXPECT_EQ(f.provider, "KINO+   ");
  EXPECT_EQ(f.symbolRate, 65535);
  EXPECT_EQ(f.videoPid, 160);
  EXPECT_EQ(f.audioPid, 12);
  EXPECT_TRUE(f.audioPidOk);
  EXPECT_EQ(f.pcrPid, 13);
  EXPECT_EQ(f.sid, 70000 - 65536);
  EXPECT_EQ(f.tpCode, 1234);
  EXPECT_EQ(f.audioTag, "deu");
  EXPECT_EQ(f.caField, "____");
}

SdxRecord Record(const std::string& bytes) {
  SdxRecord record;
  record.Assign(bytes);
  return record;
}

TEST(ExtractFieldsTest, LaterLineFieldsSitOneColumnLeftOfTheirPosition) {
  SdxRecord record = Record("\n" + FieldLine() + "\r");
  SdxFields fields;
  ExtractFields(record, &fields);
  ExpectFieldLineValues(fields);
}

TEST(ExtractFieldsTest, FirstLineIsReadOneColumnFurtherRight) {
  std::vector<std::string> records = ReadAll(FieldLine() + "\r\n" + FieldLine() + "\r\n");
  ASSERT_EQ(records.size(), 3u);
  SdxFields first;
  SdxRecord firstRecord = Record(records[0]);
  ExtractFields(firstRecord, &first);
  EXPECT_EQ(first.streamType, "PG20");
  EXPECT_EQ(first.frequency, 0);  // "1176400." holds a trailing non-digit
  // A first line that carries one extra leading column reads like the others.
  records = ReadAll("#" + FieldLine() + "\r\n");
  SdxRecord shifted = Record(records[0]);
  ExtractFields(shifted, &first);
  ExpectFieldLineValues(first);
}

struct CutCase {
  const char* name;
  std::size_t columns;
  const char* lineEnd;
  bool inPlace;
};

class SdxRecordCutTest : public testing::TestWithParam<CutCase> {};

// A line whole in the read buffer keeps its LF and its first 127 characters:
// the 126th ends the programme name, the 127th is the record's last byte,
// and only a line of at most 126 keeps its CR. The rest of a longer line is
// passed over. Records are used in place except where a CR is put in.
TEST_P(SdxRecordCutTest, CutsLinesLongerThan126Columns) {
  const CutCase& c = GetParam();
  std::string line = FieldLine();
  line.resize(c.columns, '-');
  if (c.columns > 126) line[126] = '!';
  if (c.columns > 127) line[127] = '?';
  std::string list = std::string("SDX list") + c.lineEnd + line + c.lineEnd + "next" + c.lineEnd;
  MemoryDrive drive;
  drive.files["user.sdx"] = list;
  FileErrorState state;
  auto file = std::make_unique<InputFile>(drive, state);
  file->Open("user.sdx");
  SdxRecord record;
  SdxLineEnds lineEnds;
  ReadSdxRecord(*file, lineEnds, &record);
  std::string_view cut = ReadSdxRecord(*file, lineEnds, &record);
  EXPECT_EQ(cut, "\n" + line.substr(0, 127) + (c.columns <= 126 ? "\r" : ""));
  EXPECT_EQ(cut.data() != record.bytes, c.inPlace);
  SdxFields fields;
  SdxRecord copy = Record(std::string(cut));
  ExtractFields(copy, &fields);
  ExpectFieldLineValues(fields);
  EXPECT_EQ(ReadSdxRecord(*file, lineEnds, &record), "\nnext\r");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SdxRecordCutTest,
    testing::Values(CutCase{"CrLf126", 126, "\r\n", true}, CutCase{"CrLf127", 127, "\r\n", true},
                    CutCase{"CrLf300", 300, "\r\n", true}, CutCase{"BareLf126", 126, "\n", false},
                    CutCase{"BareLf127", 127, "\n", true}, CutCase{"BareLf300", 300, "\n", true}),
    [](const testing::TestParamInfo<CutCase>& p) { return p.param.name; });

TEST(ExtractFieldsTest, ShortRecordGivesShortAndEmptyFields) {
  std::string line = FieldLine().substr(0, 80);  // ends inside the audio PID
  SdxRecord record = Record("\n" + line + "\r");
  SdxFields f;
  ExtractFields(record, &f);
  EXPECT_EQ(f.audioPid, 0);
  EXPECT_FALSE(f.audioPidOk);  // "  1\r" fails
  EXPECT_EQ(f.programmeName.view(), "ABCDEFGH");
  EXPECT_EQ(f.caField, "");
  EXPECT_EQ(f.audioTag, "");
  EXPECT_EQ(f.sid, 0);

  // A field that starts at the record's CR holds the CR.
  SdxRecord upToTheTag = Record("\n" + FieldLine().substr(0, 101) + "\r");
  ExtractFields(upToTheTag, &f);
  EXPECT_EQ(f.audioTag, "\r");

  SdxRecord tiny = Record("\n");
  ExtractFields(tiny, &f);
  EXPECT_EQ(f.radioMarker, 0);
  EXPECT_EQ(f.tpName, "");
  EXPECT_EQ(f.programmeName.view(), "");
}

}  // namespace
}  // namespace tunewerk
