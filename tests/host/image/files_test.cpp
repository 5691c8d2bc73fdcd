// Reading the shared real scans, type detection, round trips between the three formats, what a
// rewrite keeps, and writes that fail without touching the old file.
#include <dirent.h>

#include <cstring>
#include <set>

#include "host/image/formats.hpp"
#include "image_test_util.hpp"

namespace pixmend::imagetest {
namespace {

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override { host::resetHost(); }
  void TearDown() override { host::resetHost(); }
  std::vector<std::string> textWindow() const { return host::journal().texts("text"); }
  TempDir tmp;
};

// Ones per page-1 decoding as recorded with the scans: sample values as stored, so for a
// min-is-black file they count its paper, not its ink.
struct Expected {
  const char* file;
  int width, height;
  std::size_t ones;
};
const Expected kTiffs[] = {
    {"tiff/17-tiff-binary-ccitt-group3.tif", 801, 1313, 192820},
    {"tiff/1pagefax.tif", 1728, 1146, 0},
    {"tiff/58-plexustiff-binary-ccitt-group4.tif", 801, 1313, 192820},
    {"tiff/bitonal.tif", 1710, 709, 148673},
    {"tiff/CCITT_1.TIF", 1728, 2376, 155591},
    {"tiff/CCITT_2.TIF", 1728, 2376, 184240},
    {"tiff/CCITT_4.TIF", 1728, 2376, 509635},
    {"tiff/ccitt_tolessrows.tif", 6, 6, 5},
    {"tiff/CCITTgetNextChangingElement.tif", 2402, 195, 166380},
    {"tiff/char.tif", 20, 29, 434},
    {"tiff/fax2d.tif", 1728, 1082, 110358},
    {"tiff/feyn-fract.tif", 1080, 485, 425188},
    {"tiff/feyn.tif", 2528, 3300, 1060195},
    {"tiff/fivepages-scan-causingerrors.tif", 2480, 3518, 434163},
    {"tiff/form1.tif", 390, 516, 46032},
    {"tiff/G31D.TIF", 2464, 3248, 602028},
    {"tiff/G32D.TIF", 2464, 3248, 602028},
    {"tiff/g3test.tif", 1728, 1103, 194085},
    {"tiff/g4-fillorder-test.tif", 218, 84, 1851},
    {"tiff/G4.TIF", 2464, 3248, 602028},
    {"tiff/G4S.TIF", 2464, 3248, 602028},
    {"tiff/group3_1d.tif", 6, 4, 5},
    {"tiff/group3_1d_fill.tif", 6, 4, 5},
    {"tiff/group3_2d.tif", 6, 4, 5},
    {"tiff/group3_2d_fill.tif", 6, 4, 5},
    {"tiff/group3_2d_lsb2msb.tif", 6, 4, 5},
    {"tiff/group4.tif", 6, 4, 5},
    {"tiff/hopper_g4_500.tif", 500, 500, 153425},
    {"tiff/Imaging247.TIFF", 2388, 1700, 4008849},
    {"tiff/jim___ah.tif", 664, 813, 300813},
    {"tiff/minisblack.tif", 100, 150, 8994},
    {"tiff/miniswhite-1c-1b.tiff", 157, 151, 11854},
    {"tiff/miniswhite.tif", 100, 150, 6006},
    {"tiff/oddsize1bit.tif", 99, 99, 5918},
    {"tiff/oregon_ccitt_t4_1d_fill.tiff", 300, 225, 39656},
    {"tiff/oregon_ccitt_t4_2d_no_fill.tiff", 300, 225, 39656},
    {"tiff/oregon_ccitt_t6.tiff", 300, 225, 39656},
    {"tiff/packbits-fillorder-2.tif", 3508, 2481, 116210},
    {"tiff/palette-1c-1b.tiff", 157, 151, 11853},
    {"tiff/testfax3_bug54_1dnoEOL.tif", 1728, 2320, 0},
    {"tiff/testfax4.tiff", 2453, 3369, 859786},
    {"tiff/tiger-palette-strip-01.tif", 73, 76, 2062},
    {"tiff/tiger-palette-tile-01.tif", 73, 76, 2062},
    {"tiff/total-pages-zero.tif", 1728, 2156, 79182},
    {"tiff/witten.tif", 2293, 3106, 6403173},
    {"derived/CCITT_1_tiled512_g4_fo2.tif", 1728, 2376, 155591},
    {"derived/char_tiled16_g4.tif", 20, 29, 434},
    {"derived/char_tiled16_g4_tiffcp-strips.tif", 20, 29, 434},
    {"derived/feyn-fract_tiled128x64_packbits.tif", 1080, 485, 425188},
    {"derived/feyn_strips64_none.tif", 2528, 3300, 1060195},
    {"derived/feyn_tiled256_g4.tif", 2528, 3300, 1060195},
    {"derived/feyn_tiled256_g4_tiffcp-strips.tif", 2528, 3300, 1060195},
    {"derived/form1_g3_2d_fill.tif", 390, 516, 46032},
    {"derived/form1_packbits.tif", 390, 516, 46032},
    {"derived/miniswhite-1c-1b_tiled32_g4.tif", 157, 151, 11854},
    {"derived/miniswhite-1c-1b_tiled32_none.tif", 157, 151, 11854},
    {"derived/witten_tiled256_none.tif", 2293, 3106, 6403173},
};

// The 16 x 4 image of the Intergraph worked examples (rows 1 = ink).
Bits workedExample() {
  Bits b = blank(16, 4);
  const std::uint8_t rows[8] = {0x00, 0x00, 0x3C, 0x20, 0xFF, 0xFF, 0xC0, 0x03};
  b.bytes.assign(rows, rows + 8);
  return b;
}

TEST_F(ImageFiles, EveryOneBitTestScanReadsAsItLooks) {
  SKIP_WITHOUT_TESTDATA();
  int storedAsPaper = 0;
  for (const Expected& e : kTiffs) {
    SCOPED_TRACE(e.file);
    const std::string path = testdata(e.file);
    const ReadResult r = readImage(path);
    ASSERT_EQ(r.rc, 0);
    EXPECT_EQ(r.bits.width, e.width);
    EXPECT_EQ(r.bits.height, e.height);
    // libtiff's samples are the recorded ones; our bitmap is what a viewer shows, 1 = ink.
    Bits stored, look;
    ASSERT_TRUE(libtiffDecode(path, stored));
    ASSERT_TRUE(libtiffLook(path, look));
    EXPECT_EQ(stored.ones(), e.ones);
    EXPECT_TRUE(r.bits == look);
    const std::size_t pixels = static_cast<std::size_t>(e.width) * static_cast<std::size_t>(e.height);
    EXPECT_TRUE(r.bits.ones() == e.ones || r.bits.ones() == pixels - e.ones);
    if (r.bits.ones() != e.ones) ++storedAsPaper;
    EXPECT_EQ(mdlImage_typeFromFile(path.c_str()), IMAGEFILE_TIFF);
  }
  // The min-is-black scans (char, feyn-fract, witten, minisblack, oddsize1bit and the changing-
  // element page, three of them also tiled) and the palette files whose entry 0 is dark.
  EXPECT_GE(storedAsPaper, 9);
}

TEST_F(ImageFiles, DamagedG4PageReadsAsFarAsLibtiffDecodesItAndSaysSo) {
  SKIP_WITHOUT_TESTDATA();
  // The stream breaks at line 1361: the lines before it are libtiff's, the broken line and the
  // rest are paper.
  const std::string path = testdata("tiff/127.tif");
  const ReadResult r = readImage(path);
  ASSERT_EQ(r.rc, 0);
  Bits reference;
  ASSERT_TRUE(libtiffDecode(path, reference));
  const std::size_t stride = rowBytes(reference.width);
  std::fill(reference.bytes.begin() + static_cast<std::ptrdiff_t>(1361 * stride), reference.bytes.end(), 0);
  EXPECT_TRUE(r.bits == reference);
  bool reported = false;
  for (const std::string& line : textWindow())
    reported |= line.find("Premature EOL at line 1361") != std::string::npos;
  EXPECT_TRUE(reported);
}

TEST_F(ImageFiles, IntergraphSamplesDecodeToTheRecordedPixels) {
  SKIP_WITHOUT_TESTDATA();
  const ReadResult rle = readImage(testdata("intergraph/frmt09.cot"));
  const ReadResult cit = readImage(testdata("intergraph/frmt24.cit"));
  ASSERT_EQ(rle.rc, 0);
  ASSERT_EQ(cit.rc, 0);
  EXPECT_EQ(rle.bits.width, 189);
  EXPECT_EQ(rle.bits.height, 135);
  EXPECT_EQ(rle.bits.ones(), 23035u);
  EXPECT_TRUE(rle.bits == cit.bits);
  EXPECT_EQ(mdlImage_typeFromFile(testdata("intergraph/frmt09.cot").c_str()), IMAGEFILE_RLE);
  EXPECT_EQ(mdlImage_typeFromFile(testdata("intergraph/frmt24.cit").c_str()), IMAGEFILE_CIT);

  // The run-length files made from TIFF scans hold exactly the scans' pixels.
  for (const char* name : {"form1", "miniswhite-1c-1b"}) {
    SCOPED_TRACE(name);
    const ReadResult runs = readImage(testdata(std::string("derived/") + name + ".rle"));
    Bits reference;
    const std::string tiff =
        std::string("tiff/") + name + (std::strcmp(name, "form1") == 0 ? ".tif" : ".tiff");
    ASSERT_TRUE(libtiffDecode(testdata(tiff), reference));
    ASSERT_EQ(runs.rc, 0);
    EXPECT_TRUE(runs.bits == reference);
  }

  // The worked examples: plain runs, runs with line headers, Group 4.
  const std::string samples = std::string(PIXMEND_TESTDATA_DIR) + "/../formats/intergraph-samples/";
  for (const char* name :
       {"example-16x4-rle-plain.rle", "example-16x4-rle-lineheaders.rle", "example-16x4-g4.cit"}) {
    SCOPED_TRACE(name);
    const ReadResult r = readImage(samples + name);
    ASSERT_EQ(r.rc, 0);
    EXPECT_TRUE(r.bits == workedExample());
  }
}

TEST_F(ImageFiles, FilesWithoutOneBitPixelsGiveNotMonochrome) {
  SKIP_WITHOUT_TESTDATA();
  EXPECT_EQ(readImage(testdata("tiff/flower-rgb-planar-04.tif")).rc, MDLERR_NOTMONOCHROME);
  EXPECT_EQ(readImage(testdata("intergraph/frmt10.cot")).rc, MDLERR_NOTMONOCHROME);
  EXPECT_EQ(mdlImage_typeFromFile(testdata("intergraph/frmt10.cot").c_str()), IMAGEFILE_RLE);
  // The reason reaches the text window.
  bool said = false;
  for (const std::string& line : textWindow()) said |= line.find("not bitonal") != std::string::npos;
  EXPECT_TRUE(said);
}

TEST_F(ImageFiles, TypeComesFromContentFirstThenFromTheExtension) {
  SKIP_WITHOUT_TESTDATA();
  // Content wins over a misleading name, and a read with the wrong type still reads it.
  const std::string disguised = tmp.file("scan.rle");
  copyFile(testdata("tiff/char.tif"), disguised);
  EXPECT_EQ(mdlImage_typeFromFile(disguised.c_str()), IMAGEFILE_TIFF);
  EXPECT_EQ(readImage(disguised, IMAGEFILE_RLE).rc, 0);
  const std::string backup = tmp.file("backup.vxr");
  copyFile(testdata("intergraph/frmt24.cit"), backup);
  EXPECT_EQ(mdlImage_typeFromFile(backup.c_str()), IMAGEFILE_CIT);
  EXPECT_EQ(readImage(backup, IMAGEFILE_FROM_FILE).rc, 0);
  // Missing or empty files go by their extension.
  EXPECT_EQ(mdlImage_typeFromFile(tmp.file("new.TIFF").c_str()), IMAGEFILE_TIFF);
  EXPECT_EQ(mdlImage_typeFromFile(tmp.file("new.tif").c_str()), IMAGEFILE_TIFF);
  EXPECT_EQ(mdlImage_typeFromFile(tmp.file("new.Cit").c_str()), IMAGEFILE_CIT);
  EXPECT_EQ(mdlImage_typeFromFile(tmp.file("new.rle").c_str()), IMAGEFILE_RLE);
  EXPECT_EQ(mdlImage_typeFromFile(tmp.file("new.png").c_str()), IMAGEFILE_UNKNOWN);
  EXPECT_EQ(mdlImage_typeFromFile(tmp.file("dir.tif/noext").c_str()), IMAGEFILE_UNKNOWN);
  EXPECT_EQ(mdlImage_typeFromFile(nullptr), IMAGEFILE_UNKNOWN);
  writeBytes(tmp.file("empty.cit"), {});
  EXPECT_EQ(mdlImage_typeFromFile(tmp.file("empty.cit").c_str()), IMAGEFILE_CIT);
  EXPECT_EQ(readImage(tmp.file("empty.cit")).rc, MDLERR_UNKNOWNIMAGETYPE);
  EXPECT_EQ(readImage(tmp.file("missing.tif")).rc, MDLERR_FILENOTFOUND);
  EXPECT_EQ(readImage(tmp.path()).rc, MDLERR_CANNOTOPENFILE);
}

TEST_F(ImageFiles, RoundTripThroughEveryFormatKeepsThePixels) {
  testsupport::Rng rng(7);
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {7, 3}, {16, 4}, {70, 33}, {333, 41}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    Bits original = randomBits(rng, w, h, 0.4);
    const std::string tif = tmp.file("a.tif"), cit = tmp.file("b.cit"), rle = tmp.file("c.rle"),
                      tif2 = tmp.file("d.tif");
    ASSERT_EQ(writeImage(tif, IMAGEFILE_TIFF, original), 0);
    ReadResult r = readImage(tif);
    ASSERT_EQ(r.rc, 0);
    ASSERT_EQ(writeImage(cit, IMAGEFILE_CIT, r.bits), 0);
    r = readImage(cit);
    ASSERT_EQ(r.rc, 0);
    ASSERT_EQ(writeImage(rle, IMAGEFILE_RLE, r.bits), 0);
    r = readImage(rle);
    ASSERT_EQ(r.rc, 0);
    ASSERT_EQ(writeImage(tif2, IMAGEFILE_TIFF, r.bits), 0);
    r = readImage(tif2);
    ASSERT_EQ(r.rc, 0);
    EXPECT_TRUE(r.bits == original);
    EXPECT_EQ(mdlImage_typeFromFile(cit.c_str()), IMAGEFILE_CIT);
    EXPECT_EQ(mdlImage_typeFromFile(rle.c_str()), IMAGEFILE_RLE);
  }
}

