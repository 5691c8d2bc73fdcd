// Browser and help: files and web addresses shown by the host's browser application WEBBROWS,
// and the application's manual and help file.
//   vxlibWeb_openFile / _openUrl   "browse file PATH" / "browse url ADDRESS" to WEBBROWS
//   vxlibWeb_openApplHelp          <base>doc/manual/<application><language>/index.htm
//   vxlibWeb_openApplChmHelp       <base>help/<application><language>.chm in the help viewer
//
// The base folder is the value of VX_LOCAL, else of VX_DIR; a '/' is added when it has none.
// The help viewer is the desktop's opener, xdg-open, found along PATH.
#include <cstdio>
#include <cstring>
#include <string>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

constexpr int kMsgBrowserNotLoaded = 19;  // list 20005
constexpr int kLanguageSuffix = 61;       // list 20007: "_en" and the like
constexpr std::size_t kKeyinSize = 500;
constexpr const char* kBrowser = "WEBBROWS";

// Loads the browser application when it is not loaded yet. False (after telling the user) when
// it cannot be loaded.
bool browserLoaded() {
  if (mdlSystem_findMdlDesc(kBrowser) != nullptr) return true;
  if (mdlSystem_loadMdlProgram(kBrowser, nullptr, nullptr) == SUCCESS) return true;
  rscMsgBox(kBoxOk, kErrorList, kMsgBrowserNotLoaded);
  return false;
}

int browse(const char* kind, const char* target) {
  if (target == nullptr) return VXLIB_ERROR;
  char keyin[kKeyinSize];
  const int n = std::snprintf(keyin, sizeof keyin, "browse %s %s", kind, target);
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof keyin) {
    // Cut short it would name another file or address: refused instead.
    toolSubsystem_printf("vxlibWeb: the %s is too long for the browser: %.80s...\n", kind, target);
    return VXLIB_ERROR;
  }
  if (!browserLoaded()) return VXLIB_ERROR;
  mdlInput_sendKeyin(keyin, 0, 0, nullptr);
  return 0;
}

// The base folder of the manual and the help file, ending in '/'; "" when neither VX_LOCAL nor
// VX_DIR is defined (or both are empty).
std::string baseFolder() {
  for (const char* name : {"VX_LOCAL", "VX_DIR"}) {
    const char* value = mdlSystem_getenv(name);
    if (value == nullptr || value[0] == '\0') continue;
    std::string base = value;
    if (base.back() != '/') base += '/';
    return base;
  }
  return "";
}

// Finds `first`, else `second`: 0 with the path in `found`, or the search's result.
int findEither(std::string* found, const std::string& first, const std::string& second) {
  char path[MAXFILELENGTH];
  int status = mdlFile_find(path, first.c_str(), nullptr, nullptr);
  if (status != SUCCESS) status = mdlFile_find(path, second.c_str(), nullptr, nullptr);
  if (status == SUCCESS) *found = path;
  return status;
}

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

int vxlibWeb_openFile(const char* path) { return browse("file", path); }

int vxlibWeb_openUrl(const char* address) { return browse("url", address); }

int vxlibWeb_openApplHelp(void) {
  const std::string base = baseFolder();
  if (base.empty()) return 0;
  const std::string application = vxlibMain_getApplicationName();
  const std::string language = languageText(kLanguageSuffix);
  std::string manual;
  const int status = findEither(&manual, base + "doc/manual/" + application + language + "/index.htm",
                                base + "doc/manual/" + application + "/index.htm");
  if (status != SUCCESS) return status;
  return vxlibWeb_openFile(manual.c_str());
}

int vxlibWeb_openApplChmHelp(void) {
  const std::string base = baseFolder();
  if (base.empty() || mdlSystem_getCfgVarLevel("PATH") < 0) return 0;
  const std::string application = vxlibMain_getApplicationName();
  const std::string language = languageText(kLanguageSuffix);
  std::string help;
  int status = findEither(&help, base + "help/" + application + language + ".chm", base + "help/" + application + ".chm");
  if (status != SUCCESS) return status;
  char viewer[MAXFILELENGTH];
  status = mdlFile_find(viewer, "xdg-open", "PATH", nullptr);
  if (status != SUCCESS) return status;
  if (help[0] == '-') help = "./" + help;  // a path, never an option of the viewer
  const char* argv[] = {help.c_str()};
  return mdlExternal_extStartProgram(nullptr, viewer, 1, argv, 0);
}

}  // extern "C"
