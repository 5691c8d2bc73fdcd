// Session scripts: reading them into steps and playing them against the host (see session.hpp).
#include "cli/session.hpp"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <utility>

#include "common/text.hpp"
#include "host/config/config.hpp"
#include "host/dialog/manager.hpp"
#include "host/output/answers.hpp"
#include "host/output/journal.hpp"
#include "host/state/state.hpp"
#include "host/system/api.h"
#include "host/system/idle.hpp"
#include "host/system/loader.hpp"
#include "host/system/timers.hpp"
#include "host/view/api.h"
#include "host/view/view.hpp"

namespace pixmend::cli {
namespace {

using text::parseInteger;
using text::parseNumber;

using host::journal;

std::string countProblem(const Step& step, std::size_t low, std::size_t high, const std::string& usage) {
  if (step.words.size() < low || step.words.size() > high) return "usage: " + usage;
  return "";
}

// X Y [view N]: the words of cursor and point.
std::string checkPoint(const Step& step, const std::string& usage) {
  if (step.words.size() != 2 && step.words.size() != 4) return "usage: " + usage;
  if (!parseNumber(step.words[0]) || !parseNumber(step.words[1])) return "X and Y must be numbers";
  if (step.words.size() == 4) {
    if (step.words[2] != "view") return "usage: " + usage;
    if (!parseInteger(step.words[3], 0, MAX_VIEWS - 1, 0)) return "the view is a number from 0 to 7";
  }
  return "";
}

DPoint3d pointOf(const Step& step) {
  return {*parseNumber(step.words[0]), *parseNumber(step.words[1]), 0};
}
int viewOf(const Step& step) {
  return step.words.size() == 4 ? static_cast<int>(*parseInteger(step.words[3], 0, 7, 0)) : 0;
}

// The rest of a line after its first `count` words.
std::string restAfterWords(const std::string& rest, std::size_t count) {
  std::vector<std::string> words;
  std::vector<std::size_t> ends;
  splitWords(rest, &words, &ends);
  std::size_t i = count == 0 ? 0 : count <= ends.size() ? ends[count - 1] : rest.size();
  while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
  return rest.substr(i);
}

std::vector<Verb>& verbTable() {
  static std::vector<Verb> table;
  return table;
}

const Verb* findVerb(const std::string& name) {
  for (const auto& v : verbs()) {
    if (v.name == name) return &v;
  }
  return nullptr;
}

void addBuiltinVerbs() {
  registerVerb({"set", "set NAME VALUE", "define a configuration variable (user level); VALUE may be empty",
                [](const Step& s) -> std::string {
                  if (s.words.empty()) return "usage: set NAME VALUE";
                  if (!host::isVariableName(s.words[0])) return "'" + s.words[0] + "' is not a variable name";
                  return "";
                },
                [](const Step& s, PlayContext&) -> std::string {
                  host::defineVariable(s.words[0], restAfterWords(s.rest, 1), host::kCfgLevelUser);
                  return "";
                }});
  registerVerb({"unset", "unset NAME", "remove a configuration variable at every level",
                [](const Step& s) { return countProblem(s, 1, 1, "unset NAME"); },
                [](const Step& s, PlayContext&) -> std::string {
                  host::undefineVariable(s.words[0]);
                  return "";
                }});
  registerVerb({"load", "load APP [ARG ...]",
                "load an application and run its MdlMain (ARG MS_INITAPPS: as loaded at host start)",
                [](const Step& s) { return countProblem(s, 1, 64, "load APP [ARG ...]"); },
                [](const Step& s, PlayContext&) -> std::string {
                  const std::vector<std::string> args(s.words.begin() + 1, s.words.end());
                  const auto result = host::loadApplication(s.words[0], args);
                  if (result.app == nullptr) return "cannot load " + s.words[0] + ": " + result.error;
                  return "";
                }});
  registerVerb({"unload", "unload APP", "unload an application (its unload handler runs first)",
                [](const Step& s) { return countProblem(s, 1, 1, "unload APP"); },
                [](const Step& s, PlayContext&) -> std::string {
                  host::Application* app = host::findApplication(s.words[0]);
                  if (app == nullptr) return "no application " + s.words[0] + " is loaded";
                  host::unloadApplication(app, SYSTEM_UNLOAD_BY_USER);
                  return "";
                }});
  registerVerb({"keyin", "keyin TEXT", "a key-in, as typed in the host's key-in field",
                [](const Step& s) -> std::string { return s.rest.empty() ? "usage: keyin TEXT" : ""; },
                [](const Step& s, PlayContext&) -> std::string {
                  host::runKeyin(s.rest);
                  return "";
                }});
  registerVerb({"command", "command NUMBER [TEXT]", "run a command by its number, e.g. command 0x01030400",
                [](const Step& s) -> std::string {
                  if (s.words.empty()) return "usage: command NUMBER [TEXT]";
                  if (!parseInteger(s.words[0], 1, 0xffffffffL, 0))
                    return "'" + s.words[0] + "' is not a command number";
                  return "";
                },
                [](const Step& s, PlayContext&) -> std::string {
                  host::runCommandNumber(static_cast<unsigned>(*parseInteger(s.words[0], 1, 0xffffffffL, 0)),
                                         restAfterWords(s.rest, 1));
                  return "";
                }});
  registerVerb({"cursor", "cursor X Y [view N]", "move the cursor (runs the dynamics function)",
                [](const Step& s) { return checkPoint(s, "cursor X Y [view N]"); },
                [](const Step& s, PlayContext&) -> std::string {
                  host::moveCursor(pointOf(s), viewOf(s));
                  return "";
                }});
  registerVerb({"point", "point X Y [view N]", "a data point in design coordinates (views 0 to 7)",
                [](const Step& s) { return checkPoint(s, "point X Y [view N]"); },
                [](const Step& s, PlayContext&) -> std::string {
                  host::deliverDataPoint(pointOf(s), viewOf(s));
                  return "";
                }});
  registerVerb({"reset", "reset", "a reset", [](const Step& s) { return countProblem(s, 0, 0, "reset"); },
                [](const Step&, PlayContext&) -> std::string {
                  host::deliverReset();
                  return "";
                }});
  registerVerb(
      {"answer", "answer WORD|NUMBER|PATH",
       "queue the answer for the next message box, modal dialog or file dialog",
       [](const Step& s) -> std::string { return s.rest.empty() ? "usage: answer WORD|NUMBER|PATH" : ""; },
       [](const Step& s, PlayContext&) -> std::string {
         host::queueAnswer(s.rest);
         return "";
       }});
  registerVerb({"item", "item DIALOG ITEM VALUE", "set a dialog item's value as a user would",
                [](const Step& s) -> std::string {
                  if (s.words.size() < 2) return "usage: item DIALOG ITEM VALUE";
                  if (!parseInteger(s.words[0], INT32_MIN, INT32_MAX, 0) ||
                      !parseInteger(s.words[1], INT32_MIN, INT32_MAX, 0)) {
                    return "DIALOG and ITEM are numbers";
                  }
                  return "";
                },
                [](const Step& s, PlayContext&) -> std::string {
                  std::string error;
                  if (!host::setItemValue(static_cast<int>(*parseInteger(s.words[0], INT32_MIN, INT32_MAX, 0)),
                                          static_cast<int>(*parseInteger(s.words[1], INT32_MIN, INT32_MAX, 0)),
                                          restAfterWords(s.rest, 2), &error)) {
                    return error.empty() ? "the item cannot be set" : error;
                  }
                  return "";
                }});
  registerVerb(
      {"press", "press DIALOG ITEM", "press a button item",
       [](const Step& s) -> std::string {
         if (s.words.size() != 2) return "usage: press DIALOG ITEM";
         if (!parseInteger(s.words[0], INT32_MIN, INT32_MAX, 0) || !parseInteger(s.words[1], INT32_MIN, INT32_MAX, 0)) {
           return "DIALOG and ITEM are numbers";
         }
         return "";
       },
       [](const Step& s, PlayContext&) -> std::string {
         std::string error;
         if (!host::pressButton(static_cast<int>(*parseInteger(s.words[0], INT32_MIN, INT32_MAX, 0)),
                                static_cast<int>(*parseInteger(s.words[1], INT32_MIN, INT32_MAX, 0)), &error)) {
           return error.empty() ? "the button cannot be pressed" : error;
         }
         return "";
       }});
  registerVerb({"tick", "tick N", "advance the host clock by N units (60 to the second); due timers fire",
                [](const Step& s) -> std::string {
                  if (s.words.size() != 1) return "usage: tick N";
                  if (!parseInteger(s.words[0], 0, kMaxTicks, 0))
                    return "N is a number from 0 to " + std::to_string(kMaxTicks);
                  return "";
                },
                [](const Step& s, PlayContext&) -> std::string {
                  host::advanceClock(*parseInteger(s.words[0], 0, kMaxTicks, 0));
                  return "";
                }});
  registerVerb(
      {"expect", "expect CHANNEL TEXT",
       "fail the session unless the last entry on CHANNEL is TEXT (as printed, escapes included)",
       [](const Step& s) -> std::string { return s.words.empty() ? "usage: expect CHANNEL TEXT" : ""; },
       [](const Step& s, PlayContext& context) -> std::string {
         const std::string& channel = s.words[0];
         const std::string want = restAfterWords(s.rest, 1);
         const host::JournalEntry* last = journal().last(channel);
         if (last == nullptr) {
           context.report(s.line, "expect " + channel + ": nothing was journaled on " + channel);
           context.failed = true;
         } else if (host::Journal::escape(last->text) != want) {
           context.report(s.line, "expect " + channel + ": wanted \"" + want + "\", the last entry is \"" +
                                      host::Journal::escape(last->text) + "\"");
           context.failed = true;
         }
         return "";
       }});
  registerVerb({"event", "event SLOT STATE [TEXT]",
                "raise a host event for the applications' event-slot handlers (slot 1: new design file)",
                [](const Step& s) -> std::string {
                  if (s.words.size() < 2) return "usage: event SLOT STATE [TEXT]";
                  const auto slot = parseInteger(s.words[0], 0, SYSTEM_MAX_SLOT, 0);
                  if (!slot) return "SLOT is a number from 0 to " + std::to_string(SYSTEM_MAX_SLOT);
                  if (*slot == SYSTEM_UNLOAD_PROGRAM) return "slot 2 is the unload event: use unload APP";
                  if (!parseInteger(s.words[1], INT32_MIN, INT32_MAX, 0)) return "STATE is a number";
                  return "";
                },
                [](const Step& s, PlayContext&) -> std::string {
                  host::raiseSystemEvent(static_cast<int>(*parseInteger(s.words[0], 0, SYSTEM_MAX_SLOT, 0)),
                                         restAfterWords(s.rest, 2),
                                         static_cast<int>(*parseInteger(s.words[1], INT32_MIN, INT32_MAX, 0)));
                  return "";
                }});
  registerVerb({"view", "view N rotate DEGREES", "turn a view about the design's z axis (counter-clockwise)",
                [](const Step& s) -> std::string {
                  if (s.words.size() != 3 || s.words[1] != "rotate") return "usage: view N rotate DEGREES";
                  if (!parseInteger(s.words[0], 0, MAX_VIEWS - 1, 0)) return "the view is a number from 0 to 7";
                  if (!parseNumber(s.words[2])) return "DEGREES must be a number";
                  return "";
                },
                [](const Step& s, PlayContext&) -> std::string {
                  host::rotateViewAboutZ(static_cast<int>(*parseInteger(s.words[0], 0, 7, 0)), *parseNumber(s.words[2]));
                  return "";
                }});
  registerVerb({"failalloc", "failalloc N", "make the next N memory requests of the applications fail",
                [](const Step& s) -> std::string {
                  if (s.words.size() != 1 || !parseInteger(s.words[0], 0, 1000000, 0))
                    return "usage: failalloc N (0 to 1000000)";
                  return "";
                },
                [](const Step& s, PlayContext&) -> std::string {
                  mdlSystem_failNextAllocations(static_cast<int>(*parseInteger(s.words[0], 0, 1000000, 0)));
                  return "";
                }});
}

}  // namespace

void PlayContext::report(int line, const std::string& message) const {
  if (errors != nullptr) *errors << scriptName << ":" << line << ": " << message << '\n';
}

namespace {

// The built-in verbs go in first, so a group's verb of the same name replaces them, whenever it
// registers.
void ensureBuiltinVerbs() {
  static bool added = false;
  if (added) return;
  added = true;
  addBuiltinVerbs();
}

}  // namespace

void splitWords(const std::string& text, std::vector<std::string>* words, std::vector<std::size_t>* ends) {
  words->clear();
  if (ends != nullptr) ends->clear();
  std::size_t i = 0;
  const auto blank = [&](std::size_t at) { return at >= text.size() || text[at] == ' ' || text[at] == '\t'; };
  while (true) {
    while (i < text.size() && blank(i)) ++i;
    if (i >= text.size()) break;
    std::string word;
    bool quoted = false;
    if (text[i] == '"') {
      // A quoted word: up to the closing quote, which must end the word; \" and \\ inside.
      std::size_t j = i + 1;
      std::string inner;
      while (j < text.size() && text[j] != '"') {
        if (text[j] == '\\' && j + 1 < text.size() && (text[j + 1] == '"' || text[j + 1] == '\\')) ++j;
        inner += text[j++];
      }
      if (j < text.size() && blank(j + 1)) {
        word = std::move(inner);
        i = j + 1;
        quoted = true;
      }
    }
    if (!quoted) {
      const std::size_t start = i;
      while (!blank(i)) ++i;
      word = text.substr(start, i - start);
    }
    words->push_back(std::move(word));
    if (ends != nullptr) ends->push_back(i);
  }
}

std::string nameProblem(const std::string& word) {
  if (word.size() > 1 && word.front() == '"')
    return "the quote before " + word + " is not closed (a name with blanks is written \"like this\")";
  if (word.empty()) return "the name is empty";
  return "";
}

void registerVerb(Verb verb) {
  ensureBuiltinVerbs();
  auto& table = verbTable();
  for (auto& v : table) {
    if (v.name == verb.name) {
      v = std::move(verb);
      return;
    }
  }
  table.push_back(std::move(verb));
}

const std::vector<Verb>& verbs() {
  ensureBuiltinVerbs();
  return verbTable();
}

bool readScript(std::string_view text, std::vector<Step>* steps, std::vector<ScriptError>* errors) {
  steps->clear();
  errors->clear();
  if (text.size() > kMaxScriptBytes) {
    errors->push_back({0, "the script is larger than " + std::to_string(kMaxScriptBytes) + " bytes"});
    return false;
  }
  // A byte-order mark (editors on some systems write one) is not part of the first line.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  int lineNumber = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    ++lineNumber;
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(at, end - at));
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kMaxLineBytes) {
      errors->push_back({lineNumber, "the line is longer than " + std::to_string(kMaxLineBytes) + " bytes"});
      continue;
    }
    bool control = false;
    for (char c : line) {
      const auto u = static_cast<unsigned char>(c);
      if ((u < 0x20 && c != '\t') || u == 0x7f) control = true;
    }
    if (control) {
      errors->push_back({lineNumber, "the line holds a control character"});
      continue;
    }
    std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    Step step;
    step.line = lineNumber;
    std::size_t verbEnd = line.find_first_of(" \t", first);
    if (verbEnd == std::string::npos) verbEnd = line.size();
    step.verb = line.substr(first, verbEnd - first);
    const std::size_t restStart = line.find_first_not_of(" \t", verbEnd);
    step.rest = restStart == std::string::npos ? "" : line.substr(restStart);
    // Trailing blanks are not part of any argument.
    while (!step.rest.empty() && (step.rest.back() == ' ' || step.rest.back() == '\t')) step.rest.pop_back();
    splitWords(step.rest, &step.words, nullptr);
    const Verb* verb = findVerb(step.verb);
    if (verb == nullptr) {
      errors->push_back({lineNumber, "unknown verb '" + step.verb + "' (see pixmend --help)"});
      continue;
    }
    const std::string problem = verb->check(step);
    if (!problem.empty()) {
      errors->push_back({lineNumber, step.verb + ": " + problem});
      continue;
    }
    steps->push_back(std::move(step));
  }
  return errors->empty();
}

