// vxpagesapp: a small application of the maker with paged output: its pages are drawing sheets
// named P1, P2, ... built by its page function, and its form data go to a spreadsheet.
//
// Page i (0-based) is a frame, a diagonal from its lower left corner and the page's name as a
// text; even pages are wide (400 x 200 master units), odd pages tall (200 x 400). In spreadsheet
// mode (no descriptor asked for) the page function sends a form with the keys "page" (the name)
// and "numb" (i + 1) instead.
//
// Key-ins:
//   vxpages preview N [START]   the preview of N pages (from page START)
//   vxpages nofunction N        the preview of N pages without a page function
//   vxpages pagelist N          a page-list function giving N pages from now on (0: none)
//   vxpages userprint on|off    its own print function (says which page it was asked to print)
//   vxpages template FILE [SHEET]  the spreadsheet template and its sheet
//   vxpages setup               the print set-up dialog
//   vxpages shortlist N         the preview of a one-name list said to hold N names
//   vxpages storesetup old|short|hostile   writes a set-up record into the host's user preference
//                               file as another program might have: the older 'PrSD' record, a
//                               'PtSe' of the wrong size, or one with nonsense in every field
//   vxpages printdialog         the print dialog (20007) opened modally; says its answer and range
//   vxpages place | plot | sheet   the library's placing (dialog 20012), plotting through the host
//                               plot driver (print dialog 20007) and spreadsheet output (dialog
//                               20023), as the preview's buttons start them
//   vxpages paper CODE W H LEFT RIGHT TOP BOTTOM ORIENTATION COPIES [DRIVER]
//                               the print set-up as its dialog would store it
//   vxpages elements            the active model's elements: position, type, graphic group, points
//   vxpages output TYPE FILE [fileonly | COPIES PRINTER]
//                               the set-up's output type and file, and where it is printed
//   vxpages range RANGE FIRST LAST  the print settings' range (0 current, 1 all, 2 from-to)
//   vxpages resize [W H]        resizes the open preview as a user drags its corner; says its size
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host/mdl.h"
#include "pixmend/export.h"
#include "pixmend/vxlib.h"
#include "vxlib/services/pages/pages.hpp"

