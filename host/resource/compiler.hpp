// The resource compiler's driver: reads JSON resource sources, hands every entry to the compiler
// registered for its "kind" (registerResourceCompiler, store.hpp) and collects the results as
// the content of one resource file. Used by pixmend-rsc, the tests and the fuzzer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/resource/rscfile.hpp"

namespace pixmend::host {

// Compiles one source text. `sourceName` names it in messages; files that entries refer to are
// found relative to `sourceDir`. Entries go into `out` (a (type, id) already there is an
// error). Every file read is appended to `dependencies` when it is given. False with one
// message, "NAME: resources[I] (kind K, id N): problem", on the first error.
bool compileResourceSource(const std::string& text, const std::string& sourceName, const std::string& sourceDir,
                           ResourceData* out, std::vector<std::string>* dependencies, std::string* error);

// Compiles source files in order into one file's content.
bool compileResourceFiles(const std::vector<std::string>& paths, ResourceData* out,
                          std::vector<std::string>* dependencies, std::string* error);

// The kinds that can be compiled now, sorted.
std::vector<std::string> registeredResourceKinds();

// For compilers: the bytes of a file that an entry names, relative to the entry's "$sourceDir"
// (the driver adds that key to every entry it hands over). Throws std::runtime_error when the
// file is missing, unreadable or larger than one resource may be.
std::vector<std::uint8_t> readSourceFile(const std::string& sourceDir, const std::string& name);

}  // namespace pixmend::host
