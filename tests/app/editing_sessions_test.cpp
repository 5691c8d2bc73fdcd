// The pixels the copy, move and delete sessions write (tests/sessions/vxraster_session_copymove
// and vxraster_session_delete), worked out here without the commands: the scan is decoded, each
// step is done with plain pixel loops from the commands' rules (pixel rectangles between the
// corners' columns and rows, turns counter-clockwise, placements at t + (corner - s), fence
// vertices held to the raster, pixels taken by their centres), and every state is compared, by
// the digest the session verb `pixels` journals, with the committed journal.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "host/image/api.h"

namespace {

struct Image {
  int w = 0, h = 0;
  std::vector<std::uint8_t> px;  // one byte a pixel, 1 = ink
  bool at(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && px[y * w + x] != 0; }
  void put(int x, int y, bool ink) {
    if (x >= 0 && y >= 0 && x < w && y < h) px[y * w + x] = ink ? 1 : 0;
  }
};

Image load(const std::string& path) {
  unsigned char* bits = nullptr;
  Point2d size{};
  Image im;
  if (mdlImage_readFileToBitMap(&bits, &size, path.c_str(), IMAGEFILE_FROM_FILE, 0, nullptr) != 0) return im;
  im.w = size.x, im.h = size.y;
  const int stride = (im.w + 7) / 8;
  for (int y = 0; y < im.h; ++y)
    for (int x = 0; x < im.w; ++x) im.px.push_back((bits[y * stride + x / 8] >> (7 - x % 8)) & 1);
  mdlImage_freeImage(bits, &size, IMAGEFORMAT_BITMAP);
  return im;
}

// As `pixels` journals it: "W x H, N set, digest D" (FNV-1a of the packed rows).
std::string summary(const Image& im) {
  std::uint64_t digest = 1469598103934665603ull;
  long set = 0;
  for (int y = 0; y < im.h; ++y) {
    for (int x0 = 0; x0 < im.w; x0 += 8) {
      unsigned byte = 0;
      for (int b = 0; b < 8; ++b) byte |= (im.at(x0 + b, y) ? 1u : 0u) << (7 - b);
      set += __builtin_popcount(byte);
      digest = (digest ^ byte) * 1099511628211ull;
    }
  }
  char text[96];
  std::snprintf(text, sizeof text, "%d x %d, %ld set, digest %016llx", im.w, im.h, set,
                static_cast<unsigned long long>(digest));
  return text;
}

// The `pixels` lines of a committed session journal for `file`, without the format.
std::vector<std::string> journaled(const std::string& session, const std::string& file) {
  std::ifstream in(std::string(PIXMEND_SOURCE_DIR) + "/tests/sessions/" + session + ".journal");
  std::vector<std::string> found;
  const std::string prefix = "pixels: " + file + " ";
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size(), line.rfind(" (") - prefix.size()));
  }
  return found;
}

// A raster in the design: lower-left corner (ox, oy), p design units a pixel, row 0 at the top.
struct Placed {
  double ox, oy, p;
  int w, h;
  int column(double x) const { return static_cast<int>((x - ox) / p); }
  int row(double y) const { return static_cast<int>(h - (y - oy) / p); }
};

Image crop(const Image& im, int left, int top, int right, int bottom) {
  Image out{right - left, bottom - top, {}};
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) out.px.push_back(im.at(x, y));
  return out;
}

// Quarter turns counter-clockwise as the raster is seen (row 0 at the top).
Image turned(Image im, int quarters) {
  for (int q = 0; q < quarters; ++q) {
    Image out{im.h, im.w, std::vector<std::uint8_t>(im.px.size())};
    for (int y = 0; y < out.h; ++y)
      for (int x = 0; x < out.w; ++x) out.put(x, y, im.at(im.w - 1 - y, x));
    im = out;
  }
  return im;
}

void paste(Image& dst, const Image& src, int x, int y, bool transparent) {
  for (int j = 0; j < src.h; ++j)
    for (int i = 0; i < src.w; ++i)
      if (!transparent || src.at(i, j)) dst.put(x + i, y + j, src.at(i, j));
}

