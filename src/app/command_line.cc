#include "app/command_line.h"

#include <string_view>

#include "app/escaped_text.h"

namespace tunewerk {

const char kVersionLine[] = "tunewerk " TUNEWERK_VERSION "\n";

const char kUsageSynopsis[] =
    "Usage: tunewerk [-C DIR] [--batch] [--scrambled] [--c-band] [--unsorted] [--feeds]\n"
    "                [--keep-order]\n"
    "       tunewerk [-C DIR] --list FILE\n"
    "       tunewerk [-C DIR] --compare OLD NEW\n"
    "       tunewerk --help | -h | --version\n";

const char kUsage[] =
    "Usage: tunewerk [-C DIR] [--batch] [--scrambled] [--c-band] [--unsorted] [--feeds]\n"
    "                [--keep-order]\n"
    "       tunewerk [-C DIR] --list FILE\n"
    "       tunewerk [-C DIR] --compare OLD NEW\n"
    "       tunewerk --help | -h | --version\n"
    "\n"
    "Turns an SDX channel list into a Radix 3CI-Advanced receiver channel file.\n"
    "Drive C is c:\\ on Windows, the current directory elsewhere. Reads user.sdx,\n"
    "vaz3er.ini and 3ci.drc there, asks four questions and writes user.drc,\n"
    "tunewerk.txt, audio.txt and video.txt.\n"
    "\n"
    "Questions (only the exact answer counts):\n"
    "  Include scrambled programmes (y=yes)?\n"
    "  Include C-Band (y=yes)?\n"
    "  Sort alphabetically by satellite (n=no)?   (empty: sort)\n"
    "  Include feeds & test cards (y=yes)?\n"
    "\n"
    "Options:\n"
    "  -C DIR, --directory=DIR  use DIR as drive C\n"
    "  --batch        answer the questions from the options below, not from\n"
    "                 standard input; a question without its option gets an\n"
    "                 empty answer\n"
    "  --scrambled    answer y: include scrambled programmes   (implies --batch)\n"
    "  --c-band       answer y: include C band                 (implies --batch)\n"
    "  --unsorted     answer n: do not sort                    (implies --batch)\n"
    "  --feeds        answer y: include feeds and test cards   (implies --batch)\n"
    "  --keep-order   the programmes 3ci.drc holds come first, in its order;\n"
    "                 new ones follow, gone ones are left out\n"
    "  --list FILE    print the transponders, programmes and totals of a\n"
    "                 receiver channel file, lines ended by LF; writes nothing\n"
    "  --compare OLD NEW\n"
    "                 print which programmes of receiver file NEW are new,\n"
    "                 gone or renumbered against OLD (3ci.drc user.drc)\n"
    "  -h, --help     show this text (on Windows also /?)\n"
    "  --version      show the version\n"
    "\n"
    "Exit status: 0 when the files were generated (or listed, or compared), 1\n"
    "when a file could not be read or written (the reason goes to standard\n"
    "error; no output changes), 2 for a usage error. See tunewerk(1).\n";

namespace {

// Arguments are shown escaped: no byte of one acts on the user's terminal.
std::string Quoted(std::string_view argument) {
  std::string quoted(1, '\'');
  quoted += EscapeForMessage(argument);
  quoted.push_back('\'');
  return quoted;
}

// `C:\My Receiver\"` typed on the Windows command line arrives as
// `C:\My Receiver"` and the rest of the line: a backslash before a quote
// makes it a quote of the name.
std::string QuoteInFolderProblem(std::string_view folder) {
  std::string_view meant = folder.substr(0, folder.find('"'));
  while (meant.size() > 1 && meant.back() == '\\') meant.remove_suffix(1);
  return "-C '" + EscapeControls(folder) +
         "' holds a quote: a backslash just before a closing quote keeps the quote and joins "
         "the rest of the line to the folder; write the folder without its last backslash: "
         "-C \"" +
         EscapeControls(meant) + "\"";
}

class Parser {
 public:
  Parser(int argc, const char* const* argv, bool windows)
      : argc_(argc), argv_(argv), windows_(windows) {}

