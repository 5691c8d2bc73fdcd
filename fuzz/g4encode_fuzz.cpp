// libFuzzer target: our Group 4 encoder on arbitrary pictures. The first two bytes give the width
// (1 to 4096), the third the flags (inverted, least significant bit first), the rest the rows; the
// stream must be libtiff's own encoding of them byte for byte and decode, through libtiff, to the
// very pixels (padding bits aside). Anything else is a finding (__builtin_trap).
#include <cstdint>
#include <cstring>
#include <vector>

#include "bitmap/bitmap.hpp"
#include "host/image/formats.hpp"

using namespace pixmend;
using namespace pixmend::host;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const int width = 1 + ((data[0] | (data[1] << 8)) & 4095);
  const bool invert = (data[2] & 1) != 0, lsbFirst = (data[2] & 2) != 0;
  data += 3;
  size -= 3;
  const std::size_t stride = rowBytes(width);
  const int height = static_cast<int>(size / stride);
  if (height == 0 || height > 4096) return 0;
  const ConstBitmapView in(data, width, height);
  std::vector<std::uint8_t> ours, theirs;
  ImageDiagnostics diag("fuzz");
  diag.silence();
  if (encodeG4Stream(in, invert, lsbFirst, ours, nullptr) != 0) __builtin_trap();
  if (encodeG4Libtiff(in, invert, lsbFirst, theirs, diag, nullptr) != 0 || ours != theirs) __builtin_trap();
  std::vector<std::uint8_t> back(stride * static_cast<std::size_t>(height));
  if (decodeG4(ours.data(), ours.size(), BitmapView(back.data(), width, height), lsbFirst, true, diag) != 0)
    __builtin_trap();
  const auto pad = static_cast<std::uint8_t>(0xFFu >> (width % 8 == 0 ? 8 : width % 8));
  for (int y = 0; y < height; ++y) {
    for (std::size_t i = 0; i < stride; ++i) {
      std::uint8_t expected = in.row(y)[i];
      if (invert) expected = static_cast<std::uint8_t>(~expected);
      if (i + 1 == stride) expected &= static_cast<std::uint8_t>(~pad);
      if (back[y * stride + i] != expected) __builtin_trap();
    }
  }
  return 0;
}