TEST_F(ImageFiles, RealScansSurviveEveryFormat) {
  SKIP_WITHOUT_TESTDATA();
  // A text page, a fax in the other fill order, a min-is-black page, a tiled file.
  for (const char* scan :
       {"tiff/feyn.tif", "tiff/CCITT_1.TIF", "tiff/witten.tif", "derived/char_tiled16_g4.tif"}) {
    SCOPED_TRACE(scan);
    const ReadResult original = readImage(testdata(scan));
    ASSERT_EQ(original.rc, 0);
    Bits current = original.bits;
    for (int type : {IMAGEFILE_CIT, IMAGEFILE_RLE, IMAGEFILE_TIFF}) {
      const std::string path = tmp.file("scan" + std::to_string(type));
      ASSERT_EQ(writeImage(path, type, current), 0);
      const ReadResult r = readImage(path);
      ASSERT_EQ(r.rc, 0);
      current = r.bits;
    }
    EXPECT_TRUE(current == original.bits);
  }
}

TEST_F(ImageFiles, WrittenFilesHaveTheDocumentedLayout) {
  // TIFF: Group 4 strips, min-is-white, as libtiff sees them; padding bits are not pixels.
  Bits image = workedExample();
  Bits odd = blank(13, 2);
  odd.bytes = {0xFF, 0xFF, 0x00, 0x07};  // row 0 all ink plus padding bits set; row 1 padding only
  const std::string tif = tmp.file("odd.tif");
  ASSERT_EQ(writeImage(tif, IMAGEFILE_TIFF, odd), 0);
  TIFF* t = quietOpen(tif);
  ASSERT_NE(t, nullptr);
  std::uint16_t compression = 0, photometric = 9;
  TIFFGetField(t, TIFFTAG_COMPRESSION, &compression);
  TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);
  EXPECT_EQ(compression, COMPRESSION_CCITTFAX4);
  EXPECT_EQ(photometric, PHOTOMETRIC_MINISWHITE);
  EXPECT_FALSE(TIFFIsTiled(t));
  TIFFClose(t);
  const ReadResult back = readImage(tif);
  ASSERT_EQ(back.rc, 0);
  EXPECT_EQ(back.bits.bytes, (std::vector<std::uint8_t>{0xFF, 0xF8, 0x00, 0x00}));

  // Intergraph: the worked example's data bytes exactly (header of 1024 bytes, orientation 4,
  // version 3), run-length with line headers and Group 4 least significant bit first.
  const std::string rle = tmp.file("ex.rle"), cit = tmp.file("ex.cit");
  ASSERT_EQ(writeImage(rle, IMAGEFILE_RLE, image), 0);
  ASSERT_EQ(writeImage(cit, IMAGEFILE_CIT, image), 0);
  const std::vector<std::uint8_t> r = readBytes(rle), c = readBytes(cit);
  ASSERT_EQ(r.size(), 1084u);
  ASSERT_EQ(c.size(), 1035u);
  const std::vector<std::uint8_t> runs = {
      0x00, 0x59, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x59, 0x07, 0x00, 0x02,
      0x00, 0x00, 0x00, 0x02, 0x00, 0x04, 0x00, 0x04, 0x00, 0x01, 0x00, 0x05, 0x00, 0x00, 0x59,
      0x05, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x59, 0x07,
      0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x0C, 0x00, 0x02, 0x00, 0x00, 0x00};
  EXPECT_EQ(std::vector<std::uint8_t>(r.begin() + 1024, r.end()), runs);
  const std::vector<std::uint8_t> g4 = {0xE9, 0x66, 0x2B, 0x84, 0x24, 0xD6, 0x9C, 0x08, 0x80, 0x00, 0x08};
  EXPECT_EQ(std::vector<std::uint8_t>(c.begin() + 1024, c.end()), g4);
  for (const auto* f : {&r, &c}) {
    EXPECT_EQ((*f)[0], 0x08);
    EXPECT_EQ((*f)[1], 0x09);
    EXPECT_EQ((*f)[2], 0xFE);  // 510 words follow: two blocks
    EXPECT_EQ((*f)[194], 4);
    EXPECT_EQ((*f)[511], 3);
  }
  EXPECT_EQ(r[4], 9);
  EXPECT_EQ(r[195], 1);
  EXPECT_EQ(c[4], 24);
  EXPECT_EQ(c[195], 0);
}

