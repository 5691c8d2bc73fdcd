// Quarter turns of a bitmap by 8 x 8 bit-block transposition.
//
// A block of 8 rows x 8 columns (one byte column of 8 consecutive source rows) is packed into a
// 64-bit word, transposed with three mask-and-shift steps, and each byte of the result is one
// byte of a destination row. Grouping source rows in eights makes every destination write a
// whole byte, so no destination padding bit is ever read or left undefined. Eight blocks of the
// same byte column (64 source rows) are turned together so that each destination row receives
// 8 adjacent bytes in one store. A half turn reverses each row with the mirror kernel.
#include <cstring>

#include "host/image/kernels.hpp"

namespace pixmend::host {

namespace {

// Transposes an 8 x 8 bit matrix held row by row, row 0 in the most significant byte and
// column 0 in each byte's most significant bit.
inline std::uint64_t transpose8(std::uint64_t x) {
  x = (x & 0xAA55AA55AA55AA55ull) | ((x & 0x00AA00AA00AA00AAull) << 7) | ((x >> 7) & 0x00AA00AA00AA00AAull);
  x = (x & 0xCCCC3333CCCC3333ull) | ((x & 0x0000CCCC0000CCCCull) << 14) | ((x >> 14) & 0x0000CCCC0000CCCCull);
  x = (x & 0xF0F0F0F00F0F0F0Full) | ((x & 0x00000000F0F0F0F0ull) << 28) | ((x >> 28) & 0x00000000F0F0F0F0ull);
  return x;
}

// Reverses the pixels of one row of `width` pixels from `src` into `dst` (both packed rows);
// the padding bits of `dst` become 0.
void reverseRowInto(const std::uint8_t* src, std::uint8_t* dst, int width) {
  const std::size_t n = rowBytes(width);
  const unsigned pad = static_cast<unsigned>(n * 8 - static_cast<std::size_t>(width));
  for (std::size_t i = 0; i < n; ++i) dst[i] = kReverseBits[src[n - 1 - i]];
  if (pad == 0) return;
  for (std::size_t i = 0; i + 1 < n; ++i)
    dst[i] = static_cast<std::uint8_t>((dst[i] << pad) | (dst[i + 1] >> (8 - pad)));
  dst[n - 1] = static_cast<std::uint8_t>(dst[n - 1] << pad);
}

// The quarter turns. `clockwise` false: dest(x', y') = src(W - 1 - y', x'); true:
// dest(x', y') = src(y', H - 1 - x').
int quarterTurn(const ConstBitmapView& in, bool clockwise, const BitmapView& out, ImageStopFunc stop) {
  const int W = in.width, H = in.height;
  const std::size_t inBytes = rowBytes(W);
  const std::size_t groups = rowBytes(H);  // groups of 8 source rows = destination byte columns
  ImageBytes zero(allocateImageBytes(inBytes, true));
  if (!zero) return MDLERR_INSFMEMORY;
  // The source row that supplies bit k (0 = most significant) of destination byte column q.
  auto sourceRow = [&](std::size_t q, int k) -> const std::uint8_t* {
    const long long r = clockwise ? static_cast<long long>(H) - 1 - static_cast<long long>(8 * q) - k
                                  : static_cast<long long>(8 * q) + k;
    return (r >= 0 && r < H) ? in.row(static_cast<int>(r)) : zero.get();
  };
  for (std::size_t q0 = 0; q0 < groups; q0 += 8) {
    const std::size_t qn = groups - q0 < 8 ? groups - q0 : 8;  // destination bytes per row here
    const std::uint8_t* rows[64];
    for (std::size_t g = 0; g < 8; ++g)
      for (int k = 0; k < 8; ++k) rows[g * 8 + static_cast<std::size_t>(k)] = g < qn ? sourceRow(q0 + g, k) : zero.get();
    for (std::size_t bx = 0; bx < inBytes; ++bx) {
      std::uint64_t t[8];
      for (std::size_t g = 0; g < qn; ++g) {
        const std::uint8_t* const* r = rows + g * 8;
        const std::uint64_t x = (std::uint64_t{r[0][bx]} << 56) | (std::uint64_t{r[1][bx]} << 48) |
                                (std::uint64_t{r[2][bx]} << 40) | (std::uint64_t{r[3][bx]} << 32) |
                                (std::uint64_t{r[4][bx]} << 24) | (std::uint64_t{r[5][bx]} << 16) |
                                (std::uint64_t{r[6][bx]} << 8) | std::uint64_t{r[7][bx]};
        t[g] = transpose8(x);
      }
      const int columns = static_cast<int>(W - 8 * bx < 8 ? W - 8 * bx : 8);
      for (int j = 0; j < columns; ++j) {
        const int c = static_cast<int>(8 * bx) + j;
        std::uint8_t* dst = out.row(clockwise ? c : W - 1 - c) + q0;
        const int shift = 56 - 8 * j;
        if (qn == 8) {
          std::uint8_t bytes[8];
          for (int g = 0; g < 8; ++g) bytes[g] = static_cast<std::uint8_t>(t[g] >> shift);
          std::memcpy(dst, bytes, 8);
        } else {
          for (std::size_t g = 0; g < qn; ++g) dst[g] = static_cast<std::uint8_t>(t[g] >> shift);
        }
      }
    }
    if ((q0 & 63) == 56 && stop != nullptr && stop() != 0) return MDLERR_IMAGESTOPPED;
  }
  return 0;
}

}  // namespace

int rotateImage(const ConstBitmapView& in, int quarterTurns, ImageBuffer& out, ImageStopFunc stop) {
  quarterTurns &= 3;
  const bool swap = quarterTurns == 1 || quarterTurns == 3;
  ImageBuffer result;
  if (const int rc = allocateImage(swap ? in.height : in.width, swap ? in.width : in.height, result, false); rc != 0)
    return rc;
  const BitmapView dst = result.view();
  int rc = 0;
  switch (quarterTurns) {
    case 0:
      for (int y = 0; y < in.height; ++y) std::memcpy(dst.row(y), in.row(y), dst.stride);
      clearPadding(dst);
      break;
    case 1:
      rc = quarterTurn(in, false, dst, stop);
      break;
    case 2:
      for (int y = 0; y < in.height; ++y) reverseRowInto(in.row(y), dst.row(in.height - 1 - y), in.width);
      break;
    default:
      rc = quarterTurn(in, true, dst, stop);
      break;
  }
  if (rc != 0) return rc;
  out = std::move(result);
  return 0;
}

}  // namespace pixmend::host
