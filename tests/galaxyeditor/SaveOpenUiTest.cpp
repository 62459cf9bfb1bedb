// The galaxy editor's open and save: the wait window, the save button after a failed
// open, the form written into a catalog, the universe map's caption after a save under
// another name, and the refusal of another window's file.
#include <QApplication>
#include <QToolButton>

#include "galaxy/UniverseMap.h"
#include "GalaxyFixture.h"
#include "shell/frmWait.h"

namespace {

std::string Caption(QWidget* w) { return w->windowTitle().toStdString(); }

// A scripted dialogs service that notes whether a wait window was on screen when each
// message box came up.
class WaitWatchingUi : public platform::ScriptedUi {
 public:
  std::vector<bool> waitShown;
  int32_t MsgBox(const std::string& text, int32_t flags, const std::string& title, void* owner) override {
    kz::frmWait* wait = kz::CurrentWaitWindow();
    waitShown.push_back(wait && wait->isVisible());
    return ScriptedUi::MsgBox(text, flags, title, owner);
  }
};

}  // namespace

// A file that fails to parse: its message comes with no wait window over it, and the
// save button is off, as there is no document to save.
TEST_F(GalaxyTest, AFailedOpenHidesTheWaitWindowFirstAndLeavesNothingToSave) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  ASSERT_TRUE(w->Button("save")->isEnabled());
  auto ui = std::make_shared<WaitWatchingUi>();
  platform::UiScope scope(ui);
  WriteFile("maps/bad.xml", "<universe>\n<o t=\"1\">\n</x>\n</universe>");
  w->OpenFile(PathOf("maps/bad.xml"));
  ASSERT_EQ(ui->Calls("MsgBox").size(), 1u);
  EXPECT_EQ(ui->Last("MsgBox")->Text.rfind("Error parsing file: \r\n", 0), 0u) << ui->Last("MsgBox")->Text;
  EXPECT_EQ(ui->waitShown, std::vector<bool>{false});
  EXPECT_FALSE(w->Button("save")->isEnabled());
  EXPECT_FALSE(w->SaveMap());
  // A good map after it: saving is offered again.
  w->OpenFile(PathOf("maps/u.xml"));
  EXPECT_TRUE(w->Button("save")->isEnabled());
}

// A save into a catalog writes the form of the type chosen: the plain type plain, the
// packed type packed, the catalog type as the entry's name says.
TEST_F(GalaxyTest, ASaveIntoACatalogWritesTheFormTheTypeSays) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  const struct {
    const char* catalog;
    const char* entry;
    int32_t filter;
    bool packed;
  } cases[] = {{"01", "maps/u.xml", 1, false},
               {"02", "maps/u.pck", 2, true},
               {"03", "maps/u.xml", 3, false},
               {"04", "maps/u.pck", 3, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.catalog);
    w->OpenFile(PathOf("maps/u.xml"));  // the save dialog starts from a plain file
    const std::string path = PathOf(std::string(c.catalog) + ".cat") + "::" + c.entry;
    ui_->PushFile(path, c.filter);
    ASSERT_TRUE(w->SaveMap()) << LastMsg();
    const std::string data = ReadPlain(PathOf(std::string(c.catalog) + ".dat"));
    ASSERT_GE(data.size(), 2u);
    EXPECT_EQ(data.substr(0, 2) == "\x1f\x8b", c.packed);
    EXPECT_NE(ReadAny(path).find("SS_DOCK_A"), std::string::npos);
  }
}

// The universe map names the file the map was last saved as.
TEST_F(GalaxyTest, TheUniverseMapCaptionFollowsASaveUnderAnotherName) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  w->Button("universe")->click();
  ASSERT_NE(w->UniverseMap(), nullptr);
  EXPECT_EQ(Caption(w->UniverseMap()), "Universe Map [" + PathOf("maps/u.xml") + "]");
  const std::string other = PathOf("maps/other.xml");
  ui_->PushFile(other, 1);
  ASSERT_TRUE(w->SaveMap());
  EXPECT_EQ(Caption(w->UniverseMap()), "Universe Map [" + other + "]");
  w->Button("universe")->click();
  QApplication::processEvents();
}

// A save under another name goes onto no file the program names as another window's,
// and says so before the overwrite question; its own file saves as before.
TEST_F(GalaxyTest, ASaveAsOntoAnotherWindowsFileIsRefused) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  const std::string own = PathOf("maps/u.xml");
  const std::string taken = PathOf("types/TShips.txt");
  std::vector<std::pair<std::string, std::string>> asked;
  frmGalaxyEditor::SaveTargetCheck = [&](const std::string& target, const std::string& ownFile) {
    asked.emplace_back(target, ownFile);
    return target == taken ? std::string("The file is open in another editor window.") : std::string();
  };
  const std::string before = ReadPlain(taken);
  ui_->PushFile(taken, 1);
  EXPECT_FALSE(w->SaveMap());
  EXPECT_EQ(LastMsg(), "The file is open in another editor window.");
  EXPECT_EQ(ui_->Calls("MsgBox").size(), 1u);  // no overwrite question after it
  EXPECT_EQ(ReadPlain(taken), before);
  ui_->PushFile(own, 1);
  ui_->PushMsgBox(platform::vbYes);
  EXPECT_TRUE(w->SaveMap()) << LastMsg();
  frmGalaxyEditor::SaveTargetCheck = nullptr;
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0], std::make_pair(taken, own));
  EXPECT_EQ(asked[1], std::make_pair(own, own));
}
