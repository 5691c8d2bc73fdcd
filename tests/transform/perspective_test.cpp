// The perspective warp against its pixel-loop reference; its size, printed quads and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "include/pixmend/vxdll.h"
#include "support/random_bitmap.hpp"
#include "support/warp_reference.hpp"
#include "transform/affine.hpp"

namespace {

using pixmend::testsupport::Rng;

struct Result {
  bool ok = false;
  int width = 0, height = 0;
  std::vector<std::uint8_t> bits;
};

// Set-up and warp through the exported functions into an output of the reported size (or the
// given one) that starts as random bits.
Result engine(const pixmend::testsupport::RandomBitmap& src, const int* corners, std::uint64_t fillSeed, int ow = -1,
              int oh = -1) {
  Result r;
  unsigned char* copy = VXDllWarpPerspectivePre(src.bits.data(), src.width, src.height, &r.width, &r.height,
                                                static_cast<int>(src.bits.size()), corners);
  r.ok = copy != nullptr;
  if (ow < 0) ow = r.width;
  if (oh < 0) oh = r.height;
  Rng fill(fillSeed);
  r.bits = pixmend::testsupport::randomBitmap(fill, std::max(ow, 1), std::max(oh, 1), 0.5, pixmend::testsupport::Padding::Random).bits;
  VXDllWarpPerspective(r.bits.data(), src.width, src.height, ow, oh);
  return r;
}

Result reference(const pixmend::testsupport::RandomBitmap& src, const int* corners, std::uint64_t fillSeed, int ow = -1,
                 int oh = -1) {
  Result r;
  const auto s = pixmend::testsupport::perspectiveSetUp(src.width, src.height, corners);
  r.ok = s.ok;
  r.width = s.width;
  r.height = s.height;
  if (ow < 0) ow = r.width;
  if (oh < 0) oh = r.height;
  Rng fill(fillSeed);
  r.bits = pixmend::testsupport::randomBitmap(fill, std::max(ow, 1), std::max(oh, 1), 0.5, pixmend::testsupport::Padding::Random).bits;
  pixmend::testsupport::perspectiveWarp(s, src.bits.data(), src.width, src.height, r.bits.data(), ow, oh);
  return r;
}

// Corners v00, v10, v11, v01: pre x, pre y, post x, post y.
std::vector<int> cornersOf(const int pre[8], const int post[8]) {
  std::vector<int> c(16);
  for (int i = 0; i < 4; ++i) {
    c[4 * i] = pre[2 * i];
    c[4 * i + 1] = pre[2 * i + 1];
    c[4 * i + 2] = post[2 * i];
    c[4 * i + 3] = post[2 * i + 1];
  }
  return c;
}

TEST(PerspectiveWarp, MatchesThePixelLoopOnRandomQuads) {
  Rng rng(4242);
  int compared = 0;
  for (int round = 0; round < 300; ++round) {
    const int a = rng.uniform(2, 90), b = rng.uniform(2, 70);
    const auto src = pixmend::testsupport::randomBitmap(rng, a, b, rng.uniform(1, 9) / 10.0);
    auto jitter = [&](int v, int by) { return v + rng.uniform(-by, by); };
    const int by = rng.uniform(0, 12);
    const int pre[8] = {jitter(0, by), jitter(0, by), jitter(a - 1, by), jitter(0, by),
                        jitter(a - 1, by), jitter(b - 1, by), jitter(0, by), jitter(b - 1, by)};
    const int k = rng.uniform(0, a / 3 + 1), m = rng.uniform(-20, 20);
    const int post[8] = {jitter(k, by) + m, jitter(0, by), jitter(a - 1 - k, by) + m, jitter(0, by),
                         jitter(a - 1 + k, by), jitter(b - 1, by) + m, jitter(-k, by), jitter(b - 1, by)};
    const auto corners = cornersOf(pre, post);
    const int ow = rng.chance(0.2) ? rng.uniform(1, 100) : -1, oh = rng.chance(0.2) ? rng.uniform(1, 80) : -1;
    const auto ref = reference(src, corners.data(), round, ow, oh);
    const auto got = engine(src, corners.data(), round, ow, oh);
    ASSERT_EQ(got.ok, ref.ok) << round;
    EXPECT_EQ(got.width, ref.width) << round;
    EXPECT_EQ(got.height, ref.height) << round;
    EXPECT_TRUE(got.bits == ref.bits) << round;
    if (HasFailure()) break;
    compared += ref.ok && ref.width > 1 && ref.height > 1;
  }
  EXPECT_GT(compared, 200);
}

TEST(PerspectiveWarp, MatchesThePixelLoopOnAKeystoneOfALargerBitmap) {
  Rng rng(99);
  const auto src = pixmend::testsupport::randomBitmap(rng, 1001, 703, 0.3);
  const int pre[8] = {0, 0, 1000, 0, 1000, 702, 0, 702};
  const int post[8] = {40, 0, 960, 0, 1000, 702, 0, 702};
  const auto corners = cornersOf(pre, post);
  const auto ref = reference(src, corners.data(), 1);
  const auto got = engine(src, corners.data(), 1);
  ASSERT_TRUE(ref.ok);
  EXPECT_EQ(got.width, ref.width);
  EXPECT_EQ(got.height, ref.height);
  EXPECT_TRUE(got.bits == ref.bits);
}

TEST(PerspectiveWarp, IdenticalQuadsTurnTheSourceUpsideDown) {
  Rng rng(5);
  const int a = 37, b = 23;
  const auto src = pixmend::testsupport::randomBitmap(rng, a, b, 0.5);
  const int rect[8] = {0, 0, a - 1, 0, a - 1, b - 1, 0, b - 1};
  const auto corners = cornersOf(rect, rect);
  const auto got = engine(src, corners.data(), 7);
  // The mapped corner (a, b) is the size.
  EXPECT_EQ(got.width, a);
  EXPECT_EQ(got.height, b);
  Rng fill(7);
  const auto before = pixmend::testsupport::randomBitmap(fill, a, b, 0.5, pixmend::testsupport::Padding::Random);
  const pixmend::ConstBitmapView out(got.bits.data(), a, b), old(before.bits.data(), a, b), in(src.bits.data(), a, b);
  int flipped = 0;
  for (int y = 0; y < b; ++y) {
    for (int x = 0; x < a; ++x) {
      if (x == 0 || y == b - 1) {
        EXPECT_EQ(out.get(x, y), old.get(x, y)) << "outermost positions keep the old content";
      } else if (x >= 2 && x < a - 2 && y >= 2 && y < b - 3) {
        flipped += out.get(x, y) == in.get(x, b - 1 - y);
      }
    }
  }
  // Up to the rounding of positions that land on whole numbers, row i comes from source row i.
  EXPECT_GT(flipped, (a - 4) * (b - 5) * 9 / 10);
  EXPECT_TRUE(got.bits == reference(src, corners.data(), 7).bits);
}

TEST(PerspectiveWarp, PrintsBothQuadsOnEverySetUp) {
  pixmend::host::resetHost();
  Rng rng(8);
  const auto src = pixmend::testsupport::randomBitmap(rng, 11, 6, 0.5);
  const int pre[8] = {0, 0, 10, 0, 10, 5, 0, 5};
  const int post[8] = {-4, 0, 10, 0, 10, 5, -4, 5};
  const auto corners = cornersOf(pre, post);
  for (int call = 0; call < 2; ++call) {
    const std::size_t from = pixmend::host::journal().size();
    int w = 0, h = 0;
    ASSERT_NE(VXDllWarpPerspectivePre(src.bits.data(), 11, 6, &w, &h, static_cast<int>(src.bits.size()),
                                      corners.data()),
              nullptr);
    const auto texts = pixmend::host::journal().texts("text", from);
    ASSERT_EQ(texts.size(), 16u);
    EXPECT_EQ(texts[0], "\n\n\n\n\npreQuad.v00.x=0.000000");
    EXPECT_EQ(texts[2], "\npreQuad.v10.x=10.000000");
    EXPECT_EQ(texts[7], "\npreQuad.v11.y=5.000000");
    EXPECT_EQ(texts[8].substr(0, 17), "\n\npostQuad.v00.x=");
    EXPECT_EQ(texts[15].substr(0, 16), "\npostQuad.v11.y=");
    std::vector<std::uint8_t> out(pixmend::bitmapBytes(std::max(w, 1), std::max(h, 1)));
    VXDllWarpPerspective(out.data(), 11, 6, w, h);
  }
}

TEST(PerspectiveWarp, SizeCountsOnlyThePositivePart) {
  Rng rng(9);
  const auto src = pixmend::testsupport::randomBitmap(rng, 50, 40, 0.5);
  // The post-quad lies half left of x = 0 and half above y = 0.
  const int pre[8] = {0, 0, 49, 0, 49, 39, 0, 39};
  const int post[8] = {-25, -20, 24, -20, 24, 19, -25, 19};
  const auto corners = cornersOf(pre, post);
  const auto got = engine(src, corners.data(), 2);
  const auto ref = reference(src, corners.data(), 2);
  EXPECT_TRUE(got.ok);
  EXPECT_GT(got.width, 0);
  EXPECT_LT(got.width, 30);
  EXPECT_LT(got.height, 25);
  EXPECT_EQ(got.width, ref.width);
  EXPECT_EQ(got.height, ref.height);
  EXPECT_TRUE(got.bits == ref.bits);
}

TEST(PerspectiveWarp, RefusedSetUpsWriteNothing) {
  Rng rng(10);
  const auto src = pixmend::testsupport::randomBitmap(rng, 20, 20, 0.5);
  std::vector<std::uint8_t> out(60, 0xA5), before = out;
  int w = 5, h = 5;
  // A degenerate pre-quad (opposite corners on top of each other).
  const int flat[8] = {3, 3, 10, 3, 3, 3, 3, 10};
  const int rect[8] = {0, 0, 19, 0, 19, 19, 0, 19};
  auto corners = cornersOf(flat, rect);
  EXPECT_EQ(VXDllWarpPerspectivePre(src.bits.data(), 20, 20, &w, &h, 60, corners.data()), nullptr);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  VXDllWarpPerspective(out.data(), 20, 20, 20, 20);
  EXPECT_TRUE(out == before);

  // A source one pixel wide divides by zero when the corners are mapped.
  corners = cornersOf(rect, rect);
  EXPECT_EQ(VXDllWarpPerspectivePre(src.bits.data(), 1, 20, &w, &h, 60, corners.data()), nullptr);
  VXDllWarpPerspective(out.data(), 1, 20, 20, 20);
  EXPECT_TRUE(out == before);

  // No memory for the copy; no corners; no source.
  pixmend::failNextSourceCopy();
  EXPECT_EQ(VXDllWarpPerspectivePre(src.bits.data(), 20, 20, &w, &h, 60, corners.data()), nullptr);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(VXDllWarpPerspectivePre(src.bits.data(), 20, 20, &w, &h, 60, nullptr), nullptr);
  EXPECT_EQ(VXDllWarpPerspectivePre(nullptr, 20, 20, &w, &h, 60, corners.data()), nullptr);
  VXDllWarpPerspective(out.data(), 20, 20, 20, 20);
  EXPECT_TRUE(out == before);

  // An output one row high divides by zero in every row: nothing is written, the copy is freed.
  ASSERT_NE(VXDllWarpPerspectivePre(src.bits.data(), 20, 20, &w, &h, 60, corners.data()), nullptr);
  VXDllWarpPerspective(out.data(), 20, 20, 20, 1);
  EXPECT_TRUE(out == before);
  // A second warp has no copy to use.
  VXDllWarpPerspective(out.data(), 20, 20, 20, 20);
  EXPECT_TRUE(out == before);
}

}  // namespace
