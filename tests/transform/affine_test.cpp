// The affine warp engine against its pixel-loop reference, its box, progress and refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "include/pixmend/vxdll.h"
#include "support/random_bitmap.hpp"
#include "support/warp_reference.hpp"
#include "transform/affine.hpp"

namespace {

using pixmend::testsupport::Rng;

struct Forward {
  double a, b, c, d, e, f;
};

void recordPercent(void* context, const char* message, int percent) {
  EXPECT_STREQ(message, "Rotating...");
  static_cast<std::vector<int>*>(context)->push_back(percent);
}

struct WarpResult {
  int minX = 0, minY = 0, maxX = 0, maxY = 0;
  std::vector<std::uint8_t> bits;
  std::vector<int> percents;
};

// Set-up from coefficients and warp into an outputWidth x outputHeight bitmap that starts as
// `initial` (all clear when empty), through the exported functions.
WarpResult engineWarp(const pixmend::testsupport::RandomBitmap& src, const Forward& t, int outputWidth, int outputHeight,
                      std::vector<std::uint8_t> initial = {}) {
  WarpResult r;
  VXDllWarpAffineRotPre(src.bits.data(), t.a, t.d, t.b, t.e, t.c, t.f, src.width, src.height, outputWidth,
                        outputHeight, static_cast<int>(src.bits.size()));
  VXDllGetNewMaxAndMin(&r.minX, &r.minY, &r.maxX, &r.maxY);
  r.bits = initial.empty() ? std::vector<std::uint8_t>(pixmend::bitmapBytes(outputWidth, outputHeight)) : initial;
  VXDllWarpAffine(r.bits.data(), src.width, src.height, outputWidth, outputHeight, static_cast<int>(r.bits.size()),
                  recordPercent, &r.percents, "Rotating...");
  return r;
}

WarpResult referenceWarp(const pixmend::testsupport::RandomBitmap& src, const Forward& t, int outputWidth, int outputHeight,
                         std::vector<std::uint8_t> initial = {}) {
  WarpResult r;
  const auto s = pixmend::testsupport::affineSetUp(t.a, t.b, t.c, t.d, t.e, t.f, src.width, src.height);
  r.minX = s.minX;
  r.minY = s.minY;
  r.maxX = s.maxX;
  r.maxY = s.maxY;
  r.bits = initial.empty() ? std::vector<std::uint8_t>(pixmend::bitmapBytes(outputWidth, outputHeight)) : initial;
  pixmend::testsupport::affineWarp(s, src.bits.data(), src.width, src.height, r.bits.data(), outputWidth, outputHeight,
                                 &r.percents);
  return r;
}

// The coefficients the rotate command gives the engine for a typed angle, and its output size.
Forward rotateCommand(double typedAngle, int W, int H, int& newW, int& newH) {
  const double t = 360 - typedAngle, A = t * 0.017453292519944444;
  const double ca = std::cos(A), sa = std::sin(A);
  newW = static_cast<int>(std::fabs(W * ca) + std::fabs(H * sa));
  newH = static_cast<int>(std::fabs(H * ca) + std::fabs(W * sa));
  Forward f{ca, -sa, 0, sa, ca, 0};
  if (t < 90) {
    f.c = W * sa * sa;
    f.f = -W * sa * ca;
  } else if (t < 180) {
    const double B = (t - 90) * 0.017453292519944444, T = W * std::cos(B) + H * std::sin(B);
    f.c = T * sa - W * std::sin(B) * ca;
    f.f = -T * ca - W * std::sin(B) * sa;
  } else if (t < 270) {
    const double C = (t - 180) * 0.017453292519944444, U = W * std::cos(C) + H * std::sin(C);
    f.c = H * std::cos(C) * sa - U * ca;
    f.f = -H * std::cos(C) * ca - U * sa;
  } else {
    const double D = (t - 270) * 0.017453292519944444;
    f.c = -H * std::cos(D) * ca;
    f.f = -H * std::cos(D) * sa;
  }
  return f;
}

void expectSame(const WarpResult& engine, const WarpResult& ref, const char* what) {
  EXPECT_EQ(engine.minX, ref.minX) << what;
  EXPECT_EQ(engine.minY, ref.minY) << what;
  EXPECT_EQ(engine.maxX, ref.maxX) << what;
  EXPECT_EQ(engine.maxY, ref.maxY) << what;
  EXPECT_TRUE(engine.bits == ref.bits) << what;
  EXPECT_EQ(engine.percents, ref.percents) << what;
}

Forward randomTransform(Rng& rng, int W, int H) {
  const int kind = rng.uniform(0, 5);
  const double angle = rng.uniform(-3600, 3600) / 10.0 * 0.017453292519944444;
  const double sx = rng.uniform(30, 300) / 100.0 * (rng.chance(0.2) ? -1 : 1);
  const double sy = rng.uniform(30, 300) / 100.0 * (rng.chance(0.2) ? -1 : 1);
  const double tx = rng.uniform(-2 * W, 2 * W) / 3.0, ty = rng.uniform(-2 * H, 2 * H) / 3.0;
  switch (kind) {
    case 0:  // rotation
      return {std::cos(angle), -std::sin(angle), tx, std::sin(angle), std::cos(angle), ty};
    case 1:  // scaling, reflections included
      return {sx, 0, tx, 0, sy, ty};
    case 2:  // shear
      return {1, rng.uniform(-100, 100) / 100.0, tx, rng.uniform(-100, 100) / 100.0, 1, ty};
    case 3:  // near-singular: the rows almost parallel
      return {1, 1, tx, 1, 1 + rng.uniform(1, 50) / 1000.0, ty};
    case 4:  // general
      return {sx * std::cos(angle), rng.uniform(-150, 150) / 100.0, tx, rng.uniform(-150, 150) / 100.0,
              sy * std::sin(angle + 1), ty};
    default: {  // the rotate command's own coefficients
      int w = 0, h = 0;
      return rotateCommand(rng.uniform(1, 3599) / 10.0, W, H, w, h);
    }
  }
}

TEST(AffineWarp, MatchesThePixelLoopOnRandomBitmapsAndTransforms) {
  Rng rng(20240611);
  for (int round = 0; round < 400; ++round) {
    const int W = rng.uniform(1, 90), H = rng.uniform(1, 70);
    const auto src = pixmend::testsupport::randomBitmap(rng, W, H, rng.uniform(1, 9) / 10.0);
    const Forward t = randomTransform(rng, W, H);
    const auto box = pixmend::testsupport::affineSetUp(t.a, t.b, t.c, t.d, t.e, t.f, W, H);
    // The box itself, or a size a column or a row off, as callers with their own size have.
    int ow = std::max(1, box.maxX - box.minX + rng.uniform(-2, 2));
    int oh = std::max(1, box.maxY - box.minY + rng.uniform(-2, 2));
    if (rng.chance(0.1)) ow = rng.uniform(1, 140);
    const auto ref = referenceWarp(src, t, ow, oh);
    const auto engine = engineWarp(src, t, ow, oh);
    expectSame(engine, ref, ("round " + std::to_string(round)).c_str());
    if (HasFailure()) break;
  }
}

TEST(AffineWarp, MatchesThePixelLoopOnADrawingRotatedByTheRotateCommand) {
  Rng rng(7);
  auto src = pixmend::testsupport::randomBitmap(rng, 1203, 917, 0.3);
  for (double angle : {3.7, 30.0, 89.9, 135.5, 200.25, 300.0, 359.9}) {
    int ow = 0, oh = 0;
    const Forward t = rotateCommand(angle, src.width, src.height, ow, oh);
    expectSame(engineWarp(src, t, ow, oh), referenceWarp(src, t, ow, oh), std::to_string(angle).c_str());
  }
  // Scaled by 0.5 and 2, and pure translations by fractions of a pixel.
  for (const Forward& t : {Forward{0.5, 0, 0, 0, 0.5, 0}, Forward{2, 0, 0, 0, 2, 0}, Forward{1, 0, 0.5, 0, 1, -0.5},
                           Forward{1, 0, -3.25, 0, 1, 7.75}}) {
    const auto box = pixmend::testsupport::affineSetUp(t.a, t.b, t.c, t.d, t.e, t.f, src.width, src.height);
    const int ow = box.maxX - box.minX, oh = box.maxY - box.minY;
    expectSame(engineWarp(src, t, ow, oh), referenceWarp(src, t, ow, oh), "scale or shift");
  }
}

// The set-up reads the caller's source in place; a change of it announced before the warp (every
// export that writes into a bitmap announces its writes) makes the engine take its copy first,
// so the warp still turns the source as it stood at the set-up.
TEST(AffineWarp, ASourceChangedAfterTheSetUpIsTurnedAsItStoodThen) {
  Rng rng(77);
  for (int round = 0; round < 40; ++round) {
    auto src = pixmend::testsupport::randomBitmap(rng, rng.uniform(8, 300), rng.uniform(8, 200), 0.4);
    const auto original = src;
    int ow = 0, oh = 0;
    const Forward t = rotateCommand(rng.uniform(1, 3599) / 10.0, src.width, src.height, ow, oh);
    WarpResult engine;
    VXDllWarpAffineRotPre(src.bits.data(), t.a, t.d, t.b, t.e, t.c, t.f, src.width, src.height, ow, oh,
                          static_cast<int>(src.bits.size()));
    VXDllGetNewMaxAndMin(&engine.minX, &engine.minY, &engine.maxX, &engine.maxY);
    if (round % 2 == 0) {
      VXDllInvertRaster(src.bits.data(), src.width, src.height);
    } else {
      const std::vector<std::uint8_t> ink(pixmend::bitmapBytes(5, 3), 0xFF);
      VXDllPaste(src.bits.data(), ink.data(), rng.uniform(0, src.width - 1), rng.uniform(0, src.height - 3), 5, 3,
                 src.width);
    }
    engine.bits.assign(pixmend::bitmapBytes(ow, oh), 0);
    VXDllWarpAffine(engine.bits.data(), src.width, src.height, ow, oh, static_cast<int>(engine.bits.size()),
                    recordPercent, &engine.percents, "Rotating...");
    expectSame(engine, referenceWarp(original, t, ow, oh), ("round " + std::to_string(round)).c_str());
  }
  // Warped into its own buffer (a square turned a quarter: each output row reads every source
  // row, some already written): the pixels ORed in are those of the source as it was.
  auto src = pixmend::testsupport::randomBitmap(rng, 97, 97, 0.3);
  const auto original = src;
  int ow = 0, oh = 0;
  const Forward quarter = rotateCommand(90.0, 97, 97, ow, oh);
  ASSERT_EQ(ow, 97);
  ASSERT_EQ(oh, 97);
  VXDllWarpAffineRotPre(src.bits.data(), quarter.a, quarter.d, quarter.b, quarter.e, quarter.c, quarter.f, 97, 97, 97,
                        97, static_cast<int>(src.bits.size()));
  std::vector<int> percents;
  VXDllWarpAffine(src.bits.data(), 97, 97, 97, 97, static_cast<int>(src.bits.size()), recordPercent, &percents,
                  "Rotating...");
  EXPECT_TRUE(src.bits == referenceWarp(original, quarter, 97, 97, original.bits).bits);
}

TEST(AffineWarp, MatchesThePixelLoopFarFromTheOrigin) {
  // Output positions around 1.5e9: too large for the stepping's error bound, so these rows take
  // the per-pixel path, which must agree as well.
  Rng rng(31);
  const auto src = pixmend::testsupport::randomBitmap(rng, 77, 41, 0.5);
  for (const Forward& t : {Forward{0.9, 0.1, 1.5e9, -0.1, 0.9, -1.5e9}, Forward{1, 0, 1.5e9 + 0.5, 0, 1, 0.25},
                           Forward{0.7, 0.2, 2e8, 0.3, -1.1, 3e8}}) {
    const auto box = pixmend::testsupport::affineSetUp(t.a, t.b, t.c, t.d, t.e, t.f, src.width, src.height);
    ASSERT_TRUE(box.ok);
    const int ow = box.maxX - box.minX, oh = box.maxY - box.minY;
    expectSame(engineWarp(src, t, ow, oh), referenceWarp(src, t, ow, oh), "far");
  }
}

TEST(AffineWarp, IdentityCopiesEveryRowToItsOwnPlace) {
  Rng rng(3);
  for (int W : {1, 7, 8, 10, 63, 64, 65, 130}) {
    const auto src = pixmend::testsupport::randomBitmap(rng, W, 9, 0.5);
    const auto r = engineWarp(src, {1, 0, 0, 0, 1, 0}, W, 9);
    EXPECT_EQ(r.minX, 0);
    EXPECT_EQ(r.minY, 0);
    EXPECT_EQ(r.maxX, W);
    EXPECT_EQ(r.maxY, 9);
    // Row 0 is read and nothing is shifted a row down: the output is the source.
    EXPECT_TRUE(r.bits == src.bits) << W;
  }
}

TEST(AffineWarp, BoxComesFromTruncatedCorners) {
  // A small rotation: corners just below 0 truncate to 0, so the box starts at 0 on one side
  // and is a few pixels larger than the source.
  Rng rng(5);
  const auto src = pixmend::testsupport::randomBitmap(rng, 100, 50, 0.5);
  const double A = 2 * 0.017453292519944444;
  const Forward t{std::cos(A), -std::sin(A), 0.4, std::sin(A), std::cos(A), 0.3};
  const auto r = engineWarp(src, t, 104, 55);
  // x: c = 0.4, aW + c = 100.34, bH + aW + c = 98.6, bH + c = -1.34 -> 0, 100, 98, -1.
  EXPECT_EQ(r.minX, -1);
  EXPECT_EQ(r.maxX, 100);
  // y: f = 0.3 -> 0; dW + f = 3.79 -> 3; eH + dW + f = 53.76 -> 53; eH + f = 50.27 -> 50.
  EXPECT_EQ(r.minY, 0);
  EXPECT_EQ(r.maxY, 53);
  int w = 0, h = 0;
  // The identity from three point pairs (the first x must not be 0: the elimination does not pivot).
  std::vector<double> xs = {1, 2, 1, 1, 100, 3, 1, 100, 4, 50, 1, 4}, ys = {1, 2, 1, 2, 100, 3, 1, 3, 4, 50, 1, 50};
  VXDllWarpAffinePre(src.bits.data(), 100, 50, &w, &h, xs.data(), ys.data(), static_cast<int>(src.bits.size()));
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 50);
  std::vector<std::uint8_t> out(src.bits.size());
  VXDllWarpAffine(out.data(), 100, 50, 100, 50, static_cast<int>(out.size()), nullptr, nullptr, nullptr);
  EXPECT_TRUE(out == src.bits);
}

