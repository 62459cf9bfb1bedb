// The text resource editor window: lists, captions and status, its commands through
// the popup menus and find, and how the launcher, the command line and the "desc"
// button reach it.
#include "UiFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QTreeWidget>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "app/Wiring.h"
#include "rudu/rudu.h"
#include "tests/common/FileBytes.h"
#include "shell/CATDialog.h"
#include "shell/Find.h"
#include "shell/frmMain.h"
#include "textres/PageEdit.h"
#include "textres/StringEdit.h"
#include "txteditor/TXTEditor.h"

namespace {

QString Cell(QTableView* view, int row, int column) {
  return view->model()->index(row, column).data().toString();
}

std::vector<std::string> Column(QTableView* view, int column) {
  std::vector<std::string> out;
  for (int r = 0; r < view->model()->rowCount(); ++r) out.push_back(Cell(view, r, column).toStdString());
  return out;
}

void ClickRow(QTableView* view, int row) {
  view->setCurrentIndex(view->model()->index(row, 0));
}

TEST_F(UiTest, ShowsPagesStringsAndTexts) {
  frmTRE* w = Window(Path("t/440001.xml"));
  EXPECT_EQ(w->windowTitle().toStdString(), "Text Resource Editor [" + Path("t/440001.xml") + " (English)]");
  EXPECT_EQ(Column(w->PageView, 0), (std::vector<std::string>{"17", "7"}));
  EXPECT_EQ(Column(w->TextView, 1), (std::vector<std::string>{"Argon", "The {1} ship", "Twelve"}));
  // Keys and tags: the handle and "k".
  const int32_t page = w->Session().Rows(tre::kPageList).Handle(0);
  EXPECT_EQ(w->ItemKeyOf(tre::kPageList, 0).toStdString(), std::to_string(page) + "k");
  EXPECT_EQ(w->PageView->model()->index(0, 0).data(Qt::UserRole + 2).toInt(), page);
  EXPECT_EQ(w->BarPanel1->text(), "2 pages");
  EXPECT_EQ(w->BarPanel2->text(), "3 strings");
  EXPECT_EQ(w->TextEdit->toPlainText(), "Argon");
  EXPECT_TRUE(w->Button("save")->isEnabled());

  ClickRow(w->TextView, 1);
  EXPECT_EQ(w->TextEdit->toPlainText(), "The {1} ship");
  w->chkRawtext->setChecked(true);
  EXPECT_EQ(Cell(w->TextView, 1, 1), "The Argon ship");
  EXPECT_EQ(w->TextView->currentIndex().row(), 1);
  EXPECT_EQ(w->TextEdit->toPlainText(), "The Argon ship");

  ClickRow(w->PageView, 1);
  EXPECT_EQ(w->TextView->model()->rowCount(), 0);
  EXPECT_EQ(w->BarPanel2->text(), "0 strings");
  EXPECT_EQ(w->TextEdit->toPlainText(), "");
  EXPECT_EQ(w->lblName->text(), "p");
  w->resize(900, 500);
  ClickRow(w->PageView, 0);
  QApplication::processEvents();
  w->grab().save("/tmp/h15-tre-window.png");
}

TEST_F(UiTest, MemoryViewAndTheToolbar) {
  ASSERT_TRUE(DescServer->LoadResources(44));
  frmTRE* w = Window();
  EXPECT_EQ(w->windowTitle().toStdString(), "Text Resource Editor [pages in memory (English)]");
  EXPECT_FALSE(w->Button("save")->isEnabled());
  EXPECT_EQ(Column(w->PageView, 0), (std::vector<std::string>{"17", "7", "1000"}));
  w->ToolbarAction("merge");
  EXPECT_EQ(Boxes().back(), "This feature is currently not supported");
  // Open from the toolbar through the scripted dialog, then back to the memory view.
  ui_->PushFile(Path("t/440002.pck"));
  w->ToolbarAction("open");
  EXPECT_TRUE(w->Button("save")->isEnabled());
  EXPECT_EQ(Column(w->PageView, 0), (std::vector<std::string>{"1000"}));
  w->ToolbarAction("mem");
  EXPECT_EQ(w->PageView->model()->rowCount(), 3);

  // A file dropped onto the page list is opened.
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(QString::fromStdString(Path("t/440001.xml"))), QUrl::fromLocalFile("/nowhere.xml")});
  QPoint at(5, 5);
  QDragEnterEvent enter(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w->PageView->viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w->PageView->viewport(), &drop);
  EXPECT_EQ(w->Session().ShownFile(), Path("t/440001.xml"));
}

