// VXRaster's command table, menu and dialogs: every command number is reachable by key-in and
// menu, what each command does while nothing is attached or loaded, the commands that hand work
// to the host, the manual, and the dialogs bound to the published records.
#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "host/dialog/api.h"
#include "host/state/api.h"
#include "host/system/idle.hpp"
#include "host/system/registry.hpp"
#include "tests/app/vxraster_fixture.hpp"

namespace pixmend::app {
namespace {

class Commands : public VXRasterTest {
 protected:
  void SetUp() override {
    VXRasterTest::SetUp();
    app_ = load();
  }

  // The command table in the built resource file.
  static std::vector<host::CommandTableEntry> commandTable() {
    host::ResourceData data;
    std::string error;
    EXPECT_TRUE(host::readResourceFile(PIXMEND_BUILD_DIR "/lib/VXRaster.rsc", &data, &error)) << error;
    const auto found = data.resources.find({RTYPE_COMMAND_TABLE, 1});
    if (found == data.resources.end()) return {};
    auto table = host::parseCommandTable(std::string(found->second.begin(), found->second.end()), &error);
    EXPECT_TRUE(table) << error;
    return table ? *table : std::vector<host::CommandTableEntry>{};
  }

  // The journal of one key-in, without the key-in's own entry.
  static std::string after(const std::string& keyinText) {
    const auto from = mark();
    keyin(keyinText);
    const std::string all = journalSince(from);
    const std::string own = "keyin: " + keyinText + "\n";
    return all.rfind(own, 0) == 0 ? all.substr(own.size()) : all;
  }

