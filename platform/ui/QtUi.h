#pragma once
// The dialogs service on Qt widgets: real message boxes and dialogs, all modal.
// Owners passed as void* are QWidget* (null: the active window).
#include <QString>
#include <QStringList>

#include "platform/Ui.h"

namespace platform {

class QtUi : public Ui {
 public:
  int32_t MsgBox(const std::string& text, int32_t flags = vbOKOnly, const std::string& title = {},
                 void* owner = nullptr) override;
  bool ShowOpen(const FileDialogRequest& request, FileDialogResult& result) override;
  bool ShowSave(const FileDialogRequest& request, FileDialogResult& result) override;
  std::string BrowseForFolder(const std::string& title, const std::string& startDir = {},
                              void* owner = nullptr) override;
  bool ShowColor(int32_t initial, int32_t& chosen, void* owner = nullptr) override;
  bool InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText,
                std::string& answer, void* owner = nullptr) override;

  // "Text (*.txt)|*.txt|All (*.*)|*.*" -> {"Text (*.txt)", "All (*.*)"} as Qt name filters
  // (a description's own trailing "(...)" is replaced by the real patterns).
  static QStringList QtFilters(const std::string& filter);
};

}  // namespace platform
