// The library's cell family: where libraries are looked for, a library loaded once whatever the
// letter case of its name, the cell list without the "Default" model, and elements stripped of
// the library's user data or of every linkage.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/design/cells.hpp"
#include "host/design/design.hpp"
#include "host/design/designfile.hpp"
#include "host/output/journal.hpp"
#include "vxlib/core/vxlib_fixture.hpp"

namespace pixmend::vxlib {
namespace {

class CellFamily : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    std::filesystem::create_directories(path("vx/cell"));
  }
  // A library holding the model "Default" and, when `cell` is given, that cell made of one line.
  void makeLibrary(const std::string& file, const char* cell = nullptr, const char* description = "") {
    host::DesignContent library = host::newDesignContent();
    if (cell != nullptr) {
      host::DesignContent source = host::newDesignContent();
      MSElement line;
      const DPoint3d points[2] = {{0, 0, 0}, {1, 1, 0}};
      ASSERT_EQ(mdlLine_create(&line, nullptr, points), 0);
      const auto* b = reinterpret_cast<const std::uint8_t*>(line.buf);
      source.elements.push_back({0, 1, std::vector<std::uint8_t>(b, b + line.ehdr.sizeWords * 2), ""});
      source.models[0].nextPosition = 2;
      std::string error;
      ASSERT_TRUE(host::addCell(&library, source, 0, cell, description, &error)) << error;
    }
    std::string error;
    ASSERT_TRUE(host::writeDesignFile(file, library, &error)) << error;
  }
  std::size_t attachments() const {
    std::size_t n = 0;
    for (const auto& t : host::journal().texts("cell")) n += t.rfind("attached cell library", 0) == 0 ? 1 : 0;
    return n;
  }
};

TEST_F(CellFamily, TheCellDirectoryIsVxCellElseVxDirsCellFolderElseTheFixedOne) {
  mdlSystem_undefineCfgVar("VX_DIR", -1);
  mdlSystem_undefineCfgVar("VX_CELL", -1);
  char buffer[MAXFILELENGTH];
  ASSERT_EQ(vxlibCell_getVxCellPath(buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "/vexcraft/cell/");
  // Not found there, logo.cel is not found at all (the current folder is not searched).
  makeLibrary(path("logo.cel"), "LOGO");
  EXPECT_EQ(vxlibCell_getCellPathAndName(buffer, "logo.cel"), VXLIB_ERROR);
  EXPECT_STREQ(buffer, "");

  host::defineVariable("VX_DIR", path("vx"), host::kCfgLevelUser);
  ASSERT_EQ(vxlibCell_getVxCellPath(buffer, sizeof buffer), 0);
  EXPECT_EQ(std::string(buffer), path("vx/cell/")) << "a '/' is put between VX_DIR and cell/";
  makeLibrary(path("vx/cell/logo.cel"), "LOGO");
  ASSERT_EQ(vxlibCell_getCellPathAndName(buffer, "logo"), 0) << ".cel is added to a bare name";
  EXPECT_EQ(std::string(buffer), path("vx/cell/logo.cel"));
  char small[8] = "x";
  EXPECT_EQ(vxlibCell_getVxCellPath(small, sizeof small), VXLIB_ERROR) << "never cut to another folder";
  EXPECT_STREQ(small, "");

  host::defineVariable("VX_CELL", path("elsewhere") + ";" + path("."), host::kCfgLevelUser);
  ASSERT_EQ(vxlibCell_getCellPathAndName(buffer, "logo"), 0) << "searched along VX_CELL";
  EXPECT_EQ(std::string(buffer), path("./logo.cel"));
}

TEST_F(CellFamily, TheAttachedLibraryIsNotAttachedAgainWhateverTheLetterCaseOfItsName) {
  host::defineVariable("VX_CELL", path("vx/cell"), host::kCfgLevelUser);
  makeLibrary(path("vx/cell/Logo.cel"), "LOGO");
  EXPECT_EQ(vxlibCell_loadCellLibraryIfNeeded(""), 0);
  EXPECT_EQ(attachments(), 0u);
  ASSERT_EQ(vxlibCell_loadCellLibraryIfNeeded("Logo.cel"), 0);
  EXPECT_EQ(vxlibCell_loadCellLibraryIfNeeded("LOGO.CEL"), 0);
  EXPECT_EQ(vxlibCell_loadCellLibraryIfNeeded("logo"), 0);
  EXPECT_EQ(attachments(), 1u);
  EXPECT_EQ(vxlibCell_loadCellLibraryIfNeeded("other.cel"), MDLERR_FILENOTFOUND);
  char name[MAXFILELENGTH];
  ASSERT_EQ(mdlCell_getLibraryFileName(name, sizeof name), 0);
  EXPECT_EQ(std::string(name), path("vx/cell/Logo.cel")) << "a library that is not found leaves the attached one";
}

TEST_F(CellFamily, TheListHoldsTheCellsWithoutTheDefaultModel) {
  StringList* list = mdlStringList_create(0, 1);
  EXPECT_EQ(vxlibCell_getStringlistFromLib(list, 2), 0) << "no library attached";
  makeLibrary(path("empty.cel"));
  ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, path("empty.cel").c_str(), nullptr, 0), 0);
  EXPECT_EQ(vxlibCell_getStringlistFromLib(list, 2), 0) << "its only model is Default";
  EXPECT_EQ(mdlStringList_size(list), 0);

  makeLibrary(path("two.cel"), "Arrow", "north arrow");
  ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, path("two.cel").c_str(), nullptr, 0), 0);
  EXPECT_EQ(vxlibCell_getStringlistFromLib(list, 1), VXLIB_ERROR);
  EXPECT_EQ(vxlibCell_getStringlistFromLib(list, 3), 1);
  ASSERT_EQ(mdlStringList_size(list), 3) << "three members per cell";
  char* text = nullptr;
  ASSERT_EQ(mdlStringList_getMember(&text, nullptr, list, 0), 0);
  EXPECT_STREQ(text, "Arrow");
  ASSERT_EQ(mdlStringList_getMember(&text, nullptr, list, 1), 0);
  EXPECT_STREQ(text, "north arrow");
  mdlStringList_destroy(list);
  EXPECT_EQ(vxlibCell_getFilePosFromStringlist(), VXLIB_ERROR);
}

