// Session verb that shows what a raster file holds, so that a session can compare files by their
// decoded pixels (never by their bytes: two encodings of the same picture differ byte for byte):
//   pixels FILE    journals "pixels: FILE W x H, N set, digest D (FORMAT[, PHOTOMETRIC])"
// N is the number of ink pixels (the library's bitmaps have 1 = ink whatever the file stores, so
// a min-is-black TIFF and its min-is-white copy give the same N and D), D a 64-bit FNV-1a digest
// of the decoded rows (each row ceil(W / 8) bytes, padding bits cleared). Equal digests and sizes
// mean the same picture for every practical purpose; the photometric interpretation shown is the
// file's own.
#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/session.hpp"
#include "host/config/config.hpp"
#include "host/image/api.h"
#include "host/image/formats.hpp"
#include "host/output/journal.hpp"
#include "host/raster/raster.hpp"

namespace pixmend::cli {
namespace {

std::string runPixels(const Step& step, PlayContext&) {
  const std::string& name = step.words[0];
  const std::string path = host::expandText(name);
  unsigned char* bits = nullptr;
  Point2d size{};
  const int status = mdlImage_readFileToBitMap(&bits, &size, path.c_str(), IMAGEFILE_FROM_FILE, 0, nullptr);
  if (status != SUCCESS) return "cannot read " + name + ": " + host::imageErrorText(status);
  const std::size_t stride = (static_cast<std::size_t>(size.x) + 7) / 8;
  const unsigned lastMask = size.x % 8 == 0 ? 0xffu : (0xff00u >> (size.x % 8)) & 0xffu;
  std::uint64_t digest = 1469598103934665603ull;
  long long set = 0;
  for (int y = 0; y < size.y; ++y) {
    const unsigned char* row = bits + static_cast<std::size_t>(y) * stride;
    for (std::size_t i = 0; i < stride; ++i) {
      const unsigned byte = i + 1 == stride ? row[i] & lastMask : row[i];
      set += __builtin_popcount(byte);
      digest = (digest ^ byte) * 1099511628211ull;
    }
  }
  mdlImage_freeImage(bits, &size, IMAGEFORMAT_BITMAP);

  host::ImageFileInfo info;
  std::string kind = "unknown";
  if (host::describeImageFile(path.c_str(), info) == SUCCESS) {
    kind = info.format;
    if (info.type == IMAGEFILE_TIFF && !info.photometricName.empty()) kind += ", " + info.photometricName;
  }
  char text[512];
  std::snprintf(text, sizeof text, "%d x %d, %lld set, digest %016llx (%s)", size.x, size.y, set,
                static_cast<unsigned long long>(digest), kind.c_str());
  host::journal().append("pixels", name + " " + text);
  return "";
}

const bool registered = [] {
  registerVerb(
      {"pixels", "pixels FILE",
       "journal a raster file's size, set pixels and a digest of its decoded rows (compare files by pixels)",
       [](const Step& s) -> std::string { return s.words.size() == 1 ? nameProblem(s.words[0]) : "usage: pixels FILE"; },
       runPixels});
  return true;
}();

}  // namespace
}  // namespace pixmend::cli
