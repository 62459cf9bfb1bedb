#include "galaxy/UniverseMap.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusBar>
#include <QVBoxLayout>

#include <cmath>

#include "core/Generic.h"
#include "core/Settings.h"
#include "core/ui/ElidingLabel.h"
#include "galaxy/MapSurface.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/MapSurfaceRules.h"
#include "platform/Registry.h"
#include "platform/Ui.h"

using mdlUniverseMap::SectorRecord;

namespace {

constexpr int32_t kBackground = 0x000000;
constexpr int32_t kGridColour = 0x3B3B3D;
constexpr int32_t kGateColour = 0xFFFFFF;
constexpr int32_t kSelectionColour = 0x00FFFF;
constexpr int32_t kTextColour = 0xFFFFFF;

QColor GameColour(int32_t bgr) {
  const mdlMapSurface::MapRGB c = mdlMapSurface::FromBGR(bgr);
  return QColor(c.r, c.g, c.b);
}

QPen SolidPen(int32_t bgr) {
  QPen pen(GameColour(bgr));
  pen.setWidth(1);
  pen.setCosmetic(true);
  return pen;
}

clsUniverseEditor::Button ButtonOf(Qt::MouseButton b) {
  if (b == Qt::LeftButton) return clsUniverseEditor::Button::Left;
  if (b == Qt::RightButton) return clsUniverseEditor::Button::Right;
  return clsUniverseEditor::Button::Other;
}

// The key codes the map handles, from Qt's.
int32_t KeyCodeOf(int key) {
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return clsUniverseEditor::kEnter;
    case Qt::Key_Left: return clsUniverseEditor::kLeft;
    case Qt::Key_Up: return clsUniverseEditor::kUp;
    case Qt::Key_Right: return clsUniverseEditor::kRight;
    case Qt::Key_Down: return clsUniverseEditor::kDown;
    case Qt::Key_Delete: return clsUniverseEditor::kDelete;
    default: return 0;
  }
}

}  // namespace

frmUniverseMap::frmUniverseMap(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName("frmUniverseMap");
  setAttribute(Qt::WA_DeleteOnClose);
  BuildControls();

  for (int32_t race = 0; race < mdlUniverseMap::kRaceCount; ++race)
    racePens_[static_cast<size_t>(race)] = SolidPen(mdlUniverseMap::RaceColour(race));
  gridPen_ = SolidPen(kGridColour);
  gatePen_ = SolidPen(kGateColour);
  selectionPen_ = SolidPen(kSelectionColour);
  selectionPen_.setStyle(Qt::DotLine);

  const QFontMetrics metrics(Map->MapFont());
  ascent_ = metrics.ascent();
  model_.SetMeasure([metrics](std::string_view text) {
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return mdlUniverseMap::TextSize{metrics.horizontalAdvance(s), metrics.height()};
  });
  model_.MessageOwner = this;
  model_.Repaint = [this] { Map->Refresh(); };
  model_.BoxSize = [this] { return std::pair<double, double>(Map->width(), Map->height()); };
  model_.CaptionChanged = [this] { setWindowTitle(QString::fromStdString(model_.CaptionText())); };
  model_.StatusChanged = [this] { UpdateStatus(); };
  model_.OnSectorClick = [this](const ObjectPtr& obj) { emit OnSectorClick(obj); };
  model_.OnSectorCreated = [this](const ObjectPtr& obj) { emit OnSectorCreated(obj); };
  model_.OnSectorDeleted = [this](const ObjectPtr& obj) { emit OnSectorDeleted(obj); };
  model_.OnSectorModified = [this](const ObjectPtr& obj) { emit OnSectorModified(obj); };
  model_.OnDisplaySector = [this](const ObjectPtr& obj) { emit OnDisplaySector(obj); };

  LoadOptions();
  setWindowTitle(QString::fromStdString(model_.CaptionText()));
}

frmUniverseMap::~frmUniverseMap() = default;

