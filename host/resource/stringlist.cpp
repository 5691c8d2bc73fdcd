// String lists: members of several strings each, every string with its info fields; kept in
// resource files as resources of type 'StrL'.
//
// Stored form: strings per member, member count, info fields per string (32-bit each), then
// for every string its text (32-bit length and bytes) and its info fields (64-bit each).
#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/lifecycle.hpp"
#include "host/resource/api.h"
#include "host/resource/codec.hpp"
#include "host/resource/openfiles.hpp"

struct StringList {
  struct Entry {
    std::string text;
    long info[STRINGLIST_INFO_FIELDS] = {0, 0, 0, 0};
  };
  long stringsPerMember = 1;
  std::vector<Entry> strings;  // member * stringsPerMember + string
};

namespace pixmend::host {
namespace {

// Lists handed out and not yet destroyed: a stale or foreign pointer is refused, not followed.
std::map<const StringList*, std::unique_ptr<StringList>>& live() {
  static std::map<const StringList*, std::unique_ptr<StringList>> lists;
  return lists;
}

bool valid(const StringList* list) { return list != nullptr && live().count(list) != 0; }

long members(const StringList* list) {
  return static_cast<long>(list->strings.size()) / list->stringsPerMember;
}

StringList* adopt(std::unique_ptr<StringList> list) {
  StringList* raw = list.get();
  live()[raw] = std::move(list);
  return raw;
}

std::vector<std::uint8_t> encode(const StringList& list) {
  ByteWriter out;
  out.u32(static_cast<std::uint32_t>(list.stringsPerMember));
  out.u32(static_cast<std::uint32_t>(members(&list)));
  out.u32(STRINGLIST_INFO_FIELDS);
  for (const auto& entry : list.strings) {
    out.text(entry.text);
    for (long v : entry.info) out.i64(v);
  }
  return std::move(out.bytes());
}

std::unique_ptr<StringList> decode(const std::vector<std::uint8_t>& bytes) {
  ByteReader in(bytes);
  const std::uint32_t perMember = in.u32();
  const std::uint32_t count = in.u32();
  const std::uint32_t infoFields = in.u32();
  if (!in.ok() || perMember == 0 || perMember > 1024 || count > STRINGLIST_MAX_MEMBERS || infoFields > 64) {
    return nullptr;
  }
  const std::uint64_t total = static_cast<std::uint64_t>(perMember) * count;
  // Every string takes at least 4 + 8 * infoFields bytes: refuse counts the bytes cannot hold.
  if (total * (4 + 8ull * infoFields) > in.remaining()) return nullptr;
  auto list = std::make_unique<StringList>();
  list->stringsPerMember = perMember;
  list->strings.resize(static_cast<std::size_t>(total));
  for (auto& entry : list->strings) {
    entry.text = in.text();
    for (std::uint32_t f = 0; f < infoFields; ++f) {
      const std::int64_t v = in.i64();
      if (f < STRINGLIST_INFO_FIELDS) entry.info[f] = static_cast<long>(v);
    }
  }
  if (!in.atEnd()) return nullptr;
  return list;
}

// Source form: {"kind": "stringlist", "id": N, "stringsPerMember": 2,
//               "members": [["1:1", "1.000000"], ...], "info": [[[1], []], ...]}
// A member may also be a single text when stringsPerMember is 1. "info" (optional) gives per
// member and string the info fields.
std::vector<std::uint8_t> compileStringList(const std::string& text) {
  const auto entry = nlohmann::json::parse(text);
  long perMember = 1;
  if (auto it = entry.find("stringsPerMember"); it != entry.end()) {
    if (!it->is_number_integer() || it->get<long long>() < 1 || it->get<long long>() > 1024) {
      throw std::runtime_error("\"stringsPerMember\" must be a number from 1 to 1024");
    }
    perMember = static_cast<long>(it->get<long long>());
  }
  auto list = entry.find("members");
  if (list == entry.end() || !list->is_array()) throw std::runtime_error("\"members\" must be a list");
  if (list->size() > STRINGLIST_MAX_MEMBERS) throw std::runtime_error("too many members");
  StringList out;
  out.stringsPerMember = perMember;
  for (std::size_t m = 0; m < list->size(); ++m) {
    const auto& member = (*list)[m];
    std::vector<std::string> texts;
    if (member.is_string() && perMember == 1) {
      texts.push_back(member.get<std::string>());
    } else if (member.is_array() && member.size() == static_cast<std::size_t>(perMember)) {
      for (const auto& s : member) {
        if (!s.is_string()) throw std::runtime_error("member " + std::to_string(m) + ": strings must be texts");
        texts.push_back(s.get<std::string>());
      }
    } else {
      throw std::runtime_error("member " + std::to_string(m) + ": must be a list of " + std::to_string(perMember) +
                               " texts");
    }
    for (auto& t : texts) {
      StringList::Entry e;
      e.text = std::move(t);
      out.strings.push_back(std::move(e));
    }
  }
  if (auto info = entry.find("info"); info != entry.end()) {
    if (!info->is_array() || info->size() > list->size()) {
      throw std::runtime_error("\"info\" must be a list with at most one element per member");
    }
    for (std::size_t m = 0; m < info->size(); ++m) {
      const auto& perString = (*info)[m];
      if (!perString.is_array() || perString.size() > static_cast<std::size_t>(perMember)) {
        throw std::runtime_error("info of member " + std::to_string(m) + ": one list of numbers per string");
      }
      for (std::size_t s = 0; s < perString.size(); ++s) {
        const auto& fields = perString[s];
        if (!fields.is_array() || fields.size() > STRINGLIST_INFO_FIELDS) {
          throw std::runtime_error("info of member " + std::to_string(m) + ": at most " +
                                   std::to_string(STRINGLIST_INFO_FIELDS) + " numbers per string");
        }
        for (std::size_t f = 0; f < fields.size(); ++f) {
          if (!fields[f].is_number_integer()) throw std::runtime_error("info fields must be whole numbers");
          out.strings[m * static_cast<std::size_t>(perMember) + s].info[f] = static_cast<long>(fields[f].get<long long>());
        }
      }
    }
  }
  return encode(out);
}

const bool registeredKind = registerResourceCompiler("stringlist", RTYPE_STRING_LIST, compileStringList);

const bool registeredReset = registerReset("stringlist", [] { live().clear(); });

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

StringList* mdlStringList_create(long numMembers, long stringsPerMember) {
  if (numMembers < 0 || numMembers > STRINGLIST_MAX_MEMBERS || stringsPerMember < 1 || stringsPerMember > 1024) {
    return nullptr;
  }
  auto list = std::make_unique<StringList>();
  list->stringsPerMember = stringsPerMember;
  list->strings.resize(static_cast<std::size_t>(numMembers * stringsPerMember));
  return adopt(std::move(list));
}

int mdlStringList_destroy(StringList* list) {
  if (!valid(list)) return RSC_ERR_BAD_ARGUMENT;
  live().erase(list);
  return RSC_SUCCESS;
}

long mdlStringList_size(const StringList* list) { return valid(list) ? members(list) : -1; }

long mdlStringList_stringsPerMember(const StringList* list) { return valid(list) ? list->stringsPerMember : -1; }

int mdlStringList_insertMember(long* indexP, StringList* list, long index, long numMembers) {
  if (!valid(list) || numMembers < 1) return RSC_ERR_BAD_ARGUMENT;
  const long size = members(list);
  if (index == -1) index = size;
  if (index < 0 || index > size) return RSC_ERR_BAD_ARGUMENT;
  if (numMembers > STRINGLIST_MAX_MEMBERS - size) return RSC_ERR_BAD_ARGUMENT;  // the list is full
  const auto at = list->strings.begin() + index * list->stringsPerMember;
  list->strings.insert(at, static_cast<std::size_t>(numMembers * list->stringsPerMember), StringList::Entry());
  if (indexP != nullptr) *indexP = index;
  return RSC_SUCCESS;
}

int mdlStringList_deleteMember(StringList* list, long index, long numMembers) {
  if (!valid(list) || index < 0 || numMembers < 1) return RSC_ERR_BAD_ARGUMENT;
  const long size = members(list);
  if (index >= size || numMembers > size - index) return RSC_ERR_BAD_ARGUMENT;
  const auto first = list->strings.begin() + index * list->stringsPerMember;
  list->strings.erase(first, first + numMembers * list->stringsPerMember);
  return RSC_SUCCESS;
}

int mdlStringList_getMember(char** stringP, long** infoFieldsP, StringList* list, long index) {
  if (stringP != nullptr) *stringP = nullptr;
  if (infoFieldsP != nullptr) *infoFieldsP = nullptr;
  if (!valid(list) || index < 0 || index >= static_cast<long>(list->strings.size())) return RSC_ERR_BAD_ARGUMENT;
  auto& entry = list->strings[static_cast<std::size_t>(index)];
  if (stringP != nullptr) *stringP = entry.text.data();
  if (infoFieldsP != nullptr) *infoFieldsP = entry.info;
  return RSC_SUCCESS;
}

int mdlStringList_setMember(StringList* list, long index, const char* string, const long* infoFields) {
  if (!valid(list) || index < 0 || index >= static_cast<long>(list->strings.size())) return RSC_ERR_BAD_ARGUMENT;
  auto& entry = list->strings[static_cast<std::size_t>(index)];
  if (string != nullptr) entry.text = string;
  if (infoFields != nullptr) std::copy(infoFields, infoFields + STRINGLIST_INFO_FIELDS, entry.info);
  return RSC_SUCCESS;
}

StringList* mdlStringList_loadResource(RscFileHandle handle, int id) {
  const auto bytes = loadResource(handle, RTYPE_STRING_LIST, id);
  if (!bytes) return nullptr;
  auto list = decode(*bytes);
  return list ? adopt(std::move(list)) : nullptr;
}

int mdlStringList_addResource(StringList* list, RscFileHandle handle, int id) {
  if (!valid(list)) return RSC_ERR_BAD_ARGUMENT;
  return storeResource(handle, RTYPE_STRING_LIST, id, encode(*list), false);
}

int mdlStringList_writeResource(StringList* list, RscFileHandle handle, int id) {
  if (!valid(list)) return RSC_ERR_BAD_ARGUMENT;
  return storeResource(handle, RTYPE_STRING_LIST, id, encode(*list), true);
}

}  // extern "C"
