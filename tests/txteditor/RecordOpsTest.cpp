// Record operations and the record clipboard, within one window and across two.
#include <QTreeWidget>

#include "EditorFixture.h"

namespace {
std::vector<std::string> FileOrder(const frmTXTEditor* w) {
  std::vector<std::string> ids;
  for (const TXTObjectPtr& r : w->Parser()->UnsortedObjects) ids.push_back(r->ObjectName());
  return ids;
}
}  // namespace

TEST_F(EditorTest, AddAsksWhereAndRefusesInsertingIntoASortedList) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  w->chkSort->setChecked(true);
  ASSERT_TRUE(w->SelectedRecord());
  // Yes (before the selection) in a sorted list is refused.
  ui_->PushMsgBox(platform::vbYes);
  w->AddRecord();
  EXPECT_EQ(LastMsg(),
            "You cannot insert object into sorted list.\r\nUncheck the Sort checkbox and insert the object again.");
  EXPECT_EQ(w->Parser()->Count(), 3);
  // Cancel does nothing.
  ui_->PushMsgBox(platform::vbCancel);
  w->AddRecord();
  EXPECT_EQ(w->Parser()->Count(), 3);
  // No adds at the end, with a unique name.
  ui_->PushMsgBox(platform::vbNo);
  w->AddRecord();
  ASSERT_EQ(w->Parser()->Count(), 4);
  EXPECT_EQ(FileOrder(w).back(), "NEW_OBJECT_1");
  EXPECT_EQ(w->SelectedRecord()->ObjectName(), "NEW_OBJECT_1");
  EXPECT_EQ(w->StatusText(1), "4 objects");
  EXPECT_TRUE(w->windowTitle().endsWith(" *"));
  EXPECT_EQ(PageOf(w)->initObjectCalls, 0);

  // Unsorted, Yes inserts before the selected record.
  w->chkSort->setChecked(false);
  w->SelectRecord(w->Parser()->FindIndex(1));
  ui_->PushMsgBox(platform::vbYes);
  w->AddRecord();
  EXPECT_EQ(FileOrder(w),
            (std::vector<std::string>{"SS_LASER_B", "NEW_OBJECT_2", "SS_LASER_A", "NOTE_C", "NEW_OBJECT_1"}));
  EXPECT_EQ(w->ObjectView->model()->index(1, 0).data().toString(), "NEW_OBJECT_2");
  EXPECT_EQ(w->SelectedRecord()->index, 1);
}

TEST_F(EditorTest, RecordsCannotBeAddedWithoutAPage) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TShields.txt"));
  ui_->PushMsgBox(platform::vbNo);
  w->AddRecord();
  EXPECT_EQ(LastMsg(), "This type of file is not recognized. You cannot add objects to it.");
  // Deleting fails with the run-time error of the missing page; the record stays.
  ui_->PushMsgBox(platform::vbYes);
  w->DeleteSelected();
  EXPECT_EQ(LastMsg().rfind("Error in DeleteObject: ", 0), 0u) << LastMsg();
  EXPECT_GT(LastMsg().size(), std::string("Error in DeleteObject: ").size());
  EXPECT_EQ(w->Parser()->Count(), 2);
}

