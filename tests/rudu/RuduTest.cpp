// The file driver through its C entry points: plain, packed and catalog round trips,
// the commit-at-close rule, refused input and the error-text protocol.
#include <signal.h>
#include <sys/resource.h>

#include "TestFiles.h"
#include "core/LibBindings.h"
#include "rudu/FileObject.h"
#include "rudu/rudu.h"
#include "tests/common/FileSizeLimit.h"

namespace {

namespace fs = std::filesystem;
using kztest::ReadRaw;
using kztest::WriteRaw;

class RuduTest : public kztest::TempFolderTest {
 protected:
  // Writes bytes through the driver and closes; the close's result.
  int32_t Put(const std::string& path, const std::string& bytes, int32_t form = 1) {
    int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, form);
    EXPECT_NE(f, 0) << kz::GetRuDUError();
    EXPECT_EQ(RuDU_WriteFile(f, bytes.data(), static_cast<int32_t>(bytes.size())), static_cast<int32_t>(bytes.size()));
    EXPECT_NE(RuDU_SetEndOfFile(f), 0);
    return RuDU_CloseFile(f);
  }
  std::string Get(const std::string& path) {
    std::string data, error;
    EXPECT_TRUE(kz::ReadWholeFile(path, data, error)) << error;
    return data;
  }
  std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(RuduTest, PlainFileRoundTripWithSeekSizeEofAndTruncate) {
  const std::string path = P("types/TLaser.txt");
  fs::create_directories(P("types"));
  ASSERT_EQ(Put(path, "0123456789"), 1);
  EXPECT_EQ(ReadRaw(path), "0123456789");

  int32_t f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  ASSERT_NE(f, 0);
  EXPECT_EQ(RuDU_FileSize(f), 10);
  char buf[16] = {};
  EXPECT_EQ(RuDU_ReadFile(f, buf, 4), 4);
  EXPECT_EQ(std::string(buf, 4), "0123");
  EXPECT_EQ(RuDU_FileTell(f), 4);
  EXPECT_EQ(RuDU_SeekFile(f, 2, 2), 6);   // from the current position
  EXPECT_EQ(RuDU_ReadFile(f, buf, 1), 1);
  EXPECT_EQ(buf[0], '6');
  EXPECT_EQ(RuDU_SeekFile(f, -3, 1), 7);  // from the end
  EXPECT_EQ(RuDU_SeekFile(f, 1, 0), 1);   // from the start
  EXPECT_EQ(RuDU_EOF(f), 0);
  EXPECT_EQ(RuDU_SeekFile(f, -1, 0), -1);  // before the start: refused, position kept
  EXPECT_EQ(RuDU_FileTell(f), 1);
  EXPECT_EQ(RuDU_SeekFile(f, 0, 7), -1);
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_ARGUMENT);
  EXPECT_EQ(RuDU_SeekFile(f, 0, 1), 10);
  EXPECT_NE(RuDU_EOF(f), 0);
  EXPECT_EQ(RuDU_ReadFile(f, buf, 8), 0);  // at the end: nothing, and no error
  EXPECT_EQ(RuDU_GetLastError(), 0);
  EXPECT_EQ(RuDU_WriteFile(f, "x", 1), 0);  // a read handle does not write
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_READ_ONLY);
  EXPECT_EQ(RuDU_SetEndOfFile(f), 0);
  EXPECT_EQ(RuDU_CloseFile(f), 1);

  // Open keeping the content, overwrite the middle, cut after it.
  f = RuDU_OpenFileConvert(path.c_str(), 1, 0, 1);
  ASSERT_NE(f, 0);
  EXPECT_EQ(RuDU_FileSize(f), 10);
  EXPECT_EQ(RuDU_SeekFile(f, 2, 0), 2);
  EXPECT_EQ(RuDU_WriteFile(f, "ab", 2), 2);
  EXPECT_NE(RuDU_SetEndOfFile(f), 0);
  EXPECT_EQ(RuDU_FileSize(f), 4);
  EXPECT_EQ(ReadRaw(path), "0123456789");  // nothing on disk before the close
  EXPECT_EQ(RuDU_CloseFile(f), 1);
  EXPECT_EQ(ReadRaw(path), "01ab");

  // Writing past the end leaves zeros in the gap; create=1 starts empty.
  f = RuDU_OpenFile(path.c_str(), 1, 1, 1);
  EXPECT_EQ(RuDU_FileSize(f), 0);
  EXPECT_EQ(RuDU_SeekFile(f, 3, 0), 3);
  EXPECT_EQ(RuDU_WriteFile(f, "z", 1), 1);
  EXPECT_EQ(RuDU_CloseFile(f), 1);
  EXPECT_EQ(ReadRaw(path), std::string("\0\0\0z", 4));
  EXPECT_EQ(FolderNames(P("types")), std::vector<std::string>{"TLaser.txt"});  // no temporary left
}

