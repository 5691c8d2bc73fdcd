// The smart modes of copy and move and the two smart deletes. Not built yet: each says so in
// message field 1, and there is never a smart selection to discard.
#include "bitmap/commands/commands.hpp"
#include "host/mdl.h"

namespace pixmend::commands {

void startSmartCopyMove(bool move, bool withCutLines) {
  mdlOutput_printf(MSG_ERROR, "Raster smart %s%s is not available in this version", move ? "move" : "copy",
                   withCutLines ? " with cut lines" : "");
}

void discardSmartSelection() {}

void smartDeleteStart() {
  mdlOutput_printf(MSG_ERROR, "Smart delete is not available in this version");
}

void smartDeleteCutLinesStart() {
  mdlOutput_printf(MSG_ERROR, "Smart delete with cut lines is not available in this version");
}

}  // namespace pixmend::commands