TEST(AffineWarp, ReportsProgressByMultiplesOfFivePercent) {
  Rng rng(11);
  const auto src = pixmend::testsupport::randomBitmap(rng, 30, 40, 0.5);
  auto r = engineWarp(src, {1, 0, 0, 0, 1, 0}, 30, 40);
  std::vector<int> expected;
  for (int p = 0; p <= 95; p += 5) expected.push_back(p);
  expected.push_back(100);
  EXPECT_EQ(r.percents, expected);

  const auto tall = pixmend::testsupport::randomBitmap(rng, 5, 400, 0.5);
  r = engineWarp(tall, {1, 0, 0, 0, 1, 0}, 5, 400);
  EXPECT_EQ(r.percents.size(), 20u * 4 + 1);  // each multiple of 5 from 4 rows, then 100
  EXPECT_EQ(r.percents, referenceWarp(tall, {1, 0, 0, 0, 1, 0}, 5, 400).percents);

  // A box taller than the caller's output still reports its rows up to 100 percent.
  r = engineWarp(src, {1, 0, 0, 0, 1, 0}, 30, 20);
  EXPECT_EQ(r.percents, referenceWarp(src, {1, 0, 0, 0, 1, 0}, 30, 20).percents);
  EXPECT_EQ(r.percents.back(), 100);
}

