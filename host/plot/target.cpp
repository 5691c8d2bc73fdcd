// OutputTarget (see target.hpp): an atomic file, or a device or pipe written in place.
#include "host/plot/target.hpp"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixmend::host {

OutputTarget::OutputTarget(const std::string& path) {
  if (path.empty()) {
    failed_ = true;
    error_ = "no name";
    return;
  }
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    failed_ = true;
    error_ = "a directory";
    return;
  }
  if (exists && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))) {
    // O_NONBLOCK: a pipe without a reader answers ENXIO instead of waiting for one; a device
    // that is not ready answers at once too. Writes then block as usual.
    fd_ = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
      failed_ = true;
      error_ = errno == ENXIO ? "nothing reads from it" : std::strerror(errno);
      return;
    }
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    return;
  }
  errno = 0;
  file_ = std::make_unique<AtomicFile>(path);
  if (!file_->ok()) {
    failed_ = true;
    error_ = errno != 0 ? std::strerror(errno) : "cannot be created";
  }
}

OutputTarget::~OutputTarget() {
  if (fd_ >= 0) ::close(fd_);
}

bool OutputTarget::write(const void* data, std::size_t size) {
  if (failed_) return false;
  if (file_ != nullptr) {
    if (!file_->write(data, size)) {
      failed_ = true;
      error_ = "write failed";
    }
    return !failed_;
  }
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed_ = true;
      error_ = std::strerror(errno != 0 ? errno : EIO);
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool OutputTarget::commit() {
  if (failed_) return false;
  if (file_ != nullptr) {
    if (!file_->commit()) {
      failed_ = true;
      error_ = "could not replace the file";
    }
    return !failed_;
  }
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (!closed) {
    failed_ = true;
    error_ = std::strerror(errno);
  }
  return !failed_;
}

}  // namespace pixmend::host
