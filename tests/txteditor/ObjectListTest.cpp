// The editor window's object list: the model over a parser's records (rows, texts made
// when asked, edits after a fill) and how an open fills it.
#include <QSignalSpy>
#include <QTreeView>

#include <memory>
#include <string>
#include <vector>

#include "EditorFixture.h"
#include "txteditor/ObjectListModel.h"

namespace {

using Records = kz::Collection<TXTObjectPtr>;

TXTObjectPtr MakeRecord(int32_t id, const std::string& name) {
  auto record = std::make_shared<clsTXTObject>();
  record->Construct(2);
  record->id = id;
  record->SetObjectName(name);
  return record;
}

std::shared_ptr<Records> MakeRecords(const std::vector<std::string>& names) {
  auto records = std::make_shared<Records>();
  int32_t id = 0;
  for (const std::string& name : names) {
    TXTObjectPtr record = MakeRecord(id++, name);
    records->Add(record, record->key());
  }
  return records;
}

// A model whose texts are the record's name (column 0) and "c" + name (column 1); every
// text made is counted by name.
struct CountedModel {
  std::vector<std::string> made;
  ObjectListModel model{[this](const TXTObjectRef& r, QString& name, QString& cls) {
    made.push_back(r->ObjectName());
    name = QString::fromStdString(r->ObjectName());
    cls = "c" + name;
  }};
  CountedModel() { model.SetColumnCount(2); }

  std::vector<std::string> Names() {
    std::vector<std::string> out;
    for (int i = 0; i < model.Count(); ++i) out.push_back(model.RecordAt(i)->ObjectName());
    return out;
  }
};

}  // namespace

TEST(ObjectListModelTest, FillTakesNoReferenceOfEachRecordAndKeepsItsSourceAlive) {
  EditorTestApp();
  std::shared_ptr<Records> records = MakeRecords({"A", "B", "C"});
  const TXTObjectPtr b = records->Item(2);
  const long uses = b.use_count();
  CountedModel m;
  m.model.Reset(records, *records);
  EXPECT_EQ(b.use_count(), uses);
  EXPECT_TRUE(m.made.empty());  // no text is made before it is asked for

  // The list holds its source: the rows stay readable once the caller lets go.
  const Records* source = records.get();
  records.reset();
  ASSERT_EQ(m.model.rowCount(), 3);
  EXPECT_EQ(m.model.index(1, 0).data().toString(), "B");
  EXPECT_EQ(m.model.index(2, 1).data().toString(), "cC");
  EXPECT_EQ(m.model.RecordAt(1).get(), b.get());
  EXPECT_EQ(m.model.RowOfId(2), 2);
  EXPECT_EQ(m.model.RowOfId(7), -1);
  EXPECT_FALSE(m.model.RecordAt(3));
  EXPECT_FALSE(m.model.RecordAt(-1));
  EXPECT_EQ(m.made, (std::vector<std::string>{"B", "C"}));
  EXPECT_EQ(source->Count(), 3);

  m.model.Clear();
  EXPECT_EQ(m.model.rowCount(), 0);
  EXPECT_FALSE(m.model.RecordAt(0));
}