  host::Application* app_ = nullptr;
};

// The numbers VXRaster registered a function for.
std::set<unsigned> registeredNumbers() {
  const auto numbers = host::registeredCommandNumbers(host::findApplication("VXRaster"));
  EXPECT_FALSE(numbers.empty());
  return {numbers.begin(), numbers.end()};
}

// The key-ins (the resource's command table) and the functions (the code's table) are written
// apart: a key-in bound to a number without a function would be "unknown" to the user, and a
// function without a key-in could not be reached.
TEST_F(Commands, EveryKeyinRunsACommandOfTheApplicationAndEveryCommandHasOneKeyin) {
  const auto table = commandTable();
  std::set<unsigned> numbers;
  std::set<std::string> keyins;
  for (const auto& entry : table) {
    EXPECT_TRUE(numbers.insert(entry.number).second) << "twice: " << std::hex << entry.number;
    EXPECT_TRUE(keyins.insert(entry.keyin).second) << "twice: " << entry.keyin;
  }
  const std::set<unsigned> registered = registeredNumbers();
  EXPECT_EQ(numbers, registered);

  // Every number runs a function of the application: nothing is unknown to the host. The unload
  // command goes last, as it ends the application.
  for (unsigned number : registered) {
    if (number == 0x01010500) continue;
    host::queueAnswer("no");
    const auto from = mark();
    host::runCommandNumber(number, "");
    host::runIdle();
    host::clearAnswers();
    // (The host's own key-ins that some commands send are not known to it yet; those are not
    // the application's numbers.)
    for (const auto& e : texts("error", from))
      EXPECT_EQ(e.find("Unknown command 0x"), std::string::npos) << e;
  }
  host::runCommandNumber(0x01010500, "");
  host::runIdle();
  EXPECT_EQ(host::findApplication("VXRaster"), nullptr);
}

TEST_F(Commands, TheMenuSitsBeforeTheHostsSettingsAndEachEntryRunsACommandOfTheTable) {
  const auto labels = host::menuBarLabels();
  const auto ours = std::find(labels.begin(), labels.end(), "VXRaster");
  ASSERT_NE(ours, labels.end());
  ASSERT_NE(ours + 1, labels.end());
  EXPECT_EQ(*(ours + 1), "Settings");

  std::ifstream source(PIXMEND_SOURCE_DIR "/resources/vxraster/menu.json");
  std::stringstream text;
  text << source.rdbuf();
  const std::string menu = text.str();
  std::set<unsigned> numbers;
  const std::string key = "\"command\": \"";
  for (std::size_t at = menu.find(key); at != std::string::npos; at = menu.find(key, at + 1))
    numbers.insert(static_cast<unsigned>(std::stoul(menu.substr(at + key.size(), 10), nullptr, 16)));
  EXPECT_EQ(numbers, registeredNumbers());

  long number = 0;
  std::string sent, error;
  ASSERT_TRUE(host::chooseMenuEntry({"VXRaster", "About"}, &number, &sent, &error)) << error;
  EXPECT_EQ(number, 0x01010a00);
  ASSERT_TRUE(host::chooseMenuEntry({"VXRaster", "Delete", "Smart with cut lines"}, &number, &sent, &error))
      << error;
  EXPECT_EQ(number, 0x01030500);
}

TEST_F(Commands, EditingCommandsWithNothingAttachedSaySoAndDoNothingElse) {
  for (const char* command :
       {"vxraster write", "vxraster save as", "vxraster move", "vxraster copy", "vxraster mirror",
        "vxraster warp", "vxraster rotate", "vxraster rotate horizontal", "vxraster move attachment",
        "vxraster delete dynamic", "vxraster delete rectangle", "vxraster delete fence",
        "vxraster delete smart", "vxraster delete smart cut", "vxraster select"}) {
    EXPECT_EQ(after(command), "error: No raster attached\n") << command;
  }
}

TEST_F(Commands, UndoRedoAndRevertNeedALoadedRaster) {
  for (const char* command : {"vxraster undo", "vxraster redo", "vxraster revert"})
    EXPECT_EQ(after(command), "error: No raster is activated\n") << command;
}

TEST_F(Commands, RecoverAndDetachRefuseInTheirBoxes) {
  EXPECT_EQ(after("vxraster recover"), "box: ok icon 3: No raster to recover\nbox: answer ok (defaulted)\n");
  EXPECT_EQ(after("vxraster detach"), "box: ok icon 4: No raster attached\nbox: answer ok (defaulted)\n");
}

TEST_F(Commands, DetachAllAsksBeforeItLooks) {
  host::queueAnswer("no");
  EXPECT_EQ(
      after("vxraster detach all"),
      "box: yesno icon 2: Are you sure you want to detach ALL raster reference files?\nbox: answer no\n");
  host::queueAnswer("yes");
  EXPECT_EQ(
      after("vxraster detach all"),
      "box: yesno icon 2: Are you sure you want to detach ALL raster reference files?\nbox: answer yes\n"
      "box: ok icon 4: No raster attached\nbox: answer ok (defaulted)\n");
}

TEST_F(Commands, AttachingAndModifyingAreTheHostsKeyins) {
  const auto from = mark();
  keyin("vxraster attach");
  keyin("vxraster modify attachment");
  EXPECT_EQ(texts("keyin", from), (std::vector<std::string>{"vxraster attach", "raster attach interactive",
                                                            "vxraster modify attachment", "raster modify"}));
}

TEST_F(Commands, CommandsWithNothingToWorkOnAreQuiet) {
  for (const char* command : {"vxraster end", "vxraster invert", "vxraster host save as"})
    EXPECT_EQ(after(command), "") << command;
}

TEST_F(Commands, TheManualIsFoundUnderVxDir) {
  define("PATH", path("nothing"));  // no opener runs
  host::undefineVariable("VX_DIR");
  EXPECT_EQ(after("vxraster manual"), "");
  define("VX_DIR", "");
  EXPECT_EQ(after("vxraster manual"), "");

  define("VX_DIR", path("vx"));
  EXPECT_EQ(after("vxraster manual"),
            "center: 10 Cannot open VXPixmend User's manual | Cannot open VXPixmend User's manual. File is "
            "missing. (alert)\n");

  std::filesystem::create_directories(path("vx/doc/manual"));
  std::ofstream(path("vx/doc/manual/vxpixmend.pdf")) << "%PDF-1.4\n";
  const auto from = mark();
  keyin("vxraster manual");
  const auto keyins = texts("keyin", from);
  ASSERT_EQ(keyins.size(), 2u);
  EXPECT_EQ(keyins[1], "% " + path("vx/doc/manual/vxpixmend.pdf"));
}

TEST_F(Commands, TheSettingsDialogsAreBoundToThePublishedRecords) {
  // The main dialog opens at start-up, after the parameter block is published: its items show
  // the block's values from the start.
  MSDialog* mainDialog = host::findOpenDialog(1);
  ASSERT_NE(mainDialog, nullptr);
  char shown[64] = {};
  mdlDialog_itemGetValue(shown, sizeof shown, mainDialog,
                         mdlDialog_itemIndexByTypeAndId(mainDialog, RTYPE_OPTIONBTN, 1, 0));
  EXPECT_STREQ(shown, "3");
  mdlDialog_itemGetValue(shown, sizeof shown, mainDialog,
                         mdlDialog_itemIndexByTypeAndId(mainDialog, RTYPE_TEXT, 4, 0));
  EXPECT_STREQ(shown, "90");
  keyin("vxraster dialog");
  keyin("vxraster settings");
  keyin("vxraster settings");
  int main = 0, settings = 0;
  for (MSDialog* db : host::openDialogs()) {
    main += mdlDialog_getId(db) == 1;
    settings += mdlDialog_getId(db) == 4;
  }
  EXPECT_EQ(main, 1);
  EXPECT_EQ(settings, 1);

  std::string error;
  const std::vector<std::tuple<int, int, std::string, std::string, double>> choices = {
      {1, 1, "Fence contents", "vxrasterparams.copyMoveMode", 4},
      {1, 2, "270 degrees", "vxrasterparams.copyRotation", 3},
      {1, 3, "off", "vxrasterparams.copyTransparent", 0},
      {1, 5, "Vertical line", "vxrasterparams.mirrorMode", 2},
      {1, 6, "Erase outside", "vxrasterparams.deleteRectangleMode", 2},
      {1, 7, "12.5", "vxrasterparams.deleteRectangleWidth", 12.5},
      {1, 8, "0.25", "vxrasterparams.deleteRectangleHeight", 0.25},
      {1, 9, "Two", "vxrasterparams.warpThreePoints", 0},
      {4, 1, "7", "userInterfaceData.activeColor", 7},
      {4, 2, "3", "userInterfaceData.overlayColor", 3},
      {4, 3, "off", "userInterfaceData.autoWriteBack", 0}};
  for (const auto& [dialog, item, value, access, expected] : choices) {
    EXPECT_TRUE(host::setItemValue(dialog, item, value, &error)) << access << ": " << error;
    EXPECT_EQ(number(access), expected) << access;
  }
  EXPECT_TRUE(host::setItemValue(1, 4, "45.5", &error)) << error;
  EXPECT_EQ(text("vxrasterparams.rotationAngleText"), "45.5");
  EXPECT_TRUE(host::setItemValue(4, 4, "/data/scratch/", &error)) << error;
  EXPECT_EQ(text("userInterfaceData.tempDirectory"), "/data/scratch/");

  // What a user cannot enter is refused and changes nothing.
  EXPECT_FALSE(host::setItemValue(4, 1, "green", &error));
  EXPECT_EQ(number("userInterfaceData.activeColor"), 7);
  EXPECT_FALSE(host::setItemValue(4, 4, "/" + std::string(300, 'x'), &error));
  EXPECT_EQ(text("userInterfaceData.tempDirectory"), "/data/scratch/");
  EXPECT_FALSE(host::setItemValue(1, 1, "Circle", &error));
  EXPECT_EQ(number("vxrasterparams.copyMoveMode"), 4);
}

class SaveAsDialog : public Commands {
 protected:
  void SetUp() override {
    Commands::SetUp();
    // The command opens it only for a loaded raster; here it is opened as the application would.
    host::AppScope scope(app_);
    ASSERT_NE(mdlDialog_open(0, 2), nullptr);
  }

