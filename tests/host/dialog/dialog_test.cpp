// The dialog manager: dialogs from compiled resources, hook messages and their order, hooks
// running as their application, item binding to published records both ways, user input and
// its refusals, closing from inside hooks, and stale pointers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "host/dialog/api.h"
#include "host/dialog/manager.hpp"
#include "host/output/answers.hpp"
#include "host/output/journal.hpp"
#include "host/resource/resource_fixture.hpp"
#include "host/system/api.h"
#include "host/system/published.hpp"
#include "host/system/registry.hpp"

namespace pixmend::host {
namespace {

struct Params {
  int copyMoveMode;
  int mirrorMode;
  char rotationAngleText[8];
  double deleteRectangleWidth;
};

Params gParams;
Params* gParamsP = &gParams;
std::vector<std::string> gLog;
Application* gSeenApp = nullptr;
bool gCloseOnButton = false;
bool gLogDraws = true;

void dialogHook(DialogMessage* m) {
  gLog.push_back("dialog " + std::to_string(m->messageType));
  gSeenApp = currentApplication();
  if (m->messageType == DIALOG_MESSAGE_INIT) mdlDialog_setTitle(m->db, "Set on init");
  m->msgUnderstood = 1;
}

void itemHook(DialogItemMessage* m) {
  if (m->messageType == DITEM_MESSAGE_DRAW && !gLogDraws) return;
  gLog.push_back("item " + std::to_string(m->itemId) + " " + std::to_string(m->messageType) +
                 (m->messageType == DITEM_MESSAGE_STATECHANGED ? " changed " + std::to_string(m->u.stateChanged.hasChanged)
                                                               : ""));
  if (m->messageType == DITEM_MESSAGE_BUTTON && gCloseOnButton) mdlDialog_closeCommandQueue(m->db);
}

// Closes its own dialog at once, from inside its own message.
void selfClosingHook(DialogItemMessage* m) {
  if (m->messageType == DITEM_MESSAGE_BUTTON) {
    mdlWindow_close(m->db, 0, 0);
    gLog.push_back("after close " + std::to_string(mdlDialog_getId(m->db)));
  }
}

constexpr const char* kDialogs = R"({"resources": [
  {"kind": "dialog", "id": 1, "title": "Pixmend", "width": 240, "height": 160, "hook": 100, "items": [
    {"type": "label", "id": 1, "x": 10, "y": 5, "label": "Copy and move"},
    {"type": "option", "id": 11, "x": 90, "y": 20, "width": 100, "label": "Mode", "hook": 101,
     "access": "vxrasterparams.copyMoveMode",
     "options": [{"label": "Smart", "value": 1}, {"label": "Cut lines", "value": 2},
                 {"label": "Rectangle", "value": 3}, {"label": "Fence", "value": 4, "enabled": false}]},
    {"type": "text", "id": 2, "x": 90, "y": 40, "width": 60, "label": "Angle", "hook": 101,
     "access": "vxrasterparams.rotationAngleText", "maxLength": 7},
    {"type": "text", "id": 3, "x": 90, "y": 60, "width": 60, "label": "Width",
     "access": "vxrasterparams.deleteRectangleWidth"},
    {"type": "toggle", "id": 4, "x": 10, "y": 80, "label": "Vertical mirror", "access": "vxrasterparams.mirrorMode"},
    {"type": "button", "id": 5, "x": 10, "y": 120, "label": "Apply", "hook": 101},
    {"type": "button", "id": 6, "x": 90, "y": 120, "label": "OK", "action": "ok"},
    {"type": "button", "id": 7, "x": 170, "y": 120, "label": "Close", "hook": 102, "enabled": true}]},
  {"kind": "dialog", "id": 20011, "title": "Question", "items": [
    {"type": "button", "id": -3, "label": "~Yes", "action": 3},
    {"type": "button", "id": -4, "label": "No", "action": 4},
    {"type": "button", "id": 9, "label": "Details", "hook": 101}]},
  {"kind": "dialog", "id": 30, "title": "No buttons"},
  {"kind": "bytes", "type": "dBox", "id": 31, "text": "{\"items\": [{\"type\": \"spaceship\"}]}"}
]})";

