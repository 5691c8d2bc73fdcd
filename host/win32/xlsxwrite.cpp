// Writing .xlsx workbooks for the spreadsheet stand-in (see workbook.hpp) with libxlsxwriter.
// The library writes files by name only, so it writes a fresh temporary beside the target that
// is then renamed over it: the target is replaced whole or not at all.
#include <xlsxwriter.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "common/text.hpp"
#include "host/win32/workbook.hpp"

namespace pixmend::host {
namespace {

// A text that is wholly a decimal number as the file writes numbers ("12", "-3.5", "1e3") is kept
// as a number; anything a reader could tell apart from the number it gives ("007", " 12", "0x1F",
// "12,50") stays text.
std::optional<double> plainNumber(const std::string& value) {
  if (value.empty() || value.find_first_not_of("0123456789.-+eE") != std::string::npos) return std::nullopt;
  const std::size_t digit = value[0] == '-' ? 1 : 0;
  if (value.size() > digit + 1 && value[digit] == '0' && value[digit + 1] != '.') return std::nullopt;
  return text::parseNumber(value);
}

}  // namespace

bool writeWorkbook(const std::string& path, const Workbook& book, std::string* why) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temporary = folder + "/." + name + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return (*why = "cannot create a temporary file in " + folder, false);
  ::close(fd);
  lxw_workbook_options options{};
  options.constant_memory = LXW_FALSE;
  options.tmpdir = nullptr;
  lxw_workbook* workbook = workbook_new_opt(temporary.c_str(), &options);
  bool ok = workbook != nullptr;
  for (const Sheet& sheet : book.sheets) {
    if (!ok) break;
    lxw_worksheet* ws = workbook_add_worksheet(workbook, sheet.name.c_str());
    if (ws == nullptr) {
      ok = false;
      *why = "the sheet name \"" + sheet.name + "\" cannot be written";
      break;
    }
    if (!book.active.empty() && text::equalIgnoringCase(sheet.name, book.active)) worksheet_activate(ws);
    for (const auto& [at, value] : sheet.cells) {
      const lxw_row_t row = static_cast<lxw_row_t>(at.first - 1);
      const lxw_col_t column = static_cast<lxw_col_t>(at.second - 1);
      const std::optional<double> number = plainNumber(value);
      const lxw_error error = number ? worksheet_write_number(ws, row, column, *number, nullptr)
                                     : worksheet_write_string(ws, row, column, value.c_str(), nullptr);
      if (error != LXW_NO_ERROR) {
        ok = false;
        *why = lxw_strerror(error);
        break;
      }
    }
  }
  if (workbook != nullptr) {
    const lxw_error error = workbook_close(workbook);
    if (ok && error != LXW_NO_ERROR) {
      ok = false;
      *why = lxw_strerror(error);
    }
  } else {
    *why = "cannot start the workbook writer";
  }
  if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    *why = "cannot replace " + path;
  }
  if (!ok) std::remove(temporary.c_str());
  return ok;
}

}  // namespace pixmend::host
