// File dialogs without a screen: the choice comes from the answer queue (a path, or "cancel");
// an empty queue takes the suggested name. The remembering variants keep the choice in the
// remembered-file record of their dialog identifier in the given preference file
// (common/rememberedfile.hpp).
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/rememberedfile.hpp"
#include "host/config/config.hpp"
#include "host/dialog/dialog.hpp"
#include "host/output/answers.hpp"
#include "host/output/journal.hpp"

namespace pixmend::host {
namespace {

void note(const std::string& text) { journal().append("dialog", text); }

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string filterOf(const std::string& path) {
  const auto slash = path.rfind('/');
  const auto dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "*";
  return "*" + path.substr(dot);
}

void rememberChoice(RscFileHandle prefFile, int dialogId, const std::string& path) {
  if (prefFile == 0) return;
  std::vector<std::uint8_t> record(USERPREFS_FILE_RECORD_SIZE, 0);
  const bool had = mdlUserPrefs_getFileName(record.data(), prefFile, dialogId) == RSC_SUCCESS;
  // A record of another format is not read as one of ours: it starts afresh.
  if (!had || !remembered::marked(record.data())) record.assign(USERPREFS_FILE_RECORD_SIZE, 0);
  remembered::rememberChoice(record.data(), path, filterOf(path), folderOf(path));
  mdlUserPrefs_saveFileName(record.data(), prefFile, dialogId);
}

// The one place where a file dialog gets its answer. 0 chosen, 1 cancelled.
int chooseFile(const char* kind, char* fileName, const char* suggestedName, const char* filter,
               const char* defaultDirectory, const char* title, RscFileHandle prefFile, int dialogId) {
  if (fileName == nullptr) return 1;
  Question question;
  question.kind = Question::Kind::File;
  question.create = std::strcmp(kind, "file create") == 0;
  question.text = title != nullptr ? title : "";
  question.suggested = suggestedName != nullptr ? suggestedName : "";
  question.filter = filter != nullptr ? filter : "";
  question.directory = defaultDirectory != nullptr ? defaultDirectory : "";
  const std::string heading = std::string(kind) + " " + "\"" + (title != nullptr ? title : "") + "\"";
  std::string choice;
  std::string how = "answered";
  if (auto answer = takeAnswer(question)) {
    choice = answer->text;
  } else {
    how = "defaulted";
    choice = suggestedName != nullptr && *suggestedName != '\0' ? suggestedName : "cancel";
  }
  if (choice.empty() || choice == "cancel") {
    note(heading + " -> cancelled (" + how + ")");
    return 1;
  }
  if (choice[0] != '/' && defaultDirectory != nullptr && *defaultDirectory != '\0') {
    std::string dir = defaultDirectory;
    if (dir.back() != '/') dir += '/';
    choice = dir + choice;
  }
  if (choice.size() >= MAXFILELENGTH) {
    note(heading + " -> refused, the name is longer than " + std::to_string(MAXFILELENGTH - 1) + " characters");
    return 1;
  }
  std::snprintf(fileName, MAXFILELENGTH, "%s", choice.c_str());
  note(heading + " -> " + choice + " (" + how + ")");
  rememberChoice(prefFile, dialogId, choice);
  return 0;
}

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

int mdlDialog_fileOpen(char* fileName, RscFileHandle, int, const char* suggestedName, const char* filter,
                       const char* defaultDirectory, const char* title) {
  return chooseFile("file open", fileName, suggestedName, filter, defaultDirectory, title, 0, 0);
}

int mdlDialog_fileCreate(char* fileName, RscFileHandle, int, const char* suggestedName, const char* filter,
                         const char* defaultDirectory, const char* title) {
  return chooseFile("file create", fileName, suggestedName, filter, defaultDirectory, title, 0, 0);
}

int mdlDialog_defFileOpen(char* fileName, const char* suggestedName, const char* filter,
                          const char* defaultDirectory, const char* title, RscFileHandle prefFile, int dialogId) {
  return chooseFile("file open", fileName, suggestedName, filter, defaultDirectory, title, prefFile, dialogId);
}

int mdlDialog_defFileCreate(char* fileName, const char* suggestedName, const char* filter,
                            const char* defaultDirectory, const char* title, RscFileHandle prefFile,
                            int dialogId) {
  return chooseFile("file create", fileName, suggestedName, filter, defaultDirectory, title, prefFile,
                    dialogId);
}

StringList* mdlFileList_edit(int* resultP, StringList* list, const char* title, char* directory, const char*) {
  if (resultP != nullptr) *resultP = ACTIONBUTTON_CANCEL;
  if (list == nullptr) list = mdlStringList_create(0, 1);
  if (mdlStringList_size(list) < 0) return nullptr;
  const std::string heading = std::string("file list \"") + (title != nullptr ? title : "") + "\"";
  Question question;
  question.kind = Question::Kind::File;
  question.text = title != nullptr ? title : "";
  question.directory = directory != nullptr ? directory : "";
  question.several = true;
  auto answer = takeAnswer(question);
  if (!answer || answer->text.empty() || answer->text == "cancel") {
    note(heading + " -> cancelled (" + (answer ? "answered" : "defaulted") + ")");
    return list;
  }
  std::vector<std::string> paths;
  std::string part;
  for (char c : answer->text + ";") {
    if (c == ';') {
      if (!part.empty()) paths.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  for (const auto& p : paths) {
    if (p.size() >= MAXFILELENGTH) {
      note(heading + " -> refused, a name is longer than " + std::to_string(MAXFILELENGTH - 1) + " characters");
      return list;
    }
  }
  const long size = mdlStringList_size(list);
  if (size > 0) mdlStringList_deleteMember(list, 0, size);
  const long perMember = mdlStringList_stringsPerMember(list);
  for (const auto& p : paths) {
    long index = 0;
    if (mdlStringList_insertMember(&index, list, -1, 1) != RSC_SUCCESS) break;
    mdlStringList_setMember(list, index * perMember, p.c_str(), nullptr);
  }
  if (directory != nullptr && !paths.empty()) {
    std::snprintf(directory, MAXFILELENGTH, "%s", folderOf(paths.front()).c_str());
  }
  if (resultP != nullptr) *resultP = ACTIONBUTTON_OK;
  note(heading + " -> " + std::to_string(paths.size()) + " files (answered)");
  return list;
}

int mdlDialog_selectDirectory(char* directory, const char* title) {
  if (directory == nullptr) return ACTIONBUTTON_CANCEL;
  const std::string heading = std::string("directory \"") + (title != nullptr ? title : "") + "\"";
  std::string start(directory, strnlen(directory, MAXFILELENGTH - 1));
  std::string choice = start;
  std::string how = "answered";
  if (auto answer = takeAnswer()) {
    choice = answer->text;
  } else {
    how = "defaulted";
  }
  if (choice.empty() || choice == "cancel") {
    note(heading + " -> cancelled (" + how + ")");
    return ACTIONBUTTON_CANCEL;
  }
  if (choice[0] != '/' && !start.empty()) choice = (start.back() == '/' ? start : start + "/") + choice;
  if (choice.back() != '/') choice += '/';
  struct stat info {};
  if (::stat(choice.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    note(heading + " -> refused, " + choice + " is no directory (" + how + ")");
    return ACTIONBUTTON_CANCEL;
  }
  if (choice.size() >= MAXFILELENGTH) {
    note(heading + " -> refused, the name is longer than " + std::to_string(MAXFILELENGTH - 1) + " characters");
    return ACTIONBUTTON_CANCEL;
  }
  std::snprintf(directory, MAXFILELENGTH, "%s", choice.c_str());
  note(heading + " -> " + choice + " (" + how + ")");
  return ACTIONBUTTON_OK;
}

int mdlDialog_userPrefFileOpen(RscFileHandle* handleP, int write) {
  if (handleP == nullptr) return RSC_ERR_BAD_ARGUMENT;
  *handleP = 0;
  const std::optional<std::string> path = expandedVariable("MS_USERPREF");
  if (!path || path->empty()) return RSC_ERR_FILE_NOT_FOUND;
  int status = mdlResource_openFile(handleP, path->c_str(), write ? RSC_READWRITE : RSC_READONLY);
  if (status == RSC_ERR_FILE_NOT_FOUND && write) {
    status = mdlResource_createFile(path->c_str(), "User preferences", 0);
    if (status == RSC_SUCCESS) status = mdlResource_openFile(handleP, path->c_str(), RSC_READWRITE);
  }
  return status;
}

}  // extern "C"
