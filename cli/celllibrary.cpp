// pixmend cell new|add|list: building cell libraries. A cell library is a design file whose models
// are the cells (docs/cells.md); a new one holds the model "Default" that every new design has,
// which the library's cell lists leave out. Every write replaces the file atomically; a library
// that cannot be read is refused with the reason and left as it is.
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
  const std::int64_t id = model ? *model : 0;
  std::string error;
  if (!host::addCellFromFile(path, name, description, from, model ? &id : nullptr, &error)) return failed(error);
  std::printf("%s: cell \"%s\" added from %s\n", path.c_str(), name.c_str(), from.c_str());
  return 0;
}

int runList(const std::string& path) {
  host::DesignContent library;
  std::string error;
  if (!host::readDesignFile(path, &library, &error)) return failed("cannot use " + path + " as a cell library: " + error);
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
  if (args.size() == 2 && args[0] == "new") {
    std::string error;
    if (!host::newCellLibrary(args[1], &error)) return failed(error);
    std::printf("%s: new cell library\n", args[1].c_str());
    return 0;
  }
  if (args.size() == 2 && args[0] == "list") return runList(args[1]);
  if (args.size() >= 5 && args[0] == "add") return runAdd(args);
  return usage();
}

}  // namespace pixmend::cli
