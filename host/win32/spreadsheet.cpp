// The spreadsheet stand-in's commands (see spreadsheet.hpp). Names compare without case, as the
// spreadsheet's do; texts are quoted with "" for a quote inside; an argument left out is empty.
#include "host/win32/spreadsheet.hpp"

#include <algorithm>
#include <cctype>

#include "common/text.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"

namespace pixmend::host {
namespace {

using Args = std::vector<std::optional<std::string>>;

std::optional<Spreadsheet>& instance() {
  static std::optional<Spreadsheet> sheet;
  return sheet;
}

const bool registered = registerReset("win32.spreadsheet", [] { instance().reset(); });

// Splits "[A(x,\"y\")][B()]" into commands; false for text that is not such a list.
bool parseCommands(const std::string& text, std::vector<std::pair<std::string, Args>>* out, std::string* why) {
  std::size_t i = 0;
  auto fail = [&](const char* what) { return (*why = std::string(what) + " in " + text, false); };
  while (i < text.size()) {
    if (std::isspace(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    if (text[i] != '[') return fail("no command");
    ++i;
    std::string name;
    while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '.' || text[i] == '_')) name += text[i++];
    if (name.empty() || i >= text.size() || text[i] != '(') return fail("no command name");
    ++i;
    Args args;
    std::optional<std::string> arg;
    for (;;) {
      if (i >= text.size()) return fail("unterminated command");
      const char c = text[i];
      if (c == '"') {
        std::string quoted;
        ++i;
        for (;;) {
          if (i >= text.size()) return fail("unterminated text");
          if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
            quoted += '"';
            i += 2;
          } else if (text[i] == '"') {
            ++i;
            break;
          } else {
            quoted += text[i++];
          }
        }
        arg = quoted;
      } else if (c == ',' || c == ')') {
        args.push_back(arg);
        arg.reset();
        ++i;
        if (c == ')') break;
      } else if (!std::isspace(static_cast<unsigned char>(c))) {
        arg = arg.value_or("") + c;
        ++i;
      } else {
        ++i;
      }
    }
    if (args.size() == 1 && !args[0]) args.clear();  // "NAME()"
    if (i >= text.size() || text[i] != ']') return fail("unterminated command");
    ++i;
    out->emplace_back(name, std::move(args));
  }
  if (out->empty()) return fail("no command");
  return true;
}

// "R100C1" -> row 100, column 1.
bool parseR1C1(const std::string& ref, int* row, int* column) {
  const std::string up = text::upper(ref);
  const std::size_t c = up.find('C');
  if (up.size() < 4 || up[0] != 'R' || c == std::string::npos) return false;
  const auto r = text::parseInteger(up.substr(1, c - 1), 1, kMaxRows);
  const auto col = text::parseInteger(up.substr(c + 1), 1, kMaxColumns);
  if (!r || !col || up.substr(1, c - 1).find_first_not_of("0123456789") != std::string::npos ||
      up.substr(c + 1).find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  *row = static_cast<int>(*r);
  *column = static_cast<int>(*col);
  return true;
}

bool same(char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)); }

// The end of the longest match of `pattern` (wildcards: * any run, ? one character, ~ takes the
// next one as it is) at `from` in `text`, without case; npos when none.
std::size_t matchEnd(const std::string& pattern, std::size_t p, const std::string& text, std::size_t t) {
  if (p == pattern.size()) return t;
  if (pattern[p] == '*') {
    for (std::size_t k = text.size() + 1; k-- > t;) {
      const std::size_t end = matchEnd(pattern, p + 1, text, k);
      if (end != std::string::npos) return end;
    }
    return std::string::npos;
  }
  if (t == text.size()) return std::string::npos;
  if (pattern[p] == '?') return matchEnd(pattern, p + 1, text, t + 1);
  const std::size_t literal = pattern[p] == '~' && p + 1 < pattern.size() ? p + 1 : p;
  return same(pattern[literal], text[t]) ? matchEnd(pattern, literal + 1, text, t + 1) : std::string::npos;
}

// Every match of `pattern` in `text`, left to right, replaced by `with`.
std::string replaceAll(const std::string& text, const std::string& pattern, const std::string& with) {
  std::string out;
  std::size_t t = 0;
  while (t < text.size()) {
    const std::size_t end = matchEnd(pattern, 0, text, t);
    if (end == std::string::npos || end == t) {
      out += text[t++];
      continue;
    }
    out += with;
    t = end;
  }
  return out;
}

std::string describe(const std::string& name, const Args& args) {
  std::string out = name + "(";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i > 0) out += ",";
    if (args[i]) out += "\"" + *args[i] + "\"";
  }
  return out + ")";
}

}  // namespace

Spreadsheet& spreadsheet() {
  if (!instance()) instance().emplace();
  return *instance();
}

