// The raster session: which raster a command edits, the checks a file must pass before it is
// loaded, what a load and a release do to the attachment, write-back and its failures, the end
// of a session on every path, and the design point <-> pixel relation.
#include <sys/stat.h>

#include "app/session.hpp"
#include "host/image/image_testing.hpp"
#include "host/system/idle.hpp"
#include "tests/app/raster_fixture.hpp"

namespace pixmend::app {
namespace {

using Session = RasterSessionTest;

TEST(RasterCoordinates, PixelsAndDesignPointsTruncateTowardZeroWithRowZeroAtTheTop) {
  RasterCoordinates at;
  at.origin = DPoint3d{100, 200, 0};
  at.pixelSize = 0.5;
  at.width = 40;
  at.height = 20;
  EXPECT_EQ(at.column(100.0), 0);
  EXPECT_EQ(at.column(100.74), 1);
  EXPECT_EQ(at.column(99.9), 0);  // -0.2 truncates toward zero
  EXPECT_EQ(at.column(99.4), -1);
  EXPECT_EQ(at.row(210.0), 0);   // the top edge
  EXPECT_EQ(at.row(200.0), 20);  // the bottom edge
  EXPECT_EQ(at.row(209.9), 0);   // v = 0.2
  EXPECT_EQ(at.vertexRow(209.9), 0);
  EXPECT_EQ(at.vertexRow(200.0), 19);
  EXPECT_EQ(at.vertexRow(250.0), 0);   // above the raster: clamped, never negative
  EXPECT_EQ(at.vertexRow(150.0), 20);  // below it: held at the bottom edge, H
  EXPECT_EQ(at.vertexRow(-1e300), 20);
  EXPECT_EQ(at.vertexColumn(99.0), 0);
  EXPECT_EQ(at.vertexColumn(130.0), 40);  // beyond the right edge: W
  EXPECT_DOUBLE_EQ(at.x(at.u(123.25)), 123.25);
  EXPECT_DOUBLE_EQ(at.y(at.v(204.75)), 204.75);
  EXPECT_DOUBLE_EQ(at.y(0), 210.0);
  // Far outside, or with no pixel size, nothing overflows.
  EXPECT_EQ(at.column(1e300), INT_MAX);
  EXPECT_EQ(at.column(-1e300), INT_MIN);
  RasterCoordinates none;
  EXPECT_EQ(none.column(5.0), INT_MAX);
  EXPECT_EQ(none.row(0.0), 0);
}

TEST_F(Session, OneAttachmentLoadsWithoutAskingIsDrawnInTheActiveColourAndGetsItsColourBack) {
  writePattern("scan.tif", 64, 40);
  const Pixels original = read(path("scan.tif"));
  attach("scan.tif", DPoint3d{10, 20, 0});
  load();
  EXPECT_FALSE(loaded());
  const auto from = mark();
  keyin("vxraster write");
  EXPECT_EQ(texts("prompt", from), std::vector<std::string>{});  // no pick
  EXPECT_TRUE(journaled("file: copied " + path("scan.tif") + " to " + path("tmp/backup.vxr"), from));
  EXPECT_TRUE(journaled("view: 7 control 16 on", from));
  // Nothing was edited: nothing is written.
  EXPECT_FALSE(journaled("file: wrote " + path("scan.tif"), from));
  EXPECT_TRUE(journaled("text: VXRaster: " + path("scan.tif") + " has no edits to write\\n", from));
  EXPECT_TRUE(loaded());
  EXPECT_TRUE(sameColor(rendering("scan.tif").color, palette(2)));
  EXPECT_EQ(read(path("tmp/backup.vxr")), original);

  const auto end = mark();
  keyin("vxraster end");
  EXPECT_FALSE(journaled("file: wrote " + path("scan.tif"), end));
  EXPECT_FALSE(loaded());
  EXPECT_TRUE(sameColor(rendering("scan.tif").color, RgbColorDef{0, 0, 0}));
  EXPECT_EQ(read(path("scan.tif")), original);
  EXPECT_EQ(geoReference("scan.tif").origin.x, 10);
  // The attachment was opened by the raster library, so the next load keeps it.
  const auto again = mark();
  keyin("vxraster write");
  EXPECT_FALSE(journaled("raster: detached scan.tif", again));
}

TEST_F(Session, SeveralAttachmentsAskForAPickAndTheCommandStartsAgainOnThePickedRaster) {
  writePattern("a.tif", 32, 32);
  writePattern("b.tif", 32, 32, IMAGEFILE_TIFF, 3);
  attach("a.tif", DPoint3d{0, 0, 0});
  attach("b.tif", DPoint3d{100, 0, 0});
  load();
  auto from = mark();
  keyin("vxraster move attachment");
  EXPECT_EQ(last("prompt", from), "Velg et raster med et datapunkt");
  EXPECT_FALSE(loaded());
  keyin("vxraster move attachment");
  point(60, 10);  // between the rasters: the pick goes on
  EXPECT_FALSE(loaded());
  from = mark();
  host::deliverReset();  // asks again
  host::runIdle();
  EXPECT_EQ(texts("prompt", from), std::vector<std::string>{"Velg et raster med et datapunkt"});
  from = mark();
  point(110, 10);
  EXPECT_TRUE(journaled("file: copied " + path("b.tif") + " to " + path("tmp/backup.vxr"), from));
  EXPECT_EQ(last("error", from), "Move raster attachment > Enter point to move from");
  EXPECT_TRUE(sameColor(rendering("b.tif").color, palette(2)));
  EXPECT_TRUE(sameColor(rendering("a.tif").color, RgbColorDef{0, 0, 0}));
}

TEST_F(Session, SelectingAnotherRasterReleasesTheFirstAndEndsOnceTheSecondIsLoaded) {
  writePattern("a.tif", 32, 32);
  writePattern("b.tif", 32, 32);
  attach("a.tif", DPoint3d{0, 0, 0});
  attach("b.tif", DPoint3d{100, 0, 0});
  loadEditing();
  keyin("vxraster select");
  point(10, 10);
  EXPECT_TRUE(sameColor(rendering("a.tif").color, palette(2)));
  edit(1, 1, 5, 5, true, false);
  auto from = mark();
  keyin("vxraster select");
  EXPECT_TRUE(journaled("file: wrote " + path("a.tif"), from));
  EXPECT_EQ(read(path("a.tif")), painted(pattern(32, 32), 1, 1, 5, 5));
  EXPECT_TRUE(sameColor(rendering("a.tif").color, RgbColorDef{0, 0, 0}));
  from = mark();
  point(110, 10);
  EXPECT_TRUE(sameColor(rendering("b.tif").color, palette(2)));
  // Picked and loaded: nothing asks again, and b stays loaded.
  EXPECT_EQ(texts("prompt", from), std::vector<std::string>{});
  EXPECT_FALSE(host::commandActive());
  EXPECT_TRUE(loaded());
  // With one attachment, select does nothing more once it is loaded.
  EXPECT_EQ(mdlRaster_fileClose(attachment("a.tif"), RASTER_UPDATE_ALL), 0);
  from = mark();
  keyin("vxraster select");
  EXPECT_EQ(texts("prompt", from), std::vector<std::string>{});
  EXPECT_FALSE(journaled("file: wrote " + path("b.tif"), from));
  EXPECT_TRUE(loaded());
}

TEST_F(Session, FilesThatCannotBeEditedAreRefusedAtTheRightStep) {
  load();
  // Read-only (no write bit: as root, the bits alone would not stop a write): refused before it
  // is read, so no backup is taken.
  writePattern("locked.tif", 16, 16);
  ASSERT_EQ(::chmod(path("locked.tif").c_str(), 0444), 0);
  attach("locked.tif");
  auto from = mark();
  keyin("vxraster write");
  EXPECT_EQ(texts("box", from).front(),
            "ok icon 4: Can not open raster file for writing.\nFile may be read only.");
  EXPECT_FALSE(journaled("file: copied " + path("locked.tif") + " to " + path("tmp/backup.vxr"), from));
  EXPECT_FALSE(loaded());
  ASSERT_EQ(mdlRaster_fileClose(attachment("locked.tif"), RASTER_UPDATE_ALL), 0);

  // Too large for memory: the library's -116.
  writePattern("big.tif", 64, 64);
  attach("big.tif");
  const auto limit = host::setImagePixelLimit(1000);
  from = mark();
  keyin("vxraster write");
  host::setImagePixelLimit(limit);
  EXPECT_EQ(last("box", from), "answer ok (defaulted)");
  EXPECT_EQ(texts("box", from).front(), "ok icon 4: Insufficient memory is available");
  EXPECT_FALSE(loaded());
  ASSERT_EQ(mdlRaster_fileClose(attachment("big.tif"), RASTER_UPDATE_ALL), 0);

  if (!copyScan("derived/char_tiled16_g4.tif", "tiled.tif")) GTEST_SKIP() << "no test scans";
  // Tiled: refused after it was read, before the backup (the strip copy offered declined).
  attach("tiled.tif");
  host::queueAnswer("no");
  from = mark();
  keyin("vxraster write");
  EXPECT_EQ(texts("box", from).front(),
            "yesno icon 2: TIFF is tiled! VXRaster cannot work on tiled TIFF files. Use the Save As function "
            "in the menu to save the tiff as not tiled.\nDo you want VXRaster to make a strip copy of it "
            "beside it and attach that in its place? The tiled file is kept as it is.");
  EXPECT_FALSE(journaled("file: copied " + path("tiled.tif") + " to " + path("tmp/backup.vxr"), from));
  EXPECT_FALSE(loaded());
}

TEST_F(Session, PixelsThatAreNotSquareAreReportedOnceAndTheLoadGoesOn) {
  writePattern("square.tif", 100, 150);
  writePattern("wide.tif", 100, 150);
  attach("square.tif", DPoint3d{0, 0, 0}, DPoint2d{100, 150.06});  // ratio 1.0004: silent
  load();
  auto from = mark();
  keyin("vxraster write");
  EXPECT_EQ(texts("center", from), std::vector<std::string>{});
  EXPECT_TRUE(loaded());
  keyin("vxraster detach");
  attach("wide.tif", DPoint3d{0, 0, 0}, DPoint2d{100, 150.15});  // ratio 1.001
  from = mark();
  keyin("vxraster write");
  const std::string text = "Raster have different DPI in X and Y. VXPixmend may not work properly.";
  EXPECT_EQ(texts("center", from), std::vector<std::string>{"11 " + text + " (alert)"});
  EXPECT_TRUE(loaded());
}

TEST_F(Session, ARotatedAttachmentLoadsOnlyWhenTheUserTurnsItsRotationOff) {
  writePattern("turned.tif", 32, 32);
  DgnRaster* raster = attach("turned.tif");
  RasterGeoReference g{};
  ASSERT_EQ(mdlRaster_geoReferenceInfoGet(&g, raster), 0);
  g.rotation = 0.3;
  ASSERT_EQ(mdlRaster_geoReferenceInfoSet(&g, raster, RASTER_UPDATE_ALL), 0);
  RasterRendering r{};
  ASSERT_EQ(mdlRaster_renderingInfoGet(&r, raster), 0);
  r.placementTransformApplied = 1;
  ASSERT_EQ(mdlRaster_renderingInfoSet(&r, raster, RASTER_UPDATE_ALL), 0);
  load();

  host::queueAnswer("no");
  auto from = mark();
  keyin("vxraster write");
  ASSERT_FALSE(texts("box", from).empty());
  EXPECT_EQ(
      texts("box", from).front().rfind("yesno icon 2: Warning! This raster is rotaded and/or warped", 0), 0u);
  EXPECT_FALSE(loaded());
  EXPECT_EQ(rendering("turned.tif").placementTransformApplied, 1);
  EXPECT_TRUE(sameColor(rendering("turned.tif").color, RgbColorDef{0, 0, 0}));

  host::queueAnswer("yes");
  keyin("vxraster write");
  EXPECT_TRUE(loaded());
  EXPECT_EQ(rendering("turned.tif").placementTransformApplied, 0);
  EXPECT_TRUE(sameColor(rendering("turned.tif").color, palette(2)));
}

// The image library's bitmaps mean ink whatever the file stores, and a write-back keeps a TIFF's
// photometric interpretation: a min-is-black scan stays min-is-black with the same picture, and
// the display has nothing to invert.
TEST_F(Session, AMinIsBlackTiffKeepsItsLookThroughWriteBackAndRelease) {
  if (!copyScan("tiff/minisblack.tif", "mb.tif")) GTEST_SKIP() << "no test scans";
  const Pixels original = read(path("mb.tif"));
  ASSERT_EQ(VXDllGetPhotometric(path("mb.tif").c_str()), 1);
  attach("mb.tif");
  loadEditing();
  edit(10, 10, 40, 40);  // ink, written back at once
  const Pixels inked = painted(original, 10, 10, 40, 40);
  EXPECT_EQ(read(path("mb.tif")), inked);
  EXPECT_EQ(VXDllGetPhotometric(path("mb.tif").c_str()), 1);
  EXPECT_EQ(rendering("mb.tif").invertedDisplay, 0);
  edit(10, 10, 5, 5, false, false);  // an erase the release writes
  keyin("vxraster end");
  EXPECT_EQ(rendering("mb.tif").invertedDisplay, 0);
  EXPECT_EQ(read(path("mb.tif")), painted(inked, 10, 10, 5, 5, false));
  EXPECT_EQ(VXDllGetPhotometric(path("mb.tif").c_str()), 1);
}

TEST_F(Session, AReleaseWithoutEditsLeavesAMinIsBlackTiffUntouched) {
  if (!copyScan("tiff/feyn-fract.tif", "ff.tif")) GTEST_SKIP() << "no test scans";
  const Pixels original = read(path("ff.tif"));
  std::ifstream in(path("ff.tif"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  attach("ff.tif");
  load();
  keyin("vxraster select");
  keyin("vxraster end");
  std::ifstream again(path("ff.tif"), std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), bytes);
  EXPECT_EQ(read(path("ff.tif")), original);
  EXPECT_EQ(VXDllGetPhotometric(path("ff.tif").c_str()), 1);
  EXPECT_EQ(rendering("ff.tif").invertedDisplay, 0);
}

TEST_F(Session, AFailedWriteIsReportedLeavesTheFileAndKeepsTheRasterLoaded) {
  writePattern("scan.rle", 80, 60, IMAGEFILE_RLE);
  const Pixels original = read(path("scan.rle"));
  attach("scan.rle");
  loadEditing();
  keyin("vxraster select");  // loaded (and its backup taken) before any write is made to fail
  ASSERT_TRUE(loaded());

  host::failImageWriteAfter(10);
  auto from = mark();
  edit(10, 10, 20, 5);  // written back at once: the write fails
  ASSERT_FALSE(texts("box", from).empty());
  EXPECT_EQ(texts("box", from).front(), "ok icon 4: File not created from bitmap");
  EXPECT_EQ(read(path("scan.rle")), original);
  EXPECT_TRUE(loaded());

  // A release that cannot write stops: still loaded, still in the active colour, and a detach
  // leaves the attachment alone.
  host::failImageWriteAfter(10);
  from = mark();
  keyin("vxraster end");
  ASSERT_FALSE(texts("box", from).empty());
  EXPECT_EQ(texts("box", from).front(), "ok icon 4: File not created from bitmap");
  EXPECT_TRUE(loaded());
  EXPECT_TRUE(sameColor(rendering("scan.rle").color, palette(2)));
  host::failImageWriteAfter(10);
  host::queueAnswer("yes");
  keyin("vxraster detach");
  EXPECT_NE(attachment("scan.rle"), nullptr);
  EXPECT_TRUE(loaded());
  // Once the file takes the write, the release goes through with the edit.
  keyin("vxraster end");
  EXPECT_FALSE(loaded());
  EXPECT_EQ(read(path("scan.rle")), painted(original, 10, 10, 20, 5));
}

TEST_F(Session, EverySessionEndWritesTheEditsAndGivesTheColourBack) {
  writePattern("scan.tif", 48, 48);
  attach("scan.tif");
  loadEditing();
  Pixels expected = pattern(48, 48);
  int row = 0;
  for (int slot : {1, 7, 27}) {
    edit(2, ++row, 30, 1, true, false);
    expected = painted(expected, 2, row, 30, 1);
    ASSERT_TRUE(loaded());
    const auto from = mark();
    host::raiseSystemEvent(slot, "", 0);
    host::runIdle();
    EXPECT_TRUE(journaled("file: wrote " + path("scan.tif"), from)) << slot;
    EXPECT_FALSE(loaded()) << slot;
    EXPECT_TRUE(sameColor(rendering("scan.tif").color, RgbColorDef{0, 0, 0})) << slot;
    EXPECT_EQ(read(path("scan.tif")), expected) << slot;
  }
  // The unload command, and the host's own unload (which leaves nothing behind either: the
  // sanitizer build checks that no bitmap is lost).
  edit(2, ++row, 30, 1, true, false);
  expected = painted(expected, 2, row, 30, 1);
  auto from = mark();
  keyin("vxraster unload");
  EXPECT_TRUE(journaled("file: wrote " + path("scan.tif"), from));
  EXPECT_TRUE(sameColor(rendering("scan.tif").color, RgbColorDef{0, 0, 0}));
  EXPECT_EQ(read(path("scan.tif")), expected);
  loadEditing();
  edit(2, ++row, 30, 1, true, false);
  expected = painted(expected, 2, row, 30, 1);
  keyin("vxraster move attachment");
  point(0, 0);
  point(5, 0);
  from = mark();
  host::unloadAllApplications(SYSTEM_UNLOAD_HOST_EXIT);
  host::runIdle();
  EXPECT_TRUE(journaled("file: wrote " + path("scan.tif"), from));
  EXPECT_EQ(texts("box", from), std::vector<std::string>{});  // written where it belongs: no news
  EXPECT_TRUE(sameColor(rendering("scan.tif").color, RgbColorDef{0, 0, 0}));
  EXPECT_EQ(geoReference("scan.tif").origin.x, 5);
  EXPECT_EQ(read(path("scan.tif")), expected);
}

TEST_F(Session, ARasterDetachedBehindTheSessionsBackHasItsEditsWrittenToItsFile) {
  writePattern("scan.cit", 40, 30, IMAGEFILE_CIT);
  const Pixels original = read(path("scan.cit"));
  attach("scan.cit", DPoint3d{7, 8, 0});
  loadEditing();
  edit(0, 29, 40, 1, false, false);
  ASSERT_EQ(mdlRaster_fileClose(attachment("scan.cit"), RASTER_UPDATE_ALL), 0);
  const auto from = mark();
  keyin("vxraster write");  // the guard finds the attachment gone
  EXPECT_TRUE(journaled("file: wrote " + path("scan.cit"), from));
  EXPECT_EQ(last("error", from), "No raster attached");
  EXPECT_FALSE(loaded());
  EXPECT_EQ(read(path("scan.cit")), painted(original, 0, 29, 40, 1, false));
}

TEST_F(Session, InvertTogglesTheDisplayOfTheActiveOrFirstRaster) {
  writePattern("a.tif", 16, 16);
  attach("a.tif");
  load();
  keyin("vxraster invert");
  EXPECT_EQ(rendering("a.tif").invertedDisplay, 1);
  keyin("vxraster invert");
  EXPECT_EQ(rendering("a.tif").invertedDisplay, 0);
}

}  // namespace
}  // namespace pixmend::app
