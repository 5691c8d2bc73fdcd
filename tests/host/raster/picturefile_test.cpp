// The PNG file of a view's picture, decoded again, and its refusals. (Kept apart from the other
// picture tests: the resource group's image decoder and the image library name their size
// limits alike.)
#include <filesystem>
#include <fstream>
#include <iterator>

#include "host/raster/picture.hpp"
#include "host/resource/images.hpp"
#include "raster_fixture.hpp"

namespace pixmend::host {
namespace {

using PictureFile = RasterTest;

TEST_F(PictureFile, IsAPngOfThePicture) {
  open(makeRaster("blocks.tif", 8, 4, [](int x, int) { return x < 4; }));
  const std::string path = scratch_.file("view.png");
  PictureFrame frame;
  std::string why;
  ASSERT_TRUE(writeViewPicture(0, path, 0, &frame, &why)) << why;
  std::ifstream in(path, std::ios::binary);
  const RgbImage image = decodePng(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
  ASSERT_EQ(image.width, 8);
  ASSERT_EQ(image.height, 4);
  EXPECT_EQ(image.rgb[0], 0);
  EXPECT_EQ(image.rgb[7 * 3], 255);

  // Nothing to show, or nowhere to write it: refused, and no file is left.
  resetHost();
  EXPECT_FALSE(writeViewPicture(0, scratch_.file("empty.png"), 0, &frame, &why));
  EXPECT_FALSE(std::filesystem::exists(scratch_.file("empty.png")));
  open(makeRaster("one.tif", 8, 8, [](int, int) { return true; }));
  EXPECT_FALSE(writeViewPicture(0, scratch_.file("no/such/folder.png"), 0, &frame, &why));
  EXPECT_NE(why.find("cannot write"), std::string::npos) << why;
}

}  // namespace
}  // namespace pixmend::host
