// The page list and the page function of the running preview, the print range, the page layout
// on the paper, the previewed page, and the calls that open the preview.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "vxlib/services/pages/preview.hpp"

namespace pixmend::vxlib {
namespace pages {
namespace {

void freePageList(GlobalData* g) {
  if (g->pageList != nullptr) {
    for (char** p = g->pageList; *p != nullptr; ++p) dlmSystem_mdlFree(*p);
    dlmSystem_mdlFree(g->pageList);
  }
  g->pageList = nullptr;
  g->pageCount = 0;
}

// A copy of `count` names on the host's heap, null-terminated. Null when memory runs out
// (nothing is left allocated).
char** copyPageList(int count, char* const* names) {
  auto** list = static_cast<char**>(dlmSystem_mdlCalloc(static_cast<std::size_t>(count) + 1, sizeof(char*)));
  if (list == nullptr) return nullptr;
  for (int i = 0; i < count; ++i) {
    const char* name = names[i];
    const std::size_t n = std::strlen(name) + 1;
    list[i] = static_cast<char*>(dlmSystem_mdlMalloc(n));
    if (list[i] == nullptr) {
      for (int j = 0; j < i; ++j) dlmSystem_mdlFree(list[j]);
      dlmSystem_mdlFree(list);
      return nullptr;
    }
    std::memcpy(list[i], name, n);
  }
  return list;
}

}  // namespace

GlobalData* block() { return vxlibMain_getGlobalDataP(); }

bool replacePageList(GlobalData* g, int count, char* const* names) {
  // The names are a null-terminated list as well as a count: a list shorter than its count ends
  // at its terminator, never read beyond it.
  if (names == nullptr || count < 0) count = 0;
  for (int i = 0; i < count; ++i) {
    if (names[i] == nullptr) count = i;
  }
  char** list = copyPageList(count, names);
  if (list == nullptr) {
    rscMsgBox(kBoxOk, kErrorList, kMsgOutOfMemory);
    return false;
  }
  freePageList(g);
  g->pageList = list;
  g->pageCount = count;
  return true;
}

const char* pageName(int index) {
  GlobalData* g = findGlobalData();
  if (g == nullptr || g->pageList == nullptr || index < 0 || index >= g->pageCount) return "";
  return g->pageList[index];
}

int callPageFunction(int index, MSElementDescr** descriptor, int placing) {
  GlobalData* g = findGlobalData();
  if (g == nullptr || g->pageFunction == nullptr) return VXLIB_ERROR;
  std::snprintf(g->currentPageName, sizeof g->currentPageName, "%s", pageName(index));
  // The application may replace the page list from within; its own copy of the name is passed.
  char name[sizeof g->currentPageName];
  std::memcpy(name, g->currentPageName, sizeof name);
  return dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(g->pageFunction), "IPPI",
                                   index, static_cast<void*>(name), static_cast<void*>(descriptor), placing);
}

PageRange printRange() {
  GlobalData* g = findGlobalData();
  const char* settings = printSettings();
  if (g == nullptr || settings == nullptr || g->pageCount <= 0) return {0, -1};
  const int last = g->pageCount - 1;
  switch (recordInt(settings, kSettingsRange)) {
    case kRangeAll:
      return {0, last};
    case kRangeFromTo: {
      const int first = std::clamp(recordInt(settings, kSettingsFirst), 0, last);
      const int to = recordInt(settings, kSettingsLast);
      return {first, std::clamp(to == 0 ? last : to, first, last)};
    }
    default: {
      const int page = std::clamp(g->previewPage, 0, last);
      return {page, page};
    }
  }
}

PageLayout pageLayout(const PrinterSetup& s, const MSElementDescr* elements) {
  bool turned = s.orientation == kTurned;
  if (s.orientation == kAutomatic && elements != nullptr) {
    DPoint3d range[2];
    if (vxlibElemDscr_getRange(range, const_cast<MSElementDescr*>(elements)) == 0) {
      const bool elementsWide = range[1].x - range[0].x > range[1].y - range[0].y;
      const bool paperWide = s.width > s.height;
      turned = elementsWide != paperWide;
    }
  }
  if (!turned) return {s.width, s.height, s.left, s.right, s.top, s.bottom, false};
  // Turned a quarter: each margin moves one place round.
  return {s.height, s.width, s.bottom, s.top, s.left, s.right, true};
}

MSDialog* previewDialog() { return mdlDialog_find(kPreviewDialog, nullptr); }
MSDialog* pageInfoDialog() { return mdlDialog_find(kPageInfoDialog, nullptr); }

void setPreviewPage(GlobalData* g, int page) {
  g->previewPage = page;
  setRecordInt(g->buffer836, kSettingsPreviewPage, page);
}

void fillPageOptions(MSDialog* db, int itemId) {
  const int index = mdlDialog_itemIndexByTypeAndId(db, RTYPE_OPTIONBTN, itemId, 0);
  GlobalData* g = findGlobalData();
  if (index < 0 || g == nullptr) return;
  mdlDialog_optionButtonClear(db, index);
  for (int i = 0; i < g->pageCount; ++i) mdlDialog_optionButtonInsert(db, index, pageName(i), i, 1);
  mdlDialog_itemSynch(db, index);
}

void buildPreviewPage() {
  GlobalData* g = findGlobalData();
  if (g == nullptr) return;
  mdlElmdscr_freeAll(&g->previewElements);
  // Only a page of the list is built: the page function is never asked for a page it did not name.
  if (g->previewPage >= 0 && g->previewPage < g->pageCount) callPageFunction(g->previewPage, &g->previewElements, 0);
  redrawPreview();
}

void redrawPreview() {
  MSDialog* db = previewDialog();
  if (db == nullptr) return;
  const int area = mdlDialog_itemIndexByTypeAndId(db, RTYPE_GENERIC, kPreviewAreaItem, 0);
  if (area >= 0) mdlDialog_itemDraw(db, area);
}

int itemNumber(DialogItemMessage* m) {
  char value[32] = {};
  mdlDialog_itemGetValue(value, sizeof value, m->db, m->itemIndex);
  return std::atoi(value);
}

bool released(DialogItemMessage* m) {
  m->msgUnderstood = 0;
  if (m->messageType != DITEM_MESSAGE_BUTTON || m->u.button.buttonTrans != BUTTONTRANS_UP) return false;
  m->msgUnderstood = 1;
  return true;
}

}  // namespace pages

