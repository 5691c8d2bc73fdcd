// The Win32 family's services: the registry read from the current user before the machine,
// command lines as they are joined and run, deleting files and the printer list without a print
// server.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "vxlib/core/vxlib_fixture.hpp"

namespace pixmend::vxlib {
namespace {

class Win32Services : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    host::defineVariable("MS_USERPREF", path("user.upf"), host::kCfgLevelUser);
  }
  static void set(int root, const char* name, const char* value) {
    ASSERT_EQ(mdlWin32_registrySetValue(root, "Software\\Maker\\Vx", name, WIN32_REG_SZ, value,
                                        static_cast<unsigned>(std::strlen(value) + 1)),
              0);
  }
};

TEST_F(Win32Services, RegistryValuesOfTheUserComeBeforeThoseOfTheMachine) {
  set(WIN32_REGISTRY_LOCAL_MACHINE, "Data", "/srv/vx/data");
  set(WIN32_REGISTRY_LOCAL_MACHINE, "Cell", "/srv/vx/cell");
  set(WIN32_REGISTRY_CURRENT_USER, "Cell", "/home/u/cell");
  char data[64] = "";
  unsigned long type = 0;
  EXPECT_EQ(vxlibWin32_getRegistryValue("Software\\Maker\\Vx", "Data", &type, data, sizeof data), 13u);
  EXPECT_STREQ(data, "/srv/vx/data") << "found under the machine only";
  EXPECT_EQ(type, static_cast<unsigned long>(WIN32_REG_SZ));
  EXPECT_EQ(vxlibWin32_getRegistryValue("Software\\Maker\\Vx", "Cell", nullptr, data, sizeof data), 13u);
  EXPECT_STREQ(data, "/home/u/cell");
  EXPECT_EQ(vxlibWin32_getRegistryValue("Software\\Maker\\Vx", "Missing", nullptr, data, sizeof data), 0u);
  char small[4] = "abc";
  EXPECT_EQ(vxlibWin32_getRegistryValue("Software\\Maker\\Vx", "Cell", nullptr, small, sizeof small), 0u)
      << "a value that does not fit is not read (and no size is claimed for it)";
  EXPECT_STREQ(small, "abc");
}

TEST_F(Win32Services, CommandsAreJoinedWithOneBlankOnlyWhenThereAreArguments) {
  const std::string out = path("out.txt");
  const std::string command = "printf '%s|' start >" + out;
  EXPECT_EQ(vxlibWin32_execCommand(command.c_str(), nullptr), 0);
  EXPECT_EQ(readAll(out), "start|");
  EXPECT_EQ(vxlibWin32_execCommand(command.c_str(), "a b"), 0);
  EXPECT_EQ(readAll(out), "start|a|b|");
  EXPECT_NE(vxlibWin32_execCommand("exit 3", nullptr), 0);
  // A line longer than the command buffer is not cut short and run: it is not run at all.
  const std::string tail = std::string(1020, 'x');
  EXPECT_EQ(vxlibWin32_execCommand(command.c_str(), tail.c_str()), -1);
  EXPECT_EQ(readAll(out), "start|a|b|");
}

TEST_F(Win32Services, AStartedCommandIsWaitedFor) {
  const std::string out = path("done.txt");
  const std::string arguments = "-c \"sleep 0.2; echo done > " + out + "\"";
  EXPECT_NE(vxlibWin32_execCommandAndWait("/bin/sh", arguments.c_str(), 1), 0);
  EXPECT_EQ(readAll(out), "done\n") << "the program had ended when the call returned";
  EXPECT_EQ(vxlibWin32_execCommandAndWait("/no/such/program", nullptr, 0), 0);
}

TEST_F(Win32Services, FilesAreDeletedUnlessReadOnly) {
  const std::string file = path("old.tmp"), locked = path("locked.tmp");
  writeText(file, "x");
  writeText(locked, "x");
  ::chmod(locked.c_str(), 0444);
  EXPECT_NE(vxlibFile_delete(file.c_str()), 0);
  EXPECT_EQ(vxlibFile_delete(file.c_str()), 0) << "gone already";
  EXPECT_EQ(vxlibFile_delete(locked.c_str()), 0);
  struct stat st {};
  EXPECT_EQ(::stat(locked.c_str(), &st), 0);
  EXPECT_STREQ(vxlibFile_GetShortPathName(locked.c_str()), locked.c_str());
  EXPECT_STREQ(vxlibFile_GetShortPathName(file.c_str()), "");
}

TEST_F(Win32Services, NoPrintServerMeansNoPrinterList) {
  const char* old = std::getenv("CUPS_SERVER");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("CUPS_SERVER", "127.0.0.1:9", 1);
  EXPECT_EQ(vxlibWin32_findWindowsPrinterNames(), nullptr);
  EXPECT_EQ(texts("win32").back().rfind("no printers: ", 0), 0u);
  if (old != nullptr) {
    ::setenv("CUPS_SERVER", saved.c_str(), 1);
  } else {
    ::unsetenv("CUPS_SERVER");
  }
}

}  // namespace
}  // namespace pixmend::vxlib
