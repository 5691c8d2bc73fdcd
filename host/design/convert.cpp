// Conversions of the design group: doubles in the file's form, Latin-1 and wide texts, the wide
// names of the design (levels) in UTF-8 for the design file, and the host's tolerance.
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <string>

#include "common/bytes.hpp"
#include "host/design/api.h"
#include "host/design/design.hpp"

namespace pixmend::host {
namespace {

constexpr double kEpsilon = 1e-6;

void appendUtf8(std::string* out, std::uint32_t c) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xc0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3f));
  } else if (c < 0x10000) {
    *out += static_cast<char>(0xe0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    *out += static_cast<char>(0x80 | (c & 0x3f));
  } else {
    *out += static_cast<char>(0xf0 | (c >> 18));
    *out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    *out += static_cast<char>(0x80 | (c & 0x3f));
  }
}

}  // namespace

std::string utf8FromWide(const MSWChar* text, std::size_t maxUnits) {
  std::string out;
  if (text == nullptr) return out;
  for (std::size_t i = 0; i < maxUnits && text[i] != 0; ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xd800 && c < 0xdc00 && i + 1 < maxUnits && text[i + 1] >= 0xdc00 && text[i + 1] < 0xe000) {
      c = 0x10000 + ((c - 0xd800) << 10) + (text[i + 1] - 0xdc00);
      ++i;
    } else if (c >= 0xd800 && c < 0xe000) {
      c = 0xfffd;  // half of a pair: not a character
    }
    appendUtf8(&out, c);
  }
  return out;
}

std::u16string wideFromUtf8(const std::string& text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int extra = b < 0x80 ? 0 : b >= 0xf0 ? 3 : b >= 0xe0 ? 2 : b >= 0xc0 ? 1 : -1;
    std::uint32_t c = extra == 0 ? b : extra == 1 ? b & 0x1f : extra == 2 ? b & 0x0f : b & 0x07;
    bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      ok = (next & 0xc0) == 0x80;
      c = (c << 6) | (next & 0x3f);
    }
    if (!ok || c > 0x10ffff) {
      out += u'\ufffd';
      ++i;
      continue;
    }
    i += static_cast<std::size_t>(extra) + 1;
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xd800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xdc00 + ((c - 0x10000) & 0x3ff));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

bool copyWide(const std::u16string& text, MSWChar* out, int size) {
  if (out == nullptr || size < 1) return false;
  std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
  if (n > 0 && n < text.size() && text[n - 1] >= 0xd800 && text[n - 1] < 0xdc00) --n;  // never half a pair
  for (std::size_t i = 0; i < n; ++i) out[i] = text[i];
  out[n] = 0;
  return n == text.size();
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

static const double epsilon = kEpsilon;
const double* const fc_epsilonP = &epsilon;

void mdlCnv_doubleToFileFormat(void* fileFormat, const double* value) {
  if (fileFormat == nullptr || value == nullptr) return;
  pixmend::le::putDouble(static_cast<std::uint8_t*>(fileFormat), *value);
}

void mdlCnv_doubleFromFileFormat(double* value, const void* fileFormat) {
  if (fileFormat == nullptr || value == nullptr) return;
  *value = pixmend::le::getDouble(static_cast<const std::uint8_t*>(fileFormat));
}

int mdlCnv_convertMultibyteToUnicode(const char* text, int length, MSWChar* out, int outSize) {
  if (text == nullptr || out == nullptr || outSize < 1) return MDLERR_BADARG;
  int n = 0;
  for (int i = 0; (length < 0 || i < length) && text[i] != '\0' && n < outSize - 1; ++i) {
    out[n++] = static_cast<unsigned char>(text[i]);  // Latin-1 is the first 256 code points
  }
  out[n] = 0;
  return n;
}

int mdlCnv_convertUnicodeToMultibyte(const MSWChar* text, int length, char* out, int outSize) {
  if (text == nullptr || out == nullptr || outSize < 1) return MDLERR_BADARG;
  int n = 0;
  for (int i = 0; (length < 0 || i < length) && text[i] != 0 && n < outSize - 1; ++i) {
    std::uint32_t c = text[i];
    // A surrogate pair is one character beyond Latin-1: one '?'.
    if (c >= 0xd800 && c < 0xdc00 && (length < 0 || i + 1 < length) && text[i + 1] >= 0xdc00 && text[i + 1] < 0xe000) ++i;
    out[n++] = c < 256 ? static_cast<char>(c) : '?';
  }
  out[n] = '\0';
  return n;
}

}  // extern "C"