Sheet* Spreadsheet::sheet(const std::string& name) {
  if (!book_) return nullptr;
  for (Sheet& s : book_->sheets) {
    if (text::equalIgnoringCase(s.name, name)) return &s;
  }
  return nullptr;
}

Sheet* Spreadsheet::active() { return sheet(activeSheet_); }

bool Spreadsheet::execute(const std::string& commands, std::string* why) {
  std::vector<std::pair<std::string, Args>> list;
  if (!parseCommands(commands, &list, why)) {
    journal().append("dde", "Excel refused: " + *why);
    return false;
  }
  for (const auto& [name, args] : list) {
    if (!run(text::upper(name), args, why)) {
      journal().append("dde", "Excel refused " + describe(name, args) + ": " + *why);
      return false;
    }
    journal().append("dde", "Excel: " + describe(name, args));
  }
  return true;
}

bool Spreadsheet::run(const std::string& name, const Args& args, std::string* why) {
  auto text = [&](std::size_t i) { return i < args.size() && args[i] ? *args[i] : std::string(); };
  auto needBook = [&]() { return book_ ? true : (*why = "no workbook is open", false); };
  if (name == "OPEN") {
    Workbook book;
    if (!readWorkbook(text(0), &book, why)) return false;
    book_ = std::move(book);
    path_ = text(0);
    activeSheet_ = book_->sheets.front().name;
    row_ = column_ = 1;
    return true;
  }
  if (name == "OPTIONS.GENERAL" || name == "OPTIONS.VIEW") return true;  // reference style, screen: nothing to keep
  if (!needBook()) return false;
  if (name == "WORKBOOK.ACTIVATE") {
    if (sheet(text(0)) == nullptr) return (*why = "no sheet " + text(0), false);
    activeSheet_ = sheet(text(0))->name;
    return true;
  }
  if (name == "WORKBOOK.COPY" || name == "WORKBOOK.MOVE") {
    // Within the open workbook (the second argument names it): a copy goes to the end as
    // "NAME (2)" (or the next free number) and becomes the active sheet; a moved sheet goes to the end.
    Sheet* from = sheet(text(0));
    if (from == nullptr) return (*why = "no sheet " + text(0), false);
    const std::size_t index = static_cast<std::size_t>(from - book_->sheets.data());
    if (name == "WORKBOOK.MOVE") {
      Sheet moved = std::move(book_->sheets[index]);
      book_->sheets.erase(book_->sheets.begin() + static_cast<long>(index));
      book_->sheets.push_back(std::move(moved));
      return true;
    }
    Sheet copy = *from;
    for (int n = 2;; ++n) {
      copy.name = from->name + " (" + std::to_string(n) + ")";
      if (sheet(copy.name) == nullptr) break;
    }
    if (copy.name.size() > kMaxSheetName) return (*why = "the sheet name " + copy.name + " is too long", false);
    activeSheet_ = copy.name;
    book_->sheets.push_back(std::move(copy));
    return true;
  }
  if (name == "WORKBOOK.NAME") {
    Sheet* s = sheet(text(0));
    const std::string to = text(1);
    if (s == nullptr) return (*why = "no sheet " + text(0), false);
    if (to.empty() || to.size() > kMaxSheetName || to.find_first_of("[]:*?/\\") != std::string::npos)
      return (*why = "\"" + to + "\" cannot name a sheet", false);
    if (sheet(to) != nullptr && sheet(to) != s) return (*why = "there is a sheet " + to + " already", false);
    if (text::equalIgnoringCase(activeSheet_, s->name)) activeSheet_ = to;
    s->name = to;
    return true;
  }
  Sheet* current = active();
  if (current == nullptr) return (*why = "no active sheet", false);
  if (name == "SELECT") return parseR1C1(text(0), &row_, &column_) ? true : (*why = "no cell " + text(0), false);
  if (name == "FORMULA") {
    if (text(0).empty()) {
      current->cells.erase({row_, column_});
    } else {
      current->cells[{row_, column_}] = text(0);
    }
    return true;
  }
  if (name == "FORMULA.REPLACE") {
    if (text(0).empty()) return (*why = "nothing to find", false);
    for (auto it = current->cells.begin(); it != current->cells.end();) {
      it->second = replaceAll(it->second, text(0), text(1));
      it = it->second.empty() ? current->cells.erase(it) : std::next(it);
    }
    return true;
  }
  if (name == "CLEAR") {
    current->cells.erase({row_, column_});
    return true;
  }
  if (name == "SAVE") {
    book_->active = activeSheet_;  // the workbook opens where the user left it
    return writeWorkbook(path_, *book_, why);
  }
  return (*why = "unknown command", false);
}

}  // namespace pixmend::host
