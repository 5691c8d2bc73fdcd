// The hooks of the preview dialog (20005) and the page-information dialog (20024), one table:
//   20004 preview dialog       prepared, sized from 'FoDa' 20001, laid out, its page built;
//                              closed: the size kept, the page's elements freed
//   20005 drawing area         draws the sheet
//   20006, 20007               print set-up; print
//   20008 page option button   another page previewed (its page information read)
//   20009 refresh              the page list asked again of the application
//   20010, 20011, 20012        place pages; spreadsheet; spreadsheet template
//   20083, 20092               page-information dialog; project dialog
//   20084-20090                the page-information dialog (pageinfo.cpp)
#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "vxlib/services/pages/preview.hpp"
#include "vxlib/services/project/records.hpp"

namespace pixmend::vxlib::pages {
namespace {

enum HookId {
  kPreviewHook = 20004,
  kAreaHook = 20005,
  kSetupHook = 20006,
  kPrintHook = 20007,
  kPageHook = 20008,
  kRefreshHook = 20009,
  kPlaceHook = 20010,
  kSpreadsheetHook = 20011,
  kTemplateHook = 20012,
  kPageInfoOpenHook = 20083,
  kPageInfoHook = 20084,
  kPageInfoPageHook = 20085,
  kPageInfoSaveHook = 20086,
  kPageInfoDeleteHook = 20087,
  kPageInfoUnlistedHook = 20088,
  kPageInfoDeleteAllHook = 20089,
  kPageInfoFieldHook = 20090,
  kProjectHook = 20092,
};

constexpr int kInterestResize = 0x40;
constexpr int kAreaAttributeCleared = 0x2;
// An option button's own message of a new value; this host sends STATECHANGED, taken the same.
constexpr int kOptionValueMessage = 72;

// The window's size in the user preference file: two int32, width and height.
constexpr unsigned int kSizeType = 0x466F4461;  // 'FoDa'
constexpr int kSizeId = 20001;
constexpr int kMaxSide = 4096;

constexpr int kTemplateTitle = 33;
constexpr int kTemplateSlot = -20005;
constexpr const char* kTemplateFilter = "*.xlsx";

// The smallest window that shows the column of buttons whole: 20 font heights by 31.
void restoreSize(MSDialog* db, GlobalData* g) {
  std::int32_t stored[2] = {0, 0};
  if (vxlibUpf_load(kSizeType, kSizeId, stored, sizeof stored) == VXLIB_SUCCESS && stored[0] > 0 && stored[1] > 0) {
    g->previewSize[0] = stored[0];
    g->previewSize[1] = stored[1];
  }
  const int fh = std::max(1, mdlWindow_fontHeightGet(db, 0));
  const int width = std::clamp<int>(g->previewSize[0], 20 * fh, kMaxSide);
  const int height = std::clamp<int>(g->previewSize[1], 31 * fh, kMaxSide);
  mdlWindow_extentSet(db, width, height);
}

void saveSize(MSDialog* db, GlobalData* g) {
  int width = 0, height = 0;
  if (mdlWindow_extentGet(&width, &height, db) != SUCCESS) return;
  g->previewSize[0] = width;
  g->previewSize[1] = height;
  vxlibUpf_save(kSizeType, kSizeId, g->previewSize, sizeof g->previewSize);
}

void previewHook(DialogMessage* m) {
  GlobalData* g = findGlobalData();
  m->msgUnderstood = 1;
  if (g == nullptr) return;
  switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
      vxlibMain_updateBeforeDialogOpen(m->dialogId);
      m->u.create.interests |= kInterestResize;
      break;
    case DIALOG_MESSAGE_INIT:
      fillPageOptions(m->db, kPreviewPageItem);
      restoreSize(m->db, g);
      layoutPreview(m->db);
      buildPreviewPage();
      break;
    case DIALOG_MESSAGE_DESTROY:
      saveSize(m->db, g);
      mdlElmdscr_freeAll(&g->previewElements);
      g->previewPage = -1;
      break;
    case DIALOG_MESSAGE_RESIZE:
      // The host draws the dialog anew after a resize: the layout is all that changes here.
      if (m->u.resize.oldWidth != m->u.resize.newWidth || m->u.resize.oldHeight != m->u.resize.newHeight)
        layoutPreview(m->db);
      break;
    default:
      m->msgUnderstood = 0;
  }
}

void areaHook(DialogItemMessage* m) {
  m->msgUnderstood = 1;
  switch (m->messageType) {
    case DITEM_MESSAGE_CREATE: {
      int attributes = 0;
      if (mdlDialog_itemGetAttributes(&attributes, m->db, m->itemIndex) == SUCCESS)
        mdlDialog_itemSetAttributes(m->db, m->itemIndex, attributes & ~kAreaAttributeCleared);
      break;
    }
    case DITEM_MESSAGE_DRAW:
      drawPreview(m->db);
      break;
    default:
      m->msgUnderstood = 0;
  }
}

void setupHook(DialogItemMessage* m) {
  if (!released(m)) return;
  vxlibPrintSet_dialogOpen();
  redrawPreview();  // paper, margins and orientation may have changed
}

void printHook(DialogItemMessage* m) {
  if (released(m)) printPages();
}

// Another page chosen: its page information is read (the page-information dialog, when open,
// reads it itself after offering to save its changes) and the page is built.
void pageHook(DialogItemMessage* m) {
  m->msgUnderstood = 0;
  GlobalData* g = findGlobalData();
  if (m->messageType != DITEM_MESSAGE_STATECHANGED || g == nullptr) return;
  m->msgUnderstood = 1;
  const int page = itemNumber(m);
  setRecordInt(g->buffer836, kSettingsPreviewPage, page);
  if (pageInfoDialog() != nullptr) {
    pageInfoFollowPreview(page);
  } else {
    vxlibProject_readPageInfoFromDesignFile(project::sharedPage(), pageName(page));
  }
  if (page == g->previewPage) return;
  g->previewPage = page;
  buildPreviewPage();
}

// The page list asked again of the application's page-list function; the previewed page stays
// where it was, or becomes the last page when the list got shorter.
void refreshHook(DialogItemMessage* m) {
  GlobalData* g = findGlobalData();
  bool refresh = released(m);
  if (!refresh && g != nullptr &&
      ((m->messageType == DITEM_MESSAGE_STATECHANGED && m->u.stateChanged.hasChanged != 0) ||
       m->messageType == kOptionValueMessage)) {
    setPreviewPage(g, itemNumber(m));
    m->msgUnderstood = 1;
    refresh = true;
  }
  if (!refresh || g == nullptr || g->pageListFunction == nullptr) return;
  char** names = nullptr;
  const int count = dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), reinterpret_cast<void*>(g->pageListFunction),
                                              "P", static_cast<void*>(&names));
  if (count < 1 || names == nullptr) return;
  pageInfoBeforeListChange();
  if (!replacePageList(g, count, names)) return;
  const int last = g->pageCount - 1;
  setPreviewPage(g, std::clamp(recordInt(g->buffer836, kSettingsPreviewPage), 0, last));
  pageInfoListChanged();
  if (MSDialog* db = previewDialog()) fillPageOptions(db, kPreviewPageItem);
  buildPreviewPage();
}

