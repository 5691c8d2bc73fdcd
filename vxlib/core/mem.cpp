// Memory: zero-filled blocks from the host's heap, and a failure the user hears about.
//   vxlibMem_mallocRscErrorPrintf   a new block, zero-filled
//   vxlibMem_reallocRscErrorPrintf  a block grown or shrunk; the bytes it gains are zero
//
// On failure the caller's numbered message is shown in a box of kind 577 (buttons: go on, end);
// ending (answer 4) asks the host to end the application, and the caller receives null either
// way. Blocks are freed with dlmSystem_mdlFree.
#include <cstring>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

void reportFailure(int listId, int messageNumber, va_list ap) {
  if (rscMsgBoxV(kBoxOutOfMemory, listId, messageNumber, ap) == ACTIONBUTTON_CANCEL) mdlSystem_exit(0, 1);
}

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

void* vxlibMem_mallocRscErrorPrintf(size_t size, int listId, int messageNumber, ...) {
  void* memory = dlmSystem_mdlMalloc(size);
  if (memory != nullptr) {
    std::memset(memory, 0, size);
    return memory;
  }
  va_list ap;
  va_start(ap, messageNumber);
  reportFailure(listId, messageNumber, ap);
  va_end(ap);
  return nullptr;
}

void* vxlibMem_reallocRscErrorPrintf(void* memory, size_t oldSize, size_t newSize, int listId,
                                     int messageNumber, ...) {
  void* grown = dlmSystem_mdlRealloc(memory, newSize);
  if (grown != nullptr) {
    if (newSize > oldSize) std::memset(static_cast<char*>(grown) + oldSize, 0, newSize - oldSize);
    return grown;
  }
  // The old block stays the caller's.
  va_list ap;
  va_start(ap, messageNumber);
  reportFailure(listId, messageNumber, ap);
  va_end(ap);
  return nullptr;
}

}  // extern "C"
