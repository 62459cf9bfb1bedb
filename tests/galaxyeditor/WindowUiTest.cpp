// The galaxy editor window: opening from every source, captions and status texts, the
// tree with sectors loaded on demand, node texts, find, saving and the save questions.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QDropEvent>
#include <QMimeData>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "GalaxyFixture.h"
#include "core/Common.h"
#include "core/Generic.h"
#include "core/ui/GenericUi.h"
#include "shell/CATDialog.h"
#include "shell/Find.h"
#include "shell/LauncherSlots.h"

namespace {
std::string Caption(QWidget* w) { return w->windowTitle().toStdString(); }
}  // namespace

TEST_F(GalaxyTest, FreshWindowAndNewMap) {
  frmGalaxyEditor* w = Editor();
  // The splitter keeps 2000 twips on either side.
  ASSERT_EQ(w->Splitter->count(), 2);
  for (int i = 0; i < 2; ++i) EXPECT_GE(w->Splitter->widget(i)->minimumWidth(), 2000 / 15);
  EXPECT_EQ(Caption(w), "Galaxy Editor");
  EXPECT_FALSE(w->Button("save")->isEnabled());
  EXPECT_EQ(w->Tree->topLevelItemCount(), 0);
  w->ToolbarAction("new");
  EXPECT_EQ(Caption(w), "Galaxy Editor [New Map File] *");
  EXPECT_EQ(w->StatusText(), "0 sectors");
  EXPECT_TRUE(w->Button("save")->isEnabled());
  EXPECT_TRUE(w->Modified());
}

TEST_F(GalaxyTest, OpensFromEverySource) {
  const std::string plain = PathOf("maps/u.xml");
  std::string error;
  ASSERT_TRUE(kz::WriteWholeFile(PathOf("maps/packed.pck"), kStandardMap, 2, error)) << error;
  ASSERT_TRUE(kz::WriteWholeFile(PathOf("02.cat") + "::maps\\incat.xml", kStandardMap, 1, error)) << error;
  Mount();
  frmGalaxyEditor* w = Editor();
  for (const std::string& path : {plain, PathOf("maps/packed.pck"), PathOf("02.cat") + "::maps\\incat.xml"}) {
    w->OpenFile(path);
    EXPECT_EQ(Caption(w), "Galaxy Editor [" + path + "]");
    EXPECT_EQ(w->StatusText(), "2 sectors");
    EXPECT_EQ(w->RecentFiles().front(), path);
    EXPECT_TRUE(w->Button("save")->isEnabled());
  }
  EXPECT_TRUE(ui_->Calls("MsgBox").empty()) << LastMsg();

  // The virtual file system gives the found file's own path.
  w->OpenFile("vfs://maps\\u.xml");
  EXPECT_EQ(kz::GetFileName(w->Parser()->FileName), "u.xml");
  EXPECT_EQ(w->StatusText(), "2 sectors");
  w->OpenFile("vfs://maps\\none.xml");
  EXPECT_EQ(LastMsg(), "File maps\\none.xmlnot found.");

  // The disk dialog starts in the data folder with the newest recent file.
  ui_->PushFile(plain, 1);
  w->ToolbarAction("open");
  const platform::UiCall* open = ui_->Last("ShowOpen");
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->File.Title, "Open");
  EXPECT_EQ(open->File.InitDir, dir_.string());
  EXPECT_EQ(w->Parser()->FileName, plain);

  // A cancelled dialog changes nothing and says nothing.
  ui_->ClearCalls();
  ui_->PushFileCancel();
  w->ToolbarAction("open");
  EXPECT_TRUE(ui_->Calls("MsgBox").empty());
  EXPECT_EQ(w->Parser()->FileName, plain);

  // The recent menu: "Open from VFS", a separator, then "n - path" entries.
  QList<QAction*> entries = w->mnuOpen->actions();
  ASSERT_GE(entries.size(), 3);
  EXPECT_EQ(entries[0]->text(), "Open from VFS");
  EXPECT_TRUE(entries[1]->isSeparator());
  EXPECT_EQ(entries[2]->text().toStdString(), "1 - " + plain);
  entries[3]->trigger();  // the second-newest file
  EXPECT_NE(w->Parser()->FileName, plain);
  EXPECT_EQ(w->RecentFiles().front(), w->Parser()->FileName);

  // A file dropped on the tree is opened.
  QMimeData drop;
  drop.setUrls({QUrl::fromLocalFile(QString::fromStdString(plain))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &drop, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w->Tree->viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent event(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &drop, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w->Tree->viewport(), &event);
  EXPECT_EQ(w->Parser()->FileName, plain);
  EXPECT_TRUE(event.isAccepted());
}

TEST_F(GalaxyTest, OpenFromTheVirtualFileSystemDialog) {
  frmGalaxyEditor* w = Editor();
  bool shown = false;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<frmCATDialog*>(QApplication::activeModalWidget());
    if (!d) return;
    shown = true;
    d->PressCancel();
  });
  w->OpenFile("vfs://");
  EXPECT_TRUE(shown);
  EXPECT_TRUE(ui_->Calls("MsgBox").empty());
  EXPECT_EQ(Caption(w), "Galaxy Editor");
}

