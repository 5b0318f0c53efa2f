#ifndef TUNEWERK_PLATFORM_CP437_H_
#define TUNEWERK_PLATFORM_CP437_H_

#include <cstdint>
#include <string>

namespace tunewerk {

// Appends the UTF-8 form of the glyph the Windows console's OEM code page
// shows for `byte`; byte 0 shows as a blank. Never a control character.
void AppendCp437Glyph(std::uint8_t byte, std::string* out);

}  // namespace tunewerk

#endif  // TUNEWERK_PLATFORM_CP437_H_
