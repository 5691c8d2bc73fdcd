// Records that applications publish to the host's dialog system (mdlDialog_publishComplexPtr and
// friends), with the field layouts that let dialog items and scripts read and write them through
// access strings such as "vxrasterparams.copyMoveMode" or "userInterfaceData.tempDirectory".
//
// A layout says, for a struct name, its size and each field's name, type, offset and size.
// Applications describe their structs in their resource sources; the layouts are registered
// from there (or directly, by tests).
//
// (Contract shared by the host groups; implemented in host/system/.)
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixmend::host {

enum class FieldType {
  Int8,
  UInt8,
  Int16,
  UInt16,
  Int32,
  UInt32,
  Double,
  Text,   // zero-terminated characters in a fixed array of `size` bytes
  Bytes,  // opaque
};

struct FieldLayout {
  std::string name;
  FieldType type = FieldType::Int32;
  std::size_t offset = 0;
  std::size_t size = 0;
};

struct StructLayout {
  std::string name;  // e.g. "vxrasterparams"
  std::size_t size = 0;
  std::vector<FieldLayout> fields;
};

// Registers (or replaces) the layout of a struct name.
void defineStructLayout(StructLayout layout);
const StructLayout* findStructLayout(std::string_view structName);

// A field of a published record resolved from an access string.
struct FieldRef {
  void* address = nullptr;  // the field's bytes inside the published record
  const FieldLayout* field = nullptr;
};

// Resolves "structName.field" against the records published now. Nothing when the struct is not
// published, its pointer is null, or the field is unknown.
std::optional<FieldRef> resolveAccess(std::string_view access);

// Field values as numbers (integer and double fields) or text (text fields; numbers print in
// their shortest form). Writes convert and clip to the field: text is cut to size - 1 bytes and
// zero-terminated. Both return false when the value does not fit the field's type.
std::optional<double> readNumber(const FieldRef& ref);
bool writeNumber(const FieldRef& ref, double value);
std::string readText(const FieldRef& ref);
bool writeText(const FieldRef& ref, std::string_view text);

}  // namespace pixmend::host
