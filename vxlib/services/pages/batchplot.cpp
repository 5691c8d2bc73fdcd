// Output type 6: the pages plotted through a host plot driver. A plot descriptor is made from the
// set-up's plot driver file, the print dialog confirms, and the pages are placed in the design in
// batch plot mode (place.cpp); then each placed page is plotted with its rectangle as the fence
// and deleted again (undoably). The plot file of each page is named after the design and the page.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "vxlib/services/pages/pages.hpp"

namespace pixmend::vxlib::pages {
namespace {

constexpr int kMsgPlacePagesToPlot = 14;  // list 20003
constexpr int kMaxPlotCopies = 99;        // what a plot descriptor takes

// The folder plot files go to: the one MS_PLTFILES names (else MS_TMP), ending in '/'; a value
// that is no folder gives its directory part. "" (the current folder) without either.
std::string plotFolder() {
  std::string folder = expandedVariable("MS_PLTFILES");
  if (folder.empty()) folder = expandedVariable("MS_TMP");
  if (folder.empty() || folder.back() == '/') return folder;
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return folder + "/";
  char directory[MAXDIRLENGTH] = {};
  mdlFile_parseName(folder.c_str(), nullptr, directory, nullptr, nullptr);
  return directory;
}

// A page name as part of a file name: path separators become '_', so a name such as "../x" or
// "a/b" stays inside the plot folder (after the design's name and '_', ".." alone is harmless).
std::string fileNamePart(const char* pageName) {
  std::string part = pageName != nullptr ? pageName : "";
  for (char& c : part) {
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = '_';
  }
  return part;
}

void readEntry(const char* entry, DPoint3d corners[2], unsigned int* first, unsigned int* last,
               std::string* name) {
  double values[6];
  std::memcpy(values, entry + kBatchCorners, sizeof values);
  corners[0] = {values[0], values[1], values[2]};
  corners[1] = {values[3], values[4], values[5]};
  std::memcpy(first, entry + kBatchPosition, sizeof *first);
  std::memcpy(last, entry + kBatchLastPosition, sizeof *last);
  *name = std::string(entry + kBatchName, strnlen(entry + kBatchName, kBatchNameSize));
}

// Deletes (undoably) the elements of the active model from position `first` to `last`.
void deletePlacedElements(unsigned int first, unsigned int last) {
  if (first == 0) return;
  ScanCriteria* scan = mdlScanCriteria_create();
  if (scan == nullptr) return;
  mdlScanCriteria_setModel(scan, nullptr);
  mdlScanCriteria_setReturnType(scan, SCAN_RETURN_FILEPOS, 0);
  std::vector<unsigned int> doomed;
  unsigned int positions[64];
  for (;;) {
    int words = static_cast<int>(sizeof positions / 2);
    const int status = mdlScanCriteria_scan(scan, positions, &words);
    for (int i = 0; i < words / 2; ++i) {
      if (positions[i] >= first && positions[i] <= last) doomed.push_back(positions[i]);
    }
    if (status != SCAN_STATUS_BUFFER_FULL) break;
  }
  mdlScanCriteria_free(scan);
  for (unsigned int position : doomed) mdlElement_undoableDelete(nullptr, position, 1);
}

void plotEntry(PlotDescr* descriptor, const char* entry, int copies) {
  DPoint3d corners[2];
  unsigned int first = 0, last = 0;
  std::string name;
  readEntry(entry, corners, &first, &last, &name);
  const DPoint3d shape[5] = {corners[0],
                             {corners[1].x, corners[0].y, corners[0].z},
                             corners[1],
                             {corners[0].x, corners[1].y, corners[0].z},
                             corners[0]};
  MSElement fence;
  if (mdlShape_create(&fence, nullptr, shape, 5, 0) == 0 && mdlFence_fromShape(&fence, 0) == 0) {
    mdlPlot_setAreaFromFence(descriptor);
    mdlPlot_setCopies(descriptor, std::clamp(copies, 1, kMaxPlotCopies));
    mdlPlot_maximize(descriptor);
    const std::string file = plotFileName(descriptor, name.c_str());
    // A plot that cannot be written leaves the old file; the user is told which one.
    if (mdlPlot_plot(descriptor, file.empty() ? nullptr : file.c_str()) != 0) {
      rscMsgBox(kBoxOk, kErrorList, kMsgCannotCreate, file.empty() ? name.c_str() : file.c_str());
    }
  }
  deletePlacedElements(first, last);
}

}  // namespace

std::string expandedVariable(const char* name) {
  char* value = mdlSystem_getExpandedCfgVar(name);
  if (value == nullptr) return {};
  std::string text = value;
  dlmSystem_mdlFree(value);
  return text;
}

std::string plotFileName(PlotDescr* descriptor, const char* pageName) {
  if (descriptor == nullptr || mdlPlot_isSystemPrinter(descriptor) != 0) return {};
  char own[MAXFILELENGTH] = {};
  mdlPlot_getFileName(own, sizeof own, descriptor);
  if (own[0] != '\0') return own;
  char design[MAXFILELENGTH] = {};
  char designName[MAXNAMELENGTH] = {};
  if (mdlModelRef_getFileName(mdlModelRef_getActive(), design, sizeof design) == 0 && design[0] != '\0') {
    mdlFile_parseName(design, nullptr, nullptr, designName, nullptr);
  }
  char extension[MAXEXTENSIONLENGTH] = {};
  mdlPlot_getDefaultExtension(extension, sizeof extension, descriptor);
  return plotFolder() + designName + "_" + fileNamePart(pageName) + "." +
         (extension[0] != '\0' ? extension : "000");
}

void releaseBatch(GlobalData* g) {
  if (g == nullptr) return;
  dlmSystem_mdlFree(g->batchPageTable);
  g->batchPageTable = nullptr;
  g->batchPageCount = 0;
  g->batchPlotMode = 0;
  mdlPlot_freeDescr(&g->plotDescriptor);
}

void plotBatchPages() {
  GlobalData* g = block();
  if (g == nullptr) return;
  const int copies = printerSetup().copies;
  if (g->plotDescriptor != nullptr && g->batchPageTable != nullptr) {
    for (int i = 0; i < g->batchPageCount; ++i) {
      plotEntry(g->plotDescriptor, static_cast<const char*>(g->batchPageTable) + i * kBatchEntrySize, copies);
    }
  }
  releaseBatch(g);
  mdlFence_clear(1);
}

void printThroughPlotDriver() {
  GlobalData* g = block();
  if (g == nullptr || g->pageCount <= 0) return;  // nothing to plot
  // A plot still waiting for its data point ends (and lets go of its descriptor) first.
  if (g->batchPlotMode != 0) mdlState_startDefaultCommand();
  const PrinterSetup setup = printerSetup();
  mdlPlot_freeDescr(&g->plotDescriptor);
  if (createPlotDescriptor(&g->plotDescriptor, setup) != 0) {
    rscMsgBox(kBoxOk, kErrorList, kMsgCannotCreate, setup.plotDriver.c_str());
    return;
  }
  int action = ACTIONBUTTON_CANCEL;
  if (mdlDialog_openModal(&action, 0, kPrintDialog) != 0 || action != ACTIONBUTTON_OK) {
    mdlPlot_freeDescr(&g->plotDescriptor);
    return;
  }
  rscMsgBox(kBoxOk, kStatusList, kMsgPlacePagesToPlot);
  startPlacing(true);
}

}  // namespace pixmend::vxlib::pages
