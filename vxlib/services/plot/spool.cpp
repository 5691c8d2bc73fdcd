// Sending a finished plot file to a printer.
//   vxlibPrint_sendFileToPrinter      a port, a printer of the printing system, or command lines
//   vxlibPrint_sendFileToPrinterPort  copies of the file onto a port or file name
//
// The printer text decides the way: "LPT1" to "LPT9" and names starting with '$' (configuration
// variables) or '\' (shares) are ports, which get copies of the file; a single word is a printer
// of the printing system; anything else is a template of command lines separated by ';', in
// which "%s" stands for the file and "%d" for the number of copies. The template is split into
// lines before the file name goes in, so a ';' in a file name can never start a command of its
// own, and a file name that a command line cannot carry safely is refused.
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "vxlib/core/core.hpp"
#include "vxlib/services/plot/plot.hpp"

namespace pixmend::vxlib::plot {
namespace {

constexpr const char* kTag = "vxlibPrint";
// How long one command line may run before the printing goes on without it (milliseconds):
// long enough for any spooler, short enough that a command that never ends cannot hold the host.
constexpr int kCommandWaitMs = 120000;

bool isPort(const char* printer) {
  if (printer[0] == '$' || printer[0] == '\\') return true;
  return std::strlen(printer) == 4 && std::toupper(static_cast<unsigned char>(printer[0])) == 'L' &&
         std::toupper(static_cast<unsigned char>(printer[1])) == 'P' &&
         std::toupper(static_cast<unsigned char>(printer[2])) == 'T' && printer[3] >= '1' && printer[3] <= '9';
}

bool isPrinterName(const char* printer) {
  return std::strstr(printer, "%s") == nullptr && std::strpbrk(printer, " \t;") == nullptr;
}

bool copiesUsable(int copies) {
  if (copies <= PLOT_MAX_COPIES) return true;
  toolSubsystem_printf("%s: %d copies asked for; at most %d can be sent.\n", kTag, copies, PLOT_MAX_COPIES);
  return false;
}

// Characters that would let a file name end its place in a command line or start a command.
bool fitsCommandLine(const char* path) { return std::strpbrk(path, "\"`$;|&<>\n\r") == nullptr; }

// One command line of the template with the file and the number of copies put in. A file name
// with blanks is put in quotes unless the template quotes it already. The line is handed over in
// a block from the library's allocator, which tells the user when memory runs out; the caller
// frees it with dlmSystem_mdlFree.
char* commandLine(const std::string& line, const char* path, int copies) {
  const bool blanks = std::strpbrk(path, " \t") != nullptr;
  std::string built;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line.compare(i, 2, "%s") == 0) {
      const bool quoted = i > 0 && line[i - 1] == '"';
      built += blanks && !quoted ? "\"" + std::string(path) + "\"" : std::string(path);
      ++i;
    } else if (line.compare(i, 2, "%d") == 0) {
      built += std::to_string(copies);
      ++i;
    } else {
      built += line[i];
    }
  }
  auto* text = static_cast<char*>(vxlibMem_mallocRscErrorPrintf(built.size() + 1, kErrorList, kMsgOutOfMemory));
  if (text != nullptr) std::memcpy(text, built.c_str(), built.size() + 1);
  return text;
}

std::vector<std::string> templateLines(const char* printer) {
  std::vector<std::string> lines;
  std::string rest = printer;
  for (;;) {
    const auto semicolon = rest.find(';');
    const std::string line = rest.substr(0, semicolon);
    if (line.find_first_not_of(" \t") != std::string::npos) lines.push_back(line);
    if (semicolon == std::string::npos) break;
    rest.erase(0, semicolon + 1);
  }
  return lines;
}

int runTemplate(const char* path, const char* printer, int copies) {
  if (!fitsCommandLine(path)) {
    toolSubsystem_printf("%s: the file name %s cannot be put into a command line.\n", kTag, path);
    return VXLIB_ERROR;
  }
  const std::vector<std::string> lines = templateLines(printer);
  const int runs = std::strstr(printer, "%d") != nullptr ? 1 : copies;
  int result = 0;
  for (int run = 0; run < runs; ++run) {
    for (const std::string& line : lines) {
      char* command = commandLine(line, path, copies);
      if (command == nullptr) return VXLIB_ERROR;
      int wait = kCommandWaitMs;
      const int status = vxlibExternal_executeCommandLine(command, &wait);
      if (status != 0) {
        toolSubsystem_printf("Error executing\n%s\nReturn status = %d\n", command, status);
        if (result == 0) result = status;
      }
      dlmSystem_mdlFree(command);
    }
  }
  return result;
}

const char* printFailure(int code) {
  switch (code) {
    case MDLERR_NOPRINTSERVER: return "no print server answers";
    case MDLERR_NOSUCHPRINTER: return "the print server knows no such printer";
    case MDLERR_PRINTREFUSED: return "the print server refused the file";
    case MDLERR_FILENOTFOUND: return "the file cannot be read";
    default: return "it could not be sent";
  }
}

int printOnPrinter(const char* path, const char* printer, int copies) {
  if (copies < 1) return 0;
  const int result = mdlPlot_printFile(printer, path, copies, nullptr);
  if (result != SUCCESS) toolSubsystem_printf("%s: %s was not printed on %s: %s.\n", kTag, path, printer, printFailure(result));
  return result;
}

}  // namespace
}  // namespace pixmend::vxlib::plot

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::plot;

extern "C" {

int vxlibPrint_sendFileToPrinterPort(const char* path, const char* port, int copies) {
  if (path == nullptr || port == nullptr || *path == '\0' || *port == '\0') {
    toolSubsystem_printf("%s: no file or no port to send it to.\n", kTag);
    return MDLERR_BADARG;
  }
  if (!copiesUsable(copies)) return MDLERR_BADARG;
  char expanded[MAXFILELENGTH];
  if (mdlSystem_expandCfgVar(expanded, sizeof expanded, port) != SUCCESS || expanded[0] == '\0') {
    toolSubsystem_printf("%s: the port %s names no place to copy to.\n", kTag, port);
    return MDLERR_BADARG;
  }
  for (int i = 0; i < copies; ++i) {
    const int result = mdlWin32_copyFileToPort(expanded, path);
    if (result != SUCCESS) {
      toolSubsystem_printf("%s: cannot copy %s to %s.\n", kTag, path, expanded);
      return result;
    }
  }
  return 0;
}

int vxlibPrint_sendFileToPrinter(const char* path, const char* printer, int copies) {
  if (path == nullptr || printer == nullptr || *path == '\0' || *printer == '\0') {
    toolSubsystem_printf("%s: no file or no printer to send it to.\n", kTag);
    return MDLERR_BADARG;
  }
  if (!copiesUsable(copies)) return MDLERR_BADARG;
  if (isPort(printer)) return vxlibPrint_sendFileToPrinterPort(path, printer, copies);
  if (isPrinterName(printer)) return printOnPrinter(path, printer, copies);
  return runTemplate(path, printer, copies);
}

}  // extern "C"
