// vxlibCell_loadCellLibraryIfNeeded: attaches a cell library unless it is the one attached.
#include <cstring>
#include <string>

#include "common/text.hpp"
#include "vxlib/core/core.hpp"
#include "vxlib/services/cell/cell.hpp"

namespace pixmend::vxlib {
namespace {

// The name and extension of a path (what follows its last '/'); ".cel" added to a bare name, as
// the library is found with that default extension.
std::string nameAndExtension(const char* path) {
  const char* slash = std::strrchr(path, '/');
  std::string name = slash != nullptr ? slash + 1 : path;
  if (name.find('.') == std::string::npos) name += ".cel";
  return name;
}

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" int vxlibCell_loadCellLibraryIfNeeded(const char* cellLibrary) {
  if (cellLibrary == nullptr || cellLibrary[0] == '\0') return VXLIB_SUCCESS;
  char attached[MAXFILELENGTH];
  if (mdlCell_getLibraryFileName(attached, sizeof attached) == SUCCESS &&
      pixmend::text::equalIgnoringCase(nameAndExtension(attached), nameAndExtension(cellLibrary))) {
    return VXLIB_SUCCESS;
  }
  char path[MAXFILELENGTH];
  if (vxlibCell_getCellPathAndName(path, cellLibrary) != VXLIB_SUCCESS) return MDLERR_FILENOTFOUND;
  return mdlCell_attachLibraryEx(nullptr, path, nullptr, 0);
}
