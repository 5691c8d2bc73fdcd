// The Group 4 (two-dimensional, no end-of-line codes) encoder of the write path. A row is turned
// into its list of changing elements a 64-bit word at a time (the transitions of a word are the
// word XOR itself shifted by one pixel, found with count-leading-zeros), and the coding line's list
// is coded against the reference line's by walking both lists: no pixel is looked at twice.
// The codes go through a 64-bit accumulator straight into the output buffer, most significant
// bit first, ending with the end-of-block mark and zero bits to the byte, as libtiff's encoder
// ends its strips (so the two streams are byte for byte the same; the tests hold them to it).
#include <algorithm>
#include <cstring>
#include <new>

#include "host/image/formats.hpp"

namespace pixmend::host {

namespace {

struct Code {
  std::uint16_t bits;
  std::uint8_t length;
};

// Terminating codes of run lengths 0..63.
constexpr Code kWhiteTerminating[64] = {
    {0x35, 8}, {0x07, 6}, {0x07, 4}, {0x08, 4}, {0x0B, 4}, {0x0C, 4}, {0x0E, 4}, {0x0F, 4},
    {0x13, 5}, {0x14, 5}, {0x07, 5}, {0x08, 5}, {0x08, 6}, {0x03, 6}, {0x34, 6}, {0x35, 6},
    {0x2A, 6}, {0x2B, 6}, {0x27, 7}, {0x0C, 7}, {0x08, 7}, {0x17, 7}, {0x03, 7}, {0x04, 7},
    {0x28, 7}, {0x2B, 7}, {0x13, 7}, {0x24, 7}, {0x18, 7}, {0x02, 8}, {0x03, 8}, {0x1A, 8},
    {0x1B, 8}, {0x12, 8}, {0x13, 8}, {0x14, 8}, {0x15, 8}, {0x16, 8}, {0x17, 8}, {0x28, 8},
    {0x29, 8}, {0x2A, 8}, {0x2B, 8}, {0x2C, 8}, {0x2D, 8}, {0x04, 8}, {0x05, 8}, {0x0A, 8},
    {0x0B, 8}, {0x52, 8}, {0x53, 8}, {0x54, 8}, {0x55, 8}, {0x24, 8}, {0x25, 8}, {0x58, 8},
    {0x59, 8}, {0x5A, 8}, {0x5B, 8}, {0x4A, 8}, {0x4B, 8}, {0x32, 8}, {0x33, 8}, {0x34, 8},
};
constexpr Code kBlackTerminating[64] = {
    {0x37, 10}, {0x02, 3},  {0x03, 2},  {0x02, 2},  {0x03, 3},  {0x03, 4},  {0x02, 4},  {0x03, 5},
    {0x05, 6},  {0x04, 6},  {0x04, 7},  {0x05, 7},  {0x07, 7},  {0x04, 8},  {0x07, 8},  {0x18, 9},
    {0x17, 10}, {0x18, 10}, {0x08, 10}, {0x67, 11}, {0x68, 11}, {0x6C, 11}, {0x37, 11}, {0x28, 11},
    {0x17, 11}, {0x18, 11}, {0xCA, 12}, {0xCB, 12}, {0xCC, 12}, {0xCD, 12}, {0x68, 12}, {0x69, 12},
    {0x6A, 12}, {0x6B, 12}, {0xD2, 12}, {0xD3, 12}, {0xD4, 12}, {0xD5, 12}, {0xD6, 12}, {0xD7, 12},
    {0x6C, 12}, {0x6D, 12}, {0xDA, 12}, {0xDB, 12}, {0x54, 12}, {0x55, 12}, {0x56, 12}, {0x57, 12},
    {0x64, 12}, {0x65, 12}, {0x52, 12}, {0x53, 12}, {0x24, 12}, {0x37, 12}, {0x38, 12}, {0x27, 12},
    {0x28, 12}, {0x58, 12}, {0x59, 12}, {0x2B, 12}, {0x2C, 12}, {0x5A, 12}, {0x66, 12}, {0x67, 12},
};
// Make-up codes of 64, 128, ... 1728 (index = run / 64 - 1).
constexpr Code kWhiteMakeup[27] = {
    {0x1B, 5}, {0x12, 5}, {0x17, 6}, {0x37, 7}, {0x36, 8}, {0x37, 8}, {0x64, 8}, {0x65, 8}, {0x68, 8},
    {0x67, 8}, {0xCC, 9}, {0xCD, 9}, {0xD2, 9}, {0xD3, 9}, {0xD4, 9}, {0xD5, 9}, {0xD6, 9}, {0xD7, 9},
    {0xD8, 9}, {0xD9, 9}, {0xDA, 9}, {0xDB, 9}, {0x98, 9}, {0x99, 9}, {0x9A, 9}, {0x18, 6}, {0x9B, 9},
};
constexpr Code kBlackMakeup[27] = {
    {0x0F, 10}, {0xC8, 12}, {0xC9, 12}, {0x5B, 12}, {0x33, 12}, {0x34, 12}, {0x35, 12},
    {0x6C, 13}, {0x6D, 13}, {0x4A, 13}, {0x4B, 13}, {0x4C, 13}, {0x4D, 13}, {0x72, 13},
    {0x73, 13}, {0x74, 13}, {0x75, 13}, {0x76, 13}, {0x77, 13}, {0x52, 13}, {0x53, 13},
    {0x54, 13}, {0x55, 13}, {0x5A, 13}, {0x5B, 13}, {0x64, 13}, {0x65, 13},
};
// Make-up codes both colours share, 1792 .. 2560 (index = run / 64 - 28).
constexpr Code kSharedMakeup[13] = {
    {0x08, 11}, {0x0C, 11}, {0x0D, 11}, {0x12, 12}, {0x13, 12}, {0x14, 12}, {0x15, 12},
    {0x16, 12}, {0x17, 12}, {0x1C, 12}, {0x1D, 12}, {0x1E, 12}, {0x1F, 12},
};
constexpr Code kPass = {0x1, 4};
constexpr Code kHorizontal = {0x1, 3};
// Vertical codes for a1 - b1 = -3 .. 3.
constexpr Code kVertical[7] = {{0x02, 7}, {0x02, 6}, {0x02, 3}, {0x1, 1}, {0x3, 3}, {0x03, 6}, {0x03, 7}};
constexpr Code kEndOfLine = {0x001, 12};

// Bits go into a 64-bit accumulator, most significant first, and every code writes the whole
// bytes it completes: the accumulator's pending bits are stored eight bytes at a time at the
// next free byte and the position moves on by the whole bytes among them, so no branch depends
// on where a byte ends (one that did was mispredicted at every few codes). The bytes beyond the
// position are written over by the next code; the caller makes the buffer large enough for the
// codes and eight bytes more (rowBound; the end-of-block mark's room in encodeG4Stream).
class BitWriter {
 public:
  explicit BitWriter(std::uint8_t* out) : out_(out) {}
  void put(Code c) {
    // Fewer than 8 bits wait between codes and a code has at most 13, so nothing is lost.
    acc_ = (acc_ << c.length) | c.bits;
    pending_ += c.length;
    storeWord(out_, acc_ << (64 - pending_));
    out_ += pending_ >> 3;
    pending_ &= 7;
  }
  // A run of one colour: make-up codes of 2560 while the rest cannot be coded with one make-up
  // code and a terminating code, then those two.
  void run(int length, bool black) {
    const Code* makeup = black ? kBlackMakeup : kWhiteMakeup;
    while (length >= 2560 + 64) {
      put(kSharedMakeup[12]);
      length -= 2560;
    }
    if (length >= 64) {
      const int index = length / 64;
      put(index <= 27 ? makeup[index - 1] : kSharedMakeup[index - 28]);
      length -= index * 64;
    }
    put((black ? kBlackTerminating : kWhiteTerminating)[length]);
  }
  // Zero bits to the next byte, everything written out; the next free byte.
  std::uint8_t* finish() {
    if (pending_ > 0) *out_++ = static_cast<std::uint8_t>(acc_ << (8 - pending_));
    pending_ = 0;
    return out_;
  }
  std::uint8_t* position() const { return out_; }
  void rebase(std::uint8_t* out) { out_ = out; }

