// Ellipses and arcs as built (arcs by centre in every quadrant and both directions, refusals that
// leave the output alone), the standard views and inverses, and the current coordinate system
// changing relative to itself and nesting.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "host/design/api.h"
#include "host/lifecycle.hpp"
#include "host/view/api.h"
#include "host/view/currtrans.hpp"
#include "host/view/geometry.hpp"
#include "host/view/layout.hpp"

namespace pixmend::host {
namespace {

namespace el = element;
constexpr double kPi = 3.14159265358979323846;

class Conics : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    arc = std::make_unique<MSElement>();
  }
  void TearDown() override { resetHost(); }

  // Where the arc's end lies, from its stored fields alone.
  DPoint3d endOf(const MSElement& e) {
    const RotMatrix r = el::getRotation(e, el::kRotation);
    const double t = el::getDouble(e, el::kStartAngle) + el::getDouble(e, el::kSweepAngle);
    const double a = el::getDouble(e, el::kPrimaryAxis), b = el::getDouble(e, el::kSecondaryAxis);
    const DPoint3d c = el::getPoint(e, el::kCentre);
    return {c.x + a * std::cos(t) * r.form3d[0][0] + b * std::sin(t) * r.form3d[0][1],
            c.y + a * std::cos(t) * r.form3d[1][0] + b * std::sin(t) * r.form3d[1][1],
            c.z + a * std::cos(t) * r.form3d[2][0] + b * std::sin(t) * r.form3d[2][1]};
  }

  std::unique_ptr<MSElement> arc;
};

TEST_F(Conics, ArcsByCentreRunFromStartToEndInTheAskedDirection) {
  const DPoint3d centre{10, 20, 0};
  struct Case {
    DPoint3d start, end;
    int clockwise;
    double sweepDegrees;
  };
  const Case cases[] = {
      {{15, 20, 0}, {10, 25, 0}, 0, 90},     // first quadrant, counter-clockwise
      {{15, 20, 0}, {10, 25, 0}, 1, -270},   // the same ends the long way round
      {{5, 20, 0}, {10, 15, 0}, 0, 90},      // third quadrant
      {{10, 15, 0}, {15, 20, 0}, 0, 90},     // from below to the right
      {{10, 15, 0}, {5, 20, 0}, 1, -90},     // from below to the left, clockwise
      {{15, 20, 0}, {15, 20, 0}, 0, 360},    // end on the start: the whole circle
      {{15, 20, 0}, {20, 20, 0}, 1, -360},   // end further out on the start's ray
  };
  for (const Case& c : cases) {
    ASSERT_EQ(mdlArc_createByCenter(arc.get(), nullptr, &c.start, &c.end, &centre, nullptr, c.clockwise), 0);
    EXPECT_EQ(el::typeOf(*arc), ARC_ELM);
    EXPECT_EQ(el::bytesOf(*arc), el::kArcBytes);
    EXPECT_TRUE(el::checkImage(reinterpret_cast<const std::uint8_t*>(arc->buf), el::kArcBytes).empty());
    EXPECT_NEAR(el::getDouble(*arc, el::kSweepAngle) * 180 / kPi, c.sweepDegrees, 1e-9) << c.start.x << "," << c.start.y;
    EXPECT_DOUBLE_EQ(el::getDouble(*arc, el::kPrimaryAxis), 5);
    // The end lies on the circle in the direction of the given end.
    const DPoint3d end = endOf(*arc);
    const double dx = c.end.x - centre.x, dy = c.end.y - centre.y, k = 5 / std::hypot(dx, dy);
    EXPECT_NEAR(end.x, centre.x + dx * k, 1e-9);
    EXPECT_NEAR(end.y, centre.y + dy * k, 1e-9);
  }
}

TEST_F(Conics, AnArcAboutADownwardNormalTurnsTheOtherWayAsSeenFromAbove) {
  const DPoint3d centre{0, 0, 0}, start{1, 0, 0}, end{0, 1, 0}, down{0, 0, -2};
  ASSERT_EQ(mdlArc_createByCenter(arc.get(), nullptr, &start, &end, &centre, &down, 0), 0);
  // Counter-clockwise about -z is clockwise from above: three quarters of a turn, through (0,-1).
  EXPECT_NEAR(std::fabs(el::getDouble(*arc, el::kSweepAngle)), 1.5 * kPi, 1e-12);
  const RotMatrix r = el::getRotation(*arc, el::kRotation);
  EXPECT_NEAR(r.form3d[2][2], -1, 1e-12);  // the arc's normal
  const DPoint3d e = endOf(*arc);
  EXPECT_NEAR(e.x, 0, 1e-12);
  EXPECT_NEAR(e.y, 1, 1e-12);
}

