// Raster attachments of the active model: attaching and detaching, the four records, saving,
// reloading and redrawing, and finding an attachment under a point (see api.h and raster.hpp).
//
// The host keeps each attachment's file information, rendering, georeference and extended
// records as the applications stored them, and the pixels of its file for drawing. Handles are
// checked against the live attachments before any use; a closed attachment's record is kept
// (without its pixels) so that its address never names a newer attachment.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/config/config.hpp"
#include "host/design/design.hpp"
#include "host/image/formats.hpp"
#include "host/image/image.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/raster/raster.hpp"
#include "host/system/publish.hpp"
#include "host/view/graphics.hpp"
#include "host/view/view.hpp"

namespace pixmend::host {
namespace {

struct Attachments {
  std::vector<std::unique_ptr<DgnRaster>> live;     // oldest first
  std::vector<std::unique_ptr<DgnRaster>> retired;  // closed ones, kept for their addresses
  std::uint64_t nextSerial = 1;
  bool redrawPending = false;  // opened or closed without redrawing the views
};

Attachments& attachments() {
  static Attachments all;
  return all;
}

const bool resetRegistered = registerReset("raster.attachments", [] { attachments() = Attachments(); });

// The host's own code may always use the library; an application only after initialising it.
bool callerMayUse(const char* function) {
  Application* app = currentApplication();
  if (app == nullptr || rasterLibraryActive(app)) return true;
  journal().append(
      "text", "raster: " + applicationName(app) + " called " + function + " without mdlRaster_initialize\n");
  return false;
}

DgnRaster* usable(DgnRasterP handle, const char* function) {
  if (!callerMayUse(function)) return nullptr;
  return findRaster(handle);
}

bool validGeoReference(const RasterGeoReference& g) {
  for (double v : {g.origin.x, g.origin.y, g.origin.z, g.extentX, g.extentY, g.rotation, g.skew}) {
    if (!std::isfinite(v)) return false;
  }
  return g.extentX > 0 && g.extentY > 0;
}

// What a change asks of the design and the views.
void afterChange(int options) {
  if ((options & RASTER_UPDATE_DESIGN) != 0) requestDesignStore();
}
void afterOpenOrClose(int options) {
  afterChange(options);
  if ((options & RASTER_UPDATE_VIEWS) == 0) {
    attachments().redrawPending = true;
  } else {
    viewsRedrawn(-1);
  }
}

void retire(DgnRaster* raster) {
  auto& all = attachments();
  auto it = std::find_if(all.live.begin(), all.live.end(), [&](const auto& p) { return p.get() == raster; });
  if (it == all.live.end()) return;
  (*it)->pixels.reset();
  all.retired.push_back(std::move(*it));
  all.live.erase(it);
}

// Only regular files are read: a name in a design file could lead to a pipe or a device, whose
// opening would wait for ever or whose reading would never end.
int regularFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return MDLERR_FILENOTFOUND;
  return S_ISREG(st.st_mode) ? SUCCESS : MDLERR_CANNOTOPENFILE;
}

// Reads the file into the attachment's pixels. 0 or the image error (pixels then null).
int readPixels(DgnRaster& r) {
  r.readTried = true;
  if (const int status = regularFile(r.fullPath); status != SUCCESS) {
    r.readStatus = status;
    r.pixels.reset();
    return status;
  }
  // Through the share: a file read already (the same scan attached anew, or the bitmap just
  // written over it) is not decoded again.
  std::shared_ptr<const ImageBuffer> image;
  const int status = readImageShared(r.fullPath.c_str(), image, nullptr);
  r.readStatus = status;
  if (status != 0) {
    r.pixels.reset();
    return status;
  }
  r.fileType = mdlImage_typeFromFile(r.fullPath.c_str());
  r.width = image->width;
  r.height = image->height;
  r.pixels = std::move(image);
  return 0;
}

std::string number(double v) {
  return formatNumber(v);
}

}  // namespace

std::vector<DgnRaster*> rasterAttachments() {
  std::vector<DgnRaster*> list;
  for (const auto& r : attachments().live) list.push_back(r.get());
  return list;
}

DgnRaster* findRaster(const DgnRaster* handle) {
  if (handle == nullptr) return nullptr;
  for (const auto& r : attachments().live) {
    if (r.get() == handle) return r.get();
  }
  return nullptr;
}

