// Session verbs for the design file, raster attachments, the fence and pictures of a view:
//   design new|open FILE                    creates or opens a design file; design close goes
//                                           back to a temporary design
//   design units N                          N units of resolution (design units) per master unit
//   fence X1 Y1 X2 Y2 [X3 Y3 ...] [view N]  places the fence: two points a block, more a shape;
//                                           fence clear removes it
//   attach FILE [origin X Y] [extent W H]   attaches a raster as the host's own command does
//   export FILE.png [size N] [view N]       writes what a view shows as a PNG picture
//   copy SOURCE DESTINATION                 copies a file (e.g. a scan into the session's folder)
//   view N rotate DEGREES | view N area X1 Y1 X2 Y2 | view N area fit
//                                           turns a view, or sets the area it shows
// File names may hold configuration variables ($(NAME)); the journal shows them as written, so a
// session that copies its scans from a folder named by a variable journals the same everywhere.
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "cli/session.hpp"
#include "common/text.hpp"
#include "host/config/config.hpp"
#include "host/design/design.hpp"
#include "host/files/files.hpp"
#include "host/output/journal.hpp"
#include "host/raster/picture.hpp"
#include "host/raster/raster.hpp"
#include "host/system/publish.hpp"
#include "host/view/api.h"
#include "host/view/view.hpp"

