// The host's own raster key-ins, which the applications send it:
//   raster attach interactive   asks for a file (from the answer queue, as a file dialog) and
//                               attaches it at its own placement
//   raster detach all           detaches every attachment of the active model
//   raster modify               reports each attachment (place, size, colour, display)
//   imgmanager file saveas      saves an attachment's file under a name asked for and makes the
//                               attachment refer to the new file; never over an attached raster,
//                               over another existing file only when the user says so
// Each stores the design. Refusals go to message field 1 (channel "error").
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "host/design/design.hpp"
#include "host/dialog/api.h"
#include "host/files/api.h"
#include "host/image/formats.hpp"
#include "host/output/api.h"
#include "host/output/journal.hpp"
#include "host/raster/raster.hpp"
#include "host/state/state.hpp"
#include "host/system/publish.hpp"

namespace pixmend::host {
namespace {

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void attachInteractive(const std::string&) {
  char name[MAXFILELENGTH] = {};
  if (mdlDialog_fileOpen(name, 0, 0, "", "*.tif;*.tiff;*.rle;*.cot;*.cit", "", "Attach Raster Reference") !=
      0) {
    return;
  }
  DgnRaster* raster = nullptr;
  const int status = attachRaster(name, false, nullptr, nullptr, RASTER_UPDATE_ALL, &raster);
  if (status != SUCCESS) {
    journal().append("error", std::string("Cannot attach ") + name + ": " + imageErrorText(status));
  }
}

void detachAll(const std::string&) {
  const auto rasters = rasterAttachments();
  for (DgnRaster* r : rasters) detachRaster(r, RASTER_UPDATE_ALL);
}

void modify(const std::string&) {
  const auto rasters = rasterAttachments();
  if (rasters.empty()) {
    journal().append("error", "No raster attached");
    return;
  }
  for (DgnRaster* r : rasters) {
    const auto& c = r->rendering.color;
    std::string text = "modify " + describeRaster(*r) + " colour " + std::to_string(c.red) + "," +
                       std::to_string(c.green) + "," + std::to_string(c.blue) + " priority " +
                       std::to_string(r->rendering.displayPriority);
    if (r->rendering.invertedDisplay != 0) text += " inverted";
    if (r->rendering.transparentBackground != 0) text += " transparent";
    journal().append("raster", text);
  }
}

// The attachment a key-in names: by its attached name or its number (from 1, oldest first); the
// first one when the key-in names none.
DgnRaster* namedAttachment(const std::string& rest) {
  const auto rasters = rasterAttachments();
  const std::string name = trimmed(rest);
  if (name.empty()) return rasters.empty() ? nullptr : rasters.front();
  for (DgnRaster* r : rasters) {
    if (r->attachedName == name) return r;
  }
  if (name.find_first_not_of("0123456789") == std::string::npos && name.size() < 9) {
    const auto n = static_cast<std::size_t>(std::stoul(name));
    if (n >= 1 && n <= rasters.size()) return rasters[n - 1];
  }
  return nullptr;
}

// True when `a` and `b` name the same file: the same file on disk when both exist, else the same
// absolute path once "." and ".." are taken out.
bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (std::filesystem::exists(a, error) && std::filesystem::exists(b, error))
    return std::filesystem::equivalent(a, b, error) && !error;
  return std::filesystem::absolute(a, error).lexically_normal() ==
         std::filesystem::absolute(b, error).lexically_normal();
}

// The attachment whose file is `path`, or null.
DgnRaster* attachmentOfFile(const std::string& path) {
  for (DgnRaster* r : rasterAttachments()) {
    if (sameFile(path, r->fullPath)) return r;
  }
  return nullptr;
}

// A new, empty file beside `target` ("NAME.part"), or "" when none can be made.
std::string reservePart(const std::string& target) {
  for (int n = 1; n <= 9; ++n) {
    const std::string name = target + ".part" + (n > 1 ? std::to_string(n) : "");
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return name;
    }
    if (errno != EEXIST) break;
  }
  return "";
}

