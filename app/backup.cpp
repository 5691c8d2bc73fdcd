// The backup copy and its record (see backup.hpp):
//   backupFileName / backupRecordName   where they are
//   takeBackup                          the copy and the record, at each load
//   checkBackup / readBackupRecord      whether a backup may be used, and for which file
//   backupRefusal                       what the user is told when it may not
#include "app/backup.hpp"

#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/params.hpp"
#include "app/session.hpp"
#include "app/startup.hpp"
#include "common/text.hpp"
#include "host/mdl.h"

namespace pixmend::app {
namespace {

constexpr const char* kRecordHeading = "VXRaster backup 1";
constexpr std::size_t kRecordLimit = 8192;

}  // namespace

namespace {
// The user's folder as it was when the settings block went at shutdown.
std::string folderAtShutdown;
}  // namespace

void keepTemporaryFolder() {
  const UserInterfaceData* ui = userInterface();
  if (ui == nullptr) return;
  char directory[sizeof(UserInterfaceData::tempDirectory)] = {};
  std::memcpy(directory, ui->tempDirectory, sizeof directory - 1);
  folderAtShutdown = directory;
}

std::string userTemporaryFolder() {
  const UserInterfaceData* ui = userInterface();
  char directory[sizeof(UserInterfaceData::tempDirectory)] = {};
  if (ui != nullptr) {
    std::memcpy(directory, ui->tempDirectory, sizeof directory - 1);
  } else if (!folderAtShutdown.empty()) {
    return folderAtShutdown;
  } else {
    defaultTempDirectory(directory, sizeof directory);
  }
  return directory;
}

namespace {

std::string escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

bool unescaped(const std::string& text, std::string* out) {
  out->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      *out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    if (text[i] == '\\') {
      *out += '\\';
    } else if (text[i] == 'n') {
      *out += '\n';
    } else {
      return false;
    }
  }
  return true;
}

bool parseDigest(const std::string& text, std::uint64_t* value) {
  if (text.empty() || text.size() > 16 || text.find_first_not_of("0123456789abcdef") != std::string::npos)
    return false;
  *value = std::strtoull(text.c_str(), nullptr, 16);
  return true;
}

bool writeRecord(const FileIdentity& source) {
  const std::string name = backupRecordName();
  MdlTextFile* file = mdlTextFile_open(name.c_str(), TEXTFILE_WRITE);
  if (file == nullptr) return false;
  char line[64];
  bool written = mdlTextFile_putString(kRecordHeading, file, 0) == SUCCESS;
  written = written && mdlTextFile_putString(("source " + escaped(source.path)).c_str(), file, 0) == SUCCESS;
  std::snprintf(line, sizeof line, "size %lld", source.size);
  written = written && mdlTextFile_putString(line, file, 0) == SUCCESS;
  std::snprintf(line, sizeof line, "modified %lld", source.modifiedNs);
  written = written && mdlTextFile_putString(line, file, 0) == SUCCESS;
  std::snprintf(line, sizeof line, "digest %016" PRIx64, source.digest);
  written = written && mdlTextFile_putString(line, file, 0) == SUCCESS;
  return mdlTextFile_close(file) == SUCCESS && written;
}

void backupFailed(const std::string& path) {
  const char* text = "Cannot make backup copy. Check the temp path in the setup.";
  mdlOutput_printf(MSG_ERROR, "%s", text);
  const std::string box = std::string(text) + "\nRevert and recover have no backup of " + path + ".";
  okBox(box.c_str(), 3);
}

}  // namespace

std::string backupFileName() {
  return userTemporaryFolder() + "backup.vxr";
}

std::string backupRecordName() {
  return backupFileName() + ".source";
}

bool takeBackup(const FileIdentity& asLoaded) {
  const std::string name = backupFileName();
  const std::string record = backupRecordName();
  prepareTempDirectory(userTemporaryFolder().c_str());
  // The copy replaces the old backup atomically: when it fails, the old backup and its record
  // still belong together (a copy of another raster, which revert and recover tell apart). Once
  // it is made, the old record no longer fits the copy's bytes, so nothing takes the copy for
  // the old file's even before the new record is written.
  if (record.size() >= MAXFILELENGTH || mdlFile_copy(name.c_str(), asLoaded.path.c_str()) != SUCCESS) {
    backupFailed(asLoaded.path);
    return false;
  }
  std::uint64_t digest = 0;
  long long size = 0;
  if (!fileDigest(name, &digest, &size) || digest != asLoaded.digest || size != asLoaded.size ||
      !writeRecord(asLoaded)) {
    ::unlink(record.c_str());
    backupFailed(asLoaded.path);
    return false;
  }
  return true;
}

bool readBackupRecord(BackupRecord* record) {
  std::string text;
  if (!readSmallFile(backupRecordName(), kRecordLimit, &text)) return false;
  BackupRecord read;
  bool heading = false, source = false, size = false, digest = false;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const auto blank = line.find(' ');
    const std::string key = line.substr(0, blank);
    const std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
    if (line == kRecordHeading) {
      heading = true;
    } else if (key == "source") {
      source = unescaped(value, &read.source) && !read.source.empty();
    } else if (key == "size") {
      const auto n = pixmend::text::parseInteger(value, 0, LLONG_MAX);
      size = n.has_value();
      if (n) read.size = *n;
    } else if (key == "modified") {
      if (const auto n = pixmend::text::parseInteger(value, LLONG_MIN, LLONG_MAX)) read.modifiedNs = *n;
    } else if (key == "digest") {
      digest = parseDigest(value, &read.digest);
    }
  }
  if (!heading || !source || !size || !digest) return false;
  *record = read;
  return true;
}

BackupState checkBackup(const std::string& path, const FileIdentity* asLoaded, BackupRecord* record) {
  BackupRecord read;
  if (!readBackupRecord(&read)) return BackupState::Missing;
  if (record != nullptr) *record = read;
  if (read.source != path) return BackupState::OfAnotherFile;
  if (asLoaded != nullptr && (!asLoaded->known || asLoaded->digest != read.digest || asLoaded->size != read.size))
    return BackupState::OfAnotherLoad;
  std::uint64_t digest = 0;
  long long size = 0;
  if (!fileDigest(backupFileName(), &digest, &size)) return BackupState::Missing;
  if (digest != read.digest || size != read.size) return BackupState::Altered;
  return BackupState::Usable;
}

std::string backupRefusal(BackupState state, const std::string& path, const BackupRecord& record,
                          const char* outcome) {
  std::string text;
  switch (state) {
    case BackupState::Usable:
      return "";
    case BackupState::Missing:
      text = "There is no backup of " + path + ".";
      break;
    case BackupState::OfAnotherFile:
      text = "The backup " + backupFileName() + " is a copy of " + record.source + ", not of " + path + ".";
      break;
    case BackupState::OfAnotherLoad:
      text = "The backup of " + path + " was taken when it held other data, not when it was loaded now.";
      break;
    case BackupState::Altered:
      text = "The backup " + backupFileName() + " has been changed since it was taken from " + path + ".";
      break;
  }
  return text + "\nNothing was " + outcome + ".";
}

}  // namespace pixmend::app
