#include "galaxy/SectorMap.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <exception>
#include <vector>

#include "core/Common.h"
#include "core/Settings.h"
#include "core/ui/ElidingLabel.h"
#include "galaxy/MapSurface.h"
#include "galaxy/NewGalObject.h"
#include "galaxy/SectorMapPainter.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/MapSurfaceRules.h"
#include "platform/Ui.h"

using namespace mdlSectorMap;

namespace {
constexpr const char* kSection = "GE\\SectorMap";
}

frmSectorMap::frmSectorMap(QWidget* owner) : QMainWindow(owner, Qt::Window) {
  setObjectName("frmSectorMap");
  setAttribute(Qt::WA_DeleteOnClose, false);
  BuildControls();
  // The drawing surface's settings, read once.
  Map->SetModes(Settings ? Settings->UseDirectDraw() : false, Settings ? Settings->UseDoubleBuffer() : true);
  Map->SetBackground(kBackgroundColour);
  painter_ = std::make_unique<SectorMapPainter>(Map->MapFont());
  model_.SetMeasure([this](std::string_view t) { return painter_->Measure(t); });
  model_.OnObjectClick = [this](const ObjPtr& obj) { emit OnObjectClick(obj); };
  model_.OnCoordsUpdated = [this] { emit OnCoordsUpdated(); };
  Map->PaintContent = [this](QPainter& p) { painter_->Paint(p, model_); };
  LoadOptions();
  ApplyOptions();
  // Wide enough for the selection panel of an object with a long name far out.
  const int selection = Panels[2]->fontMetrics().horizontalAdvance(
      QStringLiteral("Trading Dock Alpha (SS_DOCK_ALPHA)   X: -40000.000 km, Y: -40000.000 km, Z: -40000.000 km"));
  const int panels = Panels[0]->minimumWidth() + Panels[1]->minimumWidth() + selection + 48;  // gaps and grip
  resize(std::max(760, panels), 640);
  UpdateView();
}

frmSectorMap::~frmSectorMap() = default;

template <class F>
void frmSectorMap::Guard(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    Msg(e.what(), platform::vbCritical);
  }
}

int32_t frmSectorMap::Msg(const std::string& text, int32_t flags) {
  return platform::Ui::Instance().MsgBox(text, flags, kMessageTitle, this);
}

// ---- controls ---------------------------------------------------------------------------

