// Loading applications: the search along MS_MDLAPPS, names and resource files, refusals of
// files that are not applications; and struct layouts read from resource sources.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "host/config/config.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/system/api.h"
#include "host/system/loader.hpp"
#include "host/system/publish.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

class Loader : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
  }
  void TearDown() override { resetHost(); }
  void touch(const std::string& name, const std::string& text = "not a library") {
    std::ofstream(dir + "/" + name) << text;
  }
  pixmend::testsupport::ScratchDir scratch{"loader"};
  std::string dir = scratch.path();
};

TEST_F(Loader, NamesResolveAlongTheSearchPathInOrder) {
  ::mkdir((dir + "/first").c_str(), 0755);
  ::mkdir((dir + "/second").c_str(), 0755);
  touch("second/libtool.so");
  touch("second/plain");
  touch("first/tool.so");
  defineVariable("MS_MDLAPPS", dir + "/first:" + dir + "/second", kCfgLevelUser);
  EXPECT_EQ(applicationSearchPath(), (std::vector<std::string>{dir + "/first", dir + "/second"}));
  EXPECT_EQ(findApplicationLibrary("tool"), dir + "/first/tool.so");
  EXPECT_EQ(findApplicationLibrary("plain"), dir + "/second/plain");
  EXPECT_EQ(findApplicationLibrary("missing"), "");
  EXPECT_EQ(findApplicationLibrary(dir + "/second/libtool.so"), dir + "/second/libtool.so");
  EXPECT_EQ(findApplicationLibrary(dir + "/second"), "");  // a directory is no library
  EXPECT_EQ(findApplicationLibrary(""), "");
}

TEST_F(Loader, FilesThatAreNotApplicationsAreRefusedAndNothingIsRegistered) {
  touch("libbroken.so");
  defineVariable("MS_MDLAPPS", dir, kCfgLevelUser);
  EXPECT_EQ(mdlSystem_loadMdlProgram("broken", nullptr, nullptr), MDLERR_CANNOTOPENFILE);
  EXPECT_EQ(mdlSystem_loadMdlProgram("absent", nullptr, "a b"), MDLERR_FILENOTFOUND);
  EXPECT_EQ(mdlSystem_loadMdlProgram(nullptr, nullptr, nullptr), MDLERR_BADARG);
  // A real shared library without MdlMain: the C library itself.
  EXPECT_EQ(
      mdlSystem_loadMdlProgram(nullptr, "/lib/x86_64-linux-gnu/libm.so.6", nullptr),
      access("/lib/x86_64-linux-gnu/libm.so.6", R_OK) == 0 ? MDLERR_CANNOTOPENFILE : MDLERR_FILENOTFOUND);
  EXPECT_TRUE(loadedApplications().empty());
  const auto lines = journal().texts("system");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "cannot load broken: not a loadable library");
  EXPECT_EQ(lines[1], "cannot load absent: not found");
}

TEST_F(Loader, TheTestApplicationLoadsWithItsResourcesAndUnloads) {
  const std::string lib = std::string(PIXMEND_BUILD_DIR) + "/lib/libtestapp.so";
  if (access(lib.c_str(), R_OK) != 0) GTEST_SKIP() << "testapp is not built (" << lib << ")";
  undefineVariable("MS_MDLAPPS");
  const auto result = loadApplication(lib, {"MS_INITAPPS"});
  ASSERT_NE(result.app, nullptr) << result.error;
  EXPECT_EQ(applicationName(result.app), "testapp");
  EXPECT_EQ(applicationResourcePath(result.app), std::string(PIXMEND_BUILD_DIR) + "/lib/testapp.rsc");
  EXPECT_EQ(journal().texts("text").front(), "testapp: started with 2 arguments, the second MS_INITAPPS\n");
  EXPECT_NE(mdlSystem_findMdlDesc("TESTAPP"), nullptr);
  EXPECT_EQ(loadApplication("testapp", {}).app, result.app);  // found by name beside the host, loaded already
  VersionNumber version{};
  ASSERT_EQ(mdlSystem_getMdlAppVersionNumber(descriptorOf(result.app), &version), 0);
  EXPECT_EQ(version.minor, 3);
  unloadApplication(result.app, SYSTEM_UNLOAD_BY_USER);
  EXPECT_EQ(journal().texts("text").back(), "testapp: shutting down (1)\n");
  EXPECT_TRUE(loadedApplications().empty());
}

TEST(StructLayouts, SourcesArePlacedLikeTheCompilerAndCheckedStrictly) {
  const StructLayout layout = parseStructLayout(
      R"({"name": "p", "fields": [{"name": "a", "type": "char"}, {"name": "b", "type": "double"},
          {"name": "c", "type": "short"}, {"name": "t", "type": "text", "size": 3},
          {"name": "at", "type": "int", "offset": 40}]})");
  struct P {
    char a;
    double b;
    short c;
    char t[3];
  };
  EXPECT_EQ(layout.fields[1].offset, offsetof(P, b));
  EXPECT_EQ(layout.fields[2].offset, offsetof(P, c));
  EXPECT_EQ(layout.fields[3].offset, offsetof(P, t));
  EXPECT_EQ(layout.fields[4].offset, 40u);
  EXPECT_EQ(layout.size, 48u);
  const char* bad[] = {
      "[]",
      R"({"fields": []})",
      R"({"name": "p", "fields": [{"name": "a", "type": "float"}]})",
      R"({"name": "p", "fields": [{"name": "a", "type": "text"}]})",
      R"({"name": "p", "fields": [{"name": "a", "type": "int", "size": 8}]})",
      R"({"name": "p", "size": 4, "fields": [{"name": "a", "type": "double"}]})",
      R"({"name": "p", "fields": [{"name": "a", "type": "int"}, {"name": "a", "type": "int"}]})",
      R"({"name": "p", "fields": [{"name": "a", "type": "bytes", "size": 99999999999}]})",
      R"({"name": "p", "fields": [{"name": "a", "type": "int", "offset": -4}]})",
  };
  for (const char* source : bad) EXPECT_THROW(parseStructLayout(source), std::runtime_error) << source;
}

}  // namespace
}  // namespace pixmend::host
