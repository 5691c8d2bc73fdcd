// Fuzz target: the tiled-to-strip conversion. The input is written to a file of its own and
// converted; any bytes must be converted or refused without crashing, hanging or allocating
// without bound, and a target that the conversion writes must read back as a 1-bit image of the
// source's size.
#include <tiffio.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "host/image/formats.hpp"
#include "host/lifecycle.hpp"
#include "include/pixmend/vxdll.h"
#include "transform/tiledconvert.hpp"

namespace {

// The folder the inputs are written to; it goes with the process (libFuzzer ends with exit()).
char folderPath[] = "/tmp/pixmend-tiledconvert-fuzz-XXXXXX";

const std::string& folder() {
  static const std::string dir = [] {
    if (::mkdtemp(folderPath) == nullptr) std::abort();
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(folderPath, ec);
    });
    // Hostile sizes stay cheap: at most 4 MiB of image unless the file is large.
    pixmend::setConversionBufferFloor(std::size_t{4} << 20);
    return std::string(folderPath);
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string source = folder() + "/in.tif", target = folder() + "/out.tif";
  std::FILE* f = std::fopen(source.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);
  std::error_code ec;
  std::filesystem::remove(target, ec);

  pixmend::resetConversionOptions();
  VXDllConvertTiledTiff(source.c_str(), target.c_str());

  if (std::filesystem::exists(target, ec)) {
    pixmend::host::ImageBuffer image;
    if (pixmend::host::readImageFile(target.c_str(), 3, image, nullptr) != 0) std::abort();
    // The target has the source's size.
    pixmend::host::ImageDiagnostics diag("fuzz");
    diag.silence();
    pixmend::TiffHandle in;
    std::uint32_t width = 0, length = 0;
    if (!pixmend::openTiffMemory(in, data, size, "in", diag) ||
        !TIFFGetField(in.get(), TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(in.get(), TIFFTAG_IMAGELENGTH, &length) ||
        static_cast<std::uint32_t>(image.width) != width || static_cast<std::uint32_t>(image.height) != length)
      std::abort();
  }
  pixmend::host::resetHost();  // the journal would otherwise grow without end
  return 0;
}
