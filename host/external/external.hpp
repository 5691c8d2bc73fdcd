// The external group's C++ side: finding programs, the argument splitting of
// mdlExternal_startProgram, and what the host's own key-ins use to hand work to the operating
// system (a shell command, a document or an address for the desktop's opener).
#pragma once

#include <string>
#include <vector>

namespace pixmend::host {

// The program a name stands for: a name holding '/' as it is (when it is an executable file),
// else the first executable file of that name in the directories of the configuration variable
// PATH (';' or ':' separated). "" when there is none.
std::string findProgram(const std::string& name);

// Splits an argument text as mdlExternal_startProgram does: blanks and tabs separate, a
// double-quoted part is one argument without its quotes, \" is a quote.
std::vector<std::string> splitArguments(const std::string& text);

// A program and its arguments as one line for the journal: arguments with blanks, quotes or
// nothing in them are double-quoted.
std::string commandText(const std::string& program, const std::vector<std::string>& arguments);

// Hands a file or an address to the desktop's opener, xdg-open found along PATH, and does not
// wait for it. False when there is no opener or it cannot be started (journaled either way).
bool openWithDesktop(const std::string& target);

// Runs `line` with /bin/sh -c and waits for it to end. Its exit status (128 + signal when a
// signal ended it), or -1 when it could not be started.
int runShellCommand(const std::string& line);

// Test support: waits up to `milliseconds` for every program the host started to end. True when
// none is left running.
bool waitForPrograms(int milliseconds);

}  // namespace pixmend::host
