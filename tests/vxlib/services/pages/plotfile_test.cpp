// The plot file of a placed page: named after the design and the page in the plot folder, with
// the driver's extension or "000"; the driver's own file or the system printer win; and page
// names that look like paths never lead out of the plot folder.
#include <fstream>
#include <string>

#include "host/design/design.hpp"
#include "vxlib/core/vxlib_fixture.hpp"
#include "vxlib/services/pages/pages.hpp"

namespace pixmend::vxlib {
namespace {

class PlotFile : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    std::string error;
    ASSERT_TRUE(host::createDesign(path("house.dgn"), &error)) << error;
    std::filesystem::create_directory(path("plots"));
    std::filesystem::create_directory(path("tmp"));
  }
  void TearDown() override {
    mdlPlot_freeDescr(&descr_);
    VxlibTest::TearDown();
  }

  // The name for `page` with a driver of the given extra lines.
  std::string nameFor(const std::string& driverLines, const char* page) {
    mdlPlot_freeDescr(&descr_);
    std::ofstream(path("driver.plt")) << "description = test\nlanguage = postscript\nmargin = 5\n"
                                      << driverLines;
    EXPECT_EQ(mdlPlot_createDescr(&descr_, path("driver.plt").c_str(), "A4", PLOT_UNITS_MILLIMETRES, nullptr),
              0);
    return pages::plotFileName(descr_, page);
  }

  PlotDescr* descr_ = nullptr;
};

TEST_F(PlotFile, DesignAndPageInThePlotFolderWithTheDriversExtensionOr000) {
  host::defineVariable("MS_PLTFILES", path("plots/"), host::kCfgLevelUser);
  host::defineVariable("MS_TMP", path("tmp/"), host::kCfgLevelUser);
  EXPECT_EQ(nameFor("", "P1"), path("plots/house_P1.000"));
  EXPECT_EQ(nameFor("extension = ps\n", "P1"), path("plots/house_P1.ps"));
  // A folder named without its final '/' is still the folder.
  host::defineVariable("MS_PLTFILES", path("plots"), host::kCfgLevelUser);
  EXPECT_EQ(nameFor("", "P2"), path("plots/house_P2.000"));
  // Without MS_PLTFILES the temporary folder takes its place.
  host::undefineVariable("MS_PLTFILES");
  EXPECT_EQ(nameFor("", "P1"), path("tmp/house_P1.000"));
}

TEST_F(PlotFile, TheDriversOwnFileOrTheSystemPrinterTakeThePlaceOfTheName) {
  host::defineVariable("MS_PLTFILES", path("plots/"), host::kCfgLevelUser);
  EXPECT_EQ(nameFor("file = " + path("own.prn") + "\n", "P1"), path("own.prn"));
  EXPECT_EQ(nameFor("output = system-printer\n", "P1"), "");
  EXPECT_EQ(pages::plotFileName(nullptr, "P1"), "");
}

TEST_F(PlotFile, PageNamesLikePathsStayInThePlotFolder) {
  host::defineVariable("MS_PLTFILES", path("plots/"), host::kCfgLevelUser);
  EXPECT_EQ(nameFor("", "../../etc/passwd"), path("plots/house_.._.._etc_passwd.000"));
  EXPECT_EQ(nameFor("", "a\\b"), path("plots/house_a_b.000"));
  EXPECT_EQ(nameFor("", ".."), path("plots/house_...000"));
}

}  // namespace
}  // namespace pixmend::vxlib
