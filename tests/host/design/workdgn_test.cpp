// Work files: opened beside the active design, read-only when asked, when the file has no write
// bits (root included) or cannot be opened for writing, and refused models after closing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/design/api.h"
#include "host/lifecycle.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

class WorkFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
  }
  void TearDown() override {
    resetHost();
  }
  std::string file(const std::string& name, mode_t mode) {
    const std::string p = dir_ + "/" + name;
    std::ofstream(p) << "design";
    ::chmod(p.c_str(), mode);
    return p;
  }
  pixmend::testsupport::ScratchDir scratch_{"workdgn"};
  std::string dir_ = scratch_.path();
};

TEST_F(WorkFiles, ReadOnlyFollowsTheAskAndTheFilesWriteBits) {
  const std::string writable = file("w.dgn", 0644);
  const std::string locked = file("r.dgn", 0444);
  DgnModelRefP model = nullptr;
  DgnFileObjP fileObj = nullptr;
  int format = -1;
  ASSERT_EQ(mdlWorkDgn_openFile(&model, &fileObj, writable.c_str(), nullptr, &format, 0), SUCCESS);
  EXPECT_NE(fileObj, nullptr);
  EXPECT_EQ(format, 0);
  EXPECT_EQ(mdlModelRef_isReadOnly(model), 0);
  EXPECT_EQ(mdlWorkDgn_closeFile(model), SUCCESS);
  EXPECT_EQ(mdlModelRef_isReadOnly(model), 1) << "a closed work file's model is not written through";
  EXPECT_EQ(mdlWorkDgn_closeFile(model), MDLERR_BADARG);

  ASSERT_EQ(mdlWorkDgn_openFile(&model, nullptr, writable.c_str(), nullptr, nullptr, 1), SUCCESS);
  EXPECT_EQ(mdlModelRef_isReadOnly(model), 1) << "opened read-only";
  mdlWorkDgn_closeFile(model);
  ASSERT_EQ(mdlWorkDgn_openFile(&model, nullptr, locked.c_str(), nullptr, nullptr, 0), SUCCESS);
  EXPECT_EQ(mdlModelRef_isReadOnly(model), 1) << "no write bit: read-only for root as well";
  mdlWorkDgn_closeFile(model);

  EXPECT_EQ(mdlModelRef_isReadOnly(mdlModelRef_getActive()), 0);
  EXPECT_EQ(mdlModelRef_isReadOnly(nullptr), 0);
}

TEST_F(WorkFiles, WhatIsNoFileIsRefused) {
  DgnModelRefP model = reinterpret_cast<DgnModelRefP>(1);
  EXPECT_EQ(mdlWorkDgn_openFile(&model, nullptr, (dir_ + "/none.dgn").c_str(), nullptr, nullptr, 0), MDLERR_FILENOTFOUND);
  EXPECT_EQ(model, nullptr);
  EXPECT_EQ(mdlWorkDgn_openFile(&model, nullptr, dir_.c_str(), nullptr, nullptr, 0), MDLERR_CANNOTOPENFILE);
  EXPECT_EQ(mdlWorkDgn_openFile(&model, nullptr, "", nullptr, nullptr, 0), MDLERR_BADARG);
  EXPECT_EQ(mdlWorkDgn_openFile(&model, nullptr, nullptr, nullptr, nullptr, 0), MDLERR_BADARG);
}

}  // namespace
}  // namespace pixmend::host
