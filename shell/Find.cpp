#include "shell/Find.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/AppError.h"
#include "platform/Ui.h"

frmFind::frmFind(QWidget* parent) : QDialog(parent) {
  setObjectName("frmFind");
  setWindowTitle("Find");

  Label1 = new QLabel("Find what", this);
  Label1->setObjectName("Label1");
  FindEdit = new QLineEdit(this);
  FindEdit->setObjectName("FindEdit");
  Label1->setBuddy(FindEdit);
  FindEdit->installEventFilter(this);

  Frame1 = new QGroupBox("Conditions", this);
  Frame1->setObjectName("Frame1");
  chkWholeWords = new QCheckBox("Match whole words", Frame1);
  chkWholeWords->setObjectName("chkWholeWords");
  lblIDText = new QLabel("Compare:", Frame1);
  lblIDText->setObjectName("lblIDText");
  rbIDText[0] = new QRadioButton("ID", Frame1);
  rbIDText[0]->setObjectName("rbIDText_0");
  rbIDText[1] = new QRadioButton("Text", Frame1);
  rbIDText[1]->setObjectName("rbIDText_1");
  rbIDText[1]->setChecked(true);
  auto* frameLayout = new QGridLayout(Frame1);
  frameLayout->addWidget(chkWholeWords, 0, 0, 1, 3);
  frameLayout->addWidget(lblIDText, 1, 0);
  frameLayout->addWidget(rbIDText[0], 1, 1);
  frameLayout->addWidget(rbIDText[1], 1, 2);

  btnFindNext = new QPushButton("Find Next", this);
  btnFindNext->setObjectName("btnFindNext");
  btnFindNext->setDefault(true);
  btnFindNext->setEnabled(false);
  btnCancel = new QPushButton("Close", this);
  btnCancel->setObjectName("btnCancel");

  auto* left = new QVBoxLayout;
  auto* findRow = new QHBoxLayout;
  findRow->addWidget(Label1);
  findRow->addWidget(FindEdit, 1);
  left->addLayout(findRow);
  left->addWidget(Frame1);
  auto* right = new QVBoxLayout;
  right->addWidget(btnFindNext);
  right->addWidget(btnCancel);
  right->addStretch(1);
  auto* top = new QHBoxLayout(this);
  top->addLayout(left, 1);
  top->addLayout(right);

  connect(FindEdit, &QLineEdit::textChanged, this,
          [this](const QString& t) { btnFindNext->setEnabled(!t.isEmpty()); });
  connect(btnFindNext, &QPushButton::clicked, this, [this] { FindNext(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { CloseFind(); });
  for (QRadioButton* rb : rbIDText)
    connect(rb, &QRadioButton::clicked, this, [this] { ApplyOptionRule(); });
}

void frmFind::ShowFind(const std::string& text, bool modal, QWidget* owner) {
  lblIDText->setVisible(false);
  rbIDText[0]->setVisible(false);
  rbIDText[1]->setVisible(false);
  Show(text, modal, owner);
}

void frmFind::ShowFindResEditor(const std::string& text, bool modal, QWidget* owner) {
  lblIDText->setVisible(true);
  rbIDText[0]->setVisible(true);
  rbIDText[1]->setVisible(true);
  resMode_ = true;
  Show(text, modal, owner);
}

void frmFind::Show(const std::string& text, bool modal, QWidget* owner) {
  ApplyOptionRule();
  FindEdit->setText(QString::fromStdString(text));
  btnFindNext->setEnabled(!FindEdit->text().isEmpty());
  if (owner && parentWidget() != owner) setParent(owner, windowFlags() | Qt::Window);
  if (modal) {
    exec();
  } else {
    show();
    raise();
    activateWindow();
  }
}

std::string frmFind::FindString() const { return FindEdit->text().toStdString(); }

void frmFind::ClearTag() { tag_.Clear(); }

void frmFind::SetCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

void frmFind::ApplyOptionRule() {
  if (resMode_) chkWholeWords->setEnabled(rbIDText[1]->isChecked());
}

void frmFind::FindNext() {
  try {
    const bool byID = rbIDText[0]->isChecked();
    const bool wholeWords = (resMode_ && byID) ? true : chkWholeWords->isChecked();
    std::string text = FindString();
    bool found = false;
    if (OnFindNext) OnFindNext(wholeWords, byID, text, tag_, found);
    if (!found) platform::Ui::Instance().MsgBox("No more occurencies found.", platform::vbInformation, "Find", this);
  } catch (const kz::AppError& e) {
    if (e.Number != kz::kErrCancel) platform::Ui::Instance().MsgBox(e.Description, platform::vbCritical, {}, this);
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, {}, this);
  }
}

void frmFind::CloseFind() {
  if (closing_) return;
  closing_ = true;
  try {
    if (OnClose) OnClose();
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, {}, this);
  }
  closing_ = false;
  QDialog::done(QDialog::Rejected);
  // Unloaded: an owner that let the dialog delete itself on close gets it deleted.
  if (testAttribute(Qt::WA_DeleteOnClose)) deleteLater();
}

// Escape and the close box end here too, so the owner always hears OnClose.
void frmFind::reject() { CloseFind(); }

bool frmFind::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FindEdit && event->type() == QEvent::FocusIn)
    QTimer::singleShot(0, FindEdit, [edit = FindEdit] { edit->selectAll(); });
  return QDialog::eventFilter(watched, event);
}
