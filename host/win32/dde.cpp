// DDE conversations of the win32 group (see api.h). The host serves the services itself: the
// spreadsheet stand-in answers service "Excel" on topic "system" (spreadsheet.hpp). Instances,
// string handles, conversations and data handles are host records; a pointer the host did not
// give, or one it has freed, is refused, never followed. An instance belongs to the application
// that made it and goes with it when it unloads.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/text.hpp"
#include "host/config/config.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/system/application.hpp"
#include "host/system/registry.hpp"
#include "host/win32/api.h"
#include "host/win32/spreadsheet.hpp"

struct DdeStringHandle {
  unsigned int instance;
  std::string text;
};
struct DdeConversation {
  unsigned int instance;
  std::string service, topic;
};
struct DdeDataHandle {
  unsigned int instance;
  std::vector<unsigned char> bytes;
};

namespace pixmend::host {
namespace {

// A transaction's time-out that asks for an answer through the callback instead.
constexpr unsigned int kTimeoutAsync = 0xFFFFFFFFu;

struct Instance {
  DdeCallbackFunc callback = nullptr;
  Application* owner = nullptr;
};

// Instance numbers are never given twice in a process, not even after the host starts over, so
// a number an application kept from before is refused rather than taken for another's.
unsigned int& nextInstanceId() {
  static unsigned int id = 1;
  return id;
}

struct State {
  unsigned long nextTransaction = 1;
  std::map<unsigned int, Instance> instances;
  std::vector<std::unique_ptr<DdeStringHandle>> strings;
  std::vector<std::unique_ptr<DdeConversation>> conversations;
  std::vector<std::unique_ptr<DdeDataHandle>> data;
};

State& state() {
  static State s;
  return s;
}

template <typename T>
auto find(std::vector<std::unique_ptr<T>>& list, const T* p) {
  return std::find_if(list.begin(), list.end(), [&](const auto& q) { return q.get() == p; });
}

template <typename T>
void dropInstance(std::vector<std::unique_ptr<T>>& list, unsigned int instance) {
  list.erase(std::remove_if(list.begin(), list.end(), [&](const auto& q) { return q->instance == instance; }), list.end());
}

void endInstance(unsigned int id) {
  State& s = state();
  for (const auto& c : s.conversations) {
    if (c->instance == id) journal().append("dde", "disconnected from " + c->service + "|" + c->topic);
  }
  dropInstance(s.conversations, id);
  dropInstance(s.strings, id);
  dropInstance(s.data, id);
  s.instances.erase(id);
}

const bool registered = registerReset("win32.dde", [] { state() = State(); });
const bool registeredUnload = registerUnloadHook("win32.dde", [](Application* app) {
  std::vector<unsigned int> ids;
  for (const auto& [id, instance] : state().instances) {
    if (instance.owner == app) ids.push_back(id);
  }
  for (unsigned int id : ids) endInstance(id);
});

// The services this host answers: the spreadsheet stand-in.
// The stand-in answers unless the configuration variable PIXMEND_SPREADSHEET is 0 (or off, no):
// a session then plays a machine without a spreadsheet program.
bool standInAnswers() {
  const auto value = expandedVariable("PIXMEND_SPREADSHEET");
  return !value || (*value != "0" && *value != "off" && *value != "no");
}

bool serves(const std::string& service, const std::string& topic) {
  return text::equalIgnoringCase(service, "Excel") && text::equalIgnoringCase(topic, "system") && standInAnswers();
}

DdeDataHandle* newData(unsigned int instance) {
  state().data.push_back(std::make_unique<DdeDataHandle>(DdeDataHandle{instance, {}}));
  return state().data.back().get();
}

}  // namespace
}  // namespace pixmend::host

