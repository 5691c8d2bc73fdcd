// Our Group 4 encoder against libtiff: every stream it makes is decoded by libtiff's fax decoder
// into the very pixels encoded, and is byte for byte the stream libtiff's own scanline encoder
// makes of them (the coding is fully determined by the pixels, so any difference is a fault).
// Random bitmaps of every width 1 to 130, runs long enough for every make-up code, every shared
// scan, and the A0 benchmark sheet when it is there; inverted and least-significant-first too.
#include <dirent.h>

#include <algorithm>

#include "host/image/formats.hpp"
#include "image_test_util.hpp"

namespace pixmend::imagetest {
namespace {

using host::ImageBuffer;
using host::ImageDiagnostics;

class G4Encoder : public ::testing::Test {
 protected:
  void SetUp() override { host::resetHost(); }
  void TearDown() override { host::resetHost(); }
};

// The pixels libtiff decodes from `stream` (padding bits 0).
Bits decoded(const std::vector<std::uint8_t>& stream, int width, int height, bool lsbFirst) {
  Bits out = blank(width, height);
  ImageDiagnostics diag("test");
  diag.silence();
  EXPECT_EQ(host::decodeG4(stream.data(), stream.size(), BitmapView(out.bytes.data(), width, height),
                           lsbFirst, true, diag),
            0);
  return out;
}

// `in` with its padding bits cleared and, for `invert`, every pixel exchanged.
Bits expectedPixels(const Bits& in, bool invert) {
  Bits out = in;
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x) out.put(x, y, in.get(x, y) != invert);
  const std::size_t n = rowBytes(in.width);
  for (int y = 0; y < in.height; ++y)
    out.bytes[(y + 1) * n - 1] &= static_cast<std::uint8_t>(~testsupport::paddingMask(in.width));
  return out;
}

// Encodes with both encoders, checks the bytes agree and that libtiff decodes the pixels.
void checkRoundTrip(const Bits& in, bool invert, bool lsbFirst) {
  const ConstBitmapView view(in.bytes.data(), in.width, in.height);
  std::vector<std::uint8_t> ours{0xAB};  // the stream is appended after what is there
  ASSERT_EQ(host::encodeG4Stream(view, invert, lsbFirst, ours, nullptr), 0);
  ASSERT_EQ(ours[0], 0xAB);
  ours.erase(ours.begin());
  std::vector<std::uint8_t> theirs;
  ImageDiagnostics diag("test");
  ASSERT_EQ(host::encodeG4Libtiff(view, invert, lsbFirst, theirs, diag, nullptr), 0);
  EXPECT_TRUE(ours == theirs) << "streams of " << ours.size() << " and " << theirs.size() << " bytes differ";
  EXPECT_TRUE(decoded(ours, in.width, in.height, lsbFirst) == expectedPixels(in, invert));
}

TEST_F(G4Encoder, RandomBitmapsOfEveryWidthDecodeToThemselves) {
  testsupport::Rng rng(21);
  for (int w = 1; w <= 130; ++w) {
    for (double density : {0.0, 0.03, 0.5, 0.97, 1.0}) {
      SCOPED_TRACE(::testing::Message() << "width " << w << " density " << density);
      Bits in = randomBits(rng, w, 1 + w % 17, density);
      testsupport::randomizePadding(rng, BitmapView(in.bytes.data(), in.width, in.height));
      checkRoundTrip(in, w % 3 == 0, w % 5 == 0);
    }
  }
}

// Rows of runs drawn from every range a code table covers: terminating codes, make-up codes up
// to 1728, the shared ones up to 2560 and the repeated 2560 of longer runs; rows that shift a
// little against the row above (vertical codes), a lot (horizontal) or end early (pass codes).
TEST_F(G4Encoder, LongRunsUseEveryMakeUpCode) {
  testsupport::Rng rng(7);
  for (int width : {2561, 2623, 2624, 2625, 5187, 20000}) {
    Bits in = blank(width, 64);
    for (int y = 0; y < in.height; ++y) {
      const int scale = (y % 4 == 0) ? 8 : (y % 4 == 1) ? 200 : (y % 4 == 2) ? 3000 : 9000;
      bool ink = rng.chance(0.5);
      for (int x = 0; x < width;) {
        const int run = rng.uniform(1, scale);
        for (int i = x; i < std::min(width, x + run); ++i) in.put(i, y, ink);
        x += run;
        ink = !ink;
      }
    }
    SCOPED_TRACE(::testing::Message() << "width " << width);
    checkRoundTrip(in, false, false);
    checkRoundTrip(in, true, true);
  }
  // Every run length from 0 to 5200 once, as white and as black.
  Bits runs = blank(6000, 5201);
  for (int len = 0; len <= 5200; ++len) {
    for (int x = 0; x < 6000; ++x) runs.put(x, len, x >= len);
  }
  checkRoundTrip(runs, false, false);
  checkRoundTrip(runs, true, false);
}

// The densest codes a row can take, where the bytes a row may use are nearly all used: pixels
// that alternate at every column, shifted by one column a row (vertical codes only) or not at
// all, and stripes of one and two pixels offset by five (horizontal codes with the shortest
// runs), on widths around a word and a make-up code.
TEST_F(G4Encoder, TheDensestRowsStayByteForByte) {
  for (int width : {1, 2, 63, 64, 65, 127, 2561, 4099}) {
    for (int pattern = 0; pattern < 3; ++pattern) {
      Bits in = blank(width, 24);
      for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < width; ++x) {
          const int shift = pattern == 0 ? y : pattern == 1 ? 0 : 5 * y;
          in.put(x, y, pattern == 2 ? (x + shift) % 3 == 0 : (x + shift) % 2 == 0);
        }
      SCOPED_TRACE(::testing::Message() << "width " << width << " pattern " << pattern);
      checkRoundTrip(in, false, false);
      checkRoundTrip(in, true, true);
    }
  }
}

