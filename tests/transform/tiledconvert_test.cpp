// The tiled-to-strip conversion: real tiled scans convert to strip files with the same pixels and
// the tags the conversion promises; bad input leaves the target alone and says why.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tiffio.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/image/image_testing.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "include/pixmend/vxdll.h"
#include "support/scratch_dir.hpp"
#include "transform/replacefile.hpp"
#include "transform/tiledconvert.hpp"

namespace {

namespace fs = std::filesystem;
using pixmend::testsupport::ScratchDir;

std::string testData(const std::string& name) { return std::string(PIXMEND_TESTDATA_DIR) + "/" + name; }

bool haveTestData() { return std::string(PIXMEND_TESTDATA_DIR).size() > 0 && fs::exists(testData("derived")); }

struct Decoded {
  bool ok = false;
  std::uint32_t width = 0, length = 0;
  bool tiled = false;
  std::uint16_t compression = 0, photometric = 0, planar = 0;
  std::uint32_t strips = 0;
  std::vector<std::uint8_t> rows;  // packed rows, stride ceil(width / 8), as stored
};

// Decodes the first page with libtiff, tiles or strips, independently of the conversion.
Decoded decode(const std::string& path) {
  Decoded d;
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (tif == nullptr) return d;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &d.width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &d.length);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &d.compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PHOTOMETRIC, &d.photometric);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &d.planar);
  d.tiled = TIFFIsTiled(tif) != 0;
  d.strips = d.tiled ? 0 : TIFFNumberOfStrips(tif);
  const std::size_t stride = (d.width + 7) / 8;
  d.rows.assign(stride * d.length, 0);
  d.ok = true;
  if (d.tiled) {
    std::uint32_t tw = 0, tl = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tl);
    std::vector<std::uint8_t> tile(TIFFTileSize(tif));
    const std::size_t tileRow = (tw + 7) / 8;
    for (std::uint32_t y = 0; y < d.length; y += tl)
      for (std::uint32_t x = 0; x < d.width; x += tw) {
        d.ok = d.ok && TIFFReadTile(tif, tile.data(), x, y, 0, 0) >= 0;
        for (std::uint32_t j = 0; j < tl && y + j < d.length; ++j)
          for (std::uint32_t i = 0; i < tw && x + i < d.width; ++i)
            if (tile[j * tileRow + i / 8] & (0x80 >> (i % 8))) d.rows[(y + j) * stride + (x + i) / 8] |= 0x80 >> ((x + i) % 8);
      }
  } else {
    for (std::uint32_t y = 0; y < d.length; ++y) d.ok = d.ok && TIFFReadScanline(tif, &d.rows[y * stride], y, 0) >= 0;
  }
  TIFFClose(tif);
  return d;
}

std::vector<std::string> textSince(std::size_t from) { return pixmend::host::journal().texts("text", from); }

bool mentions(const std::vector<std::string>& lines, const std::string& what) {
  for (const auto& l : lines)
    if (l.find(what) != std::string::npos) return true;
  return false;
}

class TiledConvert : public ::testing::Test {
 protected:
  void SetUp() override {
    pixmend::host::resetHost();
    pixmend::resetConversionOptions();
  }
  void TearDown() override { pixmend::setConversionBufferFloor(std::size_t{64} << 20); }
  ScratchDir dir_{"tiledconvert"};
};

TEST_F(TiledConvert, EveryTiledScanConvertsToStripsWithTheSamePixels) {
  if (!haveTestData()) GTEST_SKIP() << "no test scans (PIXMEND_TESTDATA_DIR)";
  const char* files[] = {"derived/CCITT_1_tiled512_g4_fo2.tif",     "derived/char_tiled16_g4.tif",
                         "derived/feyn-fract_tiled128x64_packbits.tif", "derived/feyn_tiled256_g4.tif",
                         "derived/miniswhite-1c-1b_tiled32_g4.tif",   "derived/miniswhite-1c-1b_tiled32_none.tif",
                         "derived/witten_tiled256_none.tif",          "tiff/tiger-palette-tile-01.tif"};
  for (const char* name : files) {
    const std::string source = testData(name), target = dir_.file("out.tif");
    const Decoded original = decode(source);
    ASSERT_TRUE(original.ok && original.tiled) << name;
    VXDllConvertTiledTiff(source.c_str(), target.c_str());
    const Decoded converted = decode(target);
    ASSERT_TRUE(converted.ok) << name;
    EXPECT_FALSE(converted.tiled) << name;
    EXPECT_EQ(converted.strips, 1u) << name;
    EXPECT_EQ(converted.width, original.width) << name;
    EXPECT_EQ(converted.length, original.length) << name;
    EXPECT_EQ(converted.compression, COMPRESSION_CCITTFAX4) << name;
    // The sample bits are as stored and keep the source's interpretation: the same look.
    EXPECT_EQ(converted.photometric, original.photometric) << name;
    EXPECT_TRUE(converted.rows == original.rows) << name;
  }
}

