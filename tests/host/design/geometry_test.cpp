// Descriptors' geometry: exact ranges of turned ellipses and arcs, transforms of texts and cell
// headers, stroking within the tolerance (every chord checked against the true curve), a complex
// shape stroked as one closed outline, broken images refused, and the modify answers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/raster/picture.hpp"
#include "host/view/view.hpp"
#include "host/system/api.h"
#include "host/view/layout.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

namespace el = element;
constexpr double kPi = 3.14159265358979323846;

RotMatrix turn(double radians) {
  RotMatrix r;
  mdlRMatrix_fromAngle(&r, radians);
  return r;
}

// The address of an image made for one call.
const MSElement* ptr(const MSElement& e) {
  return &e;
}

// A text of `count` characters built field by field (the text calls belong elsewhere).
MSElement text(const DPoint3d& origin, double width, double height, int count, int justification) {
  MSElement e;
  const std::size_t bytes = el::kTextChars + static_cast<std::size_t>(count) * 2;
  el::startImage(e, TEXT_ELM, bytes / 2, 0);
  el::put32(e, el::kJustification, static_cast<std::uint32_t>(justification));
  el::putDouble(e, el::kCharWidth, width);
  el::putDouble(e, el::kCharHeight, height);
  el::putRotation(e, el::kRotation, turn(0));
  el::putPoint(e, el::kTextOrigin, origin);
  el::putDouble(e, el::kLineSpacing, height / 2);
  el::put32(e, el::kTextCount, static_cast<std::uint32_t>(count));
  for (int i = 0; i < count; ++i) el::put32(e, el::kTextChars + static_cast<std::size_t>(i) * 2, 'A');
  return e;
}

// A header of type 14 or 2 without components yet (a cell with no name).
MSElement header(int type) {
  MSElement e;
  const std::size_t bytes = type == CELL_HEADER_ELM ? el::kCellNames : el::kComplexBytes;
  el::startImage(e, type, bytes / 2, 0);
  for (std::size_t at = el::kDisplayBytes; at < bytes; at += 4) el::put32(e, at, 0);
  if (type == CELL_HEADER_ELM) el::putRotation(e, el::kCellRotation, turn(0));
  return e;
}

MSElement lineString(std::vector<DPoint3d> points) {
  MSElement e;
  EXPECT_EQ(mdlLineString_create(&e, nullptr, points.data(), static_cast<int>(points.size())), 0);
  return e;
}

MSElement arcOf(const DPoint3d& centre, double a, double b, double rotation, double start, double sweep) {
  MSElement e;
  const RotMatrix r = turn(rotation);
  EXPECT_EQ(mdlArc_create(&e, nullptr, &centre, a, b, &r, start, sweep), 0);
  return e;
}

class DescrGeometry : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    std::string error;
    ASSERT_TRUE(createDesign(dir_ + "/plan.dgn", &error)) << error;
  }
  void TearDown() override {
    mdlElmdscr_freeAll(&descr);
    resetHost();
  }
  void make(const MSElement& first) { ASSERT_EQ(mdlElmdscr_new(&descr, &first), 0); }

  MSElementDescr* descr = nullptr;
  testsupport::ScratchDir scratch_{"geometry"};
  std::string dir_ = scratch_.path();
};

