// The host's "% " key-in: the rest of the line goes to the operating system. A command runs
// through /bin/sh -c and the host waits for it, so its end comes in order in the journal; a
// document or a folder named on its own is handed to the desktop's opener instead, as the
// command interpreter of other systems opens documents with their associated program.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "host/external/external.hpp"
#include "host/output/journal.hpp"
#include "host/state/state.hpp"

namespace pixmend::host {
namespace {

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// A folder, or a file that is not a program: something to open rather than to run.
bool isDocument(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) return true;
  return S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) != 0;
}

void operatingSystemKeyin(const std::string& rest) {
  const std::string line = trimmed(rest);
  if (line.empty()) {
    journal().append("error", "%: which operating-system command?");
    return;
  }
  if (isDocument(line)) {
    openWithDesktop(line);
    return;
  }
  runShellCommand(line);
}

const bool registeredKeyin = (registerBuiltinKeyin("%", operatingSystemKeyin), true);

}  // namespace
}  // namespace pixmend::host
