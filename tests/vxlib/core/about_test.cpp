// The about box: the version record and text, the about texts kept in the global data block,
// opening now or after the first design file, closing by timer, what the dialog shows and draws
// (labels, title, logos), and its buttons.
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/config/config.hpp"
#include "host/dialog/dialog.hpp"
#include "host/dialog/manager.hpp"
#include "host/system/idle.hpp"
#include "host/system/timers.hpp"
#include "vxlib/core/intro.hpp"
#include "vxlib/core/vxlib_fixture.hpp"

namespace pixmend::vxlib {
namespace {

using host::AppScope;

class About : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    app_ = startApp("Tester");
    AppScope scope(app_);
    vxlibIntro_setVersionNumber();
  }

  void about(const char* title, const char* suffix, const char* text2, const char* text7, int autoClose) {
    AppScope scope(app_);
    vxlibIntro_msgBoxNew(title, suffix, text2, nullptr, nullptr, nullptr, nullptr, text7, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, autoClose);
  }

  GlobalData* block() { return blockOf(app_); }

  static std::string label(MSDialog* db, int itemId) {
    const int index = mdlDialog_itemIndexByTypeAndId(db, RTYPE_LABEL, itemId, 0);
    if (index < 0) return "(no item)";
    char text[1024] = {};
    mdlDialog_itemGetLabel(text, sizeof text, db, index);
    return text;
  }

  static std::string balloon(MSDialog* db, int itemId) {
    const int index = mdlDialog_itemIndexByTypeAndId(db, RTYPE_LABEL, itemId, 0);
    return index < 0 ? "(no item)" : db->items[static_cast<std::size_t>(index)].spec.balloon;
  }

  static BSIRect rectOf(MSDialog* db, unsigned type, int itemId) {
    BSIRect r{};
    mdlDialog_itemGetRect(&r, db, mdlDialog_itemIndexByTypeAndId(db, type, itemId, 0));
    return r;
  }

  host::Application* app_ = nullptr;
};

TEST_F(About, TheVersionRecordIsEightFiveTwoSeventy) {
  AppScope scope(app_);
  VersionNumber v{};
  ASSERT_EQ(mdlSystem_getMdlAppVersionNumber(nullptr, &v), 0);
  EXPECT_EQ(v.release, 8);
  EXPECT_EQ(v.major, 5);
  EXPECT_EQ(v.minor, 2);
  EXPECT_EQ(v.subMinor, 70);
}

TEST_F(About, TheVersionTextHasTwoDigitsBelowTenAndThenTheSuffix) {
  EXPECT_EQ(aboutVersionText({8, 5, 2, 70}, "03.08 - 09.04.2010"), "08.05.03.08 - 09.04.2010");
  EXPECT_EQ(aboutVersionText({10, 12, 0, 0}, "x"), "10.12.x");
  EXPECT_EQ(aboutVersionText({255, 0, 0, 0}, ""), "255.00.");
  about("Raster", "03.08 - 09.04.2010", nullptr, nullptr, 0);
  EXPECT_STREQ(block()->aboutText[1], "08.05.03.08 - 09.04.2010");
  {
    AppScope scope(app_);
    const VersionNumber later{10, 12, 1, 1};
    mdlSystem_setMdlAppVersionNumber(nullptr, &later);
  }
  about(nullptr, "suffix", nullptr, nullptr, 0);
  EXPECT_STREQ(block()->aboutText[1], "10.12.suffix");
  EXPECT_STREQ(block()->aboutText[0], "Raster") << "a null title keeps the slot";
}

TEST_F(About, NullTextsLeaveTheirSlotsAsTheyWere) {
  about("Title", nullptr, nullptr, nullptr, 0);
  EXPECT_STREQ(block()->aboutText[1], "") << "empty the first time";
  EXPECT_STREQ(block()->aboutText[2], "");
  about("Title", "1", "Preference file: a.upf", "/opt/vx/a.upf", 0);
  about("Title", nullptr, nullptr, nullptr, 0);
  EXPECT_STREQ(block()->aboutText[1], "08.05.1");
  EXPECT_STREQ(block()->aboutText[2], "Preference file: a.upf");
  EXPECT_STREQ(block()->aboutText[7], "/opt/vx/a.upf");
}

