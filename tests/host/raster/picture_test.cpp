// Pictures of a view: ink shares of scaled-down rasters, nearest pixels when scaled up, colours,
// inversion, see-through backgrounds and priorities, turned views and turned attachments, the
// frame a picture takes, and the PNG file a session writes (decoded again here).
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "host/image/formats.hpp"
#include "host/raster/picture.hpp"
#include "host/resource/images.hpp"
#include "raster_fixture.hpp"

namespace pixmend::host {
namespace {

class Picture : public RasterTest {
 protected:
  // Draws view `view` at `longSide` pixels; the frame in frame_.
  std::vector<std::uint8_t> draw(int view = 0, int longSide = 0) {
    const auto layers = pictureLayers();
    std::string why;
    EXPECT_TRUE(pictureFrame(view, longSide, layers, &frame_, &why)) << why;
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(frame_.width) * frame_.height * 4);
    if (!rgba.empty()) drawPictureRows(frame_, layers, 0, frame_.height, rgba.data());
    return rgba;
  }
  const std::uint8_t* pixel(const std::vector<std::uint8_t>& rgba, int x, int y) const {
    return &rgba[(static_cast<std::size_t>(y) * frame_.width + x) * 4];
  }
  void setRendering(DgnRasterP raster, const std::function<void(RasterRendering&)>& change) {
    RasterRendering r;
    ASSERT_EQ(mdlRaster_renderingInfoGet(&r, raster), 0);
    change(r);
    ASSERT_EQ(mdlRaster_renderingInfoSet(&r, raster, RASTER_UPDATE_ALL), 0);
  }
  void place(DgnRasterP raster, double x, double y, double w, double h) {
    RasterGeoReference g;
    ASSERT_EQ(mdlRaster_geoReferenceInfoGet(&g, raster), 0);
    g.origin = DPoint3d{x, y, 0};
    g.extentX = w;
    g.extentY = h;
    ASSERT_EQ(mdlRaster_geoReferenceInfoSet(&g, raster, RASTER_UPDATE_ALL), 0);
  }

  PictureFrame frame_;
};

TEST_F(Picture, EachPicturePixelShowsTheShareOfInkItCovers) {
  // 8 x 4 pixels; the 2 x 2 blocks hold 0, 1, 2, 3 and 4 ink pixels (and 0 again).
  const int inkInBlock[8] = {0, 1, 2, 3, 4, 0, 4, 2};
  open(makeRaster("blocks.tif", 8, 4, [&](int x, int y) {
    const int block = (y / 2) * 4 + x / 2;
    const int within = (y % 2) * 2 + x % 2;
    return within < inkInBlock[block];
  }));
  const auto rgba = draw(0, 4);
  ASSERT_EQ(frame_.width, 4);
  ASSERT_EQ(frame_.height, 2);
  const int grey[5] = {255, 191, 128, 64, 0};  // black ink over white paper, by ink pixels of 4
  for (int block = 0; block < 8; ++block) {
    const std::uint8_t* p = pixel(rgba, block % 4, block / 4);
    EXPECT_EQ(p[0], grey[inkInBlock[block]]) << block;
    EXPECT_EQ(p[1], p[0]);
    EXPECT_EQ(p[3], 255) << "opaque";
  }
}

TEST_F(Picture, AScanKeepsItsShareOfInkWhenScaledDown) {
  const std::string path = copyScan("tiff/feyn.tif");
  if (path.empty()) GTEST_SKIP() << "the shared scans are not here";
  DgnRasterP raster = open(path);
  ImageBuffer image;
  ASSERT_EQ(readImageFile(path.c_str(), IMAGEFILE_FROM_FILE, image, nullptr), 0);
  double ink = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x)
      ink += (image.data[y * rowBytes(image.width) + x / 8] >> (7 - x % 8)) & 1;
  }
  const double share = ink / (static_cast<double>(image.width) * image.height);
  for (int side : {0, 333, 1000}) {
    const auto rgba = draw(0, side);
    double dark = 0;
    for (std::size_t i = 0; i < rgba.size(); i += 4) dark += 1 - rgba[i] / 255.0;
    EXPECT_NEAR(dark / (frame_.width * frame_.height), share, 0.004) << side;
  }
  EXPECT_EQ(frame_.height, 1000);
  (void)raster;
}

TEST_F(Picture, ARasterScaledUpShowsItsPixelsAsBlocks) {
  open(makeRaster("two.tif", 2, 2, [](int x, int y) { return x == y; }));
  const auto rgba = draw(0, 8);
  ASSERT_EQ(frame_.width, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) ASSERT_EQ(pixel(rgba, x, y)[0], (x / 4 == y / 4) ? 0 : 255) << x << "," << y;
  }
}

