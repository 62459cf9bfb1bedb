#include "textres/StringEdit.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTextDocument>

#include "core/Common.h"
#include "core/ViDedodedBindings.h"
#include "core/ui/GenericUi.h"
#include "platform/Ui.h"
#include "textres/model/TREIds.h"
#include "textres/model/TRERules.h"
#include "videdoded/videdoded.h"

frmStringEdit::frmStringEdit(QWidget* parent) : QDialog(parent) {
  setObjectName("frmStringEdit");
  setWindowTitle("Text");
  setModal(true);
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("ID", this), 0, 0);
  IDEdit = new QLineEdit(this);
  IDEdit->setObjectName("IDEdit");
  kz::SetNumbersOnly(IDEdit);
  grid->addWidget(IDEdit, 0, 1);
  MainTab = new QTabBar(this);
  MainTab->setObjectName("MainTab");
  MainTab->addTab("Raw text");
  MainTab->setTabData(0, QString("raw"));
  MainTab->addTab("Translated text");
  MainTab->setTabData(1, QString("text"));
  grid->addWidget(MainTab, 1, 0, 1, 2);
  grid->addWidget(new QLabel("Text", this), 2, 0, Qt::AlignTop);
  TextEdit = new QPlainTextEdit(this);
  TextEdit->setObjectName("TextEdit");
  grid->addWidget(TextEdit, 2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnOK = new QPushButton("OK", this);
  btnOK->setObjectName("btnOK");
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  // Enter never presses a button by itself: in the text it is a line end.
  btnOK->setAutoDefault(false);
  btnCancel->setAutoDefault(false);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  grid->addLayout(buttons, 3, 0, 1, 2);
  resize(460, 300);

  connect(btnOK, &QPushButton::clicked, this, [this] { OK(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { Cancel(); });
  // A click and the keyboard (arrows, Ctrl+Tab) alike.
  connect(MainTab, &QTabBar::currentChanged, this, [this](int) { RefreshTab(); });
  IDEdit->installEventFilter(this);
  TextEdit->installEventFilter(this);
  installEventFilter(this);
}

void frmStringEdit::Fill(int32_t hPage, int32_t hString) {
  page_ = hPage;
  string_ = hString;
  int32_t id = 0;
  std::string raw, text;
  Kz_TREGetStringInfo(hString, id, raw, text);
  if (id == -1) id = 0;
  IDEdit->setText(QString::number(id));
  raw_ = raw;
  showingRaw_ = false;
  MainTab->setCurrentIndex(0);
  RefreshTab();
}

int32_t frmStringEdit::ShowString(int32_t hPage, int32_t hString, QWidget* owner) {
  if (owner && owner != parentWidget()) setParent(owner, windowFlags());
  Fill(hPage, hString);
  ModalResult = 0;
  exec();
  return ModalResult;
}

void frmStringEdit::ShowInEdit(const std::string& text, bool readOnly) {
  TextEdit->setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  TextEdit->setReadOnly(readOnly);
  TextEdit->document()->setModified(false);
}

std::string frmStringEdit::EditedText() const {
  // The edit's own text, its paragraph ends as line feeds (no-break spaces kept).
  QString t = TextEdit->document()->toRawText();
  t.replace(QChar::ParagraphSeparator, QChar('\n')).replace(QChar::LineSeparator, QChar('\n'));
  std::string s = t.toUtf8().toStdString();
  // A text whose lines ended in CR LF keeps that form.
  if (raw_.find("\r\n") != std::string::npos) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) out += '\r';
      out += s[i];
    }
    s.swap(out);
  }
  return s;
}

void frmStringEdit::RefreshTab() {
  if (MainTab->currentIndex() == 0) {
    if (!showingRaw_) ShowInEdit(raw_, false);
    showingRaw_ = true;
    return;
  }
  // The preview: what the box held as raw text is kept first (never the preview).
  if (showingRaw_ && TextEdit->document()->isModified()) raw_ = EditedText();
  showingRaw_ = false;
  std::string text;
  Kz_TRETranslateString(page_, raw_, text);
  ShowInEdit(text, true);
}

std::string frmStringEdit::CurrentText() const {
  if (showingRaw_ && TextEdit->document()->isModified()) return EditedText();
  return raw_;
}

bool frmStringEdit::OK() {
  const std::string typed = IDEdit->text().toStdString();
  std::optional<int32_t> id = tre::ParseId(typed);
  if (!id) {
    platform::Ui::Instance().MsgBox(tre::IdInputError("ID", typed), platform::vbExclamation, kz::GetAppTitle(), this);
    kz::SelectAllText(IDEdit, true);
    return false;
  }
  const std::string text = CurrentText();
  int32_t oldId = 0;
  std::string oldRaw, oldText;
  Kz_TREGetStringInfo(string_, oldId, oldRaw, oldText);
  // A text the game could not reach: another one of the page has the ID (a string
  // keeping its own ID is left alone, even where the file held it twice).
  if (*id != oldId && tre::StringIdTaken(page_, *id)) {
    platform::Ui::Instance().MsgBox(tre::StringIdTakenText(*id), platform::vbExclamation, kz::GetAppTitle(), this);
    kz::SelectAllText(IDEdit, true);
    return false;
  }
  if (Kz_TRESetStringInfo(page_, string_, *id, text) == 0) {
    platform::Ui::Instance().MsgBox(kz::GetViDedodedError(), platform::vbExclamation, kz::GetAppTitle(), this);
    return false;
  }
  Dirty = oldId != *id || oldRaw != text;
  ModalResult = 1;
  hide();
  done(QDialog::Accepted);
  return true;
}

void frmStringEdit::Cancel() {
  ModalResult = 2;
  hide();
  done(QDialog::Rejected);
}

void frmStringEdit::reject() { Cancel(); }

bool frmStringEdit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(event);
    if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && (k->modifiers() & Qt::ControlModifier)) {
      OK();
      return true;
    }
  } else if (event->type() == QEvent::FocusIn && (watched == IDEdit || watched == TextEdit)) {
    kz::SelectAllText(static_cast<QWidget*>(watched));
  }
  return QDialog::eventFilter(watched, event);
}