TEST_F(About, LongTextsAreCutAndFileNamesShortenedInTheirMiddle) {
  const std::string longText(400, 't');
  const std::string longFile = "/opt/" + std::string(300, 'd') + "/settings.upf";
  about(longText.c_str(), nullptr, longText.c_str(), longFile.c_str(), 0);
  EXPECT_EQ(std::string(block()->aboutText[0]), longText.substr(0, 256));
  EXPECT_EQ(std::string(block()->aboutText[2]), longText.substr(0, 256));
  const std::string shortened = block()->aboutText[7];
  EXPECT_LE(shortened.size(), 256u);
  EXPECT_NE(shortened.find("..."), std::string::npos);
  EXPECT_EQ(shortened.substr(shortened.size() - 12), "settings.upf");
}

TEST_F(About, AutoCloseZeroStaysOpenAndOneClosesAfterASecond) {
  about("Stays", "1", nullptr, nullptr, 0);
  ASSERT_NE(host::findOpenDialog(kAboutDialog), nullptr);
  host::advanceClock(60 * 60);
  EXPECT_NE(host::findOpenDialog(kAboutDialog), nullptr);
  {
    AppScope scope(app_);
    mdlWindow_close(mdlDialog_find(kAboutDialog, nullptr), 0, 0);
  }
  about("Goes", "1", nullptr, nullptr, 1);
  ASSERT_NE(host::findOpenDialog(kAboutDialog), nullptr);
  host::advanceClock(59);
  EXPECT_NE(host::findOpenDialog(kAboutDialog), nullptr);
  const auto from = mark();
  host::advanceClock(1);
  EXPECT_EQ(host::findOpenDialog(kAboutDialog), nullptr);
  host::advanceClock(600);
  EXPECT_EQ(texts("timer", from).size(), 1u) << "the timer stops itself";
  // A closed box before its time leaves the timer nothing to do.
  about("Closed", "1", nullptr, nullptr, 2);
  {
    AppScope scope(app_);
    mdlWindow_close(mdlDialog_find(kAboutDialog, nullptr), 0, 0);
  }
  host::advanceClock(120);
  EXPECT_EQ(host::findOpenDialog(kAboutDialog), nullptr);
  // An auto-close too long for the timer waits as long as the timer can count.
  about("Long", "1", nullptr, nullptr, 0x7fffffff);
  host::advanceClock(60 * 3600);
  EXPECT_NE(host::findOpenDialog(kAboutDialog), nullptr);
}

TEST_F(About, AnApplicationLoadedAtHostStartShowsTheBoxOnceADesignIsOpen) {
  host::Application* early = addApp("Early");
  start(early, {"MS_INITAPPS"});
  {
    AppScope scope(early);
    vxlibIntro_msgBoxNew("Early", "1", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr, 0);
  }
  EXPECT_EQ(host::findOpenDialog(kAboutDialog), nullptr);
  {
    AppScope scope(early);
    vxlibMain_newDesignFile("first.dgn", 1);
  }
  MSDialog* db = host::findOpenDialog(kAboutDialog);
  ASSERT_NE(db, nullptr);
  char title[64];
  mdlDialog_getTitle(title, sizeof title, db);
  EXPECT_STREQ(title, "Vexcraft Early");
}

