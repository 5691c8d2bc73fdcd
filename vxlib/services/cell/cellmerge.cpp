// vxlibCell_mergeCells: the elements of two descriptors added to a cell, the cell then unturned
// with its origin kept.
#include "vxlib/core/core.hpp"

namespace {

constexpr int kCellHeader = 2;

// A copy of the node with its components (not the nodes after it), or null.
MSElementDescr* copyNode(MSElementDescr* node) {
  MSElementDescr* copy = nullptr;
  if (mdlElmdscr_new(&copy, mdlElmdscr_getElement(node)) != SUCCESS) return nullptr;
  for (MSElementDescr* c = mdlElmdscr_firstComponent(node); c != nullptr; c = mdlElmdscr_next(c)) {
    MSElementDescr* component = copyNode(c);
    if (component == nullptr || mdlElmdscr_appendDscr(copy, component) != SUCCESS) {
      mdlElmdscr_freeAll(&component);
      mdlElmdscr_freeAll(&copy);
      return nullptr;
    }
  }
  return copy;
}

// Appends every element of the chain from `first` that is no cell header (a cell's own elements
// are taken in its place) to the cell. False when an append fails.
bool appendElements(MSElementDescr* cell, MSElementDescr* first) {
  for (MSElementDescr* n = first; n != nullptr; n = mdlElmdscr_next(n)) {
    if (mdlElement_getType(mdlElmdscr_getElement(n)) == kCellHeader) {
      if (!appendElements(cell, mdlElmdscr_firstComponent(n))) return false;
      continue;
    }
    MSElementDescr* copy = copyNode(n);
    if (copy == nullptr || mdlElmdscr_appendDscr(cell, copy) != SUCCESS) {
      mdlElmdscr_freeAll(&copy);
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int vxlibCell_mergeCells(MSElementDescr* cell, MSElementDescr* first, MSElementDescr* second) {
  MSElement* header = mdlElmdscr_getElement(cell);
  DPoint3d origin{};
  RotMatrix rotation{}, inverse{};
  if (header == nullptr || mdlCell_extract(&origin, &rotation, header) != SUCCESS) return VXLIB_ERROR;
  if ((first != nullptr && !appendElements(cell, first)) || (second != nullptr && !appendElements(cell, second)))
    return VXLIB_ERROR;
  // Unturned about the design's origin; the header's origin is then written back as it was (in a
  // 2-D design the host keeps its z).
  if (mdlRMatrix_invert(&inverse, &rotation) == SUCCESS) {
    Transform unturn;
    mdlTMatrix_fromRMatrix(&unturn, &inverse);
    mdlElmdscr_transform(cell, &unturn);
  }
  mdlCell_setOrigin(mdlElmdscr_getElement(cell), &origin, mdlModelRef_getActive());
  // The header's count and range follow the components it has now.
  mdlElmdscr_validate(cell, nullptr);
  return VXLIB_SUCCESS;
}
