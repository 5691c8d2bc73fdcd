// The bitmap kernels of the image library against pixel-loop references (widths 1 to 70, every
// bit offset), and the C calls' contracts: sizes, in-place results, refusals and -116.
#include <cstdlib>
#include <cstring>

#include "image_test_util.hpp"

namespace pixmend::imagetest {
namespace {

class ImageKernels : public ::testing::Test {
 protected:
  void SetUp() override { host::resetHost(); }
  void TearDown() override { host::resetHost(); }
};

// A bitmap copied into a malloc'ed block, as callers hand them to the library.
unsigned char* mallocCopy(const Bits& b) {
  auto* p = static_cast<unsigned char*>(std::malloc(b.bytes.size() + 1));
  std::memcpy(p, b.bytes.data(), b.bytes.size());
  return p;
}

Bits fromBlock(const unsigned char* p, Point2d size) {
  Bits b = blank(size.x, size.y);
  std::memcpy(b.bytes.data(), p, b.bytes.size());
  return b;
}

TEST_F(ImageKernels, QuarterTurnsMatchThePixelDefinitionForEveryWidth) {
  testsupport::Rng rng(11);
  for (int w = 1; w <= 70; ++w) {
    for (int h : {1, 3, 8, 9, 16, 23, 64, 65, 71}) {
      const Bits in = randomBits(rng, w, h, 0.45);
      for (int angle : {90, 180, 270, 0}) {
        SCOPED_TRACE(::testing::Message() << w << " x " << h << " by " << angle);
        const Point2d inSize = in.size();
        unsigned char* out = nullptr;
        Point2d outSize{-1, -1};
        ASSERT_EQ(mdlImage_rotate(&out, &outSize, in.bytes.data(), &inSize, 1, angle, mdlImage_checkStop), 0);
        const Bits expected = refRotate(in, angle / 90);
        EXPECT_EQ(outSize.x, expected.width);
        EXPECT_EQ(outSize.y, expected.height);
        EXPECT_TRUE(fromBlock(out, outSize) == expected);  // padding bits of the result are 0
        mdlImage_freeImage(out, &outSize, 1);
      }
    }
  }
}

TEST_F(ImageKernels, RotatingInPlaceReplacesTheBlockAndTheSize) {
  testsupport::Rng rng(3);
  const Bits in = randomBits(rng, 37, 13);
  unsigned char* image = mallocCopy(in);
  Point2d size = in.size();
  // The commands' in-place call: the old block is released (a sanitizer run checks that).
  ASSERT_EQ(mdlImage_rotate(&image, &size, image, &size, 1, 90, nullptr), 0);
  EXPECT_EQ(size.x, 13);
  EXPECT_EQ(size.y, 37);
  ASSERT_EQ(mdlImage_rotate(&image, &size, image, &size, 1, -90, nullptr), 0);  // -90 is 270
  EXPECT_TRUE(fromBlock(image, size) == in);
  ASSERT_EQ(mdlImage_rotate(&image, &size, image, &size, 1, 450, nullptr), 0);  // 450 is 90
  EXPECT_TRUE(fromBlock(image, size) == refRotate(in, 1));
  // Four quarter turns give the bitmap back.
  for (int i = 0; i < 3; ++i) ASSERT_EQ(mdlImage_rotate(&image, &size, image, &size, 1, 90, nullptr), 0);
  EXPECT_TRUE(fromBlock(image, size) == in);
  mdlImage_freeImage(image, &size, 1);
}

TEST_F(ImageKernels, RotateRefusesWhatItCannotTurnAndChangesNothing) {
  testsupport::Rng rng(5);
  const Bits in = randomBits(rng, 20, 9);
  unsigned char* image = mallocCopy(in);
  Point2d size = in.size();
  unsigned char* const before = image;
  EXPECT_EQ(mdlImage_rotate(&image, &size, image, &size, 1, 45, nullptr), MDLERR_INVALIDIMAGE);
  EXPECT_EQ(mdlImage_rotate(&image, &size, image, &size, 2, 90, nullptr), MDLERR_INVALIDIMAGE);
  EXPECT_EQ(mdlImage_rotate(nullptr, &size, image, &size, 1, 90, nullptr), MDLERR_INVALIDIMAGE);
  Point2d zero{0, 9};
  EXPECT_EQ(mdlImage_rotate(&image, &size, image, &zero, 1, 90, nullptr), MDLERR_INVALIDIMAGE);
  host::failImageAllocation();
  EXPECT_EQ(mdlImage_rotate(&image, &size, image, &size, 1, 90, nullptr), MDLERR_INSFMEMORY);
  host::failImageAllocation(1);  // the turn's scratch row
  EXPECT_EQ(mdlImage_rotate(&image, &size, image, &size, 1, 270, nullptr), MDLERR_INSFMEMORY);
  // Asked to stop: nothing changes either.
  EXPECT_EQ(mdlImage_rotate(&image, &size, image, &size, 1, 90, [] { return 1; }), MDLERR_IMAGESTOPPED);
  EXPECT_EQ(image, before);
  EXPECT_EQ(size.x, 20);
  EXPECT_TRUE(fromBlock(image, size) == in);
  mdlImage_freeImage(image, &size, 1);
}

TEST_F(ImageKernels, MirrorMatchesThePixelDefinitionAndLeavesPaddingAlone) {
  testsupport::Rng rng(17);
  // Past 128 a row spans three words and more: the left-right mirror reverses whole words.
  for (int w = 1; w <= 200; ++w) {
    for (int h : {1, 2, 5, 8, 13}) {
      Bits in = randomBits(rng, w, h, 0.5);
      testsupport::randomizePadding(rng, BitmapView(in.bytes.data(), w, h));
      for (int direction : {0, 1}) {
        SCOPED_TRACE(::testing::Message() << w << " x " << h << " direction " << direction);
        Bits work = in;
        const Point2d size = work.size();
        ASSERT_EQ(mdlImage_mirror(work.bytes.data(), &size, 1, direction, 0), 0);
        EXPECT_TRUE(work == refMirror(in, direction));
        ASSERT_EQ(mdlImage_mirror(work.bytes.data(), &size, 1, direction, 0), 0);
        EXPECT_TRUE(work == in);
      }
    }
  }
}

TEST_F(ImageKernels, MirrorRefusals) {
  Bits b = blank(9, 3);
  const Point2d size = b.size();
  EXPECT_EQ(mdlImage_mirror(b.bytes.data(), &size, 1, 2, 0), MDLERR_INVALIDIMAGE);
  EXPECT_EQ(mdlImage_mirror(nullptr, &size, 1, 0, 0), MDLERR_INVALIDIMAGE);
  EXPECT_EQ(mdlImage_mirror(b.bytes.data(), &size, 0, 0, 0), MDLERR_INVALIDIMAGE);
  host::failImageAllocation();
  EXPECT_EQ(mdlImage_mirror(b.bytes.data(), &size, 1, 1, 0), MDLERR_INSFMEMORY);
}

TEST_F(ImageKernels, ExtractionClipsToTheSourceAtEveryBitOffset) {
  testsupport::Rng rng(23);
  for (int w = 1; w <= 70; ++w) {
    const int h = 1 + w % 9;
    const Bits in = randomBits(rng, w, h, 0.5);
    for (int trial = 0; trial < 40; ++trial) {
      const int left = rng.uniform(-10, w + 2), top = rng.uniform(-3, h + 1);
      const int right = left + rng.uniform(1, w + 12), bottom = top + rng.uniform(1, h + 4);
      SCOPED_TRACE(::testing::Message()
                   << w << " x " << h << " rect " << left << "," << top << " - " << right << "," << bottom);
      const Point2d inSize = in.size();
      const BSIRect rect{{left, top}, {right, bottom}};
      const Point2d want{right - left, bottom - top};
      // Exactly the documented byte count, so any overrun shows in a sanitizer run.
      std::vector<unsigned char> out(static_cast<std::size_t>(mdlImage_memorySize(&want, 1)), 0xA5);
      Point2d outSize{0, 0};
      ASSERT_EQ(mdlImage_extractSubImage(out.data(), &outSize, in.bytes.data(), &inSize, &rect, 1), 0);
      EXPECT_EQ(outSize.x, want.x);
      EXPECT_EQ(outSize.y, want.y);
      EXPECT_EQ(out, refExtract(in, left, top, right, bottom).bytes);
    }
  }
  const Bits in = blank(8, 8);
  const Point2d inSize = in.size();
  std::vector<unsigned char> out(8);
  const BSIRect empty{{3, 3}, {3, 5}}, inverted{{5, 5}, {2, 7}};
  EXPECT_EQ(mdlImage_extractSubImage(out.data(), nullptr, in.bytes.data(), &inSize, &empty, 1),
            MDLERR_INVALIDIMAGE);
  EXPECT_EQ(mdlImage_extractSubImage(out.data(), nullptr, in.bytes.data(), &inSize, &inverted, 1),
            MDLERR_INVALIDIMAGE);
  EXPECT_EQ(mdlImage_extractSubImage(out.data(), nullptr, in.bytes.data(), &inSize, nullptr, 1),
            MDLERR_INVALIDIMAGE);
}

TEST_F(ImageKernels, PolygonFillCoversExactlyThePixelCentresInside) {
  testsupport::Rng rng(29);
  for (int w = 1; w <= 70; ++w) {
    const int h = 1 + (w * 7) % 23;
    for (int trial = 0; trial < 12; ++trial) {
      Bits in = randomBits(rng, w, h, 0.5);
      testsupport::randomizePadding(rng, BitmapView(in.bytes.data(), w, h));
      std::vector<DPoint2d> poly(static_cast<std::size_t>(rng.uniform(3, 9)));
      const bool whole = rng.chance(0.5);  // vertices on pixel corners, as the commands pass them
      for (DPoint2d& p : poly) {
        p.x = rng.uniform(-4 * 8, (w + 4) * 8) / 8.0;
        p.y = rng.uniform(-3 * 8, (h + 3) * 8) / 8.0;
        if (whole) {
          p.x = std::round(p.x);
          p.y = std::round(p.y);
        }
      }
      const bool outside = rng.chance(0.5), ink = rng.chance(0.5);
      SCOPED_TRACE(::testing::Message() << w << " x " << h << " trial " << trial);
      Bits work = in;
      const Point2d size = work.size();
      ASSERT_EQ(mdlImage_setMapPolygon(work.bytes.data(), &size, 1, poly.data(),
                                       static_cast<int>(poly.size()), outside, ink),
                0);
      EXPECT_TRUE(work == refPolygon(in, poly, outside, ink));
    }
  }
}

TEST_F(ImageKernels, PolygonEdgeCasesOfTheCommands) {
  // A rectangle on pixel corners covers exactly its pixels: left/top in, right/bottom out.
  Bits b = blank(20, 10);
  Point2d size = b.size();
  const DPoint2d rect[5] = {{3, 2}, {11, 2}, {11, 7}, {3, 7}, {3, 2}};
  ASSERT_EQ(mdlImage_setMapPolygon(b.bytes.data(), &size, 1, rect, 5, 0, 1), 0);
  EXPECT_EQ(b.ones(), 8u * 5u);
  EXPECT_TRUE(b.get(3, 2));
  EXPECT_TRUE(b.get(10, 6));
  EXPECT_FALSE(b.get(11, 6));
  EXPECT_FALSE(b.get(10, 7));
  // The same rectangle given bottom-up (as the delete commands build it) and erased outside.
  Bits c = blank(20, 10);
  std::fill(c.bytes.begin(), c.bytes.end(), 0xFF);
  const DPoint2d upward[5] = {{3, 7}, {11, 7}, {11, 2}, {3, 2}, {3, 7}};
  ASSERT_EQ(mdlImage_setMapPolygon(c.bytes.data(), &size, 1, upward, 5, 1, 0), 0);
  EXPECT_EQ(c.ones(), 40u);
  EXPECT_TRUE(c.get(3, 2));
  // Fewer than three vertices enclose nothing: inside changes nothing, outside everything.
  Bits d = blank(20, 10);
  ASSERT_EQ(mdlImage_setMapPolygon(d.bytes.data(), &size, 1, rect, 2, 0, 1), 0);
  EXPECT_EQ(d.ones(), 0u);
  ASSERT_EQ(mdlImage_setMapPolygon(d.bytes.data(), &size, 1, nullptr, 0, 1, 1), 0);
  EXPECT_EQ(d.ones(), 200u);
  // A polygon far larger than the bitmap, and one wholly off it.
  Bits e = blank(20, 10);
  const DPoint2d huge[4] = {{-1e9, -1e9}, {1e9, -1e9}, {1e9, 1e9}, {-1e9, 1e9}};
  ASSERT_EQ(mdlImage_setMapPolygon(e.bytes.data(), &size, 1, huge, 4, 0, 1), 0);
  EXPECT_EQ(e.ones(), 200u);
  const DPoint2d away[3] = {{100, 100}, {200, 100}, {150, 300}};
  ASSERT_EQ(mdlImage_setMapPolygon(e.bytes.data(), &size, 1, away, 3, 0, 0), 0);
  EXPECT_EQ(e.ones(), 200u);
  // Refusals: non-finite vertices, missing vertices, bad bitmaps; and -116.
  const DPoint2d bad[3] = {{0, 0}, {NAN, 1}, {5, 5}};
  EXPECT_EQ(mdlImage_setMapPolygon(e.bytes.data(), &size, 1, bad, 3, 0, 0), MDLERR_INVALIDIMAGE);
  EXPECT_EQ(mdlImage_setMapPolygon(e.bytes.data(), &size, 1, nullptr, 3, 0, 0), MDLERR_INVALIDIMAGE);
  EXPECT_EQ(mdlImage_setMapPolygon(nullptr, &size, 1, rect, 5, 0, 0), MDLERR_INVALIDIMAGE);
  Point2d negative{-3, 10};
  EXPECT_EQ(mdlImage_setMapPolygon(e.bytes.data(), &negative, 1, rect, 5, 0, 0), MDLERR_INVALIDIMAGE);
  host::failImageAllocation();
  EXPECT_EQ(mdlImage_setMapPolygon(e.bytes.data(), &size, 1, rect, 5, 0, 0), MDLERR_INSFMEMORY);
  EXPECT_EQ(e.ones(), 200u);
}

// The transform of the warp as the warp command builds it: rows (s0 s1 s2 0), (t0 t1 t2 0).
Transform affine(double s0, double s1, double s2, double t0, double t1, double t2) {
  Transform t{};
  t.form3d[0][0] = s0;
  t.form3d[0][1] = s1;
  t.form3d[0][2] = s2;
  t.form3d[1][0] = t0;
  t.form3d[1][1] = t1;
  t.form3d[1][2] = t2;
  return t;
}

Bits warp(const Bits& in, const Transform& t, Point2d outSize) {
  const Point2d inSize = in.size();
  unsigned char* out = nullptr;
  EXPECT_EQ(mdlImage_warp(&out, &outSize, in.bytes.data(), &inSize, 1, &t, nullptr, nullptr), 0);
  Bits b = fromBlock(out, outSize);
  mdlImage_freeImage(out, &outSize, 1);
  return b;
}

TEST_F(ImageKernels, WarpMapsOutputPositionsToSourcePositionsWithYUp) {
  testsupport::Rng rng(31);
  const Bits in = randomBits(rng, 29, 17, 0.5);
  // Identity.
  EXPECT_TRUE(warp(in, affine(1, 0, 0, 0, 1, 0), in.size()) == in);
  // Output (X, Y) reads source (X + 3, Y + 2), y up: the picture moves left by 3 and down by 2
  // as displayed (rows grow downward, so content moves 2 rows towards the bottom).
  const Bits shifted = warp(in, affine(1, 0, 3, 0, 1, 2), in.size());
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x) {
      const int sx = x + 3, sy = y - 2;
      const bool expected = sx < in.width && sy >= 0 && in.get(sx, sy);
      ASSERT_EQ(shifted.get(x, y), expected) << x << "," << y;
    }
  // The translation column counts the same as the third column.
  Transform viaTranslation = affine(1, 0, 0, 0, 1, 0);
  viaTranslation.form3d[0][3] = 3;
  viaTranslation.form3d[1][3] = 2;
  EXPECT_TRUE(warp(in, viaTranslation, in.size()) == shifted);
  // A quarter turn counter-clockwise written as a transform equals mdlImage_rotate's.
  // Output (X, Y) of the H x W result reads source (Y, H - X).
  const Bits turned = warp(in, affine(0, 1, 0, -1, 0, in.height), {in.height, in.width});
  EXPECT_TRUE(turned == refRotate(in, 1));
  // Scaling by 2 doubles every pixel.
  const Bits big = warp(in, affine(0.5, 0, 0, 0, 0.5, 0), {2 * in.width, 2 * in.height});
  for (int y = 0; y < big.height; ++y)
    for (int x = 0; x < big.width; ++x) ASSERT_EQ(big.get(x, y), in.get(x / 2, y / 2));
}

TEST_F(ImageKernels, WarpRefusalsAndInPlace) {
  const Bits in = blank(10, 10);
  const Point2d inSize = in.size();
  unsigned char* out = nullptr;
  Point2d outSize{10, 10};
  Transform t = affine(1, 0, 0, 0, 1, 0);
  t.form3d[1][2] = INFINITY;
  EXPECT_EQ(mdlImage_warp(&out, &outSize, in.bytes.data(), &inSize, 1, &t, nullptr, nullptr),
            MDLERR_INVALIDIMAGE);
  EXPECT_EQ(out, nullptr);
  t = affine(1, 0, 0, 0, 1, 0);
  Point2d empty{0, 5};
  EXPECT_EQ(mdlImage_warp(&out, &empty, in.bytes.data(), &inSize, 1, &t, nullptr, nullptr),
            MDLERR_INVALIDIMAGE);
  Point2d enormous{1 << 24, 1 << 24};
  EXPECT_EQ(mdlImage_warp(&out, &enormous, in.bytes.data(), &inSize, 1, &t, nullptr, nullptr),
            MDLERR_INSFMEMORY);
  host::failImageAllocation();
  EXPECT_EQ(mdlImage_warp(&out, &outSize, in.bytes.data(), &inSize, 1, &t, nullptr, nullptr),
            MDLERR_INSFMEMORY);
  EXPECT_EQ(out, nullptr);
  // In place: the old block goes, the new size is the one asked for.
  unsigned char* image = mallocCopy(in);
  Point2d size{10, 10};
  Point2d wanted{4, 30};
  const Point2d oldSize = size;
  ASSERT_EQ(mdlImage_warp(&image, &wanted, image, &oldSize, 1, &t, nullptr, nullptr), 0);
  EXPECT_EQ(wanted.x, 4);
  EXPECT_EQ(wanted.y, 30);
  mdlImage_freeImage(image, &wanted, 1);
}

TEST_F(ImageKernels, MemorySizeIsTheBitmapLayoutsByteCount) {
  const Point2d a{10, 2}, b{16, 3}, c{0, 3}, d{1, 1};
  EXPECT_EQ(mdlImage_memorySize(&a, 1), 4);
  EXPECT_EQ(mdlImage_memorySize(&b, 1), 6);
  EXPECT_EQ(mdlImage_memorySize(&c, 1), 0);
  EXPECT_EQ(mdlImage_memorySize(&d, 1), 1);
  EXPECT_EQ(mdlImage_memorySize(&a, 8), 0);
  EXPECT_EQ(mdlImage_memorySize(nullptr, 1), 0);
  const Point2d a0{13244, 18724};
  EXPECT_EQ(mdlImage_memorySize(&a0, 1), 1656 * 18724);
  mdlImage_freeImage(nullptr, nullptr, 1);  // harmless
  EXPECT_EQ(mdlImage_checkStop(), 0);
}

}  // namespace
}  // namespace pixmend::imagetest
