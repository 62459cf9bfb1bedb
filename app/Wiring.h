#pragma once
// Connects the launcher to the windows of the other parts of the program and installs
// the desktop services (dialogs, process starter).
namespace kz {

// Installs the Qt dialogs service unless `scriptedUi` (then boxes are answered at
// once and echoed to stderr), the process starter, and fills the launcher's slots.
void WireApplication(bool scriptedUi);

}  // namespace kz