class Dialogs : public ResourceTest {
 protected:
  void SetUp() override {
    ResourceTest::SetUp();
    gLog.clear();
    gSeenApp = nullptr;
    gCloseOnButton = false;
    gLogDraws = true;
    gParams = Params{3, 1, "90", 5.0};
    gParamsP = &gParams;
    StructLayout layout;
    layout.name = "vxrasterparams";
    layout.size = sizeof(Params);
    layout.fields = {{"copyMoveMode", FieldType::Int32, offsetof(Params, copyMoveMode), 4},
                     {"mirrorMode", FieldType::Int32, offsetof(Params, mirrorMode), 4},
                     {"rotationAngleText", FieldType::Text, offsetof(Params, rotationAngleText), 8},
                     {"deleteRectangleWidth", FieldType::Double, offsetof(Params, deleteRectangleWidth), 8}};
    defineStructLayout(layout);
    app_ = addApplication("App", "/x/libApp.so", compile("App.rsc", kDialogs));
    AppScope scope(app_);
    const DialogHookInfo hooks[] = {{100, reinterpret_cast<void*>(&dialogHook)},
                                    {101, reinterpret_cast<void*>(&itemHook)},
                                    {102, reinterpret_cast<void*>(&selfClosingHook)}};
    ASSERT_EQ(mdlDialog_hookPublish(3, hooks), 0);
    ASSERT_EQ(mdlDialog_publishComplexPtr(mdlCExpression_initializeSet(4, 0, 0), "vxrasterparams", "VXRasterParamsP",
                                          &gParamsP),
              0);
  }

  char value(MSDialog* db, int itemId) {
    static char buffer[64];
    mdlDialog_itemGetValue(buffer, sizeof buffer, db, mdlDialog_itemIndexByTypeAndId(db, typeOf(db, itemId), itemId, 0));
    return buffer[0];
  }
  static unsigned typeOf(MSDialog* db, int itemId) {
    for (int i = 0; i < mdlDialog_itemGetCount(db); ++i) {
      unsigned type = 0;
      int id = 0;
      mdlDialog_itemGetTypeAndId(&type, &id, db, i);
      if (id == itemId) return type;
    }
    return 0;
  }
  static std::string valueText(MSDialog* db, int itemId) {
    char buffer[64] = "";
    const int index = mdlDialog_itemIndexByTypeAndId(db, typeOf(db, itemId), itemId, 0);
    mdlDialog_itemGetValue(buffer, sizeof buffer, db, index);
    return buffer;
  }

  Application* app_ = nullptr;
};

TEST_F(Dialogs, OpenSendsCreateInitAndDrawInOrderAndHooksRunAsTheirApplication) {
  MSDialog* db = nullptr;
  {
    AppScope scope(app_);
    db = mdlDialog_open(0, 1);
  }
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(gSeenApp, app_);
  EXPECT_EQ(gLog, (std::vector<std::string>{"dialog 0", "item 11 50", "item 2 50", "item 5 50", "dialog 1",
                                            "item 11 69", "item 2 69", "item 5 69", "item 11 52", "item 2 52",
                                            "item 5 52"}));
  char title[32];
  mdlDialog_getTitle(title, sizeof title, db);
  EXPECT_STREQ(title, "Set on init");
  EXPECT_EQ(journal().last("dialog")->text, "opened 1 \"Set on init\"");
  EXPECT_EQ(mdlDialog_find(1, nullptr), db);  // no current application: any owner
  EXPECT_EQ(mdlDialog_findByTypeAndId(RTYPE_DIALOG, 1, descriptorOf(app_)), db);
  Application* other = addApplication("Other", "", "");
  EXPECT_EQ(mdlDialog_find(1, descriptorOf(other)), nullptr);

  gLog.clear();
  ASSERT_EQ(mdlWindow_close(db, 0, 0), 0);
  EXPECT_EQ(gLog, (std::vector<std::string>{"item 11 51", "item 2 51", "item 5 51", "dialog 2"}));
  EXPECT_EQ(journal().last("dialog")->text, "closed 1");
  // The closed dialog is refused, not followed.
  EXPECT_EQ(mdlWindow_close(db, 0, 0), RSC_ERR_BAD_ARGUMENT);
  EXPECT_EQ(mdlDialog_itemGetCount(db), -1);
  EXPECT_EQ(mdlDialog_find(1, nullptr), nullptr);
}

