// Flag clicks, export, row editing through the value dialog, the name dialog and the
// colour editor, and the page inside the type-file editor window.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QClipboard>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "WarePageFixture.h"
#include "shell/EditorFiles.h"
#include "shell/JvFileDialog.h"
#include "txteditor/TXTEditor.h"
#include "tests/common/FileBytes.h"

namespace {

std::string Slurp(const std::filesystem::path& p) { return kztest::FileBytes(p); }

}  // namespace

TEST_F(WarePageTest, FlagClicksChangeOneBitAndAreIgnoredWhereTheyMustBe) {
  WriteType("TBullets", 30, {Line(37, {{12, "5"}}, "SS_BULLET")});
  WriteType("TWareT", 30, {Line(17, {{5, "3"}}, "SS_WARE")});
  Mount();
  TxtParserRef bullets = Parse("TBullets", 4);
  ucWare* page = PageFor(bullets, 4);
  TXTObjectRef record = bullets->FindIndex(0);
  Show(page, record, 4);
  std::vector<TXTObjectRef> changed;
  QObject::connect(page, &EditorPage::OnObjectChanged, [&changed](TXTObjectRef r) { changed.push_back(r); });

  page->chkFlag[1]->click();
  EXPECT_EQ(kz::CLng(record->Value(12)), 7);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0], record);
  EXPECT_TRUE(page->chkFlag[1]->isChecked());

  // Read-only (embedded in the galaxy editor): the shared record stays as it is.
  page->SetReadOnly(true);
  page->chkFlag[0]->click();
  EXPECT_EQ(kz::CLng(record->Value(12)), 7);
  EXPECT_TRUE(page->chkFlag[0]->isChecked());
  EXPECT_EQ(changed.size(), 1u);
  page->SetReadOnly(false);

  // A record of a type without flags ignores them.
  TxtParserRef wares = Parse("TWareT", 6);
  TXTObjectRef ware = wares->FindIndex(0);
  Show(page, ware, 6);
  page->chkFlag[0]->click();
  EXPECT_FALSE(ware->Dirty);
  EXPECT_EQ(changed.size(), 1u);

  // A flags field that holds no number stays unchanged.
  record->SetValue(12, kz::Variant("many"));
  Show(page, record, 4);
  page->chkFlag[3]->click();
  EXPECT_EQ(record->Value(12).AsString(), "many");
  EXPECT_FALSE(page->chkFlag[3]->isChecked());
  EXPECT_EQ(changed.size(), 1u);
}

TEST_F(WarePageTest, ExportWritesOneLinePerFieldAndReportsFailures) {
  WriteType("TWareT", 30, {Line(17, {{0, "wares\\crate"}}, "SS_CRATE")});
  Mount();
  TxtParserRef wares = Parse("TWareT", 6);
  ucWare* page = PageFor(wares, 6);
  // A record of three fields.
  auto record = std::make_shared<clsTXTObject>();
  record->AssignValues({kz::Variant("wares\\crate"), kz::Variant(int32_t{0}), kz::Variant("SS_CRATE")});
  record->otype = 6;
  Show(page, record, 6);
  JvFileDialog dialog;

  // Cancel: no message, no file.
  ui_->PushFileCancel();
  EXPECT_FALSE(page->KzExportData(&dialog));
  EXPECT_TRUE(MsgTexts().empty());
  const platform::UiCall* save = ui_->Last("ShowSave");
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->File.Title, "Export data");
  EXPECT_EQ(save->File.Filter, "Record structure (*.txt, *.cat)|*.txt;*.cat");
  EXPECT_NE(save->File.FileName.find("TWareT_export.txt"), std::string::npos);

  const auto out = data_.Root() / "export.txt";
  ui_->PushFile(out.string(), 1);
  EXPECT_FALSE(page->KzExportData(&dialog));
  EXPECT_EQ(Slurp(out), "0: Body file: wares\\crate\r\n1: Picture ID: 0\r\n2: Rotation X: SS_CRATE\r\n");
  EXPECT_TRUE(MsgTexts().empty());

  // Another filter: said before anything is opened, no file made.
  const auto other = data_.Root() / "other.dat";
  ui_->PushFile(other.string(), 2);
  page->KzExportData(&dialog);
  EXPECT_EQ(MsgTexts().back(), "Don't know how to export.");
  EXPECT_FALSE(std::filesystem::exists(other));

  // A value the writer refuses: the failure is reported and the old file stays whole.
  record->SetValue(1, kz::Variant("\xe6\x97\xa5"));
  ui_->PushFile(out.string(), 1);
  ui_->PushMsgBox(platform::vbYes);  // overwrite
  page->KzExportData(&dialog);
  ASSERT_GE(MsgTexts().size(), 2u);
  EXPECT_NE(MsgTexts()[MsgTexts().size() - 2].find("already exists"), std::string::npos);
  EXPECT_EQ(MsgTexts().back().rfind("Error in Export file: ", 0), 0u) << MsgTexts().back();
  EXPECT_EQ(Slurp(out), "0: Body file: wares\\crate\r\n1: Picture ID: 0\r\n2: Rotation X: SS_CRATE\r\n");

  // A target that cannot be opened (a folder stands there).
  record->SetValue(1, kz::Variant(int32_t{1}));
  const auto blocked = data_.Root() / "blocked.txt";
  std::filesystem::create_directories(blocked / "inside");
  ui_->PushFile(blocked.string(), 1);
  ui_->PushMsgBox(platform::vbYes);
  page->KzExportData(&dialog);
  EXPECT_EQ(MsgTexts().back().rfind("Error opening file " + blocked.string() + ":\r\n", 0), 0u) << MsgTexts().back();
  EXPECT_TRUE(std::filesystem::is_directory(blocked / "inside"));

  // No overwrite: the file stays.
  ui_->PushFile(out.string(), 1);
  ui_->PushMsgBox(platform::vbNo);
  page->KzExportData(&dialog);
  EXPECT_NE(MsgTexts().back().find("already exists"), std::string::npos);
  EXPECT_EQ(Slurp(out).substr(0, 3), "0: ");
}

