// Memory of the library: zero-filled blocks, zero-filled growth, and the out-of-memory box whose
// second button ends the application.
#include <algorithm>
#include <cstring>

#include "host/system/idle.hpp"
#include "host/system/loader.hpp"
#include "vxlib/core/vxlib_fixture.hpp"

namespace pixmend::vxlib {
namespace {

using host::AppScope;

class Memory : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    app_ = startApp("Mem");
  }
  host::Application* app_ = nullptr;
};

TEST_F(Memory, BlocksAreZeroFilled) {
  AppScope scope(app_);
  // Dirty the heap first so that zeros are the library's doing.
  void* dirty = dlmSystem_mdlMalloc(4096);
  std::memset(dirty, 0xab, 4096);
  dlmSystem_mdlFree(dirty);
  auto* block = static_cast<unsigned char*>(vxlibMem_mallocRscErrorPrintf(4096, kErrorList, kMsgOutOfMemory));
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(std::all_of(block, block + 4096, [](unsigned char c) { return c == 0; }));
  dlmSystem_mdlFree(block);
}

TEST_F(Memory, GrowingLeavesTheNewBytesZeroAndTheOldOnesAsTheyWere) {
  AppScope scope(app_);
  auto* block = static_cast<unsigned char*>(vxlibMem_mallocRscErrorPrintf(100, kErrorList, kMsgOutOfMemory));
  ASSERT_NE(block, nullptr);
  std::memset(block, 0x5a, 100);
  block = static_cast<unsigned char*>(
      vxlibMem_reallocRscErrorPrintf(block, 100, 150, kErrorList, kMsgOutOfMemory));
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(std::all_of(block, block + 100, [](unsigned char c) { return c == 0x5a; }));
  EXPECT_TRUE(std::all_of(block + 100, block + 150, [](unsigned char c) { return c == 0; }));
  // Shrinking zeroes nothing.
  block = static_cast<unsigned char*>(
      vxlibMem_reallocRscErrorPrintf(block, 150, 10, kErrorList, kMsgOutOfMemory));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block[9], 0x5a);
  dlmSystem_mdlFree(block);
}

TEST_F(Memory, AFailureAsksAndGoingOnGivesNull) {
  AppScope scope(app_);
  mdlSystem_failNextAllocations(1);
  host::queueAnswer("Continue");
  const auto from = mark();
  EXPECT_EQ(vxlibMem_mallocRscErrorPrintf(64, kErrorList, kMsgOutOfMemory), nullptr);
  EXPECT_STREQ(boxState().text, "Out of memory.");
  EXPECT_EQ(boxState().firstButton, 64);
  EXPECT_EQ(boxState().secondButton, 512);
  EXPECT_EQ(texts("memory", from), std::vector<std::string>{"refused 64 bytes (test switch)"});
  EXPECT_TRUE(texts("system", from).empty()) << "the application goes on";

  // A failed growth leaves the old block to the caller.
  void* block = vxlibMem_mallocRscErrorPrintf(32, kErrorList, kMsgOutOfMemory);
  ASSERT_NE(block, nullptr);
  mdlSystem_failNextAllocations(1);
  host::queueAnswer("ok");
  EXPECT_EQ(vxlibMem_reallocRscErrorPrintf(block, 32, 64, kErrorList, kMsgCannotOpen, "the block"), nullptr);
  EXPECT_STREQ(boxState().text, "Cannot open the resource file\nthe block")
      << "the caller's message and arguments";
  dlmSystem_mdlFree(block);
}

TEST_F(Memory, TheSecondButtonEndsTheApplication) {
  {
    AppScope scope(app_);
    mdlSystem_failNextAllocations(1);
    host::queueAnswer("Exit");
    const auto from = mark();
    EXPECT_EQ(vxlibMem_mallocRscErrorPrintf(64, kErrorList, kMsgOutOfMemory), nullptr);
    EXPECT_EQ(texts("system", from), std::vector<std::string>{"exit Mem 0"});
  }
  // Once its code is off the stack the host unloads it.
  host::runIdle();
  EXPECT_EQ(host::findApplication("Mem"), nullptr);
}

TEST_F(Memory, AnImpossibleSizeIsRefusedNotAttempted) {
  AppScope scope(app_);
  host::queueAnswer("Continue");
  EXPECT_EQ(vxlibMem_mallocRscErrorPrintf(~static_cast<size_t>(0), kErrorList, kMsgOutOfMemory), nullptr);
}

TEST_F(Memory, StartUpWithoutMemoryGoesOnWithoutABlock) {
  host::Application* starved = addApp("Starved");
  // The registry record exists already; the block's request is the first to fail.
  mdlSystem_failNextAllocations(1);
  host::queueAnswer("Continue");
  start(starved);
  EXPECT_EQ(blockOf(starved), nullptr);
  EXPECT_EQ(shared()->entries[1].desc, nullptr) << "the entry it would have had stays free";
  host::Application* next = startApp("Next");
  EXPECT_NE(blockOf(next), nullptr);
  EXPECT_EQ(shared()->entries[1].desc, host::descriptorOf(next));
}

}  // namespace
}  // namespace pixmend::vxlib
