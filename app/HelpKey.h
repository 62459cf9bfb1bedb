#pragma once
// HelpKey: F1 in any window of the program opens the help page of what has the focus:
// the innermost editor page or window that has a page of its own (the ship page inside
// the type-file editor opens the ship page's help, the rest of that window the window's).
#include <QObject>

#include <string>
#include <string_view>

namespace kz {

class HelpKey : public QObject {
 public:
  using QObject::QObject;
  // Watches the whole application for F1.
  static void Install();
  // The help topic of a window or page by its object name; false when it has none.
  static bool TopicOf(std::string_view objectName, std::string& topic);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace kz
