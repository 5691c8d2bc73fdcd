// Finding, splitting, copying and abbreviating file names (see api.h).
#include "host/files/files.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/config/config.hpp"
#include "host/files/api.h"
#include "host/output/journal.hpp"

namespace pixmend::host {

namespace {

void copyCut(char* out, std::size_t size, const std::string& text) {
  if (out == nullptr || size == 0) return;
  const std::size_t n = std::min(size - 1, text.size());
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

bool isFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool hasExtension(const std::string& path) {
  const auto slash = path.rfind('/');
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  const auto dot = base.rfind('.');
  return dot != std::string::npos && dot != 0;
}

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlFile_find(char* found, const char* name, const char* cfgVar, const char* defaultExt) {
  if (found != nullptr) found[0] = '\0';
  if (name == nullptr || *name == '\0') return MDLERR_BADARG;
  std::string wanted = expandText(name);
  if (wanted.empty()) return MDLERR_FILENOTFOUND;
  if (defaultExt != nullptr && *defaultExt != '\0' && !hasExtension(wanted)) {
    wanted += ".";
    wanted += (*defaultExt == '.') ? defaultExt + 1 : defaultExt;
  }
  std::vector<std::string> candidates;
  if (wanted.find('/') != std::string::npos) {
    candidates.push_back(wanted);
  } else {
    if (cfgVar != nullptr) {
      if (auto dirs = expandedVariable(cfgVar)) {
        for (auto& dir : splitPathList(*dirs))
          candidates.push_back(dir + (dir.back() == '/' ? "" : "/") + wanted);
      }
    }
    candidates.push_back(wanted);
  }
  for (const auto& path : candidates) {
    if (path.size() < MAXFILELENGTH && isFile(path)) {
      copyCut(found, MAXFILELENGTH, path);
      return SUCCESS;
    }
  }
  return MDLERR_FILENOTFOUND;
}

int mdlFile_parseName(const char* fileName, char* device, char* directory, char* name, char* extension) {
  if (fileName == nullptr) return MDLERR_BADARG;
  const std::string path = fileName;
  const auto slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string ext;
  const auto dot = base.rfind('.');
  if (dot != std::string::npos && dot != 0) {
    ext = base.substr(dot + 1);
    base.resize(dot);
  }
  copyCut(device, MAXDEVICELENGTH, "");
  copyCut(directory, MAXDIRLENGTH, dir);
  copyCut(name, MAXNAMELENGTH, base);
  copyCut(extension, MAXEXTENSIONLENGTH, ext);
  return SUCCESS;
}

int mdlFile_copy(const char* destination, const char* source) {
  if (destination == nullptr || source == nullptr || *destination == '\0' || *source == '\0')
    return MDLERR_BADARG;
  struct stat from {
  }, to{};
  if (::stat(source, &from) != 0 || S_ISDIR(from.st_mode)) return MDLERR_FILENOTFOUND;
  if (::stat(destination, &to) == 0 && to.st_dev == from.st_dev && to.st_ino == from.st_ino) return SUCCESS;
  std::FILE* in = std::fopen(source, "rb");
  if (in == nullptr) return MDLERR_FILENOTFOUND;
  AtomicFile out(destination);
  std::vector<char> buffer(1 << 16);
  bool readFailed = false;
  while (out.ok()) {
    const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in);
    if (n > 0) out.write(buffer.data(), n);
    if (n < buffer.size()) {
      readFailed = std::ferror(in) != 0;
      break;
    }
  }
  std::fclose(in);
  if (readFailed) return MDLERR_FILENOTFOUND;
  if (!out.commit()) return MDLERR_CANNOTOPENFILE;
  journal().append("file", std::string("copied ") + source + " to " + destination);
  return SUCCESS;
}

int mdlFile_abbreviateName(char* out, int maxChars, const char* name) {
  if (out == nullptr || name == nullptr || maxChars < 0) return MDLERR_BADARG;
  const std::string path = name;
  const auto limit = static_cast<std::size_t>(maxChars);
  if (path.size() <= limit) {
    copyCut(out, limit + 1, path);
    return SUCCESS;
  }
  const std::string dots = "...";
  const auto slash = path.rfind('/');
  const std::string tail = slash == std::string::npos ? path : path.substr(slash);  // "/name.ext"
  if (tail.size() + dots.size() <= limit) {
    // Keep as much of the start as fits in front of ".../name.ext", ending at a directory.
    std::string head = path.substr(0, limit - tail.size() - dots.size());
    const auto lastSlash = head.rfind('/');
    if (lastSlash != std::string::npos && lastSlash > 0) head.resize(lastSlash + 1);
    copyCut(out, limit + 1, head + dots + tail);
    return SUCCESS;
  }
  if (limit <= dots.size()) {
    copyCut(out, limit + 1, path.substr(path.size() - limit));
    return SUCCESS;
  }
  copyCut(out, limit + 1, dots + path.substr(path.size() - (limit - dots.size())));
  return SUCCESS;
}

}  // extern "C"
