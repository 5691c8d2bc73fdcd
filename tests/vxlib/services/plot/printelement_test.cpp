// Printing an element descriptor into a page rectangle: the fit worked out here from the
// descriptor's range and the rectangle, level 63's grey fills under everything else, line widths
// and dashes by weight and style, texts at their baseline, and the plotter's quarter turn.
#include <cstring>

#include "vxlib/services/plot/plot_fixture.hpp"

namespace pixmend::vxlib {
namespace {

class PrintElements : public PlotTest {
 protected:
  void TearDown() override {
    mdlElmdscr_freeAll(&drawing_);
    PlotTest::TearDown();
  }
  void add(MSElement& e, unsigned level, unsigned colour, unsigned weight, int style) {
    ASSERT_EQ(mdlElement_setProperties(&e, &level, nullptr, nullptr), 0);
    ASSERT_EQ(mdlElement_setSymbology(&e, &colour, &weight, &style), 0);
    if (drawing_ == nullptr) {
      ASSERT_EQ(mdlElmdscr_new(&drawing_, &e), 0);
    } else {
      ASSERT_EQ(mdlElmdscr_appendElement(drawing_, &e), 0);
    }
  }
  // A grey square (0, 0)-(10, 10) kept on level 63 in colour 150, a dashed line (0, 0)-(20, 0) of
  // weight 3 and style 2 on level 1 added before it in file order, and the text "AB" at (0, 10),
  // two units high: the range is (0, 0)-(20, 12).
  void build() {
    MSElement line, square, text;
    const DPoint3d ends[2] = {{0, 0, 0}, {20, 0, 0}};
    ASSERT_EQ(mdlLine_create(&line, nullptr, ends), 0);
    add(line, 1, 0, 3, 2);
    const DPoint3d corners[5] = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0}};
    ASSERT_EQ(mdlShape_create(&square, nullptr, corners, 5, 1), 0);
    add(square, 63, 150, 0, 0);
    const DPoint3d origin{0, 10, 0};
    const TextSize size{1, 2};
    TextParam params{};
    params.justification = TEXT_JUST_LB;
    ASSERT_EQ(mdlText_create(&text, nullptr, "AB", &origin, nullptr, &size, &params, nullptr), 0);
    add(text, 1, 0, 0, 0);
  }
  MSElementDescr* drawing_ = nullptr;
};

TEST_F(PrintElements, PostScriptDrawsTheFitWithTheFillsUnderTheLines) {
  build();
  const std::string ps = path("page.ps");
  ASSERT_EQ(vxlibPrint_fopen(ps.c_str(), VXLIB_PRINT_POSTSCRIPT), 1);
  // Into (10, 10) 100 x 100 mm: scale 5 (by the width), centred by 20 mm in y, so a design point
  // (X, Y) lies at (5 X + 10, 5 Y + 30) mm, written in points (x 2.8346).
  vxlibPrint_printElementDescr(drawing_, 10, 10, 100, 100);
  ASSERT_EQ(vxlibPrint_fclose(), 0);
  const std::string text = readAll(ps);
  const auto fill = text.find("0.50 setgray\n0.28 setlinewidth\n28.35 85.04 moveto\n170.08 85.04 lineto\n"
                              "170.08 226.77 lineto\n28.35 226.77 lineto\n28.35 85.04 lineto\nclosepath fill\n");
  const auto dashed = text.find("[5.76 3.6] 0 setdash\n1.42 setlinewidth\n28.35 85.04 moveto\n311.81 85.04 lineto\nstroke\n");
  const auto label = text.find("28.35 226.77 (AB) 36.85 0.00 _dtfl\n");
  ASSERT_NE(fill, std::string::npos) << text;
  ASSERT_NE(dashed, std::string::npos) << text;
  ASSERT_NE(label, std::string::npos) << text;
  EXPECT_LT(fill, dashed) << "level 63 is drawn first, under the line added before it";

  if (!haveTool("gs")) GTEST_SKIP() << "Ghostscript is not installed";
  ASSERT_EQ(renderPostScript(ps, path("page")).status, 0);
  const Picture page = readPbm(path("page.1.pbm"));
  ASSERT_TRUE(page.valid());
  EXPECT_TRUE(page.ink(col(12), row(30)) || page.ink(col(13), row(30))) << "the dashed line starts at x 10";
  const int grey = page.inkIn(col(20), row(70), col(50), row(40));
  EXPECT_GT(grey, 301 * 301 / 5) << "half grey";
  EXPECT_LT(grey, 301 * 301 * 4 / 5);
}

TEST_F(PrintElements, HpglTurnsThePageAQuarterForThePlottersAxes) {
  build();
  const std::string file = path("page.hpgl");
  ASSERT_EQ(vxlibPrint_fopen(file.c_str(), VXLIB_PRINT_HPGL), 1);
  vxlibPrint_printElementDescr(drawing_, 10, 10, 100, 100);
  ASSERT_EQ(vxlibPrint_fclose(), 0);
  // Turned a quarter counter-clockwise and moved by the rectangle's height: (X, Y) lies at
  // (100 + 10 - 5 Y, 5 X + 30) mm; plotter units trunc((x - 10) 38.46), trunc((y - 1) 38.46).
  const std::string text = readAll(file);
  EXPECT_NE(text.find("PU;PA3846,1115;PD;PD;PA3846,4961;\n"), std::string::npos) << text;
}

TEST_F(PrintElements, NothingToPrintWritesNothing) {
  ASSERT_EQ(vxlibPrint_fopen(path("empty.ps").c_str(), VXLIB_PRINT_POSTSCRIPT), 1);
  vxlibPrint_printElementDescr(nullptr, 0, 0, 100, 100);
  ASSERT_EQ(vxlibPrint_fclose(), 0);
  ASSERT_EQ(vxlibPrint_fopen(path("blank.ps").c_str(), VXLIB_PRINT_POSTSCRIPT), 1);
  ASSERT_EQ(vxlibPrint_fclose(), 0);
  EXPECT_EQ(readAll(path("empty.ps")), readAll(path("blank.ps")));
}

}  // namespace
}  // namespace pixmend::vxlib
