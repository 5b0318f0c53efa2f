// Runs the whole program against the in-memory drive and terminal with
// fuzzer-chosen inputs, faults and screen size, then checks what any run
// must leave behind.
//
// Input: a 5-byte head, then the answers, vaz3er.ini, user.sdx and the head
// of 3ci.drc, separated by kSeparator (missing parts are empty).
//   head[0] flags: bit 0/1/2 leave out vaz3er.ini / user.sdx / 3ci.drc;
//           bit 3 the four outputs exist before the run; bit 4 the run keeps
//           the old order (--keep-order); bit 5 the 3ci.drc part is laid
//           over a receiver file with empty tables: its first 2,000 bytes
//           from the transponder section marker on, the rest from the
//           programme section marker on.
// After the run, 3ci.drc is compared with user.drc (--compare), or with
// itself where there is no user.drc.
//   head[1] faults: bit 0 the disk takes only 16 * param bytes;
//           bit 1/2/3 reads of user.sdx / 3ci.drc / vaz3er.ini fail after
//           param bytes; bit 4 creating output (param % 4) is refused;
//           bit 5 renames are refused; bit 6 another run holds the
//           folder; bit 7 the drive stops changing after param changes (a
//           run killed there), and the next run's repair follows.
//   head[2..3] param, big-endian.
//   head[4] screen: 0 is 80 x 25, otherwise 1 + 5 * (low 5 bits) columns and
//           1 + 4 * (high 3 bits) rows.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "app/compare_command.h"
#include "app/folder_lock.h"
#include "app/run.h"
#include "io/output_set.h"
#include "model/screen.h"
#include "platform/transcript.h"
#include "support/memory_drive.h"
#include "support/memory_terminal.h"

namespace {

using tunewerk::MemoryDrive;

constexpr std::string_view kSeparator = "#--#";
constexpr std::size_t kHeadSize = 5;
constexpr std::size_t kReceiverFileSize = 475029;
constexpr std::size_t kHeaderSize = 27012;
constexpr std::size_t kTransponderMarker = kHeaderSize;
constexpr std::size_t kProgrammeMarker = 73018;
constexpr std::size_t kTransponderPart = 2000;
constexpr const char* kInputs[] = {"vaz3er.ini", "user.sdx", "3ci.drc"};
constexpr const char* kOutputs[] = {"user.drc", "tunewerk.txt", "audio.txt", "video.txt"};

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz_run: violated: %s\n", what);
  std::abort();
}

// The next part up to the separator (or the end); advances past it.
std::string TakePart(std::string_view* rest) {
  std::size_t end = rest->find(kSeparator);
  std::string part(rest->substr(0, end));
  rest->remove_prefix(end == rest->npos ? rest->size() : end + kSeparator.size());
  return part;
}

bool Bit(std::uint8_t byte, int bit) {
  return (byte >> bit) & 1;
}

void CheckErrorLine(int status, const std::string& errorLine) {
  Check(status == 0 || status == 1, "exit status is 0 or 1");
  if (status == 0) {
    for (std::size_t at = 0; at < errorLine.size(); at = errorLine.find('\n', at) + 1) {
      Check(errorLine.compare(at, 19, "tunewerk: warning: ") == 0,
            "a successful run writes only warning lines");
    }
    Check(errorLine.empty() || errorLine.back() == '\n', "each warning line ends in LF");
    return;
  }
  Check(errorLine.rfind("tunewerk: ", 0) == 0, "the error line starts with the program name");
  Check(errorLine.find('\n') == errorLine.size() - 1, "the error line is one line ending in LF");
  // The lock is named where the line says how to clear it; no other file of the run's own is.
  std::string withoutLock = errorLine;
  for (std::size_t at; (at = withoutLock.find(tunewerk::kLockName)) != std::string::npos;) {
    withoutLock.erase(at, sizeof tunewerk::kLockName - 1);
  }
  Check(withoutLock.find(".tunewerk-") == std::string::npos, "the error line names no temporary");
}

