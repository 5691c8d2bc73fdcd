// The library's message box and message list: box kinds, lines, answers, window sizes and
// drawing, titles, list modes and the list's save button, bounded formatting, and the numbered
// texts the families format with their arguments.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>

#include "host/dialog/dialog.hpp"
#include "host/dialog/manager.hpp"
#include "host/resource/images.hpp"
#include "vxlib/core/vxlib_fixture.hpp"

namespace pixmend::vxlib {
namespace {

using host::Application;
using host::AppScope;

class Messages : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    app_ = startApp("Boxes");
  }
  // The dialog entries since `from` ("opened ...", "pressed ...", "modal ...").
  static std::vector<std::string> dialogSince(std::size_t from) { return texts("dialog", from); }
  Application* app_ = nullptr;
};

TEST_F(Messages, BoxKindBitsChooseKindAndButtons) {
  struct Case {
    int mask, kind, first, second;
  };
  const Case cases[] = {
      {0, 1, 16, kNoMessage},     {17, 1, 16, kNoMessage},     {145, 1, 16, 128},
      {152, 8, 16, 128},          {577, 1, 64, 512},           {0x3ff, 1, 16, 128},
      {2 | 32 | 256, 2, 32, 256}, {4 | 64, 4, 64, kNoMessage}, {0x400, 1, 16, kNoMessage},
  };
  for (const auto& c : cases) {
    setBoxKind(c.mask);
    EXPECT_EQ(boxState().kind, c.kind) << c.mask;
    EXPECT_EQ(boxState().firstButton, c.first) << c.mask;
    EXPECT_EQ(boxState().secondButton, c.second) << c.mask;
  }
}

TEST_F(Messages, LinesSplitAtLineFeedsSkipEmptyOnesAndStopAtTwentyFive) {
  setBoxText("\n\nfirst\n\n\nsecond\nthird\n");
  ASSERT_EQ(boxState().lineCount, 3);
  EXPECT_STREQ(boxState().lines[0], "first");
  EXPECT_STREQ(boxState().lines[2], "third");
  std::string thirty;
  for (int i = 1; i <= 30; ++i) thirty += "line " + std::to_string(i) + "\n";
  setBoxText(thirty.c_str());
  ASSERT_EQ(boxState().lineCount, 25);
  EXPECT_STREQ(boxState().lines[24], "line 25");
  setBoxText("");
  EXPECT_EQ(boxState().lineCount, 0);
}

TEST_F(Messages, KindZeroIsKindOneWithOneButtonLabelledWithText25) {
  AppScope scope(app_);
  const auto from = mark();
  EXPECT_EQ(vxlibError_msgBoxPrintf(0, "Nothing %s", "special"), ACTIONBUTTON_OK);
  EXPECT_EQ(
      dialogSince(from),
      (std::vector<std::string>{"opened 20011 \"Boxes\"", "text 20011 \"Nothing special\"",
                                "pressed 20011.-3 \"OK\"", "closed 20011", "modal 20011 -> 3 (defaulted)"}));
  EXPECT_STREQ(boxState().text, "Nothing special");
}

TEST_F(Messages, TheAnswerChoosesTheButtonAndItsLabelsComeFromTheLanguageTexts) {
  AppScope scope(app_);
  host::queueAnswer("Exit");
  auto from = mark();
  EXPECT_EQ(vxlibError_msgBoxPrintf(577, "Out of %s", "luck"), ACTIONBUTTON_CANCEL);
  EXPECT_EQ(dialogSince(from)[1], "text 20011 \"Out of luck\"");
  EXPECT_EQ(dialogSince(from)[2], "pressed 20011.-4 \"Exit\"");
  host::queueAnswer("yes");  // text 26 on the first button
  from = mark();
  EXPECT_EQ(vxlibError_msgBoxPrintf(32 | 256, "Sure?"), ACTIONBUTTON_OK);
  host::queueAnswer("No");
  EXPECT_EQ(vxlibError_msgBoxPrintf(32 | 256, "Sure?"), ACTIONBUTTON_CANCEL);
  // A box without a second button cannot be answered with it.
  host::queueAnswer("cancel");
  from = mark();
  EXPECT_EQ(vxlibError_msgBoxPrintf(17, "Only OK"), ACTIONBUTTON_OK);
  const auto said = dialogSince(from);
  EXPECT_NE(std::find(said.begin(), said.end(), "modal 20011 -> 3 (defaulted)"), said.end());
}

