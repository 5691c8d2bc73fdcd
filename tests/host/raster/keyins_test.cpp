// The host's raster key-ins as the applications send them: attaching a file chosen in the file
// dialog (from the answer queue), detaching all, reporting the attachments, and saving an
// attachment's file under another name and type.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "host/design/design.hpp"
#include "host/image/formats.hpp"
#include "host/image/image.hpp"
#include "host/output/answers.hpp"
#include "host/state/state.hpp"
#include "raster_fixture.hpp"

namespace pixmend::host {
namespace {

using RasterKeyins = RasterTest;

std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST_F(RasterKeyins, AttachInteractiveTakesTheFileFromTheAnswerQueue) {
  const std::string path = makeRaster("scan.tif", 16, 8, [](int x, int) { return x % 2 == 0; });
  queueAnswer(path);
  ASSERT_TRUE(runKeyin("raster attach interactive"));
  ASSERT_EQ(rasterAttachments().size(), 1u);
  RasterFileInfo info;
  ASSERT_EQ(mdlRaster_fileInfoGet(&info, rasterAttachments()[0]), 0);
  EXPECT_EQ(info.fileOpen, 0) << "attached by the host: the session closes and opens it before writing";
  EXPECT_EQ(journal().texts("dialog").back(),
            "file open \"Attach Raster Reference\" -> " + path + " (answered)");

  queueAnswer("cancel");
  runKeyin("raster attach interactive");
  runKeyin("raster attach interactive");  // an empty queue cancels too: nothing is suggested
  EXPECT_EQ(rasterAttachments().size(), 1u);

  queueAnswer(scratch_.file("missing.tif"));
  runKeyin("raster attach interactive");
  EXPECT_EQ(journal().texts("error").back(),
            "Cannot attach " + scratch_.file("missing.tif") + ": file not found");
  EXPECT_EQ(rasterAttachments().size(), 1u);
}

TEST_F(RasterKeyins, DetachAllAndModify) {
  runKeyin("raster modify");
  EXPECT_EQ(journal().texts("error").back(), "No raster attached");
  const std::string a = makeRaster("a.tif", 8, 8, [](int, int) { return false; });
  DgnRasterP first = open(a);
  open(makeRaster("b.tif", 8, 8, [](int, int) { return false; }));
  RasterRendering r;
  mdlRaster_renderingInfoGet(&r, first);
  r.color = RgbColorDef{0, 176, 0};
  r.invertedDisplay = 1;
  r.displayPriority = 4;
  mdlRaster_renderingInfoSet(&r, first, 14);
  runKeyin("raster modify");
  const auto texts = rasterJournal();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[texts.size() - 2], "modify " + a + " at 0,0 extent 8,8 colour 0,176,0 priority 4 inverted");
  runKeyin("raster detach all");
  EXPECT_TRUE(rasterAttachments().empty());
  EXPECT_EQ(rasterJournal().back(), "detached " + scratch_.file("b.tif"));
  runKeyin("raster detach all");  // nothing left: nothing happens
}

TEST_F(RasterKeyins, SaveAsCopiesOrConvertsAndTheAttachmentFollows) {
  const std::string tif = makeRaster("scan.tif", 20, 10, [](int x, int y) { return (x + y) % 4 == 0; });
  DgnRasterP raster = open(tif);
  RasterGeoReference geo;
  mdlRaster_geoReferenceInfoGet(&geo, raster);
  geo.origin = DPoint3d{5, 6, 0};
  mdlRaster_geoReferenceInfoSet(&geo, raster, 14);

  // Another type by the extension: the pixels are written anew.
  const std::string rle = scratch_.file("scan.rle");
  queueAnswer(rle);
  ASSERT_TRUE(runKeyin("imgmanager file saveas"));
  EXPECT_EQ(journal().texts("dialog").back(), "file create \"Save Raster As\" -> " + rle + " (answered)");
  EXPECT_EQ(rasterJournal().back(), "saved " + tif + " as " + rle);
  ImageBuffer before, after;
  ASSERT_EQ(readImageFile(tif.c_str(), IMAGEFILE_FROM_FILE, before, nullptr), 0);
  ASSERT_EQ(readImageFile(rle.c_str(), IMAGEFILE_FROM_FILE, after, nullptr), 0);
  EXPECT_EQ(mdlImage_typeFromFile(rle.c_str()), IMAGEFILE_RLE);
  ASSERT_EQ(after.bytes(), before.bytes());
  EXPECT_EQ(std::memcmp(after.data.get(), before.data.get(), before.bytes()), 0);
  RasterFileInfo info;
  ASSERT_EQ(mdlRaster_fileInfoGet(&info, raster), 0);
  EXPECT_STREQ(info.fullPath, rle.c_str()) << "the attachment refers to the new file";
  EXPECT_EQ(info.fileType, IMAGEFILE_RLE);
  RasterGeoReference geoAfter;
  mdlRaster_geoReferenceInfoGet(&geoAfter, raster);
  EXPECT_EQ(geoAfter.origin.x, 5) << "and keeps its place";

  // The same type: a byte copy, named by the attachment's number.
  const std::string copy = scratch_.file("copy.rle");
  queueAnswer(copy);
  runKeyin("imgmanager file saveas 1");
  EXPECT_EQ(readBytes(copy), readBytes(rle));
  EXPECT_EQ(journal().texts("file").back(), "copied " + rle + " to " + copy);

  queueAnswer("cancel");
  runKeyin("imgmanager file saveas");
  EXPECT_EQ(rasterJournal().back(), "saved " + rle + " as " + copy);
  runKeyin("imgmanager file saveas 7");
  EXPECT_EQ(journal().texts("error").back(), "No raster attached as 7");
  queueAnswer(scratch_.file("no/such/folder/x.tif"));
  runKeyin("imgmanager file saveas");
  EXPECT_NE(journal().texts("error").back().find("Cannot save " + copy + " as "), std::string::npos);
  ASSERT_EQ(mdlRaster_fileInfoGet(&info, raster), 0);
  EXPECT_STREQ(info.fullPath, copy.c_str()) << "a failed save changes nothing";
}

TEST_F(RasterKeyins, SaveAsNeverReplacesAFileBySurprise) {
  const auto ink = [](int x, int y) { return (x * y) % 3 == 0; };
  const std::string a = makeRaster("a.tif", 16, 8, ink);
  const std::string b = makeRaster("b.tif", 16, 8, [](int, int) { return false; });
  const std::string c = makeRaster("c.rle", 16, 8, [](int, int) { return true; });
  open(a);
  open(b);
  const auto bBytes = readBytes(b);
  // An attached raster (the raster's own file too) is refused.
  for (const std::string& target : {b, a}) {
    queueAnswer(target);
    runKeyin("imgmanager file saveas 1");
    EXPECT_EQ(journal().texts("error").back(), "Cannot save " + a + " as " + target + ": it is an attached raster");
  }
  EXPECT_EQ(readBytes(b), bBytes);
  // Any other existing file is replaced only when the user says so; the new file holds nothing of
  // the old one (a run-length file replaced by the TIFF's pixels written anew).
  const auto cBytes = readBytes(c);
  const std::string target = c;
  queueAnswer(target);
  queueAnswer("no");
  runKeyin("imgmanager file saveas 1");
  EXPECT_EQ(journal().texts("box").back(), "answer no");
  EXPECT_EQ(readBytes(target), cBytes);
  queueAnswer(target);
  queueAnswer("yes");
  runKeyin("imgmanager file saveas 1");
  EXPECT_EQ(journal().texts("box")[journal().texts("box").size() - 2],
            "yesno icon 3: " + target + " already exists.\nDo you want to replace it?");
  EXPECT_EQ(journal().texts("file").back(), "renamed " + target + ".part to " + target);
  EXPECT_EQ(mdlImage_typeFromFile(target.c_str()), IMAGEFILE_RLE);
  ImageBuffer before, after;
  ASSERT_EQ(readImageFile(a.c_str(), IMAGEFILE_FROM_FILE, before, nullptr), 0);
  ASSERT_EQ(readImageFile(target.c_str(), IMAGEFILE_FROM_FILE, after, nullptr), 0);
  EXPECT_EQ(std::memcmp(after.data.get(), before.data.get(), before.bytes()), 0);
  EXPECT_FALSE(std::filesystem::exists(target + ".part"));
}

TEST_F(RasterKeyins, SaveAsWritesATiledTiffInStripsWithItsLook) {
  // Min-is-white with fill order 2, and min-is-black.
  for (const char* scan : {"derived/CCITT_1_tiled512_g4_fo2.tif", "derived/char_tiled16_g4.tif"}) {
    SCOPED_TRACE(scan);
    const std::string tiled = copyScan(scan, "tiled.tif");
    if (tiled.empty()) GTEST_SKIP() << "no test scans";
    ImageFileInfo info;
    ASSERT_EQ(describeImageFile(tiled.c_str(), info), 0);
    ASSERT_TRUE(info.tiled);
    open(tiled);
    const std::string strips = scratch_.file("strips.tif");
    queueAnswer(strips);
    runKeyin("imgmanager file saveas");
    ImageFileInfo saved;
    ASSERT_EQ(describeImageFile(strips.c_str(), saved), 0);
    EXPECT_FALSE(saved.tiled);
    EXPECT_EQ(saved.photometric, info.photometric);
    EXPECT_EQ(saved.hasResolution, info.hasResolution);
    ImageBuffer before, after;
    ASSERT_EQ(readImageFile(tiled.c_str(), IMAGEFILE_FROM_FILE, before, nullptr), 0);
    ASSERT_EQ(readImageFile(strips.c_str(), IMAGEFILE_FROM_FILE, after, nullptr), 0);
    ASSERT_EQ(after.bytes(), before.bytes());
    EXPECT_EQ(std::memcmp(after.data.get(), before.data.get(), before.bytes()), 0);
    runKeyin("raster detach all");
    std::filesystem::remove(strips);
  }
}

}  // namespace
}  // namespace pixmend::host
