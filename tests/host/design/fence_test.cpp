// The fence and the design's units: what an application reads of the fence (no fence, a shape
// fence, a line string made the fence), the host's place-fence key-ins driven by points and
// resets (a block in a turned view follows the view), and units kept with the design file.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/state/state.hpp"
#include "host/system/idle.hpp"
#include "host/view/view.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

class Fences : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    shape = std::make_unique<MSElement>();
  }
  void TearDown() override { resetHost(); }

  // The fence as an application reads it: mdlFence_toShape, then mdlLinear_extract.
  std::vector<DPoint3d> fenceAsRead(int* status) {
    *status = mdlFence_toShape(shape.get());
    std::vector<DPoint3d> points(MAX_VERTICES);
    int count = -1;
    EXPECT_EQ(mdlLinear_extract(points.data(), &count, shape.get(), mdlModelRef_getActive()), 0);
    points.resize(static_cast<std::size_t>(count));
    return points;
  }

  void point(double x, double y, int view = 0) {
    deliverDataPoint(DPoint3d{x, y, 0}, view);
    runIdle();
  }

  std::unique_ptr<MSElement> shape;
};

TEST_F(Fences, ApplicationsReadNoVerticesWithoutAFenceAndTheClosedPolygonWithOne) {
  int status = 0;
  EXPECT_TRUE(fenceAsRead(&status).empty());
  EXPECT_EQ(status, MDLERR_NOFENCE);

  // Repeated points are dropped and the polygon is closed for the caller.
  ASSERT_TRUE(defineFence({{0, 0, 0}, {10, 0, 0}, {10, 0, 0}, {10, 5, 0}}, 0, nullptr));
  const auto points = fenceAsRead(&status);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(points.size(), 4u);
  EXPECT_EQ(points[2].y, 5);
  EXPECT_EQ(points[3].x, points[0].x);
  EXPECT_EQ(journal().last("fence")->text, "view 0: 0,0 10,0 10,5 0,0");

  // A closed line string becomes the fence; an open one, or points on one line, do not.
  const DPoint3d open[3] = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}};
  MSElement line;
  ASSERT_EQ(mdlLineString_create(&line, nullptr, open, 3), 0);
  EXPECT_EQ(mdlFence_fromShape(&line, 1), MDLERR_BADARG);
  const DPoint3d flat[4] = {{0, 0, 0}, {4, 0, 0}, {8, 0, 0}, {0, 0, 0}};
  ASSERT_EQ(mdlLineString_create(&line, nullptr, flat, 4), 0);
  EXPECT_EQ(mdlFence_fromShape(&line, 1), MDLERR_BADARG);
  const DPoint3d closed[4] = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 0, 0}};
  ASSERT_EQ(mdlLineString_create(&line, nullptr, closed, 4), 0);
  EXPECT_EQ(mdlFence_fromShape(&line, 1), 0);
  EXPECT_EQ(fenceAsRead(&status).size(), 4u);

  mdlFence_clear(1);
  EXPECT_TRUE(fenceAsRead(&status).empty());
  EXPECT_EQ(journal().last("fence")->text, "cleared");
  // Not a linear element: refused, no vertices.
  shape->ehdr.typeWord = TEXT_ELM;
  int count = -1;
  DPoint3d out[4];
  EXPECT_EQ(mdlLinear_extract(out, &count, shape.get(), nullptr), MDLERR_BADELEMENT);
  EXPECT_EQ(count, 0);
}

TEST_F(Fences, PlaceFenceBlockFollowsTheViewAndPlaceFenceShapeClosesOnReset) {
  ASSERT_TRUE(rotateViewAboutZ(3, 90));
  ASSERT_TRUE(runKeyin("place fence block"));
  point(0, 0, 3);
  moveCursor(DPoint3d{2, 3, 0}, 3);
  EXPECT_EQ(journal().last("dynamics")->text.rfind("linestring color 0 weight 0 style 2: 0,0 ", 0), 0u);
  point(4, 6, 3);
  // In a view turned by 90 degrees the block's sides still run along the design's axes here, but
  // the corners are taken in the view: the same rectangle, walked the other way round.
  const auto* block = fenceVertices();
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(block->size(), 5u);
  EXPECT_NEAR((*block)[1].x, 0, 1e-9);
  EXPECT_NEAR((*block)[1].y, 6, 1e-9);
  EXPECT_NEAR((*block)[2].x, 4, 1e-9);

  // The command goes on: the next two points replace the fence. A reset starts it again.
  ASSERT_TRUE(runKeyin("place fence shape"));
  point(0, 0);
  point(10, 0);
  deliverReset();  // two points enclose nothing
  runIdle();
  EXPECT_EQ(journal().last("error")->text, "Fence not placed: a fence needs three points that are not the same");
  point(0, 0);
  point(10, 0);
  point(10, 0);  // the same point again adds nothing
  point(5, 8);
  deliverReset();
  runIdle();
  EXPECT_EQ(journal().last("fence")->text, "view 0: 0,0 10,0 5,8 0,0");
  EXPECT_EQ(journal().last("prompt")->text, "Enter first point");
}

TEST_F(Fences, MasterUnitsFollowTheDesignAndAreKeptInItsFile) {
  double uors = 0;
  ASSERT_EQ(mdlCnv_masterUnitsToUors(&uors, 2.5, nullptr), 0);
  EXPECT_EQ(uors, 2.5);  // one UOR per master unit until set
  EXPECT_FALSE(setUorsPerMasterUnit(0));
  EXPECT_FALSE(setUorsPerMasterUnit(-3));

  testsupport::ScratchDir dir("units");
  const std::string file = dir.file("plan.dgn");
  ASSERT_TRUE(createDesign(file, nullptr));
  ASSERT_TRUE(setUorsPerMasterUnit(1000));
  ASSERT_EQ(mdlCnv_masterUnitsToUors(&uors, 2.5, mdlModelRef_getActive()), 0);
  EXPECT_EQ(uors, 2500);
  double master = 0;
  ASSERT_EQ(mdlCnv_uorsToMasterUnits(&master, 500, nullptr), 0);
  EXPECT_EQ(master, 0.5);
  ASSERT_TRUE(storeDesignNow());
  closeDesign();
  EXPECT_EQ(uorsPerMasterUnit(), 1);
  ASSERT_TRUE(openDesign(file, nullptr));
  EXPECT_EQ(uorsPerMasterUnit(), 1000);
  EXPECT_EQ(mdlCnv_masterUnitsToUors(nullptr, 1, nullptr), MDLERR_BADARG);
}

}  // namespace
}  // namespace pixmend::host