void frmSectorMap::BuildControls() {
  MainToolbar = addToolBar("MainToolbar");
  MainToolbar->setObjectName("MainToolbar");
  MainToolbar->setMovable(false);
  struct Def {
    const char* key;
    const char* caption;
    const char* tip;
    bool checkable;
  };
  const Def defs[] = {
      {"sync", "Sync with GE", "Synchronize map with Galaxy Editor", false},
      {"update", "Update coords", "Update coordinates in Galaxy Editor", false},
      {"top", "Top", "View from top", true},
      {"side", "Side", "View from side", true},
      {"center", "Center map", "Center on map origin", false},
      {"centerobj", "Center obj\t", "Center on selected object", false},
  };
  for (const Def& d : defs) {
    QAction* a = MainToolbar->addAction(QString::fromUtf8(d.caption).trimmed());
    a->setObjectName(d.key);
    a->setToolTip(d.tip);
    a->setCheckable(d.checkable);
    const std::string key = d.key;
    connect(a, &QAction::triggered, this, [this, key] { ToolbarAction(key); });
    buttons_[key] = a;
  }

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* options = new QHBoxLayout;
  fraLabels = new QGroupBox("Labels", central);
  fraLabels->setObjectName("fraLabels");
  auto* ll = new QHBoxLayout(fraLabels);
  const char* labelCaptions[2] = {"ID", "Name"};
  const char* labelTips[2] = {"Show IDs of objects", "Show names of objects"};
  for (int i = 0; i < 2; ++i) {
    chkLabel[static_cast<size_t>(i)] = new QCheckBox(labelCaptions[i], fraLabels);
    chkLabel[static_cast<size_t>(i)]->setObjectName(QString("chkLabel%1").arg(i));
    chkLabel[static_cast<size_t>(i)]->setToolTip(labelTips[i]);
    ll->addWidget(chkLabel[static_cast<size_t>(i)]);
    connect(chkLabel[static_cast<size_t>(i)], &QCheckBox::clicked, this, [this] {
      Guard([this] {
        model_.SetLabelMask((chkLabel[0]->isChecked() ? kLabelID : 0) | (chkLabel[1]->isChecked() ? kLabelName : 0));
        UpdateView();
      });
    });
  }
  fraUnits = new QGroupBox("Units", central);
  fraUnits->setObjectName("fraUnits");
  auto* ul = new QHBoxLayout(fraUnits);
  const char* unitCaptions[3] = {"Meters", "Game units", "Miles"};
  for (int i = 0; i < 3; ++i) {
    rbUnits[static_cast<size_t>(i)] = new QRadioButton(unitCaptions[i], fraUnits);
    rbUnits[static_cast<size_t>(i)]->setObjectName(QString("rbUnits%1").arg(i));
    ul->addWidget(rbUnits[static_cast<size_t>(i)]);
    connect(rbUnits[static_cast<size_t>(i)], &QRadioButton::toggled, this, [this, i](bool on) {
      if (!on) return;
      Guard([this, i] {
        model_.SetUnits(i);
        UpdateView();
      });
    });
  }
  chkAutoSync = new QCheckBox("Auto sync with GE", central);
  chkAutoSync->setObjectName("chkAutoSync");
  chkAutoSync->setToolTip("Automatically change sector according to Galaxy Editor");
  connect(chkAutoSync, &QCheckBox::toggled, this, [this](bool on) { model_.AutoSync = on; });
  options->addWidget(fraLabels);
  options->addWidget(fraUnits);
  options->addWidget(chkAutoSync);
  options->addStretch(1);
  layout->addLayout(options);

  Map = new MapSurface(central);
  Map->setMinimumSize(50, 50);
  layout->addWidget(Map, 1);
  setCentralWidget(central);

  Bar = statusBar();
  Bar->setObjectName("Bar");
  for (size_t i = 0; i < Panels.size(); ++i) {
    // The last panel takes the rest of the bar and shortens what does not fit there.
    Panels[i] = i == 2 ? new kz::ElidingLabel(Bar) : new QLabel(Bar);
    Panels[i]->setObjectName(QString("Panel%1").arg(i + 1));
    Bar->addWidget(Panels[i], i == 2 ? 1 : 0);
  }
  Panels[0]->setMinimumWidth(80);
  Panels[1]->setMinimumWidth(220);

  Map->OnWheelSteps = [this](int32_t steps) { Zoom(steps); };
  Map->OnMousePress = [this](QMouseEvent* e) { MousePress(e); };
  Map->OnMouseMove = [this](QMouseEvent* e) { MouseMove(e); };
  Map->OnMouseRelease = [this](QMouseEvent* e) { MouseRelease(e); };
  Map->OnMouseDoubleClick = [this](QMouseEvent* e) { MouseDoubleClick(e); };
  Map->OnResized = [this] { model_.SetBoxSize(Map->width(), Map->height()); };

  mnuPop = new QMenu(this);
  mnuPop->setObjectName("mnuPop");
  auto item = [this](QMenu* menu, const char* name, const char* caption, void (frmSectorMap::*slot)()) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, [this, slot] { Guard([this, slot] { (this->*slot)(); }); });
    return a;
  };
  auto sep = [](QMenu* menu, const char* name) {
    QAction* a = menu->addSeparator();
    a->setObjectName(name);
    return a;
  };
  mnuPopAddObj = item(mnuPop, "mnuPopAddObj", "Add object...", &frmSectorMap::AddObject);
  mnuPopSep = sep(mnuPop, "mnuPopSep");
  mnuPopCopy = item(mnuPop, "mnuPopCopy", "Copy", &frmSectorMap::CopySelected);
  mnuPopPaste = item(mnuPop, "mnuPopPaste", "Paste", &frmSectorMap::Paste);
  mnuPopSep2 = sep(mnuPop, "mnuPopSep2");
  mnuPopGate = mnuPop->addMenu("Gate");
  mnuPopGate->setObjectName("mnuPopGate");
  mnuPopGateAction = mnuPopGate->menuAction();
  mnuPopGateSelect = item(mnuPopGate, "mnuPopGateSelect", "Select", &frmSectorMap::SelectGate);
  mnuPopGateLink = item(mnuPopGate, "mnuPopGateLink", "Link with selected...", &frmSectorMap::LinkGates);
  mnuPopSep3 = sep(mnuPop, "mnuPopSep3");
  mnuPopDist = item(mnuPop, "mnuPopDist", "Distance measurement", &frmSectorMap::ToggleRuler);
  mnuPopDist->setCheckable(true);
  mnuPopSep4 = sep(mnuPop, "mnuPopSep4");
  mnuPopDelete = item(mnuPop, "mnuPopDelete", "Delete object...", &frmSectorMap::DeleteObject);
}