TEST_F(GalaxyTest, ParseErrorsAreShownAndLeaveTheRecentList) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  WriteFile("maps/bad.xml", "<universe><o t=\"1\" x=\"3000000000\"/></universe>");
  w->OpenFile(PathOf("maps/bad.xml"));
  EXPECT_EQ(LastMsg().rfind("Error parsing file: \r\n", 0), 0u) << LastMsg();
  EXPECT_EQ(w->RecentFiles().front(), PathOf("maps/u.xml"));
  EXPECT_FALSE(w->Modified());
  EXPECT_EQ(Caption(w), "Galaxy Editor");  // the failed load leaves no file name
}

TEST_F(GalaxyTest, SectorCountTexts) {
  std::string map = "<universe xmlns=\"KZUNIVERS.xsd\">";
  for (int i = 0; i < 21; ++i) map += "<o t=\"1\" x=\"" + std::to_string(i) + "\" y=\"0\"/>";
  WriteFile("maps/many.xml", map + "</universe>");
  WriteFile("maps/one.xml", "<universe xmlns=\"KZUNIVERS.xsd\"><o t=\"1\" x=\"0\" y=\"0\"/></universe>");
  frmGalaxyEditor* w = Editor(PathOf("maps/many.xml"));
  EXPECT_EQ(w->StatusText(), "21 sectors");
  w->OpenFile(PathOf("maps/one.xml"));
  EXPECT_EQ(w->StatusText(), "1 sector");
}

TEST_F(GalaxyTest, SectorsLoadWhenExpanded) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  ASSERT_EQ(w->Tree->topLevelItemCount(), 2);
  QTreeWidgetItem* first = w->Tree->topLevelItem(0);
  // Unloaded: grey, the "not loaded" image, one placeholder child.
  EXPECT_EQ(w->NodeImage(first), "sector_noload");
  EXPECT_NE(first->foreground(0).color(), QColor(Qt::black));
  ASSERT_EQ(first->childCount(), 1);
  EXPECT_EQ(first->child(0)->text(0), "not loaded");
  const std::string placeholder = w->NodeKey(first->child(0));
  const int counter = std::stoi(placeholder);
  EXPECT_EQ(placeholder, std::to_string(counter) + "dummy");
  EXPECT_EQ(w->NodeKey(w->Tree->topLevelItem(1)->child(0)), std::to_string(counter + 1) + "dummy");

  first->setExpanded(true);
  EXPECT_EQ(w->NodeImage(first), "sector");
  EXPECT_EQ(first->childCount(), 5);
  EXPECT_EQ(w->NodeImage(first->child(2)), "dock");
  EXPECT_EQ(w->NodeImage(first->child(2)->child(0)), "d_ships");
  EXPECT_TRUE(w->Parser()->Sectors.Item(1)->Loaded);

  // Placeholder keys keep counting across files.
  w->OpenFile(PathOf("maps/u.xml"));
  EXPECT_EQ(w->NodeKey(w->Tree->topLevelItem(0)->child(0)), std::to_string(counter + 2) + "dummy");
}

