// User preference files: each application's own resource file of settings, kept in the
// directory of the host's preference file (the one named by MS_USERPREF).
//   vxlibUpf_open / ..._openWithPath / ..._close     the calling application's file
//   vxlibUpf_load / ..._save                         records in it
//   vxlibUpf_getUpfFileName / ..._getHandle / ..._getVxHandle / ..._initialize
//   vxlibUpf_saveFileName                            the remembered-file record of a dialog
//   vxlibUpf_defFileOpen / ..._defFileCreate / ..._defFileListEdit   the host's file dialogs,
//                                                    remembering their choice in that file
//
// A file that can only be read is used read-only: its settings are read, saves are skipped and
// report success. An existing file that cannot be opened at all (damaged, or not a resource
// file) is reported and left alone; the application then runs on its defaults.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/rememberedfile.hpp"
#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

// Paths of preference files: a directory and a name of up to a text's length each.
constexpr std::size_t kPathLength = 2 * remembered::kText;

using Record = std::vector<std::uint8_t>;
static_assert(remembered::kRecordSize == USERPREFS_FILE_RECORD_SIZE, "the host keeps records of this size");

Record readRecord(RscFileHandle prefFile, int dialogId) {
  Record r(remembered::kRecordSize, 0);
  if (prefFile == 0 || mdlUserPrefs_getFileName(r.data(), prefFile, dialogId) != 0)
    std::fill(r.begin(), r.end(), 0);
  return r;
}

GlobalData* block() {
  return vxlibMain_getGlobalDataP();
}

bool writable(const GlobalData* b) {
  return b != nullptr && b->preferenceFileOpen != 0 && b->preferenceFileReadOnly == 0;
}

// Opens `path` as the calling application's preference file (steps 3 to 6 of opening). Returns
// the result of the last attempt.
int openPath(GlobalData* b, VxlibRscFile* copyTarget, const char* path) {
  if (b->preferenceFileOpen != 0) vxlibUpf_close();
  VxlibRscFile& record = b->preferenceFile;
  record.handle = 0;
  int status = VXLIB_ERROR;
  if (std::strlen(path) < sizeof record.fileName &&
      mdlResource_openFile(&record.handle, path, RSC_READWRITE) == 0) {
    std::snprintf(record.fileName, sizeof record.fileName, "%s", path);
    b->preferenceFileOpen = 1;
    b->preferenceFileReadOnly = 0;
    status = VXLIB_SUCCESS;
  } else if (mdlFile_find(nullptr, path, nullptr, nullptr) == 0) {
    // The file is there: read it if it can be read, and never replace it.
    status = vxlibResource_openFile(&record, path, 0);
    if (status == VXLIB_SUCCESS) {
      b->preferenceFileOpen = 1;
      b->preferenceFileReadOnly = 1;
    }
  } else {
    status = vxlibResource_openFile(&record, path, 1);
    if (status == VXLIB_SUCCESS) {
      b->preferenceFileOpen = 1;
      b->preferenceFileReadOnly = 0;
    }
  }
  if (b->preferenceFileOpen == 0) record.handle = 0;
  if (b->preferenceFileOpen != 0 && copyTarget != nullptr) *copyTarget = record;
  return status;
}

// The remembered name of `dialogId`, offered as the default when there is one. (The record
// stays where it is: the host's dialog stores the new choice in it.)
std::string rememberedName(int dialogId) {
  const RscFileHandle handle = vxlibUpf_getHandle();
  if (handle == 0) return "";
  return remembered::getText(readRecord(handle, dialogId).data(), remembered::kCurrentNameAt);
}

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;
namespace remembered = pixmend::remembered;

