// The application's entry: MdlMain, called by the host when it loads VXRaster.
#include "pixmend/export.h"

extern "C" PIXMEND_API int MdlMain(int argc, char* argv[]) {
  (void)argc;
  (void)argv;
  return 0;
}