TEST_F(GalaxyTest, NodeTextsFollowTheNameBoxes) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  QTreeWidgetItem* home = w->Tree->topLevelItem(0);
  home->setExpanded(true);
  QTreeWidgetItem* sun = home->child(1);
  struct Case {
    bool name, cls, id;
    const char* sector;
    const char* sun;
  } cases[] = {{true, false, false, "Home", "Yellow Sun"},
               {false, true, false, "[Sector]", "[Sun]"},
               {false, false, true, "00, 00", "SS_SUN_A"},
               {true, true, true, "[Sector] - 00, 00 - Home", "[Sun] - SS_SUN_A - Yellow Sun"},
               {false, false, false, "", ""}};
  for (const Case& c : cases) {
    w->chkNameFilter[0]->setChecked(c.name);
    w->chkNameFilter[1]->setChecked(c.cls);
    w->chkNameFilter[2]->setChecked(c.id);
    w->ApplyNameFilter();
    EXPECT_EQ(home->text(0).toStdString(), c.sector);
    EXPECT_EQ(sun->text(0).toStdString(), c.sun);
    EXPECT_EQ(w->Tree->topLevelItem(1)->child(0)->text(0), "not loaded");
  }
  // The mask is kept for the next window.
  w->chkNameFilter[1]->setChecked(true);
  w->ApplyNameFilter();
  EXPECT_EQ(w->NameMask(), 2);
  w->close();
  delete w;
  frmGalaxyEditor* again = Editor();
  EXPECT_EQ(again->NameMask(), 2);
  EXPECT_TRUE(again->chkNameFilter[1]->isChecked());
  EXPECT_FALSE(again->chkNameFilter[0]->isChecked());
}

TEST_F(GalaxyTest, SelectingANodeShowsItsObject) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  // After a fill the first node is current.
  ASSERT_TRUE(w->CurrentObject());
  EXPECT_EQ(w->CurrentObject()->otype(), 1);
  EXPECT_EQ(w->lblObjectName->text(), "Sector - Home");
  QTreeWidgetItem* home = w->Tree->topLevelItem(0);
  home->setExpanded(true);
  w->Tree->setCurrentItem(home->child(1));
  EXPECT_EQ(w->lblObjectName->text(), "Sun - Yellow Sun");
  EXPECT_EQ(w->ObjectEdit->ShownObject(), w->CurrentObject());
}

TEST_F(GalaxyTest, FindWalksForwardFromTheSelectedNodeWithoutWrapping) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  QTreeWidgetItem* home = w->Tree->topLevelItem(0);
  home->setExpanded(true);
  w->Tree->setCurrentItem(home);
  kz::Variant tag;
  // "a" matches the sector's own name first ("Far Away" is the second sector).
  ASSERT_TRUE(w->FindNext(false, "GATE", tag));
  EXPECT_EQ(w->Tree->currentItem(), home->child(3));
  EXPECT_EQ(w->CurrentObject()->otype(), 18);
  // The previous result is skipped, so the next press goes on; a placeholder text is found too.
  ASSERT_TRUE(w->FindNext(false, "loaded", tag));
  EXPECT_EQ(w->Tree->currentItem()->text(0), "not loaded");
  EXPECT_FALSE(w->FindNext(false, "Yellow", tag));  // no wrap to the top
  EXPECT_EQ(w->Tree->currentItem()->text(0), "not loaded");

  // Exact matching compares whole texts, ignoring case.
  w->Tree->setCurrentItem(home);
  tag = kz::Variant();
  EXPECT_FALSE(w->FindNext(true, "yellow", tag));
  EXPECT_TRUE(w->FindNext(true, "yellow sun", tag));
  // The selected node's own text is found unless it was the previous result.
  kz::Variant fresh;
  EXPECT_TRUE(w->FindNext(true, "yellow sun", fresh));
  EXPECT_EQ(w->Tree->currentItem()->text(0), "Yellow Sun");
  EXPECT_FALSE(w->FindNext(true, "yellow sun", fresh));
}

