// Token lists: splitting at delimiters, growing past 20 tokens, the caller's text kept or split,
// and the lists that are no lists (empty text, delimiters only, no memory).
#include <cstring>
#include <string>
#include <vector>

#include "vxlib/core/vxlib_fixture.hpp"

namespace pixmend::vxlib {
namespace {

using host::AppScope;

class Tokens : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    app_ = startApp("Tokens");
  }

  // The tokens of `text` through tokenize2 (the list is freed here).
  std::vector<std::string> split(const char* text, const char* delimiters, int* countOut = nullptr) {
    AppScope scope(app_);
    int count = -1;
    char** list = vxlibString_tokenize2(&count, text, delimiters);
    if (countOut != nullptr) *countOut = count;
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.emplace_back(list[i]);
    if (count == 0) {
      EXPECT_EQ(list, nullptr);
    }
    vxlibString_freeTokenList(list, count);
    return out;
  }

  host::Application* app_ = nullptr;
};

TEST_F(Tokens, RunsOfDelimitersCountAsOne) {
  EXPECT_EQ(split("a,,b", ","), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(split(" ;lead; trail ;", "; "), (std::vector<std::string>{"lead", "trail"}));
  EXPECT_EQ(split("no delimiters here", ""), (std::vector<std::string>{"no delimiters here"}));
  EXPECT_EQ(split("x", nullptr), (std::vector<std::string>{"x"}));
}

TEST_F(Tokens, NoTokensGiveCountZeroAndNoList) {
  int count = -1;
  EXPECT_TRUE(split(",,,", ",", &count).empty());
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(split("", ",", &count).empty());
  EXPECT_EQ(count, 0);
  AppScope scope(app_);
  EXPECT_EQ(vxlibString_tokenize(&count, nullptr, ","), nullptr);
  EXPECT_EQ(count, 0);
  char text[] = "a,b";
  EXPECT_EQ(vxlibString_tokenize(nullptr, text, ","), nullptr) << "no count to give back";
  vxlibString_freeTokenList(nullptr, 3);
}

TEST_F(Tokens, TheListGrowsPastTwentyTokens) {
  std::string text;
  std::vector<std::string> expected;
  for (int i = 0; i < 61; ++i) {
    expected.push_back("t" + std::to_string(i));
    text += expected.back() + " ";
  }
  EXPECT_EQ(split(text.c_str(), " "), expected);
}

TEST_F(Tokens, TokenizeSplitsTheCallersTextAndTokenizeTwoLeavesItAlone) {
  AppScope scope(app_);
  char text[] = "one two";
  int count = 0;
  char** list = vxlibString_tokenize(&count, text, " ");
  ASSERT_EQ(count, 2);
  EXPECT_STREQ(list[1], "two");
  EXPECT_NE(list[0], text) << "tokens are copies";
  EXPECT_EQ(std::memcmp(text, "one\0two", 8), 0) << "split in place";
  vxlibString_freeTokenList(list, count);

  const char kept[] = "one two";
  list = vxlibString_tokenize2(&count, kept, " ");
  ASSERT_EQ(count, 2);
  EXPECT_STREQ(kept, "one two");
  vxlibString_freeTokenList(list, count);
}

TEST_F(Tokens, AFailedAllocationGivesNoListAfterTellingTheUser) {
  AppScope scope(app_);
  int count = -1;
  // The private copy of tokenize2's text, then tokenize's array: each time the user is told
  // (the out-of-memory box), no list comes back and nothing is left allocated.
  const auto from = mark();
  mdlSystem_failNextAllocations(1);
  EXPECT_EQ(vxlibString_tokenize2(&count, "a b", " "), nullptr);
  EXPECT_EQ(count, 0);
  char text[] = "a b";
  mdlSystem_failNextAllocations(1);
  EXPECT_EQ(vxlibString_tokenize(&count, text, " "), nullptr);
  EXPECT_EQ(count, 0);
  mdlSystem_failNextAllocations(0);
  EXPECT_EQ(texts("memory", from).size(), 2u);
}

}  // namespace
}  // namespace pixmend::vxlib
