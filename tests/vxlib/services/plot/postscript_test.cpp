// The PostScript driver, checked by rendering its files with Ghostscript and looking for ink where
// the drawing should be: lines, fills, dashes and widths from the line tables, texts in three
// alignments, pages, included EPS files; hostile texts and numbers never make a file the
// interpreter refuses.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <limits>

#include "vxlib/services/plot/plot.hpp"
#include "vxlib/services/plot/plot_fixture.hpp"

namespace pixmend::vxlib {
namespace {

class PostScript : public PlotTest {
 protected:
  void SetUp() override {
    PlotTest::SetUp();
    if (!haveTool("gs")) GTEST_SKIP() << "Ghostscript (gs) is not installed: scripts/bootstrap installs it";
  }
  // Closes the plot, renders it and fails the test when Ghostscript reports anything.
  Picture closeAndRender(const std::string& ps, int page = 1) {
    EXPECT_EQ(vxlibPs_fclose(), 0);
    const ToolRun run = renderPostScript(ps, path("page"));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "");
    return readPbm(path("page") + "." + std::to_string(page) + ".pbm");
  }
};

TEST_F(PostScript, LinesFillsAndTextsAreWhereTheDrawingPutsThem) {
  const std::string ps = path("drawing.ps");
  ASSERT_EQ(vxlibPs_fopen(ps.c_str()), 1);
  vxlibPs_drawLine(20.0f, 20.0f, 190.0f, 20.0f, 0.5f);
  vxlibPs_fillCirc(100, 150, 20, 0, 360, 0.0);
  const double square[] = {30, 200, 0, 80, 200, 0, 80, 250, 0, 30, 250, 0, 30, 200, 0};
  vxlibPs_drawPolyline(square, 5, 0.35, -1.0);
  const double triangle[] = {120, 200, 0, 180, 200, 0, 150, 250, 0};
  vxlibPs_drawPolyline(triangle, 3, 0.35, 0.0);
  vxlibPs_drawArc(100, 60, 15, 0, 90, 0.5);
  vxlibPs_drawText(30, 100, "HELLO", 10, 0, 2);    // left end at x = 30
  vxlibPs_drawText(180, 100, "HELLO", 10, 0, 1);   // right end at x = 180
  vxlibPs_drawText(105, 120, "HELLO", 10, 0, 0);   // centred on x = 105
  vxlibPs_drawText(20, 280, "UP", 10, 90, 2);      // turned a quarter: reads upwards from (20, 280)
  const Picture page = closeAndRender(ps);
  ASSERT_TRUE(page.valid());

  EXPECT_TRUE(page.ink(col(50), row(20)) && page.ink(col(185), row(20)));
  EXPECT_EQ(page.inkIn(col(50), row(21), col(185), row(21)), 0) << "a 0.5 mm line is no thicker";
  EXPECT_EQ(page.inkIn(col(10), row(20), col(19), row(20)), 0) << "the line starts at x = 20";

  EXPECT_TRUE(page.ink(col(100), row(150)) && page.ink(col(118), row(150)) && page.ink(col(100), row(132)));
  EXPECT_FALSE(page.ink(col(122), row(150)));
  EXPECT_FALSE(page.ink(col(115), row(165))) << "corner of the circle's box lies outside it";

  EXPECT_TRUE(page.ink(col(55), row(200)) && page.ink(col(80), row(225)));
  EXPECT_EQ(page.inkIn(col(32), row(248), col(78), row(202)), 0) << "an outline leaves its inside empty";
  EXPECT_TRUE(page.ink(col(150), row(215))) << "fill 0.0 fills black";

  // The arc runs from (115, 60) counter-clockwise to (100, 75).
  EXPECT_TRUE(page.ink(col(115), row(61)) && page.ink(col(100 + 15 * std::cos(0.785)), row(60 + 15 * std::sin(0.785))));
  EXPECT_FALSE(page.ink(col(85), row(60))) << "the arc stops at 90 degrees";

  // Texts: cap height of 10 mm Helvetica is about 7 mm above the baseline.
  EXPECT_GT(page.inkIn(col(30), row(107), col(60), row(100)), 200);
  EXPECT_EQ(page.inkIn(col(20), row(107), col(29), row(100)), 0) << "left-aligned text starts at its point";
  EXPECT_GT(page.inkIn(col(150), row(107), col(180), row(100)), 200);
  EXPECT_EQ(page.inkIn(col(181), row(107), col(195), row(100)), 0) << "right-aligned text ends at its point";
  const int leftHalf = page.inkIn(col(85), row(127), col(104), row(120));
  const int rightHalf = page.inkIn(col(106), row(127), col(125), row(120));
  EXPECT_GT(leftHalf, 200);
  EXPECT_NEAR(leftHalf, rightHalf, leftHalf / 2) << "centred text has ink on both sides";
  EXPECT_GT(page.inkIn(col(13), row(295), col(20), row(280)), 100) << "turned text runs up, left of its point";
  EXPECT_EQ(page.inkIn(col(21), row(295), col(40), row(280)), 0);
}

TEST_F(PostScript, EachLineStyleDashesAndEachWeightIsAsWideAsTheTablesSay) {
  const std::string ps = path("styles.ps");
  ASSERT_EQ(vxlibPs_fopen(ps.c_str()), 1);
  // Styles 0 to 7 and an unknown style 9 (drawn as 0), one horizontal line each, 10 mm apart.
  const int styles[] = {0, 1, 2, 3, 4, 5, 6, 7, 9};
  for (int i = 0; i < 9; ++i) {
    const double y = 280.0 - 10.0 * i;
    const double line[] = {20, y, 0, 190, y, 0};
    vxlibPs_drawPolylineExtended(line, 2, 0.35, plot::postScriptDash(styles[i]), -1.0);
  }
  // Weights 5 (1 mm), 15 (6 mm) and an unknown 40 (drawn as 2: 0.35 mm), solid again.
  const int weights[] = {5, 15, 40};
  for (int i = 0; i < 3; ++i) {
    const double x = 40.0 + 50.0 * i;
    const double line[] = {x, 50, 0, x, 150, 0};
    vxlibPs_drawPolylineExtended(line, 2, plot::lineWidth(weights[i]), "", -1.0);
  }
  const Picture page = closeAndRender(ps);
  ASSERT_TRUE(page.valid());
  for (int i = 0; i < 9; ++i) {
    const int y = row(280.0 - 10.0 * i);
    const int inked = page.inkIn(col(21), y, col(189), y);
    const int length = col(189) - col(21) + 1;
    if (styles[i] == 0 || styles[i] == 9) {
      EXPECT_EQ(inked, length) << "style " << styles[i] << " is solid";
    } else {
      EXPECT_GT(inked, length / 10) << "style " << styles[i];
      EXPECT_LT(inked, length * 9 / 10) << "style " << styles[i] << " has gaps";
    }
  }
  const double expectedWidth[] = {1.0, 6.0, 0.35};
  for (int i = 0; i < 3; ++i) {
    const double x = 40.0 + 50.0 * i;
    const int inked = page.inkIn(col(x - 5), row(100), col(x + 5), row(100));
    EXPECT_NEAR(inked, expectedWidth[i] * 10.0, 2.0) << "weight " << weights[i];
  }
}

TEST_F(PostScript, TextsWithTheLanguagesSpecialCharactersStayInsideTheirStrings) {
  const std::string ps = path("texts.ps");
  ASSERT_EQ(vxlibPs_fopen(ps.c_str()), 1);
  const char* hostile[] = {"(", ")", "a\\b", "((x)", "\\", "x) show (y", "tab\there", "line\nbreak", "%!PS showpage",
                           "\xe6\xf8\xe5 \xc6\xd8\xc5 \xa9"};
  double y = 280;
  for (const char* text : hostile) {
    vxlibPs_drawText(20, y, text, 5, 0, 2);
    y -= 10;
  }
  const std::string longText(plot::kMaxTextLength + 1, 'x');
  const auto from = mark();
  vxlibPs_drawText(20, 100, longText.c_str(), 5, 0, 2);
  vxlibPs_drawText(20, 100, nullptr, 5, 0, 2);
  EXPECT_EQ(textLines(from).size(), 2u) << "a text too long and a missing text are reported";
  const Picture page = closeAndRender(ps);
  ASSERT_TRUE(page.valid());
  EXPECT_EQ(page.inkIn(col(20), row(104), col(200), row(100)), 0) << "the refused texts left nothing";
  // Every text was shown on its own line: ink on each baseline band.
  y = 280;
  for (const char* text : hostile) {
    EXPECT_GT(page.inkIn(col(19), row(y + 4), col(80), row(y - 1)), 10) << text;
    y -= 10;
  }
  const std::string file = readAll(ps);
  EXPECT_NE(file.find("(\\(\\(x\\)) "), std::string::npos);
  EXPECT_NE(file.find("(a\\\\b) "), std::string::npos);
  EXPECT_NE(file.find("(line\\012break) "), std::string::npos);
}

TEST_F(PostScript, NumbersNoInterpreterCanTakeAreRefusedAndNothingIsWritten) {
  const std::string ps = path("numbers.ps");
  ASSERT_EQ(vxlibPs_fopen(ps.c_str()), 1);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double huge[] = {1e300, 10, 0, 20, 20, 0};
  const double nanPoint[] = {10, 10, 0, 20, nan, 0};
  const double good[] = {10, 10, 0, 20, 20, 0};
  const auto from = mark();
  vxlibPs_drawLine(std::numeric_limits<float>::quiet_NaN(), 0, 10, 10, 1);
  vxlibPs_drawLine(0, 0, 1e30f, 10, 1);
  vxlibPs_drawPolyline(huge, 2, 0.35, -1);
  vxlibPs_drawPolyline(nanPoint, 2, 0.35, -1);
  vxlibPs_drawPolyline(good, 2, inf, -1);
  vxlibPs_drawPolyline(nullptr, 2, 0.35, -1);
  vxlibPs_drawPolyline(good, 0, 0.35, -1);
  vxlibPs_drawPolylineExtended(good, 2, 0.35, "] 0 setdash (", -1);
  vxlibPs_drawPolylineExtended(good, 2, 0.35, nullptr, -1);
  vxlibPs_drawText(nan, 10, "x", 5, 0, 0);
  vxlibPs_drawText(10, 10, "x", 5, 1e300, 0);
  vxlibPs_drawArc(10, 10, inf, 0, 90, 1);
  vxlibPs_fillCirc(10, 10, 5, 0, 360, nan);
  vxlibPs_fillCirc(10, 10, 5, nan, 360, 0);
  EXPECT_EQ(textLines(from).size(), 14u);
  // A NaN fill value is no grey: the outline is drawn.
  vxlibPs_drawPolyline(good, 2, 0.35, nan);
  const Picture page = closeAndRender(ps);
  EXPECT_TRUE(page.valid());
  const std::string file = readAll(ps);
  EXPECT_EQ(file.find("nan"), std::string::npos);
  EXPECT_EQ(file.find("inf"), std::string::npos);
  EXPECT_EQ(file.find("setdash"), std::string::npos);
  EXPECT_NE(file.find("stroke\nshowpage"), std::string::npos);
}

// An EPS drawing of a black square 100 points wide at its origin, with `filler` in a comment.
std::string epsSquare(const std::string& filler) {
  return "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 100 100\n%" + filler +
         "\n0 0 moveto 100 0 lineto 100 100 lineto 0 100 lineto closepath fill\nshowpage\n";
}

TEST_F(PostScript, EpsFilesArePlacedWholeWhateverBytesTheyHold) {
  // A byte 255 early in the file: the square after it must still arrive.
  writeText(path("ff.eps"), epsSquare(std::string("\xff\xfe binary-looking comment")));
  // A DOS EPS file: header, the PostScript part, then a binary preview of NULs and 255s.
  const std::string body = epsSquare("dos");
  std::string dos = "\xc5\xd0\xd3\xc6";
  auto le32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v & 0xff), static_cast<char>(v >> 8 & 0xff), static_cast<char>(v >> 16 & 0xff),
                       static_cast<char>(v >> 24)};
  };
  dos += le32(30) + le32(static_cast<std::uint32_t>(body.size())) + le32(0) + le32(0) + le32(30 + body.size()) +
         le32(16) + "\xff\xff";
  dos += body + std::string(8, '\0') + std::string(8, '\xff');
  writeText(path("dos.eps"), dos);

  const std::string ps = path("eps.ps");
  ASSERT_EQ(vxlibPs_fopen(ps.c_str()), 1);
  EXPECT_EQ(vxlibPs_includeEPSFile(path("ff.eps").c_str(), 1, 1, 20, 20, 0), 1);
  EXPECT_EQ(vxlibPs_includeEPSFile(path("dos.eps").c_str(), 0.5, 0.5, 120, 20, 0), 1);
  vxlibPs_drawLine(10, 280, 200, 280, 0.5);  // drawing goes on after the inclusions
  const Picture page = closeAndRender(ps);
  ASSERT_TRUE(page.valid());
  // 100 points = 35.3 mm; the second at half scale.
  EXPECT_TRUE(page.ink(col(20 + 17), row(20 + 17)));
  EXPECT_TRUE(page.ink(col(120 + 8), row(20 + 8)));
  EXPECT_FALSE(page.ink(col(120 + 20), row(20 + 8))) << "the second square is scaled to half";
  EXPECT_TRUE(page.ink(col(100), row(280)));
  const std::string file = readAll(ps);
  EXPECT_NE(file.find("\xff\xfe binary-looking comment"), std::string::npos);
  EXPECT_EQ(file.find(std::string(8, '\0')), std::string::npos) << "the binary preview stays out";
}

