// Library start-up's registry of applications and their global data blocks, and the small
// queries about the library itself:
//   shared / sharedOrCreate      the process-wide record, found through the host
//   createGlobalData             a registry entry and a fresh block for the calling application
//   vxlibMain_getGlobalDataP ... the queries of the Main family
//   vxlibMain_addInitApp, ..._execFuncOrAddToInitApps, ..._setScaleFunction
//   vxlibMain_updateBeforeDialogOpen, notifyScaleFunctions
//
// Every application links its own copy of this code, so nothing here may keep process-wide state
// in a static: the registry and the shared records live in one record that the host hands to
// every copy (mdlSystem_sharedPointer).
#include <cstdio>
#include <cstring>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

constexpr const char* kSharedName = "vxlibRegistry";
// Sizes of the block's buffers that belong to the families of the services (all zero-filled).
constexpr std::size_t kBuffer92 = 92, kBuffer1480 = 1480, kBuffer8 = 8, kBuffer200 = 200, kBuffer836 = 836,
                      kBuffer256 = 256;

void** sharedSlot() {
  return mdlSystem_sharedPointer(kSharedName);
}

void clearEntry(RegistryEntry& entry) {
  entry = RegistryEntry{0, nullptr, nullptr};
}

void* allocate(std::size_t size) {
  return vxlibMem_mallocRscErrorPrintf(size, kErrorList, kMsgOutOfMemory);
}

}  // namespace

Shared* shared() {
  void** slot = sharedSlot();
  if (slot == nullptr || *slot == nullptr) return nullptr;
  auto* record = static_cast<Shared*>(*slot);
  if (record->magic != kSharedMagic || record->size != sizeof(Shared)) {
    // Another build of the library got here first; its record is not ours to read.
    toolSubsystem_printf("vxlib: the shared library record of this process has another layout\n");
    return nullptr;
  }
  return record;
}

Shared* sharedOrCreate() {
  void** slot = sharedSlot();
  if (slot == nullptr) return nullptr;
  if (*slot != nullptr) return shared();
  auto* record = static_cast<Shared*>(allocate(sizeof(Shared)));
  if (record == nullptr) return nullptr;
  record->magic = kSharedMagic;
  record->size = sizeof(Shared);
  *slot = record;
  return record;
}

bool entryIsLive(const RegistryEntry& entry) {
  if (entry.desc == nullptr && entry.block == nullptr) return false;
  // The descriptor must still be the one behind the number: numbers are handed out again when
  // the host starts over, descriptors never are.
  MdlDesc* desc = mdlSystem_getMdlDescFromProcessNumber(entry.processNumber);
  return desc != nullptr && desc == entry.desc;
}

GlobalData* findGlobalData() {
  Shared* s = shared();
  MdlDesc* desc = mdlSystem_getCurrMdlDesc();
  if (s == nullptr || desc == nullptr) return nullptr;
  const int processNumber = mdlSystem_getProcessNumberFromMdlDesc(desc);
  for (int i = 0; i < s->count && i < kRegistrySize; ++i) {
    const RegistryEntry& e = s->entries[i];
    if (e.desc == desc && e.processNumber == processNumber && entryIsLive(e)) return e.block;
  }
  return nullptr;
}

void releaseGlobalData(GlobalData* block) {
  if (block == nullptr) return;
  releaseAttributeDefinitions(block);
  releasePagedOutput(block);
  dlmSystem_mdlFree(block->buffer92);
  dlmSystem_mdlFree(block->buffer1480);
  dlmSystem_mdlFree(block->buffer8);
  dlmSystem_mdlFree(block->buffer200);
  dlmSystem_mdlFree(block->buffer836);
  dlmSystem_mdlFree(block->buffer256);
  dlmSystem_mdlFree(block);
}

