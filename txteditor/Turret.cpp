#include "txteditor/Turret.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <vector>

#include "core/Common.h"
#include "core/Generic.h"
#include "core/ui/CommonUi.h"
#include "core/ui/GenericUi.h"
#include "platform/Ui.h"
#include "txteditor/Edit.h"
#include "txteditor/model/TurretRules.h"
#include "typefiles/Archive.h"
#include "typefiles/FieldTables.h"

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QTreeWidget* NewList(QWidget* parent, const char* name, const QStringList& headers) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(name);
  list->setRootIsDecorated(false);
  list->setAllColumnsShowFocus(true);
  list->setHeaderLabels(headers);
  list->setColumnWidth(0, 180);
  return list;
}

QTreeWidgetItem* AddLaserItem(QTreeWidget* list, const std::string& key, int32_t position, const std::string& name) {
  auto* item = new QTreeWidgetItem(list);
  kz::SetItemKey(item, key);
  item->setText(0, QString::number(position));
  item->setText(1, Q(name));
  return item;
}

}  // namespace

ucTurret::ucTurret(QWidget* parent) : EditorPage(parent) {
  lasers_ = std::make_shared<clsTxtParser>();
  kz::InitSmallTypeTables();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  MainTab = new QTabWidget(this);
  MainTab->setObjectName("MainTab");
  layout->addWidget(MainTab);

  auto* props = new QWidget;
  auto* propsLayout = new QVBoxLayout(props);
  propsLayout->setContentsMargins(0, 0, 7, 7);  // 100 twips right and below
  PropView = NewList(props, "PropView", {"Name", "Value", "[offset]"});
  PropView->installEventFilter(this);
  propsLayout->addWidget(PropView);
  MainTab->addTab(props, "Properties");

  auto* lasers = new QWidget;
  auto* grid = new QGridLayout(lasers);
  grid->setContentsMargins(0, 0, 7, 7);
  LaserView = NewList(lasers, "LaserView", {"#", "Allowed lasers"});
  AvailView = NewList(lasers, "AvailView", {"#", "Name"});
  btnAddLaser = new QPushButton("<", lasers);
  btnAddLaser->setObjectName("btnAddLaser");
  btnAddLaser->setToolTip("Allow the selected laser");
  btnRemoveLaser = new QPushButton(">", lasers);
  btnRemoveLaser->setObjectName("btnRemoveLaser");
  btnRemoveLaser->setToolTip("Remove the selected laser");
  lblAvailLasers = new QLabel("Available lasers", lasers);
  lblAvailLasers->setObjectName("lblAvailLasers");
  auto* buttons = new QVBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnAddLaser);
  buttons->addWidget(btnRemoveLaser);
  buttons->addStretch();
  grid->addWidget(lblAvailLasers, 0, 2);
  grid->addWidget(LaserView, 1, 0);
  grid->addLayout(buttons, 1, 1);
  grid->addWidget(AvailView, 1, 2);
  MainTab->addTab(lasers, "Lasers");

  auto guarded = [this](auto fn) {
    return [this, fn] {
      try {
        fn();
      } catch (const std::exception& e) {
        platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, kz::GetAppTitle(), window());
      }
    };
  };
  connect(btnAddLaser, &QPushButton::clicked, this, guarded([this] { AllowLaser(); }));
  connect(btnRemoveLaser, &QPushButton::clicked, this, guarded([this] { DisallowLaser(); }));
  connect(AvailView, &QTreeWidget::itemDoubleClicked, this, guarded([this] { AllowLaser(); }));
  connect(LaserView, &QTreeWidget::itemDoubleClicked, this, guarded([this] { DisallowLaser(); }));
  connect(PropView, &QTreeWidget::itemDoubleClicked, this, guarded([this] { EditTurretProperty(); }));
}

ucTurret::~ucTurret() = default;

// ---- host members ---------------------------------------------------------------------

bool ucTurret::DoInit(TxtParserRef& parser) {
  if (!loaded_) {
    TxtParserRef lasers = Archive ? Archive->GetFile("TLaser") : nullptr;
    if (lasers) lasers_ = lasers;
    loaded_ = true;
  }
  parser_ = parser;
  return true;
}

bool ucTurret::JvQueryInterfaceEx(int32_t& type) { return type == mdlTurret::kTurretType; }
std::string ucTurret::GetLastError() { return lastError_; }
std::string ucTurret::PageName(int32_t& type) { return type == mdlTurret::kTurretType ? "Turret info" : ""; }
int32_t ucTurret::JvQueryInfo(int32_t&) { return 1; }
bool ucTurret::Validate(std::string&) { return true; }
std::string ucTurret::ObjectTypeName(int32_t& type) { return type == mdlTurret::kTurretType ? "Turrets" : ""; }
std::string ucTurret::ObjectName(TXTObjectRef& record) { return record ? record->ObjectName() : std::string(); }
std::string ucTurret::GetResourceName(TXTObjectRef&) { return {}; }
std::string ucTurret::GetRace(TXTObjectRef&) { return {}; }
std::string ucTurret::GetClass(TXTObjectRef&) { return {}; }

void ucTurret::ShowObject(TXTObjectRef& record, int32_t&) {
  record_ = record;
  if (record_) record_->otype = mdlTurret::kTurretType;
  ShowTurretProperties();
  ShowTurretLasers();
}

TXTObjectRef ucTurret::CreateObject(int32_t& type, TxtParserRef& parser, TXTObjectRef before) {
  if (type != mdlTurret::kTurretType || !parser) return nullptr;
  TXTObjectRef record = parser->CreateObject(before);
  record->Construct(mdlTurret::kTurretRecordSize);
  return record;
}

