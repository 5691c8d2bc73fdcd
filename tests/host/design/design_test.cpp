// The design's active model: active parameters, the line-style table with its named styles
// numbered on first use, and the level style list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"

namespace pixmend::host {
namespace {

class Design : public ::testing::Test {
 protected:
  void SetUp() override { resetHost(); }
  void TearDown() override { resetHost(); }
};

TEST_F(Design, StandardStylesAreNamedByTheirNumbers) {
  char name[LINESTYLE_NAME_MAX];
  ASSERT_EQ(mdlLineStyle_nameFromNumber(name, 7, nullptr), 0);
  EXPECT_STREQ(name, "7");
  EXPECT_EQ(mdlLineStyle_nameFromNumber(name, 8, mdlModelRef_getActive()), MDLERR_BADARG);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(mdlLineStyle_nameFromNumber(name, -3, nullptr), MDLERR_BADARG);
  EXPECT_EQ(mdlLineStyle_numberFromName("3", nullptr), 3);
  EXPECT_EQ(mdlLineStyle_numberFromName("no such style", nullptr), MDLERR_BADARG);
  EXPECT_EQ(mdlLineStyle_nameFromNumber(nullptr, 1, nullptr), MDLERR_BADARG);
  EXPECT_EQ(mdlLineStyle_numberFromName(nullptr, nullptr), MDLERR_BADARG);
}

TEST_F(Design, NamedStylesGetTheNextNumberWhenFirstUsed) {
  ASSERT_TRUE(defineNamedLineStyle("Border"));
  ASSERT_TRUE(defineNamedLineStyle("Hidden"));
  EXPECT_FALSE(defineNamedLineStyle("border")) << "names are the same in any case";
  EXPECT_FALSE(defineNamedLineStyle(""));
  EXPECT_FALSE(defineNamedLineStyle(std::string(LINESTYLE_NAME_MAX, 'x')));
  EXPECT_FALSE(findLineStyle(std::string("Border"))->number.has_value());
  EXPECT_EQ(mdlLineStyle_numberFromName("HIDDEN", nullptr), 8);
  EXPECT_EQ(mdlLineStyle_numberFromName("border", nullptr), 9);
  EXPECT_EQ(mdlLineStyle_numberFromName("Hidden", nullptr), 8) << "numbered once";
  char name[LINESTYLE_NAME_MAX];
  ASSERT_EQ(mdlLineStyle_nameFromNumber(name, 9, nullptr), 0);
  EXPECT_STREQ(name, "Border");
}

TEST_F(Design, ActiveLineStyleByNumberOrName) {
  ASSERT_TRUE(defineNamedLineStyle("Center"));
  int active = -1;
  ASSERT_EQ(mdlParams_getActive(&active, ACTIVEPARAM_LINESTYLE), 0);
  EXPECT_EQ(active, 0);
  const std::size_t from = journal().size();
  ASSERT_EQ(mdlParams_setActive("Center", ACTIVEPARAM_LINESTYLENAME), 0);
  ASSERT_EQ(mdlParams_getActive(&active, ACTIVEPARAM_LINESTYLE), 0);
  EXPECT_EQ(active, 8);
  char name[LINESTYLE_NAME_MAX] = {};
  ASSERT_EQ(mdlParams_getActive(name, ACTIVEPARAM_LINESTYLENAME), 0);
  EXPECT_STREQ(name, "Center");
  const int two = 2;
  ASSERT_EQ(mdlParams_setActive(&two, ACTIVEPARAM_LINESTYLE), 0);
  EXPECT_EQ(journal().texts("design", from),
            (std::vector<std::string>{"active line style 8 \"Center\"", "active line style 2 \"2\""}));
  // Unknown styles, parameters and null values change nothing.
  const int unknown = 42;
  EXPECT_EQ(mdlParams_setActive(&unknown, ACTIVEPARAM_LINESTYLE), MDLERR_BADARG);
  EXPECT_EQ(mdlParams_setActive("Nothing", ACTIVEPARAM_LINESTYLENAME), MDLERR_BADARG);
  EXPECT_EQ(mdlParams_setActive(&two, 12345), MDLERR_BADARG);
  EXPECT_EQ(mdlParams_setActive(nullptr, ACTIVEPARAM_LINESTYLE), MDLERR_BADARG);
  EXPECT_EQ(mdlParams_getActive(nullptr, ACTIVEPARAM_LINESTYLE), MDLERR_BADARG);
  EXPECT_EQ(activeLineStyle(), 2);
}

TEST_F(Design, TheLevelStyleListMarksStylesWithoutANumber) {
  ASSERT_TRUE(defineNamedLineStyle("Phantom"));
  ASSERT_TRUE(defineNamedLineStyle("Numbered"));
  mdlLineStyle_numberFromName("Numbered", nullptr);
  ListModel* model = mdlListModel_create(1);
  ASSERT_EQ(mdlLevelList_getStyleListModel(model, mdlModelRef_getActive()), 0);
  ASSERT_EQ(mdlListModel_getRowCount(model), 10);
  auto row = [&](int i) { return mdlListRow_getCellAtIndex(mdlListModel_getRowAtIndex(model, i), 0); };
  long value = 0;
  ASSERT_EQ(mdlListCell_getLongValue(row(0), &value), 0);
  EXPECT_EQ(value, 0);
  EXPECT_STREQ(mdlListCell_getDisplayText(row(0)), "0");
  ASSERT_EQ(mdlListCell_getLongValue(row(8), &value), 0);
  EXPECT_EQ(value, LINESTYLE_NOT_NUMBERED);
  EXPECT_STREQ(mdlListCell_getDisplayText(row(8)), "Phantom");
  ASSERT_EQ(mdlListCell_getLongValue(row(9), &value), 0);
  EXPECT_EQ(value, 8);
  mdlListModel_destroy(model);
  EXPECT_EQ(mdlLevelList_getStyleListModel(nullptr, nullptr), MDLERR_BADARG);
  DgnModelRef stranger;
  ListModel* other = mdlListModel_create(1);
  EXPECT_EQ(mdlLevelList_getStyleListModel(other, &stranger), MDLERR_BADARG) << "not a model of this host";
  mdlListModel_destroy(other);
}

TEST_F(Design, AResetForgetsNamedStylesAndTheActiveStyle) {
  ASSERT_TRUE(defineNamedLineStyle("Gone"));
  mdlParams_setActive("Gone", ACTIVEPARAM_LINESTYLENAME);
  resetHost();
  EXPECT_EQ(findLineStyle(std::string("Gone")), nullptr);
  EXPECT_EQ(activeLineStyle(), 0);
  EXPECT_EQ(lineStyles().size(), 8u);
}

}  // namespace
}  // namespace pixmend::host
