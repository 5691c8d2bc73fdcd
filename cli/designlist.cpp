// pixmend design list FILE.dgn [--model N]: what a design file holds, element by element, so a
// user can see what the applications stored in it (file position, type, level, size, linkages,
// for application data its application type and version, a text's characters and a cell's name
// with characters outside printable ASCII as '?'). The file is only read.
#include <cstdio>
#include <string>

#include "cli/commands.hpp"
#include "common/bytes.hpp"
#include "common/text.hpp"
#include "host/design/designfile.hpp"
#include "host/view/layout.hpp"

namespace pixmend::cli {
namespace {

namespace el = host::element;

constexpr int kApplicationData = 66;
constexpr std::uint16_t kUserDataId = 0x4F33;

const char* typeName(int type) {
  switch (type) {
    case 2: return "cell";
    case 3: return "line";
    case 4: return "line string";
    case 6: return "shape";
    case 7: return "text node";
    case 14: return "complex shape";
    case 15: return "ellipse";
    case 16: return "arc";
    case 17: return "text";
    case kApplicationData: return "application data";
    default: return "element";
  }
}

std::string hex16(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

// One line for a sound element (its image passed the reader's check).
std::string describe(const std::vector<std::uint8_t>& b) {
  const int type = b[el::kTypeWord];
  std::string line = "type " + std::to_string(type) + " (" + typeName(type) + "), level " +
                     std::to_string(le::get32(b.data() + el::kLevel)) + ", " + std::to_string(b.size()) + " bytes";
  if (le::get32(b.data() + el::kTypeWord) & el::kComponentFlag) line += ", component";
  // A text's characters and a cell's name (checked images: their counts fit their words).
  if (type == 17 || type == 2) {
    const std::size_t count = le::get32(b.data() + (type == 17 ? el::kTextCount : el::kCellNameLength));
    const std::size_t at = type == 17 ? el::kTextChars : el::kCellNames;
    line += type == 17 ? " \"" : " named \"";
    for (std::size_t i = 0; i < count; ++i) {
      const unsigned c = le::get16(b.data() + at + 2 * i);
      line += c >= 0x20 && c <= 0x7e ? static_cast<char>(c) : '?';
    }
    line += "\"";
  }
  const std::size_t attr = static_cast<std::size_t>(le::get32(b.data() + el::kAttrOffset)) * 2;
  if (type == kApplicationData && attr >= 38 && le::get16(b.data() + 32) == 157) {
    line += ", application type " + std::to_string(static_cast<std::int16_t>(le::get16(b.data() + 34))) +
            " version " + std::to_string(static_cast<std::int16_t>(le::get16(b.data() + 36))) + ", " +
            std::to_string(attr - 38) + " bytes of data";
  }
  for (std::size_t at = attr; at + 4 <= b.size();) {
    const std::uint16_t header = le::get16(b.data() + at);
    const std::uint16_t id = le::get16(b.data() + at + 2);
    const int words = el::linkageWords(header);
    line += "\n      linkage " + hex16(id) + ", " + std::to_string(words) + " words";
    if (id == kUserDataId && (header & 0x1000) != 0 && words >= 4) {
      line += ", user data identifier " + std::to_string(static_cast<std::int16_t>(le::get16(b.data() + at + 4))) +
              " value " + std::to_string(static_cast<std::int16_t>(le::get16(b.data() + at + 6)));
    }
    at += static_cast<std::size_t>(words) * 2;
  }
  return line;
}

int usage() {
  std::fprintf(stderr, "usage: pixmend design list FILE.dgn [--model N]\n");
  return 2;
}

}  // namespace

int runDesign(const Args& args) {
  if (args.size() != 2 && args.size() != 4) return usage();
  if (args[0] != "list") return usage();
  std::optional<long long> only;
  if (args.size() == 4) {
    if (args[2] != "--model" || !(only = text::parseInteger(args[3], INT64_MIN, INT64_MAX))) return usage();
  }
  host::DesignContent content;
  std::string error;
  if (!host::readDesignFile(args[1], &content, &error)) {
    std::fprintf(stderr, "pixmend: %s\n", error.c_str());
    return 1;
  }
  bool found = !only;
  std::printf("%s: design file, %zu model%s\n", args[1].c_str(), content.models.size(),
              content.models.size() == 1 ? "" : "s");
  for (const auto& m : content.models) {
    if (only && m.id != *only) continue;
    found = true;
    std::size_t count = 0;
    for (const auto& e : content.elements) count += e.model == m.id ? 1 : 0;
    std::printf("model %lld \"%s\"%s: %zu element%s\n", static_cast<long long>(m.id), m.name.c_str(),
                m.is3d ? " (3-D)" : "", count, count == 1 ? "" : "s");
    for (const auto& l : content.levels) {
      if (l.model == m.id) std::printf("  level %u \"%s\"\n", l.id, l.name.c_str());
    }
    for (const auto& e : content.elements) {
      if (e.model != m.id) continue;
      if (!e.damage.empty()) {
        std::printf("  %8u  damaged: %s (kept in the file as it is)\n", e.position, e.damage.c_str());
      } else {
        std::printf("  %8u  %s\n", e.position, describe(e.image).c_str());
      }
    }
  }
  if (!found) {
    std::fprintf(stderr, "pixmend: %s has no model %lld\n", args[1].c_str(), *only);
    return 1;
  }
  return 0;
}

}  // namespace pixmend::cli
