// References: design files attached to the open design, kept with it, opened read-only, their
// elements scanned and read through their own model reference; bad attachments refused and files
// that vanish or change after attaching handled without harm.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/lifecycle.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

class References : public ::testing::Test {
 protected:
  void SetUp() override { resetHost(); }
  void TearDown() override { resetHost(); }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // A design holding `lines` lines on level `level`.
  void makeDesign(const std::string& name, int lines, unsigned level) {
    std::string error;
    ASSERT_TRUE(createDesign(path(name), &error)) << error;
    for (int i = 0; i < lines; ++i) {
      MSElement e;
      const DPoint3d points[2] = {{0, 0, 0}, {double(i + 1), 1, 0}};
      ASSERT_EQ(mdlLine_create(&e, nullptr, points), 0);
      ASSERT_EQ(mdlElement_setProperties(&e, &level, nullptr, nullptr), 0);
      ASSERT_NE(mdlElement_add(&e), 0u);
    }
    closeDesign();
  }
  static bool attach(const std::string& name, bool locate, bool display, std::string* why) {
    StoredReference r;
    r.fileName = name;
    r.locate = locate;
    r.display = display;
    return attachReference(r, why);
  }
  static int parameter(DgnModelRefP ref, int which) {
    int value = -1;
    EXPECT_EQ(mdlRefFile_getParameters(&value, which, ref), SUCCESS);
    return value;
  }
  static std::vector<unsigned> scan(DgnModelRefP ref) {
    ScanCriteria* c = mdlScanCriteria_create();
    EXPECT_EQ(mdlScanCriteria_setModel(c, ref), SUCCESS);
    std::vector<unsigned> found(16);
    int words = 32;
    mdlScanCriteria_scan(c, found.data(), &words);
    mdlScanCriteria_free(c);
    found.resize(static_cast<std::size_t>(words / 2));
    return found;
  }

  testsupport::ScratchDir scratch_{"references"};
  std::string dir_ = scratch_.path();
};

TEST_F(References, AttachedDesignsAreListedScannedReadOnlyAndKeptWithTheDesign) {
  makeDesign("a.dgn", 2, 5);
  makeDesign("b.dgn", 3, 6);
  std::string error;
  ASSERT_TRUE(createDesign(path("plan.dgn"), &error)) << error;
  DgnModelRefP active = mdlModelRef_getActive();
  EXPECT_EQ(mdlRefFile_getCount(active), 0);
  ASSERT_TRUE(attach("a.dgn", true, true, &error)) << error;  // relative to the design's folder
  ASSERT_TRUE(attach(path("b.dgn"), false, true, &error)) << error;
  ASSERT_EQ(mdlRefFile_getCount(active), 2);
  DgnModelRefP a = mdlRefFile_getModelRef(active, 0);
  DgnModelRefP b = mdlRefFile_getModelRef(active, 1);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(mdlRefFile_getModelRef(active, 2), nullptr);
  EXPECT_EQ(mdlRefFile_getModelRef(active, -1), nullptr);
  EXPECT_EQ(mdlRefFile_getCount(a), 0) << "a reference's own references are not followed";
  EXPECT_EQ(parameter(a, REFERENCE_LOCATE), 1);
  EXPECT_EQ(parameter(b, REFERENCE_LOCATE), 0);
  EXPECT_EQ(parameter(b, REFERENCE_DISPLAY), 1);
  EXPECT_EQ(parameter(b, REFERENCE_FILEFOUND), 1);
  int value = 0;
  EXPECT_EQ(mdlRefFile_getParameters(&value, 2, a), MDLERR_BADARG) << "no such parameter";
  EXPECT_EQ(mdlRefFile_getParameters(&value, REFERENCE_LOCATE, active), MDLERR_BADARG) << "not a reference";
  EXPECT_EQ(mdlRefFile_getParameters(nullptr, REFERENCE_LOCATE, a), MDLERR_BADARG);

  // The reference's elements, not the active model's (which has none).
  EXPECT_EQ(scan(a), (std::vector<unsigned>{1, 2}));
  EXPECT_EQ(scan(b), (std::vector<unsigned>{1, 2, 3}));
  EXPECT_TRUE(scan(active).empty());
  MSElementDescr* d = nullptr;
  ASSERT_EQ(mdlElmdscr_read(&d, 3, b, 0), 3u);
  EXPECT_EQ(mdlElmdscr_getModelRef(d), b);
  unsigned level = 0;
  mdlElement_getProperties(&level, nullptr, nullptr, mdlElmdscr_getElement(d));
  EXPECT_EQ(level, 6u);

  // Read-only: nothing written back to it, nor to the active model at its position.
  EXPECT_EQ(mdlModelRef_isReadOnly(b), 1);
  EXPECT_EQ(mdlElmdscr_rewrite(d, d, 3), 0u);
  EXPECT_EQ(mdlElmdscr_undoableDelete(d, 3, 0), MDLERR_MODELREADONLY);
  const ElementModifyFunc change = [](MSElement*, void*, DgnModelRefP, MSElementDescr*, MSElementDescr**) {
    return 1;  // "modified"
  };
  EXPECT_EQ(mdlModify_elementSingle(b, 3, change, nullptr), MDLERR_MODELREADONLY);
  mdlElmdscr_freeAll(&d);
  EXPECT_EQ(scan(b).size(), 3u);
  char name[512];
  ASSERT_EQ(mdlModelRef_getFileName(b, name, sizeof name), SUCCESS);
  EXPECT_EQ(std::string(name), path("b.dgn"));

  // Opened again: both come back in order with their flags.
  closeDesign();
  EXPECT_EQ(mdlRefFile_getCount(mdlModelRef_getActive()), 0);
  ASSERT_TRUE(openDesign(path("plan.dgn"), &error)) << error;
  const auto list = listReferences();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].stored.fileName, "a.dgn");
  EXPECT_TRUE(list[0].stored.locate);
  EXPECT_EQ(list[1].stored.fileName, path("b.dgn"));
  EXPECT_FALSE(list[1].stored.locate);
  EXPECT_EQ(scan(mdlRefFile_getModelRef(mdlModelRef_getActive(), 0)), (std::vector<unsigned>{1, 2}));

  ASSERT_TRUE(detachReference(0, &error)) << error;
  EXPECT_FALSE(detachReference(1, &error)) << "only one left";
  closeDesign();
  ASSERT_TRUE(openDesign(path("plan.dgn"), &error)) << error;
  ASSERT_EQ(mdlRefFile_getCount(nullptr), 1);
  EXPECT_EQ(scan(mdlRefFile_getModelRef(nullptr, 0)).size(), 3u);
}

