// The smart commands on real scans, checked by their pixels. Each test plays one of the session
// scripts of tests/sessions/ (vxraster_smart_*.pms, whose whole journals the session tests
// compare) with the pixmend program, then compares the files the session kept at each step with
// pixels worked out here from the original scan: the selections with a plain 4-connected walk,
// the placements from the design points of the script. Nothing of the commands' own code runs
// in these expectations. No temporary overlay file may be left once the session has ended.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/image/api.h"
#include "support/scratch_dir.hpp"

namespace {

// A scan as one byte a pixel (1 = ink).
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> ink;
  unsigned char& at(int x, int y) { return ink[static_cast<std::size_t>(y) * width + x]; }
  bool operator==(const Picture& o) const { return width == o.width && height == o.height && ink == o.ink; }
};

Picture read(const std::string& path) {
  Picture p;
  unsigned char* bits = nullptr;
  Point2d size{};
  if (mdlImage_readFileToBitMap(&bits, &size, path.c_str(), IMAGEFILE_FROM_FILE, 0, nullptr) != 0) return p;
  p.width = size.x, p.height = size.y;
  p.ink.resize(static_cast<std::size_t>(size.x) * size.y);
  const int stride = (size.x + 7) / 8;
  for (int y = 0; y < size.y; ++y)
    for (int x = 0; x < size.x; ++x) p.at(x, y) = (bits[y * stride + x / 8] >> (7 - x % 8)) & 1;
  mdlImage_freeImage(bits, &size, 1);
  return p;
}

// The ink 4-connected to `seed` that does not pass through `barrier` (cut-line ink), as a
// picture of its box [x0, x1] x [y0, y1] (inclusive) placed in a blank page.
struct Component {
  Picture marks;
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
  long count = 0;
};

Component walk(const Picture& page, int sx, int sy, const Picture* barrier = nullptr) {
  Component c;
  c.marks = Picture{page.width, page.height, std::vector<unsigned char>(page.ink.size(), 0)};
  std::deque<std::pair<int, int>> queue{{sx, sy}};
  c.marks.at(sx, sy) = 1;
  while (!queue.empty()) {
    const auto [x, y] = queue.front();
    queue.pop_front();
    ++c.count;
    c.x0 = std::min(c.x0, x), c.x1 = std::max(c.x1, x), c.y0 = std::min(c.y0, y), c.y1 = std::max(c.y1, y);
    for (const auto& [nx, ny] : {std::pair{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}}) {
      if (nx < 0 || ny < 0 || nx >= page.width || ny >= page.height) continue;
      const std::size_t i = static_cast<std::size_t>(ny) * page.width + nx;
      if (page.ink[i] == 0 || c.marks.ink[i] != 0 || (barrier != nullptr && barrier->ink[i] != 0)) continue;
      c.marks.ink[i] = 1;
      queue.emplace_back(nx, ny);
    }
  }
  return c;
}

// The ink of a vertical cut line at `column` between two rows.
Picture cutLine(const Picture& page, int column, int top, int bottom) {
  Picture cut{page.width, page.height, std::vector<unsigned char>(page.ink.size(), 0)};
  for (int y = top; y <= bottom; ++y)
    cut.at(column, y) = page.ink[static_cast<std::size_t>(y) * page.width + column];
  return cut;
}

// What a selection takes: the component, and the cut-line ink inside its box widened by one
// column on the right and one row at the bottom.
void addCutInk(Component& c, Picture& cut) {
  for (int y = c.y0; y <= c.y1 + 1 && y < cut.height; ++y)
    for (int x = c.x0; x <= c.x1 + 1 && x < cut.width; ++x)
      if (cut.at(x, y) != 0) c.marks.at(x, y) = 1;
}

void erase(Picture& page, const Component& c) {
  for (std::size_t i = 0; i < page.ink.size(); ++i)
    if (c.marks.ink[i] != 0) page.ink[i] = 0;
}

// Adds the widened box of `c` (box plus one column and one row) with its top-left at (x, y),
// turned `quarters` times counter-clockwise as displayed first.
void place(Picture& page, const Component& c, int x, int y, int quarters = 0) {
  const int w = c.x1 - c.x0 + 2, h = c.y1 - c.y0 + 2;
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) {
      if (c.marks.ink[static_cast<std::size_t>(c.y0 + j) * page.width + c.x0 + i] == 0) continue;
      const int tx = quarters == 1 ? j : i, ty = quarters == 1 ? w - 1 - i : j;
      if (x + tx >= 0 && y + ty >= 0 && x + tx < page.width && y + ty < page.height)
        page.at(x + tx, y + ty) = 1;
    }
  }
}

