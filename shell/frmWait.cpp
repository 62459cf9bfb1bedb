#include "shell/frmWait.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QResizeEvent>

namespace kz {
namespace {

QPointer<frmWait> gWait;

// The owner whose pointer shows the hourglass (restored when the window goes).
QPointer<QWidget> gCursorOwner;

}  // namespace

frmWait::frmWait(QWidget* owner) : QWidget(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
  setObjectName("frmWait");
  setWindowTitle("Loading");
  setAttribute(Qt::WA_DeleteOnClose, false);
  Fram = new QFrame(this);
  Fram->setObjectName("Fram");
  Fram->setFrameShape(QFrame::StyledPanel);
  lblStatus = new QLabel(Fram);
  lblStatus->setObjectName("lblStatus");
  lblStatus->setText("Loading resources, please wait...");
  lblStatus->setTextFormat(Qt::PlainText);
  resize(Twips(4800), Twips(1000));
  LayOut();
}

int frmWait::Twips(int twips) const {
  const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  return (twips * dpi + 720) / 1440;
}

QString frmWait::WaitHint() const { return lblStatus->text(); }

void frmWait::SetWaitHint(const QString& text) {
  lblStatus->setText(text);
  lblStatus->adjustSize();
  if (lblStatus->width() > width() - Twips(200)) resize(lblStatus->width() + Twips(200), height());
  LayOut();
}

void frmWait::LayOut() {
  Fram->setGeometry(0, 0, width(), height());
  lblStatus->adjustSize();
  lblStatus->move((Fram->width() - lblStatus->width()) / 2, (Fram->height() - lblStatus->height()) / 2);
}

void frmWait::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

frmWait* CurrentWaitWindow() { return gWait.data(); }

void ProcessPendingEvents() {
  if (QCoreApplication::instance())
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
}

void ShowWait(const QString& text, QWidget* owner) {
  if (!gWait) gWait = new frmWait(owner);
  gWait->SetWaitHint(text);
  gWait->show();
  gWait->raise();
  if (owner) {
    owner->setCursor(Qt::WaitCursor);
    gCursorOwner = owner;
  }
  ProcessPendingEvents();
}

void ShowWait(const std::string& text, QWidget* owner) { ShowWait(QString::fromStdString(text), owner); }

void HideWait(QWidget* owner) {
  if (gWait) {
    frmWait* w = gWait.data();
    gWait = nullptr;
    w->hide();
    delete w;
  }
  if (owner) owner->unsetCursor();
  if (gCursorOwner && gCursorOwner != owner) gCursorOwner->unsetCursor();
  gCursorOwner = nullptr;
  ProcessPendingEvents();
}

void SetWaitText(const QString& text) {
  if (!gWait) gWait = new frmWait(nullptr);
  gWait->SetWaitHint(text);
}

void SetWaitText(const std::string& text) { SetWaitText(QString::fromStdString(text)); }

}  // namespace kz
