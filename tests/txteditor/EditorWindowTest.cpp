// The editor window: opening from every source, caption and status texts, the page
// choice, the object list and raw view, the watch list, find, toolbar and keys.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

#include "EditorFixture.h"
#include "shell/CATDialog.h"
#include "shell/Find.h"
#include "shell/Text.h"

namespace {
QStringList ListTexts(QAbstractItemView* list, int column = 0) {
  QStringList out;
  QAbstractItemModel* model = list->model();
  for (int i = 0; i < model->rowCount(); ++i) out << model->index(i, column).data().toString();
  return out;
}
}  // namespace

TEST_F(EditorTest, NewWindowShowsNothingLoaded) {
  frmTXTEditor* w = NewWindow();
  EXPECT_EQ(w->windowTitle(), "TXT Editor");
  EXPECT_EQ(w->ObjectView->model()->rowCount(), 0);
  EXPECT_EQ(w->StatusText(1), "0 objects");
  EXPECT_EQ(w->MainTab->currentIndex(), 0);
  EXPECT_FALSE(w->mnuNew->isEnabled());
  EXPECT_FALSE(w->Button("save")->isEnabled());
  EXPECT_FALSE(w->mnuPaste->isEnabled());
  EXPECT_EQ(w->FileType(), -1);
}

TEST_F(EditorTest, OpensFromEverySource) {
  const std::string plain = PathOf("types/TLaser.txt");
  std::string error;
  ASSERT_TRUE(kz::WriteWholeFile(PathOf("types/TLaserB.pck"), ReadFile(plain), 2, error)) << error;
  ASSERT_TRUE(kz::WriteWholeFile(PathOf("01.cat") + "::types\\TLaserC.txt", ReadFile(plain), 1, error)) << error;
  ZuZER_CreateVFS(dir_.c_str());

  struct Source {
    std::string path;
    std::string loaded;  // the file name the window shows
  } sources[] = {
      {plain, plain},
      {PathOf("types/TLaserB.pck"), PathOf("types/TLaserB.pck")},
      {PathOf("01.cat") + "::types\\TLaserC.txt", PathOf("01.cat") + "::types\\TLaserC.txt"},
  };
  for (const Source& s : sources) {
    frmTXTEditor* w = OpenWindow(s.path);
    EXPECT_EQ(w->Parser()->FileName, s.loaded);
    EXPECT_EQ(w->windowTitle().toStdString(), "TXT Editor - [" + s.loaded + " (Laser)]");
    EXPECT_EQ(w->StatusText(1), "3 objects");
    EXPECT_EQ(w->ObjectView->model()->rowCount(), 3);
    EXPECT_EQ(w->RecentFiles().front(), s.loaded);
    EXPECT_TRUE(w->Button("save")->isEnabled());
  }
  EXPECT_TRUE(ui_->Calls("MsgBox").empty()) << LastMsg();

  // The virtual file system: the path becomes the found file's own path.
  frmTXTEditor* v = OpenWindow("vfs://types\\TLaser.txt");
  EXPECT_EQ(v->StatusText(1), "3 objects");
  EXPECT_FALSE(v->Parser()->FileName.empty());
  EXPECT_EQ(kz::GetFileName(v->Parser()->FileName), "TLaser.txt");

  // The common dialog.
  ui_->PushFile(plain, 1);
  frmTXTEditor* d = NewWindow();
  d->OpenFile("");
  EXPECT_EQ(d->Parser()->FileName, plain);
  const platform::UiCall* open = ui_->Last("ShowOpen");
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->File.Title, "Open");
}

TEST_F(EditorTest, CancelledOpenDialogChangesNothingAndSaysNothing) {
  frmTXTEditor* w = NewWindow();
  ui_->PushFileCancel();
  w->OpenFile("");
  EXPECT_TRUE(ui_->Calls("MsgBox").empty());
  EXPECT_TRUE(w->Parser()->FileName.empty());
}

TEST_F(EditorTest, MissingFilesAreReportedAndLeaveTheRecentList) {
  ZuZER_CreateVFS(dir_.c_str());
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  w->OpenFile("vfs://types\\TNothing.txt");
  EXPECT_EQ(LastMsg(), "File types\\TNothing.txtnot found.");
  EXPECT_EQ(w->Parser()->FileName, PathOf("types/TLaser.txt"));
  EXPECT_EQ(w->StatusText(1), "3 objects");

  const std::string gone = PathOf("types/TLaserGone.txt");
  WriteFile("types/TLaserGone.txt", TypeFileText(3, 23, {"A"}));
  w->OpenFile(gone);
  ASSERT_EQ(w->RecentFiles().front(), gone);
  std::filesystem::remove(gone);
  w->OpenFile(gone);
  EXPECT_EQ(LastMsg().rfind("Error opening file: \r\n\r\n", 0), 0u) << LastMsg();
  EXPECT_NE(w->RecentFiles().front(), gone);
}

