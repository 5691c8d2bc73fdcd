// Running a program as a user runs it from a shell: its exit status and everything it printed.
#pragma once

#include <string>

namespace pixmend::testsupport {

struct CommandRun {
  int status = -1;     // the exit status; -1 when it did not exit normally or could not start
  std::string output;  // standard output and standard error together
};

// Runs `command` with /bin/sh, standard error joined to standard output.
CommandRun runCommand(const std::string& command);

}  // namespace pixmend::testsupport
