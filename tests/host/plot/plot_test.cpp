// Plots of a design: driver files checked line by line, descriptors the host did not make
// refused, and the pages themselves — a PostScript plot rendered by Ghostscript and an HP-GL/2
// plot read back — with the elements where the area's centre and the scale put them, worked out
// here from the paper and the coordinates.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/lifecycle.hpp"
#include "host/output/answers.hpp"
#include "host/output/journal.hpp"
#include "host/plot/api.h"
#include "host/plot/plot.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class Plots : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    std::string error;
    ASSERT_TRUE(createDesign(dir + "/plan.dgn", &error)) << error;
  }
  void TearDown() override { resetHost(); }

  std::string driver(const std::string& name, const std::string& text) {
    const std::string path = dir + "/" + name;
    std::ofstream(path) << text;
    return path;
  }
  PlotDescr* make(const std::string& text, const char* paper = "A4") {
    PlotDescr* d = nullptr;
    EXPECT_EQ(mdlPlot_createDescr(&d, driver("d.plt", text).c_str(), paper, PLOT_UNITS_MILLIMETRES, nullptr), 0);
    return d;
  }
  static void addLine(DPoint3d a, DPoint3d b) {
    MSElement e;
    const DPoint3d points[2] = {a, b};
    ASSERT_EQ(mdlLine_create(&e, nullptr, points), 0);
    ASSERT_NE(mdlElement_add(&e), 0u);
  }
  static void addFilledSquare(double x, double y, double side) {
    MSElement e;
    const DPoint3d points[5] = {{x, y, 0}, {x + side, y, 0}, {x + side, y + side, 0}, {x, y + side, 0}, {x, y, 0}};
    ASSERT_EQ(mdlShape_create(&e, nullptr, points, 5, 1), 0);
    ASSERT_NE(mdlElement_add(&e), 0u);
  }

  testsupport::ScratchDir scratch{"plot"};
  std::string dir = scratch.path();
};

TEST_F(Plots, DriverFilesAreCheckedLineByLineAndPapersFound) {
  PlotDescr* d = nullptr;
  const std::string bad = driver("bad.plt", "language = postscript\nmargin = 5\ncolour = red\n");
  EXPECT_EQ(mdlPlot_createDescr(&d, bad.c_str(), "A4", PLOT_UNITS_MILLIMETRES, nullptr), MDLERR_BADPLOTDRIVER);
  EXPECT_EQ(d, nullptr);
  EXPECT_EQ(journal().last("plot")->text, bad + ":3: unknown key 'colour'");
  for (const char* broken : {"margin = 120\n", "paper = ROLL 914\n", "paper = R 100 100\npaper = r 90 90\n",
                             "language = pcl\n", "margin = 60\npaper = SMALL 100 100\n", "no equals sign\n"}) {
    EXPECT_EQ(mdlPlot_createDescr(&d, driver("b.plt", broken).c_str(), nullptr, PLOT_UNITS_MILLIMETRES, nullptr),
              MDLERR_BADPLOTDRIVER)
        << broken;
  }
  EXPECT_EQ(mdlPlot_createDescr(&d, (dir + "/none.plt").c_str(), "A4", PLOT_UNITS_MILLIMETRES, nullptr), MDLERR_BADPLOTDRIVER);

  const std::string good = driver("roll.plt", "language = hpgl2\nmargin = 10\nextension = plt\npaper = ROLL 914 1500\n");
  EXPECT_EQ(mdlPlot_createDescr(&d, good.c_str(), "B5", PLOT_UNITS_MILLIMETRES, nullptr), MDLERR_NOSUCHPAPER);
  ASSERT_EQ(mdlPlot_createDescr(&d, good.c_str(), "roll", PLOT_UNITS_INCHES, nullptr), 0);
  double width = 0, height = 0;
  char name[16], extension[8];
  EXPECT_EQ(mdlPlot_getPaperSize(&width, &height, d), 0);
  EXPECT_DOUBLE_EQ(width, 894 / 25.4) << "the printable part, in the descriptor's units";
  EXPECT_DOUBLE_EQ(height, 1480 / 25.4);
  EXPECT_EQ(mdlPlot_getPaperName(name, sizeof name, d), 0);
  EXPECT_STREQ(name, "ROLL");
  EXPECT_EQ(mdlPlot_getDefaultExtension(extension, sizeof extension, d), 0);
  EXPECT_STREQ(extension, "plt");
  EXPECT_EQ(mdlPlot_isSystemPrinter(d), 0);

  // The print dialog takes another paper from its answer; a paper the driver lacks cancels.
  queueAnswer("ok a3");
  EXPECT_EQ(mdlPlot_printDialog(d), ACTIONBUTTON_OK);
  EXPECT_EQ(mdlPlot_getPaperName(name, sizeof name, d), 0);
  EXPECT_STREQ(name, "A3");
  queueAnswer("ok LETTER");
  EXPECT_EQ(mdlPlot_printDialog(d), ACTIONBUTTON_CANCEL);
  queueAnswer("cancel");
  EXPECT_EQ(mdlPlot_printDialog(d), ACTIONBUTTON_CANCEL);

  PlotDescr* stale = d;
  mdlPlot_freeDescr(&d);
  EXPECT_EQ(d, nullptr);
  EXPECT_EQ(mdlPlot_setCopies(stale, 2), MDLERR_BADARG) << "a freed descriptor is refused, not used";
  EXPECT_EQ(mdlPlot_plot(stale, "x.ps"), MDLERR_BADARG);
}