TEST_F(Dialogs, ItemsReadAndWritePublishedRecordsBothWays) {
  AppScope scope(app_);
  MSDialog* db = mdlDialog_open(0, 1);
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(valueText(db, 11), "3");
  EXPECT_EQ(valueText(db, 2), "90");
  EXPECT_EQ(valueText(db, 3), "5");
  EXPECT_EQ(valueText(db, 4), "1");

  gLog.clear();
  gLogDraws = false;  // every change redraws its item; only the changes matter here
  std::string error;
  ASSERT_TRUE(setItemValue(1, 11, "cut lines", &error)) << error;
  EXPECT_EQ(gParams.copyMoveMode, 2);
  ASSERT_TRUE(setItemValue(1, 11, "1", &error)) << error;
  EXPECT_EQ(gParams.copyMoveMode, 1);
  ASSERT_TRUE(setItemValue(1, 2, "45", &error)) << error;
  EXPECT_STREQ(gParams.rotationAngleText, "45");
  ASSERT_TRUE(setItemValue(1, 2, "45", &error)) << error;  // the same again: no change
  ASSERT_TRUE(setItemValue(1, 3, "7.5", &error)) << error;
  EXPECT_EQ(gParams.deleteRectangleWidth, 7.5);
  ASSERT_TRUE(setItemValue(1, 4, "off", &error)) << error;
  EXPECT_EQ(gParams.mirrorMode, 0);
  EXPECT_EQ(gLog, (std::vector<std::string>{"item 11 71 changed 1", "item 11 71 changed 1", "item 2 71 changed 1",
                                            "item 2 71 changed 0"}));
  EXPECT_EQ(journal().last("dialog")->text, "item 1.4 = \"off\"");

  // The program changes the record; synchronising shows it.
  gParams.copyMoveMode = 4;
  std::strcpy(gParams.rotationAngleText, "180");
  EXPECT_EQ(valueText(db, 11), "1");
  ASSERT_EQ(mdlDialog_itemsSynch(db), 0);
  EXPECT_EQ(valueText(db, 11), "4");
  EXPECT_EQ(valueText(db, 2), "180");
  // A record reallocated by its application is followed through the published pointer.
  Params moved{2, 1, "30", 1.0};
  gParamsP = &moved;
  ASSERT_EQ(mdlDialog_itemSynch(db, mdlDialog_itemIndexByTypeAndId(db, RTYPE_OPTIONBTN, 11, 0)), 0);
  EXPECT_EQ(valueText(db, 11), "2");
  gParamsP = &gParams;
}

TEST_F(Dialogs, InputAUserCouldNotGiveIsRefusedWithAReason) {
  AppScope scope(app_);
  MSDialog* db = mdlDialog_open(0, 1);
  ASSERT_NE(db, nullptr);
  std::string error;
  EXPECT_FALSE(setItemValue(2, 11, "1", &error));
  EXPECT_EQ(error, "dialog 2 is not open");
  EXPECT_FALSE(setItemValue(1, 99, "1", &error));
  EXPECT_EQ(error, "dialog 1 has no item 99");
  EXPECT_FALSE(setItemValue(1, 11, "Circle", &error));
  EXPECT_EQ(error, "item 11 of dialog 1 has no option \"Circle\"");
  EXPECT_FALSE(setItemValue(1, 11, "fence", &error));
  EXPECT_EQ(error, "item 11 of dialog 1: option \"Fence\" is disabled");
  EXPECT_FALSE(setItemValue(1, 2, "12345678", &error));
  EXPECT_EQ(error, "item 2 of dialog 1 takes at most 7 characters");
  EXPECT_FALSE(setItemValue(1, 3, "wide", &error));
  EXPECT_EQ(error, "item 3 of dialog 1 takes a number, not \"wide\"");
  EXPECT_FALSE(setItemValue(1, 4, "maybe", &error));
  EXPECT_FALSE(setItemValue(1, 1, "x", &error));
  EXPECT_EQ(error, "item 1 of dialog 1 takes no value");
  EXPECT_FALSE(pressButton(1, 2, &error));
  EXPECT_EQ(error, "dialog 1 has no button 2");
  mdlDialog_itemSetEnabledState(db, mdlDialog_itemIndexByTypeAndId(db, RTYPE_PUSHBTN, 5, 0), 0);
  EXPECT_FALSE(pressButton(1, 5, &error));
  EXPECT_EQ(error, "button 5 of dialog 1 is disabled or hidden");
  // Nothing reached the record.
  EXPECT_EQ(gParams.copyMoveMode, 3);
  EXPECT_STREQ(gParams.rotationAngleText, "90");
  EXPECT_EQ(gParams.deleteRectangleWidth, 5.0);
}

