// Reading .xlsx workbooks for the spreadsheet stand-in (see workbook.hpp): the zip container, the
// workbook's sheet list and relationships, the shared strings and each sheet's cells. Only what
// the stand-in keeps is read (sheet names, cell texts); styles, formulas and everything else are
// left behind. Every count, size and offset comes from the file and is checked before use.
#include <zlib.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "host/win32/workbook.hpp"

namespace pixmend::host {
namespace {

constexpr std::size_t kMaxFileBytes = 256u << 20;
constexpr std::size_t kMaxPartBytes = 64u << 20;
constexpr std::size_t kMaxStrings = 1u << 20;
constexpr std::size_t kMaxCells = 4u << 20;

// Zip records: signatures and the offsets of the fields we read.
constexpr std::uint32_t kEndOfDirectory = 0x06054b50;  // end of central directory
constexpr std::size_t kEndEntries = 10, kEndDirectoryOffset = 16, kEndSize = 22;
constexpr std::uint32_t kDirectoryEntry = 0x02014b50;
constexpr std::size_t kEntryMethod = 10, kEntryCompressed = 20, kEntrySize = 24, kEntryNameLength = 28,
                      kEntryExtraLength = 30, kEntryCommentLength = 32, kEntryLocalOffset = 42, kEntryName = 46;
constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::size_t kLocalNameLength = 26, kLocalExtraLength = 28, kLocalSize = 30;

std::uint16_t u16(const std::vector<std::uint8_t>& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8); }
std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

struct Zip {
  std::vector<std::uint8_t> bytes;
  struct Entry {
    std::string name;
    int method;
    std::size_t compressed, size, local;
  };
  std::vector<Entry> entries;

  bool open(std::string* why) {
    if (bytes.size() < kEndSize) return (*why = "not a workbook (too short)", false);
    std::size_t end = bytes.size() - kEndSize;
    const std::size_t lowest = bytes.size() > kEndSize + 65535 ? bytes.size() - kEndSize - 65535 : 0;
    while (u32(bytes, end) != kEndOfDirectory) {
      if (end == lowest) return (*why = "not a workbook (no zip directory)", false);
      --end;
    }
    std::size_t at = u32(bytes, end + kEndDirectoryOffset);
    const std::size_t count = u16(bytes, end + kEndEntries);
    for (std::size_t i = 0; i < count; ++i) {
      if (at > end || end - at < kEntryName || u32(bytes, at) != kDirectoryEntry)
        return (*why = "damaged workbook (zip directory)", false);
      Entry e;
      e.method = u16(bytes, at + kEntryMethod);
      e.compressed = u32(bytes, at + kEntryCompressed);
      e.size = u32(bytes, at + kEntrySize);
      e.local = u32(bytes, at + kEntryLocalOffset);
      const std::size_t nameLength = u16(bytes, at + kEntryNameLength);
      const std::size_t next = at + kEntryName + nameLength + u16(bytes, at + kEntryExtraLength) +
                               u16(bytes, at + kEntryCommentLength);
      if (next > end) return (*why = "damaged workbook (zip directory)", false);
      e.name.assign(reinterpret_cast<const char*>(&bytes[at + kEntryName]), nameLength);
      entries.push_back(e);
      at = next;
    }
    return true;
  }

