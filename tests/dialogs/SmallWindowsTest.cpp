// The find dialog, the text report window, the about box and the loaded-files list.
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QTabBar>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <algorithm>

#include "DialogsFixture.h"
#include "core/Generic.h"
#include "gamelibs/zuzer/zuzer.h"
#include "shell/About.h"
#include "shell/DialogRules.h"
#include "shell/Files.h"
#include "shell/Find.h"
#include "shell/Text.h"

namespace {

using dialogs_test::DialogsTest;

// ---- Find ------------------------------------------------------------------------

struct FindEvent {
  bool wholeWords, byID;
  std::string text;
};

TEST_F(DialogsTest, FindNextReportsTheConditionsAndKeepsTheOwnersTag) {
  frmFind f;
  std::vector<FindEvent> events;
  std::vector<std::string> order;
  f.OnFindNext = [&](bool whole, bool byID, std::string& text, kz::Variant& tag, bool& found) {
    events.push_back({whole, byID, text});
    order.push_back("next");
    EXPECT_FALSE(found);
    tag = kz::Variant(int32_t(tag.IsEmpty() ? 1 : kz::CLng(tag) + 1));  // the owner's position
    found = kz::CLng(tag) < 3;
  };
  f.OnClose = [&] { order.push_back("close"); };

  EXPECT_FALSE(f.btnFindNext->isEnabled());  // disabled at load
  f.ShowFind("");
  EXPECT_FALSE(f.btnFindNext->isEnabled());  // an empty find box
  EXPECT_FALSE(f.lblIDText->isVisible());
  EXPECT_FALSE(f.rbIDText[0]->isVisible());
  f.FindEdit->setText("laser");
  EXPECT_TRUE(f.btnFindNext->isEnabled());
  f.chkWholeWords->setChecked(true);
  f.btnFindNext->click();
  f.btnFindNext->click();
  EXPECT_TRUE(Boxes().empty());
  f.btnFindNext->click();  // the handler finds nothing now
  f.btnFindNext->click();  // ... and the box comes each time
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].Text, "No more occurencies found.");
  EXPECT_EQ(Boxes()[0].Title, "Find");
  EXPECT_EQ(Boxes()[0].Flags & 0x70, platform::vbInformation);
  ASSERT_EQ(events.size(), 4u);
  EXPECT_TRUE(events[0].wholeWords);
  EXPECT_EQ(events[0].text, "laser");
  EXPECT_EQ(f.FindString(), "laser");
  EXPECT_EQ(kz::CLng(f.Tag()), 4);

  f.ClearTag();
  EXPECT_TRUE(f.Tag().IsEmpty());
  f.btnCancel->click();
  EXPECT_EQ(order.back(), "close");
  EXPECT_FALSE(f.isVisible());
}

TEST_F(DialogsTest, FindInTextResourceModeComparesByIdWithWholeWords) {
  frmFind f;
  std::vector<FindEvent> events;
  f.OnFindNext = [&](bool whole, bool byID, std::string& text, kz::Variant&, bool& found) {
    events.push_back({whole, byID, text});
    found = true;
  };
  f.SetCaption("Find Text");
  f.ShowFindResEditor("17");
  EXPECT_EQ(f.windowTitle(), "Find Text");
  EXPECT_TRUE(f.lblIDText->isVisible());
  EXPECT_TRUE(f.rbIDText[1]->isVisible());
  f.chkWholeWords->setChecked(false);
  f.rbIDText[0]->click();  // "ID"
  EXPECT_FALSE(f.chkWholeWords->isEnabled());
  f.btnFindNext->click();
  f.rbIDText[1]->click();  // "Text"
  EXPECT_TRUE(f.chkWholeWords->isEnabled());
  f.btnFindNext->click();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_TRUE(events[0].byID);
  EXPECT_TRUE(events[0].wholeWords);  // whatever the box shows
  EXPECT_FALSE(events[1].byID);
  EXPECT_FALSE(events[1].wholeWords);
  EXPECT_TRUE(f.ResEditorMode());
  f.close();  // the close box tells the owner too
}

