// pixmend cell new|add|list: building cell libraries. A cell library is a design file whose models
// are the cells (docs/cells.md); a new one holds the model "Default" that every new design has,
// which the library's cell lists leave out. Every write replaces the file atomically; a library
// that cannot be read is refused with the reason and left as it is.
#include <sys/stat.h>

#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands.hpp"
#include "common/text.hpp"
#include "host/design/cells.hpp"
#include "host/design/designfile.hpp"

namespace pixmend::cli {
namespace {

int usage() {
  std::fprintf(stderr,
               "usage: pixmend cell new LIB.cel\n"
               "       pixmend cell add LIB.cel NAME [--description TEXT] --from DESIGN.dgn [--model N]\n"
               "       pixmend cell list LIB.cel\n");
  return 2;
}

int failed(const std::string& message) {
  std::fprintf(stderr, "pixmend: %s\n", message.c_str());
  return 1;
}

bool readLibrary(const std::string& path, host::DesignContent* content, std::string* error) {
  if (host::readDesignFile(path, content, error)) return true;
  *error = "cannot use " + path + " as a cell library: " + *error;
  return false;
}

int runNew(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) return failed(path + " exists already; a new cell library is a new file");
  std::string error;
  if (!host::writeDesignFile(path, host::newDesignContent(), &error)) return failed(path + ": " + error);
  std::printf("%s: new cell library\n", path.c_str());
  return 0;
}

int runAdd(const Args& args) {
  const std::string& path = args[1];
  const std::string& name = args[2];
  std::string description, from;
  std::optional<long long> model;
  for (std::size_t i = 3; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return usage();
    if (args[i] == "--description") {
      description = args[i + 1];
    } else if (args[i] == "--from") {
      from = args[i + 1];
    } else if (args[i] == "--model") {
      if (!(model = text::parseInteger(args[i + 1], INT64_MIN, INT64_MAX))) return usage();
    } else {
      return usage();
    }
  }
  if (from.empty()) return usage();
  host::DesignContent library, source;
  std::string error;
  if (!readLibrary(path, &library, &error)) return failed(error);
  if (!host::readDesignFile(from, &source, &error)) return failed(error);
  const std::int64_t id = model ? *model : source.models.front().id;
  if (!host::addCell(&library, source, id, name, description, &error)) return failed(path + ": " + error);
  if (!host::writeDesignFile(path, library, &error)) return failed(path + ": " + error + " (the library is as it was)");
  std::printf("%s: cell \"%s\" added from model %lld of %s\n", path.c_str(), name.c_str(), static_cast<long long>(id),
              from.c_str());
  return 0;
}

int runList(const std::string& path) {
  host::DesignContent library;
  std::string error;
  if (!readLibrary(path, &library, &error)) return failed(error);
  std::printf("%s: cell library, %zu model%s\n", path.c_str(), library.models.size(),
              library.models.size() == 1 ? "" : "s");
  for (const auto& m : library.models) {
    std::size_t count = 0;
    for (const auto& e : library.elements) count += e.model == m.id && (e.image.size() < 2 || (e.image[1] & 1u) == 0);
    std::printf("  \"%s\"%s%s%s: %zu element%s%s\n", m.name.c_str(), m.description.empty() ? "" : " \"",
                m.description.c_str(), m.description.empty() ? "" : "\"", count, count == 1 ? "" : "s",
                m.is3d ? " (3-D)" : "");
  }
  return 0;
}

}  // namespace

int runCell(const Args& args) {
  if (args.size() == 2 && args[0] == "new") return runNew(args[1]);
  if (args.size() == 2 && args[0] == "list") return runList(args[1]);
  if (args.size() >= 5 && args[0] == "add") return runAdd(args);
  return usage();
}

}  // namespace pixmend::cli
