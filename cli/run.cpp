// pixmend run SCRIPT|-: plays a session script and prints the journal.
#include <cstdio>

#include "cli/commands.hpp"

namespace pixmend::cli {

int runSession(const Args& args) {
  (void)args;
  std::fprintf(stderr, "pixmend run: not available yet\n");
  return 2;
}

}  // namespace pixmend::cli
