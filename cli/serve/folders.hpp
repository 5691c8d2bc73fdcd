// The folders the page may reach: the design's folder and the temporary folder(s). Every name the
// page sends (a file dialog's answer, a folder to list, a path typed into a dialog's text item) is
// resolved here: made absolute, every link of the part that exists followed, and accepted only
// when what it finally names lies inside one of the folders. Nothing outside is listed, opened or
// named to the host, whatever links or ".." the name holds.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pixmend::serve {

class Folders {
 public:
  // `base` is where relative names start (the server's working folder, the design's folder).
  explicit Folders(std::string base);

  // Adds a folder the page may reach (relative: to the base). False with the reason when it is
  // no folder. A folder already inside another adds nothing.
  bool add(const std::string& folder, std::string* why);
  const std::vector<std::string>& roots() const { return roots_; }  // absolute, links followed

  // The absolute path `name` finally names (relative names from `from`, else from the base),
  // when that lies inside a folder; else nothing, with the reason. Names longer than `maxLength`
  // bytes, empty names and names holding control characters are refused.
  std::optional<std::string> resolve(const std::string& name, const std::string& from, std::string* why) const;
  std::optional<std::string> resolve(const std::string& name, std::string* why) const {
    return resolve(name, "", why);
  }

  // `path` (absolute, inside a folder) as the page and the host are given it: relative to the
  // base when it lies under it ("scans/a.tif"), else absolute.
  std::string shown(const std::string& path) const;

  struct Entry {
    std::string name;
    std::string path;  // as shown()
    bool folder = false;
  };
  struct Listing {
    std::string folder;  // as shown()
    std::string parent;  // as shown(); "" at the top of a folder the page may reach
    std::vector<Entry> entries;
  };
  // The folders and files of `folder` (resolved as above), folders first, then by name. Entries
  // that lead out of the folders (links) or are neither folders nor regular files are left out;
  // at most `limit` entries are listed.
  std::optional<Listing> list(const std::string& folder, std::size_t limit, std::string* why) const;

  static constexpr std::size_t maxLength = 255;

 private:
  bool inside(const std::string& absolute) const;
  std::string base_;
  std::vector<std::string> roots_;
};

}  // namespace pixmend::serve
