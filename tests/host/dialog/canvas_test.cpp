// What the headless dialogs show and answer: canvases written as PNG and read back, drawing
// calls clipped to the canvas, the command window's menu bar, and file dialogs answered from
// the queue with their remembered records.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "host/dialog/api.h"
#include "host/dialog/manager.hpp"
#include "host/output/answers.hpp"
#include "host/config/config.hpp"
#include "host/output/journal.hpp"
#include "host/resource/images.hpp"
#include "host/resource/resource_fixture.hpp"
#include "host/system/registry.hpp"

namespace pixmend::host {
namespace {

constexpr const char* kSources = R"({"resources": [
  {"kind": "dialog", "id": 20020, "title": "About", "width": 200, "height": 100, "items": [
    {"type": "image", "id": 20001, "x": 10, "y": 10, "width": 4, "height": 2, "hook": 1},
    {"type": "image", "id": 20002, "x": 100, "y": 10, "width": 2, "height": 1,
     "image": {"type": "VXIM", "id": 1, "width": 2}},
    {"type": "label", "id": 20013, "x": 10, "y": 50, "label": "Pixmend"},
    {"type": "button", "id": 1, "x": 10, "y": 70, "label": "OK", "action": "ok"}]},
  {"kind": "image", "type": "VXIM", "id": 1, "pixels": "P3 2 1 255  0 0 255  255 255 255"},
  {"kind": "icon", "id": 20001, "rows": ["##", "#."]},
  {"kind": "menu", "id": 1, "label": "Raster", "entries": [
    {"label": "~Attach", "command": "0x01010100"},
    {"separator": true},
    {"label": "Edit", "entries": [{"label": "Undo", "command": 17043712, "keyin": "vxraster undo"}]}]}
]})";

// The image item's hook: draws the image resource over a white transparent colour.
void imageHook(DialogItemMessage* m) {
  if (m->messageType != DITEM_MESSAGE_DRAW) return;
  void* data = mdlResource_load(0, packType("VXIM"), 1);
  const RgbColorDef white{255, 255, 255};
  BSIRect rect = m->u.draw.rect;
  mdlWindow_transparentRgbDataDraw(m->db, &rect, 2, static_cast<unsigned char*>(data), 0, 0, &white);
  mdlResource_free(data);
}

class Canvases : public ResourceTest {
 protected:
  void SetUp() override {
    ResourceTest::SetUp();
    app_ = addApplication("App", "/x/libApp.so", compile("App.rsc", kSources));
    AppScope scope(app_);
    const DialogHookInfo hooks[] = {{1, reinterpret_cast<void*>(&imageHook)}};
    mdlDialog_hookPublish(1, hooks);
  }
  static RgbImage readPng(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    return decodePng(bytes);
  }
  static std::vector<int> at(const RgbImage& image, int x, int y) {
    const auto* p = &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
    return {p[0], p[1], p[2]};
  }
  Application* app_ = nullptr;
};