TEST_F(EditorTest, CopyAndPasteInOneFileGivesANewKeyPlaceAndName) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  w->chkSort->setChecked(false);
  w->SelectRecord(w->Parser()->FindIndex(0));
  const TXTObjectRef original = w->SelectedRecord();
  w->CopySelected();
  EXPECT_TRUE(w->mnuPaste->isEnabled());
  ui_->PushMsgBox(platform::vbNo);
  w->PasteRecord();
  ASSERT_EQ(w->Parser()->Count(), 4);
  TXTObjectRef copy = w->Parser()->FindIndex(3);
  ASSERT_TRUE(copy);
  EXPECT_NE(copy, original);
  EXPECT_NE(copy->key(), original->key());
  EXPECT_EQ(copy->index, 3);  // its own position, not the source's
  EXPECT_EQ(copy->ObjectName(), "NEW_OBJECT_1");  // the ID clashed with the original's
  EXPECT_EQ(kz::CStr(copy->Value(0)), "body0");
  EXPECT_EQ(PageOf(w)->initObjectCalls, 1);
  EXPECT_EQ(original->index, 0);
  // A copy stays on the clipboard.
  EXPECT_EQ(clsRecordClipboard::Instance().Mode(), clsRecordClipboard::kModeCopy);
  ui_->PushMsgBox(platform::vbNo);
  w->PasteRecord();
  EXPECT_EQ(w->Parser()->Count(), 5);
  EXPECT_EQ(w->Parser()->FindIndex(4)->ObjectName(), "NEW_OBJECT_2");
}

TEST_F(EditorTest, CutAndPasteInOneWindowMovesTheRecord) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  w->chkSort->setChecked(false);
  w->SelectRecord(w->Parser()->FindIndex(0));
  const TXTObjectRef moved = w->SelectedRecord();
  w->CutSelected();
  ui_->PushMsgBox(platform::vbNo);
  w->PasteRecord();
  EXPECT_EQ(FileOrder(w), (std::vector<std::string>{"SS_LASER_A", "NOTE_C", "SS_LASER_B"}));
  EXPECT_FALSE(w->HoldsRecord(moved));
  EXPECT_EQ(w->ObjectView->model()->rowCount(), 3);
  EXPECT_EQ(clsRecordClipboard::Instance().Mode(), clsRecordClipboard::kModeNone);
  EXPECT_FALSE(clsRecordClipboard::Instance().Record());
  EXPECT_FALSE(w->mnuPaste->isEnabled());
}

TEST_F(EditorTest, CutBetweenWindowsChecksNamesAndDeletesTheVeryRecord) {
  WriteFile("types/TLaserOther.txt", TypeFileText(3, 23, {"SS_LASER_A", "OTHER"}));
  frmTXTEditor* a = OpenWindow(PathOf("types/TLaser.txt"));
  frmTXTEditor* b = OpenWindow(PathOf("types/TLaserOther.txt"));
  a->SelectRecord(a->Parser()->FindID("SS_LASER_A"));
  const TXTObjectRef moved = a->SelectedRecord();
  a->CutSelected();
  EXPECT_EQ(clsRecordClipboard::Instance().Source(), a);
  ui_->PushMsgBox(platform::vbNo);
  b->PasteRecord();
  // B already has SS_LASER_A: the moved record gets a name of its own there.
  ASSERT_EQ(b->Parser()->Count(), 3);
  EXPECT_EQ(b->Parser()->FindIndex(2)->ObjectName(), "NEW_OBJECT_1");
  EXPECT_EQ(kz::CStr(b->Parser()->FindIndex(2)->Value(0)), kz::CStr(moved->Value(0)));
  // A lost exactly that record.
  EXPECT_FALSE(a->HoldsRecord(moved));
  EXPECT_EQ(a->Parser()->Count(), 2);
  EXPECT_EQ(a->StatusText(1), "2 objects");
  EXPECT_FALSE(clsRecordClipboard::Instance().Record());
}

TEST_F(EditorTest, CutFromAClosedWindowIsPastedAndReported) {
  WriteFile("types/TLaserOther.txt", TypeFileText(3, 23, {"OTHER"}));
  frmTXTEditor* b = OpenWindow(PathOf("types/TLaserOther.txt"));
  {
    frmTXTEditor* a = OpenWindow(PathOf("types/TLaser.txt"));
    a->CutSelected();
    a->close();  // clean: closes without asking
    delete a;
  }
  ASSERT_TRUE(clsRecordClipboard::Instance().Record());
  EXPECT_EQ(clsRecordClipboard::Instance().Source(), nullptr);
  ui_->PushMsgBox(platform::vbNo);
  b->PasteRecord();
  EXPECT_EQ(b->Parser()->Count(), 2);
  EXPECT_EQ(LastMsg(), "Cannot delete object from source window - maybe it was closed?");
  EXPECT_FALSE(clsRecordClipboard::Instance().Record());
  EXPECT_EQ(clsRecordClipboard::Instance().Mode(), 0);
}

