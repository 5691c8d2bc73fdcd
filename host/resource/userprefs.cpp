// Remembered file records of the file dialogs: one record of USERPREFS_FILE_RECORD_SIZE bytes
// per dialog identifier, kept byte for byte in the given preference file.
#include <algorithm>
#include <cstring>
#include <vector>

#include "host/resource/api.h"
#include "host/resource/openfiles.hpp"

using namespace pixmend::host;

extern "C" {

int mdlUserPrefs_getFileName(void* record, RscFileHandle prefFile, int dialogId) {
  if (record == nullptr || prefFile == 0) return RSC_ERR_BAD_ARGUMENT;
  const auto bytes = loadResource(prefFile, RTYPE_FILE_NAMES, dialogId);
  if (!bytes) return RSC_ERR_NO_SUCH_RESOURCE;
  // A record of another size (an older or damaged file) gives what fits, the rest zero.
  std::memset(record, 0, USERPREFS_FILE_RECORD_SIZE);
  std::memcpy(record, bytes->data(), std::min<std::size_t>(bytes->size(), USERPREFS_FILE_RECORD_SIZE));
  return RSC_SUCCESS;
}

int mdlUserPrefs_saveFileName(const void* record, RscFileHandle prefFile, int dialogId) {
  if (record == nullptr || prefFile == 0) return RSC_ERR_BAD_ARGUMENT;
  const auto* p = static_cast<const std::uint8_t*>(record);
  return storeResource(prefFile, RTYPE_FILE_NAMES, dialogId,
                       std::vector<std::uint8_t>(p, p + USERPREFS_FILE_RECORD_SIZE), true);
}

}  // extern "C"
