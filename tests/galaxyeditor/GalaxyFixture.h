#pragma once
// Fixtures of the galaxy editor tests: the Qt application, a scripted dialogs service,
// the settings, archive and description server, a data folder with a few type files,
// text resources and universe maps, and two small pages that stand for the ship and
// ware pages the object page embeds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/KzConst.h"
#include "core/LibBindings.h"
#include "core/Settings.h"
#include "galaxy/GalObject.h"
#include "galaxy/GalaxyEditor.h"
#include "galaxy/NewGalObject.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "platform/Registry.h"
#include "platform/ScriptedUi.h"
#include "tests/common/TestFolder.h"
#include "tests/common/QtTestKit.h"
#include "txteditor/EditorPage.h"
#include "txteditor/TXTEditor.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "zuzer.h"
#include "tests/common/FileBytes.h"

inline QApplication& GalaxyTestApp() { return kztest::TestApp("galaxyeditor_tests"); }

// A page that answers one type code and records what the object page asks of it.
class RecordingPage : public EditorPage {
 public:
  RecordingPage(int32_t type, QWidget* parent) : EditorPage(parent), type_(type) {}
  int initCalls = 0;
  int showCalls = 0;
  bool readOnly = false;
  TxtParserRef parser;
  TXTObjectRef shown;
  int32_t shownType = 0;

  bool JvQueryInterfaceEx(int32_t& type) override { return type == type_; }
  void ShowObject(TXTObjectRef& r, int32_t& type) override {
    ++showCalls;
    shown = r;
    shownType = type;
  }
  bool ReadOnly() override { return readOnly; }
  void SetReadOnly(bool value) override { readOnly = value; }

 protected:
  bool DoInit(TxtParserRef& p) override {
    ++initCalls;
    parser = p;
    return true;
  }

 private:
  int32_t type_;
};

// A type file of records with `n` values (a ship has no turrets or guns): field 6 is
// the page-17 name ID, the last the ID, every other value 0.
inline std::string GalTypeFile(int n, const std::vector<std::pair<std::string, int>>& records) {
  std::ostringstream s;
  s << "// test data\r\n1;" << records.size() << ";\r\n";
  for (const auto& [id, nameId] : records) {
    for (int i = 0; i < n - 1; ++i) s << (i == 6 ? nameId : 0) << ";";
    s << id << ";\r\n";
  }
  return s.str();
}

// A text resource file for language 44.
inline std::string TextResource(const std::vector<std::pair<int, std::vector<std::pair<int, std::string>>>>& pages) {
  std::ostringstream s;
  s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"44\">\n";
  for (const auto& [page, strings] : pages) {
    s << "<page id=\"" << page << "\" title=\"\" descr=\"\" voice=\"0\">\n";
    for (const auto& [id, text] : strings) s << "<t id=\"" << id << "\">" << text << "</t>\n";
    s << "</page>\n";
  }
  s << "</language>\n";
  return s.str();
}

// The standard map: sector 00, 00 holds a background, a sun, a dock with a group of
// docked ships holding one ship, a gate to 01, 00 and an asteroid; sector 01, 00 holds
// a gate back and a ship.
inline const char* kStandardMap =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<universe xmlns=\"KZUNIVERS.xsd\">\n"
    "<o t=\"1\" s=\"0\" x=\"0\" y=\"0\" r=\"1\" color=\"16744448\" ff=\"0\" fc=\"0\" fn=\"0\">\n"
    "  <o t=\"2\" s=\"0\"/>\n"
    "  <o t=\"3\" s=\"SS_SUN_A\" x=\"1000000\" y=\"0\" z=\"0\"/>\n"
    "  <o t=\"5\" s=\"SS_DOCK_A\" x=\"0\" y=\"0\" z=\"499000\" r=\"1\">\n"
    "    <o t=\"23\" s=\"5\">\n"
    "      <o t=\"7\" s=\"SS_SH_B\" r=\"2\"/>\n"
    "    </o>\n"
    "  </o>\n"
    "  <o t=\"18\" s=\"0\" gid=\"2\" gx=\"1\" gy=\"0\" gtid=\"3\" x=\"0\" y=\"0\" z=\"0\" a=\"255\" b=\"0\" g=\"0\"/>\n"
    "  <o t=\"17\" s=\"0\" atype=\"1\" aamount=\"5\" x=\"10\" y=\"10\" z=\"10\"/>\n"
    "</o>\n"
    "<o t=\"1\" s=\"0\" x=\"1\" y=\"0\" r=\"1\">\n"
    "  <o t=\"18\" s=\"0\" gid=\"3\" gx=\"0\" gy=\"0\" gtid=\"2\"/>\n"
    "  <o t=\"7\" s=\"1\" foo=\"bar\"/>\n"
    "</o>\n"
    "</universe>\n";

class GalaxyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GalaxyTestApp();
    dir_ = kztest::FreshTestFolder("galaxyeditor");
    for (const char* d : {"types", "t", "maps", "reg"}) std::filesystem::create_directories(dir_ / d);
    ::setenv("KZ_REGISTRY_DIR", (dir_ / "reg").c_str(), 1);
    platform::RegistryReset();
    ui_ = std::make_shared<platform::ScriptedUi>();
    previousUi_ = platform::Ui::SetInstance(ui_);
    previousSettings_ = Settings;
    Settings = std::make_shared<clsSettings>();
    Settings->SetDataRoot(dir_.string());
    mdlKzConst::InitArrays();
    mdlGalaxy::InitGalaxyTables();

    WriteFile("types/TShips.txt", GalTypeFile(65, {{"SS_SH_A", 3001}, {"SS_SH_B", 3002}, {"SS_SH_C", 3999}}));
    WriteFile("types/TSuns.txt", GalTypeFile(19, {{"SS_SUN_A", 2101}}));
    WriteFile("types/TDocks.txt", GalTypeFile(28, {{"SS_DOCK_A", 2301}}));
    WriteFile("types/TGates.txt", GalTypeFile(18, {{"SS_GATE", 2201}}));
    WriteFile("types/TAsteroids.txt", GalTypeFile(21, {{"SS_ASTEROID", 2401}}));
    WriteFile("types/TBackgrounds.txt", GalTypeFile(38, {{"SS_BACK", 2501}}));
    WriteFile("t/440001.xml",
              TextResource({{17,
                             {{2101, "Yellow Sun"},
                              {2201, "Jump Gate"},
                              {2301, "Trading Dock"},
                              {2401, "Rock"},
                              {3001, "Alpha"},
                              {3002, "Beta"}}},
                            {7, {{1020101, "Home"}, {1020102, "Far Away"}}}}));
    WriteFile("maps/u.xml", kStandardMap);
    Mount();

    for (int slot = 0; slot < frmTXTEditor::kPageSlots; ++slot) frmTXTEditor::SetPageFactory(slot, nullptr);
    frmTXTEditor::SetPageFactory(frmTXTEditor::kShipPage,
                                 [](QWidget* parent) { return new RecordingPage(1, parent); });
    frmTXTEditor::SetPageFactory(frmTXTEditor::kWarePage,
                                 [](QWidget* parent) { return new RecordingPage(10, parent); });
  }

  void TearDown() override {
    for (QPointer<QWidget>& w : widgets_)
      if (w) delete w.data();
    widgets_.clear();
    if (frmGalaxyEditor* g = frmGalaxyEditor::Instance()) delete g;
    QApplication::processEvents();
    for (int slot = 0; slot < frmTXTEditor::kPageSlots; ++slot) frmTXTEditor::SetPageFactory(slot, nullptr);
    Archive.reset();
    DescServer.reset();
    Settings = previousSettings_;
    platform::Ui::SetInstance(previousUi_);
    platform::RegistryReset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // Builds the virtual file system, the archive and the descriptions over the folder.
  void Mount() {
    ZuZER_CreateVFS(dir_.c_str());
    Archive = std::make_shared<clsArchive>();
    DescServer = std::make_shared<clsDescServer>();
    ASSERT_TRUE(DescServer->LoadResources(44)) << DescServer->GetLastError();
  }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  void WriteFile(const std::string& name, const std::string& bytes) const {
    std::ofstream f(PathOf(name), std::ios::binary);
    f << bytes;
  }
  std::string ReadPlain(const std::string& path) const { return kztest::FileBytes(path); }
  std::string ReadAny(const std::string& path) const {
    std::string data, error;
    EXPECT_TRUE(kz::ReadWholeFile(path, data, error)) << error;
    return data;
  }

  // The galaxy editor as the launcher shows it (deleted at the end of the test).
  frmGalaxyEditor* Editor(const std::string& path = {}) {
    frmGalaxyEditor* w = frmGalaxyEditor::Launch(nullptr, path);
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    return w;
  }
  template <class W>
  W* Keep(W* w) {
    widgets_.push_back(w);
    return w;
  }

  std::vector<std::string> MsgTexts() const { return kztest::MsgTexts(*ui_); }
  std::string LastMsg() const { return kztest::LastMsg(*ui_); }

  // Runs `act` on the new-object dialog once it is shown modally; a dialog still open
  // afterwards is cancelled.
  static void WhenNewObjectShown(std::function<void(frmNewGalObject&)> act) {
    kztest::WhenShown<frmNewGalObject>(std::move(act), &frmNewGalObject::CancelDialog);
  }

  // The texts of the top-level nodes, or of the children of a node.
  static QStringList Texts(QTreeWidget* tree, QTreeWidgetItem* parent = nullptr) {
    QStringList out;
    const int n = parent ? parent->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < n; ++i) out << (parent ? parent->child(i) : tree->topLevelItem(i))->text(0);
    return out;
  }

  std::filesystem::path dir_;
  std::shared_ptr<platform::ScriptedUi> ui_;
  std::shared_ptr<platform::Ui> previousUi_;
  SettingsPtr previousSettings_;
  std::vector<QPointer<QWidget>> widgets_;
};
