// The ship page inside the type-file editor window: a ship file opens on the page, a
// damaged one with its validation report; pick lists with equal texts; the exports
// through the window's file dialog, read back from disk.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "ShipPageFixture.h"
#include "shell/EditorFiles.h"
#include "shell/Text.h"
#include "rudu.h"
#include "txteditor/TXTEditor.h"
#include "tests/common/FileBytes.h"

namespace {
std::string Bytes(const std::filesystem::path& p) { return kztest::FileBytes(p); }
}  // namespace

class ShipWindowTest : public ShipPageTest {
 protected:
  void SetUp() override {
    ShipPageTest::SetUp();
    frmTXTEditor::SetPageFactory(frmTXTEditor::kShipPage, [](QWidget* parent) -> EditorPage* { return new ucShip(parent); });
  }
  void TearDown() override {
    if (window) {
      if (window->Parser()) window->Parser()->FileName.clear();  // no save prompt
      delete window.data();
    }
    frmTXTEditor::SetPageFactory(frmTXTEditor::kShipPage, nullptr);
    ShipPageTest::TearDown();
  }
  frmTXTEditor* Open(const std::string& rel) {
    data.Mount();
    Archive->Clear();
    EXPECT_TRUE(DescServer->LoadResources(44));
    window = new frmTXTEditor;
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->MyShow();
    window->OpenFile((data.Root() / rel).string());
    return window;
  }
  ucShip* ShipPage() const { return window->findChild<ucShip*>("ShipEdit"); }
  QPointer<frmTXTEditor> window;
};

TEST_F(ShipWindowTest, ShipFileOpensOnThePage) {
  Open("types/TShips.txt");
  ASSERT_TRUE(ShipPage());
  EXPECT_EQ(window->CurrentPage(), ShipPage());
  EXPECT_EQ(window->MainTab->currentIndex(), 1);
  EXPECT_EQ(window->MainTab->tabText(1).toStdString(), "Ship info");
  EXPECT_NE(window->windowTitle().toStdString().find("Ships v.30"), std::string::npos);
  // Name mode lists race and display name.
  std::vector<std::string> names;
  for (int i = 0; i < window->ObjectView->model()->rowCount(); ++i)
    names.push_back(window->ObjectView->model()->index(i, 0).data().toString().toStdString());
  EXPECT_NE(std::find(names.begin(), names.end(), "Brenn Falcon Raider"), names.end());
  // Selecting a record shows it on the page.
  window->SelectRecord(window->Parser()->FindID("SS_SH_FALCON"));
  EXPECT_EQ(ShipPage()->CurrentShip()->Object->ObjectName(), "SS_SH_FALCON");
  EXPECT_EQ(ShipPage()->TurView->topLevelItemCount(), 4);
  // The tab's lists fill the page (the layout follows the tab's size, in twips).
  window->resize(1200, 700);
  QApplication::processEvents();
  QWidget* tab = ShipPage()->MainTab->currentWidget();
  // (to a pixel: twips are whole fifteenths of one)
  EXPECT_NEAR(ShipPage()->InfoView->width(), tab->width() - ShipPage()->InfoView->x() - 100 / 15, 1);
  EXPECT_NEAR(ShipPage()->DescEdit->geometry().bottom() + 1, tab->height() - 100 / 15, 1);
}

TEST_F(ShipWindowTest, DamagedFileOpensWithItsReport) {
  ships[0][19] = "11";  // the gun counts add up to 7
  data.Write("types/TShips.txt", testdata::TypeFile(30, ships));
  frmText::Default().SetText("");
  Open("types/TShips.txt");
  ASSERT_TRUE(ShipPage());
  EXPECT_EQ(window->CurrentPage(), ShipPage());
  const std::string report = frmText::Default().Text();
  EXPECT_NE(report.find("are probably corrupted."), std::string::npos) << report;
  EXPECT_NE(report.find("Ship index 0, name \"SS_SH_FALCON\":"), std::string::npos) << report;
  EXPECT_NE(report.find("should be 7 and it is 11."), std::string::npos) << report;
  EXPECT_EQ(frmText::Default().windowTitle().toStdString(), "Errors in file data");
  frmText::Default().hide();
  // The file stays editable.
  window->SelectRecord(window->Parser()->FindID("SS_SH_FALCON"));
  EXPECT_EQ(ShipPage()->GunGroupView->topLevelItemCount(), 3);
}

