// Struct layouts as resources: the "struct" kind of the resource compiler, and the layout
// source (host/system/publish.hpp) that finds a published struct's layout in its application's
// resource file, so that the system group publishes records without knowing resource files.
//
// Source entry: {"kind": "struct", "id": 1, "name": "vxrasterparams", "size": 1234 (optional),
// "fields": [{"name": "copyMoveMode", "type": "int"}, {"name": "rotationAngleText", "type":
// "text", "size": 8}, {"name": "x", "type": "double", "offset": 48 (optional)}, ...]}.
// Types: int8/char, uint8/byte, int16/short, uint16/ushort, int32/int, uint32/uint, double,
// text and bytes (these two need a size). Fields without an offset follow the one before with
// natural alignment, as the C compiler places them. Stored as canonical JSON with every offset
// and size worked out.
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "host/output/journal.hpp"
#include "host/resource/rscfile.hpp"
#include "host/resource/store.hpp"
#include "host/system/publish.hpp"

namespace pixmend::host {
namespace {

constexpr std::size_t kMaxStructBytes = 1u << 24;
constexpr std::size_t kMaxFields = 4096;
const ResourceType kStructType = packType("Stru");

std::size_t sizeValue(const nlohmann::json& value, const std::string& what) {
  if (!value.is_number_unsigned() && !(value.is_number_integer() && value.get<long long>() >= 0)) {
    throw std::runtime_error(what + " must be a whole number of bytes");
  }
  const auto n = value.get<unsigned long long>();
  if (n > kMaxStructBytes) throw std::runtime_error(what + " is larger than a struct may be");
  return static_cast<std::size_t>(n);
}

}  // namespace

StructLayout parseStructLayout(const std::string& json) {
  const auto doc = nlohmann::json::parse(json, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) throw std::runtime_error("a struct layout is a JSON object");
  auto name = doc.find("name");
  if (name == doc.end() || !name->is_string() || name->get<std::string>().empty()) {
    throw std::runtime_error("\"name\" must name the struct");
  }
  auto fields = doc.find("fields");
  if (fields == doc.end() || !fields->is_array()) throw std::runtime_error("\"fields\" must be a list");
  if (fields->size() > kMaxFields) throw std::runtime_error("too many fields");
  StructLayout layout;
  layout.name = name->get<std::string>();
  if (auto size = doc.find("size"); size != doc.end()) layout.size = sizeValue(*size, "\"size\"");
  std::size_t at = 0;
  std::size_t widest = 1;
  for (std::size_t i = 0; i < fields->size(); ++i) {
    const auto& item = (*fields)[i];
    const std::string where = "fields[" + std::to_string(i) + "]";
    if (!item.is_object()) throw std::runtime_error(where + " must be an object");
    FieldLayout field;
    auto fname = item.find("name");
    auto ftype = item.find("type");
    if (fname == item.end() || !fname->is_string()) throw std::runtime_error(where + " needs a \"name\"");
    if (ftype == item.end() || !ftype->is_string()) throw std::runtime_error(where + " needs a \"type\"");
    field.name = fname->get<std::string>();
    const auto type = fieldTypeFromName(ftype->get<std::string>());
    if (!type) throw std::runtime_error(where + ": unknown type \"" + ftype->get<std::string>() + "\"");
    field.type = *type;
    const FieldTypeInfo& info = fieldTypeInfo(field.type);
    field.size = info.size;
    if (auto size = item.find("size"); size != item.end()) {
      const std::size_t given = sizeValue(*size, where + ": \"size\"");
      if (field.size != 0 && given != field.size) {
        throw std::runtime_error(where + ": a " + ftype->get<std::string>() + " takes " +
                                 std::to_string(field.size) + " bytes");
      }
      field.size = given;
    }
    if (field.size == 0) throw std::runtime_error(where + ": text and bytes fields need a \"size\"");
    const std::size_t align = info.alignment;
    widest = std::max(widest, align);
    if (auto offset = item.find("offset"); offset != item.end()) {
      field.offset = sizeValue(*offset, where + ": \"offset\"");
    } else {
      field.offset = (at + align - 1) / align * align;
    }
    at = field.offset + field.size;
    layout.fields.push_back(std::move(field));
  }
  if (layout.size == 0) layout.size = (at + widest - 1) / widest * widest;
  const std::string problem = checkLayout(layout);
  if (!problem.empty()) throw std::runtime_error(problem);
  return layout;
}

namespace {

std::vector<std::uint8_t> compileStruct(const std::string& json) {
  const StructLayout layout = parseStructLayout(json);
  nlohmann::json out;
  out["name"] = layout.name;
  out["size"] = layout.size;
  out["fields"] = nlohmann::json::array();
  for (const auto& f : layout.fields) {
    out["fields"].push_back(
        {{"name", f.name}, {"type", fieldTypeInfo(f.type).word}, {"offset", f.offset}, {"size", f.size}});
  }
  const std::string text = out.dump();
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

// Defines every struct layout of the application's own resource file that is not defined yet;
// true when `structName` is among them.
bool layoutsFromResources(Application* owner, const std::string& structName) {
  const std::string& path = applicationResourcePath(owner);
  if (path.empty()) return false;
  ResourceData data;
  std::string error;
  if (!readResourceFile(path, &data, &error)) return false;
  bool found = false;
  for (const auto& [key, bytes] : data.resources) {
    if (key.first != kStructType) continue;
    try {
      StructLayout layout = parseStructLayout(std::string(bytes.begin(), bytes.end()));
      if (layout.name == structName) found = true;
      if (findStructLayout(layout.name) == nullptr) defineStructLayout(std::move(layout));
    } catch (const std::exception& e) {
      journal().append("text", "Struct layout " + std::to_string(key.second) + " of " +
                                   applicationName(owner) + " is broken: " + e.what() + "\n");
    }
  }
  return found;
}

const bool registeredCompiler = registerResourceCompiler("struct", kStructType, compileStruct);
const bool registeredSource = (registerLayoutSource(layoutsFromResources), true);

}  // namespace
}  // namespace pixmend::host
