// Quarter turns of a bitmap by 8 x 8 bit-block transposition.
//
// A block of 8 rows x 8 columns (one byte column of 8 consecutive source rows) is packed into a
// 64-bit word, transposed with three mask-and-shift steps, and each byte of the result is one
// byte of a destination row. Grouping source rows in eights makes every destination write a
// whole byte, so no destination padding bit is ever read or left undefined. 64 source rows are
// turned together so that each destination row receives 8 adjacent bytes in one store. Where
// SSE2 is there (every x86-64), 16 x 16-byte blocks are byte-transposed in registers and their
// bit planes read with movemask, which does the same work in far fewer instructions. A half
// turn reverses each row through the bit-reversal table.
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// Transposes 16 x 16 bytes: four rounds of byte interleaving, each rotating the 8-bit index
// (vector, byte) left by one, so that after four the vector and byte indices have exchanged.
inline void transpose16x16(__m128i v[16]) {
  __m128i t[16];
  for (int round = 0; round < 4; ++round) {
    for (int i = 0; i < 8; ++i) {
      t[2 * i] = _mm_unpacklo_epi8(v[i], v[i + 8]);
      t[2 * i + 1] = _mm_unpackhi_epi8(v[i], v[i + 8]);
    }
    for (int i = 0; i < 16; ++i) v[i] = t[i];
  }
}
#endif

// The quarter turns. `clockwise` false: dest(x', y') = src(W - 1 - y', x'); true:
// dest(x', y') = src(y', H - 1 - x').
int quarterTurn(const ConstBitmapView& in, bool clockwise, const BitmapView& out, ImageStopFunc stop) {
  const int W = in.width, H = in.height;
  const std::size_t inBytes = rowBytes(W);
  const std::size_t groups = rowBytes(H);  // groups of 8 source rows = destination byte columns
  // A background row standing in for rows beyond the bitmap, with room for 16-byte loads.
  ImageBytes zero(allocateImageBytes(inBytes + 16, true));
  if (!zero) return MDLERR_INSFMEMORY;
  // The source row that supplies bit k (0 = most significant) of destination byte column q.
  auto sourceRow = [&](std::size_t q, int k) -> const std::uint8_t* {
    const long long r = clockwise ? static_cast<long long>(H) - 1 - static_cast<long long>(8 * q) - k
                                  : static_cast<long long>(8 * q) + k;
    return (r >= 0 && r < H) ? in.row(static_cast<int>(r)) : zero.get();
  };
  auto destRow = [&](std::size_t c) {
    return out.row(clockwise ? static_cast<int>(c) : W - 1 - static_cast<int>(c));
  };
  // Vertical strips of the source, top to bottom, keep the destination rows being filled (one
  // per source column of the strip) few enough to stay in cache until each line is complete.
  constexpr std::size_t kStrip = 64;
  for (std::size_t s0 = 0; s0 < inBytes; s0 += kStrip) {
    const std::size_t s1 = inBytes - s0 < kStrip ? inBytes : s0 + kStrip;
    for (std::size_t q0 = 0; q0 < groups; q0 += 8) {
      const std::size_t qn = groups - q0 < 8 ? groups - q0 : 8;  // destination bytes per row here
      const std::uint8_t* rows[64];
      for (std::size_t g = 0; g < 8; ++g)
        for (int k = 0; k < 8; ++k)
          rows[g * 8 + static_cast<std::size_t>(k)] = g < qn ? sourceRow(q0 + g, k) : zero.get();
      std::size_t bx = s0;
#if defined(__SSE2__)
      // 16 rows x 16 bytes at a time: a byte transpose gathers each byte column of the 16 rows
      // in one register, whose most significant bits (movemask) are then 16 destination pixels;
      // the rows go in reversed so that the first row lands in the mask's top bit.
      const std::size_t halves = (qn + 1) / 2;
      for (; bx + 16 <= s1; bx += 16) {
        alignas(16) std::uint16_t block[128][4];  // destination bytes, in memory order
        for (std::size_t h = 0; h < halves; ++h) {
          __m128i v[16];
          for (int k = 0; k < 16; ++k)
            v[15 - k] = _mm_loadu_si128(
                reinterpret_cast<const __m128i*>(rows[16 * h + static_cast<std::size_t>(k)] + bx));
          transpose16x16(v);
          for (int b = 0; b < 16; ++b) {
            __m128i column = v[b];
            for (int j = 0; j < 8; ++j) {
              const auto mask = static_cast<std::uint16_t>(_mm_movemask_epi8(column));
              block[8 * b + j][h] = static_cast<std::uint16_t>((mask >> 8) | (mask << 8));  // top bits first
              column = _mm_add_epi8(column, column);
            }
          }
        }
        const std::size_t c0 = 8 * bx;
        const std::size_t columns =
            static_cast<std::size_t>(W) - c0 < 128 ? static_cast<std::size_t>(W) - c0 : 128;
        if (qn == 8) {
          for (std::size_t c = 0; c < columns; ++c) std::memcpy(destRow(c0 + c) + q0, block[c], 8);
        } else {
          for (std::size_t c = 0; c < columns; ++c) std::memcpy(destRow(c0 + c) + q0, block[c], qn);
        }
      }
#endif
      // 8 x 8 blocks for the rest of the strip (all of it without SSE2).
      for (; bx < s1; ++bx) {
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
          std::uint8_t* dst = destRow(8 * bx + static_cast<std::size_t>(j)) + q0;
          const int shift = 56 - 8 * j;
          for (std::size_t g = 0; g < qn; ++g) dst[g] = static_cast<std::uint8_t>(t[g] >> shift);
        }
      }
    }
    if (stop != nullptr && stop() != 0) return MDLERR_IMAGESTOPPED;
  }
  return 0;
}

}  // namespace

int rotateImage(const ConstBitmapView& in, int quarterTurns, ImageBuffer& out, ImageStopFunc stop) {
  quarterTurns &= 3;
  const bool swap = quarterTurns == 1 || quarterTurns == 3;
  ImageBuffer result;
  if (const int rc = allocateImage(swap ? in.height : in.width, swap ? in.width : in.height, result, false);
      rc != 0)
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
