// The launcher window: its items and their order, arrangement and snapping, captions
// and place kept across a restart, the command line dispatch, requests of a second
// instance, the settings refresh, "Reload files", and the wait window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QAction>
#include <QWindow>
#include <QScreen>
#include <QScrollBar>
#include <memory>
#include <string>
#include <vector>

#include "core/AppError.h"
#include "core/Outside.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "platform/Registry.h"
#include "platform/ScriptedUi.h"
#include "shell/CommandLine.h"
#include "shell/LauncherLayout.h"
#include "shell/LauncherSlots.h"
#include "shell/QtWindowPlace.h"
#include "shell/WindowPlaceRules.h"
#include "shell/frmMain.h"
#include "shell/frmWait.h"
#include "tests/common/QtTestKit.h"

namespace {

using kz::IconPlace;
using kz::OpenDecision;
using kz::OpenTarget;

QApplication& App() { return kztest::TestApp("launcher_tests"); }

// ---- Pure decisions --------------------------------------------------------------

TEST(LauncherLayout, ArrangesInRowsWrappingBeforeEachItem) {
  using P = std::vector<IconPlace>;
  // Cells 100 x 60: a view 320 wide holds three per row (a fourth would need 300 + 100 + 5 < 320).
  EXPECT_EQ(kz::ArrangeIconPlaces(320, 100, 60, 5), (P{{5, 5}, {105, 5}, {205, 5}, {5, 65}, {105, 65}}));
  // Exactly x + cell + 5 wide wraps: 305 holds two.
  EXPECT_EQ(kz::ArrangeIconPlaces(305, 100, 60, 3), (P{{5, 5}, {105, 5}, {5, 65}}));
  // Narrower than one cell plus 5: every item starts a row, the first included.
  EXPECT_EQ(kz::ArrangeIconPlaces(90, 100, 60, 3), (P{{5, 65}, {5, 125}, {5, 185}}));
  EXPECT_TRUE(kz::ArrangeIconPlaces(320, 100, 60, 0).empty());
}

TEST(WindowPlaceRules, AWindowIsBroughtInsideTheWorkAreaFrameIncluded) {
  using R = kz::WindowRect;
  const std::vector<R> one = {{0, 24, 1600, 1000}};            // a panel takes the top 24 pixels
  const std::vector<R> two = {{0, 0, 1600, 1000}, {1600, 0, 2880, 1024}};
  const struct {
    const char* what;
    R wanted;
    std::vector<R> areas;
    R out;
  } cases[] = {
      {"inside stays", {100, 100, 475, 243}, one, {100, 100, 475, 243}},
      {"above the work area comes down", {0, 0, 375, 143}, one, {0, 24, 375, 167}},
      {"left of it comes right", {-40, 300, 335, 443}, one, {0, 300, 375, 443}},
      {"past its right and bottom edges comes back", {1500, 950, 1875, 1093}, one, {1225, 857, 1600, 1000}},
      {"far outside every screen comes back", {5000, 4000, 5375, 4143}, two, {1225, 857, 1600, 1000}},
      {"on the second screen stays there", {1700, 100, 2075, 243}, two, {1700, 100, 2075, 243}},
      {"mostly on the second screen goes there", {1500, 100, 1875, 243}, two, {1600, 100, 1975, 243}},
      {"larger than the work area is cut to it", {10, 10, 2010, 1510}, one, {0, 24, 1600, 1000}},
      {"no screen known: as wanted", {-5, -5, 100, 100}, {}, {-5, -5, 100, 100}},
  };
  for (const auto& c : cases) {
    const R got = kz::FitToWorkAreas(c.wanted, c.areas);
    EXPECT_EQ(got.left, c.out.left) << c.what;
    EXPECT_EQ(got.top, c.out.top) << c.what;
    EXPECT_EQ(got.right, c.out.right) << c.what;
    EXPECT_EQ(got.bottom, c.out.bottom) << c.what;
  }
}

TEST(LauncherLayout, SnapsToNearestCellHalvesToEven) {
  const struct {
    IconPlace in;
    IconPlace out;
  } cases[] = {
      {{0, 0}, {5, 5}},
      {{149, 89}, {105, 65}},   // 1.49, 1.48 -> 1
      {{151, 91}, {205, 125}},  // 1.51, 1.52 -> 2
      {{50, 30}, {5, 5}},       // 0.5 -> 0 (even)
      {{150, 90}, {205, 125}},  // 1.5 -> 2 (even)
      {{250, 150}, {205, 125}}, // 2.5 -> 2 (even)
      {{350, 210}, {405, 245}}, // 3.5 -> 4
  };
  for (const auto& c : cases) EXPECT_EQ(kz::SnapIconPlace(c.in, 100, 60), c.out) << c.in.Left << "," << c.in.Top;
  // Before the cells are measured the grid is 0: nothing moves (and nothing divides by 0).
  EXPECT_EQ(kz::SnapIconPlace({37, 41}, 0, 0), (IconPlace{37, 41}));
  EXPECT_EQ(kz::SnapIconPlace({37, 41}, 100, 0), (IconPlace{37, 41}));
}

TEST(CommandLine, DispatchTable) {
  const struct {
    const char* line;
    OpenDecision want;
  } cases[] = {
      {"", {OpenTarget::Nothing, ""}},
      {"   ", {OpenTarget::Nothing, ""}},
      {"-tfile a.txt", {OpenTarget::TxtEditor, "a.txt"}},
      {"/TFile a.txt", {OpenTarget::TxtEditor, "a.txt"}},
      {"-TFILE \"my files\\x.txt\"", {OpenTarget::TxtEditor, "my files\\x.txt"}},
      {"-map maps\\x01.xml", {OpenTarget::GalaxyEditor, "maps\\x01.xml"}},
      {"/Map x.xml", {OpenTarget::GalaxyEditor, "x.xml"}},
      {"-XML t\\440001.xml", {OpenTarget::TextResourceEditor, "t\\440001.xml"}},
      {"/xMl t.xml", {OpenTarget::TextResourceEditor, "t.xml"}},
      // A type-file name alone, or after an unknown type, opens a type-file editor.
      {"types\\TShips.txt", {OpenTarget::TxtEditor, "types\\TShips.txt"}},
      {"C:\\data\\tlaser.pck", {OpenTarget::TxtEditor, "C:\\data\\tlaser.pck"}},
      {"\"/d/01.cat::types\\TWareF.txt\"", {OpenTarget::TxtEditor, "/d/01.cat::types\\TWareF.txt"}},
      {"-foo TShips.txt", {OpenTarget::TxtEditor, "TShips.txt"}},
      {"-foo readme.txt", {OpenTarget::UnknownFile, "readme.txt"}},
      {"readme.txt", {OpenTarget::UnknownFile, "readme.txt"}},
      {"TShips\\foo.txt", {OpenTarget::UnknownFile, "TShips\\foo.txt"}},
      {"a b c", {OpenTarget::Usage, ""}},
      {"-tfile a.txt extra more", {OpenTarget::Usage, ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(kz::DecideCommandLine(kz::SplitCommandLine(c.line)), c.want);
  }
  EXPECT_EQ(kz::IsTypeFileName("JobWings.txt"), 1);
  EXPECT_EQ(kz::IsTypeFileName("notes.txt"), 0);
}

TEST(CommandLine, JoinedArgumentsSplitBackExactly) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"-tfile", "/home/me/my data/TShips.txt"},
      {"a\"b", "", "tab\there", std::string(600, 'z') + " end"},
      {"C:\\path with\\trailing\\"},
  };
  for (const auto& args : cases) EXPECT_EQ(kz::SplitCommandLine(kz::JoinCommandLine(args)), args);
  EXPECT_EQ(kz::UnknownFileText("x.doc"), "Don't know how to open file \"x.doc\"");
  EXPECT_EQ(kz::CommandLineUsageText(),
            "Invalid command line parameters.\r\n\r\nUsage: [file type] <file name>\r\nFile type:\r\n"
            "-TFile - TFiles\r\n-Map - galaxy map\r\n-xml - xml text file");
}

