// dlmSystem_callAnyFunction and friends: the signature string is decoded letter by letter into
// a parameter pack, so every call goes through a function-pointer type with exactly the declared
// parameters (ints, pointers and doubles do not travel the same way in a call).
#include "host/system/calls.hpp"

#include <cstdarg>
#include <string>

#include "host/output/journal.hpp"
#include "host/system/api.h"

namespace pixmend::host {
namespace {

// The call itself. The signature says what the function takes, not whether it returns a result:
// the library's deferred functions (vxlibMain_execFuncOrAddToInitApps) are `void (void)`, page
// and callback functions return an int. Every supported ABI passes the arguments the same way
// for both and leaves the result register alone for a function without a result, so its value
// is then meaningless and those callers ignore it. The one cast the host cannot avoid is
// therefore exempt from the check of the called function's type (clang's -fsanitize=function);
// the arguments' types, which do matter, are exactly the signature's.
#if defined(__clang__)
#define PIXMEND_ANY_RESULT_TYPE __attribute__((no_sanitize("function")))
#else
#define PIXMEND_ANY_RESULT_TYPE  // GCC does not check called functions' types
#endif

template <typename... Args>
PIXMEND_ANY_RESULT_TYPE int invoke(void* function, Args... args) {
  return reinterpret_cast<int (*)(Args...)>(function)(args...);
}

template <typename... Args>
int dispatch(void* function, const std::vector<CallArgument>& values, std::size_t at, Args... args) {
  if constexpr (sizeof...(Args) >= kMaxCallArguments) {
    return invoke(function, args...);
  } else {
    if (at == values.size()) return invoke(function, args...);
    const CallArgument& v = values[at];
    switch (v.kind) {
      case 'I':
        return dispatch(function, values, at + 1, args..., v.i);
      case 'P':
        return dispatch(function, values, at + 1, args..., v.p);
      default:
        return dispatch(function, values, at + 1, args..., v.d);
    }
  }
}

void refuse(const std::string& why) {
  journal().append("text", "dlmSystem_callAnyFunction: " + why + "\n");
}

int callVariadic(MdlDesc* desc, void* function, const char* signature, va_list ap) {
  if (signature == nullptr) signature = "";
  if (!validSignature(signature)) {
    refuse(std::string("unknown argument signature \"") + signature + "\"");
    return MDLERR_BADARG;
  }
  Application* app = currentApplication();
  if (desc != nullptr) {
    app = applicationOf(desc);
    if (app == nullptr) {
      // The application is gone, and its code with it.
      refuse("the descriptor is not a loaded application");
      return MDLERR_BADARG;
    }
  }
  std::vector<CallArgument> args;
  for (const char* c = signature; *c != '\0'; ++c) {
    CallArgument a;
    a.kind = *c;
    if (*c == 'I') a.i = va_arg(ap, int);
    if (*c == 'P') a.p = va_arg(ap, void*);
    if (*c == 'D') a.d = va_arg(ap, double);
    args.push_back(a);
  }
  return callFunction(app, function, signature, args).value_or(MDLERR_BADARG);
}

}  // namespace

bool validSignature(std::string_view signature) {
  if (signature.size() > kMaxCallArguments) return false;
  for (char c : signature) {
    if (c != 'I' && c != 'P' && c != 'D') return false;
  }
  return true;
}

std::optional<int> callFunction(Application* app, void* function, std::string_view signature,
                                const std::vector<CallArgument>& args) {
  if (function == nullptr) {
    refuse("no function");
    return std::nullopt;
  }
  if (!validSignature(signature)) {
    refuse("unknown argument signature \"" + std::string(signature) + "\"");
    return std::nullopt;
  }
  if (args.size() != signature.size()) {
    refuse("the arguments do not match the signature \"" + std::string(signature) + "\"");
    return std::nullopt;
  }
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i].kind != signature[i]) {
      refuse("the arguments do not match the signature \"" + std::string(signature) + "\"");
      return std::nullopt;
    }
  }
  AppScope scope(app);
  return dispatch(function, args, 0);
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int dlmSystem_callAnyFunction(MdlDesc* desc, void* function, const char* signature, ...) {
  va_list ap;
  va_start(ap, signature);
  const int result = callVariadic(desc, function, signature, ap);
  va_end(ap);
  return result;
}

int dlmSystem_callMdlFunction(MdlDesc* desc, void* function, const char* signature, ...) {
  va_list ap;
  va_start(ap, signature);
  const int result = callVariadic(desc, function, signature, ap);
  va_end(ap);
  return result;
}

}  // extern "C"
