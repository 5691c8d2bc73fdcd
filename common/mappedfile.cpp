// Input files mapped read-only (see mappedfile.hpp).
#include "common/mappedfile.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace pixmend {
namespace {

// Closes a descriptor on every path out.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

MappedFile::~MappedFile() {
  if (map_ != nullptr) ::munmap(map_, size_);
}

bool MappedFile::fail(std::string why, bool missing) {
  failure_ = std::move(why);
  missing_ = missing;
  return false;
}

bool MappedFile::open(const char* path) {
  Fd f;
  // O_NONBLOCK: a path naming a pipe or a device must be refused below, not wait for a writer.
  f.fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (f.fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return fail("no such file", true);
    return fail(std::string("cannot open the file: ") + std::strerror(errno));
  }
  struct stat st {};
  if (::fstat(f.fd, &st) != 0) return fail(std::strerror(errno));
  if (S_ISDIR(st.st_mode)) return fail("a folder, not a file");
  if (!S_ISREG(st.st_mode))
    return fail("not a regular file (a pipe, a device or a socket): only files are read");
  if (st.st_size == 0) return true;
  if (static_cast<unsigned long long>(st.st_size) > static_cast<unsigned long long>(SIZE_MAX / 2))
    return fail("the file is too large to read");
  const auto size = static_cast<std::size_t>(st.st_size);
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, f.fd, 0);
  if (map == MAP_FAILED) return fail(std::string("cannot map the file: ") + std::strerror(errno));
  map_ = map;
  size_ = size;
  data_ = static_cast<const std::uint8_t*>(map);
  return true;
}

}  // namespace pixmend