  // The part's bytes, or nothing when it is missing or cannot be read.
  std::optional<std::string> part(const std::string& name) const {
    for (const Entry& e : entries) {
      if (e.name != name) continue;
      if (e.size > kMaxPartBytes || e.local > bytes.size() || bytes.size() - e.local < kLocalSize ||
          u32(bytes, e.local) != kLocalHeader) {
        return std::nullopt;
      }
      const std::size_t data =
          e.local + kLocalSize + u16(bytes, e.local + kLocalNameLength) + u16(bytes, e.local + kLocalExtraLength);
      if (data > bytes.size() || bytes.size() - data < e.compressed) return std::nullopt;
      if (e.method == 0) {
        if (e.compressed != e.size) return std::nullopt;
        return std::string(reinterpret_cast<const char*>(&bytes[data]), e.size);
      }
      if (e.method != 8) return std::nullopt;
      std::string out(e.size, '\0');
      z_stream z{};
      if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return std::nullopt;
      z.next_in = const_cast<Bytef*>(&bytes[data]);
      z.avail_in = static_cast<uInt>(e.compressed);
      z.next_out = reinterpret_cast<Bytef*>(out.data());
      z.avail_out = static_cast<uInt>(out.size());
      const int status = inflate(&z, Z_FINISH);
      const bool whole = status == Z_STREAM_END && z.total_out == e.size;
      inflateEnd(&z);
      if (!whole) return std::nullopt;
      return out;
    }
    return std::nullopt;
  }
};

// A tiny reader of the XML parts: the next tag from `at`, its name and attributes.
struct Tag {
  std::string name;  // without namespace prefix; "/name" for an end tag
  std::string attributes;
  bool selfClosing = false;
  std::size_t end = 0;  // just past '>'
};

std::optional<Tag> nextTag(const std::string& xml, std::size_t at) {
  const std::size_t open = xml.find('<', at);
  if (open == std::string::npos) return std::nullopt;
  const std::size_t close = xml.find('>', open);
  if (close == std::string::npos) return std::nullopt;
  Tag tag;
  std::string inside = xml.substr(open + 1, close - open - 1);
  tag.selfClosing = !inside.empty() && inside.back() == '/';
  if (tag.selfClosing) inside.pop_back();
  const std::size_t space = inside.find_first_of(" \t\r\n");
  std::string name = inside.substr(0, space);
  tag.attributes = space == std::string::npos ? "" : inside.substr(space);
  const bool endTag = !name.empty() && name[0] == '/';
  if (endTag) name.erase(0, 1);
  const std::size_t colon = name.find(':');
  if (colon != std::string::npos) name.erase(0, colon + 1);
  tag.name = (endTag ? "/" : "") + name;
  tag.end = close + 1;
  return tag;
}

std::string unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    const std::size_t semi = text.find(';', i);
    if (semi == std::string::npos || semi - i > 10) {
      out += '&';
      continue;
    }
    const std::string entity = text.substr(i + 1, semi - i - 1);
    unsigned long code = 0;
    if (entity == "amp") code = '&';
    else if (entity == "lt") code = '<';
    else if (entity == "gt") code = '>';
    else if (entity == "quot") code = '"';
    else if (entity == "apos") code = '\'';
    else if (entity.size() > 1 && entity[0] == '#')
      code = entity[1] == 'x' ? std::strtoul(entity.c_str() + 2, nullptr, 16) : std::strtoul(entity.c_str() + 1, nullptr, 10);
    if (code == 0 || code > 0x10FFFF) {
      out += '&';
      continue;
    }
    // UTF-8, as the file is.
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
    i = semi;
  }
  return out;
}

std::string attribute(const std::string& attributes, const std::string& name) {
  std::size_t at = 0;
  while ((at = attributes.find(name + "=", at)) != std::string::npos) {
    const bool boundary = at == 0 || std::isspace(static_cast<unsigned char>(attributes[at - 1])) != 0 ||
                          attributes[at - 1] == ':';
    const std::size_t quote = at + name.size() + 1;
    if (boundary && quote < attributes.size() && (attributes[quote] == '"' || attributes[quote] == '\'')) {
      const std::size_t close = attributes.find(attributes[quote], quote + 1);
      if (close == std::string::npos) return "";
      return unescape(attributes.substr(quote + 1, close - quote - 1));
    }
    at += name.size();
  }
  return "";
}

// The text of every <t> inside the element that ends at "</until>", from `at`; *next past it.
std::string texts(const std::string& xml, std::size_t at, const std::string& until, std::size_t* next) {
  std::string out;
  bool inText = false, inPhonetic = false;
  std::size_t textStart = 0;
  while (auto tag = nextTag(xml, at)) {
    if (inText && tag->name == "/t") {
      if (!inPhonetic) out += unescape(xml.substr(textStart, xml.find('<', at) - textStart));
      inText = false;
    }
    if (tag->name == "t" && !tag->selfClosing) {
      inText = true;
      textStart = tag->end;
    }
    if (tag->name == "rPh") inPhonetic = !tag->selfClosing;
    if (tag->name == "/rPh") inPhonetic = false;
    at = tag->end;
    if (tag->name == "/" + until) break;
  }
  *next = at;
  return out;
}

// "B12" -> row 12, column 2.
bool parseReference(const std::string& ref, int* row, int* column) {
  std::size_t i = 0;
  long c = 0, r = 0;
  while (i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i])) && c <= kMaxColumns)
    c = c * 26 + (std::toupper(static_cast<unsigned char>(ref[i++])) - 'A' + 1);
  if (i == 0) return false;
  const std::size_t digits = i;
  while (i < ref.size() && std::isdigit(static_cast<unsigned char>(ref[i])) && r <= kMaxRows) r = r * 10 + (ref[i++] - '0');
  if (i == digits || i != ref.size() || r < 1 || r > kMaxRows || c > kMaxColumns) return false;
  *row = static_cast<int>(r);
  *column = static_cast<int>(c);
  return true;
}

