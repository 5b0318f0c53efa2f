// A drive that fills both tables to the import's limits: 999 transponders and
// 2999 programmes, made by the test itself.
#include <gtest/gtest.h>

#include <string>

#include "app/list_command.h"
#include "app/run.h"
#include "drc/receiver_file.h"
#include "sdx/sdx_lines.h"
#include "support/listing_lines.h"
#include "support/memory_drive.h"
#include "support/memory_terminal.h"

namespace tunewerk {
namespace {

std::string Settings() {
  std::string text = "EXCLUDE\r\nEND\r\nASTRA\r\n";
  for (int s = 0; s < 27; ++s) {
    text += std::to_string(s * 13);
    text += "\r\nsatellite\r\n";
  }
  return text;
}

// 998 transponders with 2998 programmes, then the record that opens the 999th
// transponder with the 2999th programme, then records the import never reads.
std::string MaximalList() {
  std::vector<Rec> records;
  int programme = 0;
  for (int t = 0; t < 999; ++t) {
    int programmes = t == 998 ? 1 : (t < 2 ? 5 : 3);
    for (int i = 0; i < programmes; ++i, ++programme) {
      Rec r;
      r.frequency = Number(1070000 + t * 100, 8);
      r.pos = Number((t * 7) % 360, 3);
      r.pol.assign(1, t % 2 ? '1' : '0');
      r.name = Number((programme * 7919) % 2999, 4) + " programme";
      r.radio.assign(1, i == 2 ? 'R' : 'T');
      r.videoPid = Number(100 + i, 4);
      r.audioPid = Number(200 + i, 4);
      r.sid = Number(programme, 5);
      r.tpName = Number(t, 11) + " TP";
      records.push_back(r);
    }
  }
  Rec beyond;
  beyond.frequency = "01999999";
  records.push_back(beyond);
  return SdxFile(records);
}

std::uint32_t Word(const std::string& file, std::size_t offset) {
  return static_cast<std::uint8_t>(file[offset]) << 8 | static_cast<std::uint8_t>(file[offset + 1]);
}

TEST(MaximalRunTest, FillsBothTablesToTheirLimits) {
  MemoryDrive drive;
  drive.files["vaz3er.ini"] = Settings();
  drive.files["user.sdx"] = MaximalList();
  drive.files["3ci.drc"] = std::string(kHeaderSize, '\x5a');
  MemoryTerminal terminal("y\ny\n\ny\n");
  std::string error;
  ASSERT_EQ(RunTunewerk(drive, terminal, &error, {.stops = &TestStops()}), 0) << error;
  EXPECT_EQ(error,
            "tunewerk: warning: the import stopped at the receiver's limit of 999 transponders; "
            "the rest of user.sdx was not read\n");

  const std::string& drc = drive.files["user.drc"];
  ASSERT_EQ(drc.size(), kReceiverFileSize);
  EXPECT_EQ(Word(drc, kTransponderCountOffset), 999u);
  EXPECT_EQ(Word(drc, kProgrammeCountOffset), 2999u);
  EXPECT_EQ(Word(drc, kTvProgrammeCountOffset) + Word(drc, kRadioProgrammeCountOffset), 2999u);
  // Transponder slot 999 and programme slot 2999 stay empty; the fill is 135 bytes.
  std::size_t lastTransponderSlot = kTransponderSectionStart + 999 * kTransponderRecordSize;
  EXPECT_EQ(drc.substr(lastTransponderSlot, kTransponderRecordSize),
            std::string(kTransponderRecordSize, '\0'));
  EXPECT_EQ(drc.substr(kProgrammeSectionStart + 2999 * kProgrammeRecordSize),
            std::string(135, '\0'));

  // Each programme's transponder index names a filled slot after the ordering.
  for (int p = 0; p < 2999; ++p) {
    EXPECT_LT(Word(drc, kProgrammeSectionStart + p * kProgrammeRecordSize), 999u) << p;
  }
  // The lists together hold every programme once.
  auto lines = [](const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  };
  EXPECT_EQ(lines(drive.files["audio.txt"]) + lines(drive.files["video.txt"]), 2999);
  EXPECT_EQ(lines(drive.files["tunewerk.txt"]), 999 + 9 + 2999);
  EXPECT_NE(terminal.transcript.find("files generated successfully"), std::string::npos);

  // Read back, the full file lists as the run's listing did.
  std::unique_ptr<ReadableFile> file;
  std::unique_ptr<WritableFile> out;
  std::string shown, reason;
  ASSERT_TRUE(drive.OpenExisting("user.drc", &file, &shown, &reason));
  ASSERT_TRUE(drive.CreateNew(TemporaryName("listed"), &out, &reason));
  ASSERT_EQ(ListReceiverFile(*file, shown, std::move(out), &error), 0) << error;
  EXPECT_EQ(TrimmedLines(drive.files[TemporaryName("listed")], false),
            ListedLines(drive.files["tunewerk.txt"], 999));
}

}  // namespace
}  // namespace tunewerk
