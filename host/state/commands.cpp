// Command numbers, command tables, key-ins, the host's built-ins and its input queue.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <deque>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "common/text.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/state/api.h"
#include "host/state/state.hpp"
#include "host/system/api.h"
#include "host/system/idle.hpp"
#include "host/system/loader.hpp"

namespace pixmend::host {
namespace {

constexpr std::size_t kMaxTableEntries = 10000;

struct AppCommands {
  std::map<unsigned, StateFunc_Command> functions;
  std::vector<CommandTableEntry> table;
};

struct Queued {
  bool isKeyin = false;
  std::string text;  // the key-in, or the unparsed text of a command number
  unsigned number = 0;
  std::string taskId;
};

struct Commands {
  std::map<Application*, AppCommands> apps;
  std::vector<std::pair<std::vector<std::string>, BuiltinKeyin>> builtinKeyins;
  std::map<unsigned, BuiltinCommand> builtinCommands;
  std::deque<Queued> queue;
};

Commands& commands() {
  static Commands instance;
  return instance;
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string word;
  while (in >> word) out.push_back(text::upper(word));
  return out;
}

// The text after the first `count` words, leading blanks dropped.
std::string restAfter(const std::string& text, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t w = 0; w < count; ++w) {
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  }
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  return text.substr(i);
}

bool startsWith(const std::vector<std::string>& typed, const std::vector<std::string>& phrase) {
  if (phrase.empty() || phrase.size() > typed.size()) return false;
  return std::equal(phrase.begin(), phrase.end(), typed.begin());
}

std::string hex(unsigned number) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08x", number);
  return buffer;
}

// Runs a command number without journaling it: built-ins first, then the preferred application,
// then the others newest first.
bool dispatchNumber(unsigned number, const std::string& unparsed, Application* preferred) {
  auto& c = commands();
  if (auto builtin = c.builtinCommands.find(number); builtin != c.builtinCommands.end()) {
    BuiltinCommand handler = builtin->second;
    handler(unparsed);
    return true;
  }
  auto apps = loadedApplications();
  std::reverse(apps.begin(), apps.end());
  if (preferred != nullptr) apps.insert(apps.begin(), preferred);
  for (Application* app : apps) {
    auto it = c.apps.find(app);
    if (it == c.apps.end() || app->unloading) continue;
    auto f = it->second.functions.find(number);
    if (f == it->second.functions.end()) continue;
    runCommandFunction(app, reinterpret_cast<void*>(f->second), unparsed);
    return true;
  }
  return false;
}

bool runQueued() {
  auto& q = commands().queue;
  if (q.empty()) return false;
  Queued item = std::move(q.front());
  q.pop_front();
  if (item.isKeyin) {
    runKeyin(item.text, item.taskId);
  } else {
    runCommandNumber(item.number, item.text);
  }
  return true;
}

std::optional<unsigned> commandNumberFrom(const nlohmann::json& value) {
  if (value.is_number_unsigned() || value.is_number_integer()) {
    const auto n = value.get<long long>();
    if (n <= 0 || n > 0xffffffffLL) return std::nullopt;
    return static_cast<unsigned>(n);
  }
  if (value.is_string()) {
    const auto n = text::parseInteger(value.get<std::string>(), 1, 0xffffffffLL, 0);
    if (!n) return std::nullopt;
    return static_cast<unsigned>(*n);
  }
  return std::nullopt;
}

void unloadByTaskId(const std::string& unparsed) {
  const auto name = words(unparsed);
  if (name.empty()) return;
  // The application asked for this itself and has shut down already; an unknown name was
  // unloaded in between. Either way there is nothing to report.
  if (Application* app = findApplication(name.front())) unloadApplication(app, SYSTEM_UNLOAD_BY_USER);
}

