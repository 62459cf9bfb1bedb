// The catalog browser over a generated catalog and over the virtual file system of
// the sample data, and the file dialog control that switches to it.
#include <QApplication>
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "DialogsFixture.h"
#include "core/AppError.h"
#include "gamelibs/zuzer/zuzer.h"
#include "shell/CATDialog.h"
#include "shell/JvFileDialog.h"

namespace {

using dialogs_test::DialogsTest;
using Names = std::vector<std::string>;

Names Items(const frmCATDialog& d) {
  Names n;
  for (int i = 0; i < d.FileView->topLevelItemCount(); ++i) n.push_back(d.FileView->topLevelItem(i)->text(0).toStdString());
  return n;
}
Names DirEntries(const frmCATDialog& d) {
  Names n;
  for (int i = 0; i < d.cmbDir->count(); ++i) n.push_back(d.cmbDir->itemText(i).toStdString());
  return n;
}
QTreeWidgetItem* Item(const frmCATDialog& d, const std::string& text) {
  for (int i = 0; i < d.FileView->topLevelItemCount(); ++i)
    if (d.FileView->topLevelItem(i)->text(0).toStdString() == text) return d.FileView->topLevelItem(i);
  ADD_FAILURE() << "no item " << text;
  return nullptr;
}
void Type(frmCATDialog& d, const std::string& name) { d.cmbFileName->setEditText(QString::fromStdString(name)); }

// Runs `act` on the catalog browser once it is shown modally; a browser the action
// left open is cancelled so the test cannot hang.
void WhenBrowserShows(std::function<void(frmCATDialog&)> act) {
  QTimer::singleShot(0, [act] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* d = qobject_cast<frmCATDialog*>(w);
      if (d && d->isVisible()) {
        act(*d);
        if (d->isVisible()) {
          ADD_FAILURE() << "the browser stayed open";
          d->PressCancel();
        }
        return;
      }
    }
    ADD_FAILURE() << "no catalog browser shown";
  });
}

class CatalogDialogTest : public DialogsTest {
 protected:
  void SetUp() override {
    DialogsTest::SetUp();
    cat_ = (Dir() / "00.cat").string();
    dialogs_test::WriteCatalog(cat_, {{"types\\TShips.txt", "ships"},
                                      {"types\\TLaser.txt", "lasers"},
                                      {"types\\sub\\deep.txt", "deep"},
                                      {"maps\\x.xml", "<x/>"},
                                      {"readme.txt", "hi"}});
  }
  std::string cat_;
};

