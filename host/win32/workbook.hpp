// The spreadsheet stand-in's workbook: named sheets of text cells, read from and written to
// .xlsx files. Rows and columns count from 1, as the spreadsheet's R1C1 references do.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pixmend::host {

struct Sheet {
  std::string name;
  std::map<std::pair<int, int>, std::string> cells;  // (row, column) -> text; no empty texts
};

struct Workbook {
  std::vector<Sheet> sheets;
  std::string active;  // the sheet a written workbook opens on ("" the first); not read from files
};

// Limits of the file format (and of what we read).
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
constexpr std::size_t kMaxSheetName = 31;

// Reads the sheets and cells of an .xlsx workbook (shared and inline strings, numbers as their
// text). False with the reason in *why for a file that is no such workbook; nothing read from a
// hostile file is trusted (sizes, counts, offsets, references are checked).
bool readWorkbook(const std::string& path, Workbook* out, std::string* why);

// Writes the workbook to `path` as .xlsx, atomically (a temporary beside it, renamed over it).
// False with the reason; the old file is then as it was.
bool writeWorkbook(const std::string& path, const Workbook& book, std::string* why);

}  // namespace pixmend::host
