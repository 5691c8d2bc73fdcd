// The print set-up record, its preference resource and the set-up and print dialogs.
// (Being built: this file holds the entry points only.)
#include "vxlib/services/pages/pages.hpp"

namespace pixmend::vxlib {

void readPrinterSetup() {}

HookTable printSetupHookTable() { return {nullptr, 0}; }

}  // namespace pixmend::vxlib

extern "C" int vxlibPrintSet_dialogOpen(void) { return VXLIB_ERROR; }
