// Command tables as resources: the "commandTable" kind of the resource compiler, and
// mdlParse_loadCommandTable, which reads one back and makes its key-ins known.
//
// Source entry: {"kind": "commandTable", "id": 1, "commands": [{"keyin": "testapp draw line",
// "number": "0x01010100"}, ...]}. Stored as the canonical JSON {"commands": [...]} with the
// numbers as whole numbers.
#include <cstring>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "host/output/journal.hpp"
#include "host/resource/api.h"
#include "host/resource/store.hpp"
#include "host/state/api.h"
#include "host/state/state.hpp"

namespace pixmend::host {
namespace {

std::vector<std::uint8_t> compileCommandTable(const std::string& json) {
  std::string error;
  const auto entries = parseCommandTable(json, &error);
  if (!entries) throw std::runtime_error(error);
  nlohmann::json out;
  out["commands"] = nlohmann::json::array();
  for (const auto& entry : *entries)
    out["commands"].push_back({{"keyin", entry.keyin}, {"number", entry.number}});
  const std::string text = out.dump();
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

const bool registered = registerResourceCompiler("commandTable", RTYPE_COMMAND_TABLE, compileCommandTable);

// The handle mdlParse_loadCommandTable returns: something non-null that callers only compare.
int loadedMarker = 0;

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

void* mdlParse_loadCommandTable(unsigned int rscFile) {
  Application* app = currentApplication();
  if (app == nullptr) return nullptr;
  traceCall("mdlParse_loadCommandTable " + std::to_string(rscFile));
  void* resource = mdlResource_load(rscFile, RTYPE_COMMAND_TABLE, 1);
  if (resource == nullptr) return nullptr;
  const std::string json(static_cast<const char*>(resource), mdlResource_size(resource));
  mdlResource_free(resource);
  std::string error;
  auto entries = parseCommandTable(json, &error);
  if (!entries) {
    journal().append("text", "Command table of " + applicationName(app) + " is broken: " + error + "\n");
    return nullptr;
  }
  setCommandTable(app, std::move(*entries));
  return &loadedMarker;
}

}  // extern "C"
