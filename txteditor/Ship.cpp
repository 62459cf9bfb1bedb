#include "txteditor/Ship.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/Generic.h"
#include "core/ui/CommonUi.h"
#include "core/ui/GenericUi.h"
#include "platform/Ui.h"
#include "txteditor/WareListViewerSlot.h"
#include "typefiles/Archive.h"
#include "typefiles/ShipTables.h"

namespace {

constexpr int kTwipsPerPixel = 15;
int Px(int twips) { return twips / kTwipsPerPixel; }
int Tw(int px) { return px * kTwipsPerPixel; }

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toUtf8().toStdString(); }

QTreeWidget* MakeList(QWidget* parent, const char* name, const QStringList& headers) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(name);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->setColumnCount(headers.size());
  list->setHeaderLabels(headers);
  return list;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

shippage::Box BoxOf(const QWidget* w) {
  return {Tw(w->x()), Tw(w->y()), Tw(w->width()), Tw(w->height())};
}
void Place(QWidget* w, const shippage::Box& b) {
  w->setGeometry(Px(b.left), Px(b.top), std::max(0, Px(b.width)), std::max(0, Px(b.height)));
}

}  // namespace

ucShip::ucShip(QWidget* parent) : EditorPage(parent) {
  kz::InitShipTables();
  ships_ = std::make_shared<clsShipParser>();
  ship_ = std::make_shared<clsShip>();
  BuildControls();
  MainTab->setCurrentIndex(0);
  SetupGunColumns();
}

ucShip::~ucShip() = default;

QWidget* ucShip::AddTab(const char* caption) {
  auto* tab = new QWidget(MainTab);
  MainTab->addTab(tab, caption);
  tabs_[static_cast<size_t>(MainTab->count() - 1)] = tab;
  tab->installEventFilter(this);  // its resizes arrange it
  return tab;
}

