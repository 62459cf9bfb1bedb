#include <QCheckBox>

#include <fstream>
#include <iterator>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "JobFixture.h"
#include "tests/common/ErrorOf.h"
#include "txteditor/TXTEditor.h"
#include "wareeditors/Job.h"
#include "wareeditors/WareListViewer.h"

using testdata::TreXml;

namespace {

std::vector<QString> Column(QTreeWidget* view, int column) {
  std::vector<QString> out;
  for (int i = 0; i < view->topLevelItemCount(); ++i) out.push_back(view->topLevelItem(i)->text(column));
  return out;
}

int Px(const QWidget* w, int twips) { return twips * w->logicalDpiX() / 1440; }

}  // namespace

class JobPageTest : public PagesTest {
 protected:
  void SetUp() override {
    PagesTest::SetUp();
    data.Write("types/TShips.txt", "// ships\r\n30;2;\r\n" + ShipLine(1, 3100, 0, "SS_SH_A") + ShipLine(2, 0, 2, "SS_SH_B"));
    data.Write("types/JobWings.txt", JobWingsText({{1, 2, 99, 1}, {5, 2}}));
    data.Write("types/WareLists.txt", WareListsText({{"SS_WARE_A"}, {"SS_WARE_A", "SS_WARE_B"}}));
    data.Write("types/TWareB.txt", testdata::TypeFile(5, {testdata::Record(17, {"b", "0", "0", "0", "0", "0", "2002"}, "SS_WARE_A")}));
    data.Write("t/440001.xml", TreXml(44, {{17, {{3100, "Mercury"}, {2002, "Ore"}, {2001, "Merchant Star"},
                                                 {10000, "Basic"}, {10002, "Vanguard"}, {10020, "Mk.II"}}},
                                           {1000, {{3001, "Traders"}, {3002, "Patrol"}}}}));
    std::vector<std::string> a = LogicalJob(1, "Traders", 3001), b = LogicalJob(2, "Patrol", 3002);
    a[13] = "1";
    a[14] = "1";
    a[18] = "SS_SH_B";
    a[8] = "2001";
    a[9] = a[12] = "1";
    a[21] = a[30] = a[40] = a[54] = "1";  // M3, Skarn, variant 2, variant 16
    a[55] = "120";
    a[58] = a[64] = a[67] = a[78 + 2] = a[86] = a[110] = "1";
    a[65] = "4";
    a[66] = "7";
    a[72] = "50";
    a[88] = "2";
    a[90] = a[91] = a[96] = "1";
    a[106] = "3";
    a[117] = "1";  // Civilian
    b[13] = "5";
    b[14] = "0";
    b[37] = "1";  // Kessai
    files = {{10, 120, {a, b}}, {9, 119, {a, b}}, {8, 117, {a, b}}};
    for (const File& f : files)
      data.Write("types/Jobs" + std::to_string(f.version) + ".txt", JobsText(f.version, f.size, f.jobs));
    Mount();
    page = std::make_unique<ucJob>();
    page->resize(900, 700);
  }
  void TearDown() override {
    page.reset();
    PagesTest::TearDown();
  }

  TxtParserRef Jobs(int version) {
    TxtParserRef jobs = Archive->GetFile("Jobs" + std::to_string(version));
    EXPECT_TRUE(jobs) << Archive->GetLastError();
    return jobs;
  }
  TxtParserRef InitWith(int version) {
    TxtParserRef jobs = Jobs(version);
    TxtParserRef p = jobs;
    EXPECT_TRUE(page->Init(p));
    return jobs;
  }
  void Show(const TXTObjectRef& record) {
    TXTObjectRef r = record;
    int32_t t = 19;
    page->ShowObject(r, t);
  }

  struct File {
    int version;
    int size;
    std::vector<std::vector<std::string>> jobs;
  };
  std::vector<File> files;
  std::unique_ptr<ucJob> page;
};

