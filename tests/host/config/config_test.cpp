// Configuration variables: levels, the environment, expansion (nested, undefined, cycles,
// unterminated), bounded copies into callers' buffers.
#include "host/config/config.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "host/config/api.h"
#include "host/lifecycle.hpp"
#include "host/system/api.h"

namespace pixmend::host {
namespace {

class Config : public ::testing::Test {
 protected:
  void SetUp() override { resetHost(); }
  void TearDown() override { resetHost(); }
};

TEST_F(Config, EnvironmentSeedsLevelZeroAndHigherLevelsWin) {
  ::setenv("PIXMEND_TEST_VAR", "from-env", 1);
  resetHost();  // reseeds from the environment
  EXPECT_EQ(variableValue("PIXMEND_TEST_VAR"), "from-env");
  EXPECT_EQ(mdlSystem_getCfgVarLevel("PIXMEND_TEST_VAR"), 0);
  EXPECT_EQ(mdlSystem_defineCfgVar("PIXMEND_TEST_VAR", "project", 4), 0);
  EXPECT_EQ(variableValue("PIXMEND_TEST_VAR"), "project");
  EXPECT_EQ(mdlSystem_defineCfgVar("PIXMEND_TEST_VAR", "site", 3), 0);
  EXPECT_EQ(variableValue("PIXMEND_TEST_VAR"), "project");  // a lower level does not override
  EXPECT_EQ(mdlSystem_undefineCfgVar("PIXMEND_TEST_VAR", 4), 0);
  EXPECT_EQ(variableValue("PIXMEND_TEST_VAR"), "site");
  EXPECT_EQ(mdlSystem_undefineCfgVar("PIXMEND_TEST_VAR", -1), 0);
  EXPECT_FALSE(variableValue("PIXMEND_TEST_VAR"));
  EXPECT_EQ(mdlSystem_getCfgVarLevel("PIXMEND_TEST_VAR"), -1);
  ::unsetenv("PIXMEND_TEST_VAR");
}

TEST_F(Config, BadNamesAndLevelsAreRefused) {
  EXPECT_EQ(mdlSystem_defineCfgVar("BAD NAME", "x", 5), MDLERR_BADARG);
  EXPECT_EQ(mdlSystem_defineCfgVar("", "x", 5), MDLERR_BADARG);
  EXPECT_EQ(mdlSystem_defineCfgVar("OK", "x", 8), MDLERR_BADARG);
  EXPECT_EQ(mdlSystem_defineCfgVar("OK", "x", -1), MDLERR_BADARG);
  EXPECT_EQ(mdlSystem_defineCfgVar(nullptr, "x", 1), MDLERR_BADARG);
  EXPECT_EQ(mdlSystem_defineCfgVar("OK", nullptr, 1), MDLERR_BADARG);
  EXPECT_FALSE(variableValue("OK"));
}

TEST_F(Config, ExpansionFollowsReferencesAndEndsCycles) {
  defineVariable("ROOT", "/data", kCfgLevelUser);
  defineVariable("SUB", "$(ROOT)/maps/", kCfgLevelUser);
  defineVariable("WHICH", "SUB", kCfgLevelUser);
  EXPECT_EQ(expandText("$(SUB)x.tif"), "/data/maps/x.tif");
  EXPECT_EQ(expandText("$($(WHICH))"), "/data/maps/");  // a reference inside a name
  EXPECT_EQ(expandText("[$(UNDEFINED)]"), "[]");
  EXPECT_EQ(expandText("keep $(ROOT"), "keep $(ROOT");  // unterminated stays as written
  EXPECT_EQ(expandText("$ and (x)"), "$ and (x)");

  defineVariable("A", "a$(B)", kCfgLevelUser);
  defineVariable("B", "b$(A)", kCfgLevelUser);
  bool complete = true;
  EXPECT_EQ(expandText("$(A)", &complete), "ab");
  EXPECT_FALSE(complete);
  EXPECT_EQ(expandedVariable("A"), "ab");
  defineVariable("SELF", "x$(SELF)", kCfgLevelUser);
  EXPECT_EQ(expandedVariable("SELF"), "x");
}

TEST_F(Config, ExpansionThatWouldExplodeIsCut) {
  // Each level doubles the text: 2^40 characters unless the expansion is bounded.
  defineVariable("V0", "xxxxxxxxxxxxxxxx", kCfgLevelUser);
  for (int i = 1; i <= 40; ++i) {
    defineVariable("V" + std::to_string(i),
                   "$(V" + std::to_string(i - 1) + ")$(V" + std::to_string(i - 1) + ")", kCfgLevelUser);
  }
  bool complete = true;
  const std::string out = expandText("$(V40)", &complete);
  EXPECT_FALSE(complete);
  EXPECT_LE(out.size(), 64u * 1024u);
}

TEST_F(Config, CallerBuffersAreNeverOverrun) {
  defineVariable("LONG", "0123456789", kCfgLevelUser);
  char small[6];
  std::memset(small, 'z', sizeof small);
  EXPECT_EQ(mdlSystem_getCfgVar(small, "LONG", 5), MDLERR_TOOLARGE);
  EXPECT_STREQ(small, "0123");
  EXPECT_EQ(small[5], 'z');
  char buffer[64];
  EXPECT_EQ(mdlSystem_getCfgVar(buffer, "NOPE", sizeof buffer), MDLERR_CFGVARNOTFOUND);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(mdlSystem_getCfgVar(buffer, "LONG", 0), MDLERR_BADARG);

  defineVariable("DIR", "/tmp/", kCfgLevelUser);
  EXPECT_EQ(mdlSystem_expandCfgVar(buffer, sizeof buffer, "$(DIR)backup.vxr"), 0);
  EXPECT_STREQ(buffer, "/tmp/backup.vxr");
  EXPECT_EQ(mdlSystem_expandCfgVar(small, 4, "$(DIR)"), MDLERR_TOOLARGE);
  EXPECT_STREQ(small, "/tm");
}

TEST_F(Config, ExpandedCopiesAndGetenv) {
  defineVariable("TOP", "/a", kCfgLevelUser);
  defineVariable("VX_DIR", "$(TOP)/vx/", kCfgLevelUser);
  char* copy = mdlSystem_getExpandedCfgVar("VX_DIR");
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy, "/a/vx/");
  dlmSystem_mdlFree(copy);
  EXPECT_EQ(mdlSystem_getExpandedCfgVar("NOT_THERE"), nullptr);
  const char* value = mdlSystem_getenv("VX_DIR");
  ASSERT_NE(value, nullptr);
  EXPECT_STREQ(value, "/a/vx/");
  EXPECT_STREQ(mdlSystem_getenv("TOP"), "/a");
  EXPECT_STREQ(value, "/a/vx/");  // still good after a call for another name
  EXPECT_EQ(mdlSystem_getenv("NOT_THERE"), nullptr);
  EXPECT_EQ(mdlSystem_getenv(nullptr), nullptr);
}

TEST(PathLists, SplitAtSemicolonsAndColons) {
  EXPECT_EQ(splitPathList("/a;/b:/c;;"), (std::vector<std::string>{"/a", "/b", "/c"}));
  EXPECT_TRUE(splitPathList("").empty());
}

}  // namespace
}  // namespace pixmend::host
