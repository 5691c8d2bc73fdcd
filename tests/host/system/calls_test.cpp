// Calls into applications by signature, the host heap's failure switch, timers on the simulated
// clock, event slots, exit requests, descriptors and version records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/system/api.h"
#include "host/system/calls.hpp"
#include "host/system/idle.hpp"
#include "host/system/loader.hpp"
#include "host/system/registry.hpp"
#include "host/system/timers.hpp"

namespace pixmend::host {
namespace {

std::vector<std::string> seen;
Application* seenApp = nullptr;

int noArguments() {
  seenApp = currentApplication();
  return 41;
}
int twoDoubles(double a, double b) {
  return static_cast<int>(a * 10 + b);
}
int pageFunction(int index, void* name, void* out, int flag) {
  seen.push_back(std::to_string(index) + " " + static_cast<const char*>(name) + " " + (out ? "out" : "null") +
                 " " + std::to_string(flag));
  return index + flag;
}
int mixed(int i, void* p, void* q, void* r, double d, double e) {
  return i + (p != nullptr) + (q != nullptr) + (r == nullptr) + static_cast<int>(d + e);
}

class System : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    seen.clear();
    seenApp = nullptr;
  }
  void TearDown() override { resetHost(); }
};

TEST_F(System, CallsDecodeTheirSignature) {
  Application* app = addApplication("caller", "", "");
  MdlDesc* desc = descriptorOf(app);
  EXPECT_EQ(dlmSystem_callAnyFunction(desc, reinterpret_cast<void*>(noArguments), ""), 41);
  EXPECT_EQ(seenApp, app);  // the function ran as its application
  EXPECT_EQ(currentApplication(), nullptr);
  EXPECT_EQ(dlmSystem_callAnyFunction(desc, reinterpret_cast<void*>(twoDoubles), "DD", 1.5, 2.0), 17);
  char name[] = "Page 1";
  void* slot = nullptr;
  EXPECT_EQ(dlmSystem_callAnyFunction(desc, reinterpret_cast<void*>(pageFunction), "IPPI", 3, name, &slot, 1),
            4);
  EXPECT_EQ(seen, (std::vector<std::string>{"3 Page 1 out 1"}));
  EXPECT_EQ(dlmSystem_callMdlFunction(nullptr, reinterpret_cast<void*>(mixed), "IPPPDD", 1, name, name,
                                      static_cast<void*>(nullptr), 0.5, 0.5),
            5);
}

TEST_F(System, UnknownSignaturesAndDeadDescriptorsCallNothing) {
  EXPECT_EQ(dlmSystem_callAnyFunction(nullptr, reinterpret_cast<void*>(noArguments), "IX"), MDLERR_BADARG);
  EXPECT_EQ(journal().last("text")->text, "dlmSystem_callAnyFunction: unknown argument signature \"IX\"\n");
  EXPECT_EQ(dlmSystem_callAnyFunction(nullptr, reinterpret_cast<void*>(noArguments), "IIIIIIII"),
            MDLERR_BADARG);
  EXPECT_EQ(dlmSystem_callAnyFunction(nullptr, nullptr, ""), MDLERR_BADARG);
  Application* app = addApplication("gone", "", "");
  MdlDesc* desc = descriptorOf(app);
  removeApplication(app);
  EXPECT_EQ(dlmSystem_callAnyFunction(desc, reinterpret_cast<void*>(noArguments), ""), MDLERR_BADARG);
  EXPECT_EQ(seenApp, nullptr);
  EXPECT_FALSE(callFunction(nullptr, reinterpret_cast<void*>(twoDoubles), "DD", {{'D'}}));
  EXPECT_FALSE(callFunction(nullptr, reinterpret_cast<void*>(twoDoubles), "DD", {{'I'}, {'D'}}));
}

