// MdlMain, VXRaster's entry: the host calls it when it loads the library. It is alone in its file
// so that a test build of the application can put an entry of its own around the same start-up.
#include "app/startup.hpp"
#include "pixmend/export.h"

extern "C" PIXMEND_API int MdlMain(int argc, char* argv[]) {
  return pixmend::app::startUp(argc, argv);
}
