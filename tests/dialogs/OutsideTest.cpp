// Outside programs: the viewer's command line, model patterns and copies, the game,
// plain program starts and the help pages, against a recording process starter.
#include <filesystem>
#include <string>
#include <vector>

#include "DialogsFixture.h"
#include "core/Outside.h"
#include "gamelibs/zuzer/zuzer.h"

namespace {

using dialogs_test::DialogsTest;
using Words = std::vector<std::string>;

TEST(OutsideRules, TemplateIsSplitIntoWordsBeforeExpansion) {
  struct Case {
    std::string tmpl, file, extra;
    Words want;
  } cases[] = {
      {"\"%1\" \"%2\"", "/tmp/a b.bod", "TShips:1;2;x", {"/tmp/a b.bod", "TShips:1;2;x"}},
      {"-m %1", "/m.bod", "", {"-m", "/m.bod"}},
      {"-show", "/m.bod", "x", {"-show"}},  // no %1: the viewer starts without the file
      {"", "/m.bod", "x", {}},              // empty template: the viewer alone
      {"--file=%1 --data=%2", "f", "d", {"--file=f", "--data=d"}},
      // Record data can hold quotes, ";" and blanks: it stays one argument.
      {"%2", "f", "a\" ; rm -rf / ; \"b", {"a\" ; rm -rf / ; \"b"}},
      // Inserted texts are not searched again.
      {"%1", "%2", "boom", {"%2"}},
      {"\"\" %1", "f", "", {"", "f"}},
      {"\"C:\\Program Files\\v.exe\" \"a \\\"q\\\" b\"", "", "", {"C:\\Program Files\\v.exe", "a \"q\" b"}},
      {"  %1\t%2  ", "f", "e", {"f", "e"}},
      {"%3 %%1 %", "f", "e", {"%3", "%f", "%"}},
  };
  for (const Case& c : cases) EXPECT_EQ(kz::BuildViewerArguments(c.tmpl, c.file, c.extra), c.want) << c.tmpl;
}

TEST(OutsideRules, ModelPatternsAndExtraTexts) {
  EXPECT_EQ(kz::ModelSearchPattern(kz::Variant(int32_t(123)), false), "objects\\v\\00123");
  EXPECT_EQ(kz::ModelSearchPattern(kz::Variant(int32_t(123)), true), "objects\\cut\\00123");
  EXPECT_EQ(kz::ModelSearchPattern(kz::Variant("42"), false), "objects\\v\\00042");
  EXPECT_EQ(kz::ModelSearchPattern(kz::Variant(int32_t(1234567)), false), "objects\\v\\1234567");
  EXPECT_EQ(kz::ModelSearchPattern(kz::Variant("ships\\argon_m3"), false), "objects\\ships\\argon_m3");
  EXPECT_EQ(kz::ViewerExtraText(1, "a;b;"), "TShips:a;b;");
  EXPECT_EQ(kz::ViewerExtraText(7, "f;"), "TFactories:f;");
  EXPECT_EQ(kz::ViewerExtraText(3, "l;"), "");
}

TEST(OutsideRules, ModelCopiesStayDirectlyInsideTheTemporaryFolder) {
  struct Case {
    std::string path;
    bool ok;
    std::string want;
  } cases[] = {
      {"/g/01.cat::objects\\v\\00001.bod", true, "/tmp/kz/00001.bod.bod"},
      {"/g/01.cat::objects/v/ship.pbd", true, "/tmp/kz/ship.pbd.bod"},
      {"/g/01.cat::..\\..\\etc\\passwd", true, "/tmp/kz/passwd.bod"},
      {"/g/01.cat::objects\\..", false, ""},
      {"/g/01.cat::objects\\.", false, ""},
      {"/g/01.cat::objects\\", false, ""},
      {"/g/01.cat::", false, ""},
  };
  for (const Case& c : cases) {
    std::string out, why;
    EXPECT_EQ(kz::ModelCopyPath("/tmp/kz", c.path, out, why), c.ok) << c.path;
    if (c.ok) {
      EXPECT_EQ(out, c.want) << c.path;
    } else {
      EXPECT_FALSE(why.empty()) << c.path;
    }
  }
  std::string out, why;
  EXPECT_FALSE(kz::ModelCopyPath("", "/g/01.cat::a.bod", out, why));
  EXPECT_EQ(kz::ProgramFolder("/opt/kz/kz.exe"), "/opt/kz");
  EXPECT_EQ(kz::ProgramFolder("kz"), "");
}

TEST(OutsideRules, HelpTopicsArePlainPageNames) {
  std::string page;
  EXPECT_TRUE(kz::HelpTopicPath("/h", "", page));
  EXPECT_EQ(page, "/h/index.html");
  EXPECT_TRUE(kz::HelpTopicPath("/h", "settings.html", page));
  EXPECT_EQ(page, "/h/settings.html");
  for (const char* bad : {"../x.html", "a/b.html", "..", "a\\b.html"}) EXPECT_FALSE(kz::HelpTopicPath("/h", bad, page)) << bad;
}

TEST_F(DialogsTest, RunGameNeedsAPathAndStartsInTheGamesFolder) {
  Settings->SetDataRoot("");
  EXPECT_FALSE(kz::RunGame());
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Text,
            "Program cannot found registry entry of Kz Concord. You will have to specify path to the game "
            "executable in the Settings window.");
  EXPECT_EQ(Boxes()[0].Flags & 0x70, platform::vbExclamation);
  EXPECT_TRUE(starter_->starts.empty());