void CheckSuccessfulOutputs(const MemoryDrive& drive, const std::string& oldHeader) {
  for (const char* name : kOutputs) Check(drive.files.count(name) == 1, "every output exists");
  const std::string& receiver = drive.files.at("user.drc");
  Check(receiver.size() == kReceiverFileSize, "user.drc has its fixed size");
  Check(oldHeader.size() >= kHeaderSize, "a run with a short old receiver file fails");
  Check(receiver.compare(0, kHeaderSize, oldHeader, 0, kHeaderSize) == 0,
        "user.drc starts with the old header");
  Check(drive.files.size() == 7, "the drive holds the inputs and the outputs only");
}

// A receiver file with empty tables, `tables` laid over it from the
// transponder section marker on (its first kTransponderPart bytes) and from
// the programme section marker on (the rest).
std::string ReceiverFileOver(std::string_view tables) {
  std::string file(kHeaderSize, 'h');
  file.resize(kReceiverFileSize, '\0');
  for (std::size_t marker : {kTransponderMarker, kProgrammeMarker}) {
    file.replace(marker, 4, "\0\xff\xff\xff", 4);
  }
  std::string_view first = tables.substr(0, kTransponderPart);
  file.replace(kTransponderMarker, first.size(), first);
  std::string_view rest = tables.substr(first.size(), kReceiverFileSize - kProgrammeMarker);
  file.replace(kProgrammeMarker, rest.size(), rest);
  return file;
}

// Standard output of --compare, kept in memory.
class MemoryStream : public tunewerk::WritableFile {
 public:
  explicit MemoryStream(std::string* text) : text_(text) {}
  bool Write(const std::uint8_t* data, std::size_t size, std::string*) override {
    text_->append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  bool Close(std::string*) override { return true; }

 private:
  std::string* text_;
};

// "~    3   12 ...": a mark and a blank, then two numbers right-aligned in 4
// columns (or "-"), each followed by a blank.
bool IsChangeLine(std::string_view line) {
  if (line.size() < 12 || line[1] != ' ' || line[6] != ' ' || line[11] != ' ') return false;
  for (std::size_t field : {2, 7}) {
    std::string_view number = line.substr(field, 4);
    std::size_t start = number.find_first_not_of(' ');
    if (start == number.npos) return false;
    std::string_view digits = number.substr(start);
    if (digits != "-" && digits.find_first_not_of("0123456789") != digits.npos) return false;
  }
  return true;
}

// --compare only reads: the drive stays as it was; it ends with status 0
// and its lines, or status 1 and one error line.
void CheckCompare(MemoryDrive& drive) {
  const char* newName = drive.files.count("user.drc") ? "user.drc" : "3ci.drc";
  std::unique_ptr<tunewerk::ReadableFile> oldFile, newFile;
  std::string shown, reason, text, errorLine;
  if (!drive.OpenExisting("3ci.drc", &oldFile, &shown, &reason) ||
      !drive.OpenExisting(newName, &newFile, &shown, &reason)) {
    return;
  }
  const std::map<std::string, std::string> before = drive.files;
  int status = tunewerk::CompareReceiverFiles(*oldFile, "3ci.drc", *newFile, newName,
                                              std::make_unique<MemoryStream>(&text), &errorLine);
  Check(drive.files == before, "--compare changes nothing");
  Check(status == 0 || status == 1, "--compare ends with 0 or 1");
  if (status == 1) {
    Check(errorLine.rfind("tunewerk: ", 0) == 0 && errorLine.find('\n') == errorLine.size() - 1,
          "a failed --compare writes one line");
    return;
  }
  Check(text.rfind("TV: ", 0) == 0, "--compare starts with its summary line");
  for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
    std::string_view line(text.data() + at, text.find('\n', at) - at);
    bool marked =
        line.size() > 1 && (line[0] == '+' || line[0] == '-' || line[0] == '~') && line[1] == ' ';
    Check(!marked || IsChangeLine(line), "a marked line has its old and new number");
  }
}

