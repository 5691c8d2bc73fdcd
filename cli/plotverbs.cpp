// The session verb `plot` and the subcommand `pixmend plot`: plotting the fence, or the whole
// design, through a plot-driver file (host/plot, docs/plot.md).
//
//   plot DRIVER.plt [to FILE] [paper NAME] [copies N] [maximize]
//
// Without `to`, the plot goes where the driver says (its own file, or the system printer).
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "cli/commands.hpp"
#include "cli/session.hpp"
#include "common/text.hpp"
#include "host/config/config.hpp"
#include "host/design/design.hpp"
#include "host/plot/plot.hpp"

namespace pixmend::cli {
namespace {

struct PlotOptions {
  std::string driver, to, paper;
  int copies = 1;
  bool maximize = false;
};

std::string parsePlot(const Step& s, PlotOptions* o) {
  const std::string usage = "usage: plot DRIVER.plt [to FILE] [paper NAME] [copies N] [maximize]";
  if (s.words.empty()) return usage;
  o->driver = s.words[0];
  for (std::size_t i = 1; i < s.words.size(); ++i) {
    const std::string& w = s.words[i];
    if (w == "maximize") {
      o->maximize = true;
      continue;
    }
    if (i + 1 >= s.words.size()) return usage;
    const std::string& value = s.words[++i];
    if (w == "to") {
      o->to = value;
    } else if (w == "paper") {
      o->paper = value;
    } else if (w == "copies") {
      const auto n = text::parseInteger(value, 1, 99, 0);
      if (!n) return "copies is a number from 1 to 99";
      o->copies = static_cast<int>(*n);
    } else {
      return usage;
    }
  }
  std::string problem = nameProblem(o->driver);
  if (problem.empty() && !o->to.empty()) problem = nameProblem(o->to);
  return problem;
}

std::string runPlot(const Step& s, PlayContext&) {
  PlotOptions o;
  parsePlot(s, &o);
  PlotDescr* descr = nullptr;
  const std::string driver = host::expandText(o.driver);
  if (mdlPlot_createDescr(&descr, driver.c_str(), o.paper.empty() ? nullptr : o.paper.c_str(),
                          PLOT_UNITS_MILLIMETRES, nullptr) != SUCCESS)
    return "cannot plot with " + o.driver;
  std::string problem;
  if (mdlPlot_setAreaFromFence(descr) != SUCCESS) {
    DPoint3d low{}, high{};
    if (!host::plot::designRange(&low, &high) || host::plot::setPlotArea(descr, low, high) != SUCCESS)
      problem = "nothing to plot: no fence and no elements";
  }
  if (problem.empty()) {
    mdlPlot_setCopies(descr, o.copies);
    if (o.maximize) mdlPlot_maximize(descr);
    const std::string to = host::expandText(o.to);
    if (mdlPlot_plot(descr, to.empty() ? nullptr : to.c_str()) != SUCCESS) problem = "the plot failed";
  }
  mdlPlot_freeDescr(&descr);
  return problem;
}

const bool registered = [] {
  registerVerb({"plot", "plot DRIVER.plt [to FILE] [paper NAME] [copies N] [maximize]",
                "plot the fence (or the whole design) through a plot driver, to FILE or where the driver says",
                [](const Step& s) {
                  PlotOptions o;
                  return parsePlot(s, &o);
                },
                runPlot});
  return true;
}();

// Quotes a word of a generated script line when it holds blanks.
std::string word(const std::string& w) {
  return w.find_first_of(" \t") == std::string::npos ? w : "\"" + w + "\"";
}

}  // namespace

// `pixmend plot DESIGN --format ps|hpgl|pcl|txt [--paper A0-A5] OUT`: the design's elements
// through the library's plot-file drivers (the VXPlot application). The file counts as written
// only when it was replaced: a plot that found nothing to draw, or a driver that could not write,
// leaves the old file and ends with status 1.
int runFormatPlot(const std::string& design, const std::string& format, const std::string& paper,
                  const std::string& out) {
  struct stat before {};
  const bool existed = ::stat(out.c_str(), &before) == 0;
  const std::string script = "design open " + word(design) + "\nload VXPlot\nkeyin vxplot " + format + " " +
                             (paper.empty() ? "A4" : paper) + " " + out + "\nunload VXPlot\ndesign close\n";
  // The library asks where its files are when VX_DIR is not set; a plot needs none of them.
  const std::string setUp = std::getenv("VX_DIR") == nullptr ? "set VX_DIR ./\n" : "";
  const int status = runScript(setUp + script, "pixmend plot", std::cout, std::cerr);
  if (status != 0) return status;
  struct stat after {};
  if (::stat(out.c_str(), &after) != 0 ||
      (existed && after.st_ino == before.st_ino && after.st_mtim.tv_sec == before.st_mtim.tv_sec &&
       after.st_mtim.tv_nsec == before.st_mtim.tv_nsec)) {
    std::fprintf(stderr, "pixmend plot: %s was not written\n", out.c_str());
    return 1;
  }
  return 0;
}

int runPlotCommand(const Args& args) {
  const char* usage =
      "usage: pixmend plot DESIGN.dgn --driver FILE.plt [-o FILE] [--paper NAME] [--area X1 Y1 X2 Y2] "
      "[--maximize] [--copies N]\n"
      "       pixmend plot DESIGN.dgn --format ps|hpgl|pcl|txt [--paper A0-A5] OUT\n";
  if (args.empty()) {
    std::fputs(usage, stderr);
    return 2;
  }
  std::string script = "design open " + word(args[0]) + "\n", plot, fence, format, paper, out;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--driver" && hasValue) plot = "plot " + word(args[++i]) + plot;
    else if (a == "--format" && hasValue) format = args[++i];
    else if (a == "-o" && hasValue) out = args[++i], plot += " to " + word(out);
    else if (a == "--paper" && hasValue) paper = args[++i], plot += " paper " + word(paper);
    else if (a == "--copies" && hasValue) plot += " copies " + word(args[++i]);
    else if (a == "--maximize") plot += " maximize";
    else if (a == "--area" && i + 4 < args.size()) {
      fence = "fence " + args[i + 1] + " " + args[i + 2] + " " + args[i + 3] + " " + args[i + 4] + "\n";
      i += 4;
    } else if (a.empty() || a[0] == '-' || !out.empty()) {
      std::fputs(usage, stderr);
      return 2;
    } else {
      out = a, plot += " to " + word(out);
    }
  }
  if (!format.empty()) {
    const bool known = format == "ps" || format == "hpgl" || format == "pcl" || format == "txt";
    if (!known || out.empty() || plot.rfind("plot ", 0) == 0 || !fence.empty() || !nameProblem(out).empty()) {
      std::fputs(usage, stderr);
      return 2;
    }
    return runFormatPlot(args[0], format, paper, out);
  }
  if (plot.rfind("plot ", 0) != 0) {
    std::fputs(usage, stderr);
    return 2;
  }
  return runScript(script + fence + plot + "\ndesign close\n", "pixmend plot", std::cout, std::cerr);
}

}  // namespace pixmend::cli