TEST(AffineWarp, PositionsOutsideTheCallersOutputAreDroppedAndPaddingIsKept) {
  Rng rng(13);
  const auto src = pixmend::testsupport::randomBitmap(rng, 20, 10, 1.0);
  // The box is 20 x 10; the caller's output is 12 wide (stride 2 bytes, 4 padding bits) with its
  // padding set: nothing may run into the padding or into the next row's first pixels.
  auto r = engineWarp(src, {1, 0, 0, 0, 1, 0}, 12, 10, std::vector<std::uint8_t>(20, 0));
  for (int y = 0; y < 10; ++y) {
    EXPECT_EQ(r.bits[2 * y], 0xFF);
    EXPECT_EQ(r.bits[2 * y + 1], 0xF0) << "padding of row " << y;
  }
  std::vector<std::uint8_t> padded(20, 0);
  for (int y = 0; y < 10; ++y) padded[2 * y + 1] = 0x05;  // padding bits set before the warp
  r = engineWarp(src, {1, 0, 0, 0, 1, 0}, 12, 10, padded);
  for (int y = 0; y < 10; ++y) EXPECT_EQ(r.bits[2 * y + 1], 0xF5);
}

TEST(AffineWarp, RefusedSetUpsLeaveTheBoxEmptyAndWriteNothing) {
  Rng rng(17);
  const auto src = pixmend::testsupport::randomBitmap(rng, 16, 16, 0.5);
  std::vector<std::uint8_t> out(32, 0);
  int minX = 9, minY = 9, maxX = 9, maxY = 9;
  auto expectEmpty = [&](const char* what) {
    VXDllGetNewMaxAndMin(&minX, &minY, &maxX, &maxY);
    EXPECT_EQ(minX | minY | maxX | maxY, 0) << what;
    std::vector<int> percents;
    VXDllWarpAffine(out.data(), 16, 16, 16, 16, 32, recordPercent, &percents, "Rotating...");
    EXPECT_EQ(percents, std::vector<int>{100}) << what;
    EXPECT_EQ(std::count(out.begin(), out.end(), 0), 32) << what;
  };

  // A singular transform from coefficients (det = 0).
  VXDllWarpAffineRotPre(src.bits.data(), 1, 2, 1, 2, 0, 0, 16, 16, 16, 16, 32);
  expectEmpty("det = 0");

  // Three collinear source points: zero pivot, non-finite coefficients, size 0 x 0.
  double xs[12] = {0, 0, 1, 5, 1, 1, 1, 6, 2, 2, 1, 7}, ys[12] = {0, 0, 1, 0, 1, 1, 1, 1, 2, 2, 1, 2};
  int w = 7, h = 7;
  VXDllWarpAffinePre(src.bits.data(), 16, 16, &w, &h, xs, ys, 32);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  expectEmpty("collinear points");

  // Non-finite and huge coefficients.
  VXDllWarpAffineRotPre(src.bits.data(), NAN, 0, 0, 1, 0, 0, 16, 16, 16, 16, 32);
  expectEmpty("NaN");
  VXDllWarpAffineRotPre(src.bits.data(), 1e12, 0, 0, 1, 0, 0, 16, 16, 16, 16, 32);
  expectEmpty("box beyond the limits");

  // No memory for the source copy.
  pixmend::failNextSourceCopy();
  VXDllWarpAffineRotPre(src.bits.data(), 1, 0, 0, 1, 0, 0, 16, 16, 16, 16, 32);
  expectEmpty("no memory");

  // Bad sizes and no source.
  VXDllWarpAffineRotPre(src.bits.data(), 1, 0, 0, 1, 0, 0, 0, 16, 16, 16, 32);
  expectEmpty("width 0");
  VXDllWarpAffineRotPre(nullptr, 1, 0, 0, 1, 0, 0, 16, 16, 16, 16, 32);
  expectEmpty("no source");
}

