#pragma once
// The fixture of the text resource editor's window tests: the Qt application, a
// scripted dialogs service, the settings and description server over a data folder of
// text resource files, and a way to act on a modal dialog once it shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../typefiles_services/DataFolder.h"
#include "core/KzConst.h"
#include "core/Settings.h"
#include "platform/Registry.h"
#include "platform/ScriptedUi.h"
#include "tests/common/QtTestKit.h"
#include "tests/common/SettingsScope.h"
#include "shell/LauncherSlots.h"
#include "textres/TRE.h"
#include "typefiles/DescServer.h"
#include "videdoded/videdoded.h"

inline QApplication& UiTestApp() { return kztest::TestApp("textres_ui_tests"); }

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UiTestApp();
    mdlKzConst::InitArrays();
    globals_.Enter(data_.Root());
    ui_ = std::make_shared<platform::ScriptedUi>();
    scope_ = std::make_unique<platform::UiScope>(ui_);
    data_.Write("t/440001.xml", testdata::TreXml(44, {{17, {{1, "Argon"}, {2, "The {1} ship"}, {12, "Twelve"}}},
                                                      {7, {}}}));
    data_.Write("t/440002.pck", testdata::TreXml(44, {{1000, {{3, "Jobs"}}}}), true);
    data_.Mount();
  }

  void TearDown() override {
    for (QPointer<QWidget>& w : windows_) delete w.data();
    windows_.clear();
    if (frmTRE* shared = frmTRE::SharedWindow()) delete shared;
    QApplication::processEvents();
    kz::GetLauncherSlots() = kz::LauncherSlots();
    scope_.reset();
    globals_.Leave();
  }

  std::string Path(const std::string& rel) const { return (data_.Root() / rel).string(); }

  // A window deleted at the end of the test.
  template <class W>
  W* Keep(W* w) {
    windows_.emplace_back(w);
    return w;
  }
  // A new editor window, shown, and given the file when one is named.
  frmTRE* Window(const std::string& path = {}) {
    auto* w = Keep(new frmTRE);
    w->MyShow();
    if (!path.empty()) w->OpenFile(path);
    return w;
  }

  // Runs `act` on the modal dialog of type D once it shows; one still open afterwards
  // is cancelled, so a test never hangs on it.
  template <class D>
  static void WhenShown(std::function<void(D&)> act) {
    kztest::WhenShown<D>(std::move(act));
  }

  std::vector<std::string> Boxes() const { return kztest::MsgTexts(*ui_); }

  testdata::DataFolder data_;
  std::shared_ptr<platform::ScriptedUi> ui_;
  std::unique_ptr<platform::UiScope> scope_;
  kztest::SettingsScope globals_;
  std::vector<QPointer<QWidget>> windows_;
};