namespace {

// Frees the process-wide record and everything it owns, and forgets it. The plot-scale list is
// the host's: destroyed only when `destroyList` (the host may be going away when it is not).
void releaseShared(bool destroyList) {
  void** slot = sharedSlot();
  Shared* s = shared();
  if (s != nullptr) {
    for (auto& entry : s->entries) releaseGlobalData(entry.block);
    dlmSystem_mdlFree(s->printerSetup);
    dlmSystem_mdlFree(s->project);
    dlmSystem_mdlFree(s->page);
    if (destroyList && s->plotScale != nullptr && s->plotScale->list != nullptr)
      mdlListModel_destroy(s->plotScale->list);
    dlmSystem_mdlFree(s->plotScale);
    dlmSystem_mdlFree(s);
  }
  if (slot != nullptr) *slot = nullptr;
}

// When the last application that uses the library is unloaded, what the applications shared goes
// with it: each copy of the library holds one of these, destroyed when its application's code is
// unloaded (by then the host counts it as gone). A later application starts afresh.
struct ReleaseWithTheLastApplication {
  ~ReleaseWithTheLastApplication() {
    Shared* s = shared();
    if (s == nullptr) return;
    for (int i = 0; i < s->count && i < kRegistrySize; ++i) {
      if (entryIsLive(s->entries[i])) return;
    }
    releaseShared(false);
  }
};

// Armed once the host's records this relies on exist, so that it is destroyed before them even
// when the process ends with the library still loaded.
void armRelease() {
  static ReleaseWithTheLastApplication release;
}

}  // namespace

void releaseProcessStateForTesting() {
  releaseShared(true);
  destroyMessageList();
  forgetListDialogState();
}

// The calling application's registry entry and a new block with its creation values, or null
// (the registry is full, or memory ran out).
GlobalData* createGlobalData() {
  Shared* s = sharedOrCreate();
  MdlDesc* desc = mdlSystem_getCurrMdlDesc();
  if (s == nullptr) return nullptr;
  armRelease();
  int slot = -1;
  if (s->count <= 0) {
    for (auto& entry : s->entries) clearEntry(entry);
    s->count = 0;
  }
  for (int i = 0; i < s->count && i < kRegistrySize; ++i) {
    RegistryEntry& e = s->entries[i];
    const bool free = e.desc == nullptr && e.block == nullptr;
    if (!free && !entryIsLive(e)) {
      // The application is gone and its code with it: nobody can reach its block any more
      // except the published tgdP, which must not be left pointing into freed memory.
      if (s->current == e.block) s->current = nullptr, s->printSettings = nullptr;
      releaseGlobalData(e.block);
      clearEntry(e);
    }
    if (slot < 0 && e.desc == nullptr && e.block == nullptr) slot = i;
  }
  if (slot < 0) {
    // A new entry is needed. The table keeps at most kRegistrySize - 1 applications at once;
    // a full table refuses this one but stays usable once an entry falls free.
    if (s->count >= kRegistrySize - 1) {
      toolSubsystem_printf("Error in vxlib_InitGlobalData\n");
      return nullptr;
    }
    slot = s->count++;
  }
  auto* block = static_cast<GlobalData*>(allocate(sizeof(GlobalData)));
  if (block == nullptr) return nullptr;  // the entry stays free
  RegistryEntry& e = s->entries[slot];
  e.processNumber = mdlSystem_getProcessNumberFromMdlDesc(desc);
  e.desc = desc;
  e.block = block;
  block->scaleFactor = 1.0;
  block->elementOption = -1;
  block->firstPrintOption = -1;
  block->creationFlag = 1;
  block->secondPrintOption = -1;
  block->printChanged = 1;
  block->previewPage = -1;
  block->previewSize[0] = 600;
  block->previewSize[1] = 400;
  s->current = block;
  s->printSettings = block->buffer836;  // null until allocateBlockBuffers gives it its buffers
  return block;
}

