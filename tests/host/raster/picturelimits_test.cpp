// Pictures of attachments placed beyond what a double can hold: refused with a reason (alone) or
// left out (beside others), never an overflowed picture size or an abort.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "host/image/image.hpp"
#include "host/lifecycle.hpp"
#include "host/raster/picture.hpp"

namespace pixmend::host {
namespace {

PictureLayer layer(double pixelX, double pixelY, double originX = 0) {
  auto pixels = std::make_shared<ImageBuffer>();
  EXPECT_EQ(allocateImage(20, 30, *pixels), 0);
  std::fill(pixels->data.get(), pixels->data.get() + pixels->bytes(), 0xFF);
  PictureLayer l;
  l.pixels = pixels;
  l.placement.origin = DPoint3d{originX, 0, 0};
  l.placement.axisU = DPoint2d{pixelX, 0};
  l.placement.axisV = DPoint2d{0, pixelY};
  return l;
}

class HugePlacements : public ::testing::Test {
 protected:
  void SetUp() override { resetHost(); }
  void TearDown() override { resetHost(); }
};

TEST_F(HugePlacements, AnAreaThatCannotBeComputedIsRefusedWithItsReason) {
  PictureFrame frame;
  std::string why;
  // 1e308 design units wide and high: the pixel mapping overflows.
  for (const auto& [x, y] : {std::pair{1e308 / 20, 1e308 / 30}, {1e-310, 1e-310}, {1e300, 1e300}}) {
    SCOPED_TRACE(x);
    EXPECT_FALSE(layerDrawable(layer(x, y)));
    EXPECT_FALSE(pictureFrame(0, 0, {layer(x, y)}, &frame, &why));
    EXPECT_NE(why.find("too large or too small"), std::string::npos) << why;
    EXPECT_FALSE(pictureFrame(0, 500, {layer(x, y)}, &frame, &why));
  }
}

TEST_F(HugePlacements, BesideOtherRastersTheUndrawableOneIsLeftOutAndTheSizeStaysBounded) {
  PictureFrame frame;
  std::string why;
  const std::vector<PictureLayer> layers = {layer(1, 1), layer(1e308 / 20, 1e308 / 30, 100)};
  ASSERT_TRUE(pictureFrame(0, 0, layers, &frame, &why)) << why;
  EXPECT_EQ(frame.width, 20);
  EXPECT_EQ(frame.height, 30);
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(frame.width) * frame.height * 4);
  drawPictureRows(frame, layers, 0, frame.height, rgba.data());
  EXPECT_EQ(rgba[3], 255);  // the drawable raster is there
  // An area whose sides differ by 300 orders of magnitude: the ratio is taken first, so the
  // short side is one pixel, not an overflow.
  const std::vector<PictureLayer> thin = {layer(5e306, 1e-290)};
  ASSERT_TRUE(pictureFrame(0, 0, thin, &frame, &why)) << why;
  EXPECT_EQ(frame.width, 2000);
  EXPECT_EQ(frame.height, 1);
}

}  // namespace
}  // namespace pixmend::host