TEST_F(EditorTest, FailedLoadClearsTheNameAndDisablesRecords) {
  WriteFile("types/TLaserBad.txt", "3;2;\r\nonly;three;values;\r\n");
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaserBad.txt"));
  EXPECT_EQ(LastMsg().rfind("Error loading from file: \r\n\r\n", 0), 0u) << LastMsg();
  EXPECT_TRUE(w->Parser()->FileName.empty());
  EXPECT_EQ(w->CurrentPage(), nullptr);
  EXPECT_FALSE(w->mnuNew->isEnabled());
  EXPECT_EQ(w->windowTitle(), "TXT Editor");
  EXPECT_TRUE(w->RecentFiles().empty());
}

TEST_F(EditorTest, FailedLoadAfterAPageLeavesTheWindowAsANewOne) {
  // A record cut short, an empty record, a count beyond the records read.
  const std::vector<std::string> bad = {"3;2;\r\nonly;three;values;\r\n", "3;1;\r\n;\r\n", "3;1;\r\n\r\n",
                                        "3;3;\r\n" + std::string(22, ';') + "SS_LASER_X;\r\n"};
  frmTXTEditor* fresh = NewWindow();
  for (size_t i = 0; i < bad.size(); ++i) {
    const std::string name = "types/TLaserBad" + std::to_string(i) + ".txt";
    WriteFile(name, bad[i]);
    frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
    ASSERT_NE(w->CurrentPage(), nullptr);
    ASSERT_EQ(w->ObjectView->model()->columnCount(), 2);
    w->OpenFile(PathOf(name));
    EXPECT_EQ(LastMsg().rfind("Error loading from file: \r\n\r\n", 0), 0u) << i << ": " << LastMsg();
    EXPECT_EQ(w->CurrentPage(), nullptr) << i;
    EXPECT_EQ(w->FileType(), fresh->FileType()) << i;
    EXPECT_EQ(w->MainTab->currentIndex(), 0) << i;
    EXPECT_EQ(w->MainTab->tabText(1), fresh->MainTab->tabText(1)) << i;
    EXPECT_EQ(w->ObjectView->model()->columnCount(), 1) << i;
    for (size_t mode = 0; mode < 3; ++mode)
      EXPECT_EQ(w->rbName[mode]->isEnabled(), fresh->rbName[mode]->isEnabled()) << i << " option " << mode;
    EXPECT_EQ(w->ObjectView->model()->rowCount(), 0) << i;
    EXPECT_EQ(w->StatusText(1), "0 objects") << i;
    EXPECT_EQ(w->Parser()->Count(), 0) << i;
  }
}

TEST_F(EditorTest, NamesTakeTheRoomTheClassColumnLeaves) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  w->resize(1400, 800);
  QApplication::processEvents();
  QHeaderView* header = w->ObjectView->header();
  const int room = w->ObjectView->viewport()->width();
  ASSERT_EQ(w->ObjectView->model()->columnCount(), 2);
  // The class texts ("C23") need less than the names; the names get the rest.
  EXPECT_GT(header->sectionSize(0), 2000 / 15);
  EXPECT_LT(header->sectionSize(1), header->sectionSize(0));
  EXPECT_EQ(header->sectionSize(0) + header->sectionSize(1), room);
  // Without a class column the one column fills the list.
  w->OpenFile(PathOf("types/TShields.txt"));
  QApplication::processEvents();
  ASSERT_EQ(w->ObjectView->model()->columnCount(), 1);
  EXPECT_EQ(header->sectionSize(0), w->ObjectView->viewport()->width());
  // And back.
  w->OpenFile(PathOf("types/TLaser.txt"));
  QApplication::processEvents();
  EXPECT_EQ(header->sectionSize(0) + header->sectionSize(1), w->ObjectView->viewport()->width());
  EXPECT_GT(header->sectionSize(0), 2000 / 15);
}