// The block's buffers of the families of the services, each zero-filled; the 836-byte buffer
// carries "," at its offset 831.
void allocateBlockBuffers(GlobalData* block) {
  block->buffer92 = allocate(kBuffer92);
  block->buffer1480 = allocate(kBuffer1480);
  block->buffer8 = allocate(kBuffer8);
  block->buffer200 = allocate(kBuffer200);
  block->buffer836 = static_cast<char*>(allocate(kBuffer836));
  if (block->buffer836 != nullptr) std::memcpy(block->buffer836 + 831, ",", 2);
  block->buffer256 = allocate(kBuffer256);
  Shared* s = shared();
  if (s != nullptr && s->current == block) s->printSettings = block->buffer836;
}

void notifyScaleFunctions(double first, double second, int includeSelf) {
  Shared* s = shared();
  if (s == nullptr) return;
  MdlDesc* self = mdlSystem_getCurrMdlDesc();
  for (int i = 0; i < s->count && i < kRegistrySize; ++i) {
    const RegistryEntry e = s->entries[i];  // a scale function may start another application
    if (!entryIsLive(e) || e.block == nullptr) continue;
    if (e.desc == self && includeSelf == 0) continue;
    if (e.block->scaleFunction == nullptr) continue;
    dlmSystem_callAnyFunction(e.desc, reinterpret_cast<void*>(e.block->scaleFunction), "DD", first, second);
  }
}

}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

VxlibGlobalData* vxlibMain_getGlobalDataP(void) {
  GlobalData* block = findGlobalData();
  if (block == nullptr) toolSubsystem_printf("Error in vxlib_GetGlobalDataP\n");
  return block;
}

const char* vxlibMain_getApplicationName(void) {
  GlobalData* block = vxlibMain_getGlobalDataP();
  return block != nullptr ? block->applicationName : "";
}

const char* vxlibMain_getVxlibVersion(void) {
  static char version[kTextSize];
  const char* format = languageText(57);
  if (conversionsOf(format) == "s") {
    std::snprintf(version, sizeof version, format, "6.14");
  } else {
    // The text is missing or not a format with one %s: the number alone says it.
    std::snprintf(version, sizeof version, "%s", "6.14");
  }
  return version;
}

const char* vxlibMain_getVxlibLocation(void) {
  // vxlib is linked into each application, never loaded on its own.
  static const char location[] = "Statically Linked";
  return location;
}

int vxlibMain_currentAppIsInitApp(void) {
  GlobalData* block = vxlibMain_getGlobalDataP();
  return block != nullptr ? block->initApplication : 0;
}

void vxlibMain_addInitApp(VxlibFunction function) {
  GlobalData* block = vxlibMain_getGlobalDataP();
  if (block == nullptr || function == nullptr) return;
  if (block->deferredCount < 0 || block->deferredCount >= kDeferredFunctions)
    return;  // an eleventh is dropped
  block->deferred[block->deferredCount++] = function;
}

void vxlibMain_execFuncOrAddToInitApps(VxlibFunction function) {
  if (function == nullptr) return;
  if (vxlibMain_currentAppIsInitApp() != 0) {
    vxlibMain_addInitApp(function);
    return;
  }
  dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(function), "");
}

void vxlibMain_setScaleFunction(VxlibScaleFunction function) {
  GlobalData* block = vxlibMain_getGlobalDataP();
  if (block != nullptr) block->scaleFunction = function;
}

void vxlibMain_updateBeforeDialogOpen(int dialogId) {
  Shared* s = shared();
  if (s == nullptr) return;
  MdlDesc* self = mdlSystem_getCurrMdlDesc();
  for (int i = 0; i < s->count && i < kRegistrySize; ++i) {
    const RegistryEntry e = s->entries[i];
    if (!entryIsLive(e)) continue;
    if (e.desc == self) {
      s->current = e.block;
      s->printSettings = e.block != nullptr ? e.block->buffer836 : nullptr;
      continue;
    }
    // A library dialog is open in one application at a time.
    if (MSDialog* db = mdlDialog_findByTypeAndId(RTYPE_DIALOG, dialogId, e.desc)) mdlWindow_close(db, 0, 1);
  }
}

}  // extern "C"