TEST_F(JobPageTest, HostMembersAndCreatedRecordsOfEveryVersion) {
  TxtParserRef jobs = InitWith(10);
  int32_t t = 19, other = 21;
  EXPECT_TRUE(page->JvQueryInterfaceEx(t));
  EXPECT_FALSE(page->JvQueryInterfaceEx(other));
  EXPECT_EQ(page->PageName(t), "Job info");
  EXPECT_EQ(page->PageName(other), "");
  EXPECT_EQ(page->ObjectTypeName(t), "Jobs v.10");
  EXPECT_EQ(page->JvQueryInfo(t), 1);
  EXPECT_FALSE(page->ReadOnly());
  TXTObjectRef first = jobs->FindIndex(0);
  EXPECT_EQ(page->ObjectName(first), "1 - Traders");
  EXPECT_EQ(page->GetResourceName(first), "1 - Merchant Star");
  int32_t i = 4;
  EXPECT_EQ(page->JvGetValueType(first, i), 2);
  std::string text = "x";
  EXPECT_FALSE(page->JvTranslateValue(first, i, text, true));
  EXPECT_EQ(text, "x");
  kz::Variant v;
  EXPECT_EQ(kztest::ErrorOf([&] { page->JvTranslateValueBack(first, "1", i, v); }), kz::kErrNotSupported);
  EXPECT_EQ(kztest::ErrorOf([&] { page->JvGetPropertyValues(first, i); }), kz::kErrNotSupported);
  EXPECT_EQ(kztest::ErrorOf([&] { page->KzExportData(nullptr); }), kz::kErrNotSupported);

  for (const File& f : files) {
    TxtParserRef file = InitWith(f.version);
    TxtParserRef p = file;
    TXTObjectRef made = page->CreateObject(t, p, file->FindIndex(1));
    ASSERT_TRUE(made) << f.version;
    EXPECT_EQ(made->size(), f.size);
    EXPECT_EQ(made->ObjectName(), "0");
    EXPECT_EQ(made->index, 1) << "placed before the given record";
    EXPECT_EQ(file->Count(), 3);
    page->JvAssignUniqueObjectName(made);
    EXPECT_EQ(page->ObjectName(made), "3 - NEW JOB");
    EXPECT_EQ(page->CreateObject(other, p, nullptr), nullptr);
    EXPECT_TRUE(page->RemoveObject(made));
    EXPECT_EQ(file->Count(), 2);
  }
}

TEST_F(JobPageTest, UnknownVersionsAndExhaustedIDs) {
  // The reader refuses jobs files of other versions, so a page can meet one only in
  // a parser that read none (version 0); the text names the version.
  TxtParserRef none = std::make_shared<clsTxtParser>();
  page->Init(none);
  int32_t type = 19;
  EXPECT_EQ(page->CreateObject(type, none, nullptr), nullptr);
  EXPECT_EQ(page->GetLastError(), "Unkown object size for Job version 0");
  EXPECT_EQ(none->Count(), 0);

  TxtParserRef jobs = InitWith(9);
  jobs->FindIndex(1)->SetValue(0, kz::Variant(int32_t(2147483647)));
  int32_t t = 19;
  TxtParserRef p = jobs;
  TXTObjectRef made = page->CreateObject(t, p, nullptr);
  ASSERT_TRUE(made);
  EXPECT_EQ(kztest::ErrorOf([&] { page->JvAssignUniqueObjectName(made); }), kz::kErrOverflow);
  EXPECT_NE(page->GetLastError().find("2147483647"), std::string::npos);
  EXPECT_EQ(jobs->Count(), 2) << "the new record without an ID is not kept";
}

TEST_F(JobPageTest, TheOldFileWarningOncePerInit) {
  TxtParserRef jobs = InitWith(9);
  Show(jobs->FindIndex(0));
  Show(jobs->FindIndex(1));
  ASSERT_EQ(MsgTexts().size(), 1u);
  EXPECT_EQ(MsgTexts()[0],
            "Warning - this is old Job file (ver. 9)\r\n\r\nIt's possible that not all user controls will behave correctly.");
  EXPECT_EQ(ui_->Last("MsgBox")->Flags, platform::vbExclamation);
  TxtParserRef p = jobs;
  page->Init(p);
  Show(jobs->FindIndex(0));
  EXPECT_EQ(MsgTexts().size(), 2u);
  TxtParserRef newest = InitWith(10);
  Show(newest->FindIndex(0));
  EXPECT_EQ(MsgTexts().size(), 2u) << "no warning for the newest layout";
}

