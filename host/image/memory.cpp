// Bitmap memory of the image library: the one allocation point (with its test hook), the size
// limits, and the bit-copy helpers every kernel and reader uses.
#include <cstring>

#include "host/image/image.hpp"
#include "host/image/image_testing.hpp"
#include "host/lifecycle.hpp"

namespace pixmend::host {

namespace {

struct Hooks {
  long long failAt = -1;  // allocation number that fails, -1 for none
  long long count = 0;
  std::uint64_t pixelLimit = kDefaultImageBufferPixels;
};

Hooks& hooks() {
  static Hooks h;
  return h;
}

const bool registered = registerReset("image", [] { resetImageHooks(); });

}  // namespace

void failImageAllocation(int skip) {
  hooks().failAt = hooks().count + (skip < 0 ? 0 : skip);
}
long long imageAllocationCount() {
  return hooks().count;
}

std::uint64_t setImagePixelLimit(std::uint64_t pixels) {
  const std::uint64_t previous = hooks().pixelLimit;
  hooks().pixelLimit = pixels;
  return previous;
}

void resetImageHooks() {
  hooks() = Hooks{};
  failImageWriteAfter(static_cast<std::size_t>(-1));
  useLibtiffG4Encoder(false);
}

std::uint64_t imagePixelLimit() {
  return hooks().pixelLimit;
}

bool imageSizeAllowed(long long width, long long height) {
  if (width <= 0 || height <= 0 || width > kMaxImageBufferSide || height > kMaxImageBufferSide) return false;
  return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= imagePixelLimit();
}

bool imageAllocationAllowed() {
  Hooks& h = hooks();
  const long long n = h.count++;
  if (n != h.failAt) return true;
  h.failAt = -1;
  return false;
}

namespace {

thread_local int sharedScopes = 0;

std::uint8_t* heapBytes(std::size_t bytes, bool zero) {
  const std::size_t ask = bytes == 0 ? 1 : bytes;
  return static_cast<std::uint8_t*>(zero ? std::calloc(ask, 1) : std::malloc(ask));
}

}  // namespace

std::uint8_t* allocateImageBytes(std::size_t bytes, bool zero) {
  return imageAllocationAllowed() ? heapBytes(bytes, zero) : nullptr;
}

SharedBitmapScope::SharedBitmapScope() {
  ++sharedScopes;
}
SharedBitmapScope::~SharedBitmapScope() {
  --sharedScopes;
}

int allocateImage(int width, int height, ImageBuffer& out, bool zero) {
  if (width <= 0 || height <= 0) return MDLERR_INVALIDIMAGE;
  if (!imageSizeAllowed(width, height)) return MDLERR_INSFMEMORY;
  const std::size_t size = bitmapBytes(width, height);
  if (!imageAllocationAllowed()) return MDLERR_INSFMEMORY;
  ImageBytes bytes;
  if (sharedScopes > 0 && size >= kSharedBitmapMinBytes) bytes.reset(allocateSharedBitmap(size));  // zero-filled
  if (!bytes) bytes.reset(heapBytes(size, zero));
  if (!bytes) return MDLERR_INSFMEMORY;
  out.data = std::move(bytes);
  out.width = width;
  out.height = height;
  return 0;
}

// ---- Bits ---------------------------------------------------------------------------------------

namespace {

constexpr std::uint8_t reverse8(unsigned v) {
  unsigned r = 0;
  for (int i = 0; i < 8; ++i) r |= ((v >> i) & 1u) << (7 - i);
  return static_cast<std::uint8_t>(r);
}

struct ReverseTable {
  std::uint8_t v[256];
  constexpr ReverseTable() : v() {
    for (unsigned i = 0; i < 256; ++i) v[i] = reverse8(i);
  }
};
constexpr ReverseTable kTable;


// Merges the bits of `value` under `mask` into *p.
inline void mergeByte(std::uint8_t* p, std::uint8_t value, std::uint8_t mask) {
  *p = static_cast<std::uint8_t>((*p & ~mask) | (value & mask));
}

}  // namespace

const std::uint8_t kReverseBits[256] = {
#define R(i) kTable.v[i]
#define R4(i) R(i), R(i + 1), R(i + 2), R(i + 3)
#define R16(i) R4(i), R4(i + 4), R4(i + 8), R4(i + 12)
#define R64(i) R16(i), R16(i + 16), R16(i + 32), R16(i + 48)
    R64(0), R64(64), R64(128), R64(192)
#undef R64
#undef R16
#undef R4
#undef R
};

void copyBits(std::uint8_t* dst, std::size_t dstBit, const std::uint8_t* src, std::size_t srcBit,
              std::size_t count) {
  if (count == 0) return;
  // Bring the destination to a byte boundary one bit at a time (at most 7 bits).
  while ((dstBit & 7) != 0 && count > 0) {
    const bool bit = (src[srcBit >> 3] >> (7 - (srcBit & 7))) & 1u;
    const auto mask = static_cast<std::uint8_t>(0x80u >> (dstBit & 7));
    dst[dstBit >> 3] = static_cast<std::uint8_t>(bit ? dst[dstBit >> 3] | mask : dst[dstBit >> 3] & ~mask);
    ++dstBit;
    ++srcBit;
    --count;
  }
  if (count == 0) return;
  std::uint8_t* d = dst + (dstBit >> 3);
  const std::uint8_t* s = src + (srcBit >> 3);
  const unsigned shift = srcBit & 7;
  // The last source byte that holds a bit of the copy: never read beyond it.
  const std::uint8_t* sLast = src + ((srcBit + count - 1) >> 3);
  std::size_t whole = count >> 3;  // whole destination bytes
  if (shift == 0) {
    std::memcpy(d, s, whole);
    d += whole;
    s += whole;
  } else {
    // 8 destination bytes at a time while 9 source bytes are available.
    while (whole >= 8 && s + 8 <= sLast) {
      const std::uint64_t w = (loadWord(s) << shift) | (s[8] >> (8 - shift));
      storeWord(d, w);
      d += 8;
      s += 8;
      whole -= 8;
    }
    while (whole > 0) {
      const unsigned hi = static_cast<unsigned>(s[0]) << shift;
      const unsigned lo = s + 1 <= sLast ? s[1] >> (8 - shift) : 0u;
      *d++ = static_cast<std::uint8_t>(hi | lo);
      ++s;
      --whole;
    }
  }
  const unsigned rest = count & 7;
  if (rest != 0) {
    unsigned v = static_cast<unsigned>(s[0]) << shift;
    if (shift != 0 && s + 1 <= sLast) v |= s[1] >> (8 - shift);
    mergeByte(d, static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(0xFF00u >> rest));
  }
}

void fillBits(std::uint8_t* row, std::size_t from, std::size_t to, bool ink) {
  if (to <= from) return;
  const std::size_t first = from >> 3;
  const std::size_t last = (to - 1) >> 3;
  const auto headMask = static_cast<std::uint8_t>(0xFFu >> (from & 7));
  const auto tailMask = static_cast<std::uint8_t>(0xFF00u >> (((to - 1) & 7) + 1));
  const std::uint8_t value = ink ? 0xFF : 0x00;
  if (first == last) {
    mergeByte(row + first, value, static_cast<std::uint8_t>(headMask & tailMask));
    return;
  }
  mergeByte(row + first, value, headMask);
  if (last > first + 1) std::memset(row + first + 1, value, last - first - 1);
  mergeByte(row + last, value, tailMask);
}

void clearPadding(const BitmapView& view) {
  if (view.empty() || (view.width & 7) == 0) return;
  const std::size_t lastByte = rowBytes(view.width) - 1;
  const auto keep = static_cast<std::uint8_t>(0xFF00u >> (view.width & 7));
  for (int y = 0; y < view.height; ++y) view.row(y)[lastByte] &= keep;
}

}  // namespace pixmend::host