TEST_F(Picture, ColourInversionTransparencyAndPriority) {
  // Below: 4 x 4, all ink, red, at 0,0. Above: 4 x 4, left half ink, at 2,0, drawn in blue with
  // a background left out, attached first but of higher priority.
  DgnRasterP above = open(makeRaster("above.tif", 4, 4, [](int x, int) { return x < 2; }));
  DgnRasterP below = open(makeRaster("below.tif", 4, 4, [](int, int) { return true; }));
  place(above, 2, 0, 4, 4);
  setRendering(below, [](RasterRendering& r) { r.color = RgbColorDef{255, 0, 0}; });
  setRendering(above, [](RasterRendering& r) {
    r.color = RgbColorDef{0, 0, 255};
    r.transparentBackground = 1;
    r.backgroundTransparency = 0xff;
    r.displayPriority = 1;
  });
  auto rgba = draw();
  ASSERT_EQ(frame_.width, 6);
  auto expect = [&](int x, int r, int g, int b, int a) {
    const std::uint8_t* p = pixel(rgba, x, 1);
    EXPECT_EQ((std::vector<int>{p[0], p[1], p[2], p[3]}), (std::vector<int>{r, g, b, a})) << "column " << x;
  };
  expect(0, 255, 0, 0, 255);  // below only
  expect(2, 0, 0, 255, 255);  // above's ink
  expect(3, 0, 0, 255, 255);
  expect(4, 0, 0, 0, 0);  // above's background, left out: nothing below there
  expect(5, 0, 0, 0, 0);

  // Half see-through background over below's ink; then the ink and background exchanged.
  setRendering(above, [](RasterRendering& r) { r.backgroundTransparency = 0x80; });
  rgba = draw();
  const std::uint8_t* half = pixel(rgba, 4, 1);
  EXPECT_EQ(half[3], 127);  // (255 - 128) / 255 of white over nothing
  setRendering(above, [](RasterRendering& r) {
    r.invertedDisplay = 1;
    r.transparentBackground = 0;
  });
  rgba = draw();
  expect(2, 255, 255, 255, 255);  // 1 pixels now background (white)
  expect(4, 0, 0, 255, 255);      // 0 pixels now ink

  // Equal priorities: the newer is on top.
  setRendering(above, [](RasterRendering& r) { r.displayPriority = 0; });
  rgba = draw();
  expect(2, 255, 0, 0, 255);
}

TEST_F(Picture, ATurnedViewShowsTheRasterTurned) {
  // 4 x 2 raster with a different ink pattern in every pixel column.
  open(makeRaster("strip.tif", 4, 2, [](int x, int y) { return (x + y) % 3 == 0; }));
  ASSERT_TRUE(rotateViewAboutZ(5, 90));
  const auto rgba = draw(5);
  ASSERT_EQ(frame_.width, 2);
  ASSERT_EQ(frame_.height, 4);
  for (int j = 0; j < 4; ++j) {
    for (int i = 0; i < 2; ++i) {
      // Picture (i, j) shows raster column j, row 1 - i (a quarter turn counter-clockwise).
      const bool ink = (j + (1 - i)) % 3 == 0;
      EXPECT_EQ(pixel(rgba, i, j)[0], ink ? 0 : 255) << i << "," << j;
    }
  }
}

TEST_F(Picture, SampledAndCountedSharesAgree) {
  std::mt19937 random(7);
  std::vector<bool> bits(40 * 30);
  for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = random() % 3 == 0;
  open(makeRaster("random.tif", 40, 30,
                  [&](int x, int y) { return bits[static_cast<std::size_t>(y * 40 + x)]; }));
  // A turn by a millionth of a degree moves nothing by a visible amount but makes the map turned,
  // so it is sampled (2 x 2 samples, one in each raster pixel of a picture pixel).
  ASSERT_TRUE(rotateViewAboutZ(1, 1e-6));
  const auto counted = draw(0, 20);
  const auto sampled = draw(1, 20);
  ASSERT_EQ(counted.size(), sampled.size());
  int differ = 0;
  for (std::size_t i = 0; i < counted.size(); ++i) differ += std::abs(counted[i] - sampled[i]) > 1 ? 1 : 0;
  EXPECT_EQ(differ, 0);
}

