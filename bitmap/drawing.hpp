// A deterministic drawing-like sheet for tests, benchmarks and the demo.
//
// The sheet imitates a scanned engineering drawing: a double border with zone ticks, a parts
// schedule (a grid of table lines) down the left side, a title block, lettering in rows (in the
// schedule, the title block and as notes), one large solid black region, one cross-hatched area
// and one lone glyph. Lines are 2 to 4 pixels wide and glyphs are about 24 x 36 pixels, as at
// 400 dpi; the features' areas scale with the sheet's, so about 7% of the sheet is ink at any
// size. The same (width, height, seed) always gives the same bits.
#pragma once

#include <cstdint>
#include <vector>

#include "bitmap/bitmap.hpp"

namespace pixmend {

struct Pixel {
  int x = 0;
  int y = 0;
};

struct Drawing {
  int width = 0, height = 0;
  std::vector<std::uint8_t> bits;  // packed rows of rowBytes(width) bytes, padding bits 0

  BitmapView view() { return {bits.data(), width, height}; }
  ConstBitmapView view() const { return {bits.data(), width, height}; }

  // Seeds (ink pixels) of the sheet's features, for fills and benchmarks. They are on ink for
  // sheets of about 200 x 200 pixels and more.
  Pixel lineNetwork;  // on the connected network of border, frames and grid lines (~3.2% of the area)
  Pixel solidRegion;  // inside one large solid black region (~3.2% of the area), not touching the network
  Pixel hatchedArea;  // top-left corner of one cross-hatched area (~0.2% of the area), connected
                      // within itself, not touching the network
  Pixel glyph;        // top-left corner of one glyph of about 300 ink pixels, touching nothing else
};

// Builds the sheet. Non-positive sizes, or sheets of more than 2^31 pixels, give an empty
// drawing (no bits).
Drawing makeDrawing(int width, int height, std::uint32_t seed = 1);

inline constexpr int kA4Width400 = 3307, kA4Height400 = 4677;    // A4 at 400 dpi
inline constexpr int kA0Width400 = 13244, kA0Height400 = 18724;  // A0 at 400 dpi

}  // namespace pixmend
