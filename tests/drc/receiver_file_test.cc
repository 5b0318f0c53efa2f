#include "drc/receiver_file.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>

#include "io/file_error_state.h"
#include "io/files.h"
#include "model/channel_tables.h"
#include "support/memory_drive.h"
#include "support/param_name.h"
#include "support/written_file.h"

namespace tunewerk {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes.push_back(static_cast<char>(value));
  return bytes;
}

std::string Written(const std::function<void(OutputFile&)>& write) {
  return WrittenFile("user.drc", write);
}

struct WriterCase {
  const char* name;
  std::function<void(OutputFile&)> write;
  std::string expected;
};

class ByteWriterTest : public testing::TestWithParam<WriterCase> {};

TEST_P(ByteWriterTest, BigEndianLowBits) {
  EXPECT_EQ(Written(GetParam().write), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ByteWriterTest,
    testing::Values(
        WriterCase{"byte keeps low 8 bits", [](OutputFile& o) { WriteLowByte(o, 0x1FF); },
                   Bytes({0xFF})},
        WriterCase{"word high byte first", [](OutputFile& o) { WriteBigEndianWord(o, 0x1234); },
                   Bytes({0x12, 0x34})},
        WriterCase{"word keeps low 16 bits", [](OutputFile& o) { WriteBigEndianWord(o, 0x12345); },
                   Bytes({0x23, 0x45})},
        WriterCase{"long section marker", [](OutputFile& o) { WriteBigEndianLong(o, 16777215); },
                   Bytes({0x00, 0xFF, 0xFF, 0xFF})},
        WriterCase{"long 1,197,000", [](OutputFile& o) { WriteBigEndianLong(o, 1197000); },
                   Bytes({0x00, 0x12, 0x43, 0xC8})},
        WriterCase{"long largest", [](OutputFile& o) { WriteBigEndianLong(o, 4294967295); },
                   Bytes({0xFF, 0xFF, 0xFF, 0xFF})},
        WriterCase{"negative long two's complement",
                   [](OutputFile& o) { WriteBigEndianLong(o, -100); },
                   Bytes({0xFF, 0xFF, 0xFF, 0x9C})},
        WriterCase{"negative largest magnitude",
                   [](OutputFile& o) { WriteBigEndianLong(o, -2147483648LL); },
                   Bytes({0x80, 0x00, 0x00, 0x00})}),
    NameField());

TransponderEntry SampleTransponder() {
  TransponderEntry t;
  t.satNumber = 3;
  t.polBand = 195;
  t.tpCode = 1057;
  t.frequency = 1197000;
  t.symbolRate = 27500;
  t.tvCount = 5;
  t.radioCount = 2;
  t.tpName.Assign("SAMPLE TP NAME");
  return t;
}

TEST(ReceiverFileTest, TransponderRecordLayout) {
  std::string record =
      Written([](OutputFile& o) { WriteTransponderRecord(o, SampleTransponder()); });
  std::string expected = Bytes({3,    195,  0,    0,    0x04, 0x21, 0,    0,     //
                                0x00, 0x10, 0x2C, 0xA0, 0x00, 0x12, 0x43, 0xC8,  //
                                0x00, 0x29, 0xF6, 0x30, 0x00, 0x12, 0x43, 0xC8,  //
                                0x00, 0x29, 0xF6, 0x30, 7,    5,    2,    1}) +
                         "SAMPLE TP NAME";
  EXPECT_EQ(record, expected);
}

struct OscillatorCase {
  const char* name;
  std::int32_t frequency;
  std::uint8_t tvCount;
  std::uint8_t radioCount;
  std::string oscillatorAndFrequency;  // offsets 8..15
  std::string counts;                  // offsets 28..30
};

class TransponderOscillatorTest : public testing::TestWithParam<OscillatorCase> {};

TEST_P(TransponderOscillatorTest, FrequencyAndCounts) {
  const OscillatorCase& c = GetParam();
  TransponderEntry t = SampleTransponder();
  t.frequency = c.frequency;
  t.tvCount = c.tvCount;
  t.radioCount = c.radioCount;
  std::string record = Written([&](OutputFile& o) { WriteTransponderRecord(o, t); });
  ASSERT_EQ(record.size(), kTransponderRecordSize);
  EXPECT_EQ(record.substr(kTpOscillatorOffset, 8), c.oscillatorAndFrequency);
  EXPECT_EQ(record.substr(kTpFrequencyAgainOffset, 4), record.substr(kTpFrequencyOffset, 4));
  EXPECT_EQ(record.substr(kTpTotalCountOffset, 3), c.counts);
}

INSTANTIATE_TEST_SUITE_P(
    Transponders, TransponderOscillatorTest,
    testing::Values(
        OscillatorCase{"low band", 1172250, 5, 2,
                       Bytes({0x00, 0x0E, 0xE0, 0x98, 0x00, 0x11, 0xE3, 0x1A}), Bytes({7, 5, 2})},
        OscillatorCase{"band edge is low", 1175000, 0, 1,
                       Bytes({0x00, 0x0E, 0xE0, 0x98, 0x00, 0x11, 0xED, 0xD8}), Bytes({1, 0, 1})},
        OscillatorCase{"just above edge is high", 1175001, 1, 0,
                       Bytes({0x00, 0x10, 0x2C, 0xA0, 0x00, 0x11, 0xED, 0xD9}), Bytes({1, 1, 0})},
        OscillatorCase{"C band uses the low oscillator", 400000, 0, 0,
                       Bytes({0x00, 0x0E, 0xE0, 0x98, 0x00, 0x06, 0x1A, 0x80}), Bytes({0, 0, 0})},
        OscillatorCase{"negative frequency", -5, 0, 0,
                       Bytes({0x00, 0x0E, 0xE0, 0x98, 0xFF, 0xFF, 0xFF, 0xFB}), Bytes({0, 0, 0})},
        OscillatorCase{"count sum modulo 256", 1197000, 200, 100,
                       Bytes({0x00, 0x10, 0x2C, 0xA0, 0x00, 0x12, 0x43, 0xC8}),
                       Bytes({44, 200, 100})},
        OscillatorCase{"count sum 510", 1197000, 255, 255,
                       Bytes({0x00, 0x10, 0x2C, 0xA0, 0x00, 0x12, 0x43, 0xC8}),
                       Bytes({254, 255, 255})}),
    NameField());

TEST(ReceiverFileTest, SymbolRateTimesHundred) {
  TransponderEntry t = SampleTransponder();
  t.symbolRate = 65535;  // "-0001" in the list
  std::string record = Written([&](OutputFile& o) { WriteTransponderRecord(o, t); });
  EXPECT_EQ(record.substr(kTpSymbolRateOffset, 4), Bytes({0x00, 0x63, 0xFF, 0x9C}));  // 6,553,500
  EXPECT_EQ(record.substr(kTpSymbolRateAgainOffset, 4), record.substr(kTpSymbolRateOffset, 4));
}

TEST(ReceiverFileTest, ShortTransponderNameIsFilledWithBlanks) {
  TransponderEntry t = SampleTransponder();
  t.tpName.Assign("AB\r");
  std::string record = Written([&](OutputFile& o) { WriteTransponderRecord(o, t); });
  ASSERT_EQ(record.size(), kTransponderRecordSize);
  EXPECT_EQ(record.substr(kTpNameOffset), "AB\r           ");
}

ProgrammeEntry SampleProgramme(int streams) {
  ProgrammeEntry p;
  p.tpIndex = 998;
  p.sid = 28006;
  p.scrambled = 255;
  p.pcrPid = 255;
  p.videoPid = 511;
  p.audioCount = static_cast<std::uint8_t>(streams);
  for (int k = 0; k < streams; ++k) {
    p.audioPid[k] = static_cast<std::uint16_t>(0x100 + k);
    p.audioLang[k].Assign(std::string("l") + static_cast<char>('a' + k) + "x");
  }
  p.displayName.Assign("Sample Channel  192 ");
  return p;
}

struct StreamsCase {
  const char* name;
  int streams;
  const char* tags;
};

class ProgrammeRecordTest : public testing::TestWithParam<StreamsCase> {};

TEST_P(ProgrammeRecordTest, Layout) {
  const StreamsCase& c = GetParam();
  std::string record =
      Written([&](OutputFile& o) { WriteProgrammeRecord(o, SampleProgramme(c.streams)); });
  ASSERT_EQ(record.size(), kProgrammeRecordSize);
  EXPECT_EQ(record.substr(0, 14),
            Bytes({0x03, 0xE6, 0, 0, 0x6D, 0x66, 255, 0, c.streams, 0, 0x00, 0xFF, 0x01, 0xFF}));
  std::string pids;
  for (int k = 0; k < c.streams; ++k) pids += Bytes({0x01, k});
  pids += std::string(2 * (20 - c.streams), '\0');
  EXPECT_EQ(record.substr(kProgAudioPidsOffset, 40), pids);
  EXPECT_EQ(record.substr(kProgDisplayNameOffset, 20), "Sample Channel  192 ");
  std::string tags = std::string(c.tags) + std::string(6 * (10 - c.streams), '\0');
  EXPECT_EQ(record.substr(kProgAudioTagsOffset), tags);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, ProgrammeRecordTest,
    testing::Values(StreamsCase{"one stream", 1, "laxlax"},
                    StreamsCase{"three streams", 3, "laxlaxlbxlbxlcxlcx"},
                    StreamsCase{"ten streams", 10,
                                "laxlaxlbxlbxlcxlcxldxldxlexlexlfxlfxlgxlgxlhxlhxlixlixljxljx"}),
    NameField());

TEST(ReceiverFileTest, ShortProgrammeTextsAreFilledWithBlanks) {
  ProgrammeEntry p = SampleProgramme(2);
  p.displayName.Assign("Short");
  p.audioLang[0].Assign("de");
  p.audioLang[1].Clear();
  std::string record = Written([&](OutputFile& o) { WriteProgrammeRecord(o, p); });
  ASSERT_EQ(record.size(), kProgrammeRecordSize);
  EXPECT_EQ(record.substr(kProgDisplayNameOffset, 20), "Short               ");
  EXPECT_EQ(record.substr(kProgAudioTagsOffset, 12), "de de       ");
  EXPECT_EQ(record.substr(86), std::string(48, '\0'));
}

// An old file with the bytes 10, 13 and 26 at its start, middle and end.
std::string OldFile(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + 3) % 256);
  for (std::size_t at : {std::size_t{0}, size / 2, size - 3}) {
    if (size < 3 || at > size - 3) continue;
    bytes[at] = 10;
    bytes[at + 1] = 13;
    bytes[at + 2] = 26;
  }
  return bytes;
}

