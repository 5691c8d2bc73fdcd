// The application registry: descriptors and process numbers, the current application inside
// nested scopes, names, and descriptors that stay safe after their application is gone.
#include "host/system/application.hpp"

#include <gtest/gtest.h>

#include "host/lifecycle.hpp"
#include "host/system/registry.hpp"

namespace pixmend::host {
namespace {

class Applications : public ::testing::Test {
 protected:
  void SetUp() override { resetHost(); }
  void TearDown() override { resetHost(); }
};

TEST_F(Applications, RegistryKeepsLoadOrderAndFindsNamesInAnyCase) {
  Application* a = addApplication("VXRaster", "/x/libVXRaster.so", "/x/VXRaster.rsc");
  Application* b = addApplication("testapp", "", "");
  EXPECT_EQ(loadedApplications(), (std::vector<Application*>{a, b}));
  EXPECT_EQ(findApplication("vxraster"), a);
  EXPECT_EQ(findApplication("TESTAPP"), b);
  EXPECT_EQ(findApplication("other"), nullptr);
  EXPECT_EQ(applicationName(a), "VXRaster");
  EXPECT_EQ(applicationPath(a), "/x/libVXRaster.so");
  EXPECT_EQ(applicationResourcePath(a), "/x/VXRaster.rsc");
  EXPECT_EQ(applicationResourcePath(b), "");
  EXPECT_EQ(applicationName(nullptr), "");
  EXPECT_EQ(a->taskId, "VXRASTER");
}

TEST_F(Applications, DescriptorsMapBothWays) {
  Application* a = addApplication("one", "", "");
  Application* b = addApplication("two", "", "");
  EXPECT_NE(descriptorOf(a), descriptorOf(b));
  EXPECT_EQ(applicationOf(descriptorOf(a)), a);
  EXPECT_EQ(applicationOf(descriptorOf(b)), b);
  EXPECT_EQ(descriptorOf(nullptr), nullptr);
  EXPECT_EQ(applicationOf(nullptr), nullptr);
  MdlDesc forged{a, 1};  // not issued by the host
  EXPECT_EQ(applicationOf(&forged), nullptr);
  EXPECT_NE(a->processNumber, b->processNumber);
  EXPECT_EQ(descriptorForProcessNumber(b->processNumber), descriptorOf(b));
}

TEST_F(Applications, ScopesNestAndRestore) {
  Application* a = addApplication("one", "", "");
  Application* b = addApplication("two", "", "");
  EXPECT_EQ(currentApplication(), nullptr);
  {
    AppScope outer(a);
    EXPECT_EQ(currentApplication(), a);
    {
      AppScope inner(b);
      EXPECT_EQ(currentApplication(), b);
      AppScope host(nullptr);
      EXPECT_EQ(currentApplication(), nullptr);
    }
    EXPECT_EQ(currentApplication(), a);
  }
  EXPECT_EQ(currentApplication(), nullptr);
}

TEST_F(Applications, RemovedApplicationsLeaveDeadButSafeDescriptors) {
  Application* a = addApplication("one", "", "");
  MdlDesc* desc = descriptorOf(a);
  const int number = a->processNumber;
  // Hooks stay registered for the process: this one keeps nothing from the test's frame.
  static int hookCalls = 0;
  static Application* seen = nullptr;
  hookCalls = 0;
  registerUnloadHook("test", [](Application* app) {
    ++hookCalls;
    seen = app;
  });
  removeApplication(a);
  EXPECT_EQ(hookCalls, 1);
  EXPECT_EQ(seen, a);
  EXPECT_EQ(applicationOf(desc), nullptr);
  EXPECT_EQ(descriptorForProcessNumber(number), nullptr);
  EXPECT_TRUE(loadedApplications().empty());
  removeApplication(a);  // a second removal is harmless
  EXPECT_EQ(hookCalls, 1);

  // A new application gets a new process number and descriptor, never the dead one.
  Application* b = addApplication("two", "", "");
  EXPECT_NE(descriptorOf(b), desc);
  EXPECT_NE(b->processNumber, number);
}

}  // namespace
}  // namespace pixmend::host