TEST_F(DialogsTest, FindCloseBoxRaisesOnClose) {
  frmFind f;
  int closes = 0;
  f.OnClose = [&] { ++closes; };
  f.ShowFind("x");
  f.close();
  EXPECT_EQ(closes, 1);
}

// Escape in the find box, as a user ends the dialog that an editor window owns.
TEST_F(DialogsTest, EscapeClosesTheFindDialogOfAnOwner) {
  QWidget owner;
  owner.show();
  auto* f = new frmFind(&owner);
  int closes = 0;
  f->OnClose = [&] { ++closes; };
  f->ShowFind("laser", false, &owner);
  ASSERT_TRUE(f->isVisible());
  f->activateWindow();
  f->FindEdit->setFocus();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(f->FindEdit, &press);
  EXPECT_FALSE(f->isVisible());
  EXPECT_EQ(closes, 1);
}

// ---- Text report ------------------------------------------------------------------

TEST_F(DialogsTest, TextReportClosesOnEnterAndWrapsItsLines) {
  frmText& t = frmText::Default();
  t.SetText(std::string(400, 'x') + " " + std::string(300, 'y') + "\r\nshort line");
  t.MyShow("Errors in file data");
  t.resize(400, 300);
  QApplication::processEvents();
  // A long line is wrapped to the box's width: nothing to scroll sideways.
  EXPECT_EQ(t.txt->horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(t.Text(), std::string(400, 'x') + " " + std::string(300, 'y') + "\nshort line");
  // Enter in the report presses OK and leaves the report as it was.
  t.txt->setFocus();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(t.txt, &press);
  EXPECT_FALSE(t.isVisible());
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  delete &frmText::Default();
}

TEST_F(DialogsTest, TextReportAppendsWithoutLineBreaks) {
  frmText& t = frmText::Default();
  EXPECT_EQ(&t, &frmText::Default());
  t.SetText("");
  t.AddText("a");
  t.AddText("b");
  EXPECT_EQ(t.Text(), "ab");
  t.AddText("\r\nline 2");
  EXPECT_EQ(t.Text(), "ab\nline 2");
  t.MyShow("Validation report");
  EXPECT_EQ(t.windowTitle(), "Validation report");
  t.resize(400, 300);
  EXPECT_LT(t.txt->geometry().bottom(), t.btnOK->geometry().top());
  EXPECT_LE(t.btnOK->geometry().right(), 400);
  t.btnOK->click();  // unloads: the next use gets a fresh window
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(frmText::Default().Text(), "");
  delete &frmText::Default();
}

// ---- About box --------------------------------------------------------------------

TEST_F(DialogsTest, AboutBoxShowsTheVersionsOfTheLibrariesItFinds) {
  // A look-up where only the file driver and the object library load.
  auto lookup = [](std::string& name, const std::string& def) -> std::string {
    if (name == "librudu.so" || name == "libvidedoded.so") {
      name = "/opt/kz/lib/" + name;
      return "1.2.3";
    }
    return def;
  };
  const std::string text = kz::AboutLibrariesText(lookup);
  EXPECT_EQ(text,
            "Jv FileDriver (/opt/kz/lib/librudu.so): 1.2.3\r\n"
            "Kz Virtual File System (libzuzer.so): \r\n"
            "Kz Objects (/opt/kz/lib/libvidedoded.so): 1.2.3\r\n"
            "Image loader for the Kz series, using DevIL (libvup.so): Error loading libvup.so. "
            "(the DevIL library libIL.so is missing?)");

  frmAbout about;
  EXPECT_EQ(about.lblName->text().toStdString(), "Version " + kz::GetAppVersion());
  EXPECT_EQ(about.TabStrip1->tabText(0), "Libraries");
  // The real look-up finds our own libraries beside the program.
  const std::string shown = about.Credits->toPlainText().toStdString();
  EXPECT_NE(shown.find("Jv FileDriver ("), std::string::npos);
  EXPECT_NE(shown.find("librudu.so"), std::string::npos);
  const std::string firstLine = shown.substr(0, shown.find('\n'));
  EXPECT_NE(firstLine.find("/librudu.so"), std::string::npos) << shown;
  EXPECT_EQ(firstLine.substr(firstLine.size() - (3 + kz::GetAppVersion().size())), "): " + kz::GetAppVersion()) << shown;
  about.SetLibraryLookup(lookup);
  EXPECT_EQ(about.Credits->toPlainText().count('\n'), 3);

  // Every line reads whole, also a long path: no sideways scrolling.
  about.SetLibraryLookup([](std::string& name, const std::string&) -> std::string {
    name = "/home/player/games/kz-editor/build/lib/" + name + ".0.1.0";
    return "12.34.56";
  });
  about.show();
  QApplication::processEvents();
  EXPECT_EQ(about.Credits->horizontalScrollBar()->maximum(), 0);
  EXPECT_FALSE(about.Credits->horizontalScrollBar()->isVisible());
}

// ---- Loaded files -------------------------------------------------------------------

TEST_F(DialogsTest, FileListWalksTheVirtualFileSystemUnderAFilter) {
  const std::string root = dialogs_test::SampleDataDir();
  ASSERT_NE(ZuZER_CreateVFS(root.c_str()), 0);

  const auto all = kz::WalkVfsFiles("");
  auto has = [](const std::vector<kz::VfsFileRow>& rows, const std::string& name) {
    return std::find_if(rows.begin(), rows.end(), [&](const kz::VfsFileRow& r) { return r.VfsName == name; });
  };
  auto ships = has(all, "types\\TShips.txt");
  ASSERT_NE(ships, all.end());
  EXPECT_EQ(ships->RealName, root + "/types/TShips.txt");
  auto bullets = has(all, "types\\TBullets.pck");  // only in the catalog
  ASSERT_NE(bullets, all.end());
  EXPECT_NE(bullets->RealName.find("01.cat::"), std::string::npos);
  EXPECT_NE(has(all, "objects\\v\\00002.bod"), all.end());  // files at any depth

  // types\T*: the T files of types, and everything inside types' folders beginning with T.
  const auto t = kz::WalkVfsFiles("types\\T*");
  ASSERT_FALSE(t.empty());
  for (const kz::VfsFileRow& r : t) {
    EXPECT_EQ(r.VfsName.rfind("types\\T", 0), 0u) << r.VfsName;
  }
  EXPECT_NE(has(t, "types\\TShips.txt"), t.end());
  EXPECT_EQ(has(t, "types\\Jobs.txt"), t.end());
  // Files above the filter's last part are listed too (the first level's pattern
  // "types" matches the folder only, so no root files show).
  const auto deep = kz::WalkVfsFiles("objects\\v\\0000*");
  EXPECT_NE(has(deep, "objects\\v\\00002.bod"), deep.end());

  frmFiles files;
  files.FilterEdit->setText("types\\T*");
  files.ShowFiles();
  EXPECT_EQ(files.View->topLevelItemCount(), static_cast<int>(t.size()));
  EXPECT_EQ(files.View->headerItem()->text(0), "VFS name");
  EXPECT_EQ(files.View->headerItem()->text(1), "Real name");
  EXPECT_EQ(files.ActiveModEdit->text(), "(none)");
  files.FilterEdit->setText("");
  QMetaObject::invokeMethod(files.FilterEdit, "returnPressed");
  EXPECT_EQ(files.View->topLevelItemCount(), static_cast<int>(all.size()));
  // Every VFS name reads whole.
  files.show();
  QApplication::processEvents();
  const QFontMetrics fm(files.View->font());
  for (const kz::VfsFileRow& r : all)
    EXPECT_LT(fm.horizontalAdvance(QString::fromStdString(r.VfsName)), files.View->columnWidth(0)) << r.VfsName;
  EXPECT_EQ(files.View->columnWidth(0) + files.View->columnWidth(1), files.View->viewport()->width());
  files.resize(500, 400);
  EXPECT_EQ(files.View->geometry().right(), 499);
  EXPECT_EQ(files.View->geometry().bottom(), 399);
}

}  // namespace