TEST_F(JobPageTest, EveryTabShowsTheRecord) {
  TxtParserRef jobs = InitWith(10);
  EXPECT_EQ(page->MainTab->count(), 6);
  EXPECT_EQ(page->MainTab->tabText(3), "Weapons && Equipment");
  EXPECT_EQ(page->chkShipVariant[2]->text(), "Vanguard");
  EXPECT_EQ(page->chkShipVariant[16]->text(), "Mk.II");
  EXPECT_EQ(page->chkShipVariant[1]->text(), "[string 17:10001]");
  ASSERT_EQ(page->cmbShipTypeID->count(), 3);
  EXPECT_EQ(page->cmbShipTypeID->itemText(0), "[empty]");
  EXPECT_EQ(page->cmbShipTypeID->itemText(1), "Aurel Mercury (SS_SH_A)");
  EXPECT_EQ(page->cmbShipTypeID->itemText(2), "Brenn Vanguard (SS_SH_B)");

  Show(jobs->FindIndex(0));
  // Info.
  EXPECT_EQ(Column(page->PropView, 0),
            (std::vector<QString>{"ID", "Name", "Description text", "Description", "Script function file",
                                  "Script config file", "Max # of jobs", "Max # of jobs in sector", "Job wings group ID",
                                  "Warelist ID", "Jump range", "Idle rate", "Respawn time", "Color - Hue",
                                  "Color - Saturation", "Chance random race", "NPC ID", "Reserved"}));
  EXPECT_EQ(page->PropView->topLevelItem(2)->text(1), "Traders");
  EXPECT_EQ(page->PropView->topLevelItem(13)->text(1), "120");
  EXPECT_EQ(page->PropView->topLevelItem(13)->text(2), "55");
  // Ship type.
  EXPECT_EQ(page->ShipNameIDEdit->text(), "2001");
  EXPECT_EQ(page->lblShipName->text(), "Merchant Star");
  EXPECT_TRUE(page->chkShipNameFlags[0]->isChecked());
  EXPECT_TRUE(page->chkShipNameFlags[3]->isChecked());
  EXPECT_EQ(page->cmbShipTypeID->currentIndex(), 2);
  EXPECT_TRUE(page->chkShipClass[2]->isChecked());
  EXPECT_FALSE(page->chkShipClass[2]->isEnabled()) << "a ship is chosen";
  EXPECT_TRUE(page->chkShipRace[2]->isChecked());
  EXPECT_TRUE(page->chkShipVariant[2]->isChecked());
  EXPECT_TRUE(page->chkShipVariant[16]->isChecked());
  EXPECT_TRUE(page->rbShipClassification[2]->isChecked());
  EXPECT_TRUE(page->chkOwnerRace[2]->isChecked());
  EXPECT_TRUE(page->chkOwnerRace[8]->isChecked());
  // Placement.
  EXPECT_TRUE(page->chkSectorFlags[0]->isChecked());
  EXPECT_TRUE(page->chkSectorFlagsInverted->isChecked());
  EXPECT_EQ(page->SectorXEdit->text(), "4");
  EXPECT_EQ(page->SectorYEdit->text(), "7");
  EXPECT_EQ(page->ChanceDockedEdit->text(), "50");
  EXPECT_TRUE(page->chkSectorCreationFlags[0]->isChecked());
  EXPECT_TRUE(page->chkPlacementVarious[0]->isChecked());
  // Weapons and equipment.
  EXPECT_TRUE(page->chkWeaponAllowDrones->isChecked());
  EXPECT_TRUE(page->chkWeaponForbid[0]->isChecked());
  EXPECT_TRUE(page->chkWeaponAllow[0]->isChecked());
  EXPECT_EQ(Column(page->EquipView, 2),
            (std::vector<QString>{"88", "89", "106", "107", "108", "74", "75", "76", "77"}));
  EXPECT_EQ(page->EquipView->topLevelItem(2)->text(0), "Agression level");
  EXPECT_EQ(page->EquipView->topLevelItem(2)->text(1), "3");
  // Wares: list 1 of the file.
  QTreeWidget* wares = page->WareListView->WareView;
  EXPECT_EQ(Column(wares, 0), (std::vector<QString>{"Ore", "SS_WARE_B"}));
  // Wings: wing 1 lists jobs 2, 99 (missing) and 1.
  EXPECT_EQ(Column(page->WingsView, 0), (std::vector<QString>{"2 - Patrol", "99 (not found)", "1 - Traders"}));
  EXPECT_EQ(Column(page->WingsView, 1), (std::vector<QString>{"Patrol", "", "Traders"}));
  EXPECT_EQ(page->WingsView->headerItem()->text(0), "ID");

  // The second job: a wing of its own, list 0, no ship (class boxes enabled).
  Show(jobs->FindIndex(1));
  EXPECT_EQ(page->cmbShipTypeID->currentIndex(), 0);
  EXPECT_TRUE(page->chkShipClass[0]->isEnabled());
  EXPECT_EQ(Column(page->WingsView, 0), (std::vector<QString>{"2 - Patrol"}));
  EXPECT_EQ(Column(wares, 1), (std::vector<QString>{"SS_WARE_A"}));
  EXPECT_FALSE(page->Filling());

  // No record: every tab empties.
  Show(nullptr);
  EXPECT_EQ(page->PropView->topLevelItemCount(), 0);
  EXPECT_EQ(page->EquipView->topLevelItemCount(), 0);
  EXPECT_EQ(page->cmbShipTypeID->currentIndex(), -1);
  EXPECT_FALSE(page->chkShipRace[9]->isChecked());
  EXPECT_EQ(page->SectorXEdit->text(), "");
  EXPECT_EQ(wares->topLevelItemCount(), 0);
  EXPECT_EQ(page->WingsView->topLevelItemCount(), 0);
}

