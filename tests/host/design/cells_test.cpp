// Cell libraries and cell headers through the host calls: a library built from a design, found
// along a search path, its cells read with their components nested as they were drawn (a text
// node inside a cell keeps its lines), names rewritten with linkages kept, the origin set, and a
// damaged library refused while the attached one stays.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "host/config/config.hpp"
#include "host/design/api.h"
#include "host/design/cells.hpp"
#include "host/design/design.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/view/api.h"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

std::u16string wide(const char* text) {
  return std::u16string(text, text + std::strlen(text));
}
const MSWChar* w(const std::u16string& text) {
  return reinterpret_cast<const MSWChar*>(text.c_str());
}

class Cells : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    // The drawing of the cell: a line, a text node of two lines, a text.
    std::string error;
    ASSERT_TRUE(createDesign(path("logo.dgn"), &error)) << error;
    MSElement line;
    const DPoint3d points[2] = {{-5, -5, 0}, {20, 1, 0}};
    ASSERT_EQ(mdlLine_create(&line, nullptr, points), 0);
    ASSERT_NE(mdlElement_add(&line), 0u);
    const DPoint3d at{0, 10, 0};
    const TextSize size{1, 2};
    TextParam params{0, TEXT_JUST_LB, 1, 0, 0};
    MSElementDescr* node = nullptr;
    ASSERT_EQ(mdlText_addStringsToNodeDscr(&node, "VEX\nCRAFT", nullptr, &at, nullptr, &size, &params), 0);
    ASSERT_NE(mdlElmdscr_add(node), 0u);
    mdlElmdscr_freeAll(&node);
    auto text = std::make_unique<MSElement>();
    const DPoint3d low{2, 2, 0};
    ASSERT_EQ(mdlText_create(text.get(), nullptr, "ok", &low, nullptr, &size, &params, nullptr), 0);
    ASSERT_NE(mdlElement_add(text.get()), 0u);
    closeDesign();

    DesignContent library = newDesignContent(), source;
    ASSERT_TRUE(readDesignFile(path("logo.dgn"), &source, &error)) << error;
    ASSERT_TRUE(addCell(&library, source, 0, "LOGO", "the maker's logo", &error)) << error;
    EXPECT_FALSE(addCell(&library, source, 0, "logo", "", &error));
    EXPECT_EQ(error, "the library has a cell named LOGO already");
    ASSERT_TRUE(writeDesignFile(path("cells/lib.cel"), library, &error)) << error;
  }
  void TearDown() override { resetHost(); }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  testsupport::ScratchDir scratch_{"cells"};
  std::string dir_ = [this] {
    const std::string d = scratch_.path();
    std::filesystem::create_directories(d + "/cells");
    return d;
  }();
};