TEST_F(PostScript, EpsFilesThatCannotBeReadAreReportedAndLeaveNoTrace) {
  const std::string ps = path("missing.ps");
  ASSERT_EQ(vxlibPs_fopen(ps.c_str()), 1);
  ASSERT_EQ(::mkfifo(path("pipe.eps").c_str(), 0600), 0);
  std::string badDos = "\xc5\xd0\xd3\xc6";
  badDos += std::string("\xff\xff\xff\x7f", 4) + std::string("\x10\0\0\0", 4) + std::string(20, ' ');
  writeText(path("baddos.eps"), badDos);
  const auto from = mark();
  EXPECT_EQ(vxlibPs_includeEPSFile(path("none.eps").c_str(), 1, 1, 0, 0, 0), 0);
  EXPECT_EQ(vxlibPs_includeEPSFile(dir_.c_str(), 1, 1, 0, 0, 0), 0);
  EXPECT_EQ(vxlibPs_includeEPSFile(path("pipe.eps").c_str(), 1, 1, 0, 0, 0), 0) << "a pipe is never waited on";
  EXPECT_EQ(vxlibPs_includeEPSFile(path("baddos.eps").c_str(), 1, 1, 0, 0, 0), 0);
  EXPECT_EQ(vxlibPs_includeEPSFile(nullptr, 1, 1, 0, 0, 0), 0);
  EXPECT_EQ(textLines(from), (std::vector<std::string>{"vxpslib: unable to load " + path("none.eps") + ".\n",
                                                        "vxpslib: unable to load " + dir_ + ".\n",
                                                        "vxpslib: unable to load " + path("pipe.eps") + ".\n",
                                                        "vxpslib: unable to load " + path("baddos.eps") + ".\n",
                                                        "vxpslib: unable to load .\n"}));
  closeAndRender(ps);
  EXPECT_EQ(readAll(ps).find("EPSsave"), std::string::npos);
}

