// Placing pages in the design: dialog 20012 and the placing command. The command shows the pages
// of the print range as rectangles at the cursor; its data point is the upper-left corner of the
// first page. Outside batch plot mode each page gets corner crosses (one graphic group) and its
// elements, fitted inside the margins; in batch plot mode (plotting through a host plot driver,
// batchplot.cpp) each placed page is recorded in the batch page table, which is then plotted.
#include <algorithm>
#include <cstring>
#include <vector>

#include "vxlib/services/pages/pages.hpp"

namespace pixmend::vxlib::pages {
namespace {

constexpr int kPromptPlacePages = 35;  // language text: the command's prompt
constexpr double kCrossMasterUnits = 4.0;

struct Rectangle {
  DPoint3d low, high;  // lower left, upper right (design coordinates)
};

// The page rectangles of the print range laid out from `upperLeft`: rows of `perRow` pages, each
// the paper's size (turned for orientation 0), the next page one width to the right and, after a
// full row, one height down at the row's start.
std::vector<Rectangle> layOut(const DPoint3d& upperLeft) {
  const PrinterSetup setup = printerSetup();
  double width = *vxlibUtil_masterToUORP(setup.width);
  double height = *vxlibUtil_masterToUORP(setup.height);
  if (setup.orientation == kTurned) std::swap(width, height);
  int perRow = recordInt(printSettings(), kSettingsPerRow);
  if (perRow < 1) perRow = 1;
  const PageRange range = printRange();
  std::vector<Rectangle> pages;
  for (int k = 0; range.first + k <= range.last; ++k) {
    const double left = upperLeft.x + (k % perRow) * width;
    const double top = upperLeft.y - (k / perRow) * height;
    pages.push_back({{left, top - height, upperLeft.z}, {left + width, top, upperLeft.z}});
  }
  return pages;
}

void rectanglePoints(const Rectangle& r, DPoint3d points[5]) {
  points[0] = r.low;
  points[1] = {r.high.x, r.low.y, r.low.z};
  points[2] = r.high;
  points[3] = {r.low.x, r.high.y, r.low.z};
  points[4] = r.low;
}

void showRectangles(DPoint3d* point, int, int drawMode) {
  for (const Rectangle& r : layOut(*point)) {
    DPoint3d points[5];
    rectanglePoints(r, points);
    MSElement e;
    if (mdlLineString_create(&e, nullptr, points, 5) == 0) mdlElement_display(&e, drawMode);
  }
}

// Two lines of 4 master units crossing at each corner of the page, in one new graphic group.
void addCornerCrosses(const Rectangle& r) {
  const double half = *vxlibUtil_masterToUORP(kCrossMasterUnits) / 2.0;
  unsigned int group = vxlibUtil_newGraphicGroup();
  const DPoint3d corners[4] = {r.low, {r.high.x, r.low.y, r.low.z}, r.high, {r.low.x, r.high.y, r.low.z}};
  for (const DPoint3d& c : corners) {
    const DPoint3d lines[2][2] = {{{c.x - half, c.y, c.z}, {c.x + half, c.y, c.z}},
                                  {{c.x, c.y - half, c.z}, {c.x, c.y + half, c.z}}};
    for (const auto& line : lines) {
      MSElement e;
      if (mdlLine_create(&e, nullptr, line) != 0) continue;
      mdlElement_setProperties(&e, nullptr, &group, nullptr);
      if (mdlElement_add(&e) != 0) mdlElement_display(&e, DRAW_MODE_Normal);
    }
  }
}

// Page `index` built by the application and fitted inside the margins of `r`; added to the
// design and displayed. The file positions of its first and last element (0 when nothing was
// added).
// The newest element's file position in the active model (positions grow as elements are added).
unsigned int newestPosition() {
  ScanCriteria* scan = mdlScanCriteria_create();
  if (scan == nullptr) return 0;
  mdlScanCriteria_setModel(scan, nullptr);
  mdlScanCriteria_setReturnType(scan, SCAN_RETURN_FILEPOS, 0);
  unsigned int newest = 0;
  unsigned int positions[64];
  for (;;) {
    int words = static_cast<int>(sizeof positions / 2);
    const int status = mdlScanCriteria_scan(scan, positions, &words);
    for (int i = 0; i < words / 2; ++i) newest = std::max(newest, positions[i]);
    if (status != SCAN_STATUS_BUFFER_FULL) break;
  }
  mdlScanCriteria_free(scan);
  return newest;
}

struct Placed {
  unsigned int first = 0, last = 0;
};
Placed placePage(int index, const Rectangle& r, bool batch) {
  Placed placed;
  MSElementDescr* page = nullptr;
  callPageFunction(index, &page, batch ? 0 : 1);
  if (page == nullptr) return placed;
  const PrinterSetup setup = printerSetup();
  const double left = *vxlibUtil_masterToUORP(setup.left), right = *vxlibUtil_masterToUORP(setup.right);
  const double top = *vxlibUtil_masterToUORP(setup.top), bottom = *vxlibUtil_masterToUORP(setup.bottom);
  DPoint3d box[5];
  rectanglePoints({{r.low.x + left, r.low.y + bottom, r.low.z}, {r.high.x - right, r.high.y - top, r.low.z}},
                  box);
  vxlibElemDscr_placeElementDescr(box, 1, page);
  // A page may be a chain of elements: each node (with its components) is an element of the
  // design of its own, added one after the other, so the page's elements are the positions from
  // the first to the newest.
  for (MSElementDescr* node = page; node != nullptr; node = mdlElmdscr_next(node)) {
    const unsigned int position = mdlElmdscr_add(node);
    if (position != 0 && placed.first == 0) placed.first = position;
  }
  if (placed.first != 0) {
    placed.last = newestPosition();
    mdlElmdscr_display(page, nullptr, DRAW_MODE_Normal);
  }
  mdlElmdscr_freeAll(&page);
  return placed;
}

void writeBatchEntry(char* entry, const Rectangle& r, const Placed& placed, const char* name) {
  const double corners[6] = {r.low.x, r.low.y, r.low.z, r.high.x, r.high.y, r.high.z};
  std::memcpy(entry + kBatchCorners, corners, sizeof corners);
  std::memcpy(entry + kBatchPosition, &placed.first, sizeof placed.first);
  std::memcpy(entry + kBatchLastPosition, &placed.last, sizeof placed.last);
  std::strncpy(entry + kBatchName, name, kBatchNameSize - 1);
}

void placeAt(DPoint3d* point, int) {
  GlobalData* g = block();
  if (g == nullptr) return;
  const bool batch = g->batchPlotMode != 0;
  const std::vector<Rectangle> pages = layOut(*point);
  const int first = printRange().first;
  if (batch) {
    dlmSystem_mdlFree(g->batchPageTable);
    g->batchPageCount = 0;
    g->batchPageTable = dlmSystem_mdlCalloc(pages.empty() ? 1 : pages.size(), kBatchEntrySize);
    if (g->batchPageTable == nullptr) {
      rscMsgBox(kBoxOk, kErrorList, kMsgOutOfMemory);
      mdlState_startDefaultCommand();
      return;
    }
    setRecordInt(g->buffer836, kSettingsPlotCount, static_cast<int>(pages.size()));
  }
  setRecordInt(g->buffer836, kSettingsPlaced, 0);
  for (std::size_t k = 0; k < pages.size(); ++k) {
    const int index = first + static_cast<int>(k);
    if (!batch) addCornerCrosses(pages[k]);
    const Placed placed = placePage(index, pages[k], batch);
    setRecordInt(g->buffer836, kSettingsPlaced, static_cast<int>(k) + 1);
    if (batch) {
      writeBatchEntry(static_cast<char*>(g->batchPageTable) + k * kBatchEntrySize, pages[k], placed,
                      pageName(index));
      g->batchPageCount = static_cast<int>(k) + 1;
    }
  }
  if (batch) plotBatchPages();
  mdlState_startDefaultCommand();
}

void leavePlacing() {
  mdlState_startDefaultCommand();
}

// However the command ends, a plot that was not made lets go of its table and descriptor.
void endPlacing() {
  GlobalData* g = findGlobalData();
  if (g != nullptr && g->batchPlotMode != 0) releaseBatch(g);
}

}  // namespace

void startPlacing(bool batch) {
  GlobalData* g = block();
  if (g == nullptr) return;
  // A placing command still waiting ends first (its cleanup sees its own mode).
  mdlState_startPrimitive(placeAt, leavePlacing, 0, 0);
  g->batchPlotMode = batch ? 1 : 0;
  mdlState_setFunction(STATE_COMMAND_CLEANUP, reinterpret_cast<void*>(endPlacing));
  mdlState_dynamicUpdate(showRectangles, 0);
  mdlOutput_printf(MSG_PROMPT, "%s", languageText(kPromptPlacePages));
}

void placePagesFromDialog() {
  GlobalData* g = block();
  if (g == nullptr || g->pageCount <= 0) return;  // nothing to place
  int action = ACTIONBUTTON_CANCEL;
  if (mdlDialog_openModal(&action, 0, kPlaceDialog) != 0 || action != ACTIONBUTTON_OK) return;
  startPlacing(false);
}

}  // namespace pixmend::vxlib::pages
