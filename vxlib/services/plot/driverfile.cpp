// A plot driver's output file and the checks of the drivers' numbers and texts (see plot.hpp).
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "vxlib/services/plot/plot.hpp"

namespace pixmend::vxlib::plot {

bool DriverFile::open(const char* path) {
  if (file_ != nullptr) close();
  path_ = path != nullptr ? path : "";
  file_ = path != nullptr ? mdlPlotFile_open(path) : nullptr;
  if (file_ == nullptr) {
    toolSubsystem_printf("%s: cannot open %s.\n", tag_, path_.c_str());
    return false;
  }
  return true;
}

void DriverFile::print(const char* format, ...) {
  if (file_ == nullptr) return;
  va_list ap;
  va_start(ap, format);
  va_list copy;
  va_copy(copy, ap);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (length > 0) {
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, ap);
    write(text.data(), static_cast<std::size_t>(length));
  }
  va_end(ap);
}

void DriverFile::write(const void* data, std::size_t size) {
  if (file_ == nullptr || size == 0) return;
  // A failed write is remembered by the host and reported when the file is closed.
  mdlPlotFile_write(file_, data, static_cast<unsigned int>(size));
}

int DriverFile::close() {
  if (file_ == nullptr) return VXLIB_ERROR;
  PlotFile* file = file_;
  file_ = nullptr;
  if (mdlPlotFile_close(file) != SUCCESS) {
    toolSubsystem_printf("%s: cannot write %s.\n", tag_, path_.c_str());
    return VXLIB_ERROR;
  }
  return VXLIB_SUCCESS;
}

bool usable(const char* tag, const char* call, const char* what, std::initializer_list<double> values,
            double limit) {
  for (const double v : values) {
    if (!std::isfinite(v) || std::fabs(v) > limit) {
      toolSubsystem_printf("%s: %s: %s is not a usable number, nothing drawn.\n", tag, call, what);
      return false;
    }
  }
  return true;
}

bool usablePoints(const char* tag, const char* call, const double* points, int count) {
  if (points == nullptr || count < 1) {
    toolSubsystem_printf("%s: %s: no points, nothing drawn.\n", tag, call);
    return false;
  }
  for (int i = 0; i < count; ++i) {
    if (!usable(tag, call, "a point", {points[3 * i], points[3 * i + 1]})) return false;
  }
  return true;
}

bool usableText(const char* tag, const char* call, const char* text) {
  if (text == nullptr) {
    toolSubsystem_printf("%s: %s: no text, nothing drawn.\n", tag, call);
    return false;
  }
  if (std::strlen(text) > kMaxTextLength) {
    toolSubsystem_printf("%s: %s: a text of more than %u characters, nothing drawn.\n", tag, call,
                         static_cast<unsigned>(kMaxTextLength));
    return false;
  }
  return true;
}

}  // namespace pixmend::vxlib::plot
