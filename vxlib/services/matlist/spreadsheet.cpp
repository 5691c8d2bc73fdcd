// A form sent to the spreadsheet instead of being built as a page: for every value of the plain
// types the template's placeholder is written into the active cell and then replaced, all over
// the sheet, by the value (the spreadsheet conversation is open already).
#include <cstdio>
#include <string>

#include "vxlib/services/matlist/formdata.hpp"
#include "vxlib/services/win32/win32.hpp"

namespace pixmend::vxlib::matlist {

int sendToSpreadsheet(VxlibFormData* array) {
  if (array == nullptr) return VXLIB_ERROR;
  const int count = valueCount(array);
  for (Node* node = array->next; node != nullptr; node = node->next) {
    vxlibUtil_updateHourGlass();
    if (node->type < kDouble || node->type > kCharacter) continue;
    for (int i = 1; i <= count; ++i) {
      char placeholder[300];
      std::snprintf(placeholder, sizeof placeholder, "%%%02d%%%s", i, node->name);
      char text[kOutputSize];
      const int result = vxlibMatList_generateFormatedText(placeholder, array, text, nullptr, 0.0, 0.0, 1);
      if (result == 0 || result == kCallback || text[0] == '\0') continue;
      const std::string command = "[FORMULA(\"" + doubledQuotes(placeholder) + "\")]";
      vxlibWin32_DdeSendMessage(command.c_str());
      vxlibWin32_DdeReplaceText(placeholder, text);
    }
  }
  return VXLIB_SUCCESS;
}

}  // namespace pixmend::vxlib::matlist
