// Random packed bitmaps for the differential tests of the bitmap kernels: a portable generator,
// bitmaps of a chosen ink density, and helpers for the padding bits at the end of each row
// (which kernels must leave exactly as they found them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bitmap/bitmap.hpp"

namespace pixmend::testsupport {

// splitmix64: the same sequence on every platform and library version.
class Rng {
 public:
  explicit Rng(std::uint64_t seed = 1) : state_(seed) {}
  std::uint64_t next();
  // Uniform in [lo, hi]; hi >= lo.
  int uniform(int lo, int hi);
  // True with probability p.
  bool chance(double p);

 private:
  std::uint64_t state_;
};

enum class Padding { Zero, Random };

// An owned packed bitmap (stride rowBytes(width)).
struct RandomBitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bits;

  BitmapView view() { return {bits.data(), width, height}; }
  ConstBitmapView view() const { return {bits.data(), width, height}; }
};

// Each pixel is ink with probability `density` (0 gives no ink, 1 all ink); the padding bits
// are zero or random. Non-positive sizes give an empty bitmap.
RandomBitmap randomBitmap(Rng& rng, int width, int height, double density, Padding padding = Padding::Zero);

// Sets the padding bits of every row to random values.
void randomizePadding(Rng& rng, BitmapView view);

// The padding bits of a row of `width` pixels within its last byte (0 when there are none).
std::uint8_t paddingMask(int width);

// True when every row of a and b (same width and height) has the same padding bits.
bool samePadding(ConstBitmapView a, ConstBitmapView b);

// Number of ink pixels, padding excluded.
std::size_t countInk(ConstBitmapView view);

}  // namespace pixmend::testsupport
