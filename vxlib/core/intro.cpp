// About box and version: the application's version number in the host, the about texts in its
// global data block, and opening the box (now, or once the first design file is open).
//   vxlibIntro_setVersionNumber   the version record 8.5.2.70
//   vxlibIntro_msgBoxNew          fills the about texts and opens the box
//   openAboutBox                  dialog 20020, and the timer that closes it when asked
//
// The dialog's hooks are in introhooks.cpp.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "vxlib/core/core.hpp"
#include "vxlib/core/intro.hpp"

namespace pixmend::vxlib {
namespace {

constexpr int kTimerUnitsPerSecond = 60;

// Closes the about box once the auto-close time is over, and stops itself.
void autoCloseAboutBox(void* argument, int handle) {
  (void)argument;
  mdlWindow_cursorTurnOff();
  if (MSDialog* db = mdlDialog_find(kAboutDialog, nullptr)) mdlWindow_close(db, 0, 0);
  mdlSystem_cancelTimer(handle);
}

void openAboutBox() {
  MSDialog* db = mdlDialog_open(0, kAboutDialog);
  GlobalData* block = vxlibMain_getGlobalDataP();
  if (db == nullptr || block == nullptr || block->aboutAutoClose < 1) return;
  // Seconds beyond what the timer can count wait as long as it can.
  const int seconds = std::min(block->aboutAutoClose, INT_MAX / kTimerUnitsPerSecond);
  mdlSystem_setTimerFunction(nullptr, seconds * kTimerUnitsPerSecond, autoCloseAboutBox, nullptr, 1);
}

// A slot's text: at most 256 characters; a file name is shortened in its middle instead.
void setSlot(GlobalData* block, int slot, const char* text) {
  if (text == nullptr) return;
  char* target = block->aboutText[slot];
  const bool fileName = slot == 7 || slot == 9 || slot == 11 || slot == 13;
  if (!fileName || mdlFile_abbreviateName(target, kAboutSlotSize - 1, text) != SUCCESS) {
    std::snprintf(target, kAboutSlotSize, "%s", text);
  }
}

}  // namespace

std::string aboutVersionText(const VersionNumber& version, const char* suffix) {
  auto part = [](int value) {
    char text[16];
    std::snprintf(text, sizeof text, value < 10 ? "0%d" : "%d", value);
    return std::string(text);
  };
  return part(version.release) + "." + part(version.major) + "." + (suffix != nullptr ? suffix : "");
}

}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

int vxlibIntro_setVersionNumber(void) {
  // Kept as the decimal texts the release is known by.
  const char* const parts[4] = {"08", "05", "02", "70"};
  VersionNumber version{};
  version.release = static_cast<unsigned char>(std::atoi(parts[0]));
  version.major = static_cast<unsigned char>(std::atoi(parts[1]));
  version.minor = static_cast<unsigned char>(std::atoi(parts[2]));
  version.subMinor = static_cast<unsigned char>(std::atoi(parts[3]));
  return mdlSystem_setMdlAppVersionNumber(nullptr, &version);
}

void vxlibIntro_msgBoxNew(const char* title, const char* versionSuffix, const char* text2, const char* text3,
                          const char* text4, const char* text5, const char* text6, const char* text7,
                          const char* text8, const char* text9, const char* text10, const char* text11,
                          const char* text12, const char* text13, int autoClose) {
  GlobalData* block = vxlibMain_getGlobalDataP();
  if (block == nullptr) return;
  VersionNumber version{};
  mdlSystem_getMdlAppVersionNumber(mdlSystem_getCurrMdlDesc(), &version);
  setSlot(block, 0, title);
  if (versionSuffix != nullptr) setSlot(block, 1, aboutVersionText(version, versionSuffix).c_str());
  const char* const further[12] = {text2, text3, text4, text5, text6, text7, text8, text9, text10, text11, text12, text13};
  for (int i = 0; i < 12; ++i) setSlot(block, i + 2, further[i]);
  block->aboutAutoClose = autoClose;
  vxlibMain_execFuncOrAddToInitApps(openAboutBox);
}

}  // extern "C"
