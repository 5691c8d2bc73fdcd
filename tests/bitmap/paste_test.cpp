// The paste kernels and their exports against the pixel loops of tests/support/bitmap_reference:
// every width up to 130, every destination bit offset, clipping on each side, and padding bits
// (random in both bitmaps) that must neither be pasted nor changed.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "bitmap/drawing.hpp"
#include "bitmap/paste.hpp"
#include "bitmap/selection.hpp"
#include "pixmend/vxdll.h"
#include "support/bitmap_reference.hpp"
#include "support/random_bitmap.hpp"

namespace pixmend {
namespace {

using testsupport::Padding;
using testsupport::RandomBitmap;
using testsupport::Rng;

// Runs the exported paste and the reference on copies of dest and compares every byte.
void expectPasteMatches(const RandomBitmap& dest, const RandomBitmap& src, int x, int y, bool transparent) {
  std::vector<std::uint8_t> fast = dest.bits, slow = dest.bits;
  if (transparent) {
    VXDllPasteTransparent(fast.data(), src.bits.data(), x, y, src.width, src.height, dest.width);
  } else {
    VXDllPaste(fast.data(), src.bits.data(), x, y, src.width, src.height, dest.width);
  }
  testsupport::paste(slow.data(), src.bits.data(), x, y, src.width, src.height, dest.width, dest.height, transparent);
  ASSERT_EQ(fast, slow) << (transparent ? "transparent" : "opaque") << " paste of " << src.width << " x "
                        << src.height << " at (" << x << ", " << y << ") into width " << dest.width;
}

TEST(ExportedPaste, MatchesThePixelLoopsForEveryWidthAndOffset) {
  Rng rng(11);
  for (int srcW = 1; srcW <= 130; ++srcW) {
    const int destWidths[] = {srcW + rng.uniform(0, 70), rng.uniform(1, 140)};
    for (int destW : destWidths) {
      // Every bit offset near the left edge (partly outside included), across the right edge,
      // and wholly outside on both sides.
      std::vector<int> xs;
      for (int x = -9; x <= 8; ++x) xs.push_back(x);
      for (int x = destW - srcW - 8; x <= destW - srcW + 8; ++x) xs.push_back(x);
      xs.insert(xs.end(), {-srcW - 1, -srcW, destW - 1, destW, destW + 1});
      for (int x : xs) {
        const int srcH = rng.uniform(0, 5);  // 0 rows: nothing to do
        const int y = rng.uniform(-2, 1);
        const RandomBitmap src = testsupport::randomBitmap(rng, srcW, srcH, 0.5, Padding::Random);
        const RandomBitmap dest = testsupport::randomBitmap(rng, destW, std::max(1, y + srcH) + 1, 0.5, Padding::Random);
        expectPasteMatches(dest, src, x, y, false);
        expectPasteMatches(dest, src, x, y, true);
        if (HasFatalFailure()) return;
      }
    }
  }
}

TEST(ExportedPaste, DocumentedEdgeCases) {
  // Width 10: a 2-byte stride with 6 padding bits per row, which neither paste touches even when
  // the source covers every pixel of the row.
  std::vector<std::uint8_t> dest(2 * 3, 0x00);
  const std::vector<std::uint8_t> black(2 * 3, 0xFF);
  VXDllPaste(dest.data(), black.data(), 0, 0, 10, 3, 10);
  EXPECT_EQ(dest, (std::vector<std::uint8_t>{0xFF, 0xC0, 0xFF, 0xC0, 0xFF, 0xC0}));
  std::fill(dest.begin(), dest.end(), 0x3F);  // padding set, pixels 2..9 set
  VXDllPasteTransparent(dest.data(), black.data(), 0, 0, 10, 3, 10);
  EXPECT_EQ(dest, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));

  // All-background source over a black area: opaque clears the rectangle, transparent does not.
  std::vector<std::uint8_t> area(4 * 8, 0xFF);  // 32 x 8 black
  const std::vector<std::uint8_t> white(2 * 4, 0x00);  // 16 x 4
  std::vector<std::uint8_t> merged = area;
  VXDllPasteTransparent(merged.data(), white.data(), 8, 2, 16, 4, 32);
  EXPECT_EQ(merged, area);
  VXDllPaste(area.data(), white.data(), 8, 2, 16, 4, 32);
  for (int y = 0; y < 8; ++y) {
    const bool inside = y >= 2 && y < 6;
    EXPECT_EQ(area[y * 4 + 0], 0xFF);
    EXPECT_EQ(area[y * 4 + 1], inside ? 0x00 : 0xFF);
    EXPECT_EQ(area[y * 4 + 2], inside ? 0x00 : 0xFF);
    EXPECT_EQ(area[y * 4 + 3], 0xFF);
  }