TEST_F(PostScript, APlotThatCannotBeWrittenSaysSoAndDrawingOnNothingIsHarmless) {
  const auto from = mark();
  EXPECT_EQ(vxlibPs_fopen(path("no/such/dir/x.ps").c_str()), 0);
  EXPECT_EQ(vxlibPs_fopen(dir_.c_str()), 0);
  EXPECT_EQ(vxlibPs_fopen(nullptr), 0);
  EXPECT_EQ(textLines(from), (std::vector<std::string>{"vxpslib: cannot open " + path("no/such/dir/x.ps") + ".\n",
                                                        "vxpslib: cannot open " + dir_ + ".\n",
                                                        "vxpslib: cannot open .\n"}));
  const double line[] = {0, 0, 0, 1, 1, 0};
  vxlibPs_drawPolyline(line, 2, 1, -1);
  vxlibPs_drawText(1, 1, "x", 1, 0, 0);
  vxlibPs_newPage();
  EXPECT_EQ(vxlibPs_includeEPSFile(path("x.eps").c_str(), 1, 1, 0, 0, 0), 0);
  EXPECT_EQ(vxlibPs_fclose(), VXLIB_ERROR);
  EXPECT_FALSE(std::filesystem::exists(path("no")));
}

TEST_F(PostScript, OpeningAnotherPlotFinishesTheFirstAndAnOldFileStaysUntilTheNewIsComplete) {
  writeText(path("a.ps"), "old plot\n");
  ASSERT_EQ(vxlibPs_fopen(path("a.ps").c_str()), 1);
  vxlibPs_fillCirc(50, 50, 10, 0, 360, 0);
  EXPECT_EQ(readAll(path("a.ps")), "old plot\n") << "the old file stays while the new one is written";
  ASSERT_EQ(vxlibPs_fopen(path("b.ps").c_str()), 1);
  const std::string first = readAll(path("a.ps"));
  EXPECT_EQ(first.substr(first.size() - 9), "showpage\n") << "the first plot was ended and written";
  const ToolRun run = renderPostScript(path("a.ps"), path("first"));
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(readPbm(path("first.1.pbm")).ink(col(50), row(50)));
}

}  // namespace
}  // namespace pixmend::vxlib
