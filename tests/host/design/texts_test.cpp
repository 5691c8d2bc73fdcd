// Texts through the host calls: what goes in comes back out (Latin-1 and wide), the box each
// justification gives a turned text, the lines of a text node, the cleaning options, the active
// settings a text takes, and named text styles kept in the design file across a close.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/lifecycle.hpp"
#include "host/view/api.h"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

class Texts : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    std::string error;
    ASSERT_TRUE(createDesign(file(), &error)) << error;
  }
  void TearDown() override { resetHost(); }
  std::string file() const { return dir_ + "/texts.dgn"; }

  testsupport::ScratchDir scratch_{"texts"};
  std::string dir_ = scratch_.path();
  std::unique_ptr<MSElement> element_ = std::make_unique<MSElement>();
  MSElement& e = *element_;
};

RotMatrix turnedBy(double degrees) {
  const double a = degrees * M_PI / 180, c = std::cos(a), s = std::sin(a);
  RotMatrix r{};
  r.form3d[0][0] = c, r.form3d[0][1] = -s, r.form3d[1][0] = s, r.form3d[1][1] = c, r.form3d[2][2] = 1;
  return r;
}

void expectNear(const DPoint3d& p, double x, double y, const char* what) {
  EXPECT_NEAR(p.x, x, 1e-9) << what;
  EXPECT_NEAR(p.y, y, 1e-9) << what;
}

TEST_F(Texts, Latin1AndWideTextsComeBackAsTheyWentInThroughTheDesign) {
  const DPoint3d origin{100, 200, 0};
  const TextSize size{2, 3};
  TextParam params{5, TEXT_JUST_CC, 1.5, 0, 0};
  const char* latin1 = "Bl\xe5 \xe6rt \xf8l";  // Latin-1 letters above 127 are characters too
  ASSERT_EQ(mdlText_create(&e, nullptr, latin1, &origin, nullptr, &size, &params, nullptr), 0);
  const unsigned position = mdlElement_add(&e);
  ASSERT_NE(position, 0u) << "the design accepts the image";
  MSElementDescr* read = nullptr;
  ASSERT_EQ(mdlElmdscr_read(&read, position, nullptr, 0), position);
  char text[64];
  DPoint3d o{};
  TextSize s{};
  TextParam p{};
  ASSERT_EQ(mdlText_extract(text, sizeof text, &o, nullptr, &s, &p, nullptr, mdlElmdscr_getElement(read)), 0);
  mdlElmdscr_freeAll(&read);
  EXPECT_STREQ(text, latin1);
  expectNear(o, 100, 200, "origin");
  EXPECT_EQ(s.width, 2);
  EXPECT_EQ(s.height, 3);
  EXPECT_EQ(p.font, 5);
  EXPECT_EQ(p.justification, TEXT_JUST_CC);
  EXPECT_EQ(p.lineSpacing, 1.5);

  // A character beyond Latin-1 is kept in the element and reads '?' as 8-bit text; a small buffer
  // gets a terminated beginning.
  const MSWChar wide[] = {'p', 0x263A, 'q', 0};
  ASSERT_EQ(mdlText_createWide(&e, nullptr, wide, &origin, nullptr, &size, &params, nullptr), 0);
  ASSERT_EQ(mdlText_extract(text, sizeof text, nullptr, nullptr, nullptr, nullptr, nullptr, &e), 0);
  EXPECT_STREQ(text, "p?q");
  ASSERT_EQ(mdlText_extract(text, 2, nullptr, nullptr, nullptr, nullptr, nullptr, &e), 0);
  EXPECT_STREQ(text, "p");
}