TEST(CommandLine, ARelativeFileNameIsMadeAbsoluteForAnotherProcess) {
  const struct {
    const char* line;
    const char* want;
  } cases[] = {
      {"TShips.txt", "/home/me/TShips.txt"},
      {"-tfile types/TShips.txt", "-tfile /home/me/types/TShips.txt"},
      {"-tfile ./types/TShips.txt", "-tfile /home/me/types/TShips.txt"},
      {"\"my maps/x01.xml\"", "\"/home/me/my maps/x01.xml\""},
      {"-xml ../t/440001.xml", "-xml /home/me/../t/440001.xml"},
      {"01.cat::types\\TWareF.txt", "/home/me/01.cat::types\\TWareF.txt"},
      // Nothing to complete: left exactly as it was.
      {"/d/TShips.txt", "/d/TShips.txt"},
      {"-tfile   /d/TShips.txt", "-tfile   /d/TShips.txt"},
      {"vfs://types/TShips.txt", "vfs://types/TShips.txt"},
      {"-tfile VFS://types/TShips.txt", "-tfile VFS://types/TShips.txt"},
      {"", ""},
      {"a b c", "a b c"},
  };
  for (const auto& c : cases) EXPECT_EQ(kz::AbsoluteCommandLine(c.line, "/home/me"), c.want) << c.line;
  EXPECT_EQ(kz::AbsoluteCommandLine("x.txt", "/"), "/x.txt");
}

