// The collector of one call's libtiff messages (see tiffmessages.hpp).
#include "common/tiffmessages.hpp"

#include <cstdio>
#include <cstring>

namespace pixmend {

TiffMessages::TiffMessages(std::string subject, int shown) : subject_(std::move(subject)), shown_(shown) {}

TiffMessages::~TiffMessages() {
  if (options_ != nullptr) TIFFOpenOptionsFree(options_);
}

std::vector<std::string> TiffMessages::report() const {
  std::vector<std::string> lines;
  if (silent_) return lines;
  for (const std::string& text : messages_) lines.push_back(subject_ + ": " + text);
  if (total_ > static_cast<int>(messages_.size())) {
    char count[96];
    std::snprintf(count, sizeof count, "%d further messages not shown",
                  total_ - static_cast<int>(messages_.size()));
    lines.push_back(subject_ + ": " + count);
  }
  return lines;
}

void TiffMessages::note(const std::string& text) {
  ++total_;
  if (static_cast<int>(messages_.size()) < shown_) messages_.push_back(text);
}

void TiffMessages::notef(const char* format, ...) {
  char text[512];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(text, sizeof text, format, ap);
  va_end(ap);
  note(text);
}

void TiffMessages::addTiff(bool error, const char* module, const char* format, va_list ap) {
  if (muted_) return;
  char text[512];
  std::vsnprintf(text, sizeof text, format != nullptr ? format : "", ap);
  if (error) {
    ++errors_;
  } else if (std::strncmp(text, "Line length mismatch", 20) == 0) {
    // Runs that add up to more than the line: the stream is damaged, not merely short.
    ++errors_;
  } else if (std::strncmp(text, "Premature EOL", 13) == 0 || std::strncmp(text, "Premature EOF", 13) == 0) {
    ++prematureEnds_;
    // The fax codec names the line it was decoding, counted within the strip or tile.
    unsigned long line = 0;
    const char* at = std::strstr(text, " at line ");
    lastPrematureLine_ =
        at != nullptr && std::sscanf(at, " at line %lu", &line) == 1 ? static_cast<long long>(line) : -1;
  }
  std::string line = error ? "libtiff error: " : "libtiff warning: ";
  if (module != nullptr && *module != '\0') line += std::string(module) + ": ";
  line += text;
  note(line);
}

void TiffMessages::markDamagedLine(long long line) {
  if (line < 0) line = 0;
  if (firstDamagedLine_ < 0 || line < firstDamagedLine_) firstDamagedLine_ = line;
}

int TiffMessages::onTiffError(TIFF*, void* user, const char* module, const char* format, va_list ap) {
  static_cast<TiffMessages*>(user)->addTiff(true, module, format, ap);
  return 1;  // handled: the process-wide handler (the terminal) is not called
}

int TiffMessages::onTiffWarning(TIFF*, void* user, const char* module, const char* format, va_list ap) {
  static_cast<TiffMessages*>(user)->addTiff(false, module, format, ap);
  return 1;
}

TIFFOpenOptions* TiffMessages::tiffOptions(std::uint64_t maxSingleAlloc) {
  if (options_ == nullptr) {
    options_ = TIFFOpenOptionsAlloc();
    if (options_ == nullptr) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options_, &TiffMessages::onTiffError, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options_, &TiffMessages::onTiffWarning, this);
  }
  TIFFOpenOptionsSetMaxSingleMemAlloc(options_, static_cast<tmsize_t>(maxSingleAlloc));
  return options_;
}

}  // namespace pixmend
