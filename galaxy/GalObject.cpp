#include "galaxy/GalObject.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/KzConst.h"
#include "core/Settings.h"
#include "core/ui/CommonUi.h"
#include "core/ui/GenericUi.h"
#include "galaxy/GalEdit.h"
#include "galaxy/model/GalaxyEditorRules.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "galaxy/model/GalaxyValues.h"
#include "platform/Ui.h"
#include "txteditor/EditorPage.h"
#include "txteditor/TXTEditor.h"
#include "typefiles/Archive.h"

using namespace mdlGalaxyEditorRules;

namespace {

constexpr const char* kSettingsSection = "GE\\GalObjectEditor";
constexpr int kTagRole = Qt::UserRole + 2;  // a property row's attribute name

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toUtf8().toStdString(); }
int Tw(int twips) { return twips / 15; }

std::string ValueText(const kz::Variant& v) { return kz::CStr(v); }

// A table look-up by a stored value; the value's own text when it is no number.
std::string LookupByValue(const kz::NameTable& names, const kz::Variant& v, bool naOutside) {
  int32_t n = 0;
  if (!mdlGalaxy::GalaxyNumber(v, n)) return ValueText(v);
  return kz::LookupName(names, n, naOutside);
}

}  // namespace

ucGalObject::ucGalObject(QWidget* parent) : QWidget(parent) {
  setObjectName("ObjectEdit");
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(0, 0, 0, 0);
  MainTab = new QTabWidget(this);
  MainTab->setObjectName("MainTab");
  top->addWidget(MainTab);

  auto makeList = [](QWidget* host, const char* name) {
    auto* list = new QTreeWidget(host);
    list->setObjectName(name);
    list->setColumnCount(2);
    list->setHeaderLabels({"Name", "Value"});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAllColumnsShowFocus(true);
    list->header()->setStretchLastSection(true);
    list->setColumnWidth(0, Tw(2400));
    return list;
  };

  // Tab 0: the raw attributes.
  auto* rawTab = new QWidget(MainTab);
  auto* rawLayout = new QVBoxLayout(rawTab);
  rawLayout->setContentsMargins(Tw(100), Tw(100), Tw(100), Tw(100));
  RawView = makeList(rawTab, "RawView");
  rawLayout->addWidget(RawView);
  MainTab->addTab(rawTab, "Raw data");

  // Tab 1: the property list and its options.
  auto* propTab = new QWidget(MainTab);
  auto* propLayout = new QVBoxLayout(propTab);
  propLayout->setContentsMargins(Tw(100), Tw(100), Tw(100), Tw(100));
  auto* options = new QHBoxLayout;
  Frame1 = new QGroupBox(propTab);
  Frame1->setObjectName("Frame1");
  auto* f1 = new QHBoxLayout(Frame1);
  const char* nameTexts[2] = {"Name", "ID"};
  const char* nameTips[2] = {"Show names of objects", "Show IDs of objects"};
  for (size_t i = 0; i < 2; ++i) {
    rbName[i] = new QRadioButton(nameTexts[i], Frame1);
    rbName[i]->setObjectName(QString("rbName%1").arg(i));
    rbName[i]->setToolTip(nameTips[i]);
    f1->addWidget(rbName[i]);
    connect(rbName[i], &QRadioButton::clicked, this, [this] { SetShowNames(rbName[0]->isChecked()); });
  }
  Frame2 = new QGroupBox(propTab);
  Frame2->setObjectName("Frame2");
  auto* f2 = new QHBoxLayout(Frame2);
  const char* unitTexts[3] = {"Meters", "Game units", "Miles"};
  for (size_t i = 0; i < 3; ++i) {
    rbDistUnits[i] = new QRadioButton(unitTexts[i], Frame2);
    rbDistUnits[i]->setObjectName(QString("rbDistUnits%1").arg(i));
    f2->addWidget(rbDistUnits[i]);
    connect(rbDistUnits[i], &QRadioButton::clicked, this, [this, i] { SetDistanceUnit(static_cast<int32_t>(i)); });
  }
  Frame3 = new QGroupBox(propTab);
  Frame3->setObjectName("Frame3");
  auto* f3 = new QHBoxLayout(Frame3);
  const char* hexTexts[2] = {"Hexa", "Decadic"};
  const char* hexTips[2] = {"Show numbers in hexadecimal format", "Show numbers in decadic format"};
  for (size_t i = 0; i < 2; ++i) {
    rbHexa[i] = new QRadioButton(hexTexts[i], Frame3);
    rbHexa[i]->setObjectName(QString("rbHexa%1").arg(i));
    rbHexa[i]->setToolTip(hexTips[i]);
    f3->addWidget(rbHexa[i]);
    connect(rbHexa[i], &QRadioButton::clicked, this, [this] { SetHexa(rbHexa[0]->isChecked()); });
  }
  options->addWidget(Frame1);
  options->addWidget(Frame2);
  options->addWidget(Frame3);
  options->addStretch(1);
  PropView = makeList(propTab, "PropView");
  propLayout->addWidget(PropView, 1);
  propLayout->addLayout(options);
  MainTab->addTab(propTab, "Object info");

  // Tab 2: the embedded pages, made by the type-file editor's page factories.
  pageHost_ = new QWidget(MainTab);
  pageHost_->setObjectName("PageHost");
  auto* pageLayout = new QVBoxLayout(pageHost_);
  pageLayout->setContentsMargins(Tw(50), Tw(75), Tw(75), Tw(75));
  auto makePage = [&](int slot, const char* name) -> EditorPage* {
    frmTXTEditor::PageFactory make = frmTXTEditor::PageFactoryOf(slot);
    if (!make) return nullptr;
    EditorPage* page = nullptr;
    try {
      page = make(pageHost_);
    } catch (const std::exception&) {
      return nullptr;
    }
    if (!page) return nullptr;
    page->setObjectName(name);
    page->setVisible(false);
    pageLayout->addWidget(page);
    return page;
  };
  ShipEdit = makePage(frmTXTEditor::kShipPage, "ShipEdit");
  WareEdit = makePage(frmTXTEditor::kWarePage, "WareEdit");
  MainTab->addTab(pageHost_, "");

  mnuProp = new QMenu(this);
  mnuProp->setObjectName("mnuProp");
  mnuPropEdit = mnuProp->addAction("Edit");
  mnuPropEdit->setObjectName("mnuPropEdit");
  QFont bold = mnuPropEdit->font();
  bold.setBold(true);
  mnuPropEdit->setFont(bold);
  mnuProp->setDefaultAction(mnuPropEdit);
  mnuProp->addSeparator()->setObjectName("mnuPropSep");
  mnuPropAdd = mnuProp->addAction("Add property...");
  mnuPropAdd->setObjectName("mnuPropAdd");
  mnuPropDelete = mnuProp->addAction("Remove property...");
  mnuPropDelete->setObjectName("mnuPropDelete");
  mnuProp->addSeparator()->setObjectName("mnuPropSep2");
  mnuPropAddCoords = mnuProp->addAction("Add coordinates");
  mnuPropAddCoords->setObjectName("mnuPropAddCoords");
  mnuPropRemoveCoords = mnuProp->addAction("Remove coordinates...");
  mnuPropRemoveCoords->setObjectName("mnuPropRemoveCoords");
  connect(mnuPropEdit, &QAction::triggered, this, [this] { EditProperty(); });
  connect(mnuPropAdd, &QAction::triggered, this, [this] { AddNewProperty(); });
  connect(mnuPropDelete, &QAction::triggered, this, [this] { DeleteProperty(); });
  connect(mnuPropAddCoords, &QAction::triggered, this, [this] { AddCoordinates(); });
  connect(mnuPropRemoveCoords, &QAction::triggered, this, [this] { RemoveCoordinates(); });

  connect(PropView, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item, QTreeWidgetItem*) { SelectProperty(item); });
  connect(PropView, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem*, int) { EditProperty(); });
  PropView->installEventFilter(this);
  PropView->viewport()->installEventFilter(this);

  // The page starts on its property tab with "ID", "Meters" and "Hexa".
  MainTab->setCurrentIndex(1);
  rbName[1]->setChecked(true);
  rbDistUnits[0]->setChecked(true);
  rbHexa[0]->setChecked(true);
  TakeOptions();
}