 private:
  std::uint8_t* out_;
  std::uint64_t acc_ = 0;
  int pending_ = 0;  // bits in acc_ of the byte at out_, not yet whole (fewer than 8 between calls)
};

// Spare entries at the end of a list of changing elements, each equal to the width: the coding
// looks at most three elements beyond the last real one.
constexpr int kSentinels = 4;

// The changing elements of a row of `width` pixels (positions where a pixel differs from the one
// before it; an imaginary white pixel stands before the first), then kSentinels times `width`.
// `invert` takes each pixel as its opposite. Returns the count of real elements.
int changingElements(const std::uint8_t* row, int width, bool invert, int* list) {
  const std::size_t whole = static_cast<std::size_t>(width) / 64;  // words of 64 real pixels
  const int bits = width % 64;                                     // pixels after them
  const std::uint64_t flip = invert ? ~std::uint64_t{0} : 0;
  std::uint64_t previous = 0;  // the last pixel of the word before, in bit 0
  int count = 0;
  auto collect = [&](std::uint64_t w, int base) {
    std::uint64_t t = w ^ ((w >> 1) | (previous << 63));
    previous = w & 1;
    while (t != 0) {
      const int i = __builtin_clzll(t);
      list[count++] = base + i;
      t &= ~(std::uint64_t{1} << (63 - i));
    }
  };
  for (std::size_t k = 0; k < whole; ++k) {
    const std::uint64_t w = loadWord(row + 8 * k) ^ flip;
    // Most words of a drawing are all paper or all ink and continue the word before.
    if (w == (previous != 0 ? ~std::uint64_t{0} : 0)) continue;
    collect(w, static_cast<int>(64 * k));
  }
  if (bits > 0) {
    std::uint8_t tail[8] = {};
    std::memcpy(tail, row + 8 * whole, rowBytes(width) - 8 * whole);
    // Pixels past the width repeat the last real pixel's colour, so they make no changes.
    std::uint64_t w = loadWord(tail) ^ flip;
    const std::uint64_t real = ~std::uint64_t{0} << (64 - bits);
    const std::uint64_t last = (w >> (64 - bits)) & 1;
    w = (w & real) | (last != 0 ? ~real : 0);
    collect(w, static_cast<int>(64 * whole));
  }
  for (int i = 0; i < kSentinels; ++i) list[count + i] = width;
  return count;
}

// At most the bytes one row's codes take: a vertical code (7 bits) per coding element, a pass
// code (4 bits) per two reference elements, a horizontal code with two runs (3 + 2 x 26 bits,
// beyond the make-up codes of 2560 that at most width / 2560 pixels need) per two coding elements,
// and spare bytes for the eight the bit writer stores at its position.
std::size_t rowBound(int codingCount, int referenceCount, int width) {
  const std::size_t bits = 36 * static_cast<std::size_t>(codingCount) +
                           2 * static_cast<std::size_t>(referenceCount) +
                           12 * (static_cast<std::size_t>(width) / 2560 + 2) + 64;
  return bits / 8 + 16;
}

// Codes one row: `a` its changing elements, `b` the reference row's.
void codeRow(const int* a, const int* b, int width, BitWriter& bits) {
  int a0 = -1;
  bool black = false;  // colour of a0
  int ia = 0, ib = 0;  // first elements of a and b beyond a0 (a's elements strictly increase)
  while (a0 < width) {
    while (b[ib] <= a0) ++ib;
    const int a1 = a[ia];
    // b1: the first reference element beyond a0 of the colour opposite to a0's. Even elements
    // turn to black, odd ones to white.
    const int j = ib + (((ib & 1) != 0) != black ? 1 : 0);
    const int b1 = b[j], b2 = b[j + 1];
    if (b2 < a1) {
      bits.put(kPass);
      a0 = b2;
    } else if (static_cast<unsigned>(a1 - b1 + 3) <= 6u) {
      bits.put(kVertical[a1 - b1 + 3]);
      a0 = a1;
      ++ia;
      black = !black;
    } else {
      const int a2 = a[ia + 1];
      bits.put(kHorizontal);
      bits.run(a1 - std::max(a0, 0), black);
      bits.run(a2 - a1, !black);
      a0 = a2;
      ia += 2;
    }
  }
}

}  // namespace

int encodeG4Stream(const ConstBitmapView& in, bool invert, bool lsbFirst, std::vector<std::uint8_t>& out,
                   ImageStopFunc stop) {
  if (in.empty()) return MDLERR_INVALIDIMAGE;
  if (in.width > kMaxG4Width) return MDLERR_INVALIDIMAGE;
  const std::size_t start = out.size();
  try {
    const auto lineLength = static_cast<std::size_t>(in.width) + 1 + kSentinels;
    std::vector<int> lists(2 * lineLength);
    int* reference = lists.data();
    int* coding = lists.data() + lineLength;
    // The line above the first is all white: no changing elements.
    int referenceCount = 0;
    for (int i = 0; i < kSentinels; ++i) reference[i] = in.width;
    // A first guess near a scanned drawing's stream (some 5 % of its bitmap), every byte of which
    // is written and so costs memory; rows make room as they need it.
    out.resize(start + std::max<std::size_t>(4096, in.bytes() / 16));
    std::size_t used = start;
    BitWriter bits(out.data() + used);
    for (int y = 0; y < in.height; ++y) {
      if ((y & 1023) == 1023 && stop != nullptr && stop() != 0) {
        out.resize(start);
        return MDLERR_IMAGESTOPPED;
      }
      const int codingCount = changingElements(in.row(y), in.width, invert, coding);
      used = static_cast<std::size_t>(bits.position() - out.data());
      const std::size_t need = used + rowBound(codingCount, referenceCount, in.width);
      if (need > out.size()) {
        out.resize(std::max(need, out.size() + out.size() / 2));
        bits.rebase(out.data() + used);
      }
      codeRow(coding, reference, in.width, bits);
      std::swap(coding, reference);
      referenceCount = codingCount;
    }
    used = static_cast<std::size_t>(bits.position() - out.data());
    if (used + 16 > out.size()) {
      out.resize(used + 16);
      bits.rebase(out.data() + used);
    }
    bits.put(kEndOfLine);
    bits.put(kEndOfLine);
    used = static_cast<std::size_t>(bits.finish() - out.data());
    out.resize(used);
    if (lsbFirst)
      for (std::size_t i = start; i < used; ++i) out[i] = kReverseBits[out[i]];
  } catch (const std::bad_alloc&) {
    out.resize(start);
    return MDLERR_INSFMEMORY;
  }
  return 0;
}

}  // namespace pixmend::host
