// Input files mapped read-only, and output through the host's one atomic writer (AtomicFile):
// every file the image library writes goes to a temporary file beside the target that is
// renamed over it only when complete.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "host/files/files.hpp"
#include "host/image/image.hpp"
#include "host/image/image_testing.hpp"
#include "host/output/journal.hpp"

namespace pixmend::host {

namespace {

// Closes a descriptor on every path out.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

namespace {

std::size_t& imageWriteLimit() {
  static std::size_t limit = static_cast<std::size_t>(-1);
  return limit;
}

}  // namespace

void failImageWriteAfter(std::size_t bytes) {
  imageWriteLimit() = bytes;
}

MappedFile::~MappedFile() {
  if (map_ != nullptr) ::munmap(map_, size_);
}

int MappedFile::fail(int rc, std::string why) {
  failure_ = std::move(why);
  return rc;
}

int MappedFile::open(const char* path) {
  Fd f;
  // O_NONBLOCK: a path naming a pipe or a device must be refused below, not wait for a writer.
  f.fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (f.fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return fail(MDLERR_FILENOTFOUND, "no such file");
    return fail(MDLERR_CANNOTOPENFILE, std::string("cannot open the file: ") + std::strerror(errno));
  }
  struct stat st {};
  if (::fstat(f.fd, &st) != 0) return fail(MDLERR_CANNOTOPENFILE, std::strerror(errno));
  if (S_ISDIR(st.st_mode)) return fail(MDLERR_CANNOTOPENFILE, "a folder, not a file");
  if (!S_ISREG(st.st_mode))
    return fail(MDLERR_CANNOTOPENFILE, "not a regular file (a pipe, a device or a socket): only files are read");
  if (st.st_size == 0) return 0;
  if (static_cast<unsigned long long>(st.st_size) > static_cast<unsigned long long>(SIZE_MAX / 2))
    return fail(MDLERR_CANNOTOPENFILE, "the file is too large to read");
  const auto size = static_cast<std::size_t>(st.st_size);
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, f.fd, 0);
  if (map == MAP_FAILED) return fail(MDLERR_CANNOTOPENFILE, std::string("cannot map the file: ") + std::strerror(errno));
  map_ = map;
  size_ = size;
  data_ = static_cast<const std::uint8_t*>(map);
  return 0;
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
