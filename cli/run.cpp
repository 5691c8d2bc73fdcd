// pixmend run SCRIPT|-: plays a session script and prints the journal (and, on a terminal, the
// progress of long operations on standard error).
//
// A script is read from a regular file, or from a stream (standard input, a pipe, a device),
// never more than the reader accepts plus one byte: a bigger one, or an endless stream such as
// /dev/zero, is refused by the reader with its size, after bounded time and memory. A folder is
// no script.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/commands.hpp"
#include "cli/progress.hpp"
#include "cli/session.hpp"

namespace pixmend::cli {
namespace {

// Reads at most `limit` bytes of `fd` into `text`. False with errno set on a read error.
bool readAtMost(int fd, std::size_t limit, std::string* text) {
  text->clear();
  char buffer[1 << 16];
  while (text->size() < limit) {
    const std::size_t want = std::min(sizeof buffer, limit - text->size());
    const ssize_t n = ::read(fd, buffer, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    text->append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

int runSession(const Args& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: pixmend run SCRIPT|-  (see pixmend --help for the verbs)\n");
    return 2;
  }
  const std::string& name = args[0];
  int fd = 0;
  if (name != "-") {
    fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      std::fprintf(stderr, "pixmend run: cannot read %s: %s\n", name.c_str(), std::strerror(errno));
      return 2;
    }
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "pixmend run: %s is a folder, not a session script\n", name.c_str());
    if (fd != 0) ::close(fd);
    return 2;
  }
  std::string text;
  const bool read = readAtMost(fd, kMaxScriptBytes + 1, &text);
  const int error = errno;
  if (fd != 0) ::close(fd);
  if (!read) {
    std::fprintf(stderr, "pixmend run: cannot read %s: %s\n", name == "-" ? "standard input" : name.c_str(),
                 std::strerror(error));
    return 2;
  }
  const std::string scriptName = name == "-" ? "<stdin>" : name;
  // On a terminal, open completion bars are drawn on standard error as they progress.
  if (TerminalProgress::wanted()) {
    TerminalProgress progress(std::cout);
    return runScript(text, scriptName, progress.journalStream(), std::cerr);
  }
  return runScript(text, scriptName, std::cout, std::cerr);
}

}  // namespace pixmend::cli
