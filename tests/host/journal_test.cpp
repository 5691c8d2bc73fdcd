// The journal: order, per-channel queries, one line per entry whatever the text holds.
#include "host/output/journal.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "host/lifecycle.hpp"

namespace pixmend::host {
namespace {

TEST(Journal, KeepsOrderAndAnswersPerChannel) {
  Journal j;
  j.append("prompt", "Enter first point");
  j.append("error", "No raster attached");
  j.append("prompt", "Enter second point");
  ASSERT_EQ(j.size(), 3u);
  ASSERT_NE(j.last("prompt"), nullptr);
  EXPECT_EQ(j.last("prompt")->text, "Enter second point");
  EXPECT_EQ(j.last("status"), nullptr);
  EXPECT_EQ(j.texts("prompt"), (std::vector<std::string>{"Enter first point", "Enter second point"}));
  EXPECT_EQ(j.texts("prompt", 1), (std::vector<std::string>{"Enter second point"}));
  EXPECT_EQ(j.str(1), "error: No raster attached\nprompt: Enter second point\n");
}

TEST(Journal, EscapesControlCharactersSoAnEntryIsOneLine) {
  EXPECT_EQ(Journal::format({"text", "Error in vxlib_GetGlobalDataP\n"}), "text: Error in vxlib_GetGlobalDataP\\n");
  EXPECT_EQ(Journal::escape("a\tb\rc\x01"), "a\\tb\\rc\\x01");
  EXPECT_EQ(Journal::escape("Velg et raster med et datapunkt"), "Velg et raster med et datapunkt");
}

TEST(Journal, EchoPrintsEntriesAsTheyCome) {
  Journal j;
  std::ostringstream out;
  j.setEcho(&out);
  j.append("keyin", "raster attach interactive");
  j.setEcho(nullptr);
  j.append("keyin", "not echoed");
  EXPECT_EQ(out.str(), "keyin: raster attach interactive\n");
}

TEST(Journal, HostResetEmptiesTheProcessJournal) {
  journal().append("message", "left over");
  resetHost();
  EXPECT_EQ(journal().size(), 0u);
}

}  // namespace
}  // namespace pixmend::host
