// The command state machine, command numbers, key-ins and the input queue, driven through a
// registered application whose handlers live in this test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/state/api.h"
#include "host/state/state.hpp"
#include "host/system/idle.hpp"
#include "host/system/registry.hpp"
#include "host/view/api.h"

namespace pixmend::host {
namespace {

std::vector<std::string> calls;
Application* appSeen = nullptr;

void record(const std::string& what) {
  calls.push_back(what);
  appSeen = currentApplication();
}

std::string pointText(const DPoint3d* p, int view) {
  return std::to_string(static_cast<int>(p->x)) + "," + std::to_string(static_cast<int>(p->y)) + " v" +
         std::to_string(view);
}

void onReset() {
  record("reset");
}
void onCleanup() {
  record("cleanup");
}
void onDynamics(DPoint3d* p, int view, int) {
  record("dyn " + pointText(p, view));
  DPoint3d line[2] = {{0, 0, 0}, {p->x, p->y, 0}};
  mdlLine_create(dgnBuf, nullptr, line);
}

void secondPoint(DPoint3d* p, int view) {
  record("second " + pointText(p, view));
  mdlState_restartCurrentCommand();
  record("after restart request");
}
void firstPoint(DPoint3d* p, int view) {
  record("first " + pointText(p, view));
  // A new primitive from a handler still belongs to the command that started it.
  mdlState_startPrimitive(secondPoint, onReset, 0, 0);
  mdlState_dynamicUpdate(onDynamics, 0);
}
void startDraw(char* unparsed) {
  record(std::string("start [") + unparsed + "]");
  mdlState_startPrimitive(firstPoint, onReset, 0, 0);
  mdlState_setFunction(STATE_COMMAND_CLEANUP, reinterpret_cast<void*>(onCleanup));
}
void otherCommand(char* unparsed) {
  record(std::string("other [") + unparsed + "]");
}
void sendTwo(char*) {
  mdlInput_sendKeyin("draw", 0, 0, nullptr);
  mdlInput_sendKeyin("draw other first", 0, 1, nullptr);  // to the front
  record("sent");
}

MdlCommandNumber commandsTable[] = {
    {startDraw, 0x01000100}, {otherCommand, 0x01000200}, {sendTwo, 0x01000300}, {nullptr, 0}};

class State : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    calls.clear();
    app = addApplication("drawapp", "", "");
    AppScope scope(app);
    ASSERT_EQ(mdlSystem_registerCommandNumbers(commandsTable), 0);
    setCommandTable(app, {{"draw", 0x01000100}, {"draw other", 0x01000200}, {"send two", 0x01000300}});
  }
  void TearDown() override { resetHost(); }
  Application* app = nullptr;
};

TEST_F(State, DataPointsResetsAndDynamicsReachTheInstalledHandlers) {
  deliverDataPoint({1, 1, 0}, 0);  // no command: nothing happens
  deliverReset();
  EXPECT_TRUE(calls.empty());

  ASSERT_TRUE(runKeyin("draw now please"));
  EXPECT_EQ(calls.back(), "start [now please]");
  EXPECT_EQ(appSeen, app);
  EXPECT_TRUE(commandActive());
  EXPECT_FALSE(dynamicsActive());
  moveCursor({5, 5, 0}, 0);  // no dynamics yet
  calls.clear();
  deliverDataPoint({10, 20, 0}, 3);
  // The handler's new primitive ends the command's first one: its cleanup runs.
  EXPECT_EQ(calls, (std::vector<std::string>{"first 10,20 v3", "cleanup"}));
  EXPECT_TRUE(dynamicsActive());

  moveCursor({30, 40, 0}, 3);
  EXPECT_EQ(calls.back(), "dyn 30,40 v3");
  EXPECT_EQ(journal().last("dynamics")->text, "line color 0 weight 0 style 0: 0,0 30,40");

  calls.clear();
  deliverDataPoint({50, 60, 0}, 1);  // dynamics see the point first
  EXPECT_EQ(calls, (std::vector<std::string>{"dyn 50,60 v1", "second 50,60 v1", "after restart request"}));
  calls.clear();
  EXPECT_EQ(runIdle(), 1);  // the restart runs once the handler is done
  EXPECT_EQ(calls, (std::vector<std::string>{"start [now please]"}));
  EXPECT_FALSE(dynamicsActive());

  deliverReset();
  EXPECT_EQ(calls.back(), "reset");
}

TEST_F(State, EndingACommandRunsItsCleanupOnce) {
  runKeyin("draw");
  mdlState_clear();
  EXPECT_EQ(calls.back(), "cleanup");
  calls.clear();
  mdlState_clear();
  mdlState_restartCurrentCommand();  // nothing to restart after a clear
  EXPECT_EQ(runIdle(), 1);
  EXPECT_TRUE(calls.empty());
  EXPECT_FALSE(commandActive());

  runKeyin("draw");
  calls.clear();
  mdlState_startDefaultCommand();
  EXPECT_EQ(calls, (std::vector<std::string>{"cleanup"}));
  deliverDataPoint({1, 2, 0}, 0);
  EXPECT_EQ(calls.size(), 1u);
}

