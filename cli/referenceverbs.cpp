// Session verb for design files attached to the open design as references:
//   reference attach FILE [nolocate] [nodisplay]   attaches a design file (read-only), located
//                                                  and displayed unless told otherwise
//   reference detach N                             detaches the Nth (from 1, as listed)
//   reference list                                 journals each with its flags
// A file that is missing, not a design file or the open design itself is refused with the reason.
#include <string>

#include "cli/session.hpp"
#include "common/text.hpp"
#include "host/config/config.hpp"
#include "host/design/design.hpp"
#include "host/output/journal.hpp"

namespace pixmend::cli {
namespace {

constexpr const char* kUsage = "usage: reference attach FILE [nolocate] [nodisplay] | reference detach N | reference list";

std::string checkReference(const Step& s) {
  if (s.words.size() == 1 && s.words[0] == "list") return "";
  if (s.words.size() == 2 && s.words[0] == "detach") {
    return text::parseInteger(s.words[1], 1, static_cast<long long>(host::kMaxDesignReferences))
               ? ""
               : "the reference is a number from 1 (as reference list shows them)";
  }
  if (s.words.size() >= 2 && s.words.size() <= 4 && s.words[0] == "attach") {
    for (std::size_t i = 2; i < s.words.size(); ++i) {
      if (s.words[i] != "nolocate" && s.words[i] != "nodisplay") return kUsage;
    }
    return nameProblem(s.words[1]);
  }
  return kUsage;
}

std::string runReference(const Step& s, PlayContext&) {
  std::string why;
  if (s.words[0] == "list") {
    const auto list = host::listReferences();
    if (list.empty()) host::journal().append("design", "no references");
    for (std::size_t i = 0; i < list.size(); ++i) {
      const auto& r = list[i];
      host::journal().append("design", "reference " + std::to_string(i + 1) + ": " + r.stored.fileName +
                                           (r.stored.locate ? " locate" : " nolocate") +
                                           (r.stored.display ? " display" : " nodisplay") +
                                           (r.found ? "" : " (not found)"));
    }
    return "";
  }
  if (s.words[0] == "detach") {
    const auto n = text::parseInteger(s.words[1], 1, static_cast<long long>(host::kMaxDesignReferences));
    return host::detachReference(static_cast<int>(*n - 1), &why) ? "" : why;
  }
  host::StoredReference r;
  r.fileName = host::expandText(s.words[1]);
  for (std::size_t i = 2; i < s.words.size(); ++i) {
    if (s.words[i] == "nolocate") r.locate = false;
    if (s.words[i] == "nodisplay") r.display = false;
  }
  return host::attachReference(r, &why) ? "" : why;
}

const bool registered = [] {
  registerVerb({"reference", "reference attach FILE [nolocate] [nodisplay]|detach N|list",
                "attach a design file as a read-only reference (located and displayed unless told), detach "
                "the Nth, or list them",
                checkReference, runReference});
  return true;
}();

}  // namespace
}  // namespace pixmend::cli
