// The printer list of the win32 group (see api.h) from the printing system's printers: a printer
// of another machine is a connection, one of this machine a local printer. When no print server
// answers the list is empty and the reason is journaled, so a caller that only counts printers
// still tells the user why there are none.
#include <cstdio>
#include <string>
#include <vector>

#include "host/output/journal.hpp"
#include "host/plot/printers.hpp"
#include "host/win32/api.h"

namespace pixmend::host {
namespace {

void copyField(char (&field)[256], const std::string& text) { std::snprintf(field, sizeof field, "%s", text.c_str()); }

}  // namespace
}  // namespace pixmend::host

extern "C" int mdlWin32_enumPrinters(Win32PrinterInfo* printers, int maxPrinters, int flags) {
  using namespace pixmend::host;
  std::vector<SystemPrinter> all;
  std::string why;
  if (!listSystemPrinters(&all, &why)) {
    journal().append("win32", "no printers: " + why);
    return 0;
  }
  int count = 0;
  for (const SystemPrinter& p : all) {
    const int kind = p.server.empty() ? WIN32_PRINTER_ENUM_LOCAL : WIN32_PRINTER_ENUM_CONNECTIONS;
    if ((flags & kind) == 0) continue;
    if (printers != nullptr && count < maxPrinters) {
      Win32PrinterInfo& out = printers[count];
      copyField(out.printerName, p.name);
      copyField(out.serverName, p.server);
      copyField(out.shareName, p.share);
      copyField(out.portName, p.device);
    }
    ++count;
  }
  journal().append("win32", std::to_string(count) + (count == 1 ? " printer" : " printers"));
  return count;
}