std::string imageErrorText(int status) {
  switch (status) {
    case 0:
      return "no error";
    case MDLERR_FILENOTFOUND:
      return "file not found";
    case MDLERR_CANNOTOPENFILE:
      return "cannot open the file";
    case MDLERR_INSFMEMORY:
      return "not enough memory for its pixels";
    case MDLERR_NOTMONOCHROME:
      return "not a monochrome raster";
    case MDLERR_CORRUPTIMAGE:
      return "damaged file";
    case MDLERR_UNKNOWNIMAGETYPE:
      return "not a raster file";
    case MDLERR_BADARG:
      return "bad name";
    default:
      return "error " + std::to_string(status);
  }
}

std::string resolveRasterName(const std::string& name) {
  const std::string expanded = expandText(name);
  if (expanded.empty() || expanded[0] == '/') return expanded;
  return designFolder() + expanded;
}

std::string describeRaster(const DgnRaster& r) {
  const auto& g = r.georeference;
  std::string text = r.attachedName + " at " + number(g.origin.x) + "," + number(g.origin.y) + " extent " +
                     number(g.extentX) + "," + number(g.extentY);
  if (g.rotation != 0 || g.skew != 0) text += " turn " + number(g.rotation) + " skew " + number(g.skew);
  return text;
}

RasterPlacement placementOf(const DgnRaster& r, int width, int height) {
  const auto& g = r.georeference;
  const double sx = g.extentX / std::max(width, 1);
  const double sy = g.extentY / std::max(height, 1);
  const bool turned = r.rendering.placementTransformApplied != 0;
  const double turn = turned ? g.rotation : 0.0;
  const double skew = turned ? g.skew : 0.0;
  RasterPlacement p;
  p.origin = g.origin;
  p.axisU = DPoint2d{sx * std::cos(turn), sx * std::sin(turn)};
  p.axisV = DPoint2d{-sy * std::sin(turn + skew), sy * std::cos(turn + skew)};
  return p;
}

bool rasterCovers(const DgnRaster& r, const DPoint3d& point) {
  const RasterPlacement p = placementOf(r, 1, 1);
  const double det = p.axisU.x * p.axisV.y - p.axisU.y * p.axisV.x;
  if (!(std::fabs(det) > 0)) return false;
  const double dx = point.x - p.origin.x, dy = point.y - p.origin.y;
  const double a = (dx * p.axisV.y - dy * p.axisV.x) / det;
  const double b = (p.axisU.x * dy - p.axisU.y * dx) / det;
  return a >= 0 && a <= 1 && b >= 0 && b <= 1;
}

int attachRaster(const std::string& name, bool byLibrary, const DPoint3d* origin, const DPoint2d* extent,
                 int options, DgnRaster** out) {
  if (name.empty() || name.size() >= sizeof(RasterFileInfo::attachedName)) return MDLERR_BADARG;
  const std::string path = resolveRasterName(name);
  if (path.empty() || path.size() >= sizeof(RasterFileInfo::fullPath)) return MDLERR_BADARG;
  if (extent != nullptr &&
      !(extent->x > 0 && extent->y > 0 && std::isfinite(extent->x) && std::isfinite(extent->y))) {
    return MDLERR_BADARG;
  }
  if (origin != nullptr &&
      !(std::isfinite(origin->x) && std::isfinite(origin->y) && std::isfinite(origin->z))) {
    return MDLERR_BADARG;
  }
  if (const int status = regularFile(path); status != SUCCESS) return status;

  auto raster = std::make_unique<DgnRaster>();
  raster->attachedName = name;
  raster->fullPath = path;
  raster->openedByLibrary = byLibrary;
  const int status = readPixels(*raster);
  if (status != 0) return status;

  // The file's own placement (an Intergraph header's matrix), else one design unit per pixel.
  auto& g = raster->georeference;
  g.extentX = raster->width;
  g.extentY = raster->height;
  ImageFileInfo info;
  if ((raster->fileType == IMAGEFILE_RLE || raster->fileType == IMAGEFILE_CIT) &&
      describeImageFile(path.c_str(), info) == 0 && info.hasPlacement && !info.rotated && info.extentX > 0 &&
      info.extentY > 0 && std::isfinite(info.originX) && std::isfinite(info.originY) &&
      std::isfinite(info.extentX) && std::isfinite(info.extentY)) {
    g.origin = DPoint3d{info.originX, info.originY, 0};
    g.extentX = info.extentX;
    g.extentY = info.extentY;
  }
  if (origin != nullptr) g.origin = *origin;
  if (extent != nullptr) {
    g.extentX = extent->x;
    g.extentY = extent->y;
  }
  auto& all = attachments();
  raster->serial = all.nextSerial++;
  DgnRaster* made = raster.get();
  all.live.push_back(std::move(raster));
  journal().append("raster", "attached " + describeRaster(*made));
  afterOpenOrClose(options);
  if (out != nullptr) *out = made;
  return SUCCESS;
}

