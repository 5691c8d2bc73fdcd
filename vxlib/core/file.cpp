// Text files: settings files read line by line with comment lines, continuation lines and
// include directives.
//   vxlibFile_openExtended / _open / _openHWSpesific   a reader for a file
//   vxlibFile_fgets                                    the next physical line (includes followed)
//   vxlibFile_read / _read2                            the next logical line (continuations joined,
//                                                      comments and blank lines skipped)
//   vxlibFile_rewind / _close
//   vxlibFile_directoryExists / _isReadOnly
//
// A reader owns one line buffer that every read of its file and of the files it includes goes
// through. An include directive ("%include NAME", or "%if exist include NAME" for a file that may
// be missing) opens a reader for NAME linked below the current one; lines then come from the
// innermost open file until it ends, and reading goes on in the file that included it.
//
// Guards the plain algorithm lacks: includes nest at most kMaxIncludeDepth deep and one reader
// opens at most kMaxIncludes of them, so a file that includes itself (directly, through others,
// or several times over) is reported like a failed include instead of opening files without
// end; only regular files are included; and a physical line longer than the line buffer is never
// written past it: it is cut, the rest of it is skipped, and vxlibFile_read reports it as too
// long.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "vxlib/core/core.hpp"

// The reader. Allocated zero-filled by vxlibMem_mallocRscErrorPrintf and freed with
// dlmSystem_mdlFree, so it stays a plain record.
struct VxlibTextFile {
  MdlTextFile* file;
  std::int32_t isInclude;   // 1 for a reader opened by an include directive
  char continuation;        // a line whose last non-blank character is this continues
  char comment;             // a line whose first character is this is skipped
  std::uint32_t lineSize;   // bytes of the line buffer
  char* line;               // owned by the caller's reader, shared by its includes
  char fileName[256];
  VxlibTextFile* include;   // the file included from this one now, or null
  VxlibTextFile* parent;    // for an include: the reader that included it
  std::int32_t depth;       // 0 for the caller's reader, 1 for its includes, ...
  std::int32_t lineCut;     // the last physical line did not fit the line buffer
  std::int32_t includes;    // includes opened below this reader since it was opened or rewound
  std::int32_t nestingReported;  // too deep or too many includes has been reported since then
};

