// pixmend-rsc: compiles resource sources (JSON) into one resource file.
//
//   pixmend-rsc -o OUT.rsc [--description TEXT] [--depfile FILE] SOURCE.json ...
//   pixmend-rsc --kinds          the kinds of resource this build can compile
//
// The output is written atomically; on any error nothing is written and the message names the
// source file and the entry.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "host/resource/compiler.hpp"

namespace {

void usage(std::FILE* out) {
  std::fprintf(out,
               "Usage: pixmend-rsc -o OUT.rsc [--description TEXT] [--depfile FILE] SOURCE.json ...\n"
               "       pixmend-rsc --kinds\n"
               "Compiles resource sources (see resources/README.md) into a resource file.\n");
}

// Make-style dependency file: the output depends on the sources and every file they name.
bool writeDepfile(const std::string& path, const std::string& output, const std::vector<std::string>& inputs) {
  auto escape = [](const std::string& s) {
    std::string out;
    for (char c : s) {
      if (c == ' ' || c == '#' || c == '\\') out += '\\';
      if (c == '$') out += '$';
      out += c;
    }
    return out;
  };
  std::ofstream out(path);
  out << escape(output) << ":";
  for (const auto& in : inputs) out << " \\\n  " << escape(in);
  out << "\n";
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  std::string output, description, depfile;
  bool descriptionGiven = false;
  std::vector<std::string> sources;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string* target) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "pixmend-rsc: %s needs a value\n", arg.c_str());
        return false;
      }
      *target = argv[++i];
      return true;
    };
    if (arg == "-h" || arg == "--help") {
      usage(stdout);
      return 0;
    } else if (arg == "--kinds") {
      for (const auto& kind : pixmend::host::registeredResourceKinds()) std::printf("%s\n", kind.c_str());
      return 0;
    } else if (arg == "-o") {
      if (!value(&output)) return 2;
    } else if (arg == "--description") {
      if (!value(&description)) return 2;
      descriptionGiven = true;
    } else if (arg == "--depfile") {
      if (!value(&depfile)) return 2;
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "pixmend-rsc: unknown option %s\n", arg.c_str());
      usage(stderr);
      return 2;
    } else {
      sources.push_back(arg);
    }
  }
  if (output.empty() || sources.empty()) {
    usage(stderr);
    return 2;
  }
  pixmend::host::ResourceData data;
  std::vector<std::string> dependencies = sources;
  std::string error;
  if (!pixmend::host::compileResourceFiles(sources, &data, &dependencies, &error)) {
    std::fprintf(stderr, "pixmend-rsc: %s\n", error.c_str());
    return 1;
  }
  if (descriptionGiven) data.description = description;
  if (!pixmend::host::writeResourceFile(output, data, &error)) {
    std::fprintf(stderr, "pixmend-rsc: %s\n", error.c_str());
    return 1;
  }
  if (!depfile.empty() && !writeDepfile(depfile, output, dependencies)) {
    std::fprintf(stderr, "pixmend-rsc: cannot write %s\n", depfile.c_str());
    return 1;
  }
  return 0;
}
