#include "shell/QtWindowPlace.h"

#include <algorithm>

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace kz {
namespace {

const char* const kKeeperName = "kzOuterSizeKeeper";
// How long after the first showing a late frame is still looked for.
constexpr int kKeepMs = 3000;
constexpr int kCheckMs = 100;

// Holds the outer size a window was given before it was shown, and gives the window
// that outer size again while its frame changes in the first moments it is shown.
class OuterSizeKeeper : public QObject {
 public:
  OuterSizeKeeper(QWidget* window, QSize outer) : QObject(window), window_(window), outer_(outer) {
    setObjectName(kKeeperName);
    window->installEventFilter(this);
  }

  void SetOuter(QSize outer) {
    outer_ = outer;
    frame_ = QSize(-1, -1);
  }

  // The window is shown: settle now, then watch the frame for a while.
  void Start() {
    Settle();
    if (started_) return;
    started_ = true;
    auto* check = new QTimer(this);
    connect(check, &QTimer::timeout, this, [this] { Settle(); });
    check->start(kCheckMs);
    QTimer::singleShot(kKeepMs, this, [this] { deleteLater(); });
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Show && !started_) {
      Start();
    } else if (started_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                            event->type() == QEvent::Show)) {
      QTimer::singleShot(0, this, [this] { Settle(); });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  void Settle() {
    if (!window_ || !window_->isVisible()) return;
    if (window_->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) return;
    const QSize frame(window_->frameGeometry().width() - window_->geometry().width(),
                      window_->frameGeometry().height() - window_->geometry().height());
    // Only a frame other than the one the size was settled for moves anything: a
    // size the user gives the window meanwhile stays.
    if (frame == frame_) return;
    frame_ = frame;
    window_->resize(std::max(1, outer_.width() - frame.width()), std::max(1, outer_.height() - frame.height()));
  }

  QPointer<QWidget> window_;
  QSize outer_;
  QSize frame_{-1, -1};
  bool started_ = false;
};

OuterSizeKeeper* KeeperOf(QWidget* window) {
  return static_cast<OuterSizeKeeper*>(window->findChild<QObject*>(kKeeperName, Qt::FindDirectChildrenOnly));
}

}  // namespace

void ApplyPendingOuterSize(QWidget* window) {
  if (OuterSizeKeeper* keeper = KeeperOf(window)) keeper->Start();
}

void ForgetPendingOuterSize(QWidget* window) {
  if (OuterSizeKeeper* keeper = KeeperOf(window)) {
    keeper->setParent(nullptr);
    keeper->deleteLater();
  }
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
    if (OuterSizeKeeper* keeper = KeeperOf(window_)) keeper->SetOuter(QSize(width, height));
    else new OuterSizeKeeper(window_, QSize(width, height));
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
