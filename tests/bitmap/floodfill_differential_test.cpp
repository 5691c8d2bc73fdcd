// The span fill against the recursive reference: random bitmaps of several ink densities and
// shapes, widths that are not multiples of 8, cut lines in every direction, repeated fills in one
// state and truncated byte counts. Set and box must be identical after every call.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "bitmap/floodfill.hpp"
#include "support/floodfill_reference.hpp"
#include "support/random_bitmap.hpp"

namespace pixmend {
namespace {

using testsupport::ReferenceSelection;

struct Sheet {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bits;  // rowBytes(width) * height bytes; padding bits random
};

class Generator {
 public:
  explicit Generator(std::uint64_t seed) : rng_(seed) {}

  int uniform(int lo, int hi) { return rng_.uniform(lo, hi); }
  bool chance(double p) { return rng_.chance(p); }
  double real(double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(rng_.next() >> 11) * 0x1.0p-53;
  }

  // Shapes that stress different parts of the fill: noise near and around the percolation
  // threshold (ragged components with many short runs), strokes and boxes as in drawings
  // (long runs, thin lines), and combs and serpentines (many sibling spans, long paths).
  Sheet sheet(int width, int height) {
    Sheet s{width, height, std::vector<std::uint8_t>(bitmapBytes(width, height))};
    const BitmapView v(s.bits.data(), width, height);
    switch (uniform(0, 3)) {
      case 0: {
        static const double kDensity[] = {0.1, 0.3, 0.5, 0.58, 0.62, 0.7, 0.85, 0.97};
        s.bits = testsupport::randomBitmap(rng_, width, height, kDensity[uniform(0, 7)]).bits;
        break;
      }
      case 1: {
        const int strokes = uniform(1, 12);
        for (int i = 0; i < strokes; ++i) {
          const int x0 = uniform(0, width - 1), y0 = uniform(0, height - 1);
          const int w = chance(0.5) ? uniform(1, 3) : uniform(1, width);
          const int h = chance(0.5) ? uniform(1, 3) : uniform(1, height);
          const bool hollow = chance(0.3);
          for (int y = y0; y < y0 + h && y < height; ++y)
            for (int x = x0; x < x0 + w && x < width; ++x)
              if (!hollow || y == y0 || x == x0 || y == y0 + h - 1 || x == x0 + w - 1) v.set(x, y);
        }
        for (int i = uniform(0, width * height / 20); i > 0; --i)
          v.put(uniform(0, width - 1), uniform(0, height - 1), chance(0.5));
        break;
      }
      case 2: {  // comb: a spine and teeth
        const int gap = uniform(2, 4);
        const bool vertical = chance(0.5);
        for (int y = 0; y < height; ++y)
          for (int x = 0; x < width; ++x)
            if (vertical ? (y == 0 || x % gap == 0) : (x == 0 || y % gap == 0)) v.set(x, y);
        for (int i = uniform(0, width * height / 30); i > 0; --i)
          v.clear(uniform(0, width - 1), uniform(0, height - 1));
        break;
      }
      default: {  // serpentine: rows joined alternately at either end
        for (int y = 0; y < height; y += 2) {
          for (int x = 0; x < width; ++x) v.set(x, y);
          if (y + 1 < height) v.set((y / 2) % 2 == 0 ? width - 1 : 0, y + 1);
        }
        break;
      }
    }
    // Padding bits hold garbage: they are no pixel and must never be taken as ink.
    const std::size_t stride = rowBytes(width);
    if (width % 8 != 0) {
      for (int y = 0; y < height; ++y) {
        s.bits[y * stride + stride - 1] |= static_cast<std::uint8_t>(uniform(0, 255) & (0xFF >> (width % 8)));
      }
    }
    return s;
  }

