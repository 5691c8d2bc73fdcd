// The one replace-a-file policy, tested once against both of its writers: the host's AtomicFile
// and the application side's ReplacingFile (which may not call the host's C++). Also the probe
// of whether a file can be replaced, and the clean-up of what a killed write leaves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/files/files.hpp"
#include "support/scratch_dir.hpp"
#include "transform/replacefile.hpp"

namespace pixmend::host {
namespace {

namespace fs = std::filesystem;

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void put(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Names in `dir` other than those listed.
std::vector<std::string> others(const std::string& dir, const std::vector<std::string>& known) {
  std::vector<std::string> found;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (std::find(known.begin(), known.end(), name) == known.end()) found.push_back(name);
  }
  return found;
}

// The two writers behind one face.
struct HostWriter {
  using File = AtomicFile;
  static void failAfter(std::size_t bytes) { failNextAtomicWriteAfter(bytes); }
};
struct ApplicationWriter {
  using File = ReplacingFile;
  static void failAfter(std::size_t bytes) { failNextReplacementAfter(bytes); }
};

template <typename Writer>
class ReplacePolicy : public ::testing::Test {
 protected:
  using File = typename Writer::File;
  bool replace(const std::string& path, const std::string& text, std::string* why = nullptr) {
    File file(path);
    const bool ok = file.write(text.data(), text.size()) && file.commit();
    if (why != nullptr) *why = file.error();
    return ok;
  }
  testsupport::ScratchDir dir{"atomic"};
};

using Writers = ::testing::Types<HostWriter, ApplicationWriter>;
TYPED_TEST_SUITE(ReplacePolicy, Writers);

TYPED_TEST(ReplacePolicy, ANewFileGetsTheUsualModeAndNothingIsLeftBeside) {
  const std::string path = this->dir.file("new.txt");
  const mode_t old = ::umask(022);
  ASSERT_TRUE(this->replace(path, "hello"));
  ::umask(old);
  EXPECT_EQ(contents(path), "hello");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  EXPECT_TRUE(others(this->dir.path(), {"new.txt"}).empty());
}

TYPED_TEST(ReplacePolicy, AReplacedFileKeepsItsModeAndOwner) {
  const std::string path = this->dir.file("kept.txt");
  put(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(path.c_str(), 1234, 5678), 0);
  }
  ASSERT_TRUE(this->replace(path, "new and longer"));
  EXPECT_EQ(contents(path), "new and longer");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 5678u);
  }
}

TYPED_TEST(ReplacePolicy, LinksStayLinksAndTheFileTheyNameIsReplacedInItsOwnFolder) {
  // scan.tif -> sub/link.tif -> ../real/scan.tif (relative links, a chain of two).
  fs::create_directories(this->dir.file("real"));
  fs::create_directories(this->dir.file("sub"));
  put(this->dir.file("real/scan.tif"), "old");
  fs::create_symlink("../real/scan.tif", this->dir.file("sub/link.tif"));
  fs::create_symlink("sub/link.tif", this->dir.file("scan.tif"));
  ASSERT_TRUE(this->replace(this->dir.file("scan.tif"), "new"));
  EXPECT_TRUE(fs::is_symlink(this->dir.file("scan.tif")));
  EXPECT_TRUE(fs::is_symlink(this->dir.file("sub/link.tif")));
  EXPECT_EQ(contents(this->dir.file("real/scan.tif")), "new");
  EXPECT_TRUE(others(this->dir.file("real"), {"scan.tif"}).empty());
  // A link to a file not yet there creates it where the link points.
  fs::create_symlink("real/later.tif", this->dir.file("later.tif"));
  ASSERT_TRUE(this->replace(this->dir.file("later.tif"), "made"));
  EXPECT_TRUE(fs::is_symlink(this->dir.file("later.tif")));
  EXPECT_EQ(contents(this->dir.file("real/later.tif")), "made");
}

TYPED_TEST(ReplacePolicy, AnyFailureLeavesTheOldFileAndNoTemporary) {
  const std::string path = this->dir.file("scan.tif");
  put(path, "the old file");
  std::string why;
  // The disk fills up part-way.
  TypeParam::failAfter(3);
  EXPECT_FALSE(this->replace(path, std::string(100000, 'x'), &why));
  EXPECT_EQ(why, "no space left on device");
  EXPECT_EQ(contents(path), "the old file");
  EXPECT_TRUE(others(this->dir.path(), {"scan.tif"}).empty());
  // Given up without a commit.
  {
    typename TestFixture::File file(path);
    file.write("half", 4);
  }
  EXPECT_EQ(contents(path), "the old file");
  EXPECT_TRUE(others(this->dir.path(), {"scan.tif"}).empty());
  // Protected files and things that are not files are refused, untouched.
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(this->replace(path, "x", &why));
  EXPECT_EQ(why, "the file is read-only");
  EXPECT_EQ(contents(path), "the old file");
  fs::create_directory(this->dir.file("folder.tif"));
  EXPECT_FALSE(this->replace(this->dir.file("folder.tif"), "x", &why));
  EXPECT_EQ(why, "it is not a regular file");
  ASSERT_EQ(::mkfifo(this->dir.file("pipe.tif").c_str(), 0644), 0);
  EXPECT_FALSE(this->replace(this->dir.file("pipe.tif"), "x", &why));
  EXPECT_EQ(why, "it is not a regular file");
  // A folder that takes no new file (even for root).
  EXPECT_FALSE(this->replace(this->dir.file("missing/scan.tif"), "x", &why));
  EXPECT_NE(why.find("cannot create a temporary file in"), std::string::npos) << why;
  EXPECT_TRUE(others(this->dir.path(), {"scan.tif", "folder.tif", "pipe.tif"}).empty());
}

