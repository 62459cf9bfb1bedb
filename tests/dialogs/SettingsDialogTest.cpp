// The settings dialog: filling, the dependency rules, check-then-store on OK, and what
// OK reloads.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include "DialogsFixture.h"
#include "core/AppError.h"
#include "core/KzConst.h"
#include "shell/Settings.h"

namespace {

using dialogs_test::DialogsTest;

class SettingsDialogTest : public DialogsTest {
 protected:
  void SetUp() override {
    DialogsTest::SetUp();
    mdlKzConst::InitArrays();
    Settings->SetDataRoot("/games/kz/data");
    Settings->SetKzEXEPath("/games/kz/kz");
    Settings->SetDescLangID(44);
    Settings->SetLoadDescriptions(true);
  }
  // A dialog filled from the settings, whose reloads are recorded.
  std::unique_ptr<frmSettings> Open() {
    auto d = std::make_unique<frmSettings>();
    d->actions.ReloadGameData = [this](QWidget*) {
      calls.push_back("reload " + Settings->DataRoot());
      if (failReload) throw kz::AppError(kz::kErrDataLoad, "LoadKzData", "(Creating VFS): no such folder");
    };
    d->actions.LoadDescriptions = [this](int32_t lang, std::string& error) {
      calls.push_back("load " + std::to_string(lang));
      if (failLoad) error = "no text files for language " + std::to_string(lang);
      return !failLoad;
    };
    d->actions.UnloadDescriptions = [this] { calls.push_back("unload"); };
    d->Fill();
    return d;
  }
  std::vector<std::string> calls;
  bool failReload = false;
  bool failLoad = false;
};

TEST_F(SettingsDialogTest, FillsTheControlsFromTheSettings) {
  Settings->SetUseDirectDraw(false);
  Settings->SetUseDoubleBuffer(false);
  Settings->SetExt3DViewerPath("/opt/v");
  auto d = Open();
  EXPECT_EQ(d->windowTitle(), "Settings");
  EXPECT_EQ(d->JvPathEdit->text(), "/games/kz/kz");
  EXPECT_EQ(d->DataDir->text(), "/games/kz/data");
  EXPECT_EQ(d->Ext3DViewerEdit->text(), "/opt/v");
  EXPECT_EQ(d->Ext3DViewerCmdLineEdit->text(), "\"%1\" \"%2\"");
  ASSERT_EQ(d->cmbLangID->count(), 3);
  EXPECT_EQ(d->cmbLangID->itemText(0), "44 - English");
  EXPECT_EQ(d->cmbLangID->itemText(1), "49 - German");
  EXPECT_EQ(d->cmbLangID->itemData(2).toInt(), 33);
  EXPECT_EQ(d->cmbLangID->currentIndex(), 0);
  EXPECT_TRUE(d->cmbLangID->isEnabled());
  EXPECT_FALSE(d->chkUseDBuf->isChecked());
  EXPECT_TRUE(d->chkUseDBuf->isEnabled());
  EXPECT_EQ(d->MainTab->tabText(2), "3D Viewer");

  // Checking DirectDraw forces double buffering on and greys it; unchecking keeps it on.
  d->chkUseDD->click();
  EXPECT_TRUE(d->chkUseDBuf->isChecked());
  EXPECT_FALSE(d->chkUseDBuf->isEnabled());
  d->chkUseDD->click();
  EXPECT_TRUE(d->chkUseDBuf->isChecked());
  EXPECT_TRUE(d->chkUseDBuf->isEnabled());
  d->chkLoadDesc->click();
  EXPECT_FALSE(d->cmbLangID->isEnabled());
}

TEST_F(SettingsDialogTest, ATypedLanguageIsStoredAndShownAgainAsText) {
  auto d = Open();
  d->cmbLangID->setEditText("39");
  d->PressOK();
  EXPECT_EQ(d->ModalResult, 1);
  EXPECT_EQ(Settings->DescLangID(), 39);
  EXPECT_EQ(calls, (std::vector<std::string>{"load 39"}));

  auto again = Open();
  EXPECT_EQ(again->cmbLangID->currentIndex(), -1);
  EXPECT_EQ(again->cmbLangID->currentText(), "39");
}

TEST_F(SettingsDialogTest, ARefusedLanguageStoresNothing) {
  struct Case {
    const char* text;
    bool invalidValueBox;
  } cases[] = {{"abc", true}, {"4.5", true}, {"3000000000", false}, {"0", false}};
  for (const Case& c : cases) {
    ui_->ClearCalls();
    auto d = Open();
    d->JvPathEdit->setText("/changed/kz");
    d->DataDir->setText("/changed/data");
    d->chkUseDD->setChecked(false);
    d->cmbLangID->setEditText(c.text);
    d->PressOK();
    EXPECT_EQ(d->ModalResult, 0) << c.text;  // the dialog stays open
    EXPECT_EQ(Settings->KzEXEPath(), "/games/kz/kz") << c.text;
    EXPECT_EQ(Settings->DataRoot(), "/games/kz/data") << c.text;
    EXPECT_TRUE(Settings->UseDirectDraw()) << c.text;
    EXPECT_EQ(Settings->DescLangID(), 44) << c.text;
    ASSERT_EQ(Boxes().size(), 1u) << c.text;
    EXPECT_EQ(Boxes()[0].Flags & 0x70, platform::vbExclamation);
    if (c.invalidValueBox) {
      EXPECT_EQ(Boxes()[0].Text, "Lang ID: Entered value is incorrect. It must be whole number.");
    } else {
      EXPECT_NE(Boxes()[0].Text.find("out of range"), std::string::npos) << Boxes()[0].Text;
    }
  }
  EXPECT_TRUE(calls.empty());
}

TEST_F(SettingsDialogTest, OkReloadsWhatChanged) {
  struct Case {
    const char* what;
    std::string dataDir;
    bool loadDesc;
    int langIndex;
    std::vector<std::string> want;
  } cases[] = {
      {"nothing", "/games/kz/data", true, 0, {}},
      {"letter case of the data folder", "/Games/KZ/data", true, 0, {}},
      // The data reload loads the descriptions itself.
      {"data folder", "/games/other", true, 0, {"reload /games/other"}},
      {"data folder and language", "/games/other", true, 1, {"reload /games/other"}},
      {"language", "/games/kz/data", true, 1, {"load 49"}},
      {"descriptions off", "/games/kz/data", false, 0, {"unload"}},
  };
  for (const Case& c : cases) {
    calls.clear();
    Settings->SetDataRoot("/games/kz/data");
    Settings->SetDescLangID(44);
    Settings->SetLoadDescriptions(true);
    auto d = Open();
    d->DataDir->setText(QString::fromStdString(c.dataDir));
    d->chkLoadDesc->setChecked(c.loadDesc);
    d->cmbLangID->setCurrentIndex(c.langIndex);
    d->PressOK();
    EXPECT_EQ(d->ModalResult, 1) << c.what;
    EXPECT_EQ(calls, c.want) << c.what;
    EXPECT_EQ(Settings->DataRoot(), c.dataDir) << c.what;
  }
  // Descriptions on again with the same language: loaded.
  calls.clear();
  Settings->SetLoadDescriptions(false);
  auto d = Open();
  d->chkLoadDesc->setChecked(true);
  d->PressOK();
  EXPECT_EQ(calls, (std::vector<std::string>{"load 44"}));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(SettingsDialogTest, AFailedDataFolderChangeShowsOneMessage) {
  failReload = true;
  failLoad = true;
  auto d = Open();
  d->DataDir->setText("/nowhere");
  d->PressOK();
  EXPECT_EQ(d->ModalResult, 1);
  EXPECT_EQ(calls, (std::vector<std::string>{"reload /nowhere"}));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Text, "Error loading game data: (Creating VFS): no such folder");
  EXPECT_EQ(Boxes()[0].Flags & 0x70, platform::vbCritical);

  // The program's own reload says when the folder is not there, and keeps what was
  // loaded; the box belongs to the window that opened the dialog.
  calls.clear();
  ui_->ClearCalls();
  QWidget launcher;
  frmSettings real;
  real.actions.LoadDescriptions = d->actions.LoadDescriptions;
  real.ShowSettings(false, &launcher);
  real.DataDir->setText("/nowhere/at/all");
  real.PressOK();
  EXPECT_TRUE(calls.empty());
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Text, "Error loading game data: The data folder \"/nowhere/at/all\" does not exist.");
  EXPECT_EQ(Boxes()[0].Owner, static_cast<void*>(&launcher));
}

