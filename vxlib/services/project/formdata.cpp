// The title block published to a form: the project record and the current page's record read
// from the design file into the shared blocks, then every value inserted into a form data array
// under its key (the page's own values replacing the project's).
//   vxlibProject_insertProjectData
#include <cstring>
#include <vector>

#include "vxlib/services/project/records.hpp"

namespace pixmend::vxlib::project {
namespace {

constexpr int kString = 3;  // the form's string values

struct Published {
  const char* key;
  int index;
  Field field;
};

void insert(VxlibFormData* form, const unsigned char* record, const Published& p, bool onlyWhenSet) {
  // The field as far as its zero, never beyond its width.
  char text[128] = {};
  std::memcpy(text, record + p.field.offset, p.field.width - 1);
  if (onlyWhenSet && text[0] == '\0') return;
  vxlibMatList_insertValue(form, p.key, kString, p.index, text);
}

std::vector<Published> projectValues() {
  std::vector<Published> v;
  for (int i = 0; i < kCostValues; ++i) v.push_back({"kost", i, costValue(i)});
  v.push_back({"pron", 0, kProjectNumber});
  for (int i = 0; i < kProjectLines; ++i) v.push_back({"pros", i, projectLine(i)});
  v.insert(v.end(), {{"UNav", 0, kProjectU.name}, {"USig", 0, kProjectU.signature}, {"UDat", 0, kProjectU.date},
                     {"SSig", 0, kProjectS.signature}, {"SNav", 0, kProjectS.name}, {"SDat", 0, kProjectS.date},
                     {"RSig", 0, kProjectR.signature}, {"RNav", 0, kProjectR.name}, {"RDat", 0, kProjectR.date}});
  for (int i = 0; i < kDrawingEntries; ++i) v.push_back({"tegn", i, projectDrawing(i)});
  return v;
}

std::vector<Published> pageValues() {
  std::vector<Published> v;
  for (int i = kFirstPageLine; i <= kLastPageLine; ++i) v.push_back({"pros", i, pageLine(i)});
  v.insert(v.end(), {{"UNav", 0, kPageU.name}, {"USig", 0, kPageU.signature}, {"UDat", 0, kPageU.date},
                     {"SSig", 0, kPageS.signature}, {"SNav", 0, kPageS.name}, {"SDat", 0, kPageS.date},
                     {"RSig", 0, kPageR.signature}, {"RNav", 0, kPageR.name}, {"RDat", 0, kPageR.date}});
  for (int i = 0; i < kDrawingEntries; ++i) v.push_back({"tegn", i, pageDrawing(i)});
  for (int i = 0; i < kCopyLines; ++i) v.push_back({"kopo", i, copyLine(i)});
  v.push_back({"revs", 0, kRevision});
  return v;
}

}  // namespace
}  // namespace pixmend::vxlib::project

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::project;

extern "C" int vxlibProject_insertProjectData(VxlibFormData* formData) {
  unsigned char* projectRecord = sharedProject();
  unsigned char* pageRecord = sharedPage();
  GlobalData* block = vxlibMain_getGlobalDataP();
  if (formData == nullptr || projectRecord == nullptr || pageRecord == nullptr || block == nullptr) return VXLIB_ERROR;
  char pageName[sizeof block->currentPageName] = {};
  std::memcpy(pageName, block->currentPageName, sizeof pageName - 1);
  vxlibProject_readProjectInfoFromDesignFile(projectRecord);
  vxlibProject_readPageInfoFromDesignFile(pageRecord, pageName);
  for (const Published& p : projectValues()) insert(formData, projectRecord, p, false);
  if (pageNameOf(pageRecord)[0] == '\0') return VXLIB_SUCCESS;
  for (const Published& p : pageValues()) insert(formData, pageRecord, p, true);
  return VXLIB_SUCCESS;
}
