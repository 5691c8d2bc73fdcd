// The drawing-like sheet: its seeds name the features they promise, at small and real sizes.
#include "bitmap/drawing.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "support/random_bitmap.hpp"

namespace pixmend {
namespace {

// Size of the 4-connected ink component around p, and whether it contains q.
struct Component {
  std::size_t size = 0;
  bool containsOther = false;
};

Component component(ConstBitmapView v, Pixel p, Pixel other) {
  Component c;
  if (!v.at(p.x, p.y)) return c;
  std::vector<bool> seen(static_cast<std::size_t>(v.width) * v.height);
  std::vector<Pixel> todo{p};
  auto index = [&](int x, int y) { return static_cast<std::size_t>(y) * v.width + x; };
  seen[index(p.x, p.y)] = true;
  while (!todo.empty()) {
    const Pixel q = todo.back();
    todo.pop_back();
    ++c.size;
    if (q.x == other.x && q.y == other.y) c.containsOther = true;
    const Pixel next[4] = {{q.x + 1, q.y}, {q.x, q.y + 1}, {q.x - 1, q.y}, {q.x, q.y - 1}};
    for (const Pixel& n : next) {
      if (v.at(n.x, n.y) && !seen[index(n.x, n.y)]) {
        seen[index(n.x, n.y)] = true;
        todo.push_back(n);
      }
    }
  }
  return c;
}

TEST(Drawing, SeedsNameSeparateFeaturesAtEverySize) {
  const int sizes[][2] = {{200, 200}, {300, 200}, {200, 300}, {257, 333}, {1240, 1754}, {kA4Width400, kA4Height400}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(testing::Message() << s[0] << " x " << s[1]);
    const Drawing d = makeDrawing(s[0], s[1]);
    ASSERT_EQ(d.bits.size(), bitmapBytes(s[0], s[1]));
    const ConstBitmapView v = d.view();
    EXPECT_TRUE(v.at(d.lineNetwork.x, d.lineNetwork.y));
    EXPECT_TRUE(v.at(d.solidRegion.x, d.solidRegion.y));
    EXPECT_TRUE(v.at(d.hatchedArea.x, d.hatchedArea.y));
    EXPECT_TRUE(v.at(d.glyph.x, d.glyph.y));

    const Component glyph = component(v, d.glyph, d.lineNetwork);
    EXPECT_GE(glyph.size, 250u);
    EXPECT_LE(glyph.size, 350u);
    EXPECT_FALSE(component(v, d.solidRegion, d.lineNetwork).containsOther);
    EXPECT_FALSE(component(v, d.hatchedArea, d.lineNetwork).containsOther);
    EXPECT_FALSE(component(v, d.hatchedArea, d.solidRegion).containsOther);
    const std::vector<std::uint8_t> blank(d.bits.size(), 0);
    EXPECT_TRUE(testsupport::samePadding(v, ConstBitmapView(blank.data(), s[0], s[1])));  // padding stays 0
  }
}

TEST(Drawing, SharesOfInkAtA4) {
  const Drawing d = makeDrawing(kA4Width400, kA4Height400);
  const ConstBitmapView v = d.view();
  const double area = static_cast<double>(d.width) * d.height;
  EXPECT_NEAR(static_cast<double>(testsupport::countInk(v)) / area, 0.07, 0.005);
  EXPECT_NEAR(static_cast<double>(component(v, d.lineNetwork, d.glyph).size) / area, 0.032, 0.003);
  EXPECT_NEAR(static_cast<double>(component(v, d.solidRegion, d.glyph).size) / area, 0.032, 0.003);
  EXPECT_NEAR(static_cast<double>(component(v, d.hatchedArea, d.glyph).size) / area, 0.002, 0.0005);
}

TEST(Drawing, DeterministicPerSeedAndEmptyForImpossibleSizes) {
  EXPECT_EQ(makeDrawing(641, 480, 7).bits, makeDrawing(641, 480, 7).bits);
  EXPECT_NE(makeDrawing(641, 480, 7).bits, makeDrawing(641, 480, 8).bits);
  EXPECT_TRUE(makeDrawing(0, 100).bits.empty());
  EXPECT_TRUE(makeDrawing(100, -1).bits.empty());
  EXPECT_TRUE(makeDrawing(1 << 30, 1 << 30).bits.empty());
  const Drawing tiny = makeDrawing(3, 2);  // room for nothing but part of a border; must not fail
  EXPECT_EQ(tiny.bits.size(), 2u);
}

}  // namespace
}  // namespace pixmend
