// A raster file on disk as the session sees it (see rasterfile.hpp):
//   identifyFile / changedSince / fileDigest   identity and digest
//   readSmallFile                              a short file read whole
//   reserveNewName / sameFile / baseName       names of files
//
// The digest reads the file in blocks of 64 KiB and mixes it eight bytes at a time (a multiply
// and a shift per word), then the length: cheap beside the Group 4 coding of a write-back, and
// any change of bytes or length changes it but with a chance of 2^-64. It guards against
// accidents (another program, another user's backup), not against someone forging a file.
#include "app/rasterfile.hpp"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace pixmend::app {
namespace {

constexpr std::size_t kBlock = 64 * 1024;
constexpr std::uint64_t kSeed = 0x50584d4456585231ull;  // any odd start will do
constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;

std::uint64_t mix(std::uint64_t h, std::uint64_t word) {
  h = (h ^ word) * kMultiplier;
  return h ^ (h >> 32);
}

// Fills `buffer` from `fd` until it is full or the file ends: the count read, or -1.
long long readBlock(int fd, unsigned char* buffer, std::size_t size) {
  std::size_t filled = 0;
  while (filled < size) {
    const ssize_t n = ::read(fd, buffer + filled, size - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    filled += static_cast<std::size_t>(n);
  }
  return static_cast<long long>(filled);
}

// Opens a regular file for reading without waiting on it (a pipe or a device is refused).
int openRegular(const std::string& path, struct stat* st) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool digestOf(int fd, std::uint64_t* digest, long long* size) {
  std::vector<unsigned char> buffer(kBlock);
  std::uint64_t h = kSeed;
  long long total = 0;
  for (;;) {
    const long long n = readBlock(fd, buffer.data(), buffer.size());
    if (n < 0) return false;
    const auto count = static_cast<std::size_t>(n);
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
      std::uint64_t word = 0;
      for (int b = 0; b < 8; ++b) word |= static_cast<std::uint64_t>(buffer[i + b]) << (8 * b);
      h = mix(h, word);
    }
    if (i < count) {  // only the last block has a tail
      std::uint64_t word = 0;
      for (std::size_t b = 0; i + b < count; ++b) word |= static_cast<std::uint64_t>(buffer[i + b]) << (8 * b);
      h = mix(h, word);
    }
    total += n;
    if (count < buffer.size()) break;
  }
  *digest = mix(h, static_cast<std::uint64_t>(total));
  *size = total;
  return true;
}

long long nanoseconds(const struct timespec& t) {
  return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (std::filesystem::exists(a, error) && std::filesystem::exists(b, error))
    return std::filesystem::equivalent(a, b, error) && !error;
  const auto absoluteA = std::filesystem::absolute(a, error).lexically_normal();
  const auto absoluteB = std::filesystem::absolute(b, error).lexically_normal();
  return !error && absoluteA == absoluteB;
}

std::string baseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool fileDigest(const std::string& path, std::uint64_t* digest, long long* size) {
  struct stat st {};
  const int fd = openRegular(path, &st);
  if (fd < 0) return false;
  const bool read = digestOf(fd, digest, size);
  ::close(fd);
  return read;
}

bool readSmallFile(const std::string& path, std::size_t limit, std::string* text) {
  struct stat st {};
  const int fd = openRegular(path, &st);
  if (fd < 0) return false;
  std::vector<unsigned char> buffer(limit + 1);
  const long long n = readBlock(fd, buffer.data(), buffer.size());
  ::close(fd);
  if (n < 0 || static_cast<std::size_t>(n) > limit) return false;
  text->assign(buffer.begin(), buffer.begin() + n);
  return true;
}

bool identifyFile(const std::string& path, FileIdentity* out) {
  *out = FileIdentity();
  out->path = path;
  struct stat st {};
  const int fd = openRegular(path, &st);
  if (fd < 0) return false;
  std::uint64_t digest = 0;
  long long size = 0;
  const bool read = digestOf(fd, &digest, &size);
  ::close(fd);
  if (!read) return false;
  out->known = true;
  out->size = size;
  out->modifiedNs = nanoseconds(st.st_mtim);
  out->digest = digest;
  return true;
}

bool changedSince(const FileIdentity& known) {
  if (!known.known) return false;
  std::uint64_t digest = 0;
  long long size = 0;
  if (!fileDigest(known.path, &digest, &size)) return true;  // gone, or no longer a file
  return size != known.size || digest != known.digest;
}

std::string reserveNewName(const std::string& path, const char* tag) {
  const std::string base = baseName(path);
  const std::string folder = path.substr(0, path.size() - base.size());
  // The extension is the part from the last dot of the name itself; a leading dot belongs to it.
  const auto dot = base.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot > 0;
  const std::string stem = hasExtension ? base.substr(0, dot) : base;
  const std::string extension = hasExtension ? base.substr(dot) : "";
  for (int n = 1; n <= 99; ++n) {
    char number[8] = "";
    if (n > 1) std::snprintf(number, sizeof number, "-%d", n);
    const std::string name = folder + stem + "." + tag + number + extension;
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return name;
    }
    if (errno != EEXIST) return "";
  }
  return "";
}

}  // namespace pixmend::app