void frmUniverseMap::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  Map = new MapSurface(this);
  Map->SetBackground(kBackground);
  Map->setMinimumSize(100, 80);
  layout->addWidget(Map, 1);
  Bar = new QStatusBar(this);
  Bar->setObjectName("Bar");
  Bar->setSizeGripEnabled(false);
  for (size_t i = 0; i < Panels.size(); ++i) {
    // The last panel takes the rest of the bar and shortens what does not fit there.
    Panels[i] = i == 2 ? new kz::ElidingLabel(Bar) : new QLabel(Bar);
    Panels[i]->setObjectName(QString("Panel%1").arg(i + 1));
    Panels[i]->setMinimumWidth(i == 0 ? 110 : 140);
    Bar->addWidget(Panels[i], i == 2 ? 1 : 0);
  }
  layout->addWidget(Bar);
  resize(640, 480);

  Map->PaintContent = [this](QPainter& p) { PaintContent(p); };
  Map->OnMousePress = [this](QMouseEvent* e) {
    Guard([&] { model_.MousePress(e->position().x(), e->position().y(), ButtonOf(e->button())); });
  };
  Map->OnMouseMove = [this](QMouseEvent* e) {
    Guard([&] {
      model_.MouseMove(e->position().x(), e->position().y(), (e->buttons() & Qt::LeftButton) != 0,
                       MoveKey(e->modifiers()));
    });
  };
  Map->OnMouseRelease = [this](QMouseEvent* e) {
    Guard([&] {
      const bool popup = model_.MouseRelease(e->position().x(), e->position().y(), ButtonOf(e->button()),
                                             MoveKey(e->modifiers()));
      if (popup) {
        PreparePopup();
        mnuPopup->popup(e->globalPosition().toPoint());
      }
    });
  };
  Map->OnMouseDoubleClick = [this](QMouseEvent*) { Guard([&] { model_.DoubleClick(); }); };
  Map->installEventFilter(this);

  mnuPopup = new QMenu(this);
  mnuPopup->setObjectName("mnuPopup");
  auto add = [this](const char* name, const char* text, const std::function<void()>& run) {
    QAction* a = mnuPopup->addAction(QString::fromUtf8(text));
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, [this, run] { Guard(run); });
    return a;
  };
  mnuPopupAddSec = add("mnuPopupAddSec", "Add sector", [this] { model_.AddSector(); });
  mnuPopupRemoveSec = add("mnuPopupRemoveSec", "Remove sector...", [this] { model_.RemoveSector(); });
  mnuPopup->addSeparator();
  mnuPopCopy = add("mnuPopCopy", "Copy", [this] { model_.CopySector(); });
  mnuPopPaste = add("mnuPopPaste", "Paste", [this] { model_.PasteSector(); });
  mnuPopup->addSeparator();
  mnuPopNames = add("mnuPopNames", "Show names", [this] { model_.ToggleNames(); });
  mnuPopupGrid = add("mnuPopupGrid", "Show grid", [this] { model_.ToggleGrid(); });
  mnuPopNames->setCheckable(true);
  mnuPopupGrid->setCheckable(true);
}

void frmUniverseMap::Guard(const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, clsUniverseEditor::kMessageTitle, this);
  }
}

// ---- options ----------------------------------------------------------------------------

namespace {

// Runs `use` on the universe map's key of the user's settings (made when missing);
// nothing without settings.
void WithOptionsKey(const std::function<void(int32_t key)>& use) {
  if (!Settings) return;
  const int32_t root = Settings->OpenRootHandleUserGE();
  if (root == -1) return;
  int32_t key = 0;
  if (platform::RegCreateKeyA(root, "UniverseMap", &key) == 0) {
    use(key);
    platform::RegCloseKey(key);
  }
  platform::RegCloseKey(root);
}

}  // namespace

void frmUniverseMap::LoadOptions() {
  try {
    WithOptionsKey([this](int32_t key) {
      int32_t grid = 1, names = 1;
      kz::GetRegValue(key, "ShowGrid", grid, 1);
      kz::GetRegValue(key, "ShowNames", names, 1);
      model_.Layout.ShowGrid = grid != 0;
      model_.Layout.ShowNames = names != 0;
    });
  } catch (const std::exception&) {
  }
}

void frmUniverseMap::SaveOptions() {
  try {
    WithOptionsKey([this](int32_t key) {
      kz::SetRegValue(key, "ShowGrid", kz::Variant(int32_t{model_.Layout.ShowGrid ? 1 : 0}));
      kz::SetRegValue(key, "ShowNames", kz::Variant(int32_t{model_.Layout.ShowNames ? 1 : 0}));
    });
  } catch (const std::exception&) {
  }
}

