// libtiff's messages about one call, and our own notes on it, collected through handlers of
// that call's handles (no process-wide libtiff state is touched, nothing reaches the terminal)
// for the side that made the call to show when it ends: the host's image library writes them to
// its journal, the application to the host's text window.
//
// The collector also classifies libtiff's complaints, which decide whether damaged data is
// refused: errors and overrun lines ("Line length mismatch") mean corrupt data; a stream that
// ends early ("Premature EOL/EOF") is something real fax files do, and is only reported.
#pragma once

#include <tiffio.h>

#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

namespace pixmend {

class TiffMessages {
 public:
  // `subject` names the call in every line shown; at most `shown` messages are shown, then a
  // count of the rest.
  TiffMessages(std::string subject, int shown);
  TiffMessages(const TiffMessages&) = delete;
  TiffMessages& operator=(const TiffMessages&) = delete;

  void note(const std::string& text);
  void notef(const char* format, ...) __attribute__((format(printf, 2, 3)));

  int errors() const { return errors_; }                // libtiff errors and overrun lines
  int prematureEnds() const { return prematureEnds_; }  // streams that stopped before their last line
  // The line that libtiff's last premature-end message named ("... at line N of strip S"),
  // counted from the start of that strip or tile; -1 when no message named one.
  long long lastPrematureLine() const { return lastPrematureLine_; }

  // Damage the readers keep despite it (a stream that stopped early): the first line of the
  // image, 0-based, that could not be decoded whole; -1 while every line decoded.
  void markDamagedLine(long long line);
  long long firstDamagedLine() const { return firstDamagedLine_; }

  // Open options with this object's handlers and a cap on libtiff's single allocations (0: no
  // cap). Owned by this object; valid while it lives.
  TIFFOpenOptions* tiffOptions(std::uint64_t maxSingleAlloc);

  // Keeps the collected messages from being shown (for probes whose failure is expected, such
  // as type detection).
  void silence() { silent_ = true; }
  // While muted, libtiff's messages are neither kept nor counted (for a second decoding pass
  // that repeats what the first one already said).
  void mute(bool on) { muted_ = on; }
  const std::vector<std::string>& messages() const { return messages_; }

 protected:
  // Frees the options; the derived class has shown the report by then.
  ~TiffMessages();
  // What to show when the call ends, a line each without its end: "SUBJECT: TEXT" for each
  // message kept, then "SUBJECT: N further messages not shown" when some were not. Empty once
  // silenced.
  std::vector<std::string> report() const;

 private:
  static int onTiffError(TIFF* tif, void* user, const char* module, const char* format, va_list ap);
  static int onTiffWarning(TIFF* tif, void* user, const char* module, const char* format, va_list ap);
  void addTiff(bool error, const char* module, const char* format, va_list ap);

  std::string subject_;
  int shown_;
  std::vector<std::string> messages_;
  int total_ = 0;
  int errors_ = 0;
  int prematureEnds_ = 0;
  long long lastPrematureLine_ = -1;
  long long firstDamagedLine_ = -1;
  bool silent_ = false;
  bool muted_ = false;
  TIFFOpenOptions* options_ = nullptr;
};

}  // namespace pixmend