TEST_F(JobPageTest, ValueColumnsShowTheirWidestTextAndTheLastColumnFillsTheList) {
  TxtParserRef jobs = InitWith(10);
  page->resize(1400, 700);
  page->show();
  QApplication::processEvents();
  TXTObjectRef job = jobs->FindIndex(0);
  Show(job);
  // The script file of the Info list, the aggression level of the Equipment list.
  const int script = page->PropView->topLevelItem(4)->text(2).toInt();
  const int equipment = page->EquipView->topLevelItem(2)->text(2).toInt();
  job->SetValue(script, kz::Variant(std::string("!job.generic.trader.with.a.rather.long.script.name")));
  job->SetValue(equipment, kz::Variant(std::string("!job.generic.equipment.with.a.long.text")));
  Show(job);
  ASSERT_GT(static_cast<QAbstractItemView*>(page->PropView)->sizeHintForColumn(1), 150);
  ExpectColumnsFitted(page->PropView);
  page->MainTab->setCurrentIndex(3);
  QApplication::processEvents();
  Show(job);
  ASSERT_GT(static_cast<QAbstractItemView*>(page->EquipView)->sizeHintForColumn(1), 150);
  ExpectColumnsFitted(page->EquipView);
}

TEST_F(JobPageTest, NamesFollowAReloadOfTheTexts) {
  TxtParserRef jobs = InitWith(10);
  TXTObjectRef second = jobs->FindIndex(1);
  EXPECT_EQ(page->GetResourceName(second), "2 - Patrol");
  data.Write("t/440001.xml", TreXml(44, {{1000, {{3002, "Border patrol"}}}}));
  ASSERT_TRUE(DescServer->LoadResources(44));
  EXPECT_EQ(page->GetResourceName(second), "2 - Border patrol");
  DescServer->Unload();
  EXPECT_EQ(page->GetResourceName(second), "2 - Patrol") << "no text: the job's own name";
}

TEST_F(JobPageTest, WingsTabColumns) {
  TxtParserRef jobs = InitWith(10);
  TXTObjectRef job = jobs->FindIndex(1);
  struct Case {
    kz::Variant group;
    std::vector<QString> headers;
  } cases[] = {
      {kz::Variant(int32_t(3)), {"Wing 3 not found"}},
      {kz::Variant("x"), {"Wing x not found"}},
      {kz::Variant(int32_t(0)), {"ID", "Name"}},
  };
  for (const Case& c : cases) {
    job->SetValue(13, c.group);
    Show(job);
    std::vector<QString> headers;
    for (int i = 0; i < page->WingsView->columnCount(); ++i) headers.push_back(page->WingsView->headerItem()->text(i));
    EXPECT_EQ(headers, c.headers) << kz::CStr(c.group);
    EXPECT_EQ(page->WingsView->topLevelItemCount(), 0);
  }
  EXPECT_EQ(page->WingsView->columnWidth(0), Px(page->WingsView, 2000));
  EXPECT_EQ(page->WingsView->columnWidth(1), Px(page->WingsView, 2000));
}

