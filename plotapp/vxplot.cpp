// VXPlot: the active design's elements plotted through the library's plot-file drivers
// (PostScript, HP-GL, PCL 5 with HP-GL/2, or the text file of the drawing's texts) on an upright
// paper of the A series, a drawing wider than tall turned a quarter onto it, inside margins of
// 10 mm. It
// is the application behind `pixmend plot DESIGN.dgn --format ps|hpgl|pcl|txt --paper A3 OUT`
// (cli/plotverbs.cpp), and a user's way to a PDF of a title block (ps2pdf OUT).
//
// Key-in:  vxplot FORMAT PAPER FILE
// Answers on the text window: "vxplot: N elements plotted on PAPER to FILE", or why not.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/mdl.h"
#include "pixmend/export.h"
#include "pixmend/vxlib.h"

namespace {

constexpr const char* kName = "vxplot";
constexpr double kMargin = 10.0;  // mm on every side
constexpr double kQuarterTurn = 1.5707963267948966;

struct Format {
  const char* name;
  int outputType;
};
constexpr Format kFormats[] = {{"ps", VXLIB_PRINT_POSTSCRIPT},
                               {"hpgl", VXLIB_PRINT_HPGL},
                               {"pcl", VXLIB_PRINT_PCL},
                               {"txt", VXLIB_PRINT_TEXT}};

// The element types a plot draws (every other element, data elements among them, is left out).
constexpr int kPlottedTypes[] = {CELL_HEADER_ELM, LINE_ELM,     LINE_STRING_ELM, SHAPE_ELM, TEXT_NODE_ELM,
                                 CMPLX_SHAPE_ELM, ELLIPSE_ELM,  ARC_ELM,         TEXT_ELM};

bool isComplex(MSElementDescr* node) {
  const int type = mdlElement_getType(mdlElmdscr_getElement(node));
  return type == CELL_HEADER_ELM || type == TEXT_NODE_ELM || type == CMPLX_SHAPE_ELM;
}

int collect(MSElementDescr* descr, void* user, ScanCriteria*) {
  MSElementDescr* copy = nullptr;
  if (mdlElmdscr_duplicate(&copy, descr) == SUCCESS) static_cast<std::vector<MSElementDescr*>*>(user)->push_back(copy);
  return 0;
}

// The first simple node under `node` (its components first), preferring one that is not a text.
MSElementDescr* simpleLeaf(MSElementDescr* node, bool textAllowed) {
  for (MSElementDescr* c = mdlElmdscr_firstComponent(node); c != nullptr; c = mdlElmdscr_next(c)) {
    if (isComplex(c)) {
      if (MSElementDescr* found = simpleLeaf(c, textAllowed)) return found;
    } else if (textAllowed || mdlElement_getType(mdlElmdscr_getElement(c)) != TEXT_ELM) {
      return c;
    }
  }
  return nullptr;
}

// One chain of every element. A chain grows at its end only through a simple head (appending to a
// complex element makes a component of it), so a simple element leads; when every element is
// complex, the chain starts with a copy of one of their simple components, drawn exactly over
// its original.
MSElementDescr* chainOf(std::vector<MSElementDescr*>& elements) {
  MSElementDescr* head = nullptr;
  for (auto it = elements.begin(); it != elements.end(); ++it) {
    if (!isComplex(*it)) {
      head = *it;
      elements.erase(it);
      break;
    }
  }
  if (head == nullptr) {
    MSElementDescr* leaf = nullptr;
    for (MSElementDescr* e : elements) {
      if ((leaf = simpleLeaf(e, false)) != nullptr) break;
    }
    for (MSElementDescr* e : elements) {
      if (leaf == nullptr) leaf = simpleLeaf(e, true);
    }
    if (leaf == nullptr || mdlElmdscr_new(&head, mdlElmdscr_getElement(leaf)) != SUCCESS) {
      for (MSElementDescr*& e : elements) mdlElmdscr_freeAll(&e);
      return nullptr;
    }
  }
  for (MSElementDescr* e : elements) mdlElmdscr_appendDscr(head, e);
  elements.clear();
  return head;
}

// Paper codes of the A series: A0 1, A1 3, ... A5 11; the code after each is the paper turned.
int paperCode(const std::string& name) {
  if (name.size() != 2 || (name[0] != 'A' && name[0] != 'a') || name[1] < '0' || name[1] > '5') return 0;
  return 1 + 2 * (name[1] - '0');
}

void plot(char* unparsed) {
  char format[16] = {}, paper[16] = {};
  int used = 0;
  if (unparsed == nullptr || std::sscanf(unparsed, "%15s %15s %n", format, paper, &used) < 2 || unparsed[used] == '\0') {
    toolSubsystem_printf("%s: usage: vxplot ps|hpgl|pcl|txt A0-A5 FILE\n", kName);
    return;
  }
  const char* file = unparsed + used;
  const Format* chosen = nullptr;
  for (const Format& f : kFormats) {
    if (std::strcmp(f.name, format) == 0) chosen = &f;
  }
  int code = paperCode(paper);
  if (chosen == nullptr || code == 0) {
    toolSubsystem_printf("%s: usage: vxplot ps|hpgl|pcl|txt A0-A5 FILE\n", kName);
    return;
  }
  std::vector<MSElementDescr*> elements;
  ScanCriteria* scan = mdlScanCriteria_create();
  mdlScanCriteria_setModel(scan, nullptr);
  for (int type : kPlottedTypes) mdlScanCriteria_addElementType(scan, type);
  mdlScanCriteria_setReturnType(scan, SCAN_RETURN_CALLBACK, 0);
  mdlScanCriteria_setElmDscrCallback(scan, collect, &elements);
  mdlScanCriteria_scan(scan, nullptr, nullptr);
  mdlScanCriteria_free(scan);
  const std::size_t count = elements.size();
  MSElementDescr* drawing = chainOf(elements);
  DPoint3d low{}, high{};
  if (drawing == nullptr || mdlElmdscr_computeRange(&low, &high, drawing) != SUCCESS) {
    mdlElmdscr_freeAll(&drawing);
    toolSubsystem_printf("%s: the design has nothing to plot; %s was not written\n", kName, file);
    return;
  }
  double corner[2] = {}, size[2] = {};
  vxlibPrint_getPageSize(corner, size, code);
  // The paper stays upright as it lies in the printer (a PostScript or PCL page has no other
  // way up); a drawing wider than tall is turned a quarter onto it. The text file lists the
  // texts as they read on the drawing, so its drawing is never turned.
  const bool turned = high.x - low.x > high.y - low.y && chosen->outputType != VXLIB_PRINT_TEXT;
  if (turned) {
    RotMatrix rotation;
    mdlRMatrix_fromAngle(&rotation, kQuarterTurn);
    Transform transform;
    mdlTMatrix_fromRMatrix(&transform, &rotation);
    mdlElmdscr_transform(drawing, &transform);
  }
  if (vxlibPrint_fopen(file, chosen->outputType) != 1) {
    mdlElmdscr_freeAll(&drawing);
    return;  // the driver said why
  }
  vxlibPrint_printElementDescr(drawing, kMargin, kMargin, size[0] - 2 * kMargin, size[1] - 2 * kMargin);
  mdlElmdscr_freeAll(&drawing);
  if (vxlibPrint_fclose() != VXLIB_SUCCESS) return;  // reported; the old file is as it was
  toolSubsystem_printf("%s: %zu elements plotted on %s (%.0f x %.0f mm)%s to %s\n", kName, count, paper, size[0],
                       size[1], turned ? ", the drawing turned a quarter" : "", file);
}

MdlCommandNumber commandNumbers[] = {{plot, 0x7d070100}, {nullptr, 0}};

}  // namespace

extern "C" PIXMEND_API int MdlMain(int argc, char* argv[]) {
  vxlibMain_initVxLib("VXPlot", argc, argv);
  mdlSystem_registerCommandNumbers(commandNumbers);
  if (mdlParse_loadCommandTable(0) == nullptr) vxlibError_msgBoxPrintf(17, "Error reading command table");
  return 0;
}
