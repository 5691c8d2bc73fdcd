// The application's settings records: the parameter block's start-up values, the user-interface
// block's defaults, its stored form in the preference file, and loading and saving it.
//   setStartupParams                          the parameter block at start-up
//   encodeUserInterface / decodeUserInterface the 272-byte stored form, field by field
//   defaultTempDirectory                      "MS_TMP" expanded, else the user's own temporary folder
//   prepareTempDirectory                      that folder made again when it has gone
//   loadUserSettings / saveUserSettings       the block in "VXPixmend.upf"
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/params.hpp"
#include "app/startup.hpp"
#include "common/bytes.hpp"
#include "host/mdl.h"
#include "pixmend/vxlib.h"

namespace pixmend::app {
namespace {

constexpr std::size_t kActiveColorAt = 0;
constexpr std::size_t kOverlayColorAt = 4;
constexpr std::size_t kSpareSettingAt = 8;
constexpr std::size_t kAutoWriteBackAt = 12;
constexpr std::size_t kTempDirectoryAt = 16;
constexpr std::size_t kTempDirectorySize = 256;

// Creates `directory` (ending in '/') and every missing folder above it, each new one open to its
// owner only. True when it is a folder at the end.
bool makePrivateFolders(const std::string& directory) {
  for (std::size_t slash = directory.find('/', 1); slash != std::string::npos;
       slash = directory.find('/', slash + 1)) {
    const std::string folder = directory.substr(0, slash);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(directory.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A folder in the shared temporary folder that is ours alone: a real folder (not a link), owned
// by us and closed to everyone else.
bool privateFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 077) == 0;
}

// The name of the user's own temporary folder, ending in '/': the user's cache folder
// (XDG_CACHE_HOME, else HOME/.cache) followed by "pixmend/"; without a home, "pixmend-UID/" in
// the system's temporary folder (TMPDIR, else /tmp). `inHome` says which.
std::string userTempDirectoryName(bool* inHome) {
  const char* cache = mdlSystem_getenv("XDG_CACHE_HOME");
  *inHome = true;
  if (cache != nullptr && *cache != '\0')
    return std::string(cache) + (cache[std::strlen(cache) - 1] == '/' ? "" : "/") + "pixmend/";
  const char* home = mdlSystem_getenv("HOME");
  if (home != nullptr && *home != '\0')
    return std::string(home) + (home[std::strlen(home) - 1] == '/' ? "" : "/") + ".cache/pixmend/";
  *inHome = false;
  const char* system = mdlSystem_getenv("TMPDIR");
  std::string shared = system != nullptr && *system != '\0' ? system : "/tmp";
  if (shared.back() != '/') shared += '/';
  return shared + "pixmend-" + std::to_string(::geteuid()) + "/";
}

// Makes the user's own temporary folder `folder` (named by userTempDirectoryName). True when it
// is there and may be used.
bool makeUserTempDirectory(const std::string& folder, bool inHome) {
  if (inHome) return makePrivateFolders(folder);
  return privateFolder(folder.substr(0, folder.size() - 1));
}

}  // namespace

void setStartupParams(VxRasterParams& p) {
  std::memset(&p, 0, sizeof p);
  p.deleteRectangleMode = 1;
  p.dialogOption2 = 1;
  p.dialogOption3 = 1;
  p.warpThreePoints = 1;
  p.copyMoveMode = 3;
  p.copyRotation = 0;
  p.dialogOption7 = 1;
  p.saveAsFileType = 19;
  p.dialogOption9 = 1;
  p.dialogOption10 = 0;
  p.dialogOption11 = 0;
  p.copyTransparent = 1;
  p.dialogOption13 = 1;
  p.dialogOption14 = 0;
  p.mirrorMode = 1;
  std::snprintf(p.rotationAngleText, sizeof p.rotationAngleText, "%s", "90");
  p.deleteRectangleHeight = 5.0;
  p.deleteRectangleWidth = 5.0;
  p.dialogOption20 = 1;
  p.dialogOption21 = 1;
  p.dialogOption22 = 1;
  p.dialogOption23 = 4;
}

void encodeUserInterface(const UserInterfaceData& data, unsigned char out[kUserInterfaceSize]) {
  std::memset(out, 0, kUserInterfaceSize);
  le::put32(out + kActiveColorAt, static_cast<std::uint32_t>(data.activeColor));
  le::put32(out + kOverlayColorAt, static_cast<std::uint32_t>(data.overlayColor));
  le::put32(out + kSpareSettingAt, static_cast<std::uint32_t>(data.spareSetting));
  le::put32(out + kAutoWriteBackAt, static_cast<std::uint32_t>(data.autoWriteBack));
  std::memcpy(out + kTempDirectoryAt, data.tempDirectory, kTempDirectorySize);
}

void decodeUserInterface(const unsigned char in[kUserInterfaceSize], UserInterfaceData& data) {
  data.activeColor = static_cast<std::int32_t>(le::get32(in + kActiveColorAt));
  data.overlayColor = static_cast<std::int32_t>(le::get32(in + kOverlayColorAt));
  data.spareSetting = static_cast<std::int32_t>(le::get32(in + kSpareSettingAt));
  data.autoWriteBack = static_cast<std::int32_t>(le::get32(in + kAutoWriteBackAt));
  std::memcpy(data.tempDirectory, in + kTempDirectoryAt, kTempDirectorySize);
  // A file written elsewhere may fill the whole field: it is cut, never read past its end.
  data.tempDirectory[kTempDirectorySize - 1] = '\0';
}

void defaultTempDirectory(char* out, std::size_t size) {
  if (size == 0) return;
  out[0] = '\0';
  char raw[kTempDirectorySize] = {};
  const int found = mdlSystem_getCfgVar(raw, "MS_TMP", static_cast<int>(sizeof raw));
  if (found == SUCCESS) {
    // The value is taken whole, as the user wrote it; one that does not fit would name another
    // folder, so it is refused in favour of the user's own temporary folder.
    if (mdlSystem_expandCfgVar(out, static_cast<int>(size), raw) == SUCCESS) return;
    toolSubsystem_printf("VXRaster: MS_TMP is longer than %d characters; using the user's temporary folder\n",
                         static_cast<int>(size) - 1);
  } else if (found == MDLERR_TOOLARGE) {
    toolSubsystem_printf("VXRaster: MS_TMP is longer than %d characters; using the user's temporary folder\n",
                         static_cast<int>(sizeof raw) - 1);
  }
  // Never a folder all users share: without a home, the folder in the shared temporary folder is
  // used only when it is ours alone, else a new private one is made there.
  bool inHome = false;
  std::string folder = userTempDirectoryName(&inHome);
  if (!makeUserTempDirectory(folder, inHome) && !inHome) {
    std::string pattern = folder.substr(0, folder.size() - 1) + "-XXXXXX";
    folder = ::mkdtemp(pattern.data()) != nullptr ? pattern + "/" : "";
  }
  if (folder.empty() || folder.size() >= size) {
    toolSubsystem_printf("VXRaster: no temporary folder of the user's own could be made\n");
    return;
  }
  std::memcpy(out, folder.c_str(), folder.size() + 1);
}

void prepareTempDirectory(const char* directory) {
  bool inHome = false;
  const std::string own = userTempDirectoryName(&inHome);
  if (directory != nullptr && own == directory) makeUserTempDirectory(own, inHome);
}

void setDefaultUserSettings(UserInterfaceData& data) {
  std::memset(&data, 0, sizeof data);
  data.activeColor = 2;
  data.overlayColor = 1;
  data.spareSetting = 255;
  data.autoWriteBack = 1;
  defaultTempDirectory(data.tempDirectory, sizeof data.tempDirectory);
}

void loadUserSettings(UserInterfaceData& data) {
  unsigned char bytes[kUserInterfaceSize] = {};
  if (vxlibUpf_load(kUserInterfaceType, kUserInterfaceId, bytes, kUserInterfaceSize) == 0) {
    decodeUserInterface(bytes, data);
  } else {
    setDefaultUserSettings(data);
  }
}

int saveUserSettings(const UserInterfaceData& data) {
  unsigned char bytes[kUserInterfaceSize];
  encodeUserInterface(data, bytes);
  return vxlibUpf_save(kUserInterfaceType, kUserInterfaceId, bytes, kUserInterfaceSize);
}

}  // namespace pixmend::app
