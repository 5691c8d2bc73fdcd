// Universal and short path names of the win32 group (see api.h and paths.hpp).
#include "host/win32/paths.hpp"

#include <mntent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "host/win32/api.h"

namespace pixmend::host {
namespace {

// The share a mount source names, "//server/share", or "" when it is no network share.
std::string shareOf(const std::string& source) {
  if (source.size() > 2 && (source.compare(0, 2, "//") == 0 || source.compare(0, 2, "\\\\") == 0)) {
    std::string share = source;
    for (char& c : share) {
      if (c == '\\') c = '/';
    }
    while (share.size() > 2 && share.back() == '/') share.pop_back();
    return share;
  }
  const std::size_t colon = source.find(":/");
  if (colon == std::string::npos || colon == 0 || source.find('/') < colon) return "";
  std::string exported = source.substr(colon + 1);
  while (exported.size() > 1 && exported.back() == '/') exported.pop_back();
  return "//" + source.substr(0, colon) + (exported == "/" ? "" : exported);
}

bool holds(const std::string& point, const std::string& path) {
  if (point == "/") return !path.empty() && path[0] == '/';
  return path.compare(0, point.size(), point) == 0 && (path.size() == point.size() || path[point.size()] == '/');
}

int copyOut(char* out, int size, const std::string& text) {
  if (text.size() >= static_cast<std::size_t>(size)) {
    out[0] = '\0';
    return MDLERR_TOOLARGE;
  }
  std::memcpy(out, text.c_str(), text.size() + 1);
  return SUCCESS;
}

}  // namespace

std::vector<Mount> currentMounts() {
  std::vector<Mount> mounts;
  std::FILE* table = ::setmntent("/proc/self/mounts", "r");
  if (table == nullptr) return mounts;
  while (const mntent* m = ::getmntent(table)) mounts.push_back({m->mnt_fsname, m->mnt_dir});
  ::endmntent(table);
  return mounts;
}

std::string universalName(const std::vector<Mount>& mounts, const std::string& path) {
  const Mount* innermost = nullptr;
  for (const Mount& m : mounts) {
    if (holds(m.point, path) && (innermost == nullptr || m.point.size() >= innermost->point.size())) innermost = &m;
  }
  if (innermost == nullptr) return "";
  const std::string share = shareOf(innermost->source);
  if (share.empty()) return "";
  const std::string rest = innermost->point == "/" ? path : path.substr(innermost->point.size());
  return share + rest;
}

}  // namespace pixmend::host

extern "C" {

int mdlWin32_getUniversalName(char* universal, int size, const char* path) {
  using namespace pixmend::host;
  if (universal == nullptr || size <= 0) return MDLERR_BADARG;
  universal[0] = '\0';
  if (path == nullptr || path[0] != '/') return MDLERR_BADARG;
  const std::string name = universalName(currentMounts(), path);
  if (name.empty()) return MDLERR_BADARG;
  return copyOut(universal, size, name);
}

int mdlWin32_getShortPathName(char* shortPath, int size, const char* path) {
  using namespace pixmend::host;
  if (shortPath == nullptr || size <= 0) return MDLERR_BADARG;
  shortPath[0] = '\0';
  struct stat st {};
  if (path == nullptr || ::stat(path, &st) != 0) return MDLERR_FILENOTFOUND;
  // Names here have no second, shorter spelling: a path is its own short form.
  return copyOut(shortPath, size, path);
}

}  // extern "C"