TEST_F(SettingsDialogTest, CancelStoresNothingAndBrowsingKeepsTheTextOnCancel) {
  auto d = Open();
  d->JvPathEdit->setText("/x");
  d->PressCancel();
  EXPECT_EQ(d->ModalResult, 2);
  EXPECT_EQ(Settings->KzEXEPath(), "/games/kz/kz");

  auto e = Open();
  ui_->PushFileCancel();
  e->BrowseProgram(e->EditorEdit);
  EXPECT_EQ(e->EditorEdit->text(), "");
  ASSERT_NE(ui_->Last("ShowOpen"), nullptr);
  EXPECT_EQ(ui_->Last("ShowOpen")->File.Filter, "Executable Files (*.exe)|*.exe|All Files (*.*)|*.*");
  ui_->PushFile("/opt/tools/editor", 2);
  e->BrowseProgram(e->EditorEdit);
  EXPECT_EQ(e->EditorEdit->text(), "/opt/tools/editor");
  ui_->PushFolder("/games/new");
  e->BrowseDataDir();
  EXPECT_EQ(e->DataDir->text(), "/games/new");
  ASSERT_NE(ui_->Last("BrowseForFolder"), nullptr);
  EXPECT_EQ(ui_->Last("BrowseForFolder")->Title, "Select directory containing game data files.");
  ui_->PushFolder("");
  e->BrowseDataDir();
  EXPECT_EQ(e->DataDir->text(), "/games/new");
  e->PressHelp();
  ASSERT_EQ(starter_->documents.size(), 1u);
  EXPECT_NE(starter_->documents[0].find("settings.html"), std::string::npos);
}