TEST_F(Picture, ATurnedAttachmentIsDrawnTurnedWhileItsRenderingSaysSo) {
  DgnRasterP raster = open(makeRaster("square.tif", 20, 20, [](int, int) { return true; }));
  RasterGeoReference g;
  mdlRaster_geoReferenceInfoGet(&g, raster);
  g.rotation = std::atan(1.0);  // 45 degrees about the origin
  mdlRaster_geoReferenceInfoSet(&g, raster, 1);
  auto rgba = draw();
  EXPECT_EQ(frame_.width, 20) << "upright while the turn is not applied";
  setRendering(raster, [](RasterRendering& r) { r.placementTransformApplied = 1; });
  rgba = draw(0, 200);
  // The turned square's outline: a diamond from x -14.1 to 14.1 and y 0 to 28.3.
  ASSERT_EQ(frame_.width, 200);
  ASSERT_EQ(frame_.height, 200);
  EXPECT_EQ(pixel(rgba, 100, 100)[3], 255) << "the middle is ink";
  EXPECT_EQ(pixel(rgba, 100, 100)[0], 0);
  EXPECT_EQ(pixel(rgba, 5, 5)[3], 0) << "outside the diamond";
  EXPECT_EQ(pixel(rgba, 194, 194)[3], 0);
}

TEST_F(Picture, FarAwayAndVanishinglySmallAttachmentsDrawWithoutHarm) {
  DgnRasterP normal = open(makeRaster("normal.tif", 30, 20, [](int x, int) { return x < 10; }));
  DgnRasterP tiny = open(makeRaster("tiny.tif", 30, 20, [](int, int) { return true; }));
  DgnRasterP far = open(makeRaster("far.tif", 30, 20, [](int, int) { return true; }));
  place(tiny, 5, 5, 1e-300, 1e-300);
  place(far, 1e300, -1e300, 1e290, 1e290);
  setRendering(far, [](RasterRendering& r) { r.placementTransformApplied = 1; });
  RasterGeoReference g;
  mdlRaster_geoReferenceInfoGet(&g, far);
  g.skew = 1.5707963267948966;  // the axes fall together: the raster has no area
  mdlRaster_geoReferenceInfoSet(&g, far, 1);
  ASSERT_TRUE(setViewArea(0, DPoint2d{0, 0}, DPoint2d{30, 20}));
  const auto rgba = draw(0, 30);
  EXPECT_EQ(pixel(rgba, 2, 2)[0], 0);
  EXPECT_EQ(pixel(rgba, 20, 2)[0], 255);
  clearViewArea(0);
  std::string why;
  PictureFrame frame;
  pictureFrame(0, 0, pictureLayers(), &frame, &why);  // whatever it says, it says it safely
  (void)normal;
}

TEST_F(Picture, TheFrameIsTheRastersOwnResolutionOrWhatIsAsked) {
  std::string why;
  PictureFrame frame;
  EXPECT_FALSE(pictureFrame(0, 0, pictureLayers(), &frame, &why)) << "nothing to show";
  EXPECT_NE(why.find("shows nothing"), std::string::npos) << why;
  DgnRasterP raster = open(makeRaster("wide.tif", 100, 50, [](int, int) { return false; }));
  draw();
  EXPECT_EQ(frame_.width, 100);
  EXPECT_EQ(frame_.height, 50);
  place(raster, 0, 0, 10000, 5000);  // a pixel is now 100 design units: still 100 x 50
  draw();
  EXPECT_EQ(frame_.width, 100);
  draw(0, 3000);
  EXPECT_EQ(frame_.width, 3000);
  EXPECT_EQ(frame_.height, 1500);
  ASSERT_TRUE(setViewArea(2, DPoint2d{0, 0}, DPoint2d{5000, 5000}));
  draw(2);
  EXPECT_EQ(frame_.width, 50);
  EXPECT_EQ(frame_.height, 50);
  EXPECT_FALSE(pictureFrame(0, kMaxPictureSide + 1, pictureLayers(), &frame, &why));
  EXPECT_FALSE(pictureFrame(8, 0, pictureLayers(), &frame, &why));
  ASSERT_TRUE(setViewArea(2, DPoint2d{-1e308, 0}, DPoint2d{1e308, 10}));
  EXPECT_FALSE(pictureFrame(2, 0, pictureLayers(), &frame, &why)) << "wider than a double holds";
  EXPECT_NE(why.find("too large"), std::string::npos) << why;
  EXPECT_FALSE(setViewArea(2, DPoint2d{0, 0}, DPoint2d{0, 10})) << "no width";
  EXPECT_FALSE(setViewArea(2, DPoint2d{0, 0}, DPoint2d{NAN, 10}));
}

TEST_F(Picture, TheFileIsAPngOfThePicture) {
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
