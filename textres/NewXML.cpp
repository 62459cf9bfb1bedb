#include "textres/NewXML.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>

#include "core/Common.h"
#include "core/KzConst.h"
#include "core/Settings.h"
#include "core/ui/DialogUi.h"
#include "core/ui/GenericUi.h"
#include "platform/Ui.h"
#include "textres/model/TRERules.h"

frmNewXML::frmNewXML(QWidget* parent) : QDialog(parent) {
  setObjectName("frmNewXML");
  setWindowTitle("New XML file");
  setModal(true);
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Language ID", this), 0, 0);
  cmbLangID = new QComboBox(this);
  cmbLangID->setObjectName("cmbLangID");
  cmbLangID->setEditable(true);
  cmbLangID->setInsertPolicy(QComboBox::NoInsert);
  grid->addWidget(cmbLangID, 0, 1);
  grid->addWidget(new QLabel("File number", this), 1, 0);
  FileNoEdit = new QLineEdit(this);
  FileNoEdit->setObjectName("FileNoEdit");
  kz::SetNumbersOnly(FileNoEdit);
  FileNoEdit->installEventFilter(this);
  grid->addWidget(FileNoEdit, 1, 1);
  grid->addLayout(kz::MakeOkCancelRow(this, btnOK, btnCancel), 2, 0, 1, 2);
  connect(btnOK, &QPushButton::clicked, this, [this] { OK(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { Cancel(); });
  // A language chosen in the list proposes its number at once; a typed one when the
  // box is left.
  connect(cmbLangID, qOverload<int>(&QComboBox::activated), this, [this](int) { ProposeFileNumber(); });
  cmbLangID->installEventFilter(this);
  if (cmbLangID->lineEdit()) cmbLangID->lineEdit()->installEventFilter(this);
}

void frmNewXML::Fill() {
  cmbLangID->clear();
  const auto& ids = mdlKzConst::LanguageIDs;
  for (size_t i = 0; i < ids.size(); ++i) {
    char id[32];
    std::snprintf(id, sizeof id, "%02d - ", ids[i]);
    cmbLangID->addItem(QString::fromUtf8(id) + QString::fromStdString(mdlKzConst::LanguageNames.At(static_cast<int64_t>(i))),
                       ids[i]);
  }
  const int32_t desc = Settings ? Settings->DescLangID() : 44;
  if (!kz::SelectComboByItemData(cmbLangID, desc)) {
    cmbLangID->setCurrentIndex(-1);
    cmbLangID->setEditText(QString::number(desc));
  }
  ProposeFileNumber();
}

void frmNewXML::ShowNewFile(bool modal, QWidget* owner) {
  if (owner && owner != parentWidget()) setParent(owner, windowFlags());
  Fill();
  ModalResult = 0;
  if (modal) {
    exec();
  } else {
    setModal(false);
    show();
  }
}

std::optional<int32_t> frmNewXML::Language() const {
  int index = cmbLangID->currentIndex();
  // An item counts while the box shows its text; anything typed is read as a number.
  if (index >= 0 && cmbLangID->currentText() == cmbLangID->itemText(index))
    return cmbLangID->itemData(index).toInt();
  return tre::ParseLanguage(cmbLangID->currentText().toStdString());
}

void frmNewXML::ProposeFileNumber() {
  std::optional<int32_t> lang = Language();
  if (!lang) {
    FileNoEdit->clear();
    return;
  }
  std::optional<int32_t> next =
      tre::NextFileNumber(tre::TextFolderNames(Settings ? Settings->DataRoot() : std::string()), *lang);
  FileNoEdit->setText(next ? QString::number(*next) : QString());
}

bool frmNewXML::OK() {
  if (FileNoEdit->text().isEmpty()) ProposeFileNumber();
  std::optional<int32_t> lang = Language();
  if (!lang) {
    platform::Ui::Instance().MsgBox("You must either select language name or enter lang id.", platform::vbExclamation,
                                    kz::GetAppTitle(), this);
    return false;
  }
  std::optional<int32_t> number = tre::ParseFileNumber(FileNoEdit->text().toStdString());
  if (!number) {
    platform::Ui::Instance().MsgBox("The file number must be a whole number from 0 to 9999.", platform::vbExclamation,
                                    kz::GetAppTitle(), this);
    kz::SelectAllText(FileNoEdit, true);
    return false;
  }
  langID = *lang;
  FileName = tre::NewFileName(langID, *number);
  ModalResult = 1;
  hide();
  done(QDialog::Accepted);
  return true;
}

void frmNewXML::Cancel() {
  ModalResult = 2;
  hide();
  done(QDialog::Rejected);
}

void frmNewXML::reject() { Cancel(); }

bool frmNewXML::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && watched == FileNoEdit) kz::SelectAllText(FileNoEdit);
  if (event->type() == QEvent::FocusOut && (watched == cmbLangID || watched == cmbLangID->lineEdit()) &&
      !cmbLangID->hasFocus())
    ProposeFileNumber();
  return QDialog::eventFilter(watched, event);
}