namespace pixmend::cli {
namespace {

using text::parseInteger;
using text::parseNumber;

using host::journal;

// ---- design ---------------------------------------------------------------------------------------

std::string checkDesign(const Step& s) {
  if (s.words.size() == 1 && s.words[0] == "close") return "";
  if (s.words.size() == 2 && s.words[0] == "units") {
    const auto units = parseNumber(s.words[1]);
    return units && *units > 0 ? "" : "the units are a number above 0 (units of resolution per master unit)";
  }
  if (s.words.size() != 2 || (s.words[0] != "new" && s.words[0] != "open"))
    return "usage: design new|open FILE | design units N | design close";
  return nameProblem(s.words[1]);
}

std::string runDesign(const Step& s, PlayContext&) {
  if (s.words[0] == "close") {
    host::closeDesign();
    return "";
  }
  if (s.words[0] == "units") {
    host::setUorsPerMasterUnit(*parseNumber(s.words[1]));
    return "";
  }
  const std::string path = host::expandText(s.words[1]);
  std::string error;
  const bool done = s.words[0] == "new" ? host::createDesign(path, &error) : host::openDesign(path, &error);
  return done ? "" : error;
}

// ---- attach ---------------------------------------------------------------------------------------

struct AttachOptions {
  std::optional<DPoint3d> origin;
  std::optional<DPoint2d> extent;
};

std::string parseAttach(const Step& s, AttachOptions* options) {
  const std::string usage = "usage: attach FILE [origin X Y] [extent W H]";
  if (s.words.empty()) return usage;
  if (const std::string problem = nameProblem(s.words[0]); !problem.empty()) return problem;
  for (std::size_t i = 1; i < s.words.size(); i += 3) {
    if (i + 2 >= s.words.size()) return usage;
    const auto a = parseNumber(s.words[i + 1]), b = parseNumber(s.words[i + 2]);
    if (!a || !b) return s.words[i] + " takes two numbers";
    if (s.words[i] == "origin" && !options->origin) {
      options->origin = DPoint3d{*a, *b, 0};
    } else if (s.words[i] == "extent" && !options->extent) {
      if (!(*a > 0 && *b > 0)) return "the extent must be positive";
      options->extent = DPoint2d{*a, *b};
    } else {
      return usage;
    }
  }
  return "";
}

std::string runAttach(const Step& s, PlayContext&) {
  AttachOptions options;
  parseAttach(s, &options);
  DgnRaster* raster = nullptr;
  const int status =
      host::attachRaster(s.words[0], false, options.origin ? &*options.origin : nullptr,
                         options.extent ? &*options.extent : nullptr, RASTER_UPDATE_ALL, &raster);
  if (status != SUCCESS) return "cannot attach " + s.words[0] + ": " + host::imageErrorText(status);
  return "";
}

// ---- export ---------------------------------------------------------------------------------------

struct ExportOptions {
  int size = 0;
  int view = 0;
};

std::string parseExport(const Step& s, ExportOptions* options) {
  const std::string usage = "usage: export FILE.png [size N] [view N]";
  if (s.words.empty() || s.words.size() % 2 == 0) return usage;
  if (const std::string problem = nameProblem(s.words[0]); !problem.empty()) return problem;
  bool sized = false, viewed = false;
  for (std::size_t i = 1; i + 1 < s.words.size(); i += 2) {
    if (s.words[i] == "size" && !sized) {
      const auto n = parseInteger(s.words[i + 1], 1, host::kMaxPictureSide);
      if (!n) return "the size is a number of pixels from 1 to " + std::to_string(host::kMaxPictureSide);
      options->size = static_cast<int>(*n);
      sized = true;
    } else if (s.words[i] == "view" && !viewed) {
      const auto n = parseInteger(s.words[i + 1], 0, MAX_VIEWS - 1);
      if (!n) return "the view is a number from 0 to 7";
      options->view = static_cast<int>(*n);
      viewed = true;
    } else {
      return usage;
    }
  }
  return "";
}

std::string runExport(const Step& s, PlayContext&) {
  ExportOptions options;
  parseExport(s, &options);
  host::PictureFrame frame;
  std::string why;
  if (!host::writeViewPicture(options.view, host::expandText(s.words[0]), options.size, &frame, &why))
    return why;
  journal().append(
      "view", "picture of view " + std::to_string(options.view) + ": " + std::to_string(frame.width) + " x " +
                  std::to_string(frame.height) + " pixels of " + host::formatNumber(frame.area.low.x) + "," +
                  host::formatNumber(frame.area.low.y) + " to " + host::formatNumber(frame.area.high.x) +
                  "," + host::formatNumber(frame.area.high.y));
  journal().append("file", "wrote " + s.words[0]);
  return "";
}

// ---- copy -----------------------------------------------------------------------------------------

std::string runCopy(const Step& s, PlayContext&) {
  const std::string source = host::expandText(s.words[0]);
  const std::string destination = host::expandText(s.words[1]);
  struct stat st {};
  if (::stat(source.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return "cannot read " + s.words[0];
  std::ifstream in(source, std::ios::binary);
  if (!in) return "cannot read " + s.words[0];
  host::AtomicFile out(destination);
  std::vector<char> buffer(1 << 16);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (in.gcount() > 0) out.write(buffer.data(), static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad() || !out.ok() || !out.commit()) return "cannot copy " + s.words[0] + " to " + s.words[1];
  journal().append("file", "copied " + s.words[0] + " to " + s.words[1]);
  return "";
}

// ---- fence ----------------------------------------------------------------------------------------

struct FenceOptions {
  std::vector<DPoint3d> points;
  int view = 0;
};

std::string parseFence(const Step& s, FenceOptions* options) {
  const std::string usage = "usage: fence X1 Y1 X2 Y2 [X3 Y3 ...] [view N] | fence clear";
  if (s.words.size() == 1 && s.words[0] == "clear") return "";
  std::size_t count = s.words.size();
  if (count >= 2 && s.words[count - 2] == "view") {
    const auto n = parseInteger(s.words[count - 1], 0, MAX_VIEWS - 1);
    if (!n) return "the view is a number from 0 to 7";
    options->view = static_cast<int>(*n);
    count -= 2;
  }
  if (count < 4 || count % 2 != 0) return usage;
  for (std::size_t i = 0; i < count; i += 2) {
    const auto x = parseNumber(s.words[i]), y = parseNumber(s.words[i + 1]);
    if (!x || !y) return "the points are numbers";
    options->points.push_back({*x, *y, 0});
  }
  return "";
}

std::string runFence(const Step& s, PlayContext&) {
  if (s.words.size() == 1) {
    host::removeFence();
    return "";
  }
  FenceOptions options;
  parseFence(s, &options);
  std::vector<DPoint3d> vertices = options.points;
  if (vertices.size() == 2) {  // a block
    const DPoint3d a = vertices[0], b = vertices[1];
    vertices = {a, {b.x, a.y, 0}, b, {a.x, b.y, 0}};
  }
  std::string why;
  if (!host::defineFence(vertices, options.view, &why)) return "cannot place the fence: " + why;
  return "";
}

// ---- view -----------------------------------------------------------------------------------------

std::string checkView(const Step& s) {
  const std::string usage = "usage: view N rotate DEGREES | view N area X1 Y1 X2 Y2 | view N area fit";
  if (s.words.size() < 3 || !parseInteger(s.words[0], 0, MAX_VIEWS - 1)) {
    return s.words.size() >= 3 ? "the view is a number from 0 to 7" : usage;
  }
  if (s.words[1] == "rotate" && s.words.size() == 3)
    return parseNumber(s.words[2]) ? "" : "DEGREES must be a number";
  if (s.words[1] == "area" && s.words.size() == 3 && s.words[2] == "fit") return "";
  if (s.words[1] == "area" && s.words.size() == 6) {
    for (std::size_t i = 2; i < 6; ++i) {
      if (!parseNumber(s.words[i])) return "the corners are numbers";
    }
    if (*parseNumber(s.words[2]) == *parseNumber(s.words[4]) || *parseNumber(s.words[3]) == *parseNumber(s.words[5])) {
      return "the area needs a width and a height";
    }
    return "";
  }
  return usage;
}

std::string runView(const Step& s, PlayContext&) {
  const int view = static_cast<int>(*parseInteger(s.words[0], 0, MAX_VIEWS - 1));
  if (s.words[1] == "rotate") {
    host::rotateViewAboutZ(view, *parseNumber(s.words[2]));
  } else if (s.words[2] == "fit") {
    host::clearViewArea(view);
  } else {
    host::setViewArea(view, DPoint2d{*parseNumber(s.words[2]), *parseNumber(s.words[3])},
                      DPoint2d{*parseNumber(s.words[4]), *parseNumber(s.words[5])});
  }
  return "";
}

const bool registered = [] {
  registerVerb({"design", "design new|open FILE|units N|close",
                "create or open a design file (design close: a temporary design); design units N: N design "
                "units (units of resolution) per master unit",
                checkDesign, runDesign});
  registerVerb({"fence", "fence X1 Y1 X2 Y2 [X3 Y3 ...] [view N]|clear",
                "place the fence (two points: a block; more: a shape, closed for you), or remove it",
                [](const Step& s) {
                  FenceOptions options;
                  return parseFence(s, &options);
                },
                runFence});
  registerVerb({"attach", "attach FILE [origin X Y] [extent W H]",
                "attach a raster as the host's command does (placement: the file's own, or as given)",
                [](const Step& s) {
                  AttachOptions options;
                  return parseAttach(s, &options);
                },
                runAttach});
  registerVerb({"export", "export FILE.png [size N] [view N]",
                "write what a view shows as a PNG picture, N pixels on the long side (default: the rasters' "
                "own, at most 2000)",
                [](const Step& s) {
                  ExportOptions options;
                  return parseExport(s, &options);
                },
                runExport});
  registerVerb({"copy", "copy SOURCE DESTINATION", "copy a file (names may hold $(VARIABLES))",
                [](const Step& s) -> std::string {
                  if (s.words.size() != 2) {
                    // A name with blanks whose quote is not closed falls apart into words.
                    for (const std::string& w : s.words)
                      if (!nameProblem(w).empty()) return nameProblem(w);
                    return "usage: copy SOURCE DESTINATION";
                  }
                  const std::string problem = nameProblem(s.words[0]);
                  return problem.empty() ? nameProblem(s.words[1]) : problem;
                },
                runCopy});
  registerVerb({"view", "view N rotate DEGREES|area X1 Y1 X2 Y2|area fit",
                "turn a view about the design's z axis, or set the area it shows (fit: its rasters)",
                checkView, runView});
  return true;
}();

}  // namespace
}  // namespace pixmend::cli