TEST_F(Cells, ACellIsReadWithItsComponentsNestedAndItsRange) {
  defineVariable("MY_CELLS", path("none") + ":" + path("cells"), kCfgLevelUser);
  char found[MAXFILELENGTH];
  ASSERT_EQ(mdlCell_attachLibraryEx(found, "lib", "MY_CELLS", 0), 0) << "found along the path with .cel added";
  EXPECT_EQ(std::string(found), path("cells/lib.cel"));
  EXPECT_EQ(mdlCell_getLibraryCellCount(), 2) << "the library's Default model and LOGO";
  MSWChar name[8], description[64];
  ASSERT_EQ(mdlCell_getLibraryCell(name, 8, description, 64, 1), 0);
  EXPECT_EQ(utf8FromWide(name, 8), "LOGO");
  EXPECT_EQ(utf8FromWide(description, 64), "the maker's logo");
  EXPECT_EQ(mdlCell_getLibraryCell(name, 8, nullptr, 0, 2), MDLERR_CELLNOTFOUND);

  MSElementDescr* cell = nullptr;
  ASSERT_EQ(mdlCell_getElmDscr(&cell, w(wide("Logo")), CELL_READ_AS_STORED), 0);
  MSElement* header = mdlElmdscr_getElement(cell);
  ASSERT_EQ(mdlElement_getType(header), CELL_HEADER_ELM);
  MSWChar back[8];
  ASSERT_EQ(mdlCell_extractName(back, 8, header), 0);
  EXPECT_EQ(utf8FromWide(back, 8), "LOGO");
  int types[3] = {}, count = 0;
  MSElementDescr* node = nullptr;
  for (MSElementDescr* c = mdlElmdscr_firstComponent(cell); c != nullptr; c = mdlElmdscr_next(c)) {
    ASSERT_LT(count, 3) << "the node's lines are its own components, not the cell's";
    types[count++] = mdlElement_getType(mdlElmdscr_getElement(c));
    if (types[count - 1] == TEXT_NODE_ELM) node = c;
  }
  EXPECT_EQ(count, 3);
  EXPECT_EQ(types[0], LINE_ELM);
  EXPECT_EQ(types[1], TEXT_NODE_ELM);
  EXPECT_EQ(types[2], TEXT_ELM);
  ASSERT_NE(node, nullptr);
  char second[8] = "";
  ASSERT_EQ(mdlText_extract(second, sizeof second, nullptr, nullptr, nullptr, nullptr, nullptr,
                            mdlElmdscr_getElement(mdlElmdscr_next(mdlElmdscr_firstComponent(node)))),
            0);
  EXPECT_STREQ(second, "CRAFT");
  // The range: the line's ends and the node's first line, 3 characters wide, 2 high at y 10.
  const auto* b = reinterpret_cast<const std::uint8_t*>(header->buf);
  double range[6];
  std::memcpy(range, b + 168, sizeof range);
  EXPECT_EQ(range[0], -5);
  EXPECT_EQ(range[1], -5);
  EXPECT_EQ(range[3], 20);
  EXPECT_EQ(range[4], 12);

  // Placed in a design, the cell comes back whole.
  std::string error;
  ASSERT_TRUE(createDesign(path("placed.dgn"), &error)) << error;
  const unsigned position = mdlElmdscr_add(cell);
  ASSERT_NE(position, 0u);
  mdlElmdscr_freeAll(&cell);
  ASSERT_EQ(mdlElmdscr_read(&cell, position, nullptr, 0), position);
  int rows = 0;
  for (MSElementDescr* c = mdlElmdscr_firstComponent(cell); c != nullptr; c = mdlElmdscr_next(c)) ++rows;
  EXPECT_EQ(rows, 5) << "the line, the node, its two lines and the text follow the header";
  mdlElmdscr_freeAll(&cell);
  // Stored, each component is followed by its own: a library made of that design nests the same.
  closeDesign();
  DesignContent placed, library = newDesignContent();
  ASSERT_TRUE(readDesignFile(path("placed.dgn"), &placed, &error)) << error;
  ASSERT_TRUE(addCell(&library, placed, 0, "outer", "", &error)) << error;
  ASSERT_TRUE(writeDesignFile(path("cells/nested.cel"), library, &error)) << error;
  ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, path("cells/nested.cel").c_str(), nullptr, 0), 0);
  ASSERT_EQ(mdlCell_getElmDscr(&cell, w(wide("OUTER")), 1), 0);
  MSElementDescr* inner = mdlElmdscr_firstComponent(cell);
  ASSERT_EQ(mdlElement_getType(mdlElmdscr_getElement(inner)), CELL_HEADER_ELM);
  EXPECT_EQ(mdlElmdscr_next(inner), nullptr);
  MSElementDescr* innerNode = mdlElmdscr_next(mdlElmdscr_firstComponent(inner));
  ASSERT_EQ(mdlElement_getType(mdlElmdscr_getElement(innerNode)), TEXT_NODE_ELM);
  ASSERT_EQ(mdlElement_getType(mdlElmdscr_getElement(mdlElmdscr_next(innerNode))), TEXT_ELM);
  ASSERT_EQ(mdlText_extract(second, sizeof second, nullptr, nullptr, nullptr, nullptr, nullptr,
                            mdlElmdscr_getElement(mdlElmdscr_firstComponent(innerNode))),
            0);
  EXPECT_STREQ(second, "VEX");
  mdlElmdscr_freeAll(&cell);
  EXPECT_EQ(mdlCell_getElmDscr(&cell, w(wide("LOGOS")), 0), MDLERR_CELLNOTFOUND);
  EXPECT_EQ(cell, nullptr);
}

TEST_F(Cells, NamesAreRewrittenWithTheLinkagesAfterThemAndTheOriginAloneMoves) {
  auto header = std::make_unique<MSElement>();
  ASSERT_EQ(newCellHeader(header.get(), wide("A"), wide("")), 0);
  LinkageHeader linkage{};
  linkage.primaryId = 0x1234;
  ASSERT_EQ(mdlLinkage_setWords(&linkage, 4), 0);
  const char data[4] = {'d', 'a', 't', 'a'};
  ASSERT_EQ(mdlLinkage_appendToElement(header.get(), &linkage, data, nullptr), 0);
  ASSERT_EQ(mdlCell_setName(header.get(), w(wide("A longer name"))), 0);
  ASSERT_EQ(mdlCell_setDescription(header.get(), w(wide("and a description"))), 0);
  MSWChar text[32];
  ASSERT_EQ(mdlCell_extractDescription(text, 32, header.get()), 0);
  EXPECT_EQ(utf8FromWide(text, 32), "and a description");
  ASSERT_EQ(mdlCell_extractName(text, 5, header.get()), MDLERR_TOOLARGE) << "cut, and said so";
  EXPECT_EQ(utf8FromWide(text, 5), "A lo");
  std::vector<char> found(MAX_ELEMENT_SIZE);
  const void* at = mdlLinkage_extractFromElement(found.data(), header.get(), 0x1234);
  ASSERT_NE(at, nullptr) << "the linkage moved along with the longer names";
  EXPECT_EQ(std::memcmp(found.data() + 4, "data", 4), 0);

  const DPoint3d origin{7, 8, 9};
  ASSERT_EQ(mdlCell_setOrigin(header.get(), &origin, nullptr), 0);
  DPoint3d back{};
  RotMatrix r{};
  ASSERT_EQ(mdlCell_extract(&back, &r, header.get()), 0);
  EXPECT_EQ(back.x, 7);
  EXPECT_EQ(back.y, 8);
  EXPECT_EQ(back.z, 0) << "a 2-D model keeps the header's z";
  EXPECT_EQ(r.form3d[1][1], 1);
  const std::u16string tooLong(513, u'x');
  EXPECT_EQ(mdlCell_setName(header.get(), w(tooLong)), MDLERR_BADARG);
}

