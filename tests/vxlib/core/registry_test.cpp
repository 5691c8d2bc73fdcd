// Start-up of the library: the registry of applications and their global data blocks, the
// shared records published once per process, deferred functions, scale notifications, the
// proposal of an installation folder and the design's line styles.
#include <cstring>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/system/loader.hpp"
#include "host/system/published.hpp"
#include "vxlib/core/vxlib_fixture.hpp"
#include "vxlib/services/dialog/selection.hpp"

namespace pixmend::vxlib {
namespace {

using host::Application;
using host::AppScope;

class Registry : public VxlibTest {};

TEST_F(Registry, EachApplicationSeesItsOwnBlockWithItsCreationValues) {
  Application* a = startApp("First");
  Application* b = startApp("Second");
  GlobalData* blockA = blockOf(a);
  GlobalData* blockB = blockOf(b);
  ASSERT_NE(blockA, nullptr);
  ASSERT_NE(blockB, nullptr);
  EXPECT_NE(blockA, blockB);
  EXPECT_EQ(shared()->count, 2);
  {
    AppScope scope(a);
    EXPECT_EQ(vxlibMain_getGlobalDataP(), blockA);
    EXPECT_STREQ(vxlibMain_getApplicationName(), "First");
  }
  {
    AppScope scope(b);
    EXPECT_EQ(vxlibMain_getGlobalDataP(), blockB);
    EXPECT_STREQ(vxlibMain_getApplicationName(), "Second");
  }
  for (GlobalData* g : {blockA, blockB}) {
    EXPECT_EQ(g->scaleFactor, 1.0);
    EXPECT_EQ(g->elementOption, -1);
    EXPECT_EQ(g->firstPrintOption, -1);
    EXPECT_EQ(g->secondPrintOption, -1);
    EXPECT_EQ(g->creationFlag, 1);
    EXPECT_EQ(g->printChanged, 1);
    EXPECT_EQ(g->deferredCount, 0);
    EXPECT_EQ(g->initApplication, 0);
    EXPECT_EQ(g->preferenceFileOpen, 0);
    EXPECT_EQ(g->preferenceFile.handle, 0u);
    ASSERT_NE(g->buffer836, nullptr);
    EXPECT_STREQ(g->buffer836 + 831, ",");
    for (void* buffer : {g->buffer92, g->buffer1480, g->buffer8, g->buffer200, g->buffer256})
      EXPECT_NE(buffer, nullptr);
    EXPECT_NE(g->resourceFile.handle, 0u) << "the application's own resource file is open";
  }
  // The block published as tgdP is the one of the application started last.
  EXPECT_EQ(shared()->current, blockB);
}

TEST_F(Registry, NoBlockOutsideARegisteredApplicationIsReportedAndNull) {
  EXPECT_EQ(vxlibMain_getGlobalDataP(), nullptr);
  Application* stranger = addApp("Stranger");
  startApp("Known");
  const auto from = mark();
  AppScope scope(stranger);
  EXPECT_EQ(vxlibMain_getGlobalDataP(), nullptr);
  EXPECT_EQ(texts("text", from), std::vector<std::string>{"Error in vxlib_GetGlobalDataP\n"});
  // The queries that need a block say nothing more and give neutral answers.
  EXPECT_EQ(vxlibMain_currentAppIsInitApp(), 0);
  vxlibMain_addInitApp([] {});
  EXPECT_EQ(vxlibUpf_getUpfFileName(), nullptr);
}

TEST_F(Registry, AnUnloadedApplicationsEntryIsReusedAndTheCountDoesNotGrow) {
  Application* a = startApp("Gone");
  startApp("Stays");
  GlobalData* old = blockOf(a);
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(shared()->entries[0].block, old);
  host::removeApplication(a);
  Application* c = startApp("Newcomer");
  EXPECT_EQ(shared()->count, 2);
  EXPECT_EQ(shared()->entries[0].block, blockOf(c));
  EXPECT_EQ(shared()->entries[0].desc, host::descriptorOf(c));
  EXPECT_EQ(shared()->current, blockOf(c));
}

TEST_F(Registry, AFullRegistryRefusesOneMoreButTakesItOnceAnEntryFallsFree) {
  std::vector<Application*> apps;
  for (int i = 0; i < kRegistrySize - 1; ++i) apps.push_back(startApp("App" + std::to_string(i)));
  EXPECT_EQ(shared()->count, kRegistrySize - 1);
  const auto from = mark();
  Application* late = startApp("Late");
  EXPECT_EQ(blockOf(late), nullptr);
  const auto said = texts("text", from);
  ASSERT_FALSE(said.empty());
  EXPECT_EQ(said.front(), "Error in vxlib_InitGlobalData\n");
  // Start-up went on with no block: nothing else broke.
  host::removeApplication(late);
  host::removeApplication(apps[7]);
  Application* next = startApp("Next");
  EXPECT_NE(blockOf(next), nullptr);
  EXPECT_EQ(shared()->entries[7].desc, host::descriptorOf(next));
  EXPECT_EQ(shared()->count, kRegistrySize - 1);
}

int deferredCalls = 0;
std::string deferredOrder;
void deferredA() {
  deferredOrder += 'a';
  ++deferredCalls;
}
void deferredB() {
  deferredOrder += 'b';
  ++deferredCalls;
}

TEST_F(Registry, TheEleventhDeferredFunctionIsDropped) {
  Application* app = startApp("App");
  AppScope scope(app);
  for (int i = 0; i < 11; ++i) vxlibMain_addInitApp(deferredA);
  EXPECT_EQ(vxlibMain_getGlobalDataP()->deferredCount, 10);
}

TEST_F(Registry, AnInitApplicationDefersItsFunctionsToTheFirstDesignFile) {
  deferredCalls = 0;
  deferredOrder.clear();
  Application* app = startApp("Early", {"MS_INITAPPS"});
  {
    AppScope scope(app);
    EXPECT_EQ(vxlibMain_currentAppIsInitApp(), 1);
    vxlibMain_execFuncOrAddToInitApps(deferredA);
    vxlibMain_execFuncOrAddToInitApps(deferredB);
  }
  EXPECT_EQ(deferredCalls, 0);
  host::raiseSystemEvent(SYSTEM_NEW_DESIGN_FILE, "first.dgn", 0);  // not a new file yet
  EXPECT_EQ(deferredCalls, 0);
  host::raiseSystemEvent(SYSTEM_NEW_DESIGN_FILE, "first.dgn", 1);
  EXPECT_EQ(deferredOrder, "ab");
  host::raiseSystemEvent(SYSTEM_NEW_DESIGN_FILE, "second.dgn", 1);
  EXPECT_EQ(deferredOrder, "ab") << "only the first design file runs them";
  AppScope scope(app);
  EXPECT_EQ(vxlibMain_currentAppIsInitApp(), 0);
  vxlibMain_execFuncOrAddToInitApps(deferredB);
  EXPECT_EQ(deferredOrder, "abb");
}

TEST_F(Registry, OnlyTheExactLoadArgumentsMakeAnInitApplication) {
  deferredCalls = 0;
  Application* dgnApps = startApp("DgnApps", {"MS_DGNAPPS"});
  Application* other = startApp("Other", {"ms_initapps"});
  Application* plain = startApp("Plain");
  EXPECT_EQ(blockOf(dgnApps)->initApplication, 1);
  EXPECT_EQ(blockOf(other)->initApplication, 0);
  EXPECT_EQ(blockOf(plain)->initApplication, 0);
  AppScope scope(other);
  vxlibMain_execFuncOrAddToInitApps(deferredA);
  EXPECT_EQ(deferredCalls, 1) << "run at once";
}

TEST_F(Registry, TheFileDialogsKeepTheirFilterAndFolderInThePrintSettingsNotTheSetUp) {
  AppScope scope(startApp("First"));
  Shared* s = shared();
  ASSERT_NE(findGlobalData(), nullptr);
  ASSERT_NE(s, nullptr);
  auto* setup = static_cast<unsigned char*>(s->printerSetup);
  std::memset(setup, 0x5A, kPrinterSetupSize);  // margins, printer, ... as a user set them
  selection::setFilter("*.tif");
  selection::setDirectory("/data/scans/");
  for (std::size_t i = 0; i < kPrinterSetupSize; ++i) ASSERT_EQ(setup[i], 0x5A) << "set-up byte " << i;
  EXPECT_EQ(selection::filter(), "*.tif");
  EXPECT_EQ(selection::directory(), "/data/scans/");
  EXPECT_STREQ(findGlobalData()->buffer836 + selection::kDirectoryAt, "/data/scans/");
  EXPECT_EQ(mdlCExpression_symbolAddress("vxlibps"), &s->printSettings);
  EXPECT_EQ(s->printSettings, findGlobalData()->buffer836);
}

TEST_F(Registry, SharedRecordsArePublishedOnceWithTheDefaultPlotScales) {
  startApp("First");
  Shared* s = shared();
  ASSERT_NE(s, nullptr);
  ASSERT_NE(s->plotScale, nullptr);
  ListModel* list = s->plotScale->list;
  startApp("Second");
  EXPECT_EQ(s->plotScale->list, list) << "the second application keeps the list of the first";
  for (const char* name : {"vxlibpsd", "vxlibpd", "vxlibsd", "tgdP", "vxScaleP", "vxlibps"}) {
    EXPECT_NE(mdlCExpression_symbolAddress(name), nullptr) << name;
  }
  EXPECT_EQ(mdlCExpression_symbolAddress("vxScaleP"), &s->plotScale);
  // The published records are readable through their layouts.
  auto scale = host::resolveAccess("vxlibPlotScale.activeScale");
  ASSERT_TRUE(scale.has_value());
  EXPECT_EQ(host::readNumber(*scale), 1.0);
  auto name = host::resolveAccess("tgdP.applicationName");
  ASSERT_TRUE(name.has_value());
  EXPECT_EQ(host::readText(*name), "Second");
  EXPECT_TRUE(texts("text").empty()) << "every published record has its layout";

  ASSERT_EQ(mdlListModel_getRowCount(list), 15);
  const char* names[] = {"1:1",   "1:2",   "1:5",   "1:10",   "1:20",   "1:25",   "1:50",   "1:100",
                         "1:200", "1:250", "1:500", "1:1000", "1:2000", "1:5000", "1:10000"};
  for (int i = 0; i < 15; ++i) {
    ListRow* row = mdlListModel_getRowAtIndex(list, i);
    EXPECT_STREQ(mdlListCell_getStringValue(mdlListRow_getCellAtIndex(row, 0)), names[i]);
  }
  EXPECT_STREQ(mdlListCell_getStringValue(mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(list, 9), 1)),
               "250.000000");
  EXPECT_EQ(s->plotScale->activeIndex, 0);
  EXPECT_EQ(s->plotScale->activeScale, 1.0);
}

TEST_F(Registry, TheLayoutOfThePublishedBlockMatchesTheRecord) {
  startApp("App");
  const host::StructLayout* layout = host::findStructLayout("vxlibGlobalData");
  ASSERT_NE(layout, nullptr);
  EXPECT_EQ(layout->size, sizeof(GlobalData));
  struct Expected {
    const char* name;
    std::size_t offset;
  };
  const Expected fields[] = {
      {"preferenceFileOpen", offsetof(GlobalData, preferenceFileOpen)},
      {"preferenceFileReadOnly", offsetof(GlobalData, preferenceFileReadOnly)},
      {"applicationName", offsetof(GlobalData, applicationName)},
      {"scaleFactor", offsetof(GlobalData, scaleFactor)},
      {"elementOption", offsetof(GlobalData, elementOption)},
      {"firstPrintOption", offsetof(GlobalData, firstPrintOption)},
      {"creationFlag", offsetof(GlobalData, creationFlag)},
      {"initApplication", offsetof(GlobalData, initApplication)},
      {"secondPrintOption", offsetof(GlobalData, secondPrintOption)},
      {"deferredCount", offsetof(GlobalData, deferredCount)},
      {"printChanged", offsetof(GlobalData, printChanged)},
  };
  ASSERT_EQ(layout->fields.size(), std::size(fields));
  for (std::size_t i = 0; i < std::size(fields); ++i) {
    EXPECT_EQ(layout->fields[i].name, fields[i].name);
    EXPECT_EQ(layout->fields[i].offset, fields[i].offset) << fields[i].name;
  }
  const host::StructLayout* scale = host::findStructLayout("vxlibPlotScale");
  ASSERT_NE(scale, nullptr);
  EXPECT_EQ(scale->size, sizeof(PlotScale));
  EXPECT_EQ(scale->fields[0].offset, offsetof(PlotScale, activeIndex));
  EXPECT_EQ(scale->fields[1].offset, offsetof(PlotScale, activeScale));
}

TEST_F(Registry, TitlesVersionAndLocation) {
  Application* app = startApp("Titled");
  GlobalData* g = blockOf(app);
  EXPECT_STREQ(g->titles[titleSlot(1)], "Titled");
  EXPECT_STREQ(g->titles[titleSlot(4)], "Titled - Information");
  EXPECT_STREQ(g->titles[titleSlot(8)], "Titled - Question");
  EXPECT_STREQ(g->titles[titleSlot(2)], "Titled - Warning");
  AppScope scope(app);
  EXPECT_STREQ(vxlibMain_getVxlibVersion(), "vxlib version 6.14");
  EXPECT_STREQ(vxlibMain_getVxlibLocation(), "Statically Linked");
}

TEST_F(Registry, TheInstallationFolderIsProposedThreeLevelsAboveTheApplicationsFolder) {
  EXPECT_EQ(proposedDirectory("/a/b/c/d/e/app.so"), "/a/b/");
  EXPECT_EQ(proposedDirectory("/c/d/e/app.so"), "/");
  EXPECT_EQ(proposedDirectory("/d/e/app.so"), "") << "not three levels deep";
  EXPECT_EQ(proposedDirectory("app.so"), "");
  EXPECT_EQ(proposedDirectory(nullptr), "");

  host::undefineVariable("VX_DIR");
  host::defineVariable("_USTN_SITE", "/site/", host::kCfgLevelUser);
  Application* app = addApp("Proposer", "/a/b/c/d/e/libProposer.so");
  host::queueAnswer("cancel");
  const auto from = mark();
  start(app);
  EXPECT_EQ(mdlSystem_getenv("VX_DIR"), nullptr) << "declined";
  const auto said = texts("dialog", from);
  EXPECT_NE(std::find(said.begin(), said.end(), "modal 20011 -> 4 (answered)"), said.end());

  Application* again = addApp("Accepter", "/a/b/c/d/e/libAccepter.so");
  host::queueAnswer("ok");
  start(again);
  ASSERT_NE(mdlSystem_getenv("VX_DIR"), nullptr);
  EXPECT_STREQ(mdlSystem_getenv("VX_DIR"), "/a/b/");
  EXPECT_EQ(mdlSystem_getCfgVarLevel("VX_DIR"), 4);

  // Defined now: the next start asks nothing.
  const auto quiet = mark();
  startApp("Quiet");
  EXPECT_TRUE(texts("dialog", quiet).empty());
}

TEST_F(Registry, TheProposalNamesTheFolderTheApplicationAndTheSiteFile) {
  host::undefineVariable("VX_DIR");
  // A site folder built from another variable is named as the path it stands for.
  host::defineVariable("SITE_ROOT", "/", host::kCfgLevelUser);
  host::defineVariable("_USTN_SITE", "$(SITE_ROOT)site/", host::kCfgLevelUser);
  Application* app = addApp("Named", "/a/b/c/d/e/libNamed.so");
  host::queueAnswer("cancel");
  start(app);
  const BoxState& b = boxState();
  EXPECT_EQ(b.kind, 1);
  EXPECT_EQ(b.secondButton, 128);
  const std::string text = b.text;
  EXPECT_NE(text.find("/a/b/ appears to be the installation folder of Named."), std::string::npos) << text;
  EXPECT_NE(text.find("/site/company.cfg"), std::string::npos) << text;
  EXPECT_NE(text.find("VX_DIR = /a/b/"), std::string::npos) << text;
}

std::vector<std::string> scaleCalls;
void scaleOfA(double a, double b) {
  scaleCalls.push_back("A " + std::to_string(a) + " " + std::to_string(b));
}
void scaleOfB(double a, double b) {
  scaleCalls.push_back("B " + std::to_string(a) + " " + std::to_string(b));
}

TEST_F(Registry, ScaleFunctionsOfTheOtherLiveApplicationsAreNotified) {
  scaleCalls.clear();
  Application* a = startApp("A");
  Application* b = startApp("B");
  Application* c = startApp("C");
  {
    AppScope scope(a);
    vxlibMain_setScaleFunction(scaleOfA);
  }
  {
    AppScope scope(b);
    vxlibMain_setScaleFunction(scaleOfB);
  }
  {
    AppScope scope(a);
    notifyScaleFunctions(1.0, 50.0, 0);
  }
  EXPECT_EQ(scaleCalls, (std::vector<std::string>{"B 1.000000 50.000000"}));
  scaleCalls.clear();
  {
    AppScope scope(a);
    notifyScaleFunctions(50.0, 2.0, 1);
  }
  EXPECT_EQ(scaleCalls, (std::vector<std::string>{"A 50.000000 2.000000", "B 50.000000 2.000000"}));
  scaleCalls.clear();
  host::removeApplication(b);
  AppScope scope(c);
  notifyScaleFunctions(2.0, 3.0, 0);
  EXPECT_EQ(scaleCalls, (std::vector<std::string>{"A 2.000000 3.000000"}))
      << "an unloaded application is skipped";
}

TEST_F(Registry, OpeningALibraryDialogClosesItInTheOtherApplications) {
  Application* a = startApp("A");
  Application* b = startApp("B");
  MSDialog* inB = nullptr;
  {
    AppScope scope(b);
    inB = mdlDialog_open(0, kListDialogModeless);
    ASSERT_NE(inB, nullptr);
  }
  AppScope scope(a);
  MSDialog* inA = mdlDialog_open(0, kListDialogModeless);
  vxlibMain_updateBeforeDialogOpen(kListDialogModeless);
  EXPECT_EQ(mdlDialog_find(kListDialogModeless, host::descriptorOf(b)), nullptr);
  EXPECT_EQ(mdlDialog_find(kListDialogModeless, host::descriptorOf(a)), inA) << "its own stays open";
  EXPECT_EQ(shared()->current, blockOf(a));
}

TEST_F(Registry, StartUpNumbersTheDesignsNamedLineStylesAndKeepsTheActiveOne) {
  ASSERT_TRUE(host::defineNamedLineStyle("Dashed"));
  ASSERT_TRUE(host::defineNamedLineStyle("Dotted"));
  int active = 3;
  ASSERT_EQ(mdlParams_setActive(&active, ACTIVEPARAM_LINESTYLE), 0);
  startApp("Styles");
  ASSERT_NE(host::findLineStyle(std::string("Dashed")), nullptr);
  EXPECT_EQ(host::findLineStyle(std::string("Dashed"))->number, 8);
  EXPECT_EQ(host::findLineStyle(std::string("Dotted"))->number, 9);
  EXPECT_EQ(host::activeLineStyle(), 3);
  // A second start finds nothing left to number and leaves the active style alone.
  const auto from = mark();
  startApp("Again");
  EXPECT_TRUE(texts("design", from).empty());
}

TEST_F(Registry, VXDraftSkipsTheDefaultStyles) {
  ASSERT_TRUE(host::defineNamedLineStyle("Dashed"));
  startApp("VXDraft");
  EXPECT_FALSE(host::findLineStyle(std::string("Dashed"))->number.has_value());
}

TEST_F(Registry, LineStylesOfDefinitionsAreResolvedByNameOrNumber) {
  startApp("App");
  ASSERT_TRUE(host::defineNamedLineStyle("Chain"));
  std::int32_t number = -1;
  char name[LINESTYLE_NAME_MAX] = "chain";
  resolveLineStyle(&number, name, sizeof name);
  EXPECT_EQ(number, -8) << "a custom style stays negative: -n for the design's number n";
  number = -5;
  std::strcpy(name, "unknown");
  resolveLineStyle(&number, name, sizeof name);
  EXPECT_EQ(number, -5) << "a name the design does not know leaves the number";
  number = 2;
  name[0] = '\0';
  resolveLineStyle(&number, name, sizeof name);
  EXPECT_STREQ(name, "") << "resolved numbers are left alone";
}

TEST_F(Registry, PlotScalesComeFromTheSettingsFileNamedByTheConfiguration) {
  // A settings file made by one process start...
  Application* maker = startApp("Maker");
  {
    AppScope scope(maker);
    PlotScale* r = shared()->plotScale;
    mdlListModel_removeRows(r->list, 2, 13);  // keep 1:1 and 1:2
    r->activeIndex = 1;
    VxlibRscFile file{};
    ASSERT_EQ(vxlibResource_openFile(&file, path("scales.rsc").c_str(), 1), 0);
    ASSERT_EQ(vxlibPlotScale_saveSettings(&file), 0);
    vxlibResource_closeFile(&file);
  }
  releaseProcessStateForTesting();
  host::resetHost();
  // ...is read by the next one, found along VX_DATA.
  host::defineVariable("VX_DIR", "/opt/vx/", host::kCfgLevelUser);
  host::defineVariable("VX_DATA", dir_ + "/", host::kCfgLevelUser);
  host::defineVariable("VX_PLOTSCALES", "scales.rsc", host::kCfgLevelUser);
  startApp("Reader");
  PlotScale* r = shared()->plotScale;
  ASSERT_EQ(mdlListModel_getRowCount(r->list), 2);
  EXPECT_EQ(r->activeIndex, 1);
  EXPECT_EQ(r->activeScale, 2.0);
  releaseProcessStateForTesting();
  host::resetHost();
  // A name that is not found gives the default list.
  host::defineVariable("VX_DIR", "/opt/vx/", host::kCfgLevelUser);
  host::defineVariable("VX_PLOTSCALES", "missing.rsc", host::kCfgLevelUser);
  startApp("Default");
  EXPECT_EQ(mdlListModel_getRowCount(shared()->plotScale->list), 15);
}

// Two real applications, each with its own copy of the library, loaded side by side.
TEST_F(Registry, TwoLoadedApplicationsShareOneRegistryThroughTheHost) {
  host::defineVariable("MS_MDLAPPS", PIXMEND_BUILD_DIR "/lib", host::kCfgLevelUser);
  host::defineVariable("MS_USERPREF", path("host.upf"), host::kCfgLevelUser);
  auto one = host::loadApplication("vxcoreapp", {});
  auto two = host::loadApplication("vxcoretwo", {});
  ASSERT_NE(one.app, nullptr) << one.error;
  ASSERT_NE(two.app, nullptr) << two.error;
  Shared* s = shared();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->count, 2);
  EXPECT_NE(blockOf(one.app), blockOf(two.app));
  EXPECT_STREQ(blockOf(one.app)->applicationName, "VxCoreApp");
  EXPECT_STREQ(blockOf(two.app)->applicationName, "VxCoreTwo");
  // Each copy's hooks and its own preference file.
  EXPECT_STREQ(blockOf(one.app)->preferenceFile.fileName, path("VxCoreApp.upf").c_str());
  EXPECT_STREQ(blockOf(two.app)->preferenceFile.fileName, path("VxCoreTwo.upf").c_str());
  host::unloadApplication(one.app, SYSTEM_UNLOAD_BY_USER);
  auto three = host::loadApplication("vxcoreapp", {});
  ASSERT_NE(three.app, nullptr);
  EXPECT_EQ(shared()->count, 2) << "the unloaded application's entry is reused";
  EXPECT_EQ(shared()->entries[0].desc, host::descriptorOf(three.app));
  // What they shared goes with the last of them; the next one starts afresh.
  host::unloadApplication(two.app, SYSTEM_UNLOAD_BY_USER);
  EXPECT_NE(shared(), nullptr);
  host::unloadApplication(three.app, SYSTEM_UNLOAD_BY_USER);
  EXPECT_EQ(shared(), nullptr);
  auto four = host::loadApplication("vxcoretwo", {});
  ASSERT_NE(four.app, nullptr);
  ASSERT_NE(shared(), nullptr);
  EXPECT_EQ(shared()->count, 1);
  EXPECT_EQ(mdlListModel_getRowCount(shared()->plotScale->list), 15);
}

}  // namespace
}  // namespace pixmend::vxlib
