// AtomicFile: the host's one way to replace a file (the policy is described in files.hpp, written
// once in replace.hpp), the probe of whether a file can be replaced, and the clean-up of the
// temporaries a killed write left.
#include <dirent.h>

#include "host/files/files.hpp"
#include "host/files/replace.hpp"
#include "host/lifecycle.hpp"

namespace pixmend::host {
namespace {

constexpr std::size_t kBufferBytes = std::size_t{1} << 16;

std::size_t& nextWriteLimit() {
  static std::size_t limit = static_cast<std::size_t>(-1);
  return limit;
}

std::size_t takeWriteLimit() {
  const std::size_t limit = nextWriteLimit();
  nextWriteLimit() = static_cast<std::size_t>(-1);  // the hook fires once
  return limit;
}

const bool registeredReset =
    registerReset("files.atomic", [] { nextWriteLimit() = static_cast<std::size_t>(-1); });

}  // namespace

std::string resolveLinks(const std::string& path) {
  return replace::followLinks(path);
}

bool isTemporaryOf(const std::string& entry, const std::string& targetName) {
  return replace::isTemporaryName(entry, targetName);
}

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {
  if (target_.empty()) {
    error_ = "no file name";
    return;
  }
  removeStaleTemporaries(target_);
  replacement_ = std::make_unique<replace::Replacement>(target_, takeWriteLimit());
  buffer_.reserve(kBufferBytes);
}

AtomicFile::~AtomicFile() = default;

bool AtomicFile::ok() const {
  return replacement_ != nullptr && replacement_->ok() && error_.empty();
}

const std::string& AtomicFile::error() const {
  return replacement_ != nullptr && error_.empty() ? replacement_->error() : error_;
}

bool AtomicFile::flush() {
  if (!replacement_->write(buffer_.data(), buffer_.size())) return false;
  buffer_.clear();
  return true;
}

bool AtomicFile::write(const void* data, std::size_t size) {
  if (!ok()) return false;
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const std::size_t take = std::min(kBufferBytes - buffer_.size(), size);
    buffer_.insert(buffer_.end(), p, p + take);
    p += take;
    size -= take;
    if (buffer_.size() == kBufferBytes && !flush()) return false;
  }
  return true;
}

bool AtomicFile::commit() {
  return ok() && flush() && replacement_->commit();
}

bool writeFileAtomically(const std::string& path, const void* data, std::size_t size, std::string* error) {
  AtomicFile file(path);
  if (file.write(data, size) && file.commit()) return true;
  if (error != nullptr) *error = file.error();
  return false;
}

bool canReplaceFile(const std::string& path, std::string* why) {
  return replace::canReplace(replace::followLinks(path), why);
}

int removeStaleTemporaries(const std::string& target) {
  const std::string resolved = replace::followLinks(target);
  const std::string folder = replace::folderOf(resolved);
  const std::string name = replace::nameOf(resolved);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (!replace::isTemporaryName(entry->d_name, name)) continue;
    const std::string path = (folder == "/" ? "/" : folder + "/") + entry->d_name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A lock that can be had means no live writer holds the temporary.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::unlink(path.c_str()) == 0)
      ++removed;
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}

void failNextAtomicWriteAfter(std::size_t bytes) {
  nextWriteLimit() = bytes;
}

}  // namespace pixmend::host
