#pragma once
// Fills the launcher's slots for the shell's own dialogs: the settings (modal, its
// ModalResult returned), the about box (modal) and the loaded-files list (modeless,
// one window reused).
namespace kz {
void InstallShellDialogSlots();
}
