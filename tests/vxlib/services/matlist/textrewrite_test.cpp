// Pages built from page cells and templates rewritten in the design: what becomes of each kind
// of text (a value, nothing, several lines, a bad index, a logo), the page scale, the refusals,
// and the level mask of the design's rewrite.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "host/design/cells.hpp"
#include "host/design/design.hpp"
#include "host/design/designfile.hpp"
#include "vxlib/core/vxlib_fixture.hpp"
#include "vxlib/services/matlist/formdata.hpp"

namespace pixmend::vxlib {
namespace {

std::vector<std::uint8_t> bytesOf(const MSElement& e) {
  const auto* b = reinterpret_cast<const std::uint8_t*>(e.buf);
  return {b, b + e.ehdr.sizeWords * 2};
}

MSElement text(const char* s, double x, double y, unsigned level = 1) {
  MSElement e{};
  const DPoint3d origin{x, y, 0};
  const TextSize size{2, 2};
  EXPECT_EQ(mdlText_create(&e, nullptr, s, &origin, nullptr, &size, nullptr, nullptr), 0) << s;
  mdlElement_setProperties(&e, &level, nullptr, nullptr);
  return e;
}

// "type:text" of every node of a chain (components after their header, indented by "  ").
void describe(MSElementDescr* d, std::vector<std::string>* out, const std::string& indent = "") {
  for (; d != nullptr; d = mdlElmdscr_next(d)) {
    MSElement* e = mdlElmdscr_getElement(d);
    std::string line = indent + std::to_string(mdlElement_getType(e));
    char s[256] = {};
    if (mdlText_extract(s, sizeof s, nullptr, nullptr, nullptr, nullptr, nullptr, e) == 0) line += ":" + std::string(s);
    out->push_back(line);
    describe(mdlElmdscr_firstComponent(d), out, indent + "  ");
  }
}

int logo(int, const char*, MSElementDescr** out, void*, double, double) {
  MSElement line{};
  const DPoint3d points[2] = {{0, 0, 0}, {10, 5, 0}};
  mdlLine_create(&line, nullptr, points);
  mdlElmdscr_new(out, &line);
  return 0;
}

class Pages : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    app_ = startApp("Pages");
    scope_ = std::make_unique<host::AppScope>(app_);
    std::string error;
    ASSERT_TRUE(host::createDesign(path("plan.dgn"), &error)) << error;
    form_ = vxlibMatList_createFormDataArray(4, 5);
    vxlibMatList_insertValue(form_, "pron", 3, 0, "P-9");
    vxlibMatList_insertValue(form_, "note", 3, 0, "first\nsecond");
    vxlibMatList_insertValue(form_, "LOGO", 5, 0, reinterpret_cast<void*>(&logo), static_cast<void*>(nullptr), 1);
  }
  void TearDown() override {
    form_ = vxlibMatList_destroyFormDataArray(form_);
    scope_.reset();
    VxlibTest::TearDown();
  }
  host::Application* app_ = nullptr;
  std::unique_ptr<host::AppScope> scope_;
  VxlibFormData* form_ = nullptr;
};

TEST_F(Pages, EveryTemplateOfThePageCellIsRewrittenAndThePageFitsThePaper) {
  host::DesignContent source = host::newDesignContent();
  MSElement frame{};
  const DPoint3d corners[2] = {{0, 0, 0}, {100, 50, 0}};
  ASSERT_EQ(mdlLine_create(&frame, nullptr, corners), 0);
  std::uint32_t position = 1;
  for (const MSElement& e : {frame, text("No. %1%pron", 5, 40), text("%abcd", 5, 30), text("%1%note", 5, 20),
                             text("%9%pron", 5, 10), text("%1%LOGO", 60, 10)}) {
    source.elements.push_back({0, position++, bytesOf(e), ""});
  }
  source.models[0].nextPosition = position;
  host::DesignContent library = host::newDesignContent();
  std::string error;
  ASSERT_TRUE(host::addCell(&library, source, 0, "PAGE", "", &error)) << error;
  ASSERT_TRUE(host::writeDesignFile(path("page.cel"), library, &error)) << error;

  // A3 across with margins 20, 10, 10, 10: 390 x 277 printable, the cell 100 x 50.
  auto* setup = static_cast<double*>(shared()->printerSetup);
  setup[1] = 420, setup[2] = 297, setup[3] = 20, setup[4] = 10, setup[5] = 10, setup[6] = 10;

  MSElementDescr* page = nullptr;
  EXPECT_EQ(vxlibMatList_generatePageElementDescr("PAGE", path("none.cel").c_str(), &page, form_, 1), -2);
  EXPECT_EQ(vxlibMatList_generatePageElementDescr("NONE", path("page.cel").c_str(), &page, form_, 1), -1);
  EXPECT_EQ(page, nullptr);
  host::queueAnswer("ok");
  ASSERT_EQ(vxlibMatList_generatePageElementDescr("PAGE", path("page.cel").c_str(), &page, form_, 1), 0);
  std::vector<std::string> nodes;
  describe(page, &nodes);
  EXPECT_EQ(nodes, (std::vector<std::string>{"2", "  3", "  17:No. P-9", "  17: ", "  7", "    17:first",
                                             "    17:second", "  17:%9%pron", "  3"}))
      << "a value; nothing becomes a space; two lines a text node; a bad index stays; the logo";
  EXPECT_NEAR(*vxlibMatList_getCurrentPageScaleP(), 3.9 * *vxlibUtil_masterToUORP(1.0), 1e-9);
  mdlElmdscr_freeAll(&page);

  vxlibMatList_setExportToExcel(1);
  EXPECT_EQ(vxlibMatList_generatePageElementDescr("PAGE", path("page.cel").c_str(), &page, nullptr, 1), VXLIB_ERROR)
      << "spreadsheet mode sends the form (none here) and builds nothing";
  EXPECT_EQ(page, nullptr);
}

TEST_F(Pages, TheDesignsTextsAreRewrittenOnTheLevelsAskedFor) {
  vxlibMatList_insertValue(form_, "long", 3, 0, "a value much longer than the template that names it");
  for (const MSElement& e : {text("%1%pron", 0, 0, 1), text("%1%pron", 0, 10, 2), text("%1%note", 0, 20, 1),
                             text("<%1%long>", 0, 30, 1)}) {
    MSElement copy = e;
    ASSERT_NE(mdlElement_add(&copy), 0u);
  }
  const unsigned short levelOne[4] = {1u << 1, 0, 0, 0};
  ASSERT_EQ(vxlibMatList_changeTextInMasterFile(form_, levelOne, mdlModelRef_getActive()), 0);
  std::vector<std::string> nodes;
  std::vector<unsigned> components;
  for (unsigned position = 1; position < 12; ++position) {
    MSElementDescr* d = nullptr;
    if (std::find(components.begin(), components.end(), position) != components.end() ||
        mdlElmdscr_read(&d, position, mdlModelRef_getActive(), 0) == 0)
      continue;
    for (MSElementDescr* c = mdlElmdscr_firstComponent(d); c != nullptr; c = mdlElmdscr_next(c))
      components.push_back(mdlElmdscr_getFilePos(c));
    describe(d, &nodes);
    mdlElmdscr_freeAll(&d);
  }
  EXPECT_EQ(nodes, (std::vector<std::string>{"17:P-9", "17:%1%pron",
                                             "17:<a value much longer than the template that names it>", "7",
                                             "  17:first", "  17:second"}))
      << "a text grown past its element keeps its place; the text node is new";
}

}  // namespace
}  // namespace pixmend::vxlib