void ucShip::BuildControls() {
  MainToolbar = new QToolBar(this);
  MainToolbar->setObjectName("MainToolbar");
  MainToolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  // The toolbar keeps the height of a row of buttons on tabs without any, so the tab
  // row below it stays in place.
  MainToolbar->addAction("X");
  MainToolbar->setFixedHeight(MainToolbar->sizeHint().height());
  MainToolbar->clear();
  MainTab = new QTabWidget(this);
  MainTab->setObjectName("MainTab");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(Px(50));
  layout->addWidget(MainToolbar);
  layout->addWidget(MainTab, 1);

  const QStringList propertyHeaders = {"Name", "Value", "[offset]"};
  auto propertyList = [&](QWidget* tab, const char* name) {
    QTreeWidget* list = MakeList(tab, name, propertyHeaders);
    list->setColumnWidth(0, Px(2600));
    list->setColumnWidth(1, Px(3000));
    list->move(Px(100), Px(100));
    list->installEventFilter(this);
    connect(list, &QTreeWidget::itemDoubleClicked, this, [this, list](QTreeWidgetItem*, int) {
      try {
        EditSelectedRow(list);
      } catch (const std::exception& e) {
        Msg(e.what(), platform::vbCritical);
      }
    });
    return list;
  };

  // 0 Info
  QWidget* tab = AddTab("Info");
  InfoView = propertyList(tab, "InfoView");
  DescEdit = new QPlainTextEdit(tab);
  DescEdit->setObjectName("DescEdit");
  DescEdit->setReadOnly(true);
  DescEdit->setGeometry(Px(100), 0, Px(4000), Px(900));
  // 1 Performance, 2 Model, 3 Weapons
  PerformanceView = propertyList(AddTab("Performance"), "PerformanceView");
  ModelView = propertyList(AddTab("Model"), "ModelView");
  WeaponView = propertyList(AddTab("Weapons"), "WeaponView");

  // 4 Cockpits (turrets)
  tab = AddTab("Cockpits (turrets)");
  lblTData = MakeLabel(tab, "lblTData", "Turrets descriptor: ");
  lblTData->setGeometry(Px(100), Px(60), Px(9000), Px(255));
  TurView = MakeList(tab, "TurView", {"#", "[offset]", "Index", "Turr. Idx", "Body ID", "Path Idx", "Type", "Position"});
  TurView->move(Px(100), Px(400));
  TurView->installEventFilter(this);
  lblCockp = MakeLabel(tab, "lblCockp", "Cockpits (turrets)");
  lblCockp->setGeometry(Px(100), 0, Px(3000), Px(255));
  CockpView = MakeList(tab, "CockpView", {"#", "Cockpit idx", "Cockpit name"});
  CockpView->move(Px(100), 0);
  connect(TurView, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) { SelectTurret(item); });
  connect(TurView, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
    try {
      SelectTurret(item);
      EditCurrentTurret();
    } catch (const std::exception& e) {
      Msg(e.what(), platform::vbCritical);
    }
  });

  // 5 Guns
  tab = AddTab("Guns");
  lblTurrets = MakeLabel(tab, "lblTurrets", "Turrets");
  lblTurrets->setGeometry(Px(100), Px(100), Px(3000), Px(255));
  GunGroupView = MakeList(tab, "GunGroupView",
                          {"#", "[offset]", "Init las pos", "# of guns", "Index", "Gun entries", "Position"});
  GunGroupView->move(Px(100), Px(400));
  GunGroupView->installEventFilter(this);
  lblGuns = MakeLabel(tab, "lblGuns", "Guns in turret");
  lblGuns->setGeometry(Px(100), 0, Px(3000), Px(255));
  rbGunView[0] = new QRadioButton("User View", tab);
  rbGunView[0]->setObjectName("rbGunView_0");
  rbGunView[0]->setChecked(true);
  rbGunView[0]->resize(Px(1400), Px(255));
  rbGunView[1] = new QRadioButton("Debug View", tab);
  rbGunView[1]->setObjectName("rbGunView_1");
  rbGunView[1]->resize(Px(1400), Px(255));
  GunView = MakeList(tab, "GunView", {});
  GunView->move(Px(100), 0);
  GunView->installEventFilter(this);
  connect(GunGroupView, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) { SelectGunGroup(item); });
  connect(GunView, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) { SelectGun(item); });
  connect(GunView, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
    try {
      SelectGun(item);
      EditCurrentGun();
    } catch (const std::exception& e) {
      Msg(e.what(), platform::vbCritical);
    }
  });
  for (QRadioButton* rb : rbGunView)
    connect(rb, &QRadioButton::clicked, this, [this] { SetupGunColumns(); });

  // 6 Front lasers, 7 Missiles
  auto maskTab = [&](const char* caption, const char* installedName, const char* captionName, const char* captionText,
                     const char* availName, const char* availLabelName, const char* availText, const char* addName,
                     const char* removeName, QTreeWidget*& installed, QLabel*& caption1, QTreeWidget*& available,
                     QLabel*& availLabel, QPushButton*& add, QPushButton*& remove) {
    QWidget* t = AddTab(caption);
    caption1 = MakeLabel(t, captionName, captionText);
    caption1->setGeometry(Px(100), Px(100), Px(2400), Px(255));
    installed = MakeList(t, installedName, {"#", "Name"});
    installed->move(Px(100), Px(400));
    available = MakeList(t, availName, {"#", "Name"});
    available->move(0, Px(400));
    availLabel = MakeLabel(t, availLabelName, availText);
    availLabel->setGeometry(0, Px(100), Px(2400), Px(255));
    add = new QPushButton("<<", t);
    add->setObjectName(addName);
    add->setGeometry(0, Px(1000), Px(500), Px(375));
    remove = new QPushButton(">>", t);
    remove->setObjectName(removeName);
    remove->setGeometry(0, Px(1500), Px(500), Px(375));
    for (QTreeWidget* l : {installed, available}) l->setColumnWidth(0, Px(500));
  };
  maskTab("Front lasers", "LaserView", "Label1", "Compatible lasers", "AvailLasView", "lblAvailLasers",
          "Available lasers", "btnAddLaser", "btnRemoveLaser", LaserView, Label1, AvailLasView, lblAvailLasers,
          btnAddLaser, btnRemoveLaser);
  btnAddLaser->setToolTip("Add laser to ship");
  btnRemoveLaser->setToolTip("Remove laser from ship");
  Label2 = MakeLabel(tabs_[6], "Label2", "To modify turrets, open TCockpits file");
  Label2->setGeometry(Px(2600), Px(100), Px(4000), Px(255));
  maskTab("Missiles", "MslView", "Label3", "Compatible missiles", "AvailMslView", "lblAvailMsls", "Available missiles",
          "btnAddMsl", "btnRemoveMsl", MslView, Label3, AvailMslView, lblAvailMsls, btnAddMsl, btnRemoveMsl);
  btnAddMsl->setToolTip("Add missile to ship");
  btnRemoveMsl->setToolTip("Remove missile from ship");
  auto guarded = [this](auto f) {
    return [this, f] {
      try {
        (this->*f)();
      } catch (const std::exception& e) {
        Msg(e.what(), platform::vbCritical);
      }
    };
  };
  connect(btnAddLaser, &QPushButton::clicked, this, guarded(&ucShip::AddLaser));
  connect(btnRemoveLaser, &QPushButton::clicked, this, guarded(&ucShip::RemoveLaser));
  connect(btnAddMsl, &QPushButton::clicked, this, guarded(&ucShip::AddMissile));
  connect(btnRemoveMsl, &QPushButton::clicked, this, guarded(&ucShip::RemoveMissile));
  connect(AvailLasView, &QTreeWidget::itemDoubleClicked, this, guarded(&ucShip::AddLaser));
  connect(LaserView, &QTreeWidget::itemDoubleClicked, this, guarded(&ucShip::RemoveLaser));
  connect(AvailMslView, &QTreeWidget::itemDoubleClicked, this, guarded(&ucShip::AddMissile));
  connect(MslView, &QTreeWidget::itemDoubleClicked, this, guarded(&ucShip::RemoveMissile));

  // 8 Wares
  tab = AddTab("Wares");
  Label4 = MakeLabel(tab, "Label4", "WareList ID");
  Label4->setGeometry(Px(100), Px(130), Px(1200), Px(255));
  WareListIDEdit = new QLineEdit(tab);
  WareListIDEdit->setObjectName("WareListIDEdit");
  WareListIDEdit->setReadOnly(true);
  WareListIDEdit->setGeometry(Px(1300), Px(100), Px(1200), Px(315));
  WareListIDEdit->installEventFilter(this);
  Label5 = MakeLabel(tab, "Label5", "(doubleclick to change)");
  Label5->setGeometry(Px(2600), Px(130), Px(2500), Px(255));
  if (WareListViewerSlot()) {
    WareListView = WareListViewerSlot()(tab);
    if (WareListView) {
      WareListView->setObjectName("WareListView");
      WareListView->move(Px(100), Px(550));
    }
  }

  connect(MainTab, &QTabWidget::currentChanged, this, [this](int index) {
    try {
      if (index != previousTab_) ArrangeCurrentTab();
      previousTab_ = index;
      SetupToolbar();
    } catch (const std::exception& e) {
      Msg(e.what(), platform::vbCritical);
    }
  });
}

