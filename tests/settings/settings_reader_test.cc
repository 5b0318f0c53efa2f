#include "settings/settings_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/memory_drive.h"

namespace tunewerk {
namespace {

// Satellite s lists position s * 13 (0..338) unless a test says otherwise.
std::uint16_t DefaultPosition(int satellite) {
  return static_cast<std::uint16_t>(satellite * 13);
}

std::string Lines(const std::vector<std::string>& lines, const std::string& end = "\n") {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

std::vector<std::string> SatelliteLines() {
  std::vector<std::string> lines = {"ASTRA"};
  for (int s = 0; s < 27; ++s) {
    lines.push_back(std::to_string(DefaultPosition(s)));
    lines.push_back("Satellite " + std::to_string(s));
  }
  return lines;
}

// A file with the given exclusion section and the default satellites.
std::string SettingsFile(const std::vector<std::string>& exclusion, const std::string& end = "\n") {
  std::vector<std::string> lines = {"; preamble", "EXCLUDE"};
  lines.insert(lines.end(), exclusion.begin(), exclusion.end());
  lines.push_back("gap");
  std::vector<std::string> satellites = SatelliteLines();
  lines.insert(lines.end(), satellites.begin(), satellites.end());
  return Lines(lines, end);
}

// An empty exclusion section, then `satellites` (which start with "ASTRA").
std::string WithSatelliteLines(const std::vector<std::string>& satellites) {
  return Lines({"EXCLUDE", "END"}) + Lines(satellites);
}

struct SettingsRun {
  MemoryDrive drive;
  FileErrorState state;
  InputFile file{drive, state};
  ChannelTables tables;

  explicit SettingsRun(const std::string& content, bool present = true) {
    if (present) drive.files[kSettingsFileName] = content;
    ReadSettings(file, tables);
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> entries;
    for (int i = 1; i <= tables.excludeList.storedLines; ++i) {
      entries.emplace_back(tables.excludeList.entries[i].view());
    }
    return entries;
  }
};

std::vector<std::string> Providers(int count) {
  std::vector<std::string> lines;
  for (int i = 1; i <= count; ++i) lines.push_back("Prov" + std::to_string(i));
  return lines;
}

TEST(SettingsReaderTest, CrLfAndLfFilesGiveTheSameTables) {
  std::vector<std::string> exclusion = {"KINO+   ", "NDF", "END"};
  auto lf = std::make_unique<SettingsRun>(SettingsFile(exclusion, "\n"));
  auto crlf = std::make_unique<SettingsRun>(SettingsFile(exclusion, "\r\n"));
  for (SettingsRun* run : {lf.get(), crlf.get()}) {
    EXPECT_FALSE(run->state.failed()) << run->state.message();
    EXPECT_EQ(run->Entries(), exclusion);
    for (int s = 0; s < 27; ++s) EXPECT_EQ(run->tables.satelliteMap[DefaultPosition(s)], s);
    // Every position the file does not list keeps the number of the unlisted.
    const std::uint8_t* map = run->tables.satelliteMap;
    EXPECT_EQ(std::count(map, map + kSatellitePositions, kUnlistedSatellite),
              kSatellitePositions - 27);
  }
}

struct ExclusionCase {
  const char* name;
  std::vector<std::string> lines;  // after "EXCLUDE"
  std::uint8_t storedLines;
  std::string lastStored;
};

class ExclusionSectionTest : public testing::TestWithParam<ExclusionCase> {};

TEST_P(ExclusionSectionTest, StoresLinesUpToEndOr50) {
  const ExclusionCase& c = GetParam();
  auto run = std::make_unique<SettingsRun>(SettingsFile(c.lines));
  ASSERT_FALSE(run->state.failed()) << run->state.message();
  EXPECT_EQ(run->tables.excludeList.storedLines, c.storedLines);
  EXPECT_EQ(run->Entries().back(), c.lastStored);
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

INSTANTIATE_TEST_SUITE_P(
    Sections, ExclusionSectionTest,
    testing::Values(
        ExclusionCase{"EndAtOnce", {"END"}, 1, "END"},
        ExclusionCase{"FortyNineProvidersThenEnd", Concat(Providers(49), {"END"}), 50, "END"},
        ExclusionCase{"FiftyProvidersWithoutEnd", Providers(50), 50, "Prov50"},
        // The 51st line is "END": the search for ASTRA passes over it.
        ExclusionCase{"EndAfterFiftyIsSkipped", Concat(Providers(50), {"END"}), 50, "Prov50"},
        ExclusionCase{"LineStartingWithEndIsAProvider", {"ENDE", "END"}, 2, "END"},
        ExclusionCase{"EndWithBlankIsAProvider", {"END ", "END"}, 2, "END"},
        ExclusionCase{"LowerCaseEndIsAProvider", {"end", "END"}, 2, "END"}),
    [](const testing::TestParamInfo<ExclusionCase>& param) { return param.param.name; });

TEST(SettingsReaderTest, ProviderLinesAreCutButNotTrimmed) {
  auto run = std::make_unique<SettingsRun>(SettingsFile({"ABCDEFGHIJ", " ndf  ", "END"}));
  EXPECT_EQ(run->Entries(), (std::vector<std::string>{"ABCDEFGH", " ndf  ", "END"}));
}

struct NumberCase {
  const char* name;
  std::string numberLine;  // satellite 0's number line, followed by its name line
  std::uint16_t position;
};

class NumberLineTest : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberLineTest, GivesThePosition) {
  const NumberCase& c = GetParam();
  std::vector<std::string> lines = SatelliteLines();
  lines[1] = c.numberLine;
  auto run = std::make_unique<SettingsRun>(Lines({"EXCLUDE", "END"}) + Lines(lines));
  ASSERT_FALSE(run->state.failed()) << run->state.message();
  EXPECT_EQ(run->tables.satelliteMap[c.position], 0);
  EXPECT_EQ(run->tables.satelliteMap[DefaultPosition(1)], 1);  // the next pair still lines up
}

INSTANTIATE_TEST_SUITE_P(
    Lines, NumberLineTest,
    testing::Values(NumberCase{"Plain", "192", 192}, NumberCase{"LeadingBlanks", "   192", 192},
                    NumberCase{"LeadingTab", "\t192", 192}, NumberCase{"Plus", "+192", 192},
                    NumberCase{"NameAfter", "192 Nord 1", 192},
                    NumberCase{"LeadingZero", "0192", 192}, NumberCase{"DecimalPoint", "19.2", 19},
                    NumberCase{"EmptyLinesBefore", "\n\n\r\n192", 192},
                    NumberCase{"HeldIn16Bits", "65728", 192},
                    NumberCase{"ManyDigits", "0000000000000000000359", 359},
                    NumberCase{"Zero", "0", 0}),
    [](const testing::TestParamInfo<NumberCase>& param) { return param.param.name; });

struct FailureCase {
  const char* name;
  std::string content;
  std::string message;
};

class SettingsFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(SettingsFailureTest, EntersTheErrorStateWithWordsForTheUser) {
  const FailureCase& c = GetParam();
  auto run = std::make_unique<SettingsRun>(c.content);
  EXPECT_TRUE(run->state.failed());
  EXPECT_EQ(run->state.message(), c.message);
}

std::vector<std::string> SatellitesWith(int index, const std::string& line) {
  std::vector<std::string> lines = SatelliteLines();
  lines[static_cast<std::size_t>(index)] = line;
  return lines;
}

std::vector<std::string> SatellitesCutAfter(std::size_t count) {
  std::vector<std::string> lines = SatelliteLines();
  lines.resize(count);
  return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsFailureTest,
    testing::Values(
        FailureCase{"EmptyFile", "", "vaz3er.ini: no line \"EXCLUDE\" found"},
        FailureCase{"ExcludeInLowerCase", Lines({"exclude", "END"}) + Lines(SatelliteLines()),
                    "vaz3er.ini: no line \"EXCLUDE\" found"},
        FailureCase{"ExcludeWithTrailingBlank",
                    Lines({"EXCLUDE ", "END"}) + Lines(SatelliteLines()),
                    "vaz3er.ini: no line \"EXCLUDE\" found"},
        FailureCase{"AstraMissing", Lines({"EXCLUDE", "END", "astra", " ASTRA", "192", "x"}),
                    "vaz3er.ini: no line \"ASTRA\" found"},
        // The exclusion section runs off the end: 50 empty entries, then no ASTRA.
        FailureCase{"EndMissing", Lines({"EXCLUDE", "NDF"}), "vaz3er.ini: no line \"ASTRA\" found"},
        FailureCase{"EndOfFileByteBeforeAstra",
                    Lines({"EXCLUDE", "END"}) + "\x1a" + Lines(SatelliteLines()),
                    "vaz3er.ini: no line \"ASTRA\" found"},
        FailureCase{"MinusSign", WithSatelliteLines(SatellitesWith(1, "-192")),
                    "vaz3er.ini: satellite 1: a position number was expected"},
        FailureCase{"BlankAfterPlus", WithSatelliteLines(SatellitesWith(9, "+ 192")),
                    "vaz3er.ini: satellite 5: a position number was expected"},
        FailureCase{"TextForNumber", WithSatelliteLines(SatellitesWith(5, "Sunbird")),
                    "vaz3er.ini: satellite 3: a position number was expected"},
        // An empty line after a number line is its ignored line, so the name
        // line stands where the next number belongs.
        FailureCase{"EmptyLineShiftsPairs",
                    Lines({"EXCLUDE", "END", "ASTRA", "192", "", "Astra 1", "130", "Sunbird"}),
                    "vaz3er.ini: satellite 2: a position number was expected"},
        FailureCase{"EndsBeforeLastNumber", WithSatelliteLines(SatellitesCutAfter(52)),
                    "vaz3er.ini: satellite 27: a position number was expected"},
        FailureCase{"EndOfFileByteBeforeNumber",
                    Lines({"EXCLUDE", "END", "ASTRA", "192", "A"}) + "\x1a" + "130\n",
                    "vaz3er.ini: satellite 2: a position number was expected"},
        FailureCase{"PositionAbove359", WithSatelliteLines(SatellitesWith(5, "400")),
                    "vaz3er.ini: satellite 3: position 400 is above 359"},
        FailureCase{"PositionAbove359AfterWrap", WithSatelliteLines(SatellitesWith(1, "65896")),
                    "vaz3er.ini: satellite 1: position 360 is above 359"}),
    [](const testing::TestParamInfo<FailureCase>& param) { return param.param.name; });

TEST(SettingsReaderTest, MissingFileNamesTheFile) {
  auto run = std::make_unique<SettingsRun>("", false);
  EXPECT_TRUE(run->state.failed());
  EXPECT_NE(run->state.message().find("vaz3er.ini"), std::string::npos);
}

TEST(SettingsReaderTest, LastNameLineMayBeMissing) {
  auto run = std::make_unique<SettingsRun>(WithSatelliteLines(SatellitesCutAfter(54)));
  EXPECT_FALSE(run->state.failed()) << run->state.message();
  EXPECT_EQ(run->tables.satelliteMap[DefaultPosition(26)], 26);
}

TEST(SettingsReaderTest, LastLineWithoutLineEndIsFound) {
  // "EXCLUDE" is found although no LF follows; what comes after is empty.
  auto run = std::make_unique<SettingsRun>("EXCLUDE");
  EXPECT_EQ(run->state.message(), "vaz3er.ini: no line \"ASTRA\" found");
  EXPECT_EQ(run->tables.excludeList.storedLines, 50);
}

TEST(SettingsReaderTest, LaterSatelliteWinsASharedPosition) {
  std::vector<std::string> lines = SatelliteLines();
  lines[3] = "192";  // satellite 1
  lines[7] = "192";  // satellite 3
  auto run = std::make_unique<SettingsRun>(WithSatelliteLines(lines));
  EXPECT_EQ(run->tables.satelliteMap[192], 3);
}

struct LineCase {
  const char* name;
  std::string content;
  std::vector<std::string> lines;  // the first lines read
};

class SettingsLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(SettingsLineTest, ReadsLines) {
  const LineCase& c = GetParam();
  MemoryDrive drive;
  drive.files["f"] = c.content;
  FileErrorState state;
  auto file = std::make_unique<InputFile>(drive, state);
  file->Open("f");
  SettingsLine line;
  for (const std::string& expected : c.lines) {
    ReadSettingsLine(*file, &line);
    EXPECT_EQ(std::string(line.view()), expected);
  }
  EXPECT_FALSE(state.failed());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SettingsLineTest,
    testing::Values(LineCase{"OneReturnDropped", "a\r\r\nb\r\n", {"a\r", "b", ""}},
                    LineCase{"ReturnWithoutFeedKept", "a\rb\r", {"a\rb\r", ""}},
                    LineCase{"LongLineCutRestSkipped",
                             std::string(130, 'x') + "\nnext\n",
                             {std::string(128, 'x'), "next"}},
                    LineCase{"ReturnBeyondLimitNotStored",
                             std::string(128, 'x') + "\r\nnext\n",
                             {std::string(128, 'x'), "next"}},
                    LineCase{"ReturnAtLimitDropped",
                             std::string(127, 'x') + "\r\nnext\n",
                             {std::string(127, 'x'), "next"}},
                    LineCase{"EndOfFileByteEndsTheFile",
                             "a\x1a"
                             "b\nc\n",
                             {"a", "", ""}}),
    [](const testing::TestParamInfo<LineCase>& param) { return param.param.name; });

}  // namespace
}  // namespace tunewerk
