// The design's elements through the host calls: what is refused on add, what a rewrite keeps, the
// undo of a deletion, scans by level and class that never hand out what was added meanwhile,
// levels kept only once the table is rewritten, and a damaged element named when the design opens.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/state/state.hpp"
#include "support/scratch_dir.hpp"

namespace pixmend::host {
namespace {

class Elements : public ::testing::Test {
 protected:
  void SetUp() override {
    resetHost();
    std::string error;
    ASSERT_TRUE(createDesign(file(), &error)) << error;
  }
  void TearDown() override { resetHost(); }
  std::string file() const { return dir_ + "/plan.dgn"; }

  // A line on `level` of `elementClass`.
  static MSElement line(unsigned level, int elementClass) {
    MSElement e;
    const DPoint3d points[2] = {{0, 0, 0}, {5, 5, 0}};
    EXPECT_EQ(mdlLine_create(&e, nullptr, points), 0);
    EXPECT_EQ(mdlElement_setProperties(&e, &level, nullptr, &elementClass), 0);
    return e;
  }
  static std::vector<unsigned> scanAll(ScanCriteria* c, int batchWords) {
    std::vector<unsigned> all;
    for (;;) {
      std::vector<unsigned> buffer(static_cast<std::size_t>(batchWords / 2) + 1, 0xDEAD);
      int words = batchWords;
      const int status = mdlScanCriteria_scan(c, buffer.data(), &words);
      EXPECT_EQ(buffer[static_cast<std::size_t>(batchWords / 2)], 0xDEADu) << "never past the buffer";
      all.insert(all.end(), buffer.begin(), buffer.begin() + words / 2);
      if (status != SCAN_STATUS_BUFFER_FULL) return all;
    }
  }

  testsupport::ScratchDir scratch_{"elements"};
  std::string dir_ = scratch_.path();
};

TEST_F(Elements, BrokenImagesAreRefusedAndAddedOnesGetIdentifiersAndStablePositions) {
  MSElement e = line(3, 0);
  MSElement broken = e;
  broken.ehdr.sizeWords += 1;  // says one word more than the vertices fill
  EXPECT_EQ(mdlElement_add(&broken), 0u);
  EXPECT_NE(journal().last("design")->text.find("element refused"), std::string::npos);
  broken = e;
  broken.ehdr.level = 64;
  EXPECT_EQ(mdlElement_add(&broken), 0u);

  const unsigned first = mdlElement_add(&e);
  const unsigned second = mdlElement_add(&e);
  EXPECT_EQ(first, 1u);
  EXPECT_EQ(second, 2u);
  MSElementDescr* d = nullptr;
  ASSERT_EQ(mdlElmdscr_read(&d, second, nullptr, 0), second);
  const unsigned id = mdlElmdscr_getElement(d)->ehdr.uniqueId[0];
  EXPECT_NE(id, 0u);
  // A rewrite keeps the position and the identifier; a deleted element's position is not given again.
  const unsigned gg = 7;
  ASSERT_EQ(mdlElement_setProperties(mdlElmdscr_getElement(d), nullptr, &gg, nullptr), 0);
  EXPECT_EQ(mdlElement_rewrite(mdlElmdscr_getElement(d), nullptr, second), second);
  mdlElmdscr_freeAll(&d);
  ASSERT_EQ(mdlElement_undoableDelete(nullptr, second, 0), 0);
  EXPECT_EQ(mdlElmdscr_read(&d, second, nullptr, 0), 0u);
  EXPECT_EQ(mdlElement_add(&e), 3u);
  ASSERT_TRUE(runKeyin("undo"));
  ASSERT_EQ(mdlElmdscr_read(&d, second, nullptr, 0), second) << "back at its own position";
  unsigned group = 0;
  mdlElement_getProperties(nullptr, &group, nullptr, mdlElmdscr_getElement(d));
  EXPECT_EQ(group, 7u);
  EXPECT_EQ(mdlElmdscr_getElement(d)->ehdr.uniqueId[0], id);
  mdlElmdscr_freeAll(&d);

  // Closed and opened again: the positions and the next one are the file's.
  closeDesign();
  std::string error;
  ASSERT_TRUE(openDesign(file(), &error)) << error;
  EXPECT_EQ(mdlElement_add(&e), 4u);
}

TEST_F(Elements, ScansTestLevelsAndClassesInBatchesAndSkipWhatIsAddedMeanwhile) {
  for (int i = 0; i < 10; ++i) {
    MSElement e = line(i % 2 == 0 ? 20 : 21, i < 5 ? ELEMENT_CLASS_PRIMARY : ELEMENT_CLASS_CONSTRUCTION);
    ASSERT_NE(mdlElement_add(&e), 0u);
  }
  ScanCriteria* c = mdlScanCriteria_create();
  ASSERT_EQ(mdlScanCriteria_setModel(c, nullptr), 0);
  const unsigned short level20[4] = {0, 1u << 4, 0, 0};
  mdlScanCriteria_setLevelTest(c, level20, 4);
  mdlScanCriteria_setClassTest(c, 1u << ELEMENT_CLASS_CONSTRUCTION);
  EXPECT_EQ(scanAll(c, 4), (std::vector<unsigned>{7, 9}));

  mdlScanCriteria_setModel(c, nullptr);  // starts over
  mdlScanCriteria_setClassTest(c, 0xffffffffu);
  std::vector<unsigned> buffer(2);
  int words = 4;
  ASSERT_EQ(mdlScanCriteria_scan(c, buffer.data(), &words), SCAN_STATUS_BUFFER_FULL);
  MSElement late = line(20, 0);
  ASSERT_EQ(mdlElement_add(&late), 11u);
  EXPECT_EQ(scanAll(c, 4), (std::vector<unsigned>{5, 7, 9})) << "the element added meanwhile is not handed out";
  mdlScanCriteria_addElementType(c, APPLICATION_DATA_ELM);
  mdlScanCriteria_setModel(c, nullptr);
  EXPECT_TRUE(scanAll(c, 4).empty());
  mdlScanCriteria_free(c);
}

TEST_F(Elements, LevelsAreKeptOnceTheTableIsRewritten) {
  const std::u16string walls = u"Walls \u00e6";
  unsigned id = 0;
  ASSERT_EQ(mdlLevel_create(&id, nullptr, reinterpret_cast<const MSWChar*>(walls.c_str())), 0);
  EXPECT_EQ(id, 2u) << "level 1 is the default";
  EXPECT_EQ(mdlLevel_create(&id, nullptr, reinterpret_cast<const MSWChar*>(u"WALLS \u00e6")), MDLERR_BADARG)
      << "names are compared without case";
  const unsigned color = 4;
  ASSERT_EQ(mdlLevel_setElementSymbology(nullptr, 2, &color, nullptr, nullptr), 0);
  MSElement e = line(2, 0);
  const unsigned byLevel = COLOR_BYLEVEL;
  ASSERT_EQ(mdlElement_setSymbology(&e, &byLevel, nullptr, nullptr), 0);
  unsigned effective = 0;
  ASSERT_EQ(mdlElement_getEffectiveSymbology(&effective, nullptr, nullptr, &e, nullptr), 0);
  EXPECT_EQ(effective, 4u);

  closeDesign();  // not rewritten: the level is not kept
  std::string error;
  ASSERT_TRUE(openDesign(file(), &error)) << error;
  EXPECT_EQ(mdlLevel_getIds(nullptr, 0, nullptr), 1);
  ASSERT_EQ(mdlLevel_create(&id, nullptr, reinterpret_cast<const MSWChar*>(walls.c_str())), 0);
  ASSERT_EQ(mdlLevelTable_rewrite(nullptr), 0);
  closeDesign();
  ASSERT_TRUE(openDesign(file(), &error)) << error;
  MSWChar name[16];
  ASSERT_EQ(mdlLevel_getName(name, 16, nullptr, 2), 0);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(name)), walls);
  EXPECT_EQ(mdlLevel_getName(name, 4, nullptr, 2), MDLERR_TOOLARGE);
}

