// A scratch folder for tests that write files: a fresh folder under the system's temporary
// folder, removed with everything in it when the object goes (even where a test took the write
// permission away). Tests never write into the shared test data; they copy what they change here.
#pragma once

#include <string>
#include <string_view>

namespace pixmend::testsupport {

class ScratchDir {
 public:
  // Creates "<tmp>/pixmend-<tag>-XXXXXX"; fails the current test when it cannot.
  explicit ScratchDir(std::string_view tag = "test");
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string file(std::string_view name) const;

 private:
  std::string path_;
};

}  // namespace pixmend::testsupport