// A writer that forms its content in place writes what RuDU_WriteFile at the position
// followed by RuDU_SetEndOfFile would, in either form; nothing reaches the disk before
// the close.
TEST_F(RuduTest, ContentFormedInPlaceIsAWriteAtThePositionThatEndsTheFile) {
  struct Case {
    const char* what;
    std::string old;  // "" = no file
    int32_t create, form, seek;
    size_t reserve;
    std::string bytes, want;
  };
  const std::string large(3 << 20, 'q');
  const Case cases[] = {
      {"new file", "", 1, 1, 0, 3, "abc", "abc"},
      {"kept content cut after the bytes", "0123456789", 0, 1, 2, 2, "ab", "01ab"},
      {"kept content, bytes at its end", "0123456789", 0, 1, 10, 0, "xy", "0123456789xy"},
      {"a gap past the end is zeros", "", 1, 1, 3, 1, "z", std::string("\0\0\0z", 4)},
      {"more than the room set aside", "old", 1, 1, 0, 16, large, large},
      {"packed", "", 1, 2, 0, 100, "packed content", "packed content"},
  };
  const std::string path = P("inplace.txt");
  for (const Case& c : cases) {
    fs::remove(path);
    if (!c.old.empty()) WriteRaw(path, c.old);
    int32_t f = RuDU_OpenFile(path.c_str(), 1, c.create, c.form);
    ASSERT_NE(f, 0) << c.what;
    ASSERT_EQ(RuDU_SeekFile(f, c.seek, 0), c.seek) << c.what;
    std::vector<uint8_t>* content = rudu::BeginWriteInPlace(f, c.reserve);
    ASSERT_NE(content, nullptr) << c.what;
    content->insert(content->end(), c.bytes.begin(), c.bytes.end());
    EXPECT_EQ(rudu::EndWriteInPlace(f), 1) << c.what;
    EXPECT_EQ(RuDU_FileTell(f), static_cast<int32_t>(c.seek + c.bytes.size())) << c.what;
    EXPECT_EQ(RuDU_FileSize(f), static_cast<int32_t>(c.want.size())) << c.what;
    if (!c.old.empty()) EXPECT_EQ(ReadRaw(path), c.old) << c.what;
    ASSERT_EQ(RuDU_CloseFile(f), 1) << c.what;
    EXPECT_EQ(Get(path), c.want) << c.what;
    if (c.form == 2) EXPECT_NE(ReadRaw(path), c.want) << c.what;
  }

  // Into a catalog's entry, committed at the close as any write.
  const std::string entry = P("02.cat") + "::types\\TLaser.txt";
  int32_t c = RuDU_OpenFile(entry.c_str(), 1, 1, 0);
  ASSERT_NE(c, 0) << kz::GetRuDUError();
  std::vector<uint8_t>* inCatalog = rudu::BeginWriteInPlace(c, 4);
  ASSERT_NE(inCatalog, nullptr);
  const std::string laser = "laser;1;";
  inCatalog->insert(inCatalog->end(), laser.begin(), laser.end());
  EXPECT_EQ(rudu::EndWriteInPlace(c), 1);
  ASSERT_EQ(RuDU_CloseFile(c), 1) << kz::GetRuDUError();
  EXPECT_EQ(Get(entry), laser);

  // Not a live write handle: nothing handed out, nothing changed.
  WriteRaw(path, "keep");
  int32_t r = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  EXPECT_EQ(rudu::BeginWriteInPlace(r, 10), nullptr);
  EXPECT_EQ(rudu::EndWriteInPlace(r), 0);
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_READ_ONLY);
  EXPECT_EQ(RuDU_CloseFile(r), 1);
  EXPECT_EQ(rudu::BeginWriteInPlace(0, 10), nullptr);
  EXPECT_EQ(rudu::BeginWriteInPlace(r, 10), nullptr);  // closed
  EXPECT_EQ(rudu::EndWriteInPlace(r), 0);
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_HANDLE);
  EXPECT_EQ(ReadRaw(path), "keep");
}

