// Saving in every form and reading back, failed saves, export, and the save prompts of
// closing and opening.
#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QTreeWidget>

#include "shell/CATDialog.h"
#include "shell/EditorFiles.h"

#include "EditorFixture.h"

namespace {
void Touch(frmTXTEditor* w, int index, const std::string& text) {
  w->Parser()->FindIndex(index)->SetValue(0, kz::Variant(text));
}
}  // namespace

TEST_F(EditorTest, SaveWithNothingLoadedDoesNothing) {
  frmTXTEditor* w = NewWindow();
  EXPECT_FALSE(w->SaveTFile());
  EXPECT_TRUE(ui_->Calls().empty());
}

TEST_F(EditorTest, SavesPlainAndPackedAndReadsBack) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  Touch(w, 0, "changed_body");
  EXPECT_TRUE(w->windowTitle().endsWith(" *") || w->Parser()->CheckDirty());

  // Plain, over the file itself (the overwrite question answered Yes).
  ui_->PushFile(PathOf("types/TLaser.txt"), 1);
  ui_->PushMsgBox(platform::vbYes);
  ASSERT_TRUE(w->SaveTFile()) << LastMsg();
  const platform::UiCall* save = ui_->Last("ShowSave");
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->File.Title, "Save");
  EXPECT_EQ(save->File.FilterIndex, 1);
  EXPECT_FALSE(w->Parser()->CheckDirty());
  EXPECT_FALSE(w->windowTitle().endsWith(" *"));
  const std::string plain = RawBytes(PathOf("types/TLaser.txt"));
  EXPECT_NE(plain.find("changed_body;"), std::string::npos);
  EXPECT_NE(plain.substr(0, 2), "\x1f\x8b");

  // Packed, under a new name: the window shows the new file.
  const std::string packed = PathOf("types/TLaserP.pck");
  ui_->PushFile(packed, 2);
  ASSERT_TRUE(w->SaveTFile()) << LastMsg();
  EXPECT_EQ(RawBytes(packed).substr(0, 2), "\x1f\x8b");
  EXPECT_EQ(w->Parser()->FileName, packed);
  EXPECT_EQ(w->RecentFiles().front(), packed);
  EXPECT_NE(w->windowTitle().toStdString().find(packed), std::string::npos);
  frmTXTEditor* back = OpenWindow(packed);
  ASSERT_EQ(back->Parser()->Count(), 3);
  EXPECT_EQ(kz::CStr(back->Parser()->FindIndex(0)->Value(0)), "changed_body");
  EXPECT_EQ(back->Parser()->FindIndex(2)->ObjectName(), "NOTE_C");

  // Saving the packed file again starts on the packed filter.
  ui_->PushFileCancel();
  EXPECT_FALSE(back->SaveTFile());
  EXPECT_EQ(ui_->Last("ShowSave")->File.FilterIndex, 2);
}

TEST_F(EditorTest, SavesIntoACatalog) {
  std::string error;
  const std::string cat = PathOf("01.cat");
  ASSERT_TRUE(kz::WriteWholeFile(cat + "::types\\TLaser.txt", ReadFile(PathOf("types/TLaser.txt")), 1, error));
  frmTXTEditor* w = OpenWindow(cat + "::types\\TLaser.txt");
  ASSERT_EQ(w->Parser()->Count(), 3);
  Touch(w, 1, "in_catalog");
  // A catalog path goes straight to the catalog browser, which starts on the file.
  std::string offered;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<frmCATDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    offered = d->cmbFileName->currentText().toStdString();
    d->PressOK();
    if (d->isVisible()) d->PressCancel();
  });
  ui_->PushMsgBox(platform::vbYes);
  ASSERT_TRUE(w->SaveTFile()) << LastMsg();
  EXPECT_EQ(offered, "TLaser.txt");
  EXPECT_EQ(w->Parser()->FileName, cat + "::types\\TLaser.txt");
  EXPECT_FALSE(w->Parser()->CheckDirty());
  frmTXTEditor* back = OpenWindow(cat + "::types\\TLaser.txt");
  ASSERT_EQ(back->Parser()->Count(), 3);
  EXPECT_EQ(kz::CStr(back->Parser()->FindIndex(1)->Value(0)), "in_catalog");
}

TEST_F(EditorTest, CancelAndNoAtTheOverwriteQuestionEndTheSave) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  Touch(w, 0, "x");
  const std::string before = RawBytes(PathOf("types/TLaser.txt"));
  ui_->PushFileCancel();
  EXPECT_FALSE(w->SaveTFile());
  ui_->PushFile(PathOf("types/TLaser.txt"), 1);
  ui_->PushMsgBox(platform::vbNo);
  EXPECT_FALSE(w->SaveTFile());
  EXPECT_EQ(ui_->Last("MsgBox")->Text.find(" already exists."), PathOf("types/TLaser.txt").size());
  EXPECT_EQ(RawBytes(PathOf("types/TLaser.txt")), before);
  EXPECT_TRUE(w->Parser()->CheckDirty());
}

