#include "shell/Text.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

namespace {
// Window lengths are kept in twips: 15 to the pixel at 96 dpi.
int Twips(int twips, const QWidget* w) {
  const double dpi = w->logicalDpiX() > 0 ? w->logicalDpiX() : 96.0;
  return static_cast<int>(twips * dpi / 1440.0 + 0.5);
}
// Reports come with Windows line ends; the box keeps plain line feeds.
QString FromReport(const std::string& s) {
  QString t = QString::fromStdString(s);
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return t;
}
QPointer<frmText>& DefaultSlot() {
  static QPointer<frmText> instance;
  return instance;
}
}  // namespace

frmText::frmText(QWidget* parent) : QDialog(parent) {
  setObjectName("frmText");
  setAttribute(Qt::WA_DeleteOnClose);
  setSizeGripEnabled(true);
  txt = new QPlainTextEdit(this);
  txt->setObjectName("txt");
  // A report to read and copy from: Enter reaches the OK button, and long lines are
  // wrapped to the box instead of scrolled to.
  txt->setReadOnly(true);
  txt->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  txt->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  btnOK = new QPushButton("OK", this);
  btnOK->setObjectName("btnOK");
  btnOK->setDefault(true);
  connect(btnOK, &QPushButton::clicked, this, [this] { close(); });
  resize(600, 420);
  txt->move(Twips(60, this), Twips(60, this));
  LayOut();
}

frmText& frmText::Default() {
  QPointer<frmText>& slot = DefaultSlot();
  if (!slot) slot = new frmText();
  return *slot;
}

void frmText::MyShow(const std::string& caption, bool modal, QWidget* owner) {
  setWindowTitle(QString::fromStdString(caption));
  if (owner && parentWidget() != owner) setParent(owner, windowFlags() | Qt::Window);
  LayOut();
  if (modal) {
    exec();
  } else {
    show();
    raise();
  }
}

std::string frmText::Text() const { return txt->toPlainText().toStdString(); }

void frmText::SetText(const std::string& text) { txt->setPlainText(FromReport(text)); }

void frmText::AddText(const std::string& s) {
  QTextCursor c(txt->document());
  c.movePosition(QTextCursor::End);
  c.insertText(FromReport(s));
}

void frmText::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  LayOut();
}

void frmText::LayOut() {
  // The OK button sits 50 twips from the right and bottom edges; the text takes the
  // rest of the width and reaches down to 100 twips above the button.
  const QSize b = btnOK->sizeHint();
  const int bx = width() - Twips(50, this) - b.width();
  const int by = height() - Twips(50, this) - b.height();
  btnOK->setGeometry(bx, by, b.width(), b.height());
  const int left = txt->x();
  const int top = txt->y();
  const int w = width() - left - left;
  const int h = by - Twips(100, this) - top;
  if (w > 0 && h > 0) txt->setGeometry(left, top, w, h);
}
