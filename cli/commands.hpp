// The subcommands of the pixmend program. Each takes the arguments after its name and returns
// the process exit status.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "host/state/state.hpp"

namespace pixmend::cli {

using Args = std::vector<std::string>;

int runDemo(const Args& args);     // demo.cpp
int runSession(const Args& args);  // run.cpp
int runInfo(const Args& args);     // info.cpp
int runConvert(const Args& args);  // info.cpp
int runDesign(const Args& args);   // designlist.cpp
int runCell(const Args& args);     // celllibrary.cpp
int runServe(const Args& args);    // serve/serve.cpp
int runPlotCommand(const Args& args);  // plotverbs.cpp

// The key-ins of VXRaster's command table, for the usage text (keyins.cpp).
void printApplicationKeyins(std::FILE* out);
// VXRaster's command table, read from the resource file beside the application (whose name goes
// to `resourceFile`, "" when VXRaster was not found). False with the reason.
bool applicationCommandTable(std::vector<host::CommandTableEntry>* table, std::string* resourceFile,
                             std::string* error);

}  // namespace pixmend::cli
