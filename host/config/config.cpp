// Configuration variables (see config.hpp) and their C calls (api.h).
#include "host/config/config.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "host/config/api.h"
#include "host/lifecycle.hpp"

extern char** environ;

namespace pixmend::host {
namespace {

constexpr std::size_t kMaxExpansion = 64 * 1024;
constexpr int kMaxDepth = 32;

struct Variable {
  std::array<std::optional<std::string>, kCfgLevelMax + 1> levels;
  // The expanded value that mdlSystem_getenv handed out last; kept until the next call for the
  // same name so the pointer stays good while the caller copies it.
  std::unique_ptr<std::string> handedOut;
};

struct State {
  std::map<std::string, Variable, std::less<>> variables;
  bool seeded = false;
};

State& rawState() {
  static State instance;
  return instance;
}

State& state() {
  State& s = rawState();
  if (!s.seeded) {
    s.seeded = true;
    for (char** env = environ; env != nullptr && *env != nullptr; ++env) {
      const char* eq = std::strchr(*env, '=');
      if (eq == nullptr) continue;
      const std::string_view name(*env, static_cast<std::size_t>(eq - *env));
      if (isVariableName(name))
        s.variables[std::string(name)].levels[kCfgLevelEnvironment] = std::string(eq + 1);
    }
  }
  return s;
}

const Variable* find(std::string_view name) {
  auto& vars = state().variables;
  auto it = vars.find(name);
  return it != vars.end() ? &it->second : nullptr;
}

// Every reference costs one unit of work; a text whose references fan out (each value naming
// another twice, forty levels deep) would otherwise take exponential time even with the output
// capped.
constexpr int kMaxReferences = 10000;
constexpr std::size_t kMaxWork = 16 * kMaxExpansion;  // bytes copied over all levels

struct Expander {
  std::set<std::string, std::less<>> active;  // variables being expanded now (cycle guard)
  bool complete = true;
  int references = 0;
  std::size_t work = 0;

  void append(std::string& out, std::string_view text) {
    work += text.size();
    if (work > kMaxWork) {
      complete = false;
      return;
    }
    if (out.size() + text.size() > kMaxExpansion) {
      out.append(text.substr(0, kMaxExpansion - out.size()));
      complete = false;
    } else {
      out.append(text);
    }
  }

  std::string run(std::string_view text, int depth) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
      if (out.size() >= kMaxExpansion) {
        complete = false;
        break;
      }
      if (text[i] == '$' && i + 1 < text.size() && text[i + 1] == '(') {
        const std::size_t close = matchingParen(text, i + 1);
        if (close == std::string_view::npos) {
          append(out, text.substr(i));  // unterminated: as written
          break;
        }
        const std::string_view inner = text.substr(i + 2, close - i - 2);
        append(out, reference(inner, depth));
        i = close + 1;
        continue;
      }
      append(out, text.substr(i, 1));
      ++i;
    }
    return out;
  }

  static std::size_t matchingParen(std::string_view text, std::size_t open) {
    int level = 0;
    for (std::size_t j = open; j < text.size(); ++j) {
      if (text[j] == '(') ++level;
      if (text[j] == ')' && --level == 0) return j;
    }
    return std::string_view::npos;
  }

  std::string reference(std::string_view inner, int depth) {
    if (depth >= kMaxDepth || ++references > kMaxReferences) {
      complete = false;
      return "";
    }
    const std::string name = run(inner, depth + 1);
    if (active.count(name) != 0) {
      complete = false;  // a cycle: this reference contributes nothing
      return "";
    }
    const auto raw = variableValue(name);
    if (!raw) return "";
    active.insert(name);
    std::string value = run(*raw, depth + 1);
    active.erase(name);
    return value;
  }
};

}  // namespace

