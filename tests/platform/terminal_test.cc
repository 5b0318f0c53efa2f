#include "platform/terminal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace tunewerk {
namespace {

TEST(RedrawPacerTest, DrawsWhenForcedOrAfterAPauseWithAChange) {
  Screen screen(10, 2, 0x07);
  RedrawPacer pacer;
  EXPECT_TRUE(pacer.Due(screen, Redraw::kWhenDue)) << "the first picture";
  EXPECT_FALSE(pacer.Due(screen, Redraw::kWhenDue)) << "nothing changed";
  screen.Put("a");
  EXPECT_FALSE(pacer.Due(screen, Redraw::kWhenDue)) << "changed, but within 40 ms";
  EXPECT_TRUE(pacer.Due(screen, Redraw::kNow)) << "forced";
  EXPECT_TRUE(pacer.Due(screen, Redraw::kNow)) << "forced, nothing changed";
  screen.Put("b");
  std::this_thread::sleep_for(std::chrono::milliseconds(45));
  EXPECT_TRUE(pacer.Due(screen, Redraw::kWhenDue)) << "changed, 45 ms later";
  std::this_thread::sleep_for(std::chrono::milliseconds(45));
  EXPECT_FALSE(pacer.Due(screen, Redraw::kWhenDue)) << "45 ms later, unchanged";
}

}  // namespace
}  // namespace tunewerk
