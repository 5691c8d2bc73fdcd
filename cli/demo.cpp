// pixmend demo: an editing session on a real drawing, then the buffer operations on a sheet.
//
// First it plays a session: a scanned drawing (a circuit diagram from the shared collection of
// test scans, or, without it, a generated drawing-like sheet written as a TIFF) is attached to a
// new design and loaded by VXRaster (backup copy taken, drawn in the active colour); its
// attachment is moved by two points, the move undone and redone, its display inverted and back,
// the bitmap written back; on the circuit diagram a smart move with cut lines and a smart delete,
// the delete undone; it is turned 4 degrees as if scanned crooked, straightened by rotating a line
// drawn along a wire to horizontal, mirrored and the mirror undone; then reverted to the backup,
// and editing ended (colour given back); then its pixels are edited: a rectangle copied with a
// quarter turn and a fence's content deleted. The view is exported as PNG pictures before,
// during and after. The script is written beside the
// pictures so it can be played again, and the session's journal is printed.
//
// Then it draws an A4 sheet at 150 dpi, copies the hatched area with its ink box, pastes it
// opaquely and transparently onto the schedule, then selects the lone letter, extracts it as a
// delete buffer, deletes it and puts it back lower down with a smart paste: the steps of a move.
// Every step writes the sheet (or the buffer) as a binary PBM picture and says where it is.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "bitmap/drawing.hpp"
#include "bitmap/paste.hpp"
#include "bitmap/selection.hpp"
#include "cli/commands.hpp"
#include "cli/session.hpp"
#include "host/files/files.hpp"
#include "host/image/api.h"
#include "host/image/formats.hpp"
#include "pixmend/vxdll.h"

namespace pixmend::cli {
namespace {

// An owned bitmap: its size travels with its bytes, as a copy buffer's does.
struct Buffer {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bits;

  Buffer() = default;
  Buffer(int w, int h) : width(w), height(h), bits(bitmapBytes(w, h), 0) {}
};

class Demo {
 public:
  explicit Demo(std::string dir) : dir_(std::move(dir)) {}

  // Writes `bits` (width x height) as OUTDIR/name in binary PBM: a temporary file beside it,
  // renamed over it once complete. False (with a message) when it cannot be written.
  bool save(const char* name, const std::uint8_t* bits, int width, int height, const char* what) {
    const std::string path = dir_ + "/" + name;
    char header[64];
    const int n = std::snprintf(header, sizeof header, "P4\n%d %d\n", width, height);
    host::AtomicFile out(path);
    out.write(header, static_cast<std::size_t>(n));
    out.write(bits, bitmapBytes(width, height));
    if (out.commit()) {
      std::printf("   %s -> %s\n", what, path.c_str());
      return true;
    }
    std::fprintf(stderr, "pixmend demo: cannot write %s: %s\n", path.c_str(), out.error().c_str());
    return false;
  }

  bool save(const char* name, const Buffer& b, const char* what) {
    return save(name, b.bits.data(), b.width, b.height, what);
  }