// The header is the old file's first 27,012 bytes; an old file that ends
// before them fails, naming its size.
TEST(ReceiverFileTest, HeaderIsCopiedOrAShortOldFileFails) {
  struct Case {
    std::size_t size;
    const char* failure;  // "" when the copy succeeds
  } cases[] = {
      {0, "cannot copy the receiver's settings from 3ci.drc: it has 0 bytes, 27,012 are needed"},
      {1, "cannot copy the receiver's settings from 3ci.drc: it has 1 byte, 27,012 are needed"},
      {100,
       "cannot copy the receiver's settings from 3ci.drc: it has 100 bytes, 27,012 are needed"},
      {27011,
       "cannot copy the receiver's settings from 3ci.drc: it has 27,011 bytes, 27,012 are needed"},
      {27012, ""},
      {27013, ""},
      {70000, ""},  // more than one read buffer
  };
  for (const Case& c : cases) {
    MemoryDrive drive;
    drive.files["3ci.drc"] = OldFile(c.size);
    FileErrorState state;
    InputFile old(drive, state);
    OutputFile out(drive, TestStops(), state);
    out.Create("user.drc");
    old.Open("3ci.drc");
    CopyReceiverHeader(old, out);
    out.Close();
    out.Commit();
    EXPECT_EQ(state.message(), c.failure) << c.size;
    if (*c.failure == 0) {
      EXPECT_EQ(drive.files["user.drc"], OldFile(c.size).substr(0, kHeaderSize));
    }
  }
}

