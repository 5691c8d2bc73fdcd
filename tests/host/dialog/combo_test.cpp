// The dialog pieces of the attribute dialog: combo boxes offering a list model (the caller's,
// or the host's own fonts and text styles living as long as their dialog), list columns of
// given widths, and a menu bar drawn inside a dialog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/dialog/api.h"
#include "host/dialog/dialog.hpp"
#include "host/dialog/manager.hpp"
#include "host/resource/compiler.hpp"
#include "host/resource/resource_fixture.hpp"
#include "host/system/registry.hpp"

namespace pixmend::host {
namespace {

constexpr const char* kSources = R"({"resources": [
  {"kind": "dialog", "id": 1, "title": "Pieces", "width": 300, "height": 140, "items": [
    {"type": "menubar", "id": 2, "x": 0, "y": 0, "width": 300, "height": 20,
     "options": [{"label": "File", "value": 1}, {"label": "Settings", "value": 2}]},
    {"type": "combo", "id": 1, "x": 10, "y": 30, "width": 80},
    {"type": "combo", "id": -6301, "x": 100, "y": 30, "width": 60},
    {"type": "combo", "id": -6302, "x": 170, "y": 30, "width": 60},
    {"type": "listbox", "id": 3, "x": 10, "y": 60, "width": 280, "height": 40, "columns": 3, "columnWidths": [20, 200]},
    {"type": "text", "id": 4, "x": 10, "y": 110, "width": 60}]}
]})";

class Pieces : public ResourceTest {
 protected:
  void SetUp() override {
    ResourceTest::SetUp();
    app_ = addApplication("App", "/x/libApp.so", compile("App.rsc", kSources));
    scope_ = std::make_unique<AppScope>(app_);
    db_ = mdlDialog_open(0, 1);
    ASSERT_NE(db_, nullptr);
  }
  void TearDown() override {
    scope_.reset();
    ResourceTest::TearDown();
  }
  static std::string row(ListModel* model, int r) {
    return mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(model, r), 0));
  }
  // The leftmost x in [x0, x1) of row band [y0, y1) whose pixel is ink (black), or -1.
  int firstInk(int x0, int x1, int y0, int y1) const {
    const Canvas& c = db_->canvas;
    for (int x = x0; x < x1; ++x) {
      for (int y = y0; y < y1; ++y) {
        const std::uint8_t* p = &c.rgb[(static_cast<std::size_t>(y) * c.width + x) * 3];
        if (p[0] == 0 && p[1] == 0 && p[2] == 0) return x;
      }
    }
    return -1;
  }

  Application* app_ = nullptr;
  std::unique_ptr<AppScope> scope_;
  MSDialog* db_ = nullptr;
};

TEST_F(Pieces, TheHostsComboBoxesComeWithTheirListsAndOthersTakeTheCallersModel) {
  ListModel* fonts = mdlDialog_comboBoxGetListModel(db_, 2);
  ASSERT_NE(fonts, nullptr);
  EXPECT_EQ(mdlListModel_getRowCount(fonts), 256);
  EXPECT_EQ(row(fonts, 255), "255");
  ListModel* styles = mdlDialog_comboBoxGetListModel(db_, 3);
  ASSERT_NE(styles, nullptr);
  EXPECT_EQ(mdlListModel_getRowCount(styles), 2) << "(none) and (active), the design having no styles";

  EXPECT_EQ(mdlDialog_comboBoxGetListModel(db_, 1), nullptr);
  ListModel* colours = mdlListModel_create(1);
  mdlListCell_setStringValue(mdlListRow_getCellAtIndex(mdlListModel_insertNewRow(colours, -1), 0), "0", 1);
  ASSERT_EQ(mdlDialog_comboBoxSetListModel(db_, 1, colours), 0);
  EXPECT_EQ(mdlDialog_comboBoxGetListModel(db_, 1), colours);
  EXPECT_NE(mdlDialog_comboBoxSetListModel(db_, 5, colours), 0) << "a text item is no combo box";
  EXPECT_NE(mdlDialog_comboBoxSetListModel(db_, 4, colours), 0) << "nor is a list box";
  mdlDialog_comboBoxSetListModel(db_, 1, nullptr);
  mdlListModel_destroy(colours);
  // Any text is still a combo box's value.
  std::string error;
  EXPECT_TRUE(setItemValue(1, 1, "BL", &error)) << error;
}

TEST_F(Pieces, ListColumnsTakeTheirWidthsAndTheRestShareWhatIsLeft) {
  ListModel* model = mdlListModel_create(3);
  ListRow* r = mdlListModel_insertNewRow(model, -1);
  for (int c = 0; c < 3; ++c) mdlListCell_setStringValue(mdlListRow_getCellAtIndex(r, c), "X", 1);
  mdlDialog_listBoxSetListModel(db_, 4, model);
  mdlWindow_redraw(db_);
  // Columns start at 12, 12 + 20 and 12 + 220 (the text one pixel in); with equal columns the
  // second would start at 12 + 92.
  const int y0 = 62, y1 = 72;
  EXPECT_EQ(firstInk(12, 40, y0, y1), 13);
  EXPECT_EQ(firstInk(32, 60, y0, y1), 33);
  EXPECT_EQ(firstInk(200, 290, y0, y1), 233);
  mdlDialog_listBoxSetListModel(db_, 4, nullptr);
  mdlListModel_destroy(model);
}

TEST_F(Pieces, AMenuBarInADialogShowsItsMenusTitles) {
  // "File" from x = 6 in the bar; the area below the bar is the dialog's.
  EXPECT_EQ(firstInk(0, 20, 0, 19), 6);
  EXPECT_EQ(firstInk(0, 20, 21, 29), -1);
}

TEST(PiecesResource, AColumnWidthMustBeAPositiveNumberOfPixels) {
  ResourceData data;
  std::string error;
  EXPECT_FALSE(compileResourceSource(R"({"resources": [{"kind": "dialog", "id": 1, "items": [
      {"type": "listbox", "id": 3, "columns": 2, "columnWidths": [0]}]}]})",
                                     "bad.json", ".", &data, nullptr, &error));
  EXPECT_NE(error.find("column width"), std::string::npos) << error;
}

}  // namespace
}  // namespace pixmend::host