TEST(AffineWarp, OneWarpPerSetUpAndNothingFreedTwice) {
  Rng rng(19);
  const auto src = pixmend::testsupport::randomBitmap(rng, 16, 16, 1.0);
  std::vector<std::uint8_t> out(32, 0);
  VXDllWarpAffineRotPre(src.bits.data(), 1, 0, 0, 1, 0, 0, 16, 16, 16, 16, 32);
  VXDllWarpAffine(out.data(), 16, 16, 16, 16, 32, nullptr, nullptr, nullptr);
  EXPECT_EQ(std::count(out.begin(), out.end(), 0xFF), 32);
  // A second warp without a set-up writes nothing (the copy is gone) and frees nothing.
  std::fill(out.begin(), out.end(), 0);
  VXDllWarpAffine(out.data(), 16, 16, 16, 16, 32, nullptr, nullptr, nullptr);
  EXPECT_EQ(std::count(out.begin(), out.end(), 0), 32);
  // The box stays readable after the warp.
  int minX = 0, minY = 0, maxX = 0, maxY = 0;
  VXDllGetNewMaxAndMin(&minX, &minY, &maxX, &maxY);
  EXPECT_EQ(maxX, 16);
  EXPECT_EQ(maxY, 16);

  // A source size other than the set-up's is refused rather than read beyond the copy.
  VXDllWarpAffineRotPre(src.bits.data(), 1, 0, 0, 1, 0, 0, 16, 16, 16, 16, 32);
  VXDllWarpAffine(out.data(), 16, 17, 16, 16, 32, nullptr, nullptr, nullptr);
  EXPECT_EQ(std::count(out.begin(), out.end(), 0), 32);

  // A set-up replaced by another releases the first copy; a perspective set-up in between
  // leaves the affine warp nothing to do.
  VXDllWarpAffineRotPre(src.bits.data(), 1, 0, 0, 1, 0, 0, 16, 16, 16, 16, 32);
  VXDllWarpAffineRotPre(src.bits.data(), 1, 0, 0, 1, 0, 0, 16, 16, 16, 16, 32);
  const int corners[16] = {0, 0, 0, 0, 15, 0, 15, 0, 15, 15, 15, 15, 0, 15, 0, 15};
  int w = 0, h = 0;
  EXPECT_NE(VXDllWarpPerspectivePre(src.bits.data(), 16, 16, &w, &h, 32, corners), nullptr);
  VXDllWarpAffine(out.data(), 16, 16, 16, 16, 32, nullptr, nullptr, nullptr);
  EXPECT_EQ(std::count(out.begin(), out.end(), 0), 32);
  VXDllWarpPerspective(out.data(), 16, 16, 16, 16);
}

