// libFuzzer target: the image library's Intergraph reader on arbitrary bytes, seeded with
// run-length files (plain and tiled); what it reads must survive a write as type 9 and a
// read unchanged.
#include "fuzz/image_roundtrip.hpp"

using namespace pixmend::host;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return pixmend::fuzz::imageRoundTrip(
      data, size,
      [](const std::uint8_t* d, std::size_t n, ImageBuffer& image, ImageDiagnostics& diag) {
        return readIngr(d, n, image, diag, nullptr);
      },
      [](pixmend::ConstBitmapView view, std::vector<std::uint8_t>& file, ImageDiagnostics& diag) {
        return writeIngr(view, 9, CarriedProperties{}, file, diag, nullptr);
      });
}
