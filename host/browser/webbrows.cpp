// WEBBROWS, the host's web browser application: the key-in "browse file PATH" shows a file and
// "browse url ADDRESS" a web address, by handing it to the desktop's opener (xdg-open, found
// along the configuration variable PATH) and not waiting for it. The host journals every program
// it starts; when there is no opener, or nothing to show, the error field says so.
//
// Uses only the host's C calls, as any application does.
#include <cctype>
#include <cstring>
#include <string>

#include "common/text.hpp"
#include "host/mdl.h"
#include "pixmend/export.h"

namespace {

constexpr unsigned kBrowseCommand = 0x7e010000u;

std::string trimmed(const char* text) {
  std::string s = text != nullptr ? text : "";
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

void browse(char* unparsed) {
  const std::string text = trimmed(unparsed);
  const auto blank = text.find_first_of(" \t");
  const std::string kind = text.substr(0, blank);
  std::string target = blank == std::string::npos ? "" : trimmed(text.c_str() + blank);
  const bool isFile = pixmend::text::equalIgnoringCase(kind, "file");
  if ((!isFile && !pixmend::text::equalIgnoringCase(kind, "url")) || target.empty()) {
    mdlOutput_printf(MSG_ERROR, "browse: give file PATH or url ADDRESS");
    return;
  }
  if (isFile) {
    char found[MAXFILELENGTH];
    if (mdlFile_find(found, target.c_str(), nullptr, nullptr) != SUCCESS) {
      mdlOutput_printf(MSG_ERROR, "browse: no file %s", target.c_str());
      return;
    }
    // A name that starts like an option is handed on as a path, never as an option.
    if (target[0] == '-') target = "./" + target;
  } else if (target[0] == '-') {
    mdlOutput_printf(MSG_ERROR, "browse: %s is not a web address", target.c_str());
    return;
  }
  char opener[MAXFILELENGTH];
  if (mdlFile_find(opener, "xdg-open", "PATH", nullptr) != SUCCESS) {
    mdlOutput_printf(MSG_ERROR, "browse: no web browser (xdg-open is not installed) for %s", target.c_str());
    return;
  }
  const char* argv[] = {target.c_str()};
  if (mdlExternal_extStartProgram(nullptr, opener, 1, argv, 0) != SUCCESS) {
    mdlOutput_printf(MSG_ERROR, "browse: the web browser could not be started for %s", target.c_str());
  }
}

}  // namespace

extern "C" PIXMEND_API int MdlMain(int argc, char* argv[]) {
  (void)argc;
  (void)argv;
  static MdlCommandNumber commands[] = {{browse, kBrowseCommand}, {nullptr, 0}};
  mdlSystem_registerCommandNumbers(commands);
  mdlParse_loadCommandTable(0);
  return 0;
}