// A writer that hands its content to the file as it forms it writes what the same
// bytes written in place would, and the target keeps its old content until the close
// commits; a plain file only. Dropped, or failing part way, nothing is left behind.
TEST_F(RuduTest, ContentWrittenThroughIsCommittedAtTheCloseOnly) {
  struct Case {
    const char* what;
    std::string old;  // "" = no file
    int32_t create, seek;
    std::string bytes, want;
  };
  const std::string large(3 << 20, 'q');
  const Case cases[] = {
      {"new file", "", 1, 0, "abc", "abc"},
      {"kept content cut after the bytes", "0123456789", 0, 2, "ab", "01ab"},
      {"kept content, bytes at its end", "0123456789", 0, 10, "xy", "0123456789xy"},
      {"a gap past the end is zeros", "", 1, 3, "z", std::string("\0\0\0z", 4)},
      {"large, in many pieces", "old", 1, 0, large, large},
      {"nothing", "old", 0, 0, "", ""},
  };
  const std::string path = P("through.txt");
  for (const Case& c : cases) {
    fs::remove(path);
    if (!c.old.empty()) WriteRaw(path, c.old);
    int32_t f = RuDU_OpenFile(path.c_str(), 1, c.create, 1);
    ASSERT_NE(f, 0) << c.what;
    ASSERT_EQ(RuDU_SeekFile(f, c.seek, 0), c.seek) << c.what;
    rudu::ContentStream* out = rudu::BeginWriteThrough(f);
    ASSERT_NE(out, nullptr) << c.what;
    for (size_t at = 0; at < c.bytes.size(); at += 100000)
      EXPECT_TRUE(out->Append(c.bytes.data() + at, std::min<size_t>(100000, c.bytes.size() - at))) << c.what;
    EXPECT_EQ(rudu::EndWriteThrough(f), 1) << c.what << ": " << kz::GetRuDUError();
    EXPECT_EQ(RuDU_FileTell(f), static_cast<int32_t>(c.seek + c.bytes.size())) << c.what;
    EXPECT_EQ(RuDU_FileSize(f), static_cast<int32_t>(c.want.size())) << c.what;
    if (!c.old.empty()) EXPECT_EQ(ReadRaw(path), c.old) << c.what;
    ASSERT_EQ(RuDU_CloseFile(f), 1) << c.what << ": " << kz::GetRuDUError();
    EXPECT_EQ(Get(path), c.want) << c.what;
    EXPECT_EQ(FolderNames(root), std::vector<std::string>{"through.txt"}) << c.what;  // no temporary left
  }

  // The handle goes on as any other after it: read back, written on, ended elsewhere.
  WriteRaw(path, "old");
  int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, 1);
  ASSERT_NE(f, 0);
  rudu::ContentStream* out = rudu::BeginWriteThrough(f);
  ASSERT_NE(out, nullptr);
  ASSERT_TRUE(out->Append("0123456789", 10));
  ASSERT_EQ(rudu::EndWriteThrough(f), 1);
  char back[4] = {};
  ASSERT_EQ(RuDU_SeekFile(f, 2, 0), 2);
  EXPECT_EQ(RuDU_ReadFile(f, back, 3), 3);
  EXPECT_EQ(std::string(back, 3), "234");
  EXPECT_EQ(RuDU_WriteFile(f, "ab", 2), 2);
  EXPECT_EQ(RuDU_SetEndOfFile(f), 1);
  ASSERT_EQ(RuDU_CloseFile(f), 1);
  EXPECT_EQ(Get(path), "01234ab");

  // Dropped before the close: the old file stays, with nothing beside it.
  f = RuDU_OpenFile(path.c_str(), 1, 1, 1);
  out = rudu::BeginWriteThrough(f);
  ASSERT_NE(out, nullptr);
  ASSERT_TRUE(out->Append("new", 3));
  ASSERT_EQ(rudu::EndWriteThrough(f), 1);
  EXPECT_TRUE(rudu::DiscardFile(f));
  EXPECT_EQ(RuDU_CloseFile(f), 0);
  EXPECT_EQ(ReadRaw(path), "01234ab");
  EXPECT_EQ(FolderNames(root), std::vector<std::string>{"through.txt"});

  // A write that fails part way (the disk full): the end says so, the handle is dropped
  // and the old file stays whole.
  {
    f = RuDU_OpenFile(path.c_str(), 1, 1, 1);
    out = rudu::BeginWriteThrough(f);
    ASSERT_NE(out, nullptr);
    kztest::FileSizeLimit limit(64 * 1024);
    const std::string chunk(40000, 'x');
    bool failed = false;
    for (int i = 0; i < 4; ++i) failed |= !out->Append(chunk.data(), chunk.size());
    EXPECT_TRUE(failed);
    EXPECT_EQ(rudu::EndWriteThrough(f), 0);
    EXPECT_NE(kz::GetRuDUError().find("through.txt"), std::string::npos) << kz::GetRuDUError();
    EXPECT_TRUE(rudu::DiscardFile(f));
  }
  EXPECT_EQ(ReadRaw(path), "01234ab");
  EXPECT_EQ(FolderNames(root), std::vector<std::string>{"through.txt"});

  // Not for a packed form, a catalog's entry or a read handle: those form their content
  // in memory (nothing changed here).
  const std::string entry = P("02.cat") + "::types\\TLaser.txt";
  for (int32_t h : {RuDU_OpenFile(P("packed.pck").c_str(), 1, 1, 2), RuDU_OpenFile(entry.c_str(), 1, 1, 0),
                    RuDU_OpenFile(path.c_str(), 0, 0, 0)}) {
    ASSERT_NE(h, 0) << kz::GetRuDUError();
    EXPECT_EQ(rudu::BeginWriteThrough(h), nullptr);
    rudu::DiscardFile(h);
  }
  EXPECT_EQ(rudu::BeginWriteThrough(0), nullptr);
  EXPECT_EQ(rudu::EndWriteThrough(0), 0);
  EXPECT_EQ(ReadRaw(path), "01234ab");
}