namespace {

constexpr const char* kName = "vxpages";
constexpr int kMaxPages = 64;

std::vector<std::string> names;
std::vector<char*> nameList;
int listedPages = 0;
std::vector<std::string> listedNames;
std::vector<char*> listedList;

void makeNames(int count, std::vector<std::string>& out, std::vector<char*>& list) {
  out.clear();
  list.clear();
  for (int i = 0; i < count; ++i) out.push_back("P" + std::to_string(i + 1));
  for (auto& n : out) list.push_back(n.data());
  list.push_back(nullptr);
}

double uors(double masterUnits) {
  double u = 0.0;
  mdlCnv_masterUnitsToUors(&u, masterUnits, nullptr);
  return u;
}

int buildPage(int index, const char* name, MSElementDescr** descr, int placing) {
  if (descr == nullptr) {
    VxlibFormData* data = vxlibMatList_createFormDataArray(4, 1);
    vxlibMatList_insertValue(data, "page", 3, 0, name);
    vxlibMatList_insertValue(data, "numb", 2, 0, index + 1);
    const int r = vxlibMatList_generatePageElementDescr("PAGE", nullptr, nullptr, data, 0);
    vxlibMatList_destroyFormDataArray(data);
    toolSubsystem_printf("%s: page %d \"%s\" sent to the spreadsheet: %d\n", kName, index, name, r);
    return 0;
  }
  const bool wide = index % 2 == 0;
  const double w = uors(wide ? 400.0 : 200.0), h = uors(wide ? 200.0 : 400.0);
  DPoint3d frame[5] = {{0, 0, 0}, {w, 0, 0}, {w, h, 0}, {0, h, 0}, {0, 0, 0}};
  MSElement e;
  mdlShape_create(&e, nullptr, frame, 5, 0);
  mdlElmdscr_new(descr, &e);
  DPoint3d diagonal[2] = {{0, 0, 0}, {w / 2, h / 2, 0}};
  mdlLine_create(&e, nullptr, diagonal);
  mdlElmdscr_appendElement(*descr, &e);
  TextSize size{uors(10.0), uors(10.0)};
  DPoint3d origin{uors(10.0), h - uors(20.0), 0};
  if (mdlText_create(&e, nullptr, name, &origin, nullptr, &size, nullptr, nullptr) == 0) {
    mdlElmdscr_appendElement(*descr, &e);
  }
  toolSubsystem_printf("%s: page %d \"%s\" built%s\n", kName, index, name, placing != 0 ? " to place" : "");
  return 0;
}

int listPages(char*** namesP) {
  makeNames(listedPages, listedNames, listedList);
  *namesP = listedList.data();
  toolSubsystem_printf("%s: the page list gives %d pages\n", kName, listedPages);
  return listedPages;
}

void userPrint(int index) { toolSubsystem_printf("%s: its own printing of page %d\n", kName, index); }

int count(const char*& text) {
  const int n = std::atoi(text);
  while (*text == ' ') ++text;
  while (*text != '\0' && *text != ' ') ++text;
  while (*text == ' ') ++text;
  return n < 0 ? 0 : n > kMaxPages ? kMaxPages : n;
}

void preview(char* unparsed) {
  const char* rest = unparsed;
  const int n = count(rest);
  const int start = *rest != '\0' ? std::atoi(rest) : 0;
  makeNames(n, names, nameList);
  const int r = vxlibPreview_dialogOpenExtended(n, start, nameList.data(), &buildPage,
                                                listedPages > 0 ? &listPages : nullptr);
  toolSubsystem_printf("%s: preview of %d pages gave %d\n", kName, n, r);
}

// A list of one name said to hold N: the library must stop at its terminator.
void shortList(char* unparsed) {
  const char* rest = unparsed;
  const int n = count(rest);
  makeNames(1, names, nameList);
  toolSubsystem_printf("%s: preview of a one-name list said to hold %d gave %d\n", kName, n,
                       vxlibPreview_dialogOpen(n, nameList.data(), &buildPage, nullptr));
}

void noFunction(char* unparsed) {
  const char* rest = unparsed;
  const int n = count(rest);
  makeNames(n, names, nameList);
  toolSubsystem_printf("%s: preview of %d pages without a page function gave %d\n", kName, n,
                       vxlibPreview_dialogOpen(n, nameList.data(), nullptr, nullptr));
}

void pageList(char* unparsed) {
  const char* rest = unparsed;
  listedPages = count(rest);
}

void userPrintSwitch(char* unparsed) {
  const bool on = std::string(unparsed) == "on";
  vxlibPreview_setUserPrintFunction(on ? &userPrint : nullptr);
}

void templateNames(char* unparsed) {
  std::string file = unparsed, sheet;
  const auto blank = file.find(' ');
  if (blank != std::string::npos) {
    sheet = file.substr(blank + 1);
    file.resize(blank);
  }
  vxlibPreview_setExcelTemplateNames(file.c_str(), sheet.empty() ? nullptr : sheet.c_str());
}

void setup(char*) { toolSubsystem_printf("%s: set-up gave %d\n", kName, vxlibPrintSet_dialogOpen()); }

// The record's fields written through the library's own accessors of its byte layout.
void putInt(std::vector<char>& r, std::size_t at, int v) { pixmend::vxlib::pages::setRecordInt(r.data(), at, v); }
void putDouble(std::vector<char>& r, std::size_t at, double v) { pixmend::vxlib::pages::setRecordDouble(r.data(), at, v); }

// Offsets of the set-up record as the library lays it out (840 bytes; the older one stops at 584).
void storeSetup(char* unparsed) {
  const std::string kind = unparsed;
  std::vector<char> r(kind == "old" ? 584 : kind == "short" ? 100 : 840, 0);
  unsigned int type = 0x50745365;  // 'PtSe'
  int id = 20002;
  if (kind == "old") {
    type = 0x50725344;  // 'PrSD'
    id = 20001;
    putInt(r, 0, 7);
    putDouble(r, 8, 1.0);  // stale sizes: paper 7 has its own
    putDouble(r, 16, 1.0);
    putDouble(r, 24, 15.0);
    putDouble(r, 32, 15.0);
    putDouble(r, 40, 5.0);
    putDouble(r, 48, 5.0);
    putInt(r, 56, 1);
    putInt(r, 60, 5);
    putInt(r, 64, 3);
    pixmend::vxlib::pages::setRecordText(r.data(), 68, 255, "printsrv\\plotq");
    pixmend::vxlib::pages::setRecordText(r.data(), 323, 257, "old.ps");
    putInt(r, 580, 1);
  } else if (kind == "hostile") {
    putInt(r, 0, 0);
    putDouble(r, 8, std::numeric_limits<double>::quiet_NaN());
    putDouble(r, 16, std::numeric_limits<double>::infinity());
    putDouble(r, 24, -5.0);
    putDouble(r, 32, 1e300);
    putDouble(r, 40, std::numeric_limits<double>::quiet_NaN());
    putDouble(r, 48, 0.0);
    putInt(r, 56, 7);
    putInt(r, 60, 3);
    putInt(r, 64, -2);
    std::memset(r.data() + 68, 'P', 255);
    std::memset(r.data() + 323, 'F', 257);
    putInt(r, 580, 5);
    std::memset(r.data() + 584, 'D', 256);
  } else if (kind != "short") {
    toolSubsystem_printf("%s: storesetup old|short|hostile\n", kName);
    return;
  }
  RscFileHandle file = 0;
  if (vxlibUtil_openUserPrefFile(&file, 1) != 0) {
    toolSubsystem_printf("%s: no user preference file\n", kName);
    return;
  }
  if (void* stored = mdlResource_load(file, type, id)) {
    mdlResource_free(stored);
    mdlResource_delete(file, type, id);
  }
  const int status = mdlResource_add(file, type, id, r.data(), static_cast<unsigned>(r.size()), nullptr);
  mdlResource_closeFile(file);
  toolSubsystem_printf("%s: stored a %s set-up record of %d bytes: %d\n", kName, kind.c_str(),
                       static_cast<int>(r.size()), status);
}

void printDialog(char*) {
  int answer = 0;
  mdlDialog_openModal(&answer, 0, 20007);
  toolSubsystem_printf("%s: print dialog gave %d\n", kName, answer);
}

namespace pages = pixmend::vxlib::pages;

void place(char*) { pages::placePagesFromDialog(); }
void plot(char*) { pages::printThroughPlotDriver(); }
void sheet(char*) { pages::spreadsheetFromDialog(); }

void paper(char* unparsed) {
  pages::PrinterSetup p = pages::printerSetup();
  char driver[256] = {};
  const int n = std::sscanf(unparsed, "%d %lf %lf %lf %lf %lf %lf %d %d %255s", &p.paper, &p.width, &p.height,
                            &p.left, &p.right, &p.top, &p.bottom, &p.orientation, &p.copies, driver);
  if (n < 9) {
    toolSubsystem_printf("%s: paper CODE W H LEFT RIGHT TOP BOTTOM ORIENTATION COPIES [DRIVER]\n", kName);
    return;
  }
  if (n == 10) p.plotDriver = driver;
  pages::storePrinterSetup(p);
}

std::string masterUnits(double uors) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", *vxlibUtil_UORToMasterP(uors));
  return text;
}

