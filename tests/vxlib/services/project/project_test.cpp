// Project and page records in the design file as the title blocks use them: what a read leaves
// behind when nothing matches, the stored forms of older versions and damaged elements, page
// identity by exact name, and the three ways of deleting pages.
#include <cstring>
#include <string>
#include <vector>

#include "host/design/design.hpp"
#include "vxlib/core/vxlib_fixture.hpp"
#include "vxlib/services/project/records.hpp"

namespace pixmend::vxlib {
namespace {

using namespace project;
using Record = std::vector<unsigned char>;

void put(Record& r, Field f, const std::string& text) {
  std::memset(r.data() + f.offset, 0, f.width);
  std::memcpy(r.data() + f.offset, text.data(), std::min(text.size(), f.width));
}
std::string get(const Record& r, Field f) {
  return std::string(reinterpret_cast<const char*>(r.data() + f.offset), strnlen(reinterpret_cast<const char*>(r.data() + f.offset), f.width));
}
Record page(const std::string& name, const std::string& line1 = "") {
  Record r(kPageRecordSize, 0);
  put(r, kPageName, name);
  put(r, pageLine(1), line1);
  return r;
}
// Stored data: the strings with their zeros.
std::string strings(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += p + std::string(1, '\0');
  return out;
}

class Project : public VxlibTest {
 protected:
  void SetUp() override {
    VxlibTest::SetUp();
    app_ = startApp("Proj");
    scope_ = std::make_unique<host::AppScope>(app_);
    std::string error;
    ASSERT_TRUE(host::createDesign(path("plan.dgn"), &error)) << error;
  }
  void TearDown() override {
    scope_.reset();
    VxlibTest::TearDown();
  }
  static int count(int type) {
    return vxlib66Elem_scanDataFromFileExtended(nullptr, type, mdlModelRef_getActive(), nullptr, 1);
  }
  static std::vector<std::string> storedPages() {
    std::vector<std::string> names;
    vxlib66Elem_scanDataFromFileExtended(&names, kPageType, mdlModelRef_getActive(),
                                         [](void* u, int, MSElement*, unsigned, int, char* data, int) {
                                           static_cast<std::vector<std::string>*>(u)->push_back(data);
                                           return 0;
                                         }, 1);
    return names;
  }
  host::Application* app_ = nullptr;
  std::unique_ptr<host::AppScope> scope_;
};

TEST_F(Project, EveryFieldAtItsFullWidthComesBackAndTwoWritesLeaveOneElement) {
  Record none(kProjectRecordSize, 0x55);
  EXPECT_EQ(vxlibProject_readProjectInfoFromDesignFile(none.data()), 0);
  EXPECT_EQ(none, Record(kProjectRecordSize, 0)) << "nothing stored: the record is cleared";

  // Each field filled to its width less the zero with a letter of its own; one field with no
  // zero at all (a record scribbled on) is written cut to its width.
  Record written(kProjectRecordSize, 0);
  const Order order = projectOrder(kWrittenVersion);
  for (int i = 0; i < order.count; ++i) {
    const Field f = order.fields[i].field;
    put(written, f, std::string(f.width - 1, static_cast<char>('A' + i % 26)));
  }
  std::memset(written.data() + kProjectNumber.offset, 'Z', kProjectNumber.width);
  put(written, kProjectU.date, "");
  ASSERT_EQ(vxlibProject_writeProjectInfoToDesignFile(written.data()), VXLIB_SUCCESS);
  put(written, kProjectU.date, "2026-12-07");
  ASSERT_EQ(vxlibProject_writeProjectInfoToDesignFile(written.data()), VXLIB_SUCCESS);
  EXPECT_EQ(count(kProjectType), 1);

  Record read(kProjectRecordSize, 0);
  EXPECT_EQ(vxlibProject_readProjectInfoFromDesignFile(read.data()), 1);
  written[kProjectNumber.offset + kProjectNumber.width - 1] = 0;
  EXPECT_EQ(get(read, kProjectNumber), std::string(30, 'Z'));
  EXPECT_EQ(read, written);
}

TEST_F(Project, OlderVersionsAreReadAndUnknownOrDamagedElementsContributeNothing) {
  // Version 1: each name is followed by a string that is dropped.
  std::vector<std::string> v1{"P-17", "line 0", "", "", "", "", "k0", "", "", "", "k4",
                              "usig", "udat", "rsig", "rdat", "ssig", "sdat"};
  for (int i = 0; i < 10; ++i) v1.push_back("t" + std::to_string(i));
  for (const char* n : {"Ursula", "Rolf", "Siri"}) {
    v1.push_back(n);
    v1.push_back("dropped");
  }
  const std::string data = strings(v1);
  ASSERT_EQ(vxlib66Elem_saveDataToFile(kProjectType, 1, data.data(), static_cast<int>(data.size()), nullptr), 0);
  // Version 4 and a version 3 element whose last string runs off the end of its data.
  ASSERT_EQ(vxlib66Elem_saveDataToFile(kProjectType, 4, "X\0", 2, nullptr), 0);
  ASSERT_EQ(vxlib66Elem_saveDataToFile(kProjectType, 3, "Q-1\0ab", 6, nullptr), 0);

  Record r(kProjectRecordSize, 0);
  host::queueAnswer("ok");
  EXPECT_EQ(vxlibProject_readProjectInfoFromDesignFile(r.data()), 3);
  EXPECT_NE(std::string(boxState().text).find("version 4"), std::string::npos) << boxState().text;
  EXPECT_EQ(get(r, kProjectNumber), "P-17") << "neither the unknown nor the damaged element replaced it";
  EXPECT_EQ(get(r, costValue(4)), "k4");
  EXPECT_EQ(get(r, kProjectS.date), "sdat");
  EXPECT_EQ(get(r, projectDrawing(9)), "t9");
  EXPECT_EQ(get(r, kProjectU.name), "Ursula");
  EXPECT_EQ(get(r, kProjectR.name), "Rolf");
  EXPECT_EQ(get(r, kProjectS.name), "Siri");
}

TEST_F(Project, AStoredStringLongerThanItsFieldIsCutToFit) {
  std::vector<std::string> v2(30, "");
  v2[0] = std::string(200, 'N');  // the project number holds 30 characters
  v2[29] = "Siri";
  const std::string data = strings(v2);
  ASSERT_EQ(vxlib66Elem_saveDataToFile(kProjectType, 2, data.data(), static_cast<int>(data.size()), nullptr), 0);
  Record r(kProjectRecordSize, 0);
  EXPECT_EQ(vxlibProject_readProjectInfoFromDesignFile(r.data()), 1);
  EXPECT_EQ(get(r, kProjectNumber), std::string(30, 'N'));
  EXPECT_EQ(r[kProjectNumber.offset + 30], 0);
  EXPECT_EQ(get(r, projectLine(0)), "") << "the next field is untouched by the long one";
  EXPECT_EQ(get(r, kProjectS.name), "Siri");
}

TEST_F(Project, APageIsFoundByItsExactNameOnly) {
  Record b = page("B", "page B line");
  b.back() = 0;
  put(b, copyLine(19), "copy 19");
  put(b, kRevision, "rev C");
  ASSERT_EQ(vxlibProject_writePageInfoToDesignFile(b.data()), VXLIB_SUCCESS);
  ASSERT_EQ(vxlibProject_writePageInfoToDesignFile(page("b", "lower case").data()), VXLIB_SUCCESS);

  Record r(kPageRecordSize, 0x55);
  const std::size_t from = mark();
  EXPECT_EQ(vxlibProject_readPageInfoFromDesignFile(r.data(), "A"), 2);
  Record expected(kPageRecordSize, 0);
  put(expected, kPageLookup, "A");
  EXPECT_EQ(r, expected) << "no page A: zero apart from the lookup slot";
  EXPECT_EQ(texts("error", from), std::vector<std::string>{"Page information read from the design file."});

  EXPECT_EQ(vxlibProject_readPageInfoFromDesignFile(r.data(), "B"), 2);
  EXPECT_EQ(get(r, pageLine(1)), "page B line");
  EXPECT_EQ(get(r, copyLine(19)), "copy 19");
  EXPECT_EQ(get(r, kRevision), "rev C");
  EXPECT_EQ(get(r, kPageLookup), "") << "the stored record is copied whole";
  vxlibProject_readPageInfoFromDesignFile(r.data(), "b");
  EXPECT_EQ(get(r, pageLine(1)), "lower case");

  // A second write of B replaces B and leaves b.
  ASSERT_EQ(vxlibProject_writePageInfoToDesignFile(page("B", "again").data()), VXLIB_SUCCESS);
  EXPECT_EQ(storedPages(), (std::vector<std::string>{"b", "B"}));
}

TEST_F(Project, AVersion2PageHasNoCopyLinesAndVersion1IsNotRead) {
  std::vector<std::string> v2(1 + 4 + 6 + 10 + 3, "");
  v2[0] = "P1";
  v2[1] = "first";
  v2[23] = "Siri";
  const std::string data = strings(v2);
  ASSERT_EQ(vxlib66Elem_saveDataToFile(kPageType, 2, data.data(), static_cast<int>(data.size()), nullptr), 0);
  ASSERT_EQ(vxlib66Elem_saveDataToFile(kPageType, 1, "P1\0old\0", 8, nullptr), 0);
  Record r(kPageRecordSize, 0);
  host::queueAnswer("ok");
  EXPECT_EQ(vxlibProject_readPageInfoFromDesignFile(r.data(), "P1"), 2);
  EXPECT_EQ(get(r, pageLine(1)), "first");
  EXPECT_EQ(get(r, kPageS.name), "Siri");
  EXPECT_EQ(get(r, copyLine(0)), "");
}

TEST_F(Project, PagesAreDeletedByKeepListByNameOrAllAndAnUndoBringsTheLastBack) {
  for (const char* n : {"1", "2", "3", "2"}) ASSERT_EQ(vxlibProject_writePageInfoToDesignFile(page(n).data()), 0);
  EXPECT_EQ(storedPages(), (std::vector<std::string>{"1", "3", "2"}));

  const char* everyPage[] = {"3", "2", "1", nullptr};
  EXPECT_EQ(vxlibProject_deletePageInfoFromDesignFile("2", everyPage), 3);
  EXPECT_EQ(storedPages().size(), 3u) << "every name kept: nothing deleted, whatever the page name";

  const char* onlyTwo[] = {"2", nullptr};
  EXPECT_EQ(vxlibProject_deletePageInfoFromDesignFile("2", onlyTwo), 3);
  EXPECT_EQ(storedPages(), std::vector<std::string>{"2"});
  ASSERT_TRUE(host::undoLastDeletion()) << "the host's undo";
  EXPECT_EQ(storedPages(), (std::vector<std::string>{"3", "2"}));

  EXPECT_EQ(vxlibProject_deletePageInfoFromDesignFile("2", nullptr), 2);
  EXPECT_EQ(storedPages(), std::vector<std::string>{"3"});
  const char* none[] = {nullptr};
  EXPECT_EQ(vxlibProject_deletePageInfoFromDesignFile(nullptr, none), 1);
  EXPECT_TRUE(storedPages().empty()) << "an empty keep list keeps nothing";

  ASSERT_EQ(vxlibProject_writePageInfoToDesignFile(page("x").data()), 0);
  ASSERT_EQ(vxlib66Elem_saveDataToFile(kPageType, 9, "?", 1, nullptr), 0);
  EXPECT_EQ(vxlibProject_deletePageInfoFromDesignFile(nullptr, nullptr), 2);
  EXPECT_EQ(count(kPageType), 0) << "neither name nor list: every page element goes, readable or not";
}

}  // namespace
}  // namespace pixmend::vxlib