// ---- The window ------------------------------------------------------------------

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(dir_.isValid());
    qputenv("KZ_REGISTRY_DIR", dir_.path().toUtf8());
    platform::RegistryReset();
    Settings = std::make_shared<clsSettings>();
    Settings->SetDataRoot(dir_.path().toStdString());
    Settings->SetKzEXEPath("/opt/kz/kz.exe");
    ui_ = std::make_shared<platform::ScriptedUi>();
    scope_ = std::make_unique<platform::UiScope>(ui_);
    kz::GetLauncherSlots() = kz::LauncherSlots();
  }
  void TearDown() override {
    delete main_;
    kz::GetLauncherSlots() = kz::LauncherSlots();
    scope_.reset();
    Settings.reset();
    platform::RegistryReset();
  }

  kz::frmMain* NewMain() {
    delete main_;
    main_ = new kz::frmMain();
    main_->setAttribute(Qt::WA_DeleteOnClose, false);
    return main_;
  }
  // Closes the window as the user would (state saved), keeps the object.
  void CloseMain() {
    main_->close();
    QApplication::processEvents();
  }

  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const auto& c : ui_->Calls("MsgBox")) texts.push_back(c.Text);
    return texts;
  }

  QTemporaryDir dir_;
  std::shared_ptr<platform::ScriptedUi> ui_;
  std::unique_ptr<platform::UiScope> scope_;
  kz::frmMain* main_ = nullptr;
};

TEST_F(LauncherTest, ItemsAndOrderWithoutOptionalPrograms) {
  kz::frmMain* m = NewMain();
  EXPECT_EQ(m->ItemKeys(), (QStringList{"te", "ge", "tre", "jv", "settings", "help", "about"}));
  EXPECT_EQ(m->ItemByKey("te")->text(), "TXT Editor");
  EXPECT_EQ(m->ItemByKey("ge")->text(), "Galaxy Editor");
  EXPECT_EQ(m->ItemByKey("tre")->text(), "Text Resource Editor");
  EXPECT_EQ(m->ItemByKey("jv")->text(), "Kz");
  EXPECT_EQ(m->ItemByKey("jv")->toolTip(), "/opt/kz/kz.exe");
  EXPECT_EQ(m->ItemImageKey(m->ItemByKey("settings")), "settings");
  // The game's executable does not exist here: the item shows the plain program image.
  EXPECT_EQ(m->ItemImageKey(m->ItemByKey("jv")), "program");
  EXPECT_EQ(m->findChild<QListWidget*>("View"), m->View);
  EXPECT_EQ(m->mnuReload->text(), "Reload files");
}

