// The sector map window: drawing, zoom, mouse and keys, ruler, popup commands, options
// and closing.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
#include <QMenu>
#include <QRadioButton>
#include <QTest>
#include <QWheelEvent>

#include "GalaxyFixture.h"
#include "core/Common.h"
#include "core/ui/GenericUi.h"
#include "galaxy/MapSurface.h"
#include "core/ui/ElidingLabel.h"
#include "galaxy/SectorMap.h"
#include "galaxy/SectorMapPainter.h"

using namespace mdlSectorMap;

namespace {

QColor Game(int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }
const QColor kBack = Game(kBackgroundColour);
const QColor kFill = Game(kObjectColour);
const QColor kSel = Game(kSelectedColour);
const QColor kGrid = Game(kGridColour);

// One object of every kind, well apart, in a 400 x 400 box (8e-6 pixels per unit):
// sun, planet, dock, factory, ship, asteroid on the X axis, a gate above, an unknown
// type below.
const char* kSymbolsMap =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<universe xmlns=\"KZUNIVERS.xsd\">\n"
    "<o t=\"1\" s=\"0\" x=\"0\" y=\"0\">\n"
    "  <o t=\"3\" s=\"0\" x=\"-15000000\" y=\"0\" z=\"0\"/>\n"
    "  <o t=\"4\" s=\"0\" x=\"-10000000\" y=\"0\" z=\"0\"/>\n"
    "  <o t=\"5\" s=\"0\" x=\"-5000000\" y=\"0\" z=\"0\"/>\n"
    "  <o t=\"6\" s=\"0\" x=\"5000000\" y=\"0\" z=\"0\"/>\n"
    "  <o t=\"7\" s=\"0\" x=\"10000000\" y=\"0\" z=\"0\"/>\n"
    "  <o t=\"17\" s=\"0\" x=\"15000000\" y=\"0\" z=\"0\"/>\n"
    "  <o t=\"18\" s=\"0\" x=\"0\" y=\"0\" z=\"12500000\" gid=\"0\" gx=\"1\" gy=\"0\" gtid=\"1\"/>\n"
    "  <o t=\"8\" s=\"0\" x=\"0\" y=\"-3\" z=\"-12500000\"/>\n"
    "</o>\n"
    "<o t=\"1\" s=\"0\" x=\"1\" y=\"0\">\n"
    "  <o t=\"18\" s=\"0\" x=\"0\" y=\"0\" z=\"0\" gid=\"1\" gx=\"0\" gy=\"0\" gtid=\"0\"/>\n"
    "</o>\n"
    "</universe>\n";

void SendMouse(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, mods);
  QApplication::sendEvent(w, &e);
}

void SendWheel(QWidget* w, int dy, int dx = 0) {
  const QPointF pos(10, 10);
  QWheelEvent e(pos, w->mapToGlobal(pos), QPoint(), QPoint(dx, dy), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                false);
  QApplication::sendEvent(w, &e);
}

void SendKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent e(QEvent::KeyPress, key, mods);
  QApplication::sendEvent(w, &e);
}

}  // namespace

class SectorMapUi : public GalaxyTest {
 protected:
  std::shared_ptr<clsGalaxyParser> doc = std::make_shared<clsGalaxyParser>();
  frmSectorMap* map = nullptr;
  std::vector<std::string> events;

  // Opens a map over a file of the test, its first sector read and shown.
  void Open(const char* text, bool loadFirst = true) {
    WriteFile("maps/m.xml", text);
    ASSERT_TRUE(doc->ParseFile(PathOf("maps/m.xml"))) << doc->GetLastError();
    if (loadFirst) ASSERT_TRUE(doc->LoadSectorChildren(doc->Sectors.Item(1)));
    map = Keep(new frmSectorMap());
    map->Map->setFixedSize(400, 400);  // the scale comes from the box at the first show
    map->ShowMap(doc);
    QApplication::processEvents();
    Record();
  }
  void Record() {
    auto name = [this](const char* what, const GalaxyObjectPtr& o) {
      events.push_back(std::string(what) + " " + (o ? o->key() : std::string("none")));
    };
    QObject::connect(map, &frmSectorMap::OnObjectClick, map, [=](GalaxyObjectPtr o) { name("click", o); });
    QObject::connect(map, &frmSectorMap::OnObjectCreated, map, [=](GalaxyObjectPtr o) { name("created", o); });
    QObject::connect(map, &frmSectorMap::OnObjectDeleted, map, [=](GalaxyObjectPtr o) { name("deleted", o); });
    QObject::connect(map, &frmSectorMap::OnObjectModified, map, [=](GalaxyObjectPtr o) { name("modified", o); });
    QObject::connect(map, &frmSectorMap::OnShowObject, map, [=](GalaxyObjectPtr o) { name("show", o); });
    QObject::connect(map, &frmSectorMap::OnCoordsUpdated, map, [this] { events.push_back("coords"); });
    QObject::connect(map, &frmSectorMap::OnClose, map, [this] { events.push_back("close"); });
  }
  GalaxyObjectPtr S(int i) { return doc->Sectors.Item(i); }
  GalaxyObjectPtr C(int sector, int i) { return S(sector)->Childs.Item(i); }
  QPoint At(const GalaxyObjectPtr& o) {
    const int32_t i = map->Model().FindRecord(o);
    EXPECT_GE(i, 0);
    const MapPointL p = map->Model().RecordPixel(map->Model().Records()[static_cast<size_t>(i)]);
    return QPoint(p.x, p.y);
  }
  void Labels(bool id, bool name) {
    if (map->chkLabel[0]->isChecked() != id) map->chkLabel[0]->click();
    if (map->chkLabel[1]->isChecked() != name) map->chkLabel[1]->click();
  }
};

