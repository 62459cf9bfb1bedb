// The start-up order, its step labels and the data loading, against recording fakes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/AppError.h"
#include "core/Startup.h"

namespace {

using kz::StartupResult;

// Records every call; throws AppError("boom") from the call named in FailAt.
class FakeServices : public kz::StartupServices {
 public:
  std::vector<std::string> Calls;
  std::vector<std::pair<std::string, int>> Boxes;
  std::string FailAt;
  bool RunningInstance = false;
  std::string Root = "/data";
  std::string Mod;
  bool AppendOk = true;
  bool Descriptions = true;
  bool DescOk = true;
  int32_t Lang = 49;

  void Call(const std::string& what) {
    Calls.push_back(what);
    const std::string name = what.substr(0, what.find('('));
    if (!FailAt.empty() && name == FailAt) throw kz::AppError(91, "fake", "boom");
  }
  static std::string Owner(kz::WindowRef owner) { return owner ? "owner" : "none"; }

  uint32_t RegisterOpenFileMessage() override { Call("RegisterOpenFileMessage"); return 0xC123; }
  bool PassToRunningInstance() override { Call("PassToRunningInstance"); return RunningInstance; }
  void ShowWait(const std::string& text, kz::WindowRef owner) override { Call("ShowWait(" + text + "," + Owner(owner) + ")"); }
  void SetWaitText(const std::string& text) override { Call("SetWaitText(" + text + ")"); }
  void HideWait(kz::WindowRef owner) override { Call("HideWait(" + Owner(owner) + ")"); }
  void InitArrays() override { Call("InitArrays"); }
  void CreateSettings() override { Call("CreateSettings"); }
  void CreateDescServer() override { Call("CreateDescServer"); }
  void CreateArchive() override { Call("CreateArchive"); }
  void InitEnviroment() override { Call("InitEnviroment"); }
  void AddVFSFilter(const std::string& mask) override { Call("AddVFSFilter(" + mask + ")"); }
  std::string DataRoot() override { return Root; }
  std::string ActiveModFullName() override { return Mod; }
  bool LoadDescriptions() override { return Descriptions; }
  int32_t DescLangID() override { return Lang; }
  void CreateVFS(const std::string& root) override { Call("CreateVFS(" + root + ")"); }
  bool AppendCatalog(const std::string& path) override { Call("AppendCatalog(" + path + ")"); return AppendOk; }
  void ArchiveClear() override { Call("ArchiveClear"); }
  void DescUnload() override { Call("DescUnload"); }
  bool DescLoadResources(int32_t lang) override { Call("DescLoadResources(" + std::to_string(lang) + ")"); return DescOk; }
  std::string DescLastError() override { return "no text files"; }
  void LoadMainWindow() override { Call("LoadMainWindow"); }
  void HookMainWindow() override { Call("HookMainWindow"); }
  void ShowMainWindow() override { Call("ShowMainWindow"); }
  int MsgBox(const std::string& text, int flags) override {
    Boxes.emplace_back(text, flags);
    return 1;
  }
};

const std::vector<std::string> kFullStart = {
    "RegisterOpenFileMessage",
    "PassToRunningInstance",
    "ShowWait(Ze Zuzazo - Starting up...,none)",
    "InitArrays",
    "CreateSettings",
    "CreateDescServer",
    "CreateArchive",
    "InitEnviroment",
    "AddVFSFilter(types\\*)",
    "AddVFSFilter(t\\*)",
    "AddVFSFilter(dds\\*)",
    "AddVFSFilter(textures\\*)",
    "AddVFSFilter(objects\\*)",
    "AddVFSFilter(maps\\*)",
    "HideWait(none)",
    "ShowWait(Ze Zuzazo - scanning Kz data files. Please wait...,none)",
    "CreateVFS(/data)",
    "ArchiveClear",
    "SetWaitText(Ze Zuzazo - Loading resource strings. Please wait...)",
    "DescUnload",
    "DescLoadResources(49)",
    "HideWait(none)",
    "LoadMainWindow",
    "HookMainWindow",
    "ShowMainWindow",
};

TEST(Startup, RunsEveryStepInOrder) {
  FakeServices s;
  EXPECT_EQ(kz::RunStartup(s), StartupResult::Running);
  EXPECT_EQ(s.Calls, kFullStart);
  EXPECT_TRUE(s.Boxes.empty());
  EXPECT_EQ(kz::OpenFileMessageId(), 0xC123u);
  EXPECT_EQ(kz::GetStartupServices(), &s);
  kz::SetStartupServices(nullptr);
}

TEST(Startup, HandedOverToRunningInstanceCreatesNothing) {
  FakeServices s;
  s.RunningInstance = true;
  EXPECT_EQ(kz::RunStartup(s), StartupResult::HandedOver);
  EXPECT_EQ(s.Calls, (std::vector<std::string>{"RegisterOpenFileMessage", "PassToRunningInstance"}));
  EXPECT_TRUE(s.Boxes.empty());
  kz::SetStartupServices(nullptr);
}

// A failure in each step gives the start-up error box with the label that step runs under.
TEST(Startup, FailureShowsStepLabel) {
  const struct {
    const char* failAt;
    const char* box;
  } cases[] = {
      {"RegisterOpenFileMessage", "Error starting program: (): boom"},
      {"PassToRunningInstance", "Error starting program: (): boom"},
      {"InitArrays", "Error starting program: (mdlKzConst.InitArrays): boom"},
      {"CreateSettings", "Error starting program: (mdlKzConst.InitArrays): boom"},
      {"CreateArchive", "Error starting program: (mdlKzConst.InitArrays): boom"},
      {"InitEnviroment", "Error starting program: (Settings.InitEnviroment): boom"},
      {"AddVFSFilter", "Error starting program: (ZuZER_AddVFSFilter): boom"},
      {"CreateVFS", "Error starting program: (LoadKzData): (ZuZER_CreateVFS): boom"},
      {"ArchiveClear", "Error starting program: (LoadKzData): (Archive.Clear): boom"},
      {"DescUnload", "Error starting program: (LoadKzData): (DescServer.Unload): boom"},
      {"DescLoadResources", "Error starting program: (LoadKzData): (DescServer.LoadResources): boom"},
      {"LoadMainWindow", "Error starting program: (LoadKzData): boom"},
      {"HookMainWindow", "Error starting program: (LoadKzData): boom"},
      {"ShowMainWindow", "Error starting program: (frmMain.MyShow): boom"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.failAt);
    FakeServices s;
    s.FailAt = c.failAt;
    EXPECT_EQ(kz::RunStartup(s), StartupResult::Failed);
    ASSERT_EQ(s.Boxes.size(), 1u);
    EXPECT_EQ(s.Boxes[0].first, c.box);
    EXPECT_EQ(s.Boxes[0].second, 16);
    // Nothing but the hiding of the wait window runs after the failing step.
    size_t failed = s.Calls.size();
    for (size_t i = 0; i < s.Calls.size(); ++i)
      if (s.Calls[i].substr(0, s.Calls[i].find('(')) == c.failAt) failed = std::min(failed, i);
    ASSERT_LT(failed, s.Calls.size());
    for (size_t i = failed + 1; i < s.Calls.size(); ++i) EXPECT_EQ(s.Calls[i].rfind("HideWait", 0), 0u) << s.Calls[i];
    int shown = 0;
    for (const auto& call : s.Calls) {
      if (call.rfind("ShowWait", 0) == 0) ++shown;
      if (call.rfind("HideWait", 0) == 0) --shown;
    }
    EXPECT_EQ(shown, 0);
  }
  kz::SetStartupServices(nullptr);
}

TEST(LoadKzData, FailureIsRaisedWithItsLabelAndHidesTheWaitWindow) {
  FakeServices s;
  s.FailAt = "CreateVFS";
  int owner = 0;
  try {
    kz::LoadKzData(s, &owner);
    FAIL() << "no error";
  } catch (const kz::AppError& e) {
    EXPECT_EQ(e.Number, kz::kErrDataLoad);
    EXPECT_EQ(e.Source, "LoadKzData");
    EXPECT_EQ(e.Description, "(ZuZER_CreateVFS): boom");
  }
  EXPECT_EQ(s.Calls, (std::vector<std::string>{"ShowWait(Ze Zuzazo - scanning Kz data files. Please wait...,owner)",
                                               "CreateVFS(/data)", "HideWait(owner)"}));
}

TEST(LoadKzData, ActiveModThatCannotBeAppendedWarnsOnceAndGoesOn) {
  FakeServices s;
  s.Mod = "/data/mods/my.cat";
  s.AppendOk = false;
  ASSERT_NO_THROW(kz::LoadKzData(s));
  ASSERT_EQ(s.Boxes.size(), 1u);
  EXPECT_EQ(s.Boxes[0].first,
            "Warning:\r\nError loading active mod \"/data/mods/my.cat\".\r\nThis is not fatal. Maybe your "
            "\"Directory with data\" is different from real Kz path?");
  EXPECT_EQ(s.Boxes[0].second, 48);
  EXPECT_EQ(s.Calls.back(), "HideWait(none)");
  EXPECT_NE(std::find(s.Calls.begin(), s.Calls.end(), "DescLoadResources(49)"), s.Calls.end());

  FakeServices ok;
  ok.Mod = "/data/mods/my.cat";
  kz::LoadKzData(ok);
  EXPECT_TRUE(ok.Boxes.empty());
  EXPECT_EQ(ok.Calls[2], "AppendCatalog(/data/mods/my.cat)");
}

TEST(LoadKzData, DescriptionsOffSkipsTheDescriptionServer) {
  FakeServices s;
  s.Descriptions = false;
  kz::LoadKzData(s);
  EXPECT_EQ(s.Calls, (std::vector<std::string>{"ShowWait(Ze Zuzazo - scanning Kz data files. Please wait...,none)",
                                               "CreateVFS(/data)", "ArchiveClear", "HideWait(none)"}));
}

TEST(LoadKzData, FailedDescriptionLoadIsShownOnlyWithADataFolder) {
  FakeServices s;
  s.DescOk = false;
  kz::LoadKzData(s);
  ASSERT_EQ(s.Boxes.size(), 1u);
  EXPECT_EQ(s.Boxes[0].first,
            "Error loading resources: \r\n\r\nno text files\r\n\r\nObject descriptions and names may be unavailable.");
  EXPECT_EQ(s.Boxes[0].second, 16);

  FakeServices empty;
  empty.DescOk = false;
  empty.Root.clear();
  kz::LoadKzData(empty);
  EXPECT_TRUE(empty.Boxes.empty());
  EXPECT_EQ(empty.Calls[1], "CreateVFS()");
}

TEST(LoadKzData, WithoutRegisteredServicesIsAnError) {
  kz::SetStartupServices(nullptr);
  EXPECT_THROW(kz::LoadKzData(), kz::AppError);
}

}  // namespace
