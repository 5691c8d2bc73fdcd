// What the raster session knows of a raster file on disk, and where edits go when they may not
// go over it:
//   identifyFile / changedSince   the file as the session last saw it, and whether the file on
//                                 disk is still that one
//   fileDigest                    a digest of a file's bytes (the backup's record uses it too)
//   readSmallFile                 a short file read whole (the backup's record)
//   reserveNewName                a new, empty file under a name that says what it holds
//
// Why a digest beside the times: another program may write a file within the time stamp's
// granularity, or keep its size; and a file touched, or copied back unchanged, is still the same
// drawing. Equal bytes decide.
#pragma once

#include <cstdint>
#include <string>

namespace pixmend::app {

struct FileIdentity {
  bool known = false;  // false: there was no regular file to identify
  std::string path;
  long long size = -1;
  long long modifiedNs = 0;  // modification time, nanoseconds since the epoch
  std::uint64_t digest = 0;
};

// The identity of the regular file `path` (its bytes read once for the digest). False, with
// `out->known` false, when it is missing, not a regular file or cannot be read.
bool identifyFile(const std::string& path, FileIdentity* out);

// True when the file `known.path` is no longer the one identified: gone, or holding other bytes.
// An unknown identity (nothing was identified) counts as unchanged: there is nothing to compare.
bool changedSince(const FileIdentity& known);

// The digest and size of the regular file `path`. False when it cannot be read.
bool fileDigest(const std::string& path, std::uint64_t* digest, long long* size);

// Reads the whole regular file `path` of at most `limit` bytes into `text`. False for anything
// else (missing, larger, a pipe or a device, which is never waited on).
bool readSmallFile(const std::string& path, std::size_t limit, std::string* text);

// Creates a new, empty file named after `path` with `tag` before its extension
// ("plan/scan.tif", "vxraster-edits" -> "plan/scan.vxraster-edits.tif", then
// "scan.vxraster-edits-2.tif", ...), so that no other file is ever taken for it; the caller
// writes over it (atomically) or removes it. The name, or "" when none could be created.
std::string reserveNewName(const std::string& path, const char* tag);

// True when `a` and `b` name the same file: the same file on disk when both exist, else the same
// absolute path once "." and ".." are taken out.
bool sameFile(const std::string& a, const std::string& b);

// The name part of a path ("plan/scan.tif" -> "scan.tif").
std::string baseName(const std::string& path);

}  // namespace pixmend::app
