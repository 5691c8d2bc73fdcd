// The recording of a served session (see recorder.hpp).
#include "cli/serve/recorder.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/session.hpp"

namespace pixmend::serve {

Recorder::~Recorder() { close(); }

bool Recorder::open(const std::string& path, std::string* why) {
  close();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    *why = errno == EEXIST ? path + " exists already: a recording never replaces a file"
                           : "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  fd_ = fd;
  path_ = path;
  ticks_ = 0;
  return true;
}

void Recorder::write(const std::string& text) {
  if (fd_ < 0) return;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::fprintf(stderr, "pixmend serve: the recording %s stopped: %s\n", path_.c_str(),
                   n < 0 ? std::strerror(errno) : "nothing was written");
      ::close(fd_);
      fd_ = -1;
      return;
    }
    done += static_cast<std::size_t>(n);
  }
}

void Recorder::comment(const std::string& text) {
  flush();
  std::string lines;
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines += "# " + text.substr(at, end - at) + "\n";
    at = end + 1;
  }
  write(lines);
}

void Recorder::step(const std::string& line, const std::vector<std::string>& answers) {
  if (fd_ < 0) return;
  if (line.rfind("tick ", 0) == 0 && answers.empty()) {
    ticks_ += std::strtol(line.c_str() + 5, nullptr, 10);
    return;
  }
  flush();
  std::string text;
  for (const auto& answer : answers) text += "answer " + answer + "\n";
  text += line + "\n";
  write(text);
}

void Recorder::flush() {
  // One tick step moves the clock by at most kMaxTicks.
  while (ticks_ > 0) {
    const long ticks = std::min(ticks_, cli::kMaxTicks);
    ticks_ -= ticks;
    write("tick " + std::to_string(ticks) + "\n");
  }
}

void Recorder::close() {
  if (fd_ < 0) return;
  flush();
  ::close(fd_);
  fd_ = -1;
}

}  // namespace pixmend::serve