// The object list reads as a list: no row numbers and no grid, rows of one height, a
// click on the class column takes the whole row, and nothing is edited in place.
TEST_F(EditorTest, TheObjectListIsAListOfWholeRows) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  w->resize(1400, 800);
  w->show();
  QApplication::processEvents();
  ObjectListView* view = w->ObjectView;
  ASSERT_EQ(view->model()->columnCount(), 2);
  ASSERT_GE(view->model()->rowCount(), 2);
  EXPECT_TRUE(view->verticalHeader()->isHidden());
  EXPECT_FALSE(view->showGrid());
  EXPECT_EQ(view->rowHeight(0), view->rowHeight(1));
  EXPECT_LT(view->rowHeight(0), 2 * view->fontMetrics().height());
  const QRect cls = view->visualRect(view->model()->index(1, 1));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cls.center());
  EXPECT_EQ(view->currentIndex().row(), 1);
  EXPECT_TRUE(view->selectionModel()->isRowSelected(1, QModelIndex()));
  EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(EditorTest, FileWithoutPageOpensInTheRawView) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TShields.txt"));
  EXPECT_EQ(w->CurrentPage(), nullptr);
  EXPECT_EQ(w->MainTab->currentIndex(), 0);
  EXPECT_EQ(w->MainTab->tabText(1), "");
  EXPECT_EQ(w->windowTitle().toStdString(), "TXT Editor - [" + PathOf("types/TShields.txt") + " (unknown)]");
  EXPECT_EQ(w->ObjectView->model()->columnCount(), 1);
  EXPECT_FALSE(w->rbName[0]->isEnabled());
  EXPECT_FALSE(w->rbName[1]->isEnabled());
  for (int mode = 0; mode < 3; ++mode) {
    w->SetListMode(mode);
    EXPECT_EQ(ListTexts(w->ObjectView), QStringList({"SS_SHIELD_1", "SS_SHIELD_2"})) << mode;
  }
}

TEST_F(EditorTest, PageIsChosenInitialisedAndShowsTheSelection) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  FakePage* page = PageOf(w);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(w->CurrentPage(), page);
  EXPECT_EQ(page->initCalls, 1);
  EXPECT_EQ(page->parser, w->Parser());
  EXPECT_EQ(w->MainTab->currentIndex(), 1);
  EXPECT_EQ(w->MainTab->tabText(1), "Lasers");
  EXPECT_TRUE(page->isVisible());
  // Info 1 | 4: the Name mode and a class column.
  EXPECT_TRUE(w->rbName[0]->isEnabled());
  EXPECT_FALSE(w->rbName[1]->isEnabled());
  ASSERT_EQ(w->ObjectView->model()->columnCount(), 2);
  EXPECT_EQ(w->ObjectView->model()->headerData(1, Qt::Horizontal).toString(), "Class");

  w->chkSort->setChecked(true);
  w->SetListMode(0);
  // Name mode: the resource name, or the ID when the page gives none.
  EXPECT_EQ(ListTexts(w->ObjectView), QStringList({"NOTE_C", "Res SS_LASER_A", "Res SS_LASER_B"}));
  // Sorted by ID: NOTE_C, SS_LASER_A, SS_LASER_B.
  w->SetListMode(2);
  EXPECT_EQ(ListTexts(w->ObjectView), QStringList({"NOTE_C", "SS_LASER_A", "SS_LASER_B"}));
  EXPECT_EQ(ListTexts(w->ObjectView, 1), QStringList({"C23", "C23", "C23"}));
  EXPECT_EQ(w->ObjectView->model()->headerData(0, Qt::Horizontal).toString(), "ID");

  // Selecting an item shows its raw fields and the record on the page.
  w->ObjectView->setCurrentIndex(w->ObjectView->model()->index(2, 0));
  ASSERT_TRUE(w->SelectedRecord());
  EXPECT_EQ(w->SelectedRecord()->ObjectName(), "SS_LASER_B");
  EXPECT_EQ(page->shown, w->SelectedRecord());
  EXPECT_EQ(w->StatusText(2), "Selected object index: 0");
  EXPECT_EQ(w->lblObjectName->text(), "Res SS_LASER_B");
  ASSERT_EQ(w->ObjectDataView->topLevelItemCount(), 23);
  EXPECT_EQ(w->ObjectDataView->topLevelItem(0)->text(0), "0");
  EXPECT_EQ(w->ObjectDataView->topLevelItem(0)->text(1), "body0");
  EXPECT_EQ(w->ObjectDataView->topLevelItem(22)->text(1), "SS_LASER_B");
  EXPECT_EQ(w->ObjectDataView->topLevelItem(22)->data(0, Qt::UserRole + 2).toString(), "name");

  // The selection survives a change of the sort option.
  w->chkSort->click();
  EXPECT_FALSE(w->chkSort->isChecked());
  EXPECT_EQ(ListTexts(w->ObjectView), QStringList({"SS_LASER_B", "SS_LASER_A", "NOTE_C"}));
  EXPECT_EQ(w->SelectedRecord()->ObjectName(), "SS_LASER_B");
  EXPECT_EQ(w->ObjectView->currentIndex().data().toString(), "SS_LASER_B");
}

