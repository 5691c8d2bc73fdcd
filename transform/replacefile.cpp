// ReplacingFile: the host's replace policy (host/files/replace.hpp) as the application's own code.
#include "transform/replacefile.hpp"

#include "host/files/replace.hpp"

namespace pixmend {
namespace {

std::size_t& nextLimit() {
  static std::size_t limit = static_cast<std::size_t>(-1);
  return limit;
}

}  // namespace

ReplacingFile::ReplacingFile(const std::string& target) {
  const std::size_t limit = nextLimit();
  nextLimit() = static_cast<std::size_t>(-1);
  // An empty name would make a temporary in the current folder for a file that has no name.
  replacement_ = std::make_unique<replace::Replacement>(target.empty() ? std::string("/") : target, limit);
}

ReplacingFile::~ReplacingFile() = default;

bool ReplacingFile::ok() const { return replacement_->ok(); }
const std::string& ReplacingFile::temporaryPath() const { return replacement_->temporary(); }
bool ReplacingFile::write(const void* data, std::size_t size) { return replacement_->write(data, size); }
bool ReplacingFile::commit() { return replacement_->commit(); }
const std::string& ReplacingFile::error() const { return replacement_->error(); }

bool replaceFile(const std::string& path, const std::vector<unsigned char>& bytes, std::string* error) {
  ReplacingFile file(path);
  if (file.write(bytes.data(), bytes.size()) && file.commit()) return true;
  if (error != nullptr) *error = file.error();
  return false;
}

bool canReplace(const std::string& path) {
  return replace::canReplace(replace::followLinks(path), nullptr);
}

void failNextReplacementAfter(std::size_t bytes) {
  nextLimit() = bytes;
}

}  // namespace pixmend