// A turret count raised by hand past its line: the file opens with its report naming
// the ship and its line, the raw view mends the count, and the saved file opens clean.
TEST_F(ShipWindowTest, AShipWhoseCountsDoNotAddUpOpensAndTheRawViewMendsIt) {
  ships[1][53] = "5";  // SS_SH_BARE holds its main cockpit entry alone
  data.Write("types/TShips.txt", testdata::TypeFile(30, ships));
  frmText::Default().SetText("");
  Open("types/TShips.txt");
  ASSERT_TRUE(ShipPage());
  EXPECT_EQ(window->CurrentPage(), ShipPage());
  ASSERT_EQ(window->Parser()->Count(), 3);
  const std::string report = frmText::Default().Text();
  EXPECT_EQ(frmText::Default().windowTitle().toStdString(), "Errors in file data");
  const size_t named = report.find("Ship index 1, name \"SS_SH_BARE\":");
  EXPECT_NE(named, std::string::npos) << report;
  EXPECT_NE(report.find("Line 4 of the file is kept as it stands: its line ends after 69 values, within the 5 "
                        "turret entries that field 53 counts.",
                        named),
            std::string::npos)
      << report;
  EXPECT_EQ(report.find("SS_SH_FALCON"), std::string::npos) << report;
  frmText::Default().hide();
  // The other ships show as ever; the damaged one shows too.
  window->SelectRecord(window->Parser()->FindID("SS_SH_FALCON"));
  EXPECT_EQ(ShipPage()->TurView->topLevelItemCount(), 4);
  TXTObjectRef bare = window->Parser()->FindID("SS_SH_BARE");
  window->SelectRecord(bare);
  EXPECT_EQ(ShipPage()->CurrentShip()->Object, bare);

  // The raw view mends field 53.
  window->ObjectDataView->setCurrentItem(window->ObjectDataView->topLevelItem(53));
  WhenShown<frmEdit>([](frmEdit& d) {
    d.cmbValue->setEditText("1");
    d.OK();
  });
  window->EditRawData();
  EXPECT_EQ(kz::CLng(bare->Value(53)), 1);
  const std::filesystem::path file = data.Root() / "types/TShips.txt";
  ui_->PushFile(file.string(), 1);
  ui_->PushMsgBox(platform::vbYes);
  ASSERT_TRUE(window->SaveTFile()) << LastMsg();

  // Opened again: no report, and the ship's turret entry is there.
  window->Parser()->FileName.clear();
  delete window.data();
  frmText::Default().SetText("");
  Open("types/TShips.txt");
  EXPECT_EQ(frmText::Default().Text(), "");
  EXPECT_FALSE(frmText::Default().isVisible());
  window->SelectRecord(window->Parser()->FindID("SS_SH_BARE"));
  EXPECT_EQ(ShipPage()->TurView->topLevelItemCount(), 1);
  std::string mended;
  for (const auto& v : shipdata::Ship("SS_SH_BARE", {}, {}, {{30, "0"}})) mended += v + ";";
  EXPECT_NE(Bytes(file).find("\r\n" + mended + "\r\n"), std::string::npos);
}