TEST_F(Plots, APlotNeedsAnAreaAndAPlaceAndAFailureKeepsTheOldFile) {
  addLine({0, 0, 0}, {100, 0, 0});
  PlotDescr* d = make("language = postscript\n");
  const std::string target = dir + "/old.ps";
  std::ofstream(target) << "old plot";
  EXPECT_EQ(mdlPlot_plot(d, target.c_str()), MDLERR_PLOTFAILED);
  EXPECT_EQ(journal().last("plot")->text, "nothing to plot: no area is set");
  EXPECT_EQ(mdlPlot_setAreaFromFence(d), MDLERR_NOFENCE);
  DPoint3d low{}, high{};
  ASSERT_TRUE(plot::designRange(&low, &high));
  ASSERT_EQ(plot::setPlotArea(d, {low.x, low.y - 10, 0}, {high.x, high.y + 10, 0}), 0);
  EXPECT_EQ(mdlPlot_plot(d, nullptr), MDLERR_PLOTFAILED) << "no file given and the driver names none";
  EXPECT_EQ(mdlPlot_plot(d, (dir + "/missing/folder/p.ps").c_str()), MDLERR_PLOTFAILED);
  EXPECT_EQ(slurp(target), "old plot");
  EXPECT_EQ(mdlPlot_setCopies(d, 100), MDLERR_BADARG);
  mdlPlot_freeDescr(&d);
}

// The page as Ghostscript draws it, 10 pixels per millimetre: true where a pixel is dark.
struct Page {
  int width = 0, height = 0;
  std::string gray;
  bool darkAt(double xMm, double yMm) const {  // millimetres from the lower left
    const int col = static_cast<int>(xMm * 10), row = height - 1 - static_cast<int>(yMm * 10);
    return static_cast<unsigned char>(gray[static_cast<std::size_t>(row) * width + col]) < 128;
  }
};

