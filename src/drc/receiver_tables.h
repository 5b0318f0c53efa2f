#ifndef TUNEWERK_DRC_RECEIVER_TABLES_H_
#define TUNEWERK_DRC_RECEIVER_TABLES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "drc/receiver_file.h"
#include "io/file_error_state.h"
#include "model/channel_tables.h"
#include "platform/drive.h"

namespace tunewerk {

// Room for a whole receiver file and one byte more, so that a longer file
// shows; allocated once by whoever reads one.
struct ReceiverFileImage {
  std::uint8_t bytes[kReceiverFileSize + 1];
  std::size_t size = 0;  // the file's full size, also when it did not fit
};

enum class TablesRead {
  kTables,           // the tables were decoded into the ChannelTables
  kNoTables,         // shorter than the tables: the tables are left empty
  kCannotRead,       // a read failed; the problem is the system's words
  kNotReceiverFile,  // the problem says what is wrong
};

// Reads a receiver channel file and decodes its tables into `tables` (left
// empty unless kTables). With `shortHoldsNoTables`, a file shorter than the
// tables (a header alone, as a receiver may save it) holds no programmes;
// otherwise it is not a receiver file. image.size is the file's size.
TablesRead ReadReceiverTables(ReadableFile& file, bool shortHoldsNoTables, ReceiverFileImage& image,
                              ChannelTables& tables, std::string* problem);

// The old receiver file's tables for a run: a file shorter than the tables
// holds none. A failure enters the run's error state with the file's name
// (`purpose` says what the tables were read for).
void ReadOldReceiverTables(Drive& drive, std::string_view name, std::string_view purpose,
                           FileErrorState& state, ReceiverFileImage& image, ChannelTables& tables);

}  // namespace tunewerk

#endif  // TUNEWERK_DRC_RECEIVER_TABLES_H_
