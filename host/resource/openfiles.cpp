// The table of open resource files and the mdlResource_... calls built on it.
//
// Every open handle refers to one in-memory copy of its file, shared by all handles of the same
// path, so two handles never see different contents. Changes are applied to a copy of the file's
// content, written atomically, and only then become the shared content: a failed write changes
// neither the file nor what the host reads from it.
#include "host/resource/openfiles.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "host/files/files.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/resource/rscfile.hpp"
#include "host/system/application.hpp"
#include "host/system/registry.hpp"

namespace pixmend::host {
namespace {

struct SharedFile {
  std::string path;
  ResourceData data;
};

struct OpenFile {
  std::string path;
  bool writable = false;
  Application* owner = nullptr;
  std::shared_ptr<SharedFile> file;
};

struct Loaded {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::size_t size = 0;
  RscFileHandle handle = 0;  // the open file it came from; 0 for an application's own file
  ResourceType type = 0;
  ResourceId id = 0;
};

struct State {
  RscFileHandle nextHandle = 1;
  std::map<RscFileHandle, OpenFile> open;                      // in opening order (handles grow)
  std::map<std::string, std::weak_ptr<SharedFile>> byPath;     // shared contents
  std::map<std::string, std::shared_ptr<SharedFile>> ownFiles; // applications' own files, read-only
  std::map<const void*, Loaded> loaded;
};

State& state() {
  static State s;
  return s;
}

void note(const std::string& text) { journal().append("resource", text); }

std::string canonical(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
  return path;
}

// The shared content of `path`, read from disk when no handle has it yet.
std::shared_ptr<SharedFile> sharedFor(const std::string& path, int* status) {
  const std::string key = canonical(path);
  auto& byPath = state().byPath;
  if (auto it = byPath.find(key); it != byPath.end()) {
    if (auto file = it->second.lock()) return file;
  }
  auto file = std::make_shared<SharedFile>();
  file->path = key;
  std::string error;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    *status = RSC_ERR_FILE_NOT_FOUND;
    return nullptr;
  }
  // A write of this file killed part-way left its temporary beside it: it goes now.
  removeStaleTemporaries(path);
  if (!readResourceFile(path, &file->data, &error)) {
    note("cannot open " + error);
    *status = RSC_ERR_NOT_RESOURCE_FILE;
    return nullptr;
  }
  byPath[key] = file;
  return file;
}

std::shared_ptr<SharedFile> ownFileOf(Application* app) {
  if (app == nullptr) return nullptr;
  const std::string& path = applicationResourcePath(app);
  if (path.empty()) return nullptr;
  auto& own = state().ownFiles;
  if (auto it = own.find(path); it != own.end()) return it->second;
  int status = 0;
  auto file = sharedFor(path, &status);
  own[path] = file;  // remembered even when missing, so a missing file is reported once
  return file;
}

OpenFile* findOpen(RscFileHandle handle) {
  auto it = state().open.find(handle);
  return it == state().open.end() ? nullptr : &it->second;
}

// Applies `change` to a copy of the file's content, writes it, then makes it the content.
template <typename Change>
int rewrite(OpenFile& of, const std::string& what, Change change) {
  if (!of.writable) return RSC_ERR_READ_ONLY;
  if (resourceFileIsReadOnly(of.path)) return RSC_ERR_READ_ONLY;
  ResourceData next = of.file->data;
  const int status = change(next);
  if (status != RSC_SUCCESS) return status;
  std::string error;
  if (!writeResourceFile(of.path, next, &error)) {
    note(error);
    return RSC_ERR_WRITE_FAILED;
  }
  of.file->data = std::move(next);
  note("wrote " + of.path + " (" + what + ")");
  return RSC_SUCCESS;
}

std::string describe(ResourceType type, ResourceId id, std::size_t size) {
  return typeName(type) + " " + std::to_string(id) + ", " + std::to_string(size) + " bytes";
}

const bool registered = registerReset("resource", [] {
  State& s = state();
  s.open.clear();
  s.byPath.clear();
  s.ownFiles.clear();
  s.loaded.clear();
  s.nextHandle = 1;
  setResourceWriteFaultForTesting(false);
});

// An unloaded application's files are closed; its own file is read again if it comes back.
const bool registeredUnload = registerUnloadHook("resource", [](Application* app) {
  State& s = state();
  for (auto it = s.open.begin(); it != s.open.end();) {
    it = it->second.owner == app ? s.open.erase(it) : std::next(it);
  }
  s.ownFiles.erase(applicationResourcePath(app));
});

}  // namespace

