// pixmend demo: VXRaster in the host, then the buffer operations on a drawing.
//
// First it plays a session: the host loads VXRaster (start-up, main dialog, menu, preference
// file), shows its about box (also written as a picture), changes a user setting in the
// settings dialog, answers an editing command with nothing attached, unloads it with its unload
// command (settings saved, menu removed, raster library ended) and starts it again to read the
// setting back. The script is written beside the pictures so it can be played again, and the
// session's journal is printed.
//
// Then it draws an A4 sheet at 150 dpi, copies the hatched area with its ink box, pastes it
// opaquely and transparently onto the schedule, then selects the lone letter, extracts it as a
// delete buffer, deletes it and puts it back lower down with a smart paste: the steps of a move.
// Every step writes the sheet (or the buffer) as a binary PBM picture and says where it is.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
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
    const std::string temporary = path + ".tmp" + std::to_string(static_cast<long>(getpid()));
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    bool ok = out != nullptr;
    if (ok) {
      char header[64];
      const int n = std::snprintf(header, sizeof header, "P4\n%d %d\n", width, height);
      ok = std::fwrite(header, 1, static_cast<std::size_t>(n), out) == static_cast<std::size_t>(n);
      const std::size_t bytes = bitmapBytes(width, height);
      ok = ok && std::fwrite(bits, 1, bytes, out) == bytes;
      ok = (std::fclose(out) == 0) && ok;
    }
    const int error = errno;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) {
      std::printf("   %s -> %s\n", what, path.c_str());
      return true;
    }
    std::remove(temporary.c_str());
    std::fprintf(stderr, "pixmend demo: cannot write %s: %s\n", path.c_str(),
                 std::strerror(ok ? errno : error));
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

// The session. It runs in the demo's folder, so its names are short and it can be
// played again there with `pixmend run vxraster.pms`.
constexpr const char* kSession =
    R"(# VXRaster in the host: start-up, the about box, a user setting kept in the preference
# file across an unload and a new start, and a clean shutdown.
set MS_USERPREF host.upf
set MS_TMP tmp/
set VX_DIR ./
load VXRaster
keyin vxraster about
picture 20020 about.png
press 20020 -3
keyin vxraster settings
value userInterfaceData.activeColor
item 4 1 5
press 4 -3
keyin vxraster copy
keyin vxraster unload
load VXRaster
value userInterfaceData.activeColor
keyin vxraster unload
)";

// Plays the session in `dir` and prints its script and journal. False when it did not go
// through (the reason is on standard error).
bool playDemoSession(const std::string& dir) {
  std::printf("A. A VXRaster session in the host (the script is %s/vxraster.pms)\n\n", dir.c_str());
  std::error_code error;
  const auto previous = std::filesystem::current_path(error);
  if (error) {
    std::fprintf(stderr, "pixmend demo: %s\n", error.message().c_str());
    return false;
  }
  std::filesystem::current_path(dir, error);
  if (error) {
    std::fprintf(stderr, "pixmend demo: cannot enter %s: %s\n", dir.c_str(), error.message().c_str());
    return false;
  }
  // Each run starts as a first start: no preference file from an earlier run.
  std::filesystem::remove("VXPixmend.upf", error);
  {
    const std::string temporary = "vxraster.pms.tmp";
    std::ofstream script(temporary, std::ios::binary | std::ios::trunc);
    script << kSession;
    script.close();
    if (!script || std::rename(temporary.c_str(), "vxraster.pms") != 0) {
      std::remove(temporary.c_str());
      std::fprintf(stderr, "pixmend demo: cannot write %s/vxraster.pms\n", dir.c_str());
    }
  }
  std::istringstream lines(kSession);
  for (std::string line; std::getline(lines, line);) std::printf("   > %s\n", line.c_str());

  std::ostringstream journal, problems;
  const int status = runScript(kSession, "vxraster.pms", journal, problems);
  std::filesystem::current_path(previous, error);

  std::printf("\n   The journal, one line per event the user saw or the host did:\n");
  std::istringstream entries(journal.str());
  for (std::string line; std::getline(entries, line);) std::printf("     %s\n", line.c_str());
  if (status != 0) {
    std::fprintf(stderr, "pixmend demo: the session failed:\n%s", problems.str().c_str());
    return false;
  }
  std::printf("   the about box -> %s/about.png\n\n", dir.c_str());
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
