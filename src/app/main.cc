#include <cstdio>
#include <new>

#include "app/program.h"

// No path ends in an uncaught exception: what the program does not catch
// (memory for the command line or a message) still ends with one line.
int main(int argc, char** argv) {
  try {
    return tunewerk::RunProgram(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("tunewerk: out of memory; no file was changed\n", stderr);
  } catch (...) {
    std::fputs("tunewerk: internal error\n", stderr);
  }
  return 1;
}
