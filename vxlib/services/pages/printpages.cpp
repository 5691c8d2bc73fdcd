// Printing pages through the plot-file drivers (PostScript, HP-GL, PCL) or into a text file:
// the output chosen, each page of the print range built by the page function and printed inside
// the paper's margins (a turned page a quarter turn round), the file closed and sent to the
// printer.
#include <cmath>
#include <cstdio>

#include "vxlib/services/pages/preview.hpp"
#include "vxlib/services/plot/plot.hpp"

namespace pixmend::vxlib::pages {
namespace {

constexpr int kMsgDone = 0;       // list 20003
constexpr int kMsgPage = 1;       // list 20003, %s page name
constexpr int kMsgSending = 2;    // list 20003
constexpr int kTextFileTitle = 34;
constexpr int kTextFileSlot = -20003;
constexpr double kQuarterTurn = 3.14159265358979323846 / 2;
constexpr double kTurnedPageAngle = 90.0;

void turn(MSElementDescr* descriptor, double radians) {
  RotMatrix rotation;
  mdlRMatrix_fromAngle(&rotation, radians);
  Transform transform;
  mdlTMatrix_fromRMatrix(&transform, &rotation);
  mdlElmdscr_transform(descriptor, &transform);
}

// One page into the open output: inside the margins of the paper as it lies in the printer; a
// page laid out turned is turned a quarter to the paper's axes for the drawing (the text file
// then reads its texts relative to the page's angle) and turned back.
void printDescriptor(MSElementDescr* descriptor, const PrinterSetup& s) {
  if (descriptor == nullptr) return;
  const bool turned = pageLayout(s, descriptor).turned;
  if (turned) {
    turn(descriptor, kQuarterTurn);
    plot::setPageAngle(kTurnedPageAngle);
  }
  vxlibPrint_printElementDescr(descriptor, s.left, s.bottom, s.width - s.left - s.right, s.height - s.top - s.bottom);
  if (turned) {
    turn(descriptor, -kQuarterTurn);
    plot::setPageAngle(0.0);
  }
}

void printCurrentPage(GlobalData* g, const PrinterSetup& s) {
  statusMessage(kMsgPage, pageName(g->previewPage));
  if (g->userPrintFunction != nullptr) {
    g->userPrintFunction(g->previewPage);
  } else {
    printDescriptor(g->previewElements, s);
  }
}

void printRangeOfPages(GlobalData* g, const PrinterSetup& s) {
  if (g->pageFunction == nullptr && g->userPrintFunction == nullptr) return;
  const PageRange range = printRange();
  for (int page = range.first; page <= range.last; ++page) {
    // The page function may replace the list: the name is taken afresh for every page.
    char name[sizeof g->currentPageName];
    std::snprintf(name, sizeof name, "%s", pageName(page));
    statusMessage(kMsgPage, name);
    std::snprintf(g->currentPageName, sizeof g->currentPageName, "%s", name);
    if (g->userPrintFunction != nullptr) {
      g->userPrintFunction(page);
      continue;
    }
    MSElementDescr* descriptor = nullptr;
    callPageFunction(page, &descriptor, 0);
    if (page > range.first) vxlibPrint_newPage();
    printDescriptor(descriptor, s);
    mdlElmdscr_freeAll(&descriptor);
  }
}

}  // namespace

void printPages() {
  GlobalData* g = block();
  // Without pages there is nothing to print: no empty file is written or sent.
  if (g == nullptr || g->pageCount <= 0) return;
  PrinterSetup s = printerSetup();
  if (s.outputType == kOutputPlotDriver) {
    printThroughPlotDriver();
    return;
  }
  char file[MAXFILELENGTH] = {};
  bool currentOnly = true;
  if (s.outputType == kOutputTextFile) {
    char title[kTitleSize];
    std::snprintf(title, sizeof title, "%s", languageText(kTextFileTitle));
    if (vxlibUpf_defFileCreate(file, nullptr, "*.txt", nullptr, title, kTextFileSlot) != 0) return;
  } else {
    int action = ACTIONBUTTON_CANCEL;
    mdlDialog_openModal(&action, 0, kPrintDialog);
    if (action == ACTIONBUTTON_CANCEL) return;
    s = printerSetup();  // as the print dialog left it
    std::snprintf(file, sizeof file, "%s", s.outputFile.c_str());
    currentOnly = recordInt(printSettings(), kSettingsRange) == kRangeCurrent;
  }
  // The paper's code goes to the drivers that size their pages by it.
  vxlibPrint_getPageSize(nullptr, nullptr, s.paper);
  if (vxlibPrint_fopen(file, s.outputType) == 0) return;  // reported by the driver
  const bool ownPrinting = g->userPrintFunction != nullptr;
  if (currentOnly) {
    printCurrentPage(g, s);
  } else {
    printRangeOfPages(g, s);
  }
  // A file that could not be completed is never sent: the printer would get the old one.
  if (vxlibPrint_fclose() != VXLIB_SUCCESS || s.outputType == kOutputTextFile) return;
  if (!s.fileOnly && !ownPrinting) {
    statusMessage(kMsgSending);
    if (vxlibPrint_sendFileToPrinter(file, s.printer.c_str(), s.copies) != 0) return;
    // Only a file the printer has taken is deleted; one kept for the user never is.
    if (recordInt(setupRecord(), kSetupDeleteAfterPrint) != 0) std::remove(file);
  }
  statusMessage(kMsgDone);
}

}  // namespace pixmend::vxlib::pages
