// The TIFF helpers of the raster session and the inversion and deletion helpers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/image/api.h"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "include/pixmend/vxdll.h"
#include "support/random_bitmap.hpp"
#include "support/scratch_dir.hpp"

namespace {

using pixmend::BitmapView;
using pixmend::ConstBitmapView;

class TiffUtilities : public ::testing::Test {
 protected:
  void SetUp() override {
    pixmend::host::resetHost();
  }
  void TearDown() override { pixmend::host::resetHost(); }
  std::string file(const std::string& name) const { return dir_ + "/" + name; }
  std::string scan(const std::string& relative) const {
    return std::string(PIXMEND_TESTDATA_DIR) + "/" + relative;
  }
  bool haveScans() const {
    struct stat st {};
    return std::string(PIXMEND_TESTDATA_DIR).size() > 0 && ::stat(scan("README.md").c_str(), &st) == 0;
  }
  static std::vector<char> bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void put(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  // A 40 x 10 bitmap written by the image library (Group 4 strips, min-is-white).
  std::string writeTiff(const std::string& name, bool tiled = false) {
    const std::string path = file(name);
    std::vector<unsigned char> bits(5 * 10, 0);
    for (int y = 0; y < 10; ++y) bits[y * 5 + y % 5] = 0x81;
    if (!tiled) {
      const Point2d size{40, 10};
      EXPECT_EQ(mdlImage_createFileFromBitMap(path.c_str(), 3, &size, bits.data(), 0, 0, 0, nullptr), 0);
      return path;
    }
    TIFF* t = TIFFOpen(path.c_str(), "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 40);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 10);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
    std::vector<unsigned char> tile(32, 0x5A);
    for (std::uint32_t x = 0; x < 40; x += 16) TIFFWriteTile(t, tile.data(), x, 0, 0, 0);
    TIFFClose(t);
    return path;
  }
  pixmend::testsupport::ScratchDir scratch_{"tiffutil"};
  std::string dir_ = scratch_.path();
};

TEST_F(TiffUtilities, TiledOrStripsAndFilesLibtiffCannotOpen) {
  EXPECT_EQ(VXDllIsTiffTiled(writeTiff("strips.tif").c_str()), 0);
  EXPECT_EQ(VXDllIsTiffTiled(writeTiff("tiles.tif", true).c_str()), 1);
  EXPECT_EQ(VXDllIsTiffTiled(file("missing.tif").c_str()), 0);
  put(file("text.tif"), {'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(VXDllIsTiffTiled(file("text.tif").c_str()), 0);
  EXPECT_EQ(VXDllGetPhotometric(file("text.tif").c_str()), -1);
  EXPECT_EQ(VXDllGetPhotometric(file("missing.tif").c_str()), -1);
  EXPECT_EQ(VXDllIsTiffTiled(nullptr), 0);
  EXPECT_EQ(VXDllGetPhotometric(nullptr), -1);
  // libtiff's complaints go to the text window, one call's worth each time.
  bool said = false;
  for (const std::string& line : pixmend::host::journal().texts("text"))
    said |= line.rfind("tiff: " + file("text.tif") + ": libtiff error", 0) == 0;
  EXPECT_TRUE(said);
  if (haveScans()) {
    EXPECT_EQ(VXDllIsTiffTiled(scan("derived/feyn_tiled256_g4.tif").c_str()), 1);
    EXPECT_EQ(VXDllIsTiffTiled(scan("tiff/tiger-palette-tile-01.tif").c_str()), 1);
    EXPECT_EQ(VXDllIsTiffTiled(scan("tiff/G4S.TIF").c_str()), 0);
  }
}

TEST_F(TiffUtilities, PhotometricReadsTheFirstDirectoryAndDefaultsToMinIsWhite) {
  EXPECT_EQ(VXDllGetPhotometric(writeTiff("w.tif").c_str()), PHOTOMETRIC_MINISWHITE);
  EXPECT_EQ(VXDllGetPhotometric(writeTiff("b.tif", true).c_str()), PHOTOMETRIC_MINISBLACK);
  if (haveScans()) {
    EXPECT_EQ(VXDllGetPhotometric(scan("tiff/minisblack.tif").c_str()), PHOTOMETRIC_MINISBLACK);
    EXPECT_EQ(VXDllGetPhotometric(scan("tiff/palette-1c-1b.tiff").c_str()), PHOTOMETRIC_PALETTE);
  }
  // Without the tag (its entry renamed to the next tag number, keeping the order).
  std::vector<char> bytes = bytesOf(file("w.tif"));
  const auto u16 = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[at]) |
                                 (static_cast<unsigned char>(bytes[at + 1]) << 8));
  };
  std::size_t ifd = 0;
  std::memcpy(&ifd, bytes.data() + 4, 4);
  bool renamed = false;
  for (unsigned i = 0; i < u16(ifd); ++i) {
    const std::size_t e = ifd + 2 + 12 * i;
    if (u16(e) == TIFFTAG_PHOTOMETRIC) {
      bytes[e] = static_cast<char>(TIFFTAG_THRESHHOLDING);
      renamed = true;
    }
  }
  ASSERT_TRUE(renamed);
  put(file("none.tif"), bytes);
  EXPECT_EQ(VXDllGetPhotometric(file("none.tif").c_str()), 0);
}

TEST_F(TiffUtilities, SettingThePhotometricKeepsTheImage) {
  const std::string path = writeTiff("p.tif");
  unsigned char* before = nullptr;
  Point2d size{0, 0};
  ASSERT_EQ(mdlImage_readFileToBitMap(&before, &size, path.c_str(), 3, 0, nullptr), 0);
  const std::size_t from = pixmend::host::journal().size();
  VXDllSetPhotometric(path.c_str(), PHOTOMETRIC_MINISBLACK);
  EXPECT_EQ(VXDllGetPhotometric(path.c_str()), PHOTOMETRIC_MINISBLACK);
  // The user's file was rewritten: the journal says so, as for every file written for the user.
  EXPECT_EQ(pixmend::host::journal().texts("file", from), std::vector<std::string>{"wrote " + path});
  unsigned char* after = nullptr;
  Point2d size2{0, 0};
  ASSERT_EQ(mdlImage_readFileToBitMap(&after, &size2, path.c_str(), 3, 0, nullptr), 0);
  EXPECT_EQ(size2.x, 40);
  EXPECT_EQ(size2.y, 10);
  // The samples stay as stored; under the new interpretation they show the other way round, and
  // the library's bitmaps (1 = ink) say so.
  for (int i = 0; i < 50; ++i) ASSERT_EQ(after[i], static_cast<unsigned char>(~before[i])) << i;
  mdlImage_freeImage(before, &size, 1);
  mdlImage_freeImage(after, &size2, 1);
  VXDllSetPhotometric(path.c_str(), PHOTOMETRIC_MINISWHITE);
  EXPECT_EQ(VXDllGetPhotometric(path.c_str()), PHOTOMETRIC_MINISWHITE);
  // Out-of-range values, read-only files, missing files and non-TIFF files: nothing changes.
  const std::vector<char> unchanged = bytesOf(path);
  VXDllSetPhotometric(path.c_str(), -1);
  VXDllSetPhotometric(path.c_str(), 65536);
  EXPECT_EQ(bytesOf(path), unchanged);
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  VXDllSetPhotometric(path.c_str(), PHOTOMETRIC_MINISBLACK);
  EXPECT_EQ(bytesOf(path), unchanged);
  put(file("text.tif"), {'x', 'y'});
  VXDllSetPhotometric(file("text.tif").c_str(), 1);
  EXPECT_EQ(bytesOf(file("text.tif")), (std::vector<char>{'x', 'y'}));
  VXDllSetPhotometric(file("missing.tif").c_str(), 1);
  VXDllSetPhotometric(nullptr, 1);
  struct stat st {};
  EXPECT_NE(::stat(file("missing.tif").c_str(), &st), 0);
  EXPECT_EQ(pixmend::host::journal().texts("file", from).size(), 2u) << "nothing else was written";
  if (haveScans()) {
    // A multi-page scan keeps every page and the first page's pixels.
    const std::string pages = file("pages.tif");
    put(pages, bytesOf(scan("tiff/fivepages-scan-causingerrors.tif")));
    VXDllSetPhotometric(pages.c_str(), PHOTOMETRIC_MINISBLACK);
    EXPECT_EQ(VXDllGetPhotometric(pages.c_str()), PHOTOMETRIC_MINISBLACK);
    TIFF* t = TIFFOpen(pages.c_str(), "r");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(TIFFNumberOfDirectories(t), 5);
    TIFFClose(t);
  }
}

TEST_F(TiffUtilities, ReadOnlyMeansNoWriteBitOrNoFile) {
  const std::string path = writeTiff("r.tif");
  EXPECT_EQ(VXDllIsReadOnly(path.c_str()), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_EQ(VXDllIsReadOnly(path.c_str()), 1);  // even for root
  ASSERT_EQ(::chmod(path.c_str(), 0200), 0);
  EXPECT_EQ(VXDllIsReadOnly(path.c_str()), 0);
  // Held locked for writing elsewhere: read-only while the lock lasts.
  const int holder = ::open(path.c_str(), O_RDWR);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  EXPECT_EQ(VXDllIsReadOnly(path.c_str()), 1);
  ::close(holder);
  EXPECT_EQ(VXDllIsReadOnly(path.c_str()), 0);
  EXPECT_EQ(VXDllIsReadOnly(file("missing.tif").c_str()), 1);
  EXPECT_EQ(VXDllIsReadOnly(dir_.c_str()), 1);
  EXPECT_EQ(VXDllIsReadOnly(nullptr), 1);
  // A pipe is no raster to write back.
  ASSERT_EQ(::mkfifo(file("pipe.tif").c_str(), 0644), 0);
  EXPECT_EQ(VXDllIsReadOnly(file("pipe.tif").c_str()), 1);
  // A writable file in a folder that takes no new file cannot be written back (every write goes
  // to a temporary beside the file), even by root: /proc/self holds such a file.
  ASSERT_EQ(::access("/proc/self/comm", W_OK), 0);
  EXPECT_EQ(VXDllIsReadOnly("/proc/self/comm"), 1);
}

// Plain inversion, one pixel at a time, padding bits left alone.
std::vector<std::uint8_t> referenceInvert(std::vector<std::uint8_t> bits, int w, int h) {
  BitmapView v(bits.data(), w, h);
  for (int x = 0; x < w; ++x)
    for (int y = 0; y < h; ++y) v.put(x, y, !v.get(x, y));
  return bits;
}

TEST_F(TiffUtilities, InversionTogglesPixelsAndLeavesPadding) {
  // The 10 x 2 case: 20 pixels toggle, the 6 padding bits per row stay.
  std::vector<unsigned char> small = {0x00, 0x15, 0xFF, 0xC0};
  VXDllInvertRaster(small.data(), 10, 2);
  EXPECT_EQ(small, (std::vector<unsigned char>{0xFF, 0xD5, 0x00, 0x00}));
  pixmend::testsupport::Rng rng(61);
  for (int w = 1; w <= 70; ++w) {
    for (int h : {1, 2, 7}) {
      pixmend::testsupport::RandomBitmap b =
          pixmend::testsupport::randomBitmap(rng, w, h, 0.5, pixmend::testsupport::Padding::Random);
      const std::vector<std::uint8_t> expected = referenceInvert(b.bits, w, h);
      const std::vector<std::uint8_t> original = b.bits;
      VXDllInvertRaster(b.bits.data(), w, h);
      ASSERT_EQ(b.bits, expected) << w << " x " << h;
      VXDllInvertRaster(b.bits.data(), w, h);
      ASSERT_EQ(b.bits, original);
    }
  }
  std::vector<unsigned char> untouched = {0x12};
  VXDllInvertRaster(untouched.data(), 0, 1);
  VXDllInvertRaster(untouched.data(), 8, -1);
  VXDllInvertRaster(nullptr, 8, 1);
  EXPECT_EQ(untouched[0], 0x12);
}

TEST_F(TiffUtilities, DeleteFile) {
  const std::string path = writeTiff("d.tif");
  EXPECT_NE(VXDllDeleteFile(path.c_str()), 0);
  struct stat st {};
  EXPECT_NE(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(VXDllDeleteFile(path.c_str()), 0);  // missing now
  EXPECT_EQ(VXDllDeleteFile(dir_.c_str()), 0);
  EXPECT_EQ(VXDllDeleteFile(nullptr), 0);
  const std::string locked = writeTiff("locked.tif");
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  EXPECT_EQ(VXDllDeleteFile(locked.c_str()), 0);
  EXPECT_EQ(::stat(locked.c_str(), &st), 0);
}

}  // namespace
