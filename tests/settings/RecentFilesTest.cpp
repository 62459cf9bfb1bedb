#include <map>
#include <vector>

#include "SettingsFixture.h"
#include "core/Generic.h"

using platform::HKEY_CURRENT_USER;

namespace {

// A window as the settings see it.
class FakeWindow : public kz::WindowPlace {
 public:
  int32_t state = kz::kWindowNormal;
  kz::WindowRect normal{100, 50, 600, 450};
  std::vector<std::string> calls;

  int32_t GetWindowState() const override { return state; }
  void SetWindowState(int32_t s) override {
    state = s;
    calls.push_back("state " + std::to_string(s));
  }
  kz::WindowRect GetNormalRect() const override { return normal; }
  void MoveWindow(int32_t l, int32_t t, int32_t w, int32_t h) override {
    normal = {l, t, l + w, t + h};
    calls.push_back("move " + std::to_string(l) + "," + std::to_string(t) + "," + std::to_string(w) + "," +
                    std::to_string(h));
  }
};

class FakeIcons : public kz::IconList {
 public:
  std::vector<std::pair<std::string, std::string>> items;  // key, caption
  int32_t ItemCount() const override { return static_cast<int32_t>(items.size()); }
  std::string ItemKey(int32_t i) const override { return items[size_t(i)].first; }
  std::string ItemCaption(int32_t i) const override { return items[size_t(i)].second; }
  int32_t FindItemByKey(const std::string& key) const override {
    for (size_t i = 0; i < items.size(); ++i)
      if (kz::KeysEqual(items[i].first, key)) return static_cast<int32_t>(i);
    return -1;
  }
  void SetItemCaption(int32_t i, const std::string& c) override { items[size_t(i)].second = c; }
};

std::vector<std::string> ValueNames(const std::string& path) {
  std::vector<std::string> names;
  int32_t k = 0;
  if (platform::RegOpenKeyA(HKEY_CURRENT_USER, path.c_str(), &k) != platform::ERROR_SUCCESS) return names;
  for (uint32_t i = 0;; ++i) {
    char name[64];
    uint32_t size = sizeof name;
    if (platform::RegEnumValueA(k, i, name, &size, nullptr, nullptr, nullptr, nullptr) != platform::ERROR_SUCCESS)
      break;
    names.emplace_back(name, size);
  }
  platform::RegCloseKey(k);
  return names;
}

}  // namespace

TEST_F(SettingsTest, RecentListsRoundTripSeparately) {
  clsSettings s;
  EXPECT_TRUE(s.LoadRecentTFiles().empty());
  EXPECT_TRUE(s.LoadRecentGalaxyMaps().empty());
  std::vector<std::string> files = {"/d/types/TShips.txt", "/d/01.cat::types\\TLaser.txt", "vfs://types\\TWareB"};
  std::vector<std::string> maps = {"/d/maps/x3_universe.xml"};
  s.SaveRecentTFiles(files);
  s.SaveRecentGalaxyMaps(maps);
  EXPECT_EQ(s.LoadRecentTFiles(), files);
  EXPECT_EQ(s.LoadRecentGalaxyMaps(), maps);
  EXPECT_EQ(StoredType(HKEY_CURRENT_USER, "software\\Ze Zuzazo\\mru\\TXTEditor", "0"), platform::REG_SZ);
}

TEST_F(SettingsTest, ShorterRecentListLeavesNoOldEntries) {
  clsSettings s;
  s.SaveRecentTFiles({"a", "b", "c", "d", "e"});
  s.SaveRecentTFiles({"x", "y", "z"});
  EXPECT_EQ(s.LoadRecentTFiles(), (std::vector<std::string>{"x", "y", "z"}));
  EXPECT_EQ(ValueNames("software\\Ze Zuzazo\\mru\\TXTEditor"), (std::vector<std::string>{"0", "1", "2"}));
  s.SaveRecentTFiles({});
  EXPECT_TRUE(s.LoadRecentTFiles().empty());
}

TEST_F(SettingsTest, RecentListLoadsZeroToFourInOrder) {
  const std::string key = "software\\Ze Zuzazo\\mru\\TXTEditor";
  // Written out of order, with a gap, a number value, a long name and a sixth entry.
  PutText(HKEY_CURRENT_USER, key, "3", "fourth");
  PutText(HKEY_CURRENT_USER, key, "toolongname", "ignored");
  PutText(HKEY_CURRENT_USER, key, "0", "first");
  PutNumber(HKEY_CURRENT_USER, key, "1", 12);
  PutText(HKEY_CURRENT_USER, key, "5", "sixth");
  PutText(HKEY_CURRENT_USER, key, "2", "third");
  clsSettings s;
  EXPECT_EQ(s.LoadRecentTFiles(), (std::vector<std::string>{"first", "third", "fourth"}));
}