// A user typing into an item and a program setting it (mdlDialog_itemSetValue) read a value the
// same way: the same hostile values are refused by both, the same ones taken, and what is taken
// reaches the record alike. Infinities and not-a-number are no number for either.
TEST_F(Dialogs, TypedAndProgramSetValuesAreReadTheSameWay) {
  AppScope scope(app_);
  MSDialog* db = mdlDialog_open(0, 1);
  ASSERT_NE(db, nullptr);
  const std::string longText(5000, '9');
  const char* values[] = {"inf",        "-inf", "nan",  "NAN(1)", "1e999",        "",   " ",
                          "12abc",      "0x",   "0x10", "1e3",    " 2.5 ",        "-0", "1234567",
                          "12345678",   "on",   "OFF",  "2",      "1.5",          "-1", "smart",
                          "~Cut lines", "3",    "99",   "\x01",   "\xC9t\xC3\xA9"};
  const int items[] = {2, 3, 4, 11};
  struct Outcome {
    bool taken;
    Params record;
    std::string shown;
  };
  auto reset = [&] {
    gParams = Params{3, 1, "90", 5.0};
    ASSERT_EQ(mdlDialog_itemsSynch(db), 0);
  };
  auto outcome = [&](bool taken, int itemId) { return Outcome{taken, gParams, valueText(db, itemId)}; };
  for (const int itemId : items) {
    const int index = mdlDialog_itemIndexByTypeAndId(db, typeOf(db, itemId), itemId, 0);
    std::vector<std::string> all(std::begin(values), std::end(values));
    all.push_back(longText);
    for (const std::string& value : all) {
      reset();
      std::string error;
      const Outcome typed = outcome(setItemValue(1, itemId, value, &error), itemId);
      reset();
      const Outcome set = outcome(mdlDialog_itemSetValue(db, index, value.c_str()) == RSC_SUCCESS, itemId);
      const std::string what = "item " + std::to_string(itemId) + " given \"" + value.substr(0, 20) + "\"";
      EXPECT_EQ(typed.taken, set.taken) << what << " (typed: " << error << ")";
      EXPECT_EQ(std::memcmp(&typed.record, &set.record, sizeof(Params)), 0) << what;
      EXPECT_EQ(typed.shown, set.shown) << what;
      EXPECT_TRUE(std::isfinite(set.record.deleteRectangleWidth)) << what;
    }
  }
  reset();
  EXPECT_NE(mdlDialog_itemSetValue(db, mdlDialog_itemIndexByTypeAndId(db, RTYPE_TEXT, 3, 0), "inf"),
            RSC_SUCCESS);
  std::string error;
  EXPECT_FALSE(setItemValue(1, 3, "inf", &error));
  EXPECT_EQ(error, "item 3 of dialog 1 takes a number, not \"inf\"");
  // Only a user is kept from a disabled option; the program may set it.
  EXPECT_FALSE(setItemValue(1, 11, "Fence", &error));
  EXPECT_EQ(mdlDialog_itemSetValue(db, mdlDialog_itemIndexByTypeAndId(db, RTYPE_OPTIONBTN, 11, 0), "Fence"),
            RSC_SUCCESS);
  EXPECT_EQ(gParams.copyMoveMode, 4);
}

TEST_F(Dialogs, ButtonsRunTheirHooksAndActionsAndHooksMayCloseTheirDialog) {
  AppScope scope(app_);
  ASSERT_NE(mdlDialog_open(0, 1), nullptr);
  std::string error;
  gLog.clear();
  ASSERT_TRUE(pressButton(1, 5, &error)) << error;
  EXPECT_EQ(gLog.front(), "item 5 54");
  EXPECT_NE(findOpenDialog(1), nullptr);
  // A hook that asks for the close through the queue: the dialog closes after it returns.
  gCloseOnButton = true;
  ASSERT_TRUE(pressButton(1, 5, &error)) << error;
  EXPECT_EQ(findOpenDialog(1), nullptr);
  // A hook that closes its own dialog at once keeps running safely.
  ASSERT_NE(mdlDialog_open(0, 1), nullptr);
  gLog.clear();
  ASSERT_TRUE(pressButton(1, 7, &error)) << error;
  EXPECT_EQ(findOpenDialog(1), nullptr);
  EXPECT_NE(std::find(gLog.begin(), gLog.end(), "after close 0"), gLog.end());
  // An OK button without a hook closes a modeless dialog; the dialog hook is told first.
  ASSERT_NE(mdlDialog_open(0, 1), nullptr);
  gLog.clear();
  ASSERT_TRUE(pressButton(1, 6, &error)) << error;
  EXPECT_EQ(gLog.front(), "dialog 4");
  EXPECT_EQ(findOpenDialog(1), nullptr);
}