std::optional<std::vector<std::uint8_t>> loadAppResource(Application* app, ResourceType type, ResourceId id) {
  const auto key = std::make_pair(type, id);
  if (auto own = ownFileOf(app)) {
    if (auto it = own->data.resources.find(key); it != own->data.resources.end()) return it->second;
  }
  for (auto& [handle, of] : state().open) {
    if (of.owner != app) continue;
    if (auto it = of.file->data.resources.find(key); it != of.file->data.resources.end()) return it->second;
  }
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> loadResource(RscFileHandle handle, ResourceType type, ResourceId id) {
  if (handle == 0) return loadAppResource(currentApplication(), type, id);
  OpenFile* of = findOpen(handle);
  if (of == nullptr) return std::nullopt;
  auto it = of->file->data.resources.find({type, id});
  if (it == of->file->data.resources.end()) return std::nullopt;
  return it->second;
}

int storeResource(RscFileHandle handle, ResourceType type, ResourceId id, const std::vector<std::uint8_t>& bytes,
                  bool replace) {
  if (bytes.size() > kMaxResourceBytes) return RSC_ERR_BAD_ARGUMENT;
  OpenFile* target = nullptr;
  if (handle == 0) {
    Application* app = currentApplication();
    for (auto& [h, of] : state().open) {
      if (of.owner == app && of.writable) target = &of;  // the last one opened wins
    }
    if (target == nullptr) return RSC_ERR_READ_ONLY;
  } else {
    target = findOpen(handle);
    if (target == nullptr) return RSC_ERR_BAD_HANDLE;
  }
  return rewrite(*target, (replace ? "write " : "add ") + describe(type, id, bytes.size()), [&](ResourceData& data) {
    const auto key = std::make_pair(type, id);
    if (!replace && data.resources.count(key) != 0) return RSC_ERR_EXISTS;
    data.resources[key] = bytes;
    return RSC_SUCCESS;
  });
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlResource_openFile(RscFileHandle* handleP, const char* fileName, int mode) {
  if (handleP == nullptr) return RSC_ERR_BAD_ARGUMENT;
  *handleP = 0;
  if (mode != RSC_READONLY && mode != RSC_READWRITE) return RSC_ERR_BAD_ARGUMENT;
  Application* app = currentApplication();
  std::string path;
  if (fileName == nullptr) {
    if (app == nullptr || applicationResourcePath(app).empty()) return RSC_ERR_FILE_NOT_FOUND;
    path = applicationResourcePath(app);
  } else {
    path = fileName;
  }
  if (path.empty()) return RSC_ERR_BAD_ARGUMENT;
  int status = RSC_SUCCESS;
  auto file = sharedFor(path, &status);
  if (!file) return status;
  if (mode == RSC_READWRITE && resourceFileIsReadOnly(path)) {
    note("cannot open " + path + " for writing: the file is read-only");
    return RSC_ERR_READ_ONLY;
  }
  State& s = state();
  const RscFileHandle handle = s.nextHandle++;
  s.open[handle] = OpenFile{path, mode == RSC_READWRITE, app, std::move(file)};
  *handleP = handle;
  return RSC_SUCCESS;
}

int mdlResource_createFile(const char* fileName, const char* description, int /*flags*/) {
  if (fileName == nullptr || *fileName == '\0') return RSC_ERR_BAD_ARGUMENT;
  const std::string path = fileName;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    // Replacing is fine for one of our resource files; anything else is somebody's data.
    ResourceData existing;
    std::string error;
    if (!S_ISREG(st.st_mode) || !readResourceFile(path, &existing, &error)) {
      note("will not replace " + path + ": it is not a resource file");
      return RSC_ERR_NOT_RESOURCE_FILE;
    }
    if (resourceFileIsReadOnly(path)) return RSC_ERR_READ_ONLY;
  }
  ResourceData data;
  data.description = description != nullptr ? description : "";
  std::string error;
  if (!writeResourceFile(path, data, &error)) {
    note(error);
    return RSC_ERR_WRITE_FAILED;
  }
  // Handles still open on a replaced file now see the new, empty content.
  if (auto it = state().byPath.find(canonical(path)); it != state().byPath.end()) {
    if (auto shared = it->second.lock()) shared->data = data;
  }
  note("created " + path);
  return RSC_SUCCESS;
}

int mdlResource_closeFile(RscFileHandle handle) {
  return state().open.erase(handle) == 1 ? RSC_SUCCESS : RSC_ERR_BAD_HANDLE;
}

void* mdlResource_load(RscFileHandle handle, unsigned int type, int id) {
  RscFileHandle source = handle;
  std::optional<std::vector<std::uint8_t>> bytes;
  if (handle == 0) {
    // Remember which open file answered, so that mdlResource_write can go back to it.
    Application* app = currentApplication();
    const auto key = std::make_pair(static_cast<ResourceType>(type), static_cast<ResourceId>(id));
    if (auto own = ownFileOf(app)) {
      if (auto it = own->data.resources.find(key); it != own->data.resources.end()) bytes = it->second;
    }
    for (auto it = state().open.begin(); !bytes && it != state().open.end(); ++it) {
      if (it->second.owner != app) continue;
      if (auto r = it->second.file->data.resources.find(key); r != it->second.file->data.resources.end()) {
        bytes = r->second;
        source = it->first;
      }
    }
  } else {
    bytes = loadResource(handle, type, id);
  }
  if (!bytes) return nullptr;
  Loaded entry;
  entry.size = bytes->size();
  entry.bytes = std::make_unique<std::uint8_t[]>(entry.size == 0 ? 1 : entry.size);
  if (entry.size != 0) std::memcpy(entry.bytes.get(), bytes->data(), entry.size);
  entry.handle = source;
  entry.type = type;
  entry.id = id;
  void* pointer = entry.bytes.get();
  state().loaded[pointer] = std::move(entry);
  return pointer;
}

int mdlResource_free(void* resource) {
  return state().loaded.erase(resource) == 1 ? RSC_SUCCESS : RSC_ERR_BAD_ARGUMENT;
}

unsigned int mdlResource_size(const void* resource) {
  auto it = state().loaded.find(resource);
  return it == state().loaded.end() ? 0u : static_cast<unsigned int>(it->second.size);
}

int mdlResource_write(void* resource) {
  auto it = state().loaded.find(resource);
  if (it == state().loaded.end()) return RSC_ERR_BAD_ARGUMENT;
  const Loaded& entry = it->second;
  if (entry.handle == 0) return RSC_ERR_READ_ONLY;  // an application's own file is not written
  if (findOpen(entry.handle) == nullptr) return RSC_ERR_BAD_HANDLE;
  std::vector<std::uint8_t> bytes(entry.bytes.get(), entry.bytes.get() + entry.size);
  return storeResource(entry.handle, entry.type, entry.id, bytes, true);
}

int mdlResource_add(RscFileHandle handle, unsigned int type, int id, const void* data, unsigned int size,
                    const char* /*alias*/) {
  if (data == nullptr && size != 0) return RSC_ERR_BAD_ARGUMENT;
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::vector<std::uint8_t> bytes;
  if (size != 0) bytes.assign(p, p + size);
  return storeResource(handle, type, id, bytes, false);
}

int mdlResource_delete(RscFileHandle handle, unsigned int type, int id) {
  OpenFile* of = findOpen(handle);
  if (of == nullptr) return RSC_ERR_BAD_HANDLE;
  return rewrite(*of, "delete " + typeName(type) + " " + std::to_string(id), [&](ResourceData& data) {
    return data.resources.erase({type, id}) == 1 ? RSC_SUCCESS : RSC_ERR_NO_SUCH_RESOURCE;
  });
}

int mdlResource_getFileDescription(char* buffer, int size, RscFileHandle handle) {
  if (buffer == nullptr || size <= 0) return RSC_ERR_BAD_ARGUMENT;
  buffer[0] = '\0';
  OpenFile* of = findOpen(handle);
  if (of == nullptr) return RSC_ERR_BAD_HANDLE;
  std::snprintf(buffer, static_cast<std::size_t>(size), "%s", of->file->data.description.c_str());
  return RSC_SUCCESS;
}

int mdlResource_getApplLoadFile(char* buffer, int size, MdlDesc* desc) {
  if (buffer == nullptr || size <= 0) return RSC_ERR_BAD_ARGUMENT;
  buffer[0] = '\0';
  Application* app = desc != nullptr ? applicationOf(desc) : currentApplication();
  if (app == nullptr) return RSC_ERR_BAD_ARGUMENT;
  std::snprintf(buffer, static_cast<std::size_t>(size), "%s", applicationPath(app).c_str());
  return RSC_SUCCESS;
}

}  // extern "C"
