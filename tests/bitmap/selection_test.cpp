// The selection state and the operations that read or apply it, set up directly (mark bitmap,
// work copy and box) and compared with the pixel loops of tests/support/bitmap_reference.
#include "bitmap/selection.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "pixmend/vxdll.h"
#include "support/bitmap_reference.hpp"
#include "support/random_bitmap.hpp"

namespace pixmend {
namespace {

using testsupport::Padding;
using testsupport::RandomBitmap;
using testsupport::Rng;

// Every test starts and ends without a selection state and with a zero box.
class Selection : public testing::Test {
 protected:
  void SetUp() override { selectionState() = SelectionState{}; }
  void TearDown() override { selectionState() = SelectionState{}; }

  // A live state over a width x height bitmap whose mark bitmap is `mark` (the first `size`
  // bytes of it; the work copy is irrelevant to these operations).
  static SelectionState& install(const std::vector<std::uint8_t>& mark, int width, int height, std::size_t size) {
    SelectionState& s = selectionState();
    s.release();
    s.width = width;
    s.height = height;
    s.size = size;
    s.mark = std::make_unique<std::uint8_t[]>(size);
    s.work = std::make_unique<std::uint8_t[]>(size);
    std::memcpy(s.mark.get(), mark.data(), std::min(size, mark.size()));
    return s;
  }

  static std::vector<int> copyBufferSize() {
    int maxX = 0, minX = 0, maxY = 0, minY = 0;
    VXDllGetCopyBufferSize(&maxX, &minX, &maxY, &minY);
    return {maxX, minX, maxY, minY};
  }
};

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

// A fill over columns 10..20 and rows 3..4, a cut line's ink marked at (21, 3) just right of it
// and at (25, 4) further out.
TEST_F(Selection, WidenedBoxTakesTheCutLineInkBesideTheFillAndNoMore) {
  const int W = 30, H = 8;
  std::vector<std::uint8_t> raster(bitmapBytes(W, H), 0xFF);  // all ink, padding bits set too
  std::vector<std::uint8_t> mark(raster.size(), 0);
  ConstBitmapView rasterView(raster.data(), W, H);
  BitmapView m(mark.data(), W, H);
  for (int y = 3; y <= 4; ++y) {
    for (int x = 10; x <= 20; ++x) m.set(x, y);
  }
  m.set(21, 3);
  m.set(25, 4);
  SelectionState& s = install(mark, W, H, mark.size());
  s.minX = 10;
  s.maxX = 20;
  s.minY = 3;
  s.maxY = 4;

  EXPECT_EQ(copyBufferSize(), (std::vector<int>{22, 10, 6, 3}));
  // 12 x 3 pixels: the fill's 11 x 2, the cut-line ink at (11, 0), an empty last row.
  std::vector<std::uint8_t> buffer(bitmapBytes(12, 3), 0xAA);
  VXDllGetDelBuffer(static_cast<int>(buffer.size()), buffer.data());
  EXPECT_EQ(buffer, (std::vector<std::uint8_t>{0xFF, 0xF0, 0xFF, 0xE0, 0x00, 0x00}));

  VXDllDeleteSelected(raster.data());
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const bool deleted = (y >= 3 && y <= 4 && x >= 10 && x <= 20) || (x == 21 && y == 3);
      EXPECT_EQ(rasterView.get(x, y), !deleted) << x << ", " << y;
    }
  }
  EXPECT_EQ(raster[3 * 4 + 3] & 0x03, 0x03);  // padding untouched

  // The widening persists: a second call widens again. The box outlives the release.
  EXPECT_EQ(copyBufferSize(), (std::vector<int>{24, 10, 8, 3}));
  VXDllFreeDelBuffer();
  EXPECT_FALSE(selectionState().live());
  EXPECT_EQ(copyBufferSize(), (std::vector<int>{26, 10, 10, 3}));
}