class SmartSession : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(PIXMEND_BUILD_DIR "/bin/pixmend")) GTEST_SKIP() << "pixmend is not built";
    if (std::string(PIXMEND_TESTDATA_DIR).empty()) GTEST_SKIP() << "no test scans";
  }
  // Plays tests/sessions/NAME.pms in the scratch folder; true when it went through.
  bool play(const std::string& name) {
    const std::string command = "cd '" + dir_.path() + "' && PIXMEND_TESTDATA='" PIXMEND_TESTDATA_DIR "' '" +
                                PIXMEND_BUILD_DIR "/bin/pixmend' run '" PIXMEND_SOURCE_DIR
                                                  "/tests/sessions/" +
                                name + ".pms' > journal.txt 2>&1";
    const int status = std::system(command.c_str());
    if (status == 0) return true;
    std::ifstream journal(dir_.file("journal.txt"));
    ADD_FAILURE() << name << " ended with status " << status << "; its journal:\n" << std::string(std::istreambuf_iterator<char>(journal), {});
    return false;
  }
  std::string file(const std::string& name) const { return dir_.file(name); }
  void expectNoTemporaryFiles() const {
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
      EXPECT_EQ(entry.path().filename().string().rfind("rsdeltmp", 0), std::string::npos) << entry.path();
  }
  pixmend::testsupport::ScratchDir dir_{"smart"};
};

const std::string circuit = std::string(PIXMEND_TESTDATA_DIR) + "/tiff/CCITT_2.TIF";

TEST_F(SmartSession, DeleteErasesExactlyTheGlyphThenTheTerminalUpToTheCutLine) {
  ASSERT_TRUE(play("vxraster_smart_delete"));
  Picture expected = read(circuit);
  const Component glyph = walk(expected, 528, 1632);
  EXPECT_EQ(glyph.count, 575);  // the "7" alone: it touches nothing
  erase(expected, glyph);
  EXPECT_TRUE(read(file("glyph.tif")) == expected) << "only the glyph's ink is gone";

  // The cut line at x = 60 from y = 860 to 895 crosses the input wire.
  Picture cut = cutLine(expected, 60, 2376 - 895, 2376 - 860);
  Component terminal = walk(expected, 18, 2376 - 900, &cut);
  EXPECT_EQ(terminal.x1, 59) << "the selection stops at the cut line";
  addCutInk(terminal, cut);
  erase(expected, terminal);
  EXPECT_TRUE(read(file("terminal.tif")) == expected);
  expectNoTemporaryFiles();
}

TEST_F(SmartSession, ACutLineSeparatesACharacterFromTheLineItTouches) {
  ASSERT_TRUE(play("vxraster_smart_touching"));
  Picture expected = read(std::string(PIXMEND_TESTDATA_DIR) + "/tiff/G4.TIF");
  EXPECT_GT(walk(expected, 1660, 2560).count, 200000) << "the letter touches the bar and the frame";
  Picture cut = cutLine(expected, 1643, 3248 - 733, 3248 - 633);
  const Component letter = walk(expected, 1660, 2560, &cut);
  EXPECT_LT(letter.count, 3000);
  erase(expected, letter);  // the cut lies left of the letter's box: the bar keeps its ink
  EXPECT_TRUE(read(file("letter.tif")) == expected);
  expectNoTemporaryFiles();
}

TEST_F(SmartSession, MoveAndCopiesLandWhereTheDesignPointsPutThem) {
  ASSERT_TRUE(play("vxraster_smart_move"));
  Picture expected = read(circuit);
  const Component glyph = walk(expected, 528, 1632);
  // Picked up at (528, 743) and put down at (600, 700): 72 columns right, 43 rows down.
  erase(expected, glyph);
  place(expected, glyph, glyph.x0 + 72, glyph.y0 + 43);
  EXPECT_TRUE(read(file("moved.tif")) == expected) << "erased where it was, placed where it went";

  // Copied again with the cursor far right: flush with the right edge, on the same rows.
  const Component moved = walk(expected, 600, 1675);
  place(expected, moved, 1728 - (moved.x1 - moved.x0 + 2), moved.y0);
  EXPECT_TRUE(read(file("edge.tif")) == expected);

  // The terminal cut off at x = 60, picked up at s = (30, 880), turned a quarter, put down at
  // t = (300, 400): its widened box (x1..x2, y1..y2 in the design) turns about s, and its new
  // upper-left corner (s.x - (y2 - s.y), s.y + (x2 - s.x)) moves by t - s.
  Picture cut = cutLine(expected, 60, 2376 - 895, 2376 - 860);
  Component terminal = walk(expected, 18, 2376 - 900, &cut);
  addCutInk(terminal, cut);
  const double x2 = terminal.x1 + 2, y2 = 2376 - terminal.y0;
  const int column = static_cast<int>(300 - (y2 - 880)), row = static_cast<int>(2376 - (400 + (x2 - 30)));
  place(expected, terminal, column, row, 1);
  EXPECT_TRUE(read(file("turned.tif")) == expected)
      << "a quarter turn counter-clockwise about the from point";
  expectNoTemporaryFiles();
}

}  // namespace