TEST_F(EditorTest, FailedInitLeavesTheWindowWithoutAPage) {
  configure = [](FakePage& p) { p.initResult = false; };
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  EXPECT_EQ(LastMsg(), "the page cannot use this file");
  EXPECT_EQ(w->CurrentPage(), nullptr);
  EXPECT_EQ(w->MainTab->currentIndex(), 1);
  EXPECT_EQ(w->StatusText(1), "3 objects");
  w->SetListMode(2);
  EXPECT_EQ(w->ObjectView->model()->columnCount(), 1);
}

TEST_F(EditorTest, ValidationReportIsShownAndTheFileStaysOpen) {
  configure = [](FakePage& p) { p.validateResult = false; };
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  frmText& report = frmText::Default();
  EXPECT_TRUE(report.isVisible());
  EXPECT_EQ(report.windowTitle(), "Errors in file data");
  EXPECT_NE(report.Text().find("record 2: bad value"), std::string::npos);
  EXPECT_EQ(w->CurrentPage(), PageOf(w));
  EXPECT_TRUE(w->mnuNew->isEnabled());
  report.close();
}

TEST_F(EditorTest, WatchListFollowsTheBounds) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TShields.txt"));
  ASSERT_TRUE(w->SelectedRecord());
  w->WatchFrom->setText("18");
  w->WatchTo->setText("99");
  ASSERT_EQ(w->WatchList->count(), 3);
  EXPECT_EQ(w->WatchList->item(2)->text(), "20. SS_SHIELD_1");
  w->WatchFrom->setText("-4");
  w->WatchTo->setText("1");
  ASSERT_EQ(w->WatchList->count(), 2);
  EXPECT_EQ(w->WatchList->item(0)->text(), "0. body0");
  w->WatchTo->setText("abc");
  EXPECT_EQ(w->WatchList->count(), 0);
}

TEST_F(EditorTest, FindGoesForwardByListTextAndNeverWraps) {
  WriteFile("types/TLaser.txt", TypeFileText(3, 23, {"SS_LASER_A", "ss_laser_b", "SS_MISSILE", "SS_LASER"}));
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  w->chkSort->setChecked(false);
  w->SetListMode(2);
  w->SelectRecord(w->Parser()->FindIndex(0));
  kz::Variant tag;
  std::string text = "LASER";
  bool found = false;
  w->m_find_OnFindNext(false, false, text, tag, found);
  EXPECT_TRUE(found);
  EXPECT_EQ(kz::CLng(tag), 1);
  EXPECT_EQ(w->SelectedRecord()->ObjectName(), "SS_LASER_A");
  found = false;
  w->m_find_OnFindNext(false, true, text, tag, found);
  EXPECT_TRUE(found);
  EXPECT_EQ(w->SelectedRecord()->ObjectName(), "ss_laser_b");
  found = false;
  w->m_find_OnFindNext(false, false, text, tag, found);
  EXPECT_EQ(w->SelectedRecord()->ObjectName(), "SS_LASER");
  found = false;
  w->m_find_OnFindNext(false, false, text, tag, found);
  EXPECT_FALSE(found);
  EXPECT_EQ(w->SelectedRecord()->ObjectName(), "SS_LASER");

  // Whole words: only the whole text, in any case.
  w->SelectRecord(w->Parser()->FindIndex(0));
  tag = kz::Variant();
  text = "ss_laser";
  found = false;
  w->m_find_OnFindNext(true, false, text, tag, found);
  EXPECT_TRUE(found);
  EXPECT_EQ(w->SelectedRecord()->ObjectName(), "SS_LASER");
  EXPECT_EQ(kz::CLng(tag), 4);
}