TEST_F(EditorTest, WindowThatLoadsAnotherFileIsNoLongerTheCutSource) {
  WriteFile("types/TLaserOther.txt", TypeFileText(3, 23, {"OTHER", "MORE"}));
  WriteFile("types/TLaserThird.txt", TypeFileText(3, 23, {"THIRD"}));
  frmTXTEditor* a = OpenWindow(PathOf("types/TLaser.txt"));
  frmTXTEditor* b = OpenWindow(PathOf("types/TLaserThird.txt"));
  a->chkSort->setChecked(false);
  a->SelectRecord(a->Parser()->FindIndex(0));
  a->CutSelected();
  // A now shows another file, whose first record has the same key as the cut one.
  a->OpenFile(PathOf("types/TLaserOther.txt"));
  ASSERT_EQ(a->Parser()->FindIndex(0)->key(), clsRecordClipboard::Instance().Record()->key());
  EXPECT_EQ(clsRecordClipboard::Instance().Source(), nullptr);
  ui_->PushMsgBox(platform::vbNo);
  b->PasteRecord();
  EXPECT_EQ(b->Parser()->Count(), 2);
  EXPECT_EQ(LastMsg(), "Cannot delete object from source window - maybe it was closed?");
  EXPECT_EQ(a->Parser()->Count(), 2);  // nothing of the new file was deleted
  EXPECT_FALSE(a->Parser()->CheckDirty());
  // Even a window asked directly refuses a record it does not hold.
  TXTObjectRef stranger = std::make_shared<clsTXTObject>(*a->Parser()->FindIndex(0));
  EXPECT_FALSE(a->DeleteObj(stranger));
  EXPECT_EQ(a->Parser()->Count(), 2);
}

TEST_F(EditorTest, PasteIntoAnotherTypeIsRefused) {
  frmTXTEditor* a = OpenWindow(PathOf("types/TLaser.txt"));
  a->CopySelected();
  // A second page kind for shields, so the target window has a page.
  frmTXTEditor::SetPageFactory(frmTXTEditor::kJobPage, [](QWidget* parent) {
    auto* p = new FakePage(parent);
    p->answersType = 2;
    return p;
  });
  frmTXTEditor* b = OpenWindow(PathOf("types/TShields.txt"));
  ASSERT_NE(b->CurrentPage(), nullptr);
  b->PasteRecord();
  EXPECT_EQ(LastMsg(), "Cannot insert: object types are different.");
  EXPECT_EQ(b->Parser()->Count(), 2);
}

TEST_F(EditorTest, DeleteAsksAndGoesThroughPageAndParser) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TLaser.txt"));
  w->chkSort->setChecked(false);
  w->SelectRecord(w->Parser()->FindIndex(1));
  ui_->PushMsgBox(platform::vbYes);
  w->DeleteSelected();
  EXPECT_EQ(ui_->Calls("MsgBox").back().Text, "Do you really want to delete the selected object SS_LASER_A ?");
  EXPECT_EQ(FileOrder(w), (std::vector<std::string>{"SS_LASER_B", "NOTE_C"}));
  ASSERT_TRUE(w->SelectedRecord());
  EXPECT_EQ(w->ObjectView->model()->rowCount(), 2);
  EXPECT_TRUE(w->windowTitle().endsWith(" *"));

  // A page that refuses keeps the record.
  PageOf(w)->removeResult = false;
  ui_->PushMsgBox(platform::vbYes);
  w->DeleteSelected();
  EXPECT_EQ(LastMsg(), "Error removing object from control.");
  EXPECT_EQ(w->Parser()->Count(), 2);
}
