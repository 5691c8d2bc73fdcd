// The library's resource-file layer (records and string lists with the file's name for its
// messages) and the plot-scale settings kept in resource files.
#include <sys/stat.h>

#include <cmath>
#include <cstring>

#include "vxlib/core/vxlib_fixture.hpp"

namespace pixmend::vxlib {
namespace {

using host::AppScope;

constexpr unsigned kType = ('A' << 24) | ('B' << 16) | ('C' << 8) | 'D';

class Resources : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    app_ = startApp("Rsc");
  }
  host::Application* app_ = nullptr;
};

TEST_F(Resources, OpeningAMissingFileSaysSoAndCreatingMakesIt) {
  AppScope scope(app_);
  VxlibRscFile file{};
  const std::string name = path("made.rsc");
  host::queueAnswer("ok");
  EXPECT_EQ(vxlibResource_openFile(&file, name.c_str(), 0), VXLIB_ERROR);
  EXPECT_EQ(boxState().text, "Cannot open the resource file\n" + name);
  EXPECT_EQ(boxState().firstButton, 16);
  EXPECT_EQ(file.handle, 0u);
  EXPECT_EQ(vxlibResource_openFile(&file, name.c_str(), 1), VXLIB_SUCCESS);
  EXPECT_NE(file.handle, 0u);
  EXPECT_STREQ(file.fileName, name.c_str());
  char description[64];
  mdlResource_getFileDescription(description, sizeof description, file.handle);
  EXPECT_STREQ(description, "Attributes");
  EXPECT_EQ(vxlibResource_closeFile(&file), 0);
  EXPECT_NE(vxlibResource_closeFile(&file), 0) << "closed already";
}

TEST_F(Resources, AFileThatCannotBeCreatedIsReported) {
  AppScope scope(app_);
  VxlibRscFile file{};
  writeText(path("notes.txt"), "somebody's notes");
  EXPECT_EQ(vxlibResource_openFile(&file, path("notes.txt").c_str(), 1), VXLIB_ERROR);
  EXPECT_EQ(boxState().text, "Cannot open or create the file\n" + path("notes.txt"));
  EXPECT_EQ(readAll(path("notes.txt")), "somebody's notes");
  EXPECT_EQ(vxlibResource_openFile(nullptr, "x", 0), VXLIB_ERROR);
  EXPECT_EQ(vxlibResource_openFile(&file, nullptr, 0), VXLIB_ERROR);
}

TEST_F(Resources, RecordsRoundTripByteForByteAndOnlyAtTheirOwnSize) {
  AppScope scope(app_);
  VxlibRscFile file{};
  ASSERT_EQ(vxlibResource_openFile(&file, path("r.rsc").c_str(), 1), VXLIB_SUCCESS);
  const unsigned char data[5] = {1, 2, 3, 4, 5};
  EXPECT_EQ(vxlibResource_add(&file, kType, 9, data, 5, nullptr), VXLIB_SUCCESS);
  unsigned char back[5] = {};
  EXPECT_EQ(vxlibResource_load(&file, kType, 9, back, 5), VXLIB_SUCCESS);
  EXPECT_EQ(std::memcmp(back, data, 5), 0);
  unsigned char bigger[64] = {};
  EXPECT_EQ(vxlibResource_load(&file, kType, 9, bigger, 64), VXLIB_ERROR)
      << "never read past the stored record";
  EXPECT_EQ(vxlibResource_load(&file, kType, 10, back, 5), VXLIB_ERROR);
  const unsigned char changed[5] = {9, 9, 9, 9, 9};
  EXPECT_EQ(vxlibResource_add(&file, kType, 9, changed, 5, nullptr), VXLIB_SUCCESS);
  EXPECT_EQ(vxlibResource_load(&file, kType, 9, back, 5), VXLIB_SUCCESS);
  EXPECT_EQ(back[0], 9);
  vxlibResource_closeFile(&file);
}

TEST_F(Resources, WritingAReadOnlyFileShowsItsMessage) {
  AppScope scope(app_);
  VxlibRscFile file{};
  ASSERT_EQ(vxlibResource_openFile(&file, path("ro.rsc").c_str(), 1), VXLIB_SUCCESS);
  vxlibResource_closeFile(&file);
  ASSERT_EQ(vxlibResource_openFile(&file, path("ro.rsc").c_str(), 0), VXLIB_SUCCESS);
  const unsigned char data[4] = {1, 2, 3, 4};
  EXPECT_EQ(vxlibResource_add(&file, kType, 1, data, 4, nullptr), VXLIB_ERROR);
  EXPECT_EQ(boxState().text,
            "The resource file\n" + path("ro.rsc") + "\nis read-only: the change was not saved.");
  // A closed handle is another failure: message 9.
  vxlibResource_closeFile(&file);
  EXPECT_EQ(vxlibResource_add(&file, kType, 1, data, 4, nullptr), VXLIB_ERROR);
  EXPECT_EQ(boxState().text, "Cannot write to the resource file\n" + path("ro.rsc"));
}

StringList* makeList(std::initializer_list<const char*> members) {
  StringList* list = mdlStringList_create(0, 1);
  for (const char* m : members) {
    long index = 0;
    mdlStringList_insertMember(&index, list, -1, 1);
    mdlStringList_setMember(list, index, m, nullptr);
  }
  return list;
}