TEST_F(Messages, WindowSizeFollowsTheFontMetrics) {
  // width: widest line (at least 8h - 50) + 95; height: max(50, lines * h) + 3h + 45.
  EXPECT_EQ(boxWindowSize(18, 1, 10).width, 125);
  EXPECT_EQ(boxWindowSize(18, 1, 10).height, 125);
  EXPECT_EQ(boxWindowSize(18, 3, 10).height, 125) << "never less tall than 50 plus the margins";
  EXPECT_EQ(boxWindowSize(18, 6, 10).height, 135);
  EXPECT_EQ(boxWindowSize(600, 1, 10).width, 695);
  EXPECT_EQ(boxWindowSize(18, 3, 60).height - boxWindowSize(18, 1, 60).height, 120);

  AppScope scope(app_);
  auto extentFor = [](const char* text) {
    setBoxKind(17);
    setBoxText(text);
    MSDialog* db = mdlDialog_open(0, kBoxDialog);
    int w = 0, h = 0;
    mdlWindow_extentGet(&w, &h, db);
    mdlWindow_close(db, 0, 0);
    return std::make_pair(w, h);
  };
  const int fh = mdlWindow_fontHeightGet(nullptr, 2);
  const int one = mdlWindow_stringWidthGet(nullptr, "one", 2);
  const auto size1 = extentFor("one");
  EXPECT_EQ(size1.first, boxWindowSize(one, 1, fh).width);
  EXPECT_EQ(size1.second, boxWindowSize(one, 1, fh).height);
  const auto size3 = extentFor("one\ntwo\nthree");
  EXPECT_EQ(size3.second, boxWindowSize(0, 3, fh).height);
  const auto size8 = extentFor("1\n2\n3\n4\n5\n6\n7\n8");
  EXPECT_EQ(size8.second, 8 * fh + 3 * fh + 45);
  // A line wider than any window gives the widest window the host has.
  const std::string wide(1000, 'w');
  EXPECT_EQ(extentFor(wide.c_str()).first, 4096);
}

TEST_F(Messages, TheBoxDrawsItsIconAndLinesAndCarriesItsKindsTitle) {
  AppScope scope(app_);
  vxlibError_setTitle(4, "Note from %s", "Boxes");
  setBoxKind(4 | 64);
  setBoxText("Hello\nworld");
  MSDialog* db = mdlDialog_open(0, kBoxDialog);
  ASSERT_NE(db, nullptr);
  char title[128];
  mdlDialog_getTitle(title, sizeof title, db);
  EXPECT_STREQ(title, "Note from Boxes");
  char label[64];
  mdlDialog_itemGetLabel(label, sizeof label, db, mdlDialog_itemIndexByTypeAndId(db, RTYPE_PUSHBTN, -3, 0));
  EXPECT_STREQ(label, "Continue");
  std::string error;
  EXPECT_FALSE(host::pressButton(kBoxDialog, kSecondButtonItem, &error)) << "no second button is shown";
  ASSERT_TRUE(host::saveDialogPng(kBoxDialog, path("box.png"), &error)) << error;
  mdlWindow_close(db, 0, 0);
  const std::string png = readAll(path("box.png"));
  const host::RgbImage image = host::decodePng(std::vector<std::uint8_t>(png.begin(), png.end()));
  auto at = [&](int x, int y) {
    const auto* p = &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
    return std::vector<int>{p[0], p[1], p[2]};
  };
  // The information icon (20002) in colour 1: its ring's top row starts 11 pixels in.
  const RgbColorDef blue = host::paletteColour(1);
  EXPECT_EQ(at(15 + 11, 15 + 1), (std::vector<int>{blue.red, blue.green, blue.blue}));
  // Text starts 65 pixels right of the icon: some ink in the first line's cell, none left of it.
  bool ink = false;
  for (int y = 15; y < 25; ++y) {
    for (int x = 80; x < 86; ++x) ink = ink || at(x, y) == std::vector<int>{0, 0, 0};
  }
  EXPECT_TRUE(ink);
}

TEST_F(Messages, AMissingMessageShowsNothingAndGives20000) {
  AppScope scope(app_);
  const auto from = mark();
  EXPECT_EQ(vxlibError_rscMsgBoxPrintf(17, kErrorList, 999), kNoMessage);
  EXPECT_EQ(vxlibError_rscListPrintf(0, kErrorList, 999), kNoMessage);
  EXPECT_EQ(vxlibError_rscMsgBoxPrintf(17, 4242, 1), kNoMessage);
  EXPECT_TRUE(dialogSince(from).empty());
}

TEST_F(Messages, ANumberedMessageIsFormattedWithTheCallersArguments) {
  AppScope scope(app_);
  EXPECT_EQ(vxlibError_rscMsgBoxPrintf(17, kErrorList, kMsgCannotOpen, "/x/y.rsc"), ACTIONBUTTON_OK);
  EXPECT_STREQ(boxState().text, "Cannot open the resource file\n/x/y.rsc");
  EXPECT_EQ(boxState().lineCount, 2);
}

