#include "txteditor/Edit.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/Generic.h"
#include "core/Variant.h"
#include "core/ui/CommonUi.h"
#include "core/ui/DialogUi.h"
#include "platform/Ui.h"
#include "txteditor/EditorPage.h"
#include "txteditor/TXTEditorRules.h"
#include "typefiles/TxtParser.h"

namespace {
QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toUtf8().toStdString(); }

// The value box: a pick list where the field has one, a plain text box otherwise. Over
// an empty list it shows no drop-down arrow, gives its room to the text and opens no
// empty list.
class ListArrowStyle : public QProxyStyle {
 public:
  QRect subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                       const QWidget* w) const override {
    QRect r = QProxyStyle::subControlRect(cc, opt, sc, w);
    if (cc != CC_ComboBox || !Empty(w)) return r;
    if (sc == SC_ComboBoxArrow) return QRect();
    if (sc == SC_ComboBoxEditField) r.setRight(opt->rect.right() - (r.left() - opt->rect.left()));
    return r;
  }
  void drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                          const QWidget* w) const override {
    if (cc == CC_ComboBox && Empty(w)) {
      if (const auto* box = qstyleoption_cast<const QStyleOptionComboBox*>(opt)) {
        QStyleOptionComboBox plain(*box);
        plain.subControls &= ~SC_ComboBoxArrow;
        plain.activeSubControls &= ~SC_ComboBoxArrow;
        QProxyStyle::drawComplexControl(cc, &plain, p, w);
        return;
      }
    }
    QProxyStyle::drawComplexControl(cc, opt, p, w);
  }

 private:
  static bool Empty(const QWidget* w) {
    const auto* box = qobject_cast<const QComboBox*>(w);
    return box && box->count() == 0;
  }
};

class ValueCombo : public QComboBox {
 public:
  explicit ValueCombo(QWidget* parent) : QComboBox(parent) {
    auto* style = new ListArrowStyle;
    style->setParent(this);
    setStyle(style);
  }
  void showPopup() override {
    if (count() > 0) QComboBox::showPopup();
  }
};

const char* TypeName(int32_t type) {
  if (type == 0) return "Integer";
  if (type == 1) return "Float";
  return "String";
}
}  // namespace