TEST_F(CatalogDialogTest, ListsOneFolderLevelAndWalksTheFolderStack) {
  frmCATDialog d;
  d.filter = "All Files (*.*)|*.*";
  ASSERT_TRUE(d.Prepare(cat_, false));
  EXPECT_EQ(d.windowTitle().toStdString(), "Catalog " + cat_);
  EXPECT_EQ(d.btnOK->text(), "Open");
  EXPECT_EQ(d.lblCaption->text(), "Look in");
  EXPECT_EQ(Items(d), (Names{"maps", "types", "readme.txt"}));
  EXPECT_EQ(DirEntries(d), (Names{"00.cat"}));

  d.DoubleClickItem(Item(d, "types"));
  EXPECT_EQ(d.FolderStack(), (Names{"types"}));
  EXPECT_EQ(Items(d), (Names{"sub", "TLaser.txt", "TShips.txt"}));
  d.DoubleClickItem(Item(d, "sub"));
  EXPECT_EQ(DirEntries(d), (Names{"00.cat", "    types", "        sub"}));
  EXPECT_EQ(d.cmbDir->currentIndex(), 2);
  EXPECT_EQ(Items(d), (Names{"deep.txt"}));

  d.SelectDirEntry(1);  // back to "types"
  EXPECT_EQ(d.FolderStack(), (Names{"types"}));
  d.UpOneLevel();
  d.UpOneLevel();  // nothing above the root
  EXPECT_TRUE(d.FolderStack().empty());
  EXPECT_EQ(Items(d), (Names{"maps", "types", "readme.txt"}));

  // A clicked folder is entered by OK; a clicked file fills the name box.
  d.ClickItem(Item(d, "maps"));
  EXPECT_EQ(d.PendingFolder(), "maps");
  d.ClickItem(Item(d, "readme.txt"));
  EXPECT_EQ(d.PendingFolder(), "");
  EXPECT_EQ(d.cmbFileName->currentText(), "readme.txt");
  d.ClickItem(Item(d, "maps"));
  d.PressOK();
  EXPECT_EQ(d.FolderStack(), (Names{"maps"}));
  EXPECT_EQ(d.ModalResult(), frmCATDialog::kResultCancel);  // still open
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(CatalogDialogTest, StartsAtTheStartPathAndReturnsTheChosenFile) {
  frmCATDialog d;
  d.filter = "All Files (*.*)|*.*";
  d.FileName = "types\\TShips.txt";
  d.DialogTitle = "Open type file";
  ASSERT_TRUE(d.Prepare(cat_, false));
  EXPECT_EQ(d.windowTitle().toStdString(), "Catalog " + cat_ + " - Open type file");
  EXPECT_EQ(d.FolderStack(), (Names{"types"}));
  EXPECT_EQ(d.cmbFileName->currentText(), "TShips.txt");
  ASSERT_NE(d.FileView->currentItem(), nullptr);
  EXPECT_EQ(d.FileView->currentItem()->text(0), "TShips.txt");

  d.DoubleClickItem(Item(d, "TLaser.txt"));
  EXPECT_EQ(d.ModalResult(), frmCATDialog::kResultOK);
  EXPECT_EQ(d.FileName, cat_ + "::types\\TLaser.txt");
}

TEST_F(CatalogDialogTest, FiltersChooseTheListingPattern) {
  frmCATDialog d;
  d.filter = "Maps (*.xml)|*.xml|All Files (*.*)|*.*";
  d.FilterIndex = 2;  // the number of filters: the last one
  d.FileName = "maps\\";
  ASSERT_TRUE(d.Prepare(cat_, false));
  EXPECT_EQ(d.CurrentPattern(), "*");
  EXPECT_EQ(d.FolderStack(), Names{});  // "maps\" puts the folder name into the name box
  EXPECT_EQ(d.cmbFileName->currentText(), "maps");
  d.DoubleClickItem(Item(d, "types"));
  EXPECT_EQ(Items(d).size(), 3u);
  d.cmbFilter->setCurrentIndex(0);  // *.xml: the folder stays, the text files go
  EXPECT_EQ(Items(d), (Names{"sub"}));
  d.UpOneLevel();
  d.DoubleClickItem(Item(d, "maps"));
  EXPECT_EQ(Items(d), (Names{"x.xml"}));
  Type(d, "x.xml");
  d.PressOK();
  EXPECT_EQ(d.ModalResult(), frmCATDialog::kResultOK);
  EXPECT_EQ(d.FileName, cat_ + "::maps\\x.xml");
  EXPECT_EQ(d.FilterIndex, 1);

  for (int32_t index : {0, 7, -3}) {
    frmCATDialog e;
    e.filter = "Maps (*.xml)|*.xml|All Files (*.*)|*.*";
    e.FilterIndex = index;
    ASSERT_TRUE(e.Prepare(cat_, false));
    EXPECT_EQ(e.cmbFilter->currentIndex(), 0) << index;
  }
}

TEST_F(CatalogDialogTest, OpenRefusesMissingAndUnsafeNames) {
  frmCATDialog d;
  d.filter = "All Files (*.*)|*.*";
  ASSERT_TRUE(d.Prepare(cat_, false));
  Type(d, "nope.txt");
  d.PressOK();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Text, "File nope.txt does not exist.");
  EXPECT_EQ(Boxes()[0].Flags & 0x70, platform::vbExclamation);
  EXPECT_EQ(d.ModalResult(), frmCATDialog::kResultCancel);
  EXPECT_EQ(d.FileName, "");

  // A full path is opened as it stands, so a missing one is refused as missing.
  for (const char* bad : {"", "..\\readme.txt", "types\\..\\..\\x", "/no/such/file.txt", "C:x.txt", "*.txt"}) {
    Type(d, bad);
    d.PressOK();
    EXPECT_EQ(d.ModalResult(), frmCATDialog::kResultCancel) << bad;
  }
  EXPECT_EQ(Boxes().size(), 7u);

  // Still usable afterwards; a typed folder is entered, a typed sub-path is found.
  Type(d, "types");
  d.PressOK();
  EXPECT_EQ(d.FolderStack(), (Names{"types"}));
  Type(d, "sub\\deep.txt");
  d.PressOK();
  EXPECT_EQ(d.ModalResult(), frmCATDialog::kResultOK);
  EXPECT_EQ(d.FileName, cat_ + "::types\\sub\\deep.txt");
}

