#pragma once
// The fixture of the text resource editor's model tests: a data folder with text
// resource files (plain, packed, in a catalog, in the virtual file system), the
// settings and description server, and a scripted host.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "../typefiles_services/DataFolder.h"
#include "ScriptedHost.h"
#include "core/KzConst.h"
#include "core/LibBindings.h"
#include "core/Settings.h"
#include "platform/Registry.h"
#include "rudu/rudu.h"
#include "tests/common/FileSizeLimit.h"
#include "tests/common/SettingsScope.h"
#include "textres/model/TRESession.h"
#include "typefiles/DescServer.h"
#include "videdoded/videdoded.h"
#include "tests/common/FileBytes.h"

using kztest::FileSizeLimit;

// English file 1: page 17 with four strings (one refers to another), page 7 empty.
inline std::string EnglishXml() {
  return testdata::TreXml(44, {{17, {{1, "Argon"}, {2, "The {1} ship"}, {12, "Twelve"}, {112, "Big Ship"}}}, {7, {}}});
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mdlKzConst::InitArrays();
    globals_.Enter(data_.Root());
    data_.Write("t/440001.xml", EnglishXml());
    data_.Write("t/490001.pck", testdata::TreXml(49, {{17, {{1, "Argon (de)"}}}, {3, {{5, "drei"}}}}), true);
    data_.Write("t/440002.xml", testdata::TreXml(44, {{1000, {{3, "Jobs"}}}}));
    ASSERT_EQ(kz::WriteWholeFile(Root() + "/04.cat::t\\440003.xml", testdata::TreXml(44, {{9, {{1, "in cat"}}}}), 1,
                                 error_),
              true)
        << error_;
    data_.Mount();
    session_ = std::make_unique<clsTRESession>(host_);
  }

  void TearDown() override {
    session_.reset();
    globals_.Leave();
  }

  std::string Root() const { return data_.Root().string(); }
  std::string Path(const std::string& rel) const { return (data_.Root() / rel).string(); }
  static std::string Raw(const std::string& path) { return kztest::FileBytes(path); }
  // The IDs of a list's rows.
  std::vector<int32_t> Ids(int32_t list) const {
    std::vector<int32_t> ids;
    const clsTRERows& rows = session_->Rows(list);
    for (int32_t i = 0; i < rows.Count(); ++i) ids.push_back(rows.Id(i));
    return ids;
  }
  std::string Texts(int32_t list) const {
    std::string out;
    const clsTRERows& rows = session_->Rows(list);
    for (int32_t i = 0; i < rows.Count(); ++i) out += (i ? "|" : "") + rows.Text(i);
    return out;
  }
  // Sets the current string's text through the library, as the string dialog would.
  static int32_t SetString(int32_t page, int32_t str, int32_t id, const std::string& raw, bool& dirty) {
    dirty = true;
    return Kz_TRESetStringInfo(page, str, id, raw) ? 1 : 2;
  }

  testdata::DataFolder data_;
  ScriptedHost host_;
  std::unique_ptr<clsTRESession> session_;
  kztest::SettingsScope globals_;
  std::string error_;
};
