// The text-file driver: a title block's texts laid out in reading order and compared whole with
// the file beside this test; rows that chain into each other, turned texts, and texts the library
// cannot keep.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "host/output/answers.hpp"
#include "vxlib/services/plot/plot_fixture.hpp"

namespace pixmend::vxlib {
namespace {

struct Text {
  double x;
  double y;
  const char* text;
  double angle;
};

class TextFile : public PlotTest {
 protected:
  // The file the driver writes for these texts, drawn in the order given.
  std::string plotTexts(const std::vector<Text>& texts, const std::string& name = "texts.txt") {
    const std::string file = path(name);
    EXPECT_EQ(vxlibAscii_fopen(file.c_str()), 1);
    for (const Text& t : texts) {
      // The shape is the text's box: its first point is where the text stands.
      const double shape[15] = {t.x, t.y, 0, t.x + 10, t.y, 0, t.x + 10, t.y + 3, 0, t.x, t.y + 3, 0, t.x, t.y, 0};
      vxlibAscii_drawText(shape, t.text, 3.0, 7, 8, t.angle, 2);
    }
    vxlibAscii_newPage();  // no pages in a text file
    EXPECT_EQ(vxlibAscii_fclose(), 0);
    return readAll(file);
  }
};

TEST_F(TextFile, ATitleBlockReadsRowByRowLeftToRight) {
  // Drawn in no particular order. PROJECT and the plant's name lie 1 mm apart: one line. The
  // next row begins 4.5 mm lower (one empty line), DRAWN 1.5 mm below its row's top; NOTE lies
  // 15.5 mm below that row (six empty lines). The turned text is left out.
  const std::string got = plotTexts({{10, 94, "DRAWN", 0},
                                     {40, 99, "Pixmend plant", 0.5},
                                     {100, 94.8, "REV A", 0},
                                     {60, 90, "turned", 45},
                                     {10, 80, "NOTE", 0},
                                     {10, 100, "PROJECT", 0},
                                     {40, 95.5, "ole", -1.0}});
  EXPECT_EQ(got, readAll(PIXMEND_SOURCE_DIR "/tests/vxlib/services/plot/titleblock.txt"));
}

TEST_F(TextFile, TextsCloseInHeightShareALineAndSixMillimetresGiveTwoLineEnds) {
  EXPECT_EQ(plotTexts({{30, 50, "B", 0}, {10, 51.5, "A", 0}}), "A" + std::string(15, ' ') + "B\n");
  EXPECT_EQ(plotTexts({{10, 44, "B", 0}, {10, 50, "A", 0}}), "A\n\nB\n");
  // A text that reaches past the next one's column is followed by it directly.
  EXPECT_EQ(plotTexts({{10, 50, "LONGTEXT", 0}, {12, 50, "X", 0}}), "LONGTEXTX\n");
  EXPECT_EQ(plotTexts({}), "\n");
}

TEST_F(TextFile, RowsThatChainIntoEachOtherReadTheSameWhateverTheDrawingOrder) {
  // Each text lies 1.5 mm below the one before: every neighbour is within a row's height, but
  // the first and the last are not. The layout may not depend on the order they were drawn in.
  std::vector<Text> chain = {{10, 100, "a", 0}, {20, 98.5, "b", 0}, {30, 97, "c", 0}, {40, 95.5, "d", 0}};
  const std::string first = plotTexts(chain);
  EXPECT_EQ(first, "a" + std::string(7, ' ') + "b\n" + std::string(16, ' ') + "c" + std::string(8, ' ') + "d\n");
  std::sort(chain.begin(), chain.end(), [](const Text& a, const Text& b) { return a.text < b.text; });
  do {
    EXPECT_EQ(plotTexts(chain), first);
  } while (std::next_permutation(chain.begin(), chain.end(), [](const Text& a, const Text& b) { return a.text < b.text; }));
}

TEST_F(TextFile, TextsTheLibraryCannotKeepAreLeftOutAndSaidSo) {
  const std::string file = path("kept.txt");
  ASSERT_EQ(vxlibAscii_fopen(file.c_str()), 1);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double shape[15] = {10, 10};
  const double badShape[15] = {nan, 10};
  const auto from = mark();
  vxlibAscii_drawText(badShape, "bad", 3, 0, 0, 0, 2);
  vxlibAscii_drawText(nullptr, "none", 3, 0, 0, 0, 2);
  vxlibAscii_drawText(shape, nullptr, 3, 0, 0, 0, 2);
  EXPECT_EQ(textLines(from).size(), 2u) << "a missing shape is no text to report";
  vxlibAscii_drawText(shape, "nan angle", 3, 0, 0, nan, 2);
  // Out of memory for the copy: the user is told (message 14) and the text is not kept.
  mdlSystem_failNextAllocations(1);
  host::queueAnswer("Continue");
  vxlibAscii_drawText(shape, "lost", 3, 0, 0, 0, 2);
  EXPECT_STREQ(boxState().text, "Out of memory.");
  vxlibAscii_drawText(shape, "kept", 3, 0, 0, 0, 2);
  ASSERT_EQ(vxlibAscii_fclose(), 0);
  EXPECT_EQ(readAll(file), "kept\n");
}

}  // namespace
}  // namespace pixmend::vxlib
