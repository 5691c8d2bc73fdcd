// The subcommands of the pixmend program. Each takes the arguments after its name and returns
// the process exit status.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace pixmend::cli {

using Args = std::vector<std::string>;

int runDemo(const Args& args);     // demo.cpp
int runSession(const Args& args);  // run.cpp
int runInfo(const Args& args);     // info.cpp
int runConvert(const Args& args);  // info.cpp
int runDesign(const Args& args);   // designlist.cpp

// The key-ins of VXRaster's command table, for the usage text (keyins.cpp).
void printApplicationKeyins(std::FILE* out);

}  // namespace pixmend::cli
