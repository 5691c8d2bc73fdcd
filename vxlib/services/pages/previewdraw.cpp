// The preview dialog's face: the drawing area and the column of buttons laid out by the window's
// size, and the sheet of paper drawn in the area with the page inside its margins.
//
// Every measure is a multiple of the font's height, so the dialog keeps its look with any font:
// the drawing area is the window less half a font height on the left, top and bottom and ten
// font heights on the right, where the buttons stand one under another.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "vxlib/services/pages/preview.hpp"

namespace pixmend::vxlib::pages {
namespace {

constexpr int kFont = 0;
constexpr int kBackground = 15;
constexpr int kEdge = 8;    // grey: the drawing area's edge
constexpr int kPaper = 7;   // white
constexpr int kShadow = 0;  // the paper's outline

// The buttons' column: its left edge half a font height inside the ten on the right, nine font
// heights wide; each entry two font heights high, three apart.
constexpr double kColumnWidth = 10.0;
constexpr double kButtonWidth = 9.0;
constexpr double kButtonHeight = 2.0;
constexpr double kButtonStep = 3.0;

int fontHeight(MSDialog* db) { return std::max(1, mdlWindow_fontHeightGet(db, kFont)); }

BSIRect drawingArea(MSDialog* db) {
  int width = 0, height = 0;
  mdlWindow_extentGet(&width, &height, db);
  const int fh = fontHeight(db);
  return BSIRect{{fh / 2, fh / 2}, {width - static_cast<int>(kColumnWidth * fh), height - fh / 2}};
}

bool empty(const BSIRect& r) { return r.corner.x <= r.origin.x || r.corner.y <= r.origin.y; }

void frame(MSDialog* db, const BSIRect& r, int colour) {
  const int x0 = r.origin.x, y0 = r.origin.y, x1 = r.corner.x - 1, y1 = r.corner.y - 1;
  mdlWindow_lineDraw(db, x0, y0, x1, y0, colour);
  mdlWindow_lineDraw(db, x1, y0, x1, y1, colour);
  mdlWindow_lineDraw(db, x1, y1, x0, y1, colour);
  mdlWindow_lineDraw(db, x0, y1, x0, y0, colour);
}

}  // namespace

SheetGeometry sheetGeometry(const BSIRect& area, const PageLayout& layout) {
  SheetGeometry g{{{0, 0}, {0, 0}}, {{0, 0}, {0, 0}}, false, false};
  // One pixel stays free for the area's edge all round.
  const double aw = area.corner.x - area.origin.x - 2, ah = area.corner.y - area.origin.y - 2;
  if (!(layout.width > 0) || !(layout.height > 0) || aw < 1 || ah < 1 || !std::isfinite(layout.width) ||
      !std::isfinite(layout.height)) {
    return g;
  }
  const double scale = std::min(aw / layout.width, ah / layout.height);  // pixels per master unit
  const double pw = layout.width * scale, ph = layout.height * scale;
  const double x0 = area.origin.x + 1 + (aw - pw) / 2, y0 = area.origin.y + 1 + (ah - ph) / 2;
  g.paper = BSIRect{{static_cast<int>(std::lround(x0)), static_cast<int>(std::lround(y0))},
                    {static_cast<int>(std::lround(x0 + pw)), static_cast<int>(std::lround(y0 + ph))}};
  g.paperShown = !empty(g.paper);
  // The margins in proportion; the window's y runs down, so the top margin is taken from y0.
  const double left = x0 + layout.left * scale, right = x0 + pw - layout.right * scale;
  const double top = y0 + layout.top * scale, bottom = y0 + ph - layout.bottom * scale;
  if (!std::isfinite(left + right + top + bottom) || right - left < 1 || bottom - top < 1) return g;
  g.inner = BSIRect{{static_cast<int>(std::lround(left)), static_cast<int>(std::lround(top))},
                    {static_cast<int>(std::lround(right)), static_cast<int>(std::lround(bottom))}};
  g.drawable = g.paperShown && !empty(g.inner);
  return g;
}

void layoutPreview(MSDialog* db) {
  int width = 0, height = 0;
  if (mdlWindow_extentGet(&width, &height, db) != SUCCESS) return;
  const int fh = fontHeight(db);
  const int area = mdlDialog_itemIndexByTypeAndId(db, RTYPE_GENERIC, kPreviewAreaItem, 0);
  if (area >= 0) {
    const BSIRect r = drawingArea(db);
    mdlDialog_itemSetRect(db, area, &r);
  }
  const int x = width - static_cast<int>(kColumnWidth * fh) + fh / 2;
  const int w = static_cast<int>(kButtonWidth * fh), h = static_cast<int>(kButtonHeight * fh);
  // The page option button first, then the push buttons in their order of identifiers.
  int row = 0;
  auto place = [&](unsigned type, int id) {
    const int index = mdlDialog_itemIndexByTypeAndId(db, type, id, 0);
    if (index < 0) return;
    const int y = fh + static_cast<int>(kButtonStep * fh * row++);
    const BSIRect r{{x, y}, {x + w, y + h}};
    mdlDialog_itemSetRect(db, index, &r);
  };
  place(RTYPE_OPTIONBTN, kPreviewPageItem);
  for (int id = kPreviewFirstButton; id <= kPreviewLastButton; ++id) place(RTYPE_PUSHBTN, id);
}

void drawPreview(MSDialog* db) {
  GlobalData* g = findGlobalData();
  if (g == nullptr) return;
  char title[kTitleSize];
  std::snprintf(title, sizeof title, "%s - %s", languageText(32), vxlibMain_getApplicationName());
  mdlDialog_setTitle(db, title);

  int width = 0, height = 0;
  mdlWindow_extentGet(&width, &height, db);
  const BSIRect window{{0, 0}, {width, height}};
  mdlWindow_rectFill(db, &window, kBackground);
  const BSIRect area = drawingArea(db);
  if (!empty(area)) {
    frame(db, area, kEdge);
    const PageLayout layout = pageLayout(printerSetup(), g->previewElements);
    SheetGeometry sheet = sheetGeometry(area, layout);
    if (sheet.paperShown) {
      mdlWindow_rectFill(db, &sheet.paper, kPaper);
      frame(db, sheet.paper, kShadow);
    }
    if (sheet.drawable && g->previewElements != nullptr) {
      vxlibElemDscr_drawElementDescr(db, &sheet.inner, g->previewElements, nullptr, DRAW_MODE_Normal);
    }
  }
  // The items lie on the cleared window: each is drawn again (the area itself is this drawing).
  const int count = mdlDialog_itemGetCount(db);
  const int self = mdlDialog_itemIndexByTypeAndId(db, RTYPE_GENERIC, kPreviewAreaItem, 0);
  for (int i = 0; i < count; ++i) {
    if (i != self) mdlDialog_itemDraw(db, i);
  }
}

}  // namespace pixmend::vxlib::pages