TEST_F(DescrGeometry, RangesReachTheCurvesExtremesNotTheBoxOfTheirAxes) {
  // Semi-axes 4 and 1 turned 30 degrees: x reaches sqrt(16 cos^2 + sin^2) = 3.5 either side.
  MSElement ellipse;
  const DPoint3d centre{10, 20, 0};
  const RotMatrix r = turn(kPi / 6);
  ASSERT_EQ(mdlEllipse_create(&ellipse, nullptr, &centre, 4, 1, &r, 0), 0);
  make(ellipse);
  DPoint3d low, high;
  ASSERT_EQ(mdlElmdscr_computeRange(&low, &high, descr), 0);
  EXPECT_NEAR(low.x, 6.5, 1e-12);
  EXPECT_NEAR(high.x, 13.5, 1e-12);
  EXPECT_NEAR(low.y, 20 - std::sqrt(4.75), 1e-12);
  EXPECT_NEAR(high.y, 20 + std::sqrt(4.75), 1e-12);

  // Moved, an ellipse keeps its axes as they were (a shorter primary axis stays first).
  MSElementDescr* tall = nullptr;
  ASSERT_EQ(mdlEllipse_create(&ellipse, nullptr, &centre, 1, 3, &r, 0), 0);
  ASSERT_EQ(mdlElmdscr_new(&tall, &ellipse), 0);
  const Transform shift{{{1, 0, 0, 1}, {0, 1, 0, 0}, {0, 0, 1, 0}}};
  ASSERT_EQ(mdlElmdscr_transform(tall, &shift), 0);
  EXPECT_NEAR(el::getDouble(*mdlElmdscr_getElement(tall), el::kPrimaryAxis), 1, 1e-12);
  EXPECT_NEAR(el::getRotation(*mdlElmdscr_getElement(tall), el::kRotation).form3d[0][0], r.form3d[0][0], 1e-12);
  mdlElmdscr_freeAll(&tall);

  // A clockwise arc from 135 to 45 degrees passes over the top: its ends give x, the top gives y.
  mdlElmdscr_freeAll(&descr);
  make(arcOf({0, 0, 0}, 2, 2, 0, 0.75 * kPi, -kPi / 2));
  ASSERT_EQ(mdlElmdscr_computeRange(&low, &high, descr), 0);
  EXPECT_NEAR(low.x, -std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(high.x, std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(low.y, std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(high.y, 2, 1e-12);

  // A non-graphic element adds nothing; a descriptor of it alone has no range.
  MSElement data;
  el::startImage(data, APPLICATION_DATA_ELM, el::kHeaderBytes / 2 + 2, 0);
  el::put32(data, el::kHeaderBytes, 0);
  ASSERT_EQ(mdlElmdscr_appendElement(descr, &data), 0);
  ASSERT_EQ(mdlElmdscr_computeRange(&low, &high, descr), 0);
  EXPECT_NEAR(high.y, 2, 1e-12);
  MSElementDescr* alone = nullptr;
  ASSERT_EQ(mdlElmdscr_new(&alone, &data), 0);
  EXPECT_EQ(mdlElmdscr_computeRange(&low, &high, alone), MDLERR_BADARG);
  const Transform moved{{{1, 0, 0, 5}, {0, 1, 0, 5}, {0, 0, 1, 0}}};
  EXPECT_EQ(mdlElmdscr_transform(alone, &moved), 0);
  mdlElmdscr_freeAll(&alone);
}

TEST_F(DescrGeometry, ATransformMovesATextsOriginTurnsItAndScalesItsCharacters) {
  make(text({1, 1, 0}, 1, 2, 3, TEXT_JUST_LB));
  // Turn 90 degrees, scale by 3, then move by (10, 0).
  Transform t{};
  const RotMatrix quarter = turn(kPi / 2);
  mdlTMatrix_fromRMatrix(&t, &quarter);
  mdlTMatrix_scale(&t, &t, 3, 3, 3);
  mdlTMatrix_translate(&t, &t, 10, 0, 0);
  ASSERT_EQ(mdlElmdscr_transform(descr, &t), 0);
  const MSElement& e = *mdlElmdscr_getElement(descr);
  const DPoint3d origin = el::getPoint(e, el::kTextOrigin);
  EXPECT_NEAR(origin.x, 7, 1e-12);
  EXPECT_NEAR(origin.y, 3, 1e-12);
  EXPECT_NEAR(el::getDouble(e, el::kCharWidth), 3, 1e-12);
  EXPECT_NEAR(el::getDouble(e, el::kCharHeight), 6, 1e-12);
  EXPECT_NEAR(el::getDouble(e, el::kLineSpacing), 3, 1e-12);
  const RotMatrix r = el::getRotation(e, el::kRotation);
  EXPECT_NEAR(r.form3d[1][0], 1, 1e-12);  // the text now runs up the page
  // Its range is its box: 9 wide (three characters) along y, 6 high towards -x.
  DPoint3d low, high;
  ASSERT_EQ(mdlElmdscr_computeRange(&low, &high, descr), 0);
  EXPECT_NEAR(low.x, 1, 1e-12);
  EXPECT_NEAR(high.x, 7, 1e-12);
  EXPECT_NEAR(low.y, 3, 1e-12);
  EXPECT_NEAR(high.y, 12, 1e-12);
}

TEST_F(DescrGeometry, ACellHeaderMovesAndTurnsWithItsComponentsAndKeepsItsRangeUpToDate) {
  MSElement cell = header(CELL_HEADER_ELM);
  el::putPoint(cell, el::kCellOrigin, {1, 0, 0});
  make(cell);
  ASSERT_EQ(mdlElmdscr_appendElement(descr, ptr(lineString({{0, 0, 0}, {2, 0, 0}}))), 0);
  ASSERT_EQ(mdlElmdscr_appendElement(descr, ptr(arcOf({2, 1, 0}, 1, 1, 0, -kPi / 2, kPi))), 0);
  ASSERT_EQ(mdlElmdscr_validate(descr, nullptr), 0);
  const MSElement& h = *mdlElmdscr_getElement(descr);
  EXPECT_EQ(el::get32(h, el::kCellCount), 2u);
  EXPECT_NEAR(el::getPoint(h, el::kCellRangeHigh).x, 3, 1e-12);  // the arc's rightmost point
  EXPECT_NE(el::get32(*mdlElmdscr_getElement(mdlElmdscr_firstComponent(descr)), el::kTypeWord) & el::kComponentFlag, 0u);

  // Turned a quarter about the origin: the header's origin and axes turn, the range follows.
  Transform t{};
  const RotMatrix quarter = turn(kPi / 2);
  mdlTMatrix_fromRMatrix(&t, &quarter);
  ASSERT_EQ(mdlElmdscr_transform(descr, &t), 0);
  EXPECT_NEAR(el::getPoint(h, el::kCellOrigin).y, 1, 1e-12);
  EXPECT_NEAR(el::getRotation(h, el::kCellRotation).form3d[1][0], 1, 1e-12);
  const DPoint3d low = el::getPoint(h, el::kCellRangeLow), high = el::getPoint(h, el::kCellRangeHigh);
  EXPECT_NEAR(low.x, -2, 1e-12);
  EXPECT_NEAR(high.x, 0, 1e-12);
  EXPECT_NEAR(low.y, 0, 1e-12);
  EXPECT_NEAR(high.y, 3, 1e-12);
  // The arc keeps its place on the circle: its sweep still ends at the top of the moved arc.
  const MSElement& moved = *mdlElmdscr_getElement(mdlElmdscr_next(mdlElmdscr_firstComponent(descr)));
  const double end = el::getDouble(moved, el::kStartAngle) + el::getDouble(moved, el::kSweepAngle);
  const RotMatrix ar = el::getRotation(moved, el::kRotation);
  EXPECT_NEAR(-1 + std::cos(end) * ar.form3d[0][0] + std::sin(end) * ar.form3d[0][1], -1 - 1, 1e-9);
}

TEST_F(DescrGeometry, ACellShowsItsFilledComplexShapeAndItsTextInTheViews) {
  ASSERT_TRUE(setViewArea(0, {0, 0}, {20, 10}));  // one picture pixel per design unit
  MSElement shape = header(CMPLX_SHAPE_ELM);
  el::put32(shape, el::kComplexFill, 1);
  make(header(CELL_HEADER_ELM));
  MSElementDescr* outline = nullptr;
  ASSERT_EQ(mdlElmdscr_new(&outline, &shape), 0);
  ASSERT_EQ(mdlElmdscr_appendElement(outline, ptr(lineString({{2, 1, 0}, {8, 1, 0}}))), 0);
  ASSERT_EQ(mdlElmdscr_appendElement(outline, ptr(arcOf({8, 5, 0}, 4, 4, 0, -kPi / 2, kPi))), 0);
  ASSERT_EQ(mdlElmdscr_appendElement(outline, ptr(lineString({{8, 9, 0}, {2, 9, 0}}))), 0);
  ASSERT_EQ(mdlElmdscr_appendDscr(descr, outline), 0);
  ASSERT_EQ(mdlElmdscr_appendElement(descr, ptr(text({14, 2.5, 0}, 1, 2, 3, TEXT_JUST_LB))), 0);
  ASSERT_EQ(mdlElmdscr_display(descr, nullptr, DRAW_MODE_Normal), 0);
  EXPECT_EQ(journal().texts("display"),
            (std::vector<std::string>{"complexshape mode 0 color 0 weight 0 style 0 filled: 2,1 8,1 centre 8,5 axes 4,4 "
                                      "rotation 0 start -90 sweep 180 8,9 2,9",
                                      "text mode 0 color 0 weight 0 style 0: 14,2.5 17,2.5 17,4.5 14,4.5 14,2.5 \"AAA\""}));
  PictureFrame frame;
  std::string why;
  ASSERT_TRUE(pictureFrame(0, 20, {}, &frame, &why)) << why;
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(frame.width) * frame.height * 4);
  drawPictureRows(frame, {}, 0, frame.height, rgba.data());
  const auto painted = [&](double x, double y) {  // the pixel whose centre is design (x, y)
    const auto i = static_cast<std::size_t>(x - 0.5), j = static_cast<std::size_t>(10 - y - 0.5);
    return rgba[(j * 20 + i) * 4 + 3] != 0;
  };
  EXPECT_TRUE(painted(5.5, 5.5));    // inside the straight part
  EXPECT_TRUE(painted(10.5, 5.5));   // inside the half disc
  EXPECT_FALSE(painted(13.5, 5.5));  // beyond it
  EXPECT_TRUE(painted(15.5, 2.5));   // the text box's lower edge
  EXPECT_FALSE(painted(15.5, 3.5));  // a box, not a fill
}

// Every point of the curve between two consecutive stroke points lies within `tolerance` of the
// chord joining them (the curve's parameter recovered from each point in the ellipse's frame).
void expectChordsWithin(const std::vector<DPoint3d>& points, const DPoint3d& c, double a, double b, double angle,
                        double tolerance) {
  const double ca = std::cos(angle), sa = std::sin(angle);
  auto parameterOf = [&](const DPoint3d& p) {
    const double x = (p.x - c.x) * ca + (p.y - c.y) * sa, y = -(p.x - c.x) * sa + (p.y - c.y) * ca;
    EXPECT_NEAR(x * x / (a * a) + y * y / (b * b), 1, 1e-9) << "every point lies on the curve";
    return std::atan2(y / b, x / a);
  };
  for (std::size_t i = 1; i < points.size(); ++i) {
    const DPoint3d p = points[i - 1], q = points[i];
    const double t0 = parameterOf(p);
    double t1 = parameterOf(q);
    if (t1 < t0) t1 += 2 * kPi;
    for (int k = 0; k <= 20; ++k) {
      const double t = t0 + (t1 - t0) * k / 20;
      const double lx = a * std::cos(t), ly = b * std::sin(t);
      const DPoint3d s{c.x + lx * ca - ly * sa, c.y + lx * sa + ly * ca, 0};
      const double dx = q.x - p.x, dy = q.y - p.y, len2 = dx * dx + dy * dy;
      const double u = len2 > 0 ? std::max(0.0, std::min(1.0, ((s.x - p.x) * dx + (s.y - p.y) * dy) / len2)) : 0;
      EXPECT_LE(std::hypot(s.x - p.x - u * dx, s.y - p.y - u * dy), tolerance) << "chord " << i;
    }
  }
}

TEST_F(DescrGeometry, StrokedCurvesStayWithinTheToleranceInTheCurrentCoordinateSystem) {
  const DPoint3d centre{100, 50, 0};
  MSElement ellipse;
  const RotMatrix r = turn(0.35);
  ASSERT_EQ(mdlEllipse_create(&ellipse, nullptr, &centre, 40, 7, &r, 0), 0);
  make(ellipse);
  for (double tolerance : {0.5, 0.01, 1e-4}) {
    DPoint3d* points = nullptr;
    int count = 0;
    ASSERT_EQ(mdlElmdscr_stroke(&points, &count, descr, tolerance), 0);
    ASSERT_GE(count, 5);
    EXPECT_LE(count, 4097);
    const std::vector<DPoint3d> stroked(points, points + count);
    dlmSystem_mdlFree(points);
    EXPECT_EQ(std::memcmp(&stroked.front(), &stroked.back(), sizeof(DPoint3d)), 0) << "an ellipse ends where it began";
    expectChordsWithin(stroked, centre, 40, 7, 0.35, tolerance);
  }
  // In a current system moved to the centre and scaled by 10, the same points read 10 times smaller.
  ASSERT_EQ(mdlCurrTrans_begin(), 0);
  ASSERT_EQ(mdlCurrTrans_origin(&centre), 0);
  ASSERT_EQ(mdlCurrTrans_scale(10, 10, 10), 0);
  DPoint3d* points = nullptr;
  int count = 0;
  ASSERT_EQ(mdlElmdscr_stroke(&points, &count, descr, 0.01), 0);
  EXPECT_NEAR(points[0].x, 4 * std::cos(0.35), 1e-12);
  EXPECT_NEAR(points[0].y, 4 * std::sin(0.35), 1e-12);
  dlmSystem_mdlFree(points);
  ASSERT_EQ(mdlCurrTrans_end(), 0);
  EXPECT_EQ(mdlElmdscr_stroke(&points, &count, descr, 0), MDLERR_BADARG);
}

TEST_F(DescrGeometry, AComplexShapeStrokesAsOneClosedOutlineAndTextsHaveNone) {
  // Bottom edge, a half circle up the right side, the top edge back; the last side is left open.
  make(header(CMPLX_SHAPE_ELM));
  ASSERT_EQ(mdlElmdscr_appendElement(descr, ptr(lineString({{0, 0, 0}, {10, 0, 0}}))), 0);
  ASSERT_EQ(mdlElmdscr_appendElement(descr, ptr(arcOf({10, 5, 0}, 5, 5, 0, -kPi / 2, kPi))), 0);
  ASSERT_EQ(mdlElmdscr_appendElement(descr, ptr(lineString({{10, 10, 0}, {0, 10, 0}}))), 0);
  DPoint3d* points = nullptr;
  int count = 0;
  ASSERT_EQ(mdlElmdscr_stroke(&points, &count, descr, 0.01), 0);
  const std::vector<DPoint3d> outline(points, points + count);
  dlmSystem_mdlFree(points);
  EXPECT_EQ(outline.front().x, 0);
  EXPECT_EQ(outline.back().x, 0);
  EXPECT_EQ(outline.back().y, 0);  // closed back to the first point
  EXPECT_EQ(outline[outline.size() - 2].y, 10);
  double rightmost = 0;
  for (std::size_t i = 1; i < outline.size(); ++i) {
    EXPECT_FALSE(outline[i].x == outline[i - 1].x && outline[i].y == outline[i - 1].y) << "a join doubled at " << i;
    rightmost = std::max(rightmost, outline[i].x);
  }
  EXPECT_NEAR(rightmost, 15, 0.01);

  MSElementDescr* words = nullptr;
  ASSERT_EQ(mdlElmdscr_new(&words, ptr(text({0, 0, 0}, 1, 1, 2, 0))), 0);
  EXPECT_EQ(mdlElmdscr_stroke(&points, &count, words, 0.01), MDLERR_BADELEMENT);
  EXPECT_EQ(points, nullptr);
  mdlElmdscr_freeAll(&words);
}

TEST_F(DescrGeometry, ABrokenImageIsRefusedAndNothingIsChanged) {
  make(lineString({{0, 0, 0}, {1, 1, 0}}));
  ASSERT_EQ(mdlElmdscr_appendElement(descr, ptr(arcOf({0, 0, 0}, 1, 1, 0, 0, 1))), 0);
  // An application writes a negative axis into the arc in place.
  el::putDouble(*mdlElmdscr_getElement(mdlElmdscr_next(descr)), el::kPrimaryAxis, -1);
  const Transform moved{{{1, 0, 0, 5}, {0, 1, 0, 5}, {0, 0, 1, 0}}};
  EXPECT_EQ(mdlElmdscr_transform(descr, &moved), MDLERR_BADELEMENT);
  EXPECT_EQ(el::getPoint(*mdlElmdscr_getElement(descr), el::kVertices).x, 0) << "the sound line was not moved either";
  DPoint3d low, high, *points = nullptr;
  int count = 0;
  EXPECT_EQ(mdlElmdscr_computeRange(&low, &high, descr), MDLERR_BADELEMENT);
  EXPECT_EQ(mdlElmdscr_validate(descr, nullptr), MDLERR_BADELEMENT);
  EXPECT_EQ(mdlElmdscr_display(descr, nullptr, DRAW_MODE_Normal), MDLERR_BADELEMENT);
  EXPECT_EQ(mdlElmdscr_stroke(&points, &count, mdlElmdscr_next(descr), 0.1), MDLERR_BADELEMENT);
  // A transform that flattens everything is refused before anything moves.
  const Transform flat{{{1, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1, 0}}};
  el::putDouble(*mdlElmdscr_getElement(mdlElmdscr_next(descr)), el::kPrimaryAxis, 1);
  EXPECT_EQ(mdlElmdscr_transform(descr, &flat), MDLERR_BADARG);
}

// The modify function of the tests: moves the first vertex of a line string to x = 99 and answers
// what `answers` says for this call (16: a new two-line descriptor).
struct Script {
  std::vector<int> answers;
  std::size_t call = 0;
};
int scripted(MSElement* element, void* params, DgnModelRefP, MSElementDescr*, MSElementDescr** newDescr) {
  auto* script = static_cast<Script*>(params);
  const int answer = script->answers[script->call++ % script->answers.size()];
  if (el::typeOf(*element) == LINE_STRING_ELM) el::putDouble(*element, el::kVertices, 99);
  if (answer == MODIFY_STATUS_REPLACEDSCR) {
    mdlElmdscr_new(newDescr, ptr(lineString({{7, 7, 0}, {8, 8, 0}})));
    mdlElmdscr_appendElement(*newDescr, ptr(lineString({{9, 9, 0}, {8, 8, 0}})));
  }
  if (answer == 100) {  // "keep" after breaking the image
    el::put32(*element, el::kVertexCount, 3);
    return MODIFY_STATUS_REPLACE;
  }
  return answer;
}

double firstX(MSElementDescr* d) {
  return el::getDouble(*mdlElmdscr_getElement(d), el::kVertices);
}

TEST_F(DescrGeometry, ModifyAnswersKeepUndoOrReplaceEachElement) {
  make(lineString({{0, 0, 0}, {1, 0, 0}}));
  for (int i = 1; i < 5; ++i) {
    ASSERT_EQ(mdlElmdscr_appendElement(descr, ptr(lineString({{double(i), 0, 0}, {1, 1, 0}}))), 0);
  }
  Script script{{MODIFY_STATUS_NOCHANGE, MODIFY_STATUS_REPLACE, MODIFY_STATUS_ERROR, MODIFY_STATUS_REPLACEDSCR, 100}};
  EXPECT_EQ(mdlModify_elementDescr(&descr, scripted, &script), MDLERR_BADELEMENT);  // the broken one
  EXPECT_EQ(script.call, 5u);  // the new nodes are not visited
  MSElementDescr* n = descr;
  EXPECT_EQ(firstX(n), 0);  // NOCHANGE: the change made in place is undone
  EXPECT_EQ(firstX(n = mdlElmdscr_next(n)), 99);  // REPLACE
  EXPECT_EQ(firstX(n = mdlElmdscr_next(n)), 2);   // ERROR
  EXPECT_EQ(firstX(n = mdlElmdscr_next(n)), 7);   // the new descriptor's two nodes in its place
  EXPECT_EQ(firstX(n = mdlElmdscr_next(n)), 9);
  EXPECT_EQ(firstX(n = mdlElmdscr_next(n)), 4);   // broken, so put back as it was
  EXPECT_EQ(el::get32(*mdlElmdscr_getElement(n), el::kVertexCount), 2u);
  EXPECT_EQ(mdlElmdscr_next(n), nullptr);
  EXPECT_EQ(mdlModify_elementDescr(&descr, nullptr, nullptr), MDLERR_BADARG);
}

TEST_F(DescrGeometry, ModifyingAnElementOfTheDesignRewritesItOnlyWhenItChanged) {
  MSElement line = lineString({{0, 0, 0}, {1, 0, 0}});
  const unsigned position = mdlElement_add(&line);
  ASSERT_NE(position, 0u);
  const std::vector<std::uint8_t> stored = findElement(activeModelId(), position)->image;
  Script untouched{{MODIFY_STATUS_NOCHANGE}};
  ASSERT_EQ(mdlModify_elementSingle(nullptr, position, scripted, &untouched), 0);
  EXPECT_EQ(findElement(activeModelId(), position)->image, stored) << "time and vertices as they were";
  Script keep{{MODIFY_STATUS_REPLACE}};
  ASSERT_EQ(mdlModify_elementSingle(nullptr, position, scripted, &keep), 0);
  MSElementDescr* read = nullptr;
  ASSERT_NE(mdlElmdscr_read(&read, position, nullptr, 0), 0u);
  EXPECT_EQ(firstX(read), 99);
  mdlElmdscr_freeAll(&read);
  EXPECT_EQ(mdlModify_elementSingle(nullptr, position + 10, scripted, &keep), MDLERR_BADELEMENT);
}

}  // namespace
}  // namespace pixmend::host
