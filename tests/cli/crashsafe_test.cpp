// Writes survive a crash and a full disk, proven on the real program: `pixmend run` plays a
// session that edits a large scan with VXRasterEdit (VXRaster with an editing step) and is killed (SIGKILL) at many points of the
// scan's write-back, of the design file's and of the preference file's writes; each time the
// next session finds every file whole (the old or the new one, decodable) and no temporary left
// beside it. On a full file system the old files stay and the user is told why.
//
// The kill points follow the writes as the kernel reports them (inotify on the session's folder:
// the temporary's creation, its n-th write, its close, its rename over the file), so they land
// inside the write whatever the machine's speed; the checks hold wherever a kill lands.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "host/design/designfile.hpp"
#include "host/files/files.hpp"
#include "host/resource/rscfile.hpp"
#include "support/random_bitmap.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::cli {
namespace {

namespace fs = std::filesystem;

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// A noisy scan stored uncompressed and min-is-black, so that every write-back (Group 4, keeping
// min-is-black) differs from the original byte for byte and is several times the writer's buffer.
std::string makeScan(const std::string& path, int side) {
  testsupport::Rng rng(2024);
  const testsupport::RandomBitmap ink = testsupport::randomBitmap(rng, side, side, 0.2);
  TIFF* t = TIFFOpen(path.c_str(), "w");
  EXPECT_NE(t, nullptr);
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, side);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, side);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, side);
  std::vector<std::uint8_t> samples(ink.bits);
  for (auto& b : samples) b = static_cast<std::uint8_t>(~b);
  TIFFWriteEncodedStrip(t, 0, samples.data(), static_cast<tmsize_t>(samples.size()));
  TIFFClose(t);
  return readAll(path);
}

const char kSettings[] =
    "set MS_USERPREF host.upf\n"
    "set MS_TMP ./\n"
    "set VX_DIR ./\n";

// The editing step of VXRasterEdit: a block of ink painted into the loaded raster, its write-back
// left to the write command (event 60, state 3: ink, no write-back; left, top, width, height).
const char kInk[] = "event 60 3 100 100 600 400\n";

// The session whose writes are interrupted: the attachment is moved (the design file; a move is
// not an edit of the bitmap), a block of ink is painted and written back (the scan), editing ends
// and the application is unloaded (the preference file).
const std::string kEdit = std::string(kSettings) +
                          "design new paper.dgn\n"
                          "attach big.tif\n"
                          "load VXRasterEdit\n"
                          "keyin vxraster move attachment\n"
                          "point 0 0\n"
                          "point 10 0\n"
                          "reset\n" +
                          kInk +
                          "keyin vxraster write\n"
                          "keyin vxraster end\n"
                          "unload VXRasterEdit\n";

// The next session: it opens what the killed one left.
const std::string kNext = std::string(kSettings) +
                          "design open paper.dgn\n"
                          "load VXRaster\n"
                          "pixels big.tif\n"
                          "unload VXRaster\n";

// Kill the session at the `nth` event `mask` on `target`: for IN_MOVED_TO the rename over the
// target itself, for the others its temporary (created, written, closed).
struct KillPoint {
  const char* target;
  std::uint32_t mask;
  int nth;
};

struct Played {
  int status = -1;  // exit status, or -1 when killed
  bool killed = false;
  std::string journal;
};

std::string pixmendProgram() {
  return std::string(PIXMEND_BUILD_DIR) + "/bin/pixmend";
}

// Plays `script` with `pixmend run` in `folder`, killing it at `kill` (when given).
Played play(const std::string& folder, const std::string& script, const KillPoint* kill = nullptr) {
  writeAll(folder + "/session.pms", script);
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  EXPECT_GE(watch, 0);
  ::inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO);
  const std::string out = folder + "/../journal.txt";
  const pid_t child = ::fork();
  if (child == 0) {
    if (::chdir(folder.c_str()) != 0) ::_exit(127);
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(fd, 1);
    ::dup2(null, 2);
    const std::string program = pixmendProgram();
    ::execl(program.c_str(), "pixmend", "run", "session.pms", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  Played played;
  std::map<std::uint32_t, int> seen;
  alignas(inotify_event) char buffer[8192];
  int status = 0;
  for (int rounds = 0;; ++rounds) {
    if (::waitpid(child, &status, WNOHANG) == child) break;
    pollfd p{watch, POLLIN, 0};
    ::poll(&p, 1, 20);
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;) {
      for (char* at = buffer; at < buffer + n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(at);
        at += sizeof(inotify_event) + e->len;
        if (kill == nullptr || played.killed || e->len == 0) continue;
        const std::string name = e->name;
        const bool ours = (e->mask & IN_MOVED_TO) ? name == kill->target : host::isTemporaryOf(name, kill->target);
        if (ours && (e->mask & kill->mask) != 0 && ++seen[kill->mask] == kill->nth) {
          ::kill(child, SIGKILL);
          played.killed = true;
        }
      }
    }
    if (rounds > 6000) {  // a session that hangs is a failure, not a wait
      ::kill(child, SIGKILL);
      ADD_FAILURE() << "the session did not end";
    }
  }
  ::close(watch);
  played.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  played.killed = played.killed && WIFSIGNALED(status);
  played.journal = readAll(out);
  return played;
}

