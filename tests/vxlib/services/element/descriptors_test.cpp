// The descriptor family: a flat descriptor fitted into a box by its width alone and centred
// across, boxes given from either corner, and a circle drawn into a window rectangle at the
// scale that fits it (its pixels checked where they lie clear of the stroke's edge).
#include <gtest/gtest.h>

#include <cmath>

#include "host/dialog/dialog.hpp"
#include "host/mdl.h"
#include "host/system/application.hpp"
#include "vxlib/core/vxlib_fixture.hpp"

namespace pixmend::vxlib {
namespace {

class ElemDscr : public VxlibTest {
 protected:
  void TearDown() override {
    mdlElmdscr_freeAll(&descr);
    VxlibTest::TearDown();
  }
  void makeLine(const DPoint3d& a, const DPoint3d& b) {
    mdlElmdscr_freeAll(&descr);
    MSElement line;
    const DPoint3d points[2] = {a, b};
    ASSERT_EQ(mdlLine_create(&line, nullptr, points), 0);
    ASSERT_EQ(mdlElmdscr_new(&descr, &line), 0);
  }
  DPoint3d vertex(int i) {
    DPoint3d points[2];
    int count = 0;
    EXPECT_EQ(mdlLinear_extract(points, &count, mdlElmdscr_getElement(descr), nullptr), 0);
    return points[i];
  }
  MSElementDescr* descr = nullptr;
};

TEST_F(ElemDscr, AFlatDescriptorIsScaledByItsWidthAloneAndCentredAcrossTheBox) {
  makeLine({2, 3, 0}, {12, 3, 0});  // 10 wide, no height
  DPoint3d box[4] = {{0, 0, 0}, {100, 0, 0}, {100, 50, 0}, {0, 50, 0}};
  ASSERT_EQ(vxlibElemDscr_placeElementDescr(box, 1, descr), VXLIB_SUCCESS);
  // Scale 10 (100 / 10; the height counts as 0.0001), so it spans the box and sits half way up
  // (less half of 0.0001 x 10).
  EXPECT_NEAR(vertex(0).x, 0, 1e-9);
  EXPECT_NEAR(vertex(1).x, 100, 1e-9);
  EXPECT_NEAR(vertex(0).y, 25 - 0.0005, 1e-9);
  DPoint3d range[2];
  ASSERT_EQ(vxlibElemDscr_getRange(range, descr), VXLIB_SUCCESS);
  EXPECT_NEAR(range[1].x, 100, 1e-9);

  // Without moving it is only scaled about the design's origin.
  makeLine({2, 3, 0}, {12, 3, 0});
  ASSERT_EQ(vxlibElemDscr_placeElementDescr(box, 0, descr), VXLIB_SUCCESS);
  EXPECT_NEAR(vertex(0).x, 20, 1e-9);
  EXPECT_NEAR(vertex(0).y, 30, 1e-9);

  // A box given from its upper right corner fits the same way (not turned over).
  makeLine({2, 3, 0}, {12, 3, 0});
  DPoint3d reversed[3] = {{100, 50, 0}, {0, 0, 0}, {0, 0, 0}};
  ASSERT_EQ(vxlibElemDscr_placeElementDescr(reversed, 1, descr), VXLIB_SUCCESS);
  EXPECT_NEAR(vertex(0).x, 0, 1e-9);
  EXPECT_NEAR(vertex(1).x, 100, 1e-9);

  // A box without width or height is one unit across: the line is fitted into 1 x 1.
  makeLine({2, 3, 0}, {12, 3, 0});
  DPoint3d point[3] = {{5, 5, 0}, {0, 0, 0}, {5, 5, 0}};
  ASSERT_EQ(vxlibElemDscr_placeElementDescr(point, 1, descr), VXLIB_SUCCESS);
  EXPECT_NEAR(vertex(0).x, 5, 1e-9);
  EXPECT_NEAR(vertex(1).x, 6, 1e-9);
  EXPECT_EQ(vxlibElemDscr_placeElementDescr(point, 1, nullptr), VXLIB_ERROR);
}

TEST_F(ElemDscr, ACircleIsDrawnIntoTheRectangleAtTheScaleThatFitsIt) {
  host::Application* app = addApp("Cells", "/opt/vx/app/bin/lib/libcells.so", R"({"resources": [
    {"kind": "dialog", "id": 30001, "title": "Cell", "width": 200, "height": 100, "items": [
      {"type": "label", "id": 1, "x": 150, "y": 80, "label": "x"}]}]})");
  host::AppScope scope(app);
  MSDialog* db = mdlDialog_open(0, 30001);
  ASSERT_NE(db, nullptr);
  MSElement circle;
  const DPoint3d centre{50, 50, 0};
  const unsigned red = 3;
  ASSERT_EQ(mdlEllipse_create(&circle, nullptr, &centre, 10, 10, nullptr, 0), 0);
  ASSERT_EQ(mdlElement_setSymbology(&circle, &red, nullptr, nullptr), 0);
  ASSERT_EQ(mdlElmdscr_new(&descr, &circle), 0);
  const auto pixel = [&](int x, int y) {
    const std::uint8_t* p = &db->canvas.rgb[(static_cast<std::size_t>(y) * db->canvas.width + x) * 3];
    return std::array<int, 3>{p[0], p[1], p[2]};
  };
  const auto background = pixel(60, 35);
  BSIRect rect{{10, 10}, {110, 60}};  // 100 x 50: the 20-unit circle is drawn 50 pixels across
  ASSERT_EQ(vxlibElemDscr_drawElementDescr(db, &rect, descr, nullptr, DRAW_MODE_Normal), VXLIB_SUCCESS);
  // Centred at (60, 35), radius 25: the pixels at 45 degrees lie a quarter pixel inside the curve.
  for (const auto& [x, y] : {std::pair{77, 17}, {42, 17}, {77, 52}, {42, 52}}) {
    EXPECT_EQ(pixel(x, y), (std::array<int, 3>{255, 0, 0})) << x << "," << y;
  }
  EXPECT_EQ(pixel(60, 35), background);  // not filled
  EXPECT_EQ(pixel(60, 20), background);
  EXPECT_EQ(pixel(105, 35), background);  // inside the rectangle, clear of the circle
  BSIRect empty{{10, 10}, {10, 60}};
  EXPECT_EQ(vxlibElemDscr_drawElementDescr(db, &empty, descr, nullptr, DRAW_MODE_Normal), VXLIB_ERROR);
}

}  // namespace
}  // namespace pixmend::vxlib