TEST_F(About, TheDialogShowsTheTextsTheLibraryAndTheApplicationFile) {
  AppScope scope(app_);
  vxlibIntro_msgBoxNew("Raster Tools", "03.08 - 09.04.2010", "t2", "t3", "t4", "t5", "t6", "/f/seven.upf", "t8",
                       "/f/nine.rsc", "t10", "/f/eleven.cfg", "t12", "/f/thirteen.dat", 0);
  MSDialog* db = mdlDialog_find(kAboutDialog, nullptr);
  ASSERT_NE(db, nullptr);
  char title[300];
  mdlDialog_getTitle(title, sizeof title, db);
  EXPECT_STREQ(title, "Vexcraft Raster Tools");
  EXPECT_EQ(label(db, kVersionItem), "08.05.03.08 - 09.04.2010");
  const char* const expected[12] = {"t2", "t3", "t4", "t5", "t6", "/f/seven.upf", "t8", "/f/nine.rsc", "t10",
                                    "/f/eleven.cfg", "t12", "/f/thirteen.dat"};
  for (int slot = 2; slot < 14; ++slot) EXPECT_EQ(label(db, kSlotItems[slot - 2]), expected[slot - 2]) << slot;
  EXPECT_EQ(balloon(db, kSlotItems[5]), "/f/seven.upf") << "file names are balloons too";
  EXPECT_EQ(balloon(db, kSlotItems[11]), "/f/thirteen.dat");
  EXPECT_EQ(balloon(db, kSlotItems[6]), "");
  EXPECT_EQ(label(db, kLibraryVersionItem), "vxlib version 6.14");
  EXPECT_EQ(label(db, kApplicationFileItem), host::applicationPath(app_));
  EXPECT_EQ(balloon(db, kApplicationFileItem), host::applicationPath(app_));
  EXPECT_EQ(label(db, kLibraryLocationItem), "Statically Linked");
}

TEST_F(About, TheDialogDrawsItsTitleAndLogosAndExportsAsAPicture) {
  about("Pixmend Raster", "1", nullptr, nullptr, 0);
  MSDialog* db = host::findOpenDialog(kAboutDialog);
  ASSERT_NE(db, nullptr);
  const host::Canvas& canvas = db->canvas;
  auto at = [&](int x, int y) {
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width) + static_cast<std::size_t>(x)) * 3;
    return std::vector<int>{canvas.rgb[i], canvas.rgb[i + 1], canvas.rgb[i + 2]};
  };
  // The title: exactly the host's text drawing of it, centred in the picture item.
  const BSIRect title = rectOf(db, RTYPE_PICTURE, 20036);
  const int width = host::textWidth("Pixmend Raster");
  host::Canvas expected;
  expected.resize(canvas.width, canvas.height);
  expected.fill(title, 15);
  const int x = title.origin.x + (title.corner.x - title.origin.x - width) / 2;
  const int y = title.origin.y + (title.corner.y - title.origin.y - host::fontHeight()) / 2;
  expected.text("Pixmend Raster", x, y, kTitleColour);
  int differing = 0, inked = 0;
  for (int py = title.origin.y; py < title.corner.y; ++py) {
    for (int px = title.origin.x; px < title.corner.x; ++px) {
      const std::size_t i = (static_cast<std::size_t>(py) * static_cast<std::size_t>(canvas.width) + static_cast<std::size_t>(px)) * 3;
      const bool same = canvas.rgb[i] == expected.rgb[i] && canvas.rgb[i + 1] == expected.rgb[i + 1] &&
                        canvas.rgb[i + 2] == expected.rgb[i + 2];
      differing += same ? 0 : 1;
      const RgbColorDef ink = host::paletteColour(kTitleColour);
      inked += canvas.rgb[i] == ink.red && canvas.rgb[i + 1] == ink.green && canvas.rgb[i + 2] == ink.blue ? 1 : 0;
    }
  }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(inked, 100);

  // Each logo: every pixel of its picture that is not white lands where the item is.
  struct Logo {
    int item;
    unsigned type;
    int id;
    int width;
  };
  for (const Logo& logo : {Logo{20101, 0x5658494DU, 1, 167}, Logo{20103, 0x4D4B494DU, 2, 158}, Logo{20102, 0x56584932U, 3, 71}}) {
    AppScope scope(app_);
    auto* picture = static_cast<const unsigned char*>(mdlResource_load(0, logo.type, logo.id));
    ASSERT_NE(picture, nullptr) << logo.id;
    const int rows = static_cast<int>(mdlResource_size(picture) / (3u * static_cast<unsigned>(logo.width)));
    const BSIRect r = rectOf(db, RTYPE_IMAGE, logo.item);
    int drawn = 0, wrong = 0;
    for (int py = 0; py < rows && py < r.corner.y - r.origin.y; ++py) {
      for (int px = 0; px < logo.width && px < r.corner.x - r.origin.x; ++px) {
        const unsigned char* p = picture + (py * logo.width + px) * 3;
        if (p[0] == 255 && p[1] == 255 && p[2] == 255) continue;
        ++drawn;
        if (at(r.origin.x + px, r.origin.y + py) != std::vector<int>{p[0], p[1], p[2]}) ++wrong;
      }
    }
    mdlResource_free(const_cast<unsigned char*>(picture));
    EXPECT_GT(drawn, 500) << logo.id;
    EXPECT_EQ(wrong, 0) << logo.id;
  }

  std::string error;
  ASSERT_TRUE(host::saveDialogPng(kAboutDialog, path("about.png"), &error)) << error;
  EXPECT_EQ(readAll(path("about.png")).substr(1, 3), "PNG");
}