TEST_F(SettingsDialogTest, ItsBoxesBelongToIt) {
  auto d = Open();
  d->cmbLangID->setEditText("abc");
  d->PressOK();
  starter_->answer = false;  // the help viewer does not start
  d->PressHelp();
  ui_->PushFolder("");
  d->BrowseDataDir();
  const auto calls = ui_->Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].Text, "Lang ID: Entered value is incorrect. It must be whole number.");
  EXPECT_NE(calls[1].Text.find("Cannot open the help page"), std::string::npos) << calls[1].Text;
  EXPECT_EQ(calls[2].Kind, "BrowseForFolder");
  for (const auto& c : calls) EXPECT_EQ(c.Owner, static_cast<void*>(d.get())) << c.Kind << " " << c.Text;
}

TEST_F(SettingsDialogTest, TheDescriptionsFrameIsCaptionedOnceByItsCheckBox) {
  auto d = Open();
  int captions = 0;
  for (QWidget* w : d->findChildren<QWidget*>()) {
    QString text;
    if (auto* box = qobject_cast<QGroupBox*>(w)) text = box->title();
    else if (auto* check = qobject_cast<QAbstractButton*>(w)) text = check->text();
    else if (auto* label = qobject_cast<QLabel*>(w)) text = label->text();
    if (text.trimmed() == "Load object descriptions") ++captions;
  }
  EXPECT_EQ(captions, 1);
  EXPECT_EQ(d->chkLoadDesc->text(), "Load object descriptions");
  EXPECT_EQ(d->chkLoadDesc->parentWidget(), d->fraDesc);
}

}  // namespace
