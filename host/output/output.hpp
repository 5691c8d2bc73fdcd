// The output group's helpers shared with the host's other groups.
#pragma once

#include <cstdarg>
#include <string>

namespace pixmend::host {

// vsnprintf into a bounded buffer (OUTPUT_TEXT_MAX); a null format gives "".
std::string formatText(const char* format, va_list ap);

// The journal channel of a message field, or null for an unknown field.
const char* fieldChannel(int field);

// A message box as the host shows it: journals the box and its answer and returns the action
// value of the button chosen. Used by mdlDialog_openMessageBox and by host code.
int showMessageBox(int boxId, const std::string& text, int icon);

}  // namespace pixmend::host
