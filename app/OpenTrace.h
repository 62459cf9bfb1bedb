#pragma once
// OpenTrace: for test runs of the whole program (KZ_TRACE_OPEN set), one line on
// standard error for every window that appears, every caption a window takes on and
// every editor page that comes into view:
//   kz-window <name> "<caption>"
//   kz-title <name> "<caption>"
//   kz-page <name>
// <name> is the widget's object name (its class name when it has none). The trace
// only watches; nothing of it changes what the program shows.
#include <QObject>

namespace kz {

class OpenTrace : public QObject {
 public:
  using QObject::QObject;
  // Watches the whole application when KZ_TRACE_OPEN is set; otherwise does nothing.
  static void InstallIfWanted();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace kz
