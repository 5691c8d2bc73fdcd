// The selection reads its creator's raster until that raster is about to change, then a snapshot
// of it; and its mark bitmap is kept from selection to selection, cleared where it was marked.
// Both are checked against the plain way: a state made on a private copy of the raster that
// nobody changes, with a freshly allocated mark bitmap each time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "bitmap/floodfill.hpp"
#include "pixmend/vxdll.h"
#include "support/random_bitmap.hpp"

namespace pixmend {
namespace {

class SelectionSource : public ::testing::Test {
 protected:
  void TearDown() override {
    VXDllFreeDelBuffer();
    setFloodFillAllocationLimit(0);
  }
};

std::vector<std::uint8_t> markBytes(const SelectionState& s) {
  return std::vector<std::uint8_t>(s.mark.get(), s.mark.get() + s.size);
}

// Random sessions on the process-wide state through the exports, the raster changed between
// fills by every export that writes into it (delete selected, the pastes, inversion); after every
// step the marks and the box equal those of a reference state on an untouched copy.
TEST_F(SelectionSource, FillsReadTheRasterAsItStoodAtCreation) {
  testsupport::Rng rng(31);
  for (int session = 0; session < 300; ++session) {
    const int w = rng.uniform(1, 90), h = rng.uniform(1, 40);
    testsupport::RandomBitmap raster = testsupport::randomBitmap(rng, w, h, 0.55, testsupport::Padding::Random);
    const std::vector<std::uint8_t> original = raster.bits;
    const int size = static_cast<int>(raster.bits.size());
    SCOPED_TRACE(::testing::Message() << "session " << session << ", " << w << " x " << h);
    ASSERT_EQ(VXDllInitFloodFill(raster.bits.data(), w, h, size), size);
    SelectionState reference;
    std::vector<std::uint8_t> copy = original;
    ASSERT_EQ(initFloodFill(reference, copy.data(), w, h, size), size);
    reference.minX = selectionState().minX;  // the box of the last selection survives creation
    reference.minY = selectionState().minY;
    for (int step = 0; step < 8; ++step) {
      switch (rng.uniform(0, 4)) {
        case 0:
          VXDllGetCopyBufferSize(nullptr, nullptr, nullptr, nullptr);
          VXDllDeleteSelected(raster.bits.data());
          break;
        case 1: {
          const testsupport::RandomBitmap piece =
              testsupport::randomBitmap(rng, rng.uniform(1, 20), rng.uniform(1, 9), 0.5);
          const int x = rng.uniform(-5, w), y = rng.uniform(-5, h - 1);
          const int rows = std::min(piece.height, h - y);  // the pastes do not clip below the raster
          if (rng.chance(0.5)) {
            VXDllPaste(raster.bits.data(), piece.bits.data(), x, y, piece.width, rows, w);
          } else {
            VXDllPasteTransparent(raster.bits.data(), piece.bits.data(), x, y, piece.width, rows, w);
          }
          break;
        }
        case 2:
          VXDllInvertRaster(raster.bits.data(), w, h);
          break;
        default: {
          const int x = rng.uniform(-1, w), y = rng.uniform(-1, h);
          VXDllFloodFill(x, y);
          floodFill(reference, x, y);
          break;
        }
      }
      const SelectionState& s = selectionState();
      ASSERT_EQ(markBytes(s), markBytes(reference)) << "step " << step;
      ASSERT_EQ(s.minX, reference.minX);  // the maxima are widened by the extraction
      ASSERT_EQ(s.minY, reference.minY);
    }
    VXDllFreeDelBuffer();
    EXPECT_EQ(copy, original);
  }
}

// The next selection's marks start clear whatever the last one marked: a whole sheet (handed
// back to the kernel page by page), a narrow column, a few pixels, a cut line; bitmaps of other
// sizes take or refuse the kept buffer.
TEST_F(SelectionSource, KeptMarksStartClear) {
  const int w = 4096, h = 2048;  // 1 MB: marks of this size come from mapped memory
  std::vector<std::uint8_t> ink(bitmapBytes(w, h), 0xFF);
  std::vector<std::uint8_t> column(bitmapBytes(w, h), 0);
  for (int y = 0; y < h; ++y) column[static_cast<std::size_t>(y) * (w / 8) + 100] = 0x18;
  const std::vector<std::uint8_t> zero(bitmapBytes(w, h), 0);
  for (int round = 0; round < 3; ++round) {
    ASSERT_GT(VXDllInitFloodFill(ink.data(), w, h, static_cast<int>(ink.size())), 0);
    EXPECT_EQ(markBytes(selectionState()), zero);
    VXDllFloodFill(5, 5);
    VXDllFreeDelBuffer();
    ASSERT_GT(VXDllInitFloodFill(column.data(), w, h, static_cast<int>(column.size())), 0);
    EXPECT_EQ(markBytes(selectionState()), zero);
    VXDllFloodFill(803, 7);
    VXDllInitFloodFill2(0.25, 3, 0, 4000, 0, 1000);
    VXDllFreeDelBuffer();
    // A small bitmap after a large one, then the large one again.
    std::vector<std::uint8_t> small(bitmapBytes(37, 5), 0xFF);
    ASSERT_GT(VXDllInitFloodFill(small.data(), 37, 5, static_cast<int>(small.size())), 0);
    EXPECT_EQ(markBytes(selectionState()), std::vector<std::uint8_t>(small.size(), 0));
    VXDllFloodFill(0, 0);
    VXDllFreeDelBuffer();
    ASSERT_GT(VXDllInitFloodFill(column.data(), w, h, static_cast<int>(column.size())), 0);
    EXPECT_EQ(markBytes(selectionState()), zero);
    VXDllFreeDelBuffer();
  }
}

// Without memory for the snapshot when the raster changes, no further fill runs (it would read
// the changed raster), while what is selected can still be taken and deleted.
TEST_F(SelectionSource, NoMemoryForTheSnapshotStopsLaterFillsOnly) {
  std::vector<std::uint8_t> raster(bitmapBytes(16, 4), 0);
  raster[0] = 0xF0;  // a run of four at the top left
  raster[5] = 0x0F;  // another on row 2
  ASSERT_EQ(VXDllInitFloodFill(raster.data(), 16, 4, static_cast<int>(raster.size())), 8);
  VXDllFloodFill(0, 0);
  setFloodFillAllocationLimit(1);
  int maxX = 0, minX = 0, maxY = 0, minY = 0;
  VXDllGetCopyBufferSize(&maxX, &minX, &maxY, &minY);
  VXDllDeleteSelected(raster.data());
  EXPECT_EQ(raster[0], 0);
  const std::uint8_t before = selectionState().mark[5];
  VXDllFloodFill(12, 2);
  EXPECT_EQ(selectionState().mark[5], before);
  std::vector<unsigned char> buffer(8, 0xAA);
  VXDllGetDelBuffer(static_cast<int>(buffer.size()), buffer.data());
  EXPECT_EQ(buffer[0], 0xF0);
}

}  // namespace
}  // namespace pixmend
