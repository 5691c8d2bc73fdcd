// VXRaster driven through the host as a user drives it, for the benchmarks of its commands: a
// temporary folder holding a scan attached to a new design, the application loaded, and key-ins,
// data points and host events played as a session plays them.
#pragma once

#include <string>

#include "bitmap/drawing.hpp"

namespace pixmend::bench {

class VXRasterSession {
 public:
  // `sheet` written as a Group 4 TIFF, attached and `application` (VXRaster, or its test build
  // VXRasterEdit) loaded.
  VXRasterSession(const Drawing& sheet, const std::string& application);
  // A copy of the raster file `scan` attached instead.
  VXRasterSession(const std::string& scan, const std::string& application);
  ~VXRasterSession();
  VXRasterSession(const VXRasterSession&) = delete;
  VXRasterSession& operator=(const VXRasterSession&) = delete;

  bool ok() const { return ok_; }
  // The raster file being edited.
  std::string scanPath() const { return dir_ + "/sheet.tif"; }

  static void keyin(const char* text);
  static void point(double x, double y);
  static void reset();
  static void event(int slot, const std::string& text, int state);
  // The journal grows with every step; benchmarks empty it now and then so that it does not count.
  static void forget();

 private:
  void start(const std::string& application);
  std::string dir_;
  bool ok_ = false;
};

// The whole edit as a user makes it, for a process of its own: a copy of `scan` in a new folder
// under `root`, a design and VXRasterEdit made ready, then (timed, wall clock) the scan attached,
// selected (VXRaster reads it), a 64 x 64 block painted and written back, and the editing ended.
// Returns false when a step fails; `seconds` gets the timed part; `journal`, when not null, the
// session's journal lines (to see what was read and written).
bool runEditPath(const std::string& scan, const std::string& root, double& seconds, std::string* journal);

}  // namespace pixmend::bench
