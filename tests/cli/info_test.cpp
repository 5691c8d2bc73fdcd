// pixmend info and pixmend convert, run as the user runs them.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tiffio.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/image/api.h"
#include "host/lifecycle.hpp"
#include "support/random_bitmap.hpp"
#include "support/run_command.hpp"
#include "support/scratch_dir.hpp"

namespace {

using Outcome = pixmend::testsupport::CommandRun;

Outcome pixmend(const std::string& arguments) {
  return pixmend::testsupport::runCommand(std::string(PIXMEND_BUILD_DIR) + "/bin/pixmend " + arguments);
}

class ImageCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    struct stat st {};
    if (::stat((std::string(PIXMEND_BUILD_DIR) + "/bin/pixmend").c_str(), &st) != 0)
      GTEST_SKIP() << "the pixmend program is not built";
    pixmend::host::resetHost();
  }
  std::string file(const std::string& name) const { return dir_ + "/" + name; }
  pixmend::testsupport::ScratchDir scratch_{"cli"};
  std::string dir_ = scratch_.path();
};

TEST_F(ImageCommands, ConvertRoundTripsAndInfoDescribes) {
  pixmend::testsupport::Rng rng(71);
  const pixmend::testsupport::RandomBitmap b = pixmend::testsupport::randomBitmap(rng, 123, 45, 0.3);
  const Point2d size{b.width, b.height};
  ASSERT_EQ(mdlImage_createFileFromBitMap(file("a.tif").c_str(), IMAGEFILE_TIFF, &size, b.bits.data(), 0, 0,
                                          0, nullptr),
            0);
  Outcome r = pixmend("convert " + file("a.tif") + " " + file("b.rle"));
  ASSERT_EQ(r.status, 0) << r.output;
  r = pixmend("convert " + file("b.rle") + " " + file("c.out") + " --type cit");
  ASSERT_EQ(r.status, 0) << r.output;
  r = pixmend("convert --type=tiff " + file("c.out") + " " + file("d.tif"));
  ASSERT_EQ(r.status, 0) << r.output;
  unsigned char* back = nullptr;
  Point2d backSize{0, 0};
  ASSERT_EQ(mdlImage_readFileToBitMap(&back, &backSize, file("d.tif").c_str(), -1, 0, nullptr), 0);
  EXPECT_EQ(std::vector<unsigned char>(back, back + b.bits.size()), b.bits);
  mdlImage_freeImage(back, &backSize, 1);

  r = pixmend("info " + file("c.out"));
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.output.find("type:          Intergraph raster (file type 19)"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("size:          123 x 45 pixels"), std::string::npos);
  EXPECT_NE(r.output.find("CCITT Group 4 (type 24)"), std::string::npos);
  EXPECT_NE(r.output.find("placement:     origin (0, 0), extent 123 x 45"), std::string::npos);
  r = pixmend("info " + file("a.tif"));
  EXPECT_NE(r.output.find("photometric:   min-is-white (0)"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("layout:        strips"), std::string::npos);
  EXPECT_NE(r.output.find("editable:      yes"), std::string::npos);
}

TEST_F(ImageCommands, BadInputGivesAClearErrorAndAFailingStatus) {
  Outcome r = pixmend("info " + file("missing.tif"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("no such file"), std::string::npos) << r.output;
  std::FILE* f = std::fopen(file("junk.cit").c_str(), "w");
  std::fputs("not an image", f);
  std::fclose(f);
  r = pixmend("convert " + file("junk.cit") + " " + file("out.tif"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("not a TIFF or Intergraph raster"), std::string::npos) << r.output;
  struct stat st {};
  EXPECT_NE(::stat(file("out.tif").c_str(), &st), 0);  // nothing written
  r = pixmend("convert " + file("junk.cit") + " " + file("out.png"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.output.find("use --type"), std::string::npos);
  r = pixmend("convert a.tif b.tif --type gif");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(pixmend("convert onlyone").status, 2);
  EXPECT_EQ(pixmend("info").status, 2);
  const std::string shared = PIXMEND_TESTDATA_DIR;
  if (!shared.empty() && ::stat((shared + "/README.md").c_str(), &st) == 0) {
    r = pixmend("info " + shared + "/tiff/flower-rgb-planar-04.tif");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("editable:      no: not a 1-bit image"), std::string::npos) << r.output;
    r = pixmend("convert " + shared + "/tiff/flower-rgb-planar-04.tif " + file("x.cit"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("does not hold a 1-bit image"), std::string::npos) << r.output;
    r = pixmend("info " + shared + "/derived/feyn_tiled256_g4.tif");
    EXPECT_NE(r.output.find("no: tiled TIFF"), std::string::npos) << r.output;
  }
}

TEST_F(ImageCommands, ConvertKeepsTheLookOfAMinIsBlackScan) {
  const std::string shared = PIXMEND_TESTDATA_DIR;
  struct stat st {};
  if (shared.empty() || ::stat((shared + "/tiff/witten.tif").c_str(), &st) != 0)
    GTEST_SKIP() << "the shared test scans are not available";
  // witten.tif stores its white as 1. Its conversions show the same ink: 718885 pixels of it
  // (2293 x 3106 less the 6403173 white samples), counted here through libtiff's own decoding
  // with the photometric interpretation applied.
  const auto inkOf = [](const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) return -1L;
    std::uint32_t w = 0, h = 0;
    std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    std::vector<unsigned char> row(static_cast<std::size_t>(TIFFScanlineSize(tif)));
    long ink = 0;
    for (std::uint32_t y = 0; y < h; ++y) {
      TIFFReadScanline(tif, row.data(), y, 0);
      for (std::uint32_t x = 0; x < w; ++x) {
        const bool one = (row[x / 8] >> (7 - x % 8)) & 1;
        ink += one != (photometric == PHOTOMETRIC_MINISBLACK);
      }
    }
    TIFFClose(tif);
    return ink;
  };
  const std::string scan = shared + "/tiff/witten.tif";
  ASSERT_EQ(inkOf(scan), 718885);
  Outcome r = pixmend("convert " + scan + " " + file("new.tif"));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(inkOf(file("new.tif")), 718885);
  r = pixmend("convert " + scan + " " + file("scan.cit"));
  ASSERT_EQ(r.status, 0) << r.output;
  r = pixmend("convert " + file("scan.cit") + " " + file("back.tif"));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(inkOf(file("back.tif")), 718885);
  // Written over a copy of the scan, the file stays min-is-black with the same look.
  std::FILE* in = std::fopen(scan.c_str(), "rb");
  std::FILE* out = std::fopen(file("copy.tif").c_str(), "wb");
  for (int c; (c = std::fgetc(in)) != EOF;) std::fputc(c, out);
  std::fclose(in);
  std::fclose(out);
  r = pixmend("convert " + file("scan.cit") + " " + file("copy.tif"));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(inkOf(file("copy.tif")), 718885);
  r = pixmend("info " + file("copy.tif"));
  EXPECT_NE(r.output.find("photometric:   min-is-black (1)"), std::string::npos) << r.output;
}

// A conversion keeps the picture's resolution, in every type and back: 400 dots per inch of a
// scan stay 400 (read here by libtiff and from the Intergraph header by `info`); a TIFF's own
// rational and unit (centimetres here) travel unchanged between TIFFs.
TEST_F(ImageCommands, ConvertKeepsTheResolution) {
  const auto writeScan = [](const std::string& path, float resolution, std::uint16_t unit) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 40);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, resolution);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, resolution);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, unit);
    unsigned char row[5] = {0xF0, 0, 0x0F, 0, 0x81};
    for (std::uint32_t y = 0; y < 3; ++y) TIFFWriteScanline(tif, row, y, 0);
    TIFFClose(tif);
  };
  const auto resolutionOf = [](const std::string& path, float& x, std::uint16_t& unit) {
    x = 0;
    unit = 0;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) return;
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFClose(tif);
  };
  writeScan(file("scan.tif"), 400, RESUNIT_INCH);
  Outcome r = pixmend("convert " + file("scan.tif") + " " + file("scan.cit"));
  ASSERT_EQ(r.status, 0) << r.output;
  r = pixmend("info " + file("scan.cit"));
  EXPECT_NE(r.output.find("resolution:    400 x 400 dpi"), std::string::npos) << r.output;
  r = pixmend("convert " + file("scan.cit") + " " + file("back.tif"));
  ASSERT_EQ(r.status, 0) << r.output;
  float x = 0;
  std::uint16_t unit = 0;
  resolutionOf(file("back.tif"), x, unit);
  EXPECT_EQ(x, 400.0f);
  EXPECT_EQ(unit, RESUNIT_INCH);
  r = pixmend("convert " + file("scan.tif") + " " + file("scan.rle"));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(pixmend("info " + file("scan.rle")).output.find("resolution:    400 x 400 dpi"), std::string::npos);

  // Over an existing file of another resolution, the picture's own wins.
  writeScan(file("metric.tif"), 118.0f, RESUNIT_CENTIMETER);
  r = pixmend("convert " + file("metric.tif") + " " + file("back.tif"));
  ASSERT_EQ(r.status, 0) << r.output;
  resolutionOf(file("back.tif"), x, unit);
  EXPECT_EQ(x, 118.0f);
  EXPECT_EQ(unit, RESUNIT_CENTIMETER);
  r = pixmend("convert " + file("metric.tif") + " " + file("scan.cit"));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(pixmend("info " + file("scan.cit")).output.find("resolution:    300 x 300 dpi"), std::string::npos);
}

}  // namespace