TEST_F(JobPageTest, TextsWhereNumbersBelongDoNotStopTheFill) {
  TxtParserRef jobs = InitWith(10);
  TXTObjectRef job = jobs->FindIndex(0);
  job->SetValue(14, kz::Variant("abc"));
  job->SetValue(6, kz::Variant("desc"));
  job->SetValue(8, kz::Variant("name"));
  Show(job);
  EXPECT_EQ(page->WareListView->WareView->headerItem()->text(0), "Ware list abc not found");
  EXPECT_EQ(page->PropView->topLevelItem(2)->text(1), "") << "no description text";
  EXPECT_EQ(page->lblShipName->text(), "");
  EXPECT_EQ(page->WingsView->topLevelItemCount(), 3) << "the tabs after it are filled";
  EXPECT_EQ(page->GetResourceName(job), "1 - Traders");
}

TEST_F(JobPageTest, FieldsTheLayoutLacksAreDisabledAndNeverWritten) {
  TxtParserRef jobs = InitWith(8);
  TXTObjectRef job = jobs->FindIndex(1);  // Kessai ticked in the newest layout's field 37: not in this file
  Show(job);
  QSignalSpy changed(page.get(), &EditorPage::OnObjectChanged);
  for (QCheckBox* box : {page->chkShipRace[9], page->chkShipVariant[16], page->chkOwnerRace[8]}) {
    EXPECT_FALSE(box->isEnabled()) << box->objectName().toStdString();
    EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
  }
  const std::vector<kz::Variant> before = job->Values();
  // Even a box made clickable writes nothing there.
  page->chkShipVariant[16]->setEnabled(true);
  page->chkShipVariant[16]->click();
  page->chkShipRace[9]->setEnabled(true);
  page->chkShipRace[9]->click();
  EXPECT_EQ(changed.count(), 0);
  const std::vector<kz::Variant> after = job->Values();
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) EXPECT_TRUE(kz::VariantEquals(after[i], before[i])) << i;
  EXPECT_FALSE(job->Dirty);

  // Neighbouring boxes write their own fields: one event each.
  page->chkShipRace[8]->click();  // logical 36
  EXPECT_EQ(kz::CLng(job->Value(36)), 1);
  page->chkShipVariant[0]->click();  // logical 38 at 37
  EXPECT_EQ(kz::CLng(job->Value(37)), 1);
  page->chkOwnerRace[9]->click();  // logical 87 at 84
  EXPECT_EQ(kz::CLng(job->Value(84)), 1);
  EXPECT_EQ(changed.count(), 3);

  // The info list has no row for a lacking field, and shows where each field lies.
  Show(job);
  for (QTreeWidgetItem* item : page->PropView->findItems("Color - Hue", Qt::MatchExactly))
    EXPECT_EQ(item->text(2), "53");
}

TEST_F(JobPageTest, TheShipTypeTabShowsOnlyTheCurrentRecord) {
  TxtParserRef newest = InitWith(10);
  Show(newest->FindIndex(0));  // variant 16 and option 2 set
  ASSERT_TRUE(page->chkShipVariant[16]->isChecked());
  ASSERT_TRUE(page->rbShipClassification[2]->isChecked());

  TxtParserRef older = InitWith(9);
  Show(older->FindIndex(1));  // no variant 16 in this layout, no classification
  EXPECT_FALSE(page->chkShipVariant[16]->isChecked());
  EXPECT_FALSE(page->chkShipVariant[16]->isEnabled());
  for (QRadioButton* option : page->rbShipClassification) EXPECT_FALSE(option->isChecked());

  // Back to a newest record: box 16 is live again.
  Show(newest->FindIndex(0));
  EXPECT_TRUE(page->chkShipVariant[16]->isEnabled());
  EXPECT_TRUE(page->chkShipVariant[16]->isChecked());
}