TEST_F(State, KeyinsTakeTheLongestPhraseInAnyCase) {
  EXPECT_TRUE(runKeyin("DRAW   Other  first"));
  EXPECT_EQ(calls.back(), "other [first]");
  EXPECT_TRUE(runKeyin("draw othering"));  // "other" is a whole word, not a prefix
  EXPECT_EQ(calls.back(), "start [othering]");
  EXPECT_FALSE(runKeyin("paint"));
  EXPECT_EQ(journal().last("error")->text, "Unknown command: paint");
  EXPECT_TRUE(runKeyin("   "));  // nothing typed: nothing to do
  EXPECT_TRUE(runKeyin("draw", "DRAWAPP"));
  EXPECT_FALSE(runKeyin("draw", "otherapp"));
}

TEST_F(State, CommandNumbersAndTheInputQueue) {
  EXPECT_TRUE(runCommandNumber(0x01000200, "x y"));
  EXPECT_EQ(calls.back(), "other [x y]");
  EXPECT_EQ(journal().last("cmd")->text, "0x01000200 x y");
  EXPECT_FALSE(runCommandNumber(0x0badbeef, ""));
  EXPECT_EQ(journal().last("error")->text, "Unknown command 0x0badbeef");

  calls.clear();
  runKeyin("send two");
  EXPECT_EQ(calls, (std::vector<std::string>{"sent"}));
  runIdle();
  EXPECT_EQ(calls, (std::vector<std::string>{"sent", "other [first]", "start []"}));

  calls.clear();
  mdlDialog_cmdNumberQueue(0, 0x01000200, "later", 0);
  mdlDialog_cmdNumberQueue(1, 0x01000200, "sooner", 0);
  mdlInput_waitForMessage();
  EXPECT_EQ(calls, (std::vector<std::string>{"other [sooner]", "other [later]"}));
}

TEST_F(State, BrokenCommandNumberTablesAndTablesAreRefused) {
  EXPECT_EQ(mdlSystem_registerCommandNumbers(commandsTable), MDLERR_BADARG);  // no application runs
  std::string error;
  EXPECT_FALSE(parseCommandTable("[]", &error));
  EXPECT_FALSE(parseCommandTable("{\"commands\": [{\"keyin\": \"\", \"number\": 1}]}", &error));
  EXPECT_FALSE(parseCommandTable("{\"commands\": [{\"keyin\": \"a\", \"number\": 0}]}", &error));
  EXPECT_FALSE(
      parseCommandTable("{\"commands\": [{\"keyin\": \"a\", \"number\": \"0x1ffffffff\"}]}", &error));
  EXPECT_FALSE(parseCommandTable("{\"commands\": [{\"keyin\": \"a\", \"number\": \"12x\"}]}", &error));
  EXPECT_FALSE(
      parseCommandTable("{\"commands\": [{\"keyin\": \"a b\", \"number\": 1}, {\"keyin\": \"A  B\", "
                        "\"number\": 2}]}",
                        &error));
  EXPECT_NE(error.find("twice"), std::string::npos);
  const auto table = parseCommandTable(
      "{\"commands\": [{\"keyin\": \"a\", \"number\": \"0x79020000\"}, "
      "{\"keyin\": \"b\", \"number\": 7}]}",
      &error);
  ASSERT_TRUE(table);
  EXPECT_EQ((*table)[0].number, 0x79020000u);
  EXPECT_EQ((*table)[1].number, 7u);
}

TEST_F(State, AnUnloadedApplicationsHandlersAreNeverCalledAgain) {
  runKeyin("draw");
  deliverDataPoint({1, 1, 0}, 0);
  EXPECT_TRUE(dynamicsActive());
  mdlState_restartCurrentCommand();
  calls.clear();
  removeApplication(app);
  moveCursor({2, 2, 0}, 0);
  deliverDataPoint({2, 2, 0}, 0);
  deliverReset();
  runIdle();
  EXPECT_FALSE(runKeyin("draw"));
  EXPECT_TRUE(calls.empty());
}

TEST_F(State, BuiltinKeyinsAndCommands) {
  std::string got;
  registerBuiltinKeyin("test builtin", [&](const std::string& rest) { got = rest; });
  EXPECT_TRUE(runKeyin("TEST builtin  with  rest"));
  EXPECT_EQ(got, "with  rest");
  registerBuiltinKeyin("test builtin", [](const std::string&) {});  // replaced: nothing kept from this frame
  registerBuiltinCommand(0x7f000001, [](const std::string&) { calls.push_back("builtin command"); });
  EXPECT_TRUE(runCommandNumber(0x7f000001, ""));
  EXPECT_EQ(calls.back(), "builtin command");
}

}  // namespace
}  // namespace pixmend::host
