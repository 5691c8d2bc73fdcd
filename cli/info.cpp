// pixmend info FILE and pixmend convert IN OUT: the image library on the command line.
#include <cstdio>

#include "cli/commands.hpp"

namespace pixmend::cli {

int runInfo(const Args& args) {
  (void)args;
  std::fprintf(stderr, "pixmend info: not available yet\n");
  return 2;
}

int runConvert(const Args& args) {
  (void)args;
  std::fprintf(stderr, "pixmend convert: not available yet\n");
  return 2;
}

}  // namespace pixmend::cli
