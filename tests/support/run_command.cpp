// Running a program as a user runs it from a shell (run_command.hpp).
#include "support/run_command.hpp"

#include <sys/wait.h>

#include <cstdio>

namespace pixmend::testsupport {

CommandRun runCommand(const std::string& command) {
  CommandRun run;
  std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace pixmend::testsupport