// ---- host members -----------------------------------------------------------------------

bool ucShip::DoInit(TxtParserRef& parser) {
  if (!loaded_) {
    support_.Load(Archive.get());
    if (WareListView) WareListView->Init();
    loaded_ = true;
  }
  parser_ = parser;
  ships_ = std::make_shared<clsShipParser>();
  if (!ships_->Load(*parser_)) {
    lastError_ = ships_->GetLastError();
    return false;
  }
  return true;
}

bool ucShip::JvQueryInterfaceEx(int32_t& type) { return type == 1; }
bool ucShip::JvQueryInterface(int32_t type) { return type == 1; }
std::string ucShip::GetLastError() { return lastError_; }
std::string ucShip::PageName(int32_t&) { return "Ship info"; }
int32_t ucShip::JvQueryInfo(int32_t&) { return 7; }

bool ucShip::Validate(std::string& errorText) { return shippage::ValidationReport(*ships_, errorText); }

std::string ucShip::ObjectTypeName(int32_t& type) {
  return shippage::ObjectTypeName(type, parser_ ? parser_->Version() : 0);
}

std::string ucShip::ObjectName(TXTObjectRef& record) { return record ? record->ObjectName() : std::string(); }

ShipPtr ucShip::ShipOf(const TXTObjectRef& record) const {
  return record && ships_ ? ships_->Find(record->id) : nullptr;
}

