#include "app/run.h"

#include <memory>
#include <new>
#include <utility>

#include "app/dialogue.h"
#include "app/folder_lock.h"
#include "console/console.h"
#include "drc/receiver_file.h"
#include "drc/receiver_tables.h"
#include "io/file_error_state.h"
#include "io/files.h"
#include "io/output_set.h"
#include "model/channel_tables.h"
#include "order/keep_order.h"
#include "order/order_programmes.h"
#include "order/programme_identity.h"
#include "platform/system.h"
#include "report/listing.h"
#include "report/station_lists.h"
#include "sdx/import.h"
#include "settings/settings_reader.h"

namespace tunewerk {

namespace {

constexpr char kOldReceiverFileName[] = "3ci.drc";
constexpr char kReceiverFileName[] = "user.drc";
constexpr char kListingFileName[] = "tunewerk.txt";
constexpr char kRadioListFileName[] = "audio.txt";
constexpr char kTvListFileName[] = "video.txt";
constexpr const char* kOutputNames[] = {kReceiverFileName, kListingFileName, kRadioListFileName,
                                        kTvListFileName};

constexpr int kImportDoneRow = 15;

// For a folder where the user may not create files, C:\ above all.
constexpr char kOtherFolderAdvice[] =
    "; name a folder with -C (for instance tunewerk.exe -C D:\\Receiver)";

std::string FolderAdvice(const Drive& drive) {
  return drive.LastCreateFailure() == CreateFailure::kNoRights ? kOtherFolderAdvice : "";
}

bool SystemFileExists(const std::string& path) {
  std::unique_ptr<ReadableFile> file;
  std::string reason;
  return OpenFileForReading(path, &file, &reason);
}

// Everything a run holds, allocated once at its start.
struct RunState {
  RunState(Drive& drive, Stops& runStops, Terminal& terminal)
      : stops(runStops),
        console(terminal, state),
        settings(drive, state),
        sdx(drive, state),
        oldReceiver(drive, state),
        radioList(drive, runStops, state),
        tvList(drive, runStops, state),
        receiver(drive, runStops, state),
        listing(drive, runStops, state) {}

