// The session journal: every observable thing the host does (prompts, messages, boxes and their
// answers, key-ins, temporary graphics, files written, raster reloads, ...) as one ordered list
// of entries, each tagged with its channel. Tests assert on it; `pixmend run` prints it.
//
// An entry prints as one line, "channel: text", with line feeds, tabs and other control
// characters of the text escaped (\n, \t, \xHH) so that one event is always one line.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace pixmend::host {

struct JournalEntry {
  std::string channel;
  std::string text;
};

class Journal {
 public:
  void append(std::string_view channel, std::string_view text);

  const std::vector<JournalEntry>& entries() const { return entries_; }
  std::size_t size() const { return entries_.size(); }
  // The most recent entry on `channel`, or null.
  const JournalEntry* last(std::string_view channel) const;
  // All texts of `channel`, oldest first (from entry index `from` on).
  std::vector<std::string> texts(std::string_view channel, std::size_t from = 0) const;
  void clear();

  // Prints entries [from, size()) one per line.
  void print(std::ostream& out, std::size_t from = 0) const;
  // The printed form of the entries [from, size()), for whole-journal comparisons.
  std::string str(std::size_t from = 0) const;
  // While set, every appended entry is also printed to `out` at once (null stops it).
  void setEcho(std::ostream* out) { echo_ = out; }

  // "channel: text" with the text escaped.
  static std::string format(const JournalEntry& entry);
  static std::string escape(std::string_view text);

 private:
  std::vector<JournalEntry> entries_;
  std::ostream* echo_ = nullptr;
};

// The process-wide journal of the host.
Journal& journal();

}  // namespace pixmend::host
