// The command window and its menu bar: the host's own pull-down menus and the ones that
// applications insert from their 'pdMn' resources. Scripts choose entries by their labels.
//
// The host runs with a command window unless the configuration variable PIXMEND_COMMAND_WINDOW
// is 0 (as scripts set it with `set PIXMEND_COMMAND_WINDOW 0`); without one, applications
// insert no menus.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <optional>

#include "host/config/config.hpp"
#include "host/dialog/dialog.hpp"
#include "host/dialog/manager.hpp"
#include "host/lifecycle.hpp"
#include "host/output/journal.hpp"
#include "host/resource/openfiles.hpp"
#include "host/system/registry.hpp"

namespace pixmend::host {
namespace {

std::unique_ptr<MSDialog>& commandWindow() {
  static std::unique_ptr<MSDialog> window;
  return window;
}

void addHostMenus(MSDialog& window) {
  const struct {
    int id;
    const char* label;
  } menus[] = {{-520, "File"}, {-521, "Edit"}, {-522, "Settings"}, {-523, "Utilities"}, {-524, "Help"}};
  for (const auto& m : menus) {
    auto menu = std::make_unique<MenuBarMenu>();
    menu->type = RTYPE_PULLDOWN;
    menu->id = m.id;
    menu->spec.label = m.label;
    window.menus.push_back(std::move(menu));
  }
}

bool commandWindowWanted() {
  const auto value = expandedVariable("PIXMEND_COMMAND_WINDOW");
  return !value || (*value != "0" && *value != "off" && *value != "no");
}

bool liveMenu(const MSDialog* window, const MenuBarMenu* menu) {
  if (menu == nullptr || window == nullptr) return false;
  return std::any_of(window->menus.begin(), window->menus.end(), [&](const auto& m) { return m.get() == menu; });
}

const bool registered = registerReset("dialog.menubar", [] { commandWindow().reset(); }, -40);

const bool registeredUnload = registerUnloadHook("dialog.menubar", [](Application* app) {
  if (auto& window = commandWindow()) {
    auto& menus = window->menus;
    menus.erase(std::remove_if(menus.begin(), menus.end(), [&](const auto& m) { return m->owner == app; }), menus.end());
  }
});

}  // namespace

const MSDialog* existingCommandWindow() { return commandWindowWanted() ? commandWindow().get() : nullptr; }

std::vector<std::string> menuBarLabels() {
  std::vector<std::string> labels;
  if (MSDialog* window = mdlDialog_menuBarGetCmdWinP()) {
    for (const auto& m : window->menus) labels.push_back(m->spec.label);
  }
  return labels;
}

bool chooseMenuEntry(const std::vector<std::string>& path, long* command, std::string* keyin, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  MSDialog* window = mdlDialog_menuBarGetCmdWinP();
  if (window == nullptr) return fail("the host runs without a command window");
  if (path.size() < 2) return fail("name a menu and an entry");
  const MenuBarMenu* menu = nullptr;
  for (const auto& m : window->menus) {
    if (plainLabel(m->spec.label) == plainLabel(path[0])) menu = m.get();
  }
  if (menu == nullptr) return fail("no menu " + path[0]);
  const std::vector<MenuEntry>* entries = &menu->spec.entries;
  const MenuEntry* entry = nullptr;
  std::string chosen = menu->spec.label;
  for (std::size_t i = 1; i < path.size(); ++i) {
    entry = nullptr;
    for (const auto& e : *entries) {
      if (!e.separator && plainLabel(e.label) == plainLabel(path[i])) entry = &e;
    }
    if (entry == nullptr) return fail("menu " + chosen + " has no entry " + path[i]);
    chosen += " > " + entry->label;
    entries = &entry->submenu;
  }
  if (!entry->submenu.empty()) return fail(chosen + " is a sub-menu");
  journal().append("menu", "chose " + chosen);
  if (command != nullptr) *command = entry->command;
  if (keyin != nullptr) *keyin = entry->keyin;
  return true;
}

}  // namespace pixmend::host

using namespace pixmend::host;

extern "C" {

MSDialog* mdlDialog_menuBarGetCmdWinP(void) {
  auto& window = commandWindow();
  if (!commandWindowWanted()) return nullptr;
  if (!window) {
    window = std::make_unique<MSDialog>();
    window->commandWindow = true;
    window->id = -1;
    window->title = "Command window";
    addHostMenus(*window);
  }
  return window.get();
}

MenuBarMenu* mdlDialog_menuBarFindMenu(MSDialog* window, unsigned int type, int id) {
  if (window == nullptr || window != mdlDialog_menuBarGetCmdWinP()) return nullptr;
  for (const auto& m : window->menus) {
    if (m->type == type && m->id == id) return m.get();
  }
  return nullptr;
}

MenuBarMenu* mdlDialog_menuBarInsMenu(MSDialog* window, MenuBarMenu* before, unsigned int type, int id,
                                      RscFileHandle rscFile) {
  if (window == nullptr || window != mdlDialog_menuBarGetCmdWinP()) return nullptr;
  if (before != nullptr && !liveMenu(window, before)) return nullptr;
  const auto bytes = loadResource(rscFile, type, id);
  MenuSpec spec;
  std::string error;
  if (!bytes || !parseMenuSpec(*bytes, &spec, &error)) {
    journal().append("menu", "cannot insert menu " + std::to_string(id) + (error.empty() ? "" : ": " + error));
    return nullptr;
  }
  auto menu = std::make_unique<MenuBarMenu>();
  menu->type = type;
  menu->id = id;
  menu->spec = std::move(spec);
  menu->owner = currentApplication();
  MenuBarMenu* raw = menu.get();
  auto& menus = window->menus;
  auto at = std::find_if(menus.begin(), menus.end(), [&](const auto& m) { return m.get() == before; });
  journal().append("menu", "inserted " + raw->spec.label + (before != nullptr ? " before " + before->spec.label : ""));
  menus.insert(at, std::move(menu));
  return raw;
}

int mdlDialog_menuBarDeleteMenu(MenuBarMenu* menu, MSDialog* window, int, int) {
  if (window == nullptr || window != mdlDialog_menuBarGetCmdWinP() || !liveMenu(window, menu)) {
    return RSC_ERR_BAD_ARGUMENT;
  }
  journal().append("menu", "removed " + menu->spec.label);
  auto& menus = window->menus;
  menus.erase(std::remove_if(menus.begin(), menus.end(), [&](const auto& m) { return m.get() == menu; }), menus.end());
  return RSC_SUCCESS;
}

}  // extern "C"