TEST_F(LauncherTest, ItemsWithEveryOptionalProgramShareImagesOfOneExecutable) {
  int32_t key = 0;
  ASSERT_EQ(platform::RegCreateKeyA(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Kz RedIrodova", &key), 0);
  const std::string mmFolder = dir_.path().toStdString();
  platform::RegSetValueExA(key, "path", 0, 1, mmFolder.c_str(), static_cast<uint32_t>(mmFolder.size() + 1));
  platform::RegCloseKey(key);
  const std::string program = QCoreApplication::applicationFilePath().toStdString();
  Settings->SetCustomProgram(program);
  Settings->SetExt3DViewerPath(program);

  kz::frmMain* m = NewMain();
  EXPECT_EQ(m->ItemKeys(),
            (QStringList{"te", "ge", "tre", "jvmm", "jv", "custom", "3Dviwer", "settings", "help", "about"}));
  EXPECT_EQ(m->ItemByKey("jvmm")->text(), "Kz RedIrodova");
  EXPECT_EQ(m->ItemByKey("custom")->text(), "launcher_tests");
  EXPECT_EQ(m->ItemByKey("custom")->toolTip().toStdString(), program);
  EXPECT_EQ(m->ItemByKey("3Dviwer")->text(), "launcher_tests");
  EXPECT_FALSE(m->ItemImageKey(m->ItemByKey("custom")).isEmpty());
  EXPECT_EQ(m->ItemImageKey(m->ItemByKey("custom")), m->ItemImageKey(m->ItemByKey("3Dviwer")));
}

TEST_F(LauncherTest, ArrangementOnShowAndSnappingOnlyOnTheDraggedItem) {
  Settings->SetAutoArrangeIcons(false);
  kz::frmMain* m = NewMain();
  EXPECT_EQ(m->CellWidth(), 0);
  // Snapping before the cells are measured changes nothing.
  QListWidgetItem* te = m->ItemByKey("te");
  m->SetItemPlace(te, {37, 41});
  m->SnapIconToGrid(te);
  EXPECT_EQ(m->ItemPlace(te), (IconPlace{37, 41}));

  m->resize(500, 300);
  m->show();
  QApplication::processEvents();
  ASSERT_GT(m->CellWidth(), 0);
  ASSERT_GT(m->CellHeight(), 0);
  const int cw = m->CellWidth(), ch = m->CellHeight();
  const auto want = kz::ArrangeIconPlaces(m->View->viewport()->width(), cw, ch, 7);
  for (int i = 0; i < m->View->count(); ++i) EXPECT_EQ(m->ItemPlace(m->View->item(i)), want[i]) << i;

  // A release over another item or over nothing neither snaps nor arranges.
  QListWidgetItem* ge = m->ItemByKey("ge");
  m->SetItemPlace(te, {cw + 7, 3});
  m->ViewMouseDown(Qt::LeftButton, te);
  m->ViewMouseUp(Qt::LeftButton, ge);
  EXPECT_EQ(m->ItemPlace(te), (IconPlace{cw + 7, 3}));
  m->ViewMouseDown(Qt::LeftButton, te);
  m->ViewMouseUp(Qt::LeftButton, nullptr);
  EXPECT_EQ(m->ItemPlace(te), (IconPlace{cw + 7, 3}));
  // Over the dragged item itself: snapped to the grid.
  m->ViewMouseDown(Qt::LeftButton, te);
  m->ViewMouseUp(Qt::LeftButton, te);
  EXPECT_EQ(m->ItemPlace(te), kz::SnapIconPlace({cw + 7, 3}, cw, ch));
  // With auto arrangement on, the release arranges everything again.
  Settings->SetAutoArrangeIcons(true);
  m->ViewMouseDown(Qt::LeftButton, te);
  m->ViewMouseUp(Qt::LeftButton, te);
  EXPECT_EQ(m->ItemPlace(te), want[0]);
}

TEST_F(LauncherTest, RenamedCaptionsAndWindowPlaceSurviveARestart) {
  kz::frmMain* m = NewMain();
  m->show();
  m->setGeometry(120, 80, 420, 260);
  QApplication::processEvents();
  const QRect before = m->frameGeometry();
  m->ItemByKey("ge")->setText("Maps");
  m->ItemByKey("te")->setText("");  // an empty caption is refused
  EXPECT_EQ(m->ItemByKey("te")->text(), "TXT Editor");
  CloseMain();

  m = NewMain();
  EXPECT_EQ(m->ItemByKey("ge")->text(), "Maps");
  EXPECT_EQ(m->ItemByKey("te")->text(), "TXT Editor");
  m->show();
  QApplication::processEvents();
  EXPECT_EQ(m->frameGeometry(), before);
}

TEST_F(LauncherTest, FirstSizeShowsEveryItemAndARestartKeepsIt) {
  // With every optional program the view holds ten items.
  const std::string program = QCoreApplication::applicationFilePath().toStdString();
  Settings->SetCustomProgram(program);
  Settings->SetExt3DViewerPath(program);
  kz::frmMain* m = NewMain();
  EXPECT_EQ(m->frameGeometry().size(), QSize(375, 143));  // the default, until it is shown
  m->show();
  QApplication::processEvents();
  EXPECT_EQ(m->frameGeometry().width(), 375);
  EXPECT_FALSE(m->View->verticalScrollBar()->isVisible());
  EXPECT_FALSE(m->View->horizontalScrollBar()->isVisible());
  const QRect viewport = m->View->viewport()->rect();
  for (int i = 0; i < m->View->count(); ++i)
    EXPECT_TRUE(viewport.contains(m->View->visualItemRect(m->View->item(i)))) << i;
  const QSize first = m->frameGeometry().size();
  CloseMain();

  // Restarted twice: the stored size comes back as it was.
  for (int restart = 0; restart < 2; ++restart) {
    m = NewMain();
    m->show();
    QApplication::processEvents();
    EXPECT_EQ(m->frameGeometry().size(), first) << restart;
    CloseMain();
  }
}

// The desktop adds a window's frame only after the window is first shown: a window
// shown without a frame, then given one, stands for that.
void ShowWithLateFrame(QWidget& w) {
  w.setWindowFlag(Qt::FramelessWindowHint, true);
  w.show();
  QApplication::processEvents();
  w.setWindowFlag(Qt::FramelessWindowHint, false);
  if (w.windowHandle()) w.windowHandle()->destroy();  // made again, now with a frame
  w.show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

TEST_F(LauncherTest, AFirstStartUnderAFrameLaterKnownShowsEveryItemWithItsFrameOnTheScreen) {
  const std::string program = QCoreApplication::applicationFilePath().toStdString();
  Settings->SetCustomProgram(program);
  Settings->SetExt3DViewerPath(program);
  kz::frmMain* m = NewMain();
  ShowWithLateFrame(*m);
  ASSERT_NE(m->frameGeometry().size(), m->size()) << "the platform draws no frame";
  EXPECT_FALSE(m->View->verticalScrollBar()->isVisible());
  EXPECT_FALSE(m->View->horizontalScrollBar()->isVisible());
  const QRect viewport = m->View->viewport()->rect();
  for (int i = 0; i < m->View->count(); ++i)
    EXPECT_TRUE(viewport.contains(m->View->visualItemRect(m->View->item(i)))) << i;
  // The title bar can be grabbed: the whole frame lies in the screen's work area.
  const QRect area = m->screen()->availableGeometry();
  EXPECT_TRUE(area.contains(m->frameGeometry())) << m->frameGeometry().x() << "," << m->frameGeometry().y();
}

TEST_F(LauncherTest, AWindowThatSettlesItsOwnSizeKeepsItWhenItsFrameComesLate) {
  QWidget w;
  kz::clsQtWindowPlace place(&w, true);
  place.MoveWindow(40, 30, 420, 260);
  w.setWindowFlag(Qt::FramelessWindowHint, true);
  w.show();
  kz::KeepPendingPlaceOnly(&w);
  w.resize(500, 300);
  // The frame comes without a turn of an outer event loop in between.
  w.setWindowFlag(Qt::FramelessWindowHint, false);
  if (w.windowHandle()) w.windowHandle()->destroy();
  w.show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  ASSERT_NE(w.frameGeometry().size(), w.size()) << "the platform draws no frame";
  EXPECT_EQ(w.size(), QSize(500, 300));
  EXPECT_EQ(w.frameGeometry().topLeft(), QPoint(40, 30));
}

TEST_F(LauncherTest, AStoredPlaceOutsideEveryScreenComesBackInside) {
  {
    QWidget w;
    kz::clsQtWindowPlace place(&w, true);
    place.MoveWindow(5000, 4000, 420, 260);
    Settings->SaveWindowPos(place, "main");
  }
  kz::frmMain* m = NewMain();
  ShowWithLateFrame(*m);
  const QRect area = m->screen()->availableGeometry();
  EXPECT_TRUE(area.contains(m->frameGeometry())) << m->frameGeometry().x() << "," << m->frameGeometry().y();
  EXPECT_EQ(m->frameGeometry().size(), QSize(420, 260));
}

TEST_F(LauncherTest, APlaceRestoredBeforeTheFrameIsKnownKeepsItsOuterSize) {
  {
    QWidget w;
    kz::clsQtWindowPlace place(&w, true);
    place.MoveWindow(40, 30, 420, 260);
    ShowWithLateFrame(w);
    ASSERT_NE(w.frameGeometry().size(), w.size()) << "the platform draws no frame";
    EXPECT_EQ(w.frameGeometry().size(), QSize(420, 260));
    Settings->SaveWindowPos(place, "late");
  }
  QWidget again;
  kz::clsQtWindowPlace place(&again, true);
  ASSERT_TRUE(Settings->LoadWindowPos(place, "late", 100, 100));
  ShowWithLateFrame(again);
  EXPECT_EQ(again.frameGeometry().size(), QSize(420, 260));
}

TEST_F(LauncherTest, BoxesOfItsOwnOperationsBelongToIt) {
  kz::frmMain* m = NewMain();
  m->show();
  // Another window is active (an editor): the boxes still go over the launcher.
  QWidget editor;
  editor.show();
  editor.activateWindow();
  QApplication::processEvents();
  kz::SetProcessStarter(nullptr);  // the help cannot be opened: a box says so
  m->mnuContent->trigger();
  m->View->setCurrentItem(m->ItemByKey("help"));
  m->LaunchSelected();
  m->ProcessRequest("rez://a b c");  // the usage box
  const auto boxes = ui_->Calls("MsgBox");
  ASSERT_EQ(boxes.size(), 3u);
  for (const auto& b : boxes) EXPECT_EQ(b.Owner, static_cast<void*>(m)) << b.Text;
}

TEST_F(LauncherTest, LaunchingGoesThroughTheSlotsOrSaysNotAvailable) {
  std::vector<std::string> opened;
  kz::GetLauncherSlots().OpenTxtEditor = [&](QWidget* owner, const std::string& path) {
    EXPECT_EQ(owner, main_);
    opened.push_back("te:" + path);
  };
  kz::frmMain* m = NewMain();
  m->View->setCurrentItem(m->ItemByKey("te"));
  m->LaunchSelected();
  m->LaunchSelected();
  EXPECT_EQ(opened, (std::vector<std::string>{"te:", "te:"}));

  m->View->setCurrentItem(m->ItemByKey("ge"));
  m->LaunchSelected();
  m->View->setCurrentItem(m->ItemByKey("about"));
  m->LaunchSelected();
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"The galaxy editor is not available yet.",
                                               "The about box is not available yet."}));
  // Nothing selected: nothing happens.
  ui_->ClearCalls();
  m->View->clearSelection();
  m->LaunchSelected();
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(LauncherTest, CommandLineAndRequestsOfASecondInstance) {
  std::vector<std::string> opened;
  auto& s = kz::GetLauncherSlots();
  s.OpenTxtEditor = [&](QWidget*, const std::string& p) { opened.push_back("te:" + p); };
  s.OpenGalaxyEditor = [&](QWidget*, const std::string& p) { opened.push_back("ge:" + p); };
  s.OpenTextResourceEditor = [&](QWidget*, const std::string& p) { opened.push_back("tre:" + p); };
  kz::frmMain* m = NewMain();

  m->SetCommandLine("/Map \"maps\\x 1.xml\"");
  m->MyShow();
  EXPECT_TRUE(m->isVisible());
  EXPECT_EQ(m->windowTitle().toStdString().rfind("Ze Zuzazo (", 0), 0u);

  m->showMinimized();
  EXPECT_TRUE(m->ProcessRequest("rez://-xml t\\440001.xml"));
  EXPECT_FALSE(m->isMinimized());
  EXPECT_TRUE(m->ProcessRequest("rez://"));
  EXPECT_TRUE(m->ProcessRequest("rez://TShips.txt"));
  EXPECT_FALSE(m->ProcessRequest("open TShips.txt"));
  EXPECT_TRUE(m->ProcessRequest("rez://a b c"));
  EXPECT_TRUE(m->ProcessRequest("rez://notes.doc"));
  m->OpenByType("TLaser.txt", "-unknown");
  m->OpenByType("x.xml", "/MAP");
  EXPECT_EQ(opened, (std::vector<std::string>{"ge:maps\\x 1.xml", "tre:t\\440001.xml", "te:TShips.txt",
                                              "te:TLaser.txt", "ge:x.xml"}));
  const auto boxes = ui_->Calls("MsgBox");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].Text, kz::CommandLineUsageText());
  EXPECT_EQ(boxes[0].Flags, 48);
  EXPECT_EQ(boxes[1].Text, "Don't know how to open file \"notes.doc\"");
}