TEST_F(System, HeapRequestsFailOnDemandAndWhenAbsurd) {
  void* a = dlmSystem_mdlMalloc(16);
  ASSERT_NE(a, nullptr);
  mdlSystem_failNextAllocations(2);
  EXPECT_EQ(dlmSystem_mdlMalloc(272), nullptr);
  EXPECT_EQ(dlmSystem_mdlRealloc(a, 32), nullptr);  // a is still ours
  void* b = dlmSystem_mdlCalloc(4, 4);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(static_cast<unsigned char*>(b)[15], 0);
  EXPECT_EQ(dlmSystem_mdlMalloc(size_t{1} << 40), nullptr);
  EXPECT_EQ(dlmSystem_mdlCalloc(size_t{1} << 40, size_t{1} << 40), nullptr);
  a = dlmSystem_mdlRealloc(a, 64);
  ASSERT_NE(a, nullptr);
  dlmSystem_mdlFree(a);
  dlmSystem_mdlFree(b);
  dlmSystem_mdlFree(nullptr);
  EXPECT_EQ(journal().texts("memory"),
            (std::vector<std::string>{"refused 272 bytes (test switch)", "refused 32 bytes (test switch)",
                                      "refused 1099511627776 bytes",
                                      "refused 1099511627776 x 1099511627776 bytes"}));
}

void timerFunction(void* argument, int handle) {
  seen.push_back(static_cast<const char*>(argument) + std::string(" ") + std::to_string(handle) + " at " +
                 std::to_string(mdlSystem_getTicks()));
  if (std::string(static_cast<const char*>(argument)) == "repeat" && mdlSystem_getTicks() >= 90) {
    mdlSystem_cancelTimer(handle);
  }
}

TEST_F(System, TimersFireInOrderOnTheSimulatedClock) {
  static char once[] = "once";
  static char repeat[] = "repeat";
  int first = 0, second = 0;
  ASSERT_EQ(mdlSystem_setTimerFunction(&first, 60, timerFunction, once, 0), 0);
  ASSERT_EQ(mdlSystem_setTimerFunction(&second, 30, timerFunction, repeat, 1), 0);
  EXPECT_EQ(advanceClock(29), 0);
  EXPECT_EQ(advanceClock(100), 4);  // equal due times fire in handle order
  EXPECT_EQ(seen,
            (std::vector<std::string>{"repeat 2 at 30", "once 1 at 60", "repeat 2 at 60", "repeat 2 at 90"}));
  EXPECT_EQ(hostClock(), 129);
  EXPECT_EQ(mdlSystem_cancelTimer(first), MDLERR_BADARG);  // fired and gone
  EXPECT_EQ(mdlSystem_setTimerFunction(nullptr, 1, nullptr, nullptr, 0), MDLERR_BADARG);

  // A timer of an application that is unloaded never fires.
  Application* app = addApplication("timed", "", "");
  {
    AppScope scope(app);
    mdlSystem_setTimerFunction(nullptr, 1, timerFunction, once, 0);
  }
  removeApplication(app);
  seen.clear();
  EXPECT_EQ(advanceClock(10), 0);
  EXPECT_TRUE(seen.empty());
}

void slotHandler(const char* text, int state) {
  seen.push_back(std::string(text) + " " + std::to_string(state) + " as " +
                 applicationName(currentApplication()));
}
int unloadHandler(int type) {
  seen.push_back("unload " + std::to_string(type));
  mdlSystem_exit(0, 1);  // from inside its own unload: the unload simply goes on
  return 1;
}
int exitingCommand() {
  mdlSystem_exit(3, 1);
  seen.push_back("still running");
  return 0;
}

TEST_F(System, EventSlotsAndUnloadHandlers) {
  Application* a = addApplication("first", "", "");
  Application* b = addApplication("second", "", "");
  {
    AppScope scope(a);
    EXPECT_EQ(mdlSystem_setFunction(SYSTEM_NEW_DESIGN_FILE, reinterpret_cast<void*>(slotHandler)), nullptr);
    mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, reinterpret_cast<void*>(unloadHandler));
    EXPECT_EQ(mdlSystem_setFunction(SYSTEM_MAX_SLOT + 1, reinterpret_cast<void*>(slotHandler)), nullptr);
  }
  {
    AppScope scope(b);
    mdlSystem_setFunction(SYSTEM_NEW_DESIGN_FILE, reinterpret_cast<void*>(slotHandler));
  }
  EXPECT_EQ(mdlSystem_setFunction(1, reinterpret_cast<void*>(slotHandler)), nullptr);  // no application runs
  EXPECT_EQ(raiseSystemEvent(1, "drawing.dgn", 1), 2);
  EXPECT_EQ(seen, (std::vector<std::string>{"drawing.dgn 1 as first", "drawing.dgn 1 as second"}));
  seen.clear();
  unloadApplication(a, SYSTEM_UNLOAD_BY_USER);
  EXPECT_EQ(seen, (std::vector<std::string>{"unload 1"}));
  EXPECT_EQ(loadedApplications(), (std::vector<Application*>{b}));
  EXPECT_EQ(raiseSystemEvent(1, "next.dgn", 1), 1);
}