TEST_F(RuduTest, PackedFilesAreUnpackedOnReadingAndFormsFollowTheRules) {
  const std::string text(5000, 'k');
  // Form 2 packs; the read handle sees the plain bytes.
  ASSERT_EQ(Put(P("a.txt"), text, 2), 1);
  std::string raw = ReadRaw(P("a.txt"));
  ASSERT_GE(raw.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(raw[0]), 0x1f);
  EXPECT_EQ(kztest::Gunzip(raw), text);
  EXPECT_EQ(Get(P("a.txt")), text);

  // Packed data is recognised by its magic bytes whatever the name.
  WriteRaw(P("plain-name.xml"), kztest::Gzip("<x/>"));
  EXPECT_EQ(Get(P("plain-name.xml")), "<x/>");

  // Form 0: a new ".pck" is packed, a new ".txt" plain, an existing file keeps its form.
  ASSERT_EQ(Put(P("new.pck"), "p", 0), 1);
  EXPECT_EQ(kztest::Gunzip(ReadRaw(P("new.pck"))), "p");
  ASSERT_EQ(Put(P("new.txt"), "t", 0), 1);
  EXPECT_EQ(ReadRaw(P("new.txt")), "t");
  ASSERT_EQ(Put(P("a.txt"), "again", 0), 1);
  EXPECT_EQ(kztest::Gunzip(ReadRaw(P("a.txt"))), "again");

  // Converting keeps the content and changes the form.
  int32_t f = RuDU_OpenFileConvert(P("a.txt").c_str(), 1, 0, 1);
  ASSERT_NE(f, 0);
  EXPECT_EQ(RuDU_FileSize(f), 5);
  EXPECT_EQ(RuDU_CloseFile(f), 1);
  EXPECT_EQ(ReadRaw(P("a.txt")), "again");
  EXPECT_EQ(RuDU_OpenFileConvert(P("a.txt").c_str(), 0, 0, 1), 0);  // convert only writes
}