std::vector<std::string> temporariesIn(const std::string& folder) {
  std::vector<std::string> found;
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (name.find(".pixmend-") != std::string::npos) found.push_back(name);
  }
  return found;
}

// The line the pixels verb journals for big.tif.
std::string pixelsLine(const std::string& journal) {
  const auto at = journal.find("pixels: big.tif ");
  return at == std::string::npos ? std::string() : journal.substr(at, journal.find('\n', at) - at);
}

bool programBuilt() {
  return ::access(pixmendProgram().c_str(), X_OK) == 0;
}

TEST(CrashSafety, AKilledSessionNeverLeavesAFileTornOrATemporaryTakenForIt) {
  if (!programBuilt()) GTEST_SKIP() << "pixmend is not built at " << pixmendProgram();
  testsupport::ScratchDir scratch("crash");
  const std::string pristine = scratch.file("pristine.tif");
  const std::string original = makeScan(pristine, 2048);

  // The uninterrupted session: what a complete write-back leaves, and what the next session sees.
  const std::string reference = scratch.file("reference");
  fs::create_directory(reference);
  fs::copy_file(pristine, reference + "/big.tif");
  const Played untouched = play(reference, std::string(kSettings) + "pixels big.tif\n");
  const std::string pictureBefore = pixelsLine(untouched.journal);
  ASSERT_FALSE(pictureBefore.empty()) << untouched.journal;
  const Played whole = play(reference, kEdit);
  ASSERT_EQ(whole.status, 0) << whole.journal;
  // Without a write-back of the scan this test would prove nothing: the session must write it.
  ASSERT_NE(whole.journal.find("file: wrote big.tif"), std::string::npos)
      << "the edit no longer writes the scan back; give the session an edit that does\n"
      << whole.journal;
  const std::string written = readAll(reference + "/big.tif");
  ASSERT_NE(written, original);
  const Played seen = play(reference, kNext);
  ASSERT_EQ(seen.status, 0) << seen.journal;
  const std::string picture = pixelsLine(seen.journal);
  ASSERT_FALSE(picture.empty()) << seen.journal;
  ASSERT_NE(picture, pictureBefore) << "the edit must change the picture";

  const KillPoint points[] = {
      {"big.tif", IN_CREATE, 1},         {"big.tif", IN_MODIFY, 1},        {"big.tif", IN_MODIFY, 4},
      {"big.tif", IN_MODIFY, 9},         {"big.tif", IN_CLOSE_WRITE, 1},   {"big.tif", IN_MOVED_TO, 1},
      {"big.tif", IN_CREATE, 2},         {"backup.vxr", IN_MODIFY, 3},     {"paper.dgn", IN_CREATE, 2},
      {"paper.dgn", IN_CLOSE_WRITE, 3},  {"paper.dgn", IN_MOVED_TO, 4},    {"VXPixmend.upf", IN_CREATE, 2},
      {"VXPixmend.upf", IN_MODIFY, 2},   {"VXPixmend.upf", IN_MOVED_TO, 2},
  };
  int interrupted = 0, temporariesLeft = 0;
  for (const KillPoint& point : points) {
    SCOPED_TRACE(std::string(point.target) + " event " + std::to_string(point.mask) + " #" +
                 std::to_string(point.nth));
    const std::string folder = scratch.file("run");
    fs::remove_all(folder);
    fs::create_directory(folder);
    fs::copy_file(pristine, folder + "/big.tif");
    const Played cut = play(folder, kEdit, &point);
    interrupted += cut.killed;
    temporariesLeft += !temporariesIn(folder).empty();

    // Whatever is there is a whole file: the scan is the old or the new one, byte for byte; the
    // design and the preference file read as what they are.
    const std::string now = readAll(folder + "/big.tif");
    EXPECT_TRUE(now == original || now == written) << "big.tif is neither the old nor the new file";
    if (fs::exists(folder + "/VXPixmend.upf")) {
      host::ResourceData data;
      std::string why;
      EXPECT_TRUE(host::readResourceFile(folder + "/VXPixmend.upf", &data, &why)) << why;
    }
    host::DesignContent design;
    std::string why;
    ASSERT_TRUE(host::readDesignFile(folder + "/paper.dgn", &design, &why)) << why;

    // The next session opens them all, sees the old or the new picture as the file is, and no
    // temporary is left beside them.
    const Played next = play(folder, kNext);
    EXPECT_EQ(next.status, 0) << next.journal;
    EXPECT_EQ(pixelsLine(next.journal), now == written ? picture : pictureBefore);
    for (const std::string& left : temporariesIn(folder))
      EXPECT_TRUE(host::isTemporaryOf(left, "backup.vxr")) << left << " is left beside its file";
  }
  // The kills landed inside writes (each follows an event of the write it interrupts).
  EXPECT_GE(interrupted, 10);
  EXPECT_GE(temporariesLeft, 1) << "no kill left a temporary behind: the clean-up was never tested";
}

