// A whole input file mapped read-only: the readers work on its bytes in memory (empty files map
// to nothing). Only regular files are read, and opening never waits: a path naming a pipe
// without a writer, a device or a folder is refused at once, with a reason a user understands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pixmend {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // False when the file cannot be read: missing() says whether it is not there at all,
  // failure() why ("no such file", "a folder, not a file", ...).
  bool open(const char* path);
  bool missing() const { return missing_; }
  const std::string& failure() const { return failure_; }

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  bool fail(std::string why, bool missing = false);
  std::string failure_;
  bool missing_ = false;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  void* map_ = nullptr;
};

}  // namespace pixmend
