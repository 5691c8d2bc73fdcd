// The key-ins of VXRaster for `pixmend --help`, read from the command table in its resource file
// beside the application, so the list is always the one the host will accept.
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/commands.hpp"
#include "host/resource/rscfile.hpp"
#include "host/state/api.h"
#include "host/state/state.hpp"
#include "host/system/loader.hpp"

namespace pixmend::cli {

bool applicationCommandTable(std::vector<host::CommandTableEntry>* table, std::string* resourceFile,
                             std::string* error) {
  table->clear();
  resourceFile->clear();
  const std::string library = host::findApplicationLibrary("VXRaster");
  const std::size_t slash = library.rfind('/');
  if (slash == std::string::npos) {
    *error = "VXRaster was not found";
    return false;
  }
  *resourceFile = library.substr(0, slash + 1) + "VXRaster.rsc";
  host::ResourceData data;
  if (!host::readResourceFile(*resourceFile, &data, error)) return false;
  const auto found = data.resources.find({RTYPE_COMMAND_TABLE, 1});
  if (found == data.resources.end()) {
    *error = "it has no command table";
    return false;
  }
  auto parsed = host::parseCommandTable(std::string(found->second.begin(), found->second.end()), error);
  if (!parsed) return false;
  *table = std::move(*parsed);
  return true;
}

void printApplicationKeyins(std::FILE* out) {
  std::fprintf(out, "\nVXRaster key-ins (in a session: keyin TEXT, or command NUMBER):\n");
  std::vector<host::CommandTableEntry> table;
  std::string resourceFile, error;
  if (!applicationCommandTable(&table, &resourceFile, &error)) {
    if (resourceFile.empty()) {
      std::fprintf(out, "  (VXRaster was not found; README.md lists its key-ins)\n");
    } else {
      std::fprintf(out, "  (cannot read %s: %s; README.md lists the key-ins)\n", resourceFile.c_str(),
                   error.c_str());
    }
    return;
  }
  for (const auto& entry : table) std::fprintf(out, "  %-32s 0x%08x\n", entry.keyin.c_str(), entry.number);
}

}  // namespace pixmend::cli
