// The cells of the attached library as a string list (vxlibCell_getStringlistFromLib), and the
// obsolete file-position call of the old cell libraries.
#include <cstdio>

#include "common/text.hpp"
#include "vxlib/core/core.hpp"

namespace {

constexpr int kMaxCellName = 513;  // 512 units and the terminator
constexpr const char* kModelOfEveryLibrary = "default";

}  // namespace

extern "C" {

int vxlibCell_getStringlistFromLib(StringList* list, int membersPerCell) {
  if (membersPerCell < 2) return VXLIB_ERROR;
  const int count = mdlCell_getLibraryCellCount();
  if (count < 0 || list == nullptr) return 0;
  int listed = 0;
  for (int i = 0; i < count; ++i) {
    MSWChar wideName[kMaxCellName] = {}, wideDescription[kMaxCellName] = {};
    if (mdlCell_getLibraryCell(wideName, kMaxCellName, wideDescription, kMaxCellName, i) != SUCCESS) continue;
    char name[kMaxCellName * 4] = {}, description[kMaxCellName * 4] = {};
    mdlCnv_convertUnicodeToMultibyte(wideName, -1, name, sizeof name);
    mdlCnv_convertUnicodeToMultibyte(wideDescription, -1, description, sizeof description);
    // Every library holds the model "Default" of a new design; it is no cell.
    if (pixmend::text::equalIgnoringCase(name, kModelOfEveryLibrary)) continue;
    long first = 0;
    if (mdlStringList_insertMember(&first, list, -1, membersPerCell) != SUCCESS) break;
    mdlStringList_setMember(list, first, name, nullptr);
    if (description[0] != '\0') mdlStringList_setMember(list, first + 1, description, nullptr);
    ++listed;
  }
  return listed;
}

int vxlibCell_getFilePosFromStringlist(void) {
  toolSubsystem_printf("vxlibCell_getFilePosFromStringlist er ikke n\xf8" "dvendig i V8.\n");
  return VXLIB_ERROR;
}

}  // extern "C"