Player::Player(std::string scriptName, std::ostream& errors) {
  context_.errors = &errors;
  context_.scriptName = std::move(scriptName);
}

void Player::begin() { host::runIdle(); }

std::string Player::play(const Step& step) {
  const Verb* verb = findVerb(step.verb);
  if (verb == nullptr) return "unknown verb '" + step.verb + "'";  // not possible after readScript
  const std::string problem = verb->run(step, context_);
  host::runIdle();
  if (!problem.empty()) {
    context_.report(step.line, step.verb + ": " + problem);
    stepFailed_ = true;
  }
  return problem;
}

bool Player::exitRequested() const { return host::hostExitRequested(); }

int Player::end() {
  if (!ended_) {
    ended_ = true;
    host::unloadAllApplications(SYSTEM_UNLOAD_HOST_EXIT);
    host::runIdle();
  }
  return stepFailed_ || context_.failed ? 1 : 0;
}

int playScript(const std::vector<Step>& steps, const std::string& scriptName, std::ostream& errors) {
  Player player(scriptName, errors);
  player.begin();
  for (const auto& step : steps) {
    if (!player.play(step).empty() || player.exitRequested()) break;
  }
  return player.end();
}

int runScript(std::string_view text, const std::string& scriptName, std::ostream& out, std::ostream& errors) {
  std::vector<Step> steps;
  std::vector<ScriptError> problems;
  if (!readScript(text, &steps, &problems)) {
    for (const auto& p : problems) errors << scriptName << ":" << p.line << ": " << p.message << '\n';
    return 2;
  }
  journal().setEcho(&out);
  const int status = playScript(steps, scriptName, errors);
  journal().setEcho(nullptr);
  return status;
}

}  // namespace pixmend::cli
