// List boxes and the dialog messages around them: multiple selection and its refusals, a
// selection that outlives rows removed from the model, cell editors opened only by a hook on an
// editable cell, the pull-down query only for dialogs that asked for it, resizing told once,
// synonyms across dialogs, walking the open dialogs, and the directory chooser.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "host/dialog/api.h"
#include "host/dialog/manager.hpp"
#include "host/output/answers.hpp"
#include "host/resource/resource_fixture.hpp"
#include "host/system/api.h"
#include "host/system/published.hpp"
#include "host/system/registry.hpp"

namespace pixmend::host {
namespace {

std::vector<std::string> gLog;
bool gOpenEditor = true;
bool gAskForMenus = true;
int gResizes = 0;

void dialogHook(DialogMessage* m) {
  if (m->messageType == DIALOG_MESSAGE_CREATE && gAskForMenus) m->u.create.interests |= DIALOG_INTEREST_PULLDOWNQUERY;
  if (m->messageType == DIALOG_MESSAGE_PULLDOWNQUERY) m->u.query.menuId = 40;
  if (m->messageType == DIALOG_MESSAGE_RESIZE) {
    ++gResizes;
    mdlWindow_extentSet(m->db, m->u.resize.newWidth + 1, m->u.resize.newHeight);  // a hook that resizes again
  }
}

void listHook(DialogItemMessage* m) {
  if (m->messageType == DITEM_MESSAGE_BUTTON) {
    gLog.push_back("button " + std::to_string(m->u.button.row) + "," + std::to_string(m->u.button.column) + " x" +
                   std::to_string(m->u.button.clickCount));
    if (m->u.button.clickCount == 2 && gOpenEditor) {
      gLog.push_back("editor " + std::to_string(mdlDialog_listBoxEditCell(m->db, m->itemIndex, m->u.button.row, m->u.button.column)));
    }
  }
  if (m->messageType == DITEM_MESSAGE_CELLEDITEND) {
    gLog.push_back("edited " + std::to_string(m->u.cell.row) + "," + std::to_string(m->u.cell.column));
  }
  if (m->messageType == DITEM_MESSAGE_STATECHANGED) gLog.push_back("changed");
}

void buttonHook(DialogItemMessage* m) {
  if (m->messageType == DITEM_MESSAGE_BUTTON) gLog.push_back("pressed value " + std::to_string(m->u.button.value));
}

struct Scale {
  int index;
};
Scale gScale{1};
Scale* gScaleP = &gScale;

constexpr const char* kDialogs = R"({"resources": [
  {"kind": "dialog", "id": 1, "title": "Lists", "width": 200, "height": 150, "hook": 100, "items": [
    {"type": "listbox", "id": 10, "x": 10, "y": 10, "width": 180, "height": 60, "columns": 2, "hook": 101},
    {"type": "listbox", "id": 11, "x": 10, "y": 80, "width": 180, "height": 40, "multiple": true, "hook": 101},
    {"type": "option", "id": 16, "x": 10, "y": 125, "access": "scaleP.index",
     "options": [{"label": "1:1", "value": 0}, {"label": "1:2", "value": 1}, {"label": "1:5", "value": 2}]},
    {"type": "button", "id": 2, "x": 100, "y": 125, "label": "Remove", "hook": 102, "value": 7}]},
  {"kind": "dialog", "id": 2, "title": "Panel", "items": [
    {"type": "option", "id": 16, "x": 10, "y": 10, "access": "scaleP.index",
     "options": [{"label": "1:1", "value": 0}, {"label": "1:2", "value": 1}, {"label": "1:5", "value": 2}]}]},
  {"kind": "menu", "id": 40, "label": "Rows", "entries": [{"label": "Remove row", "press": 2}]},
  {"kind": "synonyms", "id": 5, "items": [{"type": "option", "id": 16}]}
]})";

