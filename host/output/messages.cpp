// Message fields, the message centre and the text window: the host's output calls that only show
// text (see api.h). Each lands in the journal on its channel.
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "host/output/api.h"
#include "host/output/journal.hpp"
#include "host/output/output.hpp"

namespace pixmend::host {

std::string formatText(const char* format, va_list ap) {
  if (format == nullptr) return "";
  std::vector<char> buffer(OUTPUT_TEXT_MAX);
  const int n = std::vsnprintf(buffer.data(), buffer.size(), format, ap);
  if (n < 0) return "";
  return std::string(buffer.data());
}

const char* fieldChannel(int field) {
  static const char* const channels[] = {"message", "error", "prompt", "status", "command", "keyin"};
  if (field < 0 || field > MSG_KEYIN) return nullptr;
  return channels[field];
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlOutput_printf(int field, const char* format, ...) {
  const char* channel = fieldChannel(field);
  if (channel == nullptr || format == nullptr) return MDLERR_BADARG;
  va_list ap;
  va_start(ap, format);
  const std::string text = formatText(format, ap);
  va_end(ap);
  journal().append(channel, text);
  return SUCCESS;
}

void mdlOutput_messageCenter(int priority, const char* brief, const char* detail, int openAlert) {
  std::string text = std::to_string(priority) + " " + (brief != nullptr ? brief : "");
  if (detail != nullptr && *detail != '\0' && (brief == nullptr || std::string(brief) != detail)) {
    text += " | ";
    text += detail;
  }
  if (openAlert != 0) text += " (alert)";
  journal().append("center", text);
}

void mdlOutput_fileWritten(const char* fileName, int written) {
  if (fileName == nullptr) return;
  journal().append("file", std::string(written != 0 ? "wrote " : "could not write ") + fileName);
}

int toolSubsystem_printf(const char* format, ...) {
  if (format == nullptr) return 0;
  va_list ap;
  va_start(ap, format);
  const std::string text = formatText(format, ap);
  va_end(ap);
  journal().append("text", text);
  return static_cast<int>(text.size());
}

}  // extern "C"
