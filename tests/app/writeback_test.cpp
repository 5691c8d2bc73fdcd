// What the raster session writes, and where, when it may not simply write over the file: a file
// rewritten elsewhere with the same bytes, a file that cannot take the write, the application
// leaving with nobody to ask; what the load refuses for the same reasons; min-is-black scans
// edited as ink; tiled scans made editable. (The questions about a file changed elsewhere and a
// scan read in part are played in the sessions vxraster_safety_changed and _damaged.) Pictures are checked through libtiff's own decoding with the
// photometric interpretation applied (as every viewer shows them) where the look is the point.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <unistd.h>

#include "host/system/idle.hpp"
#include "tests/app/raster_fixture.hpp"
#include "tests/host/image/image_test_util.hpp"

namespace pixmend::app {
namespace {

using imagetest::Bits;
using imagetest::libtiffLook;
using imagetest::photometricOf;
using imagetest::readBytes;

class WriteBack : public RasterSessionTest {
 protected:
  void SetUp() override {
    RasterSessionTest::SetUp();
    loadEditing();
  }
  // The boxes since `from`, without the answers.
  static std::vector<std::string> boxes(std::size_t from) {
    std::vector<std::string> shown;
    for (const auto& text : texts("box", from))
      if (text.rfind("answer ", 0) != 0) shown.push_back(text);
    return shown;
  }
  // Another program writes `name` anew with pattern `variant`.
  void changeElsewhere(const std::string& name, int w, int h, int variant) const {
    writePattern(name + ".other", w, h, IMAGEFILE_TIFF, variant);
    std::filesystem::rename(path(name + ".other"), path(name));
  }
  static void exitHost() {
    host::unloadAllApplications(SYSTEM_UNLOAD_HOST_EXIT);
    host::runIdle();
  }
};

TEST_F(WriteBack, AFileRewrittenWithTheSameBytesHasNotChanged) {
  writePattern("scan.tif", 64, 48);
  attach("scan.tif");
  edit(0, 0, 8, 8, true, false);
  // Copied away and back (another file, another time): the same drawing, nothing to ask.
  std::filesystem::copy_file(path("scan.tif"), path("copy.tif"));
  std::filesystem::rename(path("copy.tif"), path("scan.tif"));
  const auto from = mark();
  keyin("vxraster write");
  EXPECT_EQ(boxes(from), std::vector<std::string>{});
  EXPECT_EQ(read(path("scan.tif")), painted(pattern(64, 48), 0, 0, 8, 8));
  // What the session wrote is what it knows: the next edit asks nothing either.
  edit(8, 8, 8, 8);
  EXPECT_EQ(boxes(from), std::vector<std::string>{});
}

// (The session vxraster_safety_changed plays the first name; here it is taken already.)
TEST_F(WriteBack, WhereNobodyCanBeAskedTheEditsGoBesideTheChangedFileUnderANewName) {
  writePattern("scan.tif", 64, 48);
  writePattern("scan.vxraster-edits.tif", 64, 48, IMAGEFILE_TIFF, 6);  // someone's file
  attach("scan.tif");
  edit(10, 10, 5, 5, true, false);
  changeElsewhere("scan.tif", 64, 48, 3);
  const auto from = mark();
  exitHost();
  EXPECT_EQ(boxes(from), std::vector<std::string>{"ok icon 3: The raster file " + path("scan.tif") +
                                                  " has changed on disk since VXRaster read it.\nYour edits "
                                                  "were written to " +
                                                  path("scan.vxraster-edits-2.tif") + "; " + path("scan.tif") +
                                                  " was left as it is."});
  EXPECT_EQ(read(path("scan.tif")), pattern(64, 48, 3));
  EXPECT_EQ(read(path("scan.vxraster-edits.tif")), pattern(64, 48, 6));
  EXPECT_EQ(read(path("scan.vxraster-edits-2.tif")), painted(pattern(64, 48), 10, 10, 5, 5));
}

TEST_F(WriteBack, EditsThatCannotBeWrittenAtExitAreRescuedAndTheUserIsTold) {
  writePattern("scan.tif", 64, 48);
  attach("scan.tif");
  edit(1, 2, 30, 3, true, false);
  host::failImageWriteAfter(10);  // the file refuses the write, as a full disk would
  auto from = mark();
  exitHost();
  EXPECT_EQ(boxes(from), (std::vector<std::string>{"ok icon 4: File not created from bitmap",
                                                   "ok icon 4: The edits of " + path("scan.tif") +
                                                       " could not be written to it.\nThey were saved in " +
                                                       path("tmp/scan.vxraster-rescue.tif") + "."}));
  EXPECT_EQ(read(path("scan.tif")), pattern(64, 48));
  EXPECT_EQ(read(path("tmp/scan.vxraster-rescue.tif")), painted(pattern(64, 48), 1, 2, 30, 3));

  // Without a temporary folder either, the user is told the edits are lost (never only the text
  // window).
  loadEditing();
  edit(1, 2, 30, 3, false, false);
  ASSERT_TRUE(setText("userInterfaceData.tempDirectory", path("gone/")));
  host::failImageWriteAfter(10);
  from = mark();
  exitHost();
  EXPECT_EQ(boxes(from).back(), "ok icon 4: The edits of " + path("scan.tif") +
                                    " could not be written to it nor to the temporary folder " + path("gone/") +
                                    ".\nThey are lost.");
  EXPECT_EQ(read(path("scan.tif")), pattern(64, 48));
}

// The user's min-is-black scans: an erase makes paper, ink makes black, as a viewer shows them;
// the file stays min-is-black and its display is not inverted.
TEST_F(WriteBack, MinIsBlackScansAreEditedAsInkAndStayMinIsBlack) {
  for (const char* scan : {"tiff/char.tif", "tiff/feyn-fract.tif", "tiff/CCITTgetNextChangingElement.tif"}) {
    SCOPED_TRACE(scan);
    if (!copyScan(scan, "mb.tif")) GTEST_SKIP() << "no test scans";
    Bits look;
    ASSERT_TRUE(libtiffLook(path("mb.tif"), look));
    ASSERT_EQ(photometricOf(path("mb.tif")), PHOTOMETRIC_MINISBLACK);
    attach("mb.tif");
    const int w = std::min(look.width, 16), h = std::min(look.height, 12);
    edit(0, 0, w, h, false);        // an erase
    edit(w, h, 3, 3, true);         // and a little ink
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) look.put(x, y, false);
    for (int y = h; y < h + 3 && y < look.height; ++y)
      for (int x = w; x < w + 3 && x < look.width; ++x) look.put(x, y, true);
    Bits now;
    ASSERT_TRUE(libtiffLook(path("mb.tif"), now));
    EXPECT_TRUE(now == look);
    EXPECT_EQ(photometricOf(path("mb.tif")), PHOTOMETRIC_MINISBLACK);
    EXPECT_EQ(rendering("mb.tif").invertedDisplay, 0);
    host::queueAnswer("yes");
    keyin("vxraster detach");
    ASSERT_EQ(attachment("mb.tif"), nullptr);
  }
}

TEST_F(WriteBack, ATiledScanIsOfferedAStripCopyWithTheSamePictureInItsPlace) {
  // A min-is-white scan with fill order 2, and a min-is-black one.
  for (const char* scan : {"derived/CCITT_1_tiled512_g4_fo2.tif", "derived/char_tiled16_g4.tif"}) {
    SCOPED_TRACE(scan);
    if (!copyScan(scan, "tiled.tif")) GTEST_SKIP() << "no test scans";
    const auto tiledBytes = readBytes(path("tiled.tif"));
    Bits tiledLook;
    ASSERT_TRUE(libtiffLook(path("tiled.tif"), tiledLook));
    attach("tiled.tif", DPoint3d{25, 35, 0});
    host::queueAnswer("yes");
    const auto from = mark();
    keyin("vxraster select");
    ASSERT_EQ(boxes(from).size(), 1u);
    EXPECT_EQ(boxes(from)[0].rfind("yesno icon 2: TIFF is tiled! VXRaster cannot work on tiled TIFF files.", 0),
              0u);
    EXPECT_EQ(VXDllIsTiffTiled(path("tiled.strips.tif").c_str()), 0);
    Bits stripLook;
    ASSERT_TRUE(libtiffLook(path("tiled.strips.tif"), stripLook));
    EXPECT_TRUE(stripLook == tiledLook);
    EXPECT_EQ(photometricOf(path("tiled.strips.tif")), photometricOf(path("tiled.tif")));
    EXPECT_EQ(readBytes(path("tiled.tif")), tiledBytes) << "the tiled file is kept as it is";
    // Attached in the tiled file's place, and loaded.
    EXPECT_EQ(attachment("tiled.tif"), nullptr);
    ASSERT_NE(attachment("tiled.strips.tif"), nullptr);
    EXPECT_EQ(geoReference("tiled.strips.tif").origin.x, 25);
    EXPECT_EQ(geoReference("tiled.strips.tif").origin.y, 35);
    EXPECT_TRUE(loaded());
    EXPECT_TRUE(journaled("file: copied " + path("tiled.strips.tif") + " to " + path("tmp/backup.vxr"), from));
    host::queueAnswer("yes");
    keyin("vxraster detach");
    std::filesystem::remove(path("tiled.strips.tif"));
  }
}

TEST_F(WriteBack, ALockedFileLoadsReadOnly) {
  writePattern("scan.tif", 16, 16);
  attach("scan.tif");
  const int fd = ::open(path("scan.tif").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // another program holds it
  const auto from = mark();
  keyin("vxraster select");
  ::close(fd);
  EXPECT_EQ(boxes(from),
            std::vector<std::string>{"ok icon 4: Can not open raster file for writing.\nFile may be read only."});
  EXPECT_FALSE(loaded());
}

// A folder no temporary file can be made in cannot take a write-back (every write goes through a
// temporary file beside the raster): such a raster loads read-only, as a protected file does.
// Root ignores permission bits, so the folders are read-only mounts; without the right to mount
// the test is skipped.
class ReadOnlyFolder : public WriteBack {
 protected:
  void SetUp() override {
    WriteBack::SetUp();
    std::filesystem::create_directories(path("ro"));
    if (::mount("tmpfs", path("ro").c_str(), "tmpfs", 0, "size=4m") != 0)
      GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << "): read-only folders untested";
    mounted_.push_back(path("ro"));
  }
  void TearDown() override {
    for (auto it = mounted_.rbegin(); it != mounted_.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
    WriteBack::TearDown();
  }
  bool remountReadOnly() { return ::mount(nullptr, path("ro").c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }
  std::vector<std::string> mounted_;
};

TEST_F(ReadOnlyFolder, AWritableFileInAReadOnlyFolderIsRefusedAsReadOnly) {
  writePattern("ro/scan.tif", 32, 32);
  // A file of a writable folder bound into the read-only one: it opens for writing, yet no
  // temporary file can be made beside it, nor can anything be renamed over it.
  writePattern("scan.tif", 32, 32, IMAGEFILE_TIFF, 2);
  { std::ofstream(path("ro/bound.tif")); }
  ASSERT_TRUE(remountReadOnly());
  ASSERT_EQ(::mount(path("scan.tif").c_str(), path("ro/bound.tif").c_str(), nullptr, MS_BIND, nullptr), 0);
  mounted_.push_back(path("ro/bound.tif"));
  // The same file bound into a writable folder: a temporary can be made beside it, but nothing
  // can be renamed over a mount point.
  { std::ofstream(path("bound.tif")); }
  ASSERT_EQ(::mount(path("scan.tif").c_str(), path("bound.tif").c_str(), nullptr, MS_BIND, nullptr), 0);
  mounted_.push_back(path("bound.tif"));
  const int fd = ::open(path("ro/bound.tif").c_str(), O_WRONLY);
  ASSERT_GE(fd, 0) << "the file itself takes writes";
  ::close(fd);

  const std::string refusal = "ok icon 4: Can not open raster file for writing.\nFile may be read only.";
  for (const char* name : {"ro/bound.tif", "ro/scan.tif", "bound.tif"}) {
    SCOPED_TRACE(name);
    attach(path(name));
    const auto from = mark();
    keyin("vxraster select");
    EXPECT_EQ(boxes(from), std::vector<std::string>{refusal});
    EXPECT_FALSE(loaded());
    ASSERT_EQ(mdlRaster_fileClose(attachment(path(name)), RASTER_UPDATE_ALL), 0);
  }
  EXPECT_EQ(read(path("scan.tif")), pattern(32, 32, 2));
}

TEST_F(ReadOnlyFolder, AFolderThatBecomesReadOnlyWhileEditingKeepsTheEditsSafe) {
  writePattern("ro/scan.tif", 32, 32);
  attach(path("ro/scan.tif"));
  edit(0, 0, 10, 10, true, false);
  ASSERT_TRUE(remountReadOnly());
  // The user ending the session: the write fails, the raster stays loaded with its edits.
  auto from = mark();
  keyin("vxraster end");
  EXPECT_EQ(boxes(from), std::vector<std::string>{"ok icon 4: File not created from bitmap"});
  EXPECT_TRUE(loaded());
  // The host leaving: the edits are rescued into the temporary folder, and a box says where.
  from = mark();
  exitHost();
  EXPECT_EQ(boxes(from).back(), "ok icon 4: The edits of " + path("ro/scan.tif") +
                                    " could not be written to it.\nThey were saved in " +
                                    path("tmp/scan.vxraster-rescue.tif") + ".");
  EXPECT_EQ(read(path("ro/scan.tif")), pattern(32, 32));
  EXPECT_EQ(read(path("tmp/scan.vxraster-rescue.tif")), painted(pattern(32, 32), 0, 0, 10, 10));
}

}  // namespace
}  // namespace pixmend::app