TEST_F(RuduTest, NamesAreFoundWithoutRegardToCaseAndWritesReplaceTheExistingSpelling) {
  WriteRaw(P("Types/TLaser.txt"), "laser");
  EXPECT_EQ(Get(root + "\\types\\tlaser.TXT"), "laser");
  EXPECT_NE(RuDU_FileExists((root + "/TYPES/TLASER.TXT").c_str()), 0);
  ASSERT_EQ(Put(root + "/TYPES/tlaser.txt", "new"), 1);
  EXPECT_EQ(FolderNames(P("Types")), std::vector<std::string>{"TLaser.txt"});
  EXPECT_EQ(ReadRaw(P("Types/TLaser.txt")), "new");
  EXPECT_EQ(RuDU_FileExists(P("Types/none.txt").c_str()), 0);
  EXPECT_EQ(RuDU_FileExists(P("Types").c_str()), 0);  // a folder is not a file
  EXPECT_EQ(RuDU_OpenFile(P("missing/x.txt").c_str(), 1, 1, 1), 0);  // no such folder
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_PATH);
  EXPECT_NE(RuDU_DeleteFile(P("types/tlaser.TXT").c_str()), 0);
  EXPECT_FALSE(fs::exists(P("Types/TLaser.txt")));
}

TEST_F(RuduTest, CatalogRoundTripCreatesAppendsAndReplacesEntries) {
  const std::string cat = P("01.cat");
  ASSERT_EQ(Put(cat + "::types\\TLaser.txt", "laser-1"), 1);
  ASSERT_EQ(Put(cat + "::types/TShields.pck", "shields", 0), 1);  // packed by its name
  ASSERT_EQ(Put(cat + "::maps\\x.xml", "<universe/>"), 1);
  const size_t packedSize = ReadRaw(P("01.dat")).size() - 7 - 11;
  EXPECT_EQ(ReadRaw(cat), "01.dat\ntypes\\TLaser.txt 7\ntypes\\TShields.pck " + std::to_string(packedSize) +
                              "\nmaps\\x.xml 11\n");
  EXPECT_EQ(Get(cat + "::TYPES\\tlaser.txt"), "laser-1");
  EXPECT_EQ(Get(cat + "::types\\TShields.pck"), "shields");
  EXPECT_NE(RuDU_FileExists((cat + "::maps\\X.XML").c_str()), 0);
  EXPECT_EQ(RuDU_FileExists((cat + "::maps\\y.xml").c_str()), 0);

  // Replacing: the new bytes are appended, the entry's last line wins, the rest stays.
  const std::string before = ReadRaw(P("01.dat"));
  ASSERT_EQ(Put(cat + "::types\\tlaser.txt", "laser-2, longer"), 1);
  EXPECT_EQ(ReadRaw(P("01.dat")).substr(0, before.size()), before);
  EXPECT_EQ(Get(cat + "::types\\TLaser.txt"), "laser-2, longer");
  EXPECT_EQ(Get(cat + "::types\\TShields.pck"), "shields");
  EXPECT_EQ(Get(cat + "::maps\\x.xml"), "<universe/>");

  // A write keeping the content starts from the entry's current bytes.
  int32_t f = RuDU_OpenFile((cat + "::maps\\x.xml").c_str(), 1, 0, 0);
  ASSERT_NE(f, 0);
  EXPECT_EQ(RuDU_FileSize(f), 11);
  EXPECT_EQ(RuDU_SeekFile(f, 0, 1), 11);
  EXPECT_EQ(RuDU_WriteFile(f, "!", 1), 1);
  EXPECT_EQ(RuDU_CloseFile(f), 1);
  EXPECT_EQ(Get(cat + "::maps\\x.xml"), "<universe/>!");

  // Two write handles into one catalog both land.
  int32_t a = RuDU_OpenFile((cat + "::t\\a.xml").c_str(), 1, 1, 1);
  int32_t b = RuDU_OpenFile((cat + "::t\\b.xml").c_str(), 1, 1, 1);
  RuDU_WriteFile(a, "A", 1);
  RuDU_WriteFile(b, "B", 1);
  EXPECT_EQ(RuDU_CloseFile(a), 1);
  EXPECT_EQ(RuDU_CloseFile(b), 1);
  EXPECT_EQ(Get(cat + "::t\\a.xml"), "A");
  EXPECT_EQ(Get(cat + "::t\\b.xml"), "B");

  // Reading a missing entry names it and the catalog.
  EXPECT_EQ(RuDU_OpenFile((cat + "::types\\none.txt").c_str(), 0, 0, 0), 0);
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_NOT_FOUND);
  EXPECT_NE(kz::GetRuDUError().find("types\\none.txt"), std::string::npos);
  EXPECT_NE(kz::GetRuDUError().find("01.cat"), std::string::npos);
  EXPECT_EQ(RuDU_DeleteFile((cat + "::maps\\x.xml").c_str()), 0);
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_UNSUPPORTED);
}

