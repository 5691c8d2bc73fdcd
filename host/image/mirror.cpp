// Mirroring in place. Top-bottom exchanges rows through a scratch row (a row's padding bits
// stay where they are). Left-right reverses each row: the bytes are taken in reverse order through a
// bit-reversal table into a scratch row, which then lands shifted by the row's padding width
// with 64-bit word shifts, so the pixels start at the left edge again; the padding bits of the
// row's last byte are put back as they were.
#include <algorithm>
#include <cstring>

#include "host/image/kernels.hpp"

namespace pixmend::host {

namespace {


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
  const unsigned pad = static_cast<unsigned>(n * 8 - static_cast<std::size_t>(image.width));
  // Scratch row with 8 spare bytes so that word loads near its end stay inside it.
  ImageBytes scratch(allocateImageBytes(n + 8, true));
  if (!scratch) return MDLERR_INSFMEMORY;
  std::uint8_t* r = scratch.get();
  const auto padMask = static_cast<std::uint8_t>((1u << pad) - 1u);
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* row = image.row(y);
    const std::uint8_t keep = row[n - 1] & padMask;
    for (std::size_t i = 0; i < n; ++i) r[i] = kReverseBits[row[n - 1 - i]];
    if (pad == 0) {
      std::memcpy(row, r, n);
      continue;
    }
    // row bits [0, width) = scratch bits [pad, pad + width).
    std::size_t i = 0;
    for (; i + 8 < n; i += 8) storeWord(row + i, (loadWord(r + i) << pad) | (r[i + 8] >> (8 - pad)));
    for (; i + 1 < n; ++i) row[i] = static_cast<std::uint8_t>((r[i] << pad) | (r[i + 1] >> (8 - pad)));
    row[n - 1] = static_cast<std::uint8_t>((r[n - 1] << pad) | keep);
  }
  return 0;
}

}  // namespace pixmend::host
