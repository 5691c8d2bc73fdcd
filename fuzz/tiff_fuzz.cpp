// libFuzzer target: the image library's TIFF reader on arbitrary bytes; what it reads must
// survive a Group 4 write and read unchanged.
#include "fuzz/image_roundtrip.hpp"

using namespace pixmend::host;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return pixmend::fuzz::imageRoundTrip(
      data, size,
      [](const std::uint8_t* d, std::size_t n, ImageBuffer& image, ImageDiagnostics& diag) {
        return readTiff(d, n, image, diag, nullptr);
      },
      [](pixmend::ConstBitmapView view, std::vector<std::uint8_t>& file, ImageDiagnostics& diag) {
        return writeTiff(view, CarriedProperties{}, file, diag, nullptr);
      });
}