// Writes a whole receiver file the way the output phase does.
std::string WholeFile(const ChannelTables& tables, const std::string& oldFile) {
  MemoryDrive drive;
  drive.files["3ci.drc"] = oldFile;
  FileErrorState state;
  InputFile old(drive, state);
  OutputFile out(drive, TestStops(), state);
  out.Create("user.drc");
  old.Open("3ci.drc");
  CopyReceiverHeader(old, out);
  WriteTransponderSectionStart(out, tables.transponderCount);
  for (int i = 0; i < tables.transponderCount; ++i) {
    WriteTransponderRecord(out, tables.transponders[i]);
  }
  WriteEmptyTransponderSlots(out, tables.transponderCount);
  WriteProgrammeSectionStart(out, tables);
  for (int p = 1; p <= tables.programmeCount; ++p) WriteProgrammeRecord(out, tables.programmes[p]);
  WriteZeroFill(out, tables.programmeCount);
  out.Close();
  out.Commit();
  EXPECT_FALSE(state.failed()) << state.message();
  return drive.files["user.drc"];
}

std::uint32_t WordAt(const std::string& file, std::size_t offset) {
  return static_cast<std::uint8_t>(file[offset]) << 8 | static_cast<std::uint8_t>(file[offset + 1]);
}

struct CountsCase {
  const char* name;
  std::uint16_t transponders;
  std::uint16_t tv;
  std::uint16_t radio;
};

