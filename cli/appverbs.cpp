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