TEST_F(RuduTest, RefusedInnerPaths) {
  kztest::WriteCatalog(P("c.cat"), {{"a\\b.txt", "x"}});
  for (const char* inner : {"", "..\\x", "a\\..\\b.txt", "\\abs", "/abs", "a\\\\b.txt", "a\\", "C:x", ".\\a", "a\tb"}) {
    SCOPED_TRACE(inner);
    const std::string path = P("c.cat") + "::" + inner;
    EXPECT_EQ(RuDU_OpenFile(path.c_str(), 0, 0, 0), 0);
    EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_PATH);
    EXPECT_EQ(RuDU_OpenFile(path.c_str(), 1, 1, 1), 0);
    EXPECT_EQ(RuDU_FileExists(path.c_str()), 0);
  }
  EXPECT_EQ(ReadRaw(P("c.cat")), "c.dat\na\\b.txt 1\n");
}

TEST_F(RuduTest, BadCatalogsAreRefusedWithTheFileNamedAndNothingWritten) {
  struct Case {
    const char* what;
    std::string index;
    std::string data;
    bool writeData = true;
  };
  const std::vector<Case> cases = {
      {"truncated data file", "bad.dat\na.txt 4\nb.txt 10\n", "abcdefg"},
      {"line without a size", "bad.dat\na.txt\n", "abc"},
      {"size past the data's end", "bad.dat\na.txt 4000\n", "abc"},
      {"size that is not a number", "bad.dat\na.txt 1x\n", "abc"},
      {"size above 2^31-1", "bad.dat\na.txt 99999999999\n", "abc"},
      {"binary data, not a catalog", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "abc"},
      {"empty index", "", "abc"},
      {"data file missing", "bad.dat\na.txt 1\n", "", false},
      {"first line is a path", "../../etc/passwd\na.txt 1\n", "abc"},
      {"entry with ..", "bad.dat\n..\\x.txt 1\n", "abc"},
      // Its entries would be read from the index's own lines, and a write would append
      // to the index and then replace it.
      {"data file is the index itself", "bad.cat\na.txt 4\n", "abc"},
      {"data file is the index in other letters", "BAD.Cat\na.txt 4\n", "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(P("cat"));
    fs::create_directories(P("cat"));
    WriteRaw(P("cat/bad.cat"), c.index);
    if (c.writeData) WriteRaw(P("cat/bad.dat"), c.data);
    const std::string cat = P("cat/bad.cat");
    EXPECT_EQ(RuDU_OpenCatalog(cat.c_str(), 0), 0);
    EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_CATALOG);
    EXPECT_NE(kz::GetRuDUError().find("bad.cat"), std::string::npos) << kz::GetRuDUError();
    EXPECT_EQ(RuDU_OpenFile((cat + "::a.txt").c_str(), 0, 0, 0), 0);
    EXPECT_EQ(RuDU_FileExists((cat + "::a.txt").c_str()), 0);
    EXPECT_EQ(RuDU_OpenFile((cat + "::new.txt").c_str(), 1, 1, 1), 0);
    EXPECT_EQ(ReadRaw(cat), c.index);
    if (c.writeData) {
      EXPECT_EQ(ReadRaw(P("cat/bad.dat")), c.data);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(P("cat")), fs::directory_iterator()), c.writeData ? 2 : 1);
  }
}

TEST_F(RuduTest, CorruptPackedDataFailsTheOpenWithTheFileNamed) {
  std::string content;
  uint32_t seed = 7;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245u + 12345u;
    content += static_cast<char>('a' + (seed >> 16) % 26);
  }
  const std::string good = kztest::Gzip(content);
  std::string flipped = good;
  flipped[good.size() / 2] = static_cast<char>(flipped[good.size() / 2] ^ 0x55);
  std::string badCrc = good;
  badCrc[good.size() - 6] = static_cast<char>(badCrc[good.size() - 6] ^ 1);
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"truncated", good.substr(0, good.size() / 2)},
      {"flipped bits", flipped},
      {"checksum", badCrc},
      {"only the magic", std::string("\x1f\x8b", 2)},
      {"trailing bytes", good + "garbage"},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    WriteRaw(P("types/TBad.pck"), bytes);
    EXPECT_EQ(RuDU_OpenFile(P("types/TBad.pck").c_str(), 0, 0, 0), 0);
    EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_PACKED);
    EXPECT_NE(kz::GetRuDUError().find("TBad.pck"), std::string::npos);
    // Converting (keeping the content) cannot start from damaged data either.
    EXPECT_EQ(RuDU_OpenFileConvert(P("types/TBad.pck").c_str(), 1, 0, 1), 0);
    EXPECT_EQ(ReadRaw(P("types/TBad.pck")), bytes);
    kztest::WriteCatalog(P("c.cat"), {{"types\\TBad.pck", bytes}});
    EXPECT_EQ(RuDU_OpenFile((P("c.cat") + "::types\\TBad.pck").c_str(), 0, 0, 0), 0);
    EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_PACKED);
  }
  // A file of one magic byte is plain.
  WriteRaw(P("one"), "\x1f");
  EXPECT_EQ(Get(P("one")), "\x1f");
}

