// Work files: design files opened beside the active one (see api.h), kept as host records so a
// model reference handed out is always checked before it is used.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "host/design/api.h"
#include "host/design/design.hpp"
#include "host/lifecycle.hpp"
#include "host/system/registry.hpp"

struct DgnFileObj {
  std::string path;
};

namespace pixmend::host {
namespace {

struct WorkFile {
  DgnModelRef model;
  DgnFileObj file;
  bool readOnly = false;
  Application* owner = nullptr;
};

std::vector<std::unique_ptr<WorkFile>>& workFiles() {
  static std::vector<std::unique_ptr<WorkFile>> list;
  return list;
}

WorkFile* findWorkFile(const DgnModelRef* model) {
  for (const auto& w : workFiles()) {
    if (&w->model == model) return w.get();
  }
  return nullptr;
}

// Can the file be written? Permission bits alone do not stop root, so both the bits and an
// actual open for writing (which a read-only file system or an immutable file refuses) count.
bool writable(const std::string& path, const struct stat& st) {
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

const bool registeredReset = registerReset("design.workfiles", [] { workFiles().clear(); });
const bool registeredUnload = registerUnloadHook("design.workfiles", [](Application* app) {
  auto& list = workFiles();
  list.erase(std::remove_if(list.begin(), list.end(), [&](const auto& w) { return w->owner == app; }), list.end());
});

}  // namespace

const std::string* workFilePath(const DgnModelRef* model) {
  const WorkFile* w = findWorkFile(model);
  return w != nullptr ? &w->file.path : nullptr;
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlWorkDgn_openFile(DgnModelRefP* modelRefP, DgnFileObjP* fileP, const char* fileName, const char* modelName,
                        int* formatP, int readOnly) {
  (void)modelName;
  if (modelRefP != nullptr) *modelRefP = nullptr;
  if (fileP != nullptr) *fileP = nullptr;
  if (formatP != nullptr) *formatP = 0;
  if (fileName == nullptr || *fileName == '\0') return MDLERR_BADARG;
  struct stat st {};
  if (::stat(fileName, &st) != 0) return MDLERR_FILENOTFOUND;
  if (!S_ISREG(st.st_mode)) return MDLERR_CANNOTOPENFILE;
  const int fd = ::open(fileName, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return MDLERR_CANNOTOPENFILE;
  ::close(fd);
  auto work = std::make_unique<WorkFile>();
  work->model.modelId = -1;  // not the active model
  work->file.path = fileName;
  work->readOnly = readOnly != 0 || !writable(fileName, st);
  work->owner = currentApplication();
  if (modelRefP != nullptr) *modelRefP = &work->model;
  if (fileP != nullptr) *fileP = &work->file;
  workFiles().push_back(std::move(work));
  return SUCCESS;
}

int mdlWorkDgn_closeFile(DgnModelRefP modelRef) {
  WorkFile* w = findWorkFile(modelRef);
  if (w == nullptr) return MDLERR_BADARG;
  auto& list = workFiles();
  list.erase(std::remove_if(list.begin(), list.end(), [&](const auto& x) { return x.get() == w; }), list.end());
  return SUCCESS;
}

int mdlModelRef_isReadOnly(DgnModelRefP modelRef) {
  if (modelRef == nullptr || modelRef == mdlModelRef_getActive()) return designReadOnly() ? 1 : 0;
  if (isReference(modelRef)) return 1;  // references are opened read-only
  const WorkFile* w = findWorkFile(modelRef);
  return w == nullptr || w->readOnly ? 1 : 0;
}

}  // extern "C"
