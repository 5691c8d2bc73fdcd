// The folders the page may reach (see folders.hpp).
#include "cli/serve/folders.hpp"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace pixmend::serve {
namespace fs = std::filesystem;

namespace {

bool hasControl(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
  });
}

// The path with every link of its existing part followed and "." and ".." taken out.
std::optional<std::string> finalPath(const fs::path& path) {
  std::error_code error;
  const fs::path real = fs::weakly_canonical(path, error);
  if (error) return std::nullopt;
  return real.lexically_normal().string();
}

}  // namespace

Folders::Folders(std::string base) : base_(std::move(base)) {
  std::error_code error;
  if (base_.empty()) base_ = fs::current_path(error).string();
  if (const auto real = finalPath(base_)) base_ = *real;
}

bool Folders::add(const std::string& folder, std::string* why) {
  std::error_code error;
  fs::path path(folder);
  if (path.is_relative()) path = fs::path(base_) / path;
  const auto real = finalPath(path);
  if (!real || !fs::is_directory(*real, error)) {
    *why = folder + " is not a folder";
    return false;
  }
  std::string root = *real;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  if (!inside(root)) {
    // A folder that holds roots already takes their place.
    roots_.erase(std::remove_if(roots_.begin(), roots_.end(),
                                [&](const std::string& r) {
                                  return root == "/" || r.compare(0, root.size() + 1, root + "/") == 0;
                                }),
                 roots_.end());
    roots_.push_back(root);
  }
  return true;
}

bool Folders::inside(const std::string& absolute) const {
  return std::any_of(roots_.begin(), roots_.end(), [&](const std::string& root) {
    return absolute == root || root == "/" || absolute.compare(0, root.size() + 1, root + "/") == 0;
  });
}

std::optional<std::string> Folders::resolve(const std::string& name, const std::string& from,
                                            std::string* why) const {
  if (name.empty()) {
    *why = "the name is empty";
    return std::nullopt;
  }
  if (name.size() > maxLength) {
    *why = "the name is longer than " + std::to_string(maxLength) + " characters";
    return std::nullopt;
  }
  if (hasControl(name)) {
    *why = "the name holds a control character";
    return std::nullopt;
  }
  fs::path path(name);
  if (path.is_relative()) path = fs::path(from.empty() ? base_ : from) / path;
  if (path.is_relative()) path = fs::path(base_) / path;
  const auto real = finalPath(path);
  if (!real || !inside(*real)) {
    *why = name + " lies outside the folders this server may use (the design's folder and the temporary folder)";
    return std::nullopt;
  }
  return real;
}

std::string Folders::shown(const std::string& path) const {
  if (path == base_) return ".";
  if (base_ == "/") return path;
  if (path.compare(0, base_.size() + 1, base_ + "/") == 0) return path.substr(base_.size() + 1);
  return path;
}

std::optional<Folders::Listing> Folders::list(const std::string& folder, std::size_t limit,
                                              std::string* why) const {
  const auto real = resolve(folder.empty() ? "." : folder, why);
  if (!real) return std::nullopt;
  std::error_code error;
  if (!fs::is_directory(*real, error)) {
    *why = folder + " is not a folder";
    return std::nullopt;
  }
  Listing listing;
  listing.folder = shown(*real);
  const fs::path parent = fs::path(*real).parent_path();
  if (*real != "/" && inside(parent.string())) listing.parent = shown(parent.string());
  fs::directory_iterator it(*real, fs::directory_options::skip_permission_denied, error);
  if (error) {
    *why = "cannot list " + folder + ": " + error.message();
    return std::nullopt;
  }
  for (; it != fs::directory_iterator() && listing.entries.size() < limit; it.increment(error)) {
    if (error) break;
    const std::string name = it->path().filename().string();
    if (hasControl(name)) continue;
    // What a link finally names decides, never the link itself.
    const auto target = finalPath(it->path());
    if (!target || !inside(*target)) continue;
    const bool isFolder = fs::is_directory(*target, error);
    if (!isFolder && !fs::is_regular_file(*target, error)) continue;
    listing.entries.push_back({name, shown(it->path().lexically_normal().string()), isFolder});
  }
  std::sort(listing.entries.begin(), listing.entries.end(), [](const Entry& a, const Entry& b) {
    return a.folder != b.folder ? a.folder : a.name < b.name;
  });
  return listing;
}

}  // namespace pixmend::serve