namespace pixmend::vxlib {
namespace {

using namespace project;

class ProjectForm : public Project {
 protected:
  std::string expand(const char* text) {
    char out[1024];
    vxlibMatList_generateFormatedText(text, form_, out, nullptr, 0, 0, 1);
    return out;
  }
  void SetUp() override {
    Project::SetUp();
    form_ = vxlibMatList_createFormDataArray(4, 20);
    Record p(kProjectRecordSize, 0);
    put(p, kProjectNumber, "P-9");
    for (int i = 0; i < kProjectLines; ++i) put(p, projectLine(i), "project line " + std::to_string(i));
    put(p, kProjectU.name, "Ursula");
    put(p, costValue(4), "k4");
    ASSERT_EQ(vxlibProject_writeProjectInfoToDesignFile(p.data()), 0);
    Record a = page("A", "page line 1");
    put(a, kPageU.name, "Anne");
    put(a, copyLine(19), "to the archive");
    ASSERT_EQ(vxlibProject_writePageInfoToDesignFile(a.data()), 0);
  }
  void TearDown() override {
    form_ = vxlibMatList_destroyFormDataArray(form_);
    Project::TearDown();
  }
  VxlibFormData* form_ = nullptr;
};

TEST_F(ProjectForm, WithoutAPageNameTheProjectsValuesStandEvenWhenPagesAreStored) {
  ASSERT_EQ(vxlibProject_insertProjectData(form_), 0);
  EXPECT_EQ(expand("%1%pron|%2%pros|%5%pros|%1%UNav|%5%kost|%20%kopo"), "P-9|project line 1|project line 4|Ursula|k4|");
  EXPECT_EQ(get(Record(sharedProject(), sharedProject() + kProjectRecordSize), kProjectNumber), "P-9")
      << "the shared record was read";
}

TEST_F(ProjectForm, ThePagesNonEmptyValuesReplaceTheProjects) {
  std::snprintf(vxlibMain_getGlobalDataP()->currentPageName, 81, "%s", "A");
  ASSERT_EQ(vxlibProject_insertProjectData(form_), 0);
  EXPECT_EQ(expand("%1%pron|%1%pros|%2%pros|%3%pros|%1%UNav|%20%kopo"),
            "P-9|project line 0|page line 1|project line 2|Anne|to the archive")
      << "an empty page line keeps the project's";
  std::snprintf(vxlibMain_getGlobalDataP()->currentPageName, 81, "%s", "a");
  vxlibMatList_destroyFormDataArray(form_);
  form_ = vxlibMatList_createFormDataArray(4, 20);
  ASSERT_EQ(vxlibProject_insertProjectData(form_), 0);
  EXPECT_EQ(expand("%2%pros"), "project line 1") << "page a is not page A";
}

}  // namespace
}  // namespace pixmend::vxlib
