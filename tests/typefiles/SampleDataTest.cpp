// Every type file of the sample data folder loads, and saves back to what it loaded.
#include <gtest/gtest.h>

#include "TypeFileFixture.h"
#include "tests/common/SampleData.h"

class SampleDataTest : public TypeFileTest {};

TEST_F(SampleDataTest, EveryLayoutLoadsAndSavesBack) {
  std::string root = PathOf("data");
  ASSERT_TRUE(kztest::WriteSampleData(root));
  const struct {
    const char* file;
    int32_t records;
  } files[] = {{"TLaser.txt", 3},  {"TDocks.txt", 2},    {"TShips.txt", 5},    {"Jobs.txt", 2},
               {"JobWings.txt", 2}, {"WareLists.txt", 2}, {"IconData.pck", 9}, {"TShips_packed.pck", 5}};
  for (const auto& f : files) {
    std::string path = root + "/types/" + f.file;
    int32_t type = mdlKzConst::GetTFileType(path);
    int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0) << path;
    clsTxtParser p;
    EXPECT_TRUE(p.Load(h, type)) << f.file << ": " << p.GetLastError();
    RuDU_CloseFile(h);
    EXPECT_EQ(p.Count(), f.records) << f.file;
    if (type == mdlKzConst::kIconData) continue;
    std::string saved, again;
    ASSERT_TRUE(SaveTo(p, "once.txt", saved)) << f.file << ": " << p.GetLastError();
    clsTxtParser q;
    ASSERT_TRUE(LoadText(q, saved, type, "reload.txt")) << f.file << ": " << q.GetLastError();
    ASSERT_TRUE(SaveTo(q, "twice.txt", again));
    EXPECT_EQ(saved, again) << f.file;
    ASSERT_EQ(q.Count(), p.Count());
    for (int32_t i = 0; i < p.Count(); ++i) EXPECT_EQ(q.FindIndex(i)->GetObjectTData(), p.FindIndex(i)->GetObjectTData());
  }
}