TEST_F(CatalogDialogTest, SaveAcceptsNewNamesAndAddsTheFiltersExtension) {
  struct Case {
    std::string filter, typed, want;
  } cases[] = {
      {"Type files (*.txt)|*.txt", "a", "types\\a.txt"},
      {"All Files (*.*)|*.*", "a", "types\\a"},
      {"Type files (*.txt)|*.txt", "b.pck", "types\\b.pck"},
      {"Type files (*.txt)|*.txt", "TShips.txt", "types\\TShips.txt"},
  };
  for (const Case& c : cases) {
    frmCATDialog d;
    d.filter = c.filter;
    d.FileName = "types\\";
    ASSERT_TRUE(d.Prepare(cat_, true));
    EXPECT_EQ(d.btnOK->text(), "Save");
    EXPECT_EQ(d.lblFilter->text(), "Save as type");
    EXPECT_EQ(d.cmbFileName->currentText(), "types");
    d.PressOK();  // "types" is a folder: entered
    Type(d, c.typed);
    d.PressOK();
    EXPECT_EQ(d.ModalResult(), frmCATDialog::kResultOK) << c.typed;
    EXPECT_EQ(d.FileName, cat_ + "::" + c.want);
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(CatalogDialogTest, CancelCloseCatalogAndTheCloseBoxLeaveNoName) {
  frmCATDialog a;
  a.FileName = "readme.txt";
  ASSERT_TRUE(a.Prepare(cat_, false));
  a.PressCancel();
  EXPECT_EQ(a.ModalResult(), frmCATDialog::kResultCancel);
  EXPECT_EQ(a.FileName, "");

  frmCATDialog b;
  b.EnableCloseCatalog = true;
  b.FileName = "readme.txt";
  ASSERT_TRUE(b.Prepare(cat_, false));
  EXPECT_TRUE(b.btnCloseCatalog->isEnabled());
  b.PressCloseCatalog();
  EXPECT_EQ(b.ModalResult(), frmCATDialog::kResultCloseCatalog);
  EXPECT_EQ(b.FileName, "");

  frmCATDialog c;
  c.FileName = "readme.txt";
  ASSERT_TRUE(c.Prepare(cat_, false));
  EXPECT_FALSE(c.btnCloseCatalog->isEnabled());
  c.show();
  c.close();
  EXPECT_EQ(c.ModalResult(), frmCATDialog::kResultClosed);
  EXPECT_EQ(c.FileName, "");
}

TEST_F(CatalogDialogTest, ACatalogThatCannotBeOpenedClosesAtOnce) {
  frmCATDialog d;
  d.FileName = "x";
  EXPECT_FALSE(d.Prepare((Dir() / "missing.cat").string(), false));
  EXPECT_EQ(d.ModalResult(), frmCATDialog::kResultCloseCatalog);
  EXPECT_EQ(d.FileName, "");
  ASSERT_EQ(Boxes().size(), 1u);
  const std::string head = "Error opening file " + (Dir() / "missing.cat").string() + ":\r\n\r\n";
  EXPECT_EQ(Boxes()[0].Text.substr(0, head.size()), head);
  EXPECT_GT(Boxes()[0].Text.size(), head.size());
  EXPECT_EQ(Boxes()[0].Flags, platform::vbOKOnly);
}

TEST_F(CatalogDialogTest, BrowsesTheVirtualFileSystem) {
  ASSERT_NE(ZuZER_CreateVFS(dialogs_test::SampleDataDir().c_str()), 0);
  frmCATDialog d;
  d.filter = "All Files (*.*)|*.*";
  ASSERT_TRUE(d.Prepare("vfs://", false));
  EXPECT_EQ(DirEntries(d), (Names{""}));
  const Names root = Items(d);
  for (const char* folder : {"types", "t", "maps", "objects"})
    EXPECT_NE(std::find(root.begin(), root.end(), folder), root.end()) << folder;
  d.DoubleClickItem(Item(d, "types"));
  const Names types = Items(d);
  // The plain files and the catalogs' entries in one tree.
  for (const char* file : {"TShips.txt", "TLaser.txt", "TBullets.pck"})
    EXPECT_NE(std::find(types.begin(), types.end(), file), types.end()) << file;
  Type(d, "TShips.txt");
  d.PressOK();
  EXPECT_EQ(d.FileName, "vfs://types\\TShips.txt");

  // Given a start path with the prefix, the browser starts in its folder.
  frmCATDialog e;
  e.FileName = "vfs://types\\TLaser.txt";
  ASSERT_TRUE(e.Prepare("vfs://", false));
  EXPECT_EQ(e.FolderStack(), (Names{"types"}));

  // Saving never browses the virtual file system: "vfs://" is tried as a catalog file.
  frmCATDialog s;
  EXPECT_FALSE(s.Prepare("vfs://", true));
  EXPECT_EQ(s.ModalResult(), frmCATDialog::kResultCloseCatalog);
}

// What the browser's window gives the typed keys to, then Enter.
void TypeKeys(QWidget* target, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &release);
  }
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
}