TEST_F(ImageFiles, LongRunsAreSplitAndWideLinesDropLineHeaders) {
  // 70000 pixels: an OFF run longer than 32767 is split, and the line is too wide for headers.
  Bits wide = blank(70000, 2);
  wide.put(69999, 0, true);
  wide.put(40000, 1, true);
  const std::string rle = tmp.file("wide.rle");
  ASSERT_EQ(writeImage(rle, IMAGEFILE_RLE, wide), 0);
  const std::vector<std::uint8_t> bytes = readBytes(rle);
  EXPECT_EQ(bytes[195], 0);
  const ReadResult back = readImage(rle);
  ASSERT_EQ(back.rc, 0);
  EXPECT_TRUE(back.bits == wide);
  // Row 0 starts 32767, 0, 32767, 0, 4464, 1, 0.
  auto word = [&](std::size_t i) { return bytes[1024 + 2 * i] | (bytes[1025 + 2 * i] << 8); };
  EXPECT_EQ(word(0), 32767);
  EXPECT_EQ(word(1), 0);
  EXPECT_EQ(word(2), 32767);
  EXPECT_EQ(word(3), 0);
  EXPECT_EQ(word(4), 69999 - 2 * 32767);
  EXPECT_EQ(word(5), 1);
  EXPECT_EQ(word(6), 0);
}