TYPED_TEST(ReplacePolicy, TheTemporaryIsRecognisableAndLockedWhileItIsWritten) {
  const std::string path = this->dir.file("plan.dgn");
  put(path, "old");
  typename TestFixture::File file(path);
  ASSERT_TRUE(file.write("new", 3));
  const std::vector<std::string> temporaries = others(this->dir.path(), {"plan.dgn"});
  ASSERT_EQ(temporaries.size(), 1u);
  EXPECT_TRUE(isTemporaryOf(temporaries[0], "plan.dgn")) << temporaries[0];
  EXPECT_FALSE(isTemporaryOf(temporaries[0], "plan.dg"));
  // A live writer's temporary is not stale: the clean-up leaves it, and the write completes.
  EXPECT_EQ(removeStaleTemporaries(path), 0);
  ASSERT_TRUE(file.commit());
  EXPECT_EQ(contents(path), "new");
  EXPECT_TRUE(others(this->dir.path(), {"plan.dgn"}).empty());
}

TEST(StaleTemporaries, WhatAKilledWriteLeftIsRemovedAndNothingElse) {
  testsupport::ScratchDir dir("stale");
  const std::string path = dir.file("scan.tif");
  put(path, "the file");
  // Left by writers that died: unlocked, named by the pattern.
  put(dir.file(".scan.tif.pixmend-Ab3dE9"), "half");
  put(dir.file(".scan.tif.pixmend-zzzzzz"), "half");
  // Not ours, or not of this file: kept.
  const std::vector<std::string> kept = {"scan.tif", ".scan.tif.pixmend-short", ".scan.tif.pixmend-ab_de!",
                                         ".other.tif.pixmend-Ab3dE9", "scan.tif.pixmend-Ab3dE9"};
  for (std::size_t i = 1; i < kept.size(); ++i) put(dir.file(kept[i]), "x");
  // One a live writer holds.
  const std::string live = dir.file(".scan.tif.pixmend-L1ve00");
  put(live, "being written");
  const int fd = ::open(live.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_EQ(removeStaleTemporaries(path), 2);
  std::vector<std::string> expected = kept;
  expected.push_back(".scan.tif.pixmend-L1ve00");
  EXPECT_TRUE(others(dir.path(), expected).empty());
  ::close(fd);
  // The next write of the file clears the rest of its own.
  put(dir.file(".scan.tif.pixmend-Ab3dE9"), "half");
  ASSERT_TRUE(writeFileAtomically(path, "new", 3, nullptr));
  EXPECT_TRUE(others(dir.path(), kept).empty());
  EXPECT_EQ(contents(path), "new");
}

TEST(CanReplace, OnlyWhatTheWriterCouldReplaceNow) {
  testsupport::ScratchDir dir("probe");
  const std::string path = dir.file("scan.tif");
  put(path, "x");
  std::string why;
  EXPECT_TRUE(canReplaceFile(path, &why)) << why;
  EXPECT_TRUE(canReplaceFile(dir.file("new.tif"), &why)) << why;
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(canReplaceFile(path, &why));
  EXPECT_EQ(why, "the file is read-only");
  EXPECT_FALSE(canReplaceFile(dir.path(), &why));
  EXPECT_FALSE(canReplaceFile(dir.file("missing/new.tif"), &why));
  // A writable file in a folder that takes no new file, which even root cannot write back
  // through a rename: the probe must try, not trust permission bits.
  EXPECT_EQ(::access("/proc/self/comm", W_OK), 0);
  EXPECT_FALSE(canReplaceFile("/proc/self/comm", &why));
  EXPECT_NE(why.find("no file can be created in /proc/self"), std::string::npos) << why;
  EXPECT_FALSE(pixmend::canReplace("/proc/self/comm"));
  EXPECT_TRUE(pixmend::canReplace(dir.file("new.tif")));
  EXPECT_TRUE(others(dir.path(), {"scan.tif"}).empty()) << "the probes leave nothing";
}

}  // namespace
}  // namespace pixmend::host