TEST_F(CatalogDialogTest, TypedNamesRelativeFullAndCatalogPathsOpenWhatIsTyped) {
  ASSERT_NE(ZuZER_CreateVFS(dialogs_test::SampleDataDir().c_str()), 0);
  const std::string plain = (Dir() / "plain.txt").string();
  dialogs_test::WriteFile(plain, "x");
  const std::string other = (Dir() / "other.cat").string();
  dialogs_test::WriteCatalog(other, {{"maps\\y.xml", "<y/>"}});
  struct Case {
    std::string catalog, start, typed, want;
  } cases[] = {
      // Relative to the folder shown, else from the root when the name holds folders.
      {"vfs://", "vfs://types\\TLaser.txt", "TShips.txt", "vfs://types\\TShips.txt"},
      {"vfs://", "vfs://types\\TLaser.txt", "types\\TShips.txt", "vfs://types\\TShips.txt"},
      {"vfs://", "vfs://types\\TLaser.txt", "vfs://types\\TShips.txt", "vfs://types\\TShips.txt"},
      {cat_, "types\\TShips.txt", "sub\\deep.txt", cat_ + "::types\\sub\\deep.txt"},
      {cat_, "types\\TShips.txt", "maps\\x.xml", cat_ + "::maps\\x.xml"},
      // A full path and a catalog path are taken as they stand.
      {"vfs://", "vfs://types\\TLaser.txt", plain, plain},
      {"vfs://", "", cat_ + "::types\\TLaser.txt", cat_ + "::types\\TLaser.txt"},
      {cat_, "types\\TShips.txt", plain, plain},
      {cat_, "types\\TShips.txt", other + "::maps/y.xml", other + "::maps\\y.xml"},
  };
  for (const Case& c : cases) {
    frmCATDialog d;
    d.filter = "All Files (*.*)|*.*";
    d.FileName = c.start;
    ASSERT_TRUE(d.Prepare(c.catalog, false));
    Type(d, c.typed);
    d.PressOK();
    EXPECT_EQ(d.ModalResult(), frmCATDialog::kResultOK) << c.typed;
    EXPECT_EQ(d.FileName, c.want) << c.typed;
  }
  EXPECT_TRUE(Boxes().empty());

  // A missing full path or catalog entry is refused by the name typed.
  frmCATDialog m;
  ASSERT_TRUE(m.Prepare(cat_, false));
  for (const std::string& missing : {(Dir() / "gone.txt").string(), other + "::maps\\gone.xml"}) {
    Type(m, missing);
    m.PressOK();
    EXPECT_EQ(m.ModalResult(), frmCATDialog::kResultCancel) << missing;
    ASSERT_FALSE(Boxes().empty());
    EXPECT_EQ(Boxes().back().Text, "File " + missing + " does not exist.");
  }

  // A typed catalog file is browsed in the same window.
  Type(m, other);
  m.PressOK();
  EXPECT_EQ(m.ModalResult(), frmCATDialog::kResultCancel);
  EXPECT_EQ(m.windowTitle().toStdString(), "Catalog " + other);
  EXPECT_EQ(Items(m), (Names{"maps"}));
  Type(m, "maps\\y.xml");
  m.PressOK();
  EXPECT_EQ(m.FileName, other + "::maps\\y.xml");

  // Saving takes a typed full path with the filter's extension.
  frmCATDialog s;
  s.filter = "Type files (*.txt)|*.txt";
  ASSERT_TRUE(s.Prepare(cat_, true));
  Type(s, (Dir() / "new").string());
  s.PressOK();
  EXPECT_EQ(s.ModalResult(), frmCATDialog::kResultOK);
  EXPECT_EQ(s.FileName, (Dir() / "new.txt").string());
}

