// Scratch folders for tests (see scratch_dir.hpp).
#include "support/scratch_dir.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace pixmend::testsupport {

ScratchDir::ScratchDir(std::string_view tag) {
  std::error_code ec;
  std::string base = std::filesystem::temp_directory_path(ec).string();
  if (ec || base.empty()) base = "/tmp";
  std::string pattern = base + "/pixmend-" + std::string(tag) + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "cannot create a scratch folder " << pattern;
    return;
  }
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  if (path_.empty()) return;
  namespace fs = std::filesystem;
  std::error_code ec;
  // Give folders their permissions back first, so that a test that made one read-only does not
  // leave it behind for a user who is not root.
  for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string ScratchDir::file(std::string_view name) const { return path_ + "/" + std::string(name); }

}  // namespace pixmend::testsupport