QAction* frmSectorMap::Button(const std::string& key) const {
  auto it = buttons_.find(key);
  return it == buttons_.end() ? nullptr : it->second;
}

QString frmSectorMap::PanelText(int panel) const {
  return panel >= 1 && panel <= 3 ? Panels[static_cast<size_t>(panel - 1)]->text() : QString();
}

QImage frmSectorMap::RenderMap() {
  model_.SetBoxSize(Map->width(), Map->height());
  return Map->Render();
}

// ---- options ----------------------------------------------------------------------------

void frmSectorMap::LoadOptions() {
  int32_t labels = 2, units = 0, autosync = 1, topview = 1;
  try {
    if (Settings) {
      labels = kz::CLng(Settings->ReadRegValue(kSection, "labels", kRegNumber, kz::Variant(int32_t{2})));
      units = kz::CLng(Settings->ReadRegValue(kSection, "units", kRegNumber, kz::Variant(int32_t{0})));
      autosync = kz::CLng(Settings->ReadRegValue(kSection, "autosync", kRegNumber, kz::Variant(int32_t{1})));
      topview = kz::CLng(Settings->ReadRegValue(kSection, "topview", kRegNumber, kz::Variant(int32_t{1})));
      // "ontop" is read and not used.
      (void)Settings->ReadRegValue(kSection, "ontop", kRegNumber, kz::Variant(int32_t{0}));
    }
  } catch (const std::exception&) {
  }
  QSignalBlocker b0(chkLabel[0]), b1(chkLabel[1]), b2(chkAutoSync);
  chkLabel[0]->setChecked((labels & kLabelID) != 0);
  chkLabel[1]->setChecked((labels & kLabelName) != 0);
  if (units < 0 || units > 2) units = 0;
  for (size_t i = 0; i < rbUnits.size(); ++i) {
    QSignalBlocker b(rbUnits[i]);
    rbUnits[i]->setChecked(static_cast<int32_t>(i) == units);
  }
  chkAutoSync->setChecked(autosync == 1);
  Button("top")->setChecked(topview == 1);
  Button("side")->setChecked(topview != 1);
}

void frmSectorMap::ApplyOptions() {
  model_.SetLabelMask((chkLabel[0]->isChecked() ? kLabelID : 0) | (chkLabel[1]->isChecked() ? kLabelName : 0));
  for (size_t i = 0; i < rbUnits.size(); ++i)
    if (rbUnits[i]->isChecked()) model_.SetUnits(static_cast<int32_t>(i));
  model_.SetTopView(Button("top")->isChecked());
  model_.AutoSync = chkAutoSync->isChecked();
}

void frmSectorMap::SaveOptions() {
  if (!Settings) return;
  try {
    Settings->SaveRegValue(kSection, "labels", kz::Variant(model_.LabelMask()));
    Settings->SaveRegValue(kSection, "units", kz::Variant(model_.Units()));
    Settings->SaveRegValue(kSection, "autosync", kz::Variant(int32_t{chkAutoSync->isChecked() ? 1 : 0}));
    Settings->SaveRegValue(kSection, "topview", kz::Variant(int32_t{model_.TopView() ? 1 : 0}));
  } catch (const std::exception&) {
  }
}

// ---- view -------------------------------------------------------------------------------

void frmSectorMap::UpdateView() {
  setWindowTitle(QString::fromStdString(model_.Caption()));
  Panels[0]->setText(QString::fromStdString(model_.ZoomPanel()));
  Panels[1]->setText(QString::fromStdString(model_.MousePanel()));
  Panels[2]->setText(QString::fromStdString(model_.SelectionPanel()));
  Button("update")->setEnabled(model_.Modified());
  Map->Refresh();
}

void frmSectorMap::SetView(bool top) {
  Button("top")->setChecked(top);
  Button("side")->setChecked(!top);
  model_.SetTopView(top);
  UpdateView();
}

void frmSectorMap::Zoom(int32_t steps) {
  Guard([&] {
    for (int32_t i = 0; i < std::abs(steps); ++i) model_.ZoomMap(steps > 0);
    UpdateView();
  });
}