TEST_F(WarePageTest, RowsAreEditedThroughTheValueDialog) {
  WriteType("TShields", 25, {Line(21, {{7, "10"}, {8, "5000"}}, "SS_SHIELD_A"), Line(21, {}, "SS_SHIELD_B")});
  Mount();
  TxtParserRef shields = Parse("TShields", 2);
  ucWare* page = PageFor(shields, 2);
  TXTObjectRef record = shields->FindIndex(0);
  Show(page, record, 2);
  int changes = 0;
  QObject::connect(page, &EditorPage::OnObjectChanged, [&changes](TXTObjectRef) { ++changes; });

  int32_t eight = 8;
  const int energy = RowOf(page->PropView, page->JvGetPropertyName(record, eight));
  ASSERT_GE(energy, 0);
  EXPECT_EQ(Column(page->PropView, 1)[energy], "5 MJ (5000)");
  SelectRow(page, energy);
  WhenEditShown([](frmEdit& d) {
    EXPECT_EQ(d.cmbValue->currentText(), "5000");  // the edit form: no unit
    EXPECT_EQ(d.lblValue->text(), "Value [kJ]");
    d.cmbValue->setEditText("7000");
    d.OK();
  });
  page->EditSelectedRow();
  EXPECT_EQ(kz::CLng(record->Value(8)), 7000);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Column(page->PropView, 1)[energy], "7 MJ (7000)");

  // A fraction in a whole-number field is refused.
  SelectRow(page, energy);
  WhenEditShown([](frmEdit& d) {
    d.cmbValue->setEditText("1.5");
    d.OK();
    EXPECT_TRUE(d.isVisible());
  });
  page->EditSelectedRow();
  EXPECT_EQ(kz::CLng(record->Value(8)), 7000);
  EXPECT_EQ(changes, 1);

  // The ID row: another record's ID is refused, a new one is stored.
  SelectRow(page, 0);
  WhenEditShown([](frmEdit& d) {
    d.cmbValue->setEditText("ss_shield_b");
    d.OK();
    EXPECT_TRUE(d.isVisible());
    d.cmbValue->setEditText("SS_SHIELD_C");
    d.OK();
  });
  page->EditSelectedRow();
  EXPECT_EQ(record->ObjectName(), "SS_SHIELD_C");
  EXPECT_EQ(changes, 2);

  // Computed rows and a read-only page show no dialog.
  SelectRow(page, RowOf(page->PropView, "Charge time"));
  page->EditSelectedRow();
  page->SetReadOnly(true);
  SelectRow(page, energy);
  page->EditSelectedRow();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(WarePageTest, ColourRoundTripThroughTheColourEditor) {
  WriteType("TPlanets", 20, {Line(37, {{7, "170"}, {8, "187"}, {9, "204"}}, "SS_PLANET")});
  Mount();
  TxtParserRef planets = Parse("TPlanets", 13);
  ucWare* page = PageFor(planets, 13);
  TXTObjectRef record = planets->FindIndex(0);
  Show(page, record, 13);
  const int row = RowOf(page->PropView, "Color (RGB)");
  ASSERT_GE(row, 0);
  EXPECT_EQ(Column(page->PropView, 1)[row], "0xCCBBAA");
  int changes = 0;
  QObject::connect(page, &EditorPage::OnObjectChanged, [&changes](TXTObjectRef) { ++changes; });

  int32_t seen = -1;
  ucWare::ColourEditHook() = [&seen](QWidget*, int32_t& colour) {
    seen = colour;
    return false;  // cancelled
  };
  SelectRow(page, row);
  page->EditSelectedRow();
  EXPECT_EQ(seen, 0xCCBBAA);
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(record->Dirty);

  ucWare::ColourEditHook() = [](QWidget*, int32_t& colour) {
    colour = 0x102030;
    return true;
  };
  SelectRow(page, row);
  page->EditSelectedRow();
  EXPECT_EQ(kz::CLng(record->Value(7)), 0x30);
  EXPECT_EQ(kz::CLng(record->Value(8)), 0x20);
  EXPECT_EQ(kz::CLng(record->Value(9)), 0x10);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Column(page->PropView, 1)[row], "0x102030");
}