// ---- members called by the galaxy editor ---------------------------------------------

void frmUniverseMap::ShowUniverse(const std::shared_ptr<clsGalaxyParser>& parser, bool modal, QWidget* owner) {
  Guard([&] { model_.ShowUniverse(parser); });
  if (owner && parentWidget() != owner) setParent(owner, windowFlags() | Qt::Window);
  if (modal) setWindowModality(Qt::ApplicationModal);
  show();
}

void frmUniverseMap::RefreshUniverse(const std::shared_ptr<clsGalaxyParser>& parser) {
  Guard([&] { model_.RefreshUniverse(parser); });
}
void frmUniverseMap::SelectSector(const ObjectPtr& obj) {
  Guard([&] { model_.SelectSector(obj); });
}
void frmUniverseMap::Clear() {
  Guard([&] { model_.Clear(); });
}
void frmUniverseMap::ObjectAdded(const ObjectPtr& obj) {
  Guard([&] { model_.ObjectAdded(obj); });
}
void frmUniverseMap::ObjectRemoved(const ObjectPtr& obj) {
  Guard([&] { model_.ObjectRemoved(obj); });
}
void frmUniverseMap::ObjectModified(const ObjectPtr& obj) {
  Guard([&] { model_.ObjectModified(obj); });
}

// ---- popup and status ---------------------------------------------------------------------

void frmUniverseMap::PreparePopup() {
  const clsUniverseEditor::PopupState s = model_.Popup();
  mnuPopupGrid->setChecked(s.grid);
  mnuPopNames->setChecked(s.names);
  mnuPopupAddSec->setEnabled(s.addSector);
  mnuPopupRemoveSec->setEnabled(s.removeSector);
  mnuPopCopy->setEnabled(s.copy);
  mnuPopPaste->setEnabled(s.paste);
}

void frmUniverseMap::UpdateStatus() {
  Panels[0]->setText(QString::fromStdString(model_.PlaceStatus()));
  Panels[1]->setText(QString::fromStdString(model_.RaceStatus()));
  Panels[2]->setText(QString::fromStdString(model_.SectorStatus()));
}

QString frmUniverseMap::PanelText(int panel) const {
  if (panel < 1 || panel > 3) return QString();
  return Panels[static_cast<size_t>(panel - 1)]->text();
}

// ---- keys -------------------------------------------------------------------------------------

bool frmUniverseMap::HandleKey(QKeyEvent* e) {
  const int32_t code = KeyCodeOf(e->key());
  if (code == 0) return false;
  bool handled = false;
  Guard([&] { handled = model_.KeyDown(code, (e->modifiers() & Qt::ShiftModifier) != 0); });
  return handled;
}

void frmUniverseMap::keyPressEvent(QKeyEvent* e) {
  if (!HandleKey(e)) QWidget::keyPressEvent(e);
}

bool frmUniverseMap::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Map) {
    if (event->type() == QEvent::KeyPress) {
      if (HandleKey(static_cast<QKeyEvent*>(event))) return true;
    } else if (event->type() == QEvent::KeyRelease) {
      auto* k = static_cast<QKeyEvent*>(event);
      if (mdlMapSurface::MoveKeyReleased((k->modifiers() & Qt::AltModifier) != 0,
                                         (k->modifiers() & Qt::ControlModifier) != 0, k->key() == Qt::Key_Alt,
                                         k->key() == Qt::Key_Control))
        Guard([&] { model_.KeyUpWithoutAlt(); });
    }
  }
  return QWidget::eventFilter(watched, event);
}

void frmUniverseMap::closeEvent(QCloseEvent* e) {
  if (!closed_) {
    closed_ = true;
    SaveOptions();
    e->accept();
    emit OnClose();
    return;
  }
  e->accept();
}

// ---- drawing ----------------------------------------------------------------------------------

QImage frmUniverseMap::Render() { return Map->Render(); }

void frmUniverseMap::CacheTexts() {
  const mdlUniverseMap::UniverseLayout& l = model_.Layout;
  if (textsFor_ == l.Generation && texts_.size() == l.Records.size()) return;
  texts_.assign(l.Records.size(), {});
  for (size_t i = 0; i < l.Records.size(); ++i) {
    texts_[i].reserve(l.Records[i].lines.size());
    for (const mdlUniverseMap::NameLine& line : l.Records[i].lines) texts_[i].push_back(QString::fromStdString(line.text));
  }
  textsFor_ = l.Generation;
}

