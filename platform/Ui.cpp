#include "platform/Ui.h"

#include <mutex>

#include "platform/ScriptedUi.h"

namespace platform {

namespace {
std::mutex& InstanceMutex() {
  static std::mutex m;
  return m;
}
std::shared_ptr<Ui>& Installed() {
  static std::shared_ptr<Ui> ui;
  return ui;
}
std::shared_ptr<Ui> MakeDefault() {
  auto ui = std::make_shared<ScriptedUi>();
  ui->SetEcho(true);
  return ui;
}
}  // namespace

int32_t MsgBoxDefaultAnswer(int32_t flags) {
  int32_t buttons = flags & 7;
  int32_t which = (flags & vbDefaultButton3) ? 2 : (flags & vbDefaultButton2) ? 1 : 0;
  static const int32_t sets[6][3] = {{vbOK, vbOK, vbOK},       {vbOK, vbCancel, vbCancel}, {vbAbort, vbRetry, vbIgnore},
                                     {vbYes, vbNo, vbCancel},  {vbYes, vbNo, vbNo},        {vbRetry, vbCancel, vbCancel}};
  if (buttons > 5) buttons = 0;
  return sets[buttons][which];
}

Ui& Ui::Instance() {
  std::lock_guard<std::mutex> g(InstanceMutex());
  auto& ui = Installed();
  if (!ui) ui = MakeDefault();
  return *ui;
}

std::shared_ptr<Ui> Ui::SetInstance(std::shared_ptr<Ui> ui) {
  std::lock_guard<std::mutex> g(InstanceMutex());
  auto previous = std::move(Installed());
  Installed() = std::move(ui);
  return previous;
}

}  // namespace platform