class ReceiverFileLayoutTest : public testing::TestWithParam<CountsCase> {};

// The section offsets are written out here as numbers: they check the named ones.
TEST_P(ReceiverFileLayoutTest, FixedSizeAndSectionsForAnyCounts) {
  const CountsCase& c = GetParam();
  auto tables = std::make_unique<ChannelTables>();
  tables->transponderCount = c.transponders;
  for (int i = 0; i < c.transponders; ++i) tables->transponders[i] = SampleTransponder();
  tables->programmeCount = static_cast<std::uint16_t>(c.tv + c.radio);
  tables->tvProgrammeCount = c.tv;
  tables->radioProgrammeCount = c.radio;
  for (int p = 1; p <= tables->programmeCount; ++p) {
    tables->programmes[p] = SampleProgramme(p % 10 + 1);
    tables->programmes[p].sid = static_cast<std::uint16_t>(p);
  }
  int n = tables->programmeCount;

  std::string file = WholeFile(*tables, std::string(27012, '\x1A'));
  ASSERT_EQ(file.size(), 475029u);
  EXPECT_EQ(file.substr(0, 27012), std::string(27012, '\x1A'));
  EXPECT_EQ(file.substr(27012, 4), Bytes({0, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(WordAt(file, 27016), c.transponders);
  std::size_t emptySlots = 27018 + c.transponders * kTransponderRecordSize;
  if (c.transponders > 0) {
    std::string sample =
        Written([](OutputFile& o) { WriteTransponderRecord(o, SampleTransponder()); });
    EXPECT_EQ(file.substr(emptySlots - kTransponderRecordSize, 32), sample.substr(0, 32));
  }
  EXPECT_EQ(file.substr(emptySlots, 73018 - emptySlots), std::string(73018 - emptySlots, '\0'));
  EXPECT_EQ(file.substr(73018, 4), Bytes({0, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(WordAt(file, 73022), n);
  EXPECT_EQ(WordAt(file, 73024), c.tv);
  EXPECT_EQ(WordAt(file, 73026), c.radio);
  if (n > 0) {
    std::size_t last = 73028 + (n - 1) * kProgrammeRecordSize;
    EXPECT_EQ(WordAt(file, last + kProgSidOffset), n) << "the last programme in its slot";
  }
  std::size_t fill = 73028 + n * kProgrammeRecordSize;
  EXPECT_EQ(file.substr(fill), std::string(475029 - fill, '\0'));
}

INSTANTIATE_TEST_SUITE_P(Counts, ReceiverFileLayoutTest,
                         testing::Values(CountsCase{"empty tables", 0, 0, 0},
                                         CountsCase{"one of each", 1, 1, 0},
                                         CountsCase{"full transponders one radio", 999, 0, 1},
                                         CountsCase{"both tables full", 999, 2000, 999},
                                         CountsCase{"a few", 3, 1, 2}),
                         NameField());

// The names the tests and readers of the file use, against the numbers the
// receiver documents.
TEST(ReceiverFileTest, NamedOffsetsMatchTheReceiverLayout) {
  EXPECT_EQ(kTransponderCountOffset, 27016u);
  EXPECT_EQ(kProgrammeCountOffset, 73022u);
  EXPECT_EQ(kTvProgrammeCountOffset, 73024u);
  EXPECT_EQ(kRadioProgrammeCountOffset, 73026u);
  EXPECT_EQ(kTpFrequencyOffset, 12u);
  EXPECT_EQ(kTpNameOffset, 32u);
  EXPECT_EQ(kProgSidOffset, 4u);
  EXPECT_EQ(kProgAudioPidsOffset, 14u);
}

TEST(ReceiverFileTest, FullProgrammeTableLeavesOneEmptySlotAndOneByte) {
  auto tables = std::make_unique<ChannelTables>();
  tables->programmeCount = kMaxProgrammes;
  tables->tvProgrammeCount = kMaxProgrammes;
  for (int p = 1; p <= kMaxProgrammes; ++p) tables->programmes[p] = SampleProgramme(1);
  std::string file = WholeFile(*tables, OldFile(40000));
  ASSERT_EQ(file.size(), kReceiverFileSize);
  EXPECT_EQ(file.substr(kReceiverFileSize - 135), std::string(135, '\0'));
  std::size_t lastRecord = kProgrammeSectionStart + (kMaxProgrammes - 1) * kProgrammeRecordSize;
  EXPECT_EQ(file.substr(lastRecord + kProgDisplayNameOffset, 20), "Sample Channel  192 ");
}

// A whole receiver file written by the writers above from `tables`.
std::string WholeFile(const ChannelTables& tables) {
  return Written([&tables](OutputFile& out) {
    out.WriteRepeated(0x1A, kHeaderSize);
    WriteTransponderSectionStart(out, tables.transponderCount);
    for (int i = 0; i < tables.transponderCount; ++i) {
      WriteTransponderRecord(out, tables.transponders[i]);
    }
    WriteEmptyTransponderSlots(out, tables.transponderCount);
    WriteProgrammeSectionStart(out, tables);
    for (int p = 1; p <= tables.programmeCount; ++p) {
      WriteProgrammeRecord(out, tables.programmes[p]);
    }
    WriteZeroFill(out, tables.programmeCount);
  });
}

bool Decode(const std::string& file, ChannelTables& tables, std::string* problem) {
  return DecodeReceiverFile(
      std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()), tables, problem);
}

std::unique_ptr<ChannelTables> SampleTables() {
  auto tables = std::make_unique<ChannelTables>();
  tables->transponderCount = 3;
  tables->transponders[0] = SampleTransponder();
  TransponderEntry& odd = tables->transponders[1];
  odd.frequency = -100;  // a malformed frequency admitted with the C band
  odd.symbolRate = 65535;
  odd.tvCount = 200;
  odd.radioCount = 100;
  odd.tpName.Assign("short");
  tables->transponders[2].tpName.Assign(std::string_view("\r\n\x1a\x00 bytes as held", 14));
  tables->programmeCount = 3;
  tables->tvProgrammeCount = 1;
  tables->radioProgrammeCount = 2;
  ProgrammeEntry& full = tables->programmes[1];
  full.tpIndex = 2;
  full.sid = 65535;
  full.pcrPid = 8190;
  full.videoPid = 511;
  full.scrambled = 255;
  full.audioCount = 10;
  for (int k = 0; k < 10; ++k) {
    full.audioPid[k] = static_cast<std::uint16_t>(1000 + k);
    full.audioLang[k].Assign(k == 0 ? "deu" : "eng");
  }
  full.displayName.Assign("Sample Channel  192 ");
  ProgrammeEntry& radio = tables->programmes[2];
  radio.audioCount = 1;
  radio.audioPid[0] = 256;
  radio.audioLang[0].Assign("2c");
  radio.displayName.Assign("Radio");
  tables->programmes[3] = radio;
  tables->programmes[3].audioCount = 0;  // no stream: its tag is empty
  tables->programmes[3].audioLang[0].Clear();
  return tables;
}

TEST(ReceiverFileTest, DecodingGivesBackWhatTheListingShows) {
  auto written = SampleTables();
  auto decoded = std::make_unique<ChannelTables>();
  std::string problem;
  ASSERT_TRUE(Decode(WholeFile(*written), *decoded, &problem)) << problem;
  ASSERT_EQ(decoded->transponderCount, 3);
  for (int i = 0; i < 3; ++i) {
    const TransponderEntry& w = written->transponders[i];
    const TransponderEntry& d = decoded->transponders[i];
    EXPECT_EQ(d.satNumber, w.satNumber) << i;
    EXPECT_EQ(d.polBand, w.polBand) << i;
    EXPECT_EQ(d.tpCode, w.tpCode) << i;
    EXPECT_EQ(d.frequency, w.frequency) << i;
    EXPECT_EQ(d.symbolRate, w.symbolRate) << i;
    EXPECT_EQ(d.tvCount, w.tvCount) << i;
    EXPECT_EQ(d.radioCount, w.radioCount) << i;
    // The file holds 14 bytes: a shorter name comes back with its blanks.
    std::string name(w.tpName.view());
    EXPECT_EQ(d.tpName.view(), name + std::string(14 - name.size(), ' ')) << i;
  }
  ASSERT_EQ(decoded->programmeCount, 3);
  EXPECT_EQ(decoded->tvProgrammeCount, 1);
  EXPECT_EQ(decoded->radioProgrammeCount, 2);
  for (int p = 1; p <= 3; ++p) {
    const ProgrammeEntry& w = written->programmes[p];
    const ProgrammeEntry& d = decoded->programmes[p];
    EXPECT_EQ(d.tpIndex, w.tpIndex) << p;
    EXPECT_EQ(d.sid, w.sid) << p;
    EXPECT_EQ(d.pcrPid, w.pcrPid) << p;
    EXPECT_EQ(d.videoPid, w.videoPid) << p;
    EXPECT_EQ(d.scrambled, w.scrambled) << p;
    EXPECT_EQ(d.audioCount, w.audioCount) << p;
    for (int k = 0; k < w.audioCount; ++k) {
      EXPECT_EQ(d.audioPid[k], w.audioPid[k]) << p << " " << k;
      std::string tag(w.audioLang[k].view());
      EXPECT_EQ(d.audioLang[k].view(), tag + std::string(3 - tag.size(), ' ')) << p << " " << k;
    }
    std::string name(w.displayName.view());
    EXPECT_EQ(d.displayName.view(), name + std::string(20 - name.size(), ' ')) << p;
  }
  EXPECT_EQ(decoded->programmes[3].audioLang[0].view(), "");
}

TEST(ReceiverFileTest, DecodingRefusesWhatIsNoReceiverFile) {
  auto tables = SampleTables();
  const std::string good = WholeFile(*tables);
  auto word = [](std::string file, std::size_t at, int value) {
    file[at] = static_cast<char>(value >> 8);
    file[at + 1] = static_cast<char>(value);
    return file;
  };
  const std::size_t transponderCountAt = kHeaderSize + 4;
  const std::size_t programmeCountAt = kProgrammeSectionStart - 6;
  struct Case {
    const char* name;
    std::string file;
    const char* problem;  // nullptr: accepted
  } cases[] = {
      {"as written", good, nullptr},
      {"without the last byte", good.substr(0, good.size() - 1), nullptr},
      {"full tables", word(word(good, transponderCountAt, 1000), programmeCountAt, 3000), nullptr},
      {"empty", "", "it has 0 bytes, not 475,029"},
      {"two bytes short", good.substr(0, good.size() - 2), "it has 475,027 bytes, not 475,029"},
      {"one byte more", good + '\0', "it has 475,030 bytes, not 475,029"},
      {"first marker", word(good, kHeaderSize, 0xFFFE), "no section marker at offset 27012"},
      {"second marker", word(good, programmeCountAt - 2, 0), "no section marker at offset 73018"},
      {"transponders", word(good, transponderCountAt, 1001),
       "1001 transponders at offset 27016, more than its 1000 slots"},
      {"programmes", word(good, programmeCountAt, 65535),
       "65535 programmes at offset 73022, more than its 3000 slots"},
      {"symbol rate", word(good, kHeaderSize + 6 + 46 + 16, 0x0100),
       "transponder 1 has a symbol rate beyond 65535 at offset 27080"},
  };
  for (const Case& c : cases) {
    auto decoded = std::make_unique<ChannelTables>();
    std::string problem;
    EXPECT_EQ(Decode(c.file, *decoded, &problem), c.problem == nullptr) << c.name;
    EXPECT_EQ(problem, c.problem != nullptr ? c.problem : "") << c.name;
  }
}

}  // namespace
}  // namespace tunewerk
