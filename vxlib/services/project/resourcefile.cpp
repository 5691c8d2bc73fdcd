// The project record exchanged through a resource file: resource 'CmPr' identifier 3 holds the
// 1603 bytes of the record as they stand in memory, in a file described "Prosjekt info".
#include <cstdio>
#include <cstring>

#include "vxlib/services/project/records.hpp"

namespace pixmend::vxlib::project {
namespace {

constexpr int kRememberedSlot = -20001;
constexpr int kImportTitle = 54, kExportTitle = 55;  // list 20007
constexpr int kBoxWarning = 66;     // kind 2, first button 64
constexpr int kBoxOverwrite = 296;  // kind 8, first button 32, second 256
constexpr int kAnswerNo = 4;
constexpr const char* kDescription = "Prosjekt info";

}  // namespace

bool importProjectRecord(unsigned char* record) {
  if (record == nullptr) return false;
  char name[MAXFILELENGTH] = {};
  if (vxlibUpf_defFileOpen(name, "", "*.rsc", "", languageText(kImportTitle), kRememberedSlot) != 0) return false;
  RscFileHandle handle = 0;
  if (mdlResource_openFile(&handle, name, RSC_READONLY) != 0) {
    rscMsgBox(kBoxOk, kErrorList, kMsgCannotCreate, name);
    return false;
  }
  bool replaced = false;
  void* stored = mdlResource_load(handle, kProjectResourceType, kProjectResourceId);
  // A resource of another size is no project record: copying 1603 bytes out of it would read
  // past its end, or take a part of something else.
  if (stored != nullptr && mdlResource_size(stored) == kProjectRecordSize) {
    std::memcpy(record, stored, kProjectRecordSize);
    terminateProjectFields(record);
    replaced = true;
  } else {
    rscMsgBox(kBoxWarning, kErrorList, kMsgNoProjectResource, name);
  }
  if (stored != nullptr) mdlResource_free(stored);
  mdlResource_closeFile(handle);
  return replaced;
}

bool exportProjectRecord(const unsigned char* record) {
  if (record == nullptr) return false;
  char name[MAXFILELENGTH] = {};
  if (vxlibUpf_defFileCreate(name, "", "*.rsc", "", languageText(kExportTitle), kRememberedSlot) != 0) return false;
  if (mdlFile_find(nullptr, name, nullptr, nullptr) == 0 &&
      rscMsgBox(kBoxOverwrite, kErrorList, kMsgOverwrite, name) == kAnswerNo) {
    return false;
  }
  VxlibRscFile file{};
  std::snprintf(file.fileName, sizeof file.fileName, "%s", name);
  if (mdlResource_createFile(name, kDescription, 0) != 0 ||
      mdlResource_openFile(&file.handle, name, RSC_READWRITE) != 0) {
    rscMsgBox(kBoxOk, kErrorList, kMsgCannotCreate, name);
    return false;
  }
  // vxlibResource_add reports a failed write itself (read-only file, or another failure). The
  // file is closed either way: a handle left open would hold the file for the whole session.
  const bool written = vxlibResource_add(&file, kProjectResourceType, kProjectResourceId, record,
                                         static_cast<unsigned int>(kProjectRecordSize), nullptr) == VXLIB_SUCCESS;
  mdlResource_closeFile(file.handle);
  return written;
}

}  // namespace pixmend::vxlib::project