ucGalObject::~ucGalObject() = default;

// ---- showing ----------------------------------------------------------------------------

void ucGalObject::ShowObject(GalaxyParserPtr parser, GalaxyObjectPtr obj) {
  parser_ = std::move(parser);
  obj_ = std::move(obj);
  ChooseEmbeddedPage();
  MainTab->setTabText(1, obj_ ? Q(obj_->ObjectTypeName() + " info") : QString("Object info"));
  FillRawList();
  FillPropertyList();
  ShowEmbeddedRecord();
  SelectProperty(nullptr);
}

void ucGalObject::ChooseEmbeddedPage() {
  embedded_ = nullptr;
  if (obj_) {
    const int32_t code = mdlGalaxy::GalaxyMainTypeCode(obj_->otype());
    if (code == 1)
      embedded_ = ShipEdit;
    else if (code != 0)
      embedded_ = WareEdit;
  }
  if (ShipEdit) ShipEdit->setVisible(embedded_ != nullptr && embedded_ == ShipEdit);
  if (WareEdit) WareEdit->setVisible(embedded_ != nullptr && embedded_ == WareEdit);
}

void ucGalObject::OfferRecordTab(bool offered) {
  MainTab->setTabEnabled(2, offered);
  MainTab->setTabVisible(2, offered);
}

