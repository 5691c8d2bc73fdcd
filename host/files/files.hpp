// The files group's C++ side: writing a file atomically, shared by the host's writers.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace pixmend::host {

// A file written beside its target under a temporary name and renamed over the target by
// commit(). Destroyed without a commit, it removes the temporary file and the target stays as
// it was. The new file gets the target's permission bits when the target exists.
class AtomicFile {
 public:
  explicit AtomicFile(std::string target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool ok() const { return file_ != nullptr && !failed_; }
  bool write(const void* data, std::size_t size);
  // Flushes, syncs and renames. False (and the target untouched) when anything failed.
  bool commit();
  const std::string& target() const { return target_; }

 private:
  std::string target_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

}  // namespace pixmend::host
