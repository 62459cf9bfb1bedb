// The universe map window offscreen: what it draws (cells, race colours, names, grid,
// gate lines, selection, the moved cell), keys and mouse through Qt events, its popup
// menu, its options and its events.
#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>

#include "UniverseFixture.h"
#include "core/Settings.h"
#include "galaxy/MapSurface.h"
#include "galaxy/UniverseMap.h"
#include "platform/Registry.h"
#include "tests/common/QtTestKit.h"

using unitest::GateXml;
using unitest::SectorXml;

namespace {

QApplication& App() { return kztest::TestApp("universemap_tests"); }

QRgb Rgb(int r, int g, int b) { return qRgb(r, g, b); }
const QRgb kBlack = Rgb(0, 0, 0);
const QRgb kWhite = Rgb(255, 255, 255);
const QRgb kGrid = Rgb(0x3D, 0x3B, 0x3B);
const QRgb kYellow = Rgb(255, 255, 0);  // the selection frame
const QRgb kRed = Rgb(255, 0, 0);       // race 6

// How many pixels of a colour lie in a rectangle of the image.
int Count(const QImage& img, QRect r, QRgb colour) {
  int n = 0;
  r = r.intersected(img.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++n;
  return n;
}

// Home (0,0, race 6) -- Far (3,0); Lost (0,4, race 15) with a gate to nowhere and
// one without a target; Twin (5,4) linked to Lost.
const std::string kMap =
    SectorXml(0, 0, "Home", GateXml(3, 0), " r=\"6\"") + SectorXml(3, 0, "Far", GateXml(0, 0), " r=\"2\"") +
    SectorXml(0, 4, "Lost", GateXml(9, 9) + GateXml(5, 4, -1), " r=\"15\"") + SectorXml(5, 4, "Twin");

struct UniverseWindow : unitest::UniverseTest {
  QPointer<frmUniverseMap> win;
  SettingsPtr previousSettings;
  std::string registry;

  void SetUp() override {
    App();
    UniverseTest::SetUp();
    // A registry of this test's own, so that options written by one test reach no other.
    registry = galtest::TempPath(std::string("reg-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(registry);
    ::setenv("KZ_REGISTRY_DIR", registry.c_str(), 1);
    platform::RegistryReset();
    previousSettings = Settings;
    Settings = std::make_shared<clsSettings>();
    Load(unitest::Universe(kMap));
    win = MakeWindow();
  }
  void TearDown() override {
    if (win) delete win.data();
    Settings = previousSettings;
    platform::RegistryReset();
    UniverseTest::TearDown();
  }
  frmUniverseMap* MakeWindow() {
    auto* w = new frmUniverseMap();
    w->Model().NameOf = unitest::NameAttr;
    QObject::connect(w, &frmUniverseMap::OnSectorClick, [this](auto o) { events.push_back("click:" + unitest::NameAttr(o)); });
    QObject::connect(w, &frmUniverseMap::OnDisplaySector,
                     [this](auto o) { events.push_back("display:" + unitest::NameAttr(o)); });
    QObject::connect(w, &frmUniverseMap::OnSectorModified, [this](auto o) {
      events.push_back("modified:" + (o->otype() == 18 ? std::string("gate") : unitest::NameAttr(o)));
    });
    QObject::connect(w, &frmUniverseMap::OnSectorCreated, [this](auto) { events.push_back("created"); });
    QObject::connect(w, &frmUniverseMap::OnSectorDeleted, [this](auto o) { events.push_back("deleted:" + unitest::NameAttr(o)); });
    QObject::connect(w, &frmUniverseMap::OnClose, [this] { events.push_back("close"); });
    w->resize(640, 480);
    w->ShowUniverse(doc);
    QApplication::processEvents();
    events.clear();
    return w;
  }
  const mdlUniverseMap::UniverseLayout& L() const { return win->Model().Layout; }
  QPoint CellCentre(int col, int row) const {
    return QPoint(static_cast<int>(L().PixelX(col) + L().CellWidth / 2), static_cast<int>(L().PixelY(row) + L().CellHeight / 2));
  }
  QRect CellRect(int col, int row) const {
    return QRect(static_cast<int>(L().PixelX(col)), static_cast<int>(L().PixelY(row)), L().CellWidth, L().CellHeight);
  }
  // The circle's box of a cell.
  QRect Circle(int col, int row) const {
    const QRect c = CellRect(col, row);
    return QRect(c.left() + L().CellWidth / 2 - 10, c.top() + 2, 21, 21);
  }
  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
             Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent e(type, QPointF(at), QPointF(win->Map->mapToGlobal(at)), button, buttons, mods);
    QApplication::sendEvent(win->Map, &e);
  }
};

}  // namespace

TEST_F(UniverseWindow, DrawsCellsWithRaceColoursNamesGridAndGateLines) {
  const QImage img = win->Render();
  ASSERT_EQ(img.size(), win->Map->size());
  // Race 6 is red; race 15 has no colour of its own and takes race 0's white.
  EXPECT_GT(Count(img, Circle(0, 0), kRed), 20);
  EXPECT_EQ(Count(img, Circle(0, 4), kRed), 0);
  EXPECT_GT(Count(img, Circle(0, 4), kWhite), 20);
  // The circle is hollow: the background shows in its middle.
  const QPoint mid = Circle(0, 0).center();
  EXPECT_EQ(img.pixel(mid) & 0xFFFFFF, kBlack & 0xFFFFFF);
  // The name below the circle, in white.
  const QRect c = CellRect(0, 0);
  EXPECT_GT(Count(img, QRect(c.left(), c.top() + 24, c.width(), 13), kWhite), 5);
  // The gate line runs from circle top to circle top, 12 pixels into the cells.
  const int lineY = c.top() + 12;
  const QPoint between(CellCentre(1, 0).x() + 3, lineY);
  EXPECT_EQ(img.pixel(between) & 0xFFFFFF, kWhite & 0xFFFFFF);
  // No line from Lost: its one target is empty and the other gate has none.
  const int lostY = CellRect(0, 4).top() + 12;
  EXPECT_EQ(Count(img, QRect(CellRect(1, 4).left() + 2, lostY - 1, L().CellWidth * 3, 3), kWhite), 0);
  // Grid lines on every cell border, across the whole box: checked in an empty cell far
  // from the sectors, the farthest that still lies whole in the image (the cells grow
  // with the font the names are measured in).
  const int gx = std::min(8, img.width() / L().CellWidth - 1);
  const int gy = std::min(10, img.height() / L().CellHeight - 1);
  ASSERT_GE(gx, 6);
  ASSERT_GE(gy, 5);
  EXPECT_EQ(img.pixel(CellRect(gx, gy).left(), CellCentre(gx, gy).y()) & 0xFFFFFF, kGrid & 0xFFFFFF);
  EXPECT_EQ(img.pixel(CellCentre(gx, gy).x(), CellRect(gx, gy).top()) & 0xFFFFFF, kGrid & 0xFFFFFF);
  EXPECT_EQ(img.pixel(CellCentre(gx, gy)) & 0xFFFFFF, kBlack & 0xFFFFFF);
  // Nothing selected: no frame.
  EXPECT_EQ(Count(img, img.rect(), kYellow), 0);
}

TEST_F(UniverseWindow, HiddenNamesAndGridLeaveSmallCellsWithoutText) {
  win->PreparePopup();
  EXPECT_TRUE(win->mnuPopNames->isChecked());
  EXPECT_TRUE(win->mnuPopupGrid->isChecked());
  win->mnuPopNames->trigger();
  win->mnuPopupGrid->trigger();
  EXPECT_EQ(L().CellWidth, 24);
  EXPECT_EQ(L().CellHeight, 26);
  const QImage img = win->Render();
  EXPECT_EQ(Count(img, QRect(0, 23, 24, 3), kWhite), 0);  // below Home's circle: no name
  EXPECT_EQ(img.pixel(CellRect(8, 10).left(), CellCentre(8, 10).y()) & 0xFFFFFF, kBlack & 0xFFFFFF);
  EXPECT_GT(Count(img, Circle(0, 0), kRed), 10);

  // The options are kept for the next window.
  win->close();
  QApplication::processEvents();
  EXPECT_EQ(events, (std::vector<std::string>{"close"}));
  EXPECT_FALSE(win);  // deleted on close
  win = MakeWindow();
  win->PreparePopup();
  EXPECT_FALSE(win->mnuPopNames->isChecked());
  EXPECT_FALSE(win->mnuPopupGrid->isChecked());
  EXPECT_EQ(L().CellWidth, 24);
}

TEST_F(UniverseWindow, ClickSelectsAndFramesTheCellAndFillsTheStatusBar) {
  Mouse(QEvent::MouseButtonPress, CellCentre(3, 0), Qt::LeftButton, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, CellCentre(3, 0), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(events, (std::vector<std::string>{"click:Far"}));
  EXPECT_EQ(win->PanelText(2), "Brenn");
  EXPECT_EQ(win->PanelText(3), "Far (3, 0)");
  const QImage img = win->Render();
  const QRect c = CellRect(3, 0);
  EXPECT_GT(Count(img, QRect(c.left(), c.top(), c.width(), 1), kYellow), 3);
  EXPECT_GT(Count(img, QRect(c.left(), c.top(), 1, c.height()), kYellow), 3);
  EXPECT_EQ(Count(img, CellRect(0, 0), kYellow), 0);

  Mouse(QEvent::MouseMove, CellCentre(2, 7), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(win->PanelText(1), "X: 2, Y: 7");
  // A right click on an empty cell clears the selection and its panels, quietly.
  events.clear();
  Mouse(QEvent::MouseButtonPress, CellCentre(2, 7), Qt::RightButton, Qt::RightButton);
  EXPECT_EQ(win->Model().Selected(), -1);
  EXPECT_EQ(win->PanelText(3), "");
  EXPECT_TRUE(events.empty());
  win->PreparePopup();
  EXPECT_TRUE(win->mnuPopupAddSec->isEnabled());
  EXPECT_FALSE(win->mnuPopupRemoveSec->isEnabled());
  EXPECT_FALSE(win->mnuPopCopy->isEnabled());
  EXPECT_FALSE(win->mnuPopPaste->isEnabled());
}

TEST_F(UniverseWindow, KeysMoveTheSelectionPanAndOpenTheSector) {
  QTest::keyClick(win->Map, Qt::Key_Right);
  EXPECT_EQ(win->Model().Selected(), 0);
  QTest::keyClick(win->Map, Qt::Key_Right);  // jumps to Far on the same row
  QTest::keyClick(win->Map, Qt::Key_Return);
  EXPECT_EQ(events, (std::vector<std::string>{"click:Far", "display:Far"}));
  const double panX = L().PanX;
  QTest::keyClick(win->Map, Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_DOUBLE_EQ(L().PanX, panX + 20);
  // Keys reach the map also when the window itself has them.
  QTest::keyClick(win, Qt::Key_Left);
  EXPECT_EQ(win->Model().Selected(), 0);

  events.clear();
  const QPoint at = CellCentre(3, 0);
  Mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
  Mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(events, (std::vector<std::string>{"display:Far"}));
}

TEST_F(UniverseWindow, LeftDragPansTheMap) {
  const QPoint from(300, 300);
  const QPointF before(L().PixelX(0), L().PixelY(0));
  Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  Mouse(QEvent::MouseMove, from + QPoint(40, 25), Qt::NoButton, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, from + QPoint(40, 25), Qt::LeftButton, Qt::NoButton);
  EXPECT_DOUBLE_EQ(L().PixelX(0), before.x() + 40);
  EXPECT_DOUBLE_EQ(L().PixelY(0), before.y() + 25);
  EXPECT_EQ(win->Model().Selected(), -1);
  const QImage img = win->Render();
  EXPECT_GT(Count(img, Circle(0, 0), kRed), 20);
}

// Ctrl-drag moves a sector as Alt-drag does (desktops leave Ctrl to the program);
// releasing Ctrl ends the drag.
TEST_F(UniverseWindow, CtrlDragMovesTheSectorAsAltDragDoes) {
  const QPoint from = CellCentre(3, 0), to = CellCentre(6, 2);
  Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
  Mouse(QEvent::MouseMove, from + QPoint(1, 0), Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
  Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
  ASSERT_EQ(win->Model().Dragged(), 1);
  Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, Qt::ControlModifier);
  EXPECT_EQ(doc->Sectors.Item(2)->x(), 6);
  EXPECT_EQ(doc->Sectors.Item(2)->y(), 2);
  EXPECT_EQ(win->Model().Dragged(), -1);
}

TEST_F(UniverseWindow, AltDragShowsTheCellAtTheMouseAndMovesTheSector) {
  const QPoint from = CellCentre(3, 0), to = CellCentre(6, 2);
  Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::AltModifier);
  Mouse(QEvent::MouseMove, from + QPoint(1, 0), Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
  Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
  ASSERT_EQ(win->Model().Dragged(), 1);
  // While moving, the cell is drawn framed around the mouse as well.
  const QImage img = win->Render();
  EXPECT_GT(Count(img, Circle(6, 2), Rgb(0, 0, 255)), 10);  // race 2 is blue
  EXPECT_GT(Count(img, CellRect(6, 2), kYellow), 6);
  events.clear();
  Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, Qt::AltModifier);
  EXPECT_EQ(events, (std::vector<std::string>{"modified:Far", "modified:gate"}));
  EXPECT_EQ(doc->Sectors.Item(2)->x(), 6);
  EXPECT_EQ(doc->Sectors.Item(2)->y(), 2);
  // The link now runs to the new place.
  const QImage after = win->Render();
  const QPoint onLine((CellCentre(0, 0).x() + CellCentre(6, 2).x()) / 2,
                      (CellRect(0, 0).top() + 12 + CellRect(6, 2).top() + 12) / 2);
  EXPECT_GT(Count(after, QRect(onLine - QPoint(1, 1), QSize(3, 3)), kWhite), 0);
  EXPECT_EQ(Count(after, QRect(CellCentre(1, 0).x(), CellRect(1, 0).top() + 11, 3, 3), kWhite), 0);
}

TEST_F(UniverseWindow, AltReleasedOnTheMapEndsTheDrag) {
  const QPoint from = CellCentre(5, 4), to = CellCentre(7, 7);
  Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::AltModifier);
  Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
  Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
  ASSERT_EQ(win->Model().Dragged(), -1);  // started on an empty cell: nothing moves
  Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  Mouse(QEvent::MouseMove, from, Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
  ASSERT_EQ(win->Model().Dragged(), 3);
  Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
  QApplication::sendEvent(win->Map, &release);
  EXPECT_EQ(win->Model().Dragged(), -1);
  EXPECT_EQ(doc->Sectors.Item(4)->x(), 7);
}

TEST_F(UniverseWindow, PopupAddRemoveCopyAndPaste) {
  Mouse(QEvent::MouseMove, CellCentre(2, 2), Qt::NoButton, Qt::NoButton);
  win->PreparePopup();
  ASSERT_TRUE(win->mnuPopupAddSec->isEnabled());
  win->mnuPopupAddSec->trigger();
  EXPECT_EQ(events, (std::vector<std::string>{"created", "click:"}));
  EXPECT_EQ(doc->Sectors.Count(), 5);
  EXPECT_GT(Count(win->Render(), Circle(2, 2), Rgb(0xFF, 0xD3, 0x5A)), 10);  // a new sector is of race 1

  Mouse(QEvent::MouseMove, CellCentre(0, 0), Qt::NoButton, Qt::NoButton);
  win->PreparePopup();
  ASSERT_TRUE(win->mnuPopCopy->isEnabled());
  win->mnuPopCopy->trigger();
  Mouse(QEvent::MouseMove, CellCentre(8, 8), Qt::NoButton, Qt::NoButton);
  win->PreparePopup();
  ASSERT_TRUE(win->mnuPopPaste->isEnabled());
  events.clear();
  win->mnuPopPaste->trigger();
  EXPECT_EQ(events, (std::vector<std::string>{"created"}));
  EXPECT_GT(Count(win->Render(), Circle(8, 8), kRed), 10);

  // Remove the pasted copy: the question, then the deletion.
  Mouse(QEvent::MouseButtonPress, CellCentre(8, 8), Qt::RightButton, Qt::RightButton);
  events.clear();
  ui->PushMsgBox(platform::vbYes);
  win->PreparePopup();
  win->mnuPopupRemoveSec->trigger();
  EXPECT_EQ(ui->Last("MsgBox")->Title, "Galaxy Editor - Universe Map");
  EXPECT_EQ(ui->Last("MsgBox")->Owner, static_cast<void*>(win.data()));
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), "deleted:Home");
  EXPECT_EQ(doc->Sectors.Count(), 5);
  EXPECT_EQ(Count(win->Render(), Circle(8, 8), kRed), 0);
}

TEST_F(UniverseWindow, CaptionAndClear) {
  EXPECT_EQ(win->windowTitle().toStdString(), "Universe Map [" + doc->FileName + "]");
  win->Clear();
  const QImage img = win->Render();
  EXPECT_EQ(Count(img, Circle(0, 0), kRed), 0);
  EXPECT_EQ(Count(img, img.rect(), kWhite), 0);
}

// Places at the ends of the 32-bit range lay out, draw and scroll without harm.
TEST_F(UniverseWindow, SectorsAtTheEndsOfTheNumberRangeAreDrawnAndReached) {
  Load(unitest::Universe(SectorXml(0, 0, "Home", GateXml(2147483647, -2147483647 - 1), " r=\"6\"") +
                         "<o t=\"1\" x=\"2147483647\" y=\"-2147483648\" name=\"Edge\" r=\"99999\"/>\n" +
                         "<o t=\"1\" x=\"-2147483648\" y=\"2147483647\" name=\"Other edge\" r=\"-5\"/>\n"),
       "edges.xml");
  win->RefreshUniverse(doc);
  ASSERT_EQ(L().Count(), 3);
  EXPECT_EQ(L().Records[0].gateTargets, (std::vector<int32_t>{1}));
  EXPECT_EQ(L().IndexAt(2147483647, -2147483648LL), 1);
  QImage img = win->Render();
  EXPECT_GT(Count(img, Circle(0, 0), kRed), 20);
  QTest::keyClick(win->Map, Qt::Key_Right);  // Home, quietly
  QTest::keyClick(win->Map, Qt::Key_Down);   // nothing below Home
  win->Model().Select(1, false);
  QTest::keyClick(win->Map, Qt::Key_Left);   // Edge has nothing to its left on its row
  EXPECT_EQ(win->Model().Selected(), 1);
  win->SelectSector(doc->Sectors.Item(3));  // scrolled far away, then drawn
  EXPECT_EQ(win->Model().Selected(), 2);
  img = win->Render();
  EXPECT_GT(Count(img, Circle(-2147483648LL, 2147483647), kWhite), 10);  // a race beyond the table: race 0's colour
}