  // A 1 x 1 source at (0, 0) touches only the most significant bit of byte 0.
  std::vector<std::uint8_t> one(2 * 2, 0x00);
  const std::uint8_t dot = 0x80;
  VXDllPaste(one.data(), &dot, 0, 0, 1, 1, 16);
  EXPECT_EQ(one, (std::vector<std::uint8_t>{0x80, 0, 0, 0}));
  one.assign(4, 0xFF);
  const std::uint8_t blank = 0x7F;  // pixel 0 background, the rest padding
  VXDllPaste(one.data(), &blank, 0, 0, 1, 1, 16);
  EXPECT_EQ(one, (std::vector<std::uint8_t>{0x7F, 0xFF, 0xFF, 0xFF}));
}

TEST(ExportedPaste, ImpossibleArgumentsLeaveTheDestinationAlone) {
  Rng rng(5);
  const RandomBitmap dest = testsupport::randomBitmap(rng, 37, 9, 0.5, Padding::Random);
  const RandomBitmap src = testsupport::randomBitmap(rng, 20, 4, 0.5);
  std::vector<std::uint8_t> d = dest.bits;
  auto both = [&](int x, int y, int sw, int sh, int dw) {
    VXDllPaste(d.data(), src.bits.data(), x, y, sw, sh, dw);
    VXDllPasteTransparent(d.data(), src.bits.data(), x, y, sw, sh, dw);
    // With the selection box at (0, 0) the smart paste lands on (-offsetX, -offsetY).
    VXDllSmartPaste(d.data(), src.bits.data(), x == INT_MIN ? INT_MAX : -x, y == INT_MIN ? INT_MAX : -y, dw, 99, sw, sh);
  };
  selectionState().minX = 0;
  selectionState().minY = 0;
  both(3, 2, 0, 4, 37);
  both(3, 2, 20, 0, 37);
  both(3, 2, -20, 4, 37);
  both(3, 2, 20, -4, 37);
  both(3, 2, 20, 4, 0);
  both(3, 2, 20, 4, -37);
  both(-20, 2, 20, 4, 37);   // just left of the destination
  both(37, 2, 20, 4, 37);    // just right of it
  both(3, -4, 20, 4, 37);    // just above it
  both(INT_MIN, 2, 20, 4, 37);
  both(INT_MAX, 2, 20, 4, 37);
  both(3, INT_MIN, 20, 4, 37);
  EXPECT_EQ(d, dest.bits);
  VXDllPaste(nullptr, src.bits.data(), 0, 0, 20, 4, 37);
  VXDllPaste(d.data(), nullptr, 0, 0, 20, 4, 37);
  VXDllPasteTransparent(nullptr, nullptr, 0, 0, 20, 4, 37);
  VXDllSmartPaste(d.data(), nullptr, 0, 0, 37, 0, 20, 4);
  EXPECT_EQ(d, dest.bits);
  // A selection box far out makes the smart placement overflow an int: nothing happens.
  selectionState().minX = INT_MIN;
  VXDllSmartPaste(d.data(), src.bits.data(), 1, 0, 37, 0, 20, 4);
  selectionState().minX = INT_MAX;
  VXDllSmartPaste(d.data(), src.bits.data(), -1, 0, 37, 0, 20, 4);
  EXPECT_EQ(d, dest.bits);
  selectionState() = SelectionState{};
}

TEST(ExportedPaste, PieceOfADrawingAtAnOddOffset) {
  const Drawing sheet = makeDrawing(1400, 1000, 3);
  // Copy a 301 x 157 piece out of the sheet (a clipped paste at a negative offset), then paste
  // it back near the right edge at x = 1237, where 138 columns of it stick out.
  RandomBitmap piece;
  piece.width = 301;
  piece.height = 157;
  piece.bits.assign(bitmapBytes(301, 157), 0);
  VXDllPaste(piece.bits.data(), sheet.bits.data(), -500, -40, sheet.width, 197, piece.width);
  std::vector<std::uint8_t> expected(piece.bits.size(), 0);
  testsupport::paste(expected.data(), sheet.bits.data(), -500, -40, sheet.width, 197, 301, 157, false);
  ASSERT_EQ(piece.bits, expected);
  ASSERT_GT(testsupport::countInk(piece.view()), 1000u);

  RandomBitmap dest;
  dest.width = sheet.width;
  dest.height = sheet.height;
  dest.bits = sheet.bits;
  expectPasteMatches(dest, piece, 1237, 411, false);
  expectPasteMatches(dest, piece, 1237, 411, true);
  expectPasteMatches(dest, piece, -7, 843, false);  // ending on the last row, clipped on the left
}

// The C++ kernel clips on all four sides and takes a sub-rectangle of the source.
TEST(Blit, SubRectanglesClippedOnEverySideWithEachOperation) {
  Rng rng(21);
  const RasterOp ops[] = {RasterOp::Copy, RasterOp::Or, RasterOp::AndNot};
  for (int round = 0; round < 3000; ++round) {
    const int dw = rng.uniform(1, 100), dh = rng.uniform(1, 6), sw = rng.uniform(1, 100), sh = rng.uniform(1, 6);
    RandomBitmap dest = testsupport::randomBitmap(rng, dw, dh, 0.5, Padding::Random);
    const RandomBitmap src = testsupport::randomBitmap(rng, sw, sh, round % 3 == 0 ? 0.05 : 0.5, Padding::Random);
    const int sx = rng.uniform(-10, sw), sy = rng.uniform(-2, sh);
    const int w = rng.uniform(-1, sw + 10), h = rng.uniform(-1, sh + 2);
    const int dx = rng.uniform(-w - 2, dw + 2), dy = rng.uniform(-h - 1, dh + 1);
    const RasterOp op = ops[round % 3];
    std::vector<std::uint8_t> slow = dest.bits;
    blit(dest.view(), dx, dy, src.view(), sx, sy, w, h, op);
    testsupport::blit(slow.data(), dw, dh, dx, dy, src.bits.data(), sw, sh, sx, sy, w, h, op);
    ASSERT_EQ(dest.bits, slow) << "round " << round << ": " << w << " x " << h << " from (" << sx << ", " << sy
                               << ") of " << sw << " x " << sh << " to (" << dx << ", " << dy << ") of " << dw
                               << " x " << dh << ", op " << static_cast<int>(op);
  }
}

TEST(CombineBits, LongRunsAtEveryPairOfBitOffsetsAndEveryKernelLevel) {
  // Runs of every length up to several 32-byte blocks, so each stage of the row's middle (32, 16,
  // 8 and 1 bytes at a time) runs, for each pair of source and destination bit offsets, with each
  // instruction set this processor has; the destination keeps its bits before and after the run.
  Rng rng(8);
  for (KernelLevel level : {KernelLevel::Words, KernelLevel::Sse2, KernelLevel::Avx2}) {
    if (!kernelLevelAvailable(level)) continue;
    for (int s = 0; s < 8; ++s) {
      for (int d = 0; d < 8; ++d) {
        for (int n = 1; n <= 520; n += n < 300 ? 1 : 37) {
          RandomBitmap dest = testsupport::randomBitmap(rng, 840, 1, 0.5, Padding::Random);
          const RandomBitmap src = testsupport::randomBitmap(rng, 540, 1, 0.5, Padding::Random);
          // The destination row starts at every offset from a 32-byte boundary in turn.
          const std::size_t at = static_cast<std::size_t>(rng.uniform(0, 31));
          for (RasterOp op : {RasterOp::Copy, RasterOp::Or, RasterOp::AndNot}) {
            std::vector<std::uint8_t> slow = dest.bits;
            combineBitsAt(level, dest.bits.data() + 2, static_cast<std::size_t>(d) + 8 * at, src.bits.data() + 1,
                          static_cast<std::size_t>(s), static_cast<std::size_t>(n), op);
            testsupport::blit(slow.data() + 2, 824, 1, d + 8 * static_cast<int>(at), 0, src.bits.data() + 1, 528, 1, s,
                            0, n, 1, op);
            ASSERT_EQ(dest.bits, slow) << "level " << static_cast<int>(level) << " s " << s << " d " << d << " n "
                                       << n << " at " << at;
          }
        }
      }
    }
  }
}

TEST(SmartPasteInit, DocumentedBoxes) {
  std::vector<std::uint8_t> buffer(5 * 30, 0);  // 40 x 30
  int maxX = -1, minX = -1, maxY = -1, minY = -1;
  VXDllSmartPasteInit(buffer.data(), &maxX, &minX, &maxY, &minY, 40, 30);
  EXPECT_EQ((std::vector<int>{maxX, minX, maxY, minY}), (std::vector<int>{0, 40, 0, 30}));
  buffer[7 * 5 + 0] = 0x04;  // pixel (5, 7)
  VXDllSmartPasteInit(buffer.data(), &maxX, &minX, &maxY, &minY, 40, 30);
  EXPECT_EQ((std::vector<int>{maxX, minX, maxY, minY}), (std::vector<int>{5, 5, 7, 7}));
  // Padding ink is not ink: width 37 leaves 3 padding bits per row.
  std::vector<std::uint8_t> padded(5 * 2, 0);
  padded[4] = 0x07;
  padded[9] = 0x1F;  // pixels 35 and 36 of row 1, then padding
  VXDllSmartPasteInit(padded.data(), &maxX, &minX, &maxY, &minY, 37, 2);
  EXPECT_EQ((std::vector<int>{maxX, minX, maxY, minY}), (std::vector<int>{36, 35, 1, 1}));
  // Null buffers and non-positive sizes report the empty box; null outputs are skipped.
  VXDllSmartPasteInit(nullptr, &maxX, &minX, &maxY, &minY, 12, 3);
  EXPECT_EQ((std::vector<int>{maxX, minX, maxY, minY}), (std::vector<int>{0, 12, 0, 3}));
  VXDllSmartPasteInit(buffer.data(), &maxX, &minX, &maxY, &minY, 0, -2);
  EXPECT_EQ((std::vector<int>{maxX, minX, maxY, minY}), (std::vector<int>{0, 0, 0, -2}));
  VXDllSmartPasteInit(buffer.data(), nullptr, nullptr, nullptr, nullptr, 40, 30);
}

TEST(SmartPasteInit, MatchesThePixelLoops) {
  Rng rng(3);
  for (int round = 0; round < 4000; ++round) {
    const int w = rng.uniform(1, 130), h = rng.uniform(1, 9);
    const double density = round % 4 == 0 ? 0.0 : round % 4 == 1 ? 0.5 : 0.003 * rng.uniform(1, 10);
    const RandomBitmap b = testsupport::randomBitmap(rng, w, h, density, Padding::Random);
    int fast[4], slow[4];
    VXDllSmartPasteInit(b.bits.data(), &fast[0], &fast[1], &fast[2], &fast[3], w, h);
    testsupport::smartPasteInit(b.bits.data(), &slow[0], &slow[1], &slow[2], &slow[3], w, h);
    ASSERT_EQ(std::vector<int>(fast, fast + 4), std::vector<int>(slow, slow + 4)) << w << " x " << h;
  }
  // Every single-pixel position of a bitmap that spans several words.
  for (int x = 0; x < 150; ++x) {
    RandomBitmap b;
    b.width = 150;
    b.height = 3;
    b.bits.assign(bitmapBytes(150, 3), 0);
    b.view().set(x, x % 3);
    const InkBox box = inkBox(b.view());
    ASSERT_FALSE(box.empty);
    ASSERT_EQ(box.minX, x);
    ASSERT_EQ(box.maxX, x);
    ASSERT_EQ(box.minY, x % 3);
    ASSERT_EQ(box.maxY, x % 3);
  }
}

TEST(SmartPaste, PlacesTheSourceRelativeToTheSelectionBox) {
  Rng rng(17);
  for (int round = 0; round < 500; ++round) {
    const RandomBitmap dest = testsupport::randomBitmap(rng, rng.uniform(1, 90), 12, 0.5, Padding::Random);
    const RandomBitmap src = testsupport::randomBitmap(rng, rng.uniform(1, 40), rng.uniform(1, 4), 0.3, Padding::Random);
    SelectionState& s = selectionState();
    s.minX = rng.uniform(0, dest.width);
    s.minY = rng.uniform(0, 6);
    s.maxX = s.minX + 3;  // the maxima play no part
    s.maxY = s.minY + 2;
    const int offX = rng.uniform(-20, 20), offY = rng.uniform(-2, s.minY);
    std::vector<std::uint8_t> fast = dest.bits, slow = dest.bits;
    VXDllSmartPaste(fast.data(), src.bits.data(), offX, offY, dest.width, rng.uniform(-5, 5), src.width, src.height);
    testsupport::paste(slow.data(), src.bits.data(), s.minX - offX, s.minY - offY, src.width, src.height, dest.width,
                     dest.height, true);
    ASSERT_EQ(fast, slow) << "round " << round;
  }
  selectionState() = SelectionState{};
}

}  // namespace
}  // namespace pixmend