void registerHostBuiltins() {
  registerBuiltinCommand(CMD_MDL_UNLOAD, unloadByTaskId);
  registerBuiltinKeyin("mdl load", [](const std::string& rest) {
    std::istringstream in(rest);
    std::string name;
    if (!(in >> name)) {
      journal().append("error", "mdl load: which application?");
      return;
    }
    std::vector<std::string> args;
    std::string arg;
    while (in >> arg) args.push_back(arg);
    loadApplication(name, args);
  });
  registerBuiltinKeyin("mdl unload", [](const std::string& rest) {
    const auto name = words(rest);
    Application* app = name.empty() ? nullptr : findApplication(name.front());
    if (app == nullptr) {
      journal().append("error", "mdl unload: no application " + rest + " is loaded");
      return;
    }
    unloadApplication(app, SYSTEM_UNLOAD_BY_USER);
  });
}

const bool registeredBuiltins = (registerHostBuiltins(), true);
const bool registeredIdle = registerIdleWork("state.queue", runQueued, 10);
const bool registeredReset = registerReset("state.commands", [] {
  commands().apps.clear();
  commands().queue.clear();
});
const bool registeredUnload =
    registerUnloadHook("state.commands", [](Application* app) { commands().apps.erase(app); });

}  // namespace

void registerBuiltinKeyin(const std::string& phrase, BuiltinKeyin handler) {
  auto& list = commands().builtinKeyins;
  const auto key = words(phrase);
  if (key.empty()) return;
  for (auto& entry : list) {
    if (entry.first == key) {
      entry.second = std::move(handler);
      return;
    }
  }
  list.emplace_back(key, std::move(handler));
}

void registerBuiltinCommand(unsigned number, BuiltinCommand handler) {
  commands().builtinCommands[number] = std::move(handler);
}

bool runKeyin(const std::string& text, const std::string& taskId) {
  journal().append("keyin", text);
  const auto typed = words(text);
  if (typed.empty()) return true;
  auto& c = commands();

  std::size_t bestLength = 0;
  Application* bestApp = nullptr;
  unsigned bestNumber = 0;
  const BuiltinKeyin* bestBuiltin = nullptr;

  auto apps = loadedApplications();
  std::reverse(apps.begin(), apps.end());
  for (Application* app : apps) {
    if (!taskId.empty() && text::upper(taskId) != app->taskId) continue;
    auto it = c.apps.find(app);
    if (it == c.apps.end()) continue;
    for (const auto& entry : it->second.table) {
      const auto phrase = words(entry.keyin);
      if (startsWith(typed, phrase) && phrase.size() > bestLength) {
        bestLength = phrase.size();
        bestApp = app;
        bestNumber = entry.number;
      }
    }
  }
  if (taskId.empty()) {
    for (const auto& [phrase, handler] : c.builtinKeyins) {
      if (startsWith(typed, phrase) && phrase.size() > bestLength) {
        bestLength = phrase.size();
        bestBuiltin = &handler;
      }
    }
  }
  if (bestLength == 0) {
    journal().append("error", "Unknown command: " + text);
    return false;
  }
  const std::string rest = restAfter(text, bestLength);
  if (bestBuiltin != nullptr) {
    BuiltinKeyin handler = *bestBuiltin;  // a handler may register others meanwhile
    handler(rest);
    return true;
  }
  if (!dispatchNumber(bestNumber, rest, bestApp)) {
    journal().append("error", "No function for command " + hex(bestNumber) + ": " + text);
    return false;
  }
  return true;
}

bool runCommandNumber(unsigned number, const std::string& unparsed) {
  journal().append("cmd", hex(number) + (unparsed.empty() ? "" : " " + unparsed));
  if (!dispatchNumber(number, unparsed, nullptr)) {
    journal().append("error", "Unknown command " + hex(number));
    return false;
  }
  return true;
}

