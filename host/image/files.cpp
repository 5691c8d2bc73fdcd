// Input files mapped read-only (common/mappedfile.hpp), and output through the host's one atomic
// writer (AtomicFile): every file the image library writes goes to a temporary file beside the
// target that is renamed over it only when complete.
#include <sys/stat.h>

#include "host/files/files.hpp"
#include "host/image/image.hpp"
#include "host/image/image_testing.hpp"
#include "host/output/journal.hpp"

namespace pixmend::host {

namespace {

std::size_t& imageWriteLimit() {
  static std::size_t limit = static_cast<std::size_t>(-1);
  return limit;
}

}  // namespace

void failImageWriteAfter(std::size_t bytes) {
  imageWriteLimit() = bytes;
}

int mapImageFile(MappedFile& file, const char* path) {
  if (file.open(path)) return 0;
  return file.missing() ? MDLERR_FILENOTFOUND : MDLERR_CANNOTOPENFILE;
}

int replaceImageFile(const std::string& path, const std::vector<std::uint8_t>& bytes, ImageDiagnostics& diag) {
  // The test hook aims at the next image file, whatever the host writes first (a backup copy,
  // the preference file).
  const std::size_t limit = imageWriteLimit();
  imageWriteLimit() = static_cast<std::size_t>(-1);
  if (limit != static_cast<std::size_t>(-1)) failNextAtomicWriteAfter(limit);
  std::string why;
  const bool ok = writeFileAtomically(path, bytes.data(), bytes.size(), &why);
  if (!ok) {
    struct stat st {};
    const bool old = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    diag.notef("cannot write: %s%s", why.c_str(), old ? "; the old file is unchanged" : "");
  }
  journal().append("file", (ok ? "wrote " : "could not write ") + path);
  return ok ? 0 : MDLERR_IMAGEWRITEFAILED;
}

}  // namespace pixmend::host
