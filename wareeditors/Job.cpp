#include "wareeditors/Job.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "core/Common.h"
#include "core/Settings.h"
#include "core/ui/CommonUi.h"
#include "core/ui/GenericUi.h"
#include "platform/Ui.h"
#include "txteditor/Edit.h"
#include "typefiles/Archive.h"
#include "typefiles/FieldTables.h"
#include "wareeditors/WareListViewer.h"
#include "wareeditors/model/WareListRules.h"

using namespace mdlJob;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

int PixelsOf(const QWidget* w, int32_t twips) {
  return static_cast<int>(int64_t(twips) * std::max(1, w->logicalDpiX()) / 1440);
}
int32_t TwipsOf(const QWidget* w, int pixels) {
  return static_cast<int32_t>(int64_t(pixels) * 1440 / std::max(1, w->logicalDpiX()));
}

QTreeWidget* NewPropertyList(QWidget* parent, const char* name) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(name);
  list->setRootIsDecorated(false);
  list->setAllColumnsShowFocus(true);
  list->setUniformRowHeights(true);
  list->setHeaderLabels({"Name", "Value", "[offset]"});
  list->setColumnWidth(0, 180);
  return list;
}

QGroupBox* NewFrame(QWidget* parent, const char* name, const char* caption) {
  auto* frame = new QGroupBox(caption, parent);
  frame->setObjectName(name);
  return frame;
}

// Sets the filling flag for the life of the object: cleared on every way out.
class FillingScope {
 public:
  explicit FillingScope(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
  ~FillingScope() { flag_ = previous_; }
  FillingScope(const FillingScope&) = delete;
  FillingScope& operator=(const FillingScope&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

const std::vector<const char*> kShipNameFlagsCaptions = {"Race", "Corporation", "Ship Type", "Variant Name"};
const std::vector<const char*> kShipClassesCaptions = {"M1", "M2", "M3", "M4", "M5", "M6", "TP", "TS", "TL"};
const std::vector<const char*> kShipRacesCaptions = {"Aurel",  "Brenn",   "Skarn", "Pellan",  "Tovash",
                                             "Vekkar", "Pirates", "Quorr", "Pilgrim", "Kessai"};
const std::vector<const char*> kSectorFlagsCaptions = {"Is owner's sector",    "Is core sector",   "Has shipyard",
                                               "Has owner's stations", "Not enemy sector", "Is border sector"};
const std::vector<const char*> kCreationFlagsCaptions = {"Create in shipyard", "Create in gate", "Create inside sector",
                                                 "Create outside sector", "Create NULL"};
const std::vector<const char*> kOwnerRacesCaptions = {"Aurel", "Brenn", "Skarn",   "Pellan", "Tovash",
                                              "Vekkar", "Quorr", "Pilgrim", "Kessai", "Pirate"};
const std::vector<const char*> kWeaponForbidCaptions = {"Ray Emmiter", "Particle Cannon", "Plasma Thrower",
                                                "Photon Cannon", "Lance Emmiter"};
const std::vector<const char*> kWeaponAllowCaptions = {"Mass Driver", "PSG", "Ion Cannon", "Flak",
                                               "IH", "Mining las.", "Tug", "Repair las."};
const std::vector<const char*> kPlacementVariousCaptions = {"Is invincible", "Is hidden pirate", "Destroy OOS",
                                                    "Rebuild in new sector", "Fly average speed"};
const std::vector<const char*> kClassificationsCaptions = {"Military", "Trader", "Civilian", "Fighter"};

}  // namespace

// The ship-type combo's entries, made as the combo asks for them.
class ucJob::ShipComboModel : public QAbstractListModel {
 public:
  ShipComboModel(const mdlJob::ShipCombo& combo, QObject* parent) : QAbstractListModel(parent), combo_(combo) {}
  void Reset() {
    beginResetModel();
    endResetModel();
  }
  int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : combo_.Count(); }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return QString::fromStdString(combo_.Text(index.row()));
  }

 private:
  const mdlJob::ShipCombo& combo_;
};

// ---- building ----------------------------------------------------------------------------

ucJob::ucJob(QWidget* parent) : EditorPage(parent) {
  kz::InitJobTables();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  MainTab = new QTabWidget(this);
  MainTab->setObjectName("MainTab");
  layout->addWidget(MainTab);
  BuildInfoTab();
  BuildShipTypeTab();
  BuildPlacementTab();
  BuildEquipmentTab();
  BuildWaresTab();
  BuildWingsTab();
  MainTab->setCurrentIndex(0);
}

