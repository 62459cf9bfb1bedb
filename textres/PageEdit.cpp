#include "textres/PageEdit.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/Common.h"
#include "core/ViDedodedBindings.h"
#include "core/ui/DialogUi.h"
#include "core/ui/GenericUi.h"
#include "platform/Ui.h"
#include "textres/model/TREIds.h"
#include "textres/model/TRERules.h"
#include "videdoded/videdoded.h"

namespace {
QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

frmPageEdit::frmPageEdit(QWidget* parent) : QDialog(parent) {
  setObjectName("frmPageEdit");
  setWindowTitle("Page");
  setModal(true);
  auto* grid = new QGridLayout(this);
  auto edit = [this, grid](const char* label, const char* name, int row) {
    grid->addWidget(new QLabel(label, this), row, 0);
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->installEventFilter(this);
    grid->addWidget(e, row, 1);
    return e;
  };
  IDEdit = edit("Page ID", "IDEdit", 0);
  kz::SetNumbersOnly(IDEdit);
  TitleEdit = edit("Title", "TitleEdit", 1);
  DescEdit = edit("Description", "DescEdit", 2);
  chkVoice = new QCheckBox("Voice", this);
  chkVoice->setObjectName("chkVoice");
  grid->addWidget(chkVoice, 3, 1);
  grid->addLayout(kz::MakeOkCancelRow(this, btnOK, btnCancel), 4, 0, 1, 2);
  resize(400, 170);
  connect(btnOK, &QPushButton::clicked, this, [this] { OK(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { Cancel(); });
}

void frmPageEdit::Fill(int32_t hPage, int32_t hDocument) {
  page_ = hPage;
  document_ = hDocument;
  int32_t id = 0, voice = 0;
  std::string title, desc;
  Kz_TREGetPageInfo(hPage, id, title, desc, voice);
  if (id == -1) id = 0;
  IDEdit->setText(QString::number(id));
  TitleEdit->setText(Q(title));
  DescEdit->setText(Q(desc));
  chkVoice->setChecked(voice != 0);
  TitleEdit->setModified(false);
  DescEdit->setModified(false);
}

int32_t frmPageEdit::ShowPage(int32_t hDocument, int32_t hPage, QWidget* owner) {
  if (owner && owner != parentWidget()) setParent(owner, windowFlags());
  Fill(hPage, hDocument);
  ModalResult = 0;
  exec();
  return ModalResult;
}

bool frmPageEdit::OK() {
  const std::string typed = IDEdit->text().toStdString();
  std::optional<int32_t> id = tre::ParseId(typed);
  if (!id) {
    platform::Ui::Instance().MsgBox(tre::IdInputError("Page ID", typed), platform::vbExclamation, kz::GetAppTitle(),
                                    this);
    kz::SelectAllText(IDEdit, true);
    return false;
  }
  const int32_t voice = chkVoice->isChecked() ? 1 : 0;
  int32_t oldId = 0, oldVoice = 0, newId = 0, newVoice = 0;
  std::string oldTitle, oldDesc, newTitle, newDesc;
  Kz_TREGetPageInfo(page_, oldId, oldTitle, oldDesc, oldVoice);
  // A page the game could not reach: another one of the file has the ID (a page
  // keeping its own ID is left alone, even where the file held it twice).
  if (*id != oldId && tre::PageIdTaken(document_, *id)) {
    platform::Ui::Instance().MsgBox(tre::PageIdTakenText(*id), platform::vbExclamation, kz::GetAppTitle(), this);
    kz::SelectAllText(IDEdit, true);
    return false;
  }
  // A box left alone writes the page's own bytes back.
  const std::string title = TitleEdit->isModified() ? TitleEdit->text().toStdString() : oldTitle;
  const std::string desc = DescEdit->isModified() ? DescEdit->text().toStdString() : oldDesc;
  bool ok = Kz_TRESetPageInfo(page_, *id, title, desc, voice) != 0;
  if (!ok)
    platform::Ui::Instance().MsgBox(kz::GetViDedodedError(), platform::vbExclamation, kz::GetAppTitle(), this);
  Kz_TREGetPageInfo(page_, newId, newTitle, newDesc, newVoice);
  Dirty = ok && (oldId != newId || oldVoice != newVoice || oldTitle != newTitle || oldDesc != newDesc);
  if (!ok) return false;
  ModalResult = 1;
  hide();
  done(QDialog::Accepted);
  return true;
}

void frmPageEdit::Cancel() {
  ModalResult = 2;
  hide();
  done(QDialog::Rejected);
}

void frmPageEdit::reject() { Cancel(); }

bool frmPageEdit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) kz::SelectAllText(qobject_cast<QWidget*>(watched));
  return QDialog::eventFilter(watched, event);
}