namespace pixmend::vxlib {
namespace {

constexpr int kMsgFileOpen = 1;     // list 20005: %s file name (or what went wrong)
constexpr int kMsgFileClose = 2;    // list 20005
constexpr int kMsgLineTooLong = 3;  // list 20005: %d longest line
constexpr int kMsgReadError = 4;    // list 20005
constexpr int kMaxIncludeDepth = 16;
// Includes one reader may open in all: a file that includes itself several times would otherwise
// make the work grow as the number of includes to the power of the depth.
constexpr int kMaxIncludes = 1000;
// Line buffers from 2 bytes (one character and the terminator) to 16 MiB.
constexpr std::uint32_t kMinLineSize = 2;
constexpr std::uint32_t kMaxLineSize = 16u << 20;

constexpr char kInclude[] = "%include";
constexpr char kIfExistInclude[] = "%if exist include";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

VxlibTextFile* allocateReader() {
  return static_cast<VxlibTextFile*>(vxlibMem_mallocRscErrorPrintf(sizeof(VxlibTextFile), kErrorList, kMsgOutOfMemory));
}

// Opens `name` for reading as an include of `parent`, sharing its buffer and characters; null
// when the file cannot be opened.
VxlibTextFile* openInclude(VxlibTextFile* parent, const std::string& name) {
  if (name.empty() || name.size() >= sizeof parent->fileName) return nullptr;
  // Only files that end: an include of a device or a pipe would never let the reading finish.
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  MdlTextFile* file = mdlTextFile_open(name.c_str(), TEXTFILE_READ);
  if (file == nullptr) return nullptr;
  VxlibTextFile* r = allocateReader();
  if (r == nullptr) {
    mdlTextFile_close(file);
    return nullptr;
  }
  r->file = file;
  r->isInclude = 1;
  r->continuation = parent->continuation;
  r->comment = parent->comment;
  r->lineSize = parent->lineSize;
  r->line = parent->line;
  std::snprintf(r->fileName, sizeof r->fileName, "%s", name.c_str());
  r->parent = parent;
  r->depth = parent->depth + 1;
  parent->include = r;
  return r;
}

int closeReader(VxlibTextFile* r) {
  if (r->include != nullptr) closeReader(r->include);
  const int status = mdlTextFile_close(r->file);
  if (status != 0) rscMsgBox(kBoxOk, kErrorList, kMsgFileClose);
  if (r->isInclude == 0) {
    dlmSystem_mdlFree(r->line);
  } else if (r->parent != nullptr) {
    r->parent->include = nullptr;
  }
  dlmSystem_mdlFree(r);
  return status;
}

VxlibTextFile* innermost(VxlibTextFile* reader) {
  while (reader->include != nullptr) reader = reader->include;
  return reader;
}

// Reads the next physical line of `r` into the shared buffer. A line that does not fit is cut
// to the buffer, the rest of it is read and dropped, and `top` remembers the cut.
char* readPhysical(VxlibTextFile* r, VxlibTextFile* top) {
  char* line = mdlTextFile_getString(r->line, static_cast<int>(r->lineSize), r->file, TEXTFILE_KEEP_NEWLINE);
  if (line == nullptr) return nullptr;
  const std::size_t n = std::strlen(line);
  if (n + 1 < r->lineSize || (n > 0 && line[n - 1] == '\n')) return line;
  // The buffer is full without a line end: the line may go on.
  char rest[512];
  bool more = false;
  while (mdlTextFile_getString(rest, sizeof rest, r->file, TEXTFILE_KEEP_NEWLINE) != nullptr) {
    const std::size_t k = std::strlen(rest);
    const bool ended = k > 0 && rest[k - 1] == '\n';
    if (k > (ended ? 1u : 0u)) more = true;
    if (ended) break;
  }
  if (more) top->lineCut = 1;
  return line;
}

// The file named by an include directive: configuration variables expanded; a plain name that
// the host does not find as it stands is taken in the folder of the including file.
std::string includePath(const VxlibTextFile* including, const std::string& name) {
  char expanded[4 * MAXFILELENGTH];
  if (mdlSystem_expandCfgVar(expanded, sizeof expanded, name.c_str()) != SUCCESS) return "";
  const bool hadVariables = name.find("$(") != std::string::npos;
  if (hadVariables) return expanded;
  char found[MAXFILELENGTH];
  if (mdlFile_find(found, expanded, nullptr, nullptr) == SUCCESS) return found;
  if (expanded[0] == '/') return expanded;  // an absolute name is where it says
  char device[MAXDEVICELENGTH];
  char directory[MAXDIRLENGTH];
  if (mdlFile_parseName(including->fileName, device, directory, nullptr, nullptr) != SUCCESS) return expanded;
  return std::string(device) + directory + expanded;
}

// Handles the directive in `line` (read from `r`, below the caller's reader `top`). True when the
// include opened (read on from it); false when the directive line is to be handed back, turned
// into a comment.
bool followInclude(VxlibTextFile* top, VxlibTextFile* r, char* line, std::size_t directiveLength, bool mayBeMissing) {
  std::size_t n = std::strlen(line);
  if (n > 0 && line[n - 1] == '\n') line[--n] = '\0';
  std::string name;
  for (const char* p = line + directiveLength; *p != '\0'; ++p) {
    if (!isBlank(*p)) name += *p;
  }
  const std::string path = includePath(r, name);
  const char* shown = path.empty() ? name.c_str() : path.c_str();
  char what[MAXFILELENGTH + 96];
  // A file that includes itself, directly or through others, ends here; the user hears of it
  // once per reading, not once for every directive it stops.
  if (r->depth + 1 > kMaxIncludeDepth || top->includes >= kMaxIncludes) {
    if (top->nestingReported == 0) {
      if (r->depth + 1 > kMaxIncludeDepth) {
        std::snprintf(what, sizeof what, "%s\n(includes nested deeper than %d files)", shown, kMaxIncludeDepth);
      } else {
        std::snprintf(what, sizeof what, "%s\n(more than %d includes)", shown, kMaxIncludes);
      }
      rscMsgBox(kBoxOk, kErrorList, kMsgFileOpen, what);
      top->nestingReported = 1;
    }
  } else if (openInclude(r, path) != nullptr) {
    ++top->includes;
    return true;
  } else if (!mayBeMissing) {
    rscMsgBox(kBoxOk, kErrorList, kMsgFileOpen, path.empty() ? name.c_str() : path.c_str());
  }
  line[0] = r->comment;
  return false;
}

// One logical line into `target` (and the comment of the last physical line into `comment` when
// given), as vxlibFile_read and vxlibFile_read2 describe.
int readLogical(char* target, char* comment, VxlibTextFile* reader, int maxLength) {
  if (target == nullptr || reader == nullptr || maxLength <= 0) return -1;
  target[0] = '\0';
  if (comment != nullptr) comment[0] = '\0';
  if (reader->line == nullptr || reader->file == nullptr) {
    rscMsgBox(kBoxOk, kErrorList, kMsgReadError);
    return -1;
  }
  const std::size_t maximum = static_cast<std::size_t>(maxLength);
  std::size_t position = 0;
  int lines = 0;
  for (;;) {
    reader->lineCut = 0;
    char* line = vxlibFile_fgets(nullptr, 0, reader);
    if (line == nullptr) {
      // The file ended. Text joined so far through a continuation character is still a line:
      // it is handed back rather than lost, its trailing blanks dropped as on any last line.
      if (position == 0) return 0;
      while (position > 0 && isBlank(target[position - 1])) --position;
      target[position] = '\0';
      return position > 0 ? lines : 0;
    }
    if (reader->lineCut != 0) {
      rscMsgBox(kBoxOk, kErrorList, kMsgLineTooLong, static_cast<int>(reader->lineSize - 1));
      return -1;
    }
    std::size_t length = std::strlen(line);
    bool hasLineEnd = length > 0 && line[length - 1] == '\n';
    if (comment != nullptr) {
      comment[0] = '\0';
      char* semicolon = length > 0 ? std::strchr(line + 1, ';') : nullptr;
      if (semicolon != nullptr) {
        *semicolon = '\0';
        std::snprintf(comment, maximum, "%s", semicolon + 1);
        const std::size_t k = std::strlen(comment);
        if (k > 0 && comment[k - 1] == '\n') comment[k - 1] = '\0';
        length = std::strlen(line);
        hasLineEnd = false;
      }
    }
    if (position + length >= maximum) {
      rscMsgBox(kBoxOk, kErrorList, kMsgLineTooLong, maxLength);
      return -1;
    }
    ++lines;
    const std::size_t text = hasLineEnd ? length - 1 : length;  // characters before the line end
    bool onlyBlanks = true;
    for (std::size_t i = 0; i < text && onlyBlanks; ++i) onlyBlanks = isBlank(line[i]);
    if (onlyBlanks || line[0] == reader->comment) continue;
    std::size_t last = text - 1;
    while (last > 0 && isBlank(line[last])) --last;
    if (reader->continuation != '\0' && line[last] == reader->continuation) {
      std::memcpy(target + position, line, last);
      position += last;
      target[position++] = ' ';
      target[position] = '\0';
      continue;
    }
    std::memcpy(target + position, line, last + 1);
    position += last + 1;
    target[position] = '\0';
    return lines;
  }
}

}  // namespace
}  // namespace pixmend::vxlib

