// The resource compiler's driver and its registry of kinds (see compiler.hpp).
#include "host/resource/compiler.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

namespace pixmend::host {
namespace {

struct Kind {
  ResourceType type = 0;
  ResourceCompiler compiler;
};

std::map<std::string, Kind>& kinds() {
  static std::map<std::string, Kind> registry;
  return registry;
}

// Files read while one entry compiles, for the build's dependency list.
std::vector<std::string>* gDependencies = nullptr;

constexpr std::size_t kMaxSourceBytes = 16u << 20;

ResourceType typeFromJson(const nlohmann::json& value) {
  if (value.is_string()) {
    const std::string s = value.get<std::string>();
    if (s.empty() || s.size() > 4) throw std::runtime_error("\"type\" must have one to four characters");
    return packType(s);
  }
  if (value.is_number_integer()) {
    const auto n = value.get<long long>();
    if (n <= 0 || n > 0xffffffffLL) throw std::runtime_error("\"type\" out of range");
    return static_cast<ResourceType>(n);
  }
  throw std::runtime_error("\"type\" must be a text of four characters or a number");
}

std::string readText(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) throw std::runtime_error("cannot read " + path);
  if (static_cast<unsigned long long>(st.st_size) > kMaxSourceBytes) throw std::runtime_error(path + ": too large");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Deeply nested sources would make the JSON library recurse without bound; no resource needs
// more than a few levels.
constexpr int kMaxDepth = 32;

bool tooDeep(const nlohmann::json& doc) {
  std::vector<std::pair<const nlohmann::json*, int>> todo{{&doc, 0}};
  while (!todo.empty()) {
    auto [node, depth] = todo.back();
    todo.pop_back();
    if (depth > kMaxDepth) return true;
    if (node->is_structured()) {
      for (const auto& child : *node) todo.push_back({&child, depth + 1});
    }
  }
  return false;
}

std::string directoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool registerResourceCompiler(std::string kind, ResourceType type, ResourceCompiler compiler) {
  if (kind.empty() || !compiler) return false;
  kinds()[std::move(kind)] = Kind{type, std::move(compiler)};
  return true;
}

std::vector<std::string> registeredResourceKinds() {
  std::vector<std::string> names;
  for (const auto& [name, kind] : kinds()) names.push_back(name);
  return names;
}

std::vector<std::uint8_t> readSourceFile(const std::string& sourceDir, const std::string& name) {
  if (name.empty()) throw std::runtime_error("empty file name");
  const std::string path = name[0] == '/' ? name : (sourceDir.empty() ? name : sourceDir + "/" + name);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) throw std::runtime_error("cannot read file " + path);
  if (static_cast<unsigned long long>(st.st_size) > kMaxResourceBytes) throw std::runtime_error(path + ": too large");
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
  if (!bytes.empty()) in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in) throw std::runtime_error("cannot read file " + path);
  if (gDependencies != nullptr) gDependencies->push_back(path);
  return bytes;
}

bool compileResourceSource(const std::string& text, const std::string& sourceName, const std::string& sourceDir,
                           ResourceData* out, std::vector<std::string>* dependencies, std::string* error) {
  auto failWith = [&](const std::string& message) {
    if (error != nullptr) *error = sourceName + ": " + message;
    return false;
  };
  nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
  if (doc.is_discarded()) return failWith("not valid JSON");
  if (tooDeep(doc)) return failWith("nested too deeply");
  if (!doc.is_object()) return failWith("the source must be a JSON object with \"resources\"");
  if (auto it = doc.find("description"); it != doc.end()) {
    if (!it->is_string()) return failWith("\"description\" must be a text");
    if (out->description.empty()) out->description = it->get<std::string>();
  }
  auto list = doc.find("resources");
  if (list == doc.end() || !list->is_array()) return failWith("\"resources\" must be a list of entries");

  for (std::size_t i = 0; i < list->size(); ++i) {
    nlohmann::json& entry = (*list)[i];
    std::string where = "resources[" + std::to_string(i) + "]";
    if (!entry.is_object()) return failWith(where + ": an entry must be a JSON object");
    auto kindIt = entry.find("kind");
    if (kindIt == entry.end() || !kindIt->is_string()) return failWith(where + ": \"kind\" is missing");
    const std::string kindName = kindIt->get<std::string>();
    where += " (kind " + kindName;
    auto idIt = entry.find("id");
    if (idIt == entry.end() || !idIt->is_number_integer()) return failWith(where + "): \"id\" must be a whole number");
    const auto idValue = idIt->get<long long>();
    where += ", id " + std::to_string(idValue) + ")";
    if (idValue < INT32_MIN || idValue > INT32_MAX) return failWith(where + ": \"id\" out of range");
    const auto found = kinds().find(kindName);
    if (found == kinds().end()) {
      std::string known;
      for (const auto& name : registeredResourceKinds()) known += (known.empty() ? "" : ", ") + name;
      return failWith(where + ": unknown kind (known kinds: " + known + ")");
    }
    ResourceType type = found->second.type;
    try {
      if (auto t = entry.find("type"); t != entry.end()) type = typeFromJson(*t);
    } catch (const std::exception& e) {
      return failWith(where + ": " + e.what());
    }
    if (type == 0) return failWith(where + ": \"type\" is required for this kind");
    const auto key = std::make_pair(type, static_cast<ResourceId>(idValue));
    if (out->resources.count(key) != 0) {
      return failWith(where + ": a resource of type " + typeName(type) + " and id " + std::to_string(idValue) +
                      " is defined twice");
    }
    entry["$sourceDir"] = sourceDir;
    std::vector<std::uint8_t> bytes;
    gDependencies = dependencies;
    try {
      bytes = found->second.compiler(entry.dump());
    } catch (const std::exception& e) {
      gDependencies = nullptr;
      return failWith(where + ": " + e.what());
    }
    gDependencies = nullptr;
    if (bytes.size() > kMaxResourceBytes) return failWith(where + ": the resource is too large");
    out->resources[key] = std::move(bytes);
  }
  return true;
}

bool compileResourceFiles(const std::vector<std::string>& paths, ResourceData* out,
                          std::vector<std::string>* dependencies, std::string* error) {
  for (const auto& path : paths) {
    std::string text;
    try {
      text = readText(path);
    } catch (const std::exception& e) {
      if (error != nullptr) *error = e.what();
      return false;
    }
    if (!compileResourceSource(text, path, directoryOf(path), out, dependencies, error)) return false;
  }
  return true;
}

}  // namespace pixmend::host
