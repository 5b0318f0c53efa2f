#include <gtest/gtest.h>

#include "model/screen.h"
#include "platform/terminal.h"

namespace tunewerk {
namespace {

// Only what does not hang on the clock: a forced redraw always happens, an
// unchanged screen never needs one, and the first change is drawn at once.
TEST(RedrawPacerTest, ForcedAlwaysUnchangedNeverFirstChangeAtOnce) {
  struct Step {
    bool change;
    bool force;
    bool due;
  };
  const Step steps[] = {
      {true, false, true},  // the first picture
      {false, false, false}, {false, true, true},   {false, true, true},
      {true, true, true},    {false, false, false},
  };
  Screen screen(10, 3, 0x07);
  RedrawPacer pacer;
  int i = 0;
  for (const Step& step : steps) {
    if (step.change) screen.Put("x");
    EXPECT_EQ(pacer.Due(screen, step.force ? Redraw::kNow : Redraw::kWhenDue), step.due)
        << "step " << i++;
  }
}

// However many unforced calls were declined for pace, a forced one draws.
TEST(RedrawPacerTest, ForcedRedrawAfterManyDeclinedCalls) {
  Screen screen(10, 3, 0x07);
  RedrawPacer pacer;
  screen.Put("a");
  ASSERT_TRUE(pacer.Due(screen, Redraw::kWhenDue));
  for (int i = 0; i < 200; ++i) {
    screen.Put("b");
    pacer.Due(screen, Redraw::kWhenDue);
  }
  screen.Put("c");
  EXPECT_TRUE(pacer.Due(screen, Redraw::kNow));
  EXPECT_FALSE(pacer.Due(screen, Redraw::kWhenDue));
}

}  // namespace
}  // namespace tunewerk
