// The image library's diagnostics: what a call collected (common/tiffmessages.hpp) goes to the
// host's text window when the call ends.
#include "host/image/image.hpp"
#include "host/output/journal.hpp"

namespace pixmend::host {

ImageDiagnostics::ImageDiagnostics(std::string subject) : TiffMessages(std::move(subject), kShown) {}

ImageDiagnostics::~ImageDiagnostics() {
  for (const std::string& line : report()) journal().append("text", "image: " + line + "\n");
}

}  // namespace pixmend::host