TEST_F(ImageFiles, RewriteKeepsResolutionNamesAndFurtherPages) {
  SKIP_WITHOUT_TESTDATA();
  // CCITT_1 carries 200 dpi, a document name and a description.
  const std::string path = tmp.file("fax.tif");
  copyFile(testdata("tiff/CCITT_1.TIF"), path);
  ReadResult r = readImage(path);
  ASSERT_EQ(r.rc, 0);
  r.bits.put(0, 0, !r.bits.get(0, 0));
  ASSERT_EQ(writeImage(path, IMAGEFILE_TIFF, r.bits), 0);
  host::ImageFileInfo info;
  ASSERT_EQ(host::describeImageFile(path.c_str(), info), 0);
  EXPECT_TRUE(info.hasResolution);
  EXPECT_EQ(info.xResolution, 200);
  EXPECT_EQ(info.resolutionUnit, "dpi");
  EXPECT_EQ(info.documentName, "Standard Input");
  EXPECT_EQ(info.description, "converted PBM file");
  EXPECT_EQ(info.compression, "CCITT Group 4");
  EXPECT_TRUE(readImage(path).bits == r.bits);

  // A five-page scan keeps pages 2 to 5 exactly, behind the new first page.
  const std::string pages = tmp.file("pages.tif");
  copyFile(testdata("tiff/fivepages-scan-causingerrors.tif"), pages);
  std::vector<Bits> before(5);
  TIFF* t = quietOpen(pages);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(TIFFNumberOfDirectories(t), 5);
  TIFFClose(t);
  const ReadResult first = readImage(pages);
  ASSERT_EQ(first.rc, 0);
  Bits edited = first.bits;
  edited.put(5, 5, true);
  ASSERT_EQ(writeImage(pages, IMAGEFILE_TIFF, edited), 0);
  EXPECT_TRUE(readImage(pages).bits == edited);
  TIFF* original = quietOpen(testdata("tiff/fivepages-scan-causingerrors.tif"));
  TIFF* rewritten = quietOpen(pages);
  ASSERT_NE(original, nullptr);
  ASSERT_NE(rewritten, nullptr);
  EXPECT_EQ(TIFFNumberOfDirectories(rewritten), 5);
  for (tdir_t page = 1; page < 5; ++page) {
    SCOPED_TRACE(page);
    ASSERT_TRUE(TIFFSetDirectory(original, page));
    ASSERT_TRUE(TIFFSetDirectory(rewritten, page));
    std::uint32_t w1 = 0, w2 = 0, h1 = 0, h2 = 0;
    TIFFGetField(original, TIFFTAG_IMAGEWIDTH, &w1);
    TIFFGetField(rewritten, TIFFTAG_IMAGEWIDTH, &w2);
    TIFFGetField(original, TIFFTAG_IMAGELENGTH, &h1);
    TIFFGetField(rewritten, TIFFTAG_IMAGELENGTH, &h2);
    EXPECT_EQ(w1, w2);
    EXPECT_EQ(h1, h2);
    std::vector<std::uint8_t> a(static_cast<std::size_t>(TIFFStripSize(original))),
        b(static_cast<std::size_t>(TIFFStripSize(rewritten)));
    TIFFReadEncodedStrip(original, 0, a.data(), static_cast<tmsize_t>(a.size()));
    TIFFReadEncodedStrip(rewritten, 0, b.data(), static_cast<tmsize_t>(b.size()));
    EXPECT_EQ(a, b);
  }
  TIFFClose(original);
  TIFFClose(rewritten);
}

