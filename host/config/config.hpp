// Configuration variables: named values at levels, seeded from the process environment at level
// 0, defined further by applications and session scripts. References "$(NAME)" inside values and
// texts expand to the referenced variable's expanded value.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixmend::host {

// Levels: a variable's value is the one defined at its highest level.
constexpr int kCfgLevelEnvironment = 0;
constexpr int kCfgLevelSystem = 1;
constexpr int kCfgLevelApplication = 2;
constexpr int kCfgLevelSite = 3;
constexpr int kCfgLevelProject = 4;
constexpr int kCfgLevelUser = 5;
constexpr int kCfgLevelMax = 7;

// Names are letters, digits and '_', not starting with a digit (case-sensitive, as in the
// environment). False (nothing
// defined) for a bad name or level.
bool defineVariable(std::string_view name, std::string_view value, int level);
// Removes the definition at `level`, or at every level when level < 0. False when none was there.
bool undefineVariable(std::string_view name, int level = -1);

// The raw value (as defined, references not expanded), or nothing when undefined.
std::optional<std::string> variableValue(std::string_view name);
// The level the value comes from.
std::optional<int> variableLevel(std::string_view name);
// The value with every reference expanded, or nothing when undefined.
std::optional<std::string> expandedVariable(std::string_view name);

// Expands "$(NAME)" references: an undefined variable expands to nothing, names may themselves
// hold references ("$(A$(B))"), a reference back into a variable being expanded (a cycle) expands
// to nothing, and "$(" without its ")" stays as written. Results are cut at 64 KiB;
// `complete` (may be null) says whether nothing was cut or refused.
std::string expandText(std::string_view text, bool* complete = nullptr);

// A directory list split at ';' and ':' (POSIX paths hold no drive letters), empty parts dropped.
std::vector<std::string> splitPathList(std::string_view list);

bool isVariableName(std::string_view name);

}  // namespace pixmend::host