TEST_F(GalaxyTest, FindDialogIsOneAndRemembersItsText) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  w->ShowFindDialog();
  frmFind* f = w->FindDialog();
  ASSERT_NE(f, nullptr);
  w->ShowFindDialog();
  EXPECT_EQ(w->FindDialog(), f);
  w->Tree->topLevelItem(0)->setExpanded(true);
  w->Tree->setCurrentItem(w->Tree->topLevelItem(0));
  f->FindEdit->setText("Trading");
  f->FindNext();
  EXPECT_EQ(w->CurrentObject()->otype(), 5);
  f->CloseFind();
  QApplication::processEvents();
  EXPECT_EQ(w->FindDialog(), nullptr);
  EXPECT_EQ(kz::CStr(Settings->ReadRegValue("GE", "LastFindString", kRegText)), "Trading");
  w->ShowFindDialog();
  EXPECT_EQ(w->FindDialog()->FindString(), "Trading");
}

TEST_F(GalaxyTest, SavesPlainAndPackedAndClearsTheModifiedMark) {
  frmGalaxyEditor* w = Editor();
  w->ToolbarAction("new");
  const std::string plain = PathOf("maps/new.xml");
  ui_->PushFile(plain, 1);
  EXPECT_TRUE(w->SaveMap());
  EXPECT_EQ(Caption(w), "Galaxy Editor [" + plain + "]");
  EXPECT_NE(ReadPlain(plain).find("<universe"), std::string::npos);
  EXPECT_EQ(w->RecentFiles().front(), plain);

  // Packed, over an existing file: the replace question, then gzip bytes on disk.
  w->OpenFile(PathOf("maps/u.xml"));
  const std::string packed = PathOf("maps/u.pck");
  WriteFile("maps/u.pck", "old");
  ui_->PushFile(packed, 2);
  ui_->PushMsgBox(platform::vbNo);
  EXPECT_FALSE(w->SaveMap());
  EXPECT_EQ(LastMsg(), packed + " already exists.\r\nDo you want to replace it?");
  EXPECT_EQ(ReadPlain(packed), "old");
  ui_->PushFile(packed, 2);
  ui_->PushMsgBox(platform::vbYes);
  EXPECT_TRUE(w->SaveMap());
  const std::string bytes = ReadPlain(packed);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x1f);
  EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0x8b);
  EXPECT_NE(ReadAny(packed).find("SS_DOCK_A"), std::string::npos);

  // A cancelled save dialog is no save.
  ui_->PushFileCancel();
  EXPECT_FALSE(w->SaveMap());
}