  Settings->SetKzEXEPath("/opt/kz/kz.exe");
  EXPECT_TRUE(kz::RunGame());
  ASSERT_EQ(starter_->starts.size(), 1u);
  EXPECT_EQ(starter_->starts[0].Program, "/opt/kz/kz.exe");
  EXPECT_TRUE(starter_->starts[0].Args.empty());
  EXPECT_EQ(starter_->starts[0].WorkDir, "/opt/kz");

  starter_->answer = false;
  EXPECT_FALSE(kz::StartProcess("/opt/mm/mm"));
  EXPECT_FALSE(kz::StartProcess(""));  // nothing to start
  EXPECT_EQ(starter_->starts.size(), 2u);
}

TEST_F(DialogsTest, ViewerWithoutPathSaysSoAndStartsNothing) {
  kz::OpenIn3DViewer("/m.bod", "");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Text, "You didn't specified path to external 3D viewer.\r\nGo to Settings and set it up.");
  EXPECT_EQ(Boxes()[0].Flags & 0x70, platform::vbInformation);
  EXPECT_TRUE(starter_->starts.empty());
}

TEST_F(DialogsTest, ViewerGetsPlainAndCatalogPathsAsTheSettingsSay) {
  Settings->SetExt3DViewerPath("/opt/view/viewer");
  Settings->SetExt3DViewerSupportsRuDU(true);
  kz::OpenIn3DViewer("/g/01.cat::objects\\v\\00001.bod", "TShips:x;");
  ASSERT_EQ(starter_->starts.size(), 1u);
  EXPECT_EQ(starter_->starts[0].Program, "/opt/view/viewer");
  EXPECT_EQ(starter_->starts[0].Args, (Words{"/g/01.cat::objects\\v\\00001.bod", "TShips:x;"}));
  EXPECT_EQ(starter_->starts[0].Show, kz::StartWindow::Minimized);

  // A plain path is never copied, whatever the viewer supports.
  Settings->SetExt3DViewerSupportsRuDU(false);
  Settings->SetExt3DViewerCmdLine("");
  kz::OpenIn3DViewer("/data/objects/m.bod", "e");
  ASSERT_EQ(starter_->starts.size(), 2u);
  EXPECT_TRUE(starter_->starts[1].Args.empty());
  EXPECT_TRUE(Boxes().empty());

  starter_->answer = false;
  kz::OpenIn3DViewer("/data/objects/m.bod", "e");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Text.rfind("Error starting external 3D viewer: ", 0), 0u);
  EXPECT_EQ(Boxes()[0].Flags & 0x70, platform::vbCritical);
}

