// The registry stores beside the user preferences, and the universal names of paths on network
// mounts.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <string>

#include "host/config/config.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/win32/api.h"
#include "host/win32/paths.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    defineVariable("MS_USERPREF", dir + "/prefs/user.upf", kCfgLevelUser);
    ::mkdir((dir + "/prefs").c_str(), 0755);
  }
  void TearDown() override { resetHost(); }
  std::string text(int root, const char* key, const char* name, int* status) {
    char data[64] = "";
    unsigned int size = sizeof data, type = 0;
    *status = mdlWin32_registryQueryValue(root, key, name, &type, data, &size);
    return *status == SUCCESS ? std::string(data, size) : std::string("-");
  }
  pixmend::testsupport::ScratchDir scratch{"registry"};
  std::string dir = scratch.path();
};

TEST_F(Registry, ValuesSurviveInTheFileBesideTheUserPreferences) {
  int status = 0;
  EXPECT_EQ(text(WIN32_REGISTRY_CURRENT_USER, "Software\\Maker", "Dir", &status), "-");
  EXPECT_EQ(status, MDLERR_FILENOTFOUND) << "no store yet";
  ASSERT_EQ(mdlWin32_registrySetValue(WIN32_REGISTRY_CURRENT_USER, "Software\\Maker\\Vx", "Dir", WIN32_REG_SZ, "C:\\vx", 6), 0);
  ASSERT_EQ(mdlWin32_registrySetValue(WIN32_REGISTRY_LOCAL_MACHINE, "Software\\Maker\\Vx", "Dir", WIN32_REG_SZ, "D:\\vx", 6), 0);
  struct stat st {};
  EXPECT_EQ(::stat((dir + "/prefs/registry.db").c_str(), &st), 0);
  // Key names compare without case, either separator, and stray separators at the ends.
  EXPECT_EQ(text(WIN32_REGISTRY_CURRENT_USER, "/software/MAKER/vx/", "dir", &status), std::string("C:\\vx\0", 6));
  EXPECT_EQ(text(WIN32_REGISTRY_LOCAL_MACHINE, "Software\\Maker\\Vx", "Dir", &status), std::string("D:\\vx\0", 6));
  // Replacing keeps one value; too small a buffer is refused and told the size needed.
  ASSERT_EQ(mdlWin32_registrySetValue(WIN32_REGISTRY_CURRENT_USER, "Software\\Maker\\Vx", "DIR", WIN32_REG_SZ, "E:", 3), 0);
  char small[2] = {'x', 'x'};
  unsigned int size = sizeof small;
  EXPECT_EQ(mdlWin32_registryQueryValue(WIN32_REGISTRY_CURRENT_USER, "Software\\Maker\\Vx", "Dir", nullptr, small, &size),
            MDLERR_TOOLARGE);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(small[0], 'x') << "nothing written when it does not fit";
  EXPECT_EQ(mdlWin32_registrySetValue(3, "K", "V", WIN32_REG_SZ, "a", 2), MDLERR_BADARG);
}

TEST_F(Registry, AFileThatIsNoStoreIsNeverOverwritten) {
  const std::string store = dir + "/prefs/registry.db";
  std::ofstream(store) << "not a database, and not ours to replace";
  EXPECT_EQ(mdlWin32_registrySetValue(WIN32_REGISTRY_CURRENT_USER, "K", "V", WIN32_REG_DWORD, "\1\0\0\0", 4),
            MDLERR_CANNOTOPENFILE);
  EXPECT_EQ(journal().last("win32")->text, "cannot write the registry: " + store + " is not a registry file");
  std::ifstream in(store);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "not a database, and not ours to replace");
  int status = 0;
  EXPECT_EQ(text(WIN32_REGISTRY_CURRENT_USER, "K", "V", &status), "-");
}

TEST(UniversalNames, PathsOnNetworkMountsNameTheirServer) {
  const std::vector<Mount> mounts = {{"/dev/sda1", "/"},
                                     {"//filesrv/Projects", "/mnt/p"},
                                     {"nfs1:/export/cad/", "/mnt/cad"},
                                     {"/dev/sdb1", "/mnt/cad/local"},
                                     {"\\\\srv2\\share", "/mnt/p2"}};
  EXPECT_EQ(universalName(mounts, "/mnt/p/2024/plan.dgn"), "//filesrv/Projects/2024/plan.dgn");
  EXPECT_EQ(universalName(mounts, "/mnt/p"), "//filesrv/Projects");
  EXPECT_EQ(universalName(mounts, "/mnt/cad/a.tif"), "//nfs1/export/cad/a.tif");
  EXPECT_EQ(universalName(mounts, "/mnt/p2/x"), "//srv2/share/x");
  EXPECT_EQ(universalName(mounts, "/mnt/cad/local/a.tif"), "") << "the innermost mount is a local disk";
  EXPECT_EQ(universalName(mounts, "/mnt/pp/a"), "") << "a mount holds whole folder names only";
  EXPECT_EQ(universalName(mounts, "/home/a"), "");
  char out[64] = "stale";
  EXPECT_EQ(mdlWin32_getUniversalName(out, sizeof out, "relative/path"), MDLERR_BADARG);
  EXPECT_STREQ(out, "");
}

TEST(ShortNames, APathIsItsOwnShortFormWhenSomethingIsThere) {
  char out[8] = "stale";
  EXPECT_EQ(mdlWin32_getShortPathName(out, sizeof out, "/"), 0);
  EXPECT_STREQ(out, "/");
  EXPECT_EQ(mdlWin32_getShortPathName(out, sizeof out, "/nonexistent/x"), MDLERR_FILENOTFOUND);
  EXPECT_EQ(mdlWin32_getShortPathName(out, sizeof out, "/proc/self"), MDLERR_TOOLARGE);
  EXPECT_STREQ(out, "");
}

}  // namespace
}  // namespace pixmend::host
