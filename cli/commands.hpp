// The subcommands of the pixmend program. Each takes the arguments after its name and returns
// the process exit status.
#pragma once

#include <string>
#include <vector>

namespace pixmend::cli {

using Args = std::vector<std::string>;

int runDemo(const Args& args);

}  // namespace pixmend::cli