std::string ucShip::GetClass(TXTObjectRef& record) {
  if (!ShipOf(record)) return "";
  std::string text;
  shippage::TranslateValue(*record, shippage::kFieldClass, text, false, support_);
  return text;
}

std::string ucShip::GetRace(TXTObjectRef& record) {
  if (!ShipOf(record)) return "";
  std::string text;
  shippage::TranslateValue(*record, shippage::kFieldRace, text, false, support_);
  return text;
}

std::string ucShip::GetResourceName(TXTObjectRef& record) {
  std::string text = GetRace(record);
  if (record) kz::AppendWithSep(text, GetShipDisplayName(*record), " ");
  return text;
}

void ucShip::ShowObject(TXTObjectRef& record, int32_t&) {
  ShipPtr ship = ShipOf(record);
  noShip_ = !ship;
  ship_ = ship ? ship : std::make_shared<clsShip>();
  objectsError_.clear();
  CurrentTurret.reset();
  CurrentGunGroup.reset();
  CurrentGun.reset();
  SetupToolbar();
  RefreshAll();
}

TXTObjectRef ucShip::CreateObject(int32_t&, TxtParserRef& parser, TXTObjectRef before) {
  TXTObjectRef record = parser->CreateObject(before);
  ShipPtr ship = ships_->CreateShip(record);
  ship->Construct();
  ship->LoadObjects();
  return ship->Object;
}

void ucShip::InitObject(TXTObjectRef& record) {
  if (ShipPtr ship = ShipOf(record)) ship->LoadObjects();
}

void ucShip::JvAssignUniqueObjectName(TXTObjectRef& record) {
  if (!record || !parser_) return;
  record->SetObjectName(kz::GetNewObjectName(parser_->objects));
}

bool ucShip::RemoveObject(TXTObjectRef& record) {
  if (!record) return false;
  const std::string key = record->key();
  if (!ships_->Ships.Exists(key)) return false;
  ShipPtr removed = ships_->Ships.Item(ships_->Ships.PositionOf(key));
  ships_->Ships.Remove(key);
  if (!ships_->UnsortedShips.Exists(key)) return false;
  ships_->UnsortedShips.Remove(key);
  if (removed == ship_) {
    TXTObjectRef none;
    int32_t type = 1;
    ShowObject(none, type);
  }
  return true;
}

// ---- value description ---------------------------------------------------------------------

std::string ucShip::JvGetPropertyName(TXTObjectRef& record, int32_t& index) {
  return record ? shippage::PropertyName(*record, index, ShipOf(record).get()) : std::string();
}

int32_t ucShip::JvSupportValueTranslate(TXTObjectRef& record, int32_t& index) {
  return record ? shippage::SupportValueTranslate(*record, index) : 0;
}

int32_t ucShip::JvGetValueType(TXTObjectRef&, int32_t& index) { return shippage::ValueType(index); }
std::string ucShip::JvGetValueUnit(TXTObjectRef&, int32_t& index) { return shippage::ValueUnit(index); }

kz::NameTable ucShip::JvGetPropertyValues(TXTObjectRef& record, int32_t& index) {
  return record ? shippage::PropertyValues(*record, index, support_) : kz::NameTable();
}

bool ucShip::JvTranslateValue(TXTObjectRef& record, int32_t& index, std::string& text, bool forEdit) {
  return record && shippage::TranslateValue(*record, index, text, forEdit, support_);
}

bool ucShip::JvTranslateValueBack(TXTObjectRef& record, const std::string& text, int32_t& index,
                                  kz::Variant& value) {
  return record && shippage::TranslateValueBack(*record, text, index, value, support_);
}

bool ucShip::JvTranslateEntryBack(TXTObjectRef& record, int32_t& index, int32_t entry, const std::string& text,
                                  kz::Variant& value) {
  return record && shippage::TranslateEntryBack(*record, index, entry, text, value, support_);
}