TEST_F(LauncherTest, NoDataFolderOffersTheSettings) {
  Settings->SetDataRoot("");
  int shown = 0;
  kz::GetLauncherSlots().ShowSettings = [&](QWidget*) {
    ++shown;
    return 2;
  };
  kz::frmMain* m = NewMain();
  ui_->PushMsgBox(platform::vbYes);
  m->MyShow();
  EXPECT_EQ(shown, 1);
  ASSERT_FALSE(Boxes().empty());
  EXPECT_EQ(Boxes()[0],
            "Ze Zuzazo was unable to find Kz path in your registry. Do you want to set it now manually?");
}

TEST_F(LauncherTest, SettingsOkRefreshesProgramItems) {
  const std::string program = QCoreApplication::applicationFilePath().toStdString();
  std::string newCustom, newViewer;
  int result = 1;
  kz::GetLauncherSlots().ShowSettings = [&](QWidget*) {
    Settings->SetCustomProgram(newCustom);
    Settings->SetExt3DViewerPath(newViewer);
    return result;
  };
  Settings->SetExt3DViewerPath("/opt/view/Viewer.bin");
  kz::frmMain* m = NewMain();
  ASSERT_NE(m->ItemByKey("3Dviwer"), nullptr);
  m->ItemByKey("3Dviwer")->setText("My viewer");

  // A custom program appears at the end; the viewer's path changed only in case: kept.
  newCustom = program;
  newViewer = "/OPT/VIEW/viewer.bin";
  m->ShowSettingsDialog();
  EXPECT_EQ(m->ItemKeys().last(), "custom");
  EXPECT_EQ(m->ItemByKey("custom")->text(), "launcher_tests");
  EXPECT_EQ(m->ItemByKey("3Dviwer")->text(), "My viewer");

  // OK again resets a renamed custom caption; a new viewer path resets its caption.
  m->ItemByKey("custom")->setText("Tool");
  newViewer = "/opt/other/Look.sh";
  m->ShowSettingsDialog();
  EXPECT_EQ(m->ItemByKey("custom")->text(), "launcher_tests");
  EXPECT_EQ(m->ItemByKey("3Dviwer")->text(), "Look");

  // Cancel changes nothing; clearing both removes both items.
  newCustom.clear();
  newViewer.clear();
  result = 2;
  m->ShowSettingsDialog();
  EXPECT_NE(m->ItemByKey("custom"), nullptr);
  result = 1;
  m->ShowSettingsDialog();
  EXPECT_EQ(m->ItemByKey("custom"), nullptr);
  EXPECT_EQ(m->ItemByKey("3Dviwer"), nullptr);
}

