#include "shell/QtWindowPlace.h"

#include <algorithm>

#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <vector>

#include "shell/WindowPlaceRules.h"

namespace kz {
namespace {

const char* const kKeeperName = "kzOuterSizeKeeper";
// How long after the first showing a late frame is still looked for.
constexpr int kKeepMs = 3000;
constexpr int kCheckMs = 100;

// Holds the outer place a window was given before it was shown, and gives the window
// that place again while its frame changes in the first moments it is shown: the
// frame's top-left corner where it was asked for, the outer size (or, once the window
// settled its own size, the inner one), all inside the screens' work areas.
class OuterSizeKeeper : public QObject {
 public:
  OuterSizeKeeper(QWidget* window, QRect outer) : QObject(window), window_(window), outer_(outer) {
    setObjectName(kKeeperName);
    window->installEventFilter(this);
  }

  void SetOuter(QRect outer) {
    outer_ = outer;
    keepInner_ = false;
    frame_ = QMargins(-1, -1, -1, -1);
  }
  // The window settled its own inner size: only its place is kept from now on.
  void KeepInnerSize() { keepInner_ = true; }

  // The window is shown: settle now, then watch the frame for a while.
  void Start() {
    Settle();
    if (started_) return;
    started_ = true;
    auto* check = new QTimer(this);
    connect(check, &QTimer::timeout, this, [this] { Settle(); });
    check->start(kCheckMs);
    QTimer::singleShot(kKeepMs, this, [this] { Stop(); });
  }

  // Acts no more from now on, even while its deferred delete waits for an outer event
  // loop (a window shown during the start-up's own loops).
  void Stop() {
    if (window_) window_->removeEventFilter(this);
    window_ = nullptr;
    deleteLater();
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
    const QRect inner = window_->geometry();
    const QRect outer = window_->frameGeometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
    // Only a frame other than the one the place was settled for moves anything: a
    // place the user gives the window meanwhile stays.
    if (frame == frame_) return;
    frame_ = frame;
    const int frameW = frame.left() + frame.right(), frameH = frame.top() + frame.bottom();
    const QSize size = keepInner_ ? QSize(inner.width() + frameW, inner.height() + frameH) : outer_.size();
    std::vector<WindowRect> areas;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) areas.push_back(AsWindowRect(primary->availableGeometry()));
    for (const QScreen* screen : QGuiApplication::screens())
      if (screen != primary) areas.push_back(AsWindowRect(screen->availableGeometry()));
    const WindowRect placed = FitToWorkAreas(AsWindowRect(QRect(outer_.topLeft(), size)), areas);
    const QSize placedSize(placed.right - placed.left, placed.bottom - placed.top);
    if (placedSize != size || !keepInner_)
      window_->resize(std::max(1, placedSize.width() - frameW), std::max(1, placedSize.height() - frameH));
    if (outer.topLeft() != QPoint(placed.left, placed.top)) window_->move(placed.left, placed.top);
  }

  static WindowRect AsWindowRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

  QPointer<QWidget> window_;
  QRect outer_;
  QMargins frame_{-1, -1, -1, -1};
  bool keepInner_ = false;
  bool started_ = false;
};

OuterSizeKeeper* KeeperOf(QWidget* window) {
  return static_cast<OuterSizeKeeper*>(window->findChild<QObject*>(kKeeperName, Qt::FindDirectChildrenOnly));
}

}  // namespace

void ApplyPendingOuterSize(QWidget* window) {
  if (OuterSizeKeeper* keeper = KeeperOf(window)) keeper->Start();
}

void KeepPendingPlaceOnly(QWidget* window) {
  if (OuterSizeKeeper* keeper = KeeperOf(window)) keeper->KeepInnerSize();
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
    const QRect outer(left, top, std::max(1, width), std::max(1, height));
    if (OuterSizeKeeper* keeper = KeeperOf(window_)) keeper->SetOuter(outer);
    else new OuterSizeKeeper(window_, outer);
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
