// Session verbs that look at what an application shows the user beyond the journal's events:
//   value ACCESS          journals a field of a published record ("value: ACCESS = VALUE"), so a
//                         session can show a setting as a dialog would display it
//   picture DIALOG FILE   writes an open dialog's canvas as a PNG picture ("file: wrote FILE")
//   trace on|off          journals the host calls that set applications up and take them down
//                         (channel "call"), to show the order of a start-up or a shutdown
#include <string>

#include "cli/session.hpp"
#include "common/text.hpp"
#include "host/dialog/manager.hpp"
#include "host/output/journal.hpp"
#include "host/system/application.hpp"
#include "host/system/published.hpp"

namespace pixmend::cli {
namespace {

using text::parseInteger;

std::string runValue(const Step& step, PlayContext&) {
  const std::string& access = step.words[0];
  const auto ref = host::resolveAccess(access);
  if (!ref) return access + " is not a field of a published record";
  std::string shown = host::readText(*ref);
  if (ref->field->type == host::FieldType::Text) shown = "\"" + shown + "\"";
  host::journal().append("value", access + " = " + shown);
  return "";
}

std::string runPicture(const Step& step, PlayContext&) {
  std::string error;
  const std::string& file = step.words[1];
  if (!host::saveDialogPng(static_cast<int>(*parseInteger(step.words[0], INT32_MIN, INT32_MAX)), file, &error))
    return error.empty() ? "the picture cannot be written" : error;
  host::journal().append("file", "wrote " + file);
  return "";
}

// click / edit / popup: the user's list-box and item-menu actions in a modeless dialog, as the
// modal dialogs take them from the answer queue.
std::string runDialogAction(const Step& step, PlayContext&) {
  const std::string verb = step.verb == "popup" ? "menu" : step.verb;
  const auto dialogId = parseInteger(step.words[0], INT32_MIN, INT32_MAX);
  bool recognised = false;
  std::string error;
  if (!host::doUserAction(static_cast<int>(*dialogId), verb + " " + step.rest.substr(step.rest.find(step.words[0]) + step.words[0].size()), &recognised, &error)) {
    return error.empty() ? step.verb + " cannot be done" : error;
  }
  return "";
}

std::string runTrace(const Step& step, PlayContext&) {
  host::setCallTrace(step.words[0] == "on");
  return "";
}

const bool registered = [] {
  registerVerb({"value", "value ACCESS",
                "journal a field of a published record, e.g. value vxrUid.activeColor",
                [](const Step& s) -> std::string { return s.words.size() == 1 ? "" : "usage: value ACCESS"; },
                runValue});
  registerVerb({"picture", "picture DIALOG FILE.png", "write an open dialog as a PNG picture",
                [](const Step& s) -> std::string {
                  if (s.words.size() != 2) return "usage: picture DIALOG FILE.png";
                  return parseInteger(s.words[0], INT32_MIN, INT32_MAX) ? "" : "DIALOG is a number";
                },
                runPicture});
  const auto dialogFirst = [](const char* usage, std::size_t least) {
    return [usage, least](const Step& s) -> std::string {
      if (s.words.size() < least) return std::string("usage: ") + usage;
      return parseInteger(s.words[0], INT32_MIN, INT32_MAX) ? "" : "DIALOG is a number";
    };
  };
  registerVerb({"click", "click DIALOG ITEM ROW COLUMN [2]",
                "click (or double-click) a cell of a list box", dialogFirst("click DIALOG ITEM ROW COLUMN [2]", 4),
                runDialogAction});
  registerVerb({"edit", "edit DIALOG ITEM ROW COLUMN TEXT",
                "double-click a list box cell and type TEXT into the editor its dialog opens",
                dialogFirst("edit DIALOG ITEM ROW COLUMN TEXT", 4), runDialogAction});
  registerVerb({"popup", "popup DIALOG ITEM ENTRY", "open an item's pull-down menu and choose ENTRY",
                dialogFirst("popup DIALOG ITEM ENTRY", 3), runDialogAction});
  registerVerb({"trace", "trace on|off",
                "journal the host calls that set applications up and take them down (channel call)",
                [](const Step& s) -> std::string {
                  return s.words.size() == 1 && (s.words[0] == "on" || s.words[0] == "off") ? ""
                                                                                              : "usage: trace on|off";
                },
                runTrace});
  return true;
}();

}  // namespace
}  // namespace pixmend::cli
