// The geometric commands where the sessions on real scans cannot reach: a mirror mode no dialog
// offers, the host's image library out of memory, a warp too large to make, and the placement an
// Intergraph file carries after a turn. Whatever is refused leaves the file, the placement and
// the undo store as they were.
#include "host/image/formats.hpp"
#include "host/image/image_testing.hpp"
#include "host/system/idle.hpp"
#include "tests/app/raster_fixture.hpp"

namespace pixmend::app {
namespace {

class Geometry : public RasterSessionTest {
 protected:
  void SetUp() override {
    RasterSessionTest::SetUp();
    writePattern("a.tif", 40, 30);
    attach("a.tif");
    load();
    keyin("vxraster select");
  }
  std::string fileBytes() const {
    std::ifstream in(path("a.tif"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void move(double dx) {
    keyin("vxraster move attachment");
    point(0, 0);
    point(dx, 0);
    host::deliverReset();
    host::runIdle();
  }
  static void undoIsAvailable(std::size_t from) {
    keyin("vxraster undo");
    EXPECT_EQ(last("error", from), "") << "the earlier move is still undoable";
    EXPECT_EQ(geoReference("a.tif").origin.x, 0);
  }
};

TEST_F(Geometry, AMirrorModeOtherThanTheTwoLinesLeavesTheRasterAlone) {
  ASSERT_TRUE(setNumber("vxrasterparams.mirrorMode", 3));
  const std::string before = fileBytes();
  const auto from = mark();
  keyin("vxraster mirror");
  point(5, 5);
  cursor(20, 40);
  point(20, 40);
  EXPECT_TRUE(texts("dynamics", from).empty()) << "no outline for no mirror";
  EXPECT_EQ(last("error", from),
            "Mirror raster reference > Choose a horizontal or a vertical mirror line in the tool settings");
  EXPECT_EQ(fileBytes(), before);
  EXPECT_EQ(geoReference("a.tif").origin.y, 0);
  keyin("vxraster undo");
  EXPECT_EQ(last("error", from), "Undo Raster > Undo buffer is empty");
}

TEST_F(Geometry, AQuarterTurnWithoutMemoryChangesNothing) {
  move(7);
  setText("vxrasterparams.rotationAngleText", "90");
  const std::string before = fileBytes();
  const auto from = mark();
  keyin("vxraster rotate");
  host::failImageAllocation();
  point(0, 0);
  EXPECT_EQ(texts("box", from).front(), "ok icon 4: Insufficient memory is available");
  EXPECT_EQ(last("prompt", from), "Rotate raster > Raster not rotated");
  EXPECT_EQ(fileBytes(), before);
  EXPECT_EQ(geoReference("a.tif").extentX, 40);
  undoIsAvailable(from);
}

TEST_F(Geometry, AWarpTooLargeToMakeIsRefusedBeforeItEmptiesTheUndo) {
  move(7);
  setNumber("vxrasterparams.warpThreePoints", 0);
  const std::string before = fileBytes();
  const auto from = mark();
  keyin("vxraster warp");
  // Image points 1 and 2 to monuments 7 and 7e6: about seven million-fold, 40 x 30 pixels each.
  for (const double xy : {1.0, 7.0, 2.0, 7e6}) point(xy, xy);
  EXPECT_EQ(texts("box", from).front(),
            "ok icon 3: The warped raster would be 279999720 x 209999789 pixels, which VXRaster cannot "
            "make.\nNothing was warped.");
  EXPECT_EQ(fileBytes(), before);
  undoIsAvailable(from);
}

TEST_F(Geometry, ATurnedIntergraphFileCarriesItsNewPlacement) {
  writePattern("m.cit", 60, 20, IMAGEFILE_CIT);
  keyin("vxraster end");
  host::detachRaster(attachment("a.tif"), RASTER_UPDATE_ALL);
  attach("m.cit", DPoint3d{100, 200, 0}, DPoint2d{120, 40});
  keyin("vxraster select");
  setText("vxrasterparams.rotationAngleText", "90");
  keyin("vxraster rotate");
  point(0, 0);
  keyin("vxraster end");
  // Two design units a pixel; the 60 x 20 raster turned, its lower-left corner where it was.
  host::ImageFileInfo info;
  ASSERT_EQ(host::describeImageFile(path("m.cit").c_str(), info), 0);
  EXPECT_EQ(info.width, 20);
  EXPECT_TRUE(info.hasPlacement);
  EXPECT_EQ(info.originX, 100);
  EXPECT_EQ(info.originY, 200);
  EXPECT_EQ(info.extentX, 40);
  EXPECT_EQ(info.extentY, 120);
}

}  // namespace
}  // namespace pixmend::app