void ucShip::SetReadOnly(bool value) {
  readOnly_ = value;
  btnAddLaser->setEnabled(!value);
  btnRemoveLaser->setEnabled(!value);
  SetupToolbar();
}

// ---- views ---------------------------------------------------------------------------------

std::string ucShip::GetMaxRechargeTime() const { return shippage::MaxRechargeTime(*ship_->Object, *support_.Shields); }
std::string ucShip::GetShipDisplayName(const clsTXTObject& record) const { return shippage::ShipDisplayName(record); }
std::string ucShip::GetShipDescription() const { return shippage::ShipDescription(*ship_->Object); }

void ucShip::RefreshAll() {
  RefreshProperties();
  ShowTurrets();
  ShowGunGroups();
  ShowLasers();
  ShowMissiles();
  ShowWareListField();
  SelectGunGroup(nullptr);
  SelectTurret(nullptr);
}

void ucShip::FillPropertyList(QTreeWidget* list, const std::vector<shippage::FieldRow>& rows) {
  const int32_t selected = kz::GetListViewSelIndex(list);
  list->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (const auto& row : rows) {
    auto* item = new QTreeWidgetItem({Q(row.caption), Q(row.value), Q(row.offset)});
    item->setData(0, kz::kItemDataRole, Q(row.tag));
    items.push_back(item);
  }
  list->addTopLevelItems(items);
  if (selected > 0) kz::SelectListViewItem(list, selected);
}

void ucShip::RefreshProperties() {
  FillPropertyList(InfoView, shippage::InfoRows(*ship_, support_));
  DescEdit->setPlainText(Q(GetShipDescription()));
  FillPropertyList(PerformanceView, shippage::PerformanceRows(*ship_, support_));
  FillPropertyList(ModelView, shippage::ModelRows(*ship_, support_));
  FillPropertyList(WeaponView, shippage::WeaponRows(*ship_, support_));
}

void ucShip::ShowTurrets() {
  try {
    lblTData->setText(Q(ship_->size() > 0 ? shippage::TurretDescriptorLine(*ship_->Object) : "Turrets descriptor: "));
    const int32_t selected = kz::GetListViewSelIndex(TurView);
    TurView->clear();
    int32_t n = 1;
    for (const TurretPtr& turret : ship_->Turrets) {
      QStringList texts{QString::number(n++)};
      for (const std::string& cell : shippage::TurretCells(*turret)) texts << Q(cell);
      auto* item = new QTreeWidgetItem(TurView, texts);
      kz::SetItemKey(item, turret->key());
    }
    if (selected > 0) kz::SelectListViewItem(TurView, selected);
    CockpView->clear();
    for (const auto& row : shippage::CockpitRows(*ship_, *support_.Cockpits))
      new QTreeWidgetItem(CockpView, {Q(row[0]), Q(row[1]), Q(row[2])});
  } catch (const std::exception& e) {
    Msg(std::string("ucShip->ShowTurrets: Error while displaying turret data: \r\n") + e.what(), platform::vbCritical);
  }
}

void ucShip::ShowGunGroups() {
  const int32_t selected = kz::GetListViewSelIndex(GunGroupView);
  GunGroupView->clear();
  int32_t n = 1;
  for (const GunGroupPtr& group : ship_->GunGroups) {
    QStringList texts{QString::number(n++)};
    for (const std::string& cell : shippage::GunGroupCells(*group)) texts << Q(cell);
    auto* item = new QTreeWidgetItem(GunGroupView, texts);
    kz::SetItemKey(item, group->key());
  }
  if (selected > 0) kz::SelectListViewItem(GunGroupView, selected);
}

void ucShip::ShowGuns(const GunGroupPtr& group) {
  const int32_t selected = kz::GetListViewSelIndex(GunView);
  GunView->clear();
  if (!group) return;
  const bool user = rbGunView[0]->isChecked();
  int32_t n = 1;
  for (const GunPtr& gun : group->Guns) {
    QStringList texts{QString::number(n++)};
    for (const std::string& cell : shippage::GunCells(*gun, user)) texts << Q(cell);
    auto* item = new QTreeWidgetItem(GunView, texts);
    kz::SetItemKey(item, gun->key());
  }
  if (selected > 0) kz::SelectListViewItem(GunView, selected);
}