void ucGalObject::ShowEmbeddedRecord() {
  // The record tab is offered only when this object's record is on its page: otherwise
  // the page shows nothing or what it showed before, which is not this object's. It is
  // set once, after the record is shown, so that a tab looked at stays the current one
  // from record to record.
  const bool shown = ShowRecordOnEmbeddedPage();
  if (!shown) MainTab->setTabText(2, QString());
  OfferRecordTab(shown);
}

bool ucGalObject::ShowRecordOnEmbeddedPage() {
  try {
    if (!embedded_ || !obj_ || !Archive) return false;
    TxtParserRef file = Archive->GetFile(mdlGalaxy::GalaxyTypeFiles.At(obj_->otype()));
    if (!file) return false;
    const kz::Variant s = obj_->subtype();
    TXTObjectRef record;
    if (s.IsString()) {
      record = file->FindID(s.AsString());
    } else {
      int32_t position = 0;
      if (!s.IsEmpty() && !mdlGalaxy::GalaxyNumber(s, position)) position = -1;
      record = file->FindIndex(position);
    }
    if (!record) return false;
    MainTab->setTabText(2, Q(record->ObjectName()));
    record->otype = mdlGalaxy::GalaxyMainTypeCode(obj_->otype());
    int32_t type = record->otype;
    embedded_->Init(file);
    embedded_->JvQueryInterfaceEx(type);
    type = record->otype;
    embedded_->ShowObject(record, type);
    return true;
  } catch (const std::exception&) {
    // Showing the record is a courtesy: the lists are filled regardless.
    return false;
  }
}

void ucGalObject::FillRawList() {
  RawView->clear();
  if (!obj_) return;
  QList<QTreeWidgetItem*> rows;
  for (const PropertyPtr& p : *obj_) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, Q(p->Name));
    item->setText(1, Q(ValueText(p->Value)));
    kz::SetItemKey(item, p->key());
    rows.push_back(item);
  }
  RawView->addTopLevelItems(rows);
}

