// The HP-GL driver, checked by converting its files with hp2xx to pictures and looking for ink
// where the drawing should be; labels keep to their terminator and the national character set.
#include <cmath>
#include <cstring>
#include <limits>

#include "vxlib/services/plot/plot.hpp"
#include "vxlib/services/plot/plot_fixture.hpp"

namespace pixmend::vxlib {
namespace {

class Hpgl : public PlotTest {
 protected:
  void SetUp() override {
    PlotTest::SetUp();
    if (!haveTool("hp2xx")) GTEST_SKIP() << "hp2xx is not installed: scripts/bootstrap installs it";
  }
  // Closes the plot and converts its first page at true size (40 plotter units to the mm), 10
  // pixels per mm, over plotter units 0 to 8000 both ways; fails the test on any complaint.
  Picture closeAndConvert(const std::string& hpgl) {
    EXPECT_EQ(vxlibHpgl_fclose(), 0);
    const ToolRun run = runTool("hp2xx -m pbm -t -d 254 -x 0 -X 8000 -y 0 -Y 8000 -f " + path("page.pbm") + " " + hpgl);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find("HPGL command(s) ignored: 0"), run.output.find("HPGL command(s) ignored:")) << run.output;
    EXPECT_NE(run.output.find("Unexpected event(s):  0"), std::string::npos) << run.output;
    height_ = readPbm(path("page.pbm")).height;
    return readPbm(path("page.pbm"));
  }
  // The pixel of a page point: the driver's plotter units count 1/38.46 mm from (10, 1) mm.
  static int unitsX(double xMm) { return static_cast<int>((xMm - 10.0) * 38.46153846153846); }
  static int unitsY(double yMm) { return static_cast<int>((yMm - 1.0) * 38.46153846153846); }
  static int px(double xMm) { return unitsX(xMm) / 4; }
  int py(double yMm) const { return height_ - 1 - unitsY(yMm) / 4; }
  // Ink within 3 pixels of the page point.
  static bool inkNear(const Picture& p, int x, int y) { return p.inkIn(x - 3, y - 3, x + 3, y + 3) > 0; }

  int height_ = 0;
};

TEST_F(Hpgl, LinesAndLabelsAreWhereTheDrawingPutsThem) {
  const std::string hpgl = path("drawing.hpgl");
  ASSERT_EQ(vxlibHpgl_fopen(hpgl.c_str()), 1);
  const double frame[] = {20, 20, 0, 180, 20, 0, 180, 150, 0};
  vxlibHpgl_drawPolyline(frame, 3, 0.35, 0.0);  // width and fill are not used: an outline
  char left[] = "LEFT";
  char right[] = "RIGHT";
  char centre[] = "MID";
  vxlibHpgl_drawText(40, 100, left, 5, 0, 2);
  vxlibHpgl_drawText(160, 120, right, 5, 0, 1);
  vxlibHpgl_drawText(100, 60, centre, 5, 0, 0);
  const Picture page = closeAndConvert(hpgl);
  ASSERT_TRUE(page.valid());
  EXPECT_TRUE(inkNear(page, px(100), py(20)));
  EXPECT_TRUE(inkNear(page, px(180), py(80)));
  EXPECT_FALSE(inkNear(page, px(100), py(30)));
  EXPECT_FALSE(inkNear(page, px(100), py(80))) << "the frame is not filled";
  // Labels: 5 mm text is about 3 mm high (size x 0.06 cm) above its baseline point.
  EXPECT_GT(page.inkIn(px(40), py(103), px(55), py(100)), 20);
  EXPECT_EQ(page.inkIn(px(30), py(103), px(39), py(100)), 0) << "a left label starts at its point";
  EXPECT_GT(page.inkIn(px(140), py(123), px(160), py(120)), 20);
  EXPECT_EQ(page.inkIn(px(161), py(123), px(175), py(120)), 0) << "a right label ends at its point";
  EXPECT_GT(page.inkIn(px(90), py(63), px(99), py(60)), 5);
  EXPECT_GT(page.inkIn(px(101), py(63), px(110), py(60)), 5) << "a centred label lies on both sides";
}

TEST_F(Hpgl, PlotterUnitsCountFromTheScalingPointsOrigin) {
  const std::string hpgl = path("units.hpgl");
  ASSERT_EQ(vxlibHpgl_fopen(hpgl.c_str()), 1);
  const double points[] = {10, 1, 0, 36, 27, 0};
  vxlibHpgl_drawPolyline(points, 2, 1, -1);
  ASSERT_EQ(vxlibHpgl_fclose(), 0);
  // Closing ends the page: one page, one page end.
  EXPECT_EQ(readAll(hpgl), "IN;PU;VS80;IP,603,521,10603,7721;SP1;CS32;\nPU;PA0,0;PD;PD;PA1000,1000;\n"
                           "PU;PA0,0;PG;\n");
}

TEST_F(Hpgl, LabelsUseTheNationalSetAndNeverEndEarly) {
  const std::string hpgl = path("labels.hpgl");
  ASSERT_EQ(vxlibHpgl_fopen(hpgl.c_str()), 1);
  char nordic[] = "bl\xe5 \xe6r\xf8 \xc5\xc6\xd8";
  vxlibHpgl_drawText(50, 50, nordic, 5, 0, 2);
  EXPECT_STREQ(nordic, "bl} {r| ][\\") << "the caller's text is changed in place";
  char early[] = "A\x03PD;PA9999,9999;";
  const auto from = mark();
  vxlibHpgl_drawText(50, 60, early, 5, 0, 2);
  char* none = nullptr;
  vxlibHpgl_drawText(50, 60, none, 5, 0, 2);
  char turned[] = "T";
  vxlibHpgl_drawText(50, std::numeric_limits<double>::quiet_NaN(), turned, 5, 0, 2);
  EXPECT_EQ(textLines(from).size(), 3u);
  const Picture page = closeAndConvert(hpgl);
  ASSERT_TRUE(page.valid());
  EXPECT_GT(page.inkIn(px(50), py(53), px(70), py(50)), 20);
  const std::string file = readAll(hpgl);
  EXPECT_NE(file.find("SS;LBbl} {r| ][\\\x03\n"), std::string::npos);
  EXPECT_EQ(file.find("9999"), std::string::npos) << "a refused label left nothing";
  EXPECT_EQ(file.find("nan"), std::string::npos);
}

}  // namespace
}  // namespace pixmend::vxlib