TEST_F(ImageFiles, IntergraphPlacementIsWrittenAndSurvivesARewrite) {
  Bits image = workedExample();
  const std::string cit = tmp.file("placed.cit");
  ASSERT_EQ(writeImage(cit, IMAGEFILE_CIT, image), 0);
  const DPoint3d origin{100, 200, 7};
  const DPoint2d extent{16, 4};
  ASSERT_EQ(mdlImage_updateIngrAttach(&origin, &extent, cit.c_str()), 0);
  // The matrix as the worked example holds it: translation at the outer upper-left corner.
  const std::vector<std::uint8_t> bytes = readBytes(cit);
  auto matrix = [&](int k) {
    double v;
    std::memcpy(&v, bytes.data() + 56 + 8 * k, 8);
    return v;
  };
  EXPECT_EQ(matrix(0), 1.0);
  EXPECT_EQ(matrix(3), 100.0);
  EXPECT_EQ(matrix(5), 1.0);
  EXPECT_EQ(matrix(7), 204.0);
  EXPECT_EQ(matrix(10), 1.0);
  EXPECT_EQ(matrix(15), 1.0);
  EXPECT_TRUE(readImage(cit).bits == image);

  // Rewriting the pixels (as a write-back does) keeps the placement; so does a type change.
  image.put(0, 0, true);
  ASSERT_EQ(writeImage(cit, IMAGEFILE_CIT, image), 0);
  ASSERT_EQ(writeImage(cit, IMAGEFILE_RLE, image), 0);
  host::ImageFileInfo info;
  ASSERT_EQ(host::describeImageFile(cit.c_str(), info), 0);
  EXPECT_EQ(info.type, IMAGEFILE_RLE);
  EXPECT_TRUE(info.hasPlacement);
  EXPECT_DOUBLE_EQ(info.originX, 100);
  EXPECT_DOUBLE_EQ(info.originY, 200);
  EXPECT_DOUBLE_EQ(info.extentX, 16);
  EXPECT_DOUBLE_EQ(info.extentY, 4);
  EXPECT_TRUE(readImage(cit).bits == image);

  // Refused: not an Intergraph file, missing file, impossible extents; the file stays as it was.
  const std::string tif = tmp.file("x.tif");
  ASSERT_EQ(writeImage(tif, IMAGEFILE_TIFF, image), 0);
  const std::vector<std::uint8_t> tifBytes = readBytes(tif);
  EXPECT_EQ(mdlImage_updateIngrAttach(&origin, &extent, tif.c_str()), MDLERR_UNKNOWNIMAGETYPE);
  EXPECT_EQ(readBytes(tif), tifBytes);
  EXPECT_EQ(mdlImage_updateIngrAttach(&origin, &extent, tmp.file("none.cit").c_str()), MDLERR_FILENOTFOUND);
  const DPoint2d flat{16, 0};
  EXPECT_EQ(mdlImage_updateIngrAttach(&origin, &flat, cit.c_str()), MDLERR_BADARG);
  EXPECT_EQ(mdlImage_updateIngrAttach(nullptr, &extent, cit.c_str()), MDLERR_BADARG);
}

