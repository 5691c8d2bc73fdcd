// Mirroring in place. Top-bottom exchanges rows through a scratch row (a row's padding bits
// stay where they are). Left-right reverses each row 64 pixels at a time: each word is byte
// swapped and its bytes' bits reversed into a scratch row in reverse word order, which then
// lands shifted by the unused bits of its last word, so the pixels start at the left edge again;
// the padding bits of the row's last byte are put back as they were.
#include <algorithm>
#include <cstring>

#include "host/image/kernels.hpp"

namespace pixmend::host {

namespace {

// The eight bytes at `p` as one word in pixel order, reversed: bit 63 is the last of the 64
// pixels. A native little-endian load puts byte 0 lowest, which is the byte swap a reversal
// needs; what is left is to reverse the bits inside each byte.
std::uint64_t reversedWord(const std::uint8_t* p) {
  std::uint64_t x;
  std::memcpy(&x, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  x = __builtin_bswap64(x);
#endif
  x = ((x >> 1) & 0x5555555555555555ull) | ((x & 0x5555555555555555ull) << 1);
  x = ((x >> 2) & 0x3333333333333333ull) | ((x & 0x3333333333333333ull) << 2);
  x = ((x >> 4) & 0x0F0F0F0F0F0F0F0Full) | ((x & 0x0F0F0F0F0F0F0F0Full) << 4);
  return x;
}

}  // namespace

int mirrorRows(const BitmapView& image) {
  if (image.empty()) return 0;
  const std::size_t n = rowBytes(image.width);
  const unsigned pad = static_cast<unsigned>(n * 8 - static_cast<std::size_t>(image.width));
  const auto padMask = static_cast<std::uint8_t>((1u << pad) - 1u);
  ImageBytes scratch(allocateImageBytes(n, false));
  if (!scratch) return MDLERR_INSFMEMORY;
  std::uint8_t* t = scratch.get();
  for (int top = 0, bottom = image.height - 1; top < bottom; ++top, --bottom) {
    std::uint8_t* a = image.row(top);
    std::uint8_t* b = image.row(bottom);
    // Whole rows move through the scratch row; each row's padding bits are then put back.
    const std::uint8_t padA = a[n - 1] & padMask, padB = b[n - 1] & padMask;
    std::memcpy(t, a, n);
    std::memcpy(a, b, n);
    std::memcpy(b, t, n);
    a[n - 1] = static_cast<std::uint8_t>((a[n - 1] & ~padMask) | padA);
    b[n - 1] = static_cast<std::uint8_t>((b[n - 1] & ~padMask) | padB);
  }
  return 0;
}

int mirrorColumns(const BitmapView& image) {
  if (image.empty()) return 0;
  const std::size_t n = rowBytes(image.width);
  const std::size_t words = (n + 7) / 8;  // words of the row, the last one maybe partial
  const std::size_t tailBytes = n - 8 * (words - 1);
  // The reversed row is 64 x words bits, the pixels at its end: they move left by `shift`.
  const unsigned shift = static_cast<unsigned>(64 * words - static_cast<std::size_t>(image.width));
  // Reversed words, plus one zero word so that the merge below may read one beyond the last.
  ImageBytes scratch(allocateImageBytes(8 * (words + 1), true));
  if (!scratch) return MDLERR_INSFMEMORY;
  auto* t = reinterpret_cast<std::uint64_t*>(scratch.get());  // malloc'ed: aligned for words
  const auto padMask =
      static_cast<std::uint8_t>((1u << (8 * n - static_cast<std::size_t>(image.width))) - 1u);
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* row = image.row(y);
    const std::uint8_t keep = row[n - 1] & padMask;
    for (std::size_t j = 0; j + 1 < words; ++j) t[words - 1 - j] = reversedWord(row + 8 * j);
    std::uint8_t tail[8] = {};
    std::memcpy(tail, row + 8 * (words - 1), tailBytes);
    t[0] = reversedWord(tail);
    if (shift == 0) {
      for (std::size_t k = 0; k < words; ++k) storeWord(row + 8 * k, t[k]);
      continue;  // whole words: no padding bits
    }
    for (std::size_t k = 0; k + 1 < words; ++k)
      storeWord(row + 8 * k, (t[k] << shift) | (t[k + 1] >> (64 - shift)));
    storeWord(tail, t[words - 1] << shift);
    std::memcpy(row + 8 * (words - 1), tail, tailBytes);
    row[n - 1] = static_cast<std::uint8_t>((row[n - 1] & ~padMask) | keep);
  }
  return 0;
}

}  // namespace pixmend::host