using kztest::FileSizeLimit;

TEST_F(RuduTest, AFailedCommitLeavesTheOldFileAndCatalogWhole) {
  const std::string big(256 * 1024, 'B');
  ASSERT_EQ(Put(P("TShips.txt"), "old ships"), 1);
  kztest::WriteCatalog(P("01.cat"), {{"types\\TShips.txt", "cat ships"}});
  const std::string oldIndex = ReadRaw(P("01.cat")), oldData = ReadRaw(P("01.dat"));
  {
    FileSizeLimit limit(64 * 1024);
    EXPECT_EQ(Put(P("TShips.txt"), big), 0);
    EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_COMMIT);
    EXPECT_NE(kz::GetRuDUError().find("TShips.txt"), std::string::npos);
    EXPECT_EQ(Put(P("01.cat") + "::types\\TShips.txt", big), 0);
    EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_COMMIT);
  }
  EXPECT_EQ(ReadRaw(P("TShips.txt")), "old ships");
  EXPECT_EQ(ReadRaw(P("01.cat")), oldIndex);
  EXPECT_EQ(ReadRaw(P("01.dat")), oldData);
  EXPECT_EQ(FolderNames(root), (std::vector<std::string>{"01.cat", "01.dat", "TShips.txt"}));

  // A data file cut short while a write handle is open: the commit refuses.
  int32_t f = RuDU_OpenFile((P("01.cat") + "::types\\TNew.txt").c_str(), 1, 1, 1);
  ASSERT_NE(f, 0);
  RuDU_WriteFile(f, "n", 1);
  fs::resize_file(P("01.dat"), 3);
  EXPECT_EQ(RuDU_CloseFile(f), 0);
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_COMMIT);
  EXPECT_EQ(ReadRaw(P("01.cat")), oldIndex);
  EXPECT_EQ(ReadRaw(P("01.dat")), "cat");

  // A stray data file without its index is not overwritten by a new catalog.
  WriteRaw(P("02.dat"), "precious");
  EXPECT_EQ(Put(P("02.cat") + "::a.txt", "x"), 0);
  EXPECT_EQ(ReadRaw(P("02.dat")), "precious");
  EXPECT_FALSE(fs::exists(P("02.cat")));
}

TEST_F(RuduTest, BadHandlesFailSafely) {
  char buf[4];
  for (int32_t h : {0, -5, 99999999}) {
    SCOPED_TRACE(h);
    EXPECT_EQ(RuDU_ReadFile(h, buf, 4), 0);
    EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_HANDLE);
    EXPECT_EQ(RuDU_WriteFile(h, buf, 4), 0);
    EXPECT_EQ(RuDU_FileSize(h), -1);
    EXPECT_EQ(RuDU_SeekFile(h, 0, 0), -1);
    EXPECT_EQ(RuDU_FileTell(h), -1);
    EXPECT_NE(RuDU_EOF(h), 0);  // loops until the end stop
    EXPECT_EQ(RuDU_SetEndOfFile(h), 0);
  }
  EXPECT_EQ(RuDU_CloseFile(0), 0);  // harmless
  EXPECT_EQ(RuDU_GetLastError(), 0);
  EXPECT_EQ(RuDU_CloseCatalog(0), 0);
  EXPECT_EQ(RuDU_GetLastError(), 0);
  WriteRaw(P("a"), "abc");
  int32_t f = RuDU_OpenFile(P("a").c_str(), 0, 0, 0);
  EXPECT_EQ(RuDU_CloseCatalog(f), 0);  // a file is not a catalog
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_HANDLE);
  EXPECT_EQ(RuDU_ReadFile(f, nullptr, 2), 0);
  EXPECT_EQ(RuDU_ReadFile(f, buf, -1), 0);
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_ARGUMENT);
  EXPECT_EQ(RuDU_CloseFile(f), 1);
  EXPECT_EQ(RuDU_CloseFile(f), 0);  // stale
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_HANDLE);
  EXPECT_EQ(RuDU_OpenFile(nullptr, 0, 0, 0), 0);
  EXPECT_EQ(RuDU_OpenFile(P("a").c_str(), 3, 0, 0), 0);
  EXPECT_EQ(RuDU_OpenFile(P("a").c_str(), 1, 1, 7), 0);
  EXPECT_EQ(RuDU_OpenFile(root.c_str(), 0, 0, 0), 0);  // a folder
}