// Pixels whose centres lie inside the polygon (even-odd; crossings to the right, edges taking the
// rows from their top inclusive) are cleared, or those outside it.
void clearPolygon(Image& im, const std::vector<DPoint2d>& poly, bool outside) {
  for (int y = 0; y < im.h; ++y) {
    for (int x = 0; x < im.w; ++x) {
      const double xc = x + 0.5, yc = y + 0.5;
      bool in = false;
      for (std::size_t k = 0; k < poly.size(); ++k) {
        const DPoint2d a = poly[k], b = poly[(k + 1) % poly.size()];
        if (a.y == b.y || yc < std::fmin(a.y, b.y) || yc >= std::fmax(a.y, b.y)) continue;
        if (a.x + (yc - a.y) * (b.x - a.x) / (b.y - a.y) > xc) in = !in;
      }
      if (in != outside) im.put(x, y, false);
    }
  }
}

// Fence vertices on the raster: column trunc((X - ox) / p), row H - 1 - trunc((Y - oy) / p), each
// held within 0..W and 0..H.
std::vector<DPoint2d> fencePixels(const Placed& at, const std::vector<DPoint2d>& fence) {
  std::vector<DPoint2d> out;
  for (const DPoint2d& v : fence) {
    const double c = std::trunc((v.x - at.ox) / at.p), r = at.h - 1 - std::trunc((v.y - at.oy) / at.p);
    out.push_back({std::fmin(std::fmax(c, 0), at.w), std::fmin(std::fmax(r, 0), at.h)});
  }
  return out;
}

// The fence's content as the fence mode takes it: the pixel box of its vertices (grown from the
// far corner and the origin), everything outside the fence cleared. `box` gets its left and top.
Image fencePiece(const Image& im, const std::vector<DPoint2d>& pixels, Point2d* box) {
  double minC = im.w - 1, minR = im.h - 1, maxC = 0, maxR = 0;
  for (const DPoint2d& v : pixels) {
    minC = std::fmin(minC, v.x), maxC = std::fmax(maxC, v.x);
    minR = std::fmin(minR, v.y), maxR = std::fmax(maxR, v.y);
  }
  Image piece = crop(im, int(minC), int(minR), int(maxC), int(maxR));
  std::vector<DPoint2d> shifted;
  for (const DPoint2d& v : pixels) shifted.push_back({v.x - minC, v.y - minR});
  clearPolygon(piece, shifted, true);
  *box = {int(minC), int(minR)};
  return piece;
}

std::string scans() {
  return PIXMEND_TESTDATA_DIR;
}

TEST(EditingSessions, CopyAndMoveWriteThePiecesWhereTheRulesPutThem) {
  if (scans().empty()) GTEST_SKIP() << "the shared test scans are not here";
  Image im = load(scans() + "/tiff/CCITT_2.TIF");
  ASSERT_EQ(im.w, 1728);
  const Placed at{0, 0, 1, im.w, im.h};
  std::vector<std::string> want{summary(im)};
  // A piece picked up at s with its upper-left corner (x1, y2) lands with that corner at t + (x1, y2) - s.
  auto place = [&](const Image& piece, double x1, double y2, DPoint2d s, DPoint2d t, bool transparent) {
    paste(im, piece, at.column(t.x + x1 - s.x), at.row(t.y + y2 - s.y), transparent);
    want.push_back(summary(im));
  };
  const Image label = crop(im, at.column(680), at.row(1830), at.column(830), at.row(1760));
  place(label, 680, 1830, {680, 1760}, {60, 1300}, true);
  want.push_back(want.front());  // undone (and redone before the next placement)
  place(label, 680, 1830, {680, 1760}, {60, 1200}, true);
  place(label, 680, 1830, {680, 1760}, {300, 1300}, true);  // dragged the other way: the same piece
  // Opaque, held flush against the right edge.
  const Image plus = crop(im, at.column(1500), at.row(1230), at.column(1600), at.row(1150));
  paste(im, plus, im.w - plus.w, at.row(1000 + 1230 - 1150), false);
  want.push_back(summary(im));
  // The move: the source cleared, the piece turned a half turn about (1030, 160), whose corners
  // then are (2 sx - x2, 2 sy - y1) = (880, 200): back in place. Then a copy.
  const Image date = turned(crop(im, at.column(880), at.row(200), at.column(1180), at.row(120)), 2);
  clearPolygon(im, {{880, 2176}, {1180, 2176}, {1180, 2256}, {880, 2256}}, false);
  place(date, 880, 200, {1030, 160}, {1030, 160}, false);
  place(date, 880, 200, {1030, 160}, {1030, 400}, false);
  // A quarter turn about (50, 610): the upper-left corner becomes (sx - (y2 - sy), sy + (x2 - sx)).
  const Image primary = turned(crop(im, at.column(50), at.row(770), at.column(280), at.row(610)), 1);
  place(primary, 50 - (770 - 610), 610 + (280 - 50), {50, 610}, {1400, 300}, true);
  // The fence reaching beyond the left edge, copied opaquely then transparently: placed at
  // (min column - (s.x - t.x) / p, min row + (s.y - t.y) / p).
  Point2d box{};
  const auto triangle = fencePixels(at, {{-200, 800}, {350, 800}, {-200, 1350}});
  const Image opaque = fencePiece(im, triangle, &box);
  paste(im, opaque, box.x + 900, box.y, false);
  want.push_back(summary(im));
  const Image transparent = fencePiece(im, triangle, &box);
  paste(im, transparent, box.x + 1300, box.y + 500, true);
  want.push_back(summary(im));
  // The fence moved 1500 down: taken, its content cleared, placed transparently.
  const auto block = fencePixels(at, {{1380, 1680}, {1640, 1680}, {1640, 1940}, {1380, 1940}});
  const Image moved = fencePiece(im, block, &box);
  const std::string beforeMove = summary(im);
  clearPolygon(im, block, false);
  paste(im, moved, box.x, box.y + 1500, true);
  want.push_back(summary(im));
  want.push_back(beforeMove);  // undone
  want.push_back(summary(im));  // redone
  EXPECT_EQ(journaled("vxraster_session_copymove", "drawing.tif"), want);
}

