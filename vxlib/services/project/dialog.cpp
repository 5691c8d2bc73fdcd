// The project dialog (20008): the shared project record's fields as text items (vxlibpd), read
// from the design file when the dialog is created, and four buttons that import, export, read
// and write the record.
//   vxlibProject_dialogOpen
//   projectHookTable     hooks 20024 (dialog), 20025-20028 (buttons)
#include "vxlib/services/project/records.hpp"

namespace pixmend::vxlib::project {
namespace {

enum HookId { kDialogHook = 20024, kImportHook = 20025, kExportHook = 20026, kReadHook = 20027, kWriteHook = 20028 };

void dialogHook(DialogMessage* m) {
  m->msgUnderstood = 1;
  switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
      vxlibProject_readProjectInfoFromDesignFile(sharedProject());
      break;
    case DIALOG_MESSAGE_INIT:
    case DIALOG_MESSAGE_DESTROY:
      break;
    default:
      m->msgUnderstood = 0;
  }
}

// The buttons act when released; every other message is left to the host.
bool released(DialogItemMessage* m) {
  m->msgUnderstood = 0;
  if (m->messageType != DITEM_MESSAGE_BUTTON || m->u.button.buttonTrans != BUTTONTRANS_UP) return false;
  m->msgUnderstood = 1;
  return true;
}

void importHook(DialogItemMessage* m) {
  if (!released(m)) return;
  importProjectRecord(sharedProject());
  mdlDialog_itemsSynch(m->db);
}

void exportHook(DialogItemMessage* m) {
  if (released(m)) exportProjectRecord(sharedProject());
}

void readHook(DialogItemMessage* m) {
  if (!released(m)) return;
  vxlibProject_readProjectInfoFromDesignFile(sharedProject());
  mdlDialog_itemsSynch(m->db);
}

void writeHook(DialogItemMessage* m) {
  if (released(m)) vxlibProject_writeProjectInfoToDesignFile(sharedProject());
}

const DialogHookInfo kHooks[] = {
    {kDialogHook, reinterpret_cast<void*>(&dialogHook)}, {kImportHook, reinterpret_cast<void*>(&importHook)},
    {kExportHook, reinterpret_cast<void*>(&exportHook)}, {kReadHook, reinterpret_cast<void*>(&readHook)},
    {kWriteHook, reinterpret_cast<void*>(&writeHook)},
};

}  // namespace
}  // namespace pixmend::vxlib::project

namespace pixmend::vxlib {
HookTable projectHookTable() {
  return {project::kHooks, static_cast<int>(sizeof project::kHooks / sizeof project::kHooks[0])};
}
}  // namespace pixmend::vxlib

extern "C" int vxlibProject_dialogOpen(void) {
  using namespace pixmend::vxlib;
  if (project::sharedProject() == nullptr) return VXLIB_ERROR;
  return mdlDialog_open(0, project::kProjectDialogId) != nullptr ? VXLIB_SUCCESS : VXLIB_ERROR;
}
