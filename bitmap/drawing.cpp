// The drawing-like sheet generator.
//
//   makeDrawing   lays out the sheet and draws it, network first so that the schedule's row
//                 pitch can be chosen to bring the network to its share of the ink
//
// Everything is drawn as horizontal spans (rectangles, and slanted strokes one span per row), so
// an A0 sheet at 400 dpi takes a few tens of milliseconds. Features keep clear of each other by
// at least four pixels, so the seeds' components are exactly the features they name.
#include "bitmap/drawing.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace pixmend {
namespace {

// splitmix64: small, fast and the same on every platform and library version, which the
// standard distributions are not.
class Prng {
 public:
  explicit Prng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi] for hi >= lo (the modulo bias is irrelevant here).
  int range(int lo, int hi) {
    return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
  }

 private:
  std::uint64_t state_;
};

class Canvas {
 public:
  explicit Canvas(Drawing& d) : bits_(d.bits.data()), width_(d.width), height_(d.height), stride_(rowBytes(d.width)) {}

  // Sets [x0, x1) x [y0, y1), clipped to the sheet.
  void fill(int x0, int y0, int x1, int y1) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width_);
    y1 = std::min(y1, height_);
    for (int y = y0; y < y1; ++y) span(y, x0, x1);
  }

  // Outline of [x0, x1) x [y0, y1), `thick` pixels wide, inside the rectangle.
  void frame(int x0, int y0, int x1, int y1, int thick) {
    fill(x0, y0, x1, y0 + thick);
    fill(x0, y1 - thick, x1, y1);
    fill(x0, y0, x0 + thick, y1);
    fill(x1 - thick, y0, x1, y1);
  }

  // A stroke from (x0, y0) to (x1, y1 - 1), one span of `thick` pixels per row. With
  // |x1 - x0| < y1 - y0 the spans of neighbouring rows overlap, so the stroke is 4-connected.
  void slant(int x0, int y0, int x1, int y1, int thick) {
    const int rows = y1 - y0;
    for (int r = 0; r < rows; ++r) {
      const int x = x0 + (rows > 1 ? (x1 - x0) * r / (rows - 1) : 0);
      const int y = y0 + r;
      if (y >= 0 && y < height_) span(y, std::max(x, 0), std::min(x + thick, width_));
    }
  }

  // Sets pixels [x0, x1) of row y; the caller has clipped.
  void span(int y, int x0, int x1) {
    if (x0 >= x1) return;
    std::uint8_t* row = bits_ + static_cast<std::size_t>(y) * stride_;
    const int b0 = x0 >> 3, b1 = (x1 - 1) >> 3;
    const std::uint8_t m0 = static_cast<std::uint8_t>(0xFFu >> (x0 & 7));
    const std::uint8_t m1 = static_cast<std::uint8_t>(0xFFu << (7 - ((x1 - 1) & 7)));
    if (b0 == b1) {
      row[b0] |= m0 & m1;
      return;
    }
    row[b0] |= m0;
    std::memset(row + b0 + 1, 0xFF, static_cast<std::size_t>(b1 - b0 - 1));
    row[b1] |= m1;
  }

  std::uint64_t ink() const {
    const std::size_t n = stride_ * static_cast<std::size_t>(height_);
    std::uint64_t count = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
      std::uint64_t w;
      std::memcpy(&w, bits_ + i, 8);
      count += static_cast<std::uint64_t>(__builtin_popcountll(w));
    }
    for (; i < n; ++i) count += static_cast<std::uint64_t>(__builtin_popcount(bits_[i]));
    return count;
  }

 private:
  std::uint8_t* bits_;
  int width_, height_;
  std::size_t stride_;
};

// Lettering: glyphs of 24 x 36 pixels with strokes 3 pixels wide, built from the segments of a
// sixteen-segment display; every letter below is 4-connected. Advance 28, so letters stay apart.
constexpr int kGlyphW = 24, kGlyphH = 36, kAdvance = 28, kStroke = 3;
constexpr int kRowPitch = 56;  // lettering rows in notes

void drawSegment(Canvas& c, int x, int y, int segment) {
  switch (segment) {
    case 0: c.fill(x, y, x + 24, y + 3); break;               // top
    case 1: c.fill(x, y + 16, x + 24, y + 19); break;         // middle
    case 2: c.fill(x, y + 33, x + 24, y + 36); break;         // bottom
    case 3: c.fill(x, y, x + 3, y + 19); break;               // left, upper half
    case 4: c.fill(x, y + 16, x + 3, y + 36); break;          // left, lower half
    case 5: c.fill(x + 21, y, x + 24, y + 19); break;         // right, upper half
    case 6: c.fill(x + 21, y + 16, x + 24, y + 36); break;    // right, lower half
    case 7: c.fill(x + 10, y, x + 13, y + 36); break;         // centre stem
    case 8: c.slant(x, y, x + 21, y + 36, kStroke); break;    // diagonal down to the right
    case 9: c.slant(x + 21, y, x, y + 36, kStroke); break;    // diagonal down to the left
    default: break;
  }
}