TEST(AffineWarp, RowsBeyondTheGivenSourceSizeReadAsBackground) {
  Rng rng(23);
  const auto src = pixmend::testsupport::randomBitmap(rng, 16, 8, 1.0);
  std::vector<std::uint8_t> out(16, 0);
  VXDllWarpAffineRotPre(src.bits.data(), 1, 0, 0, 1, 0, 0, 16, 8, 16, 8, 6);  // three rows readable
  VXDllWarpAffine(out.data(), 16, 8, 16, 8, 16, nullptr, nullptr, nullptr);
  EXPECT_EQ(std::count(out.begin(), out.begin() + 6, 0xFF), 6);
  EXPECT_EQ(std::count(out.begin() + 6, out.end(), 0), 10);
  // An output size too small for the output's height: only the whole rows it holds are written.
  std::vector<std::uint8_t> small(16, 0);
  VXDllWarpAffineRotPre(src.bits.data(), 1, 0, 0, 1, 0, 0, 16, 8, 16, 8, 16);
  VXDllWarpAffine(small.data(), 16, 8, 16, 8, 5, nullptr, nullptr, nullptr);
  EXPECT_EQ(std::count(small.begin(), small.begin() + 4, 0xFF), 4);
  EXPECT_EQ(std::count(small.begin() + 4, small.end(), 0), 12);
}