// "Open from virtual file system": the catalog browser over the virtual file system.
TEST_F(UiTest, OpensThroughTheVirtualFileSystemBrowser) {
  frmTRE* w = Window();
  QTimer::singleShot(0, [] {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<frmCATDialog*>(top); d && d->isVisible()) {
        for (int i = 0; i < d->FileView->topLevelItemCount(); ++i)
          if (d->FileView->topLevelItem(i)->text(0) == "t") d->DoubleClickItem(d->FileView->topLevelItem(i));
        d->cmbFileName->setEditText("440002.pck");
        d->PressOK();
        if (d->isVisible()) d->PressCancel();
        return;
      }
    ADD_FAILURE() << "no catalog browser shown";
  });
  w->ToolbarAction("vfs");
  EXPECT_EQ(w->Session().ShownFile(), Path("t/440002.pck"));
  EXPECT_EQ(Column(w->PageView, 0), (std::vector<std::string>{"1000"}));
}

// The popup menus reach the commands; their items apply while a file is shown.
TEST_F(UiTest, PopupMenuCommandsAndDialogs) {
  frmTRE* w = Window(Path("t/440001.xml"));
  w->ShowStringMenu(QPoint(0, 0));
  EXPECT_TRUE(w->mnuStrNew->isEnabled());
  EXPECT_EQ(w->mnuStr->defaultAction(), w->mnuStrEdit);
  w->mnuStr->hide();

  WhenShown<frmStringEdit>([](frmStringEdit& d) {
    d.IDEdit->setText("40");
    d.TextEdit->setPlainText("forty");
    d.OK();
  });
  w->mnuStrNew->trigger();
  EXPECT_EQ(Column(w->TextView, 0), (std::vector<std::string>{"1", "2", "12", "40"}));
  EXPECT_EQ(w->TextView->currentIndex().row(), 3);
  EXPECT_EQ(w->BarPanel2->text(), "4 strings");
  EXPECT_TRUE(w->windowTitle().endsWith(" *"));

  ui_->PushMsgBox(platform::vbYes);
  w->mnuStrDel->trigger();
  EXPECT_EQ(w->TextView->model()->rowCount(), 3);
  EXPECT_EQ(w->BarPanel2->text(), "3 strings");

  WhenShown<frmPageEdit>([](frmPageEdit& d) {
    d.TitleEdit->setText("Renamed");
    d.TitleEdit->setModified(true);
    d.OK();
  });
  w->mnuPageEdit->trigger();
  EXPECT_EQ(Cell(w->PageView, 0, 1), "Renamed");
  EXPECT_EQ(w->lblName->text(), "Renamed");

  ui_->PushMsgBox(platform::vbYes);
  w->mnuPageDel->trigger();
  EXPECT_EQ(w->BarPanel1->text(), "1 pages");
  EXPECT_EQ(Column(w->PageView, 0), (std::vector<std::string>{"7"}));

  // Nothing shown: the menu's commands are off.
  auto* bare = Keep(new frmTRE);
  bare->ShowPageMenu(QPoint(0, 0));
  EXPECT_FALSE(bare->mnuPageNew->isEnabled());
  bare->mnuPage->hide();

  // Save through the toolbar, read back.
  ui_->PushFile(Path("saved.pck"), 2);
  w->ToolbarAction("save");
  EXPECT_EQ(w->windowTitle().toStdString(), "Text Resource Editor [" + Path("saved.pck") + " (English)]");
  int32_t f = RuDU_OpenFile(Path("saved.pck").c_str(), 0, 0, 0);
  int32_t doc = Kz_LoadFromFile(f, 3);
  RuDU_CloseFile(f);
  ASSERT_NE(doc, 0);
  int32_t pages = 0;
  Kz_EnumObjects(doc, nullptr, 0, &pages);
  EXPECT_EQ(pages, 1);
  Kz_DeleteHandle(0, doc);
}

// A save under another name goes onto no file another editor window has open: the
// message comes before the overwrite question and the file stays whole; the window's
// own file is saved as before.
TEST_F(UiTest, SaveAsOntoAnotherWindowsFileIsRefused) {
  kz::WireApplication(true);
  Window(Path("t/440001.xml"));
  frmTRE* b = Window(Path("t/440002.pck"));
  const std::string old = kztest::FileBytes(Path("t/440001.xml"));
  b->Session().SetModified(true);
  ui_->ClearCalls();
  ui_->PushFile(Path("t/440001.xml"), 1);
  ui_->PushMsgBox(platform::vbYes);  // what an overwrite question would be answered
  b->ToolbarAction("save");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0], "Cannot save to " + Path("t/440001.xml") + ":\r\n" + Path("t/440001.xml") +
                            " is open in another editor window. Choose another file name.");
  EXPECT_EQ(kztest::FileBytes(Path("t/440001.xml")), old);
  EXPECT_TRUE(b->Session().Modified());
  EXPECT_EQ(b->Session().ShownFile(), Path("t/440002.pck"));

  ui_->ClearCalls();
  ui_->PushFile(Path("t/440002.pck"), 2);
  ui_->PushMsgBox(platform::vbYes);
  b->ToolbarAction("save");
  EXPECT_FALSE(b->Session().Modified());
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("already exists"), std::string::npos);
}