 private:
  testsupport::Rng rng_;  // the same sequence on every platform
};

// What went wrong, by the first differing pixel, or empty.
std::string difference(const SelectionState& s, const ReferenceSelection& r) {
  std::ostringstream out;
  if (s.usableHeight() != r.rows()) {
    out << "rows " << s.usableHeight() << " vs " << r.rows();
    return out.str();
  }
  if (s.minX != r.minX || s.minY != r.minY || s.maxX != r.maxX || s.maxY != r.maxY) {
    out << "box (" << s.minX << "," << s.minY << ")..(" << s.maxX << "," << s.maxY << ") vs (" << r.minX
        << "," << r.minY << ")..(" << r.maxX << "," << r.maxY << ")";
    return out.str();
  }
  if (r.rows() == 0) return {};
  const std::size_t bytes = r.mark().size();
  if (std::memcmp(s.mark.get(), r.mark().data(), bytes) != 0) {
    const ConstBitmapView m(s.mark.get(), s.width, s.usableHeight());
    for (int y = 0; y < r.rows(); ++y)
      for (int x = 0; x < r.width(); ++x)
        if (m.get(x, y) != r.marked(x, y)) {
          out << "pixel (" << x << ", " << y << ") marked " << m.get(x, y) << " vs " << r.marked(x, y);
          return out.str();
        }
    out << "padding bits of the mark bitmap were written";
    return out.str();
  }
  for (std::size_t i = bytes; i < s.size; ++i) {
    if (s.mark[i] != 0) return "bytes beyond the last whole row were written";
  }
  return {};
}

// One random session: create, burn cut lines and fill in a random order, comparing after each.
// Returns the number of calls compared, or -1 on the first difference (reported).
int session(Generator& g, int width, int height, std::size_t* deferred = nullptr) {
  Sheet sheet = g.sheet(width, height);
  const int whole = static_cast<int>(sheet.bits.size());
  int size = whole;
  if (g.chance(0.15))
    size = g.uniform(1, whole);  // truncated: only whole rows exist
  else if (g.chance(0.05))
    size = whole + g.uniform(1, 40);  // more bytes than the bitmap
  // The source holds exactly `size` bytes, so reading beyond them is caught by the sanitizers.
  std::vector<std::uint8_t> src(sheet.bits);
  src.resize(static_cast<std::size_t>(size), 0xA5);

  SelectionState s;
  ReferenceSelection r;
  std::ostringstream log;
  log << width << "x" << height << " size " << size << "/" << whole;
  const int created = initFloodFill(s, src.data(), width, height, size);
  if (created != r.init(src.data(), width, height, size)) {
    ADD_FAILURE() << log.str() << ": creation returned " << created;
    return -1;
  }
  s.minX = r.minX = g.uniform(0, 5);  // an earlier box, kept until a fill replaces it

  int calls = 1;
  const int steps = g.uniform(1, 8);
  for (int i = 0; i < steps; ++i, ++calls) {
    if (g.chance(0.35)) {
      // Cut line between two points around the bitmap, as the commands compute it; sometimes
      // vertical, sometimes horizontal, sometimes with values no command would send.
      int x1 = g.uniform(-8, width + 8), y1 = g.uniform(-8, height + 8);
      int x2 = g.uniform(-8, width + 8), y2 = g.uniform(-8, height + 8);
      const int kind = g.uniform(0, 9);
      if (kind == 0) x2 = x1;
      if (kind == 1) y2 = y1;
      double slope = 0.0, intercept = x1;
      if (x1 != x2) {
        slope = static_cast<double>(y2 - y1) / (x2 - x1);
        intercept = y2 - x2 * slope;
      }
      if (kind == 2) {
        slope = g.real(-50, 50);
        intercept = g.uniform(-2 * height, 2 * height) + 0.37;
      }
      log << "; cut " << slope << " " << intercept << " " << x1 << " " << x2 << " " << y1 << " " << y2;
      burnCutLine(s, slope, intercept, x1, x2, y1, y2);
      r.cutLine(slope, intercept, x1, x2, y1, y2);
    } else {
      int x = g.uniform(0, width - 1), y = g.uniform(0, height - 1);
      const int kind = g.uniform(0, 9);
      if (kind == 0) x = g.chance(0.5) ? -1 : width;
      if (kind == 1) y = g.chance(0.5) ? -1 : height;
      if (kind >= 4) {
        // Mostly on ink, as the commands do: the nearest ink pixel along the row, if any.
        const ConstBitmapView v(sheet.bits.data(), width, height);
        for (int k = 0; k < width && !v.get(x, y); ++k) x = (x + 1) % width;
      }
      log << "; fill " << x << " " << y;
      floodFill(s, x, y);
      r.fill(x, y);
      if (deferred != nullptr && r.deepestDeferral > *deferred) *deferred = r.deepestDeferral;
    }
    const std::string d = difference(s, r);
    if (!d.empty()) {
      ADD_FAILURE() << log.str() << ": " << d;
      return -1;
    }
  }
  return calls;
}

TEST(FloodFillDifferential, SmallBitmaps) {
  Generator g(20240611);
  int calls = 0;
  for (int i = 0; i < 4000; ++i) {
    const int n = session(g, g.uniform(1, 70), g.uniform(1, 40));
    ASSERT_GE(n, 0) << "session " << i;
    calls += n;
  }
  RecordProperty("calls", calls);
}

TEST(FloodFillDifferential, MediumBitmaps) {
  Generator g(7);
  for (int i = 0; i < 800; ++i) {
    ASSERT_GE(session(g, g.uniform(60, 260), g.uniform(20, 120)), 0) << "session " << i;
  }
}

TEST(FloodFillDifferential, ComponentsBeyondTheBudget) {
  // Components of tens of thousands of pixels make the reference defer pixels and restart with
  // fresh budgets; the span fill must still agree.
  Generator g(99);
  std::size_t deferred = 0;
  for (int i = 0; i < 12; ++i) {
    ASSERT_GE(session(g, g.uniform(250, 420), g.uniform(200, 330), &deferred), 0) << "session " << i;
  }
  EXPECT_GT(deferred, 0u) << "no session exhausted the reference's budget";
}

// Fills `sheet` from `seed` in both implementations; returns the reference's deepest deferral.
std::size_t fillBoth(const Sheet& sheet, int x, int y) {
  SelectionState s;
  ReferenceSelection r;
  const int size = static_cast<int>(sheet.bits.size());
  initFloodFill(s, sheet.bits.data(), sheet.width, sheet.height, size);
  r.init(sheet.bits.data(), sheet.width, sheet.height, size);
  floodFill(s, x, y);
  r.fill(x, y);
  EXPECT_EQ(difference(s, r), "") << sheet.width << "x" << sheet.height << " from " << x << "," << y;
  return r.deepestDeferral;
}

TEST(FloodFillDifferential, ShapesThatExhaustTheBudgetManyTimes) {
  // A solid block, a serpentine path (every pixel one level deeper in the recursion), a comb and
  // dense noise: tens of thousands of pixels each, so the reference defers thousands of pixels
  // and restarts its budget again and again.
  Sheet solid{330, 310, std::vector<std::uint8_t>(bitmapBytes(330, 310), 0xFF)};
  EXPECT_GT(fillBoth(solid, 100, 200), 1000u);

  Sheet snake{301, 240, std::vector<std::uint8_t>(bitmapBytes(301, 240))};
  const BitmapView v(snake.bits.data(), snake.width, snake.height);
  for (int y = 0; y < snake.height; y += 2) {
    for (int x = 0; x < snake.width; ++x) v.set(x, y);
    if (y + 1 < snake.height) v.set((y / 2) % 2 == 0 ? snake.width - 1 : 0, y + 1);
  }
  EXPECT_GT(fillBoth(snake, 150, 120), 0u);

  Sheet comb{333, 250, std::vector<std::uint8_t>(bitmapBytes(333, 250))};
  const BitmapView c(comb.bits.data(), comb.width, comb.height);
  for (int y = 0; y < comb.height; ++y)
    for (int x = 0; x < comb.width; ++x)
      if (y == comb.height - 1 || x % 2 == 0) c.set(x, y);
  EXPECT_GT(fillBoth(comb, 0, 0), 0u);

  Generator g(5);
  for (double density : {0.62, 0.8, 0.95}) {
    Sheet noise{397, 301, std::vector<std::uint8_t>(bitmapBytes(397, 301))};
    const BitmapView n(noise.bits.data(), noise.width, noise.height);
    for (int y = 0; y < noise.height; ++y)
      for (int x = 0; x < noise.width; ++x)
        if (g.chance(density)) n.set(x, y);
    n.set(200, 150);
    fillBoth(noise, 200, 150);
  }
}

}  // namespace
}  // namespace pixmend
