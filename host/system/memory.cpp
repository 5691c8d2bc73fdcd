// The host's heap for applications (dlmSystem_mdlMalloc and friends) with a switch that makes
// requests fail, so out-of-memory paths can be tested, and the configuration group's call that
// hands an application memory of this heap (mdlSystem_getExpandedCfgVar).
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/config/api.h"
#include "host/config/config.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/system/api.h"

namespace pixmend::host {
namespace {

// Nothing the applications do needs more; a bigger request is a broken size.
constexpr size_t kLargestRequest = size_t{1} << 31;

int& failuresToCome() {
  static int count = 0;
  return count;
}

bool refuse(size_t size) {
  if (failuresToCome() > 0) {
    --failuresToCome();
    journal().append("memory", "refused " + std::to_string(size) + " bytes (test switch)");
    return true;
  }
  if (size > kLargestRequest) {
    journal().append("memory", "refused " + std::to_string(size) + " bytes");
    return true;
  }
  return false;
}

void* failed(size_t size) {
  journal().append("memory", "no memory for " + std::to_string(size) + " bytes");
  return nullptr;
}

const bool registered = registerReset("system.memory", [] { failuresToCome() = 0; });

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

void* dlmSystem_mdlMalloc(size_t size) {
  if (refuse(size)) return nullptr;
  void* block = std::malloc(size == 0 ? 1 : size);
  return block != nullptr ? block : failed(size);
}

void* dlmSystem_mdlCalloc(size_t count, size_t size) {
  if (size != 0 && count > kLargestRequest / size) {
    journal().append("memory", "refused " + std::to_string(count) + " x " + std::to_string(size) + " bytes");
    return nullptr;
  }
  const size_t total = count * size;
  if (refuse(total)) return nullptr;
  void* block = std::calloc(total == 0 ? 1 : total, 1);
  return block != nullptr ? block : failed(total);
}

void* dlmSystem_mdlRealloc(void* block, size_t size) {
  if (refuse(size)) return nullptr;  // the old block stays the caller's
  void* grown = std::realloc(block, size == 0 ? 1 : size);
  return grown != nullptr ? grown : failed(size);
}

void dlmSystem_mdlFree(void* block) {
  std::free(block);
}

void mdlSystem_failNextAllocations(int count) {
  failuresToCome() = count > 0 ? count : 0;
}

char* mdlSystem_getExpandedCfgVar(const char* name) {
  if (name == nullptr) return nullptr;
  const auto value = expandedVariable(name);
  if (!value) return nullptr;
  auto* copy = static_cast<char*>(dlmSystem_mdlMalloc(value->size() + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, value->c_str(), value->size() + 1);
  return copy;
}

}  // extern "C"
