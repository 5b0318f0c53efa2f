#ifndef TUNEWERK_APP_ESCAPED_TEXT_H_
#define TUNEWERK_APP_ESCAPED_TEXT_H_

#include <string>
#include <string_view>

namespace tunewerk {

// `text` made safe to show on a terminal inside a message: printable ASCII
// and well-formed UTF-8 letters stay, a backslash doubles, and every other
// byte (controls, DEL, C1 controls, broken UTF-8) becomes \xHH. For an
// argument that is not a path; a path is shown as typed (EscapeControls).
std::string EscapeForMessage(std::string_view text);

// The same for a whole message line that may hold a file name from the
// command line, except that a backslash stays as it is (c:\user.sdx).
std::string EscapeControls(std::string_view text);

// Lines for stderr, each ending in LF, escaped one by one: every line stays a
// line of its own; a last line without LF gets one.
std::string EscapeLines(std::string_view text);

}  // namespace tunewerk

#endif  // TUNEWERK_APP_ESCAPED_TEXT_H_