TEST_F(About, AnInitApplicationDrawsNoLogosBeforeADesignIsOpen) {
  host::Application* early = addApp("Early");
  start(early, {"MS_INITAPPS"});
  AppScope scope(early);
  MSDialog* db = mdlDialog_open(0, kAboutDialog);
  ASSERT_NE(db, nullptr);
  const BSIRect r = rectOf(db, RTYPE_IMAGE, 20101);
  const RgbColorDef background = host::paletteColour(15);
  int other = 0;
  for (int py = r.origin.y; py < r.corner.y; ++py) {
    for (int px = r.origin.x; px < r.corner.x; ++px) {
      const std::size_t i = (static_cast<std::size_t>(py) * static_cast<std::size_t>(db->canvas.width) + static_cast<std::size_t>(px)) * 3;
      other += db->canvas.rgb[i] != background.red || db->canvas.rgb[i + 1] != background.green ? 1 : 0;
    }
  }
  EXPECT_EQ(other, 0);
}

TEST_F(About, TheButtonsOpenTheWebPagesTheLibraryDialogAndTheInstaller) {
  about("Buttons", "1", nullptr, nullptr, 0);
  auto from = mark();
  std::string error;
  ASSERT_TRUE(host::pressButton(kAboutDialog, 20067, &error)) << error;
  ASSERT_TRUE(host::pressButton(kAboutDialog, 20206, &error)) << error;
  host::runIdle();
  const auto keyins = texts("keyin", from);
  EXPECT_EQ(keyins, (std::vector<std::string>{"browse url https://www.vexcraft.example/",
                                              "browse url https://www.vexcraft.example/support/"}));

  ASSERT_TRUE(host::pressButton(kAboutDialog, 20207, &error)) << error;
  MSDialog* library = host::findOpenDialog(kLibraryDialog);
  ASSERT_NE(library, nullptr);
  char title[64];
  mdlDialog_getTitle(title, sizeof title, library);
  EXPECT_STREQ(title, "Tester");

  // The installer: not there, nothing asked; there, asked with the installer's title, and the
  // question title of the application put back afterwards.
  from = mark();
  ASSERT_TRUE(host::pressButton(kAboutDialog, 20082, &error)) << error;
  EXPECT_TRUE(texts("dialog", from).size() == 1u) << "only the press";
  ::mkdir(path("mdl").c_str(), 0755);
  writeText(path("mdl/install_net.ma"), "not a program");
  host::defineVariable("MS_MDL", path("mdl"), host::kCfgLevelUser);
  host::queueAnswer("cancel");
  from = mark();
  ASSERT_TRUE(host::pressButton(kAboutDialog, 20082, &error)) << error;
  const auto dialog = texts("dialog", from);
  EXPECT_NE(std::find(dialog.begin(), dialog.end(), "opened 20011 \"Online installation\""), dialog.end());
  EXPECT_NE(std::find(dialog.begin(), dialog.end(), "text 20011 \"" + path("mdl/install_net.ma") + "\""), dialog.end());
  EXPECT_TRUE(texts("system", from).empty()) << "cancelled: nothing loaded";
  EXPECT_STREQ(block()->titles[titleSlot(8)], "Tester - Question");
}

}  // namespace
}  // namespace pixmend::vxlib