int detachRaster(DgnRaster* raster, int options) {
  if (findRaster(raster) == nullptr) return MDLERR_BADARG;
  journal().append("raster", "detached " + raster->attachedName);
  retire(raster);
  afterOpenOrClose(options);
  return SUCCESS;
}

std::shared_ptr<const ImageBuffer> rasterPixels(DgnRaster& raster) {
  if (raster.pixels || raster.readTried) return raster.pixels;
  const int status = readPixels(raster);
  if (status != 0) {
    journal().append("text",
                     "raster: " + raster.attachedName + ": cannot read it: " + imageErrorText(status) + "\n");
  }
  return raster.pixels;
}

std::vector<StoredRaster> storedRasters(std::int64_t model) {
  std::vector<StoredRaster> records;
  for (const auto& r : attachments().live) {
    StoredRaster s;
    s.model = model;
    s.attachedName = r->attachedName;
    s.fullPath = r->fullPath;
    s.rendering = r->rendering;
    s.georeference = r->georeference;
    s.extended = r->extended;
    records.push_back(std::move(s));
  }
  return records;
}

void restoreRasters(const std::vector<StoredRaster>& records) {
  auto& all = attachments();
  for (const auto& s : records) {
    auto r = std::make_unique<DgnRaster>();
    r->serial = all.nextSerial++;
    r->attachedName = s.attachedName;
    // The name is resolved again, so a design moved with its scans finds them; the stored path
    // is the fallback for a name that no longer leads anywhere.
    std::string path = resolveRasterName(s.attachedName);
    struct stat st {};
    if ((path.empty() || ::stat(path.c_str(), &st) != 0) && !s.fullPath.empty()) path = s.fullPath;
    r->fullPath = path.size() < sizeof(RasterFileInfo::fullPath) ? path : s.fullPath;
    r->rendering = s.rendering;
    r->georeference = s.georeference;
    r->extended = s.extended;
    journal().append("raster", "attachment " + describeRaster(*r));
    const int status = regularFile(r->fullPath);
    if (status == SUCCESS) {
      r->fileType = mdlImage_typeFromFile(r->fullPath.c_str());
    } else {
      r->readTried = true;
      r->readStatus = status;
      journal().append("raster", r->attachedName + ": " +
                                     (status == MDLERR_FILENOTFOUND ? "file not found" : "not a file") +
                                     " (the attachment is kept)");
    }
    all.live.push_back(std::move(r));
  }
}

void dropRasters() {
  auto& all = attachments();
  while (!all.live.empty()) retire(all.live.front().get());
  all.redrawPending = false;
}

namespace {

// The design stores, restores and drops the attachments through these (it lies below this group).
const bool keeperHandedOver = [] {
  AttachmentKeeper keeper;
  keeper.stored = storedRasters;
  keeper.restore = restoreRasters;
  keeper.drop = dropRasters;
  keeper.any = [] { return !attachments().live.empty(); };
  setAttachmentKeeper(keeper);
  return true;
}();

}  // namespace

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlRaster_fileInfoGet(RasterFileInfo* info, DgnRasterP raster) {
  DgnRaster* r = usable(raster, "mdlRaster_fileInfoGet");
  if (r == nullptr || info == nullptr) return MDLERR_BADARG;
  RasterFileInfo out;
  std::memset(&out, 0, sizeof out);
  std::snprintf(out.attachedName, sizeof out.attachedName, "%s", r->attachedName.c_str());
  std::snprintf(out.fullPath, sizeof out.fullPath, "%s", r->fullPath.c_str());
  out.fileType = r->fileType;
  out.fileOpen = r->openedByLibrary ? 1 : 0;
  *info = out;
  return SUCCESS;
}

int mdlRaster_renderingInfoGet(RasterRendering* info, DgnRasterP raster) {
  DgnRaster* r = usable(raster, "mdlRaster_renderingInfoGet");
  if (r == nullptr || info == nullptr) return MDLERR_BADARG;
  *info = r->rendering;
  return SUCCESS;
}

int mdlRaster_renderingInfoSet(const RasterRendering* info, DgnRasterP raster, int options) {
  DgnRaster* r = usable(raster, "mdlRaster_renderingInfoSet");
  if (r == nullptr || info == nullptr) return MDLERR_BADARG;
  r->rendering = *info;
  afterChange(options);
  return SUCCESS;
}