TEST_F(DialogsTest, CatalogModelsAreCopiedWithExactlyTheirBytes) {
  ASSERT_TRUE(Settings->InitEnviroment());
  ASSERT_FALSE(Settings->TempRoot.empty());
  const std::string big(5000, 'B');
  std::string small = "sm";
  small += '\0';
  small += "all\xff";
  dialogs_test::WriteCatalog(Dir() / "m.cat", {{"objects\\v\\big.bod", big}, {"objects\\w\\big.bod", small}});
  Settings->SetExt3DViewerPath("/opt/view/viewer");
  Settings->SetExt3DViewerSupportsRuDU(false);
  Settings->SetExt3DViewerCmdLine("-f \"%1\"");
  const std::string cat = (Dir() / "m.cat").string();

  kz::OpenIn3DViewer(cat + "::objects\\v\\big.bod", "");
  ASSERT_EQ(starter_->starts.size(), 1u) << (Boxes().empty() ? "" : Boxes()[0].Text);
  const std::string copy = Settings->TempRoot + "/big.bod.bod";
  EXPECT_EQ(starter_->starts[0].Args, (Words{"-f", copy}));
  EXPECT_EQ(dialogs_test::ReadFile(copy), big);

  // A second, shorter model of the same name replaces the first one whole.
  kz::OpenIn3DViewer(cat + "::objects\\w\\big.bod", "");
  ASSERT_EQ(starter_->starts.size(), 2u);
  EXPECT_EQ(dialogs_test::ReadFile(copy), small);

  // A model that cannot be read starts nothing and says nothing.
  kz::OpenIn3DViewer(cat + "::objects\\missing.bod", "");
  EXPECT_EQ(starter_->starts.size(), 2u);
  // A name that is no file is refused before anything is written.
  dialogs_test::WriteCatalog(Dir() / "d.cat", {{"objects\\..", "x"}});
  kz::OpenIn3DViewer((Dir() / "d.cat").string() + "::objects\\..", "");
  EXPECT_EQ(starter_->starts.size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(Settings->TempRoot + "/...bod"));
}

TEST_F(DialogsTest, ObjectModelsAreFoundInTheVirtualFileSystem) {
  ASSERT_NE(ZuZER_CreateVFS(dialogs_test::SampleDataDir().c_str()), 0);
  Settings->SetExt3DViewerPath("/opt/view/viewer");
  Settings->SetExt3DViewerSupportsRuDU(true);
  kz::ShowObjectModel(kz::Variant(int32_t(2)), false, 1, "data;");
  ASSERT_EQ(starter_->starts.size(), 1u);
  EXPECT_EQ(starter_->starts[0].Args[0], dialogs_test::SampleDataDir() + "/objects/v/00002.bod");
  EXPECT_EQ(starter_->starts[0].Args[1], "TShips:data;");
  // Nothing found: nothing happens, nothing is shown.
  kz::ShowObjectModel(kz::Variant(int32_t(99)), true, 7, "x");
  EXPECT_EQ(starter_->starts.size(), 1u);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(DialogsTest, HelpPagesOpenInTheDesktopsViewer) {
  kz::ShowHelpTopic("");
  kz::ShowHelpTopic("settings.html");
  ASSERT_EQ(starter_->documents.size(), 2u);
  EXPECT_EQ(std::filesystem::path(starter_->documents[0]).filename(), "index.html");
  EXPECT_EQ(std::filesystem::path(starter_->documents[1]).filename(), "settings.html");
  EXPECT_TRUE(std::filesystem::is_regular_file(starter_->documents[1]));
  EXPECT_TRUE(Boxes().empty());

  kz::ShowHelpTopic("nosuch.html");
  kz::ShowHelpTopic("../secret.html");
  EXPECT_EQ(starter_->documents.size(), 2u);
  EXPECT_EQ(Boxes().size(), 2u);
}

}  // namespace