TEST_F(Conics, BadArgumentsAreRefusedAndLeaveTheOutputAlone) {
  std::memset(arc.get(), 0x5a, sizeof(MSElement));
  const MSElement before = *arc;
  const DPoint3d centre{0, 0, 0}, start{0, 0, 0}, end{1, 0, 0}, zero{0, 0, 0}, far{1e300, 0, 0};
  const RotMatrix skewed{{{1, 0.5, 0}, {0, 1, 0}, {0, 0, 1}}};
  EXPECT_EQ(mdlArc_createByCenter(arc.get(), nullptr, &start, &end, &centre, nullptr, 0), MDLERR_BADARG);
  EXPECT_EQ(mdlArc_createByCenter(arc.get(), nullptr, &end, &end, &centre, &zero, 0), MDLERR_BADARG);
  EXPECT_EQ(mdlArc_create(arc.get(), nullptr, &centre, 0, 1, nullptr, 0, 1), MDLERR_BADARG);
  EXPECT_EQ(mdlArc_create(arc.get(), nullptr, &centre, 1, NAN, nullptr, 0, 1), MDLERR_BADARG);
  EXPECT_EQ(mdlArc_create(arc.get(), nullptr, &centre, 1, 1, nullptr, 0, 7), MDLERR_BADARG);  // more than a turn
  EXPECT_EQ(mdlEllipse_create(arc.get(), nullptr, &centre, 2, 1, &skewed, 0), MDLERR_BADARG);
  EXPECT_EQ(mdlEllipse_create(arc.get(), nullptr, &far, 2, 1, nullptr, 0), MDLERR_OUTOFDESIGNPLANE);
  EXPECT_EQ(mdlEllipse_create(arc.get(), nullptr, &centre, 1e300, 1, nullptr, 0), MDLERR_OUTOFDESIGNPLANE);
  EXPECT_EQ(std::memcmp(arc.get(), &before, sizeof(MSElement)), 0);
}

TEST_F(Conics, AnEllipseTakesItsTemplatesLevelAndSymbologyEvenFromItself) {
  const DPoint3d points[2] = {{0, 0, 0}, {1, 1, 0}};
  ASSERT_EQ(mdlLine_create(arc.get(), nullptr, points), 0);
  const unsigned colour = 5, weight = 3;
  const int style = 2;
  ASSERT_EQ(mdlElement_setSymbology(arc.get(), &colour, &weight, &style), 0);
  el::put32(*arc, el::kLevel, 7);
  const DPoint3d centre{3, 4, 0};
  ASSERT_EQ(mdlEllipse_create(arc.get(), arc.get(), &centre, 2, 1, nullptr, 1), 0);
  EXPECT_EQ(el::typeOf(*arc), ELLIPSE_ELM);
  EXPECT_EQ(el::bytesOf(*arc), el::kEllipseBytes);
  EXPECT_EQ(el::get32(*arc, el::kLevel), 7u);
  EXPECT_EQ(el::get32(*arc, el::kColor), 5u);
  EXPECT_EQ(el::get32(*arc, el::kWeight), 3u);
  EXPECT_EQ(el::get32(*arc, el::kStyle), 2u);
  EXPECT_EQ(el::get32(*arc, el::kConicFill), 1u);
  EXPECT_EQ(mdlElement_isFilled(arc.get()), 1);
  ASSERT_EQ(mdlArc_create(arc.get(), arc.get(), &centre, 2, 1, nullptr, 0, 1), 0);
  EXPECT_EQ(mdlElement_isFilled(arc.get()), 0);  // an arc has nothing to fill
}

TEST(Rotations, StandardViewsAreRotationsThatShowTheirSide) {
  for (int view = 1; view <= 8; ++view) {
    RotMatrix r;
    ASSERT_EQ(mdlRMatrix_getStandard(&r, view), 0);
    EXPECT_NEAR(geometry::determinant(r), 1, 1e-12) << view;
    RotMatrix product = geometry::multiply(r, [&] {
      RotMatrix t;
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t.form3d[i][j] = r.form3d[j][i];
      return t;
    }());
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) EXPECT_NEAR(product.form3d[i][j], i == j ? 1 : 0, 1e-12) << view;
  }
  RotMatrix front;
  ASSERT_EQ(mdlRMatrix_getStandard(&front, 5), 0);
  DPoint3d up{0, 0, 1};
  mdlRMatrix_rotatePoint(&up, &front);
  EXPECT_NEAR(up.y, 1, 1e-12);  // design z is up on the screen in a front view
  RotMatrix untouched = front;
  EXPECT_EQ(mdlRMatrix_getStandard(&untouched, 9), MDLERR_BADARG);
  EXPECT_EQ(std::memcmp(&untouched, &front, sizeof front), 0);
}