TEST_F(LauncherTest, TheGameItemShowsThePlainProgramImageUntilAGameIsSet) {
  const std::string program = QCoreApplication::applicationFilePath().toStdString();
  for (const std::string& unset : {std::string(), std::string("/opt/kz/missing.exe")}) {
    Settings->SetDataRoot("");
    Settings->SetKzEXEPath(unset);
    kz::frmMain* m = NewMain();
    QListWidgetItem* jv = m->ItemByKey("jv");
    ASSERT_NE(jv, nullptr);
    EXPECT_EQ(m->ItemImageKey(jv), "program") << unset;
    EXPECT_FALSE(jv->icon().isNull()) << unset;
  }

  // The game set in the settings: its own image and its path as the tip; cleared again:
  // the plain image.
  std::string game = program;
  kz::GetLauncherSlots().ShowSettings = [&](QWidget*) {
    Settings->SetKzEXEPath(game);
    return 1;
  };
  kz::frmMain* m = NewMain();
  m->ShowSettingsDialog();
  QListWidgetItem* jv = m->ItemByKey("jv");
  EXPECT_EQ(m->ItemImageKey(jv).toStdString(), program);
  EXPECT_EQ(jv->toolTip().toStdString(), program);
  EXPECT_FALSE(jv->icon().isNull());
  EXPECT_EQ(jv->text(), "Kz");
  game.clear();
  m->ShowSettingsDialog();
  EXPECT_EQ(m->ItemImageKey(m->ItemByKey("jv")), "program");
  EXPECT_EQ(m->ItemKeys(), (QStringList{"te", "ge", "tre", "jv", "settings", "help", "about"}));
}

