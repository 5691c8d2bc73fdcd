// The page-information dialog (20024): the title-block information of one page of the preview's
// list, edited in the shared page record (vxlibsd) and kept in the design file by the page's name.
//
// The record is shared with the preview, which reads a page's information when it shows another
// page; so whenever the record is about to be read again, information the user changed and did
// not save is offered for saving first (message 10 of list 20003), and nothing typed is dropped
// without the question.
#include <algorithm>
#include <cstring>

#include "vxlib/services/pages/preview.hpp"
#include "vxlib/services/project/records.hpp"

namespace pixmend::vxlib::pages {
namespace {

constexpr int kMsgConfirmDeleteAll = 9;  // list 20003
constexpr int kMsgSaveChanged = 10;      // list 20003, %s page name
constexpr int kBoxYesNo = 296;           // question, Yes (3) and No (4)

int shownPage(GlobalData* g) { return g->pageInfoDialogPage; }

void readPage(GlobalData* g, int page) {
  g->pageInfoDialogPage = page;
  setRecordInt(g->buffer836, kSettingsPageInfoPage, page);
  vxlibProject_readPageInfoFromDesignFile(project::sharedPage(), pageName(page));
  g->pageInfoSaved = 1;
}

void synchDialog() {
  if (MSDialog* db = pageInfoDialog()) mdlDialog_itemsSynch(db);
}

// The preview shows what the page's information gives it: built again when it is that page.
void rebuildPreviewOf(GlobalData* g, int page) {
  if (page == g->previewPage && previewDialog() != nullptr) buildPreviewPage();
}

// Writes the record as the information of `page`. A page never stored has no name in the record
// yet: the name it is kept under is always the page's own.
void savePage(GlobalData* g, int page) {
  unsigned char* record = project::sharedPage();
  if (record == nullptr) return;
  const project::Field name = project::kPageName;
  std::memset(record + name.offset, 0, name.width);
  std::strncpy(reinterpret_cast<char*>(record + name.offset), pageName(page), name.width - 1);
  vxlibProject_writePageInfoToDesignFile(record);
  g->pageInfoSaved = 1;
  rebuildPreviewOf(g, page);
}

// Changed and unsaved information of the shown page: the user is asked, and any answer but No
// saves it. Either way the question has been answered.
void offerToSave(GlobalData* g) {
  if (g->pageInfoSaved != 0) return;
  const int page = shownPage(g);
  if (rscMsgBox(kBoxYesNo, kStatusList, kMsgSaveChanged, pageName(page)) != ACTIONBUTTON_CANCEL) {
    savePage(g, page);
  }
  g->pageInfoSaved = 1;
}

}  // namespace

void pageInfoFollowPreview(int page) {
  GlobalData* g = findGlobalData();
  MSDialog* db = pageInfoDialog();
  if (g == nullptr || db == nullptr || page == shownPage(g)) return;
  offerToSave(g);
  readPage(g, page);
  mdlDialog_itemsSynch(db);
}

void pageInfoBeforeListChange() {
  GlobalData* g = findGlobalData();
  if (g != nullptr && pageInfoDialog() != nullptr) offerToSave(g);
}

void pageInfoListChanged() {
  GlobalData* g = findGlobalData();
  MSDialog* db = pageInfoDialog();
  if (g == nullptr || db == nullptr) return;
  // The same index may name another page now: the information is read again whatever it was.
  readPage(g, std::clamp(shownPage(g), 0, std::max(0, g->pageCount - 1)));
  fillPageOptions(db, kPageInfoPageItem);
  mdlDialog_itemsSynch(db);
}

void pageInfoDialogHook(DialogMessage* m) {
  GlobalData* g = findGlobalData();
  m->msgUnderstood = 1;
  if (g == nullptr) return;
  switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
      g->pageInfoDialogPage = g->previewPage >= 0 ? g->previewPage : 0;
      setRecordInt(g->buffer836, kSettingsPageInfoPage, g->pageInfoDialogPage);
      break;
    case DIALOG_MESSAGE_INIT:
      fillPageOptions(m->db, kPageInfoPageItem);
      mdlDialog_itemsSynch(m->db);
      break;
    case DIALOG_MESSAGE_DESTROY:
      offerToSave(g);
      break;
    default:
      m->msgUnderstood = 0;
  }
}

void pageInfoPageHook(DialogItemMessage* m) {
  GlobalData* g = findGlobalData();
  m->msgUnderstood = 1;
  if (g == nullptr) return;
  switch (m->messageType) {
    case DITEM_MESSAGE_CREATE:
      readPage(g, shownPage(g));
      break;
    case DITEM_MESSAGE_STATECHANGED: {
      const int chosen = itemNumber(m);
      if (chosen == shownPage(g)) break;
      offerToSave(g);  // the changes belong to the page still shown
      readPage(g, chosen);
      mdlDialog_itemsSynch(m->db);
      break;
    }
    default:
      m->msgUnderstood = 0;
  }
}

void pageInfoSaveHook(DialogItemMessage* m) {
  GlobalData* g = findGlobalData();
  if (released(m) && g != nullptr) savePage(g, shownPage(g));
}

void pageInfoDeleteHook(DialogItemMessage* m) {
  GlobalData* g = findGlobalData();
  if (!released(m) || g == nullptr) return;
  const int page = shownPage(g);
  vxlibProject_deletePageInfoFromDesignFile(pageName(page), nullptr);
  readPage(g, page);
  synchDialog();
  rebuildPreviewOf(g, page);
}

void pageInfoDeleteUnlistedHook(DialogItemMessage* m) {
  GlobalData* g = findGlobalData();
  if (!released(m) || g == nullptr) return;
  // An empty list keeps nothing: every page's information goes, as every page is unlisted.
  const char* const none[] = {nullptr};
  const char* const* keep = none;
  if (g->pageList != nullptr) keep = g->pageList;
  vxlibProject_deletePageInfoFromDesignFile(nullptr, keep);
}

void pageInfoDeleteAllHook(DialogItemMessage* m) {
  GlobalData* g = findGlobalData();
  if (!released(m) || g == nullptr) return;
  if (rscMsgBox(kBoxQuestion, kStatusList, kMsgConfirmDeleteAll) != ACTIONBUTTON_OK) return;
  vxlibProject_deletePageInfoFromDesignFile(nullptr, nullptr);
  readPage(g, shownPage(g));
  synchDialog();
  if (previewDialog() != nullptr) buildPreviewPage();
}

void pageInfoFieldHook(DialogItemMessage* m) {
  m->msgUnderstood = 0;
  if (m->messageType != DITEM_MESSAGE_STATECHANGED) return;
  m->msgUnderstood = 1;
  if (GlobalData* g = findGlobalData(); g != nullptr && m->u.stateChanged.hasChanged != 0) g->pageInfoSaved = 0;
}

}  // namespace pixmend::vxlib::pages
