#include "txteditor/DialogCheckUi.h"

#include "core/Common.h"
#include "platform/Ui.h"

namespace shippage {

bool PassesCheck(const DialogCheck& check, QWidget* owner) {
  if (check.kind == DialogCheck::Message) {
    platform::Ui::Instance().MsgBox(check.text, platform::vbExclamation, kz::GetAppTitle(), owner);
    return false;
  }
  if (check.kind == DialogCheck::InvalidNumber) {
    kz::MsgInvalidValue("", 0);
    return false;
  }
  return true;
}

}  // namespace shippage
