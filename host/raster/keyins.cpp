// The host's own raster key-ins, which the applications send it:
//   raster attach interactive   asks for a file (from the answer queue, as a file dialog) and
//                               attaches it at its own placement
//   raster detach all           detaches every attachment of the active model
//   raster modify               reports each attachment (place, size, colour, display)
//   imgmanager file saveas      saves an attachment's file under a name asked for and makes the
//                               attachment refer to the new file
// Each stores the design. Refusals go to message field 1 (channel "error").
#include <string>

#include "host/design/design.hpp"
#include "host/dialog/api.h"
#include "host/files/api.h"
#include "host/image/formats.hpp"
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

// Writes the raster file of `raster` to `target`: a byte copy when the target's extension names
// the same type (or none we know), else the pixels rewritten in the target's type.
int saveRasterFile(DgnRaster& raster, const std::string& target, int* typeOut) {
  const int sourceType = mdlImage_typeFromFile(raster.fullPath.c_str());
  int targetType = imageTypeFromExtension(target);
  if (targetType == IMAGEFILE_UNKNOWN) targetType = sourceType;
  *typeOut = targetType;
  if (targetType == sourceType) {
    return mdlFile_copy(target.c_str(), raster.fullPath.c_str()) == SUCCESS ? SUCCESS
                                                                            : MDLERR_IMAGEWRITEFAILED;
  }
  ImageBuffer image;
  const int status = readImageFile(raster.fullPath.c_str(), IMAGEFILE_FROM_FILE, image, nullptr);
  if (status != SUCCESS) return status;
  const Point2d size{image.width, image.height};
  return mdlImage_createFileFromBitMap(target.c_str(), targetType, &size, image.data.get(), 0, 0, 0, nullptr);
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
  if (target != raster->fullPath) {
    int type = IMAGEFILE_UNKNOWN;
    const int status = saveRasterFile(*raster, target, &type);
    if (status != SUCCESS) {
      journal().append(
          "error", "Cannot save " + raster->attachedName + " as " + chosen + ": " + imageErrorText(status));
      return;
    }
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
