// The printers of the printing system as the host's other groups see them: each printer's name,
// the machine and queue it prints to when that is another machine, its device, and which one is
// the default (the system printer).
#pragma once

#include <string>
#include <vector>

namespace pixmend::host {

struct SystemPrinter {
  std::string name;
  std::string server;  // "" for a printer of this machine
  std::string share;   // the queue's name on `server`; "" when the device names none
  std::string device;  // where the printer prints to (its device URI)
  bool isDefault = false;
};

// What a printer's device URI says: another machine and its queue for the network schemes (ipp,
// ipps, http, https, lpd, smb, socket), nothing for devices of this machine (usb:, parallel:,
// file: ... and network URIs that name this machine).
SystemPrinter describePrinter(const std::string& name, const std::string& deviceUri);

// The printing system's printers, asked with a short time limit. False, with the reason in *why,
// when no print server answers; the list is then empty.
bool listSystemPrinters(std::vector<SystemPrinter>* printers, std::string* why);

}  // namespace pixmend::host
