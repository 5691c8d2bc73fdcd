// The remembered-file record: most recent first, a name chosen again moves to the top instead
// of standing twice (long names too), the eleventh falls off, a count read from a damaged file
// is not trusted, and bytes the record does not use travel unchanged.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "common/rememberedfile.hpp"

namespace pixmend {
namespace {

using namespace remembered;

std::vector<std::string> names(const std::vector<std::uint8_t>& r) {
  std::vector<std::string> out;
  const std::uint32_t count = le::get32(&r[kNameCountAt]);
  for (std::uint32_t i = 0; i < count && i < kListLength; ++i)
    out.push_back(getText(r.data(), kNameListAt + i * kText));
  return out;
}

TEST(RememberedFile, MostRecentFirstWithoutRepeats) {
  std::vector<std::uint8_t> r(kRecordSize, 0);
  EXPECT_FALSE(marked(r.data()));
  for (int i = 1; i <= 11; ++i)
    rememberChoice(r.data(), "/scans/" + std::to_string(i) + ".tif", "*.tif", "/scans/");
  EXPECT_TRUE(marked(r.data()));
  ASSERT_EQ(names(r).size(), 10u);
  EXPECT_EQ(names(r).front(), "/scans/11.tif");
  EXPECT_EQ(names(r).back(), "/scans/2.tif");  // the first fell off
  EXPECT_EQ(le::get32(&r[kDirectoryCountAt]), 1u);
  EXPECT_EQ(getText(r.data(), kCurrentNameAt), "/scans/11.tif");

  rememberChoice(r.data(), "/scans/5.tif", "*.tif", "/scans/");
  const auto again = names(r);
  ASSERT_EQ(again.size(), 10u);
  EXPECT_EQ(again[0], "/scans/5.tif");
  EXPECT_EQ(again[1], "/scans/11.tif");
  EXPECT_EQ(std::count(again.begin(), again.end(), "/scans/5.tif"), 1);
}

TEST(RememberedFile, ALongNameChosenAgainStandsOnce) {
  std::vector<std::uint8_t> r(kRecordSize, 0);
  const std::string longName = "/" + std::string(400, 'x') + ".tif";
  rememberChoice(r.data(), longName, "*.tif", "/");
  rememberChoice(r.data(), longName, "*.tif", "/");
  ASSERT_EQ(names(r).size(), 1u);
  EXPECT_EQ(names(r)[0], longName.substr(0, kText - 1));
}

TEST(RememberedFile, ADamagedCountIsNotTrustedAndUnusedBytesStay) {
  std::vector<std::uint8_t> r(kRecordSize, 0);
  mark(r.data());
  le::put32(&r[kNameCountAt], 0xFFFFFFFF);
  r[6000] = 0xAB;  // between the filter list and the folder list
  insertIntoList(r.data(), kNameCountAt, kNameListAt, "a.tif");
  EXPECT_EQ(le::get32(&r[kNameCountAt]), kListLength);
  EXPECT_EQ(r[6000], 0xAB);

  // A record in another format starts with empty lists, and keeps its other bytes.
  std::vector<std::uint8_t> foreign(kRecordSize, 0x11);
  rememberChoice(foreign.data(), "b.tif", "*.tif", "");
  EXPECT_EQ(names(foreign), std::vector<std::string>{"b.tif"});
  EXPECT_EQ(foreign[6000], 0x11);
}

}  // namespace
}  // namespace pixmend