bool readSheet(const std::string& xml, const std::vector<std::string>& shared, Sheet* sheet, std::size_t* cellCount,
               std::string* why) {
  std::size_t at = 0;
  while (auto tag = nextTag(xml, at)) {
    at = tag->end;
    if (tag->name != "c" || tag->selfClosing) continue;
    int row = 0, column = 0;
    if (!parseReference(attribute(tag->attributes, "r"), &row, &column))
      return (*why = "damaged sheet " + sheet->name + " (cell reference)", false);
    const std::string type = attribute(tag->attributes, "t");
    std::string text;
    if (type == "inlineStr") {
      text = texts(xml, at, "c", &at);
    } else {
      const std::size_t v = xml.find("<v>", at), cEnd = xml.find("</c>", at);
      if (v != std::string::npos && v < cEnd) {
        const std::size_t vEnd = xml.find("</v>", v);
        if (vEnd == std::string::npos) return (*why = "damaged sheet " + sheet->name, false);
        text = unescape(xml.substr(v + 3, vEnd - v - 3));
      }
      if (type == "s") {
        char* stop = nullptr;
        const unsigned long index = std::strtoul(text.c_str(), &stop, 10);
        if (text.empty() || *stop != '\0' || index >= shared.size())
          return (*why = "damaged sheet " + sheet->name + " (shared string index)", false);
        text = shared[index];
      } else if (type == "b") {
        text = text == "1" ? "TRUE" : "FALSE";
      }
      if (cEnd != std::string::npos) at = cEnd + 4;
    }
    if (text.empty()) continue;
    if (++*cellCount > kMaxCells) return (*why = "too many cells", false);
    sheet->cells[{row, column}] = text;
  }
  return true;
}

}  // namespace

bool readWorkbook(const std::string& path, Workbook* out, std::string* why) {
  *out = Workbook();
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return (*why = "cannot read " + path, false);
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::size_t>(size) > kMaxFileBytes) return (*why = path + " is too large", false);
  Zip zip;
  zip.bytes.resize(static_cast<std::size_t>(size));
  in.seekg(0);
  if (size > 0 && !in.read(reinterpret_cast<char*>(zip.bytes.data()), size)) return (*why = "cannot read " + path, false);
  if (!zip.open(why)) return false;
  const std::optional<std::string> workbook = zip.part("xl/workbook.xml");
  const std::optional<std::string> relations = zip.part("xl/_rels/workbook.xml.rels");
  if (!workbook || !relations) return (*why = "not a workbook (no sheet list)", false);
  std::vector<std::string> shared;
  if (const std::optional<std::string> strings = zip.part("xl/sharedStrings.xml")) {
    std::size_t at = 0;
    while (auto tag = nextTag(*strings, at)) {
      at = tag->end;
      if (tag->name != "si" || tag->selfClosing) continue;
      if (shared.size() >= kMaxStrings) return (*why = "too many strings", false);
      shared.push_back(texts(*strings, at, "si", &at));
    }
  }
  std::size_t cells = 0;
  std::size_t at = 0;
  while (auto tag = nextTag(*workbook, at)) {
    at = tag->end;
    if (tag->name != "sheet") continue;
    Sheet sheet;
    sheet.name = attribute(tag->attributes, "name");
    const std::string id = attribute(tag->attributes, "id");
    std::string target;
    std::size_t r = 0;
    while (auto rel = nextTag(*relations, r)) {
      r = rel->end;
      if (rel->name == "Relationship" && attribute(rel->attributes, "Id") == id) target = attribute(rel->attributes, "Target");
    }
    if (sheet.name.empty() || target.empty()) return (*why = "damaged workbook (sheet list)", false);
    target = target[0] == '/' ? target.substr(1) : "xl/" + target;
    const std::optional<std::string> xml = zip.part(target);
    if (!xml) return (*why = "damaged workbook (sheet " + sheet.name + " missing)", false);
    if (!readSheet(*xml, shared, &sheet, &cells, why)) return false;
    out->sheets.push_back(std::move(sheet));
  }
  if (out->sheets.empty()) return (*why = "not a workbook (no sheets)", false);
  return true;
}

}  // namespace pixmend::host
