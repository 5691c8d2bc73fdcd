// Printing pages from the preview, checked in the files written: a range of pages to PostScript
// rendered with Ghostscript (each page on a sheet of its own, a turned page drawn turned inside
// the paper's margins), the current page to a text file (a turned page's texts kept), and the
// finished file sent to the printer's command line, never an unfinished one. And where the sheet
// lies in the preview's drawing area.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/design/design.hpp"
#include "host/dialog/manager.hpp"
#include "vxlib/services/pages/preview.hpp"
#include "vxlib/services/plot/plot.hpp"
#include "vxlib/services/plot/plot_fixture.hpp"

namespace pixmend::vxlib {
namespace {

using namespace pages;

// Page i: a frame and a diagonal from its first corner to its centre, and its name as a text near
// the top left; even pages wide (400 x 200), odd pages tall (200 x 400).
int buildPage(int index, const char* name, MSElementDescr** descriptor, int) {
  const bool wide = index % 2 == 0;
  const double w = wide ? 400 : 200, h = wide ? 200 : 400;
  const DPoint3d frame[5] = {{0, 0, 0}, {w, 0, 0}, {w, h, 0}, {0, h, 0}, {0, 0, 0}};
  MSElement e;
  mdlShape_create(&e, nullptr, frame, 5, 0);
  mdlElmdscr_new(descriptor, &e);
  const DPoint3d diagonal[2] = {{0, 0, 0}, {w / 2, h / 2, 0}};
  mdlLine_create(&e, nullptr, diagonal);
  mdlElmdscr_appendElement(*descriptor, &e);
  const TextSize size{10, 10};
  const DPoint3d origin{10, h - 20, 0};
  if (mdlText_create(&e, nullptr, name, &origin, nullptr, &size, nullptr, nullptr) == 0)
    mdlElmdscr_appendElement(*descriptor, &e);
  return 0;
}

class PrintingPages : public PlotTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    // Without the print set-up's resources the print dialog is the test application's plain one.
    std::string extra;
    if (!std::filesystem::exists(PIXMEND_SOURCE_DIR "/resources/vxlib/printsetup.json"))
      extra = readAll(PIXMEND_SOURCE_DIR "/tests/apps/vxpages/printdialog.json");
    app_ = addApp("Pager", "/opt/vx/app/bin/lib/libapp.so", extra);
    start(app_);
    scope_ = std::make_unique<host::AppScope>(app_);
    std::string error;
    ASSERT_TRUE(host::createDesign(path("plan.dgn"), &error)) << error;
    // Upright A4, margins left 20, right 10, top 10, bottom 10, automatic orientation.
    PrinterSetup s;
    s.width = 210;
    s.height = 297;
    s.outputFile = path("pages.ps");
    s.fileOnly = true;
    storePrinterSetup(s);
    for (int i = 0; i < 5; ++i) names_.push_back("P" + std::to_string(i + 1));
    for (auto& n : names_) list_.push_back(n.data());
    list_.push_back(nullptr);
  }
  void open(int startPage) {
    ASSERT_EQ(vxlibPreview_dialogOpenExtended(5, startPage, list_.data(), &buildPage, nullptr), 0);
  }
  void print(const std::string& answer = "ok") {
    host::queueAnswer(answer);
    std::string error;
    ASSERT_TRUE(host::pressButton(kPreviewDialog, kPreviewFirstButton, &error)) << error;
  }
  static int count(const std::string& text, const std::string& word) {
    int n = 0;
    for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
    return n;
  }
  // Ink within a millimetre of the page point (x, y) mm.
  static bool inkNear(const Picture& p, double x, double y) { return p.inkIn(col(x) - 10, row(y) - 10, col(x) + 10, row(y) + 10) > 0; }

  std::vector<std::string> names_;
  std::vector<char*> list_;
};