  CommandLine Parse() {
    bool help = false, version = false, list = false, compare = false;
    for (next_ = 1; next_ < argc_ && line_.problem.empty();) {
      std::string_view argument = argv_[next_++];
      if (argument == "-h" || argument == "--help" || (windows_ && argument == "/?")) {
        help = true;
      } else if (argument == "--version") {
        version = true;
      } else if (TakeValue(argument, "-C", "--directory", &line_.directory)) {
        if (line_.hasDirectory) Problem("-C given twice");
        if (windows_ && line_.directory.find('"') != std::string::npos) {
          Problem(QuoteInFolderProblem(line_.directory));
        }
        line_.hasDirectory = true;
      } else if (TakeValue(argument, "", "--list", &line_.listFile)) {
        if (list) Problem("--list given twice");
        list = true;
      } else if (TakeValue(argument, "", "--compare", &line_.compareOld)) {
        if (compare) Problem("--compare given twice");
        compare = true;
        TakeSecondFile();
      } else if (argument == "--keep-order") {
        line_.keepOrder = true;
      } else if (!TakeAnswer(argument) && line_.problem.empty()) {
        if (argument.size() > 1 && argument[0] == '-') {
          Problem("unknown option " + Quoted(argument));
        } else {
          Problem("unexpected argument " + Quoted(argument));
        }
      }
    }
    if (line_.problem.empty()) line_.action = Decide(help, version, list, compare);
    return line_;
  }

 private:
  CommandAction Decide(bool help, bool version, bool list, bool compare) {
    bool others = list || compare || line_.hasDirectory || line_.answersGiven || line_.keepOrder;
    if (help && !version && !others) return CommandAction::kHelp;
    if (version && !help && !others) return CommandAction::kVersion;
    if (help || version) {
      Problem(std::string(help ? "--help" : "--version") + " takes no other options");
      return CommandAction::kUsageError;
    }
    if (list && compare) {
      Problem("--list and --compare go apart");
      return CommandAction::kUsageError;
    }
    if (list || compare) {
      const char* name = list ? "--list" : "--compare";
      if (line_.answersGiven) {
        Problem(std::string(name) + " asks no questions: it takes no answer options");
        return CommandAction::kUsageError;
      }
      if (line_.keepOrder) {
        Problem(std::string(name) + " writes no files: it takes no --keep-order");
        return CommandAction::kUsageError;
      }
    }
    return list ? CommandAction::kList : compare ? CommandAction::kCompare : CommandAction::kRun;
  }

  // The NEW file of --compare OLD NEW.
  void TakeSecondFile() {
    if (!line_.problem.empty()) return;
    if (next_ < argc_) line_.compareNew = argv_[next_++];
    if (line_.compareNew.empty()) Problem("--compare needs two files");
  }

  // `-C DIR`, `-CDIR`, `--directory DIR` and `--directory=DIR` (the short
  // form only when `shortName` is not empty).
  bool TakeValue(std::string_view argument, std::string_view shortName, std::string_view longName,
                 std::string* value) {
    std::string_view name;
    if (!shortName.empty() && argument.starts_with(shortName)) {
      name = shortName;
    } else if (argument == longName ||
               (argument.starts_with(longName) && argument[longName.size()] == '=')) {
      name = longName;
    } else {
      return false;
    }
    std::string_view rest = argument.substr(name.size());
    if (name == longName && !rest.empty()) rest.remove_prefix(1);  // the '='
    value->clear();
    if (!rest.empty() || argument.size() > name.size()) {
      *value = std::string(rest);
    } else if (next_ < argc_) {
      *value = argv_[next_++];
    }
    // Missing or empty ("-C ''", "--list="): no file or folder has that name.
    if (value->empty()) {
      Problem(std::string(name) + " needs " +
              (name == "--list"      ? "a file"
               : name == "--compare" ? "two files"
                                     : "a directory"));
    }
    return true;
  }

  bool TakeAnswer(std::string_view argument) {
    GivenAnswers& answers = line_.answers;
    if (argument == "--scrambled") {
      answers.scrambled = true;
    } else if (argument == "--c-band") {
      answers.cBand = true;
    } else if (argument == "--unsorted") {
      answers.unsorted = true;
    } else if (argument == "--feeds") {
      answers.feeds = true;
    } else if (argument != "--batch") {
      return false;
    }
    line_.answersGiven = true;
    return true;
  }

  void Problem(std::string text) {
    if (line_.problem.empty()) line_.problem = std::move(text);
    line_.action = CommandAction::kUsageError;
  }

  int argc_;
  const char* const* argv_;
  bool windows_;
  int next_ = 1;
  CommandLine line_;
};

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv, bool windows) {
  return Parser(argc, argv, windows).Parse();
}

}  // namespace tunewerk
