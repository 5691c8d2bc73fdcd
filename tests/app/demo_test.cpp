// The README's first command ends in `pixmend demo`: its editing session must go through on the
// real drawing (or, without the shared scans, on the generated sheet), leave the drawing's pixels
// as they were after the revert, give the raster its colour back, edit the pixels (a turned copy,
// a fence delete), and leave its script and pictures behind; the buffer operations follow.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_dir.hpp"

namespace {

// Runs the demo into `dir` (with `environment` in front of the command) and gives its output;
// `status` receives the exit status.
std::string runDemo(const std::string& environment, const std::string& dir, int* status) {
  const std::string program = PIXMEND_BUILD_DIR "/bin/pixmend";
  std::string output;
  FILE* pipe = popen((environment + " " + program + " demo " + dir + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return output;
  std::array<char, 4096> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
  const int raw = pclose(pipe);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

// The journal lines of the output that begin with `prefix` (after the indentation).
std::vector<std::string> lines(const std::string& output, const std::string& prefix) {
  std::vector<std::string> found;
  const std::string key = "     " + prefix;
  for (std::size_t at = output.find(key); at != std::string::npos; at = output.find(key, at + 1)) {
    const std::size_t end = output.find('\n', at);
    found.push_back(output.substr(at + 5, end - at - 5));
  }
  return found;
}

void expectAnEditingSession(const std::string& output, const std::string& dir) {
  EXPECT_NE(output.find("     error: Move raster attachment > Enter reference corner\n"), std::string::npos)
      << output;
  EXPECT_NE(output.find("     prompt: Rotate raster horizontale > select rotate angle: "), std::string::npos);
  EXPECT_NE(output.find("     progress: close Rotating...\n"), std::string::npos) << "turned, then straightened";
  EXPECT_EQ(output.find("error: Unknown command"), std::string::npos) << output;
  EXPECT_EQ(output.find("box: "), std::string::npos) << "no refusal";
  const auto pixels = lines(output, "pixels: drawing.tif");
  ASSERT_EQ(pixels.size(), 2u) << output;
  EXPECT_EQ(pixels[0], pixels[1]) << "reverted: the drawing's pixels as they were";
  const auto modified = lines(output, "raster: modify drawing.tif");
  ASSERT_EQ(modified.size(), 4u) << output;
  EXPECT_NE(modified[0].find(" colour 0,176,0 "), std::string::npos) << modified[0];
  EXPECT_EQ(modified[0].find(" at 0,0 "), std::string::npos) << "moved: " << modified[0];
  EXPECT_NE(modified[1].find(" at 0,0 "), std::string::npos) << "undone: " << modified[1];
  EXPECT_NE(modified[3].find(" at 0,0 "), std::string::npos) << modified[3];
  EXPECT_NE(modified[3].find(" colour 0,0,0 "), std::string::npos) << "colour back: " << modified[3];
  EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/vxraster.pms"));
  // The pixel edits after the revert: a turned copy and a fence delete, each written back.
  EXPECT_NE(output.find("     error: Raster copy > Enter point to define distance and direction\n"
                        "     view: picture of view 0"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("     error: Delete fence content\n     file: wrote drawing.tif\n"), std::string::npos)
      << output;
  for (const char* picture : {"edit-1-attached.png", "edit-2-loaded.png", "edit-3-moved.png", "edit-4-inverted.png",
                              "deskew-1-crooked.png", "deskew-2-straightened.png", "deskew-3-mirrored.png",
                              "deskew-4-undone.png", "edit-5-after.png", "copy-turned-before.png",
                              "copy-turned-after.png", "fence-delete-before.png", "fence-delete-after.png"}) {
    EXPECT_GT(std::filesystem::file_size(dir + "/" + picture), 1000u) << picture;
  }
  EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/6-moved.pbm")) << "the buffer operations follow";
}

TEST(Demo, EditsTheRealDrawingAndLeavesItsScriptAndPictures) {
  if (!std::filesystem::exists(PIXMEND_BUILD_DIR "/bin/pixmend")) GTEST_SKIP() << "pixmend is not built";
  const std::string scans = PIXMEND_TESTDATA_DIR;
  if (scans.empty() || !std::filesystem::is_directory(scans)) GTEST_SKIP() << "no test scans";
  const pixmend::testsupport::ScratchDir scratch("demo");
  int status = -1;
  const std::string output = runDemo("PIXMEND_TESTDATA=" + scans, scratch.path(), &status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("A. Editing a scanned circuit diagram"), std::string::npos) << output;
  expectAnEditingSession(output, scratch.path());
  // The smart edits: the diode selected up to its cut lines and placed, the stroke selected and
  // erased, each shown before and after.
  EXPECT_NE(output.find("     error: Raster smart move with cut lines > Enter point to define distance"),
            std::string::npos);
  EXPECT_NE(output.find("     error: Smart delete > Accept or reset to select new"), std::string::npos);
  EXPECT_EQ(output.find("> No area to select"), std::string::npos) << "every click on ink";
  for (const char* picture : {"edit-smart-1-diode.png", "edit-smart-2-diode-selected.png", "edit-smart-3-diode-turned.png",
                              "edit-smart-4-stroke.png", "edit-smart-5-stroke-deleted.png", "edit-smart-6-undone.png"}) {
    EXPECT_GT(std::filesystem::file_size(scratch.path() + "/" + picture), 1000u) << picture;
  }
}

TEST(Demo, WithoutTheScansItEditsTheGeneratedSheet) {
  if (!std::filesystem::exists(PIXMEND_BUILD_DIR "/bin/pixmend")) GTEST_SKIP() << "pixmend is not built";
  const pixmend::testsupport::ScratchDir scratch("demo");
  int status = -1;
  const std::string output = runDemo("PIXMEND_TESTDATA=" + scratch.path() + "/none", scratch.path(), &status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("A. Editing a generated drawing-like A4 sheet"), std::string::npos) << output;
  expectAnEditingSession(output, scratch.path());
}

}  // namespace