ucJob::~ucJob() = default;

QCheckBox* ucJob::MakeBox(QWidget* parent, const char* name, const char* caption, int32_t field) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  boxes_.push_back({box, field});
  // Clicks by the user only: the fills set boxes without writing a field.
  connect(box, &QCheckBox::clicked, this, [this, box, field](bool checked) {
    Guarded([&] { BoxClicked(box, field, checked); });
  });
  return box;
}

std::vector<QCheckBox*> ucJob::MakeBoxes(QWidget* parent, const char* name, int32_t base,
                                         const std::vector<const char*>& captions, int columns) {
  auto* grid = new QGridLayout(parent);
  std::vector<QCheckBox*> boxes;
  for (size_t i = 0; i < captions.size(); ++i) {
    QCheckBox* box = MakeBox(parent, name, captions[i], base + static_cast<int32_t>(i));
    box->setProperty("Index", static_cast<int>(i));
    grid->addWidget(box, static_cast<int>(i) / columns, static_cast<int>(i) % columns);
    boxes.push_back(box);
  }
  return boxes;
}

QLineEdit* ucJob::MakeFieldEdit(QWidget* parent, const char* name, int32_t field, const char* tip) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setReadOnly(true);  // changed only through the value dialog
  edit->setToolTip(tip);
  edit->installEventFilter(this);
  fieldEdits_.emplace_back(edit, field);
  return edit;
}

void ucJob::BuildInfoTab() {
  auto* tab = new QWidget;
  auto* layout = new QVBoxLayout(tab);
  layout->setContentsMargins(0, 0, 7, 7);
  PropView = NewPropertyList(tab, "PropView");
  PropView->installEventFilter(this);
  connect(PropView, &QTreeWidget::itemDoubleClicked, this, [this] { Guarded([this] { EditRow(PropView); }); });
  layout->addWidget(PropView);
  MainTab->addTab(tab, "Info");
}