  // Types `name`, then chooses `type`: the name the dialog ends with.
  static std::string rename(const std::string& name, const std::string& type) {
    std::string error;
    EXPECT_TRUE(host::setItemValue(2, 2, name, &error)) << error;
    EXPECT_TRUE(host::setItemValue(2, 11, type, &error)) << error;
    return text("vxrasterparams.saveAsFileName").value_or("(unpublished)");
  }
};

TEST_F(SaveAsDialog, ChoosingATypeGivesTheNameItsExtension) {
  EXPECT_EQ(rename("scan", "TIFF"), "scan.tif");
  EXPECT_EQ(rename("scan.cit", "RLE"), "scan.rle");
  EXPECT_EQ(rename("scan.tiff", "TIFF"), "scan.tiff");
  EXPECT_EQ(rename("scan.tiff", "CIT"), "scan.cit");
  EXPECT_EQ(rename("scan.rle", "TIFF"), "scan.tif");
  EXPECT_EQ(rename("/data/scan", "CIT"), "/data/scan.cit");
  // Only the file's own name has an extension.
  EXPECT_EQ(rename("maps.v2/scan", "TIFF"), "maps.v2/scan.tif");
  EXPECT_EQ(rename("maps/.scan", "RLE"), "maps/.scan.rle");
  // The text item shows the new name as well.
  MSDialog* db = host::findOpenDialog(2);
  char shown[1100] = {};
  mdlDialog_itemGetValue(shown, sizeof shown, db, mdlDialog_itemIndexByTypeAndId(db, RTYPE_TEXT, 2, 0));
  EXPECT_STREQ(shown, "maps/.scan.rle");
}

TEST_F(SaveAsDialog, ANameWithNoRoomForItsExtensionIsLeftAsTyped) {
  const std::string longest(1051, 'n');
  EXPECT_EQ(rename(longest, "CIT"), longest);
  const std::string almost(1047, 'n');
  EXPECT_EQ(rename(almost, "TIFF"), almost + ".tif");
}

TEST_F(SaveAsDialog, BrowseTakesTheChosenFileAndCancelCloses) {
  std::string error;
  host::queueAnswer("/data/new.cit");
  ASSERT_TRUE(host::pressButton(2, 3, &error)) << error;
  EXPECT_EQ(text("vxrasterparams.saveAsFileName"), "/data/new.cit");
  host::queueAnswer("cancel");
  ASSERT_TRUE(host::pressButton(2, 3, &error)) << error;
  EXPECT_EQ(text("vxrasterparams.saveAsFileName"), "/data/new.cit");

  EXPECT_EQ(texts("error", mark()).size(), 0u);
  const auto from = mark();
  ASSERT_TRUE(host::pressButton(2, 1, &error)) << error;
  EXPECT_EQ(texts("error", from), std::vector<std::string>{"No raster is activated"});
  ASSERT_TRUE(host::pressButton(2, 5, &error)) << error;
  host::runIdle();
  EXPECT_EQ(host::findOpenDialog(2), nullptr);
}

}  // namespace
}  // namespace pixmend::app