// Writes the pixels of `source` (of type `sourceType`) to `target` as `type`, anew. A TIFF saved
// as a TIFF starts as the source's byte copy, so that its own tags and photometric
// interpretation are carried; the copy is in strips whatever the source was. A file the target
// replaces is replaced only once the new one is complete (written beside it as "NAME.part"), so
// that nothing of it (its tags, its further pages) is carried into the copy.
int rewriteRasterFile(const std::string& source, int sourceType, const std::string& target, int type) {
  ImageBuffer image;
  int status = readImageFile(source.c_str(), IMAGEFILE_FROM_FILE, image, nullptr);
  if (status != SUCCESS) return status;
  std::error_code error;
  const bool replacing = std::filesystem::exists(target, error);
  const std::string out = replacing ? reservePart(target) : target;
  if (out.empty()) return MDLERR_IMAGEWRITEFAILED;
  const bool copied = type == IMAGEFILE_TIFF && sourceType == IMAGEFILE_TIFF &&
                      mdlFile_copy(out.c_str(), source.c_str()) == SUCCESS;
  const Point2d size{image.width, image.height};
  status = mdlImage_createFileFromBitMap(out.c_str(), type, &size, image.data.get(), 0, 0, 0, nullptr);
  if (status == SUCCESS && replacing) {
    if (::rename(out.c_str(), target.c_str()) == 0) {
      journal().append("file", "renamed " + out + " to " + target);
    } else {
      status = MDLERR_IMAGEWRITEFAILED;
    }
  }
  if (status != SUCCESS && (replacing || copied)) ::unlink(out.c_str());
  return status;
}

// Writes the raster file of `raster` to `target`: a byte copy when the target's extension names
// the same type (or none we know) and the file is not a tiled TIFF, else the pixels written anew
// in the target's type (a tiled TIFF saved as a TIFF comes out in strips, which the editing
// applications can work on).
int saveRasterFile(DgnRaster& raster, const std::string& target, int* typeOut) {
  const int sourceType = mdlImage_typeFromFile(raster.fullPath.c_str());
  int targetType = imageTypeFromExtension(target);
  if (targetType == IMAGEFILE_UNKNOWN) targetType = sourceType;
  *typeOut = targetType;
  ImageFileInfo info;
  const bool tiled = describeImageFile(raster.fullPath.c_str(), info) == SUCCESS && info.tiled;
  if (targetType == sourceType && !tiled) {
    return mdlFile_copy(target.c_str(), raster.fullPath.c_str()) == SUCCESS ? SUCCESS
                                                                            : MDLERR_IMAGEWRITEFAILED;
  }
  return rewriteRasterFile(raster.fullPath, sourceType, target, targetType);
}

void saveAs(const std::string& rest) {
  DgnRaster* raster = namedAttachment(rest);
  if (raster == nullptr) {
    journal().append("error", rasterAttachments().empty() ? "No raster attached"
                                                          : "No raster attached as " + trimmed(rest));
    return;
  }
  char name[MAXFILELENGTH] = {};
  if (mdlDialog_fileCreate(name, 0, 0, raster->attachedName.c_str(), "*.*", "", "Save Raster As") != 0)
    return;
  const std::string chosen = name;
  const std::string target = resolveRasterName(chosen);
  if (chosen.size() >= sizeof(RasterFileInfo::attachedName) ||
      target.size() >= sizeof(RasterFileInfo::fullPath)) {
    journal().append("error",
                     "Cannot save " + raster->attachedName + " as " + chosen + ": the name is too long");
    return;
  }
  // Never a file replaced by surprise: an attached raster (this one's own file included) is
  // refused, any other existing file is replaced only when the user says so.
  if (attachmentOfFile(target) != nullptr) {
    journal().append("error", "Cannot save " + raster->attachedName + " as " + chosen +
                                  ": it is an attached raster");
    return;
  }
  std::error_code error;
  if (std::filesystem::exists(target, error)) {
    const std::string question = chosen + " already exists.\nDo you want to replace it?";
    if (mdlDialog_openMessageBox(MSGBOX_YESNO, question.c_str(), 3) != ACTIONBUTTON_YES) return;
  }
  int type = IMAGEFILE_UNKNOWN;
  const int status = saveRasterFile(*raster, target, &type);
  if (status != SUCCESS) {
    journal().append("error",
                     "Cannot save " + raster->attachedName + " as " + chosen + ": " + imageErrorText(status));
    return;
  }
  journal().append("raster", "saved " + raster->attachedName + " as " + chosen);
  raster->attachedName = chosen;
  raster->fullPath = target;
  raster->fileType = mdlImage_typeFromFile(target.c_str());
  raster->pixels.reset();
  raster->readTried = false;
  requestDesignStore();
}

const bool registered = [] {
  registerBuiltinKeyin("raster attach interactive", attachInteractive);
  registerBuiltinKeyin("raster detach all", detachAll);
  registerBuiltinKeyin("raster modify", modify);
  registerBuiltinKeyin("imgmanager file saveas", saveAs);
  return true;
}();

}  // namespace
}  // namespace pixmend::host
