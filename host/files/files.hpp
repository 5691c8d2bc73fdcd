// The files group's C++ side: the host's one way to replace a file, shared by every host writer
// (image files, the design file, resource and preference files, PNG pictures, copies, text
// files), and the probe of whether a file can be replaced that way.
//
// The policy, written once in host/files/replace.hpp (the application side compiles its own copy
// of it, transform/replacefile.hpp):
//  - The new content goes to a temporary file beside the target, named ".NAME.pixmend-XXXXXX"
//    (NAME cut to 200 bytes, X letters and digits), which no reader takes for the file. A
//    symbolic link is followed to the file it finally names, which is replaced; the link stays.
//  - The temporary is locked (flock) while it is written. One left behind by a process that died
//    is unlocked, and is removed by the next write of the same target and when the host opens
//    the target (removeStaleTemporaries); one being written by a live process is left alone.
//  - Writes are retried after EINTR and partial writes. The file is synced, given the target's
//    permission bits and owner (a new file: 0666 less the umask), renamed over the target, and
//    the folder is synced so that the rename survives a crash.
//  - Any failure, and destruction without a commit, removes the temporary; the target is then
//    exactly as it was.
//  - A target that is not a regular file, or that has no write permission bit at all, is
//    refused: we run as root, whom permission bits do not stop, and a rename would replace a
//    file its owner protected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pixmend::replace {
class Replacement;
}

namespace pixmend::host {

class AtomicFile {
 public:
  // Creates the temporary file at once; ok() says whether that worked.
  explicit AtomicFile(std::string target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool ok() const;
  // Appends bytes (buffered). False once anything has failed.
  bool write(const void* data, std::size_t size);
  // Flushes, syncs, renames over the target and syncs the folder. False (the target untouched,
  // the temporary removed) when anything failed.
  bool commit();
  // The name given; the file actually replaced may be the one a link points to.
  const std::string& target() const { return target_; }
  // Why the write failed, for the user ("no space left on device", "the file is read-only",
  // "cannot create a temporary file in DIR: ..."); empty while all is well.
  const std::string& error() const;

 private:
  bool flush();

  std::string target_;
  std::unique_ptr<replace::Replacement> replacement_;
  std::vector<std::uint8_t> buffer_;
  std::string error_;
};

// Writes `size` bytes to `path` through an AtomicFile. False with the reason in *error.
bool writeFileAtomically(const std::string& path, const void* data, std::size_t size, std::string* error);

// Whether `path` could be replaced by an AtomicFile now: an existing regular file with a write
// permission bit, not mounted on its own (nothing can be renamed over a mount point), in a folder
// where a temporary file can be created (tried, then removed: the only test that tells as root,
// and the one that sees read-only mounts and full quotas).
// A missing file is replaceable when its folder takes one. False with the reason in *why.
bool canReplaceFile(const std::string& path, std::string* why = nullptr);

// `path` with every symbolic link followed to the last name (which need not exist).
std::string resolveLinks(const std::string& path);

// Whether a folder entry named `entry` is a temporary of an AtomicFile writing `targetName`
// (the target's last name component, links resolved).
bool isTemporaryOf(const std::string& entry, const std::string& targetName);

// Removes the temporaries beside `target` (links resolved) that no live process is writing:
// what a write killed part-way left. Returns how many were removed.
int removeStaleTemporaries(const std::string& target);

// Test hook: the next AtomicFile stops after `bytes` bytes with "no space left on device", once.
void failNextAtomicWriteAfter(std::size_t bytes);

}  // namespace pixmend::host