void ucJob::BuildShipTypeTab() {
  auto* tab = new QWidget;
  auto* grid = new QGridLayout(tab);

  FrameShipName = NewFrame(tab, "FrameShipName", "Ship name");
  auto* nameLayout = new QGridLayout(FrameShipName);
  nameLayout->addWidget(new QLabel("Custom text ID", FrameShipName), 0, 0);
  ShipNameIDEdit = MakeFieldEdit(FrameShipName, "ShipNameIDEdit", kShipName, "Double click to change");
  kz::SetNumbersOnly(ShipNameIDEdit);
  nameLayout->addWidget(ShipNameIDEdit, 0, 1);
  lblShipName = new QLabel("[traslated ship name]", FrameShipName);
  lblShipName->setObjectName("lblShipName");
  nameLayout->addWidget(lblShipName, 1, 0, 1, 2);
  auto* show = new QGroupBox("Show", FrameShipName);
  chkShipNameFlags = MakeBoxes(show, "chkShipNameFlags", kShipNameFlags, kShipNameFlagsCaptions, 4);
  nameLayout->addWidget(show, 2, 0, 1, 2);
  grid->addWidget(FrameShipName, 0, 0, 1, 2);

  FrameShipClass = NewFrame(tab, "FrameShipClass", "Class");
  auto* classLayout = new QVBoxLayout(FrameShipClass);
  auto* idRow = new QHBoxLayout;
  idRow->addWidget(new QLabel("Ship ID", FrameShipClass));
  cmbShipTypeID = new QComboBox(FrameShipClass);
  cmbShipTypeID->setObjectName("cmbShipTypeID");
  cmbShipTypeID->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cmbShipTypeID->setMinimumContentsLength(24);
  shipModel_ = new ShipComboModel(shipCombo_, this);
  cmbShipTypeID->setModel(shipModel_);
  idRow->addWidget(cmbShipTypeID, 1);
  classLayout->addLayout(idRow);
  auto* classBoxes = new QWidget(FrameShipClass);
  chkShipClass = MakeBoxes(classBoxes, "chkShipClass", kShipClasses, kShipClassesCaptions, 9);
  classLayout->addWidget(classBoxes);
  connect(cmbShipTypeID, &QComboBox::activated, this, [this](int item) { Guarded([&] { ShipTypeChosen(item); }); });
  grid->addWidget(FrameShipClass, 1, 0, 1, 2);

  FrameShipRace = NewFrame(tab, "FrameShipRace", "Type");
  chkShipRace = MakeBoxes(FrameShipRace, "chkShipRace", kShipRaces, kShipRacesCaptions, 5);
  grid->addWidget(FrameShipRace, 2, 0, 1, 2);

  FrameShipVariant = NewFrame(tab, "FrameShipVariant", "Variant");
  std::vector<std::string> numbers;
  std::vector<const char*> variantCaptions = {"Basic"};
  for (int i = 1; i <= 16; ++i) numbers.push_back(std::to_string(i));
  for (const std::string& n : numbers) variantCaptions.push_back(n.c_str());
  chkShipVariant = MakeBoxes(FrameShipVariant, "chkShipVariant", kShipVariants, variantCaptions, 6);
  grid->addWidget(FrameShipVariant, 3, 0, 1, 2);

  FrameShipClassification = NewFrame(tab, "FrameShipClassification", "Classification");
  auto* optionLayout = new QVBoxLayout(FrameShipClassification);
  classification_ = new QButtonGroup(this);
  for (size_t i = 0; i < kClassificationsCaptions.size(); ++i) {
    auto* option = new QRadioButton(kClassificationsCaptions[i], FrameShipClassification);
    option->setObjectName("rbShipClassification");
    option->setProperty("Index", static_cast<int>(i));
    classification_->addButton(option, static_cast<int>(i));
    optionLayout->addWidget(option);
    rbShipClassification[i] = option;
    connect(option, &QRadioButton::clicked, this, [this] { Guarded([this] { OptionClicked(); }); });
  }
  grid->addWidget(FrameShipClassification, 4, 0);

  FrameOwnerRace = NewFrame(tab, "FrameOwnerRace", "Ship owner");
  chkOwnerRace = MakeBoxes(FrameOwnerRace, "chkOwnerRace", kOwnerRaces, kOwnerRacesCaptions, 5);
  grid->addWidget(FrameOwnerRace, 4, 1);
  grid->setRowStretch(5, 1);
  MainTab->addTab(tab, "Ship type");
}

void ucJob::BuildPlacementTab() {
  auto* tab = new QWidget;
  auto* grid = new QGridLayout(tab);
  FrameSectorFlags = NewFrame(tab, "FrameSectorFlags", "Sector flags");
  chkSectorFlags = MakeBoxes(FrameSectorFlags, "chkSectorFlags", kSectorFlags, kSectorFlagsCaptions, 2);
  grid->addWidget(FrameSectorFlags, 0, 0, 1, 2);
  chkSectorFlagsInverted = MakeBox(tab, "chkSectorFlagsInverted", "Invert sector flags", kSectorFlagsInverted);
  grid->addWidget(chkSectorFlagsInverted, 1, 0, 1, 2);

  auto* coordinates = new QHBoxLayout;
  coordinates->addWidget(new QLabel("Sector coordinates:", tab));
  coordinates->addWidget(new QLabel("X", tab));
  SectorXEdit = MakeFieldEdit(tab, "SectorXEdit", kSectorX, "Doubleclick to change");
  kz::SetNumbersOnly(SectorXEdit);
  coordinates->addWidget(SectorXEdit);
  coordinates->addWidget(new QLabel("Y", tab));
  SectorYEdit = MakeFieldEdit(tab, "SectorYEdit", kSectorY, "Doubleclick to change");
  kz::SetNumbersOnly(SectorYEdit);
  coordinates->addWidget(SectorYEdit);
  coordinates->addStretch();
  grid->addLayout(coordinates, 2, 0, 1, 2);

  FrameSectorCreationFlags = NewFrame(tab, "FrameSectorCreationFlags", "Creation flags");
  auto* creation = new QVBoxLayout(FrameSectorCreationFlags);
  auto* creationBoxes = new QWidget(FrameSectorCreationFlags);
  chkSectorCreationFlags = MakeBoxes(creationBoxes, "chkSectorCreationFlags", kCreationFlags, kCreationFlagsCaptions, 3);
  creation->addWidget(creationBoxes);
  auto* docked = new QHBoxLayout;
  docked->addWidget(new QLabel("Chance ship docked", FrameSectorCreationFlags));
  ChanceDockedEdit = MakeFieldEdit(FrameSectorCreationFlags, "ChanceDockedEdit", kChanceDocked, "Doubleclick to change");
  docked->addWidget(ChanceDockedEdit);
  docked->addStretch();
  creation->addLayout(docked);
  grid->addWidget(FrameSectorCreationFlags, 3, 0, 1, 2);

  FramePlacementVarious = NewFrame(tab, "FramePlacementVarious", "Various");
  chkPlacementVarious = MakeBoxes(FramePlacementVarious, "chkPlacementVarious", kPlacement, kPlacementVariousCaptions, 3);
  grid->addWidget(FramePlacementVarious, 4, 0, 1, 2);
  grid->setRowStretch(5, 1);
  MainTab->addTab(tab, "Placement");
}

