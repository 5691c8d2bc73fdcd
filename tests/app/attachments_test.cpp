// The attachment commands on real attachments: detach and detach all with a raster loaded,
// moving an attachment (its outline under the cursor, undo), the host's Save As after a
// release, and VXRaster's Save As: where the file goes, in which type, what the new attachment
// keeps, and what a failure leaves.
#include "host/dialog/manager.hpp"
#include "host/image/image_testing.hpp"
#include "host/system/idle.hpp"
#include "tests/app/raster_fixture.hpp"

namespace pixmend::app {
namespace {

using Attachments = RasterSessionTest;

TEST_F(Attachments, DetachingTheLoadedRasterWritesItBackFirst) {
  writePattern("scan.tif", 48, 32);
  attach("scan.tif");
  loadEditing();
  edit(2, 3, 10, 4, true, false);  // an edit not written yet
  host::queueAnswer("no");
  keyin("vxraster detach");
  EXPECT_NE(attachment("scan.tif"), nullptr);
  EXPECT_TRUE(loaded());

  host::queueAnswer("yes");
  const auto from = mark();
  keyin("vxraster detach");
  EXPECT_EQ(texts("box", from).front(),
            "yesno icon 2: Detach Raster Reference File: \"" + path("scan.tif") + "\" ?");
  const std::string journal = journalSince(from);
  const auto wrote = journal.find("file: wrote " + path("scan.tif"));
  const auto detached = journal.find("raster: detached scan.tif");
  ASSERT_NE(wrote, std::string::npos);
  ASSERT_NE(detached, std::string::npos);
  EXPECT_LT(wrote, detached);
  EXPECT_EQ(attachment("scan.tif"), nullptr);
  EXPECT_FALSE(loaded());
  EXPECT_EQ(read(path("scan.tif")), painted(pattern(48, 32), 2, 3, 10, 4));
}

TEST_F(Attachments, DetachAllReleasesTheLoadedRasterThenHasTheHostDetachEverything) {
  writePattern("a.tif", 16, 16);
  writePattern("b.tif", 16, 16);
  attach("a.tif", DPoint3d{0, 0, 0});
  attach("b.tif", DPoint3d{50, 0, 0});
  loadEditing();
  keyin("vxraster select");
  point(5, 5);
  edit(0, 0, 16, 1, false, false);
  host::queueAnswer("yes");
  const auto from = mark();
  keyin("vxraster detach all");
  EXPECT_TRUE(journaled("file: wrote " + path("a.tif"), from));
  EXPECT_TRUE(journaled("keyin: raster detach all", from));
  EXPECT_TRUE(host::rasterAttachments().empty());
  EXPECT_FALSE(loaded());
  EXPECT_EQ(read(path("a.tif")), painted(pattern(16, 16), 0, 0, 16, 1, false));
}

TEST_F(Attachments, MovingTheAttachmentShowsItsOutlineAndCanBeUndone) {
  writePattern("scan.tif", 40, 20);
  attach("scan.tif", DPoint3d{100, 50, 0}, DPoint2d{80, 40});  // two design units a pixel
  load();
  auto from = mark();
  keyin("vxraster move attachment");
  EXPECT_EQ(last("error", from), "Move raster attachment > Enter point to move from");
  point(110, 60);
  EXPECT_EQ(last("error", from), "Move raster attachment > Enter reference corner");
  cursor(115, 62);
  EXPECT_EQ(last("dynamics", from), "shape color 0 weight 0 style 2: 105,52 185,52 185,92 105,92 105,52");
  point(120, 60);
  EXPECT_EQ(geoReference("scan.tif").origin.x, 110);
  EXPECT_EQ(geoReference("scan.tif").origin.y, 50);
  // The command goes on for the next pair of points.
  EXPECT_EQ(last("error", from), "Move raster attachment > Enter point to move from");
  host::deliverReset();
  host::runIdle();
  keyin("vxraster undo");
  EXPECT_EQ(geoReference("scan.tif").origin.x, 100);
  keyin("vxraster redo");
  EXPECT_EQ(geoReference("scan.tif").origin.x, 110);
  EXPECT_EQ(read(path("scan.tif")), pattern(40, 20));
}

TEST_F(Attachments, HostSaveAsReleasesTheLoadedRasterFirst) {
  writePattern("scan.tif", 16, 16);
  attach("scan.tif");
  loadEditing();
  edit(4, 4, 4, 4, true, false);
  host::queueAnswer(path("other.tif"));
  const auto from = mark();
  keyin("vxraster host save as");
  const std::string journal = journalSince(from);
  EXPECT_LT(journal.find("file: wrote " + path("scan.tif")), journal.find("keyin: imgmanager file saveas"));
  EXPECT_FALSE(loaded());
  EXPECT_TRUE(sameColor(rendering(path("other.tif")).color, RgbColorDef{0, 0, 0}));
  EXPECT_EQ(read(path("other.tif")), painted(pattern(16, 16), 4, 4, 4, 4));
}

class SaveAs : public RasterSessionTest {
 protected:
  void SetUp() override {
    RasterSessionTest::SetUp();
    loadEditing();
  }
  // Attaches `name` and opens the Save As dialog on it (which loads it).
  void open(const std::string& name) {
    attach(name, DPoint3d{30, 40, 0});
    keyin("vxraster save as");
    ASSERT_NE(host::findOpenDialog(2), nullptr);
  }
  static std::string set(int item, const std::string& value) {
    std::string error;
    EXPECT_TRUE(host::setItemValue(2, item, value, &error)) << error;
    return text("vxrasterparams.saveAsFileName").value_or("");
  }
  static void ok() {
    std::string error;
    EXPECT_TRUE(host::pressButton(2, 1, &error)) << error;
    host::runIdle();
  }
};

TEST_F(SaveAs, TheDialogStartsWithTheRastersNameAndTypeAndTheTypeSetsTheExtension) {
  writePattern("scan.cit", 32, 24, IMAGEFILE_CIT);
  open("scan.cit");
  EXPECT_EQ(text("vxrasterparams.saveAsFileName"), "scan.cit");
  EXPECT_EQ(number("vxrasterparams.saveAsFileType"), 19);
  EXPECT_EQ(set(11, "RLE"), "scan.rle");
  EXPECT_EQ(set(2, "scan"), "scan");
  EXPECT_EQ(set(11, "TIFF"), "scan.tif");
  EXPECT_EQ(set(2, "scan.tiff"), "scan.tiff");
  EXPECT_EQ(set(11, "TIFF"), "scan.tiff");
}

TEST_F(SaveAs, ABareNameLandsInTheDesignsFolderAndReplacesTheAttachment) {
  writePattern("scan.cit", 32, 24, IMAGEFILE_CIT);
  open("scan.cit");
  set(11, "TIFF");
  EXPECT_EQ(set(2, "copy.tif"), "copy.tif");
  ok();
  EXPECT_EQ(host::findOpenDialog(2), nullptr);
  EXPECT_EQ(read(path("copy.tif")), pattern(32, 24));
  EXPECT_EQ(mdlImage_typeFromFile(path("copy.tif").c_str()), IMAGEFILE_TIFF);
  EXPECT_EQ(attachment("scan.cit"), nullptr);
  ASSERT_NE(attachment("copy.tif"), nullptr);
  EXPECT_EQ(geoReference("copy.tif").origin.x, 30);
  EXPECT_TRUE(sameColor(rendering("copy.tif").color, RgbColorDef{0, 0, 0}));
  EXPECT_FALSE(loaded());
  EXPECT_EQ(read(path("scan.cit")), pattern(32, 24));  // the old file is left as it was
}

TEST_F(SaveAs, AVariableAsTheDeviceNamesTheFolderAndAnIntergraphFileGetsThePlacement) {
  writePattern("scan.tif", 32, 24);
  std::filesystem::create_directories(path("out/sub"));
  define("SCANS_OUT", path("out"));  // without its final '/'
  open("scan.tif");
  set(11, "CIT");
  set(2, "SCANS_OUT:sub/saved.cit");
  ok();
  EXPECT_EQ(read(path("out/sub/saved.cit")), pattern(32, 24));
  ASSERT_NE(attachment(path("out/sub/saved.cit")), nullptr);
  // The placement is in the file's header: a new attachment of it lands where the raster was.
  DgnRaster* again = attach(path("out/sub/saved.cit"));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->georeference.origin.x, 30);
  EXPECT_EQ(again->georeference.origin.y, 40);
}

TEST_F(SaveAs, AFailedSaveKeepsTheRasterLoadedAndTheDialogOpen) {
  writePattern("scan.tif", 32, 24);
  open("scan.tif");
  set(2, "nowhere/at/all/x.tif");
  auto from = mark();
  ok();
  EXPECT_EQ(texts("box", from).front(), "ok icon 4: File not created from bitmap");
  EXPECT_NE(host::findOpenDialog(2), nullptr);
  EXPECT_TRUE(loaded());
  EXPECT_NE(attachment("scan.tif"), nullptr);

  host::failImageWriteAfter(10);
  set(2, "x.tif");
  from = mark();
  ok();
  EXPECT_EQ(texts("box", from).front(), "ok icon 4: File not created from bitmap");
  EXPECT_FALSE(std::filesystem::exists(path("x.tif")));
  EXPECT_TRUE(loaded());
  // The raster is as it was: the next edit is written to its own file.
  from = mark();
  edit(0, 0, 3, 3);
  EXPECT_TRUE(journaled("file: wrote " + path("scan.tif"), from));
}

TEST_F(SaveAs, NeverReplacesAFileBySurprise) {
  writePattern("scan.tif", 32, 24);
  writePattern("other.tif", 32, 24, IMAGEFILE_TIFF, 3);
  writePattern("free.tif", 32, 24, IMAGEFILE_TIFF, 5);
  open("scan.tif");
  attach("other.tif", DPoint3d{500, 0, 0});
  set(11, "TIFF");
  // The raster being edited, under its own name.
  set(2, "scan.tif");
  auto from = mark();
  ok();
  EXPECT_EQ(texts("box", from).front(), "ok icon 3: Cannot save as " + path("scan.tif") +
                                            ": it is the raster being edited.\nUse write back to update it, "
                                            "or choose another name.");
  // Another attached raster.
  set(2, "other.tif");
  from = mark();
  ok();
  EXPECT_EQ(texts("box", from).front(), "ok icon 3: Cannot save as " + path("other.tif") +
                                            ": it is attached as a raster reference.\nDetach it first, or "
                                            "choose another name.");
  EXPECT_EQ(read(path("other.tif")), pattern(32, 24, 3));
  // Any other file: asked first; "no" keeps it, with the dialog open for another name.
  set(2, "free.tif");
  host::queueAnswer("no");
  from = mark();
  ok();
  EXPECT_EQ(texts("box", from).front(), "yesno icon 3: " + path("free.tif") +
                                            " already exists.\nDo you want to replace it?");
  EXPECT_EQ(read(path("free.tif")), pattern(32, 24, 5));
  EXPECT_NE(host::findOpenDialog(2), nullptr);
  EXPECT_TRUE(loaded());
  host::queueAnswer("yes");
  ok();
  EXPECT_EQ(read(path("free.tif")), pattern(32, 24));
  EXPECT_NE(attachment("free.tif"), nullptr);
  EXPECT_EQ(read(path("scan.tif")), pattern(32, 24));
}

TEST_F(SaveAs, SavingAMinIsBlackTiffKeepsItsLook) {
  if (!copyScan("tiff/minisblack.tif", "mb.tif")) GTEST_SKIP() << "no test scans";
  const Pixels original = read(path("mb.tif"));
  open("mb.tif");
  set(11, "RLE");
  ok();
  // The bitmap is ink: the run-length copy holds the same picture, and the display is not
  // inverted (which would now show a negative).
  EXPECT_EQ(read(path("mb.rle")), original);
  EXPECT_EQ(rendering("mb.rle").invertedDisplay, 0);
}

}  // namespace
}  // namespace pixmend::app