void placeHook(DialogItemMessage* m) {
  if (released(m)) placePagesFromDialog();
}

void spreadsheetHook(DialogItemMessage* m) {
  if (released(m)) spreadsheetFromDialog();
}

// The template is a workbook the spreadsheet program reads (.xlsx), looked for first in the
// library's folder VX_DIR.
void templateHook(DialogItemMessage* m) {
  char* settings = printSettings();
  if (!released(m) || settings == nullptr) return;
  char title[kTitleSize];
  std::snprintf(title, sizeof title, "%s", languageText(kTemplateTitle));
  char directory[MAXFILELENGTH] = {};
  if (mdlSystem_getCfgVar(directory, "VX_DIR", sizeof directory) != 0) directory[0] = '\0';
  char current[kSettingsTemplateSize + 1] = {};
  std::snprintf(current, sizeof current, "%.*s", static_cast<int>(kSettingsTemplateSize - 1), settings + kSettingsTemplate);
  char file[MAXFILELENGTH] = {};
  if (vxlibUpf_defFileOpen(file, current, kTemplateFilter, directory, title, kTemplateSlot) == 0)
    setRecordText(settings, kSettingsTemplate, kSettingsTemplateSize, file);
}

void pageInfoOpenHook(DialogItemMessage* m) {
  if (released(m) && pageInfoDialog() == nullptr) mdlDialog_open(0, kPageInfoDialog);
}

void projectHook(DialogItemMessage* m) {
  if (released(m)) vxlibProject_dialogOpen();
}

template <typename F>
DialogHookInfo hook(int id, F* function) {
  return {id, reinterpret_cast<void*>(function)};
}

const DialogHookInfo kHooks[] = {
    hook(kPreviewHook, &previewHook),
    hook(kAreaHook, &areaHook),
    hook(kSetupHook, &setupHook),
    hook(kPrintHook, &printHook),
    hook(kPageHook, &pageHook),
    hook(kRefreshHook, &refreshHook),
    hook(kPlaceHook, &placeHook),
    hook(kSpreadsheetHook, &spreadsheetHook),
    hook(kTemplateHook, &templateHook),
    hook(kPageInfoOpenHook, &pageInfoOpenHook),
    hook(kProjectHook, &projectHook),
    hook(kPageInfoHook, &pageInfoDialogHook),
    hook(kPageInfoPageHook, &pageInfoPageHook),
    hook(kPageInfoSaveHook, &pageInfoSaveHook),
    hook(kPageInfoDeleteHook, &pageInfoDeleteHook),
    hook(kPageInfoUnlistedHook, &pageInfoDeleteUnlistedHook),
    hook(kPageInfoDeleteAllHook, &pageInfoDeleteAllHook),
    hook(kPageInfoFieldHook, &pageInfoFieldHook),
};

}  // namespace
}  // namespace pixmend::vxlib::pages

namespace pixmend::vxlib {
HookTable previewHookTable() {
  return {pages::kHooks, static_cast<int>(sizeof pages::kHooks / sizeof pages::kHooks[0])};
}
}  // namespace pixmend::vxlib
