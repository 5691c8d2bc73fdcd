// The system group's own calls around published records (the shared contract is published.hpp):
// publishing, forgetting an application's records, layout helpers for the resource compiler of
// struct layouts, and number formatting shared with the dialogs and scripts.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "host/system/published.hpp"
#include "host/system/registry.hpp"

namespace pixmend::host {

// Publishes a record under a struct name and a variable name. With `isPointer` the variable is a
// pointer to the record (followed at each access, so a record reallocated or freed by the
// application is seen as it is now); otherwise the variable is the record. A variable name
// published again replaces the earlier entry. Returns whether a layout for the struct is known
// (looked up through the layout sources when it is not defined yet).
bool publishRecord(std::string structName, std::string variableName, void* address, bool isPointer,
                   Application* owner);
// Forgets every record published by `owner` (at its unload).
void unpublishRecords(Application* owner);
// The address published under a variable (or struct) name, or null.
void* publishedSymbolAddress(std::string_view name);

// A place to look for the layout of a struct that is published before its layout is defined:
// returns true once it has defined it. The struct-layout resources register one.
using LayoutSource = std::function<bool(Application* owner, const std::string& structName)>;
void registerLayoutSource(LayoutSource source);

// What a field type is: the word a layout names it by (and the C word it may use instead), the
// size it fixes (0 for Text and Bytes, which take theirs from the field), its alignment in a C
// struct on the platforms we build for, the values an integer type holds, and how a number is
// loaded from and stored into its bytes (none for Text and Bytes).
struct FieldTypeInfo {
  FieldType type;
  const char* word;
  const char* otherWord;  // or null
  std::size_t size;
  std::size_t alignment;
  double low, high;  // integer types only
  double (*load)(const void* bytes);
  void (*store)(void* bytes, double value);  // an integer's value is whole and in range
};
const FieldTypeInfo& fieldTypeInfo(FieldType type);
std::optional<FieldType> fieldTypeFromName(std::string_view name);

// Layout helpers. placeFields: offsets in declaration order with natural alignment (as the C
// compiler lays out a struct of these members), and the struct's size unless one is set.
// checkLayout: "" when the layout is sound, else what is wrong.
void placeFields(StructLayout& layout);
std::string checkLayout(const StructLayout& layout);

// A layout from its resource source or compiled form (host/resource/structlayouts.cpp); throws
// std::runtime_error naming the problem.
StructLayout parseStructLayout(const std::string& json);

// A number in its shortest form that reads back as the same double ("5", "0.1", "1e+20").
std::string formatNumber(double value);

}  // namespace pixmend::host
