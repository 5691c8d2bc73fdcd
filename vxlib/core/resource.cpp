// Resource files as the whole library uses them: a thin layer over the host's resource calls
// that keeps the file's name beside its handle (VxlibRscFile) so that errors can name the file,
// and shows the library's messages when something fails.
//   vxlibResource_openFile / ..._closeFile
//   vxlibResource_add / ..._load                       fixed-size records, byte for byte
//   vxlibResource_addStringList / ..._loadStringList   string lists
//
// A record is read back only when the stored one has exactly the size asked for: a record of
// another size is another record (an older layout, or a file that is not what it seems), and
// copying it would read or write past one of the two buffers.
#include <cstdio>
#include <cstring>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

constexpr int kCreatedFileFlags = 1;

// Reports a host error of a write: read-only files have their own message.
int reportWriteError(const VxlibRscFile* record, int status) {
  rscMsgBox(kBoxOk, kErrorList, status == RSC_ERR_READ_ONLY ? kMsgReadOnly : kMsgWriteFailed,
            record->fileName);
  return VXLIB_ERROR;
}

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

int vxlibResource_openFile(VxlibRscFile* record, const char* fileName, int create) {
  if (record == nullptr || fileName == nullptr) return VXLIB_ERROR;
  record->handle = 0;
  if (std::strlen(fileName) >= sizeof record->fileName) {
    // Cutting the name would open another file.
    std::memcpy(record->fileName, fileName, sizeof record->fileName - 1);
    record->fileName[sizeof record->fileName - 1] = '\0';
    rscMsgBox(kBoxOk, kErrorList, create != 0 ? kMsgCannotCreate : kMsgCannotOpen, fileName);
    return VXLIB_ERROR;
  }
  std::snprintf(record->fileName, sizeof record->fileName, "%s", fileName);
  const int mode = create != 0 ? RSC_READWRITE : RSC_READONLY;
  if (mdlResource_openFile(&record->handle, record->fileName, mode) == 0) return VXLIB_SUCCESS;
  if (create == 0) {
    rscMsgBox(kBoxOk, kErrorList, kMsgCannotOpen, record->fileName);
    return VXLIB_ERROR;
  }
  if (mdlResource_createFile(record->fileName, "Attributes", kCreatedFileFlags) != 0 ||
      mdlResource_openFile(&record->handle, record->fileName, RSC_READWRITE) != 0) {
    record->handle = 0;
    rscMsgBox(kBoxOk, kErrorList, kMsgCannotCreate, record->fileName);
    return VXLIB_ERROR;
  }
  return VXLIB_SUCCESS;
}

int vxlibResource_closeFile(VxlibRscFile* record) {
  if (record == nullptr) return RSC_ERR_BAD_ARGUMENT;
  return mdlResource_closeFile(record->handle);
}

int vxlibResource_add(VxlibRscFile* record, unsigned int type, int id, const void* data, unsigned int size,
                      const char* extra) {
  if (record == nullptr || data == nullptr) return VXLIB_ERROR;
  int status = 0;
  if (void* existing = mdlResource_load(record->handle, type, id)) {
    if (mdlResource_size(existing) == size) {
      std::memcpy(existing, data, size);
      status = mdlResource_write(existing);
      mdlResource_free(existing);
    } else {
      // A record of another size is replaced whole.
      mdlResource_free(existing);
      status = mdlResource_delete(record->handle, type, id);
      if (status == 0) status = mdlResource_add(record->handle, type, id, data, size, extra);
    }
  } else {
    status = mdlResource_add(record->handle, type, id, data, size, extra);
  }
  return status == 0 ? VXLIB_SUCCESS : reportWriteError(record, status);
}

int vxlibResource_load(VxlibRscFile* record, unsigned int type, int id, void* buffer, unsigned int size) {
  if (record == nullptr || buffer == nullptr) return VXLIB_ERROR;
  void* stored = mdlResource_load(record->handle, type, id);
  if (stored == nullptr) return VXLIB_ERROR;
  const bool fits = mdlResource_size(stored) == size;
  if (fits) std::memcpy(buffer, stored, size);
  mdlResource_free(stored);
  return fits ? VXLIB_SUCCESS : VXLIB_ERROR;
}

int vxlibResource_addStringList(VxlibRscFile* record, int id, StringList* list) {
  if (record == nullptr || list == nullptr) return VXLIB_ERROR;
  int status = 0;
  if (StringList* existing = mdlStringList_loadResource(record->handle, id)) {
    mdlStringList_destroy(existing);
    status = mdlStringList_writeResource(list, record->handle, id);
  } else {
    status = mdlStringList_addResource(list, record->handle, id);
  }
  return status == 0 ? VXLIB_SUCCESS : reportWriteError(record, status);
}

StringList* vxlibResource_loadStringList(VxlibRscFile* record, int id) {
  if (record == nullptr) return nullptr;
  return mdlStringList_loadResource(record->handle, id);
}

}  // extern "C"
