// The session verb that chooses an entry of the command window's menus as a user would:
//   menu VXRaster > Delete > Smart
// The labels (case and '~' ignored) are separated by '>'; the entry's command number or key-in
// runs, after "menu: chose ..." in the journal.
#include <string>
#include <vector>

#include "cli/session.hpp"
#include "host/dialog/manager.hpp"
#include "host/state/state.hpp"

namespace pixmend::cli {
namespace {

std::vector<std::string> labelsOf(const std::string& rest) {
  std::vector<std::string> labels;
  std::string part;
  for (char c : rest + ">") {
    if (c != '>') {
      part += c;
      continue;
    }
    const auto first = part.find_first_not_of(" \t");
    labels.push_back(first == std::string::npos ? "" : part.substr(first, part.find_last_not_of(" \t") - first + 1));
    part.clear();
  }
  return labels;
}

const bool registered = [] {
  registerVerb({"menu", "menu MENU > ENTRY [> ENTRY]",
                "choose an entry of the command window's menus, e.g. menu VXRaster > Delete > Smart",
                [](const Step& s) -> std::string {
                  const auto labels = labelsOf(s.rest);
                  if (labels.size() < 2) return "usage: menu MENU > ENTRY [> ENTRY]";
                  for (const auto& l : labels) {
                    if (l.empty()) return "a label between '>' is empty";
                  }
                  return "";
                },
                [](const Step& s, PlayContext&) -> std::string {
                  long command = 0;
                  std::string keyin, error;
                  if (!host::chooseMenuEntry(labelsOf(s.rest), &command, &keyin, &error)) return error;
                  if (command != 0) {
                    host::runCommandNumber(static_cast<unsigned>(command), "");
                  } else if (!keyin.empty()) {
                    host::runKeyin(keyin);
                  }
                  return "";
                }});
  return true;
}();

}  // namespace
}  // namespace pixmend::cli
