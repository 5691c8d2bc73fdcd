// The plot descriptors of the plot group (api.h): made from plot-driver files (driver.hpp), given
// a paper, an area, copies and a scale, and plotted to a file or the system printer
// (render.hpp). The host keeps every descriptor it made, so a pointer it did not make, or one
// already freed, is refused instead of being used.
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

#include "host/design/design.hpp"
#include "host/output/answers.hpp"
#include "host/output/journal.hpp"
#include "host/plot/api.h"
#include "host/plot/driver.hpp"
#include "host/plot/plot.hpp"
#include "host/plot/render.hpp"

struct PlotDescr {
  pixmend::host::plot::Driver driver;
  pixmend::host::plot::Paper paper;
  int units = PLOT_UNITS_MILLIMETRES;
  bool hasArea = false;
  double low[2] = {0, 0};
  double high[2] = {0, 0};
  int copies = 1;
  bool maximized = false;
};

namespace pixmend::host::plot {
namespace {

std::map<const PlotDescr*, std::unique_ptr<PlotDescr>>& descriptors() {
  static std::map<const PlotDescr*, std::unique_ptr<PlotDescr>> all;
  return all;
}

PlotDescr* known(const PlotDescr* d) {
  auto it = descriptors().find(d);
  return it == descriptors().end() ? nullptr : it->second.get();
}

int copyOut(const std::string& value, char* out, int size) {
  if (out == nullptr || size < 1) return MDLERR_BADARG;
  std::snprintf(out, static_cast<std::size_t>(size), "%s", value.c_str());
  return value.size() < static_cast<std::size_t>(size) ? SUCCESS : MDLERR_TOOLARGE;
}

std::string paperText(const Paper& p) {
  char text[96];
  std::snprintf(text, sizeof text, "%s %g x %g mm", p.name.c_str(), p.width, p.height);
  return text;
}

// Writes the plot to `path` through the plot files (atomic, journaled on "file").
bool writeFile(const std::string& path, const std::string& bytes) {
  PlotFile* file = mdlPlotFile_open(path.c_str());
  if (file == nullptr) return false;
  const bool written = mdlPlotFile_write(file, bytes.data(), static_cast<unsigned int>(bytes.size())) == SUCCESS;
  return mdlPlotFile_close(file) == SUCCESS && written;
}

// Prints the plot on the driver's printer (the system's default printer when it names none)
// from a temporary file removed afterwards.
int printOnSystemPrinter(const PlotDescr& d, const std::string& bytes, const std::string& title) {
  std::string printer = d.driver.printer;
  if (printer.empty()) {
    char name[256] = "";
    if (mdlPlot_getSystemPrinterName(name, sizeof name) != SUCCESS) {
      journal().append("plot", "cannot plot: no system printer");
      return MDLERR_PLOTFAILED;
    }
    printer = name;
  }
  char path[] = "/tmp/pixmend-plot-XXXXXX";
  const int fd = ::mkstemp(path);
  if (fd < 0) return MDLERR_PLOTFAILED;
  ::close(fd);
  int status = MDLERR_PLOTFAILED;
  if (writeFile(path, bytes) && mdlPlot_printFile(printer.c_str(), path, d.copies, title.c_str()) == SUCCESS) status = SUCCESS;
  ::unlink(path);
  return status;
}

}  // namespace

int setPlotArea(PlotDescr* descr, const DPoint3d& low, const DPoint3d& high) {
  PlotDescr* d = known(descr);
  if (d == nullptr || !(high.x > low.x) || !(high.y > low.y)) return MDLERR_BADARG;
  d->low[0] = low.x, d->low[1] = low.y, d->high[0] = high.x, d->high[1] = high.y;
  d->hasArea = true;
  return SUCCESS;
}

}  // namespace pixmend::host::plot

using namespace pixmend::host;
using namespace pixmend::host::plot;