void ucShip::SelectTurret(QTreeWidgetItem* item) {
  if (!item) item = kz::GetSelectedListItem(TurView);
  CurrentTurret = item ? kz::CollGetItem(ship_->Turrets, S(kz::ItemKey(item))) : nullptr;
}

void ucShip::SelectGunGroup(QTreeWidgetItem* item) {
  if (!item) item = kz::GetSelectedListItem(GunGroupView);
  SetCurrentGunGroup(item ? kz::CollGetItem(ship_->GunGroups, S(kz::ItemKey(item))) : nullptr);
}

void ucShip::SetCurrentGunGroup(const GunGroupPtr& group) {
  CurrentGunGroup = group;
  ShowGuns(group);
  SelectGun(nullptr);
}

void ucShip::SelectGun(QTreeWidgetItem* item) {
  if (!item) item = kz::GetSelectedListItem(GunView);
  CurrentGun = item && CurrentGunGroup ? kz::CollGetItem(CurrentGunGroup->Guns, S(kz::ItemKey(item))) : nullptr;
}

void ucShip::FillMaskLists(QTreeWidget* installed, QTreeWidget* available, const TxtParserRef& records, int32_t field) {
  installed->clear();
  available->clear();
  if (ship_->size() <= field) return;
  int32_t mask = 0;
  if (!shippage::ReadMask(ship_->Value(field), mask)) return;
  for (const auto& row : shippage::MaskRows(*records, mask)) {
    auto* item = new QTreeWidgetItem(row.installed ? installed : available,
                                     {QString::number(row.position), Q(row.name)});
    kz::SetItemKey(item, row.key);
    item->setData(0, kz::kItemDataRole, row.position);
  }
}

void ucShip::ShowLasers() { FillMaskLists(LaserView, AvailLasView, support_.Lasers, shippage::kFieldLasers); }
void ucShip::ShowMissiles() { FillMaskLists(MslView, AvailMslView, support_.Missiles, shippage::kFieldMissiles); }

void ucShip::ShowWareListField() {
  int32_t id = 0;
  const bool has = !noShip_ && ship_->size() > shippage::kFieldWareList &&
                   kz::IsNumericValue(ship_->Value(shippage::kFieldWareList)) && [&] {
                     try {
                       id = kz::CLng(ship_->Value(shippage::kFieldWareList));
                       return true;
                     } catch (const kz::AppError&) {
                       return false;
                     }
                   }();
  if (!has) {
    WareListIDEdit->clear();
    if (WareListView) WareListView->Clear();
    return;
  }
  WareListIDEdit->setText(QString::number(id));
  if (WareListView) WareListView->ShowWareList(id);
}

void ucShip::SetupToolbar() {
  MainToolbar->clear();
  const bool shown = ship_->Object && ship_->Object->id != 0;
  for (const auto& b : shippage::ToolbarButtons(MainTab->currentIndex(), readOnly_, shown)) {
    QAction* action = MainToolbar->addAction(Q(b.caption));
    action->setObjectName(Q(b.key));
    if (!b.tip.empty()) action->setToolTip(Q(b.tip));
    action->setEnabled(b.enabled);
    const std::string key = b.key;
    connect(action, &QAction::triggered, this, [this, key] { ToolbarClick(key); });
  }
}

void ucShip::SetupGunColumns() {
  const bool user = rbGunView[0]->isChecked();
  GunView->clear();
  const auto columns = shippage::GunColumns(user);
  QStringList headers;
  for (const auto& c : columns) headers << Q(c.first);
  GunView->setColumnCount(headers.size());
  GunView->setHeaderLabels(headers);
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) GunView->setColumnWidth(i, Px(columns[size_t(i)].second));
  ShowGuns(CurrentGunGroup);
}

void ucShip::ArrangeMaskTab(QWidget* tab, QTreeWidget* installed, QPushButton* add, QPushButton* remove,
                            QTreeWidget* available, QLabel* availableLabel) {
  shippage::Box i = BoxOf(installed), a = BoxOf(add), r = BoxOf(remove), v = BoxOf(available),
                l = BoxOf(availableLabel);
  shippage::ArrangeMaskTab(Tw(tab->width()), Tw(tab->height()), i, a, r, v, l);
  Place(installed, i);
  Place(add, a);
  Place(remove, r);
  Place(available, v);
  Place(availableLabel, l);
  kz::FitLastColumn(installed, true);
  kz::FitLastColumn(available, true);
}