TEST_F(ImageFiles, VaxCodedHeadersAreReadAndConvertedWhenPlaced) {
  SKIP_WITHOUT_TESTDATA();
  // Version 1 headers hold VAX doubles: 1.0 is 0x4080 0 0 0 (words, most significant first).
  std::vector<std::uint8_t> file = readBytes(testdata("intergraph/frmt09.cot"));
  for (int k = 0; k < 16; ++k) std::memset(file.data() + 56 + 8 * k, 0, 8);
  for (int k : {0, 5, 10, 15}) {
    file[56 + 8 * k] = 0x80;
    file[57 + 8 * k] = 0x40;
  }
  file[511] = 1;
  const std::string path = tmp.file("vax.cot");
  writeBytes(path, file);
  EXPECT_EQ(readImage(path).rc, 0);
  host::ImageFileInfo info;
  ASSERT_EQ(host::describeImageFile(path.c_str(), info), 0);
  EXPECT_DOUBLE_EQ(info.extentX, 189);
  const DPoint3d origin{10, 20, 0};
  const DPoint2d extent{378, 270};
  ASSERT_EQ(mdlImage_updateIngrAttach(&origin, &extent, path.c_str()), 0);
  const std::vector<std::uint8_t> placed = readBytes(path);
  EXPECT_EQ(placed[511], 3);
  ASSERT_EQ(host::describeImageFile(path.c_str(), info), 0);
  EXPECT_DOUBLE_EQ(info.originX, 10);
  EXPECT_DOUBLE_EQ(info.originY, 20);
  EXPECT_DOUBLE_EQ(info.extentY, 270);
  // Everything outside block 1's doubles is byte for byte the same.
  EXPECT_EQ(std::vector<std::uint8_t>(placed.begin() + 512, placed.end()),
            std::vector<std::uint8_t>(file.begin() + 512, file.end()));
}

