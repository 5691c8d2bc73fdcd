// Fuzz target: token lists. The first byte says how many of the following bytes are delimiter
// characters; the rest is the text. Every token must be non-empty, hold no delimiter, and the
// tokens must be the text's non-delimiter runs in order; both variants must agree, and the
// caller's text must stay as it was with vxlibString_tokenize2.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "host/output/journal.hpp"
#include "pixmend/vxlib.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t count = std::min<std::size_t>(data[0] % 8, size - 1);
  std::string delimiters(reinterpret_cast<const char*>(data) + 1, count);
  delimiters = delimiters.c_str();  // up to the first zero byte, as a C string is
  std::string text(reinterpret_cast<const char*>(data) + 1 + count, size - 1 - count);
  text = text.c_str();

  std::vector<std::string> expected;
  std::string run;
  for (char c : text) {
    if (delimiters.find(c) != std::string::npos) {
      if (!run.empty()) expected.push_back(run);
      run.clear();
    } else {
      run += c;
    }
  }
  if (!run.empty()) expected.push_back(run);

  int n = -1;
  char** list = vxlibString_tokenize2(&n, text.c_str(), delimiters.c_str());
  if (n != static_cast<int>(expected.size())) __builtin_trap();
  if ((n == 0) != (list == nullptr)) __builtin_trap();
  for (int i = 0; i < n; ++i) {
    if (expected[static_cast<std::size_t>(i)] != list[i]) __builtin_trap();
  }
  vxlibString_freeTokenList(list, n);

  std::vector<char> writable(text.begin(), text.end());
  writable.push_back('\0');
  int m = -1;
  list = vxlibString_tokenize(&m, writable.data(), delimiters.c_str());
  if (m != n) __builtin_trap();
  vxlibString_freeTokenList(list, m);
  pixmend::host::journal().clear();
  return 0;
}