frmEdit::frmEdit(QWidget* parent) : QDialog(parent) {
  setObjectName("frmEdit");
  setWindowTitle("Value Edit");
  setModal(true);

  auto* lblName = new QLabel("Property name", this);
  PropNameEdit = new QLineEdit(this);
  PropNameEdit->setObjectName("PropNameEdit");
  PropNameEdit->setReadOnly(true);
  lblValue = new QLabel("Value", this);
  lblValue->setObjectName("lblValue");
  cmbValue = new ValueCombo(this);
  cmbValue->setObjectName("cmbValue");
  cmbValue->setEditable(true);
  cmbValue->setInsertPolicy(QComboBox::NoInsert);
  cmbValue->setMinimumWidth(260);
  chkTranslatedValue = new QCheckBox("Translated value", this);
  chkTranslatedValue->setObjectName("chkTranslatedValue");
  QHBoxLayout* buttons = kz::MakeOkCancelRow(this, btnOK, btnCancel);

  auto* grid = new QGridLayout;
  grid->addWidget(lblName, 0, 0);
  grid->addWidget(PropNameEdit, 1, 0);
  grid->addWidget(lblValue, 2, 0);
  grid->addWidget(cmbValue, 3, 0);
  grid->addWidget(chkTranslatedValue, 4, 0);
  auto* top = new QVBoxLayout(this);
  top->addLayout(grid);
  top->addLayout(buttons);

  connect(btnOK, &QPushButton::clicked, this, [this] { OK(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { Cancel(); });
  connect(chkTranslatedValue, &QCheckBox::clicked, this, [this] {
    try {
      RefreshValue();
    } catch (const std::exception&) {
      platform::Ui::Instance().MsgBox("Error loading property.", platform::vbExclamation, kz::GetAppTitle(), this);
    }
  });
  cmbValue->installEventFilter(this);
  if (cmbValue->lineEdit()) cmbValue->lineEdit()->installEventFilter(this);
}

frmEdit::~frmEdit() = default;

void frmEdit::SetValueText(const std::string& text) {
  cmbValue->setEditText(Q(text));
  shownText_ = text;
}

std::string frmEdit::ValueText() const { return S(cmbValue->currentText()); }

void frmEdit::ShowProperty(EditorPage* page, TXTObjectRef record, int32_t /*otype*/, int32_t index, bool modal,
                           QWidget* owner) {
  try {
    if (!record) throw kz::AppError(91, "frmEdit.ShowProperty", "Object variable not set");
    page_ = page;
    record_ = std::move(record);
    index_ = index;
    nameMode_ = false;
    records_.clear();

    std::string name;
    if (page_) {
      TXTObjectRef r = record_;
      int32_t i = index_;
      name = page_->JvGetPropertyName(r, i);
    }
    name += " (offset " + std::to_string(index_) + ")";
    PropNameEdit->setText(Q(name));

    if (!page_) {
      kind_ = 0;
      valueType_ = 2;
    } else {
      TXTObjectRef r = record_;
      int32_t i = index_;
      kind_ = page_->JvSupportValueTranslate(r, i);
      valueType_ = page_->JvGetValueType(r, i);
    }

    chkTranslatedValue->setVisible(true);
    chkTranslatedValue->setEnabled(kind_ == 1);
    chkTranslatedValue->setChecked(kind_ == 1);

    if (kind_ == 0) {
      SetValueText(kz::CStr(record_->Value(index_)));
    } else if (kind_ == 2) {
      cmbValue->clear();
      TXTObjectRef r = record_;
      int32_t i = index_;
      kz::NameTable values = page_->JvGetPropertyValues(r, i);
      if (!values.Empty()) kz::FillCombo(cmbValue, values);
      cmbValue->setCurrentIndex(-1);
    }
    RefreshValue();
    shownEntry_ = -1;
    if (kind_ == 2) {
      // The list stands on the stored value's entry: the box's own matching of an
      // unchanged text (at Enter, or when it loses the focus) then chooses nothing else.
      shownEntry_ = FindShownEntry();
      if (shownEntry_ >= 0) {
        cmbValue->setCurrentIndex(shownEntry_);
        SetValueText(shownText_);
      }
    }
  } catch (const std::exception&) {
    platform::Ui::Instance().MsgBox("Error loading property.", platform::vbExclamation, kz::GetAppTitle(), owner);
    return;
  }
  Present(modal, owner);
}

void frmEdit::ShowName(TXTObjectRef record, std::vector<TXTObjectRef> records, bool /*modal*/, QWidget* owner) {
  record_ = std::move(record);
  records_ = std::move(records);
  page_ = nullptr;
  nameMode_ = true;
  chkTranslatedValue->setVisible(false);
  PropNameEdit->setText("Name");
  lblValue->setText("Value");
  SetValueText(record_ ? record_->ObjectName() : std::string());
  Present(true, owner);
}

void frmEdit::RefreshValue() {
  lblValue->setText("Value");
  const bool translated = kind_ == 2 || chkTranslatedValue->isChecked();
  TXTObjectRef r = record_;
  int32_t i = index_;
  if (translated && page_) {
    if (kind_ == 1) {
      std::string unit = page_->JvGetValueUnit(r, i);
      if (!unit.empty()) lblValue->setText(Q("Value [" + unit + "]"));
    }
    std::string text;
    if (!page_->JvTranslateValue(r, i, text, true)) text = kz::CStr(record_->Value(index_));
    SetValueText(text);
  } else {
    lblValue->setText(Q(std::string("Value [") + TypeName(valueType_) + "]"));
    SetValueText(kz::CStr(record_->Value(index_)));
  }
}

int frmEdit::FindShownEntry() {
  const QString shown = Q(shownText_);
  const kz::Variant stored = record_->Value(index_);
  int first = -1;
  for (int k = 0; k < cmbValue->count(); ++k) {
    if (cmbValue->itemText(k) != shown) continue;
    if (first < 0) first = k;
    kz::Variant v;
    try {
      if (EntryValue(k, v) && mdlTXTEditorRules::SameStoredValue(v, stored)) return k;
    } catch (const kz::AppError&) {
      // Not this entry.
    }
  }
  return first;
}

bool frmEdit::EntryValue(int entry, kz::Variant& value) {
  TXTObjectRef r = record_;
  int32_t i = index_;
  return page_->JvTranslateEntryBack(r, i, cmbValue->itemData(entry).toInt(), S(cmbValue->itemText(entry)), value);
}

bool frmEdit::TextCheck(const std::string& text) {
  if (text.find(';') != std::string::npos) {
    platform::Ui::Instance().MsgBox("Value cannot contain semicolon (;)", platform::vbExclamation, kz::GetAppTitle(),
                                    this);
    SelectValue();
    return false;
  }
  if (!AllowSlash && text.find('/') != std::string::npos) {
    platform::Ui::Instance().MsgBox("Value cannot contain slash (/)", platform::vbExclamation, kz::GetAppTitle(), this);
    SelectValue();
    return false;
  }
  return true;
}

bool frmEdit::WritableCheck(const kz::Variant& value) {
  // Refused now, with the reason the save would give, rather than at the save.
  std::string why;
  if (clsTxtParser::WritableValue(value, why)) return true;
  platform::Ui::Instance().MsgBox(why, platform::vbExclamation, kz::GetAppTitle(), this);
  SelectValue();
  return false;
}

void frmEdit::SelectValue() {
  cmbValue->setFocus();
  if (cmbValue->lineEdit()) cmbValue->lineEdit()->selectAll();
}

void frmEdit::InvalidValue(int32_t kind) {
  kz::MsgInvalidValue("", kind, this);
  SelectValue();
}

void frmEdit::OK() {
  try {
    if (nameMode_)
      OKName();
    else
      OKProperty();
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, kz::GetAppTitle(), this);
  }
}

void frmEdit::OKProperty() {
  if (!record_) return;
  const std::string text = ValueText();
  // The pick-list entry the value box stands on (-1: the text is none of them).
  int entry = -1;
  if (kind_ == 2 && page_) {
    entry = cmbValue->currentIndex();
    if (entry < 0 || cmbValue->itemText(entry) != cmbValue->currentText())
      entry = cmbValue->findText(cmbValue->currentText(), Qt::MatchExactly);
  }
  // Nothing typed or chosen: the stored value stays exactly as it is (a display text
  // read back could lose its kind or precision).
  if (text == shownText_ && (kind_ != 2 || entry == shownEntry_)) {
    Finish(1);
    return;
  }
  kz::Variant v{text};
  try {
    const bool translated = (kind_ == 1 && chkTranslatedValue->isChecked()) || kind_ == 2;
    if (!page_) {
      v = mdlTXTEditorRules::TypedValue(text);
    } else if (kind_ == 2) {
      // An entry, by the page's value for it; another text as the page reads it, or a
      // stored number typed as such.
      TXTObjectRef r = record_;
      int32_t i = index_;
      bool valid = entry >= 0 ? EntryValue(entry, v) : page_->JvTranslateValueBack(r, text, i, v);
      if (!valid && entry < 0 && kz::IsWholeNumber(text)) {
        v = kz::Variant(kz::CLng(kz::Variant(text)));
        valid = true;
      }
      if (!valid) {
        InvalidValue(0);
        return;
      }
    } else if (translated) {
      TXTObjectRef r = record_;
      int32_t i = index_;
      if (!page_->JvTranslateValueBack(r, text, i, v)) {
        InvalidValue(0);
        return;
      }
    } else if (valueType_ == 0) {
      if (!kz::IsWholeNumber(text)) {
        InvalidValue(0);
        return;
      }
      v = kz::Variant(kz::CLng(kz::Variant(text)));
    } else if (valueType_ == 1) {
      v = kz::Variant(kz::CDbl(kz::Variant(text)));
    }
  } catch (const kz::AppError&) {
    InvalidValue(valueType_);
    return;
  }
  if (!TextCheck(kz::CStr(v)) || !WritableCheck(v)) return;
  record_->SetValue(index_, std::move(v));
  Finish(1);
}

void frmEdit::OKName() {
  if (!record_) return;
  const std::string text = ValueText();
  if (text == shownText_) {
    Finish(1);
    return;
  }
  if (!TextCheck(text) || !WritableCheck(kz::Variant(text))) return;
  const QString q = Q(text);
  for (const TXTObjectRef& r : records_) {
    if (!r || r == record_) continue;
    if (Q(r->ObjectName()).compare(q, Qt::CaseInsensitive) == 0) {
      platform::Ui::Instance().MsgBox("This object ID is already used.", platform::vbExclamation,
                                      kz::GetAppTitle(), this);
      return;
    }
  }
  record_->SetObjectName(text);
  Finish(1);
}

void frmEdit::Cancel() { Finish(2); }

void frmEdit::Finish(int32_t result) {
  ModalResult = result;
  done(result == 1 ? QDialog::Accepted : QDialog::Rejected);
}

void frmEdit::Present(bool modal, QWidget* owner) {
  if (owner && parentWidget() != owner) setParent(owner, windowFlags() | Qt::Dialog);
  // Typing replaces the value at once, and Enter takes it.
  SelectValue();
  if (modal) {
    exec();
  } else {
    setModal(false);
    show();
  }
}

void frmEdit::closeEvent(QCloseEvent* e) {
  // The close box: neither OK nor Cancel.
  QDialog::closeEvent(e);
}

bool frmEdit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && (watched == cmbValue || watched == cmbValue->lineEdit())) {
    if (cmbValue->lineEdit()) cmbValue->lineEdit()->selectAll();
  }
  return QDialog::eventFilter(watched, event);
}

void frmEdit::keyPressEvent(QKeyEvent* e) {
  // Escape is the Cancel button.
  if (e->key() == Qt::Key_Escape) {
    Cancel();
    return;
  }
  QDialog::keyPressEvent(e);
}
