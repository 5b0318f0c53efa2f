#ifndef TUNEWERK_SDX_IMPORT_H_
#define TUNEWERK_SDX_IMPORT_H_

#include <string_view>

#include "io/files.h"
#include "model/channel_tables.h"

namespace tunewerk {

constexpr char kSdxFileName[] = "user.sdx";

// Handed each record of the list as it is read, accepted or not, so that the
// run can show it. One call per record: it sits on the import's hot path.
class RecordSink {
 public:
  virtual void Take(std::string_view record) = 0;
  // A record the reader found plain (SdxLineEnds::plainRecord): a sink that
  // would look for bytes that move the cursor need not.
  virtual void TakePlainLine(std::string_view record) { Take(record); }

 protected:
  ~RecordSink() = default;
};

// Resets the transponder and programme tables and their counters, opens the
// SDX list and reads it record by record (each handed to `records`) until its
// end, 999 transponders or 2999 programmes. The file stays open.
void ImportChannels(InputFile& sdx, RecordSink& records, ChannelTables& tables);

// True when the import stopped at 999 transponders or 2999 programmes while
// a line with content (a byte other than CR and LF before the end or a byte
// 26) was still unread. Reads on through the list as far as it must.
bool ImportLeftContentUnread(InputFile& sdx, const ChannelTables& tables);

}  // namespace tunewerk

#endif  // TUNEWERK_SDX_IMPORT_H_
