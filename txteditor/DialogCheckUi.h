#pragma once
// How the turret and gun dialogs report a refused check.
#include "txteditor/model/ShipDialogs.h"

class QWidget;

namespace shippage {

// True when the check passed; otherwise shows its own warning over owner, or the
// invalid-value warning, and returns false.
bool PassesCheck(const DialogCheck& check, QWidget* owner);

}  // namespace shippage
