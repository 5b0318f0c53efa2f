#include "app/list_command.h"

#include <memory>

#include "drc/receiver_tables.h"
#include "io/file_error_state.h"
#include "io/files.h"
#include "model/channel_tables.h"
#include "report/listing.h"

namespace tunewerk {

namespace {

// Everything a listing holds, allocated once.
struct ListState {
  ReceiverFileImage image;
  ChannelTables tables;
};

// Column headings over the listing's fields; the transponder's name follows
// its radio count with no blank, as in tunewerk.txt.
constexpr char kTransponderHeading[] = "  Nr Sat Pol  Code    Freq SymRate  TV RadName";
constexpr char kProgrammeHeading[] = "  Nr  TP   SID  PCR VPID APID Tag Name";

void WriteListing(const ChannelTables& tables, OutputFile& out) {
  out.WriteLine("Transponders:");
  out.WriteLine(kTransponderHeading);
  for (int i = 0; i < tables.transponderCount; ++i) {
    WriteTransponderLine(out, i, tables.transponders[i]);
  }
  out.WriteLine("Programmes:");
  out.WriteLine(kProgrammeHeading);
  for (int p = 1; p <= tables.programmeCount; ++p) {
    WriteProgrammeLine(out, p, tables.programmes[p]);
  }
  WriteListingCounts(out, tables.programmeCount, tables.tvProgrammeCount,
                     tables.radioProgrammeCount);
}

}  // namespace

int ListReceiverFile(ReadableFile& file, const std::string& shown,
                     std::unique_ptr<WritableFile> out, std::string* errorLine) {
  auto state = std::make_unique<ListState>();
  std::string problem;
  switch (ReadReceiverTables(file, false, state->image, state->tables, &problem)) {
    case TablesRead::kTables:
      break;
    case TablesRead::kCannotRead:
      *errorLine = "tunewerk: cannot read " + shown + ": " + problem + "\n";
      return 1;
    case TablesRead::kNoTables:
    case TablesRead::kNotReceiverFile:
      *errorLine = "tunewerk: " + shown + " is not a receiver channel file: " + problem + "\n";
      return 1;
  }

  FileErrorState outState;
  auto listing = std::make_unique<OutputFile>(outState);
  listing->Attach(std::move(out), "to standard output");  // "cannot write to standard output"
  listing->SetLineEnd("\n");
  listing->WriteTextAsGlyphs();
  WriteListing(state->tables, *listing);
  listing->Close();
  if (!outState.failed()) return 0;
  *errorLine = "tunewerk: " + outState.message() + "\n";
  return 1;
}

}  // namespace tunewerk
