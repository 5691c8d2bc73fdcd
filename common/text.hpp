// Text as users and files give it: case folding for names, key-ins, labels and answers (ASCII:
// every name we compare is), and checked reading of numbers, where a text is a number only when
// all of it is one.
#pragma once

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace pixmend::text {

inline std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

inline std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

inline bool equalIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// `text` without the blanks (spaces, tabs, line ends) around it.
inline std::string_view trimmed(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return text.substr(b, e - b);
}

// The whole of `text` (blanks around it allowed) as a finite number: decimal with an optional
// exponent, or hexadecimal with 0x. Nothing when anything else is there, when it is out of a
// double's range, or when it names an infinity or not-a-number: no field, item or verb takes
// those.
inline std::optional<double> parseNumber(std::string_view text) {
  const std::string s(trimmed(text));
  if (s.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || errno == ERANGE || !std::isfinite(value)) return std::nullopt;
  return value;
}

// The whole of `text` (blanks around it allowed) as a whole number from `low` to `high`, written
// in `base` (0: decimal, 0x hexadecimal or 0 octal, as C reads them). Nothing otherwise.
inline std::optional<long long> parseInteger(std::string_view text, long long low, long long high, int base = 10) {
  const std::string s(trimmed(text));
  if (s.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(s.c_str(), &end, base);
  if (end != s.c_str() + s.size() || errno == ERANGE || value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace pixmend::text
