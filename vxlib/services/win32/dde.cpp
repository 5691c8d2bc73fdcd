// The spreadsheet link of the Win32 family: one DDE conversation at a time, kept in module state
// (the DDE instance, the service and topic names, the conversation and the advise buffer), and
// the callback that answers the host's DDE transactions.
//   vxlibWin32_DdeInitialize / _DdeDisconnect / _DdeSendMessage / _DdeReplaceText
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "vxlib/core/core.hpp"
#include "vxlib/services/win32/win32.hpp"

namespace pixmend::vxlib {
namespace {

constexpr unsigned int kSendTimeoutMs = 5000;
constexpr std::size_t kAdviseBytes = 200;
constexpr std::size_t kReplaceCommandBytes = 256;
constexpr std::size_t kDecimalCharacterOffset = 831;  // in the print settings record

struct Link {
  unsigned int instance = 0;
  DdeStringHandle* service = nullptr;
  DdeStringHandle* topic = nullptr;
  DdeConversation* conversation = nullptr;
  char advise[kAdviseBytes] = {};
};

Link& link() {
  static Link l;
  return l;
}

unsigned long callback(unsigned int type, unsigned int, DdeConversation*, DdeStringHandle*, DdeStringHandle*,
                       DdeDataHandle* data, unsigned long, unsigned long) {
  switch (type) {
    case DDE_XTYP_ADVDATA:
      std::memset(link().advise, 0, sizeof link().advise);
      mdlWin32_DdeGetData(data, link().advise, kAdviseBytes - 1, 0);
      return DDE_FACK;
    case DDE_XTYP_XACT_COMPLETE: {
      // Nothing is kept of a finished transaction's answer: it is read and let go.
      const unsigned int size = mdlWin32_DdeGetData(data, nullptr, 0, 0);
      if (size != 0) {
        std::vector<char> answer(static_cast<std::size_t>(size) + 1, '\0');
        mdlWin32_DdeGetData(data, answer.data(), size, 0);
      }
      return 1;
    }
    case DDE_XTYP_MONITOR:
    case DDE_XTYP_ERROR:
    case DDE_XTYP_ADVSTOP:
    case DDE_XTYP_CONNECT_CONFIRM:
    case DDE_XTYP_REGISTER:
    case DDE_XTYP_DISCONNECT:
    case DDE_XTYP_UNREGISTER:
      return DDE_FACK;
    default:
      return 0;
  }
}

// The decimal character the spreadsheet expects, "," unless the print settings say otherwise.
char decimalCharacter() {
  const GlobalData* block = findGlobalData();
  if (block == nullptr || block->buffer836 == nullptr || block->buffer836[kDecimalCharacterOffset] == '\0') return ',';
  return block->buffer836[kDecimalCharacterOffset];
}

}  // namespace

std::string doubledQuotes(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    out += *p;
    if (*p == '"') out += '"';
  }
  return out;
}

// For tests: the callback as the host would call it, and the advise buffer.
unsigned long ddeCallbackForTesting(unsigned int type, DdeDataHandle* data) {
  return callback(type, 0, nullptr, nullptr, nullptr, data, 0, 0);
}
const char* ddeAdviseBufferForTesting() { return link().advise; }

}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

int vxlibWin32_DdeInitialize(const char* service, const char* topic) {
  Link& l = link();
  // A failed registration is not reported by itself: the steps after it fail. An instance the
  // host has ended (it starts over) is registered anew.
  if (mdlWin32_DdeInitialize(&l.instance, callback, 0, 0) != DDE_DMLERR_NO_ERROR && l.instance == 0)
    mdlWin32_DdeInitialize(&l.instance, callback, 0, 0);
  l.conversation = nullptr;
  l.service = mdlWin32_DdeCreateStringHandle(l.instance, service, DDE_CP_WINANSI);
  l.topic = mdlWin32_DdeCreateStringHandle(l.instance, topic, DDE_CP_WINANSI);
  if (l.service == nullptr || l.topic == nullptr) return VXLIB_ERROR;
  l.conversation = mdlWin32_DdeConnect(l.instance, l.service, l.topic, nullptr);
  return l.conversation != nullptr ? VXLIB_SUCCESS : VXLIB_ERROR;
}

int vxlibWin32_DdeDisconnect(void) {
  Link& l = link();
  if (l.conversation == nullptr) return 0;
  const int result = mdlWin32_DdeDisconnect(l.conversation);
  l.conversation = nullptr;
  return result;
}

void vxlibWin32_DdeSendMessage(const char* command) {
  if (command == nullptr) return;
  unsigned int status = 0;
  DdeDataHandle* answer =
      mdlWin32_DdeClientTransaction(command, static_cast<unsigned int>(std::strlen(command) + 1), link().conversation,
                                    nullptr, 0, DDE_XTYP_EXECUTE, kSendTimeoutMs, &status);
  if (answer != nullptr) mdlWin32_DdeFreeDataHandle(answer);
}

void vxlibWin32_DdeReplaceText(const char* placeholder, char* value) {
  if (placeholder == nullptr || value == nullptr) return;
  if (std::strstr(placeholder, "file") == nullptr && std::strstr(placeholder, "time") == nullptr &&
      std::strstr(placeholder, "date") == nullptr) {
    const char decimal = decimalCharacter();
    for (char* p = value; *p != '\0'; ++p) {
      if (*p == '.') *p = decimal;
    }
  }
  // A quote inside a text is written twice, as the macro language reads it; otherwise the text
  // would end early and the rest become a malformed command.
  const std::string find = doubledQuotes(placeholder), with = doubledQuotes(value);
  char command[kReplaceCommandBytes];
  const int n = std::snprintf(command, sizeof command, "[FORMULA.REPLACE(\"%s\",\"%s\")]", find.c_str(), with.c_str());
  // A command cut short would replace with a wrong value (or be malformed): it is not sent.
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof command) {
    toolSubsystem_printf("vxlibWin32_DdeReplaceText: the value for %s is too long for the spreadsheet\n", placeholder);
    return;
  }
  vxlibWin32_DdeSendMessage(command);
}

}  // extern "C"
