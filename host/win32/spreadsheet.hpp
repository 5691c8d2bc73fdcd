// The spreadsheet stand-in the host serves over DDE (service "Excel", topic "system"): one open
// workbook, an active sheet and an active cell, driven by the macro commands the applications
// send ("[open(\"book.xlsx\")]", "[SELECT(\"R100C1\")]", "[FORMULA.REPLACE(\"%01%kost\",\"12,50\")]",
// "[SAVE()]" ...). Every command carried out or refused is journaled on channel "dde".
#pragma once

#include <optional>
#include <string>

#include "host/win32/workbook.hpp"

namespace pixmend::host {

class Spreadsheet {
 public:
  // Carries out an execute text: one or more bracketed commands, in order. False, with the
  // reason in *why, at the first command that is malformed, unknown or fails (those before it
  // stay done).
  bool execute(const std::string& commands, std::string* why);

  // What is open, for tests and the journal.
  const std::optional<Workbook>& workbook() const { return book_; }
  const std::string& path() const { return path_; }

 private:
  bool run(const std::string& name, const std::vector<std::optional<std::string>>& args, std::string* why);
  Sheet* sheet(const std::string& name);
  Sheet* active();

  std::optional<Workbook> book_;
  std::string path_;
  std::string activeSheet_;
  int row_ = 1, column_ = 1;
};

// The stand-in of this process (started over when the host is).
Spreadsheet& spreadsheet();

}  // namespace pixmend::host
