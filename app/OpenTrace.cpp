#include "app/OpenTrace.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace kz {
namespace {

QByteArray NameOf(const QWidget* w) {
  const QString name = w->objectName();
  return (name.isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : name).toUtf8();
}

void Line(const char* what, const QWidget* w, bool withCaption) {
  if (withCaption)
    std::fprintf(stderr, "kz-%s %s \"%s\"\n", what, NameOf(w).constData(), w->windowTitle().toUtf8().constData());
  else
    std::fprintf(stderr, "kz-%s %s\n", what, NameOf(w).constData());
  std::fflush(stderr);
}

// Windows the user works in: menus, tool tips and other pop-ups are left out.
bool IsWorkWindow(const QWidget* w) {
  if (!w->isWindow()) return false;
  const Qt::WindowType type = w->windowType();
  return type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen && type != Qt::Desktop;
}

// The panels that edit a file inside an editor window.
bool IsEditorPage(const QObject* o) { return o->inherits("EditorPage") || o->inherits("ucGalObject"); }

}  // namespace

void OpenTrace::InstallIfWanted() {
  if (!std::getenv("KZ_TRACE_OPEN") || !qApp) return;
  qApp->installEventFilter(new OpenTrace(qApp));
}

bool OpenTrace::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::Show || type == QEvent::WindowTitleChange) && watched->isWidgetType()) {
    const auto* w = static_cast<const QWidget*>(watched);
    if (type == QEvent::Show) {
      if (IsWorkWindow(w)) Line("window", w, true);
      else if (IsEditorPage(w)) Line("page", w, false);
    } else if (IsWorkWindow(w) && w->isVisible()) {
      Line("title", w, true);
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kz
