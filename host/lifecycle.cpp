// Host-wide reset (see lifecycle.hpp).
#include "host/lifecycle.hpp"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace pixmend::host {
namespace {

struct Registered {
  std::string name;
  std::function<void()> reset;
  int order = 0;
};

std::vector<Registered>& registry() {
  static std::vector<Registered> entries;
  return entries;
}

}  // namespace

bool registerReset(std::string_view name, std::function<void()> reset, int order) {
  auto& entries = registry();
  entries.push_back({std::string(name), std::move(reset), order});
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Registered& a, const Registered& b) { return a.order < b.order; });
  return true;
}

void resetHost() {
  for (auto& entry : registry()) entry.reset();
}

}  // namespace pixmend::host
