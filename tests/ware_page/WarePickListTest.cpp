// Pick lists of the value dialog on the ware page: the value stored for an entry is
// the one the page gives for it, never the entry's place in the list, and OK on an
// unchanged value leaves the record as it was.
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "WarePageFixture.h"
#include "core/Generic.h"
#include "tests/common/SampleData.h"

namespace {

struct Snapshot {
  std::vector<std::string> texts;
  std::vector<kz::VariantKind> kinds;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const clsTXTObject& r) {
  Snapshot s;
  for (int32_t i = 0; i < r.size(); ++i) {
    s.texts.push_back(kz::CStr(r.Value(i)));
    s.kinds.push_back(r.Value(i).Kind());
  }
  return s;
}

// The dialog over field `index`, shown without blocking; Enter goes to the value box.
void PressEnter(frmEdit& d) {
  QLineEdit* box = d.cmbValue->lineEdit();
  ASSERT_NE(box, nullptr);
  QTest::keyClick(box, Qt::Key_Return);
}

}  // namespace

class WarePickListTest : public WarePageTest {
 protected:
  void LoadSample() {
    const std::string root = (data_.Root() / "sample").string();
    ASSERT_TRUE(kztest::WriteSampleData(root));
    ZuZER_CreateVFS(root.c_str());
    Archive->Clear();
    ASSERT_TRUE(server_.LoadResources(44)) << server_.GetLastError();
  }
  clsDescServer server_;
};

TEST_F(WarePickListTest, EveryPickListFieldOfTheSampleDataKeepsOrStoresThePagesValue) {
  LoadSample();
  const struct {
    const char* file;
    int32_t type;
  } files[] = {{"TShields", 2}, {"TLaser", 3},  {"TBullets", 4}, {"TMissiles", 5}, {"TWareT", 6},
               {"TFactories", 7}, {"TSpecial", 8}, {"TDocks", 10}, {"Wrecks", 11}, {"TGates", 12},
               {"TPlanets", 13}, {"TSuns", 14},  {"TAsteroids", 15}, {"TDebris", 16}, {"TBackgrounds", 17},
               {"TNebula", 18}};
  int fields = 0, choices = 0;
  for (const auto& f : files) {
    TxtParserRef parser = Parse(f.file, f.type);
    ASSERT_TRUE(parser) << f.file;
    ucWare* page = PageFor(parser, f.type);
    for (const TXTObjectPtr& p : parser->UnsortedObjects) {
      TXTObjectRef r = p;
      for (int32_t i = 0; i < r->size(); ++i) {
        int32_t index = i;
        if (page->JvSupportValueTranslate(r, index) != 2) continue;
        kz::NameTable entries = page->JvGetPropertyValues(r, index);
        SCOPED_TRACE(std::string(f.file) + " " + r->ObjectName() + " field " + std::to_string(i));
        ++fields;
        const Snapshot before = Take(*r);
        const kz::Variant original = r->Value(i);
        r->Dirty = false;

        // OK, by Enter, on the value as shown: nothing changes.
        {
          frmEdit d;
          d.ShowProperty(page, r, f.type, i, false);
          const QString shown = d.cmbValue->currentText();
          PressEnter(d);
          EXPECT_EQ(d.ModalResult, 1) << shown.toStdString();
          EXPECT_TRUE(Take(*r) == before) << "shown " << shown.toStdString() << ", now "
                                          << kz::CStr(r->Value(i)) << " for " << before.texts[i];
          EXPECT_FALSE(r->Dirty);
        }
        if (entries.Empty()) continue;

        // Every other entry of its own text stores what the page translates that text to.
        std::string shownText;
        if (!page->JvTranslateValue(r, index, shownText, true)) shownText = before.texts[i];
        frmEdit probe;
        probe.ShowProperty(page, r, f.type, i, false);
        const int count = probe.cmbValue->count();
        probe.Cancel();
        for (int k = 0; k < count; ++k) {
          frmEdit d;
          d.ShowProperty(page, r, f.type, i, false);
          const std::string text = d.cmbValue->itemText(k).toStdString();
          if (text == shownText || d.cmbValue->findText(d.cmbValue->itemText(k)) != k) continue;
          kz::Variant expected;
          int32_t back = i;
          ASSERT_TRUE(page->JvTranslateValueBack(r, text, back, expected)) << text;
          d.cmbValue->setCurrentIndex(k);
          PressEnter(d);
          ++choices;
          EXPECT_EQ(d.ModalResult, 1) << text;
          EXPECT_EQ(kz::CStr(r->Value(i)), kz::CStr(expected)) << text;
          EXPECT_EQ(r->Value(i).Kind(), expected.Kind()) << text;
          r->SetValue(i, original);
        }
      }
    }
  }
  EXPECT_GT(fields, 30);
  EXPECT_GT(choices, 30);
}

TEST_F(WarePickListTest, TheDocksHudIconStaysWhatItIsWhenItsDialogIsTakenUnchanged) {
  LoadSample();
  TxtParserRef docks = Parse("TDocks", 10);
  ASSERT_TRUE(docks);
  ucWare* page = PageFor(docks, 10);
  TXTObjectRef dock = docks->FindIndex(0);
  ASSERT_TRUE(dock);
  Show(page, dock, 10);
  int32_t icon = 17;
  const std::string caption = page->JvGetPropertyName(dock, icon);
  const int row = RowOf(page->PropView, caption);
  ASSERT_GE(row, 0) << caption;
  const std::string stored = kz::CStr(dock->Value(17));
  const std::string rowText = page->PropView->topLevelItem(row)->text(1).toStdString();
  ASSERT_FALSE(kz::IsWholeNumber(stored)) << stored;
  dock->Dirty = false;
  SelectRow(page, row);
  WhenEditShown([](frmEdit& d) { QTest::keyClick(d.cmbValue->lineEdit(), Qt::Key_Return); });
  page->EditSelectedRow();
  EXPECT_EQ(kz::CStr(dock->Value(17)), stored);
  EXPECT_FALSE(dock->Dirty);
  EXPECT_EQ(page->PropView->topLevelItem(row)->text(1).toStdString(), rowText);

  // Typing an icon's name stores that name.
  TxtParserRef missiles = Parse("TMissiles", 5);
  ucWare* mpage = PageFor(missiles, 5);
  TXTObjectRef missile = missiles->FindIndex(0);
  for (const char* typed : {"ICON_MISSILE_LIGHT", "ICON_MISSILE_SWARM"}) {
    frmEdit d;
    d.ShowProperty(mpage, missile, 5, 25, false);
    ASSERT_GE(d.cmbValue->findText(typed), 0) << typed;
    d.cmbValue->lineEdit()->selectAll();
    QTest::keyClicks(d.cmbValue->lineEdit(), typed);
    PressEnter(d);
    EXPECT_EQ(d.ModalResult, 1);
    EXPECT_EQ(kz::CStr(missile->Value(25)), typed);
    EXPECT_TRUE(missile->Value(25).IsString());
  }
}
