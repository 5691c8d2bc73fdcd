// Template expansion: a text with field references filled from a form data array.
//   vxlibMatList_generateFormatedText
//
// A reference is '%', in indexed mode an index and '%', then a printf part (everything up to the
// first letter), then the key (exactly key-length characters). "%%" is one '%'. The printf part
// comes from a design file, so it is never handed to the formatter as it stands: only flags,
// a width and a precision of at most 511 each are taken; anything else formats the value plainly.
#include <cctype>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "vxlib/services/matlist/formdata.hpp"

namespace pixmend::vxlib::matlist {
namespace {

constexpr std::size_t kMaxPrintfPart = 19;  // '%', the part and the conversion letter
constexpr long kMaxWidth = kFormattedLimit - 1;

// The conversion a checked printf part gives for `letter` ("%-10s"), or the plain one ("%s")
// when the part is not flags, width and precision within their bounds. Flags and a precision
// whose meaning the formatter leaves undefined for the conversion are dropped.
std::string conversion(const char* part, std::size_t length, char letter) {
  const std::string plain = std::string("%") + letter;
  if (length + 2 > kMaxPrintfPart) return plain;
  const char* accepted = letter == 'f' ? "-+ #0" : letter == 'd' ? "-+ 0" : "-";
  std::string out = "%";
  std::size_t i = 0;
  for (; i < length && std::strchr("-+ #0", part[i]) != nullptr; ++i) {
    if (std::strchr(accepted, part[i]) != nullptr) out += part[i];
  }
  const std::size_t widthAt = i;
  long width = 0;
  while (i < length && std::isdigit(static_cast<unsigned char>(part[i]))) width = width * 10 + (part[i++] - '0');
  if (width > kMaxWidth) return plain;
  out.append(part + widthAt, i - widthAt);
  if (i < length && part[i] == '.') {
    const std::size_t precisionAt = i++;
    long precision = 0;
    while (i < length && std::isdigit(static_cast<unsigned char>(part[i]))) precision = precision * 10 + (part[i++] - '0');
    if (precision > kMaxWidth) return plain;
    if (letter != 'c') out.append(part + precisionAt, i - precisionAt);
  }
  if (i != length) return plain;
  return out + letter;
}

// Formats one present value of `node` at `slot` with the checked printf part.
std::string format(const Node* node, int slot, const char* part, std::size_t length) {
  char text[kFormattedLimit] = {};
  const Slot& v = node->values[slot];
  switch (node->type) {
    case kDouble:
      std::snprintf(text, sizeof text, conversion(part, length, 'f').c_str(), v.number);
      break;
    case kInteger:
      std::snprintf(text, sizeof text, conversion(part, length, 'd').c_str(), static_cast<int>(v.integer));
      break;
    case kString:
      std::snprintf(text, sizeof text, conversion(part, length, 's').c_str(), v.text != nullptr ? v.text : "");
      break;
    case kCharacter:
      std::snprintf(text, sizeof text, conversion(part, length, 'c').c_str(), v.character);
      break;
    default:
      break;
  }
  return std::string(text, strnlen(text, sizeof text));
}

// The output, bounded: characters beyond kOutputSize - 1 are dropped.
struct Output {
  char* text;
  std::size_t length = 0;
  void add(const std::string& s) {
    for (char c : s) add(c);
  }
  void add(char c) {
    if (length + 1 < static_cast<std::size_t>(kOutputSize)) text[length++] = c;
  }
  void end() { text[length] = '\0'; }
};

int callBack(const Node* node, int slot, MSElementDescr** descriptorOut, double width, double height) {
  const Slot& v = node->values[slot];
  if (descriptorOut == nullptr || node->present[slot] == 0 || v.callback.function == nullptr) return 0;
  if (v.callback.native != 0) {
    return reinterpret_cast<Callback>(v.callback.function)(slot, node->name, descriptorOut, v.callback.user, width,
                                                           height);
  }
  return dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), v.callback.function, "IPPPDD", slot,
                                   static_cast<void*>(node->name), static_cast<void*>(descriptorOut),
                                   v.callback.user, width, height);
}

}  // namespace
}  // namespace pixmend::vxlib::matlist

using namespace pixmend::vxlib;
using namespace pixmend::vxlib::matlist;

extern "C" int vxlibMatList_generateFormatedText(const char* templateText, VxlibFormData* array, char* output,
                                                 MSElementDescr** descriptorOut, double width, double height,
                                                 int indexed) {
  if (output == nullptr) return 0;
  output[0] = '\0';
  if (descriptorOut != nullptr) *descriptorOut = nullptr;
  if (array == nullptr || templateText == nullptr) return kString;
  const int count = valueCount(array);
  const auto keyChars = static_cast<std::size_t>(keyLength(array));
  Output out{output};
  int result = kString;
  const char* t = templateText;
  while (*t != '\0') {
    if (*t != '%') {
      out.add(*t++);
      continue;
    }
    if (t[1] == '%') {
      out.add('%');
      t += 2;
      continue;
    }
    const char* p = t + 1;
    long index = 1;
    if (indexed != 0) {
      // Digits (with any '-' among them) and a closing '%'; without digits the reference is
      // read as an unindexed one.
      const char* q = p;
      long value = 0;
      bool digits = false;
      while (std::isdigit(static_cast<unsigned char>(*q)) || *q == '-') {
        if (*q != '-') {
          digits = true;
          value = std::min(value * 10 + (*q - '0'), 1000000L);
        }
        ++q;
      }
      if (digits && *q == '%') {
        index = value;
        p = q + 1;
      }
    }
    const char* key = p;
    while (*key != '\0' && !std::isalpha(static_cast<unsigned char>(*key))) ++key;
    // Index 0 names no slot (they count from 1), as an index beyond the count names none.
    if (index < 1 || index > count) {
      out.end();
      rscMsgBox(kBoxOk, kErrorList, kMsgBadIndex, static_cast<int>(index), key, count);
      return 0;
    }
    const int slot = static_cast<int>(index) - 1;
    const std::size_t available = strnlen(key, keyChars);
    for (Node* node = array->next; node != nullptr; node = node->next) {
      if (available != keyChars || std::strncmp(node->name, key, keyChars) != 0) continue;
      result = node->type;
      if (node->type == kCallback) {
        out.end();
        callBack(node, slot, descriptorOut, width, height);
        return kCallback;
      }
      if (node->present[slot] != 0) out.add(format(node, slot, p, static_cast<std::size_t>(key - p)));
    }
    t = key + available;
  }
  out.end();
  return result;
}
