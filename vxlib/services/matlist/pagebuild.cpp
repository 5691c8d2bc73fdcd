// A page built from a page cell: the cell read from its library, the scale at which it fits the
// printable area of the print set-up, every template text rewritten; or, in spreadsheet mode,
// the form sent to the spreadsheet instead.
//   vxlibMatList_generatePageElementDescr
#include <algorithm>
#include <cmath>
#include <cstring>

#include "vxlib/services/matlist/formdata.hpp"

namespace pixmend::vxlib::matlist {

int rewriteTemplateText(MSElement* element, void* params, DgnModelRefP modelRef, MSElementDescr* node,
                        MSElementDescr** newDescrP);

namespace {

// The paper and its margins in the print set-up record (doubles, master units).
constexpr std::size_t kPaperWidthAt = 8, kPaperHeightAt = 16;
constexpr std::size_t kLeftMarginAt = 24, kRightMarginAt = 32, kTopMarginAt = 40, kBottomMarginAt = 48;
constexpr int kNoLibrary = -2, kNoCell = -1;
constexpr int kCellNameUnits = 513;

double setupValue(const unsigned char* record, std::size_t at) {
  double v = 0;
  std::memcpy(&v, record + at, sizeof v);
  return v;
}

// The scale at which a cell of the given extent fits the printable area; the page scale stays
// as it was when either is empty or not a number.
void computePageScale(MSElementDescr* cell) {
  Shared* s = shared();
  GlobalData* block = vxlibMain_getGlobalDataP();
  if (s == nullptr || s->printerSetup == nullptr || block == nullptr) return;
  DPoint3d low{}, high{};
  if (mdlElmdscr_computeRange(&low, &high, cell) != 0) return;
  const double cellWidth = std::fabs(high.x - low.x), cellHeight = std::fabs(high.y - low.y);
  const auto* setup = static_cast<const unsigned char*>(s->printerSetup);
  const double printableWidth = *vxlibUtil_masterToUORP(setupValue(setup, kPaperWidthAt) -
                                                         setupValue(setup, kLeftMarginAt) -
                                                         setupValue(setup, kRightMarginAt));
  const double printableHeight = *vxlibUtil_masterToUORP(setupValue(setup, kPaperHeightAt) -
                                                          setupValue(setup, kTopMarginAt) -
                                                          setupValue(setup, kBottomMarginAt));
  const double scale = std::min(printableWidth / cellWidth, printableHeight / cellHeight);
  if (cellWidth > 0 && cellHeight > 0 && std::isfinite(scale) && scale > 0) block->pageScale = scale;
}

}  // namespace
}  // namespace pixmend::vxlib::matlist

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::matlist;

extern "C" int vxlibMatList_generatePageElementDescr(const char* cellName, const char* cellLibrary,
                                                     MSElementDescr** descriptorOut, VxlibFormData* array,
                                                     int cellFlag) {
  if (descriptorOut != nullptr) *descriptorOut = nullptr;
  if (GlobalData* block = vxlibMain_getGlobalDataP(); block != nullptr && block->exportToExcel != 0)
    return sendToSpreadsheet(array);
  if (cellName == nullptr || descriptorOut == nullptr) return kNoCell;
  if (vxlibCell_loadCellLibraryIfNeeded(cellLibrary) != 0) return kNoLibrary;
  MSWChar wide[kCellNameUnits] = {};
  mdlCnv_convertMultibyteToUnicode(cellName, -1, wide, kCellNameUnits);
  MSElementDescr* cell = nullptr;
  if (mdlCell_getElmDscr(&cell, wide, cellFlag) != 0 || cell == nullptr) return kNoCell;
  mdlElmdscr_validate(cell, mdlModelRef_getActive());
  computePageScale(cell);
  mdlModify_elementDescr(&cell, rewriteTemplateText, array);
  mdlElmdscr_validate(cell, mdlModelRef_getActive());
  *descriptorOut = cell;
  return 0;
}
