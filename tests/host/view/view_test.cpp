// Views and temporary graphics: rotations both ways, display controls, element images and what
// their display journals, coordinates off the design plane.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/view/api.h"
#include "host/view/view.hpp"

namespace pixmend::host {
namespace {

class Views : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    element = std::make_unique<MSElement>();
  }
  void TearDown() override { resetHost(); }
  std::unique_ptr<MSElement> element;
};

TEST_F(Views, TopViewByDefaultAndRotationsRoundTrip) {
  RotMatrix m;
  ASSERT_EQ(mdlRMatrix_fromView(&m, 0, 0), 0);
  DPoint3d p{3, 4, 5};
  mdlRMatrix_rotatePoint(&p, &m);
  EXPECT_EQ(p.x, 3);
  EXPECT_EQ(p.y, 4);
  EXPECT_EQ(mdlRMatrix_fromView(&m, 8, 0), MDLERR_BADARG);
  EXPECT_EQ(mdlRMatrix_fromView(nullptr, 0, 0), MDLERR_BADARG);

  ASSERT_TRUE(rotateViewAboutZ(2, 90));
  ASSERT_EQ(mdlRMatrix_fromView(&m, 2, 0), 0);
  DPoint3d q{1, 0, 0};
  mdlRMatrix_rotatePoint(&q, &m);  // the design's x axis points down in a view turned by 90
  EXPECT_NEAR(q.x, 0, 1e-12);
  EXPECT_NEAR(q.y, -1, 1e-12);
  mdlRMatrix_unrotatePoint(&q, &m);
  EXPECT_NEAR(q.x, 1, 1e-12);
  EXPECT_NEAR(q.y, 0, 1e-12);
  EXPECT_FALSE(rotateViewAboutZ(MAX_VIEWS, 10));
}

TEST_F(Views, DisplayControlsAndUpdatesAreJournaled) {
  EXPECT_EQ(mdlView_getDisplayControl(16, 7), 0);
  EXPECT_EQ(mdlView_setDisplayControl(16, 7, 1), 0);
  EXPECT_EQ(mdlView_getDisplayControl(16, 7), 1);
  EXPECT_EQ(mdlView_updateSingle(7), 0);
  EXPECT_EQ(mdlView_setDisplayControl(64, 0, 1), MDLERR_BADARG);
  EXPECT_EQ(mdlView_setDisplayControl(1, -1, 1), MDLERR_BADARG);
  EXPECT_EQ(mdlView_updateSingle(8), MDLERR_BADARG);
  EXPECT_EQ(journal().str(), "view: 7 control 16 on\nview: update 7\n");
}

TEST_F(Views, ElementsCarryTheirVerticesAndSymbology) {
  const DPoint3d box[5] = {{0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {0, 5, 0}, {0, 0, 0}};
  ASSERT_EQ(mdlShape_create(element.get(), nullptr, box, 5, 0), 0);
  const unsigned color = 0, weight = 0;
  const int style = 2;
  ASSERT_EQ(mdlElement_setSymbology(element.get(), &color, &weight, &style), 0);
  ASSERT_EQ(mdlElement_display(element.get(), DRAW_MODE_Normal), 0);
  EXPECT_EQ(journal().last("display")->text, "shape mode 0 color 0 weight 0 style 2: 0,0 10,0 10,5 0,5 0,0");

  // A template gives its symbology to the next element; null keeps a value.
  const unsigned red = 3;
  ASSERT_EQ(mdlElement_setSymbology(element.get(), &red, nullptr, nullptr), 0);
  MSElement line;
  const DPoint3d ends[2] = {{0.5, -1, 0}, {2, 3, 7}};
  ASSERT_EQ(mdlLine_create(&line, element.get(), ends), 0);
  mdlElement_display(&line, DRAW_MODE_Erase);
  EXPECT_EQ(journal().last("display")->text, "line mode 1 color 3 weight 0 style 2: 0.5,-1 2,3,7");

  ASSERT_EQ(mdlShape_create(element.get(), nullptr, box, 5, 1), 0);
  const auto info = readElement(*element);
  ASSERT_TRUE(info);
  EXPECT_TRUE(info->filled);
  EXPECT_EQ(info->vertices.size(), 5u);
  {
    DynamicsScope dynamics;
    mdlElement_display(element.get(), DRAW_MODE_TempDraw);
  }
  EXPECT_EQ(journal().last("dynamics")->text,
            "shape mode 3 color 0 weight 0 style 0 filled: 0,0 10,0 10,5 0,5 0,0");
}

TEST_F(Views, BadElementsAndArgumentsAreRefused) {
  const DPoint3d pts[3] = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}};
  EXPECT_EQ(mdlLineString_create(element.get(), nullptr, pts, 1), MDLERR_BADARG);
  EXPECT_EQ(mdlShape_create(element.get(), nullptr, pts, 2, 0), MDLERR_BADARG);
  EXPECT_EQ(mdlShape_create(element.get(), nullptr, pts, MAX_VERTICES + 1, 0), MDLERR_BADARG);
  EXPECT_EQ(mdlLine_create(nullptr, nullptr, pts), MDLERR_BADARG);
  EXPECT_EQ(mdlLine_create(element.get(), nullptr, nullptr), MDLERR_BADARG);

  const DPoint3d far[2] = {{0, 0, 0}, {1e300, 0, 0}};
  const DPoint3d nan[2] = {{0, 0, 0}, {std::numeric_limits<double>::quiet_NaN(), 0, 0}};
  ASSERT_EQ(mdlLineString_create(element.get(), nullptr, pts, 3), 0);
  EXPECT_EQ(mdlLine_create(element.get(), nullptr, far), MDLERR_OUTOFDESIGNPLANE);
  EXPECT_EQ(mdlLine_create(element.get(), nullptr, nan), MDLERR_OUTOFDESIGNPLANE);
  EXPECT_EQ(readElement(*element)->type, LINE_STRING_ELM);  // untouched by the failed calls

  const unsigned tooBright = 256, tooHeavy = 32;
  const int badStyle = 8;
  EXPECT_EQ(mdlElement_setSymbology(element.get(), &tooBright, nullptr, nullptr), MDLERR_BADARG);
  EXPECT_EQ(mdlElement_setSymbology(element.get(), nullptr, &tooHeavy, nullptr), MDLERR_BADARG);
  EXPECT_EQ(mdlElement_setSymbology(element.get(), nullptr, nullptr, &badStyle), MDLERR_BADARG);

  clearElement(*element);
  EXPECT_EQ(mdlElement_display(element.get(), 0), MDLERR_BADARG);
  element->ehdr.typeWord = SHAPE_ELM;
  element->ehdr.sizeWords = element->ehdr.attrOffset = 40;
  element->buf[28] = 60000;  // a vertex count (byte 56) the image cannot hold
  EXPECT_EQ(mdlElement_display(element.get(), 0), MDLERR_BADARG);
  EXPECT_EQ(journal().size(), 0u);
}

}  // namespace
}  // namespace pixmend::host