std::optional<std::vector<CommandTableEntry>> parseCommandTable(const std::string& json, std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<std::vector<CommandTableEntry>> {
    if (error != nullptr) *error = why;
    return std::nullopt;
  };
  const auto doc = nlohmann::json::parse(json, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) return fail("a command table is a JSON object");
  auto list = doc.find("commands");
  if (list == doc.end() || !list->is_array()) return fail("\"commands\" must be a list");
  if (list->size() > kMaxTableEntries)
    return fail("more than " + std::to_string(kMaxTableEntries) + " commands");
  std::vector<CommandTableEntry> entries;
  for (std::size_t i = 0; i < list->size(); ++i) {
    const auto& item = (*list)[i];
    const std::string where = "commands[" + std::to_string(i) + "]";
    if (!item.is_object()) return fail(where + " must be an object");
    auto keyin = item.find("keyin");
    auto number = item.find("number");
    if (keyin == item.end() || !keyin->is_string() || words(keyin->get<std::string>()).empty()) {
      return fail(where + " needs a \"keyin\" of one or more words");
    }
    if (number == item.end()) return fail(where + " needs a \"number\"");
    const auto value = commandNumberFrom(*number);
    if (!value) return fail(where + ": \"number\" must be a command number from 1 to 0xffffffff");
    for (const auto& earlier : entries) {
      if (words(earlier.keyin) == words(keyin->get<std::string>())) {
        return fail(where + ": the key-in \"" + keyin->get<std::string>() + "\" is there twice");
      }
    }
    entries.push_back({keyin->get<std::string>(), *value});
  }
  return entries;
}

void setCommandTable(Application* app, std::vector<CommandTableEntry> entries) {
  commands().apps[app].table = std::move(entries);
}

std::vector<unsigned> registeredCommandNumbers(Application* app) {
  std::vector<unsigned> numbers;
  const auto found = commands().apps.find(app);
  if (found == commands().apps.end()) return numbers;
  for (const auto& entry : found->second.functions) numbers.push_back(entry.first);
  return numbers;
}

int runInputQueue() {
  int done = 0;
  while (done < 10000 && runQueued()) ++done;
  return done;
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlSystem_registerCommandNumbers(MdlCommandNumber* table) {
  Application* app = currentApplication();
  if (app == nullptr || table == nullptr) return MDLERR_BADARG;
  traceCall("mdlSystem_registerCommandNumbers");
  auto& functions = commands().apps[app].functions;
  for (std::size_t i = 0; i < kMaxTableEntries; ++i) {
    if (table[i].cmdFunc == nullptr || table[i].commandNumber == 0) return SUCCESS;
    functions[table[i].commandNumber] = table[i].cmdFunc;
  }
  // No end marker within any sensible length: a broken table.
  return MDLERR_BADARG;
}

void mdlDialog_cmdNumberQueue(int atFront, unsigned int commandNumber, const char* unparsed,
                              int fromKeyboard) {
  (void)fromKeyboard;
  char number[16];
  std::snprintf(number, sizeof number, "0x%08X", commandNumber);
  traceCall(std::string("mdlDialog_cmdNumberQueue ") + number + (unparsed != nullptr ? std::string(" ") + unparsed : ""));
  Queued item;
  item.number = commandNumber;
  item.text = unparsed != nullptr ? unparsed : "";
  auto& q = commands().queue;
  if (atFront != 0) {
    q.push_front(std::move(item));
  } else {
    q.push_back(std::move(item));
  }
}

void mdlInput_sendKeyin(const char* keyin, int literal, int position, const char* taskId) {
  (void)literal;
  if (keyin == nullptr) return;
  Queued item;
  item.isKeyin = true;
  item.text = keyin;
  item.taskId = taskId != nullptr ? taskId : "";
  auto& q = commands().queue;
  if (position != 0) {
    q.push_front(std::move(item));
  } else {
    q.push_back(std::move(item));
  }
}

void mdlInput_sendResume(int position) {
  (void)position;
}

void mdlInput_waitForMessage(void) {
  runInputQueue();
}

}  // extern "C"
