// Calls from the host (and from one application's library code) into an application's function
// described by an argument-signature string.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "host/system/registry.hpp"

namespace pixmend::host {

constexpr std::size_t kMaxCallArguments = 7;  // the application data scan calls back with seven

// One argument: its letter ('I', 'P' or 'D') decides which member is passed.
struct CallArgument {
  char kind = 'I';
  int i = 0;
  void* p = nullptr;
  double d = 0;
};

// True when `signature` is at most kMaxCallArguments letters of I, P and D.
bool validSignature(std::string_view signature);

// Calls `function` with `args` (which must match the signature's letters) inside an AppScope of
// `app`, through the function-pointer type the signature describes. Nothing for a bad signature,
// a mismatch or a null function (reported on the text channel).
std::optional<int> callFunction(Application* app, void* function, std::string_view signature,
                                const std::vector<CallArgument>& args);

}  // namespace pixmend::host
