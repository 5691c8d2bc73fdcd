// Completion bars on a terminal (see progress.hpp).
#include "cli/progress.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <streambuf>

namespace pixmend::cli {

// Hands everything on to the journal's own buffer, wiping the bar first.
class TerminalProgress::HidingBuffer final : public std::streambuf {
 public:
  HidingBuffer(std::streambuf* target, TerminalProgress* bar) : target_(target), bar_(bar) {}

 protected:
  int overflow(int c) override {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    bar_->hide();
    return target_->sputc(traits_type::to_char_type(c));
  }
  std::streamsize xsputn(const char* text, std::streamsize n) override {
    bar_->hide();
    return target_->sputn(text, n);
  }
  int sync() override { return target_->pubsync(); }

 private:
  std::streambuf* target_;
  TerminalProgress* bar_;
};

namespace {

constexpr int kBarWidth = 32;
constexpr std::size_t kMessageWidth = 40;  // longer messages are cut, so the bar fits one line

}  // namespace

TerminalProgress::TerminalProgress(std::ostream& journal) : journal_(journal) {
  if (::isatty(STDOUT_FILENO) != 0) {
    buffer_ = std::make_unique<HidingBuffer>(journal.rdbuf(), this);
    stream_ = std::make_unique<std::ostream>(buffer_.get());
  }
  host::setProgressDisplay(this);
}

TerminalProgress::~TerminalProgress() {
  host::setProgressDisplay(nullptr);
  hide();
}

bool TerminalProgress::wanted() {
  return ::isatty(STDERR_FILENO) != 0;
}

std::ostream& TerminalProgress::journalStream() {
  return stream_ ? *stream_ : journal_;
}

void TerminalProgress::show(const std::string& message, int percent) {
  percent = std::clamp(percent, 0, 100);
  const int filled = percent * kBarWidth / 100;
  char bar[kBarWidth + 1];
  for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kBarWidth] = '\0';
  const std::string shown = message.substr(0, kMessageWidth);
  std::fprintf(stderr, "\r\033[K%s [%s] %3d%%", shown.c_str(), bar, percent);
  std::fflush(stderr);
  drawn_ = true;
}

void TerminalProgress::close() {
  hide();
}

void TerminalProgress::hide() {
  if (!drawn_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace pixmend::cli
