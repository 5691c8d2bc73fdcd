// Texts as users type them: case folding leaves anything beyond ASCII alone, and a text is a
// number only when all of it is one, within range, and finite.
#include <gtest/gtest.h>

#include <climits>

#include "common/text.hpp"

namespace pixmend {
namespace {

TEST(Text, FoldsAsciiCaseOnly) {
  EXPECT_EQ(text::lower("Raster ~Attach"), "raster ~attach");
  EXPECT_EQ(text::upper("vxraster"), "VXRASTER");
  // Latin-1 and UTF-8 bytes are left as they are, whatever the locale says.
  EXPECT_EQ(text::lower("\xC9t\xC3\x89"), "\xC9t\xC3\x89");
  EXPECT_TRUE(text::equalIgnoringCase("VXRaster", "vxraster"));
  EXPECT_FALSE(text::equalIgnoringCase("VXRaster", "vxraste"));
  EXPECT_FALSE(text::equalIgnoringCase("file", "fil\xC9"));
}

TEST(Text, ANumberIsTheWholeTextAndFinite) {
  EXPECT_EQ(text::parseNumber("2.5"), 2.5);
  EXPECT_EQ(text::parseNumber("  -1e3\t"), -1000.0);
  EXPECT_EQ(text::parseNumber("0x10"), 16.0);
  for (const char* bad : {"", "  ", "5 mm", "1,5", "--1", "inf", "-Infinity", "nan", "1e999", "0x"}) {
    EXPECT_FALSE(text::parseNumber(bad)) << bad;
  }
  // A text with a zero inside is not the number before it.
  EXPECT_FALSE(text::parseNumber(std::string("5\0" "9", 3)));
}

TEST(Text, AWholeNumberIsInRangeAndInItsBase) {
  EXPECT_EQ(text::parseInteger("7", 0, 7), 7);
  EXPECT_EQ(text::parseInteger(" -3 ", -5, 5), -3);
  EXPECT_FALSE(text::parseInteger("8", 0, 7));
  EXPECT_FALSE(text::parseInteger("-1", 0, 7));
  EXPECT_FALSE(text::parseInteger("2.0", 0, 7));
  EXPECT_FALSE(text::parseInteger("0x1", 0, 7));  // base 10 unless asked
  EXPECT_EQ(text::parseInteger("0x01020200", 1, 0xffffffffLL, 0), 0x01020200);
  EXPECT_EQ(text::parseInteger("010", 0, 100, 0), 8);
  EXPECT_FALSE(text::parseInteger("09", 0, 100, 0));
  // Beyond a long long is refused, not clamped to its limit.
  EXPECT_FALSE(text::parseInteger("9223372036854775808", LLONG_MIN, LLONG_MAX));
  EXPECT_EQ(text::parseInteger("9223372036854775807", LLONG_MIN, LLONG_MAX), LLONG_MAX);
}

}  // namespace
}  // namespace pixmend
