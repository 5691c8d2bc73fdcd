// The host's completion bars drawn on a terminal while `pixmend run` plays a session: a long
// operation (rotating an A0 sheet) shows its progress instead of sitting silent. The journal is
// not changed by it.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "host/output/output.hpp"

namespace pixmend::cli {

// Draws the open completion bar on standard error, one line redrawn in place:
//   Rotating... [##############..................]  45%
// Installed with the host for as long as it lives. When the journal goes to the same terminal
// (standard output is one too), journalStream() gives a stream over `journal` that wipes the bar
// before each line of the journal, and the bar is drawn again at its next update.
class TerminalProgress final : public host::ProgressDisplay {
 public:
  explicit TerminalProgress(std::ostream& journal);
  ~TerminalProgress() override;
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  // True when standard error is a terminal: only then is a bar worth drawing.
  static bool wanted();

  void show(const std::string& message, int percent) override;
  void close() override;
  // Wipes the bar's line, if the bar is drawn.
  void hide();

  std::ostream& journalStream();

 private:
  class HidingBuffer;
  std::ostream& journal_;
  std::unique_ptr<HidingBuffer> buffer_;
  std::unique_ptr<std::ostream> stream_;
  bool drawn_ = false;
};

}  // namespace pixmend::cli
