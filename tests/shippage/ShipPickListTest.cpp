// Pick lists of the value dialog on the ship page, over the sample data: OK on the
// value as shown leaves the ship as it was, and another entry stores what the page
// translates it to.
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "ShipPageFixture.h"
#include "tests/common/SampleData.h"
#include "zuzer/zuzer.h"

namespace {
std::vector<std::string> Texts(const clsTXTObject& r) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < r.size(); ++i) out.push_back(kz::CStr(r.Value(i)) + "/" +
                                                       std::to_string(static_cast<int>(r.Value(i).Kind())));
  return out;
}
}  // namespace

TEST_F(ShipPageTest, EveryPickListFieldOfTheSampleShipsKeepsOrStoresThePagesValue) {
  const std::string root = (data.Root() / "sample").string();
  ASSERT_TRUE(kztest::WriteSampleData(root));
  ZuZER_CreateVFS(root.c_str());
  Archive->Clear();
  ASSERT_TRUE(DescServer->LoadResources(44)) << DescServer->GetLastError();
  parser = Archive->GetFile("TShips");
  ASSERT_TRUE(parser) << Archive->GetLastError();
  page = new ucShip;
  page->resize(900, 600);
  ASSERT_TRUE(page->Init(parser)) << page->GetLastError();

  int fields = 0, choices = 0;
  for (const TXTObjectPtr& p : parser->UnsortedObjects) {
    TXTObjectRef r = p;
    int32_t type = 1;
    page->ShowObject(r, type);
    for (int32_t i = 0; i < r->size(); ++i) {
      int32_t index = i;
      if (page->JvSupportValueTranslate(r, index) != 2) continue;
      SCOPED_TRACE(r->ObjectName() + " field " + std::to_string(i));
      ++fields;
      const std::vector<std::string> before = Texts(*r);
      const kz::Variant original = r->Value(i);
      r->Dirty = false;
      std::string shown;
      if (!page->JvTranslateValue(r, index, shown, true)) shown = kz::CStr(original);
      {
        frmEdit d;
        d.ShowProperty(page, r, 1, i, false);
        QTest::keyClick(d.cmbValue->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(d.ModalResult, 1);
        EXPECT_EQ(Texts(*r), before) << "shown " << shown;
        EXPECT_FALSE(r->Dirty);
      }
      frmEdit probe;
      probe.ShowProperty(page, r, 1, i, false);
      const int count = probe.cmbValue->count();
      probe.Cancel();
      for (int k = 0; k < count; ++k) {
        frmEdit d;
        d.ShowProperty(page, r, 1, i, false);
        const QString text = d.cmbValue->itemText(k);
        if (text.toStdString() == shown || d.cmbValue->findText(text) != k) continue;
        kz::Variant expected;
        int32_t back = i;
        ASSERT_TRUE(page->JvTranslateValueBack(r, text.toStdString(), back, expected)) << text.toStdString();
        d.cmbValue->setCurrentIndex(k);
        QTest::keyClick(d.cmbValue->lineEdit(), Qt::Key_Return);
        ++choices;
        EXPECT_EQ(d.ModalResult, 1);
        EXPECT_EQ(kz::CStr(r->Value(i)), kz::CStr(expected)) << text.toStdString();
        EXPECT_EQ(r->Value(i).Kind(), expected.Kind()) << text.toStdString();
        r->SetValue(i, original);
      }
    }
  }
  EXPECT_GT(fields, 5);
  EXPECT_GT(choices, 20);
}