void releasePagedOutput(GlobalData* g) {
  if (g == nullptr) return;
  pages::freePageList(g);
  mdlElmdscr_freeAll(&g->previewElements);
  dlmSystem_mdlFree(g->batchPageTable);
  g->batchPageTable = nullptr;
  g->batchPageCount = 0;
  mdlPlot_freeDescr(&g->plotDescriptor);
}

}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::pages;

extern "C" {

int vxlibPreview_dialogOpenExtended(int pageCount, int startPage, char** pageNames, VxlibPageFunction pageFunction,
                                    VxlibPageListFunction pageListFunction) {
  GlobalData* g = block();
  if (g == nullptr) return VXLIB_ERROR;
  pageInfoBeforeListChange();
  if (!replacePageList(g, pageCount, pageNames)) return VXLIB_ERROR;
  g->pageFunction = pageFunction;
  g->pageListFunction = pageListFunction;
  g->userPrintFunction = nullptr;
  setPreviewPage(g, g->pageCount > 0 ? std::clamp(startPage, 0, g->pageCount - 1) : 0);
  setRecordInt(g->buffer836, kSettingsPerRow, 1);
  pageInfoListChanged();
  // An open preview shows the new pages; otherwise the dialog opens and its hooks build the page.
  if (MSDialog* db = previewDialog()) {
    fillPageOptions(db, kPreviewPageItem);
    buildPreviewPage();
    return VXLIB_SUCCESS;
  }
  return mdlDialog_open(0, kPreviewDialog) != nullptr ? VXLIB_SUCCESS : VXLIB_ERROR;
}

int vxlibPreview_dialogOpen(int pageCount, char** pageNames, VxlibPageFunction pageFunction,
                            VxlibPageListFunction pageListFunction) {
  return vxlibPreview_dialogOpenExtended(pageCount, 0, pageNames, pageFunction, pageListFunction);
}

void vxlibPreview_setUserPrintFunction(VxlibUserPrintFunction function) {
  if (GlobalData* g = block()) g->userPrintFunction = function;
}

void vxlibPreview_setExcelTemplateNames(const char* templateFile, const char* sheetName) {
  char* settings = printSettings();
  if (settings == nullptr) return;
  if (templateFile != nullptr) setRecordText(settings, kSettingsTemplate, kSettingsTemplateSize, templateFile);
  if (sheetName != nullptr) setRecordText(settings, kSettingsSheet, kSettingsSheetSize, sheetName);
}

}  // extern "C"
