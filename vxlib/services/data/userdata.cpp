// User-data linkages (vxlibAttrib_) and the byte-buffer converters of the application data
// (vxlib66Elem_convertTo/FromFileFormat).
//
// A user-data linkage, byte offsets within it:
//   0 header word: the user-data bit and the length in words (mdlLinkage_setWords)
//   2 primary identifier 0x4F33    4 the caller's identifier    6 the caller's value
//   8 the data, zero-padded to a whole number of 8-byte units
#include <cstdarg>
#include <cstring>

#include "common/bytes.hpp"
#include "vxlib/core/core.hpp"

namespace pixmend::vxlib {
namespace {

constexpr unsigned short kUserDataId = 0x4F33;
constexpr int kMaxUserData = 8188;
constexpr int kLinkageBytes = 8200;  // the longest linkage the data limit allows, header included

// Kind codes of the converters.
constexpr int kDouble = 1;
constexpr int kString = 3;
constexpr int kByte = 4;
constexpr int kShort = 6;
constexpr int kBytes = 8;
constexpr int kInt = 9;
constexpr int kRefused = 1;

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend;
using namespace pixmend::vxlib;

extern "C" {

int vxlibAttrib_appendElementUserData(int identifier, int value, MSElement* element, const void* data, int length) {
  if (length > kMaxUserData) {
    toolSubsystem_printf("Userdata er for stor. buffersize=%d\n", length);
    return VXLIB_ERROR;
  }
  if (length < 0 || (data == nullptr && length > 0)) return VXLIB_ERROR;
  const int words = ((length + 1) / 2 + 7) / 4 * 4;
  // The linkage after its header: identifier, value, then the data padded with zeros.
  std::uint8_t body[kLinkageBytes] = {};
  le::put16(body + 0, static_cast<std::uint16_t>(identifier));
  le::put16(body + 2, static_cast<std::uint16_t>(value));
  if (length > 0) std::memcpy(body + 4, data, static_cast<std::size_t>(length));
  LinkageHeader header{};
  header.info = LINKAGE_USER_DATA;
  header.primaryId = kUserDataId;
  // Beyond the host's longest linkage no element could carry it.
  if (mdlLinkage_setWords(&header, words) != SUCCESS) return MDLERR_ELEMENTTOOLARGE;
  return mdlLinkage_appendToElement(element, &header, body, nullptr);
}

int vxlibAttrib_extractElementUserData(const MSElement* element, int identifier, int* valueOut, void* dataOut,
                                       int* lengthOut) {
  std::uint8_t linkage[kLinkageBytes];
  if (mdlLinkage_extractFromElement(linkage, element, kUserDataId) == nullptr) return VXLIB_ERROR;
  // Only the first user-data linkage counts: a later one of the right identifier is not looked for.
  if (static_cast<std::int16_t>(le::get16(linkage + 4)) != static_cast<std::int16_t>(identifier)) return VXLIB_ERROR;
  LinkageHeader header{};
  header.info = le::get16(linkage);
  const int length = 2 * mdlLinkage_getWords(&header) - 8;
  if (valueOut != nullptr) *valueOut = static_cast<std::int16_t>(le::get16(linkage + 6));
  if (lengthOut != nullptr) *lengthOut = length;
  if (dataOut != nullptr && length > 0) std::memcpy(dataOut, linkage + 8, static_cast<std::size_t>(length));
  return VXLIB_SUCCESS;
}

int vxlib66Elem_convertToFileFormat(char* buffer, int* offsetInOut, int kind, ...) {
  if (buffer == nullptr || offsetInOut == nullptr) return kRefused;
  auto* at = reinterpret_cast<std::uint8_t*>(buffer) + *offsetInOut;
  va_list ap;
  va_start(ap, kind);
  int stored = 0;
  switch (kind) {
    case kDouble: {
      const double v = va_arg(ap, double);
      mdlCnv_doubleToFileFormat(at, &v);
      stored = 8;
      break;
    }
    case kString: {
      const char* text = va_arg(ap, const char*);
      const std::size_t n = text != nullptr ? std::strlen(text) : 0;
      if (n > 0) std::memcpy(at, text, n);
      at[n] = 0;
      stored = static_cast<int>(n) + 1;
      break;
    }
    case kByte: {
      const auto* byte = va_arg(ap, const unsigned char*);
      at[0] = byte != nullptr ? *byte : 0;
      stored = 1;
      break;
    }
    case kShort: {
      const auto* s = va_arg(ap, const short*);
      le::put16(at, static_cast<std::uint16_t>(s != nullptr ? *s : 0));
      stored = 2;
      break;
    }
    case kBytes: {
      const void* bytes = va_arg(ap, const void*);
      const int count = va_arg(ap, int);
      if (count > 0 && bytes != nullptr) std::memcpy(at, bytes, static_cast<std::size_t>(count));
      stored = count > 0 ? count : 0;
      break;
    }
    case kInt:
      le::put32(at, static_cast<std::uint32_t>(va_arg(ap, int)));
      stored = 4;
      break;
    default:
      va_end(ap);
      return kRefused;
  }
  va_end(ap);
  *offsetInOut += stored;
  return VXLIB_SUCCESS;
}

int vxlib66Elem_convertFromFileFormat(const char* buffer, int* offsetInOut, int kind, ...) {
  if (buffer == nullptr || offsetInOut == nullptr) return kRefused;
  const auto* at = reinterpret_cast<const std::uint8_t*>(buffer) + *offsetInOut;
  va_list ap;
  va_start(ap, kind);
  int taken = 0;
  switch (kind) {
    case kDouble: {
      auto* v = va_arg(ap, double*);
      if (v != nullptr) mdlCnv_doubleFromFileFormat(v, at);
      taken = 8;
      break;
    }
    case kString: {
      auto* text = va_arg(ap, char*);
      const std::size_t n = std::strlen(reinterpret_cast<const char*>(at));
      if (text != nullptr) std::memcpy(text, at, n + 1);
      taken = static_cast<int>(n) + 1;
      break;
    }
    case kByte: {
      auto* byte = va_arg(ap, unsigned char*);
      if (byte != nullptr) *byte = at[0];
      taken = 1;
      break;
    }
    case kShort: {
      auto* s = va_arg(ap, short*);
      if (s != nullptr) *s = static_cast<short>(le::get16(at));
      taken = 2;
      break;
    }
    case kBytes: {
      void* bytes = va_arg(ap, void*);
      const int count = va_arg(ap, int);
      if (count > 0 && bytes != nullptr) std::memcpy(bytes, at, static_cast<std::size_t>(count));
      taken = count > 0 ? count : 0;
      break;
    }
    case kInt: {
      auto* v = va_arg(ap, int*);
      if (v != nullptr) *v = static_cast<int>(le::get32(at));
      taken = 4;
      break;
    }
    default:
      va_end(ap);
      return kRefused;
  }
  va_end(ap);
  *offsetInOut += taken;
  return VXLIB_SUCCESS;
}

}  // extern "C"