// At the window's default size every status panel shows its whole text, also the
// selection's with a long name and far coordinates.
TEST_F(SectorMapUi, TheStatusPanelsFitAtTheDefaultWidth) {
  WriteFile("maps/far.xml",
            "<universe><o t=\"1\" s=\"0\" x=\"0\" y=\"0\">"
            "<o t=\"5\" s=\"SS_DOCK_A\" x=\"-2000000000\" y=\"-2000000000\" z=\"-2000000000\"/>"
            "</o></universe>");
  ASSERT_TRUE(doc->ParseFile(PathOf("maps/far.xml"))) << doc->GetLastError();
  ASSERT_TRUE(doc->LoadSectorChildren(doc->Sectors.Item(1)));
  map = Keep(new frmSectorMap());
  map->ShowMap(doc);
  QApplication::processEvents();
  map->SelectGalObject(C(1, 1));
  QApplication::processEvents();
  ASSERT_FALSE(map->PanelText(3).isEmpty());
  for (QLabel* panel : map->Panels) {
    SCOPED_TRACE(panel->text().toStdString());
    EXPECT_GE(panel->width(), panel->sizeHint().width());
    EXPECT_LE(panel->geometry().right(), map->Bar->width());
  }
}

TEST_F(SectorMapUi, DrawsEverySymbolInTheColoursOfItsType) {
  Open(kSymbolsMap);
  Labels(false, false);
  map->SelectGalObject(C(1, 1));  // shows the first sector
  map->Model().SelectRecord(-1, true);
  ASSERT_DOUBLE_EQ(map->Model().Scale(), 400 / 50000000.0);
  QImage img = map->RenderMap();
  ASSERT_EQ(img.size(), QSize(400, 400));
  struct Case {
    int child;
    QPoint offset;
    QColor colour;
  };
  const std::vector<Case> cases = {
      {1, {0, 0}, QColor(Qt::black)},  // sun: black centre dot
      {1, {3, 0}, kFill},              // ... on a filled disc
      {2, {0, 0}, kFill},              // planet
      {3, {0, 0}, kFill},              // dock: filled centre dot
      {3, {4, 0}, kBack},              // ... inside a hollow ring
      {4, {0, 0}, kFill},              // factory
      {5, {0, 1}, kFill},              // ship
      {6, {0, 0}, kFill},              // asteroid
      {7, {0, 0}, kBack},              // gate: hollow ring
      {7, {-8, 0}, kFill},             // ... with filled side ellipses
      {7, {8, 0}, kFill},
      {8, {0, 0}, kBack},              // any other type: hollow
  };
  for (const Case& c : cases) {
    const QPoint p = At(C(1, c.child)) + c.offset;
    EXPECT_EQ(img.pixelColor(p), c.colour) << "child " << c.child << " at " << p.x() << "," << p.y();
  }
  EXPECT_EQ(At(C(1, 1)), QPoint(80, 200));
  EXPECT_EQ(At(C(1, 7)), QPoint(200, 100));
  // Grid every 5 km (20 pixels here) and the axes through the origin.
  EXPECT_EQ(img.pixelColor(220, 50), kGrid);
  EXPECT_EQ(img.pixelColor(50, 60), kGrid);
  EXPECT_EQ(img.pixelColor(200, 30), kGrid);
  EXPECT_EQ(img.pixelColor(50, 50), kBack);

  // The selected record in the selected colours.
  map->SelectGalObject(C(1, 2));
  img = map->RenderMap();
  EXPECT_EQ(img.pixelColor(At(C(1, 2))), kSel);
  EXPECT_EQ(img.pixelColor(At(C(1, 1)) + QPoint(3, 0)), kFill);
  map->SelectGalObject(C(1, 3));
  img = map->RenderMap();
  EXPECT_EQ(img.pixelColor(At(C(1, 3))), kSel);
  EXPECT_EQ(img.pixelColor(At(C(1, 2))), kFill);
}

