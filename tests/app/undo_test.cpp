// Undo and redo (one level, tied to the raster it was taken from), the backup copy taken at each
// load, revert and recover, with the mended cases: a backup of another raster is never used, a
// backup that cannot be read leaves the bitmap alone, and recover with a raster loaded reloads
// its bitmap so that the next write-back keeps the recovered file.
#include "app/undo.hpp"
#include "tests/app/raster_fixture.hpp"

namespace pixmend::app {
namespace {

class Undo : public RasterSessionTest {
 protected:
  // Moves the loaded raster's attachment by (dx, dy): an edit that can be undone.
  static void move(double dx, double dy) {
    keyin("vxraster move attachment");
    point(0, 0);
    point(dx, dy);
    host::deliverReset();
    host::runIdle();
  }
  static double originX(const std::string& name) { return geoReference(name).origin.x; }
  std::string lastError(std::size_t from) const { return last("error", from); }
};

TEST_F(Undo, EmptyStoresSaySoAndEachCommandTakesOneStep) {
  writePattern("a.tif", 40, 40);
  attach("a.tif");
  load();
  keyin("vxraster select");
  auto from = mark();
  keyin("vxraster undo");
  EXPECT_EQ(lastError(from), "Undo Raster > Undo buffer is empty");
  keyin("vxraster redo");
  EXPECT_EQ(lastError(from), "Redo Raster > Redo buffer is empty");

  // Edit, undo, redo, undo: back where it started.
  move(10, 0);
  EXPECT_EQ(originX("a.tif"), 10);
  keyin("vxraster undo");
  EXPECT_EQ(originX("a.tif"), 0);
  keyin("vxraster redo");
  EXPECT_EQ(originX("a.tif"), 10);
  keyin("vxraster undo");
  EXPECT_EQ(originX("a.tif"), 0);
  from = mark();
  keyin("vxraster undo");
  EXPECT_EQ(lastError(from), "Undo Raster > Undo buffer is empty");

  // Two edits: one undo takes back only the second; a second undo finds the store empty.
  move(10, 0);
  move(5, 0);
  keyin("vxraster undo");
  EXPECT_EQ(originX("a.tif"), 10);
  from = mark();
  keyin("vxraster undo");
  EXPECT_EQ(lastError(from), "Undo Raster > Undo buffer is empty");
  EXPECT_EQ(originX("a.tif"), 10);

  // An edit after an undo drops the redo.
  keyin("vxraster redo");
  EXPECT_EQ(originX("a.tif"), 15);
  keyin("vxraster undo");
  move(1, 0);
  from = mark();
  keyin("vxraster redo");
  EXPECT_EQ(lastError(from), "Redo Raster > Redo buffer is empty");
  EXPECT_EQ(originX("a.tif"), 11);
  // Every exchange wrote the bitmap back: the file keeps its pixels.
  EXPECT_EQ(read(path("a.tif")), pattern(40, 40));
}

TEST_F(Undo, TheStoreBelongsToItsRaster) {
  writePattern("a.tif", 40, 40);
  writePattern("b.tif", 40, 40);
  attach("a.tif", DPoint3d{0, 0, 0});
  attach("b.tif", DPoint3d{100, 0, 0});
  load();
  keyin("vxraster select");
  point(10, 10);
  move(10, 0);
  keyin("vxraster select");
  point(110, 10);
  const auto from = mark();
  keyin("vxraster undo");
  EXPECT_EQ(lastError(from), "Undo Raster > Undo buffer is empty");
  EXPECT_EQ(originX("a.tif"), 10);
  EXPECT_EQ(originX("b.tif"), 100);
}

TEST_F(Undo, RevertBringsBackTheFileAsLoadedAndEmptiesTheStore) {
  writePattern("a.tif", 40, 40);
  attach("a.tif", DPoint3d{0, 0, 0});
  load();
  keyin("vxraster select");
  move(10, 0);
  move(10, 0);
  // The backup holds the pixels as loaded; a different picture there shows that revert reads it.
  writePattern("tmp/backup.vxr.tif", 40, 40, IMAGEFILE_TIFF, 7);
  std::filesystem::rename(path("tmp/backup.vxr.tif"), path("tmp/backup.vxr"));
  keyin("vxraster revert");
  EXPECT_EQ(read(path("a.tif")), pattern(40, 40, 7));
  EXPECT_EQ(originX("a.tif"), 0);
  EXPECT_TRUE(sameColor(rendering("a.tif").color, palette(2)));
  auto from = mark();
  keyin("vxraster undo");
  EXPECT_EQ(lastError(from), "Undo Raster > Undo buffer is empty");

  // A backup that cannot be read: the message, and the bitmap is kept (never an empty one).
  std::ofstream(path("tmp/backup.vxr"), std::ios::trunc) << "not a raster";
  from = mark();
  keyin("vxraster revert");
  EXPECT_EQ(texts("box", from).front().rfind("ok icon 4: ", 0), 0u);
  from = mark();
  keyin("vxraster write");
  EXPECT_TRUE(journaled("file: wrote " + path("a.tif"), from));
  EXPECT_EQ(read(path("a.tif")), pattern(40, 40, 7));

  // No backup: nothing at all.
  std::filesystem::remove(path("tmp/backup.vxr"));
  from = mark();
  keyin("vxraster revert");
  EXPECT_FALSE(journaled("file: wrote " + path("a.tif"), from));
}

TEST_F(Undo, ABackupOfAnotherRasterIsNeverUsed) {
  writePattern("a.tif", 40, 40, IMAGEFILE_TIFF, 1);
  writePattern("b.tif", 40, 40, IMAGEFILE_TIFF, 2);
  attach("a.tif", DPoint3d{0, 0, 0});
  attach("b.tif", DPoint3d{100, 0, 0});
  load();
  keyin("vxraster select");
  point(10, 10);  // backup of a
  // The temporary folder becomes unusable: b's load cannot renew the backup.
  ASSERT_TRUE(setText("userInterfaceData.tempDirectory", path("missing/")));
  keyin("vxraster select");
  auto from = mark();
  point(110, 10);
  EXPECT_EQ(lastError(from), "Cannot make backup copy. Check the temp path in the setup.");
  from = mark();
  keyin("vxraster revert");
  EXPECT_FALSE(journaled("file: wrote " + path("b.tif"), from));
  EXPECT_EQ(read(path("b.tif")), pattern(40, 40, 2));

  // Recover puts a's backup back over a, not over the raster loaded now.
  writePattern("a.tif", 40, 40, IMAGEFILE_TIFF, 5);  // a damaged meanwhile
  host::queueAnswer("yes");
  keyin("vxraster recover");
  EXPECT_EQ(read(path("a.tif")), pattern(40, 40, 1));
  EXPECT_EQ(read(path("b.tif")), pattern(40, 40, 2));
}

TEST_F(Undo, RecoverCopiesTheBackupOverTheFileItWasTakenFrom) {
  writePattern("a.tif", 40, 40, IMAGEFILE_TIFF, 1);
  writePattern("b.tif", 40, 40, IMAGEFILE_TIFF, 2);
  attach("a.tif", DPoint3d{0, 0, 0});
  attach("b.tif", DPoint3d{100, 0, 0});
  load();
  keyin("vxraster select");
  point(110, 10);  // b loaded: its backup
  keyin("vxraster end");
  writePattern("b.tif", 40, 40, IMAGEFILE_TIFF, 6);  // damaged after editing

  host::queueAnswer("no");
  keyin("vxraster recover");
  EXPECT_EQ(read(path("b.tif")), pattern(40, 40, 6));
  host::queueAnswer("yes");
  auto from = mark();
  keyin("vxraster recover");
  EXPECT_EQ(
      texts("box", from).front(),
      "yesno icon 3: Do you want to recover raster?\nPreviously saved backup will be used and all changes "
      "will be lost.");
  EXPECT_TRUE(journaled("raster: reloaded b.tif", from));
  EXPECT_EQ(read(path("b.tif")), pattern(40, 40, 2));
  EXPECT_EQ(read(path("a.tif")), pattern(40, 40, 1));

  // Without the backup file: "No file recoverd".
  std::filesystem::remove(path("tmp/backup.vxr"));
  host::queueAnswer("yes");
  from = mark();
  keyin("vxraster recover");
  EXPECT_EQ(texts("box", from).back(), "answer ok (defaulted)");
  EXPECT_EQ(texts("box", from)[2], "ok icon 3: No file recoverd");
}

TEST_F(Undo, RecoverWithTheRasterLoadedReloadsItsBitmap) {
  writePattern("a.tif", 40, 40, IMAGEFILE_TIFF, 1);
  attach("a.tif", DPoint3d{0, 0, 0});
  load();
  keyin("vxraster select");
  move(10, 0);
  writePattern("tmp/other.tif", 40, 40, IMAGEFILE_TIFF, 4);
  std::filesystem::rename(path("tmp/other.tif"), path("tmp/backup.vxr"));
  host::queueAnswer("yes");
  keyin("vxraster recover");
  EXPECT_EQ(read(path("a.tif")), pattern(40, 40, 4));
  EXPECT_TRUE(loaded());
  EXPECT_EQ(originX("a.tif"), 0);
  // The bitmap is the recovered one: writing it back keeps the recovery.
  keyin("vxraster write");
  keyin("vxraster end");
  EXPECT_EQ(read(path("a.tif")), pattern(40, 40, 4));
  const auto from = mark();
  keyin("vxraster select");
  keyin("vxraster undo");
  EXPECT_EQ(lastError(from), "Undo Raster > Undo buffer is empty");
}

TEST_F(Undo, RecoverOfAMinIsBlackTiffKeepsItsLook) {
  if (!copyScan("tiff/minisblack.tif", "mb.tif")) GTEST_SKIP() << "no test scans";
  attach("mb.tif");
  load();
  keyin("vxraster write");  // stays min-is-black: nothing to invert
  ASSERT_EQ(rendering("mb.tif").invertedDisplay, 0);
  keyin("vxraster end");
  host::queueAnswer("yes");
  keyin("vxraster recover");
  EXPECT_EQ(VXDllGetPhotometric(path("mb.tif").c_str()), 1);
  EXPECT_EQ(rendering("mb.tif").invertedDisplay, 0);
}

TEST_F(Undo, UndoAfterAWriteBackOfAMinIsBlackTiffKeepsItsLook) {
  if (!copyScan("tiff/minisblack.tif", "mb.tif")) GTEST_SKIP() << "no test scans";
  attach("mb.tif");
  load();
  keyin("vxraster select");
  move(3, 0);  // stores the state with the display not inverted
  keyin("vxraster write");
  ASSERT_EQ(rendering("mb.tif").invertedDisplay, 0);
  keyin("vxraster undo");
  EXPECT_EQ(originX("mb.tif"), 0);
  EXPECT_EQ(rendering("mb.tif").invertedDisplay, 0);
  keyin("vxraster revert");
  EXPECT_EQ(rendering("mb.tif").invertedDisplay, 0);
  EXPECT_EQ(VXDllGetPhotometric(path("mb.tif").c_str()), 1);
}

}  // namespace
}  // namespace pixmend::app
