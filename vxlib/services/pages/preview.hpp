// What the preview's files share: the preview dialog (20005) and the page-information dialog
// (20024), their items, the previewed page, the drawing and the printing of pages.
//   preview.cpp        the page list, the previewed page and its option buttons
//   previewdraw.cpp    the dialog's layout and the sheet of paper drawn with its page
//   previewhooks.cpp   the table of 18 hooks of both dialogs
//   printpages.cpp     printing pages through the plot-file drivers and the text file
//   pageinfo.cpp       the page-information dialog
#pragma once

#include "vxlib/services/pages/pages.hpp"

namespace pixmend::vxlib::pages {

// ---- Items (resources/vxlib/preview.json) ----------------------------------------------------------
constexpr int kPreviewAreaItem = 1;       // generic: the sheet is drawn here
constexpr int kPreviewPageItem = 2;       // option button: vxlibps.previewPage
constexpr int kPreviewFirstButton = 3;    // the buttons 3 to 11 stand in a column on the right
constexpr int kPreviewLastButton = 11;
constexpr int kPageInfoPageItem = 1;      // option button of dialog 20024: vxlibps.pageInfoPage

// ---- preview.cpp -----------------------------------------------------------------------------------
// The calling application's open preview dialog, or null.
MSDialog* previewDialog();
MSDialog* pageInfoDialog();
// Makes `page` the previewed page (the block's field and the print settings' field).
void setPreviewPage(GlobalData* g, int page);
// Fills option button `itemId` of `db` with the page names (values 0, 1, ...) and shows its value.
void fillPageOptions(MSDialog* db, int itemId);
// Builds the previewed page again (the previous elements freed, the page function called) and
// redraws the preview when it is open.
void buildPreviewPage();
// Redraws the sheet of the open preview.
void redrawPreview();

// ---- previewdraw.cpp -------------------------------------------------------------------------------
// Where the sheet goes in a drawing area: the paper fitted and centred, and the part inside the
// margins. `drawable` is false when the paper has no size or the margins leave nothing of it
// (then `inner` is empty and nothing is drawn into it).
struct SheetGeometry {
  BSIRect paper;
  BSIRect inner;
  bool paperShown;
  bool drawable;
};
SheetGeometry sheetGeometry(const BSIRect& area, const PageLayout& layout);
// Moves the drawing area and the buttons to the window's size.
void layoutPreview(MSDialog* db);
// Draws the whole preview: title, window cleared, area, paper, the page, the items.
void drawPreview(MSDialog* db);

// ---- printpages.cpp --------------------------------------------------------------------------------
// The print button: prints the pages as the set-up says (output type 6 goes to the plot driver).
void printPages();

// ---- pageinfo.cpp ----------------------------------------------------------------------------------
// The preview moved to `page`: the page-information dialog, when open, asks to save what was
// changed and follows.
void pageInfoFollowPreview(int page);
// The page list is about to change: the open page-information dialog offers to save its changes
// under the old page's name. Once it changed, the dialog offers the new names and reads the
// information of the page now at its place (limited to the last page).
void pageInfoBeforeListChange();
void pageInfoListChanged();
void pageInfoDialogHook(DialogMessage* m);
void pageInfoPageHook(DialogItemMessage* m);
void pageInfoSaveHook(DialogItemMessage* m);
void pageInfoDeleteHook(DialogItemMessage* m);
void pageInfoDeleteUnlistedHook(DialogItemMessage* m);
void pageInfoDeleteAllHook(DialogItemMessage* m);
void pageInfoFieldHook(DialogItemMessage* m);

// The value of the item the message is about, as a number. (The option buttons' records are
// those of the application that last opened a library dialog; the item itself is this one's.)
int itemNumber(DialogItemMessage* m);
// A push button released (the message is marked understood); false for every other message.
bool released(DialogItemMessage* m);

}  // namespace pixmend::vxlib::pages