TEST_F(Selection, DelBufferMatchesThePixelLoopsAndStaysWithinSize) {
  Rng rng(29);
  for (int round = 0; round < 3000; ++round) {
    const int W = rng.uniform(1, 130), H = rng.uniform(1, 12);
    const RandomBitmap mark = testsupport::randomBitmap(rng, W, H, round % 2 ? 0.5 : 0.1, Padding::Random);
    // Now and then the state holds fewer rows than the bitmap has.
    const std::size_t full = mark.bits.size();
    const std::size_t size = round % 7 == 0 ? static_cast<std::size_t>(rng.uniform(1, static_cast<int>(full))) : full;
    SelectionState& s = install(mark.bits, W, H, size);
    // Boxes inside, across the edges of, and outside the bitmap; empty ones too.
    s.minX = rng.uniform(-6, W);
    s.maxX = s.minX + rng.uniform(-2, W + 6);
    s.minY = rng.uniform(-3, H);
    s.maxY = s.minY + rng.uniform(-1, H + 3);
    const long long bw = std::max(0, s.maxX - s.minX), bh = std::max(0, s.maxY - s.minY);
    const int needed = static_cast<int>(bh * ((bw + 7) / 8));
    // The size given: what the box needs, less than that (a short buffer), or more.
    const int given = round % 5 == 0 ? rng.uniform(0, needed) : round % 5 == 1 ? needed + rng.uniform(1, 9) : needed;
    std::vector<std::uint8_t> fast(static_cast<std::size_t>(given) + 16, 0xA5), slow = fast;
    VXDllGetDelBuffer(given, fast.data());
    testsupport::getDelBuffer(s, given, slow.data());
    ASSERT_EQ(fast, slow) << "round " << round << ": box [" << s.minX << ", " << s.maxX << ") x [" << s.minY << ", "
                          << s.maxY << ") of " << W << " x " << H << ", size " << given;
    for (std::size_t i = static_cast<std::size_t>(given); i < fast.size(); ++i) ASSERT_EQ(fast[i], 0xA5);
  }
}

TEST_F(Selection, DeleteSelectedMatchesThePixelLoops) {
  Rng rng(31);
  for (int round = 0; round < 3000; ++round) {
    const int W = rng.uniform(1, 130), H = rng.uniform(1, 12);
    const RandomBitmap mark = testsupport::randomBitmap(rng, W, H, round % 2 ? 0.5 : 0.1, Padding::Random);
    const std::size_t full = mark.bits.size();
    const std::size_t size = round % 7 == 0 ? static_cast<std::size_t>(rng.uniform(1, static_cast<int>(full))) : full;
    SelectionState& s = install(mark.bits, W, H, size);
    s.minX = rng.uniform(-6, W);
    s.maxX = s.minX + rng.uniform(-2, W + 6);
    s.minY = rng.uniform(-3, H);
    s.maxY = s.minY + rng.uniform(-1, H + 3);
    const RandomBitmap dest = testsupport::randomBitmap(rng, W, H, 0.7, Padding::Random);
    std::vector<std::uint8_t> fast = dest.bits, slow = dest.bits;
    VXDllDeleteSelected(fast.data());
    testsupport::deleteSelected(s, slow.data());
    ASSERT_EQ(fast, slow) << "round " << round;
  }
}

TEST_F(Selection, WithoutALiveStateNothingHarmfulHappens) {
  SelectionState& s = selectionState();
  s.width = 40;
  s.height = 10;
  s.minX = 2;
  s.maxX = 30;
  s.minY = 1;
  s.maxY = 9;
  std::vector<std::uint8_t> buffer(64, 0x5A);
  VXDllGetDelBuffer(40, buffer.data());  // only the clearing
  for (std::size_t i = 0; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], i < 40 ? 0x00 : 0x5A) << i;
  std::vector<std::uint8_t> raster(bitmapBytes(40, 10), 0xFF);
  VXDllDeleteSelected(raster.data());
  EXPECT_EQ(raster, std::vector<std::uint8_t>(raster.size(), 0xFF));
  VXDllFreeDelBuffer();
  VXDllFreeDelBuffer();  // a second release is harmless
  EXPECT_EQ(s.minX, 2);

  // Null and non-positive arguments with a live state.
  install(std::vector<std::uint8_t>(raster.size(), 0xFF), 40, 10, raster.size());
  VXDllGetDelBuffer(0, buffer.data());
  VXDllGetDelBuffer(-4, buffer.data());
  EXPECT_EQ(buffer[0], 0x00);
  EXPECT_EQ(buffer[40], 0x5A);
  VXDllGetDelBuffer(40, nullptr);
  VXDllDeleteSelected(nullptr);
  VXDllGetCopyBufferSize(nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(s.maxX, 32);
  VXDllFreeDelBuffer();
  VXDllFreeDelBuffer();
  EXPECT_FALSE(s.live());
}

TEST_F(Selection, WideningStopsAtTheLargestInt) {
  SelectionState& s = selectionState();
  s.maxX = INT_MAX - 1;
  s.maxY = INT_MAX;
  EXPECT_EQ(copyBufferSize(), (std::vector<int>{INT_MAX, 0, INT_MAX, 0}));
  // Such a box is never made by a fill; the extraction still only clears.
  install(std::vector<std::uint8_t>(8, 0xFF), 8, 8, 8);
  s.minX = INT_MIN;
  std::vector<std::uint8_t> buffer(16, 0x77);
  VXDllGetDelBuffer(16, buffer.data());
  EXPECT_EQ(buffer, std::vector<std::uint8_t>(16, 0x00));
}

}  // namespace
}  // namespace pixmend