TEST_F(EditorTest, FailedSaveLeavesTheFileWholeAndTheDataDirty) {
  // A name so long that the driver cannot make its temporary file beside it: the
  // commit at close fails.
  const std::string name = "types/TLaser" + std::string(245, 'x') + ".txt";
  WriteFile(name, ReadFile(PathOf("types/TLaser.txt")));
  const std::string path = PathOf(name);
  const std::string before = RawBytes(path);
  frmTXTEditor* w = OpenWindow(path);
  ASSERT_EQ(w->Parser()->Count(), 3) << LastMsg();
  // Only a removal: the file's own modified flag must survive the failed save too.
  ui_->PushMsgBox(platform::vbYes);
  w->DeleteSelected();
  ASSERT_EQ(w->Parser()->Count(), 2);
  ui_->PushFile(path, 1);
  ui_->PushMsgBox(platform::vbYes);
  EXPECT_FALSE(w->SaveTFile());
  EXPECT_EQ(LastMsg().rfind("Error writing data to file: \r\n\r\n", 0), 0u) << LastMsg();
  EXPECT_EQ(RawBytes(path), before);
  EXPECT_TRUE(w->Parser()->CheckDirty());
  EXPECT_TRUE(w->windowTitle().endsWith(" *"));
  EXPECT_EQ(w->Parser()->FileName, path);
}

TEST_F(EditorTest, RefusedValueLeavesEveryFormOfTheFileWhole) {
  // A field the writer cannot hold fails the save after the target was opened: nothing
  // of it may reach the file, plain or packed.
  const std::string plain = PathOf("types/TLaser.txt");
  frmTXTEditor* w = OpenWindow(plain);
  Touch(w, 0, "changed_body");
  ui_->PushFile(PathOf("types/TLaser.pck"), 2);
  ASSERT_TRUE(w->SaveTFile()) << LastMsg();
  const std::string packed = PathOf("types/TLaser.pck");
  const struct {
    std::string path;
    int filter;
  } targets[] = {{plain, 1}, {packed, 2}};
  for (const auto& t : targets) {
    const std::string before = RawBytes(t.path);
    Touch(w, 1, "a;b");
    ui_->PushFile(t.path, t.filter);
    ui_->PushMsgBox(platform::vbYes);
    EXPECT_FALSE(w->SaveTFile()) << t.path;
    EXPECT_EQ(LastMsg().rfind("Error writing data to file: \r\n\r\n", 0), 0u) << LastMsg();
    EXPECT_EQ(RawBytes(t.path), before) << t.path;
    EXPECT_TRUE(w->Parser()->CheckDirty());
  }
}

// A save under another name never goes onto the file of another editor window (by any
// spelling or link); onto its own file, however named, it goes as always.
TEST_F(EditorTest, SaveNeverWritesOntoAFileAnotherWindowHasOpen) {
  kz::ClearEditorFileReaders();
  kz::AddEditorFileReader(frmTXTEditor::OpenFileOf);
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  OpenWindow(PathOf("types/TShields.txt"));
  std::filesystem::create_symlink(PathOf("types/TShields.txt"), PathOf("shields-link.txt"));
  const std::string shields = RawBytes(PathOf("types/TShields.txt"));
  Touch(w, 0, "changed_body");
  for (const std::string& target : {PathOf("types/TShields.txt"), PathOf("TYPES/tshields.TXT"), PathOf("shields-link.txt")}) {
    SCOPED_TRACE(target);
    for (int32_t filter : {1, 2}) {
      ui_->ClearCalls();
      ui_->PushFile(target, filter);
      ui_->PushMsgBox(platform::vbYes);  // the overwrite question, should it come
      EXPECT_FALSE(w->SaveTFile());
      const auto boxes = ui_->Calls("MsgBox");
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].Text, "Cannot save to " + target + ":\r\n" + PathOf("types/TShields.txt") +
                                   " is open in another editor window. Choose another file name.");
      EXPECT_EQ(boxes[0].Flags & platform::vbExclamation, platform::vbExclamation);
    }
  }
  EXPECT_EQ(RawBytes(PathOf("types/TShields.txt")), shields);
  EXPECT_TRUE(std::filesystem::is_symlink(PathOf("shields-link.txt")));
  EXPECT_TRUE(w->Parser()->CheckDirty());
  EXPECT_EQ(w->Parser()->FileName, PathOf("types/TLaser.txt"));
  // Its own file, by another spelling.
  ui_->PushFile(PathOf("Types/TLASER.TXT"), 1);
  ui_->PushMsgBox(platform::vbYes);
  EXPECT_TRUE(w->SaveTFile()) << LastMsg();
  EXPECT_NE(RawBytes(PathOf("types/TLaser.txt")).find("changed_body;"), std::string::npos);
  kz::ClearEditorFileReaders();
}