// Data loading that fails while the file system is built, through the real wait window.
class FailingLoad : public kz::StartupServices {
 public:
  QWidget* SeenOwner = nullptr;
  bool WaitShownDuringLoad = false;
  uint32_t RegisterOpenFileMessage() override { return 0; }
  bool PassToRunningInstance() override { return false; }
  void ShowWait(const std::string& text, kz::WindowRef owner) override {
    SeenOwner = static_cast<QWidget*>(owner);
    kz::ShowWait(text, SeenOwner);
  }
  void SetWaitText(const std::string& text) override { kz::SetWaitText(text); }
  void HideWait(kz::WindowRef owner) override { kz::HideWait(static_cast<QWidget*>(owner)); }
  void InitArrays() override {}
  void CreateSettings() override {}
  void CreateDescServer() override {}
  void CreateArchive() override {}
  void InitEnviroment() override {}
  void AddVFSFilter(const std::string&) override {}
  std::string DataRoot() override { return "/nowhere"; }
  std::string ActiveModFullName() override { return {}; }
  bool LoadDescriptions() override { return false; }
  int32_t DescLangID() override { return 44; }
  void CreateVFS(const std::string&) override {
    WaitShownDuringLoad = kz::CurrentWaitWindow() && kz::CurrentWaitWindow()->isVisible() &&
                          SeenOwner && SeenOwner->cursor().shape() == Qt::WaitCursor;
    throw kz::AppError(76, "zuzer", "Path not found");
  }
  bool AppendCatalog(const std::string&) override { return true; }
  void ArchiveClear() override {}
  void DescUnload() override {}
  bool DescLoadResources(int32_t) override { return true; }
  std::string DescLastError() override { return {}; }
  void LoadMainWindow() override {}
  void HookMainWindow() override {}
  void ShowMainWindow() override {}
  int MsgBox(const std::string& text, int flags) override { return platform::Ui::Instance().MsgBox(text, flags); }
};