TEST_F(ShipPageTest, PickListEntriesWithEqualTextsKeepTheirCodes) {
  // Two shields of one name: choosing the second stores its own position.
  data.Write("types/TShields.txt",
             testdata::TypeFile(25, {testdata::Record(21, {"s", "0", "0", "0", "0", "0", "1201"}, "SS_SHIELD_A"),
                                     testdata::Record(21, {"s", "0", "0", "0", "0", "0", "1201"}, "SS_SHIELD_B")}));
  MakePage();
  Show("SS_SH_FALCON");
  TXTObjectRef falcon = Rec("SS_SH_FALCON");
  ASSERT_EQ(kz::CLng(falcon->Value(22)), 0);
  WhenShown<frmEdit>([](frmEdit& d) {
    ASSERT_EQ(d.cmbValue->count(), 2);
    EXPECT_EQ(d.cmbValue->itemText(0), d.cmbValue->itemText(1));
    d.cmbValue->setCurrentIndex(1);
    d.OK();
  });
  EXPECT_TRUE(page->EditField(22));
  EXPECT_EQ(kz::CLng(falcon->Value(22)), 1);
  EXPECT_FALSE(falcon->Value(22).IsString());
  // And back to the first one.
  WhenShown<frmEdit>([](frmEdit& d) {
    d.cmbValue->setCurrentIndex(0);
    d.OK();
  });
  EXPECT_TRUE(page->EditField(22));
  EXPECT_EQ(kz::CLng(falcon->Value(22)), 0);
}

TEST_F(ShipWindowTest, ExportsThroughTheWindowsDialog) {
  Open("types/TShips.txt");
  ASSERT_TRUE(ShipPage());
  const std::filesystem::path table = data.Root() / "ships_table.txt";
  {
    std::ofstream old(table, std::ios::binary);
    old << std::string(10000, 'z');
  }
  // Table: replaces the longer old file; the overwrite question answered Yes.
  ui_->PushFile(table.string(), 1);
  ui_->PushMsgBox(platform::vbYes);
  EXPECT_FALSE(window->ExportData());
  const platform::UiCall* save = ui_->Last("ShowSave");
  ASSERT_TRUE(save);
  EXPECT_EQ(save->File.Title, "Export TShips");
  EXPECT_EQ(save->File.Filter, "Semicolon delimeted file (*.txt)|*.txt|Record structure (*.txt)|*.txt");
  std::string text = Bytes(table);
  EXPECT_EQ(text.rfind("TShips file " + (data.Root() / "types/TShips.txt").string(), 0), 0u) << text.substr(0, 100);
  EXPECT_NE(text.find("\r\nIndex;Name;Race;Class;"), std::string::npos);
  EXPECT_NE(text.find("\r\n0;Falcon Raider;Brenn;Fighter;50.00;75.00;5;0;5.000;300;1500;2;1000;2;40;0;\r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("zzz"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 3);

  // Record structure of the shown ship.
  window->SelectRecord(window->Parser()->FindID("SS_SH_BARE"));
  const std::filesystem::path structure = data.Root() / "ship_structure.txt";
  ui_->PushFile(structure.string(), 2);
  window->ExportData();
  text = Bytes(structure);
  EXPECT_EQ(text.rfind("0: Body file: ships\\body\r\n", 0), 0u) << text.substr(0, 60);
  EXPECT_NE(text.find("\r\n53: Turret count: 1\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n58: Gun groups count: 0\r\n"), std::string::npos);

  // Cancelled: nothing, no message.
  const size_t boxes = ui_->Calls("MsgBox").size();
  ui_->PushFileCancel();
  window->ExportData();
  EXPECT_EQ(ui_->Calls("MsgBox").size(), boxes);

  // A name the writer refuses: the message names the ship, the old file stays.
  window->Parser()->FindID("SS_SH_BARE")->SetObjectName("SS_SH_\xe4\xb8\xad");
  const std::string kept = Bytes(table);
  ui_->PushFile(table.string(), 1);
  ui_->PushMsgBox(platform::vbYes);
  window->ExportData();
  EXPECT_EQ(LastMsg().rfind("Error in Export file: Ship index 1, name \"SS_SH_", 0), 0u) << LastMsg();
  EXPECT_EQ(ui_->Last("MsgBox")->Flags & platform::vbCritical, platform::vbCritical);
  EXPECT_EQ(Bytes(table), kept);
}

// The export proposes a file of its own beside the ship file, and never writes onto a
// file that an editor window has open: the ship file by any spelling or link, or the
// file of another window. The refusal comes before the overwrite question.
TEST_F(ShipWindowTest, ExportNeverWritesOntoAFileOpenInAnEditorWindow) {
  kz::ClearEditorFileReaders();
  kz::AddEditorFileReader(frmTXTEditor::OpenFileOf);
  Open("types/TShips.txt");
  ASSERT_TRUE(ShipPage());
  const std::filesystem::path root = data.Root();
  const std::string shipFile = (root / "types/TShips.txt").string();
  const std::string shipBytes = Bytes(shipFile);
  std::filesystem::create_symlink(root / "types/TShips.txt", root / "ships-link.txt");
  QPointer<frmTXTEditor> other = new frmTXTEditor;
  other->setAttribute(Qt::WA_DeleteOnClose, false);
  other->OpenFile((root / "types/TLaser.txt").string());
  const std::string laserBytes = Bytes(root / "types/TLaser.txt");

  // The proposal: "<file name>_export.txt" in the ship file's folder.
  ui_->PushFile((root / "types/TShips_export.txt").string(), 1);
  window->ExportData();
  ASSERT_TRUE(ui_->Last("ShowSave"));
  EXPECT_EQ(ui_->Last("ShowSave")->File.FileName, (root / "types/TShips_export.txt").string());
  EXPECT_EQ(Bytes(root / "types/TShips_export.txt").rfind("TShips file ", 0), 0u);

  for (const std::string& target : {shipFile, (root / "TYPES/tships.TXT").string(), (root / "ships-link.txt").string(),
                                    (root / "types/TLaser.txt").string()}) {
    SCOPED_TRACE(target);
    for (int32_t filter : {1, 2}) {
      ui_->ClearCalls();
      ui_->PushFile(target, filter);
      ui_->PushMsgBox(platform::vbYes);  // the overwrite question, should it come
      EXPECT_FALSE(window->ExportData());
      const auto boxes = ui_->Calls("MsgBox");
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].Text.rfind("Cannot export to " + target + ":", 0), 0u) << boxes[0].Text;
      EXPECT_NE(boxes[0].Text.find("is open in an editor window"), std::string::npos) << boxes[0].Text;
      EXPECT_EQ(boxes[0].Flags & platform::vbExclamation, platform::vbExclamation);
    }
  }
  EXPECT_EQ(Bytes(shipFile), shipBytes);
  EXPECT_EQ(Bytes(root / "types/TLaser.txt"), laserBytes);
  EXPECT_TRUE(std::filesystem::is_symlink(root / "ships-link.txt"));
  EXPECT_FALSE(window->Parser()->CheckDirty());

  // Once the other window is closed its file is free again.
  if (other->Parser()) other->Parser()->FileName.clear();
  delete other.data();
  ui_->PushFile((root / "types/TLaser.txt").string(), 1);
  ui_->PushMsgBox(platform::vbYes);
  window->ExportData();
  EXPECT_EQ(Bytes(root / "types/TLaser.txt").rfind("TShips file ", 0), 0u);
  kz::ClearEditorFileReaders();
}