TEST(EditingSessions, DeletesClearWhatTheRectanglesAndTheFenceCover) {
  if (scans().empty()) GTEST_SKIP() << "the shared test scans are not here";
  Image im = load(scans() + "/tiff/form1.tif");
  ASSERT_EQ(im.w, 390);
  const Placed at{1000, 2000, 2, im.w, im.h};
  std::vector<std::string> want{summary(im)};
  // A dragged rectangle: left = (x1 - ox) / p, top = H - |(y1 - oy) / p|, right = left + (x2 - x1) / p,
  // bottom = top - (y2 - y1) / p, each truncated.
  auto dragged = [&](DPoint2d a, DPoint2d b) {
    const double left = std::trunc((a.x - at.ox) / at.p), top = std::trunc(at.h - std::fabs((a.y - at.oy) / at.p));
    const double right = std::trunc(left + (b.x - a.x) / at.p), bottom = std::trunc(top - (b.y - a.y) / at.p);
    return std::vector<DPoint2d>{{left, top}, {right, top}, {right, bottom}, {left, bottom}};
  };
  clearPolygon(im, dragged({1100, 2100}, {1300, 2300}), false);
  clearPolygon(im, dragged({1500, 2900}, {1400, 2700}), false);
  clearPolygon(im, dragged({1000, 2000}, {1060, 2080}), false);  // the first point held at the origin
  want.push_back(summary(im));
  // The eraser: 2000 design units wide, cut to the raster's 780, 20 high, its centre held on the
  // raster (x = 1390); left = c - hw, top = r - hh, ... with c = (x - ox) / p, r = H - (y - oy) / p.
  const double c = (1390 - at.ox) / at.p, r = at.h - (2500 - at.oy) / at.p, hw = 780 / 2 / at.p, hh = 20 / 2 / at.p;
  clearPolygon(im, {{c - hw, r - hh}, {c + hw, r - hh}, {c + hw, r + hh}, {c - hw, r + hh}}, false);
  want.push_back(summary(im));
  const std::string beforeFence = summary(im);
  clearPolygon(im, fencePixels(at, {{1600, 2800}, {1900, 2800}, {1900, 3100}, {1600, 3100}}), false);
  want.push_back(summary(im));
  want.push_back(beforeFence);  // undone, then redone
  clearPolygon(im, dragged({1050, 2050}, {1750, 3000}), true);
  want.push_back(summary(im));
  EXPECT_EQ(journaled("vxraster_session_delete", "form.tif"), want);
}

}  // namespace
