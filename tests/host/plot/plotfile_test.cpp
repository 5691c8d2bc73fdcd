// Plot files: a plot replaces its file only when complete; a printer port (a device or a pipe)
// is written in place and stays what it is; places that cannot be written are refused at once.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/plot/api.h"
#include "host/system/application.hpp"
#include "host/system/registry.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

class PlotFiles : public ::testing::Test {
 protected:
  void SetUp() override { resetHost(); }
  void TearDown() override { resetHost(); }
  std::string read(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static bool isCharacterDevice(const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0 && S_ISCHR(st.st_mode);
  }
  pixmend::testsupport::ScratchDir scratch{"plotfile"};
  std::string dir = scratch.path();
};

TEST_F(PlotFiles, APlotReplacesItsFileOnlyWhenClosedAndBytesArriveUnchanged) {
  const std::string target = dir + "/plot.ps";
  std::ofstream(target) << "old";
  PlotFile* file = mdlPlotFile_open(target.c_str());
  ASSERT_NE(file, nullptr);
  const std::string bytes("a\0b\xff\r\n", 6);
  EXPECT_EQ(mdlPlotFile_write(file, bytes.data(), static_cast<unsigned>(bytes.size())), 0);
  EXPECT_EQ(read(target), "old");
  EXPECT_EQ(mdlPlotFile_close(file), 0);
  EXPECT_EQ(read(target), bytes);
  EXPECT_EQ(journal().last("file")->text, "wrote " + target);
  EXPECT_EQ(mdlPlotFile_close(file), MDLERR_BADARG) << "a closed handle is refused, not followed";
  EXPECT_EQ(mdlPlotFile_write(file, "x", 1), MDLERR_BADARG);
}

TEST_F(PlotFiles, DevicesAreWrittenInPlaceAndAFullOneFailsTheClose) {
  PlotFile* sink = mdlPlotFile_open("/dev/null");
  ASSERT_NE(sink, nullptr);
  EXPECT_EQ(mdlPlotFile_write(sink, "plot", 4), 0);
  EXPECT_EQ(mdlPlotFile_close(sink), 0);
  EXPECT_TRUE(isCharacterDevice("/dev/null")) << "a device is never replaced by a file";

  if (!isCharacterDevice("/dev/full")) GTEST_SKIP() << "no /dev/full on this machine";
  PlotFile* full = mdlPlotFile_open("/dev/full");
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(mdlPlotFile_write(full, "plot", 4), MDLERR_CANNOTOPENFILE);
  EXPECT_EQ(mdlPlotFile_close(full), MDLERR_CANNOTOPENFILE);
  EXPECT_TRUE(isCharacterDevice("/dev/full"));
}

TEST_F(PlotFiles, PlacesThatCannotBeWrittenAreRefusedAtOnce) {
  const std::string fifo = dir + "/port";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(mdlPlotFile_open(fifo.c_str()), nullptr) << "a pipe that nobody reads";
  EXPECT_EQ(journal().last("file")->text, "cannot write " + fifo + ": nothing reads from it");
  EXPECT_EQ(mdlPlotFile_open(dir.c_str()), nullptr);
  EXPECT_EQ(mdlPlotFile_open((dir + "/no/such/dir/p.ps").c_str()), nullptr);
  EXPECT_EQ(mdlPlotFile_open(""), nullptr);
  EXPECT_EQ(mdlPlotFile_open(nullptr), nullptr);
}

TEST_F(PlotFiles, AFileItsApplicationLeavesOpenIsCompletedWhenItUnloads) {
  Application* app = addApplication("Plotter", "", "");
  const std::string target = dir + "/left.ps";
  {
    AppScope scope(app);
    PlotFile* file = mdlPlotFile_open(target.c_str());
    ASSERT_NE(file, nullptr);
    mdlPlotFile_write(file, "%!PS\n", 5);
  }
  removeApplication(app);
  EXPECT_EQ(read(target), "%!PS\n");
}

}  // namespace
}  // namespace pixmend::host