void ucTurret::InitObject(TXTObjectRef&) {}

void ucTurret::JvAssignUniqueObjectName(TXTObjectRef& record) {
  if (!record || !parser_) return;
  record->SetObjectName(kz::GetNewObjectName(parser_->UnsortedObjects));
}

bool ucTurret::RemoveObject(TXTObjectRef&) { return true; }

std::string ucTurret::JvGetPropertyName(TXTObjectRef& record, int32_t& index) {
  return mdlTurret::FieldCaption(record ? record->size() : 0, index);
}
int32_t ucTurret::JvSupportValueTranslate(TXTObjectRef&, int32_t&) { return 0; }
int32_t ucTurret::JvGetValueType(TXTObjectRef&, int32_t& index) { return mdlTurret::ValueType(index); }
std::string ucTurret::JvGetValueUnit(TXTObjectRef&, int32_t&) { return {}; }
bool ucTurret::TranslateValue(TXTObjectRef&, int32_t&, std::string&, bool) { return false; }
bool ucTurret::TranslateValueBack(TXTObjectRef&, const std::string& text, int32_t&, kz::Variant& value) {
  return mdlTurret::TranslateBack(text, value);
}
kz::NameTable ucTurret::GetPropertyValues(TXTObjectRef&, int32_t&) { return {}; }

// ---- views --------------------------------------------------------------------------

void ucTurret::ShowTurretProperties() {
  const int32_t selected = kz::GetListViewSelIndex(PropView);
  PropView->clear();
  if (!record_) return;
  kz::AddListViewRow(PropView, "ID", record_->ObjectName(), kz::Variant("name"), "");
  AddTurretFieldRow(mdlTurret::kSceneField);
  AddTurretFieldRow(mdlTurret::kLaserMaskField);
  if (selected > 0) kz::SelectListViewItem(PropView, selected);
  kz::FitColumnsToTexts(PropView);
}

void ucTurret::AddTurretFieldRow(int32_t index) {
  if (!record_ || record_->size() == 0 || index >= record_->size()) return;
  TXTObjectRef record = record_;
  int32_t i = index;
  kz::AddListViewRow(PropView, JvGetPropertyName(record, i), kz::CStr(record_->Value(index)), kz::Variant(index),
                     std::to_string(index));
}

void ucTurret::ShowTurretLasers() {
  LaserView->clear();
  AvailView->clear();
  if (!record_) return;
  int32_t mask = 0;
  if (record_->size() > mdlTurret::kLaserMaskField) mdlTurret::MaskOf(record_->Value(mdlTurret::kLaserMaskField), mask);
  for (const mdlTurret::LaserRow& row : mdlTurret::LaserRows(lasers_.get(), mask)) {
    QTreeWidgetItem* item = AddLaserItem(row.allowed ? LaserView : AvailView, row.key, row.position, row.name);
    item->setData(0, kz::kItemDataRole, row.position);
  }
}

// ---- editing ------------------------------------------------------------------------

void ucTurret::AllowLaser() { MoveLaser(true); }
void ucTurret::DisallowLaser() { MoveLaser(false); }

void ucTurret::MoveLaser(bool allow) {
  QTreeWidget* from = allow ? AvailView : LaserView;
  QTreeWidget* to = allow ? LaserView : AvailView;
  QTreeWidgetItem* item = from->currentItem();
  if (!item || !item->isSelected() || !record_) return;
  const std::string key = kz::ItemKey(item).toStdString();
  TXTObjectPtr laser = lasers_ ? lasers_->FindKey(key) : nullptr;
  int32_t mask = 0;
  if (laser && record_->size() > mdlTurret::kLaserMaskField && laser->index >= 0 &&
      laser->index < mdlTurret::kMaskBits && mdlTurret::MaskOf(record_->Value(mdlTurret::kLaserMaskField), mask)) {
    kz::RemoveListItemByKey(from, key);
    AddLaserItem(to, laser->key(), laser->index, mdlTurret::LaserName(*laser));
    const int32_t changed = allow ? kz::SetBit(mask, laser->index) : kz::ClearBit(mask, laser->index);
    record_->SetValue(mdlTurret::kLaserMaskField,
                      mdlTurret::StoredMask(changed, record_->Value(mdlTurret::kLaserMaskField)));
    ShowTurretProperties();
  }
  emit OnObjectChanged(record_);
}

void ucTurret::EditTurretProperty() {
  QTreeWidgetItem* item = PropView->currentItem();
  if (!item || !item->isSelected() || !record_) return;
  const QVariant tag = item->data(0, kz::kItemDataRole);
  QWidget* owner = window();
  frmEdit dialog(owner);
  if (tag.toString() == "name") {
    std::vector<TXTObjectRef> records;
    if (parser_)
      for (const TXTObjectPtr& r : parser_->objects) records.push_back(r);
    dialog.ShowName(record_, records, true, owner);
  } else {
    dialog.ShowProperty(this, record_, record_->otype, tag.toInt(), true, owner);
  }
  if (dialog.ModalResult != 2) {
    TXTObjectRef record = record_;
    int32_t type = record->otype;
    ShowObject(record, type);
    emit OnObjectChanged(record);
  }
}

bool ucTurret::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PropView && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Insert && (key->modifiers() & Qt::ControlModifier)) {
      if (QTreeWidgetItem* item = PropView->currentItem(); item && item->isSelected()) {
        QApplication::clipboard()->clear();
        QApplication::clipboard()->setText(item->text(1));
      }
      return true;
    }
  }
  return EditorPage::eventFilter(watched, event);
}