TEST_F(ImageFiles, FailedWritesLeaveTheOldFileIntactAndNoLitter) {
  const Bits image = workedExample();
  // No such directory, and a directory that is a file.
  EXPECT_EQ(writeImage(tmp.file("missing/dir/a.tif"), IMAGEFILE_TIFF, image), MDLERR_IMAGEWRITEFAILED);
  writeBytes(tmp.file("plain"), {1, 2, 3});
  EXPECT_EQ(writeImage(tmp.file("plain/a.tif"), IMAGEFILE_TIFF, image), MDLERR_IMAGEWRITEFAILED);

  // A full disk part-way through, for each format: the old file stays as it was.
  for (int type : {IMAGEFILE_TIFF, IMAGEFILE_RLE, IMAGEFILE_CIT}) {
    SCOPED_TRACE(type);
    const std::string path = tmp.file("keep" + std::to_string(type));
    ASSERT_EQ(writeImage(path, type, image), 0);
    const std::vector<std::uint8_t> before = readBytes(path);
    Bits changed = image;
    changed.put(3, 3, true);
    host::failImageWriteAfter(100);
    EXPECT_EQ(writeImage(path, type, changed), MDLERR_IMAGEWRITEFAILED);
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(writeImage(path, type, changed), 0);  // the hook fired once
  }
  // A read-only file is refused even though we run as root.
  const std::string locked = tmp.file("locked.cit");
  ASSERT_EQ(writeImage(locked, IMAGEFILE_CIT, image), 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  const std::vector<std::uint8_t> before = readBytes(locked);
  EXPECT_EQ(writeImage(locked, IMAGEFILE_CIT, blank(16, 4)), MDLERR_IMAGEWRITEFAILED);
  EXPECT_EQ(readBytes(locked), before);
  const DPoint3d origin{0, 0, 0};
  const DPoint2d extent{1, 1};
  EXPECT_EQ(mdlImage_updateIngrAttach(&origin, &extent, locked.c_str()), MDLERR_IMAGEWRITEFAILED);
  EXPECT_EQ(readBytes(locked), before);

  // Nothing but the files written above is left in the folder.
  std::set<std::string> names;
  DIR* dir = ::opendir(tmp.path().c_str());
  while (dirent* e = ::readdir(dir)) names.insert(e->d_name);
  ::closedir(dir);
  for (const std::string& name : names) EXPECT_EQ(name.find(".pixmend-"), std::string::npos) << name;

  // A written file keeps the permissions of the file it replaces.
  const std::string shared = tmp.file("shared.tif");
  ASSERT_EQ(writeImage(shared, IMAGEFILE_TIFF, image), 0);
  ASSERT_EQ(::chmod(shared.c_str(), 0640), 0);
  ASSERT_EQ(writeImage(shared, IMAGEFILE_TIFF, image), 0);
  struct stat st {};
  ASSERT_EQ(::stat(shared.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(ImageFiles, WritingThroughALinkReplacesTheFileItPointsTo) {
  const Bits image = workedExample();
  const std::string real = tmp.file("real.cit"), link = tmp.file("link.cit");
  ASSERT_EQ(writeImage(real, IMAGEFILE_CIT, blank(16, 4)), 0);
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  ASSERT_EQ(writeImage(link, IMAGEFILE_CIT, image), 0);
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_TRUE(readImage(real).bits == image);
}

TEST_F(ImageFiles, WriteArgumentsAndTypes) {
  const Bits image = workedExample();
  const Point2d size = image.size();
  EXPECT_EQ(mdlImage_createFileFromBitMap(nullptr, 3, &size, image.bytes.data(), 0, 0, 0, nullptr),
            MDLERR_BADARG);
  EXPECT_EQ(mdlImage_createFileFromBitMap(tmp.file("a.tif").c_str(), 3, &size, nullptr, 0, 0, 0, nullptr),
            MDLERR_INVALIDIMAGE);
  const Point2d empty{0, 4};
  EXPECT_EQ(mdlImage_createFileFromBitMap(tmp.file("a.tif").c_str(), 3, &empty, image.bytes.data(), 0, 0, 0,
                                          nullptr),
            MDLERR_INVALIDIMAGE);
  EXPECT_EQ(writeImage(tmp.file("a.png"), 7, image), MDLERR_UNKNOWNIMAGETYPE);
  // Type -1: the existing file's type, else the extension.
  EXPECT_EQ(writeImage(tmp.file("by-ext.cit"), IMAGEFILE_FROM_FILE, image), 0);
  EXPECT_EQ(mdlImage_typeFromFile(tmp.file("by-ext.cit").c_str()), IMAGEFILE_CIT);
  ASSERT_EQ(writeImage(tmp.file("runs.tif"), IMAGEFILE_RLE, image), 0);
  EXPECT_EQ(writeImage(tmp.file("runs.tif"), IMAGEFILE_FROM_FILE, image), 0);
  EXPECT_EQ(mdlImage_typeFromFile(tmp.file("runs.tif").c_str()), IMAGEFILE_RLE);
  EXPECT_EQ(writeImage(tmp.file("noext"), IMAGEFILE_FROM_FILE, image), MDLERR_UNKNOWNIMAGETYPE);
  const std::vector<std::string> files = host::journal().texts("file");
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0], "wrote " + tmp.file("by-ext.cit"));
  host::failImageWriteAfter(0);
  EXPECT_EQ(writeImage(tmp.file("full.cit"), IMAGEFILE_CIT, image), MDLERR_IMAGEWRITEFAILED);
  EXPECT_EQ(host::journal().last("file")->text, "could not write " + tmp.file("full.cit"));
}

TEST_F(ImageFiles, OutOfMemoryAndTheSizeLimitGive116) {
  const Bits image = workedExample();
  const std::string path = tmp.file("m.cit");
  ASSERT_EQ(writeImage(path, IMAGEFILE_CIT, image), 0);
  for (int skip = 0; skip < 3; ++skip) {
    host::failImageAllocation(skip);
    const ReadResult r = readImage(path);
    EXPECT_TRUE(r.rc == MDLERR_INSFMEMORY || r.rc == 0) << skip;
  }
  host::failImageAllocation(0);
  EXPECT_EQ(readImage(path).rc, MDLERR_INSFMEMORY);
  // Beyond the pixel limit: refused before anything is allocated.
  host::setImagePixelLimit(63);
  const long long before = host::imageAllocationCount();
  EXPECT_EQ(readImage(path).rc, MDLERR_INSFMEMORY);
  EXPECT_EQ(host::imageAllocationCount(), before);
  const Point2d size = image.size();
  EXPECT_EQ(mdlImage_memorySize(&size, 1), 0);
  host::setImagePixelLimit(64);
  EXPECT_EQ(mdlImage_memorySize(&size, 1), 8);
}

}  // namespace
}  // namespace pixmend::imagetest
