// Text files (see api.h): reading line by line, and writing through an AtomicFile so the target
// only changes when the file is closed complete.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host/files/api.h"
#include "host/files/files.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/system/registry.hpp"

struct MdlTextFile {
  std::string name;
  int mode = TEXTFILE_READ;
  std::FILE* in = nullptr;
  std::unique_ptr<pixmend::host::AtomicFile> out;
  pixmend::host::Application* owner = nullptr;

  ~MdlTextFile() {
    if (in != nullptr) std::fclose(in);
  }
};

namespace pixmend::host {
namespace {

std::vector<std::unique_ptr<MdlTextFile>>& openFiles() {
  static std::vector<std::unique_ptr<MdlTextFile>> files;
  return files;
}

bool isOpen(const MdlTextFile* file) {
  for (const auto& f : openFiles()) {
    if (f.get() == file) return true;
  }
  return false;
}

// Closes and forgets a file; a written one replaces its target. The result of mdlTextFile_close.
int closeFile(MdlTextFile* file) {
  auto& files = openFiles();
  auto it = std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.get() == file; });
  if (it == files.end()) return MDLERR_BADARG;
  std::unique_ptr<MdlTextFile> owned = std::move(*it);
  files.erase(it);
  if (owned->out == nullptr) return SUCCESS;
  if (!owned->out->commit()) {
    journal().append("file", "could not write " + owned->name);
    return MDLERR_CANNOTOPENFILE;
  }
  journal().append("file", "wrote " + owned->name);
  return SUCCESS;
}

void closeAll(Application* owner, bool everyOwner) {
  std::vector<MdlTextFile*> toClose;
  for (const auto& f : openFiles()) {
    if (everyOwner || f->owner == owner) toClose.push_back(f.get());
  }
  for (MdlTextFile* f : toClose) closeFile(f);
}

const bool registeredReset = registerReset("files.text", [] { openFiles().clear(); });
// A file its application left open is closed for it, as the C library would at exit.
const bool registeredUnload =
    registerUnloadHook("files.text", [](Application* app) { closeAll(app, false); });

}  // namespace
}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

MdlTextFile* mdlTextFile_open(const char* fileName, int mode) {
  if (fileName == nullptr || *fileName == '\0') return nullptr;
  auto file = std::make_unique<MdlTextFile>();
  file->name = fileName;
  file->mode = mode;
  file->owner = currentApplication();
  if (mode == TEXTFILE_READ) {
    file->in = std::fopen(fileName, "rb");
    if (file->in == nullptr) return nullptr;
  } else if (mode == TEXTFILE_WRITE || mode == TEXTFILE_APPEND) {
    file->out = std::make_unique<AtomicFile>(fileName);
    if (!file->out->ok()) return nullptr;
    if (mode == TEXTFILE_APPEND) {
      if (std::FILE* old = std::fopen(fileName, "rb")) {
        std::vector<char> buffer(1 << 16);
        std::size_t n;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), old)) > 0) file->out->write(buffer.data(), n);
        const bool bad = std::ferror(old) != 0;
        std::fclose(old);
        if (bad || !file->out->ok()) return nullptr;
      }
    }
  } else {
    return nullptr;
  }
  openFiles().push_back(std::move(file));
  return openFiles().back().get();
}

char* mdlTextFile_getString(char* buffer, int size, MdlTextFile* file, int options) {
  if (buffer == nullptr || size <= 0 || !isOpen(file) || file->in == nullptr) return nullptr;
  buffer[0] = '\0';
  if (size == 1) return nullptr;
  int n = 0;
  bool any = false;
  while (n < size - 1) {
    int c = std::fgetc(file->in);
    if (c == EOF) break;
    any = true;
    if (c == '\r') {
      const int next = std::fgetc(file->in);
      if (next == '\n') {
        c = '\n';
      } else if (next != EOF) {
        std::ungetc(next, file->in);
      }
    }
    if (c == '\n') {
      if (options == TEXTFILE_KEEP_NEWLINE) buffer[n++] = '\n';
      break;
    }
    buffer[n++] = static_cast<char>(c);
  }
  buffer[n] = '\0';
  return any ? buffer : nullptr;
}

int mdlTextFile_putString(const char* text, MdlTextFile* file, int options) {
  if (text == nullptr || !isOpen(file) || file->out == nullptr) return MDLERR_BADARG;
  if (!file->out->write(text, std::char_traits<char>::length(text))) return MDLERR_CANNOTOPENFILE;
  if (options != TEXTFILE_KEEP_NEWLINE && !file->out->write("\n", 1)) return MDLERR_CANNOTOPENFILE;
  return SUCCESS;
}

int mdlTextFile_rewind(MdlTextFile* file) {
  if (!isOpen(file) || file->in == nullptr) return MDLERR_BADARG;
  std::rewind(file->in);
  return SUCCESS;
}

int mdlTextFile_close(MdlTextFile* file) {
  return closeFile(file);
}

}  // extern "C"
