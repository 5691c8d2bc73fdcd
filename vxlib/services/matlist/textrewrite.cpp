// The text rewrite: a text element whose string is a template becomes its expansion, in place,
// as a text node (several lines), or as the descriptor a callback key produced (a logo placed
// in the text's box).
//   rewriteTemplateText             the modify function of page cells and of the design
//   vxlibMatList_changeTextInMasterFile
#include <cmath>
#include <cstring>
#include <vector>

#include "vxlib/services/matlist/formdata.hpp"

namespace pixmend::vxlib::matlist {
namespace {

constexpr int kTextElement = 17;
constexpr int kScanLevelWords = 4;
constexpr int kBatchWords = 128;  // 64 file positions a batch
constexpr int kStatusBufferFull = 11;

double distance(const DPoint3d& a, const DPoint3d& b) {
  return std::hypot(std::hypot(b.x - a.x, b.y - a.y), b.z - a.z);
}

}  // namespace

int rewriteTemplateText(MSElement* element, void* params, DgnModelRefP modelRef, MSElementDescr*,
                        MSElementDescr** newDescrP) {
  vxlibUtil_updateHourGlass();
  if (element == nullptr || mdlElement_getType(element) != kTextElement) return MODIFY_STATUS_NOCHANGE;
  auto* form = static_cast<VxlibFormData*>(params);
  char text[kOutputSize] = {};
  DPoint3d origin{}, shape[5] = {};
  RotMatrix rotation{};
  TextSize size{};
  TextParam textParams{};
  if (mdlText_extract(text, sizeof text, &origin, &rotation, &size, &textParams, shape, element) != 0)
    return MODIFY_STATUS_NOCHANGE;
  const double width = distance(shape[0], shape[1]), height = distance(shape[1], shape[2]);
  char expanded[kOutputSize] = {};
  MSElementDescr* produced = nullptr;
  const int result = vxlibMatList_generateFormatedText(text, form, expanded, &produced, width, height, 1);
  if (result == 0) return MODIFY_STATUS_NOCHANGE;
  if (result == kCallback && produced != nullptr) {
    vxlibElemDscr_placeElementDescr(shape, 1, produced);
    *newDescrP = produced;
    return MODIFY_STATUS_REPLACEDSCR;
  }
  // A text element is never emptied: it would be invisible and could not be picked any more.
  if (result == kCallback || expanded[0] == '\0') std::strcpy(expanded, " ");
  if (std::strchr(expanded, '\n') != nullptr) {
    TextParam nodeParams = textParams;
    nodeParams.lineSpacing = size.height / 2;
    MSElementDescr* node = nullptr;
    if (mdlText_addStringsToNodeDscr(&node, expanded, element, &origin, &rotation, &size, &nodeParams) != 0 ||
        node == nullptr)
      return MODIFY_STATUS_ERROR;
    *newDescrP = node;
    return MODIFY_STATUS_REPLACEDSCR;
  }
  // The new text is built in a whole element's room: the node's own image holds only the old
  // element, and a longer string written there would run past it.
  MSElement rebuilt{};
  if (mdlText_create(&rebuilt, element, expanded, &origin, &rotation, &size, &textParams, modelRef) != 0)
    return MODIFY_STATUS_ERROR;
  const int oldSize = mdlElement_size(element);
  if (mdlElement_size(&rebuilt) <= oldSize) {
    std::memcpy(element, &rebuilt, static_cast<std::size_t>(mdlElement_size(&rebuilt)));
    return MODIFY_STATUS_REPLACE;
  }
  MSElementDescr* grown = nullptr;
  if (mdlElmdscr_new(&grown, &rebuilt) != 0) return MODIFY_STATUS_ERROR;
  *newDescrP = grown;
  return MODIFY_STATUS_REPLACEDSCR;
}

}  // namespace pixmend::vxlib::matlist

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::matlist;

extern "C" int vxlibMatList_changeTextInMasterFile(VxlibFormData* array, const unsigned short* levelMask,
                                                   DgnModelRefP modelRef) {
  ScanCriteria* criteria = mdlScanCriteria_create();
  if (criteria == nullptr) return VXLIB_ERROR;
  mdlScanCriteria_setModel(criteria, modelRef);
  mdlScanCriteria_addElementType(criteria, kTextElement);
  if (levelMask != nullptr) mdlScanCriteria_setLevelTest(criteria, levelMask, kScanLevelWords);
  mdlScanCriteria_setReturnType(criteria, SCAN_RETURN_FILEPOS, 1);
  // The positions first: rewriting while the scan walks would let it meet a rewritten element.
  std::vector<unsigned int> found;
  for (;;) {
    unsigned int positions[kBatchWords / 2];
    int words = kBatchWords;
    const int status = mdlScanCriteria_scan(criteria, positions, &words);
    const int inBatch = status >= 0 ? words / 2 : 0;
    found.insert(found.end(), positions, positions + inBatch);
    if (status != kStatusBufferFull || inBatch == 0) break;
  }
  mdlScanCriteria_free(criteria);
  for (unsigned int position : found) mdlModify_elementSingle(modelRef, position, rewriteTemplateText, array);
  return VXLIB_SUCCESS;
}
