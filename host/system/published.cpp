// Published records and their field layouts (see published.hpp), and the C calls that publish
// them: mdlCExpression_initializeSet, mdlDialog_publishComplexPtr / ...Variable and the lookup of
// published symbols by name.
#include "host/system/published.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <utility>

#include "common/text.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/system/api.h"
#include "host/system/publish.hpp"
#include "host/system/registry.hpp"

// The symbol set of mdlCExpression_initializeSet: opaque to applications.
struct SymbolSet {
  int visibility = 0;
};

namespace pixmend::host {
namespace {

struct Published {
  std::string structName;
  std::string variableName;
  void* address = nullptr;  // the variable: the record itself or, for a pointer, the pointer
  bool isPointer = false;   // true: the record is where the pointer variable points now
  Application* owner = nullptr;
};

struct State {
  std::map<std::string, StructLayout, std::less<>> layouts;
  std::vector<Published> published;  // newest last; a name published again replaces the old entry
  std::vector<std::unique_ptr<SymbolSet>> sets;
  std::map<std::string, void*, std::less<>> sharedPointers;
  std::vector<LayoutSource> layoutSources;
};

State& state() {
  static State instance;
  return instance;
}

// Numbers in and out of a field's bytes, as the C compiler stores a member of type T.
template <typename T>
double load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return static_cast<double>(v);
}

template <typename T>
void store(void* p, double whole) {
  const auto v = static_cast<T>(whole);
  std::memcpy(p, &v, sizeof v);
}

constexpr double kNoRange = 0;

// Every field type once: words, size, alignment, the values an integer holds, and how numbers
// go in and out of it (text and bytes take no numbers of their own).
const FieldTypeInfo kFieldTypes[] = {
    {FieldType::Int8, "int8", "char", 1, 1, -128, 127, load<std::int8_t>, store<std::int8_t>},
    {FieldType::UInt8, "uint8", "byte", 1, 1, 0, 255, load<std::uint8_t>, store<std::uint8_t>},
    {FieldType::Int16, "int16", "short", 2, 2, -32768, 32767, load<std::int16_t>, store<std::int16_t>},
    {FieldType::UInt16, "uint16", "ushort", 2, 2, 0, 65535, load<std::uint16_t>, store<std::uint16_t>},
    {FieldType::Int32, "int32", "int", 4, 4, -2147483648.0, 2147483647.0, load<std::int32_t>,
     store<std::int32_t>},
    {FieldType::UInt32, "uint32", "uint", 4, 4, 0, 4294967295.0, load<std::uint32_t>, store<std::uint32_t>},
    {FieldType::Double, "double", nullptr, 8, 8, kNoRange, kNoRange, load<double>, store<double>},
    {FieldType::Text, "text", nullptr, 0, 1, kNoRange, kNoRange, nullptr, nullptr},
    {FieldType::Bytes, "bytes", nullptr, 0, 1, kNoRange, kNoRange, nullptr, nullptr},
};

bool isInteger(FieldType type) {
  return type != FieldType::Double && type != FieldType::Text && type != FieldType::Bytes;
}

const Published* findPublished(std::string_view name) {
  const auto& all = state().published;
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    if (it->variableName == name) return &*it;
  }
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    if (it->structName == name) return &*it;
  }
  return nullptr;
}

}  // namespace

std::string formatNumber(double value) {
  char buffer[40];
  for (int precision = 15; precision <= 17; ++precision) {
    std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
    if (std::strtod(buffer, nullptr) == value) break;
  }
  return buffer;
}

const FieldTypeInfo& fieldTypeInfo(FieldType type) {
  for (const auto& info : kFieldTypes) {
    if (info.type == type) return info;
  }
  return kFieldTypes[std::size(kFieldTypes) - 1];  // not reached: every type is in the table
}

std::optional<FieldType> fieldTypeFromName(std::string_view name) {
  for (const auto& info : kFieldTypes) {
    if (name == info.word || (info.otherWord != nullptr && name == info.otherWord)) return info.type;
  }
  return std::nullopt;
}

