// The application side's way to replace a file (the photometric change and the tiled-to-strip
// conversion use it): the host's replace policy (host/files/files.hpp), compiled into the
// application from the policy's inline code (host/files/replace.hpp), since the application
// calls the host only through the host's C functions.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace pixmend {

namespace replace {
class Replacement;
}

class ReplacingFile {
 public:
  explicit ReplacingFile(const std::string& target);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  bool ok() const;
  // The temporary's name, for libraries that open files by name (libtiff): what they write
  // there is part of the new file.
  const std::string& temporaryPath() const;
  bool write(const void* data, std::size_t size);
  // Syncs, renames over the target, syncs the folder. False (target untouched) on failure.
  bool commit();
  // Why it failed ("no space left on device", "the file is read-only", ...); empty while well.
  const std::string& error() const;

 private:
  std::unique_ptr<replace::Replacement> replacement_;
};

// Replaces `path` with `bytes`. False with the reason in *error.
bool replaceFile(const std::string& path, const std::vector<unsigned char>& bytes, std::string* error);

// Whether a ReplacingFile of `path` (links followed) could succeed now: the policy's probe, the
// same as the host's canReplaceFile (the folder tried with a temporary, then removed).
bool canReplace(const std::string& path);

// Test hook: the next ReplacingFile stops after `bytes` bytes with "no space left on device".
void failNextReplacementAfter(std::size_t bytes);

}  // namespace pixmend