// The run-at-a-time Screen::Put must leave the screen as byte-at-a-time
// PutByte does.
void CheckScreenPut(std::string_view bytes, int width, int height) {
  tunewerk::Screen whole(width, height, 0x07), single(width, height, 0x07);
  whole.MoveCursor(1, height / 2 + 1);
  single.MoveCursor(1, height / 2 + 1);
  whole.Put(bytes);
  for (char c : bytes) single.PutByte(static_cast<std::uint8_t>(c));
  Check(whole.cursorColumn() == single.cursorColumn() && whole.cursorRow() == single.cursorRow(),
        "Put moves the cursor like PutByte");
  for (int row = 1; row <= height; ++row) {
    for (int column = 1; column <= width; ++column) {
      Check(whole.At(column, row).character == single.At(column, row).character,
            "Put fills cells like PutByte");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kHeadSize) return 0;
  const std::uint8_t* head = data;
  std::string_view rest(reinterpret_cast<const char*>(data + kHeadSize), size - kHeadSize);
  std::string answers = TakePart(&rest);
  std::string contents[3];
  for (std::string& content : contents) content = TakePart(&rest);

  std::uint8_t flags = head[0], faults = head[1], screen = head[4];
  std::size_t param = static_cast<std::size_t>(head[2]) << 8 | head[3];

  if (Bit(flags, 5)) contents[2] = ReceiverFileOver(contents[2]);
  MemoryDrive drive;
  for (int i = 0; i < 3; ++i) {
    if (!Bit(flags, i)) drive.files[kInputs[i]] = contents[i];
  }
  if (Bit(flags, 3)) {
    for (const char* name : kOutputs) drive.files[name] = std::string("old ") + name;
  }
  if (Bit(faults, 0)) drive.writeLimit = 16 * param;
  if (Bit(faults, 1)) drive.failingReads["user.sdx"] = param;
  if (Bit(faults, 2)) drive.failingReads["3ci.drc"] = param;
  if (Bit(faults, 3)) drive.failingReads["vaz3er.ini"] = param;
  if (Bit(faults, 4)) drive.refusedCreates.push_back(kOutputs[param % 4]);
  drive.refuseRenames = Bit(faults, 5);
  if (Bit(faults, 6)) drive.files[tunewerk::kLockName] = contents[param % 3].substr(0, 64);
  if (Bit(faults, 7)) drive.changeLimit = param;
  const std::map<std::string, std::string> before = drive.files;

  int width = screen == 0 ? tunewerk::kTranscriptWidth : 1 + 5 * (screen & 0x1F);
  int height = screen == 0 ? tunewerk::kTranscriptHeight : 1 + 4 * (screen >> 5);
  CheckScreenPut(contents[1].substr(0, 4096), width, height);
  tunewerk::MemoryTerminal terminal(answers, width, height);
  std::string errorLine;
  int status = tunewerk::RunTunewerk(drive, terminal, &errorLine,
                                     {.keepOrder = Bit(flags, 4), .stops = &tunewerk::TestStops()});

  CheckErrorLine(status, errorLine);
  if (Bit(faults, 6)) Check(status == 1 && drive.files == before, "a locked folder is left alone");
  if (Bit(faults, 7)) {
    drive.changeLimit = static_cast<std::size_t>(-1);
    std::string failure;
    Check(tunewerk::RepairOutputs(drive, kOutputs, &failure), "the next run repairs the drive");
    // From here on the checks below hold as for any run: the old set after a
    // failure, the new one after a success, and no leftovers.
  }
  for (const auto& [name, content] : drive.files) {
    if (Bit(faults, 6) && name == tunewerk::kLockName) continue;  // the other run's lock
    Check(name.rfind(".tunewerk-", 0) != 0, "no temporary is left");
  }
  for (const char* name : kInputs) {
    auto was = before.find(name);
    auto is = drive.files.find(name);
    Check((was == before.end()) == (is == drive.files.end()),
          "inputs are neither made nor removed");
    Check(was == before.end() || was->second == is->second, "inputs are unchanged");
  }
  if (status == 0) {
    CheckSuccessfulOutputs(drive, contents[2]);
    // Earlier echoes may stand below it, but the closing line is written last.
    if (screen == 0) {
      Check(terminal.transcript.find("files generated successfully") != std::string::npos,
            "a successful run shows its closing line");
    }
  } else {
    Check(drive.files == before, "a failed run leaves the drive as it was");
  }
  CheckCompare(drive);
  return 0;
}