TEST_F(RuduTest, ErrorTextProtocol) {
  // No error: an empty text, nothing needed.
  WriteRaw(P("a"), "abc");
  EXPECT_NE(RuDU_FileExists(P("a").c_str()), 0);
  EXPECT_EQ(RuDU_GetLastError(), 0);
  int32_t needed = -1;
  EXPECT_EQ(RuDU_TranslateError(0, nullptr, 0, &needed), 0);
  EXPECT_EQ(needed, 0);
  EXPECT_EQ(kz::GetRuDUError(), "");

  // A failure: the size call gives the text's bytes plus the NUL; the text names the path.
  EXPECT_EQ(RuDU_OpenFile(P("nothing.txt").c_str(), 0, 0, 0), 0);
  const int32_t code = RuDU_GetLastError();
  EXPECT_EQ(code, RUDU_ERR_NOT_FOUND);
  RuDU_TranslateError(code, nullptr, 0, &needed);
  std::string buffer(static_cast<size_t>(needed), ' ');
  EXPECT_NE(RuDU_TranslateError(code, buffer.data(), needed, &needed), 0);
  EXPECT_EQ(buffer.back(), '\0');
  const std::string text = buffer.substr(0, buffer.size() - 1);
  EXPECT_NE(text.find("nothing.txt"), std::string::npos);
  EXPECT_EQ(kz::GetRuDUError(), text);  // translating does not clear the error
  EXPECT_EQ(RuDU_GetLastError(), code);

  // A small buffer gets what fits and the result 0.
  char small[5];
  EXPECT_EQ(RuDU_TranslateError(code, small, 5, &needed), 0);
  EXPECT_EQ(std::string(small), text.substr(0, 4));
  // Another code gives its general text; an unknown one says so.
  RuDU_TranslateError(RUDU_ERR_PACKED, nullptr, 0, &needed);
  EXPECT_GT(needed, 1);
  std::string general(static_cast<size_t>(needed), ' ');
  RuDU_TranslateError(RUDU_ERR_PACKED, general.data(), needed, &needed);
  EXPECT_STREQ(general.c_str(), "Damaged packed file");

  // The next entry clears it.
  EXPECT_NE(RuDU_FileExists(P("a").c_str()), 0);
  EXPECT_EQ(RuDU_GetLastError(), 0);
  EXPECT_STRNE(KzLibraryVersion(), "");
}

TEST_F(RuduTest, WholeFileWrappers) {
  std::string error, data;
  EXPECT_TRUE(kz::WriteWholeFile(P("w.pck"), "packed text", 0, error)) << error;
  EXPECT_EQ(kztest::Gunzip(ReadRaw(P("w.pck"))), "packed text");
  EXPECT_TRUE(kz::ReadWholeFile(P("w.pck"), data, error));
  EXPECT_EQ(data, "packed text");
  EXPECT_TRUE(kz::FileExists(P("w.pck")));
  EXPECT_FALSE(kz::ReadWholeFile(P("none"), data, error));
  EXPECT_EQ(error.rfind("Error opening file \"" + P("none") + "\":\r\n", 0), 0u) << error;
  EXPECT_FALSE(kz::WriteWholeFile(P("none/x"), "x", 1, error));
  char field[6] = {'a', 'b', 0, 'c', 'd', 'e'};
  EXPECT_EQ(kz::CutAtNul(field, 6), "ab");
  char full[3] = {'x', 'y', 'z'};
  EXPECT_EQ(kz::CutAtNul(full, 3), "xyz");
}

}  // namespace
