// The spreadsheet service the host serves, and a machine without it: with PIXMEND_SPREADSHEET 0
// no conversation can be opened, as when no spreadsheet program is installed.
#include <gtest/gtest.h>

#include "host/config/config.hpp"
#include "host/lifecycle.hpp"
#include "host/mdl.h"
#include "host/output/journal.hpp"

namespace pixmend::host {
namespace {

unsigned long answerNothing(unsigned int, unsigned int, DdeConversation*, DdeStringHandle*, DdeStringHandle*,
                            DdeDataHandle*, unsigned long, unsigned long) {
  return 0;
}

class SpreadsheetService : public ::testing::Test {
 protected:
  void SetUp() override { resetHost(); }
  void TearDown() override { resetHost(); }

  DdeConversation* connect(const char* service, const char* topic) {
    unsigned int instance = 0;
    EXPECT_EQ(mdlWin32_DdeInitialize(&instance, answerNothing, 0, 0),
              static_cast<unsigned int>(DDE_DMLERR_NO_ERROR));
    return mdlWin32_DdeConnect(instance, mdlWin32_DdeCreateStringHandle(instance, service, DDE_CP_WINANSI),
                               mdlWin32_DdeCreateStringHandle(instance, topic, DDE_CP_WINANSI), nullptr);
  }
};

TEST_F(SpreadsheetService, AnswersItsServiceAndTopicInAnyCaseUnlessSwitchedOff) {
  EXPECT_NE(connect("excel", "SYSTEM"), nullptr);
  EXPECT_EQ(connect("Excel", "sheet1"), nullptr);
  for (const char* off : {"0", "off", "no"}) {
    ASSERT_TRUE(defineVariable("PIXMEND_SPREADSHEET", off, kCfgLevelUser));
    EXPECT_EQ(connect("Excel", "system"), nullptr) << off;
    ASSERT_NE(journal().last("dde"), nullptr);
    EXPECT_EQ(journal().last("dde")->text, "no service answers Excel|system");
  }
  ASSERT_TRUE(defineVariable("PIXMEND_SPREADSHEET", "1", kCfgLevelUser));
  EXPECT_NE(connect("Excel", "system"), nullptr);
}

}  // namespace
}  // namespace pixmend::host