void ucJob::BuildEquipmentTab() {
  auto* tab = new QWidget;
  auto* grid = new QGridLayout(tab);
  grid->setContentsMargins(4, 4, 7, 7);
  FrameWeaponsAllow = NewFrame(tab, "FrameWeaponsAllow", "Allow");
  auto* allow = new QVBoxLayout(FrameWeaponsAllow);
  chkWeaponAllowDrones = MakeBox(FrameWeaponsAllow, "chkWeaponAllowDrones", "Fighter Drones", kDrones);
  allow->addWidget(chkWeaponAllowDrones);
  auto* allowBoxes = new QWidget(FrameWeaponsAllow);
  chkWeaponAllow = MakeBoxes(allowBoxes, "chkWeaponAllow", kWeaponAllow, kWeaponAllowCaptions, 4);
  allow->addWidget(allowBoxes);
  grid->addWidget(FrameWeaponsAllow, 0, 0);
  FrameWeaponsForbid = NewFrame(tab, "FrameWeaponsForbid", "Forbid");
  chkWeaponForbid = MakeBoxes(FrameWeaponsForbid, "chkWeaponForbid", kWeaponForbid, kWeaponForbidCaptions, 3);
  grid->addWidget(FrameWeaponsForbid, 1, 0);
  EquipView = NewPropertyList(tab, "EquipView");
  EquipView->installEventFilter(this);
  connect(EquipView, &QTreeWidget::itemDoubleClicked, this, [this] { Guarded([this] { EditRow(EquipView); }); });
  grid->addWidget(EquipView, 2, 0);
  grid->setRowStretch(2, 1);
  MainTab->addTab(tab, "Weapons && Equipment");
}

void ucJob::BuildWaresTab() {
  auto* tab = new QWidget;
  auto* layout = new QVBoxLayout(tab);
  layout->setContentsMargins(0, 0, 7, 7);
  WareListView = new WareListViewer(tab);
  WareListView->setObjectName("WareListView");
  layout->addWidget(WareListView);
  MainTab->addTab(tab, "Wares");
}

void ucJob::BuildWingsTab() {
  auto* tab = new QWidget;
  auto* layout = new QVBoxLayout(tab);
  layout->setContentsMargins(0, 0, 7, 7);
  WingsView = new QTreeWidget(tab);
  WingsView->setObjectName("WingsView");
  WingsView->setRootIsDecorated(false);
  WingsView->setUniformRowHeights(true);
  WingsView->setAllColumnsShowFocus(true);
  WingsView->setColumnCount(0);
  layout->addWidget(WingsView);
  MainTab->addTab(tab, "Wings");
}

// ---- host members -------------------------------------------------------------------------

bool ucJob::DoInit(TxtParserRef& parser) {
  warned_ = false;
  if (!initialised_) {
    for (size_t i = 0; i < chkShipVariant.size(); ++i)
      chkShipVariant[i]->setText(Q(VariantCaption(static_cast<int32_t>(i))));
    WareListView->Init();
    ships_ = Archive ? Archive->GetFile("TShips") : nullptr;
    wings_ = Archive ? Archive->GetFile("JobWings") : nullptr;
    FillingScope filling(filling_);
    shipCombo_ = ShipCombo(ships_, Settings ? Settings->LoadDescriptions() : false);
    shipModel_->Reset();
    initialised_ = true;
  }
  parser_ = parser;
  return true;
}

