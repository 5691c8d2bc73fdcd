// The backup copy of a raster file, taken at each load, and the record beside it that says what
// it is a copy of. Revert and recover (app/undo.hpp) use a backup only when its record shows it
// is a copy of the very raster file they restore, as that file was when it was loaded, and its
// bytes are still those that were copied: a backup of another scan, of another user or of an
// earlier load is refused with a reason, and nothing is written then.
//
// Files, in the user's temporary folder `tempDirectory` (names appended by plain
// concatenation): "backup.vxr", the byte copy, and "backup.vxr.source", the record:
//   VXRaster backup 1
//   source PATH          (backslash and line feed written as \\ and \n)
//   size BYTES
//   modified NANOSECONDS (of the raster file when copied; for the user's information)
//   digest HEX           (of the raster file as loaded, which the copy must still have)
#pragma once

#include <cstdint>
#include <string>

#include "app/rasterfile.hpp"

namespace pixmend::app {

// What the record says.
struct BackupRecord {
  std::string source;
  long long size = -1;
  long long modifiedNs = 0;
  std::uint64_t digest = 0;
};

// The user's temporary folder: `tempDirectory` as set; once the settings block has gone at
// shutdown, as it was then (kept by keepTemporaryFolder), so that edits rescued while the
// application leaves go where the user said; the default folder while there never was a block.
std::string userTemporaryFolder();
void keepTemporaryFolder();

// `tempDirectory` followed by "backup.vxr", and the record's name beside it.
std::string backupFileName();
std::string backupRecordName();

// Copies the raster file, identified as loaded by `asLoaded`, to the backup and writes the
// record. False when the backup could not be made (the copy failed, or the file changed while it
// was copied): the user has been told in message field 1 and in an OK box. A backup half made
// is never taken for a copy of anything: its bytes do not fit the record beside it.
bool takeBackup(const FileIdentity& asLoaded);

enum class BackupState {
  Usable,         // a copy of the raster file as loaded, unchanged since
  Missing,        // no backup, or no record of what it copies
  OfAnotherFile,  // a copy of another raster file
  OfAnotherLoad,  // a copy of this file as it was at another load
  Altered,        // its bytes are no longer those copied
};

// Whether the backup is a usable copy of raster file `path`; with `asLoaded`, of that file as it
// was then. `record` (may be null) receives the record when there is one.
BackupState checkBackup(const std::string& path, const FileIdentity* asLoaded, BackupRecord* record);

// Reads the record. False when there is none (or it is not one).
bool readBackupRecord(BackupRecord* record);

// The user's message for a backup that cannot be used for raster file `path`, ending with
// "Nothing was `outcome`." ("reverted", "recovered").
std::string backupRefusal(BackupState state, const std::string& path, const BackupRecord& record,
                          const char* outcome);

}  // namespace pixmend::app
