// The utility family's levels (a level found or made by name) and the search for plot fences:
// shapes marked with a user-data linkage of identifier 6 in the active model and the references
// the user sees.
#include <cstdio>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

constexpr int kMessageCenterError = 1;
constexpr int kPlotFenceIdentifier = 6;
constexpr unsigned int kPlotFenceClassMask = 4;
constexpr int kBatchWords = 128;
constexpr int kStatusBufferFull = 11;
constexpr int kUserDataBytes = 8184;

// Visits the shapes of one model; a non-zero answer of the function ends this model's scan.
void findPlotFences(DgnModelRefP model, void* function, void* userArgument) {
  ScanCriteria* criteria = mdlScanCriteria_create();
  if (criteria == nullptr) return;
  mdlScanCriteria_setModel(criteria, model);
  mdlScanCriteria_addElementType(criteria, SHAPE_ELM);
  mdlScanCriteria_setClassTest(criteria, kPlotFenceClassMask);
  mdlScanCriteria_setReturnType(criteria, SCAN_RETURN_FILEPOS, 1);
  unsigned char data[kUserDataBytes];
  bool stopped = false;
  while (!stopped) {
    unsigned int positions[kBatchWords / 2];
    int words = kBatchWords;
    const int status = mdlScanCriteria_scan(criteria, positions, &words);
    const int inBatch = status >= 0 ? words / 2 : 0;
    for (int i = 0; i < inBatch && !stopped; ++i) {
      MSElementDescr* descr = nullptr;
      if (mdlElmdscr_read(&descr, positions[i], model, 0) == 0) continue;
      MSElement* element = mdlElmdscr_getElement(descr);
      int value = 0, length = 0;
      if (vxlibAttrib_extractElementUserData(element, kPlotFenceIdentifier, &value, data, &length) == VXLIB_SUCCESS) {
        stopped = dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), function, "PIPP", static_cast<void*>(element),
                                            static_cast<int>(positions[i]), static_cast<void*>(model),
                                            userArgument) != 0;
      }
      mdlElmdscr_freeAll(&descr);
    }
    if (status != kStatusBufferFull || inBatch == 0) break;
  }
  mdlScanCriteria_free(criteria);
}

int referenceParameter(DgnModelRefP reference, int parameter) {
  int value = 0;
  return mdlRefFile_getParameters(&value, parameter, reference) == SUCCESS ? value : 0;
}

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

unsigned int vxlibUtil_levelIdFromNameExtended(const unsigned short* name, int rewriteTable, int setSymbology,
                                               unsigned int colour, unsigned int weight, int style) {
  if (name == nullptr) return 0;
  DgnModelRefP active = mdlModelRef_getActive();
  unsigned int id = 0;
  if (mdlLevel_getIdFromName(&id, active, name) == SUCCESS) return id;
  if (mdlLevel_getIdFromLibrary(&id, name) == SUCCESS) return id;
  if (mdlSystem_getWorkmode() == WORKMODE_V7) {
    char detail[OUTPUT_TEXT_MAX];
    std::snprintf(detail, sizeof detail, "Cannot create level '%s' because MicroStation is in 'V7 Workmode'.",
                  vxlibUtil_convertToMultibyteText(name));
    mdlOutput_messageCenter(kMessageCenterError, "NA in 'V7 Workmode'.", detail, 0);
    return 0;
  }
  if (mdlLevel_create(&id, active, name) != SUCCESS) return 0;
  if (setSymbology != 0) {
    mdlLevel_setElementSymbology(active, id, &colour, &weight, &style);
    mdlLevel_setOverrideSymbology(active, id, &colour, &weight, &style);
  }
  if (rewriteTable != 0) mdlLevelTable_rewrite(active);
  return id;
}

unsigned int vxlibUtil_levelIdFromName(const unsigned short* name) {
  return vxlibUtil_levelIdFromNameExtended(name, 1, 0, 0, 0, 0);
}

int vxlibUtil_findAllPlotFence(VxlibPlotFenceFunction function, void* userArgument) {
  if (function == nullptr) return 0;
  DgnModelRefP active = mdlModelRef_getActive();
  findPlotFences(active, reinterpret_cast<void*>(function), userArgument);
  const int references = mdlRefFile_getCount(active);
  for (int i = 0; i < references; ++i) {
    DgnModelRefP reference = mdlRefFile_getModelRef(active, i);
    if (reference == nullptr || referenceParameter(reference, REFERENCE_FILEFOUND) == 0 ||
        referenceParameter(reference, REFERENCE_DISPLAY) == 0 || referenceParameter(reference, REFERENCE_LOCATE) == 0)
      continue;
    findPlotFences(reference, reinterpret_cast<void*>(function), userArgument);
  }
  return 0;
}

}  // extern "C"
