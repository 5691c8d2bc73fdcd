// vxlibCell_drawCell: a cell of the attached library drawn into a dialog item's rectangle, in a
// sunken frame on black, with optional centre lines.
#include <string>

#include "vxlib/core/core.hpp"

namespace {

constexpr int kBlack = 0;
constexpr int kWhite = 7;  // the centre lines and the frame's lit edges
constexpr int kGrey = 8;   // the frame's shaded edges
constexpr int kCellReadAsStored = 1;
constexpr int kCrossVertical = 1, kCrossHorizontal = 2;

BSIRect inset(BSIRect r, int by) {
  r.origin.x += by, r.origin.y += by, r.corner.x -= by, r.corner.y -= by;
  return r;
}

// A sunken bevel: shaded above and to the left, lit below and to the right.
void bevel(MSDialog* window, const BSIRect& r) {
  const int x0 = r.origin.x, y0 = r.origin.y, x1 = r.corner.x - 1, y1 = r.corner.y - 1;
  mdlWindow_lineDraw(window, x0, y0, x1, y0, kGrey);
  mdlWindow_lineDraw(window, x0, y0, x0, y1, kGrey);
  mdlWindow_lineDraw(window, x0, y1, x1, y1, kWhite);
  mdlWindow_lineDraw(window, x1, y0, x1, y1, kWhite);
}

}  // namespace

extern "C" int vxlibCell_drawCell(const char* cellName, MSDialog* window, int item, int insetBy, int crossMode) {
  BSIRect rect{};
  if (cellName == nullptr || window == nullptr || mdlDialog_itemGetRect(&rect, window, item) != SUCCESS)
    return VXLIB_ERROR;
  bevel(window, rect);
  MSWChar name[513] = {};
  mdlCnv_convertMultibyteToUnicode(cellName, -1, name, 513);
  MSElementDescr* cell = nullptr;
  if (mdlCell_getElmDscr(&cell, name, kCellReadAsStored) != SUCCESS) return VXLIB_ERROR;
  const BSIRect inner = inset(rect, 2);
  mdlWindow_rectFill(window, &inner, kBlack);
  BSIRect drawn = insetBy > 0 ? inset(inner, insetBy) : inner;
  vxlibElemDscr_drawElementDescr(window, &drawn, cell, nullptr, DRAW_MODE_Normal);
  const int cx = (inner.origin.x + inner.corner.x - 1) / 2, cy = (inner.origin.y + inner.corner.y - 1) / 2;
  if (crossMode & kCrossVertical) mdlWindow_lineDraw(window, cx, inner.origin.y, cx, inner.corner.y - 1, kWhite);
  if (crossMode & kCrossHorizontal) mdlWindow_lineDraw(window, inner.origin.x, cy, inner.corner.x - 1, cy, kWhite);
  mdlElmdscr_freeAll(&cell);
  return VXLIB_SUCCESS;
}
