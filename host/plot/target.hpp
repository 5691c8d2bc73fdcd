// Where a plot or a copy to a printer port is written: a file, written beside its target and
// renamed over it when complete, or an existing character device or pipe (a printer port), which
// cannot be replaced and is written in place. Shared by the plot files and the port copy.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "host/files/files.hpp"

namespace pixmend::host {

class OutputTarget {
 public:
  // Opens `path` for writing. A directory is refused; a pipe is opened without waiting, so a
  // pipe nobody reads is refused at once instead of blocking the host. ok() tells the outcome
  // and error() why it failed.
  explicit OutputTarget(const std::string& path);
  ~OutputTarget();
  OutputTarget(const OutputTarget&) = delete;
  OutputTarget& operator=(const OutputTarget&) = delete;

  bool ok() const { return !failed_; }
  // True when the target is a device or pipe written in place.
  bool inPlace() const { return fd_ >= 0; }
  const std::string& error() const { return error_; }
  bool write(const void* data, std::size_t size);
  // Completes the output: a file replaces its target now. False when anything failed (the old
  // file is then as it was; a device keeps what it was sent).
  bool commit();

 private:
  std::unique_ptr<AtomicFile> file_;
  int fd_ = -1;
  bool failed_ = false;
  std::string error_;
};

}  // namespace pixmend::host
