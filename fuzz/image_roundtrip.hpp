// The shared body of the image-reader fuzz targets: read arbitrary bytes with one reader; a
// successful read must give a bitmap within the size limit that survives a write in the same
// format and a second read unchanged. Anything else is a finding (__builtin_trap).
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "bitmap/bitmap.hpp"
#include "host/image/formats.hpp"
#include "host/image/image_testing.hpp"

namespace pixmend::fuzz {

// read(data, size, image, diag) and write(view, file, diag) return 0 on success.
template <typename Read, typename Write>
int imageRoundTrip(const std::uint8_t* data, std::size_t size, Read read, Write write) {
  using namespace pixmend::host;
  static const bool limited = (setImagePixelLimit(std::uint64_t{1} << 24), true);
  (void)limited;
  ImageDiagnostics diag("fuzz");
  diag.silence();
  ImageBuffer image;
  if (read(data, size, image, diag) != 0) return 0;
  if (!imageSizeAllowed(image.width, image.height)) __builtin_trap();
  // Writing and reading back large pictures would only slow the search down.
  if (static_cast<std::uint64_t>(image.width) * image.height > 65536) return 0;
  std::vector<std::uint8_t> file;
  if (write(image.constView(), file, diag) != 0) __builtin_trap();
  ImageBuffer again;
  if (read(file.data(), file.size(), again, diag) != 0) __builtin_trap();
  if (again.width != image.width || again.height != image.height ||
      std::memcmp(again.data.get(), image.data.get(), image.bytes()) != 0)
    __builtin_trap();
  return 0;
}

}  // namespace pixmend::fuzz