extern "C" {

unsigned int mdlWin32_DdeInitialize(unsigned int* instanceId, DdeCallbackFunc callback, unsigned int /*commandFlags*/,
                                    unsigned int /*reserved*/) {
  using namespace pixmend::host;
  if (instanceId == nullptr) return DDE_DMLERR_INVALIDPARAMETER;
  State& s = state();
  if (callback == nullptr || (*instanceId != 0 && s.instances.count(*instanceId) == 0)) {
    *instanceId = 0;
    return DDE_DMLERR_INVALIDPARAMETER;
  }
  if (*instanceId != 0) {  // the instance again: its callback is the one given now
    s.instances[*instanceId].callback = callback;
    return DDE_DMLERR_NO_ERROR;
  }
  const unsigned int id = nextInstanceId()++;
  s.instances[id] = Instance{callback, currentApplication()};
  *instanceId = id;
  return DDE_DMLERR_NO_ERROR;
}

int mdlWin32_DdeUninitialize(unsigned int instanceId) {
  using namespace pixmend::host;
  if (state().instances.count(instanceId) == 0) return 0;
  endInstance(instanceId);
  return 1;
}

DdeStringHandle* mdlWin32_DdeCreateStringHandle(unsigned int instanceId, const char* text, int codePage) {
  using namespace pixmend::host;
  if (state().instances.count(instanceId) == 0 || text == nullptr || codePage != DDE_CP_WINANSI) return nullptr;
  state().strings.push_back(std::make_unique<DdeStringHandle>(DdeStringHandle{instanceId, text}));
  return state().strings.back().get();
}

DdeConversation* mdlWin32_DdeConnect(unsigned int instanceId, DdeStringHandle* service, DdeStringHandle* topic,
                                     const void* /*context*/) {
  using namespace pixmend::host;
  State& s = state();
  if (s.instances.count(instanceId) == 0 || find(s.strings, service) == s.strings.end() ||
      find(s.strings, topic) == s.strings.end()) {
    return nullptr;
  }
  if (!serves(service->text, topic->text)) {
    journal().append("dde", "no service answers " + service->text + "|" + topic->text);
    return nullptr;
  }
  s.conversations.push_back(std::make_unique<DdeConversation>(DdeConversation{instanceId, service->text, topic->text}));
  journal().append("dde", "connected to " + service->text + "|" + topic->text);
  return s.conversations.back().get();
}

int mdlWin32_DdeDisconnect(DdeConversation* conversation) {
  using namespace pixmend::host;
  State& s = state();
  const auto it = find(s.conversations, conversation);
  if (it == s.conversations.end()) return 0;
  journal().append("dde", "disconnected from " + (*it)->service + "|" + (*it)->topic);
  s.conversations.erase(it);
  return 1;
}

DdeDataHandle* mdlWin32_DdeClientTransaction(const void* data, unsigned int length, DdeConversation* conversation,
                                             DdeStringHandle* item, unsigned int /*format*/, unsigned int type,
                                             unsigned int timeoutMs, unsigned int* result) {
  using namespace pixmend::host;
  if (result != nullptr) *result = DDE_FNOTPROCESSED;
  State& s = state();
  if (find(s.conversations, conversation) == s.conversations.end()) return nullptr;
  if (type != DDE_XTYP_EXECUTE) {
    journal().append("dde", "Excel refused transaction " + std::to_string(type) + ": only commands are taken");
    return nullptr;
  }
  (void)item;
  // The command: text with its terminating zero inside the length given.
  const char* bytes = static_cast<const char*>(data);
  const void* zero = bytes != nullptr ? std::memchr(bytes, '\0', length) : nullptr;
  if (zero == nullptr) {
    journal().append("dde", "Excel refused a command without its terminating zero");
    return nullptr;
  }
  std::string why;
  const unsigned int instance = conversation->instance;
  if (!spreadsheet().execute(bytes, &why)) return nullptr;
  if (result != nullptr) *result = DDE_FACK;
  if (timeoutMs != kTimeoutAsync) return newData(instance);
  // Asked for an answer through the callback: it comes before this call returns, in the
  // application that made the instance.
  const unsigned long transaction = s.nextTransaction++;
  const Instance owner = s.instances[instance];
  DdeDataHandle* answer = newData(instance);
  {
    AppScope scope(owner.owner);
    owner.callback(DDE_XTYP_XACT_COMPLETE, DDE_CF_TEXT, conversation, nullptr, nullptr, answer, transaction, DDE_FACK);
  }
  if (result != nullptr) *result = static_cast<unsigned int>(transaction);
  return answer;
}

unsigned int mdlWin32_DdeGetData(DdeDataHandle* data, void* buffer, unsigned int size, unsigned int offset) {
  using namespace pixmend::host;
  State& s = state();
  if (find(s.data, data) == s.data.end()) return 0;
  const std::size_t total = data->bytes.size();
  if (buffer == nullptr) return static_cast<unsigned int>(total);
  if (offset >= total) return 0;
  const std::size_t n = std::min<std::size_t>(size, total - offset);
  std::memcpy(buffer, data->bytes.data() + offset, n);
  return static_cast<unsigned int>(n);
}

int mdlWin32_DdeFreeDataHandle(DdeDataHandle* data) {
  using namespace pixmend::host;
  State& s = state();
  const auto it = find(s.data, data);
  if (it == s.data.end()) return 0;
  s.data.erase(it);
  return 1;
}

}  // extern "C"