TEST_F(Canvases, DialogCanvasIsWrittenAsAPngThatDecodesToWhatWasDrawn) {
  AppScope scope(app_);
  MSDialog* db = mdlDialog_open(0, 20020);
  ASSERT_NE(db, nullptr);
  // Drawing outside the canvas is clipped, never written past it.
  const BSIRect wild{{-50, -50}, {100000, 5}};
  EXPECT_EQ(mdlWindow_rectFill(db, &wild, 6), 0);
  EXPECT_EQ(mdlWindow_lineDraw(db, -100000, 99, 100000, 99, 4), 0);
  EXPECT_EQ(mdlWindow_iconDraw(db, 190, 30, RTYPE_ICON, 20001, 1, 0), 0);
  EXPECT_EQ(mdlWindow_iconDraw(db, 0, 0, RTYPE_ICON, 999, 1, 0), RSC_ERR_NO_SUCH_RESOURCE);
  const BSIRect huge{{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}};
  const unsigned char red[3] = {255, 0, 0};
  EXPECT_EQ(mdlWindow_transparentRgbDataDraw(db, &huge, 1, red, 0, 0, nullptr), 0);  // one row, read no further
  EXPECT_EQ(mdlWindow_textDraw(db, "x", INT32_MAX, INT32_MIN, 0), 0);
  EXPECT_EQ(mdlDialog_itemSetRect(db, 0, &huge), RSC_ERR_BAD_ARGUMENT);
  EXPECT_EQ(mdlWindow_textDraw(db, "Velg et raster \xe6\xf8\xe5", 150, 90, 0), 0);
  const std::string file = path("about.png");
  ASSERT_EQ(mdlWindow_saveAsPng(db, file.c_str()), 0);
  const RgbImage image = readPng(file);
  ASSERT_EQ(image.width, 200);
  ASSERT_EQ(image.height, 100);
  EXPECT_EQ(at(image, 0, 0), (std::vector<int>{230, 210, 0}));     // the yellow band
  EXPECT_EQ(at(image, 10, 10), (std::vector<int>{0, 0, 255}));     // the hook's blue pixel
  EXPECT_EQ(at(image, 11, 10), (std::vector<int>{236, 233, 225})); // white was transparent
  EXPECT_EQ(at(image, 10, 11), (std::vector<int>{236, 233, 225})); // only one row of data
  EXPECT_EQ(at(image, 100, 10), (std::vector<int>{0, 0, 255}));    // drawn by the host itself
  EXPECT_EQ(at(image, 101, 10), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(at(image, 191, 31), (std::vector<int>{236, 233, 225}));
  EXPECT_EQ(at(image, 190, 31), (std::vector<int>{0, 0, 255}));
  EXPECT_EQ(at(image, 5, 99), (std::vector<int>{220, 0, 0}));
  // The label's text left ink in its rectangle.
  int ink = 0;
  for (int y = 50; y < 64; ++y) {
    for (int x = 10; x < 60; ++x) ink += at(image, x, y) == std::vector<int>{0, 0, 0};
  }
  EXPECT_GT(ink, 20);
  std::string error;
  EXPECT_TRUE(saveDialogPng(20020, path("again.png"), &error)) << error;
  EXPECT_FALSE(saveDialogPng(1, path("none.png"), &error));
  EXPECT_EQ(mdlWindow_saveAsPng(db, "/nonexistent/dir/x.png"), RSC_ERR_WRITE_FAILED);
}

TEST_F(Canvases, FontMetricsGrowWithTheText) {
  EXPECT_EQ(mdlWindow_stringWidthGet(nullptr, "", 2), 0);
  EXPECT_EQ(mdlWindow_stringWidthGet(nullptr, "abc", 2), 3 * mdlWindow_stringWidthGet(nullptr, "a", 2));
  EXPECT_GT(mdlWindow_fontHeightGet(nullptr, 4), 7);
  EXPECT_EQ(mdlWindow_stringWidthGet(nullptr, nullptr, 2), 0);
}

TEST_F(Canvases, ApplicationMenusGoIntoTheCommandWindowsMenuBar) {
  AppScope scope(app_);
  MSDialog* window = mdlDialog_menuBarGetCmdWinP();
  ASSERT_NE(window, nullptr);
  MenuBarMenu* settings = mdlDialog_menuBarFindMenu(window, RTYPE_PULLDOWN, -522);
  ASSERT_NE(settings, nullptr);
  MenuBarMenu* menu = mdlDialog_menuBarInsMenu(window, settings, RTYPE_PULLDOWN, 1, 0);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menuBarLabels(), (std::vector<std::string>{"File", "Edit", "Raster", "Settings", "Utilities", "Help"}));
  EXPECT_EQ(journal().last("menu")->text, "inserted Raster before Settings");
  long command = 0;
  std::string keyin, error;
  ASSERT_TRUE(chooseMenuEntry({"raster", "attach"}, &command, &keyin, &error)) << error;
  EXPECT_EQ(command, 0x01010100);
  EXPECT_EQ(journal().last("menu")->text, "chose Raster > ~Attach");
  ASSERT_TRUE(chooseMenuEntry({"Raster", "Edit", "Undo"}, &command, &keyin, &error)) << error;
  EXPECT_EQ(keyin, "vxraster undo");
  EXPECT_FALSE(chooseMenuEntry({"Raster", "Edit"}, &command, &keyin, &error));
  EXPECT_EQ(error, "Raster > Edit is a sub-menu");
  EXPECT_FALSE(chooseMenuEntry({"Raster", "Warp"}, &command, &keyin, &error));
  EXPECT_EQ(mdlDialog_menuBarInsMenu(window, nullptr, RTYPE_PULLDOWN, 2, 0), nullptr);  // no such menu
  ASSERT_EQ(mdlDialog_menuBarDeleteMenu(menu, window, 0, 0), 0);
  EXPECT_EQ(mdlDialog_menuBarDeleteMenu(menu, window, 0, 0), RSC_ERR_BAD_ARGUMENT);
  EXPECT_EQ(menuBarLabels().size(), 5u);
  // Unloading takes an application's menus away.
  ASSERT_NE(mdlDialog_menuBarInsMenu(window, nullptr, RTYPE_PULLDOWN, 1, 0), nullptr);
  removeApplication(app_);
  EXPECT_EQ(menuBarLabels().size(), 5u);
}

