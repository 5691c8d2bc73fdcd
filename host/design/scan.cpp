// Scan criteria (api.h, "Scanning"): elements of one model by type, level and class, handed out
// in file order as file positions in batches or as descriptors to a function.
#include <bitset>
#include <memory>
#include <new>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/view/layout.hpp"

namespace el = pixmend::host::element;
using namespace pixmend::host;

struct ScanCriteria {
  DgnModelRefP modelRef = nullptr;
  std::bitset<256> types;
  bool anyType = true;
  std::bitset<MAX_LEVEL + 1> levels;
  bool anyLevel = true;
  unsigned int classMask = 0xffffffffu;
  int returnType = SCAN_RETURN_FILEPOS;
  bool singleElements = false;
  ScanElementFunc function = nullptr;
  void* userArgument = nullptr;
  // Where the scan stands: the last position handed out, and the end fixed when it began (what
  // is added while it runs is not handed out).
  std::uint32_t last = 0;
  std::uint32_t limit = 0;
  bool started = false;
};

namespace {

void restart(ScanCriteria* c) {
  c->last = 0;
  c->limit = 0;
  c->started = false;
}

bool passes(const ScanCriteria& c, const StoredElement& e) {
  const std::uint8_t* b = e.image.data();
  const int type = b[el::kTypeWord];
  if (!c.anyType && !c.types.test(static_cast<std::size_t>(type))) return false;
  const std::uint32_t level = b[el::kLevel] | b[el::kLevel + 1] << 8;  // checked: 0 to 63
  if (!c.anyLevel && !c.levels.test(level)) return false;
  // A non-graphic element counts as primary (class 0).
  const bool graphic = el::isGraphicType(type);
  const unsigned elementClass = graphic ? (b[el::kProperties] & el::kClassMask) : 0;
  return (c.classMask >> elementClass) & 1u;
}

// The next element that passes, or 0.
std::uint32_t nextPassing(ScanCriteria* c, std::int64_t model) {
  if (!c->started) {
    c->limit = positionLimit(model);
    c->started = true;
  }
  for (std::uint32_t p; (p = elementAfter(model, c->last, c->limit, c->singleElements)) != 0;) {
    c->last = p;
    if (passes(*c, *findElement(model, p))) return p;
  }
  c->last = c->limit;
  return 0;
}

}  // namespace

extern "C" {

ScanCriteria* mdlScanCriteria_create(void) {
  try {
    return std::make_unique<ScanCriteria>().release();  // the caller's, until mdlScanCriteria_free
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int mdlScanCriteria_free(ScanCriteria* criteria) {
  std::unique_ptr<ScanCriteria> owned(criteria);
  return SUCCESS;
}

int mdlScanCriteria_setModel(ScanCriteria* criteria, DgnModelRefP modelRef) {
  if (criteria == nullptr) return MDLERR_BADARG;
  criteria->modelRef = modelRef;
  restart(criteria);
  return elementModelOf(modelRef) ? SUCCESS : MDLERR_BADARG;
}

int mdlScanCriteria_addElementType(ScanCriteria* criteria, int type) {
  if (criteria == nullptr || type < 1 || type > 255) return MDLERR_BADARG;
  criteria->anyType = false;
  criteria->types.set(static_cast<std::size_t>(type));
  return SUCCESS;
}

int mdlScanCriteria_setLevelTest(ScanCriteria* criteria, const unsigned short* levelMask, int maskWords) {
  if (criteria == nullptr || levelMask == nullptr || maskWords < 0) return MDLERR_BADARG;
  criteria->anyLevel = false;
  criteria->levels.reset();
  for (int level = 0; level <= MAX_LEVEL && level / 16 < maskWords; ++level) {
    if ((levelMask[level / 16] >> (level % 16)) & 1u) criteria->levels.set(static_cast<std::size_t>(level));
  }
  return SUCCESS;
}

int mdlScanCriteria_setClassTest(ScanCriteria* criteria, unsigned int classMask) {
  if (criteria == nullptr) return MDLERR_BADARG;
  criteria->classMask = classMask;
  return SUCCESS;
}

int mdlScanCriteria_setReturnType(ScanCriteria* criteria, int returnType, int singleElements) {
  if (criteria == nullptr || (returnType != SCAN_RETURN_FILEPOS && returnType != SCAN_RETURN_CALLBACK))
    return MDLERR_BADARG;
  criteria->returnType = returnType;
  criteria->singleElements = singleElements != 0;
  return SUCCESS;
}

int mdlScanCriteria_setElmDscrCallback(ScanCriteria* criteria, ScanElementFunc function, void* userArgument) {
  if (criteria == nullptr) return MDLERR_BADARG;
  criteria->function = function;
  criteria->userArgument = userArgument;
  return SUCCESS;
}

int mdlScanCriteria_scan(ScanCriteria* criteria, unsigned int* positions, int* bufferWords) {
  if (criteria == nullptr) return MDLERR_BADARG;
  const auto model = elementModelOf(criteria->modelRef);
  if (!model) return MDLERR_BADARG;
  if (criteria->returnType == SCAN_RETURN_CALLBACK) {
    if (criteria->function == nullptr) return MDLERR_BADARG;
    for (std::uint32_t p; (p = nextPassing(criteria, *model)) != 0;) {
      MSElementDescr* descr = nullptr;
      if (mdlElmdscr_read(&descr, p, criteria->modelRef, 0) == 0) continue;
      const int answer = criteria->function(descr, criteria->userArgument, criteria);
      mdlElmdscr_freeAll(&descr);
      if (answer != 0) return answer;
    }
    return SCAN_STATUS_END;
  }
  if (positions == nullptr || bufferWords == nullptr || *bufferWords < 2) return MDLERR_BADARG;
  const int capacity = *bufferWords / 2;  // two 16-bit words per position
  int filled = 0;
  while (filled < capacity) {
    const std::uint32_t p = nextPassing(criteria, *model);
    if (p == 0) break;
    positions[filled++] = p;
  }
  *bufferWords = filled * 2;
  return filled == capacity ? SCAN_STATUS_BUFFER_FULL : SCAN_STATUS_END;
}

}  // extern "C"