void ucGalObject::AddPropRow(const std::string& caption, const std::string& value, const std::string& tag) {
  auto* item = new QTreeWidgetItem(PropView);
  item->setText(0, Q(caption));
  item->setText(1, Q(value));
  if (!tag.empty()) item->setData(0, kTagRole, Q(tag));
}

void ucGalObject::AddAttrRow(int32_t attrIndex) {
  const std::string& name = mdlGalaxy::GalaxyAttrNames.At(attrIndex);
  PropertyPtr p = obj_->Property(std::string_view(name));
  if (!p) return;
  AddPropRow(mdlGalaxy::GalaxyAttrCaptions.At(attrIndex), FormatPropertyValue(*obj_, *p), p->key());
}

void ucGalObject::FillPropertyList() {
  const int32_t remembered = kz::GetListViewSelIndex(PropView);
  PropView->clear();
  if (obj_) {
    for (int32_t i : {0, 1, 2, 7, 6, 21}) AddAttrRow(i);
    auto gateIdRow = [&](const char* name, const char* caption) {
      PropertyPtr p = obj_->Property(std::string_view(name));
      if (!p) return;
      std::string text = LookupByValue(mdlGalaxy::GateIdNames, p->Value, false);
      if (text.empty()) text = ValueText(p->Value);
      AddPropRow(caption, text, name);
    };
    gateIdRow("gid", "Gate - ID");
    if (obj_->otype() == mdlGalaxy::kGalGate)
      AddPropRow("Gate - target sector", parser_ ? parser_->GetTargetSectorName(obj_, !showNames_) : std::string(),
                 "gtsector");
    for (int32_t i : {14, 15}) AddAttrRow(i);
    gateIdRow("gtid", "Gate - target gate ID");
    for (int32_t i : {9, 10, 11, 18, 19, 20}) AddAttrRow(i);
    if (obj_->otype() == mdlGalaxy::kGalSector)
      AddPropRow("Sector - string ID", parser_ ? std::to_string(parser_->GetSectorStringID(obj_)) : std::string(), {});
    for (int32_t i : {3, 4, 5, 16, 17, 8}) AddAttrRow(i);
  }
  if (remembered > 0) kz::SelectListViewItem(PropView, remembered);
}

std::string ucGalObject::FormatPropertyValue(const clsGalaxyObject& obj, const clsProperty& prop) const {
  std::string name = prop.Name;
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const kz::Variant& v = prop.Value;
  if (name == "x" || name == "y" || name == "z") {
    if (obj.otype() == mdlGalaxy::kGalSector) return ValueText(v);
    return FormatDistanceValue(v, unit_);
  }
  if (name == "r") return LookupByValue(mdlKzConst::RaceNames, v, true);
  if (name == "t") return obj.ObjectTypeName();
  if (name == "s") {
    if (!parser_) return ValueText(v);
    GalaxyObjectPtr self = std::const_pointer_cast<clsGalaxyObject>(obj.shared_from_this());
    return parser_->GetObjectSubType(self, showNames_ ? 0 : 1);
  }
  if (name == "color" || name == "ff" || name == "fc" || name == "fn") return FormatColourValue(v, hexa_);
  if (name == "atype") return LookupByValue(mdlGalaxy::AsteroidTypeNames, v, true);
  if (name == "a" || name == "b" || name == "g") return FormatAngleValue(v, hexa_);
  return ValueText(v);
}

std::string ucGalObject::GetAttrCaption(const clsProperty& prop) const {
  int32_t index = 0;
  if (!kz::FindStringIndex(prop.Name, mdlGalaxy::GalaxyAttrNames, index)) return {};
  return mdlGalaxy::GalaxyAttrCaptions.At(index);
}

void ucGalObject::SelectProperty(QTreeWidgetItem* item) {
  if (!item) {
    item = PropView->currentItem();
    if (item && !item->isSelected()) item = nullptr;
    if (!item && PropView->topLevelItemCount() > 0) item = PropView->topLevelItem(0);
  }
  current_.reset();
  if (!item || !obj_) return;
  const QString tag = item->data(0, kTagRole).toString();
  if (tag.isEmpty()) return;
  current_ = obj_->Property(std::string_view(S(tag)));
}