TEST_F(GalaxyTest, SaveQuestionsBeforeOpenNewAndClose) {
  frmGalaxyEditor* w = Editor();
  w->ToolbarAction("new");  // modified from the start

  // Cancel: nothing happens.
  ui_->PushMsgBox(platform::vbCancel);
  w->OpenFile(PathOf("maps/u.xml"));
  EXPECT_EQ(LastMsg(), "You have modified some objects.\r\n\r\nDo you want to save your changes?");
  EXPECT_EQ(ui_->Last("MsgBox")->Title, kz::GetAppTitle());
  EXPECT_EQ(Caption(w), "Galaxy Editor [New Map File] *");

  // Yes, then the save dialog cancelled: the old document stays.
  ui_->PushMsgBox(platform::vbYes);
  ui_->PushFileCancel();
  w->OpenFile(PathOf("maps/u.xml"));
  EXPECT_EQ(Caption(w), "Galaxy Editor [New Map File] *");

  // No: the file is opened without saving.
  ui_->PushMsgBox(platform::vbNo);
  w->OpenFile(PathOf("maps/u.xml"));
  EXPECT_EQ(w->StatusText(), "2 sectors");

  // Yes with a save: the new map is written, then "new" goes on.
  w->ToolbarAction("new");
  ui_->PushMsgBox(platform::vbYes);
  ui_->PushFile(PathOf("maps/saved.xml"), 1);
  w->ToolbarAction("new");
  EXPECT_TRUE(std::filesystem::exists(PathOf("maps/saved.xml")));
  EXPECT_EQ(Caption(w), "Galaxy Editor [New Map File] *");

  // Closing asks with the window's own title; Cancel keeps it open, No closes it.
  ui_->ClearCalls();
  ui_->PushMsgBox(platform::vbCancel);
  EXPECT_FALSE(w->close());
  EXPECT_EQ(ui_->Last("MsgBox")->Title, "Galaxy Editor");
  ui_->PushMsgBox(platform::vbNo);
  EXPECT_TRUE(w->close());
  // A second close request (the application closing) does not ask again.
  ui_->ClearCalls();
  w->show();
  EXPECT_TRUE(w->close());
  EXPECT_TRUE(ui_->Calls("MsgBox").empty());
}

TEST_F(GalaxyTest, LauncherSlotOpensTheOneWindow) {
  auto& slot = kz::GetLauncherSlots().OpenGalaxyEditor;
  auto previous = slot;
  slot = [](QWidget* owner, const std::string& path) { frmGalaxyEditor::Launch(owner, path); };
  slot(nullptr, PathOf("maps/u.xml"));
  frmGalaxyEditor* w = frmGalaxyEditor::Instance();
  ASSERT_NE(w, nullptr);
  w->setAttribute(Qt::WA_DeleteOnClose, false);
  EXPECT_EQ(w->StatusText(), "2 sectors");
  slot(nullptr, "");
  EXPECT_EQ(frmGalaxyEditor::Instance(), w);
  EXPECT_TRUE(w->isVisible());
  slot = previous;
}

TEST_F(GalaxyTest, MapButtonsOpenAndCloseTheSectorMapAndTheUniverseMap) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  w->Button("map")->click();
  EXPECT_NE(w->SectorMap(), nullptr);
  EXPECT_TRUE(w->Button("map")->isChecked());
  w->Button("map")->click();
  EXPECT_EQ(w->SectorMap(), nullptr);
  EXPECT_FALSE(w->Button("map")->isChecked());
  w->Button("universe")->click();
  EXPECT_NE(w->UniverseMap(), nullptr);
  EXPECT_TRUE(w->Button("universe")->isChecked());
  w->Button("universe")->click();
  QApplication::processEvents();
  EXPECT_EQ(w->UniverseMap(), nullptr);
  EXPECT_FALSE(w->Button("universe")->isChecked());
}

TEST_F(GalaxyTest, DescButtonOpensTheTextResourceEditor) {
  frmGalaxyEditor* w = Editor();
  auto previous = frmTXTEditor::DescEditorOpener();
  frmTXTEditor::DescEditorOpener() = nullptr;
  w->ToolbarAction("desc");
  EXPECT_EQ(LastMsg(), "The text resource editor is not available yet.");
  QWidget* owner = nullptr;
  frmTXTEditor::DescEditorOpener() = [&](QWidget* o) { owner = o; };
  w->ToolbarAction("desc");
  EXPECT_EQ(owner, w);
  frmTXTEditor::DescEditorOpener() = previous;
}