TEST_F(Elements, ADamagedElementIsNamedWhenTheDesignOpensAndTheOthersServe) {
  MSElement e = line(3, 0);
  ASSERT_EQ(mdlElement_add(&e), 1u);
  ASSERT_EQ(mdlElement_add(&e), 2u);
  closeDesign();
  std::ifstream in(file(), std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  in.close();
  const auto bad = alterDesignForTesting(bytes, "UPDATE elements SET image = zeroblob(40) WHERE position = 1");
  ASSERT_FALSE(bad.empty());
  std::ofstream(file(), std::ios::binary).write(reinterpret_cast<const char*>(bad.data()), static_cast<std::streamsize>(bad.size()));
  std::string error;
  ASSERT_TRUE(openDesign(file(), &error)) << error;
  const auto said = journal().texts("design");
  EXPECT_NE(std::find(said.begin(), said.end(),
                      "element 1 of model 0 is damaged (its size says 0 words but it is 20 words long): it stays in "
                      "the file as it is and is left out of the design"),
            said.end());
  MSElementDescr* d = nullptr;
  EXPECT_EQ(mdlElmdscr_read(&d, 1, nullptr, 0), 0u);
  EXPECT_EQ(mdlElmdscr_read(&d, 2, nullptr, 0), 2u);
  mdlElmdscr_freeAll(&d);
  MSElement more = line(3, 0);
  EXPECT_EQ(mdlElement_add(&more), 3u);
  closeDesign();  // written with the damaged row as it was
  DesignContent content;
  ASSERT_TRUE(readDesignFile(file(), &content, &error)) << error;
  ASSERT_EQ(content.elements.size(), 3u);
  EXPECT_EQ(content.elements[0].image, std::vector<std::uint8_t>(40, 0));
}

TEST(Conversions, WideAndLatin1TextsAndDoublesInTheFilesForm) {
  MSWChar wide[8];
  EXPECT_EQ(mdlCnv_convertMultibyteToUnicode("\xe6\xf8\xe5 abcdef", -1, wide, 8), 7) << "cut to fit";
  EXPECT_EQ(wide[0], 0xe6);
  const MSWChar beyond[] = {0x41, 0x20ac, 0xd83d, 0xde00, 0x42, 0};
  char narrow[8];
  EXPECT_EQ(mdlCnv_convertUnicodeToMultibyte(beyond, -1, narrow, 8), 4);
  EXPECT_STREQ(narrow, "A??B") << "a surrogate pair is one character";
  unsigned char stored[8];
  const double value = -0.1;
  mdlCnv_doubleToFileFormat(stored, &value);
  double back = 0;
  mdlCnv_doubleFromFileFormat(&back, stored);
  EXPECT_EQ(back, value);
  EXPECT_EQ(stored[7], 0xbf) << "little-endian: the sign and exponent last";
  EXPECT_EQ(*fc_epsilonP, 1e-6);
}

}  // namespace
}  // namespace pixmend::host
