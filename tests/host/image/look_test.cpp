// A bitmap in memory means ink, and no write changes how a file looks: every kind of 1-bit scan
// converts and is written back with the same picture as libtiff shows it (photometric applied),
// a min-is-black or palette file keeps its interpretation, an erase makes paper in any of them,
// and a damaged stream reports from which line it is missing, which is then paper too.
#include "image_test_util.hpp"

namespace pixmend::imagetest {
namespace {

class ImageLook : public ::testing::Test {
 protected:
  void SetUp() override { host::resetHost(); }
  void TearDown() override { host::resetHost(); }
  TempDir tmp;
};

// One strip of 1-bit samples written by libtiff with the photometric interpretation given (and
// a colour map for a palette); `samples` are the stored sample values.
void writeSamples(const std::string& path, const Bits& samples, std::uint16_t photometric,
                  std::uint16_t compression = COMPRESSION_CCITTFAX4, const std::uint16_t* grey = nullptr) {
  TIFF* t = quietOpen(path, "w");
  ASSERT_NE(t, nullptr);
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, samples.width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, samples.height);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
  if (grey != nullptr) TIFFSetField(t, TIFFTAG_COLORMAP, grey, grey, grey);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, samples.height);
  TIFFWriteEncodedStrip(t, 0, const_cast<std::uint8_t*>(samples.bytes.data()),
                        static_cast<tmsize_t>(samples.bytes.size()));
  TIFFClose(t);
}

Bits inverted(Bits b) {
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) b.put(x, y, !b.get(x, y));
  return b;
}

// Shared scans of every compression, fill order, interpretation and layout (strips, and tiles
// written back as strips); 127.tif is damaged, see below.
const char* const kScans[] = {
    "tiff/17-tiff-binary-ccitt-group3.tif", "tiff/1pagefax.tif",
    "tiff/bitonal.tif",                     "tiff/CCITT_2.TIF",
    "tiff/ccitt_tolessrows.tif",            "tiff/CCITTgetNextChangingElement.tif",
    "tiff/char.tif",                        "tiff/fax2d.tif",
    "tiff/feyn-fract.tif",                  "tiff/fivepages-scan-causingerrors.tif",
    "tiff/G32D.TIF",                        "tiff/g4-fillorder-test.tif",
    "tiff/group3_2d_lsb2msb.tif",           "tiff/hopper_g4_500.tif",
    "tiff/Imaging247.TIFF",                 "tiff/jim___ah.tif",
    "tiff/minisblack.tif",                  "tiff/miniswhite-1c-1b.tiff",
    "tiff/oddsize1bit.tif",                 "tiff/oregon_ccitt_t4_1d_fill.tiff",
    "tiff/packbits-fillorder-2.tif",        "tiff/palette-1c-1b.tiff",
    "tiff/tiger-palette-strip-01.tif",      "tiff/total-pages-zero.tif",
    "tiff/witten.tif",                      "derived/feyn-fract_tiled128x64_packbits.tif",
    "derived/witten_tiled256_none.tif",
};

