// TIFF tag tests, photometric interpretation, read-only test, inversion and file deletion: the
// VXDll helpers the raster session uses to decide whether a file can be edited.
//
// Each TIFF helper opens the file by path, does one thing and closes it. libtiff's messages are
// captured for that one call (per-handle handlers, no process-wide state, tiffreport.hpp) and
// written to the host's text window. Changing the photometric interpretation rewrites the file through a
// temporary copy beside it that replaces the original only when complete (ReplacingFile).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bitmap/bitmap.hpp"
#include "bitmap/selection.hpp"
#include "common/filedelete.hpp"
#include "host/output/api.h"
#include "include/pixmend/vxdll.h"
#include "transform/replacefile.hpp"
#include "transform/tiffreport.hpp"

namespace {

using pixmend::hasWriteBit;

// Messages of one call shown at most (then a count of the rest).
constexpr int kShownMessages = 8;

// libtiff's messages of one call on `path`, shown in the text window when the call ends.
struct Messages : pixmend::TiffReport {
  explicit Messages(const char* path) : TiffReport("tiff", path != nullptr ? path : "", kShownMessages) {}
  TIFF* open(const char* path, const char* mode) {
    TIFFOpenOptions* options = tiffOptions(0);
    return options != nullptr ? TIFFOpenExt(path, mode, options) : nullptr;
  }
};

bool readWhole(const char* path, std::vector<unsigned char>& bytes) {
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  unsigned char chunk[65536];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

}  // namespace

extern "C" {

PIXMEND_API int VXDllIsTiffTiled(const char* path) {
  if (path == nullptr) return 0;
  Messages messages(path);
  TIFF* tif = messages.open(path, "r");
  if (tif == nullptr) return 0;
  const int tiled = TIFFIsTiled(tif) != 0 ? 1 : 0;
  TIFFClose(tif);
  return tiled;
}

PIXMEND_API int VXDllGetPhotometric(const char* path) {
  if (path == nullptr) return -1;
  Messages messages(path);
  TIFF* tif = messages.open(path, "r");
  if (tif == nullptr) return -1;
  std::uint16_t value = 0;  // a missing tag reads as min-is-white, the default for bilevel files
  if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &value) == 0) value = PHOTOMETRIC_MINISWHITE;
  TIFFClose(tif);
  return value;
}

PIXMEND_API void VXDllSetPhotometric(const char* path, int photometric) {
  if (path == nullptr || photometric < 0 || photometric > 65535) return;
  Messages messages(path);
  struct stat st {};
  if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode)) {
    messages.note("no such file");
    return;
  }
  if (!hasWriteBit(st)) {
    messages.note("the file is read-only; photometric interpretation not changed");
    return;
  }
  {
    TIFF* tif = messages.open(path, "r");
    if (tif == nullptr) return;
    std::uint16_t current = 0;
    const bool set = TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &current) != 0;
    TIFFClose(tif);
    if (set && current == photometric) return;
  }
  // The change is made on a copy beside the file, which then takes the file's place.
  std::vector<unsigned char> bytes;
  if (!readWhole(path, bytes)) {
    messages.note("cannot read the file");
    return;
  }
  pixmend::ReplacingFile copy(path);
  bool ok = copy.write(bytes.data(), bytes.size());
  if (ok) {
    TIFF* tif = messages.open(copy.temporaryPath().c_str(), "r+");
    ok = tif != nullptr &&
         TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, static_cast<std::uint16_t>(photometric)) != 0 &&
         TIFFRewriteDirectory(tif) != 0;
    if (tif != nullptr) TIFFClose(tif);
  }
  const bool written = ok && copy.commit();
  mdlOutput_fileWritten(path, written ? 1 : 0);
  if (!written) {
    const std::string why = copy.error().empty() ? std::string() : " (" + copy.error() + ")";
    messages.note(("photometric interpretation not changed" + why + "; the file is as it was").c_str());
  }
}

PIXMEND_API int VXDllIsReadOnly(const char* path) {
  if (path == nullptr) return 1;
  // We run as root, whom permission bits do not stop: a file without any write bit is
  // read-only whoever asks.
  struct stat st {};
  if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode) || !hasWriteBit(st)) return 1;
  // Every write replaces the file through a temporary beside it that is renamed over it: a
  // folder that takes no new file (read-only, full, not ours), or a file mounted on its own,
  // makes a writable file one that cannot be written back.
  if (!pixmend::canReplace(path)) return 1;
  std::FILE* f = std::fopen(path, "r+");
  if (f == nullptr) return 1;
  // A file another program holds locked for writing counts as read-only too, as a file opened
  // elsewhere for exclusive writing does on the platform this comes from.
  const int fd = ::fileno(f);
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  bool locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
  if (!locked && ::flock(fd, LOCK_EX | LOCK_NB) != 0) locked = errno == EWOULDBLOCK;
  std::fclose(f);  // also releases the probe's lock
  return locked ? 1 : 0;
}

PIXMEND_API void VXDllInvertRaster(unsigned char* bitmap, int width, int height) {
  if (bitmap == nullptr || width <= 0 || height <= 0) return;
  const std::size_t stride = (static_cast<std::size_t>(width) + 7) / 8;
  pixmend::rasterChanging(bitmap, stride * static_cast<std::size_t>(height));
  const unsigned rest = static_cast<unsigned>(width) & 7u;
  if (rest == 0) {
    pixmend::invertBytes(bitmap, stride * static_cast<std::size_t>(height));
    return;
  }
  // Whole bytes word by word, then only the pixel bits of each row's last byte.
  const auto lastMask = static_cast<unsigned char>(0xFF00u >> rest);
  for (int y = 0; y < height; ++y) {
    unsigned char* row = bitmap + static_cast<std::size_t>(y) * stride;
    pixmend::invertBytes(row, stride - 1);
    row[stride - 1] ^= lastMask;
  }
}

PIXMEND_API int VXDllDeleteFile(const char* path) { return pixmend::deleteFileUnlessReadOnly(path); }

}  // extern "C"
