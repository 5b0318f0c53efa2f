#include "app/compare_command.h"

#include <memory>
#include <string_view>

#include "drc/receiver_tables.h"
#include "io/file_error_state.h"
#include "io/files.h"
#include "model/channel_tables.h"
#include "model/text_bytes.h"
#include "order/programme_identity.h"
#include "report/listing.h"

namespace tunewerk {

namespace {

// The receiver numbers its TV and its radio programmes apart.
enum Kind { kTv, kRadio, kKinds };
constexpr std::string_view kKindColumn[kKinds] = {"TV   ", "radio"};
constexpr std::string_view kKindWord[kKinds] = {"TV", "radio"};

constexpr char kNew = '+';
constexpr char kGone = '-';
constexpr char kRenumbered = '~';
constexpr int kNumberWidth = 4;

struct KindCounts {
  int kept = 0;
  int renumbered = 0;  // of the kept ones
  int added = 0;
  int gone = 0;
};

// One side of the comparison.
struct Side {
  ChannelTables tables;
  bool hasTables = false;
  std::size_t size = 0;
  // Each programme's number in its list (TV or radio), from 1.
  std::uint16_t number[kProgrammeSlots + 1];
  int perKind[kKinds] = {};
};

// Everything a comparison holds, allocated once.
struct CompareState {
  ReceiverFileImage image;
  Side old, fresh;
  ProgrammeMatch match;
  KindCounts counts[kKinds];
};

Kind KindOf(const ProgrammeEntry& programme) {
  return programme.videoPid == 0 ? kRadio : kTv;
}

void NumberByKind(Side& side) {
  for (int p = 1; p <= side.tables.programmeCount; ++p) {
    Kind kind = KindOf(side.tables.programmes[p]);
    side.number[p] = static_cast<std::uint16_t>(++side.perKind[kind]);
  }
}

// False with the line for stderr. A file shorter than the receiver's
// settings is no receiver file even without tables.
bool ReadSide(ReadableFile& file, const std::string& shown, ReceiverFileImage& image, Side& side,
              std::string* errorLine) {
  std::string problem;
  TablesRead read = ReadReceiverTables(file, true, image, side.tables, &problem);
  side.size = image.size;
  if (read == TablesRead::kNoTables && image.size < kHeaderSize) {
    problem = "it has " + ByteCount(image.size) + ", not " + GroupedNumber(kReceiverFileSize);
    read = TablesRead::kNotReceiverFile;
  }
  switch (read) {
    case TablesRead::kTables:
      side.hasTables = true;
      break;
    case TablesRead::kNoTables:
      break;
    case TablesRead::kCannotRead:
      *errorLine = "tunewerk: cannot read " + shown + ": " + problem + "\n";
      return false;
    case TablesRead::kNotReceiverFile:
      *errorLine = "tunewerk: " + shown + " is not a receiver channel file: " + problem + "\n";
      return false;
  }
  NumberByKind(side);
  return true;
}

bool Renumbered(const CompareState& s, int q) {
  int p = s.match.oldOf[q];
  return p != 0 && (s.old.number[p] != s.fresh.number[q] ||
                    KindOf(s.old.tables.programmes[p]) != KindOf(s.fresh.tables.programmes[q]));
}

// A kept programme counts under the kind it has now.
void Count(CompareState& s) {
  for (int q = 1; q <= s.fresh.tables.programmeCount; ++q) {
    KindCounts& counts = s.counts[KindOf(s.fresh.tables.programmes[q])];
    if (s.match.oldOf[q] == 0) {
      ++counts.added;
    } else {
      ++counts.kept;
      if (Renumbered(s, q)) ++counts.renumbered;
    }
  }
  for (int p = 1; p <= s.old.tables.programmeCount; ++p) {
    if (s.match.newOf[p] == 0) ++s.counts[KindOf(s.old.tables.programmes[p])].gone;
  }
}

void WriteCount(OutputFile& out, int value, std::string_view after) {
  WriteNumber(out, value, 0);
  out.Write(after);
}

// "TV: 18 kept (4 renumbered), 2 new, 1 gone; radio: ..."
void WriteSummary(OutputFile& out, const KindCounts (&counts)[kKinds]) {
  for (int kind = 0; kind < kKinds; ++kind) {
    if (kind > 0) out.Write("; ");
    out.Write(kKindWord[kind]);
    out.Write(": ");
    WriteCount(out, counts[kind].kept, " kept (");
    WriteCount(out, counts[kind].renumbered, " renumbered), ");
    WriteCount(out, counts[kind].added, " new, ");
    WriteCount(out, counts[kind].gone, " gone");
  }
  out.WriteLine("");
}

// "Old: 3ci.drc, 30 programmes (24 TV, 6 radio)"
void WriteSideLine(OutputFile& out, std::string_view label, const std::string& shown,
                   const Side& side, std::string_view withoutTables) {
  out.Write(label);
  out.Write(shown);
  if (!side.hasTables) {
    out.Write(" holds no channel tables (" + ByteCount(side.size) + "): ");
    out.WriteLine(withoutTables);
    return;
  }
  out.Write(", ");
  WriteCount(out, side.tables.programmeCount, " programmes (");
  WriteCount(out, side.perKind[kTv], " TV, ");
  WriteCount(out, side.perKind[kRadio], " radio)");
  out.WriteLine("");
}

void WriteHeadings(OutputFile& out, const CompareState& s, const std::string& oldShown,
                   const std::string& newShown) {
  WriteSideLine(out, "Old: ", oldShown, s.old, "every programme of the new file is new");
  WriteSideLine(out, "New: ", newShown, s.fresh, "every programme of the old file is gone");
  out.WriteLine("");
  out.WriteLine("Changes (+ new, - gone, ~ renumbered; TV and radio are numbered apart):");
  out.WriteLine("   Old  New Kind  Name                 Sat     Freq Pol   SID");
}

void WriteListNumber(OutputFile& out, int number) {
  if (number == 0) {
    out.WriteRepeated(kBlank, kNumberWidth - 1);
    out.Write("-");
  } else {
    WriteNumber(out, number, kNumberWidth);
  }
}

// `oldNumber` or `newNumber` is 0 where the programme has none.
void WriteChangeLine(OutputFile& out, char mark, int oldNumber, int newNumber,
                     const ChannelTables& tables, int p) {
  const ProgrammeEntry& programme = tables.programmes[p];
  out.Write(std::string_view(&mark, 1));
  out.Write(" ");
  WriteListNumber(out, oldNumber);
  out.Write(" ");
  WriteListNumber(out, newNumber);
  out.Write(" ");
  out.Write(kKindColumn[KindOf(programme)]);
  out.Write(" ");
  std::string_view name = programme.displayName.view();
  out.Write(name);
  if (name.size() < kDisplayNameWidth) out.WriteRepeated(kBlank, kDisplayNameWidth - name.size());
  TransponderEntry none;
  const TransponderEntry& transponder =
      programme.tpIndex < tables.transponderCount ? tables.transponders[programme.tpIndex] : none;
  WriteNumber(out, transponder.satNumber, 4);
  WriteNumber(out, transponder.frequency, 9);
  WriteNumber(out, transponder.polBand, 4);
  WriteNumber(out, programme.sid, 6);
  out.WriteLine(programme.scrambled != 0 ? " scrambled" : "");
}

// Per kind: the new and renumbered programmes in the new file's order, then
// the gone ones in the old file's.
int WriteChanges(OutputFile& out, const CompareState& s) {
  int lines = 0;
  for (int kind = 0; kind < kKinds; ++kind) {
    for (int q = 1; q <= s.fresh.tables.programmeCount; ++q) {
      if (KindOf(s.fresh.tables.programmes[q]) != kind) continue;
      int p = s.match.oldOf[q];
      if (p != 0 && !Renumbered(s, q)) continue;
      WriteChangeLine(out, p == 0 ? kNew : kRenumbered, p == 0 ? 0 : s.old.number[p],
                      s.fresh.number[q], s.fresh.tables, q);
      ++lines;
    }
    for (int p = 1; p <= s.old.tables.programmeCount; ++p) {
      if (KindOf(s.old.tables.programmes[p]) != kind || s.match.newOf[p] != 0) continue;
      WriteChangeLine(out, kGone, s.old.number[p], 0, s.old.tables, p);
      ++lines;
    }
  }
  return lines;
}

}  // namespace

int CompareReceiverFiles(ReadableFile& oldFile, const std::string& oldShown, ReadableFile& newFile,
                         const std::string& newShown, std::unique_ptr<WritableFile> out,
                         std::string* errorLine) {
  auto state = std::make_unique<CompareState>();
  CompareState& s = *state;
  if (!ReadSide(oldFile, oldShown, s.image, s.old, errorLine) ||
      !ReadSide(newFile, newShown, s.image, s.fresh, errorLine)) {
    return 1;
  }
  MatchProgrammes(s.old.tables, s.fresh.tables, s.match);
  Count(s);

  FileErrorState outState;
  auto report = std::make_unique<OutputFile>(outState);
  report->Attach(std::move(out), "to standard output");  // "cannot write to standard output"
  report->SetLineEnd("\n");
  report->WriteTextAsGlyphs();
  WriteSummary(*report, s.counts);
  WriteHeadings(*report, s, oldShown, newShown);
  if (WriteChanges(*report, s) == 0) report->WriteLine("No programme is new, gone or renumbered.");
  report->Close();
  if (!outState.failed()) return 0;
  *errorLine = "tunewerk: " + outState.message() + "\n";
  return 1;
}

}  // namespace tunewerk