TEST_F(ImageLook, EveryKindOfScanConvertsAndIsWrittenBackWithTheSameLook) {
  SKIP_WITHOUT_TESTDATA();
  for (const char* scan : kScans) {
    SCOPED_TRACE(scan);
    Bits look;
    ASSERT_TRUE(libtiffLook(testdata(scan), look));
    const std::uint16_t photometric = photometricOf(testdata(scan));
    const bool keepsItsOwn = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_PALETTE;

    // Written back over itself, untouched: the same picture under the same interpretation.
    const std::string copy = tmp.file("copy.tif");
    copyFile(testdata(scan), copy);
    ReadResult r = readImage(copy);
    ASSERT_EQ(r.rc, 0);
    ASSERT_EQ(writeImage(copy, IMAGEFILE_FROM_FILE, r.bits), 0);
    Bits after;
    ASSERT_TRUE(libtiffLook(copy, after));
    EXPECT_TRUE(after == look);
    EXPECT_EQ(photometricOf(copy), keepsItsOwn ? photometric : PHOTOMETRIC_MINISWHITE);

    // Converted to a new TIFF (min-is-white), to both Intergraph types and back: the same picture.
    const std::string fresh = tmp.file("new.tif");
    ::unlink(fresh.c_str());
    ASSERT_EQ(writeImage(fresh, IMAGEFILE_TIFF, r.bits), 0);
    ASSERT_TRUE(libtiffLook(fresh, after));
    EXPECT_TRUE(after == look);
    EXPECT_EQ(photometricOf(fresh), PHOTOMETRIC_MINISWHITE);
    for (const char* name : {"scan.cit", "scan.rle"}) {
      ASSERT_EQ(writeImage(tmp.file(name), IMAGEFILE_FROM_FILE, r.bits), 0);
      const ReadResult back = readImage(tmp.file(name));
      ASSERT_EQ(back.rc, 0);
      EXPECT_TRUE(back.bits == look) << name;
    }
    // An Intergraph picture written over the min-is-black (or palette) copy takes its look.
    const ReadResult cit = readImage(tmp.file("scan.cit"));
    ASSERT_EQ(writeImage(copy, IMAGEFILE_TIFF, cit.bits), 0);
    ASSERT_TRUE(libtiffLook(copy, after));
    EXPECT_TRUE(after == look);
  }
}

TEST_F(ImageLook, IntergraphScansConvertToTiffsThatLookTheSame) {
  SKIP_WITHOUT_TESTDATA();
  // Run-length ON and Group 4 black are ink: a new TIFF of them shows the same picture, and the
  // run-length copies of two TIFF scans look like those scans.
  for (const char* scan : {"intergraph/frmt09.cot", "intergraph/frmt24.cit", "derived/form1.rle",
                           "derived/miniswhite-1c-1b.rle"}) {
    SCOPED_TRACE(scan);
    const ReadResult r = readImage(testdata(scan));
    ASSERT_EQ(r.rc, 0);
    const std::string tif = tmp.file("from.tif");
    ::unlink(tif.c_str());
    ASSERT_EQ(writeImage(tif, IMAGEFILE_TIFF, r.bits), 0);
    Bits look;
    ASSERT_TRUE(libtiffLook(tif, look));
    EXPECT_TRUE(look == r.bits);
  }
  Bits tiffLook;
  ASSERT_TRUE(libtiffLook(testdata("tiff/form1.tif"), tiffLook));
  EXPECT_TRUE(readImage(testdata("derived/form1.rle")).bits == tiffLook);
}

TEST_F(ImageLook, AnEraseMakesPaperWhateverTheFileStores) {
  // The same 40 x 9 picture stored three ways: min-is-white, min-is-black (samples inverted) and
  // a palette whose entry 0 is black. Each reads as the same ink bitmap.
  testsupport::Rng rng(11);
  const Bits ink = randomBits(rng, 40, 9, 0.3);
  const std::uint16_t blackFirst[2] = {0, 65535};
  const std::string white = tmp.file("white.tif"), black = tmp.file("black.tif"), palette = tmp.file("pal.tif");
  writeSamples(white, ink, PHOTOMETRIC_MINISWHITE);
  writeSamples(black, inverted(ink), PHOTOMETRIC_MINISBLACK);
  writeSamples(palette, inverted(ink), PHOTOMETRIC_PALETTE, COMPRESSION_NONE, blackFirst);
  for (const std::string& path : {white, black, palette}) {
    SCOPED_TRACE(path);
    ReadResult r = readImage(path);
    ASSERT_EQ(r.rc, 0);
    EXPECT_TRUE(r.bits == ink);
    // Erasing a block (0 in memory) must show paper in the file, not paint it black.
    for (int y = 2; y < 7; ++y)
      for (int x = 5; x < 30; ++x) r.bits.put(x, y, false);
    const std::uint16_t photometric = photometricOf(path);
    ASSERT_EQ(writeImage(path, IMAGEFILE_FROM_FILE, r.bits), 0);
    Bits look;
    ASSERT_TRUE(libtiffLook(path, look));
    EXPECT_TRUE(look == r.bits);
    EXPECT_EQ(photometricOf(path), photometric);
  }
  // The palette keeps its colours.
  TIFF* t = quietOpen(palette);
  std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  ASSERT_TRUE(TIFFGetField(t, TIFFTAG_COLORMAP, &red, &green, &blue));
  EXPECT_EQ(red[0], 0);
  EXPECT_EQ(blue[1], 65535);
  TIFFClose(t);
}

