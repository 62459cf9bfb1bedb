// Records keep their texts where they stand in the file's bytes rather than copies:
// the texts must stay right for as long as a record lives, whatever happens to the
// parser, the document and the file meanwhile (a record that outlives its parser, a
// record copied into another file, a text set anew, the file saved over, written over
// in place or cut short by another program while its records are open).
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "TypeFileFixture.h"
#include "core/KzConst.h"
#include "rudu/MappedFile.h"

namespace {

using mdlKzConst::kTLaser;

// A TLaser file of `records` records whose texts are long (kept where they stand) and
// differ from record to record, `tag` in each of them; `filler` makes them longer still.
std::string LaserFile(int records, const std::string& tag, const std::string& filler = {}) {
  const int n = mdlKzConst::RecordSizeOf(kTLaser);
  std::string text = "// Created with " + kz::GetAppTitleVersion() + "\r\n3;" + std::to_string(records) + ";\r\n";
  for (int r = 0; r < records; ++r) {
    for (int i = 0; i < n - 1; ++i) {
      if (i % 4 == 0)
        text += "objects\\" + tag + "\\" + filler + "body_" + std::to_string(r) + "_" + std::to_string(i) + ";";
      else if (i % 4 == 1)
        text += std::to_string(r % 1000) + "." + std::to_string(i % 7 + 1) + "25;";
      else
        text += std::to_string(r * 3 + i) + ";";
    }
    text += "SS_" + tag + "_" + std::to_string(r) + ";\r\n";
  }
  return text;
}

// Enough records of long texts for a file that is mapped (past 16 MiB).
constexpr int kBigRecords = 28000;
constexpr const char* kFiller = "a_long_folder_name_of_the_game_data\\another_long_folder_name_of_it\\";

std::vector<std::string> TextsOf(const clsTXTObject& r) {
  std::vector<std::string> texts;
  for (int32_t i = 0; i < r.size(); ++i)
    if (r.KindAt(i) == kz::VariantKind::String) texts.emplace_back(r.TextAt(i));
  return texts;
}

class InPlaceTextTest : public TypeFileTest {
 protected:
  // The records of a load of `name`, and the bytes a save of it gives.
  bool LoadFile(clsTxtParser& parser, const std::string& name) {
    return TypeFileTest::LoadFile(parser, name, kTLaser);
  }
};

TEST_F(InPlaceTextTest, RecordsKeepTheirTextsPastTheirParserAndIntoAnotherFile) {
  const std::string bytes = LaserFile(50, "first");
  WriteBytes("a.txt", bytes);
  TXTObjectPtr kept, copy;
  std::vector<std::string> texts;
  {
    clsTxtParser parser;
    ASSERT_TRUE(LoadFile(parser, "a.txt")) << parser.GetLastError();
    EXPECT_EQ(Formed(parser), bytes);
    kept = parser.FindIndex(17);
    texts = TextsOf(*kept);
    ASSERT_GE(texts.size(), 5u);
    EXPECT_EQ(texts.front(), "objects\\first\\body_17_0");
    copy = kept->Clone();
  }
  // The file is gone too: a record holds what its texts need.
  std::filesystem::remove(PathOf("a.txt"));
  EXPECT_EQ(TextsOf(*kept), texts);
  EXPECT_EQ(TextsOf(*copy), texts);
  EXPECT_EQ(kept->ObjectName(), "SS_first_17");

  // Copied into another file whose own load goes away: the copy stays whole.
  WriteBytes("b.txt", LaserFile(3, "second"));
  clsTxtParser other;
  {
    clsTxtParser source;
    WriteBytes("c.txt", LaserFile(20, "third"));
    ASSERT_TRUE(LoadFile(source, "c.txt"));
    ASSERT_TRUE(LoadFile(other, "b.txt"));
    source.FindIndex(5)->CopyTo(*other.FindIndex(1));
  }
  EXPECT_EQ(other.FindIndex(1)->ObjectName(), "SS_third_5");
  EXPECT_EQ(TextsOf(*other.FindIndex(1)).front(), "objects\\third\\body_5_0");

  // A text set anew is the record's own; the others stay where they were.
  kept->SetValue(0, kz::Variant(std::string("objects\\changed\\body")));
  kept.reset();
  EXPECT_EQ(TextsOf(*copy), texts);
}

// A record on the plain heap (a ship's, a job wing's) shares nothing with the load:
// a text handed with its place is copied all the same.
TEST_F(InPlaceTextTest, ARecordOfItsOwnCopiesATextHandedWithItsPlace) {
  clsTXTObject record;
  auto bytes = std::make_unique<std::string>("objects\\ships\\body;rest");
  record.PushText("objects\\ships\\body", bytes->data());
  bytes->assign(bytes->size(), 'x');
  bytes.reset();
  EXPECT_EQ(record.TextAt(0), "objects\\ships\\body");
}

// A file large enough to be mapped, written over by another program while its records
// are open: in place with other bytes, or cut short. The records keep the texts they
// were read with, and a save writes the file as it was read.
TEST_F(InPlaceTextTest, AMappedFileWrittenOverOrCutWhileOpenLeavesTheRecordsAsRead) {
  const std::string bytes = LaserFile(kBigRecords, "mapped", kFiller);
  ASSERT_GE(bytes.size(), rudu::MappedFile::kFrom);
  const std::string other = LaserFile(kBigRecords, "OTHER!", kFiller);
  ASSERT_EQ(other.size(), bytes.size());
  struct Case {
    const char* what;
    bool cut;
  } cases[] = {{"written over in place", false}, {"cut short", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes("big.txt", bytes);
    clsTxtParser parser;
    ASSERT_TRUE(LoadFile(parser, "big.txt")) << parser.GetLastError();
    const std::vector<std::string> first = TextsOf(*parser.FindIndex(0));
    const std::vector<std::string> last = TextsOf(*parser.FindIndex(parser.Count() - 1));
    // Another program writes the file where it stands.
    const pid_t child = ::fork();
    if (child == 0) {
      const int fd = ::open(PathOf("big.txt").c_str(), O_WRONLY | (c.cut ? O_TRUNC : 0));
      bool ok = fd >= 0;
      if (ok && !c.cut) ok = ::pwrite(fd, other.data(), other.size(), 0) == static_cast<ssize_t>(other.size());
      if (ok && c.cut) ok = ::write(fd, "3;1;\r\n", 6) == 6;
      if (fd >= 0) ::close(fd);
      ::_exit(ok ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_NE(ReadBytes("big.txt"), bytes);  // the file did change
    EXPECT_EQ(TextsOf(*parser.FindIndex(0)), first);
    EXPECT_EQ(TextsOf(*parser.FindIndex(parser.Count() - 1)), last);
    EXPECT_TRUE(Formed(parser) == bytes);  // (not printed: megabytes)
  }
}

// The file saved over by its own editor (a new file renamed over it), then saved again.
TEST_F(InPlaceTextTest, AMappedFileSavedOverKeepsItsRecords) {
  const std::string bytes = LaserFile(kBigRecords, "saved", kFiller);
  ASSERT_GE(bytes.size(), rudu::MappedFile::kFrom);
  WriteBytes("big.txt", bytes);
  clsTxtParser parser;
  ASSERT_TRUE(LoadFile(parser, "big.txt")) << parser.GetLastError();
  parser.FindIndex(3)->SetValue(0, kz::Variant(std::string("objects\\new\\body")));
  std::string saved;
  ASSERT_TRUE(SaveTo(parser, "big.txt", saved)) << parser.GetLastError();
  std::string again;
  ASSERT_TRUE(SaveTo(parser, "big.txt", again)) << parser.GetLastError();
  EXPECT_TRUE(again == saved);
  EXPECT_EQ(TextsOf(*parser.FindIndex(3)).front(), "objects\\new\\body");
  EXPECT_EQ(TextsOf(*parser.FindIndex(4)).front(), "objects\\saved\\" + std::string(kFiller) + "body_4_0");
  // Everything but the changed text as it was read.
  const std::string changed = "objects\\saved\\" + std::string(kFiller) + "body_3_0;";
  std::string expected = bytes;
  expected.replace(expected.find(changed), changed.size(), "objects\\new\\body;");
  EXPECT_TRUE(saved == expected);
}

}  // namespace