TEST_F(JobPageTest, EditsWriteTheirFieldAndRaiseOneEvent) {
  TxtParserRef jobs = InitWith(10);
  TXTObjectRef job = jobs->FindIndex(1);
  Show(job);
  QSignalSpy changed(page.get(), &EditorPage::OnObjectChanged);

  page->chkSectorFlags[3]->click();
  EXPECT_EQ(kz::CLng(job->Value(61)), 1);
  page->chkSectorFlags[3]->click();
  EXPECT_EQ(kz::CLng(job->Value(61)), 0);
  page->chkWeaponAllowDrones->click();
  EXPECT_EQ(kz::CLng(job->Value(90)), 1);
  EXPECT_EQ(changed.count(), 3);

  // The options: one event, all four fields written.
  page->rbShipClassification[1]->click();
  EXPECT_EQ(changed.count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(kz::CLng(job->Value(115 + i)), i == 1 ? 1 : 0);

  // Choosing a ship clears the classes, disables their boxes, one event.
  page->chkShipClass[4]->click();
  ASSERT_EQ(changed.count(), 5);
  page->cmbShipTypeID->setCurrentIndex(1);
  emit page->cmbShipTypeID->activated(1);
  EXPECT_EQ(changed.count(), 6);
  EXPECT_EQ(kz::CStr(job->Value(18)), "SS_SH_A");
  EXPECT_EQ(kz::CLng(job->Value(23)), 0);
  EXPECT_FALSE(page->chkShipClass[4]->isEnabled());
  EXPECT_FALSE(page->chkShipClass[4]->isChecked());
  // "[empty]" writes an empty text.
  page->cmbShipTypeID->setCurrentIndex(0);
  emit page->cmbShipTypeID->activated(0);
  EXPECT_EQ(changed.count(), 7);
  EXPECT_EQ(job->Value(18).Kind(), kz::VariantKind::String);
  EXPECT_EQ(kz::CStr(job->Value(18)), "");
  EXPECT_TRUE(page->chkShipClass[4]->isEnabled());
}

TEST_F(JobPageTest, AFailedFillLeavesNoFillingFlagBehind) {
  TxtParserRef jobs = InitWith(10);
  TXTObjectRef job = jobs->FindIndex(1);
  // A value no list can show makes the fill fail half-way.
  job->SetValue(2, kz::Variant(std::static_pointer_cast<kz::Object>(std::make_shared<clsTxtParser>())));
  TXTObjectRef r = job;
  int32_t t = 19;
  EXPECT_ANY_THROW(page->ShowObject(r, t));
  EXPECT_FALSE(page->Filling());
  job->SetValue(2, kz::Variant(int32_t(5)));
  Show(job);
  QSignalSpy changed(page.get(), &EditorPage::OnObjectChanged);
  page->cmbShipTypeID->setCurrentIndex(2);
  emit page->cmbShipTypeID->activated(2);
  EXPECT_EQ(kz::CStr(job->Value(18)), "SS_SH_B") << "the combo still answers";
  EXPECT_EQ(changed.count(), 1);
}

TEST_F(JobPageTest, ValueDialogEditsTheMappedField) {
  TxtParserRef jobs = InitWith(8);
  TXTObjectRef job = jobs->FindIndex(0);
  Show(job);
  job->otype = 19;
  QSignalSpy changed(page.get(), &EditorPage::OnObjectChanged);

  // Logical 106 of an older record lies at 103; the dialog asks for the caption of 103.
  WhenEditShown([](frmEdit& d) {
    EXPECT_TRUE(d.PropNameEdit->text().startsWith("Unknown value")) << d.PropNameEdit->text().toStdString();
    d.cmbValue->setEditText("9");
    d.OK();
  });
  page->EditField(106);
  EXPECT_EQ(kz::CLng(job->Value(103)), 9);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(page->EquipView->topLevelItem(2)->text(1), "9") << "shown again";

  // Double-click on the sector X box; a cancelled dialog changes nothing.
  WhenEditShown([](frmEdit& d) {
    d.cmbValue->setEditText("12");
    d.OK();
  });
  QTest::mouseDClick(page->SectorXEdit, Qt::LeftButton);
  EXPECT_EQ(kz::CLng(job->Value(63)), 12) << "logical 65 at 63";
  EXPECT_EQ(changed.count(), 2);
  WhenEditShown([](frmEdit& d) { d.Cancel(); });
  page->EditField(66);
  EXPECT_EQ(changed.count(), 2);

  // Enter on the "Description text" row does nothing; on the ID row it edits field 0.
  page->MainTab->setCurrentIndex(0);
  page->show();
  QTreeWidget* v = page->PropView;
  v->setCurrentItem(v->topLevelItem(2));
  v->topLevelItem(2)->setSelected(true);
  QTest::keyClick(v, Qt::Key_Return);
  EXPECT_EQ(changed.count(), 2);
  v->setCurrentItem(v->topLevelItem(0));
  v->topLevelItem(0)->setSelected(true);
  WhenEditShown([](frmEdit& d) {
    d.cmbValue->setEditText("44");
    d.OK();
  });
  QTest::keyClick(v, Qt::Key_Return);
  EXPECT_EQ(kz::CLng(job->Value(0)), 44);
  EXPECT_EQ(changed.count(), 3);
}

TEST_F(JobPageTest, TheEditorWindowCreatesJobsThroughThePage) {
  frmTXTEditor::SetPageFactory(frmTXTEditor::kJobPage, [](QWidget* parent) -> EditorPage* { return new ucJob(parent); });
  frmTXTEditor window;
  window.setAttribute(Qt::WA_DeleteOnClose, false);
  window.MyShow();
  window.OpenFile((data.Root() / "types" / "Jobs9.txt").string());
  auto* jobPage = window.findChild<ucJob*>("JobEdit");
  ASSERT_TRUE(jobPage);
  EXPECT_EQ(window.CurrentPage(), jobPage);
  EXPECT_EQ(window.ObjectView->model()->rowCount(), 2);
  // A new job is "0 - 0"; the next new one clashes with it and is named by the page.
  ui_->PushMsgBox(platform::vbNo);  // at the end
  window.AddRecord();
  ASSERT_EQ(window.Parser()->Count(), 3);
  TXTObjectRef made = window.Parser()->FindIndex(2);
  EXPECT_EQ(made->size(), 119);
  EXPECT_EQ(jobPage->ObjectName(made), "0 - 0");
  ui_->PushMsgBox(platform::vbNo);
  window.AddRecord();
  ASSERT_EQ(window.Parser()->Count(), 4);
  made = window.Parser()->FindIndex(3);
  EXPECT_EQ(kz::CStr(made->Value(0)), "3");
  EXPECT_EQ(kz::CStr(made->Value(1)), "NEW JOB");
  EXPECT_EQ(window.SelectedRecord(), made);
  EXPECT_EQ(jobPage->Shown(), made);
  window.Parser()->FileName.clear();
  frmTXTEditor::SetPageFactory(frmTXTEditor::kJobPage, nullptr);
}


TEST_F(JobPageTest, AnEditOfAnOlderFileIsSavedInItsOwnLayout) {
  frmTXTEditor::SetPageFactory(frmTXTEditor::kJobPage, [](QWidget* parent) -> EditorPage* { return new ucJob(parent); });
  const std::string path = (data.Root() / "types" / "Jobs8.txt").string();
  const std::string before = JobsText(8, 117, files[2].jobs);
  {
    frmTXTEditor window;
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.MyShow();
    window.OpenFile(path);
    auto* jobPage = window.findChild<ucJob*>("JobEdit");
    ASSERT_TRUE(jobPage);
    window.SelectRecord(window.Parser()->FindIndex(1));
    jobPage->chkShipVariant[3]->click();  // logical 41, field 40 of this layout
    ui_->PushFile(path);
    ui_->PushMsgBox(platform::vbYes);  // overwrite
    ASSERT_TRUE(window.SaveTFile());
  }
  std::ifstream in(path, std::ios::binary);
  const std::string after((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(after.size(), before.size());
  std::vector<std::string> second = files[2].jobs[1];
  second[41] = "1";
  EXPECT_EQ(after, JobsText(8, 117, {files[2].jobs[0], second}));
  frmTXTEditor::SetPageFactory(frmTXTEditor::kJobPage, nullptr);
}
