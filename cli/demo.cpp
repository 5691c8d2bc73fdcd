// pixmend demo: a short editing run with the buffer operations on a drawing.
#include <cstdio>

#include "cli/commands.hpp"

namespace pixmend::cli {

int runDemo(const Args& args) {
  (void)args;
  std::printf("pixmend demo: not built yet\n");
  return 0;
}

}  // namespace pixmend::cli
