// VXRasterEdit: VXRaster's own start-up, then one editing step the tests can drive before the
// application's editing commands exist. Host event slot 60 changes a rectangle of the active
// raster's bitmap as every editing command does: ensureActiveRaster, pushUndo, the change, then
// writeBackActiveRaster. A session raises it with
//   event 60 STATE LEFT TOP WIDTH HEIGHT
// (pixels, row 0 at the top). STATE 1 paints ink, 0 paints background; 3 and 2 do the same and
// leave the write-back to later, as the rectangle delete does with autoWriteBack off.
#include <cstdio>

#include "app/session.hpp"
#include "app/startup.hpp"
#include "app/undo.hpp"
#include "host/mdl.h"
#include "pixmend/export.h"

namespace {

constexpr int kEditSlot = 60;

void editRectangle(const char* text, int state) {
  int left = 0, top = 0, width = 0, height = 0;
  if (text == nullptr || std::sscanf(text, "%d %d %d %d", &left, &top, &width, &height) != 4) {
    toolSubsystem_printf("VXRasterEdit: expected LEFT TOP WIDTH HEIGHT, got \"%s\"\n", text ? text : "");
    return;
  }
  using namespace pixmend::app;
  if (!ensureActiveRaster()) return;
  ActiveRaster& r = activeRaster();
  pushUndo();
  const int stride = (r.size.x + 7) / 8;
  for (int y = top; y < top + height && y < r.size.y; ++y) {
    for (int x = left; x < left + width && x < r.size.x; ++x) {
      if (x < 0 || y < 0) continue;
      unsigned char& byte = r.bitmap[static_cast<std::size_t>(y) * stride + x / 8];
      const auto bit = static_cast<unsigned char>(0x80 >> (x % 8));
      byte = (state & 1) != 0 ? byte | bit : byte & static_cast<unsigned char>(~bit);
    }
  }
  if ((state & 2) == 0) writeBackActiveRaster();
}

}  // namespace

extern "C" PIXMEND_API int MdlMain(int argc, char* argv[]) {
  const int status = pixmend::app::startUp(argc, argv);
  mdlSystem_setFunction(kEditSlot, reinterpret_cast<void*>(editRectangle));
  return status;
}
