// Temporary graphics in the pictures of a view: what a displayed element paints (erase mode in
// the paper's colour, filled shapes by pixel centres, lines one pixel wide), how long it stays
// (through a command's own restart, not past a redraw or another command), dynamics replaced at
// every call, and the busy cursor.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/raster/picture.hpp"
#include "host/state/api.h"
#include "host/state/state.hpp"
#include "host/system/idle.hpp"
#include "host/view/api.h"
#include "host/view/graphics.hpp"

namespace pixmend::host {
namespace {

class Graphics : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    element = std::make_unique<MSElement>();
    ASSERT_TRUE(setViewArea(0, {0, 0}, {20, 10}));  // one picture pixel per design unit
  }
  void TearDown() override { resetHost(); }

  // The picture of view 0 (no rasters): 20 x 10 RGBA pixels.
  std::vector<std::uint8_t> picture() {
    PictureFrame frame;
    std::string why;
    EXPECT_TRUE(pictureFrame(0, 20, {}, &frame, &why)) << why;
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(frame.width) * frame.height * 4);
    drawPictureRows(frame, {}, 0, frame.height, rgba.data());
    return rgba;
  }
  static const std::uint8_t* at(const std::vector<std::uint8_t>& rgba, int i, int j) {
    return rgba.data() + (static_cast<std::size_t>(j) * 20 + i) * 4;
  }

  void display(std::vector<DPoint3d> points, bool shape, unsigned color, int drawMode) {
    const int n = static_cast<int>(points.size());
    ASSERT_EQ(shape ? mdlShape_create(element.get(), nullptr, points.data(), n, 1)
                    : mdlLineString_create(element.get(), nullptr, points.data(), n),
              0);
    ASSERT_EQ(mdlElement_setSymbology(element.get(), &color, nullptr, nullptr), 0);
    ASSERT_EQ(mdlElement_display(element.get(), drawMode), 0);
  }

  std::unique_ptr<MSElement> element;
};

TEST_F(Graphics, DisplayedElementsArePaintedOverTheViewUntilItIsRedrawn) {
  // An erased (mode 1) filled square in the paper's colour; a red line along a row's centres.
  display({{1, 1, 0}, {6, 1, 0}, {6, 6, 0}, {1, 6, 0}, {1, 1, 0}}, true, 0, DRAW_MODE_Erase);
  display({{10, 2.5, 0}, {18, 2.5, 0}}, false, 3, DRAW_MODE_Normal);
  auto rgba = picture();
  const std::uint8_t white[4] = {255, 255, 255, 255}, red[4] = {255, 0, 0, 255}, none[4] = {0, 0, 0, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(at(rgba, 3, 6), at(rgba, 3, 6) + 4), std::vector<std::uint8_t>(white, white + 4));
  for (int i = 9; i <= 18; ++i) {  // picture row 7 holds y = 2.5; the line's round ends reach half a pixel
    EXPECT_EQ(std::vector<std::uint8_t>(at(rgba, i, 7), at(rgba, i, 7) + 4), std::vector<std::uint8_t>(red, red + 4))
        << i;
    EXPECT_EQ(at(rgba, i, 6)[3], 0) << i;
    EXPECT_EQ(at(rgba, i, 8)[3], 0) << i;
  }
  EXPECT_EQ(at(rgba, 8, 7)[3], 0);
  EXPECT_EQ(at(rgba, 19, 7)[3], 0);
  EXPECT_EQ(displayedCount(0), 2u);

  // Another view is redrawn: view 0 keeps them. View 0 redrawn: gone.
  ASSERT_EQ(mdlView_updateSingle(1), 0);
  EXPECT_EQ(displayedCount(0), 2u);
  ASSERT_EQ(mdlView_updateSingle(0), 0);
  EXPECT_EQ(displayedCount(0), 0u);
  rgba = picture();
  EXPECT_EQ(std::vector<std::uint8_t>(at(rgba, 3, 6), at(rgba, 3, 6) + 4), std::vector<std::uint8_t>(none, none + 4));
}

// A command that displays a square at every data point and restarts itself.
MSElement* shown = nullptr;
void showAndRestart(DPoint3d* point, int) {
  const DPoint3d square[5] = {{point->x, point->y, 0}, {point->x + 1, point->y, 0}, {point->x + 1, point->y + 1, 0},
                              {point->x, point->y + 1, 0}, {point->x, point->y, 0}};
  mdlShape_create(shown, nullptr, square, 5, 1);
  mdlElement_display(shown, DRAW_MODE_Erase);
  mdlState_restartCurrentCommand();
}
void squares(char*) {
  mdlState_startPrimitive(showAndRestart, nullptr, 0, 0);
}
void follow(DPoint3d* point, int, int) {
  const DPoint3d ends[2] = {{0, 0, 0}, *point};
  mdlLine_create(dgnBuf, nullptr, ends);
}

TEST_F(Graphics, ACommandKeepsWhatItShowedWhenItRestartsButNotWhenAnotherStartsOrItIsCleared) {
  shown = element.get();
  runCommandFunction(nullptr, reinterpret_cast<void*>(squares), "");
  deliverDataPoint({2, 2, 0}, 0);
  runIdle();
  deliverDataPoint({5, 2, 0}, 0);
  runIdle();
  EXPECT_EQ(displayedCount(0), 2u);  // the restarts kept both
  ASSERT_TRUE(runKeyin("place fence block"));
  EXPECT_EQ(displayedCount(0), 0u);  // another command started

  runCommandFunction(nullptr, reinterpret_cast<void*>(squares), "");
  deliverDataPoint({2, 2, 0}, 0);
  runIdle();
  mdlState_clear();
  EXPECT_EQ(displayedCount(0), 0u);

  // Dynamics: each call replaces what the last drew; stopping them removes it.
  mdlState_dynamicUpdate(follow, 0);
  moveCursor({19, 9.5, 0}, 0);
  moveCursor({19, 0.5, 0}, 0);
  auto rgba = picture();
  EXPECT_EQ(at(rgba, 18, 0)[3], 0);    // the first line is gone
  EXPECT_EQ(at(rgba, 19, 9)[3], 255);  // the second ends at the bottom right
  mdlState_dynamicUpdate(nullptr, 0);
  rgba = picture();
  EXPECT_EQ(at(rgba, 19, 9)[3], 0);
}

TEST_F(Graphics, TheBusyCursorIsJournaledWhenItChanges) {
  mdlSystem_startBusyCursor();
  mdlSystem_startBusyCursor();
  mdlSystem_stopBusyCursor();
  mdlSystem_stopBusyCursor();
  EXPECT_EQ(journal().str(), "view: busy\nview: ready\n");
}

}  // namespace
}  // namespace pixmend::host
