// Undo and redo (one level, tied to the raster it was taken from), the backup copy taken at each
// load, revert and recover, with the mended cases: a backup of another raster is never used, a
// backup that cannot be read leaves the bitmap alone, and recover with a raster loaded reloads
// its bitmap so that the next write-back keeps the recovered file.
#include "app/undo.hpp"

#include <functional>

#include "host/system/idle.hpp"
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
  loadEditing();
  edit(0, 0, 40, 2);
  move(10, 0);
  edit(5, 5, 10, 10, false);
  ASSERT_EQ(read(path("a.tif")), painted(painted(pattern(40, 40), 0, 0, 40, 2), 5, 5, 10, 10, false));
  keyin("vxraster revert");
  EXPECT_EQ(read(path("a.tif")), pattern(40, 40));
  EXPECT_EQ(originX("a.tif"), 0);
  EXPECT_TRUE(sameColor(rendering("a.tif").color, palette(2)));
  auto from = mark();
  keyin("vxraster undo");
  EXPECT_EQ(lastError(from), "Undo Raster > Undo buffer is empty");
  // The bitmap is the one loaded, which the file holds again: a write-back has nothing to write.
  from = mark();
  keyin("vxraster write");
  EXPECT_FALSE(journaled("file: wrote " + path("a.tif"), from));
}

TEST_F(Undo, RevertRefusesABackupThatIsNotThisFileAsLoaded) {
  writePattern("a.tif", 40, 40);
  attach("a.tif", DPoint3d{0, 0, 0});
  loadEditing();
  edit(0, 0, 8, 8);
  const Pixels edited = read(path("a.tif"));

  // Another picture put where the backup was: its bytes are no longer those copied.
  writePattern("tmp/other.tif", 40, 40, IMAGEFILE_TIFF, 7);
  std::filesystem::copy_file(path("tmp/backup.vxr"), path("tmp/kept.vxr"));
  std::filesystem::rename(path("tmp/other.tif"), path("tmp/backup.vxr"));
  auto from = mark();
  keyin("vxraster revert");
  EXPECT_EQ(texts("box", from),
            (std::vector<std::string>{"ok icon 3: The backup " + path("tmp/backup.vxr") +
                                          " has been changed since it was taken from " + path("a.tif") +
                                          ".\nNothing was reverted.",
                                      "answer ok (defaulted)"}));
  EXPECT_FALSE(journaled("file: wrote " + path("a.tif"), from));
  EXPECT_EQ(read(path("a.tif")), edited);

  // The record rewritten by hand for another file (the copy itself put back).
  std::filesystem::rename(path("tmp/kept.vxr"), path("tmp/backup.vxr"));
  std::string record;
  {
    std::ifstream in(path("tmp/backup.vxr.source"));
    record.assign(std::istreambuf_iterator<char>(in), {});
  }
  const auto source = record.find(path("a.tif"));
  ASSERT_NE(source, std::string::npos);
  std::ofstream(path("tmp/backup.vxr.source"), std::ios::trunc)
      << record.substr(0, source) + path("b.tif") + record.substr(source + path("a.tif").size());
  from = mark();
  keyin("vxraster revert");
  EXPECT_EQ(texts("box", from).front(), "ok icon 3: The backup " + path("tmp/backup.vxr") + " is a copy of " +
                                            path("b.tif") + ", not of " + path("a.tif") +
                                            ".\nNothing was reverted.");
  EXPECT_EQ(read(path("a.tif")), edited);

  // No record, or no backup at all: there is no backup of this raster.
  std::filesystem::remove(path("tmp/backup.vxr.source"));
  from = mark();
  keyin("vxraster revert");
  EXPECT_EQ(texts("box", from).front(),
            "ok icon 3: There is no backup of " + path("a.tif") + ".\nNothing was reverted.");
  EXPECT_FALSE(journaled("file: wrote " + path("a.tif"), from));
  EXPECT_EQ(read(path("a.tif")), edited);
}

