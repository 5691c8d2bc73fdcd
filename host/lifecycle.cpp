// Host-wide reset (see lifecycle.hpp).
#include "host/lifecycle.hpp"

#include <string>
#include <utility>
#include <vector>

namespace pixmend::host {
namespace {

struct Registered {
  std::string name;
  std::function<void()> reset;
};

std::vector<Registered>& registry() {
  static std::vector<Registered> entries;
  return entries;
}

}  // namespace

bool registerReset(std::string_view name, std::function<void()> reset) {
  registry().push_back({std::string(name), std::move(reset)});
  return true;
}

void resetHost() {
  for (auto& entry : registry()) entry.reset();
}

}  // namespace pixmend::host