TEST_F(SectorMapUi, LabelsAndSelectionFrameAreDrawnAndCulledOutsideTheBox) {
  Open(kSymbolsMap);
  Labels(true, true);
  map->SelectGalObject(C(1, 2));
  QImage img = map->RenderMap();
  // Text pixels in the text colour below the planet, inside its box.
  const MapRecord& r = map->Model().Records()[1];
  const QPoint c = At(C(1, 2));
  int textPixels = 0;
  for (int y = c.y() + 6; y <= c.y() + r.Box.bottom; ++y)
    for (int x = c.x() + r.Box.left; x <= c.x() + r.Box.right; ++x)
      if (img.pixelColor(x, y) == kSel) ++textPixels;
  EXPECT_GT(textPixels, 10);
  EXPECT_EQ(map->Painter().DrawnCount(), 9);  // eight records and the selected one again
  // Zoomed in on the centre, the objects on the X axis far out are not drawn.
  for (int i = 0; i < 5; ++i) map->Model().ZoomMap(true);
  map->RenderMap();
  EXPECT_LT(map->Painter().DrawnCount(), 4);
}

TEST_F(SectorMapUi, UnloadedSectorShowsOnlyTheNote) {
  Open(kSymbolsMap, false);
  map->SelectGalObject(S(1));
  EXPECT_EQ(map->Model().ShownSector(), S(1));
  QImage img = map->RenderMap();
  int text = 0;
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 150; ++x)
      if (img.pixelColor(x, y) == kSel) ++text;
  EXPECT_GT(text, 20);
  EXPECT_EQ(map->Painter().DrawnCount(), 0);
  // Add and paste wait for the children.
  map->Model().CopiedID = C(1, 1)->key();
  map->PreparePopup();
  EXPECT_FALSE(map->mnuPopAddObj->isEnabled());
  EXPECT_FALSE(map->mnuPopPaste->isEnabled());
  const int before = doc->objects.Count();
  map->AddObject();
  map->Paste();
  EXPECT_EQ(doc->objects.Count(), before);
  // Once read, the next selection shows the children.
  ASSERT_TRUE(doc->LoadSectorChildren(S(1)));
  map->SelectGalObject(S(1));
  EXPECT_EQ(map->Model().Count(), 8);
  map->PreparePopup();
  EXPECT_TRUE(map->mnuPopAddObj->isEnabled());
}