TEST_F(WarePageTest, TheEditorWindowHostsThePageAndCreatesRecords) {
  WriteType("TLaser", 40, {Line(23, {{7, "250"}}, "SS_LASER_A")});
  Mount();
  for (int slot = 0; slot < frmTXTEditor::kPageSlots; ++slot) frmTXTEditor::SetPageFactory(slot, nullptr);
  frmTXTEditor::SetPageFactory(frmTXTEditor::kWarePage, [](QWidget* parent) { return new ucWare(parent); });
  auto* w = new frmTXTEditor;
  w->setAttribute(Qt::WA_DeleteOnClose, false);
  w->MyShow();
  w->OpenFile((data_.Root() / "types/TLaser.txt").string());
  auto* page = w->findChild<ucWare*>("WareEdit");
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(w->CurrentPage(), page);
  EXPECT_EQ(w->MainTab->tabText(1), "Laser info");
  w->SelectRecord(w->Parser()->FindIndex(0));
  EXPECT_EQ(Column(page->PropView, 1)[2 + 7], "240 rnd/min (250)");

  ui_->PushMsgBox(platform::vbNo);  // at the end
  w->AddRecord();
  ASSERT_EQ(w->Parser()->Count(), 2);
  TXTObjectRef added = w->Parser()->FindIndex(1);
  EXPECT_EQ(added->size(), 23);
  EXPECT_EQ(added->ObjectName(), "NEW_OBJECT_1");
  w->Parser()->FileName.clear();  // no save question
  delete w;
  frmTXTEditor::SetPageFactory(frmTXTEditor::kWarePage, nullptr);
}

