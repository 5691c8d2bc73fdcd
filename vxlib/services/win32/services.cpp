// The operating-system services of the Win32 family beside the spreadsheet link (dde.cpp):
//   vxlibWin32_findWindowsPrinterNames   the printers of other machines, the system printer marked
//   vxlibWin32_execCommand               a command line through the command interpreter
//   vxlibWin32_execCommandAndWait        a program started at idle priority and waited for
//   vxlibWin32_getRegistryValue          a value of the current user, else of the machine
//   vxlibWin32_getGetUniversalFileName   the universal name of a path on a network mount
//   vxlibFile_delete, vxlibFile_GetShortPathName
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/filedelete.hpp"
#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

constexpr std::size_t kCommandBytes = 1024;
constexpr int kUniversalBytes = 260;
constexpr int kShortPathBytes = 256;

// "command arguments" (no trailing space without arguments); false when it does not fit the
// command buffer, terminator included. A command cut short could run something else than asked,
// so it is never run.
bool joinCommand(const char* command, const char* arguments, std::string* line) {
  *line = command != nullptr ? command : "";
  if (arguments != nullptr) *line += std::string(" ") + arguments;
  return line->size() < kCommandBytes;
}

// A command line split as the other system splits one for a new process: at blanks and tabs,
// a double-quoted part is one word (the quotes go), \" is a quote.
std::vector<std::string> splitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\\' && i + 1 < line.size() && line[i + 1] == '"') {
      word += '"';
      inWord = true;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

// The name of the system printer, "" when there is none. The system printer's driver only exists
// where the workspace has one; the printer it prints to is the printing system's default.
std::string systemPrinterName() {
  char root[MAXFILELENGTH] = "";
  if (mdlSystem_expandCfgVar(root, sizeof root, "$(_USTN_WORKSPACEROOT)") != SUCCESS || root[0] == '\0') return "";
  std::string driver = root;
  if (driver.back() != '/') driver += '/';
  driver += "System/plotdrv/printer.plt";
  if (std::FILE* f = std::fopen(driver.c_str(), "rb")) {
    std::fclose(f);
  } else {
    return "";
  }
  char name[256] = "";
  return mdlPlot_getSystemPrinterName(name, sizeof name) == SUCCESS ? name : "";
}

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

StringList* vxlibWin32_findWindowsPrinterNames(void) {
  const int flags = WIN32_PRINTER_ENUM_LOCAL | WIN32_PRINTER_ENUM_CONNECTIONS;
  const int count = mdlWin32_enumPrinters(nullptr, 0, flags);
  if (count <= 0) return nullptr;
  std::vector<Win32PrinterInfo> printers(static_cast<std::size_t>(count));
  const int read = mdlWin32_enumPrinters(printers.data(), count, flags);
  if (read <= 0) return nullptr;
  printers.resize(static_cast<std::size_t>(std::min(read, count)));
  const std::string systemPrinter = systemPrinterName();
  StringList* list = mdlStringList_create(0, 2);
  if (list == nullptr) return nullptr;
  for (const Win32PrinterInfo& p : printers) {
    if (p.serverName[0] == '\0') continue;  // printers of this machine are not listed
    long index = 0;
    if (mdlStringList_insertMember(&index, list, -1, 1) != SUCCESS) break;
    char path[520];
    if (p.shareName[0] != '\0') {
      std::snprintf(path, sizeof path, "%s\\%s", p.serverName, p.shareName);
    } else {
      std::snprintf(path, sizeof path, "%s", p.portName);
    }
    long info[STRINGLIST_INFO_FIELDS] = {0, systemPrinter == p.printerName ? 1 : 0, 0, 0};
    mdlStringList_setMember(list, index * 2, p.printerName, nullptr);
    mdlStringList_setMember(list, index * 2 + 1, path, info);
  }
  return list;
}

int vxlibWin32_execCommand(const char* command, const char* arguments) {
  std::string line;
  if (!joinCommand(command, arguments, &line)) return -1;
  return std::system(line.c_str());
}

int vxlibWin32_execCommandAndWait(const char* command, const char* arguments, int /*showWindow: no windows here*/) {
  std::string line;
  if (!joinCommand(command, arguments, &line)) return 0;
  const std::vector<std::string> words = splitCommandLine(line);
  if (words.empty()) return 0;
  std::vector<const char*> argv;
  for (std::size_t i = 1; i < words.size(); ++i) argv.push_back(words[i].c_str());
  ExternalProgram* program = nullptr;
  if (mdlExternal_extStartProgram(&program, words[0].c_str(), static_cast<int>(argv.size()),
                                  argv.empty() ? nullptr : argv.data(), EXTERNAL_PRIORITY_IDLE) != SUCCESS) {
    return 0;
  }
  mdlExternal_wait(0, program);
  mdlExternal_terminateProgram(program);
  return 1;
}

unsigned long vxlibWin32_getRegistryValue(const char* subKey, const char* valueName, unsigned long* typeOut,
                                          void* data, unsigned long dataSize) {
  for (int root : {WIN32_REGISTRY_CURRENT_USER, WIN32_REGISTRY_LOCAL_MACHINE}) {
    unsigned int type = 0;
    unsigned int size = static_cast<unsigned int>(dataSize);
    if (mdlWin32_registryQueryValue(root, subKey, valueName, &type, data, &size) == SUCCESS && size > 0) {
      if (typeOut != nullptr) *typeOut = type;
      return size;
    }
  }
  return 0;
}

int vxlibWin32_getGetUniversalFileName(const char* path, char* universalOut) {
  char universal[kUniversalBytes];
  if (path == nullptr || universalOut == nullptr ||
      mdlWin32_getUniversalName(universal, sizeof universal, path) != SUCCESS) {
    return 0;
  }
  std::memcpy(universalOut, universal, std::strlen(universal) + 1);
  return 1;
}

int vxlibFile_delete(const char* path) { return pixmend::deleteFileUnlessReadOnly(path); }

char* vxlibFile_GetShortPathName(const char* path) {
  static char shortPath[kShortPathBytes];
  if (path == nullptr || mdlWin32_getShortPathName(shortPath, sizeof shortPath, path) != SUCCESS) shortPath[0] = '\0';
  return shortPath;
}

}  // extern "C"
