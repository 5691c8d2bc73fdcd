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

std::size_t fieldAlignment(FieldType type) {
  switch (type) {
    case FieldType::Int16:
    case FieldType::UInt16:
      return 2;
    case FieldType::Int32:
    case FieldType::UInt32:
      return 4;
    case FieldType::Double:
      return 8;
    default:
      return 1;
  }
}

bool integerRange(FieldType type, double& low, double& high) {
  switch (type) {
    case FieldType::Int8:
      low = -128, high = 127;
      return true;
    case FieldType::UInt8:
      low = 0, high = 255;
      return true;
    case FieldType::Int16:
      low = -32768, high = 32767;
      return true;
    case FieldType::UInt16:
      low = 0, high = 65535;
      return true;
    case FieldType::Int32:
      low = -2147483648.0, high = 2147483647.0;
      return true;
    case FieldType::UInt32:
      low = 0, high = 4294967295.0;
      return true;
    default:
      return false;
  }
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

std::size_t fieldTypeSize(FieldType type) {
  switch (type) {
    case FieldType::Int8:
    case FieldType::UInt8:
      return 1;
    case FieldType::Int16:
    case FieldType::UInt16:
      return 2;
    case FieldType::Int32:
    case FieldType::UInt32:
      return 4;
    case FieldType::Double:
      return 8;
    default:
      return 0;  // Text and Bytes take the size they are given
  }
}

std::optional<FieldType> fieldTypeFromName(std::string_view name) {
  static const std::pair<const char*, FieldType> names[] = {
      {"int8", FieldType::Int8},     {"char", FieldType::Int8},     {"uint8", FieldType::UInt8},
      {"byte", FieldType::UInt8},    {"int16", FieldType::Int16},   {"short", FieldType::Int16},
      {"uint16", FieldType::UInt16}, {"ushort", FieldType::UInt16}, {"int32", FieldType::Int32},
      {"int", FieldType::Int32},     {"uint32", FieldType::UInt32}, {"uint", FieldType::UInt32},
      {"double", FieldType::Double}, {"text", FieldType::Text},     {"bytes", FieldType::Bytes},
  };
  for (const auto& [n, t] : names) {
    if (name == n) return t;
  }
  return std::nullopt;
}

std::string checkLayout(const StructLayout& layout) {
  if (layout.name.empty()) return "a struct layout needs a name";
  for (std::size_t i = 0; i < layout.fields.size(); ++i) {
    const auto& f = layout.fields[i];
    if (f.name.empty()) return "field " + std::to_string(i) + " of '" + layout.name + "' has no name";
    const std::size_t fixed = fieldTypeSize(f.type);
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
    const std::size_t align = fieldAlignment(f.type);
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
  const void* p = ref.address;
  switch (ref.field->type) {
    case FieldType::Int8: {
      std::int8_t v;
      std::memcpy(&v, p, sizeof v);
      return v;
    }
    case FieldType::UInt8: {
      std::uint8_t v;
      std::memcpy(&v, p, sizeof v);
      return v;
    }
    case FieldType::Int16: {
      std::int16_t v;
      std::memcpy(&v, p, sizeof v);
      return v;
    }
    case FieldType::UInt16: {
      std::uint16_t v;
      std::memcpy(&v, p, sizeof v);
      return v;
    }
    case FieldType::Int32: {
      std::int32_t v;
      std::memcpy(&v, p, sizeof v);
      return v;
    }
    case FieldType::UInt32: {
      std::uint32_t v;
      std::memcpy(&v, p, sizeof v);
      return v;
    }
    case FieldType::Double: {
      double v;
      std::memcpy(&v, p, sizeof v);
      return v;
    }
    case FieldType::Text:
      return text::parseNumber(readText(ref));
    case FieldType::Bytes:
      return std::nullopt;
  }
  return std::nullopt;
}

bool writeNumber(const FieldRef& ref, double value) {
  if (ref.address == nullptr || ref.field == nullptr) return false;
  void* p = ref.address;
  const FieldType type = ref.field->type;
  if (type == FieldType::Double) {
    std::memcpy(p, &value, sizeof value);
    return true;
  }
  if (type == FieldType::Text) return std::isfinite(value) && writeText(ref, formatNumber(value));
  double low = 0, high = 0;
  if (!integerRange(type, low, high) || !std::isfinite(value)) return false;
  // Integers take the whole part, as a C assignment would; values beyond the type are refused
  // rather than wrapped, so a dialog never stores a different number than the one given.
  const double whole = std::trunc(value);
  if (whole < low || whole > high) return false;
  switch (type) {
    case FieldType::Int8: {
      const auto v = static_cast<std::int8_t>(whole);
      std::memcpy(p, &v, sizeof v);
      break;
    }
    case FieldType::UInt8: {
      const auto v = static_cast<std::uint8_t>(whole);
      std::memcpy(p, &v, sizeof v);
      break;
    }
    case FieldType::Int16: {
      const auto v = static_cast<std::int16_t>(whole);
      std::memcpy(p, &v, sizeof v);
      break;
    }
    case FieldType::UInt16: {
      const auto v = static_cast<std::uint16_t>(whole);
      std::memcpy(p, &v, sizeof v);
      break;
    }
    case FieldType::Int32: {
      const auto v = static_cast<std::int32_t>(whole);
      std::memcpy(p, &v, sizeof v);
      break;
    }
    case FieldType::UInt32: {
      const auto v = static_cast<std::uint32_t>(whole);
      std::memcpy(p, &v, sizeof v);
      break;
    }
    default:
      return false;
  }
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
