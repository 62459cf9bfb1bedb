#include "platform/UiScript.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "platform/ScriptedUi.h"
#include "platform/Ui.h"

using namespace platform;
using Kind = UiScriptAnswer::Kind;

namespace {

UiScriptAnswer A(Kind kind, bool ok, std::string text, int32_t number = 0) {
  UiScriptAnswer a;
  a.kind = kind;
  a.ok = ok;
  a.text = std::move(text);
  a.number = number;
  return a;
}

UiScriptAnswer Offered() {
  UiScriptAnswer a = A(Kind::File, true, "");
  a.asOffered = true;
  return a;
}

struct GoodCase {
  const char* what;
  const char* script;
  std::vector<UiScriptAnswer> answers;
};

TEST(UiScript, ReadsEveryKindOfAnswer) {
  const std::vector<GoodCase> cases = {
      {"empty", "", {}},
      {"blank lines and comments", "\n  \n# a comment\n   # indented comment\r\n", {}},
      {"buttons by name in any case",
       "msgbox yes\nmsgbox No\nMSGBOX cancel\nmsgbox ok\nmsgbox abort\nmsgbox retry\nmsgbox ignore\n",
       {A(Kind::MsgBox, true, "", vbYes), A(Kind::MsgBox, true, "", vbNo), A(Kind::MsgBox, true, "", vbCancel),
        A(Kind::MsgBox, true, "", vbOK), A(Kind::MsgBox, true, "", vbAbort), A(Kind::MsgBox, true, "", vbRetry),
        A(Kind::MsgBox, true, "", vbIgnore)}},
      {"button by number", "msgbox 7", {A(Kind::MsgBox, true, "", vbNo)}},
      {"file path kept as it stands, blanks and all",
       "file /data/my types/TShips.txt\n",
       {A(Kind::File, true, "/data/my types/TShips.txt")}},
      {"file with a filter, a catalog path, CR LF line ends",
       "file:2 /data/TShips.pck\r\nfile:3 /data/02.cat::types\\TShips.txt\r\n",
       {A(Kind::File, true, "/data/TShips.pck", 2), A(Kind::File, true, "/data/02.cat::types\\TShips.txt", 3)}},
      {"the dialog's own proposal", "keep file\nKEEP File\n",
       {Offered(), Offered()}},
      {"leading blanks before the keyword", "   file /a.txt", {A(Kind::File, true, "/a.txt")}},
      {"folder, colours, inputs",
       "folder /games/kz\ncolour 0xFF8000\ncolour 255\ninput Argon Prime\ninput\ninput \n",
       {A(Kind::Folder, true, "/games/kz"), A(Kind::Colour, true, "", 0xFF8000), A(Kind::Colour, true, "", 255),
        A(Kind::Input, true, "Argon Prime"), A(Kind::Input, true, ""), A(Kind::Input, true, "")}},
      {"cancels of each kind",
       "cancel file\ncancel Folder\ncancel colour\ncancel input\n",
       {A(Kind::File, false, ""), A(Kind::Folder, false, ""), A(Kind::Colour, false, ""), A(Kind::Input, false, "")}},
      {"a last line without its line end", "msgbox no", {A(Kind::MsgBox, true, "", vbNo)}},
  };
  for (const GoodCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<UiScriptAnswer> answers;
    std::string error;
    ASSERT_TRUE(ParseUiScript(c.script, answers, error)) << error;
    EXPECT_EQ(answers, c.answers);
  }
}

struct BadCase {
  const char* what;
  const char* script;
  const char* error;  // the start of the error text
};

TEST(UiScript, AWrongLineIsNamedAndNothingIsKept) {
  const std::vector<BadCase> cases = {
      {"unknown keyword", "msgbox yes\nclick OK\n", "line 2: unknown answer \"click\""},
      {"unknown button", "msgbox maybe", "line 1: not a message box button: \"maybe\""},
      {"button number out of range", "msgbox 8", "line 1: not a message box button"},
      {"button missing", "msgbox", "line 1: not a message box button"},
      {"file without a path", "\n\nfile", "line 3: no path after \"file\""},
      {"file with a blank only", "file ", "line 1: no path after \"file\""},
      {"filter not a number", "file:x /a.txt", "line 1: not a filter number"},
      {"filter 0", "file:0 /a.txt", "line 1: not a filter number"},
      {"filter missing", "file: /a.txt", "line 1: no filter number"},
      {"folder without a path", "folder", "line 1: no folder after \"folder\""},
      {"colour not a number", "colour red", "line 1: not a colour"},
      {"colour too large", "colour 0x1000000", "line 1: not a colour"},
      {"keep of anything but a file", "keep folder", "line 1: only a file dialog keeps its proposal"},
      {"cancel of nothing known", "cancel msgbox", "line 1: nothing to cancel called \"msgbox\""},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<UiScriptAnswer> answers = {A(Kind::Input, true, "kept")};
    std::string error;
    EXPECT_FALSE(ParseUiScript(c.script, answers, error));
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].text, "kept");
  }
}