 private:
  std::string dir_;
};

// Copies the w x h rectangle at (x, y) of the sheet into a new buffer. The exported paste
// cannot know its destination's height, so only the sheet's rows down to the rectangle's
// bottom are handed to it; rows above the buffer are skipped by the paste itself.
Buffer copyOut(const Drawing& sheet, int x, int y, int w, int h) {
  Buffer b(w, h);
  VXDllPaste(b.bits.data(), sheet.bits.data(), -x, -y, sheet.width, y + h, w);
  return b;
}

// How far ink runs from (x, y) to the right and down: the size of a feature whose top-left
// corner and outline start there.
int runRight(const Drawing& d, int x, int y) {
  int n = 0;
  while (d.view().at(x + n, y)) ++n;
  return n;
}
int runDown(const Drawing& d, int x, int y) {
  int n = 0;
  while (d.view().at(x, y + n)) ++n;
  return n;
}

// The shared collection of test scans: PIXMEND_TESTDATA when it is set, else "shared/testdata"
// beside the current folder or up to five folders above it (where the build finds it), else
// beside or above the program. "" when there is none.
std::string findTestScans() {
  if (const char* set = std::getenv("PIXMEND_TESTDATA"); set != nullptr && *set != '\0') return set;
  std::error_code error;
  std::vector<std::filesystem::path> starts{std::filesystem::current_path(error)};
  const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) starts.push_back(program.parent_path());
  for (auto dir : starts) {
    for (int up = 0; up <= 5 && !dir.empty(); ++up, dir = dir.parent_path()) {
      if (std::filesystem::is_regular_file(dir / "shared/testdata/README.md", error)) {
        return (dir / "shared/testdata").string();
      }
      if (dir == dir.parent_path()) break;
    }
  }
  return "";
}

// The drawing the session edits, as "drawing.tif" in the demo's folder: the circuit diagram of
// the shared scans (copied by the session itself), or the generated sheet written here. Its size
// goes to `width` and `height`; the script's first lines (how it gets the drawing) to `lines`.
bool prepareDrawing(const std::string& scans, int* width, int* height, std::string* lines,
                    std::string* what) {
  const std::string scan = scans + "/tiff/CCITT_2.TIF";
  host::ImageFileInfo info;
  if (!scans.empty() && host::describeImageFile(scan.c_str(), info) == 0) {
    *width = info.width;
    *height = info.height;
    *lines = "set PIXMEND_TESTDATA " + scans + "\ncopy $(PIXMEND_TESTDATA)/tiff/CCITT_2.TIF drawing.tif\n";
    *what = "a scanned circuit diagram (CCITT_2.TIF of the shared test scans, 1728 x 2376 pixels at 200 dpi)";
    return true;
  }
  const Drawing sheet = makeDrawing(1240, 1754);
  const Point2d size{sheet.width, sheet.height};
  if (mdlImage_createFileFromBitMap("drawing.tif", IMAGEFILE_TIFF, &size, sheet.bits.data(), 0, 0, 0,
                                    nullptr) != 0) {
    std::fprintf(stderr, "pixmend demo: cannot write drawing.tif\n");
    return false;
  }
  *width = sheet.width;
  *height = sheet.height;
  *lines = "# drawing.tif is the generated A4 sheet (no shared test scans were found)\n";
  *what = "a generated drawing-like A4 sheet at 150 dpi (the shared test scans were not found)";
  return true;
}

// The deskew steps of the session, for a drawing of `width` x `height` pixels (one design unit a
// pixel): the drawing turned 4 degrees as if fed crooked into the scanner, straightened by
// rotating a line along it to horizontal, mirrored left to right about its middle and the mirror
// undone, each step pictured. The drawing's lower-left corner lies at `origin` (dx, dy). On the
// circuit diagram (`scan`) the line runs along the wire left of the right-hand transistor's base
// (about 900,1274 to 1215,1279 from the corner, as drawn); on the generated sheet along its
// middle. A turn keeps the lower-left corner and grows the raster up and to the right, with the
// drawing in the middle of the grown raster: both ends are turned about the drawing's centre and
// moved with it to the middle of the turned raster (to a pixel or so, which changes no direction).
std::string deskewSteps(bool scan, int width, int height, int dx, int dy) {
  const double skew = 4.0 * 3.14159265358979323846 / 180.0;
  const double grownWidth = width * std::cos(skew) + height * std::sin(skew);
  const double grownHeight = width * std::sin(skew) + height * std::cos(skew);
  const double cx = dx + width / 2.0, cy = dy + height / 2.0;
  const double turnedCx = dx + grownWidth / 2.0, turnedCy = dy + grownHeight / 2.0;
  const double from[2] = {dx + (scan ? 900.0 : width * 0.2), dy + (scan ? 1274.0 : height * 0.5)};
  const double to[2] = {dx + (scan ? 1215.0 : width * 0.8), dy + (scan ? 1279.0 : height * 0.5)};
  const auto turned = [&](const double p[2], int axis) {
    const double dx = p[0] - cx, dy = p[1] - cy;
    return axis == 0 ? turnedCx + dx * std::cos(skew) - dy * std::sin(skew)
                     : turnedCy + dx * std::sin(skew) + dy * std::cos(skew);
  };
  char line[256];
  std::snprintf(line, sizeof line, "point %.0f %.0f\ncursor %.0f %.0f\npoint %.0f %.0f\n", turned(from, 0),
                turned(from, 1), (turned(from, 0) + turned(to, 0)) / 2, (turned(from, 1) + turned(to, 1)) / 2 + 20,
                turned(to, 0), turned(to, 1));
  char middle[128];
  std::snprintf(middle, sizeof middle, "point %.0f %.0f\npoint %.0f %.0f\n", turnedCx, turnedCy, turnedCx,
                turnedCy);
  std::string steps =
      "item 1 4 4\n"
      "keyin vxraster rotate\n"
      "point 0 0\n"
      "view 0 area fit\n"
      "export deskew-1-crooked.png size 800\n"
      "keyin vxraster rotate horizontal\n";
  steps += line;
  steps +=
      "export deskew-2-straightened.png size 800\n"
      "item 1 5 2\n"
      "keyin vxraster mirror\n";
  steps += middle;
  steps +=
      "export deskew-3-mirrored.png size 800\n"
      "keyin vxraster undo\n"
      "export deskew-4-undone.png size 800\n";
  return steps;
}

// Smart edits on the circuit diagram, each with pictures of the view zoomed on the place before
// and after: the diode on the +V line was drawn the wrong way round, so a smart move with cut
// lines cuts it out of its wire (one cut line on each side) and turns it half round in place
// (picked up and put down at its centre); then a smart delete takes the stray pen stroke under the
// signature, and the delete is undone. Coordinates are the scan's pixels (y up from its foot)
// with the attachment's origin at (dx, dy); the view gets its area back (`viewLine`) at the end.
std::string smartEditScript(const std::string& viewLine, int dx, int dy) {
  std::string script;
  // One step with design points given in the scan's pixels.
  const auto step = [&](const char* verb, std::initializer_list<double> xy) {
    script += verb;
    bool isX = true;
    for (const double v : xy) {
      char number[32];
      std::snprintf(number, sizeof number, " %g", v + (isX ? dx : dy));
      script += number;
      isX = !isX;
    }
    script += "\n";
  };
  script += "# Smart move with cut lines: the diode cut out of its wire and turned round in place.\n";
  step("view 0 area", {1290, 1090, 1490, 1260});
  script += "export edit-smart-1-diode.png size 800\nitem 1 1 2\nitem 1 2 2\nkeyin vxraster move\n";
  for (const double x : {1358.0, 1418.0}) {
    step("point", {x, 1195});
    step("point", {x, 1160});
  }
  script += "reset\n";
  step("point", {1395, 1180});  // on the diode: selected up to the cut lines
  script += "export edit-smart-2-diode-selected.png size 800\n";
  step("point", {1389, 1173});  // picked up at its centre
  step("point", {1389, 1173});  // and put down there, turned half round
  script += "export edit-smart-3-diode-turned.png size 800\n";
  script += "# Smart delete: the stray pen stroke under the signature, then undone.\n";
  step("view 0 area", {950, 150, 1250, 350});
  script += "export edit-smart-4-stroke.png size 800\nkeyin vxraster delete smart\n";
  step("point", {1194.5, 284.5});  // selected
  step("point", {1194.5, 284.5});  // accepted: erased
  script +=
      "export edit-smart-5-stroke-deleted.png size 800\nkeyin vxraster undo\n"
      "export edit-smart-6-undone.png size 800\nitem 1 2 0\n";
  return script + viewLine;
}

void printSmartEditPictures() {
  std::printf(
      "   edit-smart-1-diode.png          the diode on the +V line, drawn the wrong way round\n"
      "   edit-smart-2-diode-selected.png selected up to two cut lines: the overlay in the overlay colour\n"
      "   edit-smart-3-diode-turned.png   turned round in place (smart move, half a turn)\n"
      "   edit-smart-4-stroke.png         the stray stroke under the signature\n"
      "   edit-smart-5-stroke-deleted.png erased by a smart delete\n"
      "   edit-smart-6-undone.png         the delete undone\n");
}

// Edits of the drawing's pixels, each between a picture before and after: a rectangle copied with
// a quarter turn (the lettering at the left, "Primary circuit." on the scanned diagram, turned and
// placed in the free space at the lower right), then a fence's content deleted (the diode and
// "+V" at the right). Places are fractions of the drawing's size, so the generated sheet works too.
std::string pixelEditSteps(int width, int height) {
  auto at = [&](double fx, double fy) {
    char point[48];
    std::snprintf(point, sizeof point, "%d %d", static_cast<int>(fx * width), static_cast<int>(fy * height));
    return std::string(point);
  };
  std::string steps =
      "# The raster is loaded again; a rectangle is copied with a quarter turn: the first corner, the\n"
      "# opposite one, the point to pick it up at (its lower left corner) and where to put it; the\n"
      "# reset ends the placing (and its outline under the cursor).\n"
      "keyin vxraster select\n"
      "item 1 1 Rectangle\n"
      "item 1 2 90 degrees\n"
      "keyin vxraster copy\n";
  steps += "point " + at(0.03, 0.25) + "\ncursor " + at(0.1, 0.3) + "\npoint " + at(0.17, 0.33) + "\n";
  steps += "point " + at(0.03, 0.25) + "\ncursor " + at(0.95, 0.07) + "\n";
  steps += "export copy-turned-before.png size 800\npoint " + at(0.95, 0.07) + "\n";
  steps += "reset\nexport copy-turned-after.png size 800\n";
  steps +=
      "# A fence around the diode and the supply at the right; its content is deleted on accept.\n"
      "item 1 2 None\n";
  steps += "fence " + at(0.81, 0.475) + " " + at(0.985, 0.475) + " " + at(0.985, 0.53) + " " + at(0.9, 0.545) + " " +
           at(0.81, 0.53) + "\n";
  steps += "export fence-delete-before.png size 800\nkeyin vxraster delete fence\npoint " + at(0.5, 0.5) + "\n";
  steps += "export fence-delete-after.png size 800\nfence clear\nkeyin vxraster end\n";
  return steps;
}

// What the pictures of pixelEditSteps show.
void describePixelEditPictures() {
  std::printf(
      "   copy-turned-before.png   a rectangle picked up (dashed) and placed turned (its outline)\n"
      "   copy-turned-after.png    the copy written into the drawing\n"
      "   fence-delete-before.png  a fence around the diode and the supply\n"
      "   fence-delete-after.png   its content deleted and written back\n\n");
}

// The session's script for a drawing of `width` x `height` pixels (one design unit a pixel).
std::string demoScript(const std::string& drawingLines, int width, int height) {
  // The view shows the drawing with a margin, so that the move is seen; the move is a little
  // less than the margin, right and down.
  const int margin = std::max(width, height) / 8;
  const int step = margin * 4 / 5;
  char view[160], move[160];
  std::snprintf(view, sizeof view, "view 0 area %d %d %d %d\n", -margin, -margin, width + margin,
                height + margin);
  std::snprintf(move, sizeof move, "point 0 0\ncursor %d %d\npoint %d %d\n", step / 2, -step / 2, step,
                -step);
  std::string script =
      "# Editing a real drawing with VXRaster. The drawing is attached to a new design and loaded\n"
      "# for editing (a backup copy is taken, it is drawn in the active colour); its attachment is\n"
      "# moved by two points (the outline follows the cursor), the move undone and redone, the\n"
      "# display inverted and back, the bitmap written back; smart edits on the circuit diagram;\n"
      "# then the drawing is turned 4 degrees\n"
      "# as if scanned crooked, straightened along a line drawn on it, mirrored and the mirror\n"
      "# undone; then it is reverted to the backup and editing ended (the drawing gets its colour\n"
      "# back). Then its pixels are edited: a copy turned a quarter, a fence's content deleted.\n"
      "# Pictures of the view along the way.\n"
      "set MS_USERPREF host.upf\n"
      "set MS_TMP ./\n"
      "set VX_DIR ./\n";
  script += drawingLines;
  script += "design new drawing.dgn\nattach drawing.tif\n";
  script += view;
  script +=
      "load VXRaster\n"
      "pixels drawing.tif\n"
      "export edit-1-attached.png size 800\n"
      "keyin vxraster select\n"
      "export edit-2-loaded.png size 800\n"
      "keyin vxraster move attachment\n";
  script += move;
  script +=
      "reset\n"
      "keyin raster modify\n"
      "export edit-3-moved.png size 800\n"
      "keyin vxraster undo\n"
      "keyin raster modify\n"
      "keyin vxraster redo\n"
      "keyin vxraster invert\n"
      "export edit-4-inverted.png size 800\n"
      "keyin vxraster invert\n"
      "keyin vxraster write\n";
  if (drawingLines.find("CCITT_2.TIF") != std::string::npos) script += smartEditScript(view, step, -step);
  script += deskewSteps(drawingLines.find("CCITT_2.TIF") != std::string::npos, width, height, step, -step);
  script +=
      "keyin vxraster revert\n"
      "keyin raster modify\n"
      "keyin vxraster end\n"
      "keyin raster modify\n"
      "export edit-5-after.png size 800\n"
      "pixels drawing.tif\n";
  script += pixelEditSteps(width, height);
  script += "keyin vxraster unload\n";
  return script;
}

// Plays the session in `dir` and prints its script and journal. False when it did not go
// through (the reason is on standard error).
bool playDemoSession(const std::string& dir) {
  std::error_code error;
  const auto previous = std::filesystem::current_path(error);
  if (error) {
    std::fprintf(stderr, "pixmend demo: %s\n", error.message().c_str());
    return false;
  }
  const std::string scans = findTestScans();
  std::filesystem::current_path(dir, error);
  if (error) {
    std::fprintf(stderr, "pixmend demo: cannot enter %s: %s\n", dir.c_str(), error.message().c_str());
    return false;
  }
  // Each run starts afresh: no preference file, design or backup from an earlier run.
  for (const char* old : {"VXPixmend.upf", "drawing.dgn", "backup.vxr", "drawing.tif"})
    std::filesystem::remove(old, error);
  int width = 0, height = 0;
  std::string drawingLines, what;
  if (!prepareDrawing(scans, &width, &height, &drawingLines, &what)) {
    std::filesystem::current_path(previous, error);
    return false;
  }
  const std::string script = demoScript(drawingLines, width, height);
  std::printf("A. Editing %s with VXRaster\n   (the script is %s/vxraster.pms)\n\n", what.c_str(),
              dir.c_str());
  {
    std::string why;
    if (!host::writeFileAtomically("vxraster.pms", script.data(), script.size(), &why))
      std::fprintf(stderr, "pixmend demo: cannot write %s/vxraster.pms: %s\n", dir.c_str(), why.c_str());
  }
  std::istringstream lines(script);
  for (std::string line; std::getline(lines, line);) std::printf("   > %s\n", line.c_str());

  std::ostringstream journal, problems;
  const int status = runScript(script, "vxraster.pms", journal, problems);
  std::filesystem::current_path(previous, error);

  std::printf(
      "\n   The journal, one line per event the user saw or the host did (the view updates of\n"
      "   the load left out):\n");
  std::istringstream entries(journal.str());
  for (std::string line; std::getline(entries, line);) {
    if (line.rfind("view: update ", 0) == 0 || line.find(" control 16 on") != std::string::npos) continue;
    std::printf("     %s\n", line.c_str());
  }
  if (status != 0) {
    std::fprintf(stderr, "pixmend demo: the session failed:\n%s", problems.str().c_str());
    return false;
  }
  std::printf(
      "\n   The pictures of the view, in %s:\n"
      "   edit-1-attached.png  as attached\n"
      "   edit-2-loaded.png    loaded for editing: drawn in the active colour\n"
      "   edit-3-moved.png     the attachment moved by two points\n"
      "   edit-4-inverted.png  moved again after undo and redo, its display inverted\n",
      dir.c_str());
  if (script.find("vxraster delete smart") != std::string::npos) printSmartEditPictures();
  std::printf(
      "   deskew-1-crooked.png       turned 4 degrees, as if fed crooked into the scanner\n"
      "   deskew-2-straightened.png  rotated to horizontal along a wire: straight again\n"
      "   deskew-3-mirrored.png      mirrored left to right about its middle\n"
      "   deskew-4-undone.png        the mirror undone\n"
      "   edit-5-after.png     reverted to the backup, editing ended: as it was\n");
  describePixelEditPictures();
  return true;
}
}  // namespace

