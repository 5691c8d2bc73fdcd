// Message fields, message centre, text window, completion bars and message boxes: what each
// journals, bounded formatting, and answers taken from the queue (or defaulted).
#include <gtest/gtest.h>

#include <string>

#include "host/lifecycle.hpp"
#include "host/output/answers.hpp"
#include "host/output/api.h"
#include "host/output/journal.hpp"

namespace pixmend::host {
namespace {

class Output : public ::testing::Test {
 protected:
  void SetUp() override { resetHost(); }
  void TearDown() override { resetHost(); }
};

TEST_F(Output, FieldsGoToTheirChannels) {
  EXPECT_EQ(mdlOutput_printf(MSG_MESSAGE, "m%d", 0), 0);
  EXPECT_EQ(mdlOutput_printf(MSG_ERROR, "No raster attached"), 0);
  EXPECT_EQ(mdlOutput_printf(MSG_PROMPT, "Velg et raster med et datapunkt"), 0);
  EXPECT_EQ(mdlOutput_printf(MSG_STATUS, "%s", "s"), 0);
  EXPECT_EQ(mdlOutput_printf(MSG_COMMAND, "c"), 0);
  EXPECT_EQ(mdlOutput_printf(MSG_KEYIN, "k"), 0);
  EXPECT_EQ(mdlOutput_printf(6, "nowhere"), MDLERR_BADARG);
  EXPECT_EQ(mdlOutput_printf(-1, "nowhere"), MDLERR_BADARG);
  EXPECT_EQ(mdlOutput_printf(MSG_ERROR, nullptr), MDLERR_BADARG);
  EXPECT_EQ(journal().str(),
            "message: m0\nerror: No raster attached\nprompt: Velg et raster med et datapunkt\nstatus: s\n"
            "command: c\nkeyin: k\n");
}

TEST_F(Output, LongTextsAreCutNotOverrun) {
  const std::string huge(100000, 'x');
  EXPECT_EQ(toolSubsystem_printf("%s\n", huge.c_str()), OUTPUT_TEXT_MAX - 1);
  ASSERT_NE(journal().last("text"), nullptr);
  EXPECT_EQ(journal().last("text")->text.size(), static_cast<std::size_t>(OUTPUT_TEXT_MAX - 1));
  EXPECT_EQ(toolSubsystem_printf(nullptr), 0);
}

TEST_F(Output, MessageCentreEntries) {
  const char* text = "Raster have different DPI in X and Y. VXPixmend may not work properly.";
  mdlOutput_messageCenter(11, text, text, 1);
  mdlOutput_messageCenter(10, "Cannot open manual", "File is missing.", 0);
  mdlOutput_messageCenter(1, nullptr, nullptr, 0);
  EXPECT_EQ(journal().texts("center"),
            (std::vector<std::string>{std::string("11 ") + text + " (alert)",
                                      "10 Cannot open manual | File is missing.", "1 "}));
}

TEST_F(Output, BoxesTakeQueuedAnswersOrDefaultToTheFirstButton) {
  EXPECT_EQ(mdlDialog_openMessageBox(MSGBOX_OK, "File not created from bitmap", 4), ACTIONBUTTON_OK);
  queueAnswer("no");
  EXPECT_EQ(mdlDialog_openMessageBox(MSGBOX_YESNO, "Do you want to recover raster?\nAll lost.", 3),
            ACTIONBUTTON_NO);
  queueAnswer("6");
  EXPECT_EQ(mdlDialog_openMessageBox(MSGBOX_YESNO, "Again?", 2), ACTIONBUTTON_YES);
  EXPECT_EQ(mdlDialog_openMessageBox(MSGBOX_YESNO, "Empty queue", 2), ACTIONBUTTON_YES);
  queueAnswer("yes");  // not a button of an OK box
  EXPECT_EQ(mdlDialog_openMessageBox(MSGBOX_OK, "Only OK", 1), ACTIONBUTTON_OK);
  queueAnswer("CANCEL");
  EXPECT_EQ(mdlDialog_openMessageBox(MSGBOX_OKCANCEL, "Proceed?", 2), ACTIONBUTTON_CANCEL);
  EXPECT_EQ(mdlDialog_openMessageBox(-5, nullptr, 1), ACTIONBUTTON_OK);
  EXPECT_FALSE(answersPending());
  EXPECT_EQ(journal().str(),
            "box: ok icon 4: File not created from bitmap\n"
            "box: answer ok (defaulted)\n"
            "box: yesno icon 3: Do you want to recover raster?\\nAll lost.\n"
            "box: answer no\n"
            "box: yesno icon 2: Again?\n"
            "box: answer yes\n"
            "box: yesno icon 2: Empty queue\n"
            "box: answer yes (defaulted)\n"
            "box: ok icon 1: Only OK\n"
            "box: answer ok (defaulted: \"yes\" is not a button of this box)\n"
            "box: okcancel icon 2: Proceed?\n"
            "box: answer cancel\n"
            "box: ok (box -5) icon 1: \n"
            "box: answer ok (defaulted)\n");
}

TEST_F(Output, CompletionBarsJournalChangesOnlyAndIgnoreStaleHandles) {
  CompletionBar* bar = mdlDialog_openCompletionBar("Rotating...");
  ASSERT_NE(bar, nullptr);
  for (int row = 0; row <= 1000; ++row) mdlDialog_completionBarUpdate(bar, "Rotating...", row / 500);
  mdlDialog_completionBarUpdate(bar, nullptr, 250);  // clamped to 100
  mdlDialog_completionBarClose(bar);
  mdlDialog_completionBarUpdate(bar, "stale", 5);  // closed: ignored
  mdlDialog_completionBarClose(bar);
  int local = 0;
  mdlDialog_completionBarUpdate(&local, "foreign", 5);
  EXPECT_EQ(journal().texts("progress"),
            (std::vector<std::string>{"open Rotating...", "Rotating... 0%", "Rotating... 1%",
                                      "Rotating... 2%", "Rotating... 100%", "close Rotating..."}));
}

}  // namespace
}  // namespace pixmend::host