TEST_F(CellFamily, StrippingRemovesTheLibrarysUserDataOrEveryLinkageAndACellKeepsItsNames) {
  auto e = std::make_unique<MSElement>();
  const DPoint3d points[2] = {{0, 0, 0}, {1, 1, 0}};
  ASSERT_EQ(mdlLine_create(e.get(), nullptr, points), 0);
  LinkageHeader other{};
  other.primaryId = 0x1234;
  ASSERT_EQ(mdlLinkage_setWords(&other, 4), 0);
  const char bytes[4] = {1, 2, 3, 4};
  ASSERT_EQ(vxlibAttrib_appendElementUserData(7, 1, e.get(), "user", 4), 0);
  ASSERT_EQ(mdlLinkage_appendToElement(e.get(), &other, bytes, nullptr), 0);
  ASSERT_EQ(vxlibAttrib_appendElementUserData(8, 2, e.get(), "more", 4), 0);
  auto out = std::make_unique<MSElement>();
  ASSERT_EQ(vxlibElement_stripAttributes(out.get(), e.get()), 0);
  std::vector<char> linkage(MAX_ELEMENT_SIZE);
  EXPECT_NE(mdlLinkage_extractFromElement(linkage.data(), out.get(), 0x1234), nullptr);
  EXPECT_EQ(mdlLinkage_extractFromElement(linkage.data(), out.get(), 20275), nullptr);
  EXPECT_EQ(out->ehdr.sizeWords, out->ehdr.attrOffset + 4) << "only the other linkage is left";
  ASSERT_EQ(vxlibElement_stripAttributes(e.get(), e.get()), 0) << "in place";
  EXPECT_EQ(e->ehdr.sizeWords, out->ehdr.sizeWords);
  e->ehdr.sizeWords = e->ehdr.attrOffset + 2;  // a linkage of 4 words cut after 2
  out->ehdr.level = 5;
  EXPECT_EQ(vxlibElement_stripAttributes(out.get(), e.get()), VXLIB_ERROR);
  EXPECT_EQ(out->ehdr.level, 5u) << "the target is untouched";

  auto cell = std::make_unique<MSElement>();
  ASSERT_EQ(host::newCellHeader(cell.get(), u"LOGO", u"the logo"), 0);
  ASSERT_EQ(vxlibAttrib_appendElementUserData(1, 1, cell.get(), "x", 1), 0);
  ASSERT_EQ(vxlibElement_stripAttributes2(out.get(), cell.get()), 0);
  EXPECT_EQ(out->ehdr.sizeWords, out->ehdr.attrOffset);
  MSWChar name[16];
  ASSERT_EQ(mdlCell_extractDescription(name, 16, out.get()), 0);
  EXPECT_EQ(host::utf8FromWide(name, 16), "the logo");
}

}  // namespace
}  // namespace pixmend::vxlib
