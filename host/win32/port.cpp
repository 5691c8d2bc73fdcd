// Copying a file to a printer port (see api.h): the port names of the other system mapped to
// devices and mounted shares here, and the copy itself through an OutputTarget, so a port is
// written in place and a file is replaced only when the copy is complete.
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include <mntent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/text.hpp"
#include "host/config/config.hpp"
#include "host/output/journal.hpp"
#include "host/plot/target.hpp"
#include "host/win32/api.h"

namespace pixmend::host {
namespace {

std::string slashes(std::string text) {
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  return text;
}

// "LPT1" to "LPT9" in any case: the port's number, else 0.
int parallelPort(const std::string& name) {
  if (name.size() != 4 || !text::equalIgnoringCase(name.substr(0, 3), "LPT") || name[3] < '1' || name[3] > '9') return 0;
  return name[3] - '0';
}

// The local path of "//server/share/rest" on a mounted share, or "" when that share is not
// mounted.
std::string mountedSharePath(const std::string& universal) {
  const auto shareEnd = universal.find('/', universal.find('/', 2) + 1);
  const std::string share = universal.substr(0, shareEnd);
  const std::string rest = shareEnd == std::string::npos ? "" : universal.substr(shareEnd);
  std::FILE* table = ::setmntent("/proc/self/mounts", "r");
  if (table == nullptr) return "";
  std::string local;
  while (const mntent* m = ::getmntent(table)) {
    if (text::equalIgnoringCase(slashes(m->mnt_fsname), share)) {
      local = std::string(m->mnt_dir) + rest;
      break;
    }
  }
  ::endmntent(table);
  return local;
}

int failCopy(const std::string& source, const std::string& port, const std::string& why, int code) {
  journal().append("win32", "cannot copy " + source + " to " + port + ": " + why);
  return code;
}

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlWin32_copyFileToPort(const char* port, const char* source) {
  if (port == nullptr || *port == '\0' || source == nullptr || *source == '\0') return MDLERR_BADARG;
  const std::string name = port;
  std::string target;
  if (const int n = parallelPort(name)) {
    const std::string variable = "PIXMEND_LPT" + std::to_string(n);
    const auto mapped = expandedVariable(variable);
    target = mapped && !mapped->empty() ? *mapped : "/dev/lp" + std::to_string(n - 1);
    // A port that is not there is refused: the copy must never leave a file where a device
    // belongs.
    struct stat device {};
    if (!(mapped && !mapped->empty()) && (::stat(target.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)))
      return failCopy(source, name, "no parallel port " + target, MDLERR_FILENOTFOUND);
  } else if (name.size() > 2 && name[0] == '\\' && name[1] == '\\') {
    target = mountedSharePath(slashes(name));
    if (target.empty()) return failCopy(source, name, "no such share is mounted", MDLERR_FILENOTFOUND);
  } else {
    target = slashes(name);
  }
  struct stat st {};
  if (::stat(source, &st) != 0 || !S_ISREG(st.st_mode)) return failCopy(source, name, "no such file", MDLERR_FILENOTFOUND);
  std::FILE* in = std::fopen(source, "rb");
  if (in == nullptr) return failCopy(source, name, "the file cannot be read", MDLERR_FILENOTFOUND);
  OutputTarget out(target);
  std::vector<char> buffer(1 << 16);
  bool readFailed = false;
  while (out.ok()) {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
    if (got > 0) out.write(buffer.data(), got);
    if (got < buffer.size()) {
      readFailed = std::ferror(in) != 0;
      break;
    }
  }
  std::fclose(in);
  if (readFailed) return failCopy(source, name, "the file cannot be read", MDLERR_FILENOTFOUND);
  if (!out.ok() || !out.commit()) return failCopy(source, name, target + ": " + out.error(), MDLERR_CANNOTOPENFILE);
  journal().append("win32", "copied " + std::string(source) + " to " + name +
                                (target != name ? " (" + target + ")" : std::string()));
  return SUCCESS;
}

}  // extern "C"