int listElement(MSElementDescr* descr, void*, ScanCriteria*) {
  MSElement* e = mdlElmdscr_getElement(descr);
  unsigned int group = 0;
  mdlElement_getProperties(nullptr, &group, nullptr, e);
  std::string line = "type " + std::to_string(mdlElement_getType(e)) + " group " + std::to_string(group);
  line += ":";
  std::vector<DPoint3d> points(MAX_VERTICES);
  int count = 0;
  if (mdlLinear_extract(points.data(), &count, e, nullptr) == 0) {
    for (int i = 0; i < count; ++i) line += " " + masterUnits(points[i].x) + "," + masterUnits(points[i].y);
  } else {
    char text[128] = {};
    DPoint3d origin{};
    if (mdlText_extract(text, sizeof text, &origin, nullptr, nullptr, nullptr, nullptr, e) == 0) {
      line += " \"" + std::string(text) + "\" at " + masterUnits(origin.x) + "," + masterUnits(origin.y);
    }
  }
  toolSubsystem_printf("%s: %u %s\n", kName, mdlElmdscr_getFilePos(descr), line.c_str());
  return 0;
}

void elements(char*) {
  ScanCriteria* scan = mdlScanCriteria_create();
  mdlScanCriteria_setModel(scan, nullptr);
  mdlScanCriteria_setReturnType(scan, SCAN_RETURN_CALLBACK, 0);
  mdlScanCriteria_setElmDscrCallback(scan, listElement, nullptr);
  mdlScanCriteria_scan(scan, nullptr, nullptr);
  mdlScanCriteria_free(scan);
}

