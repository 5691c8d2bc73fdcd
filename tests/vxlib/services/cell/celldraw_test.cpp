// A cell drawn into a dialog item (frame, black ground, the cell fitted, the centre cross) and
// cells merged: the elements of a cell taken without its header, the result unturned with its
// origin kept.
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "host/design/cells.hpp"
#include "host/design/designfile.hpp"
#include "host/dialog/dialog.hpp"
#include "host/system/application.hpp"
#include "host/view/layout.hpp"
#include "vxlib/core/vxlib_fixture.hpp"

namespace pixmend::vxlib {
namespace {

class CellDrawing : public VxlibTest {};

TEST_F(CellDrawing, TheCellIsFittedOnBlackInASunkenFrameWithItsCentreCross) {
  // The cell: a red diagonal from (0, 0) to (10, 10).
  host::DesignContent source = host::newDesignContent(), library = host::newDesignContent();
  MSElement line;
  const DPoint3d points[2] = {{0, 0, 0}, {10, 10, 0}};
  const unsigned red = 3;
  ASSERT_EQ(mdlLine_create(&line, nullptr, points), 0);
  ASSERT_EQ(mdlElement_setSymbology(&line, &red, nullptr, nullptr), 0);
  const auto* b = reinterpret_cast<const std::uint8_t*>(line.buf);
  source.elements.push_back({0, 1, std::vector<std::uint8_t>(b, b + line.ehdr.sizeWords * 2), ""});
  source.models[0].nextPosition = 2;
  std::string error;
  ASSERT_TRUE(host::addCell(&library, source, 0, "DIAG", "", &error)) << error;
  ASSERT_TRUE(host::writeDesignFile(path("lib.cel"), library, &error)) << error;
  ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, path("lib.cel").c_str(), nullptr, 0), 0);

  host::Application* app = addApp("Cells", "/opt/vx/app/bin/lib/libcells.so", R"({"resources": [
    {"kind": "dialog", "id": 30001, "title": "Cell", "width": 200, "height": 100, "items": [
      {"type": "label", "id": 1, "x": 150, "y": 80, "label": "x"}]}]})");
  host::AppScope scope(app);
  MSDialog* db = mdlDialog_open(0, 30001);
  ASSERT_NE(db, nullptr);
  const BSIRect rect{{10, 10}, {110, 60}};
  ASSERT_EQ(mdlDialog_itemSetRect(db, 0, &rect), 0);
  const auto pixel = [&](int x, int y) {
    const std::uint8_t* p = &db->canvas.rgb[(static_cast<std::size_t>(y) * db->canvas.width + x) * 3];
    return std::array<int, 3>{p[0], p[1], p[2]};
  };
  const auto background = pixel(5, 5);
  EXPECT_EQ(vxlibCell_drawCell("nothing", db, 0, 0, 3), VXLIB_ERROR);
  EXPECT_EQ(pixel(30, 30), background) << "no cell: nothing but the frame";
  ASSERT_EQ(vxlibCell_drawCell("diag", db, 0, 0, 3), 0);
  const std::array<int, 3> black{0, 0, 0}, white{255, 255, 255}, grey{128, 128, 128};
  EXPECT_EQ(pixel(10, 30), grey) << "the frame's shaded left edge";
  EXPECT_EQ(pixel(109, 30), white) << "its lit right edge";
  EXPECT_EQ(pixel(11, 30), background) << "between the frame and the ground";
  EXPECT_EQ(pixel(20, 20), black);
  // The inner rectangle (12, 12)-(108, 58) is 96 x 46: the 10 x 10 cell is drawn 46 pixels
  // square from x 37; design (2.5, 2.5) falls on the centre of pixel (48, 46).
  EXPECT_EQ(pixel(48, 46), (std::array<int, 3>{255, 0, 0}));
  EXPECT_EQ(pixel(59, 20), white) << "the vertical centre line";
  EXPECT_EQ(pixel(20, 34), white) << "the horizontal one";
  EXPECT_EQ(mdlCell_getLibraryCellCount(), 2) << "the library stays attached";
}

TEST_F(CellDrawing, MergedCellsGiveTheirElementsAndTheCellIsUnturnedAboutItsKeptOrigin) {
  const auto header = [](const char16_t* name, double degrees, MSElementDescr** out) {
    auto e = std::make_unique<MSElement>();
    ASSERT_EQ(host::newCellHeader(e.get(), name, u""), 0);
    const double a = degrees * M_PI / 180;
    RotMatrix r{};
    r.form3d[0][0] = std::cos(a), r.form3d[0][1] = -std::sin(a), r.form3d[1][0] = std::sin(a);
    r.form3d[1][1] = std::cos(a), r.form3d[2][2] = 1;
    host::element::putRotation(*e, host::element::kCellRotation, r);
    const DPoint3d origin{5, 5, 0};
    ASSERT_EQ(mdlCell_setOrigin(e.get(), &origin, nullptr), 0);
    ASSERT_EQ(mdlElmdscr_new(out, e.get()), 0);
  };
  MSElementDescr *cell = nullptr, *inner = nullptr, *loose = nullptr;
  header(u"PAGE", 90, &cell);
  header(u"INNER", 0, &inner);
  MSElement line;
  const DPoint3d points[2] = {{1, 0, 0}, {2, 0, 0}};
  ASSERT_EQ(mdlLine_create(&line, nullptr, points), 0);
  ASSERT_EQ(mdlElmdscr_new(&loose, &line), 0);
  const DPoint3d at{0, 0, 0};
  auto text = std::make_unique<MSElement>();
  ASSERT_EQ(mdlText_create(text.get(), nullptr, "t", &at, nullptr, nullptr, nullptr, nullptr), 0);
  ASSERT_EQ(mdlElmdscr_appendElement(inner, text.get()), 0);

  ASSERT_EQ(vxlibCell_mergeCells(cell, loose, inner), 0);
  std::vector<int> types;
  for (MSElementDescr* c = mdlElmdscr_firstComponent(cell); c != nullptr; c = mdlElmdscr_next(c))
    types.push_back(mdlElement_getType(mdlElmdscr_getElement(c)));
  EXPECT_EQ(types, (std::vector<int>{LINE_ELM, TEXT_ELM})) << "the inner cell's text, not its header";
  DPoint3d origin{};
  RotMatrix r{};
  ASSERT_EQ(mdlCell_extract(&origin, &r, mdlElmdscr_getElement(cell)), 0);
  EXPECT_EQ(origin.x, 5);
  EXPECT_EQ(origin.y, 5);
  EXPECT_NEAR(r.form3d[0][0], 1, 1e-12);
  EXPECT_NEAR(r.form3d[0][1], 0, 1e-12);
  DPoint3d moved[2];
  int count = 0;
  ASSERT_EQ(mdlLinear_extract(moved, &count, mdlElmdscr_getElement(mdlElmdscr_firstComponent(cell)), nullptr), 0);
  EXPECT_NEAR(moved[0].x, 0, 1e-12) << "turned back a quarter: (1, 0) goes to (0, -1)";
  EXPECT_NEAR(moved[0].y, -1, 1e-12);
  mdlElmdscr_freeAll(&cell);
  mdlElmdscr_freeAll(&inner);
  mdlElmdscr_freeAll(&loose);
}

}  // namespace
}  // namespace pixmend::vxlib