TEST_F(Texts, TextsTheElementCannotHoldAreRefusedWholeAndTheOutputIsUntouched) {
  const DPoint3d origin{0, 0, 0};
  ASSERT_EQ(mdlText_create(&e, nullptr, "keep", &origin, nullptr, nullptr, nullptr, nullptr), 0);
  const std::string longest(512, 'x'), tooLong(513, 'x');
  auto other = std::make_unique<MSElement>();
  EXPECT_EQ(mdlText_create(other.get(), nullptr, longest.c_str(), &origin, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_NE(mdlElement_add(other.get()), 0u) << "the longest text is a storable element";
  EXPECT_EQ(mdlText_create(&e, nullptr, tooLong.c_str(), &origin, nullptr, nullptr, nullptr, nullptr),
            MDLERR_ELEMENTTOOLARGE);
  EXPECT_EQ(mdlText_create(&e, nullptr, "", &origin, nullptr, nullptr, nullptr, nullptr), MDLERR_BADARG);
  const DPoint3d far{1e300, 0, 0};
  EXPECT_EQ(mdlText_create(&e, nullptr, "x", &far, nullptr, nullptr, nullptr, nullptr), MDLERR_OUTOFDESIGNPLANE);
  const TextSize flat{1, 0};
  EXPECT_EQ(mdlText_create(&e, nullptr, "x", &origin, nullptr, &flat, nullptr, nullptr), MDLERR_BADARG);
  char text[8];
  ASSERT_EQ(mdlText_extract(text, sizeof text, nullptr, nullptr, nullptr, nullptr, nullptr, &e), 0);
  EXPECT_STREQ(text, "keep");
  MSElement line;
  const DPoint3d points[2] = {{0, 0, 0}, {1, 1, 0}};
  ASSERT_EQ(mdlLine_create(&line, nullptr, points), 0);
  EXPECT_EQ(mdlText_extract(text, sizeof text, nullptr, nullptr, nullptr, nullptr, nullptr, &line), MDLERR_BADELEMENT);
}

TEST_F(Texts, TheBoxOfATurnedTextFollowsItsJustification) {
  // "abc" at (10, 20), characters 2 wide and 4 high: the text is 6 x 4, turned a quarter left, so
  // its own x axis runs up the page and its y axis to the left.
  const DPoint3d origin{10, 20, 0};
  const RotMatrix quarter = turnedBy(90);
  const TextSize size{2, 4};
  struct Case {
    int justification;
    double lowLeftX, lowLeftY;  // corner 0 in design coordinates
  };
  // Corner 0 is the text's own lower left: local (x0, y0) -> (10 - y0, 20 + x0).
  const Case cases[] = {{TEXT_JUST_LB, 10, 20}, {TEXT_JUST_CC, 12, 17}, {TEXT_JUST_RT, 14, 14}, {TEXT_JUST_LC, 12, 20}};
  for (const Case& c : cases) {
    TextParam params{0, c.justification, 0, 0, 0};
    ASSERT_EQ(mdlText_create(&e, nullptr, "abc", &origin, &quarter, &size, &params, nullptr), 0);
    DPoint3d shape[5];
    ASSERT_EQ(mdlText_extract(nullptr, 0, nullptr, nullptr, nullptr, nullptr, shape, &e), 0);
    const std::string what = "justification " + std::to_string(c.justification);
    expectNear(shape[0], c.lowLeftX, c.lowLeftY, what.c_str());
    expectNear(shape[1], c.lowLeftX, c.lowLeftY + 6, what.c_str());      // along the text: up
    expectNear(shape[2], c.lowLeftX - 4, c.lowLeftY + 6, what.c_str());  // its height: left
    expectNear(shape[4], c.lowLeftX, c.lowLeftY, what.c_str());
  }
}

TEST_F(Texts, ATextIsReadInTheCurrentCoordinateSystem) {
  const DPoint3d origin{12, 13, 0};
  const TextSize size{2, 4};
  TextParam params{0, TEXT_JUST_LB, 0, 0, 0};
  ASSERT_EQ(mdlText_create(&e, nullptr, "ab", &origin, nullptr, &size, &params, nullptr), 0);
  ASSERT_EQ(mdlCurrTrans_begin(), 0);
  const DPoint3d at{10, 10, 0};
  ASSERT_EQ(mdlCurrTrans_origin(&at), 0);
  ASSERT_EQ(mdlCurrTrans_scale(2, 2, 2), 0);  // one current unit is two design units
  DPoint3d o{}, shape[5];
  TextSize s{};
  ASSERT_EQ(mdlText_extract(nullptr, 0, &o, nullptr, &s, nullptr, shape, &e), 0);
  ASSERT_EQ(mdlCurrTrans_end(), 0);
  expectNear(o, 1, 1.5, "origin");
  expectNear(shape[2], 3, 3.5, "upper right: 4 x 4 design units from the origin");
  EXPECT_NEAR(s.width, 1, 1e-12);
  EXPECT_NEAR(s.height, 2, 1e-12);
  ASSERT_EQ(mdlText_extract(nullptr, 0, &o, nullptr, &s, nullptr, nullptr, &e), 0);
  expectNear(o, 12, 13, "back in design coordinates");
}

TEST_F(Texts, ANodeHoldsOneTextPerLineEachALineHeightAndTheSpacingLower) {
  const DPoint3d origin{0, 10, 0};
  const TextSize size{1, 2};
  TextParam params{0, TEXT_JUST_LB, 1, 0, 0};
  MSElement templ;
  const DPoint3d points[2] = {{0, 0, 0}, {1, 1, 0}};
  ASSERT_EQ(mdlLine_create(&templ, nullptr, points), 0);
  const unsigned colour = 4, level = 6;
  ASSERT_EQ(mdlElement_setSymbology(&templ, &colour, nullptr, nullptr), 0);
  ASSERT_EQ(mdlElement_setProperties(&templ, &level, nullptr, nullptr), 0);
  MSElementDescr* node = nullptr;
  ASSERT_EQ(mdlText_addStringsToNodeDscr(&node, "one\ntwo\nthree\n", &templ, &origin, nullptr, &size, &params), 0);
  const unsigned position = mdlElmdscr_add(node);
  mdlElmdscr_freeAll(&node);
  ASSERT_NE(position, 0u);
  ASSERT_EQ(mdlElmdscr_read(&node, position, nullptr, 0), position);
  EXPECT_EQ(mdlElement_getType(mdlElmdscr_getElement(node)), TEXT_NODE_ELM);
  const char* lines[] = {"one", "two", "three"};
  const double baselines[] = {10, 7, 4};
  int count = 0;
  for (MSElementDescr* c = mdlElmdscr_firstComponent(node); c != nullptr; c = mdlElmdscr_next(c), ++count) {
    ASSERT_LT(count, 3);
    char text[16];
    DPoint3d o{};
    ASSERT_EQ(mdlText_extract(text, sizeof text, &o, nullptr, nullptr, nullptr, nullptr, mdlElmdscr_getElement(c)), 0);
    EXPECT_STREQ(text, lines[count]);
    expectNear(o, 0, baselines[count], lines[count]);
    unsigned color = 0, lv = 0;
    mdlElement_getSymbology(&color, nullptr, nullptr, mdlElmdscr_getElement(c));
    mdlElement_getProperties(&lv, nullptr, nullptr, mdlElmdscr_getElement(c));
    EXPECT_EQ(color, 4u);
    EXPECT_EQ(lv, 6u);
  }
  EXPECT_EQ(count, 3) << "a line feed that ends the text starts no line";
  mdlElmdscr_freeAll(&node);

  // An empty line keeps its place; a text of empty lines only is no node.
  ASSERT_EQ(mdlText_addStringsToNodeDscr(&node, "a\n\nb", nullptr, &origin, nullptr, &size, &params), 0);
  DPoint3d o{};
  MSElementDescr* second = mdlElmdscr_next(mdlElmdscr_firstComponent(node));
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(mdlText_extract(nullptr, 0, &o, nullptr, nullptr, nullptr, nullptr, mdlElmdscr_getElement(second)), 0);
  expectNear(o, 0, 4, "the third line");
  mdlElmdscr_freeAll(&node);
  EXPECT_EQ(mdlText_addStringsToNodeDscr(&node, "\n\n", nullptr, &origin, nullptr, &size, &params), MDLERR_BADARG);
  EXPECT_EQ(node, nullptr);
}

TEST_F(Texts, CompressingDropsWhatEachOptionSaysAndThenCuts) {
  struct Case {
    int options;
    int maxLength;
    const char* expected;
  };
  const Case cases[] = {
      {0, 100, "  a \t  b\x01 c  "},
      {TEXT_COMPRESS_LEADING, 100, "a \t  b\x01 c  "},
      {TEXT_COMPRESS_INNER, 100, "  a b\x01 c  "},
      {TEXT_COMPRESS_CONTROL, 100, "  a   b c  "},  // a tab is a control character too
      {TEXT_COMPRESS_TRAILING, 100, "  a \t  b\x01 c"},
      {15, 100, "a b c"},
      {TEXT_COMPRESS_TRAILING, 6, "  a"},  // cut to "  a \t ", then its trailing blanks go
      {0, 0, ""},
  };
  for (const Case& c : cases) {
    char text[32] = "  a \t  b\x01 c  ";
    EXPECT_EQ(mdlText_compressString(text, c.maxLength, c.options), static_cast<int>(std::strlen(c.expected)));
    EXPECT_STREQ(text, c.expected) << "options " << c.options;
  }
  char text[4] = "x";
  EXPECT_EQ(mdlText_compressString(text, -1, 0), MDLERR_BADARG);
  EXPECT_EQ(mdlText_compressString(nullptr, 4, 0), MDLERR_BADARG);
}

TEST_F(Texts, WithoutSettingsATextTakesTheActiveOnesAndTheTemplatesSymbology) {
  const double height = 3, width = 1.5;
  const int font = 7, justification = TEXT_JUST_CB;
  ASSERT_EQ(mdlParams_setActive(&height, ACTIVEPARAM_TEXTHEIGHT), 0);
  ASSERT_EQ(mdlParams_setActive(&width, ACTIVEPARAM_TEXTWIDTH), 0);
  ASSERT_EQ(mdlParams_setActive(&font, ACTIVEPARAM_FONT), 0);
  ASSERT_EQ(mdlParams_setActive(&justification, ACTIVEPARAM_TEXTJUST), 0);
  const DPoint3d origin{1, 2, 0};
  ASSERT_EQ(mdlText_create(&e, nullptr, "old", &origin, nullptr, nullptr, nullptr, nullptr), 0);
  const unsigned colour = 9;
  ASSERT_EQ(mdlElement_setSymbology(&e, &colour, nullptr, nullptr), 0);
  // The element itself as the template: its symbology survives its rebuilding.
  ASSERT_EQ(mdlText_create(&e, &e, "new text", &origin, nullptr, nullptr, nullptr, nullptr), 0);
  TextSize s{};
  TextParam p{};
  char text[16];
  ASSERT_EQ(mdlText_extract(text, sizeof text, nullptr, nullptr, &s, &p, nullptr, &e), 0);
  EXPECT_STREQ(text, "new text");
  EXPECT_EQ(s.height, 3);
  EXPECT_EQ(s.width, 1.5);
  EXPECT_EQ(p.font, 7);
  EXPECT_EQ(p.justification, TEXT_JUST_CB);
  EXPECT_EQ(p.lineSpacing, 1.5) << "half the height without parameters";
  unsigned c = 0;
  mdlElement_getSymbology(&c, nullptr, nullptr, &e);
  EXPECT_EQ(c, 9u);
}

TEST_F(Texts, AStyleIsKeptInTheDesignFileAndFoundByNameInAnyLetterCase) {
  StoredTextStyle style;
  style.name = "Title";
  style.font = 3, style.justification = TEXT_JUST_CC, style.width = 2.5, style.height = 5, style.lineSpacing = 1;
  std::string why;
  ASSERT_TRUE(defineTextStyle(style, &why)) << why;
  style.height = -1;
  EXPECT_FALSE(defineTextStyle(style, &why));
  EXPECT_EQ(why, "the character width and height are numbers above 0");
  closeDesign();
  const MSWChar title[] = {'t', 'I', 'T', 'L', 'E', 0};
  EXPECT_EQ(mdlTextStyle_getByName(nullptr, nullptr, title, nullptr), MDLERR_NOSUCHTEXTSTYLE) << "not in a new design";
  ASSERT_TRUE(openDesign(file(), &why)) << why;
  TextParam p{};
  TextSize s{};
  ASSERT_EQ(mdlTextStyle_getByName(&p, &s, title, nullptr), 0);
  EXPECT_EQ(p.font, 3);
  EXPECT_EQ(p.justification, TEXT_JUST_CC);
  EXPECT_EQ(p.lineSpacing, 1);
  EXPECT_EQ(s.width, 2.5);
  EXPECT_EQ(s.height, 5);
  const MSWChar other[] = {'T', 'i', 't', 0};
  p.font = 99;
  EXPECT_EQ(mdlTextStyle_getByName(&p, &s, other, nullptr), MDLERR_NOSUCHTEXTSTYLE);
  EXPECT_EQ(p.font, 99) << "outputs untouched";
}

}  // namespace
}  // namespace pixmend::host
