#include "shell/QtWindowPlace.h"

#include <algorithm>

#include <QVariant>
#include <QWidget>

namespace kz {
namespace {
const char* const kPendingSize = "kzPendingOuterSize";
}  // namespace

void ApplyPendingOuterSize(QWidget* window) {
  const QVariant pending = window->property(kPendingSize);
  if (!pending.isValid()) return;
  window->setProperty(kPendingSize, QVariant());
  const QSize outer = pending.toSize();
  const int extraW = window->frameGeometry().width() - window->geometry().width();
  const int extraH = window->frameGeometry().height() - window->geometry().height();
  window->resize(std::max(1, outer.width() - extraW), std::max(1, outer.height() - extraH));
}

int32_t clsQtWindowPlace::GetWindowState() const {
  const Qt::WindowStates s = window_->windowState();
  if (s & Qt::WindowMinimized) return kWindowMinimized;
  if (s & (Qt::WindowMaximized | Qt::WindowFullScreen)) return kWindowMaximized;
  return kWindowNormal;
}

void clsQtWindowPlace::SetWindowState(int32_t state) {
  Qt::WindowStates s = window_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  if (state == kWindowMaximized) s |= Qt::WindowMaximized;
  if (state == kWindowMinimized) s |= Qt::WindowMinimized;
  window_->setWindowState(s);
}

WindowRect clsQtWindowPlace::GetNormalRect() const {
  // The frame adds the same margins in every state.
  const QRect frame = window_->frameGeometry();
  const QRect inner = window_->geometry();
  QRect normal = (window_->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
                     ? window_->normalGeometry()
                     : inner;
  if (!normal.isValid()) normal = inner;
  const int dl = inner.left() - frame.left(), dt = inner.top() - frame.top();
  const int dr = frame.right() - inner.right(), db = frame.bottom() - inner.bottom();
  return {normal.left() - dl, normal.top() - dt, normal.right() + 1 + dr, normal.bottom() + 1 + db};
}

void clsQtWindowPlace::MoveWindow(int32_t left, int32_t top, int32_t width, int32_t height) {
  if (!window_->isVisible() && !window_->testAttribute(Qt::WA_WState_Created)) {
    // Before the first showing the frame is not known: the position is the frame's
    // (as move() takes it), the outer size is settled when the window is shown.
    window_->move(left, top);
    window_->resize(std::max(1, width), std::max(1, height));
    window_->setProperty(kPendingSize, QSize(width, height));
    return;
  }
  const QRect frame = window_->frameGeometry();
  const QRect inner = window_->geometry();
  const int extraW = frame.width() - inner.width(), extraH = frame.height() - inner.height();
  const int dl = inner.left() - frame.left(), dt = inner.top() - frame.top();
  const QRect target(left + dl, top + dt, std::max(1, width - extraW), std::max(1, height - extraH));
  if (window_->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)) {
    // Restored to this place when the state goes back to normal.
    const Qt::WindowStates s = window_->windowState();
    window_->setWindowState(Qt::WindowNoState);
    window_->setGeometry(target);
    window_->setWindowState(s);
  } else {
    window_->setGeometry(target);
  }
}

int32_t clsQtWindowPlace::ScaleXToPixels(int32_t length) const {
  if (pixels_) return length;
  const int dpi = window_->logicalDpiX() > 0 ? window_->logicalDpiX() : 96;
  return static_cast<int32_t>((int64_t(length) * dpi + 720) / 1440);
}

int32_t clsQtWindowPlace::ScaleYToPixels(int32_t length) const {
  if (pixels_) return length;
  const int dpi = window_->logicalDpiY() > 0 ? window_->logicalDpiY() : 96;
  return static_cast<int32_t>((int64_t(length) * dpi + 720) / 1440);
}

}  // namespace kz