bool ucJob::JvQueryInterfaceEx(int32_t& type) { return type == kJobsType; }
std::string ucJob::GetLastError() { return lastError_; }
std::string ucJob::PageName(int32_t& type) { return type == kJobsType ? "Job info" : ""; }
int32_t ucJob::JvQueryInfo(int32_t&) { return 1; }
bool ucJob::Validate(std::string&) { return true; }
std::string ucJob::ObjectTypeName(int32_t& type) {
  if (type != kJobsType) return {};
  return "Jobs v." + std::to_string(parser_ ? parser_->Version() : 0);
}
std::string ucJob::ObjectName(TXTObjectRef& record) { return record ? JobObjectName(*record) : std::string(); }
std::string ucJob::GetResourceName(TXTObjectRef& record) { return record ? JobResourceName(*record) : std::string(); }
std::string ucJob::GetRace(TXTObjectRef&) { return {}; }
std::string ucJob::GetClass(TXTObjectRef&) { return {}; }

void ucJob::ShowObject(TXTObjectRef& record, int32_t&) {
  FillingScope filling(filling_);
  if (record && record->size() < kLogicalFields && !warned_) {
    const std::string version = std::to_string(parser_ ? parser_->Version() : 0);
    platform::Ui::Instance().MsgBox("Warning - this is old Job file (ver. " + version +
                                        ")\r\n\r\nIt's possible that not all user controls will behave correctly.",
                                    platform::vbExclamation, kz::GetAppTitle(), window());
    warned_ = true;
  }
  record_ = record;
  FillInfo();
  FillShipType();
  FillPlacement();
  FillEquipment();
  FillWares();
  FillWings();
}

TXTObjectRef ucJob::CreateObject(int32_t& type, TxtParserRef& parser, TXTObjectRef before) {
  if (type != kJobsType || !parser) return nullptr;
  const int32_t version = parser_ ? parser_->Version() : 0;
  const int32_t size = JobRecordSize(version);
  if (size == 0) {
    lastError_ = UnknownSizeError(version);
    return nullptr;
  }
  TXTObjectRef record = parser->CreateObject(before);
  record->Construct(size);
  record->SetObjectName("0");
  return record;
}

void ucJob::InitObject(TXTObjectRef&) {}

void ucJob::JvAssignUniqueObjectName(TXTObjectRef& record) {
  if (!record || record->size() < 2) return;
  int32_t id = 0;
  if (!parser_ || !NextJobID(*parser_, id, lastError_)) {
    if (parser_) parser_->RemoveObject(record);  // a new record without an ID of its own is not kept
    throw kz::AppError(kz::kErrOverflow, "ucJob", lastError_);
  }
  record->SetValue(0, kz::Variant(id));
  record->SetValue(1, kz::Variant("NEW JOB"));
}

bool ucJob::RemoveObject(TXTObjectRef& record) { return parser_ && parser_->RemoveObject(record); }

std::string ucJob::JvGetPropertyName(TXTObjectRef&, int32_t& index) { return JobPropertyName(index); }
int32_t ucJob::JvSupportValueTranslate(TXTObjectRef&, int32_t&) { return 0; }
int32_t ucJob::JvGetValueType(TXTObjectRef&, int32_t& index) { return JobValueType(index); }
std::string ucJob::JvGetValueUnit(TXTObjectRef&, int32_t&) { return {}; }
bool ucJob::JvTranslateValue(TXTObjectRef&, int32_t&, std::string&, bool) { return false; }
bool ucJob::TranslateValueBack(TXTObjectRef&, const std::string&, int32_t&, kz::Variant&) { return false; }
kz::NameTable ucJob::GetPropertyValues(TXTObjectRef&, int32_t&) { return {}; }
bool ucJob::ReadOnly() { return false; }

// ---- filling ----------------------------------------------------------------------------

void ucJob::ShowBox(QCheckBox* box, int32_t field) {
  const bool present = record_ && HasJobField(*record_, field);
  box->setEnabled(present);
  box->setChecked(present && JobFlag(*record_, field));
}

void ucJob::ShowBoxes(const std::vector<QCheckBox*>& boxes, int32_t base) {
  for (size_t i = 0; i < boxes.size(); ++i) ShowBox(boxes[i], base + static_cast<int32_t>(i));
}

void ucJob::ShowFieldText(QLineEdit* edit, int32_t field) {
  edit->setText(record_ ? Q(kz::CStr(GetJobField(*record_, field))) : QString());
}