constexpr unsigned seg(int s) { return 1u << s; }
// E F H L T I U O P C N Z X 2 3 4 5 7 8 9 A
constexpr unsigned kLetters[] = {
    seg(0) | seg(1) | seg(2) | seg(3) | seg(4),
    seg(0) | seg(1) | seg(3) | seg(4),
    seg(1) | seg(3) | seg(4) | seg(5) | seg(6),
    seg(2) | seg(3) | seg(4),
    seg(0) | seg(7),
    seg(7),
    seg(2) | seg(3) | seg(4) | seg(5) | seg(6),
    seg(0) | seg(2) | seg(3) | seg(4) | seg(5) | seg(6),
    seg(0) | seg(1) | seg(3) | seg(4) | seg(5),
    seg(0) | seg(2) | seg(3) | seg(4),
    seg(3) | seg(4) | seg(5) | seg(6) | seg(8),
    seg(0) | seg(2) | seg(9),
    seg(8) | seg(9),
    seg(0) | seg(5) | seg(1) | seg(4) | seg(2),
    seg(0) | seg(5) | seg(1) | seg(6) | seg(2),
    seg(3) | seg(1) | seg(5) | seg(6),
    seg(0) | seg(3) | seg(1) | seg(6) | seg(2),
    seg(0) | seg(5) | seg(6),
    seg(0) | seg(1) | seg(2) | seg(3) | seg(4) | seg(5) | seg(6),
    seg(0) | seg(3) | seg(5) | seg(1) | seg(6) | seg(2),
    seg(0) | seg(1) | seg(3) | seg(4) | seg(5) | seg(6),
};
constexpr int kLetterCount = static_cast<int>(sizeof kLetters / sizeof kLetters[0]);
constexpr int kLetterE = 0;  // 297 ink pixels: the lone glyph

void drawLetter(Canvas& c, int x, int y, int letter) {
  for (int s = 0; s < 10; ++s) {
    if (kLetters[letter] & seg(s)) drawSegment(c, x, y, s);
  }
}

// Ink of each letter, measured once on a scratch sheet.
std::array<int, kLetterCount> letterInk() {
  std::array<int, kLetterCount> ink{};
  for (int l = 0; l < kLetterCount; ++l) {
    Drawing scratch;
    scratch.width = kGlyphW;
    scratch.height = kGlyphH;
    scratch.bits = std::vector<std::uint8_t>(bitmapBytes(kGlyphW, kGlyphH), 0);
    Canvas c(scratch);
    drawLetter(c, 0, 0, l);
    ink[l] = static_cast<int>(c.ink());
  }
  return ink;
}

// A ruled line's position. Lists of it rather than of plain ints: this code goes into the
// application library, where a growing std::vector<int> would be instantiated with default
// visibility and leak into its export table; a vector of a local type stays local.
struct Line {
  int at;
};

// A run of lettering positions: glyph tops at y, from x0 up to x1 (exclusive).
struct Slot {
  int x0, y, x1;
  int capacity() const { return (x1 - x0 + kAdvance - kGlyphW) / kAdvance; }
};

// Rows of lettering in the box [x0, x1) x [y0, y1).
void addNoteRows(std::vector<Slot>& slots, int x0, int y0, int x1, int y1) {
  for (int y = y0; y + kGlyphH <= y1; y += kRowPitch) {
    if (x1 - x0 >= kGlyphW) slots.push_back({x0, y, x1});
  }
}

// One line of lettering centred in a cell whose inside is [x0, x1) x [y0, y1).
void addCell(std::vector<Slot>& slots, int x0, int y0, int x1, int y1) {
  constexpr int kPad = 6;
  if (x1 - x0 < kGlyphW + 2 * kPad || y1 - y0 < kGlyphH + 8) return;
  slots.push_back({x0 + kPad, y0 + (y1 - y0 - kGlyphH) / 2, x1 - kPad});
}

// Shares of the sheet's area in ink.
constexpr double kNetworkShare = 0.032, kSolidShare = 0.032, kHatchShare = 0.002, kTotalShare = 0.07;
constexpr int kHatchPitch = 24, kHatchLine = 2;
constexpr double kHatchDensity = 0.16;  // two families of 2-pixel lines every 24 pixels
constexpr int kGrid = 3;                // table and title-block lines

}  // namespace

