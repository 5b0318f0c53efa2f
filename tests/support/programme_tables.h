#ifndef TUNEWERK_TESTS_SUPPORT_PROGRAMME_TABLES_H_
#define TUNEWERK_TESTS_SUPPORT_PROGRAMME_TABLES_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/channel_tables.h"

namespace tunewerk {

// A programme as the receiver tunes it.
struct Tuned {
  std::string name;
  std::uint16_t sid = 1;
  std::int32_t frequency = 1174250;
  std::uint8_t polBand = 193;
  std::uint8_t satNumber = 0;
};

// Tables holding the programmes in order, each on a transponder of its own.
// On the heap: the tables are too large for a small stack.
inline std::unique_ptr<ChannelTables> TablesOf(const std::vector<Tuned>& programmes) {
  auto tables = std::make_unique<ChannelTables>();
  for (const Tuned& t : programmes) {
    int i = tables->transponderCount++;
    tables->transponders[i].frequency = t.frequency;
    tables->transponders[i].polBand = t.polBand;
    tables->transponders[i].satNumber = t.satNumber;
    ProgrammeEntry& p = tables->programmes[++tables->programmeCount];
    p.tpIndex = static_cast<std::uint16_t>(i);
    p.sid = t.sid;
    p.videoPid = 100;
    p.displayName.Assign(t.name);
  }
  return tables;
}

}  // namespace tunewerk

#endif  // TUNEWERK_TESTS_SUPPORT_PROGRAMME_TABLES_H_
