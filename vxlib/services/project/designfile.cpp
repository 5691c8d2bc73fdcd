// Project and page records in the design file: one application data element of type 101 for the
// project, one of type 110 per page (identified by its page name, compared byte for byte).
//   vxlibProject_readProjectInfoFromDesignFile / ..._writeProjectInfoToDesignFile
//   vxlibProject_readPageInfoFromDesignFile / ..._writePageInfoToDesignFile
//   vxlibProject_deletePageInfoFromDesignFile
//
// Elements to delete are gathered during the scan and deleted after it, so the scan never walks
// a model that changes under it. Every deletion is undoable.
#include <cstring>
#include <vector>

#include "vxlib/services/project/records.hpp"

namespace pixmend::vxlib::project {
namespace {

void reportUnknownVersion(int version) { rscMsgBox(kBoxOk, kErrorList, kMsgUnknownVersion, version); }

// ---- The project element ----

struct ProjectScan {
  unsigned char* record;
  std::vector<unsigned int> positions;
};

int visitProject(void* user, int version, MSElement*, unsigned int position, int, char* data, int length) {
  auto* scan = static_cast<ProjectScan*>(user);
  scan->positions.push_back(position);
  if (scan->record == nullptr) return 0;
  const Order order = projectOrder(version);
  if (order.count == 0) {
    reportUnknownVersion(version);
    return 0;
  }
  // Parsed whole before it replaces anything: a damaged element contributes nothing.
  unsigned char parsed[kProjectRecordSize] = {};
  if (parse(data, length, order, parsed)) std::memcpy(scan->record, parsed, kProjectRecordSize);
  return 0;
}

int scanProjects(ProjectScan* scan) {
  return vxlib66Elem_scanDataFromFileExtended(scan, kProjectType, mdlModelRef_getActive(), visitProject, 1);
}

// ---- Page elements ----

enum class PageMode { kRead, kDeleteNamed, kDeleteUnkept, kDeleteAll };

struct PageScan {
  PageMode mode;
  unsigned char* target;      // kRead: the caller's record (its lookup slot holds the name)
  const char* name;           // kDeleteNamed
  const char* const* keep;    // kDeleteUnkept: null-terminated
  unsigned char* parsed;      // a fresh 2115-byte record per element
  std::vector<unsigned int> doomed;
  int visited = 0;
};

bool kept(const char* const* keep, const char* name) {
  for (; *keep != nullptr; ++keep) {
    if (std::strcmp(*keep, name) == 0) return true;
  }
  return false;
}

int visitPage(void* user, int version, MSElement*, unsigned int position, int, char* data, int length) {
  auto* scan = static_cast<PageScan*>(user);
  ++scan->visited;
  if (scan->mode == PageMode::kDeleteAll) {
    scan->doomed.push_back(position);
    return 0;
  }
  const Order order = pageOrder(version);
  if (order.count == 0) {
    reportUnknownVersion(version);
    return 0;
  }
  std::memset(scan->parsed, 0, kPageRecordSize);
  // An element that cannot be read whole has no page name we could trust: it is neither
  // matched nor deleted.
  if (!parse(data, length, order, scan->parsed)) return 0;
  const char* stored = pageNameOf(scan->parsed);
  switch (scan->mode) {
    case PageMode::kRead:
      if (std::strcmp(stored, reinterpret_cast<const char*>(scan->target + kPageLookup.offset)) == 0)
        std::memcpy(scan->target, scan->parsed, kPageRecordSize);
      break;
    case PageMode::kDeleteNamed:
      if (std::strcmp(stored, scan->name) == 0) scan->doomed.push_back(position);
      break;
    case PageMode::kDeleteUnkept:
      if (!kept(scan->keep, stored)) scan->doomed.push_back(position);
      break;
    case PageMode::kDeleteAll:
      break;
  }
  return 0;
}

// Scans the page elements of the active model; false when the temporary record could not be had.
bool scanPages(PageScan* scan) {
  scan->parsed = static_cast<unsigned char*>(vxlibMem_mallocRscErrorPrintf(kPageRecordSize, kErrorList, kMsgOutOfMemory));
  if (scan->parsed == nullptr) return false;
  vxlib66Elem_scanDataFromFileExtended(scan, kPageType, mdlModelRef_getActive(), visitPage, 1);
  dlmSystem_mdlFree(scan->parsed);
  scan->parsed = nullptr;
  return true;
}

void deleteAll(const std::vector<unsigned int>& positions) {
  for (unsigned int position : positions) mdlElement_undoableDelete(nullptr, position, 0);
}

// Adds the stored form of a record; the messages of a failed or a good write.
int addStored(int type, const char* buffer, int length, int statusMessage) {
  if (vxlib66Elem_saveDataToFile(type, kWrittenVersion, buffer, length, nullptr) != VXLIB_SUCCESS) {
    rscMsgBox(kBoxOk, kErrorList, kMsgAddFailed);
    return VXLIB_ERROR;
  }
  mdlOutput_rscPrintf(MSG_ERROR, 0, kStatusList, statusMessage);
  return VXLIB_SUCCESS;
}

}  // namespace
}  // namespace pixmend::vxlib::project

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::project;

