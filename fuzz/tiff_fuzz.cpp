// libFuzzer target: the image library's TIFF reader on arbitrary bytes. A successful read must
// give a bitmap within the size limit that survives a Group 4 write and read unchanged.
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/image/formats.hpp"
#include "host/image/image_testing.hpp"

using namespace pixmend::host;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool limited = (setImagePixelLimit(std::uint64_t{1} << 24), true);
  (void)limited;
  ImageDiagnostics diag("fuzz");
  diag.silence();
  ImageBuffer image;
  if (readTiff(data, size, image, diag, nullptr) != 0) return 0;
  if (!imageSizeAllowed(image.width, image.height)) __builtin_trap();
  if (static_cast<std::uint64_t>(image.width) * image.height > 65536) return 0;
  std::vector<std::uint8_t> file;
  if (writeTiff(image.constView(), CarriedProperties{}, file, diag, nullptr) != 0) __builtin_trap();
  ImageBuffer again;
  if (readTiff(file.data(), file.size(), again, diag, nullptr) != 0) __builtin_trap();
  if (again.width != image.width || again.height != image.height ||
      std::memcmp(again.data.get(), image.data.get(), image.bytes()) != 0)
    __builtin_trap();
  return 0;
}
