// The remembered-file record of a file dialog, kept per dialog in a preference file: the last
// choice with its filter and folder, and the ten most recent names, filters and folders. The
// host's remembering file dialogs and the utility library's preference calls both write it.
//
// Offsets in bytes, little-endian; texts zero-terminated in 256 bytes. Bytes between the filter
// list and the folder list (5904 to 8467) are kept as they are.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/bytes.hpp"

namespace pixmend::remembered {

constexpr std::size_t kRecordSize = 11032;
constexpr std::size_t kText = 256;
constexpr std::uint32_t kListLength = 10;

constexpr std::size_t kMarkerAt = 0;  // byte: kMarker once the record has been written
constexpr std::size_t kFormatAt = 4;  // 32 bits: kFormat
constexpr std::size_t kCurrentNameAt = 8;
constexpr std::size_t kCurrentFilterAt = 264;
constexpr std::size_t kCurrentDirectoryAt = 520;
constexpr std::size_t kNameCountAt = 776;  // 32 bits, then the list of names
constexpr std::size_t kNameListAt = 780;
constexpr std::size_t kFilterCountAt = 3340;
constexpr std::size_t kFilterListAt = 3344;
constexpr std::size_t kDirectoryCountAt = 8468;
constexpr std::size_t kDirectoryListAt = 8472;
constexpr std::uint8_t kMarker = 0xff;
constexpr std::uint32_t kFormat = 5;
static_assert(kDirectoryListAt + kListLength * kText == kRecordSize, "the folder list ends the record");

inline std::string getText(const std::uint8_t* r, std::size_t at) {
  const char* p = reinterpret_cast<const char*>(r + at);
  return std::string(p, strnlen(p, kText));
}

// Stores `s` cut to 255 bytes, the rest of its 256 bytes zero.
inline void putText(std::uint8_t* r, std::size_t at, const std::string& s) {
  std::memset(r + at, 0, kText);
  std::memcpy(r + at, s.data(), std::min(s.size(), kText - 1));
}

// Whether the record has been written in this format (a record never written reads as zeros).
inline bool marked(const std::uint8_t* r) {
  return r[kMarkerAt] == kMarker && le::get32(r + kFormatAt) == kFormat;
}

// Puts `value` (as stored: cut to 255 bytes) at the top of a list: entries move down one slot
// up to the one that held the same value (dropped) or the tenth (which falls off); a new value
// lengthens a short list by one.
inline void insertIntoList(std::uint8_t* r, std::size_t countAt, std::size_t listAt,
                           const std::string& value) {
  const std::string stored = value.substr(0, kText - 1);
  // The count comes from a file: never trust it beyond the list's length.
  std::uint32_t count = std::min(le::get32(r + countAt), kListLength);
  if (count > 0 && getText(r, listAt) == stored) return;
  std::uint32_t stop = count < kListLength ? count : kListLength - 1;
  bool found = false;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (getText(r, listAt + i * kText) == stored) {
      stop = i;
      found = true;
      break;
    }
  }
  for (std::uint32_t i = stop; i > 0; --i)
    std::memmove(r + listAt + i * kText, r + listAt + (i - 1) * kText, kText);
  putText(r, listAt, stored);
  if (!found && count < kListLength) ++count;
  le::put32(r + countAt, count);
}

// A record not written in this format yet starts with empty lists; whatever else it holds is
// kept.
inline void startIfForeign(std::uint8_t* r) {
  if (marked(r)) return;
  le::put32(r + kNameCountAt, 0);
  le::put32(r + kFilterCountAt, 0);
  le::put32(r + kDirectoryCountAt, 0);
}

inline void mark(std::uint8_t* r) {
  r[kMarkerAt] = kMarker;
  le::put32(r + kFormatAt, kFormat);
}

// Records a chosen file: it becomes the current name, filter and folder, and each goes to the
// top of its list.
inline void rememberChoice(std::uint8_t* r, const std::string& name, const std::string& filter,
                           const std::string& folder) {
  startIfForeign(r);
  putText(r, kCurrentNameAt, name);
  putText(r, kCurrentFilterAt, filter);
  putText(r, kCurrentDirectoryAt, folder);
  insertIntoList(r, kNameCountAt, kNameListAt, name);
  insertIntoList(r, kFilterCountAt, kFilterListAt, filter);
  insertIntoList(r, kDirectoryCountAt, kDirectoryListAt, folder);
  mark(r);
}

}  // namespace pixmend::remembered