void frmSectorMap::ToolbarAction(const std::string& key) {
  Guard([&] {
    if (key == "sync") {
      Sync();
    } else if (key == "update") {
      UpdateCoords(false);
    } else if (key == "top") {
      SetView(true);
    } else if (key == "side") {
      SetView(false);
    } else if (key == "center") {
      model_.Center();
      UpdateView();
    } else if (key == "centerobj") {
      if (model_.CenterOnSelected()) UpdateView();
    }
  });
}

// ---- public members ---------------------------------------------------------------------

void frmSectorMap::ShowMap(const std::shared_ptr<clsGalaxyParser>& parser, bool modal, QWidget* owner) {
  model_.SetParser(parser);
  if (owner && parentWidget() != owner) setParent(owner, windowFlags() | Qt::Window);
  if (modal) setWindowModality(Qt::ApplicationModal);
  show();
  model_.SetBoxSize(Map->width(), Map->height());
  UpdateView();
}

void frmSectorMap::SelectGalObject(const ObjPtr& obj) {
  Guard([&] {
    if (model_.SelectGalObject(obj)) UpdateView();
  });
}

void frmSectorMap::ObjectModified(const ObjPtr& obj) {
  Guard([&] {
    model_.ObjectModified(obj);
    UpdateView();
  });
}

void frmSectorMap::ObjectAdded(const ObjPtr& obj) {
  Guard([&] {
    model_.ObjectAdded(obj);
    UpdateView();
  });
}

void frmSectorMap::ObjectRemoved(const ObjPtr& obj) {
  Guard([&] {
    model_.ObjectRemoved(obj);
    UpdateView();
  });
}

void frmSectorMap::Clear() {
  model_.Clear();
  UpdateView();
}

bool frmSectorMap::QueryUnload() {
  if (!model_.Modified()) return true;
  const int32_t answer = Msg("You have modified object coordinates.\r\nDo you want to update them in Galaxy Editor?",
                             platform::vbYesNoCancel | platform::vbQuestion);
  if (answer == platform::vbYes) {
    UpdateCoords(true);
    return true;
  }
  return answer == platform::vbNo;
}

bool frmSectorMap::Unload(bool fromControlBox) {
  if (closed_) return true;
  if (fromControlBox && !QueryUnload()) return false;
  allowClose_ = true;
  if (isVisible()) close();
  Finish();
  return true;
}

void frmSectorMap::Finish() {
  if (closed_) return;
  closed_ = true;
  SaveOptions();
  emit OnClose();
}

void frmSectorMap::closeEvent(QCloseEvent* e) {
  if (allowClose_ || closed_) {
    e->accept();
    return;
  }
  // The user closed the window from its frame: unsaved moves are asked about first.
  bool ok = true;
  try {
    ok = QueryUnload();
  } catch (const std::exception& ex) {
    Msg(ex.what(), platform::vbCritical);
  }
  if (!ok) {
    e->ignore();
    return;
  }
  allowClose_ = true;
  e->accept();
  Finish();
}

// ---- mouse and keys ---------------------------------------------------------------------

void frmSectorMap::MousePress(QMouseEvent* e) {
  Guard([&] {
    const QPointF pos = e->position();
    const bool leftOrRight = e->button() == Qt::LeftButton || e->button() == Qt::RightButton;
    model_.MouseDown(leftOrRight, pos.x(), pos.y());
    if (leftOrRight) UpdateView();
  });
}

void frmSectorMap::MouseMove(QMouseEvent* e) {
  Guard([&] {
    const QPointF pos = e->position();
    const bool repaint = model_.MouseMove((e->buttons() & Qt::LeftButton) != 0,
                                          MoveKey(e->modifiers()), pos.x(), pos.y());
    if (repaint) {
      UpdateView();
    } else {
      Panels[1]->setText(QString::fromStdString(model_.MousePanel()));
    }
  });
}

void frmSectorMap::MouseRelease(QMouseEvent* e) {
  Guard([&] {
    if (e->button() == Qt::RightButton) {
      PreparePopup();
      mnuPop->popup(Map->mapToGlobal(e->position().toPoint()));
    } else if (e->button() == Qt::MiddleButton) {
      ToggleRuler();
    }
  });
}

void frmSectorMap::MouseDoubleClick(QMouseEvent* e) {
  Guard([&] {
    const QPointF at = e->position();
    const int32_t hit = model_.HitTest(at.x(), at.y());
    if (hit >= 0) emit OnShowObject(model_.ObjectOf(model_.Records()[static_cast<size_t>(hit)]));
  });
}