// A small file system of our own: a tmpfs mounted in a mount namespace of this test's process
// (and its children), which disappears with it. Empty when that cannot be done here.
std::string mountSmallFileSystem(const std::string& where, std::string* why) {
  if (::unshare(CLONE_NEWNS) != 0) {
    *why = std::string("cannot make a mount namespace: ") + std::strerror(errno);
    return {};
  }
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      ::mount("tmpfs", where.c_str(), "tmpfs", 0, "size=1m") != 0) {
    *why = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
    return {};
  }
  return where;
}

TEST(CrashSafety, AFullDiskKeepsTheOldFilesAndSaysWhy) {
  if (!programBuilt()) GTEST_SKIP() << "pixmend is not built at " << pixmendProgram();
  testsupport::ScratchDir scratch("full");
  const std::string folder = scratch.file("disk");
  fs::create_directory(folder);
  std::string why;
  if (mountSmallFileSystem(folder, &why).empty())
    GTEST_SKIP() << "needs root allowed to mount a small tmpfs (" << why << ")";
  // The scan, the design and the preferences live on the small disk; the backup outside it.
  const std::string settings =
      "set MS_USERPREF host.upf\nset MS_TMP " + scratch.path() + "/\nset VX_DIR ./\n";
  const std::string original = makeScan(folder + "/big.tif", 1024);
  const Played setUp =
      play(folder, settings + "design new paper.dgn\nattach big.tif\nload VXRaster\nunload VXRaster\n");
  ASSERT_EQ(setUp.status, 0) << setUp.journal;
  const std::string design = readAll(folder + "/paper.dgn");
  const std::string preferences = readAll(folder + "/VXPixmend.upf");
  // Fill the disk to its last byte.
  {
    const int fd = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
    const std::vector<char> block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, block.data(), 1) > 0) {
    }
    ::close(fd);
  }
  const Played full = play(folder, settings +
                                       "design open paper.dgn\nload VXRasterEdit\n"
                                       "keyin vxraster move attachment\npoint 0 0\npoint 10 0\nreset\n" +
                                       kInk + "keyin vxraster write\nkeyin vxraster end\nunload VXRasterEdit\n");
  EXPECT_EQ(readAll(folder + "/big.tif"), original);
  EXPECT_EQ(readAll(folder + "/paper.dgn"), design);
  EXPECT_EQ(readAll(folder + "/VXPixmend.upf"), preferences);
  EXPECT_TRUE(temporariesIn(folder).empty());
  // The user reads why, for each file.
  EXPECT_NE(full.journal.find("text: image: big.tif: cannot write: no space left on device; the old file is unchanged"),
            std::string::npos)
      << full.journal;
  EXPECT_NE(full.journal.find("text: design: paper.dgn: no space left on device"), std::string::npos)
      << full.journal;
  EXPECT_NE(full.journal.find("resource: cannot write VXPixmend.upf: no space left on device"), std::string::npos)
      << full.journal;
}

}  // namespace
}  // namespace pixmend::cli