void ucShip::ArrangeCurrentTab() {
  const int index = MainTab->currentIndex();
  if (index < 0) return;
  QWidget* tab = tabs_[static_cast<size_t>(index)];
  const int32_t w = Tw(tab->width()), h = Tw(tab->height());
  switch (index) {
    case 0: {
      shippage::Box info = BoxOf(InfoView), desc = BoxOf(DescEdit);
      shippage::ArrangeInfoTab(w, h, info, desc);
      Place(InfoView, info);
      Place(DescEdit, desc);
      break;
    }
    case 1: case 2: case 3: case 8: {
      QWidget* control = index == 1 ? static_cast<QWidget*>(PerformanceView)
                         : index == 2 ? static_cast<QWidget*>(ModelView)
                         : index == 3 ? static_cast<QWidget*>(WeaponView)
                                      : static_cast<QWidget*>(WareListView);
      if (!control) break;
      shippage::Box b = BoxOf(control);
      shippage::ArrangeSingle(w, h, b);
      Place(control, b);
      break;
    }
    case 4: {
      shippage::Box t = BoxOf(TurView), l = BoxOf(lblCockp), c = BoxOf(CockpView);
      // The page area of a tab lies below its header: the list starts below the descriptor line.
      shippage::ArrangeTurretTab(w, h, TurView->y() > 0 ? Tw(TurView->y()) - 100 : 0, t, l, c);
      Place(TurView, t);
      Place(lblCockp, l);
      Place(CockpView, c);
      kz::FitLastColumn(CockpView);
      break;
    }
    case 5: {
      shippage::Box g = BoxOf(GunGroupView), l = BoxOf(lblGuns), u = BoxOf(rbGunView[0]), d = BoxOf(rbGunView[1]),
                    v = BoxOf(GunView);
      shippage::ArrangeGunTab(w, h, Tw(GunGroupView->y()) - 100, w, g, l, u, d, v);
      Place(GunGroupView, g);
      Place(lblGuns, l);
      Place(rbGunView[0], u);
      Place(rbGunView[1], d);
      Place(GunView, v);
      break;
    }
    case 6: ArrangeMaskTab(tab, LaserView, btnAddLaser, btnRemoveLaser, AvailLasView, lblAvailLasers); break;
    case 7: ArrangeMaskTab(tab, MslView, btnAddMsl, btnRemoveMsl, AvailMslView, lblAvailMsls); break;
    default: break;
  }
}

void ucShip::resizeEvent(QResizeEvent* e) {
  EditorPage::resizeEvent(e);
  try {
    ArrangeCurrentTab();
  } catch (const std::exception&) {
  }
}

bool ucShip::eventFilter(QObject* watched, QEvent* event) {
  try {
    if (event->type() == QEvent::KeyPress) {
      if (auto* list = qobject_cast<QTreeWidget*>(watched)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
            (key->key() == Qt::Key_Insert && (key->modifiers() & Qt::ControlModifier))) {
          ListKeyDown(list, key->key(), key->modifiers());
          return true;
        }
      }
    } else if (event->type() == QEvent::MouseButtonDblClick && watched == WareListIDEdit) {
      // Only a shown ship on a page that may edit has a ware list to change.
      if (!noShip_ && !readOnly_ && EditField(shippage::kFieldWareList)) {
        ShowWareListField();
        Changed();
      }
      return true;
    } else if (event->type() == QEvent::Resize && MainTab->currentIndex() >= 0 &&
               watched == tabs_[static_cast<size_t>(MainTab->currentIndex())]) {
      ArrangeCurrentTab();
    }
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
  }
  return EditorPage::eventFilter(watched, event);
}

int32_t ucShip::Msg(const std::string& text, int32_t flags) {
  return platform::Ui::Instance().MsgBox(text, flags, kz::GetAppTitle(), window());
}

void ucShip::Changed() { emit OnObjectChanged(ship_->Object); }