void frmSectorMap::wheelEvent(QWheelEvent* e) {
  // A wheel turned over any part of the window zooms the map.
  e->accept();
  Map->AddWheel(e->angleDelta().y());
}

void frmSectorMap::keyPressEvent(QKeyEvent* e) {
  Guard([&] {
    const bool keypad = (e->modifiers() & Qt::KeypadModifier) != 0;
    switch (e->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (model_.SelectedRecord()) emit OnShowObject(model_.SelectedObject());
        break;
      case Qt::Key_Left:
        model_.PanBy(10, 0);
        UpdateView();
        break;
      case Qt::Key_Up:
        model_.PanBy(0, 10);
        UpdateView();
        break;
      case Qt::Key_Right:
        model_.PanBy(-10, 0);
        UpdateView();
        break;
      case Qt::Key_Down:
        model_.PanBy(0, -10);
        UpdateView();
        break;
      case Qt::Key_Delete:
        DeleteObject();
        break;
      case Qt::Key_Plus:
        if (keypad) Zoom(1);
        break;
      case Qt::Key_Minus:
        if (keypad) Zoom(-1);
        break;
      default:
        QMainWindow::keyPressEvent(e);
        return;
    }
    e->accept();
  });
}

// ---- commands ---------------------------------------------------------------------------

void frmSectorMap::PreparePopup() {
  const bool shown = model_.ShownSector() != nullptr;
  const MapRecord* sel = model_.SelectedRecord();
  // Add and paste need the sector's children read.
  mnuPopAddObj->setEnabled(model_.CanEdit());
  mnuPopCopy->setEnabled(sel != nullptr);
  mnuPopPaste->setEnabled(!model_.CopiedID.empty() && model_.CanEdit());
  const bool gate = shown && sel && sel->Type == kTypeGate;
  mnuPopGateAction->setVisible(gate);
  mnuPopSep2->setVisible(gate);
  mnuPopGateLink->setEnabled(model_.RememberedGate != nullptr);
  mnuPopDist->setChecked(model_.RulerOn());
  mnuPopDelete->setEnabled(shown && sel != nullptr);
}

void frmSectorMap::AddObject() {
  if (!model_.CanEdit() || !model_.Parser()) return;
  const auto& parser = model_.Parser();
  ObjPtr obj = parser->NewGalObject(model_.ShownSector());
  obj->Loaded = true;
  frmNewGalObject& dialog = frmNewGalObject::Default();
  dialog.NewObject(parser, obj, true, true, this);
  if (dialog.ModalResult != 1) return;

  ObjPtr parent = obj->Parent();
  if (parent) parent->Childs.Add(obj, obj->key());
  parser->AddObject(obj);
  if (!parser->UpdateObjectXML(obj)) {
    const std::string why = parser->GetLastError();
    Discard(obj);  // the document stays as it was
    Msg("Error while updating ojbect state in XML:\r\n" + why, platform::vbCritical);
    return;
  }
  if (!parser->CreateDefaultObjects(obj) && !parser->GetLastError().empty())
    Msg(parser->GetLastError(), platform::vbCritical);

  const MapPointL at = model_.MouseDownPoint();
  obj->SetX(at.x);
  if (model_.TopView())
    obj->SetZ(mdlMapSurface::NegateLong(at.y));
  else
    obj->SetY(mdlMapSurface::NegateLong(at.y));
  model_.AddRecord(obj);
  model_.SelectRecord(model_.Count() - 1, true);
  UpdateView();
  emit OnObjectCreated(obj);
  emit OnObjectClick(obj);
}

void frmSectorMap::Discard(const ObjPtr& obj) {
  const auto& parser = model_.Parser();
  if (!obj || !parser) return;
  if (obj->XMLBookmark > 0) {
    parser->DeleteObject(obj);
    return;
  }
  if (ObjPtr parent = obj->Parent()) {
    const ObjPtr* held = parent->Childs.Find(obj->key());
    if (held && *held == obj) parent->Childs.Remove(obj->key());
  }
  std::vector<ObjPtr> stack{obj};
  while (!stack.empty()) {
    ObjPtr o = stack.back();
    stack.pop_back();
    if (parser->objects.Find(o->key()) == o) parser->objects.Remove(o->key());
    for (const ObjPtr& c : o->Childs) stack.push_back(c);
  }
}

void frmSectorMap::CopySelected() {
  if (const MapRecord* r = model_.SelectedRecord()) model_.CopiedID = r->ID;
}

