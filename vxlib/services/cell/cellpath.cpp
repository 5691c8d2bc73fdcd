// Where the cell libraries are: vxlibCell_getVxCellPath and vxlibCell_getCellPathAndName.
//
// The directory is the value of VX_CELL when it is defined (a search path, ';' or ':' separated,
// as the host's file search takes it), else VX_DIR's value followed by "cell/", else the fixed
// folder "/vexcraft/cell/": on this platform the fixed folder of the drive is a folder of the root
// and '/' separates folders, as the rest of the library takes such paths (docs/cells.md).
#include <cstdio>
#include <cstring>
#include <string>

#include "vxlib/core/core.hpp"
#include "vxlib/services/cell/cell.hpp"

namespace pixmend::vxlib {
namespace {

constexpr const char* kFixedCellDirectory = "/vexcraft/cell/";
constexpr const char* kCellExtension = "cel";

}  // namespace

bool cellSearchPathDefined() {
  return mdlSystem_getenv("VX_CELL") != nullptr;
}

std::string cellDirectory() {
  if (const char* cell = mdlSystem_getenv("VX_CELL")) return cell;
  if (const char* dir = mdlSystem_getenv("VX_DIR")) {
    std::string base = dir;
    if (!base.empty() && base.back() != '/') base += '/';
    return base + "cell/";
  }
  return kFixedCellDirectory;
}

}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

int vxlibCell_getVxCellPath(char* buffer, int size) {
  if (buffer == nullptr || size < 1) return VXLIB_ERROR;
  const std::string directory = cellDirectory();
  // Cut short it would name another folder: refused with an empty buffer instead.
  if (directory.size() >= static_cast<std::size_t>(size)) {
    buffer[0] = '\0';
    return VXLIB_ERROR;
  }
  std::memcpy(buffer, directory.c_str(), directory.size() + 1);
  return VXLIB_SUCCESS;
}

int vxlibCell_getCellPathAndName(char* path, const char* cellLibrary) {
  if (path != nullptr) path[0] = '\0';
  if (path == nullptr || cellLibrary == nullptr || cellLibrary[0] == '\0') return VXLIB_ERROR;
  char found[MAXFILELENGTH];
  int status;
  if (cellSearchPathDefined()) {
    status = mdlFile_find(found, cellLibrary, "VX_CELL", kCellExtension);
  } else {
    // A name with a folder is taken as it is; a bare name lies in the cell directory.
    const std::string name =
        std::strchr(cellLibrary, '/') != nullptr ? std::string(cellLibrary) : cellDirectory() + cellLibrary;
    status = mdlFile_find(found, name.c_str(), nullptr, kCellExtension);
  }
  if (status != SUCCESS) return VXLIB_ERROR;
  std::snprintf(path, MAXFILELENGTH, "%s", found);
  return VXLIB_SUCCESS;
}

}  // extern "C"