TEST_F(Canvases, WithoutACommandWindowThereIsNoMenuBar) {
  ASSERT_TRUE(defineVariable("PIXMEND_COMMAND_WINDOW", "0", kCfgLevelUser));
  EXPECT_EQ(mdlDialog_menuBarGetCmdWinP(), nullptr);
  EXPECT_EQ(mdlDialog_menuBarFindMenu(nullptr, RTYPE_PULLDOWN, -522), nullptr);
  EXPECT_TRUE(menuBarLabels().empty());
  std::string error;
  EXPECT_FALSE(chooseMenuEntry({"File", "Open"}, nullptr, nullptr, &error));
  ::unsetenv("PIXMEND_COMMAND_WINDOW");
}

TEST_F(Canvases, FileDialogsTakeTheAnswerQueueAndRememberTheChoice) {
  char name[MAXFILELENGTH] = "";
  queueAnswer("scan.tif");
  EXPECT_EQ(mdlDialog_fileOpen(name, 0, 0, "old.cit", "*.*", "/data/scans", "VXRaster Save As"), 0);
  EXPECT_STREQ(name, "/data/scans/scan.tif");
  EXPECT_EQ(journal().last("dialog")->text, "file open \"VXRaster Save As\" -> /data/scans/scan.tif (answered)");
  queueAnswer("cancel");
  EXPECT_EQ(mdlDialog_fileOpen(name, 0, 0, "old.cit", "*.*", "", "T"), 1);
  EXPECT_STREQ(name, "/data/scans/scan.tif");  // untouched when cancelled
  EXPECT_EQ(mdlDialog_fileCreate(name, 0, 0, "/tmp/new.txt", "*.txt", "", "T"), 0);
  EXPECT_STREQ(name, "/tmp/new.txt");
  EXPECT_EQ(journal().last("dialog")->text, "file create \"T\" -> /tmp/new.txt (defaulted)");
  EXPECT_EQ(mdlDialog_fileOpen(name, 0, 0, "", "*.*", "", "T"), 1);
  queueAnswer("/" + std::string(MAXFILELENGTH, 'a'));
  EXPECT_EQ(mdlDialog_fileOpen(name, 0, 0, "", "*.*", "", "T"), 1);  // refused, not cut

  const std::string prefs = path("user.upf");
  ASSERT_EQ(mdlResource_createFile(prefs.c_str(), "", 0), 0);
  RscFileHandle h = 0;
  ASSERT_EQ(mdlResource_openFile(&h, prefs.c_str(), RSC_READWRITE), 0);
  for (const char* answer : {"/a/one.rsc", "/b/two.rsc", "/a/one.rsc"}) {
    queueAnswer(answer);
    ASSERT_EQ(mdlDialog_defFileOpen(name, "", "*.rsc", "", "Import", h, -20001), 0);
  }
  std::vector<std::uint8_t> record(USERPREFS_FILE_RECORD_SIZE);
  ASSERT_EQ(mdlUserPrefs_getFileName(record.data(), h, -20001), 0);
  auto text = [&](std::size_t offset) { return std::string(reinterpret_cast<const char*>(&record[offset])); };
  EXPECT_EQ(record[0], 0xff);
  EXPECT_EQ(record[4], 5);
  EXPECT_EQ(text(8), "/a/one.rsc");
  EXPECT_EQ(text(264), "*.rsc");
  EXPECT_EQ(text(520), "/a/");
  EXPECT_EQ(record[776], 2);  // the same file twice is listed once, at the top
  EXPECT_EQ(text(780), "/a/one.rsc");
  EXPECT_EQ(text(780 + 256), "/b/two.rsc");
  EXPECT_EQ(record[8468], 2);

  StringList* list = mdlStringList_create(0, 1);
  char directory[MAXFILELENGTH] = "";
  int result = 0;
  queueAnswer("/d/x.dgn;/d/y.dgn");
  EXPECT_EQ(mdlFileList_edit(&result, list, "Files", directory, "*.dgn"), list);
  EXPECT_EQ(result, ACTIONBUTTON_OK);
  EXPECT_EQ(mdlStringList_size(list), 2);
  EXPECT_STREQ(directory, "/d/");
  EXPECT_EQ(mdlFileList_edit(&result, list, "Files", directory, "*.dgn"), list);
  EXPECT_EQ(result, ACTIONBUTTON_CANCEL);
  EXPECT_EQ(mdlStringList_size(list), 2);
}

TEST_F(Canvases, TheHostsOwnPreferenceFileIsNamedByItsVariable) {
  RscFileHandle h = 0;
  ASSERT_TRUE(defineVariable("MS_USERPREF", path("host.upf"), kCfgLevelUser));
  EXPECT_EQ(mdlDialog_userPrefFileOpen(&h, 0), RSC_ERR_FILE_NOT_FOUND);
  ASSERT_EQ(mdlDialog_userPrefFileOpen(&h, 1), 0);  // created
  EXPECT_NE(h, 0u);
  ASSERT_EQ(mdlDialog_userPrefFileOpen(&h, 0), 0);
  ::unsetenv("MS_USERPREF");
}

}  // namespace
}  // namespace pixmend::host