extern "C" {

int vxlibProject_readProjectInfoFromDesignFile(void* projectRecord) {
  if (projectRecord == nullptr) return 0;
  std::memset(projectRecord, 0, kProjectRecordSize);
  ProjectScan scan{static_cast<unsigned char*>(projectRecord), {}};
  return scanProjects(&scan);
}

int vxlibProject_writeProjectInfoToDesignFile(const void* projectRecord) {
  if (projectRecord == nullptr) return VXLIB_ERROR;
  ProjectScan scan{nullptr, {}};
  scanProjects(&scan);
  deleteAll(scan.positions);
  char buffer[kMaxStoredProject] = {};
  const int length = serialise(static_cast<const unsigned char*>(projectRecord), projectOrder(kWrittenVersion), buffer);
  return addStored(kProjectType, buffer, length, kStatusProjectWritten);
}

int vxlibProject_readPageInfoFromDesignFile(void* pageRecord, const char* pageName) {
  if (pageRecord == nullptr) return 0;
  auto* record = static_cast<unsigned char*>(pageRecord);
  std::memset(record, 0, kPageRecordSize);
  if (pageName != nullptr) {
    std::strncpy(reinterpret_cast<char*>(record + kPageLookup.offset), pageName, kPageLookup.width - 1);
  }
  PageScan scan{PageMode::kRead, record, nullptr, nullptr, nullptr, {}, 0};
  if (!scanPages(&scan)) return 0;
  if (scan.visited > 0) mdlOutput_rscPrintf(MSG_ERROR, 0, kStatusList, kStatusPagesFound);
  return scan.visited;
}

int vxlibProject_writePageInfoToDesignFile(const void* pageRecord) {
  if (pageRecord == nullptr) return VXLIB_ERROR;
  const auto* record = static_cast<const unsigned char*>(pageRecord);
  // The name as it will be stored (cut to its field), so the old element of this page is found.
  char name[kPageName.width] = {};
  std::memcpy(name, record + kPageName.offset, kPageName.width - 1);
  PageScan scan{PageMode::kDeleteNamed, nullptr, name, nullptr, nullptr, {}, 0};
  if (!scanPages(&scan)) return VXLIB_ERROR;
  deleteAll(scan.doomed);
  char buffer[kMaxStoredPage] = {};
  const int length = serialise(record, pageOrder(kWrittenVersion), buffer);
  return addStored(kPageType, buffer, length, kStatusPageWritten);
}

int vxlibProject_deletePageInfoFromDesignFile(const char* pageName, const char* const* keepList) {
  PageScan scan{PageMode::kDeleteAll, nullptr, pageName, keepList, nullptr, {}, 0};
  if (keepList != nullptr) {
    scan.mode = PageMode::kDeleteUnkept;
  } else if (pageName != nullptr) {
    scan.mode = PageMode::kDeleteNamed;
  }
  if (!scanPages(&scan)) return 0;
  deleteAll(scan.doomed);
  return scan.visited;
}

}  // extern "C"