TEST_F(ImageLook, ADamagedStreamSaysWhereItBreaksAndTheRestIsPaper) {
  // A min-is-black Group 4 page of 40 lines whose stream ends after 23: the lines it holds read
  // as ink where they had ink, the missing ones as paper (not as black, the stored zero).
  testsupport::Rng rng(5);
  const Bits ink = randomBits(rng, 64, 23, 0.2);
  const std::string whole = tmp.file("whole.tif"), cut = tmp.file("cut.tif");
  writeSamples(whole, inverted(ink), PHOTOMETRIC_MINISBLACK);
  std::vector<std::uint8_t> raw;
  {
    TIFF* t = quietOpen(whole);
    raw.resize(static_cast<std::size_t>(TIFFGetStrileByteCount(t, 0)));
    TIFFReadRawStrip(t, 0, raw.data(), static_cast<tmsize_t>(raw.size()));
    TIFFClose(t);
  }
  {
    TIFF* t = quietOpen(cut, "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 64);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 40);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 40);
    TIFFWriteRawStrip(t, 0, raw.data(), static_cast<tmsize_t>(raw.size()));
    TIFFClose(t);
  }
  const ReadResult r = readImage(cut);
  ASSERT_EQ(r.rc, 0);
  int firstBad = -1, lines = -1;
  ASSERT_EQ(mdlImage_lastReadDamage(&firstBad, &lines), 1);
  EXPECT_EQ(firstBad, 23);
  EXPECT_EQ(lines, 40);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(r.bits.get(x, y), y < 23 && ink.get(x, y)) << x << "," << y;

  // A clean read clears the report; so does a failed one; null pointers are fine.
  ASSERT_EQ(readImage(whole).rc, 0);
  EXPECT_EQ(mdlImage_lastReadDamage(&firstBad, &lines), 0);
  ASSERT_EQ(readImage(cut).rc, 0);
  EXPECT_EQ(mdlImage_lastReadDamage(nullptr, nullptr), 1);
  EXPECT_NE(readImage(tmp.file("missing.tif")).rc, 0);
  EXPECT_EQ(mdlImage_lastReadDamage(&firstBad, &lines), 0);
}

TEST_F(ImageLook, TheSharedDamagedScanBreaksAtLine1361) {
  SKIP_WITHOUT_TESTDATA();
  ASSERT_EQ(readImage(testdata("tiff/127.tif")).rc, 0);
  int firstBad = -1, lines = -1;
  EXPECT_EQ(mdlImage_lastReadDamage(&firstBad, &lines), 1);
  EXPECT_EQ(firstBad, 1361);
  EXPECT_EQ(lines, 3508);
  // A page that merely ends its data early on its own last lines (a common fax habit) reports them.
  ASSERT_EQ(readImage(testdata("tiff/ccitt_tolessrows.tif")).rc, 0);
  EXPECT_EQ(mdlImage_lastReadDamage(&firstBad, &lines), 1);
  EXPECT_EQ(firstBad, 4);
  ASSERT_EQ(readImage(testdata("tiff/feyn.tif")).rc, 0);
  EXPECT_EQ(mdlImage_lastReadDamage(&firstBad, &lines), 0);
}

}  // namespace
}  // namespace pixmend::imagetest
