// The page list, the page function and the preview dialog.
// (Being built: this file holds the entry points only.)
#include "vxlib/services/pages/pages.hpp"

namespace pixmend::vxlib {

HookTable previewHookTable() { return {nullptr, 0}; }

void releasePagedOutput(GlobalData*) {}

namespace pages {

GlobalData* block() { return findGlobalData(); }
const char* pageName(int) { return ""; }
int callPageFunction(int, MSElementDescr**, int) { return VXLIB_ERROR; }
PageRange printRange() { return {0, -1}; }
PageLayout pageLayout(const PrinterSetup& s, const MSElementDescr*) {
  return {s.width, s.height, s.left, s.right, s.top, s.bottom, false};
}

}  // namespace pages
}  // namespace pixmend::vxlib

extern "C" {
int vxlibPreview_dialogOpenExtended(int, int, char**, VxlibPageFunction, VxlibPageListFunction) { return VXLIB_ERROR; }
int vxlibPreview_dialogOpen(int, char**, VxlibPageFunction, VxlibPageListFunction) { return VXLIB_ERROR; }
void vxlibPreview_setUserPrintFunction(VxlibUserPrintFunction) {}
void vxlibPreview_setExcelTemplateNames(const char*, const char*) {}
}