void ucJob::ShowRows(QTreeWidget* view, const std::vector<PropertyRow>& rows) {
  for (const PropertyRow& row : rows) {
    kz::AddListViewRow(view, row.caption, row.value, row.tag >= 0 ? kz::Variant(row.tag) : kz::Variant(),
                       row.offset);
  }
}

void ucJob::FillInfo() {
  const int32_t selected = kz::GetListViewSelIndex(PropView);
  PropView->clear();
  if (!record_) return;
  ShowRows(PropView, InfoRows(*record_));
  if (selected > 0) kz::SelectListViewItem(PropView, selected);
  kz::FitColumnsToTexts(PropView);
}

void ucJob::FillShipType() {
  ShowFieldText(ShipNameIDEdit, kShipName);
  lblShipName->setText(record_ ? Q(ShipNamePreview(*record_)) : QString());
  ShowBoxes(chkShipNameFlags, kShipNameFlags);
  if (!record_) {
    for (auto* boxes : {&chkShipClass, &chkShipRace, &chkShipVariant})
      for (QCheckBox* box : *boxes) box->setChecked(false);
    cmbShipTypeID->setCurrentIndex(-1);
    return;
  }
  cmbShipTypeID->setCurrentIndex(shipCombo_.IndexOf(*record_));
  ShowBoxes(chkShipClass, kShipClasses);
  ShowBoxes(chkShipRace, kShipRaces);
  ShowBoxes(chkShipVariant, kShipVariants);
  // The options show this record's classification only: none set, none selected.
  const int32_t option = Classification(*record_);
  classification_->setExclusive(false);
  for (size_t i = 0; i < rbShipClassification.size(); ++i) {
    rbShipClassification[i]->setChecked(static_cast<int32_t>(i) == option);
    rbShipClassification[i]->setEnabled(HasJobField(*record_, kClassification + static_cast<int32_t>(i)));
  }
  classification_->setExclusive(true);
  EnableClassBoxes();
}

void ucJob::EnableClassBoxes() {
  const bool empty = cmbShipTypeID->currentIndex() == 0;
  for (size_t i = 0; i < chkShipClass.size(); ++i)
    chkShipClass[i]->setEnabled(empty && record_ && HasJobField(*record_, kShipClasses + static_cast<int32_t>(i)));
}

void ucJob::FillPlacement() {
  ShowBoxes(chkSectorFlags, kSectorFlags);
  ShowBox(chkSectorFlagsInverted, kSectorFlagsInverted);
  ShowFieldText(SectorXEdit, kSectorX);
  ShowFieldText(SectorYEdit, kSectorY);
  ShowBoxes(chkSectorCreationFlags, kCreationFlags);
  ShowBoxes(chkOwnerRace, kOwnerRaces);
  ShowBoxes(chkPlacementVarious, kPlacement);
  ShowFieldText(ChanceDockedEdit, kChanceDocked);
}

void ucJob::FillEquipment() {
  EquipView->clear();
  ShowBox(chkWeaponAllowDrones, kDrones);
  ShowBoxes(chkWeaponAllow, kWeaponAllow);
  ShowBoxes(chkWeaponForbid, kWeaponForbid);
  if (record_) ShowRows(EquipView, EquipmentRows(*record_));
  kz::FitColumnsToTexts(EquipView);
}

void ucJob::FillWares() {
  if (!record_) {
    WareListView->Clear();
    return;
  }
  int32_t list = 0;
  if (JobFieldLong(*record_, kWareList, list))
    WareListView->ShowWareList(list);
  else
    WareListView->ShowMissing(kz::CStr(GetJobField(*record_, kWareList)));
}

