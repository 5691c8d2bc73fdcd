// The page's files (cli/serve/web/), carried inside the program: nothing to install beside it,
// no build step, nothing fetched from elsewhere.
#pragma once

#include <cstddef>
#include <string_view>

namespace pixmend::serve {

struct EmbeddedFile {
  const char* name;
  const unsigned char* bytes;
  std::size_t size;
};

// The file of that name (e.g. "app.js"), or null.
const EmbeddedFile* findEmbeddedFile(std::string_view name);

}  // namespace pixmend::serve
