#pragma once
// Fixtures of the type-file editor tests: the Qt application, a scripted dialogs
// service, the settings object, a data folder of generated type files (plain, packed,
// inside a catalog, in the virtual file system) and a small editor page for laser files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/Common.h"
#include "core/Generic.h"
#include "core/LibBindings.h"
#include "core/Settings.h"
#include "platform/Registry.h"
#include "platform/ScriptedUi.h"
#include "tests/common/QtTestKit.h"
#include "rudu.h"
#include "tests/common/TestFolder.h"
#include "txteditor/Edit.h"
#include "txteditor/EditorPage.h"
#include "txteditor/RecordClipboard.h"
#include "txteditor/TXTEditor.h"
#include "zuzer.h"
#include "tests/common/FileBytes.h"

inline QApplication& EditorTestApp() { return kztest::TestApp("txteditor_tests"); }

// A page for laser files (type 3): records of 23 values, a class column, names and
// descriptions; every call is counted so tests see what the window asked.
class FakePage : public EditorPage {
 public:
  int32_t answersType = 3;
  bool initResult = true;
  bool validateResult = true;
  bool removeResult = true;
  bool hasExport = false;
  int32_t info = 1 | 4;
  int initCalls = 0;
  int showCalls = 0;
  int exportCalls = 0;
  int initObjectCalls = 0;
  int uniqueCalls = 0;
  int resourceNameCalls = 0;
  JvFileDialog* exportDialog = nullptr;
  TxtParserRef parser;
  TXTObjectRef shown;

  using EditorPage::EditorPage;

  bool JvQueryInterfaceEx(int32_t& type) override { return type == answersType; }
  std::string GetLastError() override { return "the page cannot use this file"; }
  std::string PageName(int32_t&) override { return "Lasers"; }
  int32_t JvQueryInfo(int32_t&) override { return info; }
  bool Validate(std::string& text) override {
    if (!validateResult) text = "record 2: bad value\r\n";
    return validateResult;
  }
  std::string ObjectTypeName(int32_t&) override { return "Laser"; }
  std::string ObjectName(TXTObjectRef& r) override { return r->ObjectName(); }
  std::string GetResourceName(TXTObjectRef& r) override {
    ++resourceNameCalls;
    // Records whose ID starts with "N" have no resource name.
    std::string id = r->ObjectName();
    return !id.empty() && id[0] == 'N' ? std::string() : "Res " + id;
  }
  std::string GetRace(TXTObjectRef&) override { return ""; }
  std::string GetClass(TXTObjectRef& r) override { return "C" + std::to_string(r->size()); }
  void ShowObject(TXTObjectRef& r, int32_t&) override {
    ++showCalls;
    shown = r;
  }
  TXTObjectRef CreateObject(int32_t&, TxtParserRef& p, TXTObjectRef before) override {
    TXTObjectRef r = p->CreateObject(before);
    r->Construct(23);
    return r;
  }
  void InitObject(TXTObjectRef&) override { ++initObjectCalls; }
  void JvAssignUniqueObjectName(TXTObjectRef& r) override {
    ++uniqueCalls;
    std::vector<TXTObjectPtr> all;
    for (const TXTObjectPtr& o : parser->objects) all.push_back(o);
    r->SetObjectName(kz::GetNewObjectName(all));
  }
  bool RemoveObject(TXTObjectRef&) override { return removeResult; }
  bool KzExportData(JvFileDialog* dialog) override {
    if (!hasExport) return EditorPage::KzExportData(dialog);
    ++exportCalls;
    exportDialog = dialog;
    return true;
  }

 protected:
  bool DoInit(TxtParserRef& p) override {
    ++initCalls;
    parser = p;
    return initResult;
  }
};