TEST_F(Resources, StringListsAreAddedAndReplaced) {
  AppScope scope(app_);
  VxlibRscFile file{};
  ASSERT_EQ(vxlibResource_openFile(&file, path("lists.rsc").c_str(), 1), VXLIB_SUCCESS);
  StringList* first = makeList({"a", "b"});
  StringList* second = makeList({"c"});
  EXPECT_EQ(vxlibResource_addStringList(&file, 3, first), VXLIB_SUCCESS);
  EXPECT_EQ(vxlibResource_addStringList(&file, 3, second), VXLIB_SUCCESS);
  StringList* back = vxlibResource_loadStringList(&file, 3);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(mdlStringList_size(back), 1);
  EXPECT_EQ(vxlibResource_loadStringList(&file, 4), nullptr);
  EXPECT_EQ(vxlibResource_loadStringList(nullptr, 3), nullptr);
  for (StringList* l : {first, second, back}) mdlStringList_destroy(l);
  vxlibResource_closeFile(&file);
}

// ---- Plot-scale settings --------------------------------------------------------------------------

std::vector<std::string> scaleCalls;
void scaleWatcher(double from, double to) {
  scaleCalls.push_back(std::to_string(from) + " " + std::to_string(to));
}

std::string cell(PlotScale* r, int row, int column) {
  return mdlListCell_getStringValue(
      mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(r->list, row), column));
}

TEST_F(Resources, PlotScalesSurviveASaveAndARead) {
  scaleCalls.clear();
  host::Application* watcher = startApp("Watcher");
  {
    AppScope scope(watcher);
    vxlibMain_setScaleFunction(scaleWatcher);
  }
  AppScope scope(app_);
  PlotScale* r = shared()->plotScale;
  VxlibRscFile file{};
  ASSERT_EQ(vxlibResource_openFile(&file, path("scales.rsc").c_str(), 1), VXLIB_SUCCESS);
  // Make the list different from the defaults: 1:500 active with its value edited.
  r->activeIndex = 10;
  mdlListCell_setStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(r->list, 10), 1),
                             "499.500000", 1);
  ASSERT_EQ(vxlibPlotScale_saveSettings(&file), VXLIB_SUCCESS);
  buildDefaultPlotScales(r);
  EXPECT_EQ(r->activeScale, 1.0);
  ASSERT_EQ(vxlibPlotScale_readSettings(&file), VXLIB_SUCCESS);
  EXPECT_EQ(mdlListModel_getRowCount(r->list), 15);
  EXPECT_EQ(r->activeIndex, 10);
  EXPECT_EQ(r->activeScale, 499.5);
  EXPECT_EQ(cell(r, 10, 0), "1:500");
  EXPECT_EQ(cell(r, 10, 1), "499.500000");
  EXPECT_EQ(cell(r, 14, 0), "1:10000");
  EXPECT_EQ(scaleCalls, std::vector<std::string>{"1.000000 499.500000"}) << "the other application is told";
  // Reading the same again changes nothing and tells nobody.
  ASSERT_EQ(vxlibPlotScale_readSettings(&file), VXLIB_SUCCESS);
  EXPECT_EQ(scaleCalls.size(), 1u);
  vxlibResource_closeFile(&file);
}

TEST_F(Resources, AFileWithoutPlotScalesLeavesTheListAsItWas) {
  AppScope scope(app_);
  VxlibRscFile file{};
  ASSERT_EQ(vxlibResource_openFile(&file, path("empty.rsc").c_str(), 1), VXLIB_SUCCESS);
  ListModel* before = shared()->plotScale->list;
  EXPECT_EQ(vxlibPlotScale_readSettings(&file), VXLIB_ERROR);
  EXPECT_EQ(shared()->plotScale->list, before);
  EXPECT_EQ(mdlListModel_getRowCount(before), 15);
  EXPECT_EQ(vxlibPlotScale_readSettings(nullptr), VXLIB_ERROR);
  vxlibResource_closeFile(&file);
}

TEST_F(Resources, OddlyShapedStoredScalesAreReadAsFarAsTheyMakeSense) {
  AppScope scope(app_);
  VxlibRscFile file{};
  ASSERT_EQ(vxlibResource_openFile(&file, path("odd.rsc").c_str(), 1), VXLIB_SUCCESS);
  // One string per member, an odd count, a value that is no number and a name without a ratio.
  StringList* stored = makeList({"1:3", "3.000000", "x", "not a number", "dangling"});
  long info[STRINGLIST_INFO_FIELDS] = {1, 0, 0, 0};
  mdlStringList_setMember(stored, 2, nullptr, info);
  ASSERT_EQ(vxlibResource_addStringList(&file, kPlotScaleListId, stored), VXLIB_SUCCESS);
  mdlStringList_destroy(stored);
  ASSERT_EQ(vxlibPlotScale_readSettings(&file), VXLIB_SUCCESS);
  PlotScale* r = shared()->plotScale;
  ASSERT_EQ(mdlListModel_getRowCount(r->list), 2);
  EXPECT_EQ(r->activeIndex, 1);
  EXPECT_EQ(r->activeScale, 1.0) << "a value that is not a number above 0 gives 1.0";
  EXPECT_EQ(cell(r, 0, 1), "3.000000");
  vxlibResource_closeFile(&file);
}

}  // namespace
}  // namespace pixmend::vxlib