// ---- commands -----------------------------------------------------------------------------

void ucGalObject::Changed() {
  FillPropertyList();
  FillRawList();
  emit OnPropertiesChanged(obj_);
}

void ucGalObject::EditProperty() {
  try {
    if (!obj_ || !current_) return;
    if (current_->Name == "t" && obj_->otype() == mdlGalaxy::kGalSector) {
      platform::Ui::Instance().MsgBox(kSectorTypeFixed, platform::vbExclamation, kz::GetAppTitle(), window());
      return;
    }
    frmGalEdit dialog(window());
    dialog.ShowProperty(parser_, obj_, current_, true, window());
    if (dialog.ModalResult == 1) Changed();
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, kz::GetAppTitle(), window());
  }
}

void ucGalObject::AddNewProperty() {
  try {
    if (!obj_) return;
    auto prop = std::make_shared<clsProperty>();
    frmGalEdit dialog(window());
    dialog.NewProperty(parser_, obj_, prop, true, this);
    if (dialog.ModalResult == 1) {
      obj_->AddProperty(prop->Name, prop->Value);
      Changed();
    }
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, kz::GetAppTitle(), window());
  }
}

void ucGalObject::DeleteProperty() {
  try {
    if (!obj_ || !current_) return;
    // A sector's type can be neither changed nor removed.
    if (current_->Name == "t" && obj_->otype() == mdlGalaxy::kGalSector) {
      platform::Ui::Instance().MsgBox(kSectorTypeFixed, platform::vbExclamation, kz::GetAppTitle(), window());
      return;
    }
    const int32_t answer = platform::Ui::Instance().MsgBox(DeletePropertyQuestion(GetAttrCaption(*current_)),
                                                           platform::vbYesNo | platform::vbQuestion,
                                                           kz::GetAppTitle(), window());
    if (answer != platform::vbYes) return;
    obj_->RemoveProperty(current_->key());
    FillPropertyList();
    FillRawList();
    SelectProperty(nullptr);
    emit OnPropertiesChanged(obj_);
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, kz::GetAppTitle(), window());
  }
}

void ucGalObject::AddCoordinates() {
  if (!obj_) return;
  for (const char* name : {"x", "y", "z"})
    if (!obj_->Property(std::string_view(name))) obj_->AddProperty(name, kz::Variant(int16_t{0}));
  Changed();
}

void ucGalObject::RemoveCoordinates() {
  if (!obj_) return;
  const int32_t answer = platform::Ui::Instance().MsgBox(kRemoveCoordsQuestion, platform::vbYesNo | platform::vbQuestion,
                                                         kz::GetAppTitle(), window());
  if (answer != platform::vbYes) return;
  for (const char* name : {"x", "y", "z"}) obj_->RemoveProperty(name);
  Changed();
}

void ucGalObject::PreparePropertyMenu() {
  mnuPropEdit->setEnabled(current_ != nullptr);
  mnuPropAdd->setEnabled(obj_ != nullptr);
  mnuPropDelete->setEnabled(obj_ != nullptr);
  if (!obj_) {
    mnuPropAddCoords->setEnabled(false);
    mnuPropRemoveCoords->setEnabled(false);
    return;
  }
  const bool hx = obj_->Property(std::string_view("x")) != nullptr;
  const bool hy = obj_->Property(std::string_view("y")) != nullptr;
  const bool hz = obj_->Property(std::string_view("z")) != nullptr;
  mnuPropAddCoords->setEnabled(!(hx && hy && hz));
  mnuPropRemoveCoords->setEnabled(hx || hy || hz);
}

// ---- options ------------------------------------------------------------------------------

void ucGalObject::SetShowNames(bool names) {
  showNames_ = names;
  rbName[names ? 0 : 1]->setChecked(true);
  if (MainTab->currentIndex() == 1) FillPropertyList();
}

