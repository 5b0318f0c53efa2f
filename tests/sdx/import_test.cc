#include "sdx/import.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/dialogue.h"
#include "app/run.h"
#include "sdx/sdx_lines.h"
#include "support/list_text.h"
#include "support/memory_drive.h"
#include "support/memory_terminal.h"
#include "support/param_name.h"

namespace tunewerk {
namespace {

Rec Tv(const std::string& videoPid, const std::string& sid = "00001") {
  Rec r;
  r.videoPid = videoPid;
  r.sid = sid;
  return r;
}
Rec Radio(const std::string& videoPid = "0000") {
  Rec r = Tv(videoPid);
  r.radio = "R";
  return r;
}
Rec OnFrequency(Rec r, const std::string& frequency) {
  r.frequency = frequency;
  return r;
}
Rec Rejected() {
  Rec r;
  r.stream = "MPG4";
  return r;
}

// Keeps every record the import hands on.
struct RecordLog : RecordSink {
  void Take(std::string_view record) override { records.emplace_back(record); }
  std::vector<std::string> records;
};

struct Import {
  MemoryDrive drive;
  FileErrorState state;
  RecordLog log;
  InputFile sdx{drive, state};
  ChannelTables tables;

  Import() {
    tables.satelliteMap[192] = 0;
    tables.satelliteMap[19] = 4;
    // "SUN" ended the section in this list, so it is not active.
    const char* excluded[] = {"KINO+   ", "OSF", "SUN     "};
    for (int i = 0; i < 3; ++i) tables.excludeList.entries[i + 1].Assign(excluded[i]);
    tables.excludeList.storedLines = 3;
  }
  void Run(const std::string& content) {
    drive.files[kSdxFileName] = content;
    ImportChannels(sdx, log, tables);
  }
  const ProgrammeEntry& Programme(int p) const { return tables.programmes[p]; }
};

std::unique_ptr<Import> ImportOf(const std::vector<Rec>& records, RunOptions options = {}) {
  auto import = std::make_unique<Import>();
  import->tables.options = options;
  import->Run(SdxFile(records));
  return import;
}

RunOptions AllOptions() {
  RunOptions options;
  options.includeScrambled = options.includeCBand = options.includeFeeds = true;
  return options;
}

struct RuleCase {
  const char* name;
  void (*edit)(Rec&);
  bool accepted;  // with no option set
  bool acceptedWithAllOptions;
};

class SelectionRuleTest : public testing::TestWithParam<RuleCase> {};

TEST_P(SelectionRuleTest, AcceptsOrRejects) {
  const RuleCase& c = GetParam();
  Rec r;
  c.edit(r);
  EXPECT_EQ(ImportOf({r})->tables.programmeCount, c.accepted ? 1 : 0);
  EXPECT_EQ(ImportOf({r}, AllOptions())->tables.programmeCount, c.acceptedWithAllOptions ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SelectionRuleTest,
    testing::Values(
        RuleCase{"FreeTv", [](Rec&) {}, true, true},
        RuleCase{"Radio", [](Rec& r) { r.radio = "R"; }, true, true},
        RuleCase{"StreamTypeOther", [](Rec& r) { r.stream = "MPG4"; }, false, false},
        RuleCase{"StreamTypeLowerCase", [](Rec& r) { r.stream = "mpg2"; }, false, false},
        RuleCase{"TestInName", [](Rec& r) { r.name = "TESTBILD"; }, false, true},
        RuleCase{"CardInsideWord", [](Rec& r) { r.name = "Discard"; }, false, true},
        RuleCase{"FeedAcrossNameParts", [](Rec& r) { r.name = "Sport FEed 1"; }, false, true},
        RuleCase{"FeedOnlyWithBlankBetween", [](Rec& r) { r.name = "Sport fe ed"; }, true, true},
        RuleCase{"Scrambled", [](Rec& r) { r.ca = "0B00"; }, false, true},
        RuleCase{"ThreeUnderscoresScrambled", [](Rec& r) { r.ca = "___ "; }, false, true},
        RuleCase{"AudioPidLeadingBlanks", [](Rec& r) { r.audioPid = "  12"; }, true, true},
        RuleCase{"AudioPidTrailingBlanks", [](Rec& r) { r.audioPid = "12  "; }, false, false},
        RuleCase{"AudioPidBlank", [](Rec& r) { r.audioPid = "    "; }, false, false},
        RuleCase{"AudioPidNegative", [](Rec& r) { r.audioPid = "-012"; }, false, false},
        RuleCase{"AudioPidLetters", [](Rec& r) { r.audioPid = "00AB"; }, false, false},
        RuleCase{"AudioPidHex", [](Rec& r) { r.audioPid = "$0AB"; }, true, true},
        RuleCase{"ProviderExcluded", [](Rec& r) { r.provider = "KINO+   "; }, false, false},
        RuleCase{"ProviderNeedsTrailingBlanks", [](Rec& r) { r.provider = "OSF     "; }, true,
                 true},
        RuleCase{"ProviderOfEndingLine", [](Rec& r) { r.provider = "SUN     "; }, true, true},
        RuleCase{"Frequency1000000IsCBand", [](Rec& r) { r.frequency = "01000000"; }, false, true},
        RuleCase{"Frequency1000001IsNot", [](Rec& r) { r.frequency = "01000001"; }, true, true},
        RuleCase{"UnreadableFrequencyIsCBand", [](Rec& r) { r.frequency = "1176400 "; }, false,
                 true},
        RuleCase{"NegativeFrequencyIsCBand", [](Rec& r) { r.frequency = "-1176400"; }, false,
                 true}),
    [](const testing::TestParamInfo<RuleCase>& param) { return param.param.name; });

struct CodeCase {
  const char* frequency;
  const char* pol;
  int code;
};

class PolBandCodeTest : public testing::TestWithParam<CodeCase> {};

TEST_P(PolBandCodeTest, FromPolarisationAndBand) {
  const CodeCase& c = GetParam();
  Rec r;
  r.frequency = c.frequency;
  r.pol = c.pol;
  auto import = ImportOf({r});
  ASSERT_EQ(import->tables.transponderCount, 1);
  EXPECT_EQ(import->tables.transponders[0].polBand, c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, PolBandCodeTest,
    testing::Values(CodeCase{"01175000", "0", 192}, CodeCase{"01175000", "1", 193},
                    CodeCase{"01175001", "0", 194}, CodeCase{"01175001", "1", 195},
                    CodeCase{"01175001", "H", 194}),
    [](const testing::TestParamInfo<CodeCase>& param) {
      return ParamName(std::string(param.param.frequency) + " pol " + param.param.pol);
    });

struct GroupCase {
  const char* name;
  std::vector<Rec> records;
  int transponders;
  std::vector<int> audioCounts;  // per programme
  std::vector<int> tpIndices;    // per programme
};

class GroupingTest : public testing::TestWithParam<GroupCase> {};

TEST_P(GroupingTest, FormsTranspondersAndProgrammes) {
  const GroupCase& c = GetParam();
  auto import = ImportOf(c.records);
  const ChannelTables& t = import->tables;
  EXPECT_EQ(t.transponderCount, c.transponders);
  std::vector<int> audioCounts, tpIndices;
  for (int p = 1; p <= t.programmeCount; ++p) {
    audioCounts.push_back(t.programmes[p].audioCount);
    tpIndices.push_back(t.programmes[p].tpIndex);
  }
  EXPECT_EQ(audioCounts, c.audioCounts);
  EXPECT_EQ(tpIndices, c.tpIndices);
  int programmesOnTransponders = 0;
  for (int i = 0; i < t.transponderCount; ++i) {
    programmesOnTransponders += t.transponders[i].radioCount + t.transponders[i].tvCount;
  }
  EXPECT_EQ(programmesOnTransponders, t.programmeCount);
  EXPECT_EQ(t.tvProgrammeCount + t.radioProgrammeCount, t.programmeCount);
}

std::vector<Rec> Repeated(const Rec& r, int count) {
  return std::vector<Rec>(count, r);
}

Rec WithPol(Rec r, const std::string& pol) {
  r.pol = pol;
  return r;
}
Rec AtPosition(Rec r, const std::string& pos) {
  r.pos = pos;
  return r;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, GroupingTest,
    testing::Values(
        GroupCase{"SameVideoPidMerges", {Tv("0101", "00001"), Tv("0101", "00002")}, 1, {2}, {0}},
        GroupCase{"RejectedRecordDoesNotSplit", {Tv("0101"), Rejected(), Tv("0101")}, 1, {2}, {0}},
        GroupCase{"OtherVideoPidStartsProgramme", {Tv("0101"), Tv("0201")}, 1, {1, 1}, {0, 0}},
        GroupCase{"ElevenStreams", Repeated(Tv("0101"), 11), 1, {10, 1}, {0, 0}},
        GroupCase{"TwelfthStreamJoinsNewProgramme", Repeated(Tv("0101"), 12), 1, {10, 2}, {0, 0}},
        GroupCase{"VideoPidZeroNeverMerges", Repeated(Tv("0000"), 2), 1, {1, 1}, {0, 0}},
        GroupCase{"RadioNeverJoins", Repeated(Radio("0101"), 2), 1, {1, 1}, {0, 0}},
        GroupCase{"TvAfterRadioNeverJoins", {Radio("0101"), Tv("0101")}, 1, {1, 1}, {0, 0}},
        GroupCase{"TransponderAgainAfterAnother",
                  {Tv("0101"), OnFrequency(Tv("0101"), "01200000"), Tv("0101")},
                  3,
                  {1, 1, 1},
                  {0, 1, 2}},
        GroupCase{"PolarisationSplits", {Tv("0101"), WithPol(Tv("0101"), "1")}, 2, {1, 1}, {0, 1}},
        GroupCase{"PositionSplits", {Tv("0101"), AtPosition(Tv("0101"), "130")}, 2, {1, 1}, {0, 1}},
        GroupCase{"RejectedFirstRecordIsNoTransponder", {Rejected(), Radio()}, 1, {1}, {0}}),
    [](const testing::TestParamInfo<GroupCase>& param) { return param.param.name; });

TEST(ImportTest, MergedProgrammeCarriesLastRecordAndAllStreams) {
  Rec first = Tv("0101", "00001");
  first.audioPid = "0102";
  first.tag = "deu";
  first.name = "Sender";
  Rec second = Tv("0101", "00002");
  second.audioPid = "0103";
  second.tag = "eng";
  second.name = "Sender 2";
  second.pcrPid = "0105";
  second.ca = "0B00";
  auto import = ImportOf({first, second}, AllOptions());
  ASSERT_EQ(import->tables.programmeCount, 1);
  const ProgrammeEntry& p = import->Programme(1);
  EXPECT_EQ(p.audioCount, 2);
  EXPECT_EQ(p.sid, 2);
  EXPECT_EQ(p.pcrPid, 0x69);
  EXPECT_EQ(p.scrambled, 255);
  EXPECT_EQ(p.audioPid[0], 102);
  EXPECT_EQ(p.audioPid[1], 103);
  EXPECT_EQ(p.audioLang[0].view(), "deu");
  EXPECT_EQ(p.audioLang[1].view(), "eng");
  EXPECT_EQ(p.displayName.view(), "Sender 2       *192 ");
  EXPECT_EQ(import->tables.tvProgrammeCount, 1);
  EXPECT_EQ(import->tables.transponders[0].tvCount, 1);
}

TEST(ImportTest, TransponderAndProgrammeFieldsFromTheRecord) {
  Rec r = Radio();
  r.symbolRate = "-0001";
  r.tpCode = "70000";
  r.tpName = "Nordsat1/12345";
  r.sid = "$6DC3";
  r.pcrPid = "$FFF";
  auto import = ImportOf({r});
  const TransponderEntry& tp = import->tables.transponders[0];
  EXPECT_EQ(tp.satNumber, 0);
  EXPECT_EQ(tp.symbolRate, 65535);
  EXPECT_EQ(tp.tpCode, 70000 - 65536);
  EXPECT_EQ(tp.frequency, 1176400);
  EXPECT_EQ(tp.tpName.view(), "Nordsat1/12345");
  EXPECT_EQ(tp.radioCount, 1);
  const ProgrammeEntry& p = import->Programme(1);
  EXPECT_EQ(p.videoPid, 0);
  EXPECT_EQ(p.sid, 0x6DC3);
  EXPECT_EQ(p.pcrPid, 0xFFF);
  EXPECT_EQ(p.scrambled, 0);
  EXPECT_EQ(p.satNumber, 0);
  EXPECT_EQ(import->tables.radioProgrammeCount, 1);
}

struct NameCase {
  const char* name;
  const char* pos;
  const char* displayName;
  int orbitalPos;
  int satNumber;
  bool feeds;
};

class DisplayNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(DisplayNameTest, BuiltFromNameAndPosition) {
  const NameCase& c = GetParam();
  Rec r;
  r.name = c.name;
  r.pos = c.pos;
  RunOptions options;
  options.includeFeeds = c.feeds;
  auto import = ImportOf({r}, options);
  ASSERT_EQ(import->tables.programmeCount, 1);
  const ProgrammeEntry& p = import->Programme(1);
  EXPECT_EQ(p.displayName.view(), c.displayName);
  EXPECT_EQ(p.orbitalPos, c.orbitalPos);
  EXPECT_EQ(p.satNumber, c.satNumber);
  EXPECT_EQ(import->tables.transponders[0].satNumber, c.satNumber);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DisplayNameTest,
    testing::Values(NameCase{"ABCDEFGHIJKLMNOPQRST", "192", "ABCDEFGHIJKLMNO 192 ", 192, 0, false},
                    NameCase{"NDF", "019", "NDF             19  ", 19, 4, false},
                    NameCase{"NDF", "  5", "NDF             5   ", 5, 27, false},
                    NameCase{"NDF", "$C0", "NDF             192 ", 192, 0, false},
                    NameCase{"NDF", "400", "NDF             400 ", 400, 27, false},
                    NameCase{"NDF", "19 ", "NDF             0   ", 0, 27, false},
                    // A feed's position is raised by 500, but not in its name.
                    NameCase{"Test Card", "192", "Test Card       192 ", 692, 0, true},
                    NameCase{"News FEED", "019", "News FEED       19  ", 519, 4, true}),
    [](const testing::TestParamInfo<NameCase>& param) {
      return ParamName(std::string(param.param.name) + " at " + param.param.pos);
    });

TEST(ImportTest, StopsAfterThe999thTransponder) {
  std::vector<Rec> records;
  for (int i = 0; i < 1000; ++i) records.push_back(OnFrequency(Tv("0101"), Number(1100000 + i, 8)));
  records.push_back(OnFrequency(Tv("0202"), Number(1100000 + 999, 8)));
  auto import = ImportOf(records);
  EXPECT_EQ(import->tables.transponderCount, 999);
  EXPECT_EQ(import->tables.programmeCount, 999);
  EXPECT_EQ(import->tables.transponders[998].frequency, 1100998);
  EXPECT_EQ(import->Programme(999).tpIndex, 998);
}

TEST(ImportTest, StopsAfterThe2999thProgramme) {
  std::vector<Rec> records;
  for (int i = 1; i <= 3005; ++i) records.push_back(Tv(Number(i, 4)));
  auto import = ImportOf(records);
  EXPECT_EQ(import->tables.transponderCount, 1);
  EXPECT_EQ(import->tables.programmeCount, 2999);
  EXPECT_EQ(import->tables.tvProgrammeCount, 2999);
  EXPECT_EQ(import->tables.transponders[0].tvCount, 2999 % 256);  // 8 bits wrap
  EXPECT_EQ(import->Programme(2999).videoPid, 2999);
}

TEST(ImportTest, CtrlZEndsTheList) {
  auto import = std::make_unique<Import>();
  import->Run(SdxFile({Tv("0101")}) + "\x1a" + SdxFile({Tv("0202")}));
  EXPECT_EQ(import->tables.programmeCount, 1);
}

TEST(ImportTest, LfOnlyListImportsLikeItsCrLfOriginal) {
  std::string lf = "SDX channel list\n" + Line(Tv("0101")) + "\n" + Line(Tv("0202")) + "\n";
  std::string crLf = "SDX channel list\r\n" + Line(Tv("0101")) + "\r\n" + Line(Tv("0202")) + "\r\n";
  auto fromLf = std::make_unique<Import>();
  fromLf->Run(lf);
  auto fromCrLf = std::make_unique<Import>();
  fromCrLf->Run(crLf);
  EXPECT_EQ(fromLf->tables.programmeCount, 2);
  EXPECT_EQ(fromLf->Programme(2).videoPid, fromCrLf->Programme(2).videoPid);
  EXPECT_EQ(fromLf->log.records, fromCrLf->log.records);
}

// Lines longer than 126 columns are cut after their 127th character. The
// name ends at column 126, so "Test" there makes a feed, while a "t" in
// column 127 never completes "Tes" to one.
TEST(ImportTest, LongLinesAreCutAfterTheir127thCharacter) {
  Rec feed = Tv("0101");
  feed.name = "Kanal Eins      Test";
  Rec kept = Tv("0202");
  kept.name = "Kanal Zwei       Tes";
  std::string list = "SDX channel list\r\n" + Line(feed) + "xyz\r\n" + Line(kept) + "t" +
                     std::string(200, 'w') + "\r\n" + Line(Radio()) + "q\r\n";
  auto import = std::make_unique<Import>();
  import->Run(list);
  EXPECT_EQ(import->tables.programmeCount, 2);
  EXPECT_EQ(import->Programme(1).videoPid, 202);
  EXPECT_EQ(import->Programme(2).videoPid, 0);
  std::vector<std::string> expected = {"SDX channel list\r", "\n" + Line(feed) + "x",
                                       "\n" + Line(kept) + "t", "\n" + Line(Radio()) + "q", "\n"};
  EXPECT_EQ(import->log.records, expected);
}

TEST(ImportTest, CrOnlyListReadsEveryLineLikeTheFirst) {
  std::string shifted;
  for (const char* pid : {"0101", "0202"}) shifted += "#" + Line(Tv(pid)) + "\r";
  auto import = std::make_unique<Import>();
  import->Run(shifted);
  EXPECT_EQ(import->tables.programmeCount, 2);
}

TEST(ImportTest, MissingListLeavesTablesEmpty) {
  auto import = std::make_unique<Import>();
  import->tables.programmeCount = 5;
  ImportChannels(import->sdx, import->log, import->tables);
  EXPECT_TRUE(import->state.failed());
  EXPECT_EQ(import->tables.programmeCount, 0);
  EXPECT_EQ(import->tables.transponderCount, 0);
}

// Rejected records are shown too, and so is the LF after the last CR.
TEST(ImportTest, HandsOnEveryRecordAsRead) {
  Rec accepted = Tv("0101");
  auto import = ImportOf({accepted, Rejected()});
  std::vector<std::string> expected = {"SDX channel list\r", "\n" + Line(accepted) + "\r",
                                       "\n" + Line(Rejected()) + "\r", "\n"};
  EXPECT_EQ(import->log.records, expected);
  EXPECT_EQ(import->tables.programmeCount, 1);
}

// The echo as it was before records were held: every one drawn.
struct DrawnEcho : RecordSink {
  explicit DrawnEcho(Console& shown) : console(shown) {}
  void Take(std::string_view record) override {
    console.MoveCursor(1, 12);
    console.WriteText(record);
  }
  Console& console;
};

// Redirected, or live with a redraw due at every record: then it keeps what
// each redraw showed, the cursor too.
class PictureTerminal : public MemoryTerminal {
 public:
  PictureTerminal(int width, int height, bool live)
      : MemoryTerminal("", width, height), live_(live) {}
  bool RedrawDue() override { return live_; }
  void Refresh(const Screen& screen, Redraw) override {
    if (!live_) return;
    pictures.push_back(RenderTranscript(screen) + std::to_string(screen.cursorColumn()) + "," +
                       std::to_string(screen.cursorRow()));
  }
  std::vector<std::string> pictures;

 private:
  bool live_;
};

// `count` lines of the lengths in turn, each ended by `lineEnd`.
std::string Lines(int count, const std::vector<std::size_t>& lengths,
                  const char* lineEnd = "\r\n") {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += std::string(lengths[i % lengths.size()], static_cast<char>('a' + i % 26)) + lineEnd;
  }
  return text;
}

// Lines up to 140 columns, some with an LF, BS, BEL, tab or byte 0 in them.
std::string SeededLines(int count) {
  std::mt19937 random(28);
  const char controls[] = {'\n', '\b', '\a', '\t', '\0'};
  std::string text;
  for (int i = 0; i < count; ++i) {
    std::string line(random() % 141, static_cast<char>('a' + i % 26));
    if (!line.empty() && random() % 3 == 0) line[random() % line.size()] = controls[random() % 5];
    text += line + "\r\n";
  }
  return text;
}

struct ScrollingListCase {
  const char* name;
  int width;
  int height;
  std::string list;
};

class HeldRecordEchoTest : public testing::TestWithParam<ScrollingListCase> {};

TEST_P(HeldRecordEchoTest, ScreenAndTranscriptAsWhenEveryEchoIsDrawn) {
  const ScrollingListCase& c = GetParam();
  for (bool live : {false, true}) {
    std::vector<std::string> shown[2];
    for (int drawn = 0; drawn < 2; ++drawn) {
      auto import = std::make_unique<Import>();
      PictureTerminal terminal(c.width, c.height, live);
      Console console(terminal, import->state);
      RecordEcho heldEcho(console);
      DrawnEcho drawnEcho(console);
      import->drive.files[kSdxFileName] = c.list;
      ImportChannels(import->sdx, drawn ? static_cast<RecordSink&>(drawnEcho) : heldEcho,
                     import->tables);
      console.MoveCursor(1, 15);
      console.WriteLine("...complete.");
      console.Finish();
      shown[drawn] = terminal.pictures;
      shown[drawn].push_back(terminal.transcript);
    }
    EXPECT_TRUE(shown[0] == shown[1]) << (live ? "live" : "redirected");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, HeldRecordEchoTest,
    testing::Values(
        ScrollingListCase{"ShorterAndCutLines", 80, 25, Lines(50, {126, 40, 200, 100, 127})},
        ScrollingListCase{
            "LineFeedsInsideLines", 80, 25,
            Lines(5, {126}) + "abc\ndef\n\n\n\n\n\n\n\n\n\n\n\n\n\nghi\r\n" + Lines(5, {60})},
        ScrollingListCase{"LinesLongerThanTheRowsBelow", 40, 14, Lines(20, {126, 30, 58, 59})},
        ScrollingListCase{"WrapAtTheLastColumnOfTheLastRow", 63, 14, Lines(20, {124, 126, 125, 3})},
        ScrollingListCase{"CursorMoveOffTheScreen", 30, 10, Lines(20, {20, 45, 5})},
        ScrollingListCase{"CtrlZInALine", 80, 25,
                          Lines(10, {126}) +
                              "abc\x1a"
                              "def\r\n" +
                              Lines(3, {126})},
        ScrollingListCase{"ShortLinesWithControlBytes", 80, 25,
                          Lines(3, {126}) + "ab\bd\r\nxyz\r\n"},
        ScrollingListCase{"BareLineFeeds", 80, 25, Lines(20, {126, 50, 130}, "\n")},
        ScrollingListCase{"SeededControlBytes", 80, 25, SeededLines(400)},
        ScrollingListCase{"SeededControlBytesOnASmallScreen", 33, 15, SeededLines(400)},
        ScrollingListCase{"LinesOfOneLengthWithControlBytes", 80, 25,
                          WithControlBytes(Lines(400, {126, 126, 126, 132, 132}))},
        ScrollingListCase{"LinesOfOneLengthOnASmallScreen", 63, 14,
                          WithControlBytes(Lines(400, {124, 124, 125, 125, 126, 126}))},
        ScrollingListCase{"LongerThanTheReadBuffer", 80, 25,
                          Lines(3000, {126, 20, 132, 90}) + "x\ny\r\n" + Lines(2000, {126, 40})}),
    [](const testing::TestParamInfo<ScrollingListCase>& param) { return param.param.name; });

// Rows 12 to 15 of the console after a whole run on a small list.
TEST(ImportRunTest, ConsoleShowsTheLastRecordAndCompletion) {
  MemoryDrive drive;
  std::string ini = "[Tunewerk]\r\nEXCLUDE\r\nKINO+   \r\nEND\r\nASTRA\r\n";
  for (int s = 0; s < 27; ++s) ini += std::to_string(s == 0 ? 192 : s) + "\r\nSat\r\n";
  drive.files["vaz3er.ini"] = ini;
  Rec last = Radio();
  last.name = "Bayern 3 Radio";
  drive.files["user.sdx"] = SdxFile({Tv("0101"), Tv("0101"), last});
  drive.files["3ci.drc"] = std::string(27012, '\0');
  MemoryTerminal terminal("n\nn\nn\nn\n");
  std::string error;
  RunTunewerk(drive, terminal, &error, {.stops = &TestStops()});
  std::vector<std::string> rows;
  std::size_t start = 0;
  for (std::size_t end; (end = terminal.transcript.find('\n', start)) != std::string::npos;
       start = end + 1) {
    rows.push_back(terminal.transcript.substr(start, end - start));
  }
  ASSERT_GE(rows.size(), 15u);
  std::string line = Line(last);
  EXPECT_EQ(rows[10], "INI ok. Now processing SDX-data:");
  EXPECT_EQ(rows[11], "SDX channel list");
  EXPECT_EQ(rows[12], line.substr(0, 80));
  EXPECT_EQ(rows[13] + std::string(126 - 80 - rows[13].size(), ' '), line.substr(80));
  EXPECT_EQ(rows[14], "...complete.");
}

}  // namespace
}  // namespace tunewerk
