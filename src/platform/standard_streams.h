#ifndef TUNEWERK_PLATFORM_STANDARD_STREAMS_H_
#define TUNEWERK_PLATFORM_STANDARD_STREAMS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tunewerk {

// Once at start, before anything is written: a closed pipe on standard
// output is a failed write (not a signal), and the streams carry bytes as
// they are.
void PrepareStandardStreams();

// Reads what standard input has, up to `capacity` bytes, waiting for it when
// the descriptor is non-blocking or a call is interrupted. Returns the count,
// 0 at the end of input, or -1 with *reason when the read failed.
long ReadStandardInput(std::uint8_t* buffer, std::size_t capacity, std::string* reason);

// Writes all of `bytes` to standard output, waiting as above. False with
// *reason when a write failed.
bool WriteStandardOutput(std::string_view bytes, std::string* reason);

// True when standard input is a terminal or console: there the end of input
// is the user's choice to stop, not the end of prepared answers.
bool StandardInputIsInteractive();

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_STANDARD_STREAMS_H_