std::string checkLayout(const StructLayout& layout) {
  if (layout.name.empty()) return "a struct layout needs a name";
  for (std::size_t i = 0; i < layout.fields.size(); ++i) {
    const auto& f = layout.fields[i];
    if (f.name.empty()) return "field " + std::to_string(i) + " of '" + layout.name + "' has no name";
    const std::size_t fixed = fieldTypeInfo(f.type).size;
    if (fixed != 0 && f.size != fixed) {
      return "field '" + f.name + "' of '" + layout.name + "' has size " + std::to_string(f.size) +
             ", its type takes " + std::to_string(fixed);
    }
    if (f.size == 0) return "field '" + f.name + "' of '" + layout.name + "' has no size";
    if (f.offset > layout.size || f.size > layout.size - f.offset) {
      return "field '" + f.name + "' of '" + layout.name + "' lies outside the struct's " +
             std::to_string(layout.size) + " bytes";
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (layout.fields[j].name == f.name)
        return "field '" + f.name + "' of '" + layout.name + "' is named twice";
    }
  }
  return "";
}

void placeFields(StructLayout& layout) {
  std::size_t at = 0;
  std::size_t widest = 1;
  for (auto& f : layout.fields) {
    const std::size_t align = fieldTypeInfo(f.type).alignment;
    widest = std::max(widest, align);
    at = (at + align - 1) / align * align;
    f.offset = at;
    at += f.size;
  }
  if (layout.size == 0) layout.size = (at + widest - 1) / widest * widest;
}

void defineStructLayout(StructLayout layout) {
  const std::string error = checkLayout(layout);
  if (!error.empty()) {
    // A broken layout would let a dialog write outside a record: refuse it, say why.
    journal().append("text", "Struct layout refused: " + error + "\n");
    return;
  }
  std::string name = layout.name;
  state().layouts[name] = std::move(layout);
}

const StructLayout* findStructLayout(std::string_view structName) {
  auto& layouts = state().layouts;
  auto it = layouts.find(structName);
  return it != layouts.end() ? &it->second : nullptr;
}

void registerLayoutSource(LayoutSource source) {
  state().layoutSources.push_back(std::move(source));
}

std::optional<FieldRef> resolveAccess(std::string_view access) {
  std::string_view recordName;
  std::string_view fieldName;
  if (auto arrow = access.find("->"); arrow != std::string_view::npos) {
    recordName = access.substr(0, arrow);
    fieldName = access.substr(arrow + 2);
  } else if (auto dot = access.find('.'); dot != std::string_view::npos) {
    recordName = access.substr(0, dot);
    fieldName = access.substr(dot + 1);
  } else {
    return std::nullopt;
  }
  const Published* record = findPublished(recordName);
  if (record == nullptr) return std::nullopt;
  const StructLayout* layout = findStructLayout(record->structName);
  if (layout == nullptr) return std::nullopt;
  void* base = record->address;
  if (record->isPointer) {
    void* pointer = nullptr;
    std::memcpy(&pointer, record->address, sizeof pointer);
    base = pointer;
  }
  if (base == nullptr) return std::nullopt;
  for (const auto& field : layout->fields) {
    if (field.name == fieldName) return FieldRef{static_cast<unsigned char*>(base) + field.offset, &field};
  }
  return std::nullopt;
}

std::optional<double> readNumber(const FieldRef& ref) {
  if (ref.address == nullptr || ref.field == nullptr) return std::nullopt;
  if (ref.field->type == FieldType::Text) return text::parseNumber(readText(ref));
  const FieldTypeInfo& info = fieldTypeInfo(ref.field->type);
  if (info.load == nullptr) return std::nullopt;
  return info.load(ref.address);
}

bool writeNumber(const FieldRef& ref, double value) {
  if (ref.address == nullptr || ref.field == nullptr) return false;
  const FieldTypeInfo& info = fieldTypeInfo(ref.field->type);
  if (ref.field->type == FieldType::Text) return std::isfinite(value) && writeText(ref, formatNumber(value));
  if (info.store == nullptr) return false;
  if (!isInteger(info.type)) {
    info.store(ref.address, value);
    return true;
  }
  // Integers take the whole part, as a C assignment would; values beyond the type are refused
  // rather than wrapped, so a dialog never stores a different number than the one given.
  if (!std::isfinite(value)) return false;
  const double whole = std::trunc(value);
  if (whole < info.low || whole > info.high) return false;
  info.store(ref.address, whole);
  return true;
}

std::string readText(const FieldRef& ref) {
  if (ref.address == nullptr || ref.field == nullptr) return "";
  if (ref.field->type == FieldType::Text) {
    // The record may hold no terminator at all: never read past the field.
    const char* chars = static_cast<const char*>(ref.address);
    std::size_t n = 0;
    while (n < ref.field->size && chars[n] != '\0') ++n;
    return std::string(chars, n);
  }
  if (ref.field->type == FieldType::Bytes) return "";
  const auto value = readNumber(ref);
  return value ? formatNumber(*value) : "";
}

