// mdlFileList_get (declared with the file calls): directory entries matching a path or a filter,
// into a string list; kept with the string lists it fills, so that the files group, whose atomic
// writer the resource files use, needs nothing of the resources.
#include <algorithm>
#include <string>
#include <vector>

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include "host/files/api.h"
#include "host/resource/api.h"

namespace pixmend::host {
namespace {

constexpr int kMaxDepth = 32;

bool wanted(const struct stat& st, int attributes) {
  const bool dir = S_ISDIR(st.st_mode);
  if (attributes == FILELIST_DIRECTORIES) return dir;
  if (attributes == FILELIST_ALL) return true;
  return !dir;
}

bool hasWildcards(const std::string& text) {
  return text.find_first_of("*?[") != std::string::npos;
}

// Entries of `dir` whose names match `pattern`, with their subdirectories' when recursing.
bool scan(const std::string& dir, const std::string& pattern, int attributes, bool recurse, int depth,
          std::vector<std::string>& out) {
  DIR* handle = ::opendir(dir.c_str());
  if (handle == nullptr) return false;
  std::vector<std::string> subdirs;
  while (const dirent* entry = ::readdir(handle)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = (dir == "/" ? "" : dir) + "/" + name;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) continue;
    if (::fnmatch(pattern.c_str(), name.c_str(), FNM_PERIOD) == 0 && wanted(st, attributes))
      out.push_back(path);
    if (recurse && S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode)) subdirs.push_back(path);
    if (out.size() >= STRINGLIST_MAX_MEMBERS) break;
  }
  ::closedir(handle);
  if (depth < kMaxDepth) {
    for (const auto& sub : subdirs) {
      if (out.size() >= STRINGLIST_MAX_MEMBERS) break;
      scan(sub, pattern, attributes, recurse, depth + 1, out);
    }
  }
  return true;
}

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlFileList_get(struct StringList* list, int attributes, const char* path, const char* filter,
                    int recurse, int sorted) {
  if (list == nullptr || path == nullptr || *path == '\0' || mdlStringList_size(list) < 0)
    return MDLERR_BADARG;
  std::string where = path;
  while (where.size() > 1 && where.back() == '/') where.pop_back();
  std::vector<std::string> found;
  if (filter != nullptr && *filter != '\0') {
    if (!scan(where, filter, attributes, recurse != 0, 0, found)) return MDLERR_FILENOTFOUND;
  } else {
    const auto slash = where.rfind('/');
    const std::string last = slash == std::string::npos ? where : where.substr(slash + 1);
    if (hasWildcards(last)) {
      const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : where.substr(0, slash));
      if (!scan(dir, last, attributes, recurse != 0, 0, found)) return MDLERR_FILENOTFOUND;
    } else {
      struct stat st {};
      if (::stat(where.c_str(), &st) == 0 && wanted(st, attributes)) found.push_back(where);
    }
  }
  if (sorted != 0) std::sort(found.begin(), found.end());
  for (const auto& entry : found) {
    long index = 0;
    if (mdlStringList_insertMember(&index, list, -1, 1) != 0) break;  // the list is full
    mdlStringList_setMember(list, index, entry.c_str(), nullptr);
  }
  return SUCCESS;
}

}  // extern "C"
