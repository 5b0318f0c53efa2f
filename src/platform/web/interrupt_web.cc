// Stopping a run on the web: no signal reaches compiled code. The node runner
// asks tunewerk_stop when the process gets one while the run waits for input,
// which is the only time its handlers run; the page never stops a run.
#include <emscripten.h>
#include <unistd.h>

#include "platform/interrupt.h"

namespace tunewerk {

namespace {

bool gHeldToEnd = false;

}  // namespace

void InstallStopHandler() {}

// The host restores its terminal itself.
void SetInterruptRestore(const char*) {}

// Compiled code runs to its next wait for input without a break, so a stop
// can only come where none is held.
void HoldStopSignals() {}
void ReleaseStopSignals() {}

void HoldStopSignalsToEnd() {
  gHeldToEnd = true;
}

}  // namespace tunewerk

// 1 when the run is to end now, its temporaries removed; 0 when a replacement has begun and must be
// finished.
extern "C" EMSCRIPTEN_KEEPALIVE int tunewerk_stop() {
  using namespace tunewerk;
  if (gHeldToEnd) return 0;
  for (int i = 0; i < TemporaryTable::kSlots; ++i) {
    if (const char* path = RememberedTemporary(i)) unlink(path);
  }
  return 1;
}