TEST(AffineWarp, PointPairsGiveTheTransformThatMovesThem) {
  Rng rng(29);
  const auto src = pixmend::testsupport::randomBitmap(rng, 40, 30, 0.4);
  // Source points and where they go under x' = 2x + 0.5y + 3, y' = -x + y + 40.
  const double p[3][2] = {{1, 2}, {40, 3}, {5, 30}};  // no zero pivot
  double xs[12], ys[12];
  for (int i = 0; i < 3; ++i) {
    const double x = p[i][0], y = p[i][1];
    const double X = 2 * x + 0.5 * y + 3, Y = -x + y + 40;
    const double rx[4] = {x, y, 1, X}, ry[4] = {x, y, 1, Y};
    std::memcpy(xs + 4 * i, rx, sizeof rx);
    std::memcpy(ys + 4 * i, ry, sizeof ry);
  }
  double expected[6];
  double xs2[12], ys2[12];
  std::memcpy(xs2, xs, sizeof xs);
  std::memcpy(ys2, ys, sizeof ys);
  pixmend::testsupport::affineSolve(xs2, ys2, expected);
  EXPECT_DOUBLE_EQ(expected[0], 2);
  EXPECT_DOUBLE_EQ(expected[1], 0.5);
  EXPECT_DOUBLE_EQ(expected[2], 3);
  EXPECT_DOUBLE_EQ(expected[5], 40);
  int w = 0, h = 0;
  VXDllWarpAffinePre(src.bits.data(), 40, 30, &w, &h, xs, ys, static_cast<int>(src.bits.size()));
  EXPECT_EQ(std::memcmp(xs, xs2, sizeof xs), 0) << "the systems are solved in place";
  EXPECT_EQ(std::memcmp(ys, ys2, sizeof ys), 0);
  const auto ref = referenceWarp(src, {expected[0], expected[1], expected[2], expected[3], expected[4], expected[5]},
                                 w, h);
  EXPECT_EQ(w, ref.maxX - ref.minX);
  EXPECT_EQ(h, ref.maxY - ref.minY);
  std::vector<std::uint8_t> out(pixmend::bitmapBytes(w, h));
  std::vector<int> percents;
  VXDllWarpAffine(out.data(), 40, 30, w, h, static_cast<int>(out.size()), recordPercent, &percents, "Rotating...");
  EXPECT_TRUE(out == ref.bits);
  EXPECT_EQ(percents, ref.percents);
}

}  // namespace
