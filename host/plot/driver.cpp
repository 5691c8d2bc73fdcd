// Reading plot-driver files (driver.hpp).
#include "host/plot/driver.hpp"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/text.hpp"

namespace pixmend::host::plot {
namespace {

const Paper kIsoPapers[] = {{"A0", 841, 1189}, {"A1", 594, 841}, {"A2", 420, 594},
                            {"A3", 297, 420},  {"A4", 210, 297}, {"A5", 148, 210}};
constexpr std::size_t kIsoPaperCount = sizeof kIsoPapers / sizeof kIsoPapers[0];
constexpr double kMaxPaperMm = 100000;  // 100 m of roll paper
constexpr double kMaxMarginMm = 100;

std::string trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool number(const std::string& text, double low, double high, double* out) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || end == nullptr || *end != '\0' || !std::isfinite(value) || value < low || value > high) return false;
  *out = value;
  return true;
}

// One "key = value" line into the driver; "" or the reason.
std::string take(const std::string& key, const std::string& value, Driver* d) {
  if (key == "description") {
    d->description = value;
  } else if (key == "language") {
    if (value == "postscript") d->language = Language::PostScript;
    else if (value == "hpgl2") d->language = Language::Hpgl2;
    else return "the language is postscript or hpgl2, not '" + value + "'";
  } else if (key == "output") {
    if (value != "file" && value != "system-printer") return "the output is file or system-printer";
    d->systemPrinter = value == "system-printer";
  } else if (key == "printer") {
    d->printer = value;
  } else if (key == "file") {
    d->file = value;
  } else if (key == "extension") {
    if (value.size() > 16 || value.find_first_of("/\\. ") != std::string::npos) return "an extension is a short name without a dot";
    d->extension = value;
  } else if (key == "margin") {
    if (!number(value, 0, kMaxMarginMm, &d->margin)) return "the margin is a number of millimetres from 0 to 100";
  } else if (key == "paper") {
    std::istringstream words(value);
    Paper p;
    std::string width, height, extra;
    if (!(words >> p.name >> width >> height) || (words >> extra) || !number(width, 1, kMaxPaperMm, &p.width) ||
        !number(height, 1, kMaxPaperMm, &p.height))
      return "a paper is NAME WIDTH HEIGHT in millimetres";
    if (d->papers.size() >= kMaxPapers) return "more than 64 papers";
    if (findPaper(*d, p.name.c_str()) != nullptr) return "the paper " + p.name + " is given twice";
    d->papers.push_back(p);
  } else {
    return "unknown key '" + key + "'";
  }
  return "";
}

}  // namespace

bool readDriver(const std::string& path, Driver* out, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot read the plot driver " + path;
    return false;
  }
  std::string text(kMaxDriverBytes + 1, '\0');
  in.read(&text[0], static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kMaxDriverBytes || text.find('\0') != std::string::npos) {
    *error = "the plot driver " + path + " is not a driver file (binary, or larger than 64 KiB)";
    return false;
  }
  Driver d;
  d.path = path;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    const std::string content = trim(line.substr(0, line.find('#')));
    if (content.empty()) continue;
    const auto equals = content.find('=');
    std::string why = equals == std::string::npos ? "a line without '='"
                                                  : take(trim(content.substr(0, equals)), trim(content.substr(equals + 1)), &d);
    if (!why.empty()) {
      *error = path + ":" + std::to_string(number) + ": " + why;
      return false;
    }
  }
  for (const Paper& iso : kIsoPapers) {
    if (findPaper(d, iso.name.c_str()) == nullptr) d.papers.push_back(iso);
  }
  for (const Paper& p : d.papers) {
    if (p.width <= 2 * d.margin || p.height <= 2 * d.margin) {
      *error = path + ": the margin leaves nothing of the paper " + p.name;
      return false;
    }
  }
  *out = std::move(d);
  return true;
}

const Paper* findPaper(const Driver& driver, const char* name) {
  if (name == nullptr) return driver.papers.size() > kIsoPaperCount ? &driver.papers.front() : findPaper(driver, "A4");
  for (const Paper& p : driver.papers) {
    if (text::equalIgnoringCase(p.name, name)) return &p;
  }
  return nullptr;
}

}  // namespace pixmend::host::plot
