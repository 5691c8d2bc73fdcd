// The session journal (see journal.hpp).
#include "host/output/journal.hpp"

#include <cstdio>
#include <ostream>
#include <sstream>

#include "host/lifecycle.hpp"

namespace pixmend::host {

void Journal::append(std::string_view channel, std::string_view text) {
  entries_.push_back({std::string(channel), std::string(text)});
  if (echo_ != nullptr) *echo_ << format(entries_.back()) << '\n' << std::flush;
}

const JournalEntry* Journal::last(std::string_view channel) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (it->channel == channel) return &*it;
  }
  return nullptr;
}

std::vector<std::string> Journal::texts(std::string_view channel, std::size_t from) const {
  std::vector<std::string> out;
  for (std::size_t i = from; i < entries_.size(); ++i) {
    if (entries_[i].channel == channel) out.push_back(entries_[i].text);
  }
  return out;
}

void Journal::clear() { entries_.clear(); }

std::string Journal::escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (u < 0x20 || u == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", u);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Journal::format(const JournalEntry& entry) { return entry.channel + ": " + escape(entry.text); }

void Journal::print(std::ostream& out, std::size_t from) const {
  for (std::size_t i = from; i < entries_.size(); ++i) out << format(entries_[i]) << '\n';
}

std::string Journal::str(std::size_t from) const {
  std::ostringstream out;
  print(out, from);
  return out.str();
}

Journal& journal() {
  static Journal instance;
  return instance;
}

namespace {
const bool registered = registerReset("journal", [] {
  journal().clear();
  journal().setEcho(nullptr);
}, 100);
}  // namespace

}  // namespace pixmend::host
