// Random packed bitmaps and padding helpers.
#include "support/random_bitmap.hpp"

namespace pixmend::testsupport {

std::uint64_t Rng::next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

int Rng::uniform(int lo, int hi) {
  const std::uint64_t span = static_cast<std::uint64_t>(static_cast<std::int64_t>(hi) - lo) + 1;
  return static_cast<int>(lo + static_cast<std::int64_t>(next() % span));
}

bool Rng::chance(double p) {
  // 53 random bits as a fraction in [0, 1).
  return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0) < p;
}

std::uint8_t paddingMask(int width) {
  const int used = width & 7;
  return used == 0 ? 0 : static_cast<std::uint8_t>(0xFFu >> used);
}

RandomBitmap randomBitmap(Rng& rng, int width, int height, double density, Padding padding) {
  RandomBitmap b;
  if (width <= 0 || height <= 0) return b;
  b.width = width;
  b.height = height;
  b.bits.assign(bitmapBytes(width, height), 0);
  const BitmapView v = b.view();
  for (int y = 0; y < height; ++y) {
    if (density == 0.5) {  // the common case, a byte at a time
      for (std::size_t i = 0; i < v.stride; ++i) v.row(y)[i] = static_cast<std::uint8_t>(rng.next());
      if (const std::uint8_t pad = paddingMask(width)) v.row(y)[v.stride - 1] &= static_cast<std::uint8_t>(~pad);
    } else {
      for (int x = 0; x < width; ++x) {
        if (rng.chance(density)) v.set(x, y);
      }
    }
  }
  if (padding == Padding::Random) randomizePadding(rng, v);
  return b;
}

void randomizePadding(Rng& rng, BitmapView view) {
  const std::uint8_t pad = paddingMask(view.width);
  if (pad == 0 || view.empty()) return;
  for (int y = 0; y < view.height; ++y) {
    std::uint8_t& last = view.row(y)[rowBytes(view.width) - 1];
    last = static_cast<std::uint8_t>((last & ~pad) | (static_cast<std::uint8_t>(rng.next()) & pad));
  }
}

bool samePadding(ConstBitmapView a, ConstBitmapView b) {
  const std::uint8_t pad = paddingMask(a.width);
  if (pad == 0 || a.empty()) return true;
  const std::size_t last = rowBytes(a.width) - 1;
  for (int y = 0; y < a.height; ++y) {
    if (((a.row(y)[last] ^ b.row(y)[last]) & pad) != 0) return false;
  }
  return true;
}

std::size_t countInk(ConstBitmapView view) {
  std::size_t n = 0;
  for (int y = 0; y < view.height; ++y) {
    for (int x = 0; x < view.width; ++x) n += view.get(x, y) ? 1 : 0;
  }
  return n;
}

}  // namespace pixmend::testsupport