TEST_F(ShipWindowTest, CopyPasteAndNewRecordsGoThroughThePage) {
  Open("types/TShips.txt");
  ASSERT_TRUE(ShipPage());
  window->SelectRecord(window->Parser()->FindID("SS_SH_FALCON"));
  window->CopySelected();
  ui_->PushMsgBox(platform::vbNo);  // at the end, not before the selected record
  window->PasteRecord();
  ASSERT_EQ(window->Parser()->Count(), 4);
  TXTObjectRef pasted = window->Parser()->FindIndex(3);
  EXPECT_EQ(pasted->ObjectName(), "NEW_OBJECT_1");  // the copied ID is taken
  EXPECT_EQ(window->SelectedRecord(), pasted);
  // The pasted ship has its own turrets and guns, built from the copied values.
  EXPECT_EQ(ShipPage()->CurrentShip()->Object, pasted);
  EXPECT_EQ(ShipPage()->TurView->topLevelItemCount(), 4);
  EXPECT_EQ(ShipPage()->GunGroupView->topLevelItemCount(), 3);
  std::string report;
  EXPECT_TRUE(ShipPage()->Validate(report)) << report;

  // A new record: an empty ship of 65 values with a name of its own.
  ui_->PushMsgBox(platform::vbNo);
  window->AddRecord();
  ASSERT_EQ(window->Parser()->Count(), 5);
  TXTObjectRef fresh = window->Parser()->FindIndex(4);
  EXPECT_EQ(fresh->size(), 65);
  EXPECT_EQ(fresh->ObjectName(), "NEW_OBJECT_2");
  EXPECT_EQ(ShipPage()->CurrentShip()->Object, fresh);
  EXPECT_EQ(ShipPage()->TurView->topLevelItemCount(), 0);
  // Deleting it goes through the page as well.
  ui_->PushMsgBox(platform::vbYes);
  EXPECT_TRUE(window->DeleteObj(fresh));
  EXPECT_FALSE(ShipPage()->Ships()->Find(fresh->id));
}