TEST_F(PrintingPages, RangeTwoToFourGivesThreeSheetsWithTheWidePageTurned) {
  open(1);
  char* settings = printSettings();
  setRecordInt(settings, kSettingsRange, kRangeFromTo);
  setRecordInt(settings, kSettingsFirst, 1);
  setRecordInt(settings, kSettingsLast, 3);
  const std::size_t from = mark();
  print();
  const std::string ps = readAll(path("pages.ps"));
  EXPECT_EQ(count(ps, "showpage"), 3);
  EXPECT_EQ(texts("error", from), (std::vector<std::string>{"Page P2", "Page P3", "Page P4", "Output done."}));

  if (!haveTool("gs")) GTEST_SKIP() << "Ghostscript is not installed";
  ASSERT_EQ(renderPostScript(path("pages.ps"), path("sheet")).status, 0);
  EXPECT_FALSE(std::filesystem::exists(path("sheet.4.pbm")));
  // Inside the margins the printable area is (20, 10) to (200, 287). A tall page, and the wide
  // page turned to stand tall, fill its height at 277 / 400: 138.5 mm wide, centred from x 40.75.
  // The diagonal runs from the page's first corner: the lower left of a tall page, the lower
  // right of the turned one.
  for (int sheet = 1; sheet <= 3; ++sheet) {
    SCOPED_TRACE("sheet " + std::to_string(sheet));
    const Picture p = readPbm(path("sheet." + std::to_string(sheet) + ".pbm"));
    ASSERT_TRUE(p.valid());
    EXPECT_TRUE(inkNear(p, 40.75, 150)) << "the frame's left side";
    EXPECT_TRUE(inkNear(p, 179.25, 150)) << "the frame's right side";
    EXPECT_FALSE(inkNear(p, 30, 150)) << "the left margin stays clean";
    const bool turned = sheet == 2;
    EXPECT_EQ(inkNear(p, 75.4, 79.25), !turned) << "diagonal from the lower left";
    EXPECT_EQ(inkNear(p, 144.6, 79.25), turned) << "diagonal from the lower right";
  }
}

TEST_F(PrintingPages, TextFileHoldsTheCurrentPageOnlyWithATurnedPagesTexts) {
  PrinterSetup s = printerSetup();
  s.outputType = kOutputTextFile;
  storePrinterSetup(s);
  open(0);  // P1 is wide: printed turned on upright A4
  setRecordInt(printSettings(), kSettingsRange, kRangeAll);
  print(path("pages.txt"));
  const std::string text = readAll(path("pages.txt"));
  EXPECT_NE(text.find("P1"), std::string::npos) << text;
  EXPECT_EQ(text.find("P2"), std::string::npos) << text;
  EXPECT_EQ(plot::pageAngle(), 0.0) << "the page angle is back for the next print";
}

TEST_F(PrintingPages, TheFinishedFileGoesToThePrinterAndAFailedOneNever) {
  PrinterSetup s = printerSetup();
  s.fileOnly = false;
  s.printer = "cp %s " + path("printed.ps");
  storePrinterSetup(s);
  open(2);
  const std::size_t sent = mark();
  print();
  EXPECT_EQ(readAll(path("printed.ps")), readAll(path("pages.ps")));
  EXPECT_EQ(texts("error", sent),
            (std::vector<std::string>{"Page P3", "Sending the output to the printer.", "Output done."}));

  // An output file that cannot be written: reported by the driver, nothing sent, not done.
  std::filesystem::remove(path("printed.ps"));
  s.outputFile = path("missing/pages.ps");
  storePrinterSetup(s);
  const std::size_t from = mark();
  print();
  EXPECT_FALSE(std::filesystem::exists(path("printed.ps")));
  EXPECT_TRUE(texts("error", from).empty()) << "nothing is printed into no file";
  EXPECT_FALSE(texts("text", from).empty()) << "the driver says why";

  // A cancelled print dialog: nothing at all.
  const std::size_t cancelled = mark();
  print("cancel");
  EXPECT_TRUE(texts("error", cancelled).empty());
}

// Where the sheet lies in a drawing area 202 x 302 pixels (200 x 300 inside its edge).
TEST(PreviewSheet, PaperFittedAndMarginsInProportionOrNothingWhenNothingIsLeft) {
  const BSIRect area{{0, 0}, {202, 302}};
  // A4 upright fits by its width: 200 / 210 pixels per mm.
  SheetGeometry g = sheetGeometry(area, {210, 297, 21, 10.5, 10.5, 21, false});
  ASSERT_TRUE(g.drawable);
  const double scale = 200.0 / 210.0, top = (300 - 297 * scale) / 2 + 1;
  EXPECT_EQ(g.paper.origin.x, 1);
  EXPECT_EQ(g.paper.corner.x, 201);
  EXPECT_EQ(g.paper.origin.y, std::lround(top));
  EXPECT_EQ(g.inner.origin.x, 21);
  EXPECT_EQ(g.inner.corner.x, 191);
  EXPECT_EQ(g.inner.origin.y, std::lround(top + 10.5 * scale));
  EXPECT_EQ(g.inner.corner.y, std::lround(top + (297 - 21) * scale));

  g = sheetGeometry(area, {210, 297, 110, 100, 10, 10, false});
  EXPECT_TRUE(g.paperShown);
  EXPECT_FALSE(g.drawable) << "margins that leave nothing of the paper";
  g = sheetGeometry(area, {0, 0, 20, 10, 10, 10, false});
  EXPECT_FALSE(g.paperShown) << "a paper without size";
  g = sheetGeometry(BSIRect{{0, 0}, {2, 300}}, {210, 297, 20, 10, 10, 10, false});
  EXPECT_FALSE(g.paperShown) << "a window too narrow for any drawing area";
}

}  // namespace
}  // namespace pixmend::vxlib
