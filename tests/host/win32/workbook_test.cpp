// Workbooks written and read back by the spreadsheet stand-in, and damaged workbooks, which are
// refused (or read as far as they make sense) without ever reading past what the file holds.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "host/win32/workbook.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

class Workbooks : public ::testing::Test {
 protected:
  pixmend::testsupport::ScratchDir scratch{"workbooks"};
  std::string dir = scratch.path();
};

TEST_F(Workbooks, TextsNumbersAndSheetOrderSurviveARoundTrip) {
  Workbook book;
  book.sheets.push_back({"Side 1", {{{1, 1}, "Prosjekt: <Bru> & \"Nord\""}, {{3, 2}, "12,50"}, {{10, 1}, "42"},
                                    {{2, 28}, "007"}, {{100, 3}, "-3.5"}}});
  book.sheets.push_back({"Matliste", {{{1, 1}, "æøå"}}});
  std::string why;
  ASSERT_TRUE(writeWorkbook(dir + "/book.xlsx", book, &why)) << why;
  Workbook back;
  ASSERT_TRUE(readWorkbook(dir + "/book.xlsx", &back, &why)) << why;
  ASSERT_EQ(back.sheets.size(), 2u);
  EXPECT_EQ(back.sheets[0].name, "Side 1");
  EXPECT_EQ(back.sheets[1].name, "Matliste");
  EXPECT_EQ(back.sheets[0].cells, book.sheets[0].cells);
  EXPECT_EQ(back.sheets[1].cells, book.sheets[1].cells);
}

TEST_F(Workbooks, DamagedFilesAreRefusedOrReadSafely) {
  Workbook book;
  book.sheets.push_back({"A", {{{1, 1}, "text"}, {{2, 2}, "7"}}});
  std::string why;
  ASSERT_TRUE(writeWorkbook(dir + "/good.xlsx", book, &why)) << why;
  std::ifstream in(dir + "/good.xlsx", std::ios::binary);
  const std::string good((std::istreambuf_iterator<char>(in)), {});
  // Every byte changed in turn, and the file cut at a sample of lengths: whatever comes back, it
  // is no crash and no read out of bounds (the sanitizer build checks the latter).
  for (std::size_t i = 0; i < good.size(); i += 7) {
    for (int variant = 0; variant < 2; ++variant) {
      std::string bad = variant == 0 ? good : good.substr(0, i);
      if (variant == 0) bad[i] = static_cast<char>(bad[i] ^ 0xA5);
      std::ofstream(dir + "/bad.xlsx", std::ios::binary | std::ios::trunc) << bad;
      Workbook out;
      if (!readWorkbook(dir + "/bad.xlsx", &out, &why)) {
        EXPECT_FALSE(why.empty());
      }
    }
  }
  EXPECT_FALSE(readWorkbook(dir + "/missing.xlsx", &book, &why));
  EXPECT_EQ(why, "cannot read " + dir + "/missing.xlsx");
}

}  // namespace
}  // namespace pixmend::host
