#include "galaxy/NewGalObject.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <functional>

#include "core/Common.h"
#include "core/ui/CommonUi.h"
#include "core/ui/DialogUi.h"
#include "core/ui/GenericUi.h"
#include "galaxy/model/GalaxyEditorRules.h"
#include "galaxy/model/GalaxyObject.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "platform/Ui.h"

using namespace mdlGalaxyEditorRules;

namespace {

// A combo box whose drop-down list is measured when it first opens after a refill, so
// that filling a long list costs no text measuring.
class SubtypeCombo : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> BeforePopup;
  void showPopup() override {
    if (BeforePopup) BeforePopup();
    QComboBox::showPopup();
  }
};

// The subtype entries with their item data, set in one step however long the list is.
class SubtypeListModel : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;
  void Reset(QStringList texts, std::vector<int32_t> data) {
    beginResetModel();
    texts_ = std::move(texts);
    data_ = std::move(data);
    endResetModel();
  }
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(texts_.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= texts_.size()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return texts_[index.row()];
    if (role == Qt::UserRole) return data_[static_cast<size_t>(index.row())];
    return {};
  }

 private:
  QStringList texts_;
  std::vector<int32_t> data_;
};

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toUtf8().toStdString(); }
}  // namespace

frmNewGalObject::frmNewGalObject(QWidget* parent) : QDialog(parent) {
  setObjectName("frmNewGalObject");
  setWindowTitle("New Object");
  auto* grid = new QGridLayout;
  Label1 = new QLabel("Type", this);
  Label1->setObjectName("Label1");
  cmbType = new QComboBox(this);
  cmbType->setObjectName("cmbType");
  Label2 = new QLabel("Subtype", this);
  Label2->setObjectName("Label2");
  auto* subtypeHost = new QWidget(this);
  auto* subtypeLayout = new QHBoxLayout(subtypeHost);
  subtypeLayout->setContentsMargins(0, 0, 0, 0);
  auto* subtypeCombo = new SubtypeCombo(subtypeHost);
  subtypeCombo->BeforePopup = [this] { FitSubtypeDropWidth(); };
  cmbSubtype = subtypeCombo;
  subtypeModel_ = new SubtypeListModel(cmbSubtype);
  cmbSubtype->setModel(subtypeModel_);
  cmbSubtype->setObjectName("cmbSubtype");
  SubtypeEdit = new QLineEdit(subtypeHost);
  SubtypeEdit->setObjectName("SubtypeEdit");
  subtypeLayout->addWidget(cmbSubtype);
  subtypeLayout->addWidget(SubtypeEdit);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(cmbType, 0, 1);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(subtypeHost, 1, 1);
  grid->setColumnStretch(1, 1);
  QHBoxLayout* buttons = kz::MakeOkCancelRow(this, btnOK, btnCancel);
  auto* top = new QVBoxLayout(this);
  top->addLayout(grid);
  top->addLayout(buttons);
  resize(360, 120);

  connect(cmbType, qOverload<int>(&QComboBox::activated), this, [this](int) {
    try {
      FillSubtypes();
    } catch (const std::exception& e) {
      platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, kz::GetAppTitle(), this);
    }
  });
  connect(btnOK, &QPushButton::clicked, this, [this] { AcceptDialog(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { CancelDialog(); });
}

frmNewGalObject& frmNewGalObject::Default() {
  // Made again when its owner window took it along.
  static QPointer<frmNewGalObject> dialog;
  if (!dialog) dialog = new frmNewGalObject;
  return *dialog;
}

void frmNewGalObject::FillAllTypes() {
  kz::FillCombo(cmbType, mdlGalaxy::GalaxyTypeNames);
}

void frmNewGalObject::NewSector(std::shared_ptr<clsGalaxyParser> parser, std::shared_ptr<clsGalaxyObject> obj,
                                bool modal, QWidget* owner) {
  parser_ = std::move(parser);
  obj_ = std::move(obj);
  FillAllTypes();
  kz::SelectComboByItemData(cmbType, 1);
  cmbType->setEnabled(false);
  FillSubtypes();
  Run(modal, owner);
}

void frmNewGalObject::NewObject(std::shared_ptr<clsGalaxyParser> parser, std::shared_ptr<clsGalaxyObject> obj,
                                bool limitTypes, bool modal, QWidget* owner) {
  parser_ = std::move(parser);
  obj_ = std::move(obj);
  cmbType->setEnabled(true);
  if (!limitTypes) {
    FillAllTypes();
  } else {
    cmbType->clear();
    for (int32_t t : LimitedTypeCodes()) cmbType->addItem(Q(mdlGalaxy::GalaxyTypeNames.At(t)), t);
  }
  cmbType->setCurrentIndex(-1);
  FillSubtypes();
  Run(modal, owner);
}

void frmNewGalObject::Run(bool modal, QWidget* owner) {
  if (owner && parentWidget() != owner) setParent(owner, windowFlags() | Qt::Dialog);
  if (modal) {
    setWindowModality(Qt::ApplicationModal);
    exec();
  } else {
    setWindowModality(Qt::NonModal);
    show();
  }
}

int32_t frmNewGalObject::SubtypeItemData(int index) const {
  return index >= 0 && index < static_cast<int>(subtypeData_.size()) ? subtypeData_[static_cast<size_t>(index)] : -1;
}

void frmNewGalObject::FillSubtypes() {
  const int32_t t = kz::GetComboItemData(cmbType);
  std::vector<std::string> texts;
  SubtypeIDs.clear();
  subtypeData_.clear();
  int32_t first = 0;
  if (t == mdlGalaxy::kGalSubObjects) {
    const kz::NameTable& groups = mdlGalaxy::GalaxySubObjectNames;
    for (int32_t i = groups.LBound(); i <= groups.UBound(); ++i) texts.push_back(groups.At(i));
    first = groups.LBound();
    SubtypeIDs.emplace_back();
  } else if (t >= 0 && parser_) {
    texts = parser_->GetSubTypeNames(t, 0);
    SubtypeIDs = parser_->GetSubTypeNames(t, 1);
  }

  if (texts.empty()) {
    static_cast<SubtypeListModel*>(subtypeModel_)->Reset({}, {});
    cmbSubtype->setVisible(false);
    SubtypeEdit->setVisible(true);
    return;
  }
  QStringList entries;
  entries.reserve(static_cast<qsizetype>(texts.size()));
  subtypeData_.reserve(texts.size());
  const bool groups = t == mdlGalaxy::kGalSubObjects;
  static const std::string kNoID;
  for (size_t i = 0; i < texts.size(); ++i) {
    const std::string& id = i < SubtypeIDs.size() ? SubtypeIDs[i] : kNoID;
    entries.push_back(Q(groups ? texts[i] : SubtypeEntryText(texts[i], id)));
    subtypeData_.push_back(static_cast<int32_t>(i) + first);
  }
  static_cast<SubtypeListModel*>(subtypeModel_)->Reset(std::move(entries), subtypeData_);
  cmbSubtype->setCurrentIndex(-1);
  dropWidthFitted_ = false;
  SubtypeEdit->setVisible(false);
  cmbSubtype->setVisible(true);
}

void frmNewGalObject::FitSubtypeDropWidth() {
  if (dropWidthFitted_) return;
  dropWidthFitted_ = true;
  // The widest entry in the dialog's font, or the box's own width when that is wider.
  const QFontMetrics metrics(font());
  int widest = 0;
  for (int i = 0; i < cmbSubtype->count(); ++i) widest = std::max(widest, metrics.horizontalAdvance(cmbSubtype->itemText(i)));
  kz::SetComboDropWidth(cmbSubtype, std::max(widest, cmbSubtype->width()));
}

void frmNewGalObject::AcceptDialog() {
  try {
    const int32_t t = kz::GetComboItemData(cmbType);
    if (t < 0) {
      platform::Ui::Instance().MsgBox(kNeedType, platform::vbExclamation, kz::GetAppTitle(), this);
      return;
    }
    kz::Variant value;
    bool haveValue = false;
    if (!cmbSubtype->isHidden()) {
      const int row = cmbSubtype->currentIndex();
      if (row < 0) {
        platform::Ui::Instance().MsgBox(kNeedSubtype, platform::vbExclamation, kz::GetAppTitle(), this);
        return;
      }
      const int32_t data = SubtypeItemData(row);
      if (data >= 0 && data < static_cast<int32_t>(SubtypeIDs.size()) && t != mdlGalaxy::kGalSubObjects)
        value = kz::Variant(SubtypeIDs[static_cast<size_t>(data)]);
      else
        value = kz::Variant(data);
      haveValue = true;
    } else {
      int32_t number = 0;
      switch (ParseTypedSubtype(S(SubtypeEdit->text()), number)) {
        case TypedSubtype::None: break;
        case TypedSubtype::Value:
          value = kz::Variant(number);
          haveValue = true;
          break;
        case TypedSubtype::Invalid:
          platform::Ui::Instance().MsgBox(kBadSubtype, platform::vbExclamation, kz::GetAppTitle(), this);
          return;
      }
    }
    if (obj_) {
      const bool minusOne = value.Kind() == kz::VariantKind::Long && value.AsLong() == -1;
      if (haveValue && !minusOne) obj_->SetSubtype(value);
      obj_->SetOtype(t);
    }
    ModalResult = 1;
    hide();
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, kz::GetAppTitle(), this);
  }
}

void frmNewGalObject::CancelDialog() {
  ModalResult = 2;
  hide();
}
