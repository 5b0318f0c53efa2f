#ifndef TUNEWERK_TESTS_SUPPORT_LISTING_LINES_H_
#define TUNEWERK_TESTS_SUPPORT_LISTING_LINES_H_

#include <string>
#include <vector>

namespace tunewerk {

// The lines of a text, each without its line end (LF, or CR LF when `crlf`)
// and without trailing blanks.
inline std::vector<std::string> TrimmedLines(const std::string& text, bool crlf) {
  std::vector<std::string> lines;
  std::string::size_type start = 0, end;
  while ((end = text.find('\n', start)) != std::string::npos) {
    std::string line = text.substr(start, end - start);
    if (crlf && !line.empty() && line.back() == '\r') line.pop_back();
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// The headings --list writes over its transponder and programme lines.
inline const std::vector<std::string> kListTransponderHeadings = {
    "Transponders:", "  Nr Sat Pol  Code    Freq SymRate  TV RadName"};
inline const std::vector<std::string> kListProgrammeHeadings = {
    "Programmes:", "  Nr  TP   SID  PCR VPID APID Tag Name"};

// What --list shows for the run that wrote `listing` (its tunewerk.txt):
// transponder lines, programme lines, each under its headings, then the
// three totals lines.
inline std::vector<std::string> ListedLines(const std::string& listing, int transponders) {
  std::vector<std::string> lines = TrimmedLines(listing, true);
  std::vector<std::string> listed = kListTransponderHeadings;
  listed.insert(listed.end(), lines.begin(), lines.begin() + transponders);
  listed.insert(listed.end(), kListProgrammeHeadings.begin(), kListProgrammeHeadings.end());
  listed.insert(listed.end(), lines.begin() + transponders + 9, lines.end());
  listed.insert(listed.end(), lines.begin() + transponders + 5, lines.begin() + transponders + 8);
  return listed;
}

}  // namespace tunewerk

#endif  // TUNEWERK_TESTS_SUPPORT_LISTING_LINES_H_