TEST_F(ShipWindowTest, EditsSurviveSaveAndReopen) {
  Open("types/TShips.txt");
  ASSERT_TRUE(ShipPage());
  ucShip* page = ShipPage();
  window->SelectRecord(window->Parser()->FindID("SS_SH_FALCON"));
  // A laser, a turret with its descriptor and a gun on the new turret's group.
  SelectRow(page->AvailLasView, 0);  // position 1
  page->AddLaser();
  WhenShown<frmTurretEdit>([](frmTurretEdit& d) {
    d.PathEdit->setText("44");
    d.BodyIDEdit->setText("turret_back");
    d.cmbPosition->setEditText("rear");
    d.cmbTType->setCurrentIndex(1);
    d.OK();
  });
  page->AddTurret();
  page->SelectGunGroup(page->GunGroupView->topLevelItem(page->GunGroupView->topLevelItemCount() - 1));
  WhenShown<frmGunEdit>([](frmGunEdit& d) {
    d.CountEdit->setText("2");
    d.BodyIdEdit[0]->setText("lasers\\back");
    d.PathIdxEdit[0]->setText("5");
    d.OK();
  });
  page->AddGun();
  EXPECT_NE(window->windowTitle().toStdString().find(" *"), std::string::npos);

  const std::string path = (data.Root() / "types/TShips.txt").string();
  ui_->PushFile(path, 1);
  ui_->PushMsgBox(platform::vbYes);
  ASSERT_TRUE(window->SaveTFile()) << LastMsg();

  // Read back: the same ship with its new turret, group and gun, every other ship as it was.
  auto again = std::make_shared<clsTxtParser>();
  int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  ASSERT_TRUE(again->Load(h, 1)) << again->GetLastError();
  RuDU_CloseFile(h);
  ASSERT_EQ(again->Count(), 3);
  TXTObjectPtr falcon = again->FindID("SS_SH_FALCON");
  EXPECT_EQ(kz::CLng(falcon->Value(18)), 7);
  EXPECT_EQ(kz::CLng(falcon->Value(53)), 5);
  EXPECT_EQ(kz::CLng(falcon->Value(37)), 1);
  EXPECT_EQ(kz::CLng(falcon->Value(38)), 2);
  EXPECT_EQ(kz::CLng(falcon->Value(19)), 9);
  clsShipParser ships;
  ASSERT_TRUE(ships.Load(*again)) << ships.GetLastError();
  std::string report;
  EXPECT_TRUE(shippage::ValidationReport(ships, report)) << report;
  ShipPtr ship = ships.Find(falcon->id);
  ASSERT_EQ(ship->GunGroups.Count(), 4);
  GunGroupPtr last = ship->GunGroups.Item(4);
  EXPECT_EQ(last->SortIndex(), 5);
  ASSERT_EQ(last->Guns.Count(), 1);
  EXPECT_EQ(kz::CStr(last->Guns.Item(1)->Value(2)), "lasers\\back");
  for (const char* id : {"SS_SH_BARE", "SS_SH_FULL"}) {
    TXTObjectPtr before = window->Parser()->FindID(id);
    EXPECT_EQ(again->FindID(id)->GetObjectTData(), before->GetObjectTData()) << id;
  }
}