TEST_F(CatalogDialogTest, TheNameBoxHasTheFocusSoATypedPathReplacesThePreselectedFile) {
  const std::string plain = (Dir() / "plain.txt").string();
  dialogs_test::WriteFile(plain, "x");
  JvFileDialog jv;
  jv.FileName = cat_ + "::types\\TShips.txt";
  WhenBrowserShows([&](frmCATDialog& d) {
    ASSERT_NE(d.FileView->currentItem(), nullptr);
    EXPECT_EQ(d.FileView->currentItem()->text(0), "TShips.txt");
    QWidget* focus = d.focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(focus, d.cmbFileName);  // its line edit takes the keys the box is given
    EXPECT_EQ(d.cmbFileName->lineEdit()->selectedText(), "TShips.txt");
    TypeKeys(focus, QString::fromStdString(plain));
  });
  jv.ShowOpen();
  EXPECT_TRUE(jv.ModalResult);
  EXPECT_EQ(jv.FileName, plain);
}

TEST_F(CatalogDialogTest, AnOwnerDestroyedWhileTheBrowserRunsCancelsIt) {
  // Closes any browser still open after a while, so a fault cannot hang the test; the
  // timers go with this test.
  QObject timers;
  auto cancelLeftOver = [&timers] {
    QTimer::singleShot(3000, &timers, [] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<frmCATDialog*>(w); d && d->isVisible()) d->PressCancel();
    });
  };
  // The browser on its own: it ends cancelled and is still whole.
  {
    auto* owner = new QWidget;
    owner->show();
    auto d = std::make_unique<frmCATDialog>(owner);
    d->FileName = "types\\TShips.txt";
    QTimer::singleShot(0, [owner] { delete owner; });
    cancelLeftOver();
    d->ShowOpen(cat_, owner);
    EXPECT_EQ(d->ModalResult(), frmCATDialog::kResultCancel);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->FileName, "");
  }
  // The file dialog control on the owner's form, in both directions: the control goes
  // with its form, and the call ends without touching it.
  for (const bool save : {false, true}) {
    auto* owner = new QWidget;
    owner->show();
    QPointer<JvFileDialog> jv = new JvFileDialog(owner);
    jv->FileName = cat_ + "::types\\TShips.txt";
    QTimer::singleShot(0, [owner] { delete owner; });
    cancelLeftOver();
    if (save) {
      EXPECT_NO_THROW(jv->ShowSave());
    } else {
      EXPECT_THROW(jv->ShowOpen(), kz::AppError);
    }
    EXPECT_TRUE(jv.isNull()) << save;
  }
}

// ---- The file dialog control ------------------------------------------------------

