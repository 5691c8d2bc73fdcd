// Icons and RGB images as resources: what the compiler stores and the dialog manager draws.
//
// Icon ('Icon'): 16-bit width, 16-bit height, then width * height bytes, 1 where the icon is
// drawn (in the colour the caller chooses) and 0 where it is transparent.
// RGB image (any type the source names, e.g. 'VXIM'): rows of red, green, blue bytes, top row
// first, no header; whoever draws it knows its width.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pixmend::host {

constexpr int kMaxResourceImageSide = 4096;

struct IconMask {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bits;  // 0 or 1, row by row
};

// False for bytes that are not an icon of the stored form.
bool decodeIcon(const std::vector<std::uint8_t>& bytes, IconMask* icon);

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3
};

// Decodes a PNG (alpha composed over white) or a PPM (P3 or P6, maxval up to 255 or 65535).
// Throws std::runtime_error for anything else or for sides above kMaxResourceImageSide.
RgbImage decodePng(const std::vector<std::uint8_t>& bytes);
RgbImage decodePpm(const std::vector<std::uint8_t>& bytes);

}  // namespace pixmend::host
