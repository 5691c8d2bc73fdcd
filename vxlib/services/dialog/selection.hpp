// What the selection dialogs' files share inside the dialog family: the selection state in the
// calling application's global data block and in the print settings record, and the hooks.
#pragma once

#include <string>
#include <vector>

#include "vxlib/core/core.hpp"

namespace pixmend::vxlib::selection {

// Item and dialog identifiers of the selection dialogs.
constexpr int kFileDialog = 20016, kSearchDialog = 20018, kSingleDialog = 20021, kMultiDialog = 20022;
constexpr int kDirectoryList = 20003, kFileList = 20005, kChosenList = 20006;
constexpr int kFilterField = 20064, kDirectoryField = 20065;
constexpr int kChoiceList = 20008;  // the list of the single and multiple selections
constexpr int kOkButton = -3, kCancelButton = -4;

// The file filter and current directory live in the calling application's print settings (the
// 836-byte buffer of its block, published as vxlibps while it is the current application), so
// every dialog starts where the last one ended. They are not the print set-up record (vxlibpsd),
// whose margins and printer name lie at those offsets.
constexpr std::size_t kFilterAt = 32, kDirectoryAt = 288, kPathText = 256;
std::string filter();
std::string directory();
void setFilter(const std::string& text);
void setDirectory(const std::string& text);

// Frees the title and label copies and the selected-row copy of the calling application.
void clearTexts(GlobalData* block);
// A copy of `text` on the host's heap (null for null).
char* copyText(const char* text);

// Files of `directory` matching one of the ';'-separated patterns of `filter` (case ignored),
// sorted by name; its subdirectories (without "." and ".."), sorted.
std::vector<std::string> matchingFiles(const std::string& directory, const std::string& filter);
std::vector<std::string> subdirectories(const std::string& directory);
// Recursive search for every pattern of `filter` in turn; per directory, the subdirectories'
// matches come before its own. Appends full paths to `out` (one string per member).
void searchFiles(const std::string& directory, const std::string& filter, StringList* out);


}  // namespace pixmend::vxlib::selection
