// What libtiff and our own code say about one of the application's TIFF calls, shown in the
// host's text window when the call ends, a line each ("PREFIX: SUBJECT: TEXT"), as the host's
// image library shows its own: the application reaches the host only through its C calls.
#pragma once

#include <string>
#include <utility>

#include "common/tiffmessages.hpp"
#include "host/output/api.h"

namespace pixmend {

class TiffReport : public TiffMessages {
 public:
  // `prefix` is a literal ("image", "tiff"); at most `shown` messages are shown.
  TiffReport(const char* prefix, std::string subject, int shown)
      : TiffMessages(std::move(subject), shown), prefix_(prefix) {}
  ~TiffReport() {
    for (const std::string& line : report()) toolSubsystem_printf("%s: %s\n", prefix_, line.c_str());
  }

 private:
  const char* prefix_;
};

}  // namespace pixmend