TEST_F(TiledConvert, CopiesTheDescriptiveTagsAndKeepsThePlanarOption) {
  if (!haveTestData()) GTEST_SKIP() << "no test scans (PIXMEND_TESTDATA_DIR)";
  // A tiled source with a set of descriptive tags, made here from a real scan's pixels.
  const Decoded pixels = decode(testData("derived/char_tiled16_g4.tif"));
  const std::string source = dir_.file("tagged.tif"), target = dir_.file("out.tif");
  {
    TIFF* tif = TIFFOpen(source.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, pixels.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, pixels.length);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 400.0);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 300.0);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_DOCUMENTNAME, "sheet 4");
    TIFFSetField(tif, TIFFTAG_ARTIST, "drawing office");
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, 2, 7);
    TIFFSetField(tif, TIFFTAG_THRESHHOLDING, 2);
    const float white[2] = {0.3127f, 0.329f};
    TIFFSetField(tif, TIFFTAG_WHITEPOINT, white);
    std::vector<std::uint8_t> tile(TIFFTileSize(tif));
    const std::size_t stride = (pixels.width + 7) / 8;
    for (std::uint32_t y = 0; y < pixels.length; y += 16)
      for (std::uint32_t x = 0; x < pixels.width; x += 16) {
        std::fill(tile.begin(), tile.end(), 0);
        for (std::uint32_t j = 0; j < 16 && y + j < pixels.length; ++j)
          for (std::uint32_t i = 0; i < 16 && x + i < pixels.width; ++i)
            if (pixels.rows[(y + j) * stride + (x + i) / 8] & (0x80 >> ((x + i) % 8))) tile[j * 2 + i / 8] |= 0x80 >> (i % 8);
        TIFFWriteTile(tif, tile.data(), x, y, 0, 0);
      }
    TIFFClose(tif);
  }
  VXDllConvertTiledTiff(source.c_str(), target.c_str());
  EXPECT_TRUE(decode(target).rows == pixels.rows);
  TIFF* tif = TIFFOpen(target.c_str(), "r");
  ASSERT_NE(tif, nullptr);
  float xr = 0, yr = 0;
  std::uint16_t unit = 0, page = 0, pages = 0, thresh = 0, planar = 0;
  const char *doc = nullptr, *artist = nullptr;
  float* white = nullptr;
  std::uint32_t rowsPerStrip = 0;
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xr) && xr == 400.0f);
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yr) && yr == 300.0f);
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit) && unit == RESUNIT_INCH);
  ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_DOCUMENTNAME, &doc));
  EXPECT_STREQ(doc, "sheet 4");
  ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_ARTIST, &artist));
  EXPECT_STREQ(artist, "drawing office");
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_PAGENUMBER, &page, &pages) && page == 2 && pages == 7);
  // The source's Threshholding replaces the 1 the conversion sets first.
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_THRESHHOLDING, &thresh) && thresh == 2);
  ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_WHITEPOINT, &white));
  EXPECT_FLOAT_EQ(white[0], 0.3127f);
  EXPECT_FLOAT_EQ(white[1], 0.329f);
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &planar) && planar == PLANARCONFIG_CONTIG);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  EXPECT_GE(rowsPerStrip, pixels.length);
  TIFFClose(tif);
  // What the first conversion filled in stays for the next ones.
  EXPECT_EQ(pixmend::conversionOptions().planarConfig, PLANARCONFIG_CONTIG);
  EXPECT_EQ(pixmend::conversionOptions().outputTiled, 0);
  EXPECT_NE(pixmend::conversionOptions().rowsPerStrip, 0xFFFFFFFFu);
}

TEST_F(TiledConvert, StripSourcesConvertToo) {
  if (!haveTestData()) GTEST_SKIP() << "no test scans (PIXMEND_TESTDATA_DIR)";
  for (const char* name : {"derived/feyn_strips64_none.tif", "tiff/G4S.TIF", "tiff/CCITT_2.TIF"}) {
    const std::string target = dir_.file("strips.tif");
    VXDllConvertTiledTiff(testData(name).c_str(), target.c_str());
    EXPECT_TRUE(decode(target).rows == decode(testData(name)).rows) << name;
  }
}