class Lists : public ResourceTest {
 protected:
  void SetUp() override {
    ResourceTest::SetUp();
    gLog.clear();
    gOpenEditor = gAskForMenus = true;
    gResizes = 0;
    gScale.index = 1;
    StructLayout layout;
    layout.name = "scale";
    layout.size = sizeof(Scale);
    layout.fields = {{"index", FieldType::Int32, 0, 4}};
    defineStructLayout(layout);
    app_ = addApplication("App", "/x/libApp.so", compile("App.rsc", kDialogs));
    AppScope scope(app_);
    const DialogHookInfo hooks[] = {{100, reinterpret_cast<void*>(&dialogHook)},
                                    {101, reinterpret_cast<void*>(&listHook)},
                                    {102, reinterpret_cast<void*>(&buttonHook)}};
    ASSERT_EQ(mdlDialog_hookPublish(3, hooks), 0);
    ASSERT_EQ(mdlDialog_publishComplexPtr(mdlCExpression_initializeSet(4, 0, 0), "scale", "scaleP", &gScaleP), 0);
    model_ = mdlListModel_create(2);
    for (int r = 0; r < 4; ++r) {
      ListRow* row = mdlListModel_insertNewRow(model_, -1);
      for (int c = 0; c < 2; ++c) {
        ListCell* cell = mdlListRow_getCellAtIndex(row, c);
        mdlListCell_setStringValue(cell, ("r" + std::to_string(r) + "c" + std::to_string(c)).c_str(), 1);
        if (c == 0) mdlListCell_setEditor(cell, RTYPE_TEXT, -14001);  // only the first column edits
      }
    }
    db_ = mdlDialog_open(0, 1);
    ASSERT_NE(db_, nullptr);
    mdlDialog_listBoxSetListModel(db_, 0, model_);
    mdlDialog_listBoxSetListModel(db_, 1, model_);
  }
  void TearDown() override {
    mdlListModel_destroy(model_);
    ResourceTest::TearDown();
  }
  std::vector<int> selected(int index) {
    int rows[8];
    const int n = mdlDialog_listBoxGetSelectedRows(rows, 8, db_, index);
    return std::vector<int>(rows, rows + std::max(n, 0));
  }

  Application* app_ = nullptr;
  ListModel* model_ = nullptr;
  MSDialog* db_ = nullptr;
};

TEST_F(Lists, MultipleSelectionTakesSeveralRowsOnlyWhereAllowed) {
  std::string error;
  ASSERT_TRUE(setItemValue(1, 11, "3, 1,3", &error)) << error;
  EXPECT_EQ(selected(1), (std::vector<int>{1, 3}));
  EXPECT_EQ(mdlDialog_listBoxGetSelectedRow(db_, 1), 1);
  EXPECT_FALSE(setItemValue(1, 10, "0,1", &error));
  EXPECT_FALSE(setItemValue(1, 11, "1,4", &error));  // no row 4: nothing changes
  EXPECT_EQ(selected(1), (std::vector<int>{1, 3}));
  const int two[] = {0, 2};
  EXPECT_NE(mdlDialog_listBoxSetSelectedRows(db_, 0, two, 2), 0);
  EXPECT_EQ(mdlDialog_listBoxSetSelectedRows(db_, 1, two, 2), 0);
  // Rows removed from the model behind the list box are no longer reported as selected.
  mdlListModel_removeRows(model_, 1, 3);
  EXPECT_EQ(selected(1), (std::vector<int>{0}));
  EXPECT_TRUE(setItemValue(1, 11, "", &error)) << error;
  EXPECT_EQ(mdlDialog_listBoxGetSelectedRow(db_, 1), -1);
}

TEST_F(Lists, ACellIsEditedOnlyWhereTheHookOpenedAnEditorOnAnEditableCell) {
  std::string error;
  ASSERT_TRUE(editListCell(1, 10, 2, 0, "1:250", &error)) << error;
  EXPECT_STREQ(mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(model_, 2), 0)), "1:250");
  EXPECT_EQ(gLog, (std::vector<std::string>{"changed", "button 2,0 x2", "editor 0", "edited 2,0"}));
  // The second column has no editor: the hook's request is refused and nothing is typed.
  gLog.clear();
  EXPECT_FALSE(editListCell(1, 10, 2, 1, "x", &error));
  EXPECT_EQ(gLog, (std::vector<std::string>{"button 2,1 x2", "editor -908"}));
  EXPECT_STREQ(mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(model_, 2), 1)), "r2c1");
  // A hook that opens no editor: the double click arrives, the text does not.
  gOpenEditor = false;
  EXPECT_FALSE(editListCell(1, 10, 1, 0, "x", &error));
  EXPECT_FALSE(clickListRow(1, 10, 4, 0, 1, &error));  // no such row
}

