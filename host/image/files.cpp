// Input files mapped read-only, and atomic output: every file the image library writes goes to
// a temporary file beside the target that is renamed over it only when complete.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "host/image/image.hpp"
#include "host/image/image_testing.hpp"
#include "host/output/journal.hpp"

namespace pixmend::host {

namespace {

std::size_t& writeLimit() {
  static std::size_t limit = static_cast<std::size_t>(-1);
  return limit;
}

// Closes a descriptor on every path out.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

bool writeAll(int fd, const std::uint8_t* data, std::size_t size, std::size_t limit) {
  std::size_t done = 0;
  while (done < size) {
    std::size_t chunk = size - done;
    if (chunk > (std::size_t{1} << 30)) chunk = std::size_t{1} << 30;
    if (done + chunk > limit) {
      chunk = limit > done ? limit - done : 0;
      if (chunk == 0) {
        errno = ENOSPC;
        return false;
      }
    }
    const ssize_t n = ::write(fd, data + done, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

void failImageWriteAfter(std::size_t bytes) {
  writeLimit() = bytes;
}

MappedFile::~MappedFile() {
  if (map_ != nullptr) ::munmap(map_, size_);
}

int MappedFile::open(const char* path) {
  Fd f;
  // O_NONBLOCK: a path naming a pipe or a device must be refused below, not wait for a writer.
  f.fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (f.fd < 0) return errno == ENOENT || errno == ENOTDIR ? MDLERR_FILENOTFOUND : MDLERR_CANNOTOPENFILE;
  struct stat st {};
  if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return MDLERR_CANNOTOPENFILE;
  if (st.st_size == 0) return 0;
  if (static_cast<unsigned long long>(st.st_size) > static_cast<unsigned long long>(SIZE_MAX / 2))
    return MDLERR_CANNOTOPENFILE;
  const auto size = static_cast<std::size_t>(st.st_size);
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, f.fd, 0);
  if (map == MAP_FAILED) return MDLERR_CANNOTOPENFILE;
  map_ = map;
  size_ = size;
  data_ = static_cast<const std::uint8_t*>(map);
  return 0;
}

namespace {
int writeAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, ImageDiagnostics& diag);
}  // namespace

int writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                        ImageDiagnostics& diag) {
  const int rc = writeAtomically(path, bytes, diag);
  journal().append("file", (rc == 0 ? "wrote " : "could not write ") + path);
  return rc;
}

namespace {

int writeAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, ImageDiagnostics& diag) {
  const std::size_t limit = writeLimit();
  writeLimit() = static_cast<std::size_t>(-1);  // the hook fires once

  // Write beside the file a link points to, so the link stays a link.
  std::string target = path;
  struct stat st {};
  bool exists = false;
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) {
      char* real = ::realpath(path.c_str(), nullptr);
      if (real != nullptr) {
        target = real;
        std::free(real);
      }
    }
    if (::stat(target.c_str(), &st) == 0) {
      if (!S_ISREG(st.st_mode)) {
        diag.note("cannot write: the target exists and is not a regular file");
        return MDLERR_IMAGEWRITEFAILED;
      }
      if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        diag.note("cannot write: the file is read-only");
        return MDLERR_IMAGEWRITEFAILED;
      }
      exists = true;
    }
  }

  const std::size_t slash = target.rfind('/');
  const std::string dir =
      slash == std::string::npos ? std::string(".") : target.substr(0, slash == 0 ? 1 : slash);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temp = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + "." + base +
                     ".pixmend-XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');

  Fd f;
  f.fd = ::mkstemp(name.data());
  if (f.fd < 0) {
    diag.notef("cannot write: cannot create a temporary file in %s: %s", dir.c_str(), std::strerror(errno));
    return MDLERR_IMAGEWRITEFAILED;
  }
  temp.assign(name.data());

  bool ok = writeAll(f.fd, bytes.data(), bytes.size(), limit);
  int failure = ok ? 0 : errno;
  if (ok && ::fsync(f.fd) != 0) {
    ok = false;
    failure = errno;
  }
  if (ok) {
    if (exists) {
      (void)::fchown(f.fd, st.st_uid, st.st_gid);
      (void)::fchmod(f.fd, st.st_mode & 07777);
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      (void)::fchmod(f.fd, 0666 & ~mask);
    }
  }
  if (::close(f.fd) != 0 && ok) {
    ok = false;
    failure = errno;
  }
  f.fd = -1;
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    failure = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    diag.notef("cannot write: %s; the old file is unchanged", std::strerror(failure));
    return MDLERR_IMAGEWRITEFAILED;
  }
  return 0;
}

}  // namespace

}  // namespace pixmend::host