// A large file: the list asks the page for the texts of the rows it shows, not for
// every record; a find reads the rest, and an edited record's row shows its new text.
TEST_F(EditorTest, LargeListAsksForTheTextsOfShownRowsOnly) {
  std::vector<std::string> ids;
  for (int i = 0; i < 5000; ++i) ids.push_back("SS_LASER_" + std::to_string(i));
  WriteFile("types/TLaser.txt", TypeFileText(3, 23, ids));
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  w->chkSort->setChecked(false);
  w->SetListMode(0);
  QApplication::processEvents();
  FakePage* page = PageOf(w);
  ASSERT_EQ(w->ObjectView->model()->rowCount(), 5000);
  EXPECT_LT(page->resourceNameCalls, 500);
  EXPECT_EQ(w->ObjectView->model()->index(4999, 0).data().toString(), "Res SS_LASER_4999");

  kz::Variant tag;
  std::string text = "SS_LASER_4998";
  bool found = false;
  w->m_find_OnFindNext(true, false, text, tag, found);
  EXPECT_FALSE(found);  // the list shows resource names
  text = "Res SS_LASER_4998";
  w->m_find_OnFindNext(true, false, text, tag, found);
  ASSERT_TRUE(found);
  EXPECT_EQ(kz::CLng(tag), 4999);
  EXPECT_EQ(w->SelectedRecord()->ObjectName(), "SS_LASER_4998");
  EXPECT_EQ(w->ObjectView->currentIndex().row(), 4998);

  const int before = page->resourceNameCalls;
  TXTObjectRef record = w->SelectedRecord();
  record->SetObjectName("RENAMED");
  emit page->OnObjectChanged(record);
  EXPECT_EQ(w->ObjectView->currentIndex().data().toString(), "Res RENAMED");
  EXPECT_EQ(w->ObjectView->model()->index(4997, 0).data().toString(), "Res SS_LASER_4997");
  EXPECT_LT(page->resourceNameCalls - before, 10);
}

TEST_F(EditorTest, FindDialogIsOnePerWindowAndKeepsItsText) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  Settings->SaveRegValue("TE", "LastFindString", kz::Variant("LASER"));
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w));
  QTest::keyClick(w, Qt::Key_F, Qt::ControlModifier);
  frmFind* find = w->FindDialog();
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(find->FindString(), "LASER");
  w->Find();
  EXPECT_EQ(w->FindDialog(), find);
  EXPECT_EQ(w->findChildren<frmFind*>().size(), 1);
  find->FindEdit->setText("NOTE");
  find->CloseFind();
  QApplication::processEvents();
  EXPECT_EQ(w->FindDialog(), nullptr);
  EXPECT_EQ(kz::CStr(Settings->ReadRegValue("TE", "LastFindString", 1)), "NOTE");
}

TEST_F(EditorTest, ToolbarMenusAndKeys) {
  WriteFile("types/TLaser2.txt", TypeFileText(3, 23, {"X"}));
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  w->OpenFile(PathOf("types/TLaser2.txt"));
  // The open menu: the VFS entry, a separator, then the recent files, newest first.
  QList<QAction*> entries = w->mnuOpen->actions();
  ASSERT_EQ(entries.size(), 4);
  EXPECT_EQ(entries[0]->text(), "Open from VFS");
  EXPECT_EQ(entries[0]->data().toString(), "vfs://");
  EXPECT_TRUE(entries[1]->isSeparator());
  EXPECT_EQ(entries[2]->text().toStdString(), "1 - " + PathOf("types/TLaser2.txt"));
  EXPECT_EQ(entries[3]->data().toString().toStdString(), PathOf("types/TLaser.txt"));
  EXPECT_EQ(Settings->LoadRecentTFiles(), w->RecentFiles());

  // A recent entry opens that file.
  entries[3]->trigger();
  EXPECT_EQ(w->Parser()->FileName, PathOf("types/TLaser.txt"));

  // "desc" says the text resource editor is not there yet; "export" goes to the page.
  w->ToolbarAction("desc");
  EXPECT_EQ(LastMsg(), "The text resource editor is not available yet.");
  w->ToolbarAction("save", "export");
  EXPECT_EQ(LastMsg(), "No export function available.");

  // Delete on the object list asks; No keeps the record.
  ui_->PushMsgBox(platform::vbNo);
  w->ObjectView->setFocus();
  QTest::keyClick(w->ObjectView, Qt::Key_Delete);
  EXPECT_EQ(LastMsg().rfind("Do you really want to delete the selected object ", 0), 0u) << LastMsg();
  EXPECT_EQ(w->Parser()->Count(), 3);

  // Enter on the raw view edits the selected field.
  w->ObjectDataView->setCurrentItem(w->ObjectDataView->topLevelItem(1));
  bool shown = false;
  WhenEditShown([&](frmEdit& d) {
    shown = true;
    EXPECT_EQ(d.PropNameEdit->text(), " (offset 1)");
    d.Cancel();
  });
  QTest::keyClick(w->ObjectDataView, Qt::Key_Return);
  EXPECT_TRUE(shown);
}