// A generic type file: version, count, records of `n` values whose last value is the ID.
inline std::string TypeFileText(int version, int n, const std::vector<std::string>& ids) {
  std::ostringstream s;
  s << "// test data\r\n" << version << ";" << ids.size() << ";\r\n";
  int seed = 0;
  for (const std::string& id : ids) {
    for (int i = 0; i < n - 1; ++i) {
      if (i == 0)
        s << "body" << seed << ";";
      else if (i % 4 == 2)
        s << (seed + i) << ".5;";
      else
        s << (seed * 10 + i) << ";";
    }
    s << id << ";\r\n";
    ++seed;
  }
  return s.str();
}

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EditorTestApp();
    dir_ = kztest::FreshTestFolder("txteditor");
    std::filesystem::create_directories(dir_ / "types");
    std::filesystem::create_directories(dir_ / "reg");
    ::setenv("KZ_REGISTRY_DIR", (dir_ / "reg").c_str(), 1);
    platform::RegistryReset();
    ui_ = std::make_shared<platform::ScriptedUi>();
    previousUi_ = platform::Ui::SetInstance(ui_);
    previousSettings_ = Settings;
    Settings = std::make_shared<clsSettings>();
    clsRecordClipboard::Instance().Clear();
    for (int slot = 0; slot < frmTXTEditor::kPageSlots; ++slot) frmTXTEditor::SetPageFactory(slot, nullptr);
    frmTXTEditor::SetPageFactory(frmTXTEditor::kWarePage, [this](QWidget* parent) {
      auto* page = new FakePage(parent);
      configure(*page);
      return page;
    });
    WriteFile("types/TLaser.txt", TypeFileText(3, 23, {"SS_LASER_B", "SS_LASER_A", "NOTE_C"}));
    WriteFile("types/TShields.txt", TypeFileText(5, 21, {"SS_SHIELD_1", "SS_SHIELD_2"}));
  }

  void TearDown() override {
    for (QPointer<frmTXTEditor>& w : windows_)
      if (w) {
        w->Parser()->FileName.clear();  // no save prompt
        delete w.data();
      }
    windows_.clear();
    QApplication::processEvents();
    clsRecordClipboard::Instance().Clear();
    for (int slot = 0; slot < frmTXTEditor::kPageSlots; ++slot) frmTXTEditor::SetPageFactory(slot, nullptr);
    Settings = previousSettings_;
    platform::Ui::SetInstance(previousUi_);
    platform::RegistryReset();
    std::error_code ec;
    std::filesystem::permissions(dir_ / "types", std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(dir_, ec);
  }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  void WriteFile(const std::string& name, const std::string& bytes) const {
    std::ofstream f(PathOf(name), std::ios::binary);
    f << bytes;
  }
  std::string ReadFile(const std::string& name) const {
    std::string data, error;
    EXPECT_TRUE(kz::ReadWholeFile(name, data, error)) << error;
    return data;
  }
  std::string RawBytes(const std::string& path) const { return kztest::FileBytes(path); }

  // A new editor window, shown; deleted at the end of the test.
  frmTXTEditor* NewWindow() {
    auto* w = new frmTXTEditor;
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->MyShow();
    windows_.push_back(w);
    return w;
  }
  frmTXTEditor* OpenWindow(const std::string& path) {
    frmTXTEditor* w = NewWindow();
    w->OpenFile(path);
    return w;
  }
  static FakePage* PageOf(frmTXTEditor* w) { return w->findChild<FakePage*>("WareEdit"); }

  std::vector<std::string> MsgTexts() const { return kztest::MsgTexts(*ui_); }
  std::string LastMsg() const { return kztest::LastMsg(*ui_); }

  // Runs `act` on the value dialog once it is shown modally; a dialog still open
  // afterwards is cancelled, so a test can never hang on it.
  static void WhenEditShown(std::function<void(frmEdit&)> act) { kztest::WhenShown<frmEdit>(std::move(act)); }

  std::filesystem::path dir_;
  std::shared_ptr<platform::ScriptedUi> ui_;
  std::shared_ptr<platform::Ui> previousUi_;
  SettingsPtr previousSettings_;
  std::vector<QPointer<frmTXTEditor>> windows_;
  std::function<void(FakePage&)> configure = [](FakePage&) {};
};
