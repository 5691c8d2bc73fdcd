// The standard keys of a form and the family's settings:
//   vxlibMatList_insertFileName     a path under a key: device, directory, name, extension, both
//   vxlibMatList_insertSystemData   "file" (the design), "date" and "time" (now, local)
//   vxlibMatList_getCurrentPageScaleP / ..._setExportToExcel
#include <cstdio>
#include <cstring>
#include <string>

#include "vxlib/services/matlist/formdata.hpp"

namespace pixmend::vxlib::matlist {
namespace {

constexpr int kNameSize = 64;  // the names vxlibUtil_getDateAndTime writes

void insertText(VxlibFormData* array, const char* key, int index, const std::string& text) {
  vxlibMatList_insertValue(array, key, kString, index, text.c_str());
}

void insertNumber(VxlibFormData* array, const char* key, int index, const char* format, int value) {
  char text[16];
  std::snprintf(text, sizeof text, format, value);
  insertText(array, key, index, text);
}

// The page scale when no application's block is found (so the address is always good).
double fallbackScale = 1.0;

}  // namespace
}  // namespace pixmend::vxlib::matlist

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::matlist;

extern "C" {

void vxlibMatList_insertFileName(const char* path, const char* key, VxlibFormData* array) {
  if (path == nullptr || key == nullptr || array == nullptr) return;
  char device[MAXDEVICELENGTH] = {}, directory[MAXDIRLENGTH] = {}, name[MAXNAMELENGTH] = {},
       extension[MAXEXTENSIONLENGTH] = {};
  mdlFile_parseName(path, device, directory, name, extension);
  insertText(array, key, 0, device[0] != '\0' ? std::string(device) + ":" : "");
  // The directory goes into templates as text: a '%' in it must not start a reference.
  std::string folder;
  for (const char* c = directory; *c != '\0'; ++c) folder += *c == '%' ? "%%" : std::string(1, *c);
  insertText(array, key, 1, folder);
  insertText(array, key, 2, name);
  insertText(array, key, 3, std::string(".") + extension);
  insertText(array, key, 4, std::string(name) + "." + extension);
}

void vxlibMatList_insertSystemData(VxlibFormData* array) {
  if (array == nullptr) return;
  char design[MAXFILELENGTH] = {};
  mdlModelRef_getFileName(mdlModelRef_getActive(), design, sizeof design);
  vxlibMatList_insertFileName(design, "file", array);
  int year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0, weekday = 0;
  char weekdayName[kNameSize] = {}, monthName[kNameSize] = {};
  vxlibUtil_getDateAndTime(&year, &month, &day, &hour, &minute, &second, &weekday, weekdayName, monthName);
  insertNumber(array, "date", 0, "%d", day);
  insertNumber(array, "date", 1, "%02d", day);
  insertText(array, "date", 2, weekdayName);
  insertText(array, "date", 3, monthName);
  insertNumber(array, "date", 4, "%d", month);
  insertNumber(array, "date", 5, "%02d", month);
  insertNumber(array, "date", 6, "%d", year);
  insertNumber(array, "date", 7, "%02d", year % 100);
  insertNumber(array, "time", 0, "%d", hour);
  insertNumber(array, "time", 1, "%02d", hour);
  insertNumber(array, "time", 2, "%d", minute);
  insertNumber(array, "time", 3, "%02d", minute);
  insertNumber(array, "time", 4, "%d", second);
  insertNumber(array, "time", 5, "%02d", second);
}

double* vxlibMatList_getCurrentPageScaleP(void) {
  GlobalData* block = vxlibMain_getGlobalDataP();
  return block != nullptr ? &block->pageScale : &fallbackScale;
}

void vxlibMatList_setExportToExcel(int flag) {
  if (GlobalData* block = vxlibMain_getGlobalDataP()) block->exportToExcel = flag;
}

}  // extern "C"