TEST_F(Messages, ALongTextIsCutNeverOverrun) {
  AppScope scope(app_);
  const std::string huge(5000, 'x');
  vxlibError_msgBoxPrintf(17, "%s%s", huge.c_str(), huge.c_str());
  EXPECT_EQ(std::strlen(boxState().text), kTextSize - 1);
  vxlibError_rscMsgBoxPrintf(17, kErrorList, kMsgCannotOpen, huge.c_str());
  EXPECT_EQ(std::strlen(boxState().text), 1023u);
  const std::string longTitle(2000, 't');
  EXPECT_EQ(vxlibError_setTitle(1, "%s", longTitle.c_str()), 512);
  EXPECT_EQ(std::strlen(findGlobalData()->titles[0]), 512u);
  EXPECT_EQ(vxlibError_listPrintf(2, "%s", huge.c_str()), kListDone);
}

TEST_F(Messages, AFormatThatWouldWriteThroughAnArgumentIsShownAsItStands) {
  Application* app =
      addApp("Hostile", "/opt/vx/app/bin/lib/libHostile.so",
             R"({"resources": [{"kind": "messages", "id": 1, "messages": {"1": "count%n here %s"}}]})");
  start(app);
  AppScope scope(app);
  vxlibError_rscMsgBoxPrintf(17, 1, 1, "text");
  EXPECT_STREQ(boxState().text, "count%n here %s");
  vxlibError_msgBoxPrintf(17, "broken %");
  EXPECT_STREQ(boxState().text, "broken %");
  EXPECT_EQ(conversionsOf("%d%% of %-10.3s %lu %*d"), "dsud");
}

TEST_F(Messages, TitlesOfOtherKindsAreReportedAndChangeNothing) {
  AppScope scope(app_);
  const std::string before = findGlobalData()->titles[0];
  const auto from = mark();
  EXPECT_EQ(vxlibError_setTitle(3, "Mixed"), 0);
  EXPECT_EQ(texts("text", from), std::vector<std::string>{"Feil under setting av tittel 3\n"});
  EXPECT_EQ(findGlobalData()->titles[0], before);
  EXPECT_EQ(vxlibError_setTitle(2, "Careful, %s", "now"), 12);
  EXPECT_STREQ(findGlobalData()->titles[titleSlot(2)], "Careful, now");
}

long listSize() {
  return mdlStringList_size(messageList(false));
}

TEST_F(Messages, ModeZeroCollectsLinesAndShowingTheListEmptiesIt) {
  AppScope scope(app_);
  EXPECT_EQ(vxlibError_listPrintf(0, "a\nb"), kListDone);
  EXPECT_EQ(vxlibError_listPrintf(0, "c\nd"), kListDone);
  EXPECT_EQ(listSize(), 4);
  EXPECT_EQ(vxlibError_listPrintf(0, "\n\n"), kListDone);
  EXPECT_EQ(listSize(), 4) << "a text without lines adds nothing";
  EXPECT_EQ(vxlibError_listPrintf(2, "quiet"), kListDone);
  EXPECT_EQ(listSize(), 4);
  const auto from = mark();
  EXPECT_EQ(vxlibError_listPrintf(1, "The %d lines:", 4), ACTIONBUTTON_OK);
  EXPECT_EQ(dialogSince(from).front(), "opened 20010 \"Messages\"");
  EXPECT_EQ(messageList(false), nullptr) << "closing the list dialog destroys the list";
  vxlibError_listPrintf(0, "fresh");
  EXPECT_EQ(listSize(), 1);
}

TEST_F(Messages, OtherModesPrintTheWholeText) {
  AppScope scope(app_);
  const auto from = mark();
  EXPECT_EQ(vxlibError_listPrintf(7, "one\n\ntwo %d\n", 2), kListDone);
  EXPECT_EQ(texts("text", from), std::vector<std::string>{"one\n\ntwo 2\n"});
  EXPECT_EQ(vxlibError_rscListPrintf(9, kErrorList, kMsgCannotCreate, "f.txt"), kListDone);
  EXPECT_EQ(texts("text", from).back(), "Cannot open or create the file\nf.txt");
}

TEST_F(Messages, AFullListDropsItsOldestLine) {
  AppScope scope(app_);
  StringList* list = messageList(true);
  long index = 0;
  ASSERT_EQ(mdlStringList_insertMember(&index, list, -1, STRINGLIST_MAX_MEMBERS), 0);
  mdlStringList_setMember(list, 0, "oldest", nullptr);
  mdlStringList_setMember(list, 1, "second", nullptr);
  EXPECT_EQ(vxlibError_listPrintf(0, "newest"), kListDone);
  EXPECT_EQ(listSize(), STRINGLIST_MAX_MEMBERS);
  char* first = nullptr;
  char* last = nullptr;
  mdlStringList_getMember(&first, nullptr, list, 0);
  mdlStringList_getMember(&last, nullptr, list, STRINGLIST_MAX_MEMBERS - 1);
  EXPECT_STREQ(first, "second");
  EXPECT_STREQ(last, "newest");
}

