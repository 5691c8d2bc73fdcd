// Files and folders for the file dialogs: the files of a folder matching a filter, its
// subfolders, and the recursive search. Filters hold patterns separated by ';' ("*.dgn;*.dwg"),
// matched without regard to case as users of the drawings' file names expect. Everything is
// sorted by name so that a dialog lists the same folder the same way every time.
//
// The search follows no symbolic links to folders (a link back up would never end) and goes at
// most kMaxDepth folders deep; it stops adding once the list is full.
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "vxlib/services/dialog/selection.hpp"

namespace pixmend::vxlib::selection {
namespace {

constexpr int kMaxDepth = 64;
constexpr long kMaxFound = 32767;

std::vector<std::string> patternsOf(const std::string& filter) {
  std::vector<std::string> out;
  std::size_t from = 0;
  for (;;) {
    const std::size_t semicolon = filter.find(';', from);
    std::string p = filter.substr(from, semicolon == std::string::npos ? std::string::npos : semicolon - from);
    while (!p.empty() && p.front() == ' ') p.erase(p.begin());
    while (!p.empty() && p.back() == ' ') p.pop_back();
    if (!p.empty()) out.push_back(p);
    if (semicolon == std::string::npos) return out;
    from = semicolon + 1;
  }
}

// Entries of `directory` (ending in '/'), sorted: folders (not followed through links) or files.
std::vector<std::string> entries(const std::string& directory, bool folders) {
  std::vector<std::string> out;
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return out;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (::lstat((directory + name).c_str(), &info) != 0) continue;
    if (folders ? S_ISDIR(info.st_mode) : !S_ISDIR(info.st_mode) && (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode))) {
      out.push_back(name);
    }
  }
  ::closedir(dir);
  std::sort(out.begin(), out.end());
  return out;
}

bool matches(const std::string& name, const std::string& pattern) {
  return ::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

void searchOne(const std::string& directory, const std::string& pattern, StringList* out, int depth) {
  if (depth > kMaxDepth) return;
  const std::string d = directory.empty() || directory.back() != '/' ? directory + "/" : directory;
  for (const auto& sub : entries(d, true)) searchOne(d + sub, pattern, out, depth + 1);
  for (const auto& name : entries(d, false)) {
    if (!matches(name, pattern) || mdlStringList_size(out) >= kMaxFound) continue;
    long index = 0;
    if (mdlStringList_insertMember(&index, out, -1, 1) == 0) mdlStringList_setMember(out, index, (d + name).c_str(), nullptr);
  }
}

}  // namespace

std::vector<std::string> matchingFiles(const std::string& directory, const std::string& filter) {
  const auto patterns = patternsOf(filter);
  std::vector<std::string> out;
  for (const auto& name : entries(directory, false)) {
    if (std::any_of(patterns.begin(), patterns.end(), [&](const std::string& p) { return matches(name, p); }))
      out.push_back(name);
  }
  return out;
}

std::vector<std::string> subdirectories(const std::string& directory) { return entries(directory, true); }

void searchFiles(const std::string& directory, const std::string& filter, StringList* out) {
  if (out == nullptr) return;
  for (const auto& pattern : patternsOf(filter)) searchOne(directory, pattern, out, 0);
}

}  // namespace pixmend::vxlib::selection