void frmUniverseMap::PaintContent(QPainter& p) {
  const mdlUniverseMap::UniverseLayout& l = model_.Layout;
  const double boxW = Map->width(), boxH = Map->height();
  const double w = l.CellWidth, h = l.CellHeight;
  // Whatever is handed to the painter lies in the box: cells outside are skipped and
  // lines are clipped, so far places cannot overflow its coordinates.
  const double panX = std::isfinite(l.PanX) ? l.PanX : 0, panY = std::isfinite(l.PanY) ? l.PanY : 0;
  CacheTexts();

  // Grid over the whole box.
  if (l.ShowGrid) {
    p.setPen(gridPen_);
    // The first line inside the box (fmod is exact, whatever the pan).
    double firstX = std::fmod(panX, w);
    if (firstX < 0) firstX += w;
    for (double x = firstX; x < boxW; x += w) p.drawLine(QLineF(x, 0, x, boxH));
    double firstY = std::fmod(panY, h);
    if (firstY < 0) firstY += h;
    for (double y = firstY; y < boxH; y += h) p.drawLine(QLineF(0, y, boxW, y));
  }

  // Gate links, from the top of one cell's circle to the other's.
  p.setPen(gatePen_);
  auto anchor = [&](const SectorRecord& r, double& x, double& y) {
    x = panX + static_cast<double>(r.cell.left) + w / 2;
    y = panY + static_cast<double>(r.cell.top) + 12;
  };
  for (const SectorRecord& r : l.Records) {
    for (int32_t target : r.gateTargets) {
      if (target < 0 || target >= l.Count()) continue;
      double x1, y1, x2, y2;
      anchor(r, x1, y1);
      anchor(l.Records[static_cast<size_t>(target)], x2, y2);
      if (mdlMapSurface::ClipSegment(x1, y1, x2, y2, 0, 0, boxW, boxH)) p.drawLine(QLineF(x1, y1, x2, y2));
    }
  }

  // Cells: circle in the race's colour, the name lines, the frame of the selection.
  p.setBrush(Map->Background());
  p.setBackground(GameColour(kBackground));
  p.setBackgroundMode(Qt::OpaqueMode);
  const QPen textPen = SolidPen(kTextColour);
  auto drawCell = [&](size_t i, double x, double y, bool framed) {
    const SectorRecord& r = l.Records[i];
    p.setPen(racePens_[mdlUniverseMap::RaceHasColour(r.race) ? static_cast<size_t>(r.race) : 0]);
    p.setBrush(Map->Background());
    // The circle's box is 20 x 20 from (x + w/2 - 10, y + 2).
    p.drawEllipse(QRectF(x + w / 2 - 10, y + 2, 20, 20));
    if (!r.lines.empty()) {
      p.setPen(textPen);
      double lineY = y + 24;
      const std::vector<QString>& texts = texts_[i];
      for (size_t k = 0; k < r.lines.size() && k < texts.size(); ++k) {
        const double lx = x + w / 2 - std::floor(r.lines[k].size.width / 2.0);
        p.drawText(QPointF(lx, lineY + ascent_), texts[k]);
        lineY += r.lines[k].size.height;
      }
    }
    if (framed) {
      p.setPen(selectionPen_);
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(x, y, w - 1, h - 1));
    }
  };
  const int32_t selected = model_.Selected();
  for (size_t i = 0; i < l.Records.size(); ++i) {
    const double x = panX + static_cast<double>(l.Records[i].cell.left);
    const double y = panY + static_cast<double>(l.Records[i].cell.top);
    if (x >= boxW || y >= boxH || x + w <= 0 || y + h <= 0) continue;  // outside the box
    drawCell(i, x, y, static_cast<int32_t>(i) == selected);
  }
  const int32_t dragged = model_.Dragged();
  if (dragged >= 0 && dragged < l.Count())
    drawCell(static_cast<size_t>(dragged), model_.MouseX() - w / 2, model_.MouseY() - h / 2, true);
  p.setBackgroundMode(Qt::TransparentMode);
}

void frmUniverseMap::UpdateCaption() { setWindowTitle(QString::fromStdString(model_.CaptionText())); }