using namespace pixmend::vxlib;

extern "C" {

VxlibTextFile* vxlibFile_openExtended(const char* fileName, const char* mode, const char* continuationCharacters,
                                      const char* commentCharacters, unsigned int lineSize) {
  int hostMode = -1;
  if (mode != nullptr) {
    if (std::strcmp(mode, "r") == 0) hostMode = TEXTFILE_READ;
    if (std::strcmp(mode, "w") == 0) hostMode = TEXTFILE_WRITE;
    if (std::strcmp(mode, "a") == 0) hostMode = TEXTFILE_APPEND;
  }
  if (hostMode < 0) {
    rscMsgBox(kBoxOk, kErrorList, kMsgFileOpen, "Unknown file open mode");
    return nullptr;
  }
  if (lineSize < kMinLineSize || lineSize > kMaxLineSize) {
    char what[96];
    std::snprintf(what, sizeof what, "Line size %u out of range (%u to %u)", lineSize, kMinLineSize, kMaxLineSize);
    rscMsgBox(kBoxOk, kErrorList, kMsgFileOpen, what);
    return nullptr;
  }
  const char* name = fileName != nullptr ? fileName : "";
  VxlibTextFile* r = allocateReader();
  if (r == nullptr) return nullptr;
  // A name the reader cannot keep whole is refused rather than cut to another file's name.
  r->file = std::strlen(name) < sizeof r->fileName ? mdlTextFile_open(name, hostMode) : nullptr;
  if (r->file == nullptr) {
    rscMsgBox(kBoxOk, kErrorList, kMsgFileOpen, name);
    dlmSystem_mdlFree(r);
    return nullptr;
  }
  r->continuation = continuationCharacters != nullptr ? continuationCharacters[0] : '\0';
  r->comment = commentCharacters != nullptr ? commentCharacters[0] : '\0';
  r->lineSize = lineSize;
  r->line = static_cast<char*>(vxlibMem_mallocRscErrorPrintf(lineSize, kErrorList, kMsgOutOfMemory));
  if (r->line == nullptr) {
    mdlTextFile_close(r->file);
    dlmSystem_mdlFree(r);
    return nullptr;
  }
  r->include = nullptr;
  r->parent = nullptr;
  r->isInclude = 0;
  std::snprintf(r->fileName, sizeof r->fileName, "%s", name);
  return r;
}

VxlibTextFile* vxlibFile_open(const char* fileName, const char* mode) {
  return vxlibFile_openExtended(fileName, mode, "\\", "#", 512);
}

VxlibTextFile* vxlibFile_openHWSpesific(const char* fileName, const char* mode) {
  return vxlibFile_open(fileName, mode);
}

char* vxlibFile_fgets(char* buffer, int size, VxlibTextFile* reader) {
  (void)buffer;  // the line comes back in the reader's own buffer
  (void)size;
  if (reader == nullptr || reader->line == nullptr) return nullptr;
  for (;;) {
    VxlibTextFile* r = innermost(reader);
    char* line = readPhysical(r, reader);
    if (line == nullptr) {
      if (r->isInclude != 0 && r != reader) {
        closeReader(r);  // back to the file that included it
        continue;
      }
      return nullptr;
    }
    if (std::strncmp(line, kIfExistInclude, sizeof kIfExistInclude - 1) == 0) {
      if (followInclude(reader, r, line, sizeof kIfExistInclude - 1, true)) continue;
    } else if (std::strncmp(line, kInclude, sizeof kInclude - 1) == 0) {
      if (followInclude(reader, r, line, sizeof kInclude - 1, false)) continue;
    }
    return line;
  }
}

int vxlibFile_read(char* target, VxlibTextFile* reader, int maxLength) {
  return readLogical(target, nullptr, reader, maxLength);
}

int vxlibFile_read2(char* target, char* comment, VxlibTextFile* reader, int maxLength) {
  if (comment == nullptr) return -1;
  return readLogical(target, comment, reader, maxLength);
}

void vxlibFile_rewind(VxlibTextFile* reader) {
  if (reader == nullptr) return;
  if (reader->include != nullptr) closeReader(reader->include);
  reader->includes = 0;
  reader->nestingReported = 0;
  mdlTextFile_rewind(reader->file);
}

int vxlibFile_close(VxlibTextFile* reader) {
  if (reader == nullptr) return MDLERR_BADARG;
  return closeReader(reader);
}

int vxlibFile_directoryExists(const char* path) {
  if (path == nullptr) return 0;
  StringList* list = mdlStringList_create(0, 1);
  if (list == nullptr) return 0;
  const bool exists = mdlFileList_get(list, FILELIST_ALL, path, nullptr, 0, 1) == SUCCESS && mdlStringList_size(list) > 0;
  mdlStringList_destroy(list);
  return exists ? 1 : 0;
}

int vxlibFile_isReadOnly(const char* designFileName) {
  DgnModelRefP model = nullptr;
  if (mdlWorkDgn_openFile(&model, nullptr, designFileName, nullptr, nullptr, 0) != SUCCESS) {
    return 1;  // a file that cannot be opened cannot be written through either
  }
  // Asked before the work file is closed: the model belongs to the open file.
  const int readOnly = mdlModelRef_isReadOnly(model);
  mdlWorkDgn_closeFile(model);
  return readOnly;
}

}  // extern "C"
