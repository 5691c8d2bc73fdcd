// Bitmaps in memory files: a copy of a mapped bitmap is its own (writes to either never show in
// the other, however many copies of copies), a bitmap the application read from the host's decode,
// edited, copied for undo, written and read back by the host holds exactly the pixels libtiff
// decodes from the file, and every mapping handed out is released. The bitmaps are large enough
// to be mapped; mapping is switched on here also in sanitizer builds, whose checks do not see into
// mappings but whose logic these tests still hold to a heap-kept model.
#include "host/image/formats.hpp"
#include "host/image/image_testing.hpp"
#include "image_test_util.hpp"

namespace pixmend::imagetest {
namespace {

class MappedBitmaps : public ::testing::Test {
 protected:
  void SetUp() override {
    host::resetHost();
    wasOn_ = host::useMappedBitmaps(true);
    base_ = host::mappedBitmapCount();
  }
  void TearDown() override {
    host::resetHost();  // lets go of the share's decodes and kept bitmap
    EXPECT_EQ(host::mappedBitmapCount(), base_) << "a mapping was not released";
    host::useMappedBitmaps(wasOn_);
  }
  std::string file(const char* name) const { return dir_.path() + "/" + name; }
  TempDir dir_;
  bool wasOn_ = false;
  std::size_t base_ = 0;
};

// Writes a few random bytes of `bytes` at random places, in `mapped` and in its model alike.
void scribble(testsupport::Rng& rng, std::uint8_t* mapped, std::vector<std::uint8_t>& model, int count) {
  for (int i = 0; i < count; ++i) {
    const auto at = static_cast<std::size_t>(rng.next() % model.size());
    const auto value = static_cast<std::uint8_t>(rng.next());
    mapped[at] = value;
    model[at] = value;
  }
}

bool same(const std::uint8_t* mapped, const std::vector<std::uint8_t>& model) {
  return std::memcmp(mapped, model.data(), model.size()) == 0;
}

TEST_F(MappedBitmaps, CopiesOfCopiesAreIndependentAndEqualTheirSourceWhenMade) {
  testsupport::Rng rng(21);
  const std::size_t bytes = 3 * host::kSharedBitmapMinBytes + 123;  // not a whole number of pages
  std::uint8_t* decode = host::allocateSharedBitmap(bytes);
  ASSERT_NE(decode, nullptr);
  std::vector<std::uint8_t> decodeModel(bytes);
  for (std::size_t i = 0; i < bytes; ++i) decodeModel[i] = decode[i] = static_cast<std::uint8_t>(rng.next());
  host::sealSharedBitmap(decode);

  std::uint8_t* app = host::cloneMappedBitmap(decode);
  ASSERT_NE(app, nullptr);
  EXPECT_TRUE(host::isMappedBitmap(app));
  std::vector<std::uint8_t> appModel = decodeModel;
  EXPECT_TRUE(same(app, appModel));
  scribble(rng, app, appModel, 40);
  EXPECT_TRUE(same(decode, decodeModel));  // the decode never changes

  // The undo copy of an edited bitmap: its written pages copied, the rest borrowed.
  std::uint8_t* undo = host::cloneMappedBitmap(app);
  ASSERT_NE(undo, nullptr);
  std::vector<std::uint8_t> undoModel = appModel;
  EXPECT_TRUE(same(undo, undoModel));
  scribble(rng, app, appModel, 40);
  scribble(rng, undo, undoModel, 40);
  EXPECT_TRUE(same(app, appModel));
  EXPECT_TRUE(same(undo, undoModel));

  // A copy of the copy, taken after both were written, and the first page written back to its
  // original value (still a page of its own, with the file's content).
  undo[0] = decodeModel[0];
  undoModel[0] = decodeModel[0];
  std::uint8_t* third = host::cloneMappedBitmap(undo);
  ASSERT_NE(third, nullptr);
  EXPECT_TRUE(same(third, undoModel));
  EXPECT_TRUE(same(decode, decodeModel));

  for (std::uint8_t* p : {third, undo, app, decode}) host::releaseImageBytes(p);
  EXPECT_EQ(host::mappedBitmapCount(), base_);
  // Heap blocks and null go through the same release.
  host::releaseImageBytes(std::malloc(16));
  host::releaseImageBytes(nullptr);
  EXPECT_EQ(host::cloneMappedBitmap(decodeModel.data()), nullptr);  // not mapped: the caller copies
}

TEST_F(MappedBitmaps, TheEditOfADecodeSharedWithTheHostIsWhatTheFileAndTheReloadHold) {
  testsupport::Rng rng(22);
  // 2403 pixels: rows end in padding bits, which the application's bitmap may have set.
  const Bits scan = randomBits(rng, 2403, 1100, 0.1);
  ASSERT_GE(scan.bytes.size(), host::kSharedBitmapMinBytes);
  const Point2d size = scan.size();
  ASSERT_EQ(mdlImage_createFileFromBitMap(file("scan.tif").c_str(), IMAGEFILE_TIFF, &size, scan.bytes.data(), 0,
                                          0, 0, nullptr),
            0);
  host::resetHost();

  // The host's attachment decodes; the application's read borrows that decode.
  std::shared_ptr<const host::ImageBuffer> display;
  ASSERT_EQ(host::readImageShared(file("scan.tif").c_str(), display, nullptr), 0);
  EXPECT_TRUE(host::isMappedBitmap(display->data.get()));
  unsigned char* bitmap = nullptr;
  Point2d read{};
  ASSERT_EQ(mdlImage_readFileToBitMap(&bitmap, &read, file("scan.tif").c_str(), IMAGEFILE_FROM_FILE, 0, nullptr), 0);
  EXPECT_TRUE(host::isMappedBitmap(bitmap));
  EXPECT_EQ(host::sharedDecodeCount(), 1);
  Bits app = blank(read.x, read.y);
  std::memcpy(app.bytes.data(), bitmap, app.bytes.size());
  EXPECT_TRUE(app == scan);

  // pushUndo's copy, then an edit: ink and paper here and there, padding bits set on some rows.
  unsigned char* undo = nullptr;
  ASSERT_EQ(mdlImage_copyImage(&undo, bitmap, &read, IMAGEFORMAT_BITMAP), 0);
  EXPECT_TRUE(host::isMappedBitmap(undo));
  Bits edited = scan;
  for (int i = 0; i < 300; ++i) {
    const int x = rng.uniform(0, scan.width - 1), y = rng.uniform(0, scan.height - 1);
    edited.put(x, y, !edited.get(x, y));
  }
  const std::size_t stride = rowBytes(scan.width);
  for (int y = 0; y < scan.height; y += 97) edited.bytes[y * stride + stride - 1] |= 0x01;
  std::memcpy(bitmap, edited.bytes.data(), edited.bytes.size());
  EXPECT_EQ(std::memcmp(undo, scan.bytes.data(), scan.bytes.size()), 0);  // the undo copy is as it was
  EXPECT_TRUE(bitsOf(*display) == scan);                                  // and so is the host's

  // The write-back: the host lets go, the file is written, the host reads it back (no decode).
  display.reset();
  ASSERT_EQ(mdlImage_createFileFromBitMap(file("scan.tif").c_str(), IMAGEFILE_FROM_FILE, &read, bitmap, 0, 0, 0,
                                          nullptr),
            0);
  Bits expected = edited;
  host::clearPadding(BitmapView(expected.bytes.data(), expected.width, expected.height));
  EXPECT_TRUE(onDisk(file("scan.tif")) == expected);
  ASSERT_EQ(host::readImageShared(file("scan.tif").c_str(), display, nullptr), 0);
  EXPECT_EQ(host::sharedDecodeCount(), 1);
  EXPECT_TRUE(bitsOf(*display) == expected);
  EXPECT_EQ(std::memcmp(bitmap, edited.bytes.data(), edited.bytes.size()), 0);  // its padding its own

  // Undo: the bitmaps exchanged and written; again what the file holds is what the host shows.
  std::swap(bitmap, undo);
  display.reset();
  ASSERT_EQ(mdlImage_createFileFromBitMap(file("scan.tif").c_str(), IMAGEFILE_FROM_FILE, &read, bitmap, 0, 0, 0,
                                          nullptr),
            0);
  EXPECT_TRUE(onDisk(file("scan.tif")) == scan);
  ASSERT_EQ(host::readImageShared(file("scan.tif").c_str(), display, nullptr), 0);
  EXPECT_TRUE(bitsOf(*display) == scan);

  // An operation in place releases the mapped input as mdlImage_freeImage does.
  unsigned char* turned = bitmap;
  Point2d turnedSize{};
  ASSERT_EQ(mdlImage_rotate(&turned, &turnedSize, bitmap, &read, IMAGEFORMAT_BITMAP, 180, nullptr), 0);
  Bits turnedBits = blank(turnedSize.x, turnedSize.y);
  std::memcpy(turnedBits.bytes.data(), turned, turnedBits.bytes.size());
  EXPECT_TRUE(turnedBits == refRotate(scan, 2));
  mdlImage_freeImage(turned, &turnedSize, IMAGEFORMAT_BITMAP);
  mdlImage_freeImage(undo, &read, IMAGEFORMAT_BITMAP);
}

TEST_F(MappedBitmaps, AReadThatCannotHaveItsMemoryFailsAndHoldsNothing) {
  testsupport::Rng rng(23);
  const Bits scan = randomBits(rng, 2048, 1100, 0.2);
  const Point2d size = scan.size();
  ASSERT_EQ(mdlImage_createFileFromBitMap(file("scan.tif").c_str(), IMAGEFILE_TIFF, &size, scan.bytes.data(), 0,
                                          0, 0, nullptr),
            0);
  host::resetHost();
  std::shared_ptr<const host::ImageBuffer> display;
  ASSERT_EQ(host::readImageShared(file("scan.tif").c_str(), display, nullptr), 0);
  const std::size_t held = host::mappedBitmapCount();
  host::failImageAllocation(0);
  unsigned char* bitmap = nullptr;
  Point2d read{};
  EXPECT_EQ(mdlImage_readFileToBitMap(&bitmap, &read, file("scan.tif").c_str(), IMAGEFILE_FROM_FILE, 0, nullptr),
            MDLERR_INSFMEMORY);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(host::mappedBitmapCount(), held);
  // With mapping off the same read is a copy on the heap, equal all the same.
  host::useMappedBitmaps(false);
  ASSERT_EQ(mdlImage_readFileToBitMap(&bitmap, &read, file("scan.tif").c_str(), IMAGEFILE_FROM_FILE, 0, nullptr), 0);
  EXPECT_FALSE(host::isMappedBitmap(bitmap));
  EXPECT_EQ(std::memcmp(bitmap, scan.bytes.data(), scan.bytes.size()), 0);
  mdlImage_freeImage(bitmap, &read, IMAGEFORMAT_BITMAP);
  host::useMappedBitmaps(true);
}

}  // namespace
}  // namespace pixmend::imagetest