TEST_F(System, ExitUnloadsOnceTheApplicationsCodeHasReturned) {
  Application* app = addApplication("leaving", "", "");
  callFunction(app, reinterpret_cast<void*>(exitingCommand), "", {});
  EXPECT_EQ(seen, (std::vector<std::string>{"still running"}));
  EXPECT_EQ(findApplication("leaving"), app);
  runIdle();
  EXPECT_EQ(findApplication("leaving"), nullptr);
  EXPECT_FALSE(hostExitRequested());
  mdlSystem_exit(0, 0);  // no application runs: the host's session ends
  EXPECT_TRUE(hostExitRequested());
  EXPECT_EQ(journal().texts("system"),
            (std::vector<std::string>{"exit leaving 3", "unload leaving", "exit 0"}));
}

int unloadsItself() {
  unloadApplication(currentApplication(), SYSTEM_UNLOAD_BY_USER);
  seen.push_back(findApplication("self") != nullptr ? "still loaded" : "gone");
  return 0;
}

TEST_F(System, AnUnloadAskedForByRunningCodeWaitsUntilItHasReturned) {
  Application* app = addApplication("self", "", "");
  callFunction(app, reinterpret_cast<void*>(unloadsItself), "", {});
  EXPECT_EQ(seen, (std::vector<std::string>{"still loaded"}));
  EXPECT_EQ(findApplication("self"), app);
  runIdle();
  EXPECT_EQ(findApplication("self"), nullptr);
  EXPECT_EQ(journal().texts("system"), (std::vector<std::string>{"unload self"}));
}

TEST_F(System, DescriptorsTaskIdsAndVersions) {
  Application* app = addApplication("VXRaster", "", "");
  EXPECT_EQ(mdlSystem_getCurrMdlDesc(), nullptr);
  EXPECT_STREQ(mdlSystem_getCurrTaskID(), "");
  EXPECT_EQ(mdlSystem_findMdlDesc("vxraster"), descriptorOf(app));
  EXPECT_EQ(mdlSystem_findMdlDesc("WEBBROWS"), nullptr);
  EXPECT_EQ(mdlSystem_getMdlDescFromProcessNumber(mdlSystem_getProcessNumberFromMdlDesc(descriptorOf(app))),
            descriptorOf(app));
  VersionNumber version{8, 5, 2, 70};
  EXPECT_EQ(mdlSystem_setMdlAppVersionNumber(nullptr, &version), MDLERR_BADARG);  // no current application
  {
    AppScope scope(app);
    EXPECT_EQ(mdlSystem_getCurrMdlDesc(), descriptorOf(app));
    EXPECT_STREQ(mdlSystem_getCurrTaskID(), "VXRASTER");
    EXPECT_EQ(mdlSystem_setMdlAppVersionNumber(nullptr, &version), 0);
  }
  VersionNumber back{};
  EXPECT_EQ(mdlSystem_getMdlAppVersionNumber(descriptorOf(app), &back), 0);
  EXPECT_EQ(back.release, 8);
  EXPECT_EQ(back.subMinor, 70);
  MdlDesc* desc = descriptorOf(app);
  const int number = mdlSystem_getProcessNumberFromMdlDesc(desc);
  removeApplication(app);
  EXPECT_EQ(mdlSystem_getMdlDescFromProcessNumber(number), nullptr);  // the registry's liveness test
  EXPECT_EQ(mdlSystem_getProcessNumberFromMdlDesc(desc), -1);
  EXPECT_EQ(mdlSystem_getMdlAppVersionNumber(desc, &back), MDLERR_BADARG);
}

}  // namespace
}  // namespace pixmend::host