void ucGalObject::SetDistanceUnit(int32_t unit) {
  if (unit < 0 || unit > 2) unit = 0;
  unit_ = unit;
  rbDistUnits[static_cast<size_t>(unit)]->setChecked(true);
  FillPropertyList();
}

void ucGalObject::SetHexa(bool hexa) {
  hexa_ = hexa;
  rbHexa[hexa ? 0 : 1]->setChecked(true);
  FillPropertyList();
}

void ucGalObject::TakeOptions() {
  showNames_ = rbName[0]->isChecked();
  unit_ = 0;
  for (size_t i = 0; i < 3; ++i)
    if (rbDistUnits[i]->isChecked()) unit_ = static_cast<int32_t>(i);
  hexa_ = rbHexa[0]->isChecked();
}

void ucGalObject::LoadPageSettings() {
  int32_t name = 1, units = 0, hexa = 1;
  if (Settings) {
    try {
      name = kz::CLng(Settings->ReadRegValue(kSettingsSection, "Name", kRegNumber, kz::Variant(int32_t{1})));
      units = kz::CLng(Settings->ReadRegValue(kSettingsSection, "Units", kRegNumber, kz::Variant(int32_t{0})));
      hexa = kz::CLng(Settings->ReadRegValue(kSettingsSection, "Hexa", kRegNumber, kz::Variant(int32_t{1})));
    } catch (const std::exception&) {
    }
  }
  // A stored unit outside the three choices counts as metres.
  if (units < 0 || units > 2) units = 0;
  rbName[name != 0 ? 0 : 1]->setChecked(true);
  rbDistUnits[static_cast<size_t>(units)]->setChecked(true);
  rbHexa[hexa != 0 ? 0 : 1]->setChecked(true);
  TakeOptions();
  FillPropertyList();
}

void ucGalObject::SavePageSettings() {
  if (!Settings) return;
  Settings->SaveRegValue(kSettingsSection, "Name", kz::Variant(int32_t{showNames_ ? 1 : 0}));
  Settings->SaveRegValue(kSettingsSection, "Units", kz::Variant(unit_));
  Settings->SaveRegValue(kSettingsSection, "Hexa", kz::Variant(int32_t{hexa_ ? 1 : 0}));
}

void ucGalObject::Init() {
  try {
    if (Archive && ShipEdit) {
      TxtParserRef ships = Archive->GetFile("TShips");
      if (ships) ShipEdit->Init(ships);
    }
  } catch (const std::exception&) {
  }
  for (EditorPage* page : {ShipEdit, WareEdit}) {
    if (!page) continue;
    try {
      page->SetReadOnly(true);
    } catch (const std::exception&) {
    }
  }
  LoadPageSettings();
}

void ucGalObject::Term() { SavePageSettings(); }

// ---- keys and mouse -------------------------------------------------------------------------

bool ucGalObject::eventFilter(QObject* watched, QEvent* event) {
  try {
    if (watched == PropView && event->type() == QEvent::KeyPress) {
      auto* k = static_cast<QKeyEvent*>(event);
      const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
      if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
        EditProperty();
        return true;
      }
      if (k->key() == Qt::Key_Insert && (mods & Qt::ControlModifier)) {
        if (QTreeWidgetItem* row = PropView->currentItem()) {
          QApplication::clipboard()->clear();
          QApplication::clipboard()->setText(row->text(1));
        }
        return true;
      }
      if (k->key() == Qt::Key_Insert && mods == Qt::NoModifier) {
        AddNewProperty();
        return true;
      }
      if (k->key() == Qt::Key_Delete && mods == Qt::NoModifier) {
        DeleteProperty();
        return true;
      }
    }
    if (watched == PropView->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
      PreparePropertyMenu();
      mnuProp->popup(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
      return true;
    }
  } catch (const std::exception&) {
    return true;
  }
  return QWidget::eventFilter(watched, event);
}
