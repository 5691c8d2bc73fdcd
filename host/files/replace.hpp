// The replace-a-file policy itself, written once and inline so that both sides compile their own
// copy: the host (AtomicFile, host/files/files.hpp) and the application (ReplacingFile,
// transform/replacefile.hpp), which may call the host only through C functions. The policy is
// described in files.hpp; tests/host/files/atomicfile_test.cpp tests it through both writers.
//
// Contents: followLinks, temporaryPrefix / isTemporaryName, createTemporary, syncFolder,
// Replacement (one temporary: write, commit, or removal), and the probe of whether a file can be
// replaced now (folderTakesNewFile, isMountPoint, canReplace).
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <string>

namespace pixmend::replace {

inline constexpr std::size_t kNameKept = 200;  // of the target's name, in its temporary's
inline constexpr int kRandomLetters = 6;

// `path` with every symbolic link followed to the last name (which need not exist); relative
// links count from the link's folder.
inline std::string followLinks(std::string path) {
  for (int depth = 0; depth < 40; ++depth) {
    char link[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
    if (n <= 0) return path;
    std::string next(link, static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    if (next[0] != '/' && slash != std::string::npos) next = path.substr(0, slash + 1) + next;
    path = next;
  }
  return path;
}

inline std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

inline std::string nameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ".NAME.pixmend-": what every temporary of a target called NAME starts with.
inline std::string temporaryPrefix(const std::string& targetName) {
  return "." + targetName.substr(0, kNameKept) + ".pixmend-";
}

// Whether folder entry `entry` is a temporary of a target called `targetName`.
inline bool isTemporaryName(const std::string& entry, const std::string& targetName) {
  const std::string prefix = temporaryPrefix(targetName);
  if (entry.size() != prefix.size() + kRandomLetters || entry.compare(0, prefix.size(), prefix) != 0) return false;
  return std::all_of(entry.begin() + static_cast<std::ptrdiff_t>(prefix.size()), entry.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  });
}

// Creates a new temporary beside `resolved` (mode 0666 less the umask, as any new file) and
// locks it: an unlocked temporary is one whose writer died. The descriptor, or -1 (errno set).
inline int createTemporary(const std::string& resolved, std::string* name) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  const std::string folder = folderOf(resolved);
  const std::string prefix = (folder == "/" ? "/" : folder + "/") + temporaryPrefix(nameOf(resolved));
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char random[kRandomLetters];
    if (getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
      // Without the kernel's generator: O_EXCL still makes a collision harmless.
      const auto seed = static_cast<unsigned long>(::getpid()) * 2654435761u + static_cast<unsigned>(attempt);
      for (int i = 0; i < kRandomLetters; ++i) random[i] = static_cast<unsigned char>(seed >> (i * 5));
    }
    std::string candidate = prefix;
    for (unsigned char r : random) candidate += kLetters[r % (sizeof kLetters - 1)];
    int fd;
    do {
      fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    *name = candidate;
    return fd;
  }
  errno = EEXIST;
  return -1;
}

// Syncs a folder so that a rename in it survives a crash. Some file systems refuse (EINVAL);
// the rename is then as durable as they make it.
inline void syncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  while (::fsync(fd) != 0 && errno == EINTR) {
  }
  ::close(fd);
}

inline std::string describeError(int error) {
  return error == ENOSPC ? std::string("no space left on device") : std::string(std::strerror(error));
}

