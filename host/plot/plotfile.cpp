// Plot files (see api.h): the byte streams the library's plot drivers write, each an
// OutputTarget that replaces its file only when closed complete.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/plot/api.h"
#include "host/plot/target.hpp"
#include "host/system/registry.hpp"

struct PlotFile {
  std::string name;
  std::unique_ptr<pixmend::host::OutputTarget> target;
  pixmend::host::Application* owner = nullptr;
};

namespace pixmend::host {
namespace {

std::vector<std::unique_ptr<PlotFile>>& openFiles() {
  static std::vector<std::unique_ptr<PlotFile>> files;
  return files;
}

PlotFile* findOpen(const PlotFile* file) {
  for (const auto& f : openFiles()) {
    if (f.get() == file) return f.get();
  }
  return nullptr;
}

int closeFile(PlotFile* file) {
  auto& files = openFiles();
  auto it = std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.get() == file; });
  if (it == files.end()) return MDLERR_BADARG;
  std::unique_ptr<PlotFile> owned = std::move(*it);
  files.erase(it);
  if (!owned->target->commit()) {
    journal().append("file", "could not write " + owned->name + ": " + owned->target->error());
    return MDLERR_CANNOTOPENFILE;
  }
  journal().append("file", "wrote " + owned->name);
  return SUCCESS;
}

const bool registeredReset = registerReset("plot.files", [] { openFiles().clear(); });
// A file its application left open is completed for it, as the C library would at exit.
const bool registeredUnload = registerUnloadHook("plot.files", [](Application* app) {
  std::vector<PlotFile*> mine;
  for (const auto& f : openFiles()) {
    if (f->owner == app) mine.push_back(f.get());
  }
  for (PlotFile* f : mine) closeFile(f);
});

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

PlotFile* mdlPlotFile_open(const char* fileName) {
  if (fileName == nullptr || *fileName == '\0') return nullptr;
  auto file = std::make_unique<PlotFile>();
  file->name = fileName;
  file->owner = currentApplication();
  file->target = std::make_unique<OutputTarget>(file->name);
  if (!file->target->ok()) {
    journal().append("file", "cannot write " + file->name + ": " + file->target->error());
    return nullptr;
  }
  openFiles().push_back(std::move(file));
  return openFiles().back().get();
}

int mdlPlotFile_write(PlotFile* file, const void* data, unsigned int size) {
  PlotFile* open = findOpen(file);
  if (open == nullptr || (data == nullptr && size != 0)) return MDLERR_BADARG;
  return open->target->write(data, size) ? SUCCESS : MDLERR_CANNOTOPENFILE;
}

int mdlPlotFile_close(PlotFile* file) {
  return closeFile(file);
}

}  // extern "C"
