// The selection state's bookkeeping: usable rows and release.
#include "bitmap/selection.hpp"

#include <gtest/gtest.h>

namespace pixmend {
namespace {

TEST(SelectionState, UsableHeightFollowsTheBytesGiven) {
  SelectionState s;
  s.width = 10;  // stride 2
  s.height = 5;
  s.size = 7;    // three whole rows
  s.mark = std::make_unique<std::uint8_t[]>(s.size);
  s.work = std::make_unique<std::uint8_t[]>(s.size);
  EXPECT_EQ(s.usableHeight(), 3);
  s.size = 100;
  EXPECT_EQ(s.usableHeight(), 5);
  s.minX = 4;
  s.release();
  EXPECT_FALSE(s.live());
  EXPECT_EQ(s.usableHeight(), 0);
  EXPECT_EQ(s.minX, 4);  // the box survives release
}

}  // namespace
}  // namespace pixmend
