// Copies to printer ports: the parallel ports by their names, shares, devices written in place,
// files replaced whole; what cannot be reached is refused with its reason.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "host/config/config.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/win32/api.h"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

class Ports : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    std::ofstream(source) << "%!PS\nshowpage\n";
  }
  void TearDown() override { resetHost(); }
  std::string read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  pixmend::testsupport::ScratchDir scratch{"ports"};
  std::string dir = scratch.path();
  std::string source = dir + "/plot.ps";
};

TEST_F(Ports, ParallelPortsAreTheDevicesTheirVariablesName) {
  defineVariable("PIXMEND_LPT3", dir + "/lpt3.out", kCfgLevelUser);
  EXPECT_EQ(mdlWin32_copyFileToPort("lpt3", source.c_str()), 0);
  EXPECT_EQ(read(dir + "/lpt3.out"), read(source));
  EXPECT_EQ(journal().last("win32")->text, "copied " + source + " to lpt3 (" + dir + "/lpt3.out)");
  // Without a variable the port is its device; one that is not there is refused, never made.
  struct stat st {};
  if (::stat("/dev/lp8", &st) != 0) {
    EXPECT_EQ(mdlWin32_copyFileToPort("LPT9", source.c_str()), MDLERR_FILENOTFOUND);
    EXPECT_NE(::stat("/dev/lp8", &st), 0) << "no file where a device belongs";
    EXPECT_EQ(journal().last("win32")->text, "cannot copy " + source + " to LPT9: no parallel port /dev/lp8");
  }
}

TEST_F(Ports, NamesWithBackslashesAreSharesOrPaths) {
  EXPECT_EQ(mdlWin32_copyFileToPort("\\\\printhost\\plots\\a.ps", source.c_str()), MDLERR_FILENOTFOUND);
  EXPECT_EQ(journal().last("win32")->text,
            "cannot copy " + source + " to \\\\printhost\\plots\\a.ps: no such share is mounted");
  const std::string windowsStyle = dir + "\\sub.ps";
  EXPECT_EQ(mdlWin32_copyFileToPort(windowsStyle.c_str(), source.c_str()), 0);
  EXPECT_EQ(read(dir + "/sub.ps"), read(source));
}

TEST_F(Ports, DevicesAreWrittenInPlaceAndFilesReplacedWhole) {
  EXPECT_EQ(mdlWin32_copyFileToPort("/dev/null", source.c_str()), 0);
  struct stat st {};
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  const std::string target = dir + "/out.ps";
  std::ofstream(target) << "a much longer old file that must not leave a tail behind";
  EXPECT_EQ(mdlWin32_copyFileToPort(target.c_str(), source.c_str()), 0);
  EXPECT_EQ(read(target), read(source));
}

TEST_F(Ports, WhatCannotBeCopiedIsRefusedWithItsReason) {
  EXPECT_EQ(mdlWin32_copyFileToPort((dir + "/x").c_str(), (dir + "/missing.ps").c_str()), MDLERR_FILENOTFOUND);
  EXPECT_EQ(mdlWin32_copyFileToPort((dir + "/x").c_str(), dir.c_str()), MDLERR_FILENOTFOUND) << "a directory";
  EXPECT_EQ(mdlWin32_copyFileToPort(dir.c_str(), source.c_str()), MDLERR_CANNOTOPENFILE);
  EXPECT_EQ(mdlWin32_copyFileToPort((dir + "/no/dir/x").c_str(), source.c_str()), MDLERR_CANNOTOPENFILE);
  const std::string fifo = dir + "/deaf";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(mdlWin32_copyFileToPort(fifo.c_str(), source.c_str()), MDLERR_CANNOTOPENFILE);
  EXPECT_EQ(journal().last("win32")->text, "cannot copy " + source + " to " + fifo + ": " + fifo + ": nothing reads from it");
  EXPECT_EQ(mdlWin32_copyFileToPort(nullptr, source.c_str()), MDLERR_BADARG);
  EXPECT_EQ(mdlWin32_copyFileToPort("LPT1", nullptr), MDLERR_BADARG);
}

}  // namespace
}  // namespace pixmend::host