TEST_F(SettingsTest, WindowPlaceRoundTrip) {
  clsSettings s;
  FakeWindow w;
  w.normal = {10, 20, 810, 620};
  s.SaveWindowPos(w, "main");
  FakeWindow back;
  ASSERT_TRUE(s.LoadWindowPos(back, "main", 375, 143));
  EXPECT_EQ(back.calls, (std::vector<std::string>{"move 10,20,800,600", "state 0"}));
  EXPECT_EQ(kz::CLng(s.ReadRegValue("main", "width", kRegNumber)), 800);
}

TEST_F(SettingsTest, WindowPlaceDefaultsAndNegativeCorner) {
  clsSettings s;
  FakeWindow w;
  ASSERT_TRUE(s.LoadWindowPos(w, "frmNew", 375 * 15, 143 * 15));
  EXPECT_EQ(w.calls, (std::vector<std::string>{"move 0,0,375,143", "state 0"}));

  PutNumber(HKEY_CURRENT_USER, "software\\Ze Zuzazo\\frmNew", "left", -8);
  PutNumber(HKEY_CURRENT_USER, "software\\Ze Zuzazo\\frmNew", "top", -3);
  FakeWindow w2;
  s.LoadWindowPos(w2, "frmNew", 375 * 15, 143 * 15);
  EXPECT_EQ(w2.calls.front(), "move 0,0,375,143") << "a negative left or top becomes 0";
}

TEST_F(SettingsTest, MaximisedWindowKeepsItsNormalRectangle) {
  clsSettings s;
  FakeWindow w;
  w.state = kz::kWindowMaximized;
  w.normal = {30, 40, 430, 340};
  s.SaveWindowPos(w, "GE");
  EXPECT_EQ(kz::CLng(s.ReadRegValue("GE", "state", kRegNumber)), 2);
  FakeWindow back;
  ASSERT_TRUE(s.LoadWindowPos(back, "GE", 0, 0));
  EXPECT_EQ(back.calls, (std::vector<std::string>{"move 30,40,400,300", "state 2"}))
      << "the normal rectangle first, then maximised over it";
}

TEST_F(SettingsTest, MinimisedOrUnknownStateOpensNormal) {
  clsSettings s;
  FakeWindow w;
  w.state = kz::kWindowMinimized;
  w.normal = {5, 6, 105, 206};
  s.SaveWindowPos(w, "TE");
  EXPECT_EQ(kz::CLng(s.ReadRegValue("TE", "state", kRegNumber)), 0) << "minimised is stored as normal";
  EXPECT_EQ(kz::CLng(s.ReadRegValue("TE", "left", kRegNumber)), 5) << "with the normal rectangle";

  for (int32_t stored : {1, 3, -1, 99}) {
    PutNumber(HKEY_CURRENT_USER, "software\\Ze Zuzazo\\TE", "state", stored);
    FakeWindow back;
    ASSERT_TRUE(s.LoadWindowPos(back, "TE", 0, 0));
    EXPECT_EQ(back.state, kz::kWindowNormal) << stored;
    EXPECT_EQ(back.calls.front(), "move 5,6,100,200") << stored;
  }
}

TEST_F(SettingsTest, LauncherCaptions) {
  clsSettings s;
  FakeIcons icons;
  icons.items = {{"TXTEditor", "Type files"}, {"GalaxyEditor", "Maps"}, {"Settings", "Options"}};
  s.SaveIcons(icons);
  EXPECT_EQ(StoredType(HKEY_CURRENT_USER, "software\\Ze Zuzazo\\main\\icons\\GalaxyEditor", "caption"),
            platform::REG_SZ);

  // A subkey without "caption" gives the key; one matching no item is passed over;
  // an item without a subkey keeps its caption.
  int32_t k = Key(HKEY_CURRENT_USER, "software\\Ze Zuzazo\\main\\icons\\Settings");
  platform::RegDeleteValueA(k, "caption");
  platform::RegCloseKey(k);
  PutText(HKEY_CURRENT_USER, "software\\Ze Zuzazo\\main\\icons\\Removed", "caption", "Gone");
  PutText(HKEY_CURRENT_USER, std::string("software\\Ze Zuzazo\\main\\icons\\") + std::string(40, 'k'), "caption",
          "long key");

  FakeIcons fresh;
  fresh.items = {{"TXTEditor", "a"}, {"GalaxyEditor", "b"}, {"Settings", "c"}, {"About", "About"},
                 {std::string(40, 'k'), "d"}};
  s.LoadIcons(fresh);
  EXPECT_EQ(fresh.items[0].second, "Type files");
  EXPECT_EQ(fresh.items[1].second, "Maps");
  EXPECT_EQ(fresh.items[2].second, "Settings");
  EXPECT_EQ(fresh.items[3].second, "About");
  EXPECT_EQ(fresh.items[4].second, "long key") << "long item keys load too";
}

TEST_F(SettingsTest, LoadIconsWithoutStoredCaptionsChangesNothing) {
  clsSettings s;
  FakeIcons icons;
  icons.items = {{"TXTEditor", "Type files"}};
  s.LoadIcons(icons);
  EXPECT_EQ(icons.items[0].second, "Type files");
}