extern "C" {

void vxlibUpf_open(VxlibRscFile* copyTarget, const char* variableName, const char* defaultFileName) {
  GlobalData* b = block();
  if (b == nullptr) return;
  const char* userPref = mdlSystem_getenv("MS_USERPREF");
  if (userPref == nullptr) {
    toolSubsystem_printf("\"MS_USERPREF\" undefined!\n");
    return;
  }
  char device[MAXDEVICELENGTH] = {};
  char directory[MAXDIRLENGTH] = {};
  mdlFile_parseName(userPref, device, directory, nullptr, nullptr);
  const char* fileName = nullptr;
  if (variableName != nullptr && *variableName != '\0') fileName = mdlSystem_getenv(variableName);
  if (fileName == nullptr) fileName = defaultFileName;
  if (fileName == nullptr || *fileName == '\0') return;
  // Names here have no device part: the directory (with its '/') and the file name.
  char path[kPathLength];
  std::snprintf(path, sizeof path, "%s%s%s", device, directory, fileName);
  openPath(b, copyTarget, path);
}

int vxlibUpf_openWithPath(VxlibRscFile* copyTarget, const char* path) {
  GlobalData* b = block();
  if (b == nullptr || path == nullptr || *path == '\0') return VXLIB_ERROR;
  return openPath(b, copyTarget, path);
}

void vxlibUpf_close(void) {
  GlobalData* b = block();
  if (b == nullptr || b->preferenceFileOpen == 0) return;
  mdlResource_closeFile(b->preferenceFile.handle);
  b->preferenceFileOpen = 0;
  b->preferenceFileReadOnly = 0;
}

int vxlibUpf_load(unsigned int type, int id, void* buffer, unsigned int size) {
  GlobalData* b = block();
  if (b == nullptr || b->preferenceFileOpen == 0) {
    toolSubsystem_printf("User preference file not open!!\n");
    return VXLIB_ERROR;
  }
  return vxlibResource_load(&b->preferenceFile, type, id, buffer, size);
}

int vxlibUpf_save(unsigned int type, int id, const void* buffer, unsigned int size) {
  GlobalData* b = block();
  if (b == nullptr || b->preferenceFileOpen == 0) {
    toolSubsystem_printf("User preference file not open!!\n");
    return VXLIB_ERROR;
  }
  if (b->preferenceFileReadOnly != 0) return VXLIB_SUCCESS;
  return vxlibResource_add(&b->preferenceFile, type, id, buffer, size, nullptr);
}

const char* vxlibUpf_getUpfFileName(void) {
  GlobalData* b = block();
  return b != nullptr && b->preferenceFileOpen != 0 ? b->preferenceFile.fileName : nullptr;
}

RscFileHandle vxlibUpf_getHandle(void) {
  GlobalData* b = block();
  return b != nullptr && b->preferenceFileOpen != 0 ? b->preferenceFile.handle : 0;
}

VxlibRscFile* vxlibUpf_getVxHandle(void) {
  GlobalData* b = block();
  return b != nullptr && b->preferenceFileOpen != 0 ? &b->preferenceFile : nullptr;
}

int vxlibUpf_initialize(VxlibGlobalData* data) {
  if (data == nullptr) return VXLIB_ERROR;
  std::memset(&data->preferenceFile, 0, sizeof data->preferenceFile);
  return VXLIB_SUCCESS;
}

int vxlibUpf_saveFileName(const char* fileName, RscFileHandle preferenceFile, int dialogId) {
  if (fileName == nullptr) return MDLERR_BADARG;
  Record r = readRecord(preferenceFile, dialogId);
  char device[MAXDEVICELENGTH] = {}, directory[MAXDIRLENGTH] = {}, extension[MAXEXTENSIONLENGTH] = {};
  mdlFile_parseName(fileName, device, directory, nullptr, extension);
  const std::string folder = std::string(device) + directory;
  const std::string filter = std::string("*.") + extension;
  remembered::rememberChoice(r.data(), fileName, filter, folder);
  return mdlUserPrefs_saveFileName(r.data(), preferenceFile, dialogId);
}

int vxlibUpf_defFileOpen(char* fileName, const char* suggestedName, const char* filter,
                         const char* defaultDirectory, const char* title, int dialogId) {
  const std::string remembered = rememberedName(dialogId);
  return mdlDialog_defFileOpen(fileName, remembered.empty() ? suggestedName : remembered.c_str(), filter,
                               defaultDirectory, title, vxlibUpf_getHandle(), dialogId);
}

int vxlibUpf_defFileCreate(char* fileName, const char* suggestedName, const char* filter,
                           const char* defaultDirectory, const char* title, int dialogId) {
  const std::string remembered = rememberedName(dialogId);
  return mdlDialog_defFileCreate(fileName, remembered.empty() ? suggestedName : remembered.c_str(), filter,
                                 defaultDirectory, title, vxlibUpf_getHandle(), dialogId);
}

StringList* vxlibUpf_defFileListEdit(int* result, StringList* list, const char* title, char* directory,
                                     const char* filter, int dialogId) {
  const RscFileHandle handle = vxlibUpf_getHandle();
  Record r = readRecord(handle, dialogId);
  char folder[MAXFILELENGTH] = {};
  std::snprintf(folder, sizeof folder, "%s", directory != nullptr ? directory : "");
  std::string chosenFilter = filter != nullptr ? filter : "";
  if (remembered::marked(r.data())) {
    const std::string lastFolder = remembered::getText(r.data(), remembered::kCurrentDirectoryAt);
    const std::string lastFilter = remembered::getText(r.data(), remembered::kCurrentFilterAt);
    if (!lastFolder.empty()) std::snprintf(folder, sizeof folder, "%s", lastFolder.c_str());
    if (!lastFilter.empty()) chosenFilter = lastFilter;
  }
  int answer = ACTIONBUTTON_CANCEL;
  StringList* edited = mdlFileList_edit(&answer, list, title, folder, chosenFilter.c_str());
  if (result != nullptr) *result = answer;
  if (answer == ACTIONBUTTON_OK) {
    if (directory != nullptr) std::snprintf(directory, MAXFILELENGTH, "%s", folder);
    if (handle != 0 && writable(vxlibMain_getGlobalDataP())) {
      remembered::startIfForeign(r.data());
      remembered::putText(r.data(), remembered::kCurrentDirectoryAt, folder);
      remembered::putText(r.data(), remembered::kCurrentFilterAt, chosenFilter);
      remembered::mark(r.data());
      mdlUserPrefs_saveFileName(r.data(), handle, dialogId);
    }
  }
  return edited;
}

}  // extern "C"