// The window changes its parser first and tells the list after: a row added to the
// records (anywhere: a sorted collection puts it in its name's place) goes where the
// window says, a row gone from the records goes from its place; the texts already made
// for the other rows are kept, the edited rows' are made again.
TEST(ObjectListModelTest, EditsAfterAFillKeepTheRowsAndTheirTexts) {
  EditorTestApp();
  struct Case {
    const char* what;
    bool insert;
    int sourcePos;  // insert: 1-based place in the records; remove: 1-based position removed
    int row;        // the row the window names (insert: -1 for the end)
    std::vector<std::string> rows;
  } cases[] = {
      {"insert at the end, records at the end", true, 0, -1, {"A", "B", "C", "D", "N"}},
      {"insert at the end, records in name order", true, 2, -1, {"A", "B", "C", "D", "N"}},
      {"insert before a row, records alike", true, 3, 2, {"A", "B", "N", "C", "D"}},
      {"insert first", true, 1, 0, {"N", "A", "B", "C", "D"}},
      {"remove a middle row", false, 2, 1, {"A", "C", "D"}},
      {"remove the first row", false, 1, 0, {"B", "C", "D"}},
      {"remove the last row", false, 4, 3, {"A", "B", "C"}},
  };
  for (const Case& c : cases) {
    std::shared_ptr<Records> records = MakeRecords({"A", "B", "C", "D"});
    CountedModel m;
    m.model.Reset(records, *records);
    for (int i = 0; i < 4; ++i) m.model.Text(i, 0);  // every row's texts made once
    m.made.clear();
    QSignalSpy resets(&m.model, &QAbstractItemModel::modelReset);

    if (c.insert) {
      TXTObjectPtr added = MakeRecord(9, "N");
      records->Add(added, added->key(), c.sourcePos);
      m.model.InsertRecord(c.row, added);
    } else {
      records->Remove(c.sourcePos);
      m.model.RemoveRow(c.row);
    }
    EXPECT_EQ(m.Names(), c.rows) << c.what;
    EXPECT_EQ(resets.count(), 0) << c.what;
    for (int i = 0; i < m.model.Count(); ++i)
      EXPECT_EQ(m.model.Text(i, 0).toStdString(), c.rows[static_cast<size_t>(i)]) << c.what;
    // Only the new row's texts are made; the others are as they were.
    EXPECT_EQ(m.made, c.insert ? std::vector<std::string>{"N"} : std::vector<std::string>{}) << c.what;

    // Later edits work on the list's own rows.
    m.made.clear();
    m.model.RefreshRow(0);
    EXPECT_EQ(m.model.Text(0, 1).toStdString(), "c" + c.rows[0]) << c.what;
    EXPECT_EQ(m.made, std::vector<std::string>{c.rows[0]}) << c.what;
    m.model.RemoveRow(0);
    EXPECT_EQ(m.model.Count(), static_cast<int>(c.rows.size()) - 1) << c.what;
    EXPECT_EQ(m.model.RecordAt(0)->ObjectName(), c.rows[1]) << c.what;
  }
}

// A removal the list is told of while its records still hold the row.
TEST(ObjectListModelTest, RemoveBeforeTheRecordsLetGo) {
  EditorTestApp();
  std::shared_ptr<Records> records = MakeRecords({"A", "B", "C"});
  CountedModel m;
  m.model.Reset(records, *records);
  m.model.RemoveRow(1);
  EXPECT_EQ(m.Names(), (std::vector<std::string>{"A", "C"}));
  records->Remove(2);
  EXPECT_EQ(m.Names(), (std::vector<std::string>{"A", "C"}));
}

// Opening a file fills the list once with the file's records and shows its first
// record on the page once.
TEST_F(EditorTest, OpenFillsTheListOnce) {
  for (bool sorted : {true, false}) {
    frmTXTEditor* w = NewWindow();
    w->chkSort->setChecked(sorted);
    QAbstractItemModel* model = w->ObjectView->model();
    int fills = 0;
    QObject::connect(model, &QAbstractItemModel::modelReset, w, [&] {
      if (model->rowCount() > 0) ++fills;
    });
    w->OpenFile(PathOf("types/TLaser.txt"));
    EXPECT_EQ(model->rowCount(), 3) << sorted;
    EXPECT_EQ(fills, 1) << sorted;
    FakePage* page = PageOf(w);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->showCalls, 1) << sorted;
    ASSERT_TRUE(w->SelectedRecord()) << sorted;
    EXPECT_EQ(w->SelectedRecord()->ObjectName(), sorted ? "NOTE_C" : "SS_LASER_B");
    EXPECT_EQ(w->ObjectView->currentIndex().row(), 0) << sorted;
    EXPECT_EQ(page->shown, w->SelectedRecord()) << sorted;
  }
}
