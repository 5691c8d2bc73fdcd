// Printing a finished file on a printer of the printing system (see api.h). The server is asked
// with time limits on connecting and on every answer, so a missing, stopped or unreachable
// server is a quick, named failure and never a wait without end.
#include <string>

#include "host/output/journal.hpp"
#include "host/plot/api.h"

#include <sys/stat.h>
#include <unistd.h>

#if defined(PIXMEND_HAVE_CUPS)
#include <cups/cups.h>
#endif

namespace pixmend::host {
namespace {

constexpr int kConnectMs = 5000;
constexpr double kAnswerSeconds = 30.0;

int fail(const std::string& file, const std::string& printer, const std::string& why, int code) {
  journal().append("plot", "cannot print " + file + " on " + printer + ": " + why);
  return code;
}

#if defined(PIXMEND_HAVE_CUPS)
// Gives up a request whose answer is overdue (returning 0 tells the library to stop waiting).
int giveUp(http_t*, void*) { return 0; }

int print(const std::string& printer, const std::string& file, int copies, const std::string& title) {
  http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectMs, nullptr);
  if (http == nullptr)
    return fail(file, printer, std::string("no print server at ") + cupsServer(), MDLERR_NOPRINTSERVER);
  httpSetTimeout(http, kAnswerSeconds, giveUp, nullptr);
  int result = SUCCESS;
  cups_dest_t* dest = cupsGetNamedDest(http, printer.c_str(), nullptr);
  if (dest == nullptr) {
    const bool serverAnswered = cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND || cupsLastError() == IPP_STATUS_OK;
    result = serverAnswered ? fail(file, printer, "no such printer", MDLERR_NOSUCHPRINTER)
                            : fail(file, printer, cupsLastErrorString(), MDLERR_NOPRINTSERVER);
  } else {
    cups_option_t* options = nullptr;
    int count = cupsAddOption("copies", std::to_string(copies).c_str(), 0, &options);
    const int job = cupsPrintFile2(http, dest->name, file.c_str(), title.c_str(), count, options);
    cupsFreeOptions(count, options);
    if (job == 0) {
      result = fail(file, printer, cupsLastErrorString(), MDLERR_PRINTREFUSED);
    } else {
      journal().append("plot", "printed " + file + " on " + printer + ", " + std::to_string(copies) +
                                   (copies == 1 ? " copy" : " copies") + " (job " + std::to_string(job) + ")");
    }
    cupsFreeDests(1, dest);
  }
  httpClose(http);
  return result;
}
#else
int print(const std::string& printer, const std::string& file, int, const std::string&) {
  return fail(file, printer, "this host was built without a printing system", MDLERR_NOPRINTSERVER);
}
#endif

}  // namespace
}  // namespace pixmend::host

extern "C" {

int mdlPlot_printFile(const char* printer, const char* fileName, int copies, const char* title) {
  using namespace pixmend::host;
  if (printer == nullptr || *printer == '\0' || fileName == nullptr || *fileName == '\0') return MDLERR_BADARG;
  if (copies < 1 || copies > PLOT_MAX_COPIES)
    return fail(fileName, printer, std::to_string(copies) + " copies (1 to 999 can be printed)", MDLERR_BADARG);
  struct stat st {};
  if (::stat(fileName, &st) != 0 || !S_ISREG(st.st_mode) || ::access(fileName, R_OK) != 0)
    return fail(fileName, printer, "the file cannot be read", MDLERR_FILENOTFOUND);
  return print(printer, fileName, copies, title != nullptr && *title != '\0' ? title : fileName);
}

}  // extern "C"
