#ifndef TUNEWERK_PLATFORM_WEB_HOST_H_
#define TUNEWERK_PLATFORM_WEB_HOST_H_

#include <cstddef>
#include <cstdint>

// What the page or the node runner does for the program (web/library_tunewerk.js
// hands each call to the host the instance was made with).
extern "C" {

// Waits for typed answers or standard input: the count, 0 at the end of
// input, -1 when reading failed. The page goes on while it waits.
int tunewerk_host_read(std::uint8_t* buffer, std::size_t capacity);
// Writes all of `data` to standard output: 0, or 1 for a closed pipe and 2
// for any other failure.
int tunewerk_host_write(const std::uint8_t* data, std::size_t size);
// 1 when standard input is a terminal or the page's keyboard.
int tunewerk_host_interactive();
// 1 with the screen's size when the screen is drawn live (the page, a
// terminal); 0 when the transcript is written at exit.
int tunewerk_host_screen(int* columns, int* rows);
// Shows the screen: `glyphs` is UTF-8, `columns` glyphs a row, `attributes`
// one byte a cell; the cursor counts from 1.
void tunewerk_host_draw(const char* glyphs, const std::uint8_t* attributes, int columns, int rows,
                        int cursorColumn, int cursorRow);
// The live screen is done with: the terminal goes back as it was.
void tunewerk_host_finish();
}

#endif  // TUNEWERK_PLATFORM_WEB_HOST_H_