TEST_F(Undo, ABackupThatCouldNotBeMadeIsSaidAndNeverStandsInForAnother) {
  writePattern("a.tif", 40, 40, IMAGEFILE_TIFF, 1);
  writePattern("b.tif", 40, 40, IMAGEFILE_TIFF, 2);
  attach("a.tif", DPoint3d{0, 0, 0});
  attach("b.tif", DPoint3d{100, 0, 0});
  loadEditing();
  keyin("vxraster select");
  point(10, 10);  // backup of a
  // The temporary folder becomes unusable: b's load cannot renew the backup, and says so in a
  // box the user must acknowledge.
  ASSERT_TRUE(setText("userInterfaceData.tempDirectory", path("missing/")));
  keyin("vxraster select");
  auto from = mark();
  point(110, 10);
  EXPECT_EQ(lastError(from), "Cannot make backup copy. Check the temp path in the setup.");
  EXPECT_EQ(texts("box", from),
            (std::vector<std::string>{"ok icon 3: Cannot make backup copy. Check the temp path in the setup.\n"
                                      "Revert and recover have no backup of " +
                                          path("b.tif") + ".",
                                      "answer ok (defaulted)"}));
  ASSERT_TRUE(setText("userInterfaceData.tempDirectory", path("tmp/")));
  edit(0, 0, 40, 1);
  from = mark();
  keyin("vxraster revert");
  EXPECT_EQ(texts("box", from).front(), "ok icon 3: The backup " + path("tmp/backup.vxr") + " is a copy of " +
                                            path("a.tif") + ", not of " + path("b.tif") +
                                            ".\nNothing was reverted.");
  EXPECT_FALSE(journaled("file: wrote " + path("b.tif"), from));
  EXPECT_EQ(read(path("b.tif")), painted(pattern(40, 40, 2), 0, 0, 40, 1));
  // Recover with b loaded refuses a's backup too, before asking anything.
  from = mark();
  keyin("vxraster recover");
  EXPECT_EQ(texts("box", from).front().rfind("ok icon 3: The backup ", 0), 0u);
  EXPECT_EQ(read(path("b.tif")), painted(pattern(40, 40, 2), 0, 0, 40, 1));

  // With nothing loaded, recover puts a's backup back over a, the file it copies.
  keyin("vxraster end");
  writePattern("a.tif", 40, 40, IMAGEFILE_TIFF, 5);  // a damaged meanwhile
  host::queueAnswer("yes");
  keyin("vxraster recover");
  EXPECT_EQ(read(path("a.tif")), pattern(40, 40, 1));
  EXPECT_EQ(read(path("b.tif")), painted(pattern(40, 40, 2), 0, 0, 40, 1));
}

