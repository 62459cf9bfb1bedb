#include "platform/ScriptedUi.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(ScriptedUi, AnswersFromQueuesAndRecords) {
  auto ui = std::make_shared<ScriptedUi>();
  UiScope scope(ui);
  Ui& u = Ui::Instance();
  ASSERT_EQ(&u, ui.get());
  ui->PushMsgBox(vbNo);
  EXPECT_EQ(u.MsgBox("Save?", vbYesNoCancel | vbQuestion, "Title"), vbNo);
  // Empty queue: the default button of the set.
  EXPECT_EQ(u.MsgBox("x", vbYesNo), vbYes);
  EXPECT_EQ(u.MsgBox("x", vbYesNo | vbDefaultButton2), vbNo);
  EXPECT_EQ(u.MsgBox("x", vbOKOnly | vbCritical), vbOK);
  auto boxes = ui->Calls("MsgBox");
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].Text, "Save?");
  EXPECT_EQ(boxes[0].Title, "Title");
  EXPECT_EQ(boxes[0].Flags, vbYesNoCancel | vbQuestion);
  EXPECT_EQ(boxes[0].Answer, vbNo);

  FileDialogRequest req;
  req.Filter = "Text (*.txt)|*.txt|Packed (*.pck)|*.pck";
  req.FilterIndex = 2;
  req.InitDir = "/data";
  FileDialogResult res;
  EXPECT_FALSE(u.ShowOpen(req, res));  // nothing queued: cancelled
  ui->PushFile("/data/a.txt");
  ASSERT_TRUE(u.ShowSave(req, res));
  EXPECT_EQ(res.FileName, "/data/a.txt");
  EXPECT_EQ(res.FilterIndex, 2);
  ui->PushFile("/data/b.pck", 1);
  ASSERT_TRUE(u.ShowOpen(req, res));
  EXPECT_EQ(res.FilterIndex, 1);
  ASSERT_NE(ui->Last("ShowSave"), nullptr);
  EXPECT_EQ(ui->Last("ShowSave")->File.InitDir, "/data");

  EXPECT_EQ(u.BrowseForFolder("Pick"), "");
  ui->PushFolder("/games");
  EXPECT_EQ(u.BrowseForFolder("Pick"), "/games");
  int32_t c = 5;
  EXPECT_FALSE(u.ShowColor(0x123456, c));
  EXPECT_EQ(c, 5);
  ui->PushColour(0xff);
  EXPECT_TRUE(u.ShowColor(0, c));
  EXPECT_EQ(c, 0xff);
  std::string answer = "keep";
  EXPECT_FALSE(u.InputBox("Name?", "T", "def", answer));
  EXPECT_EQ(answer, "keep");
  ui->PushInput("typed");
  EXPECT_TRUE(u.InputBox("Name?", "T", "def", answer));
  EXPECT_EQ(answer, "typed");
  EXPECT_EQ(ui->Last()->Default, "def");
}

TEST(ScriptedUi, ScopeRestoresThePreviousService) {
  auto a = std::make_shared<ScriptedUi>();
  auto b = std::make_shared<ScriptedUi>();
  UiScope sa(a);
  {
    UiScope sb(b);
    EXPECT_EQ(&Ui::Instance(), b.get());
  }
  EXPECT_EQ(&Ui::Instance(), a.get());
}

TEST(ScriptedUi, DefaultAnswers) {
  EXPECT_EQ(MsgBoxDefaultAnswer(vbOKCancel | vbDefaultButton2), vbCancel);
  EXPECT_EQ(MsgBoxDefaultAnswer(vbYesNoCancel | vbDefaultButton3), vbCancel);
  EXPECT_EQ(MsgBoxDefaultAnswer(vbAbortRetryIgnore), vbAbort);
  EXPECT_EQ(MsgBoxDefaultAnswer(vbRetryCancel | vbExclamation), vbRetry);
}