bool isVariableName(std::string_view name) {
  if (name.empty() || name.size() > 255) return false;
  if (std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

bool defineVariable(std::string_view name, std::string_view value, int level) {
  if (!isVariableName(name) || level < 0 || level > kCfgLevelMax) return false;
  state().variables[std::string(name)].levels[static_cast<std::size_t>(level)] = std::string(value);
  return true;
}

bool undefineVariable(std::string_view name, int level) {
  auto& vars = state().variables;
  auto it = vars.find(name);
  if (it == vars.end()) return false;
  bool removed = false;
  for (int l = 0; l <= kCfgLevelMax; ++l) {
    auto& slot = it->second.levels[static_cast<std::size_t>(l)];
    if ((level < 0 || level == l) && slot) {
      slot.reset();
      removed = true;
    }
  }
  return removed;
}

std::optional<int> variableLevel(std::string_view name) {
  const Variable* v = find(name);
  if (v == nullptr) return std::nullopt;
  for (int l = kCfgLevelMax; l >= 0; --l) {
    if (v->levels[static_cast<std::size_t>(l)]) return l;
  }
  return std::nullopt;
}

std::optional<std::string> variableValue(std::string_view name) {
  const auto level = variableLevel(name);
  if (!level) return std::nullopt;
  return *find(name)->levels[static_cast<std::size_t>(*level)];
}

std::optional<std::string> expandedVariable(std::string_view name) {
  const auto raw = variableValue(name);
  if (!raw) return std::nullopt;
  Expander expander;
  expander.active.insert(std::string(name));
  return expander.run(*raw, 0);
}

std::string expandText(std::string_view text, bool* complete) {
  Expander expander;
  std::string out = expander.run(text, 0);
  if (complete != nullptr) *complete = expander.complete;
  return out;
}

std::vector<std::string> splitPathList(std::string_view list) {
  std::vector<std::string> out;
  std::string part;
  for (char c : list) {
    if (c == ';' || c == ':') {
      if (!part.empty()) out.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) out.push_back(part);
  return out;
}

namespace {

const bool registered = registerReset("config", [] {
  rawState().variables.clear();
  rawState().seeded = false;
});

int copyOut(char* buffer, int size, const std::string& value) {
  if (buffer == nullptr || size <= 0) return MDLERR_BADARG;
  const std::size_t room = static_cast<std::size_t>(size) - 1;
  const std::size_t n = std::min(room, value.size());
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return value.size() > room ? MDLERR_TOOLARGE : SUCCESS;
}

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlSystem_getCfgVar(char* value, const char* name, int size) {
  if (value == nullptr || size <= 0) return MDLERR_BADARG;
  value[0] = '\0';
  if (name == nullptr) return MDLERR_BADARG;
  const auto raw = variableValue(name);
  if (!raw) return MDLERR_CFGVARNOTFOUND;
  return copyOut(value, size, *raw);
}

int mdlSystem_getCfgVarLevel(const char* name) {
  if (name == nullptr) return -1;
  return variableLevel(name).value_or(-1);
}

int mdlSystem_expandCfgVar(char* expanded, int size, const char* text) {
  if (expanded == nullptr || size <= 0) return MDLERR_BADARG;
  expanded[0] = '\0';
  if (text == nullptr) return MDLERR_BADARG;
  return copyOut(expanded, size, expandText(text));
}

int mdlSystem_defineCfgVar(const char* name, const char* value, int level) {
  if (name == nullptr || value == nullptr) return MDLERR_BADARG;
  return defineVariable(name, value, level) ? SUCCESS : MDLERR_BADARG;
}

int mdlSystem_undefineCfgVar(const char* name, int level) {
  if (name == nullptr) return MDLERR_BADARG;
  return undefineVariable(name, level) ? SUCCESS : MDLERR_CFGVARNOTFOUND;
}

const char* mdlSystem_getenv(const char* name) {
  if (name == nullptr) return nullptr;
  const auto value = expandedVariable(name);
  if (!value) return nullptr;
  auto& var = state().variables.find(std::string_view(name))->second;
  var.handedOut = std::make_unique<std::string>(*value);
  return var.handedOut->c_str();
}

}  // extern "C"