TEST_F(EditorTest, ExportGoesToThePageThatHasIt) {
  configure = [](FakePage& p) { p.hasExport = true; };
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  EXPECT_TRUE(w->ExportData());
  EXPECT_EQ(PageOf(w)->exportCalls, 1);
  EXPECT_EQ(PageOf(w)->exportDialog, w->JvDialog);
  // Without a page nothing happens.
  frmTXTEditor* none = OpenWindow(PathOf("types/TShields.txt"));
  ui_->ClearCalls();
  EXPECT_FALSE(none->ExportData());
  EXPECT_TRUE(ui_->Calls("MsgBox").empty());
}

TEST_F(EditorTest, ClosePromptYesNoCancel) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  // Clean: no question.
  ui_->ClearCalls();
  QPointer<frmTXTEditor> guard(w);
  EXPECT_TRUE(w->close());
  EXPECT_TRUE(ui_->Calls("MsgBox").empty());

  frmTXTEditor* d = OpenWindow(PathOf("types/TLaser.txt"));
  Touch(d, 0, "edited");
  ui_->PushMsgBox(platform::vbCancel);
  EXPECT_FALSE(d->close());
  EXPECT_EQ(LastMsg(), "You have changed data in file TLaser.txt\r\n\r\nDo you want to save your changes?");
  EXPECT_EQ(ui_->Last("MsgBox")->Title, "TXT Editor");
  // Yes with a cancelled save dialog keeps the window.
  ui_->PushMsgBox(platform::vbYes);
  ui_->PushFileCancel();
  EXPECT_FALSE(d->close());
  // Yes and a save that succeeds closes it.
  ui_->PushMsgBox(platform::vbYes);
  ui_->PushFile(PathOf("types/TLaser.txt"), 1);
  ui_->PushMsgBox(platform::vbYes);
  EXPECT_TRUE(d->close());
  EXPECT_NE(RawBytes(PathOf("types/TLaser.txt")).find("edited;"), std::string::npos);

  frmTXTEditor* n = OpenWindow(PathOf("types/TLaser.txt"));
  n->chkSort->setChecked(false);
  n->SetListMode(2);
  Touch(n, 0, "dropped");
  ui_->PushMsgBox(platform::vbNo);
  EXPECT_TRUE(n->close());
  EXPECT_EQ(RawBytes(PathOf("types/TLaser.txt")).find("dropped;"), std::string::npos);
  EXPECT_EQ(kz::CLng(Settings->ReadRegValue("TE", "Sort", 4)), 0);
  EXPECT_EQ(kz::CLng(Settings->ReadRegValue("TE", "NameIdx", 4)), 2);
}

TEST_F(EditorTest, OpenPromptYesSavesAndOpensNothing) {
  WriteFile("types/TLaser2.txt", TypeFileText(3, 23, {"X"}));
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  Touch(w, 0, "kept");
  ui_->PushMsgBox(platform::vbYes);
  ui_->PushFile(PathOf("types/TLaser.txt"), 1);
  ui_->PushMsgBox(platform::vbYes);
  w->OpenFile(PathOf("types/TLaser2.txt"));
  EXPECT_EQ(ui_->Calls("MsgBox").front().Text,
            "You have changed data in file TLaser.txt\r\nDo you want to save your changes?");
  EXPECT_EQ(w->Parser()->FileName, PathOf("types/TLaser.txt"));
  EXPECT_FALSE(w->Parser()->CheckDirty());
  // No opens the new file without saving; Cancel keeps everything.
  Touch(w, 0, "lost");
  ui_->PushMsgBox(platform::vbCancel);
  w->OpenFile(PathOf("types/TLaser2.txt"));
  EXPECT_EQ(w->Parser()->FileName, PathOf("types/TLaser.txt"));
  ui_->PushMsgBox(platform::vbNo);
  w->OpenFile(PathOf("types/TLaser2.txt"));
  EXPECT_EQ(w->Parser()->FileName, PathOf("types/TLaser2.txt"));
  EXPECT_EQ(RawBytes(PathOf("types/TLaser.txt")).find("lost;"), std::string::npos);
}
