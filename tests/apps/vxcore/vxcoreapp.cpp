// vxcoreapp / vxcoretwo: a small application of the maker that starts vxlib as the real ones do
// and drives its core families from key-ins, so that sessions can load two of them side by side
// (each with its own copy of the library) and see boxes, lists, preference files, deferred
// functions and plot scales across applications. Built twice from this source (VXCORE_TITLE,
// VXCORE_BASE); each prints what it sees on the host's text window, prefixed by its title.
//
// Key-ins (KEY is vxcoreapp or vxcoretwo; in TEXT a '|' stands for a line feed):
//   KEY box KIND TEXT                 vxlibError_msgBoxPrintf
//   KEY rscbox KIND LIST NUMBER [ARG] vxlibError_rscMsgBoxPrintf with one text argument
//   KEY list MODE TEXT                vxlibError_listPrintf
//   KEY rsclist MODE LIST NUMBER [ARG]
//   KEY title KIND TEXT               vxlibError_setTitle
//   KEY set COUNTER NOTE              changes the settings record (saved at unload)
//   KEY show                          the settings, the preference file and the library's queries
//   KEY save                          saves the settings record now
//   KEY defer                         vxlibMain_execFuncOrAddToInitApps of a function that prints
//   KEY open                          vxlibUpf_defFileOpen, remembered under dialog 7001
//   KEY recent                        the remembered-file record of dialog 7001
//   KEY memory N                      vxlibMem_mallocRscErrorPrintf of N bytes
//   KEY scales save|read FILE         plot scales to or from a resource file
//   KEY write FILE TEXT               writes TEXT as a one-line text file (a session's test data)
//   KEY read FILE                     prints a text file's lines
//   KEY unload                        shuts down and asks the host to unload it
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/mdl.h"
#include "pixmend/export.h"
#include "pixmend/vxlib.h"

namespace {

constexpr const char* kTitle = VXCORE_TITLE;
// The settings record in the preference file: type "VXC", identifier 1, 64 bytes little-endian:
// a 32-bit counter at 0 and a note of 60 characters at 4.
constexpr unsigned kSettingsType = ('V' << 16) | ('X' << 8) | 'C';
constexpr unsigned kSettingsSize = 64;
constexpr int kRememberedDialog = 7001;

struct Settings {
  int counter = 0;
  char note[60] = "default";
};
Settings settings;

void encode(const Settings& s, unsigned char out[kSettingsSize]) {
  std::memset(out, 0, kSettingsSize);
  const auto c = static_cast<unsigned>(s.counter);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(c >> (8 * i));
  std::memcpy(out + 4, s.note, sizeof s.note);
  out[kSettingsSize - 1] = 0;
}

void decode(const unsigned char in[kSettingsSize], Settings& s) {
  s.counter = static_cast<int>(in[0] | in[1] << 8 | in[2] << 16 | static_cast<unsigned>(in[3]) << 24);
  std::memcpy(s.note, in + 4, sizeof s.note);
  s.note[sizeof s.note - 1] = 0;
}

std::string lines(const char* text) {
  std::string out = text != nullptr ? text : "";
  for (char& c : out) {
    if (c == '|') c = '\n';
  }
  return out;
}

// The first word of `text` as a number, and the rest after it.
int takeNumber(const char*& text) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 0);
  text = end;
  while (*text == ' ') ++text;
  return static_cast<int>(value);
}

std::string takeWord(const char*& text) {
  std::string word;
  while (*text != '\0' && *text != ' ') word += *text++;
  while (*text == ' ') ++text;
  return word;
}

void box(char* unparsed) {
  const char* rest = unparsed;
  const int kind = takeNumber(rest);
  const int answer = vxlibError_msgBoxPrintf(kind, "%s", lines(rest).c_str());
  toolSubsystem_printf("%s: box answered %d\n", kTitle, answer);
}