int runDemo(const Args& args) {
  if (args.size() > 1 || (!args.empty() && (args[0] == "--help" || args[0] == "-h"))) {
    std::fprintf(args.size() > 1 ? stderr : stdout, "Usage: pixmend demo [OUTDIR]   (default build/demo)\n");
    return args.size() > 1 ? 2 : 0;
  }
  const std::string dir = args.empty() ? "build/demo" : args[0];
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error || !std::filesystem::is_directory(dir)) {
    std::fprintf(stderr, "pixmend demo: cannot create the folder %s: %s\n", dir.c_str(),
                 error ? error.message().c_str() : "a file of that name is in the way");
    return 1;
  }
  if (!playDemoSession(dir)) return 1;
  std::printf("B. The buffer operations on a drawing\n\n");
  Demo demo(dir);

  // 1. The sheet.
  Drawing sheet = makeDrawing(1240, 1754);
  std::printf(
      "1. Drew a drawing-like sheet of %d x %d pixels (A4 at 150 dpi): border, schedule, title block,\n"
      "   lettering, a solid region and a hatched area.\n",
      sheet.width, sheet.height);
  if (!demo.save("1-sheet.pbm", sheet.bits.data(), sheet.width, sheet.height, "the sheet")) return 1;

  // 2. Copy the hatched area with a white margin, then trim the copy to its ink box.
  const Pixel hatch = sheet.hatchedArea;
  const int hw = runRight(sheet, hatch.x, hatch.y), hh = runDown(sheet, hatch.x, hatch.y);
  const int margin = 10;
  const Buffer loose = copyOut(sheet, hatch.x - margin, hatch.y - margin, hw + 2 * margin, hh + 2 * margin);
  int maxX = 0, minX = 0, maxY = 0, minY = 0;
  VXDllSmartPasteInit(loose.bits.data(), &maxX, &minX, &maxY, &minY, loose.width, loose.height);
  Buffer piece(maxX - minX + 1, maxY - minY + 1);
  VXDllPaste(piece.bits.data(), loose.bits.data(), -minX, -minY, loose.width, maxY + 1, piece.width);
  std::printf(
      "2. Copied %d x %d pixels around the hatched area at (%d, %d); VXDllSmartPasteInit finds its ink\n"
      "   in columns %d..%d and rows %d..%d, so the copy buffer is trimmed to %d x %d.\n",
      loose.width, loose.height, hatch.x - margin, hatch.y - margin, minX, maxX, minY, maxY, piece.width,
      piece.height);
  if (!demo.save("2-copy-buffer.pbm", piece, "the copy buffer")) return 1;

  // 3. and 4. Paste it onto the schedule, once opaquely and once transparently.
  const int px = sheet.width / 12 + 3, py1 = sheet.height / 4 + 1, py2 = sheet.height / 2 + 5;
  VXDllPaste(sheet.bits.data(), piece.bits.data(), px, py1, piece.width, piece.height, sheet.width);
  std::printf(
      "3. Pasted it opaquely at (%d, %d) on the schedule: its white cells wipe out the table lines\n"
      "   under it.\n",
      px, py1);
  if (!demo.save("3-pasted-opaque.pbm", sheet.bits.data(), sheet.width, sheet.height, "the sheet")) return 1;
  VXDllPasteTransparent(sheet.bits.data(), piece.bits.data(), px, py2, piece.width, piece.height,
                        sheet.width);
  std::printf("4. Pasted it transparently at (%d, %d): the table lines show through the hatching.\n", px,
              py2);
  if (!demo.save("4-pasted-transparent.pbm", sheet.bits.data(), sheet.width, sheet.height, "the sheet"))
    return 1;

  // 5. Select the lone letter as a fill would leave it: its ink marked in a fresh selection
  //    state, the box around it. Then take it out as a delete buffer and delete it.
  const Pixel glyph = sheet.glyph;
  const Buffer around = copyOut(sheet, glyph.x - 2, glyph.y - 2, 32, 42);  // the letter and white around it
  VXDllSmartPasteInit(around.bits.data(), &maxX, &minX, &maxY, &minY, around.width, around.height);
  SelectionState& selection = selectionState();
  selection.release();
  selection.width = sheet.width;
  selection.height = sheet.height;
  selection.size = sheet.bits.size();
  selection.mark = std::make_unique<std::uint8_t[]>(selection.size);
  selection.work = std::make_unique<std::uint8_t[]>(selection.size);
  std::memcpy(selection.work.get(), sheet.bits.data(), selection.size);
  std::memset(selection.mark.get(), 0, selection.size);
  selection.minX = glyph.x - 2 + minX;
  selection.maxX = glyph.x - 2 + maxX;
  selection.minY = glyph.y - 2 + minY;
  selection.maxY = glyph.y - 2 + maxY;
  blit(selection.markView(), selection.minX, selection.minY, sheet.view(), selection.minX, selection.minY,
       selection.maxX - selection.minX + 1, selection.maxY - selection.minY + 1, RasterOp::Copy);
  std::printf("5. Selected the lone letter: its ink marked, box columns %d..%d, rows %d..%d.\n",
              selection.minX, selection.maxX, selection.minY, selection.maxY);
  VXDllGetCopyBufferSize(&maxX, &minX, &maxY, &minY);
  Buffer taken(maxX - minX, maxY - minY);
  VXDllGetDelBuffer(static_cast<int>(taken.bits.size()), taken.bits.data());
  std::printf(
      "   VXDllGetCopyBufferSize widens the box to (%d, %d)-(%d, %d), so the delete buffer is %d x %d.\n",
      minX, minY, maxX, maxY, taken.width, taken.height);
  if (!demo.save("5-delete-buffer.pbm", taken, "the delete buffer")) return 1;
  VXDllDeleteSelected(sheet.bits.data());
  std::printf("   VXDllDeleteSelected clears the selected pixels from the sheet.\n");
  if (!demo.save("5-deleted.pbm", sheet.bits.data(), sheet.width, sheet.height, "the sheet")) return 1;

  // 6. Put it back 100 pixels lower, relative to the selection box: a move.
  const int down = 100;
  VXDllSmartPaste(sheet.bits.data(), taken.bits.data(), 0, -down, sheet.width, 0, taken.width, taken.height);
  VXDllFreeDelBuffer();
  std::printf(
      "6. VXDllSmartPaste pastes the delete buffer transparently at the box's corner moved %d pixels\n"
      "   down, completing a move; VXDllFreeDelBuffer releases the selection.\n",
      down);
  if (!demo.save("6-moved.pbm", sheet.bits.data(), sheet.width, sheet.height, "the sheet")) return 1;

  std::printf("The pictures are binary PBM (P4, 1 = black), readable by any netpbm-aware viewer.\n");
  return 0;
}

}  // namespace pixmend::cli
