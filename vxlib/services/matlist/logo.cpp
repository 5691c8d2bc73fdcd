// The logo key: a callback under "LOGO" that reads a cell into the text's place.
//   vxlibMatList_insertLogo / ..._insertLogoExt
// The cell and library names of insertLogoExt are kept for all arrays (the last call wins).
#include <cstdio>

#include "vxlib/services/matlist/formdata.hpp"

namespace pixmend::vxlib::matlist {
namespace {

constexpr int kNameUnits = 513;
char logoCell[kNameUnits] = "LOGO";
char logoLibrary[MAXFILELENGTH] = "logo.cel";

int readLogo(int, const char*, MSElementDescr** out, void*, double, double) {
  if (out == nullptr) return 0;
  if (vxlibCell_loadCellLibraryIfNeeded(logoLibrary) != 0) return 0;
  MSWChar wide[kNameUnits] = {};
  mdlCnv_convertMultibyteToUnicode(logoCell, -1, wide, kNameUnits);
  MSElementDescr* cell = nullptr;
  if (mdlCell_getElmDscr(&cell, wide, CELL_READ_AS_STORED) == 0) *out = cell;
  return 0;
}

void insertLogoCallback(VxlibFormData* array) {
  vxlibMatList_insertValue(array, "LOGO", kCallback, 0, reinterpret_cast<void*>(&readLogo), static_cast<void*>(nullptr), 1);
}

}  // namespace
}  // namespace pixmend::vxlib::matlist

using namespace pixmend::vxlib::matlist;

extern "C" {

void vxlibMatList_insertLogo(VxlibFormData* array) {
  std::snprintf(logoCell, sizeof logoCell, "%s", "LOGO");
  std::snprintf(logoLibrary, sizeof logoLibrary, "%s", "logo.cel");
  insertLogoCallback(array);
}

void vxlibMatList_insertLogoExt(VxlibFormData* array, const char* cellName, const char* cellLibrary) {
  std::snprintf(logoCell, sizeof logoCell, "%s", cellName != nullptr ? cellName : "");
  std::snprintf(logoLibrary, sizeof logoLibrary, "%s", cellLibrary != nullptr ? cellLibrary : "");
  insertLogoCallback(array);
}

}  // extern "C"
