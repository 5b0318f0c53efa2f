#ifndef TUNEWERK_TESTS_SDX_SDX_LINES_H_
#define TUNEWERK_TESTS_SDX_SDX_LINES_H_

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace tunewerk {

// One SDX line, field by field, as the text of its record positions.
struct Rec {
  std::string tpName = "Nordsat1 TP 1 ";
  std::string radio = "T";
  std::string stream = "MPG2";
  std::string frequency = "01176400";
  std::string pol = "0";
  std::string name = "Kanal Ein";  // first 8 at position 44, the rest at 116
  std::string pos = "192";
  std::string provider = "NDF     ";
  std::string symbolRate = "27500";
  std::string videoPid = "0101";
  std::string audioPid = "0102";
  std::string pcrPid = "0101";
  std::string sid = "28106";
  std::string tpCode = "01051";
  std::string tag = "deu";
  std::string ca = "____";
};

// The line text; record position p is column p - 1 on lines after the first.
inline std::string Line(const Rec& r) {
  std::string line(126, ' ');
  auto put = [&line](std::size_t position, const std::string& text) {
    line.replace(position - 2, text.size(), text);
  };
  std::string name = r.name + std::string(20 - std::min<std::size_t>(20, r.name.size()), ' ');
  put(11, r.tpName);
  put(29, r.radio);
  put(30, r.stream);
  put(34, r.frequency);
  put(43, r.pol);
  put(44, name.substr(0, 8));
  put(52, r.pos);
  put(56, r.provider);
  put(70, r.symbolRate);
  put(76, r.videoPid);
  put(80, r.audioPid);
  put(84, r.pcrPid);
  put(88, r.sid);
  put(98, r.tpCode);
  put(103, r.tag);
  put(112, r.ca);
  put(116, name.substr(8, 12));
  return line;
}

inline std::string Number(int value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", width, value);
  return text;
}

// A list as a user saves it: a heading line, then CR LF lines.
inline std::string SdxFile(const std::vector<Rec>& records) {
  std::string text = "SDX channel list\r\n";
  for (const Rec& r : records) text += Line(r) + "\r\n";
  return text;
}

}  // namespace tunewerk

#endif  // TUNEWERK_TESTS_SDX_SDX_LINES_H_
