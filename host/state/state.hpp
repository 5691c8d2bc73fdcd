// The state group's C++ side: what the user does (cursor moves, data points, resets, key-ins,
// command numbers) delivered to the state machine, the host's built-in key-ins and command
// numbers that other groups extend, and command tables.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/system/registry.hpp"
#include "host/types.h"

namespace pixmend::host {

// User input. A cursor move runs the dynamics function; a data point runs it too and then the
// data-point handler; a reset runs the reset handler. Nothing happens without a handler.
void moveCursor(const DPoint3d& point, int view);
void deliverDataPoint(const DPoint3d& point, int view);
void deliverReset();

// Runs a key-in now, as typed: journals "keyin: TEXT", then the longest matching phrase of the
// loaded applications' command tables (newest application first; only `taskId`'s when given)
// or of the host's built-in key-ins runs with the rest of the text. False (and "error: Unknown
// command: TEXT") when nothing matches.
bool runKeyin(const std::string& text, const std::string& taskId = "");

// Runs a command number now: journals "cmd: 0xNNNNNNNN [UNPARSED]", then the host's built-in
// command or the newest application's function for it. False (and an error entry) when none.
bool runCommandNumber(unsigned number, const std::string& unparsed);

// Host built-ins: a key-in phrase (words, any case) and its handler, which gets the rest of the
// key-in; a command number and its handler, which gets the unparsed text. A phrase or number
// registered again replaces the earlier handler.
using BuiltinKeyin = std::function<void(const std::string& rest)>;
void registerBuiltinKeyin(const std::string& phrase, BuiltinKeyin handler);
using BuiltinCommand = std::function<void(const std::string& unparsed)>;
void registerBuiltinCommand(unsigned number, BuiltinCommand handler);

// Command tables: key-in phrases bound to command numbers.
struct CommandTableEntry {
  std::string keyin;
  unsigned number = 0;
};
// Reads a command table from its compiled form (or its source entry): {"commands": [{"keyin":
// "...", "number": 16842752 or "0x01010100"}, ...]}. Nothing, with `error` set, when broken.
std::optional<std::vector<CommandTableEntry>> parseCommandTable(const std::string& json, std::string* error);
// Makes `entries` the command table of `app` (replacing any earlier one).
void setCommandTable(Application* app, std::vector<CommandTableEntry> entries);
// The command numbers `app` registered a function for (mdlSystem_registerCommandNumbers), in
// increasing order.
std::vector<unsigned> registeredCommandNumbers(Application* app);

// The state machine as the session sees it.
bool commandActive();
bool dynamicsActive();

// Runs a command function as the command being started (so a restart finds it again).
void runCommandFunction(Application* app, void* function, const std::string& unparsed);

// Runs the queued key-ins and command numbers now (what mdlInput_waitForMessage does).
int runInputQueue();

}  // namespace pixmend::host