TEST_F(References, AReferenceIsThreeDimensionalAsItsFileIs) {
  DesignContent solid = newDesignContent();
  solid.models[0].is3d = true;
  std::string error;
  ASSERT_TRUE(writeDesignFile(path("solid.dgn"), solid, &error)) << error;
  makeDesign("flat.dgn", 0, 1);
  ASSERT_TRUE(createDesign(path("plan.dgn"), &error)) << error;
  ASSERT_TRUE(attach("solid.dgn", true, true, &error)) << error;
  ASSERT_TRUE(attach("flat.dgn", true, true, &error)) << error;
  EXPECT_EQ(mdlModelRef_is3D(mdlRefFile_getModelRef(nullptr, 0)), 1);
  EXPECT_EQ(mdlModelRef_is3D(mdlRefFile_getModelRef(nullptr, 1)), 0);
  EXPECT_EQ(mdlModelRef_is3D(nullptr), 0) << "the design itself stays 2-D";
}

TEST_F(References, BadAttachmentsAreRefusedWithTheirReason) {
  makeDesign("a.dgn", 1, 1);
  std::string error;
  ASSERT_TRUE(createDesign(path("plan.dgn"), &error)) << error;
  EXPECT_FALSE(attach("plan.dgn", true, true, &error));
  EXPECT_NE(error.find("itself"), std::string::npos) << error;
  EXPECT_FALSE(attach("missing.dgn", true, true, &error));
  EXPECT_NE(error.find("not found"), std::string::npos) << error;
  std::ofstream(path("notes.txt")) << "not a design at all";
  EXPECT_FALSE(attach("notes.txt", true, true, &error));
  EXPECT_NE(error.find("not a design file"), std::string::npos) << error;
  EXPECT_FALSE(attach("", true, true, &error));
  for (std::size_t i = 0; i < kMaxDesignReferences; ++i) ASSERT_TRUE(attach("a.dgn", true, true, &error)) << i;
  EXPECT_FALSE(attach("a.dgn", true, true, &error)) << "no more than the limit";
  EXPECT_EQ(mdlRefFile_getCount(nullptr), static_cast<int>(kMaxDesignReferences));
}

TEST_F(References, AFileThatVanishesOrChangesIsReadAgainOrMarkedNotFound) {
  makeDesign("a.dgn", 2, 1);
  std::string error;
  ASSERT_TRUE(createDesign(path("plan.dgn"), &error)) << error;
  ASSERT_TRUE(attach("a.dgn", true, true, &error)) << error;
  closeDesign();

  // Damaged while the parent was closed: the parent still opens, the reference is not found.
  std::ofstream(path("a.dgn"), std::ios::trunc) << "damaged";
  ASSERT_TRUE(openDesign(path("plan.dgn"), &error)) << error;
  DgnModelRefP a = mdlRefFile_getModelRef(nullptr, 0);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(parameter(a, REFERENCE_FILEFOUND), 0);
  EXPECT_TRUE(scan(a).empty());
  MSElementDescr* d = nullptr;
  EXPECT_EQ(mdlElmdscr_read(&d, 1, a, 0), 0u);

  // Made again with three elements: read again when next asked for.
  closeDesign();
  ::unlink(path("a.dgn").c_str());
  makeDesign("a.dgn", 3, 1);
  ASSERT_TRUE(openDesign(path("plan.dgn"), &error)) << error;
  a = mdlRefFile_getModelRef(nullptr, 0);
  EXPECT_EQ(parameter(a, REFERENCE_FILEFOUND), 1);
  EXPECT_EQ(scan(a).size(), 3u);
  ::unlink(path("a.dgn").c_str());
  EXPECT_EQ(parameter(a, REFERENCE_FILEFOUND), 0) << "vanished while attached";
  EXPECT_TRUE(scan(a).empty());
  EXPECT_EQ(listReferences().size(), 1u) << "kept by name: it comes back when the file does";
}

}  // namespace
}  // namespace pixmend::host