Drawing makeDrawing(int width, int height, std::uint32_t seed) {
  Drawing d;
  if (width <= 0 || height <= 0) return d;
  const double area = static_cast<double>(width) * static_cast<double>(height);
  if (area > 2147483648.0) return d;
  d.width = width;
  d.height = height;
  d.bits = std::vector<std::uint8_t>(bitmapBytes(width, height), 0);
  Canvas c(d);
  Prng rng(0x5EEDull * 1000003u + seed);

  const int minDim = std::min(width, height);
  // Double border: a thin outer frame, a thick inner one, zone ticks between them.
  const int m1 = std::max(2, minDim / 80);
  const int m2 = m1 + 2 + std::max(4, minDim / 160);
  c.frame(m1, m1, width - m1, height - m1, 2);
  c.frame(m2, m2, width - m2, height - m2, 4);
  for (int k = 1; k < 8; ++k) {
    const int y = static_cast<int>(static_cast<long long>(height) * k / 8);
    const int x = static_cast<int>(static_cast<long long>(width) * k / 8);
    c.fill(m1 + 2, y, m2, y + 2);
    c.fill(width - m2, y, width - m1 - 2, y + 2);
    c.fill(x, m1 + 2, x + 2, m2);
    c.fill(x, height - m2, x + 2, height - m1 - 2);
  }
  d.lineNetwork = {m2, height / 2};

  const int ix0 = m2 + 4, iy0 = m2 + 4, ix1 = width - m2 - 4, iy1 = height - m2 - 4;
  const int iw = ix1 - ix0, ih = iy1 - iy0;
  if (iw < 64 || ih < 64) return d;  // too small for anything but the border

  // The schedule's width is chosen so that, with rows about 52 pixels apart, the network gets
  // its share of the ink; the row pitch is then trimmed to the ink still missing.
  const double networkTarget = kNetworkShare * area;
  const int colMin = std::max(48, iw / 20), colMax = std::max(colMin, iw / 10);
  const int titleH = std::max(12, ih * 8 / 100);
  const double borderInk = static_cast<double>(c.ink());
  const double titleInkGuess = 0.5 * iw * kGrid * (titleH / 64.0 + 1) + 2.0 * titleH * kGrid;
  const double perArea = static_cast<double>(kGrid) / 52 + 2.0 * kGrid / (colMin + colMax);
  double tableW = (networkTarget - borderInk - titleInkGuess - static_cast<double>(ih) * kGrid) / (ih * perArea);
  tableW = std::clamp(tableW, iw / 4.0, iw * 0.55);
  const int sx = ix0 + static_cast<int>(tableW);  // the divider between schedule and sheet
  c.fill(sx, iy0, sx + kGrid, iy1);

  std::vector<Slot> slots;

  // Title block: a band along the bottom right, ruled in rows and three columns.
  const int tx0 = sx + kGrid, ty = iy1 - titleH;
  c.fill(tx0, ty, ix1, ty + kGrid);
  {
    const int tw = ix1 - tx0;
    const int cols[4] = {tx0, tx0 + tw * 2 / 5, tx0 + tw * 3 / 4, ix1};
    for (int k = 1; k < 3; ++k) c.fill(cols[k], ty + kGrid, cols[k] + kGrid, iy1);
    std::vector<Line> rows{{ty + kGrid}};
    for (int y = ty + kGrid + 64; y + kGrid + 48 <= iy1; y += 64 + kGrid) {
      c.fill(tx0, y, ix1, y + kGrid);
      rows.push_back({y + kGrid});
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
      const int yb = r + 1 < rows.size() ? rows[r + 1].at - kGrid : iy1;
      for (int k = 0; k < 3; ++k) addCell(slots, cols[k] + (k ? kGrid : 0), rows[r].at, cols[k + 1], yb);
    }
  }

  // Schedule: columns of random widths, then rows at the pitch that completes the network.
  std::vector<Line> colLines;
  for (int x = ix0 + rng.range(colMin, colMax); x + kGrid + colMin / 2 < sx; x += kGrid + rng.range(colMin, colMax)) {
    c.fill(x, iy0, x + kGrid, iy1);
    colLines.push_back({x});
  }
  {
    const double missing = networkTarget - static_cast<double>(c.ink());
    const double perLine = static_cast<double>(kGrid) * (sx - ix0 - kGrid * static_cast<double>(colLines.size()));
    int pitch = ih;
    if (missing > 0 && perLine > 0) pitch = static_cast<int>(ih / (missing / perLine + 1));
    pitch = std::max(pitch, kGlyphH + 8 + kGrid);
    std::vector<Line> rowTops{{iy0}};
    for (int y = iy0 + pitch - kGrid; y + kGrid + kGlyphH + 8 <= iy1; y += pitch) {
      c.fill(ix0, y, sx, y + kGrid);
      rowTops.push_back({y + kGrid});
    }
    std::vector<Line> cellLeft{{ix0}};
    for (const Line& x : colLines) cellLeft.push_back({x.at + kGrid});
    for (std::size_t r = 0; r < rowTops.size(); ++r) {
      const int yb = r + 1 < rowTops.size() ? rowTops[r + 1].at - kGrid : iy1;
      for (std::size_t k = 0; k < cellLeft.size(); ++k) {
        const int xr = k < colLines.size() ? colLines[k].at : sx;
        addCell(slots, cellLeft[k].at, rowTops[r].at, xr, yb);
      }
    }
  }

  // The open sheet: the solid region, the hatched area and the lone glyph side by side on a
  // shelf, notes to their right and below.
  const int gap = std::max(4, minDim / 100);
  const int dx0 = tx0 + gap, dx1 = ix1 - gap, dy0 = iy0 + gap, dy1 = ty - gap;
  if (dx1 - dx0 < 3 * gap + kGlyphW + 16 || dy1 - dy0 < kGlyphH + 8) return d;
  const int room = dx1 - dx0 - kGlyphW - 2 * gap;  // width left for solid and hatch
  int solidW = static_cast<int>(std::sqrt(kSolidShare * area * 4 / 3));
  int solidH = static_cast<int>(kSolidShare * area / std::max(solidW, 1));
  int hatch = static_cast<int>(std::sqrt(kHatchShare * area / kHatchDensity));
  hatch = std::clamp(hatch, 8, std::max(8, room / 3));
  solidW = std::clamp(solidW, 4, std::max(4, room - hatch - gap));
  solidH = std::clamp(solidH, 4, std::max(4, dy1 - dy0));
  hatch = std::min(hatch, std::max(8, dy1 - dy0));

  int x = dx0;
  c.fill(x, dy0, x + solidW, dy0 + solidH);
  d.solidRegion = {x + solidW / 2, dy0 + solidH / 2};
  x += solidW + gap;

  c.frame(x, dy0, x + hatch, dy0 + hatch, kHatchLine);
  for (int r = kHatchLine; r < hatch - kHatchLine; ++r) {
    const int y = dy0 + r;
    const int lo = x + kHatchLine, hi = x + hatch - kHatchLine;
    // Lines rising to the right: (u + r) % pitch < width; falling: (u - r) % pitch < width.
    const int up = (kHatchPitch - r % kHatchPitch) % kHatchPitch, down = r % kHatchPitch;
    for (int u = up - kHatchPitch; x + kHatchLine + u < hi; u += kHatchPitch) {
      c.span(y, std::max(lo, lo + u), std::min(hi, lo + u + kHatchLine));
    }
    for (int u = down - kHatchPitch; x + kHatchLine + u < hi; u += kHatchPitch) {
      c.span(y, std::max(lo, lo + u), std::min(hi, lo + u + kHatchLine));
    }
  }
  d.hatchedArea = {x, dy0};
  x += hatch + gap;

  drawLetter(c, x, dy0, kLetterE);
  d.glyph = {x, dy0};
  x += kGlyphW + gap;

  const int shelfBottom = dy0 + std::max({solidH, hatch, kGlyphH});
  addNoteRows(slots, x, dy0, dx1, shelfBottom);
  addNoteRows(slots, dx0, shelfBottom + gap, dx1, dy1);

  // Lettering, in random places, until the sheet holds its share of ink.
  const std::array<int, kLetterCount> ink = letterInk();
  double missing = kTotalShare * area - static_cast<double>(c.ink());
  for (std::size_t i = slots.size(); i > 1; --i) {
    std::swap(slots[i - 1], slots[static_cast<std::size_t>(rng.next() % i)]);
  }
  for (const Slot& slot : slots) {
    if (missing <= 0) break;
    const int count = rng.range(1, std::max(1, slot.capacity()));
    for (int k = 0; k < count && missing > 0; ++k) {
      if (k > 0 && rng.range(0, 5) == 0) continue;  // a space between words
      const int letter = rng.range(0, kLetterCount - 1);
      drawLetter(c, slot.x0 + k * kAdvance, slot.y, letter);
      missing -= ink[letter];
    }
  }
  return d;
}

}  // namespace pixmend