int mdlRaster_geoReferenceInfoGet(RasterGeoReference* info, DgnRasterP raster) {
  DgnRaster* r = usable(raster, "mdlRaster_geoReferenceInfoGet");
  if (r == nullptr || info == nullptr) return MDLERR_BADARG;
  *info = r->georeference;
  return SUCCESS;
}

int mdlRaster_geoReferenceInfoSet(const RasterGeoReference* info, DgnRasterP raster, int options) {
  DgnRaster* r = usable(raster, "mdlRaster_geoReferenceInfoSet");
  if (r == nullptr || info == nullptr || !validGeoReference(*info)) return MDLERR_BADARG;
  r->georeference = *info;
  afterChange(options);
  return SUCCESS;
}

int mdlRaster_extendedInfoGet(RasterExtendedInfo* info, DgnRasterP raster) {
  DgnRaster* r = usable(raster, "mdlRaster_extendedInfoGet");
  if (r == nullptr || info == nullptr) return MDLERR_BADARG;
  *info = r->extended;
  return SUCCESS;
}

int mdlRaster_extendedInfoSet(const RasterExtendedInfo* info, DgnRasterP raster, int options) {
  DgnRaster* r = usable(raster, "mdlRaster_extendedInfoSet");
  if (r == nullptr || info == nullptr) return MDLERR_BADARG;
  r->extended = *info;
  afterChange(options);
  return SUCCESS;
}

int mdlRaster_fileOpen(DgnRasterP* rasterOut, const char* fileName, DgnModelRefP modelRef, int mode,
                       int options) {
  if (!callerMayUse("mdlRaster_fileOpen")) return MDLERR_BADARG;
  if (rasterOut == nullptr || fileName == nullptr || mode != RASTER_OPEN_ATTACH) return MDLERR_BADARG;
  if (modelRef != nullptr && modelRef != mdlModelRef_getActive()) return MDLERR_BADARG;
  const std::size_t length = strnlen(fileName, sizeof(RasterFileInfo::attachedName));
  if (length >= sizeof(RasterFileInfo::attachedName)) return MDLERR_BADARG;
  DgnRaster* made = nullptr;
  const int status = attachRaster(std::string(fileName, length), true, nullptr, nullptr, options, &made);
  if (status == SUCCESS) *rasterOut = made;
  return status;
}

int mdlRaster_fileSave(DgnRasterP raster) {
  if (usable(raster, "mdlRaster_fileSave") == nullptr) return MDLERR_BADARG;
  requestDesignStore();
  return SUCCESS;
}

int mdlRaster_fileReload(DgnRasterP raster, int options) {
  DgnRaster* r = usable(raster, "mdlRaster_fileReload");
  if (r == nullptr) return MDLERR_BADARG;
  int status = SUCCESS;
  if ((options & RASTER_UPDATE_FILE) != 0) {
    status = readPixels(*r);
    if (status == SUCCESS) {
      journal().append("raster", "reloaded " + r->attachedName);
    } else {
      journal().append("raster",
                       "reloaded " + r->attachedName + ": cannot read it: " + imageErrorText(status));
    }
  } else if ((options & RASTER_UPDATE_MEMORY) != 0) {
    // Let go of the file: nothing of it is held until it is read again.
    r->pixels.reset();
    r->readTried = false;
  }
  afterChange(options);
  // Redrawn views lose what was displayed in them for the while.
  if ((options & RASTER_UPDATE_VIEWS) != 0) viewsRedrawn(-1);
  return status;
}

int mdlRaster_fileClose(DgnRasterP raster, int options) {
  DgnRaster* r = usable(raster, "mdlRaster_fileClose");
  if (r == nullptr) return MDLERR_BADARG;
  return detachRaster(r, options);
}

int mdlRaster_eventSynchronize(int options) {
  (void)options;
  if (!callerMayUse("mdlRaster_eventSynchronize")) return MDLERR_BADARG;
  if (attachments().redrawPending) {
    attachments().redrawPending = false;
    journal().append("raster", "views redrawn");
    viewsRedrawn(-1);
  }
  return SUCCESS;
}

DgnRasterP mdlRaster_viewFindRaster(const DPoint3d* point, int view) {
  if (!callerMayUse("mdlRaster_viewFindRaster")) return nullptr;
  if (point == nullptr || view < 0 || view >= MAX_VIEWS || !viewShowsPoint(view, *point)) return nullptr;
  DgnRaster* best = nullptr;
  for (const auto& r : attachments().live) {
    if (!rasterCovers(*r, *point)) continue;
    // The topmost: highest priority, then the newest (a later serial).
    if (best == nullptr || r->rendering.displayPriority >= best->rendering.displayPriority) best = r.get();
  }
  return best;
}

}  // extern "C"