bool render(const std::string& ps, const std::string& pgm, Page* page) {
  const std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pgmraw -r254 -sOutputFile='" + pgm + "' '" + ps + "'";
  if (std::system(command.c_str()) != 0) return false;
  std::ifstream in(pgm, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> std::ws;
  while (in.peek() == '#') in.ignore(1 << 16, '\n');  // Ghostscript names itself in a comment
  in >> page->width >> page->height >> maxval;
  in.get();
  page->gray.assign(static_cast<std::size_t>(page->width) * page->height, '\0');
  in.read(&page->gray[0], static_cast<std::streamsize>(page->gray.size()));
  return magic == "P5" && in.good();
}

TEST_F(Plots, APostScriptPageHasTheElementsWhereTheCentreAndScalePutThem) {
  if (std::system("gs --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "Ghostscript is not installed";
  addLine({0, 0, 0}, {100, 0, 0});
  addFilledSquare(0, 20, 20);
  ASSERT_TRUE(defineFence({{-10, -10, 0}, {110, -10, 0}, {110, 50, 0}, {-10, 50, 0}}, 0, nullptr));
  PlotDescr* d = make("language = postscript\nmargin = 5\n");
  ASSERT_EQ(mdlPlot_setAreaFromFence(d), 0);
  const std::string ps = dir + "/page.ps";
  ASSERT_EQ(mdlPlot_plot(d, ps.c_str()), 0);
  EXPECT_EQ(journal().last("plot")->text, "plotted 2 elements on A4 at 1 mm per master unit to " + ps);
  Page page;
  ASSERT_TRUE(render(ps, dir + "/page.pgm", &page));
  ASSERT_EQ(page.width, 2100);
  // One master unit is one millimetre; the fence's centre (50, 20) lies at the page's (105, 148.5).
  EXPECT_TRUE(page.darkAt(56, 128.5) && page.darkAt(105, 128.5) && page.darkAt(154, 128.5)) << "the line";
  EXPECT_FALSE(page.darkAt(105, 131) || page.darkAt(157, 128.5)) << "nothing beside the line";
  EXPECT_TRUE(page.darkAt(65, 158.5)) << "the square is filled";
  EXPECT_FALSE(page.darkAt(85, 158.5));

  // Maximized, the 120 mm wide area fills the 200 mm wide window: the line runs 166.7 mm long.
  ASSERT_EQ(mdlPlot_maximize(d), 0);
  ASSERT_EQ(mdlPlot_plot(d, ps.c_str()), 0);
  ASSERT_TRUE(render(ps, dir + "/page.pgm", &page));
  const double scale = 200.0 / 120.0, y = 148.5 - 20 * scale;
  EXPECT_TRUE(page.darkAt(105 - 49 * scale, y) && page.darkAt(105 + 49 * scale, y));
  EXPECT_FALSE(page.darkAt(105 + 52 * scale, y));
  mdlPlot_freeDescr(&d);
}

TEST_F(Plots, AnHpgl2PlotDrawsInPlotterUnitsWithItsCopies) {
  addLine({0, 0, 0}, {100, 0, 0});
  ASSERT_TRUE(defineFence({{0, -10, 0}, {100, -10, 0}, {100, 10, 0}, {0, 10, 0}}, 0, nullptr));
  PlotDescr* d = make("language = hpgl2\nmargin = 10\n", "A3");
  ASSERT_EQ(mdlPlot_setAreaFromFence(d), 0);
  ASSERT_EQ(mdlPlot_setCopies(d, 3), 0);
  const std::string file = dir + "/page.plt";
  ASSERT_EQ(mdlPlot_plot(d, file.c_str()), 0);
  const std::string hpgl = slurp(file);
  // A3 is 297 x 420 mm: the centre (148.5, 210) mm is (5940, 8400) plotter units of 0.025 mm.
  EXPECT_NE(hpgl.find("PU3940,8400;PD7940,8400;"), std::string::npos) << hpgl;
  EXPECT_NE(hpgl.find("IW400,400,11480,16400;"), std::string::npos) << "the printable window clips";
  EXPECT_NE(hpgl.find("PG3;"), std::string::npos);
  mdlPlot_freeDescr(&d);
}

}  // namespace
}  // namespace pixmend::host