void rscBox(char* unparsed) {
  const char* rest = unparsed;
  const int kind = takeNumber(rest);
  const int list = takeNumber(rest);
  const int number = takeNumber(rest);
  const int answer = vxlibError_rscMsgBoxPrintf(kind, list, number, rest);
  toolSubsystem_printf("%s: box answered %d\n", kTitle, answer);
}

void list(char* unparsed) {
  const char* rest = unparsed;
  const int mode = takeNumber(rest);
  const int result = vxlibError_listPrintf(mode, "%s", lines(rest).c_str());
  toolSubsystem_printf("%s: list mode %d gave %d\n", kTitle, mode, result);
}

void rscList(char* unparsed) {
  const char* rest = unparsed;
  const int mode = takeNumber(rest);
  const int listId = takeNumber(rest);
  const int number = takeNumber(rest);
  const int result = vxlibError_rscListPrintf(mode, listId, number, rest);
  toolSubsystem_printf("%s: list mode %d gave %d\n", kTitle, mode, result);
}

void title(char* unparsed) {
  const char* rest = unparsed;
  const int kind = takeNumber(rest);
  vxlibError_setTitle(kind, "%s", rest);
}

void set(char* unparsed) {
  const char* rest = unparsed;
  settings.counter = takeNumber(rest);
  std::snprintf(settings.note, sizeof settings.note, "%s", rest);
}

void show(char*) {
  const char* upf = vxlibUpf_getUpfFileName();
  toolSubsystem_printf("%s: counter %d note \"%s\"; name %s; init application %d; preference file %s\n",
                       kTitle, settings.counter, settings.note, vxlibMain_getApplicationName(),
                       vxlibMain_currentAppIsInitApp(), upf != nullptr ? upf : "(none)");
  toolSubsystem_printf("%s: %s, %s\n", kTitle, vxlibMain_getVxlibVersion(), vxlibMain_getVxlibLocation());
}

int saveSettings() {
  unsigned char bytes[kSettingsSize];
  encode(settings, bytes);
  return vxlibUpf_save(kSettingsType, 1, bytes, kSettingsSize);
}

void save(char*) {
  toolSubsystem_printf("%s: save gave %d\n", kTitle, saveSettings());
}

void deferred() {
  toolSubsystem_printf("%s: deferred function ran\n", kTitle);
}

void defer(char*) {
  vxlibMain_execFuncOrAddToInitApps(deferred);
}

void open(char*) {
  char name[MAXFILELENGTH] = {};
  if (vxlibUpf_defFileOpen(name, "", "*.txt", "", "Open a text file", kRememberedDialog) == 0) {
    toolSubsystem_printf("%s: chose %s\n", kTitle, name);
  } else {
    toolSubsystem_printf("%s: no file chosen\n", kTitle);
  }
}

void recent(char*) {
  static unsigned char record[USERPREFS_FILE_RECORD_SIZE];
  if (mdlUserPrefs_getFileName(record, vxlibUpf_getHandle(), kRememberedDialog) != 0) {
    toolSubsystem_printf("%s: nothing remembered\n", kTitle);
    return;
  }
  auto u32 = [](const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned>(p[3]) << 24;
  };
  const unsigned count = u32(record + 776);
  std::string names;
  for (unsigned i = 0; i < count && i < 10; ++i) {
    names += (i == 0 ? "" : ", ");
    names += reinterpret_cast<const char*>(record + 780 + 256 * i);
  }
  toolSubsystem_printf("%s: current %s; %u recent: %s; directory %s\n", kTitle,
                       reinterpret_cast<const char*>(record + 8), count, names.c_str(),
                       reinterpret_cast<const char*>(record + 520));
}

void memory(char* unparsed) {
  const long size = std::atol(unparsed);
  void* block = vxlibMem_mallocRscErrorPrintf(static_cast<size_t>(size), 20005, 14);
  toolSubsystem_printf("%s: memory %s\n", kTitle, block != nullptr ? "ok" : "refused");
  dlmSystem_mdlFree(block);
}