TEST_F(Cells, ACellTooLargeToReadInGoodTimeIsNotMade) {
  DesignContent source = newDesignContent(), library = newDesignContent();
  MSElement line;
  const DPoint3d points[2] = {{0, 0, 0}, {1, 1, 0}};
  ASSERT_EQ(mdlLine_create(&line, nullptr, points), 0);
  const auto* b = reinterpret_cast<const std::uint8_t*>(line.buf);
  const std::vector<std::uint8_t> image(b, b + line.ehdr.sizeWords * 2);
  for (std::uint32_t i = 1; i <= kMaxCellElements + 1; ++i) source.elements.push_back({0, i, image, ""});
  std::string error;
  EXPECT_FALSE(addCell(&library, source, 0, "huge", "", &error));
  EXPECT_EQ(error, "model 0 has 20001 elements; a cell holds at most 20000");
  source.elements.pop_back();
  EXPECT_TRUE(addCell(&library, source, 0, "large", "", &error)) << error;
}

TEST_F(Cells, TheComponentsOfADamagedHeaderStayInTheCell) {
  DesignContent library;
  std::string error;
  ASSERT_TRUE(readDesignFile(path("cells/lib.cel"), &library, &error)) << error;
  // LOGO is the line, the node and its two lines, the text: break the node's header.
  std::vector<std::uint8_t>& node = library.elements[1].image;
  ASSERT_EQ(node[0], TEXT_NODE_ELM);
  node[4] += 1;  // its size says one word more than it has
  ASSERT_TRUE(writeDesignFile(path("cells/hurt.cel"), library, &error)) << error;
  ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, path("cells/hurt.cel").c_str(), nullptr, 0), 0);
  MSElementDescr* cell = nullptr;
  ASSERT_EQ(mdlCell_getElmDscr(&cell, w(wide("LOGO")), 1), 0);
  int types[4] = {}, count = 0;
  for (MSElementDescr* c = mdlElmdscr_firstComponent(cell); c != nullptr && count < 4; c = mdlElmdscr_next(c))
    types[count++] = mdlElement_getType(mdlElmdscr_getElement(c));
  mdlElmdscr_freeAll(&cell);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(types[0], LINE_ELM);
  EXPECT_EQ(types[1], TEXT_ELM) << "the node's first line, without its header";
  EXPECT_EQ(types[3], TEXT_ELM);
}

TEST_F(Cells, ADamagedLibraryIsRefusedAndTheAttachedOneStays) {
  ASSERT_EQ(mdlCell_attachLibraryEx(nullptr, path("cells/lib.cel").c_str(), nullptr, 0), 0);
  std::ofstream(path("cells/broken.cel")) << "not a database";
  EXPECT_EQ(mdlCell_attachLibraryEx(nullptr, path("cells/broken.cel").c_str(), nullptr, 0), MDLERR_NOCELLLIBRARY);
  EXPECT_EQ(journal().texts("cell").back(), "cell library " + path("cells/broken.cel") +
                                                " refused: " + path("cells/broken.cel") + ": not a design file; " +
                                                path("cells/lib.cel") + " stays attached");
  char name[MAXFILELENGTH];
  ASSERT_EQ(mdlCell_getLibraryFileName(name, sizeof name), 0);
  EXPECT_EQ(std::string(name), path("cells/lib.cel"));
  EXPECT_EQ(mdlCell_attachLibraryEx(nullptr, "missing", nullptr, 0), MDLERR_FILENOTFOUND);
  // Damaged after it was attached: the calls say there is no readable library.
  std::ofstream(path("cells/lib.cel"), std::ios::trunc) << "overwritten by something else";
  EXPECT_EQ(mdlCell_getLibraryCellCount(), -1);
  MSElementDescr* cell = nullptr;
  EXPECT_EQ(mdlCell_getElmDscr(&cell, w(wide("LOGO")), 1), MDLERR_NOCELLLIBRARY);
  resetHost();
  EXPECT_EQ(mdlCell_getLibraryFileName(name, sizeof name), MDLERR_NOCELLLIBRARY);
  EXPECT_STREQ(name, "");
}

}  // namespace
}  // namespace pixmend::host
