// Decoded rasters shared by file identity: a file read by the host's attachment is not decoded
// again for the next reader, the bitmap written over it is what the next reader gets, and a file
// changed by anyone else is decoded anew. Pixels are checked against libtiff's own decoding of
// the file on disk, never against the share itself.
#include <fcntl.h>
#include <sys/stat.h>

#include "host/image/formats.hpp"
#include "image_test_util.hpp"

namespace pixmend::imagetest {
namespace {

class SharedDecodes : public ::testing::Test {
 protected:
  void SetUp() override { host::resetHost(); }
  void TearDown() override { host::resetHost(); }
  std::string file(const char* name) const { return dir_.path() + "/" + name; }
  TempDir dir_;
};

void writeFile(const std::string& path, const Bits& b) {
  const Point2d size = b.size();
  ASSERT_EQ(
      mdlImage_createFileFromBitMap(path.c_str(), IMAGEFILE_TIFF, &size, b.bytes.data(), 0, 0, 0, nullptr),
      0);
}

TEST_F(SharedDecodes, AFileHeldByOneReaderIsNotDecodedForTheNext) {
  testsupport::Rng rng(4);
  const Bits original = randomBits(rng, 301, 97, 0.2);
  writeFile(file("scan.tif"), original);
  host::resetHost();  // what the write kept goes: the file is decoded
  std::shared_ptr<const host::ImageBuffer> display;
  ASSERT_EQ(host::readImageShared(file("scan.tif").c_str(), display, nullptr), 0);
  EXPECT_EQ(host::sharedDecodeCount(), 1);
  std::shared_ptr<const host::ImageBuffer> again;
  ASSERT_EQ(host::readImageShared(file("scan.tif").c_str(), again, nullptr), 0);
  EXPECT_EQ(again.get(), display.get());  // the same pixels, not a second decode
  EXPECT_EQ(host::sharedDecodeCount(), 1);
  // The application's own read gets a copy it may change; the shared pixels stay as decoded.
  ReadResult own = readImage(file("scan.tif"));
  ASSERT_EQ(own.rc, 0);
  EXPECT_TRUE(own.bits == onDisk(file("scan.tif")));
  EXPECT_TRUE(bitsOf(*display) == original);
  // Once nobody holds the decode, the next reader decodes again.
  display.reset();
  again.reset();
  ASSERT_EQ(host::readImageShared(file("scan.tif").c_str(), display, nullptr), 0);
  EXPECT_EQ(host::sharedDecodeCount(), 2);
}

TEST_F(SharedDecodes, TheBitmapWrittenIsWhatTheNextReaderOfItsFileGets) {
  testsupport::Rng rng(5);
  writeFile(file("scan.tif"), randomBits(rng, 130, 40, 0.3));
  host::resetHost();
  std::shared_ptr<const host::ImageBuffer> display;
  ASSERT_EQ(host::readImageShared(file("scan.tif").c_str(), display, nullptr), 0);
  display.reset();  // the host lets go before a write-back
  Bits edited = randomBits(rng, 130, 40, 0.3);
  testsupport::randomizePadding(rng, BitmapView(edited.bytes.data(), edited.width, edited.height));
  writeFile(file("scan.tif"), edited);
  ASSERT_EQ(host::readImageShared(file("scan.tif").c_str(), display, nullptr), 0);
  EXPECT_EQ(host::sharedDecodeCount(), 1);                    // taken, not decoded
  EXPECT_TRUE(bitsOf(*display) == onDisk(file("scan.tif")));  // padding bits 0 as a decode leaves them
  // A file just made is what its first reader gets, once; a second write replaces what is kept.
  writeFile(file("other.tif"), edited);
  writeFile(file("third.tif"), edited);
  std::shared_ptr<const host::ImageBuffer> other, third;
  ASSERT_EQ(host::readImageShared(file("other.tif").c_str(), other, nullptr), 0);
  EXPECT_EQ(host::sharedDecodeCount(), 2);
  ASSERT_EQ(host::readImageShared(file("third.tif").c_str(), third, nullptr), 0);
  EXPECT_EQ(host::sharedDecodeCount(), 2);
  EXPECT_TRUE(bitsOf(*other) == onDisk(file("other.tif")));
  EXPECT_TRUE(bitsOf(*third) == onDisk(file("third.tif")));
}

TEST_F(SharedDecodes, AFileChangedByAnyoneElseIsDecodedAnew) {
  testsupport::Rng rng(6);
  const Bits first = randomBits(rng, 64, 64, 0.5);
  writeFile(file("scan.tif"), first);
  std::shared_ptr<const host::ImageBuffer> display;
  ASSERT_EQ(host::readImageShared(file("scan.tif").c_str(), display, nullptr), 0);
  // Rewritten in place by another program (the same inode), its modification time put back.
  Bits second = first;
  second.put(10, 10, !second.get(10, 10));
  writeFile(file("second.tif"), second);
  const std::vector<std::uint8_t> replacement = readBytes(file("second.tif"));
  struct stat st {};
  ASSERT_EQ(::stat(file("scan.tif").c_str(), &st), 0);
  {
    std::FILE* f = std::fopen(file("scan.tif").c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fwrite(replacement.data(), 1, replacement.size(), f);
    std::fclose(f);
    ASSERT_EQ(::truncate(file("scan.tif").c_str(), static_cast<off_t>(replacement.size())), 0);
  }
  const timespec times[2] = {st.st_atim, st.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, file("scan.tif").c_str(), times, 0), 0);
  ReadResult own = readImage(file("scan.tif"));
  ASSERT_EQ(own.rc, 0);
  EXPECT_TRUE(own.bits == second);
  std::shared_ptr<const host::ImageBuffer> again;
  ASSERT_EQ(host::readImageShared(file("scan.tif").c_str(), again, nullptr), 0);
  EXPECT_NE(again.get(), display.get());
  EXPECT_TRUE(bitsOf(*again) == second);
}

// The bitmap kept after a write stands only for the bytes written: the file rewritten by another
// program before anyone read it is decoded.
TEST_F(SharedDecodes, AWrittenFileRewrittenElsewhereIsDecoded) {
  testsupport::Rng rng(8);
  const Bits ours = randomBits(rng, 50, 20, 0.4), theirs = randomBits(rng, 50, 20, 0.4);
  writeFile(file("theirs.tif"), theirs);
  const std::vector<std::uint8_t> replacement = readBytes(file("theirs.tif"));
  writeFile(file("scan.tif"), ours);
  writeBytes(file("scan.tif"), replacement);  // in place, not through the library
  std::shared_ptr<const host::ImageBuffer> pixels;
  ASSERT_EQ(host::readImageShared(file("scan.tif").c_str(), pixels, nullptr), 0);
  EXPECT_TRUE(bitsOf(*pixels) == theirs);
  ReadResult own = readImage(file("scan.tif"));
  EXPECT_TRUE(own.bits == theirs);
}

}  // namespace
}  // namespace pixmend::imagetest
