// The printing system's printers (see printers.hpp). The server is looked up afresh on every
// call (environment and client configuration), so a server started after the host is found, and
// it is asked with time limits: a missing or stopped server gives an empty list at once.
#include "host/plot/printers.hpp"

#include <algorithm>
#include <cstdio>

#include "common/text.hpp"
#include "host/plot/api.h"

#if defined(PIXMEND_HAVE_CUPS)
#include <cups/cups.h>
#endif

namespace pixmend::host {
namespace {

constexpr int kConnectMs = 2000;
constexpr double kAnswerSeconds = 5.0;

bool isThisMachine(const std::string& host) {
  const std::string h = text::lower(host);
  return h.empty() || h == "localhost" || h == "127.0.0.1" || h == "::1" || h == "[::1]" || h[0] == '/';
}

}  // namespace

SystemPrinter describePrinter(const std::string& name, const std::string& deviceUri) {
  SystemPrinter printer;
  printer.name = name;
  printer.device = deviceUri;
  const std::size_t colon = deviceUri.find("://");
  if (colon == std::string::npos) return printer;
  const std::string scheme = text::lower(deviceUri.substr(0, colon));
  static const char* const kNetwork[] = {"ipp", "ipps", "http", "https", "lpd", "smb", "socket"};
  if (std::find(std::begin(kNetwork), std::end(kNetwork), scheme) == std::end(kNetwork)) return printer;
  std::string rest = deviceUri.substr(colon + 3);
  const std::size_t slash = rest.find('/');
  std::string authority = rest.substr(0, slash);
  std::string path = slash == std::string::npos ? std::string() : rest.substr(slash);
  const std::size_t at = authority.rfind('@');  // user name and password go before the host
  if (at != std::string::npos) authority.erase(0, at + 1);
  std::string host = authority;
  if (!host.empty() && host[0] == '[') {
    host = host.substr(0, host.find(']') + 1);
  } else {
    host = host.substr(0, host.find(':'));
  }
  if (isThisMachine(host)) return printer;
  printer.server = host;
  // The queue is the last part of the path, without options ("?waitjob=false").
  path = path.substr(0, path.find('?'));
  while (!path.empty() && path.back() == '/') path.pop_back();
  if (scheme != "socket") printer.share = path.substr(path.rfind('/') + 1);
  return printer;
}

#if defined(PIXMEND_HAVE_CUPS)
namespace {
int giveUp(http_t*, void*) { return 0; }

std::string option(const cups_dest_t& dest, const char* name) {
  const char* value = cupsGetOption(name, dest.num_options, dest.options);
  return value != nullptr ? value : "";
}
}  // namespace

bool listSystemPrinters(std::vector<SystemPrinter>* printers, std::string* why) {
  printers->clear();
  cupsSetServer(nullptr);
  const std::string server = cupsServer();
  http_t* http = httpConnect2(server.c_str(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectMs, nullptr);
  if (http == nullptr) {
    *why = "no print server answers at " + server;
    return false;
  }
  httpSetTimeout(http, kAnswerSeconds, giveUp, nullptr);
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(http, &dests);
  const ipp_status_t status = cupsLastError();
  bool answered = count > 0 || status == IPP_STATUS_OK || status == IPP_STATUS_ERROR_NOT_FOUND;
  for (int i = 0; i < count; ++i) {
    if (dests[i].instance != nullptr) continue;  // instances are option sets of one printer
    std::string device = option(dests[i], "device-uri");
    if (device.empty()) device = option(dests[i], "printer-uri-supported");
    SystemPrinter printer = describePrinter(dests[i].name, device);
    printer.isDefault = dests[i].is_default != 0;
    printers->push_back(std::move(printer));
  }
  cupsFreeDests(count, dests);
  httpClose(http);
  if (!answered) *why = std::string("the print server at ") + server + " did not answer: " + cupsLastErrorString();
  return answered;
}
#else
bool listSystemPrinters(std::vector<SystemPrinter>* printers, std::string* why) {
  printers->clear();
  *why = "this host was built without a printing system";
  return false;
}
#endif

}  // namespace pixmend::host

extern "C" int mdlPlot_getSystemPrinterName(char* name, int size) {
  using namespace pixmend::host;
  if (name == nullptr || size <= 0) return MDLERR_BADARG;
  name[0] = '\0';
  std::vector<SystemPrinter> printers;
  std::string why;
  listSystemPrinters(&printers, &why);
  for (const SystemPrinter& p : printers) {
    if (!p.isDefault) continue;
    std::snprintf(name, static_cast<std::size_t>(size), "%s", p.name.c_str());
    return p.name.size() < static_cast<std::size_t>(size) ? SUCCESS : MDLERR_TOOLARGE;
  }
  return MDLERR_NOSUCHPRINTER;
}