// The export of the shown record never writes onto a file that an editor window has
// open (its own file by another spelling or a link, another window's file), and says so
// before the overwrite question.
TEST_F(WarePageTest, ExportNeverWritesOntoAFileOpenInAnEditorWindow) {
  WriteType("TLaser", 40, {Line(23, {{7, "250"}}, "SS_LASER_A")});
  WriteType("TShields", 25, {Line(21, {{7, "10"}}, "SS_SHIELD_A")});
  Mount();
  kz::ClearEditorFileReaders();
  kz::AddEditorFileReader(frmTXTEditor::OpenFileOf);
  for (int slot = 0; slot < frmTXTEditor::kPageSlots; ++slot) frmTXTEditor::SetPageFactory(slot, nullptr);
  frmTXTEditor::SetPageFactory(frmTXTEditor::kWarePage, [](QWidget* parent) { return new ucWare(parent); });
  const std::filesystem::path root = data_.Root();
  std::vector<QPointer<frmTXTEditor>> windows;
  for (const char* file : {"types/TLaser.txt", "types/TShields.txt"}) {
    windows.push_back(new frmTXTEditor);
    windows.back()->setAttribute(Qt::WA_DeleteOnClose, false);
    windows.back()->MyShow();
    windows.back()->OpenFile((root / file).string());
  }
  frmTXTEditor* w = windows[0];
  w->SelectRecord(w->Parser()->FindIndex(0));
  std::filesystem::create_symlink(root / "types/TLaser.txt", root / "laser-link.txt");
  const std::string laser = Slurp(root / "types/TLaser.txt"), shields = Slurp(root / "types/TShields.txt");

  for (const std::filesystem::path& target : {root / "types/TLaser.txt", root / "Types/TLASER.txt",
                                              root / "laser-link.txt", root / "types/TShields.txt"}) {
    SCOPED_TRACE(target.string());
    ui_->ClearCalls();
    ui_->PushFile(target.string(), 1);
    ui_->PushMsgBox(platform::vbYes);  // the overwrite question, should it come
    w->ExportData();
    const auto boxes = ui_->Calls("MsgBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text.rfind("Cannot export to " + target.string() + ":", 0), 0u) << boxes[0].Text;
    EXPECT_EQ(boxes[0].Flags & platform::vbExclamation, platform::vbExclamation);
  }
  EXPECT_EQ(Slurp(root / "types/TLaser.txt"), laser);
  EXPECT_EQ(Slurp(root / "types/TShields.txt"), shields);
  EXPECT_TRUE(std::filesystem::is_symlink(root / "laser-link.txt"));
  // The proposed file is free.
  ui_->PushFile((root / "types/TLaser_export.txt").string(), 1);
  w->ExportData();
  EXPECT_EQ(Slurp(root / "types/TLaser_export.txt").rfind("0: ", 0), 0u);

  for (auto& window : windows) {
    window->Parser()->FileName.clear();  // no save question
    delete window.data();
  }
  frmTXTEditor::SetPageFactory(frmTXTEditor::kWarePage, nullptr);
  kz::ClearEditorFileReaders();
}

TEST_F(WarePageTest, KeysOnTheListEditAndCopyAndToolbarModelsThatAreMissingSaySo) {
  WriteType("TShields", 25, {Line(21, {{7, "10"}, {8, "5000"}}, "SS_SHIELD_A")});
  Mount();
  TxtParserRef shields = Parse("TShields", 2);
  ucWare* page = PageFor(shields, 2);
  TXTObjectRef record = shields->FindIndex(0);
  Show(page, record, 2);
  int32_t eight = 8;
  const int energy = RowOf(page->PropView, page->JvGetPropertyName(record, eight));
  SelectRow(page, energy);

  // Ctrl+Insert: the row's value text on the clipboard.
  QApplication::clipboard()->setText("before");
  QTest::keyClick(page->PropView, Qt::Key_Insert, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "5 MJ (5000)");

  // Enter: the value dialog on the selected row.
  bool shown = false;
  WhenEditShown([&shown](frmEdit& d) {
    shown = true;
    EXPECT_NE(d.PropNameEdit->text().indexOf("(offset 8)"), -1);
    d.Cancel();
  });
  QTest::keyClick(page->PropView, Qt::Key_Return);
  EXPECT_TRUE(shown);
  EXPECT_EQ(kz::CLng(record->Value(8)), 5000);

  // The model buttons say why nothing starts: no 3D viewer set, then no model of that
  // name in the virtual file system. A button that is not there does nothing.
  const SettingsPtr previousSettings = Settings;
  Settings = std::make_shared<clsSettings>();
  Settings->SetExt3DViewerPath("");
  const QList<QAction*> buttons = page->Bar->actions();
  ASSERT_GE(buttons.size(), 2);
  for (QAction* a : buttons) a->trigger();
  const std::vector<std::string> noViewer = MsgTexts();
  ASSERT_EQ(noViewer.size(), static_cast<size_t>(buttons.size()));
  for (const std::string& text : noViewer)
    EXPECT_EQ(text, "You didn't specified path to external 3D viewer.\r\nGo to Settings and set it up.");
  Settings->SetExt3DViewerPath("/opt/view/viewer");
  for (QAction* a : buttons) a->trigger();
  const std::vector<std::string> all = MsgTexts();
  ASSERT_EQ(all.size(), 2 * noViewer.size());
  for (size_t i = noViewer.size(); i < all.size(); ++i) {
    EXPECT_EQ(all[i].rfind("The model objects\\", 0), 0u) << all[i];
    EXPECT_NE(all[i].find(" is not in the game's files."), std::string::npos) << all[i];
  }
  page->BarClick("scene_7");
  EXPECT_EQ(MsgTexts().size(), all.size());
  Settings = previousSettings;
}