void ucJob::FillWings() {
  WingsView->setUpdatesEnabled(false);
  WingsView->clear();
  if (!record_) {
    WingsView->setUpdatesEnabled(true);
    return;
  }
  const WingView wing = WingRows(*record_, wings_.get(), parser_.get(), &jobIndex_);
  const QFontMetrics metrics(WingsView->font());
  int widestID = 0, widestName = 0;
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(wing.rows.size()));
  for (const WingRow& row : wing.rows) {
    auto* item = new QTreeWidgetItem;
    const QString id = Q(row.id), name = Q(row.name);
    item->setText(0, id);
    item->setText(1, name);
    widestID = std::max(widestID, metrics.horizontalAdvance(id));
    widestName = std::max(widestName, metrics.horizontalAdvance(name));
    items.push_back(item);
  }
  if (!wing.missing.empty()) {
    WingsView->setColumnCount(1);
    WingsView->setHeaderLabels({Q(wing.missing)});
    WingsView->setColumnWidth(0, std::max(0, WingsView->width() - PixelsOf(WingsView, 100)));
  } else {
    using mdlWareListView::FittedColumnWidth;
    WingsView->setColumnCount(2);
    WingsView->setHeaderLabels({"ID", "Name"});
    const int32_t idTw = items.isEmpty() ? 0 : TwipsOf(WingsView, widestID) + mdlWareListView::kColumnPaddingTwips;
    const int32_t nameTw = items.isEmpty() ? 0 : TwipsOf(WingsView, widestName) + mdlWareListView::kColumnPaddingTwips;
    WingsView->setColumnWidth(0, PixelsOf(WingsView, FittedColumnWidth(idTw)));
    WingsView->setColumnWidth(1, PixelsOf(WingsView, FittedColumnWidth(nameTw)));
    WingsView->addTopLevelItems(items);
  }
  WingsView->setUpdatesEnabled(true);
}

// ---- editing ----------------------------------------------------------------------------

void ucJob::Guarded(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, kz::GetAppTitle(), window());
  }
}

void ucJob::BoxClicked(QCheckBox*, int32_t field, bool checked) {
  if (!record_) return;
  if (SetJobField(*record_, field, kz::Variant(int32_t(checked ? 1 : 0)))) emit OnObjectChanged(record_);
}

void ucJob::OptionClicked() {
  if (!record_) return;
  for (size_t i = 0; i < rbShipClassification.size(); ++i)
    SetJobField(*record_, kClassification + static_cast<int32_t>(i),
                kz::Variant(int32_t(rbShipClassification[i]->isChecked() ? 1 : 0)));
  emit OnObjectChanged(record_);
}

void ucJob::ShipTypeChosen(int item) {
  if (filling_ || !record_) return;
  const std::string ship = shipCombo_.ShipID(item);
  if (item > 0 && !ship.empty()) {
    SetJobField(*record_, kShipType, kz::Variant(ship));
    for (int32_t i = 0; i < 9; ++i) SetJobField(*record_, kShipClasses + i, kz::Variant(int32_t(0)));
  } else {
    SetJobField(*record_, kShipType, kz::Variant(std::string()));
  }
  {
    FillingScope filling(filling_);
    EnableClassBoxes();
    FillShipType();
  }
  emit OnObjectChanged(record_);
}

void ucJob::EditField(int32_t n) {
  if (ReadOnly() || !record_) return;
  const int32_t field = MapJobField(*record_, n);
  if (field < 0) return;
  QWidget* owner = parentWidget() ? parentWidget()->window() : window();
  frmEdit dialog(owner);
  dialog.AllowSlash = true;
  TXTObjectRef record = record_;
  dialog.ShowProperty(this, record, record->otype, field, true, owner);
  if (dialog.ModalResult == 1) {
    int32_t type = record->otype;
    ShowObject(record, type);
    emit OnObjectChanged(record);
  }
}

void ucJob::EditRow(QTreeWidget* view) {
  if (ReadOnly()) return;
  QTreeWidgetItem* item = view->currentItem();
  if (!item || !item->isSelected()) return;
  const QVariant tag = item->data(0, kz::kItemDataRole);
  if (!tag.isValid() || tag.toString().isEmpty()) return;
  EditField(tag.toInt());
}

bool ucJob::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    for (const auto& [edit, field] : fieldEdits_)
      if (watched == edit) {
        const int32_t n = field;
        Guarded([&] { EditField(n); });
        return true;
      }
  }
  if (event->type() == QEvent::KeyPress && (watched == PropView || watched == EquipView)) {
    auto* view = static_cast<QTreeWidget*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      Guarded([&] { EditRow(view); });
      return true;
    }
    if (key->key() == Qt::Key_Insert && (key->modifiers() & Qt::ControlModifier)) {
      if (QTreeWidgetItem* item = view->currentItem(); item && item->isSelected()) {
        QApplication::clipboard()->clear();
        QApplication::clipboard()->setText(item->text(1));
      }
      return true;
    }
  }
  return EditorPage::eventFilter(watched, event);
}
