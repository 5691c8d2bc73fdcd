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

// Somewhere a completion bar is shown while it is open, besides the journal: the pixmend program
// draws it on a terminal, so that a long operation (the rotation of an A0 sheet) is seen to
// progress. `show` gets the bar's message and percent when it opens and whenever the journal gets
// an update; `close` when the last open bar closes. Called on the host's thread.
class ProgressDisplay {
 public:
  virtual ~ProgressDisplay() = default;
  virtual void show(const std::string& message, int percent) = 0;
  virtual void close() = 0;
};

// Installs the display (null: none, as at start). The caller keeps it alive while installed.
void setProgressDisplay(ProgressDisplay* display);

}  // namespace pixmend::host