// One replacement of `target`: a locked temporary beside the file a link finally names, written
// (EINTR and partial writes retried), then synced, given the old file's mode and owner, renamed
// and its folder synced - or removed, leaving the target as it was. `limit` (a test hook) makes
// writes beyond that many bytes fail as a full disk would.
class Replacement {
 public:
  explicit Replacement(const std::string& target, std::size_t limit = static_cast<std::size_t>(-1))
      : limit_(limit) {
    resolved_ = followLinks(target);
    struct stat st {};
    if (::stat(resolved_.c_str(), &st) == 0) {
      if (!S_ISREG(st.st_mode)) {
        fail("it is not a regular file");
        return;
      }
      // We run as root, whom permission bits do not stop: a file without any write bit is one
      // its owner protected, and a rename would replace it.
      if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        fail("the file is read-only");
        return;
      }
      exists_ = true;
      owner_ = st.st_uid;
      group_ = st.st_gid;
      mode_ = st.st_mode & 07777;
    }
    fd_ = createTemporary(resolved_, &temporary_);
    if (fd_ < 0) fail("cannot create a temporary file in " + folderOf(resolved_) + ": " + std::strerror(errno));
  }
  ~Replacement() {
    if (fd_ >= 0) ::close(fd_);
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
  }
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

  bool ok() const { return fd_ >= 0 && error_.empty(); }
  const std::string& resolved() const { return resolved_; }
  const std::string& temporary() const { return temporary_; }
  const std::string& error() const { return error_; }

  bool write(const void* data, std::size_t size) {
    if (!ok()) return false;
    const auto* p = static_cast<const unsigned char*>(data);
    while (size > 0) {
      std::size_t chunk = size;
      if (written_ + chunk > limit_) {
        chunk = limit_ > written_ ? limit_ - written_ : 0;
        if (chunk == 0) return fail(describeError(ENOSPC));
      }
      const ssize_t n = ::write(fd_, p, chunk);
      if (n < 0) {
        if (errno == EINTR) continue;
        return fail(describeError(errno));
      }
      if (n == 0) return fail(describeError(ENOSPC));
      p += n;
      size -= static_cast<std::size_t>(n);
      written_ += static_cast<std::size_t>(n);
    }
    return true;
  }

  bool commit() {
    if (!ok()) return false;
    int rc;
    while ((rc = ::fsync(fd_)) != 0 && errno == EINTR) {
    }
    if (rc != 0) return fail(describeError(errno));
    if (exists_) {
      // Root gives the file back to its owner; anyone else keeps what they may (EPERM ignored).
      (void)::fchown(fd_, owner_, group_);
      if (::fchmod(fd_, mode_) != 0) return fail(describeError(errno));
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) return fail(describeError(errno));
    if (::rename(temporary_.c_str(), resolved_.c_str()) != 0) return fail(describeError(errno));
    temporary_.clear();
    syncFolder(folderOf(resolved_));
    return true;
  }

 private:
  bool fail(const std::string& why) {
    if (error_.empty()) error_ = why;
    return false;
  }

  std::string resolved_, temporary_, error_;
  int fd_ = -1;
  bool exists_ = false;
  uid_t owner_ = 0;
  gid_t group_ = 0;
  mode_t mode_ = 0;
  std::size_t written_ = 0, limit_;
};

// Whether the folder of `resolved` takes a new file now: tried by creating and removing a
// temporary, the only test that tells as root and that sees read-only mounts and full disks.
inline bool folderTakesNewFile(const std::string& resolved, int* error = nullptr) {
  std::string probe;
  const int fd = createTemporary(resolved, &probe);
  if (fd < 0) {
    if (error != nullptr) *error = errno;
    return false;
  }
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

// True when `resolved` is where a file system, or a single file bound from elsewhere, is
// mounted: nothing can be renamed over it (EBUSY), whatever its folder allows.
inline bool isMountPoint(const std::string& resolved) {
#if defined(STATX_ATTR_MOUNT_ROOT)
  struct statx sx {};
  if (::statx(AT_FDCWD, resolved.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &sx) == 0 &&
      (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0)
    return (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
#endif
  // Without the attribute, a file on another device than its folder is a mount point too.
  struct stat file {}, folder {};
  return ::stat(resolved.c_str(), &file) == 0 && ::stat(folderOf(resolved).c_str(), &folder) == 0 &&
         file.st_dev != folder.st_dev;
}

// Whether a Replacement of `resolved` could succeed now: an existing file must be a regular file
// with a write permission bit that is not mounted on its own, and its folder must take a new file
// (a missing file only the latter). False with the reason in *why (may be null).
inline bool canReplace(const std::string& resolved, std::string* why) {
  auto no = [&](const std::string& reason) {
    if (why != nullptr) *why = reason;
    return false;
  };
  struct stat st {};
  if (::stat(resolved.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return no("it is not a regular file");
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return no("the file is read-only");
    if (isMountPoint(resolved)) return no("the file is mounted on its own: nothing can be renamed over it");
  } else if (errno != ENOENT) {
    return no(std::strerror(errno));
  }
  int error = 0;
  if (!folderTakesNewFile(resolved, &error))
    return no("no file can be created in " + folderOf(resolved) + ": " + std::strerror(error));
  return true;
}

}  // namespace pixmend::replace
