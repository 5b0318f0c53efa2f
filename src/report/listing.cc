#include "report/listing.h"

#include <charconv>
#include <string_view>

#include "model/text_bytes.h"

namespace tunewerk {

void WriteNumber(OutputFile& out, std::int32_t value, int width) {
  char digits[12];  // "-2147483648" fits
  std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
  std::size_t length = static_cast<std::size_t>(end.ptr - digits);
  if (width > 0 && static_cast<std::size_t>(width) > length) {
    out.WriteRepeated(kBlank, static_cast<std::size_t>(width) - length);
  }
  out.Write(std::string_view(digits, length));
}

void WriteTransponderLine(OutputFile& out, int index, const TransponderEntry& transponder) {
  WriteNumber(out, index, 4);
  WriteNumber(out, transponder.satNumber, 4);
  WriteNumber(out, transponder.polBand, 4);
  WriteNumber(out, transponder.tpCode, 6);
  WriteNumber(out, transponder.frequency, 8);
  WriteNumber(out, transponder.symbolRate, 8);
  WriteNumber(out, transponder.tvCount, 4);  // TV before radio
  WriteNumber(out, transponder.radioCount, 4);
  out.WriteLine(transponder.tpName.view());
}

void WriteListingTotals(OutputFile& out, std::uint16_t programmeCount,
                        std::uint16_t tvProgrammeCount, std::uint16_t radioProgrammeCount) {
  out.WriteLine("");
  out.WriteLine("Programmes:");
  out.WriteLine("-----------");
  out.WriteLine("Nr  Providername  Station                        AudAud");
  out.WriteLine(" Prog Sum ");  // a label only; no number follows it
  WriteListingCounts(out, programmeCount, tvProgrammeCount, radioProgrammeCount);
  out.WriteLine("Nr    TP    SID   PCR   vPID  Au1");
}

void WriteListingCounts(OutputFile& out, std::uint16_t programmeCount,
                        std::uint16_t tvProgrammeCount, std::uint16_t radioProgrammeCount) {
  out.Write(" Num Valid px ");
  WriteNumber(out, programmeCount, 0);
  out.WriteLine("");
  out.Write(" Num Valid Vpx ");
  WriteNumber(out, tvProgrammeCount, 0);
  out.WriteLine("");
  out.Write(" Num Valid Apx ");
  WriteNumber(out, radioProgrammeCount, 0);
  out.WriteLine("");
}

void WriteProgrammeLine(OutputFile& out, int position, const ProgrammeEntry& programme) {
  WriteNumber(out, position, 4);
  WriteNumber(out, programme.tpIndex, 4);
  WriteNumber(out, programme.sid, 6);
  WriteNumber(out, programme.pcrPid, 5);
  WriteNumber(out, programme.videoPid, 5);
  WriteNumber(out, programme.audioPid[0], 5);
  out.Write(" ");
  out.Write(programme.audioLang[0].view());
  out.Write(" ");
  out.WriteLine(programme.displayName.view());
}

}  // namespace tunewerk
