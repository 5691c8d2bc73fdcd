// Deleting a file as the applications' platform does: a read-only file (one without any write
// permission bit) and a directory are refused. We run as root, whom the permission bits would not
// stop, so the bits are checked here. Header-only: both the raster application's export and the
// utility library, which every application links on its own, delete files this one way.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

namespace pixmend {

inline bool hasWriteBit(const struct stat& st) { return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0; }

// 1 when the file was deleted; 0 for a null path, a missing file, a directory or a read-only file.
inline int deleteFileUnlessReadOnly(const char* path) {
  if (path == nullptr) return 0;
  struct stat st {};
  if (::lstat(path, &st) != 0 || S_ISDIR(st.st_mode)) return 0;
  if (S_ISREG(st.st_mode) && !hasWriteBit(st)) return 0;
  return ::unlink(path) == 0 ? 1 : 0;
}

}  // namespace pixmend