void scales(char* unparsed) {
  const char* rest = unparsed;
  const std::string verb = takeWord(rest);
  VxlibRscFile file{};
  if (verb == "save") {
    if (vxlibResource_openFile(&file, rest, 1) != 0) return;
    toolSubsystem_printf("%s: scales saved with %d\n", kTitle, vxlibPlotScale_saveSettings(&file));
  } else {
    if (vxlibResource_openFile(&file, rest, 0) != 0) return;
    toolSubsystem_printf("%s: scales read with %d\n", kTitle, vxlibPlotScale_readSettings(&file));
  }
  vxlibResource_closeFile(&file);
}

void writeFile(char* unparsed) {
  const char* rest = unparsed;
  const std::string file = takeWord(rest);
  MdlTextFile* out = mdlTextFile_open(file.c_str(), TEXTFILE_WRITE);
  if (out == nullptr) return;
  mdlTextFile_putString(rest, out, 0);
  mdlTextFile_close(out);
}

void readFile(char* unparsed) {
  MdlTextFile* in = mdlTextFile_open(unparsed, TEXTFILE_READ);
  if (in == nullptr) {
    toolSubsystem_printf("%s: cannot read %s\n", kTitle, unparsed);
    return;
  }
  char line[512];
  while (mdlTextFile_getString(line, sizeof line, in, 0) != nullptr)
    toolSubsystem_printf("%s: | %s\n", kTitle, line);
  mdlTextFile_close(in);
}

void scaleChanged(double from, double to) {
  toolSubsystem_printf("%s: the plot scale went from %g to %g\n", kTitle, from, to);
}

int unloadApplication(int reason) {
  toolSubsystem_printf("%s: shutting down (%d), settings saved with %d\n", kTitle, reason, saveSettings());
  vxlibUpf_close();
  if (reason < 0) {
    mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, nullptr);
    mdlDialog_cmdNumberQueue(0, CMD_MDL_UNLOAD, mdlSystem_getCurrTaskID(), 1);
    mdlState_startDefaultCommand();
    return 0;
  }
  return 1;
}

void unload(char*) {
  unloadApplication(-1);
}

constexpr unsigned kBase = VXCORE_BASE;

MdlCommandNumber commandNumbers[] = {{box, kBase | 0x0100},
                                     {rscBox, kBase | 0x0200},
                                     {list, kBase | 0x0300},
                                     {rscList, kBase | 0x0400},
                                     {title, kBase | 0x0500},
                                     {set, kBase | 0x0600},
                                     {show, kBase | 0x0700},
                                     {save, kBase | 0x0800},
                                     {defer, kBase | 0x0900},
                                     {open, kBase | 0x0a00},
                                     {recent, kBase | 0x0b00},
                                     {memory, kBase | 0x0c00},
                                     {scales, kBase | 0x0d00},
                                     {unload, kBase | 0x0e00},
                                     {writeFile, kBase | 0x0f00},
                                     {readFile, kBase | 0x1000},
                                     {nullptr, 0}};

}  // namespace

extern "C" PIXMEND_API int MdlMain(int argc, char* argv[]) {
  vxlibMain_initVxLib(kTitle, argc, argv);
  mdlSystem_registerCommandNumbers(commandNumbers);
  if (mdlParse_loadCommandTable(0) == nullptr) vxlibError_msgBoxPrintf(17, "Error reading command table");
  vxlibMain_setScaleFunction(scaleChanged);
  mdlSystem_setFunction(SYSTEM_UNLOAD_PROGRAM, reinterpret_cast<void*>(unloadApplication));

  std::string defaultName = std::string(kTitle) + ".upf";
  vxlibUpf_open(nullptr, "VXCORE_UPF", defaultName.c_str());
  unsigned char bytes[kSettingsSize];
  if (vxlibUpf_load(kSettingsType, 1, bytes, kSettingsSize) == 0) {
    decode(bytes, settings);
    toolSubsystem_printf("%s: settings read: counter %d note \"%s\"\n", kTitle, settings.counter,
                         settings.note);
  } else {
    settings = Settings{};
    toolSubsystem_printf("%s: settings are the defaults\n", kTitle);
  }
  return 0;
}
