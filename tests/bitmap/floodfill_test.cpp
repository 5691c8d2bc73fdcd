// Flood-fill area selection: creation of the state, cut lines, the fill's set and box on the
// cases users meet, the C exports, and the span fill against the recursive reference.
#include "bitmap/floodfill.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "pixmend/vxdll.h"

namespace pixmend {
namespace {

// A bitmap drawn as text: '#' is ink, anything else background.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bits;

  Picture(int w, int h) : width(w), height(h), bits(bitmapBytes(w, h), 0) {}
  explicit Picture(std::initializer_list<const char*> rows)
      : Picture(static_cast<int>(std::strlen(*rows.begin())), static_cast<int>(rows.size())) {
    int y = 0;
    for (const char* row : rows) {
      for (int x = 0; x < width; ++x) {
        if (row[x] == '#') set(x, y);
      }
      ++y;
    }
  }
  void set(int x, int y) { BitmapView(bits.data(), width, height).set(x, y); }
  int size() const { return static_cast<int>(bits.size()); }
};

// The mark bitmap drawn as text, one string per row.
std::vector<std::string> marks(const SelectionState& s) {
  std::vector<std::string> rows;
  const ConstBitmapView m(s.mark.get(), s.width, s.usableHeight());
  for (int y = 0; y < m.height; ++y) {
    std::string row;
    for (int x = 0; x < m.width; ++x) row += m.get(x, y) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

struct Box {
  int minX, minY, maxX, maxY;
  bool operator==(const Box& o) const {
    return minX == o.minX && minY == o.minY && maxX == o.maxX && maxY == o.maxY;
  }
};
Box boxOf(const SelectionState& s) {
  return {s.minX, s.minY, s.maxX, s.maxY};
}
std::ostream& operator<<(std::ostream& os, const Box& b) {
  return os << "(" << b.minX << ", " << b.minY << ") .. (" << b.maxX << ", " << b.maxY << ")";
}

// Cut line from (x1, y1) to (x2, y2) as the smart commands compute it.
void cut(SelectionState& s, int x1, int y1, int x2, int y2) {
  if (x1 == x2) {
    burnCutLine(s, 0.0, x1, x1, x2, y1, y2);
  } else {
    const double slope = static_cast<double>(y2 - y1) / (x2 - x1);
    burnCutLine(s, slope, y2 - x2 * slope, x1, x2, y1, y2);
  }
}

// ---- Creating the state ----------------------------------------------------------------------

TEST(FloodFillCreate, SnapshotAndClearedMarks) {
  Picture p({"##..#", ".#..#"});
  SelectionState s;
  s.minX = 7;  // the box of an earlier selection survives creation
  ASSERT_EQ(initFloodFill(s, p.bits.data(), p.width, p.height, p.size()), p.size());
  ASSERT_TRUE(s.live());
  EXPECT_EQ(s.width, 5);
  EXPECT_EQ(s.height, 2);
  EXPECT_EQ(s.minX, 7);
  EXPECT_EQ(s.work, nullptr);  // nothing copied yet: the fill reads the raster itself
  EXPECT_EQ(std::vector<std::uint8_t>(s.workData(), s.workData() + s.size), p.bits);
  EXPECT_EQ(marks(s), (std::vector<std::string>{".....", "....."}));

  // An edit of the raster announced before it is made does not reach what the fill reads: the
  // snapshot is taken then.
  rasterChanging(p.bits.data() + 1, 1, s);
  std::fill(p.bits.begin(), p.bits.end(), 0);
  floodFill(s, 0, 0);
  EXPECT_EQ(marks(s), (std::vector<std::string>{"##...", ".#..."}));
}

TEST(FloodFillCreate, NothingToSelectLeavesTheStateEmpty) {
  Picture p({"###"});
  SelectionState s;
  ASSERT_EQ(initFloodFill(s, p.bits.data(), 3, 1, 1), 1);
  ASSERT_TRUE(s.live());
  // Each of these replaces the live state with an empty one, and later calls do nothing.
  for (auto args : std::vector<std::vector<int>>{{3, 1, 0}, {3, 1, -5}, {0, 1, 1}, {3, -1, 1}, {-8, 4, 1}}) {
    ASSERT_EQ(initFloodFill(s, p.bits.data(), args[0], args[1], args[2]), 0);
    EXPECT_FALSE(s.live());
    cut(s, 0, 0, 2, 0);
    floodFill(s, 0, 0);
    EXPECT_EQ(s.minX, 0);
  }
  EXPECT_EQ(initFloodFill(s, nullptr, 3, 1, 1), 0);
  EXPECT_FALSE(s.live());
}

TEST(FloodFillCreate, AllocationFailureLeavesNoStateAndLaterCallsDoNothing) {
  Picture p(64, 64);
  SelectionState s;
  setFloodFillAllocationLimit(511);
  EXPECT_EQ(initFloodFill(s, p.bits.data(), 64, 64, p.size()), 0);
  EXPECT_FALSE(s.live());
  cut(s, 0, 0, 63, 63);
  floodFill(s, 3, 3);
  EXPECT_EQ(boxOf(s), (Box{0, 0, 0, 0}));
  setFloodFillAllocationLimit(512);
  EXPECT_EQ(initFloodFill(s, p.bits.data(), 64, 64, p.size()), p.size());
  EXPECT_TRUE(s.live());
  setFloodFillAllocationLimit(0);
}

TEST(FloodFillCreate, SizeDecidesWhichRowsExist) {
  // Width 10: 2 bytes a row. 7 bytes hold three whole rows; the source is exactly 7 bytes long,
  // so reading further would be caught by the sanitizers.
  const Picture full({"##########", "##########", "##########", "##########"});
  std::vector<std::uint8_t> src(full.bits.begin(), full.bits.begin() + 7);
  SelectionState s;
  ASSERT_EQ(initFloodFill(s, src.data(), 10, 4, 7), 7);
  EXPECT_EQ(s.usableHeight(), 3);
  floodFill(s, 0, 3);  // a row beyond the bytes given: outside the bitmap
  EXPECT_EQ(marks(s)[2], "..........");
  cut(s, 0, 0, 0, 3);  // a vertical cut reaching the missing row marks rows 0 to 2 only
  floodFill(s, 9, 0);
  EXPECT_EQ(marks(s), (std::vector<std::string>{"##########", "##########", "##########"}));
  EXPECT_EQ(boxOf(s), (Box{1, 0, 9, 2}));
  EXPECT_EQ(s.mark[6], 0);  // the partial row's byte is never touched

  // More bytes than the bitmap has: only the bitmap is taken.
  std::vector<std::uint8_t> big(full.bits);
  big.resize(1000, 0xFF);
  ASSERT_EQ(initFloodFill(s, big.data(), 10, 4, 1000), 1000);
  EXPECT_EQ(s.size, 8u);
  EXPECT_EQ(s.usableHeight(), 4);
}

// ---- Cut lines -------------------------------------------------------------------------------

TEST(FloodFillCutLine, VerticalAndHorizontalMarkOnlyTheirOwnInk) {
  Picture p({"#####", "##.##", "#####", "#####"});
  SelectionState s;
  initFloodFill(s, p.bits.data(), p.width, p.height, p.size());
  cut(s, 2, 3, 2, 0);  // vertical, end points given bottom first
  EXPECT_EQ(marks(s), (std::vector<std::string>{"..#..", ".....", "..#..", "..#.."}));
  initFloodFill(s, p.bits.data(), p.width, p.height, p.size());
  cut(s, 4, 1, 1, 1);  // horizontal, right to left: columns 1 to 4 of row 1, ink only
  EXPECT_EQ(marks(s), (std::vector<std::string>{".....", ".#.##", ".....", "....."}));
}

TEST(FloodFillCutLine, SteepAndShallowLinesLeaveNoDiagonalGap) {
  Picture p(12, 12);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) p.set(x, y);
  for (auto line :
       std::vector<std::vector<int>>{{0, 0, 11, 3}, {0, 0, 3, 11}, {11, 0, 0, 7}, {2, 11, 9, 0}}) {
    SelectionState s;
    initFloodFill(s, p.bits.data(), 12, 12, p.size());
    cut(s, line[0], line[1], line[2], line[3]);
    // Every pair of 4-neighbours that straddles the line has a marked pixel: a fill from one
    // corner does not reach the opposite corner.
    const int ax = line[0] < line[2] ? 11 : 0;  // corners on either side of the line
    floodFill(s, ax, 0);
    const ConstBitmapView m(s.mark.get(), 12, 12);
    const int bx = 11 - ax;
    EXPECT_FALSE(m.get(bx, 11)) << "leak across " << line[0] << "," << line[1] << " - " << line[2] << ","
                                << line[3];
  }
}

TEST(FloodFillCutLine, TruncatesTowardZeroAndSkipsWhatIsOutside) {
  Picture p({"####", "####", "####"});
  SelectionState s;
  initFloodFill(s, p.bits.data(), 4, 3, p.size());
  // y = 0.5 x - 0.75: column 0 gives -0.75, truncated to row 0 (not -1); column 1 gives -0.25,
  // also row 0; column 2 gives 0.25 -> row 0; column 3 gives 0.75 -> row 0. The row pass for
  // rows 0..1 gives x = 1.5 -> 1 and 3.5 -> 3.
  burnCutLine(s, 0.5, -0.75, 0, 3, 0, 1);
  EXPECT_EQ(marks(s), (std::vector<std::string>{"####", "...#", "...."}));

  // End points far outside, non-finite and absurd values: nothing outside is touched, nothing
  // hangs, and pixels that do lie on the line inside are still marked.
  initFloodFill(s, p.bits.data(), 4, 3, p.size());
  burnCutLine(s, 0.0, 1.0, INT_MIN, INT_MAX, INT_MIN, INT_MAX);
  burnCutLine(s, std::numeric_limits<double>::quiet_NaN(), 0.0, -5, 9, -5, 9);
  burnCutLine(s, std::numeric_limits<double>::infinity(), 1.0, -5, 9, -5, 9);
  burnCutLine(s, 1e-300, 1e300, 0, 3, 0, 2);
  burnCutLine(s, 1e300, -1e300, 0, 3, 0, 2);
  // What does lie inside: row 1 (slope 0, intercept 1), column 0 (an infinite slope makes
  // (y - 1) / slope zero) and column 1 (1e300 x - 1e300 is 0 at x = 1, and (y + 1e300) / 1e300
  // is 1 in every row).
  EXPECT_EQ(marks(s), (std::vector<std::string>{"##..", "####", "##.."}));
}

// ---- Selecting -------------------------------------------------------------------------------

TEST(FloodFillSelect, IsolatedPixelAndBackgroundSeed) {
  Picture p({".....", "..#..", "....#", "...##"});
  SelectionState s;
  initFloodFill(s, p.bits.data(), p.width, p.height, p.size());
  floodFill(s, 2, 1);
  EXPECT_EQ(boxOf(s), (Box{2, 1, 2, 1}));
  EXPECT_EQ(marks(s), (std::vector<std::string>{".....", "..#..", ".....", "....."}));
  // A seed on background is selected itself and joins the ink it touches.
  floodFill(s, 3, 2);
  EXPECT_EQ(boxOf(s), (Box{3, 2, 4, 3}));
  EXPECT_EQ(marks(s), (std::vector<std::string>{".....", "..#..", "...##", "...##"}));
}

TEST(FloodFillSelect, DiagonalContactDoesNotConnect) {
  Picture p({"##..", "##..", "..##", "..##"});
  SelectionState s;
  initFloodFill(s, p.bits.data(), p.width, p.height, p.size());
  floodFill(s, 0, 0);
  EXPECT_EQ(boxOf(s), (Box{0, 0, 1, 1}));
  EXPECT_EQ(marks(s), (std::vector<std::string>{"##..", "##..", "....", "...."}));
}

TEST(FloodFillSelect, CutLineSeparatesALineAndStaysOutOfTheBox) {
  Picture p({"..........", "##########", "##########", ".........."});
  SelectionState s;
  initFloodFill(s, p.bits.data(), p.width, p.height, p.size());
  cut(s, 6, 0, 6, 3);
  floodFill(s, 8, 2);
  EXPECT_EQ(boxOf(s), (Box{7, 1, 9, 2}));
  EXPECT_EQ(marks(s), (std::vector<std::string>{"..........", "......####", "......####", ".........."}));
  // The other side in the same state: the earlier fill and the cut are both barriers.
  floodFill(s, 0, 1);
  EXPECT_EQ(boxOf(s), (Box{0, 1, 5, 2}));
  // Filling an area again selects only its seed.
  floodFill(s, 3, 1);
  EXPECT_EQ(boxOf(s), (Box{3, 1, 3, 1}));
}

TEST(FloodFillSelect, SeedOnMarkedInkStillReachesItsNeighbours) {
  Picture p({"#####"});
  SelectionState s;
  initFloodFill(s, p.bits.data(), 5, 1, p.size());
  cut(s, 2, 0, 2, 0);
  floodFill(s, 2, 0);
  EXPECT_EQ(boxOf(s), (Box{0, 0, 4, 0}));
  EXPECT_EQ(marks(s), (std::vector<std::string>{"#####"}));
}

TEST(FloodFillSelect, SolidSquareNineTimesTheBudget) {
  Picture p(310, 305);
  for (int y = 2; y < 302; ++y)
    for (int x = 5; x < 305; ++x) p.set(x, y);
  SelectionState s;
  initFloodFill(s, p.bits.data(), p.width, p.height, p.size());
  floodFill(s, 150, 150);
  EXPECT_EQ(boxOf(s), (Box{5, 2, 304, 301}));
  EXPECT_EQ(std::memcmp(s.mark.get(), p.bits.data(), p.bits.size()), 0);
}

TEST(FloodFillSelect, SeedOutsideChangesNothing) {
  Picture p({"###", "###"});
  SelectionState s;
  initFloodFill(s, p.bits.data(), 3, 2, p.size());
  floodFill(s, 1, 1);
  const Box before = boxOf(s);
  initFloodFill(s, p.bits.data(), 3, 2, p.size());
  for (auto seed : std::vector<std::pair<int, int>>{{-1, 0}, {0, 2}, {3, 0}, {0, -1}, {INT_MIN, INT_MAX}}) {
    floodFill(s, seed.first, seed.second);
    EXPECT_EQ(boxOf(s), before);
    EXPECT_EQ(marks(s), (std::vector<std::string>{"...", "..."}));
  }
}

TEST(FloodFillSelect, WordBoundariesAndPaddingBits) {
  // Runs that start and end at every offset around 64-column words, in rows whose padding bits
  // are set in the source: the padding is never taken as ink nor marked.
  for (int width : {63, 64, 65, 127, 129, 200}) {
    for (int l = 0; l < width; l += 7) {
      for (int r = l; r < width; r += 11) {
        Picture p(width, 3);
        for (int x = l; x <= r; ++x) p.set(x, 1);
        for (std::size_t row = 0; row < 3; ++row)
          p.bits[row * rowBytes(width) + rowBytes(width) - 1] |= 0xFF >> (width % 8 == 0 ? 8 : width % 8);
        SelectionState s;
        initFloodFill(s, p.bits.data(), width, 3, p.size());
        floodFill(s, (l + r) / 2, 1);
        ASSERT_EQ(boxOf(s), (Box{l, 1, r, 1})) << width << " " << l << " " << r;
        for (int x = 0; x < width; ++x)
          ASSERT_EQ(ConstBitmapView(s.mark.get(), width, 3).get(x, 1), x >= l && x <= r);
        for (std::size_t row = 0; row < 3; ++row)
          ASSERT_EQ(s.mark[row * rowBytes(width) + rowBytes(width) - 1] &
                        (0xFF >> (width % 8 == 0 ? 8 : width % 8)),
                    0);
      }
    }
  }
}

// ---- The exports on the process-wide state ---------------------------------------------------

TEST(FloodFillExports, CallingOrderOnTheProcessSelection) {
  Picture p({"#########", "#########"});
  SelectionState& s = selectionState();
  EXPECT_EQ(VXDllInitFloodFill(p.bits.data(), 9, 2, p.size()), p.size());
  VXDllInitFloodFill2(0.0, 4.0, 4, 4, 0, 1);
  VXDllFloodFill(0, 0);
  EXPECT_EQ(boxOf(s), (Box{0, 0, 3, 1}));
  VXDllFloodFill(9, 0);  // outside: the box stays
  EXPECT_EQ(boxOf(s), (Box{0, 0, 3, 1}));
  s.release();
  // Without a live state every call is harmless.
  VXDllInitFloodFill2(1.0, 0.0, 0, 8, 0, 8);
  VXDllFloodFill(0, 0);
  EXPECT_EQ(boxOf(s), (Box{0, 0, 3, 1}));
  EXPECT_EQ(VXDllInitFloodFill(p.bits.data(), 9, 2, 0), 0);
  EXPECT_EQ(VXDllInitFloodFill(nullptr, 9, 2, p.size()), 0);
  VXDllFloodFill(0, 0);
  EXPECT_FALSE(s.live());
}

TEST(FloodFillExports, SpanStackThatCannotGrowLeavesAConsistentSelection) {
  // A comb: a spine along the bottom row and 10000 teeth, all found at once from the spine, so
  // the span stack must hold 10000 runs. Refusing that memory stops the fill part way; the export
  // returns normally, and what is marked is part of the component, inside the box it reports.
  const int w = 20000, h = 40;
  Picture p(w, h);
  for (int x = 0; x < w; ++x) p.set(x, h - 1);
  for (int x = 0; x < w; x += 2)
    for (int y = 0; y < h - 1; ++y) p.set(x, y);
  SelectionState& s = selectionState();
  ASSERT_EQ(VXDllInitFloodFill(p.bits.data(), w, h, p.size()), p.size());
  setFloodFillAllocationLimit(4096 * 24 + 1);
  VXDllFloodFill(0, h - 1);
  setFloodFillAllocationLimit(0);
  const ConstBitmapView m(s.mark.get(), w, h);
  int count = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (m.get(x, y)) {
        ++count;
        ASSERT_TRUE(ConstBitmapView(p.bits.data(), w, h).get(x, y)) << x << "," << y;
        ASSERT_TRUE(x >= s.minX && x <= s.maxX && y >= s.minY && y <= s.maxY) << x << "," << y;
      }
  EXPECT_GE(count, w);                      // at least the spine
  EXPECT_LT(count, w + (w / 2) * (h - 1));  // but not every tooth: the fill did stop
  // Without the limit the same fill completes.
  ASSERT_EQ(VXDllInitFloodFill(p.bits.data(), w, h, p.size()), p.size());
  VXDllFloodFill(0, h - 1);
  EXPECT_EQ(boxOf(s), (Box{0, 0, w - 1, h - 1}));
  s.release();
}

// ---- The largest bitmaps ---------------------------------------------------------------------

TEST(FloodFillLarge, AllInk20000Square) {
  const int n = 20000;
  std::vector<std::uint8_t> src(bitmapBytes(n, n), 0xFF);
  SelectionState s;
  ASSERT_EQ(initFloodFill(s, src.data(), n, n, static_cast<int>(src.size())), static_cast<int>(src.size()));
  src = {};
  floodFill(s, n / 2, n / 3);
  EXPECT_EQ(boxOf(s), (Box{0, 0, n - 1, n - 1}));
  std::size_t unmarked = 0;
  for (std::size_t i = 0; i < s.size; ++i) unmarked += s.mark[i] != 0xFF;
  EXPECT_EQ(unmarked, 0u);
}

TEST(FloodFillLarge, WidestRowReachesItsLastColumn) {
  // INT_MAX columns in one row of 256 MB: the column arithmetic at the top of the int range.
  const int w = INT_MAX;
  std::vector<std::uint8_t> src(rowBytes(w), 0);
  const BitmapView v(src.data(), w, 1);
  for (int x = w - 300; x < w; ++x) v.set(x, 0);
  v.clear(w - 100, 0);
  SelectionState s;
  const int size = static_cast<int>(src.size());
  ASSERT_EQ(initFloodFill(s, src.data(), w, 1, size), size);
  src = {};
  floodFill(s, w - 50, 0);
  EXPECT_EQ(boxOf(s), (Box{w - 99, 0, w - 1, 0}));
  burnCutLine(s, 0.0, 0.0, w - 250, INT_MAX, 0, 0);  // marks the ink left from w - 250 on
  floodFill(s, w - 280, 0);
  EXPECT_EQ(boxOf(s), (Box{w - 300, 0, w - 251, 0}));
  const ConstBitmapView m(s.mark.get(), w, 1);
  EXPECT_TRUE(m.get(w - 250, 0) && m.get(w - 101, 0) && m.get(w - 1, 0));
  EXPECT_FALSE(m.get(w - 100, 0) || m.get(w - 301, 0));
}

}  // namespace
}  // namespace pixmend