TEST_F(TiledConvert, FailuresLeaveTheTargetAsItWasAndSayWhy) {
  if (!haveTestData()) GTEST_SKIP() << "no test scans (PIXMEND_TESTDATA_DIR)";
  const std::string target = dir_.file("keep.tif");
  { std::ofstream(target) << "old contents"; }
  auto targetKept = [&] {
    std::ifstream in(target);
    std::string s;
    std::getline(in, s);
    return s == "old contents";
  };
  std::size_t from = pixmend::host::journal().size();

  VXDllConvertTiledTiff(dir_.file("missing.tif").c_str(), target.c_str());
  EXPECT_TRUE(targetKept());
  EXPECT_TRUE(mentions(textSince(from), "cannot open the source"));

  from = pixmend::host::journal().size();
  VXDllConvertTiledTiff(target.c_str(), dir_.file("other.tif").c_str());  // not a TIFF
  EXPECT_FALSE(fs::exists(dir_.file("other.tif")));
  EXPECT_TRUE(mentions(textSince(from), "not a readable TIFF"));

  // Damaged tiles: the tile data of a Group 4 scan overwritten with noise.
  const std::string damaged = dir_.file("damaged.tif");
  fs::copy_file(testData("derived/feyn_tiled256_g4.tif"), damaged);
  {
    std::fstream f(damaged, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(2000);
    for (int i = 0; i < 20000; ++i) f.put(static_cast<char>((i * 7919) & 0xFF));
  }
  from = pixmend::host::journal().size();
  VXDllConvertTiledTiff(damaged.c_str(), target.c_str());
  EXPECT_TRUE(targetKept());
  EXPECT_TRUE(mentions(textSince(from), "damaged"));

  // A target without any write permission bit is not replaced, though we run as root.
  const std::string locked = dir_.file("locked.tif");
  { std::ofstream(locked) << "old contents"; }
  ::chmod(locked.c_str(), 0444);
  VXDllConvertTiledTiff(testData("derived/char_tiled16_g4.tif").c_str(), locked.c_str());
  EXPECT_EQ(fs::file_size(locked), 12u);

  // A disk that fills up while the target is written: the old target stays, no temporary file.
  pixmend::failNextReplacementAfter(100);
  VXDllConvertTiledTiff(testData("derived/char_tiled16_g4.tif").c_str(), target.c_str());
  EXPECT_TRUE(targetKept());
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir_.path())) files += entry.is_regular_file();
  EXPECT_EQ(files, 3);  // keep.tif, damaged.tif, locked.tif

  // Null and empty paths do nothing.
  VXDllConvertTiledTiff(nullptr, target.c_str());
  VXDllConvertTiledTiff(testData("derived/char_tiled16_g4.tif").c_str(), "");
  EXPECT_TRUE(targetKept());
}

TEST_F(TiledConvert, RefusesSizesTheFileCannotHold) {
  // A tiled Group 4 directory claiming 2^18 x 2^18 pixels (8 GB unpacked) with no tile data:
  // refused before any buffer is allocated.
  const std::string source = dir_.file("huge.tif"), target = dir_.file("out.tif");
  {
    TIFF* tif = TIFFOpen(source.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 1u << 18);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1u << 18);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 4096);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 4096);
    std::vector<std::uint8_t> blank(TIFFTileSize(tif), 0);
    TIFFWriteTile(tif, blank.data(), 0, 0, 0, 0);  // one blank tile; the others have no data
    TIFFClose(tif);
  }
  const std::size_t from = pixmend::host::journal().size();
  VXDllConvertTiledTiff(source.c_str(), target.c_str());
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(mentions(textSince(from), "more than a file of"));
}

TEST_F(TiledConvert, ImagesGroupFourCannotHoldAreRefused) {
  if (!haveTestData()) GTEST_SKIP() << "no test scans (PIXMEND_TESTDATA_DIR)";
  const std::string flower = testData("tiff/flower-rgb-planar-04.tif"), target = dir_.file("out.tif");
  // First conversion in the process: the planar option takes the source's (separate) value, so
  // there is no planar mismatch, but 4-bit colour cannot be written as Group 4.
  std::size_t from = pixmend::host::journal().size();
  VXDllConvertTiledTiff(flower.c_str(), target.c_str());
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(mentions(textSince(from), "Group 4 holds only 1-bit images"));
  // After a contiguous source has set the option, the same file meets the planar mismatch.
  pixmend::resetConversionOptions();
  VXDllConvertTiledTiff(testData("derived/char_tiled16_g4.tif").c_str(), target.c_str());
  ASSERT_TRUE(fs::exists(target));
  fs::remove(target);
  from = pixmend::host::journal().size();
  VXDllConvertTiledTiff(flower.c_str(), target.c_str());
  EXPECT_FALSE(fs::exists(target));
  const auto lines = textSince(from);
  EXPECT_TRUE(mentions(lines, flower + ": Can not handle different planar configuration w/ bits/sample != 8\n"));
}

TEST_F(TiledConvert, ConvertsAFileOntoItself) {
  if (!haveTestData()) GTEST_SKIP() << "no test scans (PIXMEND_TESTDATA_DIR)";
  const std::string path = dir_.file("self.tif");
  fs::copy_file(testData("derived/miniswhite-1c-1b_tiled32_g4.tif"), path);
  ::chmod(path.c_str(), 0644);  // the shared scans carry no write permission
  const Decoded before = decode(path);
  VXDllConvertTiledTiff(path.c_str(), path.c_str());
  const Decoded after = decode(path);
  EXPECT_FALSE(after.tiled);
  EXPECT_TRUE(after.rows == before.rows);
}

}  // namespace