std::vector<std::string> words(const char* text) {
  std::vector<std::string> out;
  std::string w;
  for (const char* c = text;; ++c) {
    if (*c == ' ' || *c == '\0') {
      if (!w.empty()) out.push_back(w);
      w.clear();
      if (*c == '\0') break;
    } else {
      w += *c;
    }
  }
  return out;
}

void output(char* unparsed) {
  const auto w = words(unparsed);
  if (w.size() < 2) return;
  pages::PrinterSetup p = pages::printerSetup();
  p.outputType = std::atoi(w[0].c_str());
  p.outputFile = w[1];
  p.fileOnly = w.size() < 4;
  p.copies = p.fileOnly ? 1 : std::atoi(w[2].c_str());
  p.printer.clear();
  for (std::size_t i = 3; i < w.size(); ++i) p.printer += (i > 3 ? " " : "") + w[i];
  pages::storePrinterSetup(p);
}

void range(char* unparsed) {
  const auto w = words(unparsed);
  char* settings = pages::printSettings();
  if (settings == nullptr || w.size() < 3) return;
  pages::setRecordInt(settings, pages::kSettingsRange, std::atoi(w[0].c_str()));
  pages::setRecordInt(settings, pages::kSettingsFirst, std::atoi(w[1].c_str()));
  pages::setRecordInt(settings, pages::kSettingsLast, std::atoi(w[2].c_str()));
}

void resize(char* unparsed) {
  const auto w = words(unparsed);
  MSDialog* db = mdlDialog_find(20005, nullptr);
  if (db == nullptr) return;
  if (w.size() >= 2) mdlWindow_extentSet(db, std::atoi(w[0].c_str()), std::atoi(w[1].c_str()));
  int width = 0, height = 0;
  mdlWindow_extentGet(&width, &height, db);
  toolSubsystem_printf("%s: the preview is %d x %d\n", kName, width, height);
}

MdlCommandNumber commandNumbers[] = {{preview, 0x7d060100},  {noFunction, 0x7d060200},    {pageList, 0x7d060300},
                                     {userPrintSwitch, 0x7d060400}, {templateNames, 0x7d060500},
                                     {setup, 0x7d060600},    {storeSetup, 0x7d061000},
                                     {printDialog, 0x7d061100}, {output, 0x7d062100},
                                     {range, 0x7d062200},    {resize, 0x7d062300},
                                     {place, 0x7d063000},    {plot, 0x7d063100},
                                     {sheet, 0x7d063200},    {paper, 0x7d063300},
                                     {elements, 0x7d063400}, {shortList, 0x7d060700},
                                     {nullptr, 0}};

}  // namespace

extern "C" PIXMEND_API int MdlMain(int argc, char* argv[]) {
  vxlibMain_initVxLib("VXPages", argc, argv);
  vxlibUpf_open(nullptr, nullptr, "VXPages.upf");
  mdlSystem_registerCommandNumbers(commandNumbers);
  if (mdlParse_loadCommandTable(0) == nullptr) vxlibError_msgBoxPrintf(17, "Error reading command table");
  return 0;
}
