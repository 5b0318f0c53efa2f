#include "report/listing.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "io/file_error_state.h"
#include "io/files.h"
#include "support/memory_drive.h"
#include "support/param_name.h"
#include "support/written_file.h"

namespace tunewerk {
namespace {

std::string Written(const std::function<void(OutputFile&)>& write) {
  return WrittenFile("tunewerk.txt", write);
}

struct NumberCase {
  std::int32_t value;
  int width;
  const char* expected;
};

const NumberCase kNumberCases[] = {
    {0, 0, "0"},
    {192, 0, "192"},
    {5, 3, "  5"},
    {999, 3, "999"},
    {1000, 3, "1000"},
    {65535, 4, "65535"},
    {-5, 8, "      -5"},
    {-1234567, 8, "-1234567"},
    {-12345678, 8, "-12345678"},
    {-2147483647 - 1, 0, "-2147483648"},
    {2147483647, 4, "2147483647"},
};

class WriteNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(WriteNumberTest, NumbersAreRightAlignedAndNeverCut) {
  const NumberCase& c = GetParam();
  EXPECT_EQ(Written([&](OutputFile& o) { WriteNumber(o, c.value, c.width); }), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Numbers, WriteNumberTest, testing::ValuesIn(kNumberCases),
                         [](const testing::TestParamInfo<NumberCase>& param) {
                           return ParamName(std::to_string(param.param.value) + " in " +
                                            std::to_string(param.param.width));
                         });

TransponderEntry SampleTransponder() {
  TransponderEntry t;
  t.satNumber = 1;
  t.polBand = 193;
  t.tpCode = 1057;
  t.frequency = 1174250;
  t.symbolRate = 27500;
  t.tvCount = 5;
  t.radioCount = 2;
  t.tpName.Assign("SAMPLE TP NAME");
  return t;
}

struct TransponderLineCase {
  const char* name;
  int index;
  std::function<void(TransponderEntry&)> change;
  const char* expected;
};

const TransponderLineCase kTransponderLineCases[] = {
    {"worked example", 0, [](TransponderEntry&) {},
     "   0   1 193  1057 1174250   27500   5   2SAMPLE TP NAME\r\n"},
    {"full fields touch", 998,
     [](TransponderEntry& t) {
       t.satNumber = 27;
       t.tpCode = 65535;
       t.frequency = 12345678;
       t.symbolRate = 65535;
       t.tvCount = 255;
       t.radioCount = 255;
     },
     " 998  27 193 6553512345678   65535 255 255SAMPLE TP NAME\r\n"},
    {"negative frequency counts its sign", 3, [](TransponderEntry& t) { t.frequency = -1234567; },
     "   3   1 193  1057-1234567   27500   5   2SAMPLE TP NAME\r\n"},
    {"wider frequency pushes the line", 3, [](TransponderEntry& t) { t.frequency = -12345678; },
     "   3   1 193  1057-12345678   27500   5   2SAMPLE TP NAME\r\n"},
    {"name as held", 12, [](TransponderEntry& t) { t.tpName.Assign("AB\r"); },
     "  12   1 193  1057 1174250   27500   5   2AB\r\r\n"},
};

class TransponderLineTest : public testing::TestWithParam<TransponderLineCase> {};

TEST_P(TransponderLineTest, TransponderLines) {
  const TransponderLineCase& c = GetParam();
  TransponderEntry t = SampleTransponder();
  c.change(t);
  EXPECT_EQ(Written([&](OutputFile& o) { WriteTransponderLine(o, c.index, t); }), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, TransponderLineTest, testing::ValuesIn(kTransponderLineCases),
                         NameField());

TEST(ListingTest, TotalsBlock) {
  const std::string head =
      "\r\nProgrammes:\r\n-----------\r\n"
      "Nr  Providername  Station                        AudAud\r\n"
      " Prog Sum \r\n";
  const std::string columns = "Nr    TP    SID   PCR   vPID  Au1\r\n";
  EXPECT_EQ(Written([](OutputFile& o) { WriteListingTotals(o, 27, 20, 7); }),
            head + " Num Valid px 27\r\n Num Valid Vpx 20\r\n Num Valid Apx 7\r\n" + columns);
  EXPECT_EQ(Written([](OutputFile& o) { WriteListingTotals(o, 0, 0, 0); }),
            head + " Num Valid px 0\r\n Num Valid Vpx 0\r\n Num Valid Apx 0\r\n" + columns);
  EXPECT_EQ(Written([](OutputFile& o) { WriteListingTotals(o, 2999, 2000, 999); }),
            head + " Num Valid px 2999\r\n Num Valid Vpx 2000\r\n Num Valid Apx 999\r\n" + columns);
}

ProgrammeEntry SampleProgramme() {
  ProgrammeEntry p;
  p.tpIndex = 0;
  p.sid = 28006;
  p.pcrPid = 255;
  p.videoPid = 255;
  p.audioPid[0] = 256;
  p.audioPid[1] = 257;
  p.audioLang[0].Assign("deu");
  p.audioLang[1].Assign("eng");
  p.audioCount = 2;
  p.displayName.Assign("Sample Channel  192 ");
  p.orbitalPos = 192;
  return p;
}

struct ProgrammeLineCase {
  const char* name;
  int position;
  std::function<void(ProgrammeEntry&)> change;
  const char* expected;
};

const ProgrammeLineCase kProgrammeLineCases[] = {
    {"worked example", 1, [](ProgrammeEntry&) {},
     "   1   0 28006  255  255  256 deu Sample Channel  192 \r\n"},
    {"radio shows video PID 0", 2, [](ProgrammeEntry& p) { p.videoPid = 0; },
     "   2   0 28006  255    0  256 deu Sample Channel  192 \r\n"},
    {"full fields touch", 2999,
     [](ProgrammeEntry& p) {
       p.tpIndex = 998;
       p.sid = 65535;
       p.pcrPid = 65535;
       p.videoPid = 65535;
       p.audioPid[0] = 65535;
     },
     "2999 998 65535655356553565535 deu Sample Channel  192 \r\n"},
    {"short texts as held", 7,
     [](ProgrammeEntry& p) {
       p.audioLang[0].Assign("d");
       p.displayName.Assign("TV 19 ");
     },
     "   7   0 28006  255  255  256 d TV 19 \r\n"},
};

class ProgrammeLineTest : public testing::TestWithParam<ProgrammeLineCase> {};

TEST_P(ProgrammeLineTest, ProgrammeLines) {
  const ProgrammeLineCase& c = GetParam();
  ProgrammeEntry p = SampleProgramme();
  c.change(p);
  EXPECT_EQ(Written([&](OutputFile& o) { WriteProgrammeLine(o, c.position, p); }), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, ProgrammeLineTest, testing::ValuesIn(kProgrammeLineCases),
                         NameField());

}  // namespace
}  // namespace tunewerk