TEST_F(Lists, TheItemMenuComesFromTheDialogHookAndPressesItsButton) {
  std::string error;
  long command = 1;
  std::string keyin = "x";
  ASSERT_TRUE(chooseItemMenuEntry(1, 10, "remove ROW", &command, &keyin, &error)) << error;
  EXPECT_EQ(gLog, (std::vector<std::string>{"pressed value 7"}));
  EXPECT_EQ(command, 0);
  EXPECT_FALSE(chooseItemMenuEntry(1, 10, "Add row", &command, &keyin, &error));
  // A dialog that did not ask for the query gets no menus.
  gAskForMenus = false;
  {
    AppScope scope(app_);
    ASSERT_NE(mdlDialog_open(0, 1), nullptr);
  }
  EXPECT_FALSE(chooseItemMenuEntry(1, 10, "Remove row", &command, &keyin, &error));
  EXPECT_NE(error.find("has no menu"), std::string::npos) << error;
}

TEST_F(Lists, ResizingTellsTheDialogOnceAndSynonymsAndWalkingReachEveryDialog) {
  EXPECT_EQ(mdlWindow_extentSet(db_, 300, 150), 0);
  EXPECT_EQ(gResizes, 1);  // the hook's own resize is not told again
  int w = 0, h = 0;
  mdlWindow_extentGet(&w, &h, db_);
  EXPECT_EQ(w, 301);

  MSDialog* panel = nullptr;
  {
    AppScope scope(app_);
    panel = mdlDialog_open(0, 2);
  }
  std::vector<MSDialog*> walked;
  for (MSDialog* d = mdlDialog_getNext(nullptr); d != nullptr; d = mdlDialog_getNext(d)) walked.push_back(d);
  EXPECT_EQ(walked, (std::vector<MSDialog*>{db_, panel}));

  gScale.index = 2;  // changed behind the dialogs' backs
  {
    AppScope scope(app_);
    EXPECT_EQ(mdlDialog_synonymsSynch(0, 5), 0);
    EXPECT_NE(mdlDialog_synonymsSynch(0, 6), 0);
  }
  char value[16];
  mdlDialog_itemGetValue(value, sizeof value, panel, 0);
  EXPECT_STREQ(value, "2");
  mdlDialog_itemGetValue(value, sizeof value, db_, 2);
  EXPECT_STREQ(value, "2");
  mdlWindow_close(panel, 0, 0);
  EXPECT_EQ(mdlDialog_getNext(panel), nullptr);  // a closed dialog ends the walk
}

TEST_F(Lists, TheDirectoryChooserTakesOnlyDirectories) {
  ::mkdir(path("sub").c_str(), 0755);
  writeText(path("file.txt"), "x");
  char directory[MAXFILELENGTH];
  std::snprintf(directory, sizeof directory, "%s", dir_.c_str());
  queueAnswer("sub");
  EXPECT_EQ(mdlDialog_selectDirectory(directory, "Select directory"), ACTIONBUTTON_OK);
  EXPECT_EQ(std::string(directory), dir_ + "/sub/");
  queueAnswer("../file.txt");
  EXPECT_EQ(mdlDialog_selectDirectory(directory, "Select directory"), ACTIONBUTTON_CANCEL);
  EXPECT_EQ(std::string(directory), dir_ + "/sub/");
  queueAnswer("cancel");
  EXPECT_EQ(mdlDialog_selectDirectory(directory, "Select directory"), ACTIONBUTTON_CANCEL);
  EXPECT_EQ(mdlDialog_selectDirectory(directory, "Select directory"), ACTIONBUTTON_OK);  // empty queue: kept
}

}  // namespace
}  // namespace pixmend::host