TEST_F(Messages, TheListDialogShowsTheListAndSavesItAsText) {
  AppScope scope(app_);
  host::defineVariable("MS_USERPREF", path("host.upf"), host::kCfgLevelUser);
  vxlibUpf_open(nullptr, nullptr, "Boxes.upf");
  vxlibError_listPrintf(0, "first line\nsecond line");
  vxlibError_listPrintf(0, "third line");
  host::queueAnswer("Save");
  host::queueAnswer(path("saved.txt"));
  host::queueAnswer("ok");
  const auto from = mark();
  EXPECT_EQ(vxlibError_listPrintf(1, "Heading"), ACTIONBUTTON_OK);
  EXPECT_EQ(readAll(path("saved.txt")), "first line\nsecond line\nthird line\n");
  const auto said = dialogSince(from);
  EXPECT_NE(std::find(said.begin(), said.end(),
                      "file create \"Save the messages as\" -> " + path("saved.txt") + " (answered)"),
            said.end());
  // The choice is remembered for the next save.
  unsigned char record[USERPREFS_FILE_RECORD_SIZE];
  ASSERT_EQ(mdlUserPrefs_getFileName(record, vxlibUpf_getHandle(), kListSaveDialogId), 0);
  EXPECT_STREQ(reinterpret_cast<char*>(record + 8), path("saved.txt").c_str());
}

TEST_F(Messages, TheListDialogIsSizedToItsLines) {
  AppScope scope(app_);
  const std::string wide(80, 'w');
  vxlibError_listPrintf(0, "%s", wide.c_str());
  setBoxText("Heading one\nHeading two");
  MSDialog* db = mdlDialog_open(0, kListDialogModeless);
  ASSERT_NE(db, nullptr);
  int w = 0, h = 0;
  mdlWindow_extentGet(&w, &h, db);
  const int fh = mdlWindow_fontHeightGet(db, 4);
  EXPECT_EQ(w, mdlWindow_stringWidthGet(db, wide.c_str(), 4) + 40);
  EXPECT_EQ(h, 10 + (2 * fh + 10) + (5 * fh + 4) + (fh + 10) + 30);
  const int box = mdlDialog_itemIndexByTypeAndId(db, RTYPE_LISTBOX, kListBoxItem, 0);
  EXPECT_EQ(mdlListModel_getRowCount(mdlDialog_listBoxGetListModel(db, box)), 1);
  mdlWindow_close(db, 0, 0);
}

// Every numbered text of the library has the conversions its callers pass arguments for.
TEST_F(Messages, TheLibrarysTextsTakeExactlyTheirCallersArguments) {
  const std::map<std::pair<int, int>, std::string> expected = {
      {{kStatusList, 5}, "sssss"}, {{kStatusList, 12}, "s"},   {{kErrorList, 1}, "s"},
      {{kErrorList, 2}, ""},       {{kErrorList, 3}, "d"},     {{kErrorList, 4}, ""},
      {{kErrorList, 9}, "s"},      {{kErrorList, 10}, "s"},    {{kErrorList, 14}, ""},
      {{kErrorList, 16}, "s"},     {{kErrorList, 19}, ""},     {{kErrorList, 20}, ""},
      {{kLanguageList, 25}, ""},   {{kLanguageList, 26}, ""},  {{kLanguageList, 27}, ""},
      {{kLanguageList, 28}, ""},   {{kLanguageList, 29}, ""},  {{kLanguageList, 30}, ""},
      {{kLanguageList, 31}, ""},   {{kLanguageList, 37}, ""},  {{kLanguageList, 38}, "s"},
      {{kLanguageList, 39}, "s"},  {{kLanguageList, 40}, "s"}, {{kLanguageList, 41}, "s"},
      {{kLanguageList, 57}, "s"},  {{kLanguageList, 61}, ""},
  };
  AppScope scope(app_);
  for (const auto& [key, conversions] : expected) {
    char text[RSC_MESSAGE_MAX];
    ASSERT_EQ(mdlResource_loadFromStringList(text, 0, key.first, key.second), 0)
        << "list " << key.first << " message " << key.second;
    EXPECT_EQ(conversionsOf(text), conversions)
        << "list " << key.first << " message " << key.second << ": " << text;
    EXPECT_NE(text[0], '\0');
  }
}

}  // namespace
}  // namespace pixmend::vxlib