TEST_F(LauncherTest, ReloadFilesShowsItsErrorAndLeavesNoWaitWindow) {
  FailingLoad load;
  kz::SetStartupServices(&load);
  kz::frmMain* m = NewMain();
  m->show();
  m->mnuReload->trigger();
  kz::SetStartupServices(nullptr);
  EXPECT_EQ(load.SeenOwner, m);
  EXPECT_TRUE(load.WaitShownDuringLoad);
  EXPECT_EQ(kz::CurrentWaitWindow(), nullptr);
  EXPECT_NE(m->cursor().shape(), Qt::WaitCursor);
  const auto boxes = ui_->Calls("MsgBox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Error reloading files: (ZuZER_CreateVFS): Path not found");
  EXPECT_EQ(boxes[0].Flags, platform::vbCritical);
}

TEST(WaitWindow, WidensForALongTextAndNeverNarrows) {
  App();
  kz::ShowWait(std::string("Ze Zuzazo - Starting up..."));
  kz::frmWait* w = kz::CurrentWaitWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "Loading");
  EXPECT_EQ(w->WaitHint(), "Ze Zuzazo - Starting up...");
  EXPECT_EQ(w->findChild<QLabel*>("lblStatus"), w->lblStatus);
  const int start = w->width();

  const QString longText = "Ze Zuzazo - " + QString(40, 'W') + " - scanning Kz data files. Please wait...";
  kz::SetWaitText(longText);
  EXPECT_EQ(kz::CurrentWaitWindow(), w);
  const int wide = w->width();
  EXPECT_GT(wide, start);
  EXPECT_GE(wide, w->lblStatus->width() + 13);  // 200 twips at 96 dpi
  EXPECT_GE(w->lblStatus->x(), 0);               // centred inside the frame

  kz::SetWaitText(std::string("short"));
  EXPECT_EQ(w->width(), wide);
  kz::HideWait();
  EXPECT_EQ(kz::CurrentWaitWindow(), nullptr);

  // Setting a text with no wait window shown makes a hidden one.
  kz::SetWaitText(std::string("later"));
  ASSERT_NE(kz::CurrentWaitWindow(), nullptr);
  EXPECT_FALSE(kz::CurrentWaitWindow()->isVisible());
  kz::HideWait();
}

}  // namespace
