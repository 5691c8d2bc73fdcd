// Per-call diagnostics of the image library: libtiff's messages captured through per-handle
// handlers (nothing reaches the terminal, no process-wide libtiff state is touched) and our own
// notes, written to the host's text window when the call ends.
#include <cstdio>
#include <cstring>

#include "host/image/image.hpp"
#include "host/output/journal.hpp"

namespace pixmend::host {

ImageDiagnostics::ImageDiagnostics(std::string subject) : subject_(std::move(subject)) {}

ImageDiagnostics::~ImageDiagnostics() {
  if (options_ != nullptr) TIFFOpenOptionsFree(options_);
  if (silent_) return;
  for (const std::string& text : messages_)
    journal().append("text", "image: " + subject_ + ": " + text + "\n");
  if (total_ > static_cast<int>(messages_.size())) {
    char line[96];
    std::snprintf(line, sizeof line, "%d further messages not shown",
                  total_ - static_cast<int>(messages_.size()));
    journal().append("text", "image: " + subject_ + ": " + line + "\n");
  }
}

void ImageDiagnostics::note(const std::string& text) {
  ++total_;
  if (static_cast<int>(messages_.size()) < kShown) messages_.push_back(text);
}

void ImageDiagnostics::notef(const char* format, ...) {
  char text[512];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(text, sizeof text, format, ap);
  va_end(ap);
  note(text);
}

void ImageDiagnostics::addTiff(bool error, const char* module, const char* format, va_list ap) {
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
    lastPrematureLine_ = at != nullptr && std::sscanf(at, " at line %lu", &line) == 1
                             ? static_cast<long long>(line)
                             : -1;
  }
  std::string line = error ? "libtiff error: " : "libtiff warning: ";
  if (module != nullptr && *module != '\0') line += std::string(module) + ": ";
  line += text;
  note(line);
}

void ImageDiagnostics::markDamagedLine(long long line) {
  if (line < 0) line = 0;
  if (firstDamagedLine_ < 0 || line < firstDamagedLine_) firstDamagedLine_ = line;
}

int ImageDiagnostics::onTiffError(TIFF*, void* user, const char* module, const char* format, va_list ap) {
  static_cast<ImageDiagnostics*>(user)->addTiff(true, module, format, ap);
  return 1;  // handled: the process-wide handler (the terminal) is not called
}

int ImageDiagnostics::onTiffWarning(TIFF*, void* user, const char* module, const char* format, va_list ap) {
  static_cast<ImageDiagnostics*>(user)->addTiff(false, module, format, ap);
  return 1;
}

TIFFOpenOptions* ImageDiagnostics::tiffOptions(std::uint64_t maxSingleAlloc) {
  if (options_ == nullptr) {
    options_ = TIFFOpenOptionsAlloc();
    if (options_ == nullptr) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options_, &ImageDiagnostics::onTiffError, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options_, &ImageDiagnostics::onTiffWarning, this);
  }
  TIFFOpenOptionsSetMaxSingleMemAlloc(options_, static_cast<tmsize_t>(maxSingleAlloc));
  return options_;
}

}  // namespace pixmend::host
