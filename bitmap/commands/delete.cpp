// The delete commands that erase by rectangle or fence. Not built yet: each says so in message
// field 1.
#include "bitmap/commands/commands.hpp"
#include "host/mdl.h"

namespace pixmend::commands {

void deleteDynamicRectangleStart() {
  mdlOutput_printf(MSG_ERROR, "Delete dynamic rectangle is not available in this version");
}

void deleteRectangleStart() {
  mdlOutput_printf(MSG_ERROR, "Delete rectangle is not available in this version");
}

void deleteFenceStart() {
  mdlOutput_printf(MSG_ERROR, "Delete fence contents is not available in this version");
}

}  // namespace pixmend::commands
