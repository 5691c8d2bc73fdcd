// Library start-up, the application registry and the global data blocks, and the small queries
// about the library itself.
#include "pixmend/vxlib.h"

extern "C" const char* vxlibMain_getVxlibLocation(void) {
  // vxlib is linked into each application, never loaded on its own.
  static const char location[] = "Statically Linked";
  return location;
}
