// The key-ins of VXRaster for `pixmend --help`, read from the command table in its resource file
// beside the application, so the list is always the one the host will accept.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "host/resource/rscfile.hpp"
#include "host/state/api.h"
#include "host/state/state.hpp"
#include "host/system/loader.hpp"

namespace pixmend::cli {

void printApplicationKeyins(std::FILE* out) {
  std::fprintf(out, "\nVXRaster key-ins (in a session: keyin TEXT, or command NUMBER):\n");
  const std::string library = host::findApplicationLibrary("VXRaster");
  const std::size_t slash = library.rfind('/');
  if (slash == std::string::npos) {
    std::fprintf(out, "  (VXRaster was not found; README.md lists its key-ins)\n");
    return;
  }
  const std::string resourceFile = library.substr(0, slash + 1) + "VXRaster.rsc";
  host::ResourceData data;
  std::string error;
  std::optional<std::vector<host::CommandTableEntry>> table;
  if (host::readResourceFile(resourceFile, &data, &error)) {
    const auto found = data.resources.find({RTYPE_COMMAND_TABLE, 1});
    if (found != data.resources.end())
      table = host::parseCommandTable(std::string(found->second.begin(), found->second.end()), &error);
    else
      error = "it has no command table";
  }
  if (!table) {
    std::fprintf(out, "  (cannot read %s: %s; README.md lists the key-ins)\n", resourceFile.c_str(),
                 error.c_str());
    return;
  }
  for (const auto& entry : *table) std::fprintf(out, "  %-32s 0x%08x\n", entry.keyin.c_str(), entry.number);
}

}  // namespace pixmend::cli