TEST_F(UiTest, FindThroughTheFindDialog) {
  frmTRE* w = Window(Path("t/440001.xml"));
  w->TextView->setFocus();
  QTest::keyClick(w->TextView, Qt::Key_F, Qt::ControlModifier);
  frmFind* find = w->FindDialog();
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(find->windowTitle().toStdString().find("Find Text") != std::string::npos, true);
  find->FindEdit->setText("ship");
  find->rbIDText[1]->setChecked(true);
  find->FindNext();
  EXPECT_EQ(w->TextView->currentIndex().row(), 1);
  EXPECT_TRUE(ui_->Calls("MsgBox").empty());
  find->FindNext();  // no further match, no wrap
  EXPECT_EQ(Boxes().back(), "No more occurencies found.");
  EXPECT_EQ(w->TextView->currentIndex().row(), 1);

  // The page list as target: the caption follows.
  QFocusEvent in(QEvent::FocusIn);
  QApplication::sendEvent(w->PageView, &in);
  EXPECT_NE(find->windowTitle().toStdString().find("Find Page"), std::string::npos);
  find->FindEdit->setText("7");
  find->rbIDText[0]->setChecked(true);
  find->chkWholeWords->setChecked(true);
  find->FindNext();
  EXPECT_EQ(w->PageView->currentIndex().row(), 1);
  find->CloseFind();
  QApplication::processEvents();
  EXPECT_EQ(w->FindDialog(), nullptr);
  EXPECT_EQ(kz::CStr(Settings->ReadRegValue("TRE", "LastFindString", kRegText)), "7");
}

// The launcher item, "-xml" and the type-file editor's "desc" button open the editor.
TEST_F(UiTest, LauncherCommandLineAndDesc) {
  kz::WireApplication(true);
  ASSERT_TRUE(DescServer->LoadResources(44));
  auto* main = Keep(new kz::frmMain());
  main->setAttribute(Qt::WA_DeleteOnClose, false);
  EXPECT_TRUE(main->ProcessRequest("rez://-xml " + Path("t/440001.xml")));
  main->View->setCurrentItem(main->ItemByKey("tre"));
  main->LaunchSelected();
  std::vector<frmTRE*> windows;
  for (frmTRE* t : main->findChildren<frmTRE*>(QString(), Qt::FindDirectChildrenOnly)) windows.push_back(t);
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[0]->Session().ShownFile(), Path("t/440001.xml"));
  EXPECT_TRUE(windows[1]->Session().ReadOnly());
  for (const std::string& box : Boxes()) EXPECT_EQ(box.find("not available"), std::string::npos) << box;

  // "desc": the shared window, read-only; pressed again it is only shown again, its
  // edits kept.
  auto* editor = new frmTXTEditor(main);
  editor->setAttribute(Qt::WA_DeleteOnClose, false);
  editor->MyShow(false, main);
  editor->ToolbarAction("desc");
  frmTRE* shared = frmTRE::SharedWindow();
  ASSERT_NE(shared, nullptr);
  EXPECT_TRUE(shared->Session().ReadOnly());
  EXPECT_EQ(shared->parentWidget(), main);
  ASSERT_TRUE(shared->Session().OpenFile(Path("t/440002.pck")));
  shared->Session().SetModified(true);
  shared->hide();
  ui_->ClearCalls();
  editor->ToolbarAction("desc");
  EXPECT_EQ(frmTRE::SharedWindow(), shared);
  EXPECT_TRUE(shared->isVisible());
  EXPECT_TRUE(shared->Session().Modified());
  EXPECT_EQ(shared->Session().ShownFile(), Path("t/440002.pck"));
  EXPECT_TRUE(Boxes().empty());

  // The launcher closes: the shared window asks first; Cancel keeps everything open.
  ui_->PushMsgBox(platform::vbCancel);
  EXPECT_FALSE(main->close());
  EXPECT_TRUE(shared->isVisible());
  EXPECT_NE(Boxes().front().find("You have changed data in file"), std::string::npos);
  ui_->PushMsgBox(platform::vbNo);
  EXPECT_TRUE(shared->close());
  QApplication::processEvents();
  EXPECT_EQ(frmTRE::SharedWindow(), nullptr);
}

// After a reload of the descriptions every window in the read-only view lists the
// new pages.
TEST_F(UiTest, ReloadRefreshesTheMemoryViews) {
  ASSERT_TRUE(DescServer->LoadResources(44));
  frmTRE* a = Window();
  frmTRE* b = Window();
  EXPECT_EQ(b->PageView->model()->rowCount(), 3);
  data_.Write("t/440003.xml", testdata::TreXml(44, {{55, {{1, "new"}}}}));
  data_.Mount();
  a->ToolbarAction("reload");
  for (frmTRE* w : {a, b}) {
    EXPECT_EQ(Column(w->PageView, 0), (std::vector<std::string>{"17", "7", "1000", "55"}));
    EXPECT_EQ(w->BarPanel1->text(), "4 pages");
  }
}

}  // namespace
