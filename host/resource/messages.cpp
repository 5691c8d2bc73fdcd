// Message lists: numbered texts (prompts, errors, titles) kept as resources of type 'MsgL', and
// mdlResource_loadFromStringList that finds one by list and number.
//
// Stored form: a count, then per message its number (32-bit) and its text (32-bit length and
// the bytes, no terminating zero), in ascending number order.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <cstring>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "common/text.hpp"
#include "host/resource/api.h"
#include "host/resource/codec.hpp"
#include "host/resource/openfiles.hpp"

namespace pixmend::host {
namespace {

std::vector<std::uint8_t> compileMessages(const std::string& text) {
  const auto entry = nlohmann::json::parse(text);
  auto list = entry.find("messages");
  if (list == entry.end() || !list->is_object()) {
    throw std::runtime_error("\"messages\" must be an object of number: text");
  }
  std::map<std::int32_t, std::string> messages;
  for (auto it = list->begin(); it != list->end(); ++it) {
    const std::string& key = it.key();
    const auto number = text::parseInteger(key, INT32_MIN, INT32_MAX);
    if (!number) throw std::runtime_error("message \"" + key + "\": the key must be a message number");
    if (!it.value().is_string()) throw std::runtime_error("message " + key + ": the text must be a string");
    std::string message = it.value().get<std::string>();
    if (message.size() >= RSC_MESSAGE_MAX) {
      throw std::runtime_error("message " + key + ": longer than " + std::to_string(RSC_MESSAGE_MAX - 1) + " bytes");
    }
    if (message.find('\0') != std::string::npos) throw std::runtime_error("message " + key + ": contains a zero byte");
    if (!messages.emplace(static_cast<std::int32_t>(*number), std::move(message)).second) {
      throw std::runtime_error("message " + key + " is defined twice");
    }
  }
  ByteWriter out;
  out.u32(static_cast<std::uint32_t>(messages.size()));
  for (const auto& [number, message] : messages) {
    out.i32(number);
    out.text(message);
  }
  return std::move(out.bytes());
}

const bool registered = registerResourceCompiler("messages", RTYPE_MESSAGE_LIST, compileMessages);

}  // namespace

bool findMessage(const std::vector<std::uint8_t>& bytes, std::int32_t number, std::string* text) {
  ByteReader in(bytes);
  const std::uint32_t count = in.u32();
  for (std::uint32_t i = 0; i < count && in.ok(); ++i) {
    const std::int32_t n = in.i32();
    std::string message = in.text();
    if (in.ok() && n == number) {
      *text = std::move(message);
      return true;
    }
  }
  return false;
}

}  // namespace pixmend::host

extern "C" int mdlResource_loadFromStringList(char* buffer, RscFileHandle handle, int listId, int number) {
  using namespace pixmend::host;
  if (buffer == nullptr) return RSC_ERR_BAD_ARGUMENT;
  buffer[0] = '\0';
  const auto bytes = loadResource(handle, RTYPE_MESSAGE_LIST, listId);
  std::string text;
  if (!bytes || !findMessage(*bytes, number, &text)) return RSC_ERR_NO_SUCH_RESOURCE;
  std::snprintf(buffer, RSC_MESSAGE_MAX, "%s", text.c_str());
  return RSC_SUCCESS;
}