// Every readable scan of the shared test data, encoded and decoded, and written as a TIFF that
// the library reads back.
TEST_F(G4Encoder, EverySharedScanSurvivesEncodingAndTheTiffWriter) {
  SKIP_WITHOUT_TESTDATA();
  int scans = 0;
  for (const char* folder : {"tiff", "derived", "intergraph"}) {
    DIR* dir = ::opendir(testdata(folder).c_str());
    ASSERT_NE(dir, nullptr);
    while (const dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name[0] == '.') continue;
      const std::vector<std::uint8_t> bytes = readBytes(testdata(std::string(folder) + "/" + name));
      ImageBuffer image;
      ImageDiagnostics diag(name);
      diag.silence();
      const int type = host::detectImageType(bytes.data(), bytes.size());
      const int rc = type == IMAGEFILE_TIFF
                         ? host::readTiff(bytes.data(), bytes.size(), image, diag, nullptr)
                         : host::readIngr(bytes.data(), bytes.size(), image, diag, nullptr);
      if (rc != 0) continue;  // not monochrome, or refused as damaged: nothing to encode
      SCOPED_TRACE(name);
      Bits in = blank(image.width, image.height);
      std::memcpy(in.bytes.data(), image.data.get(), in.bytes.size());
      checkRoundTrip(in, false, false);
      std::vector<std::uint8_t> file;
      ASSERT_EQ(host::writeTiff(image.constView(), host::CarriedProperties{}, file, diag, nullptr), 0);
      ImageBuffer back;
      ASSERT_EQ(host::readTiff(file.data(), file.size(), back, diag, nullptr), 0);
      EXPECT_EQ(0, std::memcmp(back.data.get(), image.data.get(), image.bytes()));
      ++scans;
    }
    ::closedir(dir);
  }
  EXPECT_GE(scans, 20);
}

TEST_F(G4Encoder, TheBenchmarkSheetSurvivesEncoding) {
  SKIP_WITHOUT_TESTDATA();
  const std::vector<std::uint8_t> bytes = readBytes(testdata("../benchdata/a0-drawing-400dpi.tif"));
  if (bytes.empty()) GTEST_SKIP() << "the benchmark sheet is not available";
  ImageBuffer image;
  ImageDiagnostics diag("sheet");
  ASSERT_EQ(host::readTiff(bytes.data(), bytes.size(), image, diag, nullptr), 0);
  Bits in = blank(image.width, image.height);
  std::memcpy(in.bytes.data(), image.data.get(), in.bytes.size());
  checkRoundTrip(in, false, false);
}

// A min-is-black file keeps storing ink as 0 through the writer's inverted encoding.
TEST_F(G4Encoder, TheWriterEncodesInkAsZeroForMinIsBlackFiles) {
  testsupport::Rng rng(5);
  Bits in = randomBits(rng, 77, 31, 0.2);
  host::CarriedProperties carry;
  carry.photometric = PHOTOMETRIC_MINISBLACK;
  carry.inkIsZero = true;
  std::vector<std::uint8_t> file;
  ImageDiagnostics diag("t");
  ASSERT_EQ(
      host::writeTiff(ConstBitmapView(in.bytes.data(), in.width, in.height), carry, file, diag, nullptr), 0);
  ImageBuffer back;
  ASSERT_EQ(host::readTiff(file.data(), file.size(), back, diag, nullptr), 0);
  EXPECT_EQ(0, std::memcmp(back.data.get(), in.bytes.data(), in.bytes.size()));
}

TEST_F(G4Encoder, AStopLeavesTheOutputAsItWas) {
  Bits in = blank(40, 3000);
  std::vector<std::uint8_t> out{1, 2, 3};
  EXPECT_EQ(
      host::encodeG4Stream(ConstBitmapView(in.bytes.data(), 40, 3000), false, false, out, [] { return 1; }),
      MDLERR_IMAGESTOPPED);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{1, 2, 3}));
}

}  // namespace
}  // namespace pixmend::imagetest
