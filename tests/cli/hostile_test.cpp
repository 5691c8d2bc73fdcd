// Hostile input to the program never hangs it, never makes it read without end and never makes
// it call an unreadable image editable: pipes and devices given as files, an endless standard
// input, a folder as a script, an image wider than can be decoded, a damaged scan. Each run is
// a child that must end by itself; one that does not is killed and the test fails.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/scratch_dir.hpp"

namespace {

struct Outcome {
  int status = -1;
  std::string out;  // standard output and standard error together
};

const std::string& program() {
  static const std::string path = std::string(PIXMEND_BUILD_DIR) + "/bin/pixmend";
  return path;
}

// Runs pixmend with `args`, standard input from `input`, in `folder`.
Outcome run(const std::vector<std::string>& args, const std::string& folder, const std::string& input = "/dev/null") {
  const std::string output = folder + "/.output";
  const pid_t child = ::fork();
  if (child == 0) {
    if (::chdir(folder.c_str()) != 0) ::_exit(127);
    const int in = ::open(input.c_str(), O_RDONLY);
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    std::vector<char*> argv{const_cast<char*>("pixmend")};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program().c_str(), argv.data());
    ::_exit(127);
  }
  Outcome r;
  int status = 0;
  for (int rounds = 0; ::waitpid(child, &status, WNOHANG) != child; ++rounds) {
    if (rounds == 3000) {  // a minute: this child waits for something that never comes
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      ADD_FAILURE() << "pixmend did not end";
      break;
    }
    ::poll(nullptr, 0, 20);
  }
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(output, std::ios::binary);
  r.out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return r;
}

class Hostile : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access(program().c_str(), X_OK) != 0) GTEST_SKIP() << "the pixmend program is not built";
  }
  std::string file(const std::string& name) const { return scratch_.file(name); }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(file(name), std::ios::binary) << text;
  }
  pixmend::testsupport::ScratchDir scratch_{"hostile"};
  std::string dir_ = scratch_.path();
};

TEST_F(Hostile, PipesAndDevicesGivenAsFilesAreRefusedAtOnce) {
  ASSERT_EQ(::mkfifo(file("pipe.tif").c_str(), 0644), 0);
  const char* const reason = "not a regular file (a pipe, a device or a socket)";
  for (const std::string& name : {file("pipe.tif"), std::string("/dev/zero")}) {
    SCOPED_TRACE(name);
    Outcome r = run({"info", name}, dir_);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(reason), std::string::npos) << r.out;
    r = run({"convert", name, "out.tif"}, dir_);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(reason), std::string::npos) << r.out;
  }
  // As a target: refused, and the pipe is still a pipe (nothing waited to write into it).
  std::vector<std::uint8_t> bits(2, 0);
  TIFF* t = TIFFOpen(file("good.tif").c_str(), "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 8);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, 2);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFWriteEncodedStrip(t, 0, bits.data(), 2);
  TIFFClose(t);
  Outcome r = run({"convert", "good.tif", "pipe.tif"}, dir_);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("it is not a regular file"), std::string::npos) << r.out;
  struct stat st {};
  ASSERT_EQ(::lstat(file("pipe.tif").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  // The session verb that reads pixels.
  write("pixels.pms", "pixels pipe.tif\n");
  r = run({"run", "pixels.pms"}, dir_);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("pixels.pms:1: pixels: cannot read pipe.tif"), std::string::npos) << r.out;
}

TEST_F(Hostile, ScriptsComeFromFilesAndBoundedStreamsOnly) {
  // An endless standard input is read up to the script limit, then refused with the limit.
  Outcome r = run({"run", "-"}, dir_, "/dev/zero");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("<stdin>:0: the script is larger than 16777216 bytes"), std::string::npos) << r.out;
  // A folder is not a script (it used to play nothing and succeed).
  r = run({"run", dir_}, dir_);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("is a folder, not a session script"), std::string::npos) << r.out;
  // A script saved with a byte-order mark plays.
  write("bom.pms", "\xEF\xBB\xBFset A b\n");
  r = run({"run", "bom.pms"}, dir_);
  EXPECT_EQ(r.status, 0) << r.out;
  // A name meant to hold blanks whose quote is not closed is refused before anything is played.
  write("quote.pms", "copy \"a b.tif c.tif\nattach \"my scan.tif\n");
  r = run({"run", "quote.pms"}, dir_);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("quote.pms:1: copy: the quote before \"a is not closed"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("quote.pms:2: attach: the quote before \"my is not closed"), std::string::npos) << r.out;
}

TEST_F(Hostile, InfoCallsEditableOnlyWhatCanBeRead) {
  // A Group 4 page one pixel wider than the readers decode, as another program may write it.
  const std::uint32_t width = (1u << 22) + 1;
  std::vector<std::uint8_t> row((width + 7) / 8, 0);
  TIFF* t = TIFFOpen(file("wide.tif").c_str(), "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, 1);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 1);
  TIFFWriteScanline(t, row.data(), 0, 0);
  TIFFClose(t);
  Outcome r = run({"info", "wide.tif"}, dir_);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("editable:      no: it cannot be read (the file is damaged)"), std::string::npos) << r.out;
  const std::string shared = PIXMEND_TESTDATA_DIR;
  if (!shared.empty() && ::access((shared + "/tiff/127.tif").c_str(), R_OK) == 0) {
    r = run({"info", shared + "/tiff/127.tif"}, dir_);
    EXPECT_NE(r.out.find("editable:      yes, but damaged: lines after 1361 of 3508 could not be read"),
              std::string::npos)
        << r.out;
  }
}

}  // namespace