TEST(Rotations, InverseUndoesATurnAndSingularMatricesAreRefused) {
  RotMatrix turn, inverse;
  mdlRMatrix_fromAngle(&turn, 0.7);
  turn.form3d[2][2] = 3;  // not a rotation: the inverse is still exact
  ASSERT_EQ(mdlRMatrix_invert(&inverse, &turn), 0);
  const RotMatrix product = geometry::multiply(turn, inverse);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(product.form3d[i][j], i == j ? 1 : 0, 1e-12);
  ASSERT_EQ(mdlRMatrix_invert(&turn, &turn), 0);  // in place
  EXPECT_NEAR(turn.form3d[0][1], std::sin(0.7), 1e-12);
  RotMatrix flat{{{1, 0, 0}, {0, 1, 0}, {0, 0, 0}}}, out = turn;
  EXPECT_EQ(mdlRMatrix_invert(&out, &flat), MDLERR_BADARG);
  EXPECT_EQ(std::memcmp(&out, &turn, sizeof out), 0);
}

class CurrentSystem : public ::testing::Test {
 protected:
  void SetUp() override { resetHost(); }
  void TearDown() override { resetHost(); }
};

TEST_F(CurrentSystem, ChangesApplyRelativeToTheSystemBeforeThemInCallOrder) {
  // Origin at (100, 50), then one unit worth 2, then the axes turned 90 degrees: the second
  // origin is given in the scaled, turned units.
  const DPoint3d o1{100, 50, 0}, o2{5, 0, 0};
  ASSERT_EQ(mdlCurrTrans_origin(&o1), 0);
  ASSERT_EQ(mdlCurrTrans_scale(2, 2, 2), 0);
  ASSERT_EQ(mdlCurrTrans_rotateByAngles(0, 0, kPi / 2), 0);
  ASSERT_EQ(mdlCurrTrans_origin(&o2), 0);  // 5 along the turned x axis: design (100, 60)
  const DPoint3d p = designToCurrent({100, 60, 0});
  EXPECT_NEAR(p.x, 0, 1e-12);
  EXPECT_NEAR(p.y, 0, 1e-12);
  const DPoint3d q = designToCurrent({98, 60, 0});  // 2 design units along -x: one unit along turned +y
  EXPECT_NEAR(q.x, 0, 1e-12);
  EXPECT_NEAR(q.y, 1, 1e-12);
  EXPECT_EQ(mdlCurrTrans_scale(0, 1, 1), MDLERR_BADARG);
  EXPECT_EQ(mdlCurrTrans_origin(nullptr), MDLERR_BADARG);
  EXPECT_NEAR(designToCurrent({98, 60, 0}).y, 1, 1e-12);  // refused changes changed nothing
}

TEST_F(CurrentSystem, BeginAndEndNestAndIdentityKeepsWhatWasSaved) {
  EXPECT_EQ(mdlCurrTrans_end(), MDLERR_BADARG);
  const DPoint3d o{10, 0, 0};
  ASSERT_EQ(mdlCurrTrans_begin(), 0);
  ASSERT_EQ(mdlCurrTrans_origin(&o), 0);
  ASSERT_EQ(mdlCurrTrans_begin(), 0);
  ASSERT_EQ(mdlCurrTrans_scale(10, 10, 10), 0);
  EXPECT_NEAR(designToCurrent({30, 0, 0}).x, 2, 1e-12);
  mdlCurrTrans_identity();
  EXPECT_NEAR(designToCurrent({30, 0, 0}).x, 30, 1e-12);
  ASSERT_EQ(mdlCurrTrans_end(), 0);
  EXPECT_NEAR(designToCurrent({30, 0, 0}).x, 20, 1e-12);  // the origin-only system is back
  ASSERT_EQ(mdlCurrTrans_end(), 0);
  EXPECT_NEAR(designToCurrent({30, 0, 0}).x, 30, 1e-12);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(mdlCurrTrans_begin(), 0);
  EXPECT_EQ(mdlCurrTrans_begin(), MDLERR_TOOLARGE);
}

}  // namespace
}  // namespace pixmend::host