// Without MS_TMP each user's backup is in a folder of their own: Bob's load does not replace
// Alice's backup, and Alice's recover restores her drawing, never Bob's scan into it.
TEST_F(Undo, TwoUsersNeverSeeEachOthersBackup) {
  if (!copyScan("tiff/CCITT_2.TIF", "alice.tif") || !copyScan("tiff/form1.tif", "bob.tif"))
    GTEST_SKIP() << "no test scans";
  const Pixels alice = read(path("alice.tif"));
  const Pixels bob = read(path("bob.tif"));
  attach("alice.tif", DPoint3d{0, 0, 0});
  attach("bob.tif", DPoint3d{3000, 0, 0});
  host::undefineVariable("MS_TMP");
  host::undefineVariable("XDG_CACHE_HOME");
  // Each user starts VXRaster with a home and a preference file of their own.
  const auto session = [&](const std::string& user, const std::function<void()>& work) {
    std::filesystem::create_directories(path(user));
    define("HOME", path(user));
    define("MS_USERPREF", path(user + "/host.upf"));
    loadEditing();
    EXPECT_EQ(text("userInterfaceData.tempDirectory"), path(user) + "/.cache/pixmend/");
    work();
    host::unloadAllApplications(SYSTEM_UNLOAD_BY_USER);
    host::runIdle();
  };
  session("alice", [&] {
    keyin("vxraster select");
    point(100, 100);
    edit(100, 100, 50, 50);
    keyin("vxraster end");
  });
  session("bob", [&] {
    keyin("vxraster select");
    point(3100, 100);
    keyin("vxraster end");
  });
  EXPECT_EQ(read(path("alice/.cache/pixmend/backup.vxr")), alice);
  EXPECT_EQ(read(path("bob/.cache/pixmend/backup.vxr")), bob);
  session("alice", [&] {
    host::queueAnswer("yes");
    keyin("vxraster recover");
  });
  EXPECT_EQ(read(path("alice.tif")), alice);
  EXPECT_EQ(read(path("bob.tif")), bob);
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

  // Without the backup file: the user is told, and nothing is asked.
  std::filesystem::remove(path("tmp/backup.vxr"));
  from = mark();
  keyin("vxraster recover");
  EXPECT_EQ(texts("box", from),
            (std::vector<std::string>{
                "ok icon 3: There is no backup of " + path("b.tif") + ".\nNothing was recovered.",
                "answer ok (defaulted)"}));
  // Without its record: the same, and the copy is no one's.
  writePattern("tmp/backup.vxr", 40, 40);
  std::filesystem::remove(path("tmp/backup.vxr.source"));
  from = mark();
  keyin("vxraster recover");
  EXPECT_EQ(texts("box", from).front(), "ok icon 3: There is no backup to recover from.\nNothing was recovered.");
  EXPECT_EQ(read(path("b.tif")), pattern(40, 40, 2));
  EXPECT_EQ(read(path("a.tif")), pattern(40, 40, 1));
}

TEST_F(Undo, RecoverWithTheRasterLoadedReloadsItsBitmap) {
  writePattern("a.tif", 40, 40, IMAGEFILE_TIFF, 1);
  attach("a.tif", DPoint3d{0, 0, 0});
  loadEditing();
  edit(0, 0, 20, 20);
  move(10, 0);
  host::queueAnswer("yes");
  keyin("vxraster recover");
  EXPECT_EQ(read(path("a.tif")), pattern(40, 40, 1));
  EXPECT_TRUE(loaded());
  EXPECT_EQ(originX("a.tif"), 0);
  // The bitmap is the recovered one, which the file holds: nothing to write, and the end keeps
  // the recovery.
  auto from = mark();
  keyin("vxraster write");
  keyin("vxraster end");
  EXPECT_FALSE(journaled("file: wrote " + path("a.tif"), from));
  EXPECT_EQ(read(path("a.tif")), pattern(40, 40, 1));
  from = mark();
  keyin("vxraster select");
  keyin("vxraster undo");
  EXPECT_EQ(lastError(from), "Undo Raster > Undo buffer is empty");
}

// A min-is-black scan through edits, undo, redo, revert and recover: the picture is always the
// one edited or restored, the file stays min-is-black, and the display is never inverted.
TEST_F(Undo, AMinIsBlackScanKeepsItsLookThroughUndoRevertAndRecover) {
  if (!copyScan("tiff/minisblack.tif", "mb.tif")) GTEST_SKIP() << "no test scans";
  const Pixels original = read(path("mb.tif"));
  attach("mb.tif");
  loadEditing();
  edit(0, 0, 30, 30, false);  // an erase
  const Pixels erased = painted(original, 0, 0, 30, 30, false);
  EXPECT_EQ(read(path("mb.tif")), erased);
  keyin("vxraster undo");
  EXPECT_EQ(read(path("mb.tif")), original);
  keyin("vxraster redo");
  EXPECT_EQ(read(path("mb.tif")), erased);
  keyin("vxraster revert");
  EXPECT_EQ(read(path("mb.tif")), original);
  edit(40, 40, 20, 20);
  keyin("vxraster end");
  host::queueAnswer("yes");
  keyin("vxraster recover");
  EXPECT_EQ(read(path("mb.tif")), original);
  EXPECT_EQ(VXDllGetPhotometric(path("mb.tif").c_str()), 1);
  EXPECT_EQ(rendering("mb.tif").invertedDisplay, 0);
}

}  // namespace
}  // namespace pixmend::app
