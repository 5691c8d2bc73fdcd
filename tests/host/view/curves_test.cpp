// Ellipses and arcs in the pictures of a view, checked pixel by pixel where the answer does not
// depend on rounding: pixels well inside a filled ellipse are painted, pixels well away from an
// outline are not, pixels on an arc's curve are.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/raster/picture.hpp"
#include "host/view/api.h"
#include "host/view/view.hpp"

namespace pixmend::host {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kWidth = 20, kHeight = 10;

class Curves : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    ASSERT_TRUE(setViewArea(0, {0, 0}, {kWidth, kHeight}));  // one picture pixel per design unit
  }
  void TearDown() override { resetHost(); }

  std::vector<std::uint8_t> picture() {
    PictureFrame frame;
    std::string why;
    EXPECT_TRUE(pictureFrame(0, kWidth, {}, &frame, &why)) << why;
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(frame.width) * frame.height * 4);
    drawPictureRows(frame, {}, 0, frame.height, rgba.data());
    return rgba;
  }
  static bool painted(const std::vector<std::uint8_t>& rgba, int i, int j) {
    return rgba[(static_cast<std::size_t>(j) * kWidth + i) * 4 + 3] != 0;
  }
};

TEST_F(Curves, AFilledEllipseAndAnArcArePaintedWhereTheyLie) {
  MSElement ellipse, arc;
  const DPoint3d e{5, 5, 0}, a{14, 5, 0};
  const unsigned red = 3;
  ASSERT_EQ(mdlEllipse_create(&ellipse, nullptr, &e, 3, 2, nullptr, 1), 0);
  ASSERT_EQ(mdlElement_setSymbology(&ellipse, &red, nullptr, nullptr), 0);
  ASSERT_EQ(mdlElement_display(&ellipse, DRAW_MODE_Normal), 0);
  EXPECT_EQ(journal().last("display")->text,
            "ellipse mode 0 color 3 weight 0 style 0 filled: centre 5,5 axes 3,2 rotation 0 start 0 sweep 360");
  ASSERT_EQ(mdlArc_create(&arc, nullptr, &a, 4, 4, nullptr, 0, kPi / 2), 0);  // the upper right quarter
  ASSERT_EQ(mdlElement_display(&arc, DRAW_MODE_Normal), 0);

  const auto rgba = picture();
  int checked = 0;
  for (int j = 0; j < kHeight; ++j) {
    for (int i = 0; i < kWidth; ++i) {
      const double x = i + 0.5, y = kHeight - (j + 0.5);
      // The ellipse: at scaled radius f a point is at least (f - 1) x 2 from the curve.
      const double f = std::sqrt((x - 5) * (x - 5) / 9 + (y - 5) * (y - 5) / 4);
      if (f < 1 - 0.3 / 2) {
        EXPECT_TRUE(painted(rgba, i, j)) << "inside the ellipse " << i << "," << j;
        ++checked;
      }
      // The arc: distance to the quarter circle, or to its nearer end off the quarter.
      const double dx = x - 14, dy = y - 5;
      const double d = dx >= 0 && dy >= 0 ? std::fabs(std::hypot(dx, dy) - 4)
                                          : std::min(std::hypot(dx - 4, dy), std::hypot(dx, dy - 4));
      if (d < 0.2) {
        EXPECT_TRUE(painted(rgba, i, j)) << "on the arc " << i << "," << j;
        ++checked;
      }
      if (f > 1 + 0.8 / 2 && d > 0.8) {
        EXPECT_FALSE(painted(rgba, i, j)) << "away from both " << i << "," << j;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 150);
  const std::uint8_t* centre = &rgba[(static_cast<std::size_t>(4) * kWidth + 5) * 4];
  EXPECT_EQ(centre[0], 255);  // red fill
  EXPECT_EQ(centre[1], 0);
}

}  // namespace
}  // namespace pixmend::host