  Stops& stops;
  FileErrorState state;
  Console console;
  ChannelTables tables;
  InputFile settings;
  InputFile sdx;
  InputFile oldReceiver;
  OutputFile radioList;
  OutputFile tvList;
  OutputFile receiver;
  OutputFile listing;
};

// The old receiver file's tables, read for --keep-order alone.
struct KeptOrder {
  ReceiverFileImage image;
  ChannelTables old;
  ProgrammeMatch match;
};

// The programmes the old receiver file holds go first, in its order.
void KeepOrderOfOldFile(Drive& drive, RunState& run, KeptOrder& kept) {
  ReadOldReceiverTables(drive, kOldReceiverFileName, "--keep-order", run.state, kept.image,
                        kept.old);
  if (run.state.failed()) return;
  MatchProgrammes(kept.old, run.tables, kept.match);
  KeepOldOrder(run.tables, kept.old, kept.match);
}

// The four outputs in one pass, each transponder's and programme's
// lines written next to its receiver record.
void GenerateFiles(RunState& run, Drive& drive, KeptOrder* kept) {
  const ChannelTables& tables = run.tables;
  run.receiver.Create(kReceiverFileName);
  run.listing.Create(kListingFileName);
  run.oldReceiver.Open(kOldReceiverFileName);
  // Once the old file is open: it fails where it does without the option.
  if (kept != nullptr) KeepOrderOfOldFile(drive, run, *kept);

  CopyReceiverHeader(run.oldReceiver, run.receiver);
  WriteTransponderSectionStart(run.receiver, tables.transponderCount);
  for (int i = 0; i < tables.transponderCount; ++i) {
    WriteTransponderLine(run.listing, i, tables.transponders[i]);
    WriteTransponderRecord(run.receiver, tables.transponders[i]);
  }
  WriteEmptyTransponderSlots(run.receiver, tables.transponderCount);

  WriteListingTotals(run.listing, tables.programmeCount, tables.tvProgrammeCount,
                     tables.radioProgrammeCount);
  WriteProgrammeSectionStart(run.receiver, tables);

  run.radioList.Create(kRadioListFileName);
  run.tvList.Create(kTvListFileName);
  std::uint16_t radioNumber = 0;
  std::uint16_t tvNumber = 0;
  for (int p = 1; p <= tables.programmeCount; ++p) {
    const ProgrammeEntry& programme = tables.programmes[p];
    if (programme.videoPid == 0) {
      WriteStationLine(run.radioList, ++radioNumber, programme);
    } else {
      WriteStationLine(run.tvList, ++tvNumber, programme);
    }
    WriteProgrammeLine(run.listing, p, programme);
    WriteProgrammeRecord(run.receiver, programme);
  }
  WriteZeroFill(run.receiver, tables.programmeCount);
}

void CloseFiles(RunState& run) {
  run.sdx.Close();
  run.radioList.Close();
  run.tvList.Close();
  run.oldReceiver.Close();
  run.receiver.Close();
  run.listing.Close();
}

// The outputs replace the old ones, as one set, only when the whole run
// succeeded; the replacement takes care of the temporaries once it is tried.
// *warnings gets a line for a step after the commit point that failed.
void ReplaceOrDiscardOutputs(RunState& run, Drive& drive, std::string* warnings) {
  OutputFile* outputs[] = {&run.receiver, &run.listing, &run.radioList, &run.tvList};
  for (OutputFile* out : outputs) out->CheckReplaceable();
  if (run.state.failed()) {
    for (OutputFile* out : outputs) out->Discard();
    return;
  }
  std::string failure;
  if (!ReplaceOutputs(drive, run.stops, kOutputNames, &failure, warnings)) {
    run.state.Enter(failure);
  }
}

// Users who unpack the program put the inputs beside it rather than in c:\.
std::string BesideProgramAdvice(RunState& run, Drive& drive,
                                const ProgramFolderCheck& programFolder) {
  if (programFolder.folder.empty() || programFolder.holds == nullptr) return "";
  const std::pair<const InputFile*, const char*> inputs[] = {
      {&run.settings, kSettingsFileName},
      {&run.sdx, kSdxFileName},
      {&run.oldReceiver, kOldReceiverFileName}};
  for (const auto& [file, name] : inputs) {
    if (file->openFailed() && drive.KindOf(name) == EntryKind::kAbsent &&
        programFolder.holds(programFolder.folder + name)) {
      return std::string("; ") + name + " lies beside the program in " + programFolder.folder +
             ": to use that folder, double-click \"" + kLauncherName +
             "\" there or name it with -C";
    }
  }
  return "";
}

std::string Warnings(const ChannelTables& tables, bool listCut, const std::string& listName) {
  std::string warnings;
  if (listCut) {
    warnings += "tunewerk: warning: the import stopped at the receiver's limit of ";
    warnings +=
        tables.transponderCount >= kMaxTransponders ? "999 transponders" : "2,999 programmes";
    warnings += "; the rest of " + listName + " was not read\n";
  }
  if (tables.programmeCount == 0) {
    warnings += "tunewerk: warning: no programme was selected; user.drc holds no channels\n";
  }
  return warnings;
}

// The run once the folder is locked and put right.
int RunLocked(Drive& drive, Stops& stops, Terminal& terminal, std::string* stderrText,
              const RunRequest& request) {
  auto run = std::make_unique<RunState>(drive, stops, terminal);
  std::unique_ptr<KeptOrder> kept = request.keepOrder ? std::make_unique<KeptOrder>() : nullptr;
  Console& console = run->console;
  ChannelTables& tables = run->tables;

  ShowBanner(console);
  AskQuestions(console, tables.options, request.given);

  console.WriteLine("");
  console.WriteLine("Reading INI");
  ReadSettings(run->settings, tables);
  console.WriteLine("INI ok. Now processing SDX-data:");

  RecordEcho echo(console);
  ImportChannels(run->sdx, echo, tables);
  bool listCut = ImportLeftContentUnread(run->sdx, tables);
  console.MoveCursor(1, kImportDoneRow);
  console.WriteLine("...complete.");

  if (tables.options.sortBySatellite) {
    console.WriteLine("sorting ");
    OrderProgrammes(tables);
    console.WriteLine("... complete");
  }

  console.WriteLine("generating files ");
  GenerateFiles(*run, drive, kept.get());
  CloseFiles(*run);
  std::string replacementWarnings;
  ReplaceOrDiscardOutputs(*run, drive, &replacementWarnings);
  bool replaced = !run->state.failed();
  console.WriteLine("files generated successfully");
  console.Finish();

  if (run->state.failed()) {
    *stderrText = "tunewerk: " + run->state.message() + FolderAdvice(drive) +
                  BesideProgramAdvice(*run, drive, request.programFolder);
    // Standard output may fail after the files were put in place.
    if (console.streamStopped()) {
      *stderrText += replaced ? "; the four files were generated" : "; no file was changed";
    }
    *stderrText += "\n";
    return 1;
  }
  *stderrText = replacementWarnings + Warnings(tables, listCut, run->sdx.shownName());
  return 0;
}

}  // namespace

const char kClosePrompt[] = "Press Enter to close this window.";
const char kLauncherName[] = "Tunewerk here.cmd";

ProgramFolderCheck SystemProgramFolder() {
  return {ProgramFolder(), &SystemFileExists};
}

bool WindowClosesWithProcess(const ConsoleWindow& window) {
  return window.processes == 1 && window.inputIsConsole && window.outputIsConsole;
}

void WaitForEnterBeforeClosing(Terminal& terminal, int status) {
  if (WindowClosesWithProcess(terminal.Window())) terminal.WaitForEnter(kClosePrompt, status);
}

int RunTunewerk(Drive& drive, Terminal& terminal, std::string* stderrText,
                const RunRequest& request) {
  std::string problem;
  Stops& stops = request.stops != nullptr ? *request.stops : SystemStops();
  FolderLock lock(stops);
  const ProcessFacts& process =
      request.process != nullptr ? *request.process : SystemProcessFacts();
  if (!lock.Take(drive, process, &problem)) {
    *stderrText = "tunewerk: " + problem + FolderAdvice(drive) + "\n";
    return 1;
  }
  int status = 1;
  if (!RepairOutputs(drive, kOutputNames, &problem)) {
    *stderrText = "tunewerk: " + problem + FolderAdvice(drive) + "\n";
  } else {
    try {
      status = RunLocked(drive, stops, terminal, stderrText, request);
    } catch (const std::bad_alloc&) {
      // Under the lock, what the run had begun is put right as the next run would.
      RepairOutputs(drive, kOutputNames, &problem);
      *stderrText = "tunewerk: out of memory; no file was changed\n";
      status = 1;
    }
  }
  lock.Release(drive);
  return status;
}

}  // namespace tunewerk