TEST_F(SectorMapUi, WheelAndKeysZoomAndPan) {
  Open(kSymbolsMap);
  EXPECT_EQ(map->PanelText(1), "100.0%");
  SendWheel(map->Map, 120);
  EXPECT_EQ(map->PanelText(1), "150.0%");
  SendWheel(map->Map, 240);  // two notches, two steps
  EXPECT_EQ(map->PanelText(1), "337.5%");
  SendWheel(map->Map, -120);
  EXPECT_EQ(map->PanelText(1), "225.0%");
  SendWheel(map->Map, 0, 120);  // horizontal
  EXPECT_EQ(map->PanelText(1), "225.0%");
  SendWheel(map, -60);  // a wheel over the window itself, in halves that add up with the box's
  EXPECT_EQ(map->PanelText(1), "225.0%");
  SendWheel(map->Map, -60);
  EXPECT_EQ(map->PanelText(1), "150.0%");
  SendKey(map->Map, Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_EQ(map->PanelText(1), "100.0%");
  SendKey(map->Map, Qt::Key_Minus);  // not the keypad
  EXPECT_EQ(map->PanelText(1), "100.0%");
  for (int i = 0; i < 10; ++i) SendKey(map->Map, Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_EQ(map->PanelText(1), "19.8%");
  for (int i = 0; i < 30; ++i) SendKey(map->Map, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(map->PanelText(1), "498788.5%");
  // Arrows pan by 10 pixels.
  const double px = map->Model().PanX(), py = map->Model().PanY();
  SendKey(map->Map, Qt::Key_Left);
  SendKey(map->Map, Qt::Key_Up);
  SendKey(map->Map, Qt::Key_Up);
  SendKey(map->Map, Qt::Key_Right);
  SendKey(map->Map, Qt::Key_Right);
  SendKey(map->Map, Qt::Key_Down);
  EXPECT_DOUBLE_EQ(map->Model().PanX(), px - 10);
  EXPECT_DOUBLE_EQ(map->Model().PanY(), py + 10);
}

// A name longer than any window: the window keeps its width, the selection panel stays
// inside the bar and shows the name shortened in the middle, coordinates whole.
TEST_F(SectorMapUi, AVeryLongNameIsShortenedInTheStatusPanel) {
  const std::string id = "SS_DOCK_" + std::string(300, 'W');
  WriteFile("maps/long.xml", "<universe><o t=\"1\" s=\"0\" x=\"0\" y=\"0\">"
                             "<o t=\"5\" s=\"" + id + "\" x=\"1000\" y=\"0\" z=\"0\"/></o></universe>");
  ASSERT_TRUE(doc->ParseFile(PathOf("maps/long.xml"))) << doc->GetLastError();
  ASSERT_TRUE(doc->LoadSectorChildren(doc->Sectors.Item(1)));
  map = Keep(new frmSectorMap());
  map->ShowMap(doc);
  map->show();
  QApplication::processEvents();
  const int width = map->width();
  map->SelectGalObject(C(1, 1));
  QApplication::processEvents();
  EXPECT_EQ(map->width(), width);
  EXPECT_NE(map->PanelText(3).indexOf(QString::fromStdString(id)), -1);  // the whole text is kept
  auto* panel = dynamic_cast<kz::ElidingLabel*>(map->Panels[2]);
  ASSERT_TRUE(panel);
  EXPECT_LE(panel->geometry().right(), map->Bar->width());
  const QString shown = panel->ShownText();
  EXPECT_NE(shown.indexOf(QChar(0x2026)), -1) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith("Z: 0.000 km")) << shown.toStdString();
  EXPECT_LE(panel->fontMetrics().horizontalAdvance(shown), panel->contentsRect().width());
}

// Ctrl-drag moves as Alt-drag does: desktops that take Alt-drag for moving windows
// leave Ctrl to the program.
TEST_F(SectorMapUi, CtrlDragMovesTheSelectedObjectAsAltDragDoes) {
  Open(kSymbolsMap);
  Labels(false, false);
  map->SelectGalObject(C(1, 2));
  SendMouse(map->Map, QEvent::MouseButtonPress, QPointF(300, 300), Qt::LeftButton, Qt::LeftButton,
            Qt::ControlModifier);
  SendMouse(map->Map, QEvent::MouseMove, QPointF(240, 150), Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
  SendMouse(map->Map, QEvent::MouseButtonRelease, QPointF(240, 150), Qt::LeftButton, Qt::NoButton,
            Qt::ControlModifier);
  EXPECT_EQ(At(C(1, 2)), QPoint(240, 150));
  EXPECT_DOUBLE_EQ(map->Model().PanX(), 0);  // no pan
  EXPECT_TRUE(map->Button("update")->isEnabled());
}

TEST_F(SectorMapUi, ClickSelectsDragPansAltDragMovesAndUpdateWritesBack) {
  Open(kSymbolsMap);
  Labels(false, false);
  map->SelectGalObject(C(1, 1));
  events.clear();
  const QPoint planet = At(C(1, 2));
  QTest::mousePress(map->Map, Qt::LeftButton, Qt::NoModifier, planet);
  QTest::mouseRelease(map->Map, Qt::LeftButton, Qt::NoModifier, planet);
  EXPECT_EQ(map->Model().Selected(), 1);
  EXPECT_EQ(events, (std::vector<std::string>{"click " + C(1, 2)->key()}));
  EXPECT_NE(map->PanelText(3).indexOf("X: -20.000 km, Y: 0.000 km, Z: 0.000 km"), -1) << map->PanelText(3).toStdString();
  // A click on empty map keeps the selection.
  QTest::mouseClick(map->Map, Qt::LeftButton, Qt::NoModifier, QPoint(30, 370));
  EXPECT_EQ(map->Model().Selected(), 1);

  // Dragging empty map pans.
  SendMouse(map->Map, QEvent::MouseButtonPress, QPointF(30, 370), Qt::LeftButton, Qt::LeftButton);
  SendMouse(map->Map, QEvent::MouseMove, QPointF(50, 360), Qt::NoButton, Qt::LeftButton);
  SendMouse(map->Map, QEvent::MouseButtonRelease, QPointF(50, 360), Qt::LeftButton, Qt::NoButton);
  EXPECT_DOUBLE_EQ(map->Model().PanX(), 20);
  EXPECT_DOUBLE_EQ(map->Model().PanY(), -10);
  EXPECT_EQ(At(C(1, 2)), planet + QPoint(20, -10));
  map->ToolbarAction("center");
  EXPECT_EQ(At(C(1, 2)), planet);
  EXPECT_FALSE(map->Button("update")->isEnabled());

  // Alt-drag moves the selected planet to the pointer.
  SendMouse(map->Map, QEvent::MouseButtonPress, QPointF(300, 300), Qt::LeftButton, Qt::LeftButton, Qt::AltModifier);
  SendMouse(map->Map, QEvent::MouseMove, QPointF(240, 150), Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
  SendMouse(map->Map, QEvent::MouseButtonRelease, QPointF(240, 150), Qt::LeftButton, Qt::NoButton, Qt::AltModifier);
  EXPECT_EQ(map->Model().Selected(), 1);
  EXPECT_EQ(At(C(1, 2)), QPoint(240, 150));
  EXPECT_TRUE(map->Button("update")->isEnabled());
  EXPECT_TRUE(map->windowTitle().endsWith(" *"));
  EXPECT_EQ(C(1, 2)->x(), -10000000);  // not written yet
  QImage img = map->RenderMap();
  EXPECT_EQ(img.pixelColor(240, 150), kSel);

  // "update" asks; No keeps the moves, Yes writes them.
  ui_->PushMsgBox(platform::vbNo);
  map->ToolbarAction("update");
  EXPECT_EQ(LastMsg(), "Do you want to update coordinates of objects in Galaxy Editor?");
  EXPECT_EQ(C(1, 2)->x(), -10000000);
  ui_->PushMsgBox(platform::vbYes);
  events.clear();
  map->ToolbarAction("update");
  EXPECT_EQ(C(1, 2)->x(), 5000000);
  EXPECT_EQ(C(1, 2)->z(), 6250000);
  EXPECT_EQ(C(1, 2)->y(), 0);
  EXPECT_EQ(C(1, 3)->x(), -5000000);
  EXPECT_EQ(events, (std::vector<std::string>{"coords"}));
  EXPECT_FALSE(map->Button("update")->isEnabled());
  EXPECT_FALSE(map->windowTitle().endsWith(" *"));

  // Double click and Enter show the object.
  events.clear();
  const QPoint factory = At(C(1, 4));
  SendMouse(map->Map, QEvent::MouseButtonPress, factory, Qt::LeftButton, Qt::LeftButton);
  SendMouse(map->Map, QEvent::MouseButtonRelease, factory, Qt::LeftButton, Qt::NoButton);
  SendMouse(map->Map, QEvent::MouseButtonDblClick, factory, Qt::LeftButton, Qt::LeftButton);
  SendMouse(map->Map, QEvent::MouseButtonRelease, factory, Qt::LeftButton, Qt::NoButton);
  SendKey(map->Map, Qt::Key_Return);
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[events.size() - 2], "show " + C(1, 4)->key());
  EXPECT_EQ(events.back(), "show " + C(1, 4)->key());
  // "centerobj" brings the selection to the middle.
  map->ToolbarAction("centerobj");
  EXPECT_EQ(At(C(1, 4)), QPoint(200, 200));
}

TEST_F(SectorMapUi, SideViewShowsYAndTheRulerMeasures) {
  Open(kSymbolsMap);
  Labels(false, false);
  map->SelectGalObject(C(1, 1));
  map->ToolbarAction("side");
  EXPECT_FALSE(map->Button("top")->isChecked());
  EXPECT_TRUE(map->Button("side")->isChecked());
  EXPECT_EQ(At(C(1, 7)), QPoint(200, 200));  // the gate's y is 0
  SendMouse(map->Map, QEvent::MouseMove, QPointF(200, 150), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(map->PanelText(2), "X: 0.000 km, Y: 12.500 km");

  // The middle button turns the ruler on at its press point.
  QTest::mouseClick(map->Map, Qt::MiddleButton, Qt::NoModifier, QPoint(200, 200));
  EXPECT_TRUE(map->Model().RulerOn());
  SendMouse(map->Map, QEvent::MouseMove, QPointF(260, 120), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(map->Model().RulerText(), "Distance: 25.000 km");  // 60 by 80 pixels
  QImage img = map->RenderMap();
  EXPECT_EQ(img.pixelColor(230, 160), kSel);  // on the line
  map->rbUnits[1]->click();
  EXPECT_EQ(map->Model().RulerText(), "Distance: 12500000");
  map->rbUnits[2]->click();
  EXPECT_EQ(map->Model().RulerText(), "Distance: 13.499  nm");
  map->PreparePopup();
  EXPECT_TRUE(map->mnuPopDist->isChecked());
  // From the popup: off, then on at the point where the menu was opened.
  map->mnuPopDist->trigger();
  EXPECT_FALSE(map->Model().RulerOn());
  SendMouse(map->Map, QEvent::MouseButtonPress, QPointF(100, 200), Qt::RightButton, Qt::RightButton);
  map->mnuPopDist->trigger();
  EXPECT_TRUE(map->Model().RulerOn());
  EXPECT_EQ(map->Model().RulerAnchor(), (MapPointL{-12500000, 0}));
}

TEST_F(SectorMapUi, AddPasteAndDeleteRaiseTheirEventsInOrder) {
  Open(kSymbolsMap);
  Labels(false, true);
  map->SelectGalObject(C(1, 1));
  events.clear();

  // Add at the point where the popup was opened.
  SendMouse(map->Map, QEvent::MouseButtonPress, QPointF(100, 300), Qt::RightButton, Qt::RightButton);
  map->PreparePopup();
  EXPECT_TRUE(map->mnuPopAddObj->isEnabled());
  EXPECT_FALSE(map->mnuPopPaste->isEnabled());
  WhenNewObjectShown([](frmNewGalObject& d) {
    kz::SelectComboByItemData(d.cmbType, 6);
    d.FillSubtypes();
    d.AcceptDialog();
  });
  map->mnuPopAddObj->trigger();
  ASSERT_EQ(S(1)->Childs.Count(), 9);
  GalaxyObjectPtr added = C(1, 9);
  EXPECT_EQ(added->otype(), 6);
  EXPECT_EQ(added->x(), -12500000);
  EXPECT_EQ(added->z(), -12500000);
  EXPECT_EQ(added->y(), 0);
  EXPECT_EQ(doc->objects.Find(added->key()), added);
  EXPECT_EQ(events, (std::vector<std::string>{"created " + added->key(), "click " + added->key()}));
  EXPECT_EQ(map->Model().Selected(), 8);
  EXPECT_NE(doc->XML().GetXML().find("<o t=\"6\""), std::string::npos);

  // Copy the sun, paste it in side view.
  map->SelectGalObject(C(1, 1));
  map->mnuPopCopy->trigger();
  map->ToolbarAction("side");
  SendMouse(map->Map, QEvent::MouseButtonPress, QPointF(300, 100), Qt::RightButton, Qt::RightButton);
  map->PreparePopup();
  EXPECT_TRUE(map->mnuPopPaste->isEnabled());
  events.clear();
  map->mnuPopPaste->trigger();
  ASSERT_EQ(S(1)->Childs.Count(), 10);
  GalaxyObjectPtr pasted = C(1, 10);
  EXPECT_EQ(pasted->otype(), 3);
  EXPECT_EQ(pasted->x(), 12500000);
  EXPECT_EQ(pasted->y(), 12500000);
  EXPECT_EQ(pasted->z(), 0);  // the source's
  EXPECT_EQ(events, (std::vector<std::string>{"click " + pasted->key(), "created " + pasted->key()}));

  // Delete asks; No keeps, Yes removes the record and raises the event.
  const std::string name = doc->GetObjectName(pasted), id = doc->GetObjectID(pasted);
  events.clear();
  ui_->PushMsgBox(platform::vbNo);
  SendKey(map->Map, Qt::Key_Delete);
  EXPECT_EQ(LastMsg(), "Do you really want to delete selected object " + name + " (" + id + ") ?");
  EXPECT_EQ(ui_->Last("MsgBox")->Title, "Galaxy Editor - Sector Map");
  EXPECT_TRUE(events.empty());
  ui_->PushMsgBox(platform::vbYes);
  map->PreparePopup();
  ASSERT_TRUE(map->mnuPopDelete->isEnabled());
  map->mnuPopDelete->trigger();
  EXPECT_EQ(events, (std::vector<std::string>{"deleted " + pasted->key()}));
  EXPECT_EQ(doc->objects.Find(pasted->key()), nullptr);
  EXPECT_EQ(map->Model().Selected(), -1);
  EXPECT_EQ(map->Model().Count(), 9);
  EXPECT_EQ(map->PanelText(3), "");
  map->PreparePopup();
  EXPECT_FALSE(map->mnuPopDelete->isEnabled());
  EXPECT_FALSE(map->mnuPopCopy->isEnabled());
}

TEST_F(SectorMapUi, GatesAreLinkedOneWayOrBothWays) {
  Open(kSymbolsMap);
  ASSERT_TRUE(doc->LoadSectorChildren(S(2)));
  GalaxyObjectPtr g1 = C(1, 7), g2 = C(2, 1);
  g2->AddProperty("gid", kz::Variant(int32_t{5}));
  map->SelectGalObject(g1);
  map->PreparePopup();
  EXPECT_TRUE(map->mnuPopGateAction->isVisible());
  EXPECT_FALSE(map->mnuPopGateLink->isEnabled());
  map->mnuPopGateSelect->trigger();
  map->PreparePopup();
  // Linking a gate to itself is refused.
  ui_->PushMsgBox(platform::vbYes);
  map->mnuPopGateLink->trigger();
  EXPECT_EQ(LastMsg(), "You are trying to link the gate to itself!");

  map->SelectGalObject(g2);  // the other sector
  EXPECT_EQ(map->Model().ShownSector(), S(2));
  map->PreparePopup();
  EXPECT_TRUE(map->mnuPopGateLink->isEnabled());
  // Cancel does nothing.
  events.clear();
  ui_->PushMsgBox(platform::vbCancel);
  map->mnuPopGateLink->trigger();
  EXPECT_NE(LastMsg().find("Previously selected gate: " + doc->GetObjectName(S(1)) + ", GID = 0"), std::string::npos)
      << LastMsg();
  EXPECT_TRUE(events.empty());
  // No links the selected gate only.
  g2->RemoveProperty("gtid");
  ui_->PushMsgBox(platform::vbNo);
  map->mnuPopGateLink->trigger();
  EXPECT_EQ(events, (std::vector<std::string>{"modified " + g2->key()}));
  EXPECT_EQ(kz::CStr(g2->NamedProperty("gtid")), "0");
  EXPECT_EQ(g2->NamedProperty("gx").IsEmpty(), false);
  // Yes links both, the selected gate first.
  events.clear();
  g1->AddProperty("gtid", kz::Variant(int32_t{99}));
  ui_->PushMsgBox(platform::vbYes);
  map->mnuPopGateLink->trigger();
  EXPECT_EQ(events, (std::vector<std::string>{"modified " + g2->key(), "modified " + g1->key()}));
  EXPECT_EQ(kz::CStr(g1->NamedProperty("gtid")), "5");
  EXPECT_EQ(kz::CStr(g1->NamedProperty("gx")), "1");
  // A plain object shows no gate entry.
  map->SelectGalObject(C(2, 1));
  map->Model().SelectRecord(-1, true);
  map->PreparePopup();
  EXPECT_FALSE(map->mnuPopGateAction->isVisible());
}

TEST_F(SectorMapUi, OptionsAreReadAndWrittenInTheRegistry) {
  Settings->SaveRegValue("GE\\SectorMap", "labels", kz::Variant(int32_t{3}));
  Settings->SaveRegValue("GE\\SectorMap", "units", kz::Variant(int32_t{2}));
  Settings->SaveRegValue("GE\\SectorMap", "autosync", kz::Variant(int32_t{0}));
  Settings->SaveRegValue("GE\\SectorMap", "topview", kz::Variant(int32_t{2}));
  Open(kSymbolsMap);
  EXPECT_TRUE(map->chkLabel[0]->isChecked());
  EXPECT_TRUE(map->chkLabel[1]->isChecked());
  EXPECT_TRUE(map->rbUnits[2]->isChecked());
  EXPECT_FALSE(map->chkAutoSync->isChecked());
  EXPECT_TRUE(map->Button("side")->isChecked());
  EXPECT_EQ(map->Model().LabelMask(), 3);
  EXPECT_EQ(map->Model().Units(), 2);
  EXPECT_FALSE(map->Model().AutoSync);
  EXPECT_FALSE(map->Model().TopView());
  // AutoSync off: the editor's selection does not change the sector.
  map->SelectGalObject(C(1, 1));
  EXPECT_EQ(map->Model().ShownSector(), nullptr);

  map->chkLabel[0]->click();
  map->rbUnits[1]->click();
  map->chkAutoSync->click();
  map->ToolbarAction("top");
  ASSERT_TRUE(map->Unload(false));
  EXPECT_EQ(events, (std::vector<std::string>{"close"}));
  auto read = [](const char* name) {
    return kz::CLng(Settings->ReadRegValue("GE\\SectorMap", name, kRegNumber, kz::Variant(int32_t{-7})));
  };
  EXPECT_EQ(read("labels"), 2);
  EXPECT_EQ(read("units"), 1);
  EXPECT_EQ(read("autosync"), 1);
  EXPECT_EQ(read("topview"), 1);
  EXPECT_EQ(read("ontop"), -7);  // never written
}

TEST_F(SectorMapUi, DefaultsWithoutStoredOptions) {
  Open(kSymbolsMap);
  EXPECT_FALSE(map->chkLabel[0]->isChecked());
  EXPECT_TRUE(map->chkLabel[1]->isChecked());
  EXPECT_TRUE(map->rbUnits[0]->isChecked());
  EXPECT_TRUE(map->chkAutoSync->isChecked());
  EXPECT_TRUE(map->Button("top")->isChecked());
  EXPECT_EQ(map->windowTitle(), "Sector Map");
  map->SelectGalObject(C(1, 1));
  EXPECT_EQ(map->windowTitle().toStdString(), "Sector Map [" + doc->GetObjectName(S(1)) + "]");
}

TEST_F(SectorMapUi, ClosingWithUnsavedMovesAsksFromTheFrameOnly) {
  Open(kSymbolsMap);
  map->SelectGalObject(C(1, 1));
  SendMouse(map->Map, QEvent::MouseMove, QPointF(120, 120), Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
  ASSERT_TRUE(map->Model().Modified());
  events.clear();
  // Cancel keeps the window open.
  ui_->PushMsgBox(platform::vbCancel);
  EXPECT_FALSE(map->close());
  EXPECT_TRUE(map->isVisible());
  EXPECT_EQ(LastMsg(), "You have modified object coordinates.\r\nDo you want to update them in Galaxy Editor?");
  EXPECT_TRUE(events.empty());
  // Yes writes back, then closes.
  ui_->PushMsgBox(platform::vbYes);
  EXPECT_TRUE(map->close());
  EXPECT_EQ(events, (std::vector<std::string>{"coords", "close"}));
  EXPECT_EQ(C(1, 1)->x(), -10000000);
  // Closing from code does not ask.
  frmSectorMap* other = Keep(new frmSectorMap());
  other->ShowMap(doc);
  other->SelectGalObject(C(1, 2));
  SendMouse(other->Map, QEvent::MouseMove, QPointF(10, 10), Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
  const size_t asked = MsgTexts().size();
  EXPECT_TRUE(other->Unload(false));
  EXPECT_EQ(MsgTexts().size(), asked);
  EXPECT_FALSE(other->isVisible());
}

TEST_F(SectorMapUi, FailedAddPasteAndDeleteLeaveDocumentAndRecordsAsTheyWere) {
  Open(kSymbolsMap);
  map->SelectGalObject(C(1, 1));
  const int objects = doc->objects.Count();
  const std::string xml = doc->XML().GetXML();
  events.clear();

  // The new object cannot be written: the sector's element can no longer be found.
  const int32_t mark = S(1)->XMLBookmark;
  S(1)->XMLBookmark = 0;
  WhenNewObjectShown([](frmNewGalObject& d) {
    kz::SelectComboByItemData(d.cmbType, 6);
    d.FillSubtypes();
    d.AcceptDialog();
  });
  map->AddObject();
  EXPECT_EQ(LastMsg().rfind("Error while updating ojbect state in XML:\r\n", 0), 0u) << LastMsg();
  EXPECT_EQ(ui_->Last("MsgBox")->Title, "Galaxy Editor - Sector Map");
  EXPECT_EQ(S(1)->Childs.Count(), 8);
  EXPECT_EQ(doc->objects.Count(), objects);
  EXPECT_EQ(map->Model().Count(), 8);
  S(1)->XMLBookmark = mark;

  // Nor can a pasted copy.
  map->Model().CopiedID = C(1, 2)->key();
  S(1)->XMLBookmark = 0;
  ui_->ClearCalls();
  map->Paste();
  EXPECT_EQ(LastMsg().rfind("Error while updating ojbect state in XML:\r\n", 0), 0u) << LastMsg();
  S(1)->XMLBookmark = mark;
  EXPECT_EQ(S(1)->Childs.Count(), 8);
  EXPECT_EQ(doc->objects.Count(), objects);
  EXPECT_EQ(map->Model().Count(), 8);
  EXPECT_EQ(doc->XML().GetXML(), xml);

  // Deleting an object whose element is gone: the message, nothing removed.
  map->SelectGalObject(C(1, 3));
  C(1, 3)->XMLBookmark = 0;
  events.clear();
  ui_->PushMsgBox(platform::vbYes);
  map->DeleteObject();
  EXPECT_EQ(LastMsg().rfind("Error deleting object: \r\n", 0), 0u) << LastMsg();
  EXPECT_EQ(map->Model().Count(), 8);
  EXPECT_EQ(map->Model().Selected(), 2);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(doc->objects.Find(C(1, 3)->key()), C(1, 3));
}
