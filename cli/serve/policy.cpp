// What the page may ask of the session (see policy.hpp).
#include "cli/serve/policy.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace pixmend::serve {
namespace {

// Beyond 2^53 design units doubles skip whole units; the host refuses elements there too.
constexpr double kDesignPlane = 9007199254740992.0;

const char* const kPageVerbs[] = {"keyin", "point", "cursor", "reset", "item", "press", "menu", "load"};

Checked refuse(int status, std::string message) {
  Checked c;
  c.status = status;
  c.message = std::move(message);
  return c;
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool hasControl(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
  });
}

// The text after the first `count` words of `rest`, as the item verb takes its value.
std::string afterWords(const std::string& rest, std::size_t count) {
  std::vector<std::string> words;
  std::vector<std::size_t> ends;
  cli::splitWords(rest, &words, &ends);
  std::size_t at = count == 0 ? 0 : count <= ends.size() ? ends[count - 1] : rest.size();
  while (at < rest.size() && (rest[at] == ' ' || rest[at] == '\t')) ++at;
  return rest.substr(at);
}

// A value typed into a dialog's text field: a name with a folder in it must stay inside the
// folders (the temporary folder of the user settings, the Save As name); configuration variables
// are not taken from the page, since their expansion could lead anywhere.
std::string valueProblem(const std::string& value, const Folders& folders) {
  if (value.find("$(") != std::string::npos) return "configuration variables ($(...)) cannot be typed in the page";
  if (value.find('/') == std::string::npos && value.rfind('~', 0) != 0) return "";
  if (value.rfind('~', 0) == 0) return value + " lies outside the folders this server may use";
  std::string why;
  return folders.resolve(value, &why) ? "" : why;
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string recordedLine(const cli::Step& step) { return step.rest.empty() ? step.verb : step.verb + " " + step.rest; }

Checked checkLine(const std::string& line, const Folders& folders) {
  if (line.size() > kMaxLineBytes) return refuse(400, "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes");
  if (line.find_first_of("\r\n") != std::string::npos) return refuse(400, "one line at a time");
  std::vector<cli::Step> steps;
  std::vector<cli::ScriptError> errors;
  if (!cli::readScript(line, &steps, &errors)) return refuse(400, errors.front().message);
  if (steps.size() != 1) return refuse(400, "the line holds no step");
  cli::Step& step = steps.front();
  if (std::find(std::begin(kPageVerbs), std::end(kPageVerbs), step.verb) == std::end(kPageVerbs)) {
    return refuse(403, "the page cannot use the verb '" + step.verb + "'");
  }
  if (step.verb == "point" || step.verb == "cursor") {
    for (int i = 0; i < 2; ++i) {
      if (std::fabs(std::strtod(step.words[static_cast<std::size_t>(i)].c_str(), nullptr)) > kDesignPlane)
        return refuse(400, "the point lies beyond the design plane (2^53 units from the origin)");
    }
  } else if (step.verb == "keyin") {
    std::vector<std::string> words;
    cli::splitWords(step.rest, &words, nullptr);
    const std::string first = words.empty() ? "" : upper(words.front());
    if (first == "%" || first.rfind('%', 0) == 0)
      return refuse(403, "the page does not run operating-system commands");
    if (first == "MDL") return refuse(403, "the page does not load or unload applications (mdl ...)");
  } else if (step.verb == "load") {
    if (step.words.size() != 1 || step.words[0] != "VXRaster") return refuse(403, "the page loads VXRaster only");
  } else if (step.verb == "item") {
    if (const std::string problem = valueProblem(afterWords(step.rest, 2), folders); !problem.empty())
      return refuse(403, problem);
  }
  Checked ok;
  ok.ok = true;
  ok.status = 200;
  ok.step = std::move(step);
  return ok;
}

Checked checkAnswers(const std::vector<std::string>& given, const host::Question& question, const Folders& folders,
                     std::vector<std::string>* answers) {
  answers->clear();
  if (given.empty()) return refuse(400, "no answer");
  if (given.size() > 64) return refuse(400, "at most 64 answers at once");
  for (std::string text : given) {
    if (text.size() > kMaxLineBytes) return refuse(400, "an answer is longer than " + std::to_string(kMaxLineBytes) + " bytes");
    if (hasControl(text)) return refuse(400, "an answer holds a control character");
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return refuse(400, "an answer is empty");
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    switch (question.kind) {
      case host::Question::Kind::Box:
        if (std::find(question.buttons.begin(), question.buttons.end(), lower(text)) == question.buttons.end())
          return refuse(400, "\"" + text + "\" is not a button of the box");
        text = lower(text);
        break;
      case host::Question::Kind::Dialog:
        if (text.rfind("item ", 0) == 0) {
          if (const std::string problem = valueProblem(afterWords(text, 2), folders); !problem.empty())
            return refuse(403, problem);
        }
        break;
      case host::Question::Kind::File: {
        if (text == "cancel") break;
        std::vector<std::string> names{text};
        if (question.several) {
          names.clear();
          std::string part;
          for (char c : text + ";") {
            if (c == ';') {
              if (!part.empty()) names.push_back(part);
              part.clear();
            } else {
              part += c;
            }
          }
        }
        std::string shown;
        for (const std::string& name : names) {
          std::string why;
          const auto path = folders.resolve(name, &why);  // names as the page lists them
          if (!path) return refuse(403, why);
          // Given as the host will read it: relative to the base, or absolute (a default
          // folder of the dialog would otherwise be put before a relative name twice).
          const std::string given = question.directory.empty() ? folders.shown(*path) : *path;
          shown += (shown.empty() ? "" : ";") + given;
        }
        text = shown;
        break;
      }
    }
    answers->push_back(std::move(text));
  }
  Checked ok;
  ok.ok = true;
  ok.status = 200;
  return ok;
}

std::string safeAnswer(const host::Question& question) {
  if (question.kind != host::Question::Kind::Box) return "cancel";
  for (const char* word : {"cancel", "no"}) {
    if (std::find(question.buttons.begin(), question.buttons.end(), word) != question.buttons.end()) return word;
  }
  return question.buttons.empty() ? "ok" : question.buttons.front();
}

}  // namespace pixmend::serve