void frmSectorMap::Paste() {
  if (!model_.CanEdit() || !model_.Parser() || model_.CopiedID.empty()) return;
  const auto& parser = model_.Parser();
  ObjPtr source = parser->objects.Find(model_.CopiedID);
  if (!source) return;
  ObjPtr parent = source->Parent();
  if (!parent) return;
  ObjPtr copy = source->Copy();
  parent->Childs.Add(copy, copy->key());
  if (!parser->UpdateObjectXML(copy)) {
    const std::string why = parser->GetLastError();
    Discard(copy);  // a copy without its element would be lost or break the next save
    Msg("Error while updating ojbect state in XML:\r\n" + why, platform::vbCritical);
    return;
  }
  const MapPointL at = model_.MouseDownPoint();
  copy->SetX(at.x);
  if (model_.TopView())
    copy->SetZ(mdlMapSurface::NegateLong(at.y));
  else
    copy->SetY(mdlMapSurface::NegateLong(at.y));
  model_.AddRecord(copy);
  model_.SelectRecord(model_.Count() - 1, false);
  UpdateView();
  emit OnObjectCreated(copy);
}

void frmSectorMap::DeleteObject() {
  const MapRecord* r = model_.SelectedRecord();
  if (!r || !model_.Parser()) return;
  ObjPtr obj = model_.ObjectOf(*r);
  if (!obj) return;
  const auto& parser = model_.Parser();
  const std::string question = "Do you really want to delete selected object " + parser->GetObjectName(obj) + " (" +
                               parser->GetObjectID(obj) + ") ?";
  if (Msg(question, platform::vbYesNo | platform::vbQuestion) != platform::vbYes) return;
  if (!parser->DeleteObject(obj)) {
    Msg("Error deleting object: \r\n" + parser->GetLastError(), platform::vbCritical);
    return;
  }
  model_.ObjectRemoved(obj);
  model_.SelectRecord(-1, false);
  UpdateView();
  emit OnObjectDeleted(obj);
}

void frmSectorMap::SelectGate() { model_.RememberedGate = model_.SelectedObject(); }

void frmSectorMap::LinkGates() {
  ObjPtr g = model_.RememberedGate;
  if (!g || !model_.SelectedRecord() || !model_.Parser()) return;
  const auto& parser = model_.Parser();
  ObjPtr gp = g->Parent();
  if (!gp) {
    Msg("Previously selected gate does not have parent!", platform::vbCritical);
    return;
  }
  const std::string question =
      "Do you want to cross-link the gates or just to link this gate to the previously selected one?\r\n"
      "Previously selected gate: " +
      parser->GetObjectName(gp) + ", GID = " + kz::CStr(g->NamedProperty("gid")) +
      "\r\n\r\nPress Yes to cross-link the gates.\r\nPress No to make one way connection.";
  const int32_t answer = Msg(question, platform::vbYesNoCancel | platform::vbQuestion);
  if (answer != platform::vbYes && answer != platform::vbNo) return;
  ObjPtr s = model_.SelectedObject();
  if (!s) return;
  ObjPtr sp = s->Parent();
  if (!sp) {
    Msg("Selected gate does not have parent!", platform::vbCritical);
    return;
  }
  if (s == g) {
    Msg("You are trying to link the gate to itself!", platform::vbExclamation);
    return;
  }
  s->AddProperty("gx", kz::Variant(gp->x()));
  s->AddProperty("gy", kz::Variant(gp->y()));
  s->AddProperty("gtid", g->NamedProperty("gid"));
  emit OnObjectModified(s);
  if (answer == platform::vbYes) {
    g->AddProperty("gx", kz::Variant(sp->x()));
    g->AddProperty("gy", kz::Variant(sp->y()));
    g->AddProperty("gtid", s->NamedProperty("gid"));
    emit OnObjectModified(g);
  }
}

void frmSectorMap::ToggleRuler() {
  model_.ToggleRuler();
  UpdateView();
}

void frmSectorMap::UpdateCoords(bool noAsk) {
  if (!model_.ShownSector()) return;
  if (!noAsk && Msg("Do you want to update coordinates of objects in Galaxy Editor?",
                    platform::vbYesNo | platform::vbQuestion) != platform::vbYes)
    return;
  model_.WriteBackCoords();
  UpdateView();
}

void frmSectorMap::Sync() {
  ObjPtr obj;
  emit OnNeedSync(obj);
  if (!obj) return;
  model_.ShowSector(kz::GetSectorOf(obj), true);
  model_.SelectGalObject(obj);
  UpdateView();
}
