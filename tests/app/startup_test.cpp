// VXRaster's start-up and shutdown: the parameter block and its layout, the user settings and
// their defaults, the preference record's stored form, the command table, the about box.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>

#include "app/params.hpp"
#include "host/dialog/api.h"
#include "host/dialog/dialog.hpp"
#include "host/system/api.h"
#include "host/system/idle.hpp"
#include "host/system/registry.hpp"
#include "tests/app/vxraster_fixture.hpp"

namespace pixmend::app {
namespace {

class Startup : public VXRasterTest {};

// What a user reads in the tool settings at the first start: every setting shows one of the
// choices its item offers (a start-up value without a choice would show an empty button), the
// copy and move commands select a rectangle and paste it unturned and transparent, and the
// rectangle delete erases inside 5 by 5.
TEST_F(Startup, TheToolSettingsShowAChoiceTheyOfferForEverySetting) {
  load();
  const MSDialog* db = host::findOpenDialog(1);
  ASSERT_NE(db, nullptr);
  std::map<std::string, std::string> shown;  // item label -> what the item shows
  for (const host::Item& item : db->items) {
    const host::ItemSpec& spec = item.spec;
    if (spec.access.empty()) continue;
    if (spec.type == RTYPE_OPTIONBTN) {
      const auto chosen = std::find_if(spec.options.begin(), spec.options.end(),
                                       [&](const host::OptionEntry& o) { return o.value == item.number; });
      ASSERT_NE(chosen, spec.options.end()) << spec.label << " shows " << item.number << ", which it does not offer";
      shown[spec.label] = chosen->label;
    } else if (spec.type == RTYPE_TOGGLE) {
      EXPECT_TRUE(item.number == 0 || item.number == 1) << spec.label;
      shown[spec.label] = item.number != 0 ? "on" : "off";
    } else if (spec.type == RTYPE_TEXT) {
      EXPECT_FALSE(item.text.empty()) << spec.label;
      shown[spec.label] = item.text;
    }
  }
  EXPECT_EQ(shown, (std::map<std::string, std::string>{{"Selection", "Rectangle"},
                                                       {"Rotation", "None"},
                                                       {"Transparent paste", "on"},
                                                       {"Angle", "90"},
                                                       {"Mirror about", "Horizontal line"},
                                                       {"Rectangle", "Erase inside"},
                                                       {"Width", "5"},
                                                       {"Height", "5"},
                                                       {"Point pairs", "Three"}}));
  EXPECT_EQ(text("vxrasterparams.saveAsFileName"), "");
}

// The dialogs reach the records through the layouts in the resource file; those must be the
// records' own, field for field.
TEST_F(Startup, TheLayoutsTheDialogsUseAreTheRecordsOwn) {
  load();
  struct Expected {
    const char* name;
    std::size_t offset, size;
  };
  const host::StructLayout* params = host::findStructLayout("vxrasterparams");
  ASSERT_NE(params, nullptr);
  EXPECT_EQ(params->size, sizeof(VxRasterParams));
  const Expected paramFields[] = {
      {"dialogOption0", offsetof(VxRasterParams, dialogOption0), 4},
      {"deleteRectangleMode", offsetof(VxRasterParams, deleteRectangleMode), 4},
      {"warpThreePoints", offsetof(VxRasterParams, warpThreePoints), 4},
      {"copyMoveMode", offsetof(VxRasterParams, copyMoveMode), 4},
      {"copyRotation", offsetof(VxRasterParams, copyRotation), 4},
      {"saveAsFileType", offsetof(VxRasterParams, saveAsFileType), 4},
      {"copyTransparent", offsetof(VxRasterParams, copyTransparent), 4},
      {"mirrorMode", offsetof(VxRasterParams, mirrorMode), 4},
      {"rotationAngleText", offsetof(VxRasterParams, rotationAngleText), 8},
      {"deleteRectangleHeight", offsetof(VxRasterParams, deleteRectangleHeight), 8},
      {"deleteRectangleWidth", offsetof(VxRasterParams, deleteRectangleWidth), 8},
      {"saveAsFileName", offsetof(VxRasterParams, saveAsFileName), 1052},
      {"dialogOption20", offsetof(VxRasterParams, dialogOption20), 4},
      {"dialogOption24", offsetof(VxRasterParams, dialogOption24), 4}};
  EXPECT_EQ(params->fields.size(), 25u);
  for (const auto& e : paramFields) {
    auto field = std::find_if(params->fields.begin(), params->fields.end(),
                              [&](const host::FieldLayout& f) { return f.name == e.name; });
    ASSERT_NE(field, params->fields.end()) << e.name;
    EXPECT_EQ(field->offset, e.offset) << e.name;
    EXPECT_EQ(field->size, e.size) << e.name;
  }

  const host::StructLayout* ui = host::findStructLayout("userInterfaceData");
  ASSERT_NE(ui, nullptr);
  EXPECT_EQ(ui->size, kUserInterfaceSize);
  const Expected uiFields[] = {{"activeColor", 0, 4},
                               {"overlayColor", 4, 4},
                               {"spareSetting", 8, 4},
                               {"autoWriteBack", 12, 4},
                               {"tempDirectory", 16, 256}};
  ASSERT_EQ(ui->fields.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(ui->fields[i].name, uiFields[i].name);
    EXPECT_EQ(ui->fields[i].offset, uiFields[i].offset) << uiFields[i].name;
    EXPECT_EQ(ui->fields[i].size, uiFields[i].size) << uiFields[i].name;
  }
  EXPECT_EQ(offsetof(UserInterfaceData, autoWriteBack), 12u);
}

TEST_F(Startup, AFirstStartTakesTheDefaultsWithTheTemporaryFolderExpanded) {
  define("SCRATCH", path("scratch"));
  define("MS_TMP", "$(SCRATCH)/vx/");
  load();
  EXPECT_EQ(number("userInterfaceData.activeColor"), 2);
  EXPECT_EQ(number("userInterfaceData.overlayColor"), 1);
  EXPECT_EQ(number("userInterfaceData.spareSetting"), 255);
  EXPECT_EQ(number("vxrUid.autoWriteBack"), 1);
  EXPECT_EQ(text("vxrUid->tempDirectory"), path("scratch") + "/vx/");
  EXPECT_FALSE(storedSettings()) << "nothing is stored before the first shutdown";
}

// Without MS_TMP the backup and the temporary rasters go to a folder of the user's own (made when
// missing, closed to others), never to one all users share: two users never see each other's
// backup.
TEST_F(Startup, WithoutMsTmpTheUsersOwnFolderIsTheDefault) {
  host::undefineVariable("MS_TMP");
  host::undefineVariable("XDG_CACHE_HOME");
  define("HOME", path("alice"));
  load();
  EXPECT_EQ(text("userInterfaceData.tempDirectory"), path("alice") + "/.cache/pixmend/");
  struct stat st {};
  ASSERT_EQ(::stat(path("alice/.cache/pixmend").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  keyin("vxraster unload");
  std::filesystem::remove(path("VXPixmend.upf"));

  define("HOME", path("bob/"));
  load();
  EXPECT_EQ(text("userInterfaceData.tempDirectory"), path("bob") + "/.cache/pixmend/");
  keyin("vxraster unload");
  std::filesystem::remove(path("VXPixmend.upf"));

  define("XDG_CACHE_HOME", path("cache"));
  load();
  EXPECT_EQ(text("userInterfaceData.tempDirectory"), path("cache") + "/pixmend/");
  keyin("vxraster unload");
  std::filesystem::remove(path("VXPixmend.upf"));
}

TEST_F(Startup, WithoutAHomeTheFolderInTheSharedTemporaryFolderMustBeOursAlone) {
  host::undefineVariable("MS_TMP");
  host::undefineVariable("XDG_CACHE_HOME");
  host::undefineVariable("HOME");
  std::filesystem::create_directories(path("shared"));
  define("TMPDIR", path("shared"));
  const std::string own = path("shared") + "/pixmend-" + std::to_string(::geteuid()) + "/";
  load();
  EXPECT_EQ(text("userInterfaceData.tempDirectory"), own);
  struct stat st {};
  ASSERT_EQ(::stat(own.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  keyin("vxraster unload");
  std::filesystem::remove(path("VXPixmend.upf"));

  // Someone opened it to everyone: it is not used, a new private folder is made beside it.
  ASSERT_EQ(::chmod(own.c_str(), 0777), 0);
  load();
  const std::string chosen = text("userInterfaceData.tempDirectory").value_or("");
  EXPECT_NE(chosen, own);
  EXPECT_EQ(chosen.rfind(own.substr(0, own.size() - 1) + "-", 0), 0u) << chosen;
  ASSERT_EQ(::stat(chosen.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

// File names are appended to the folder as they are: a value without its separator is the
// user's to correct, and is not changed behind their back.
TEST_F(Startup, AnMsTmpWithoutItsSeparatorIsTakenAsWritten) {
  define("MS_TMP", "/scratch");
  load();
  EXPECT_EQ(text("userInterfaceData.tempDirectory"), "/scratch");
}

TEST_F(Startup, AnMsTmpTooLongForTheFieldIsNotCutIntoAnotherFolder) {
  define("MS_TMP", "/" + std::string(300, 'd') + "/");
  host::undefineVariable("XDG_CACHE_HOME");
  define("HOME", path("home"));
  const auto from = mark();
  load();
  EXPECT_EQ(text("userInterfaceData.tempDirectory"), path("home") + "/.cache/pixmend/");
  EXPECT_EQ(texts("text", from),
            std::vector<std::string>{
                "VXRaster: MS_TMP is longer than 255 characters; using the user's temporary folder\n"});
}

TEST_F(Startup, SettingsAreStoredFieldByFieldAndReadBackAtTheNextStart) {
  load();
  ASSERT_TRUE(setNumber("userInterfaceData.activeColor", 0x01020304));
  ASSERT_TRUE(setNumber("userInterfaceData.overlayColor", -2));
  ASSERT_TRUE(setNumber("userInterfaceData.autoWriteBack", 0));
  ASSERT_TRUE(setText("userInterfaceData.tempDirectory", "/data/tmp/"));
  keyin("vxraster unload");
  EXPECT_EQ(host::findApplication("VXRaster"), nullptr);

  const auto stored = storedSettings();
  ASSERT_TRUE(stored);
  ASSERT_EQ(stored->size(), 272u);
  const std::vector<std::uint8_t> head = {4, 3, 2, 1, 0xfe, 0xff, 0xff, 0xff, 255, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(stored->begin(), stored->begin() + 16), head);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stored->data() + 16)), "/data/tmp/");
  EXPECT_TRUE(std::all_of(stored->begin() + 16 + 11, stored->end(), [](std::uint8_t b) { return b == 0; }));

  load();
  EXPECT_EQ(number("userInterfaceData.activeColor"), 0x01020304);
  EXPECT_EQ(number("userInterfaceData.overlayColor"), -2);
  EXPECT_EQ(number("userInterfaceData.spareSetting"), 255);
  EXPECT_EQ(number("userInterfaceData.autoWriteBack"), 0);
  EXPECT_EQ(text("userInterfaceData.tempDirectory"), "/data/tmp/");
}

// What another program (or a damaged disk) left in the preference file: a directory that fills
// its whole field is cut to fit, and a record of another size is not read at all.
TEST_F(Startup, StoredRecordsAreReadWithinTheirBounds) {
  std::vector<std::uint8_t> record(272, 'a');
  for (int i = 0; i < 16; ++i) record[i] = 0;
  record[0] = 7;
  host::ResourceData data;
  data.description = "preferences";
  data.resources[{host::packType("VXR"), 1}] = record;
  std::string error;
  ASSERT_TRUE(host::writeResourceFile(path("VXPixmend.upf"), data, &error)) << error;
  load();
  EXPECT_EQ(number("userInterfaceData.activeColor"), 7);
  EXPECT_EQ(text("userInterfaceData.tempDirectory"), std::string(255, 'a'));
  keyin("vxraster unload");

  data.resources[{host::packType("VXR"), 1}] = std::vector<std::uint8_t>(100, 9);
  ASSERT_TRUE(host::writeResourceFile(path("VXPixmend.upf"), data, &error)) << error;
  load();
  EXPECT_EQ(number("userInterfaceData.activeColor"), 2) << "the defaults";
  EXPECT_EQ(text("userInterfaceData.tempDirectory"), path("tmp/"));
}

// The host unloads the application (a user's "mdl unload", the end of the session): the settings
// are saved and the menu goes, the raster library ends and no unload of its own is queued.
TEST_F(Startup, TheHostsUnloadSavesTheSettingsAndLeaves) {
  host::Application* app = load();
  const auto from = mark();
  host::unloadApplication(app, SYSTEM_UNLOAD_BY_USER);
  host::runIdle();
  EXPECT_EQ(journalSince(from),
            "system: unload VXRaster\n"
            "resource: wrote " +
                path("VXPixmend.upf") +
                " (add 'VXR' 1, 272 bytes)\n"
                "menu: removed VXRaster\n"
                "raster: terminate VXRaster\n"
                "system: exit VXRaster 0\n"
                "dialog: closed 1\n");
}

TEST_F(Startup, TheUnloadCommandShutsDownOnceAndHasTheHostUnloadIt) {
  load();
  const auto from = mark();
  host::runKeyin("vxraster unload");
  host::runKeyin("vxraster unload");  // before the host has come round to the first
  host::runIdle();
  EXPECT_EQ(journalSince(from),
            "keyin: vxraster unload\n"
            "resource: wrote " +
                path("VXPixmend.upf") +
                " (add 'VXR' 1, 272 bytes)\n"
                "menu: removed VXRaster\n"
                "raster: terminate VXRaster\n"
                "keyin: vxraster unload\n"
                "cmd: 0x79020000 VXRASTER\n"
                "system: unload VXRaster\n"
                "dialog: closed 1\n");
  EXPECT_EQ(host::findApplication("VXRaster"), nullptr);
}

// A resource file without the command table: the user is told, and the rest of the start-up
// (main dialog, settings, menu) still happens.
TEST_F(Startup, AMissingCommandTableIsReportedAndStartUpGoesOn) {
  const std::string build = PIXMEND_BUILD_DIR "/lib/";
  host::ResourceData data;
  std::string error;
  ASSERT_TRUE(host::readResourceFile(build + "VXRaster.rsc", &data, &error)) << error;
  ASSERT_EQ(data.resources.erase({host::packType("CmdT"), 1}), 1u);
  std::filesystem::create_directories(path("app"));
  ASSERT_TRUE(host::writeResourceFile(path("app/VXRaster.rsc"), data, &error)) << error;
  std::filesystem::copy_file(build + "libVXRaster.so", path("app/libVXRaster.so"));

  const auto from = mark();
  load({}, path("app/libVXRaster.so"));
  const auto dialogs = texts("dialog", from);
  EXPECT_NE(std::find(dialogs.begin(), dialogs.end(), "text 20011 \"Error reading command table\""),
            dialogs.end());
  EXPECT_NE(std::find(dialogs.begin(), dialogs.end(), "opened 1 \"VXRaster\""), dialogs.end());
  EXPECT_EQ(texts("menu", from), std::vector<std::string>{"inserted VXRaster before Settings"});
  EXPECT_EQ(number("userInterfaceData.activeColor"), 2);
  const auto before = mark();
  keyin("vxraster about");
  EXPECT_EQ(texts("error", before), std::vector<std::string>{"Unknown command: vxraster about"});
}

std::string label(MSDialog* db, int itemId) {
  const int index = mdlDialog_itemIndexByTypeAndId(db, RTYPE_LABEL, itemId, 0);
  if (index < 0) return "(no item)";
  char buffer[512] = {};
  mdlDialog_itemGetLabel(buffer, sizeof buffer, db, index);
  return buffer;
}

TEST_F(Startup, TheAboutBoxShowsTheApplicationsTextsAndItsPreferenceFile) {
  load();
  keyin("vxraster about");
  MSDialog* box = host::findOpenDialog(20020);
  ASSERT_NE(box, nullptr);
  char title[256] = {};
  mdlDialog_getTitle(title, sizeof title, box);
  EXPECT_STREQ(title, "Vexcraft Pixmend");
  EXPECT_EQ(label(box, 20013), "08.05.03.08 - 09.04.2010");
  EXPECT_EQ(label(box, 20000), "Raster");
  EXPECT_EQ(label(box, 20001), "editing tools");
  EXPECT_EQ(label(box, 20002), "for");
  EXPECT_EQ(label(box, 20003), "MicroStation V8");
  EXPECT_EQ(label(box, 20004), "User settings:");
  EXPECT_EQ(label(box, 20008), path("VXPixmend.upf"));
  EXPECT_EQ(label(box, 20005), "");
}

// Loaded at host start, the application's about box waits for the first design file, as the
// library's deferred functions do: the application's own new-design handler passes the event on.
TEST_F(Startup, AnAboutBoxBeforeTheFirstDesignFileOpensWithIt) {
  load({"MS_INITAPPS"});
  keyin("vxraster about");
  EXPECT_EQ(host::findOpenDialog(20020), nullptr);
  host::raiseSystemEvent(SYSTEM_NEW_DESIGN_FILE, "drawing.dgn", 1);
  host::runIdle();
  EXPECT_NE(host::findOpenDialog(20020), nullptr);
}

}  // namespace
}  // namespace pixmend::app