TEST_F(EditorTest, DropOpensTheFirstFile) {
  frmTXTEditor* w = NewWindow();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(PathOf("types/TShields.txt"))),
                QUrl::fromLocalFile(QString::fromStdString(PathOf("types/TLaser.txt")))});
  EXPECT_TRUE(w->ObjectView->viewport()->acceptDrops());
  w->DropFiles(&data);
  EXPECT_EQ(w->Parser()->FileName, PathOf("types/TShields.txt"));
  EXPECT_EQ(w->RecentFiles().size(), 1u);
}

TEST_F(EditorTest, OpenFromTheVirtualFileSystemDialog) {
  std::string error;
  ASSERT_TRUE(kz::WriteWholeFile(PathOf("01.cat") + "::types\\TLaserC.txt", ReadFile(PathOf("types/TLaser.txt")), 1,
                                 error));
  ZuZER_CreateVFS(dir_.c_str());
  frmTXTEditor* w = OpenWindow(PathOf("01.cat") + "::types\\TLaserC.txt");
  ASSERT_EQ(w->StatusText(1), "3 objects");
  std::string offered;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<frmCATDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    // The newest recent entry is a catalog path: its inner path is offered.
    offered = d->cmbFileName->currentText().toStdString();
    d->cmbFileName->setEditText("TShields.txt");
    d->PressOK();
    if (d->isVisible()) d->PressCancel();
  });
  w->OpenFile("vfs://");
  EXPECT_EQ(offered, "TLaserC.txt");
  EXPECT_EQ(kz::GetFileName(w->Parser()->FileName), "TShields.txt");
  EXPECT_EQ(w->StatusText(1), "2 objects");
}

TEST_F(EditorTest, LauncherOpensANewWindowPerRequest) {
  QPointer<frmTXTEditor> a = frmTXTEditor::OpenNew(nullptr, PathOf("types/TLaser.txt"));
  QPointer<frmTXTEditor> b = frmTXTEditor::OpenNew(nullptr, "");
  windows_.push_back(a);
  windows_.push_back(b);
  ASSERT_TRUE(a && b);
  EXPECT_NE(a.data(), b.data());
  EXPECT_TRUE(a->isVisible());
  EXPECT_EQ(a->StatusText(1), "3 objects");
  EXPECT_TRUE(b->Parser()->FileName.empty());
  EXPECT_TRUE(ui_->Calls("ShowOpen").empty());  // no path: nothing is asked
  // A closed window deletes itself.
  b->close();
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(b.isNull());
}

TEST_F(EditorTest, PageChangeEventRefreshesItemRawViewAndCaption) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  w->SetListMode(2);
  FakePage* page = PageOf(w);
  const TXTObjectRef r = w->SelectedRecord();
  ASSERT_TRUE(r);
  const int shows = page->showCalls;
  r->SetObjectName("RENAMED");
  emit page->OnObjectChanged(r);
  EXPECT_EQ(w->ObjectView->currentIndex().data().toString(), "RENAMED");
  EXPECT_EQ(w->ObjectDataView->topLevelItem(22)->text(1), "RENAMED");
  EXPECT_TRUE(w->windowTitle().endsWith(" *"));
  EXPECT_EQ(page->showCalls, shows);  // the page is not asked to show it again
}

TEST_F(EditorTest, RightButtonOpensTheRecordMenuWithPasteFromTheClipboard) {
  Settings->SetKzEXEPath("/games/kz/kz.exe");
  frmTXTEditor* a = OpenWindow(PathOf("types/TLaser.txt"));
  frmTXTEditor* b = OpenWindow(PathOf("types/TLaser.txt"));
  EXPECT_EQ(b->Button("kz")->toolTip(), "/games/kz/kz.exe");
  EXPECT_FALSE(b->mnuPaste->isEnabled());
  a->CopySelected();
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::RightButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(b->ObjectView->viewport(), &release);
  EXPECT_TRUE(b->mnuPopup->isVisible());
  EXPECT_TRUE(b->mnuPaste->isEnabled());
  EXPECT_TRUE(b->mnuNew->isEnabled());
  b->mnuPopup->hide();
}