extern "C" {

int mdlPlot_createDescr(PlotDescr** descrOut, const char* driverFile, const char* paperName, int units,
                        const ViewFlags* viewFlags) {
  (void)viewFlags;  // plots draw every element of the area; the view's flags change nothing here
  if (descrOut == nullptr) return MDLERR_BADARG;
  *descrOut = nullptr;
  if (driverFile == nullptr || (units != PLOT_UNITS_MILLIMETRES && units != PLOT_UNITS_INCHES)) return MDLERR_BADARG;
  auto d = std::make_unique<PlotDescr>();
  std::string error;
  if (!readDriver(driverFile, &d->driver, &error)) {
    journal().append("plot", error);
    return MDLERR_BADPLOTDRIVER;
  }
  const Paper* paper = findPaper(d->driver, paperName);
  if (paper == nullptr) {
    journal().append("plot", std::string("the plot driver ") + driverFile + " offers no paper " + paperName);
    return MDLERR_NOSUCHPAPER;
  }
  d->paper = *paper;
  d->units = units;
  journal().append("plot", std::string("plot descriptor from ") + driverFile + ": " + paperText(d->paper));
  *descrOut = d.get();
  descriptors().emplace(d.get(), std::move(d));
  return SUCCESS;
}

void mdlPlot_freeDescr(PlotDescr** descrP) {
  if (descrP == nullptr || *descrP == nullptr) return;
  descriptors().erase(*descrP);
  *descrP = nullptr;
}

int mdlPlot_isSystemPrinter(const PlotDescr* descr) {
  const PlotDescr* d = known(descr);
  return d != nullptr && d->driver.systemPrinter ? 1 : 0;
}

int mdlPlot_getPrinterName(char* name, int size, const PlotDescr* descr) {
  const PlotDescr* d = known(descr);
  if (d == nullptr) return MDLERR_BADARG;
  std::string printer = d->driver.printer;
  if (printer.empty() && d->driver.systemPrinter) {
    char system[256] = "";
    if (mdlPlot_getSystemPrinterName(system, sizeof system) == SUCCESS) printer = system;
  }
  return copyOut(printer, name, size);
}

int mdlPlot_getFileName(char* name, int size, const PlotDescr* descr) {
  const PlotDescr* d = known(descr);
  return d == nullptr ? MDLERR_BADARG : copyOut(d->driver.file, name, size);
}

int mdlPlot_getDefaultExtension(char* extension, int size, const PlotDescr* descr) {
  const PlotDescr* d = known(descr);
  return d == nullptr ? MDLERR_BADARG : copyOut(d->driver.extension, extension, size);
}

int mdlPlot_getPaperName(char* name, int size, const PlotDescr* descr) {
  const PlotDescr* d = known(descr);
  return d == nullptr ? MDLERR_BADARG : copyOut(d->paper.name, name, size);
}

int mdlPlot_getPaperSize(double* width, double* height, const PlotDescr* descr) {
  const PlotDescr* d = known(descr);
  if (d == nullptr || width == nullptr || height == nullptr) return MDLERR_BADARG;
  const double perUnit = d->units == PLOT_UNITS_INCHES ? 25.4 : 1.0;
  *width = (d->paper.width - 2 * d->driver.margin) / perUnit;
  *height = (d->paper.height - 2 * d->driver.margin) / perUnit;
  return SUCCESS;
}

int mdlPlot_printDialog(PlotDescr* descr) {
  PlotDescr* d = known(descr);
  if (d == nullptr) return MDLERR_BADARG;
  Question question;
  question.kind = Question::Kind::Dialog;
  question.text = "Print " + paperText(d->paper) + (d->driver.printer.empty() ? "" : " on " + d->driver.printer);
  question.buttons = {"ok", "cancel"};
  const auto answer = takeAnswer(question);
  // An answer is "ok" or "cancel", optionally followed by the paper to take: "ok A3".
  std::string word = answer ? answer->text : "ok", paperName;
  const auto blank = word.find(' ');
  if (blank != std::string::npos) paperName = word.substr(blank + 1), word = word.substr(0, blank);
  if (word != "ok" && word != "3") {
    journal().append("plot", "print dialog: cancel");
    return ACTIONBUTTON_CANCEL;
  }
  if (!paperName.empty()) {
    const Paper* paper = findPaper(d->driver, paperName.c_str());
    if (paper == nullptr) {
      journal().append("plot", "print dialog: no paper " + paperName + ": cancel");
      return ACTIONBUTTON_CANCEL;
    }
    d->paper = *paper;
  }
  journal().append("plot", "print dialog: ok, " + paperText(d->paper));
  return ACTIONBUTTON_OK;
}

int mdlPlot_setAreaFromFence(PlotDescr* descr) {
  PlotDescr* d = known(descr);
  if (d == nullptr) return MDLERR_BADARG;
  const std::vector<DPoint3d>* fence = fenceVertices();
  if (fence == nullptr || fence->empty()) return MDLERR_NOFENCE;
  d->low[0] = d->high[0] = fence->front().x;
  d->low[1] = d->high[1] = fence->front().y;
  for (const DPoint3d& p : *fence) {
    d->low[0] = std::min(d->low[0], p.x), d->high[0] = std::max(d->high[0], p.x);
    d->low[1] = std::min(d->low[1], p.y), d->high[1] = std::max(d->high[1], p.y);
  }
  d->hasArea = true;
  return SUCCESS;
}

int mdlPlot_setCopies(PlotDescr* descr, int copies) {
  PlotDescr* d = known(descr);
  if (d == nullptr || copies < 1 || copies > 99) return MDLERR_BADARG;
  d->copies = copies;
  return SUCCESS;
}

int mdlPlot_maximize(PlotDescr* descr) {
  PlotDescr* d = known(descr);
  if (d == nullptr) return MDLERR_BADARG;
  d->maximized = true;
  return SUCCESS;
}

int mdlPlot_plot(PlotDescr* descr, const char* fileName) {
  PlotDescr* d = known(descr);
  if (d == nullptr) return MDLERR_BADARG;
  if (!d->hasArea) {
    journal().append("plot", "nothing to plot: no area is set");
    return MDLERR_PLOTFAILED;
  }
  const std::string target = fileName != nullptr && *fileName != '\0' ? fileName : d->driver.file;
  if (target.empty() && !d->driver.systemPrinter) {
    journal().append("plot", "cannot plot: no output file is given and the driver names none");
    return MDLERR_PLOTFAILED;
  }
  PlotJob job;
  job.driver = &d->driver;
  job.paper = d->paper;
  job.low[0] = d->low[0], job.low[1] = d->low[1], job.high[0] = d->high[0], job.high[1] = d->high[1];
  job.maximized = d->maximized;
  job.copies = d->copies;
  job.title = target.empty() ? designFileName() : target;
  const PlotOutput output = renderPlot(job);
  int status = SUCCESS;
  if (!target.empty()) status = writeFile(target, output.bytes) ? SUCCESS : MDLERR_PLOTFAILED;
  else status = printOnSystemPrinter(*d, output.bytes, job.title);
  char scale[32];
  std::snprintf(scale, sizeof scale, "%g", output.scale);
  journal().append("plot", (status == SUCCESS ? "plotted " : "could not plot ") + std::to_string(output.elements) +
                               " elements on " + d->paper.name + " at " + scale + " mm per master unit" +
                               (target.empty() ? " on the system printer" : " to " + target));
  return status;
}

}  // extern "C"