TEST_F(Dialogs, ModalDialogsTakeTheirButtonFromTheAnswerQueue) {
  AppScope scope(app_);
  int action = 0;
  ASSERT_EQ(mdlDialog_openModal(&action, 0, 20011), 0);
  EXPECT_EQ(action, 3);
  EXPECT_EQ(journal().last("dialog")->text, "modal 20011 -> 3 (defaulted)");

  queueAnswer("no");
  ASSERT_EQ(mdlDialog_openModal(&action, 0, 20011), 0);
  EXPECT_EQ(action, 4);
  EXPECT_EQ(journal().last("dialog")->text, "modal 20011 -> 4 (answered)");

  // A label, the way the user reads it; a button without an action keeps the dialog open for
  // the next answer; a word that names nothing is reported and skipped.
  gLog.clear();
  queueAnswer("details");
  queueAnswer("maybe");
  queueAnswer("YES");
  ASSERT_EQ(mdlDialog_openModal(&action, 0, 20011), 0);
  EXPECT_EQ(action, 3);
  EXPECT_EQ(gLog, (std::vector<std::string>{"item 9 50", "item 9 69", "item 9 52", "item 9 54", "item 9 51"}));
  const auto texts = journal().texts("dialog");
  EXPECT_NE(std::find(texts.begin(), texts.end(), "answer \"maybe\" matches no button of dialog 20011"), texts.end());
  EXPECT_FALSE(answersPending());

  // Items of a modal dialog are filled in through the queue before its button.
  queueAnswer("item 11 Rectangle");
  queueAnswer("item 11 Circle");
  queueAnswer("ok");
  gParams.copyMoveMode = 1;
  ASSERT_EQ(mdlDialog_openModal(&action, 0, 1), 0);
  EXPECT_EQ(action, 3);
  EXPECT_EQ(gParams.copyMoveMode, 3);
  const auto afterItems = journal().texts("dialog");
  EXPECT_NE(std::find(afterItems.begin(), afterItems.end(),
                      "answer \"item 11 Circle\" refused: item 11 of dialog 1 has no option \"Circle\""),
            afterItems.end());

  queueAnswer("12");  // an action number no button has still ends the dialog
  ASSERT_EQ(mdlDialog_openModal(&action, 0, 20011), 0);
  EXPECT_EQ(action, 12);
  ASSERT_EQ(mdlDialog_openModal(&action, 0, 30), 0);  // nothing to press: cancelled
  EXPECT_EQ(action, ACTIONBUTTON_CANCEL);
  EXPECT_EQ(mdlDialog_openModal(&action, 0, 777), RSC_ERR_NO_SUCH_RESOURCE);
  EXPECT_EQ(action, ACTIONBUTTON_CANCEL);
  EXPECT_EQ(openDialogs().size(), 0u);
}

TEST_F(Dialogs, DamagedOrMissingDialogResourcesOpenNothing) {
  AppScope scope(app_);
  EXPECT_EQ(mdlDialog_open(0, 31), nullptr);
  EXPECT_NE(journal().last("dialog")->text.find("damaged dialog resource"), std::string::npos);
  EXPECT_EQ(mdlDialog_open(0, 32), nullptr);
  EXPECT_EQ(journal().last("dialog")->text, "no dialog 32");
  EXPECT_TRUE(openDialogs().empty());
}

TEST_F(Dialogs, UnloadingAnApplicationClosesItsDialogsAndForgetsItsHooks) {
  {
    AppScope scope(app_);
    ASSERT_NE(mdlDialog_open(0, 1), nullptr);
  }
  gLog.clear();
  removeApplication(app_);
  EXPECT_TRUE(openDialogs().empty());
  EXPECT_TRUE(gLog.empty());  // its code is going away: no messages
}

}  // namespace
}  // namespace pixmend::host
