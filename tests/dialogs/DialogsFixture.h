#pragma once
// Shared pieces of the dialog tests: the application object, a private registry and
// temporary folder per test, the scripted dialogs service, a recording process
// starter, catalogs written in the driver's format and the sample data folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/Outside.h"
#include "core/Settings.h"
#include "platform/Registry.h"
#include "platform/ScriptedUi.h"
#include "tests/common/QtTestKit.h"
#include "tests/common/SampleData.h"

namespace dialogs_test {

inline QApplication& App() { return kztest::TestApp("dialogs_tests"); }

struct StartCall {
  std::string Program;
  std::vector<std::string> Args;
  std::string WorkDir;
  kz::StartWindow Show = kz::StartWindow::Normal;
};

class RecordingStarter : public kz::ProcessStarter {
 public:
  std::vector<StartCall> starts;
  std::vector<std::string> documents;
  bool answer = true;
  bool Start(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
             kz::StartWindow show) override {
    starts.push_back({program, args, workDir, show});
    return answer;
  }
  bool OpenDocument(const std::string& path) override {
    documents.push_back(path);
    return answer;
  }
};

inline void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A catalog NAME.cat / NAME.dat: the index names the data file, then one line per
// entry (inner path, blank, size); the data holds the entries back to back.
inline void WriteCatalog(const std::filesystem::path& cat,
                         const std::vector<std::pair<std::string, std::string>>& entries) {
  std::filesystem::path dat = cat;
  dat.replace_extension(".dat");
  std::string index = dat.filename().string() + "\n";
  std::string data;
  for (const auto& [inner, bytes] : entries) {
    index += inner + " " + std::to_string(bytes.size()) + "\n";
    data += bytes;
  }
  WriteFile(cat, index);
  WriteFile(dat, data);
}

// The sample data folder, written once per test program by the generator.
inline std::string SampleDataDir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/kz-dialogs-sample-XXXXXX";
    std::string d = ::mkdtemp(tmpl);
    EXPECT_TRUE(kztest::WriteSampleData(d));
    static std::string removeAtExit = d;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(removeAtExit, ec);
    });
    return d;
  }();
  return dir;
}

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(dir_.isValid());
    qputenv("KZ_REGISTRY_DIR", (dir_.path() + "/reg").toUtf8());
    // The program's temporary folder goes below this test's own folder.
    std::filesystem::create_directories(Dir() / "tmp");
    qputenv("TMPDIR", (dir_.path() + "/tmp").toUtf8());
    platform::RegistryReset();
    Settings = std::make_shared<clsSettings>();
    ui_ = std::make_shared<platform::ScriptedUi>();
    scope_ = std::make_unique<platform::UiScope>(ui_);
    starter_ = std::make_shared<RecordingStarter>();
    kz::SetProcessStarter(starter_);
  }
  void TearDown() override {
    kz::SetProcessStarter(nullptr);
    scope_.reset();
    Settings.reset();
    platform::RegistryReset();
  }

  std::filesystem::path Dir() const { return dir_.path().toStdString(); }
  std::vector<platform::UiCall> Boxes() const { return ui_->Calls("MsgBox"); }

  QTemporaryDir dir_;
  std::shared_ptr<platform::ScriptedUi> ui_;
  std::unique_ptr<platform::UiScope> scope_;
  std::shared_ptr<RecordingStarter> starter_;
};

}  // namespace dialogs_test