TEST_F(CatalogDialogTest, OpenReturnsThePlainChoiceOrFailsAsCancelled) {
  JvFileDialog jv;
  jv.filter = "Type files (*.txt)|*.txt|All Files (*.*)|*.*";
  ui_->PushFile("/data/types/TShips.txt", 2);
  jv.ShowOpen();
  EXPECT_TRUE(jv.ModalResult);
  EXPECT_EQ(jv.FileName, "/data/types/TShips.txt");
  EXPECT_EQ(jv.FilterIndex, 2);
  ASSERT_NE(ui_->Last("ShowOpen"), nullptr);
  EXPECT_EQ(ui_->Last("ShowOpen")->File.Title, "Open");
  EXPECT_EQ(ui_->Last("ShowOpen")->File.Filter, jv.filter);

  ui_->PushFileCancel();
  try {
    jv.ShowOpen();
    ADD_FAILURE() << "no error";
  } catch (const kz::AppError& e) {
    EXPECT_EQ(e.Number, kz::kErrCancel);
    EXPECT_EQ(e.Description, "Cancel was pressed");
  }
  EXPECT_FALSE(jv.ModalResult);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(CatalogDialogTest, OpenOnACatalogPathBrowsesItAndCloseCatalogGoesBackToItsFolder) {
  JvFileDialog jv;
  jv.FileName = cat_ + "::types\\TShips.txt";
  jv.InitDir = "/elsewhere";
  bool seen = false;
  WhenBrowserShows([&](frmCATDialog& d) {
    seen = true;
    EXPECT_EQ(d.FolderStack(), (Names{"types"}));
    EXPECT_EQ(d.cmbFileName->currentText(), "TShips.txt");
    EXPECT_TRUE(d.btnCloseCatalog->isEnabled());
    d.PressCloseCatalog();
  });
  ui_->PushFileCancel();
  EXPECT_THROW(jv.ShowOpen(), kz::AppError);
  EXPECT_TRUE(seen);
  ASSERT_NE(ui_->Last("ShowOpen"), nullptr);
  EXPECT_EQ(ui_->Last("ShowOpen")->File.InitDir, Dir().string());
  EXPECT_EQ(ui_->Last("ShowOpen")->File.FileName, "");
}

TEST_F(CatalogDialogTest, ACatalogChosenOnDiskIsBrowsedForAFileInside) {
  JvFileDialog jv;
  jv.filter = "Type files (*.txt)|*.txt";
  ui_->PushFile(cat_, 1);
  WhenBrowserShows([](frmCATDialog& d) {
    EXPECT_EQ(d.cmbFilter->count(), 1);
    EXPECT_EQ(d.cmbFilter->itemText(0), "All Files (*.*)");
    Type(d, "types\\TLaser.txt");
    d.PressOK();
  });
  jv.ShowOpen();
  EXPECT_TRUE(jv.ModalResult);
  EXPECT_EQ(jv.FileName, cat_ + "::types\\TLaser.txt");

  // Cancel in the browser cancels the whole call.
  jv.FileName = cat_;
  WhenBrowserShows([](frmCATDialog& d) { d.PressCancel(); });
  EXPECT_THROW(jv.ShowOpen(), kz::AppError);
  EXPECT_FALSE(jv.ModalResult);
}

TEST_F(CatalogDialogTest, SaveStartsWithTheMatchingFilterAndNeverThrows) {
  JvFileDialog jv;
  jv.filter = "Type files (*.txt)|*.txt|Packed (*.pck)|*.pck";
  jv.FileName = "/data/x.pck";
  ui_->PushFileCancel();
  EXPECT_NO_THROW(jv.ShowSave());
  EXPECT_FALSE(jv.ModalResult);
  ASSERT_NE(ui_->Last("ShowSave"), nullptr);
  EXPECT_EQ(ui_->Last("ShowSave")->File.FilterIndex, 2);
  EXPECT_EQ(ui_->Last("ShowSave")->File.Title, "Save");

  // Into a catalog: the browser in save mode adds the filter's extension.
  jv.FileName = cat_ + "::types\\new";
  jv.FilterIndex = 1;
  WhenBrowserShows([](frmCATDialog& d) {
    EXPECT_TRUE(d.SaveMode());
    d.PressOK();
  });
  jv.ShowSave();
  EXPECT_TRUE(jv.ModalResult);
  EXPECT_EQ(jv.FileName, cat_ + "::types\\new.txt");
  EXPECT_EQ(jv.FilterIndex, 1);
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
