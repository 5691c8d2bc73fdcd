// Fuzz target: the library's text reader with its include directives. The input is split at
// "\n@@\n" into up to four files, main.cfg, a.cfg, b.cfg and c.cfg, written into a folder of
// their own; main.cfg is read to its end with vxlibFile_read or vxlibFile_read2, with the special
// characters, line size and target size taken from the first bytes. Any content (includes of
// each other, of themselves, of missing or odd files; long lines; no line ends) must be read or
// refused without crashing, hanging or reading and writing past a buffer.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <filesystem>
#include <system_error>
#include <vector>

#include "host/output/journal.hpp"
#include "pixmend/vxlib.h"

namespace {

// The folder the inputs are written to; it goes with the process (libFuzzer ends with exit()).
char folderPath[] = "/tmp/pixmend-textfile-fuzz-XXXXXX";

const std::string& folder() {
  static const std::string dir = [] {
    if (::mkdtemp(folderPath) == nullptr) std::abort();
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(folderPath, ec);
    });
    return std::string(folderPath);
  }();
  return dir;
}

void writeFile(const std::string& path, std::string_view content) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (!content.empty()) std::fwrite(content.data(), 1, content.size(), f);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const char continuation[2] = {static_cast<char>(data[0]), 0};
  const char comment[2] = {static_cast<char>(data[1]), 0};
  const unsigned lineSize = 2u + data[2] % 200u;
  const int maxLength = 1 + data[3] % 300;
  const bool withComments = (data[3] & 0x80) != 0;
  std::string_view rest(reinterpret_cast<const char*>(data) + 4, size - 4);

  // At most 1000 includes below the caller's file: every file read at most 1001 times over.
  std::size_t lines = 1;
  for (char c : rest) lines += c == '\n' ? 1 : 0;
  const std::size_t bound = 1001 * (lines + 1) + 16;
  static const char* const kNames[] = {"main.cfg", "a.cfg", "b.cfg", "c.cfg"};
  for (const char* name : kNames) {
    const std::size_t cut = rest.find("\n@@\n");
    writeFile(folder() + "/" + name, rest.substr(0, cut));
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 4);
  }

  VxlibTextFile* reader =
      vxlibFile_openExtended((folder() + "/main.cfg").c_str(), "r", continuation, comment, lineSize);
  if (reader == nullptr) std::abort();  // the file is there: it must open
  std::vector<char> target(static_cast<std::size_t>(maxLength)), note(static_cast<std::size_t>(maxLength));
  // Every successful read consumes at least one line of a file: more reads than the files can
  // hand out would be a reader that stops making progress.
  for (std::size_t reads = 0;; ++reads) {
    if (reads > bound) __builtin_trap();
    const int n = withComments ? vxlibFile_read2(target.data(), note.data(), reader, maxLength)
                               : vxlibFile_read(target.data(), reader, maxLength);
    if (n <= 0) break;
    if (std::char_traits<char>::length(target.data()) >= static_cast<std::size_t>(maxLength)) __builtin_trap();
  }
  vxlibFile_rewind(reader);
  vxlibFile_fgets(nullptr, 0, reader);
  vxlibFile_close(reader);
  pixmend::host::journal().clear();
  return 0;
}