// A script file's answers reach the dialogs in their order, each kind on its own.
TEST(UiScript, AScriptFileAnswersTheDialogsInOrder) {
  const std::string path = ::testing::TempDir() + "/ui_script_test.txt";
  {
    std::ofstream out(path, std::ios::binary);
    out << "# save, replace, then cancel the next save\n"
           "file:2 /data/out.pck\nmsgbox yes\ncancel file\nmsgbox no\ninput name\ncolour 0x10\nfolder /x\n"
           "keep file\nkeep file\nkeep file\n";
  }
  auto ui = std::make_shared<ScriptedUi>();
  std::string error;
  ASSERT_TRUE(LoadUiScript(path, *ui, error)) << error;
  UiScope scope(ui);
  Ui& u = Ui::Instance();
  FileDialogRequest req;
  req.FilterIndex = 1;
  FileDialogResult res;
  ASSERT_TRUE(u.ShowSave(req, res));
  EXPECT_EQ(res.FileName, "/data/out.pck");
  EXPECT_EQ(res.FilterIndex, 2);
  EXPECT_EQ(u.MsgBox("replace?", vbYesNo | vbDefaultButton2), vbYes);
  EXPECT_FALSE(u.ShowSave(req, res));
  EXPECT_EQ(u.MsgBox("again?", vbYesNo), vbNo);
  // The proposals: a full path as it stands, a bare name in the start folder, none at all.
  req.FileName = "/data/types/TShips.pck";
  req.FilterIndex = 2;
  ASSERT_TRUE(u.ShowSave(req, res));
  EXPECT_EQ(res.FileName, "/data/types/TShips.pck");
  EXPECT_EQ(res.FilterIndex, 2);
  req.FileName = "TLaser.txt";
  req.InitDir = "/data/types";
  ASSERT_TRUE(u.ShowSave(req, res));
  EXPECT_EQ(res.FileName, "/data/types/TLaser.txt");
  req.FileName.clear();
  res.FileName = "untouched";
  EXPECT_FALSE(u.ShowSave(req, res));
  EXPECT_EQ(res.FileName, "untouched");
  EXPECT_FALSE(u.ShowOpen(req, res));  // run out: cancelled
  EXPECT_EQ(u.MsgBox("save?", vbYesNoCancel), vbYes);  // run out: the default button
  std::string text;
  EXPECT_TRUE(u.InputBox("Name", "T", "", text));
  EXPECT_EQ(text, "name");
  int32_t colour = 0;
  EXPECT_TRUE(u.ShowColor(0, colour));
  EXPECT_EQ(colour, 0x10);
  EXPECT_EQ(u.BrowseForFolder("Pick"), "/x");
  std::remove(path.c_str());
}

TEST(UiScript, AMissingOrWrongFileQueuesNothing) {
  auto ui = std::make_shared<ScriptedUi>();
  std::string error;
  EXPECT_FALSE(LoadUiScript(::testing::TempDir() + "/no_such_script.txt", *ui, error));
  EXPECT_NE(error.find("cannot read"), std::string::npos) << error;

  const std::string path = ::testing::TempDir() + "/ui_script_bad.txt";
  {
    std::ofstream out(path, std::ios::binary);
    out << "file /a.txt\nmsgbox perhaps\n";
  }
  EXPECT_FALSE(LoadUiScript(path, *ui, error));
  EXPECT_NE(error.find("line 2"), std::string::npos) << error;
  UiScope scope(ui);
  FileDialogResult res;
  EXPECT_FALSE(Ui::Instance().ShowSave({}, res));
  std::remove(path.c_str());
}

}  // namespace