bool writeText(const FieldRef& ref, std::string_view text) {
  if (ref.address == nullptr || ref.field == nullptr) return false;
  if (ref.field->type == FieldType::Bytes) return false;
  if (ref.field->type == FieldType::Text) {
    const std::size_t size = ref.field->size;
    if (size == 0) return false;
    const std::size_t n = std::min(text.size(), size - 1);
    char* chars = static_cast<char*>(ref.address);
    std::memcpy(chars, text.data(), n);
    std::memset(chars + n, 0, size - n);
    return true;
  }
  const auto value = text::parseNumber(text);
  return value && writeNumber(ref, *value);
}

void* publishedSymbolAddress(std::string_view name) {
  const Published* record = findPublished(name);
  return record != nullptr ? record->address : nullptr;
}

bool publishRecord(std::string structName, std::string variableName, void* address, bool isPointer,
                   Application* owner) {
  auto& s = state();
  if (findStructLayout(structName) == nullptr) {
    for (auto& source : s.layoutSources) {
      if (source(owner, structName)) break;
    }
  }
  auto& all = s.published;
  for (auto it = all.begin(); it != all.end();) {
    it = it->variableName == variableName ? all.erase(it) : it + 1;
  }
  all.push_back({std::move(structName), std::move(variableName), address, isPointer, owner});
  return findStructLayout(all.back().structName) != nullptr;
}

void unpublishRecords(Application* owner) {
  auto& all = state().published;
  for (auto it = all.begin(); it != all.end();) it = it->owner == owner ? all.erase(it) : it + 1;
}

namespace {

const bool registeredReset = registerReset("system.published", [] {
  auto& s = state();
  s.layouts.clear();
  s.published.clear();
  s.sets.clear();
  for (auto& entry : s.sharedPointers) entry.second = nullptr;
  s.sharedPointers.clear();
});

// An unloaded application's records point into memory that is gone.
const bool registeredUnload =
    registerUnloadHook("system.published", [](Application* app) { unpublishRecords(app); });

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

SymbolSet* mdlCExpression_initializeSet(int visibility, int hashEntries, int ignoreCase) {
  (void)hashEntries;
  (void)ignoreCase;
  traceCall("mdlCExpression_initializeSet " + std::to_string(visibility));
  auto set = std::make_unique<SymbolSet>();
  set->visibility = visibility;
  state().sets.push_back(std::move(set));
  return state().sets.back().get();
}

int mdlDialog_publishComplexPtr(SymbolSet* set, const char* structName, const char* variableName,
                                void* pointerAddress) {
  (void)set;
  if (structName == nullptr || variableName == nullptr || pointerAddress == nullptr || *structName == '\0' ||
      *variableName == '\0') {
    return MDLERR_BADARG;
  }
  traceCall(std::string("mdlDialog_publishComplexPtr ") + structName + " " + variableName);
  if (!publishRecord(structName, variableName, pointerAddress, true, currentApplication())) {
    journal().append("text", std::string("No layout for published struct ") + structName + "\n");
  }
  return 0;
}

int mdlDialog_publishComplexVariable(SymbolSet* set, const char* structName, const char* variableName,
                                     void* recordAddress) {
  (void)set;
  if (structName == nullptr || variableName == nullptr || recordAddress == nullptr || *structName == '\0' ||
      *variableName == '\0') {
    return MDLERR_BADARG;
  }
  traceCall(std::string("mdlDialog_publishComplexVariable ") + structName + " " + variableName);
  if (!publishRecord(structName, variableName, recordAddress, false, currentApplication())) {
    journal().append("text", std::string("No layout for published struct ") + structName + "\n");
  }
  return 0;
}

void* mdlCExpression_symbolAddress(const char* name) {
  if (name == nullptr) return nullptr;
  return publishedSymbolAddress(name);
}

void** mdlSystem_sharedPointer(const char* name) {
  if (name == nullptr || *name == '\0') return nullptr;
  auto& slots = state().sharedPointers;
  auto it = slots.find(std::string_view(name));
  if (it == slots.end()) it = slots.emplace(name, nullptr).first;
  return &it->second;
}

}  // extern "C"
