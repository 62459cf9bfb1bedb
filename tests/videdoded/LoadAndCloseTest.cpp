// Loading a document from a file handle and closing it in the same call: the same
// document as a load from the handle, from where the handle stands, and the handle is
// closed whatever happens.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "rudu/FileObject.h"
#include "rudu/HandleTable.h"
#include "rudu/rudu.h"
#include "tests/videdoded/TestFiles.h"
#include "videdoded/videdoded.h"

namespace {

using vtest::PathOf;
using vtest::WriteBytes;

// Every value of a type-file document as text, then the document freed; "error <n>"
// when there is no document.
std::vector<std::string> ValuesOf(int32_t doc) {
  if (doc == 0) return {"error " + std::to_string(Kz_GetLastError())};
  std::vector<std::string> values;
  Kz_Value v;
  while (Kz_TXTLoadValue(doc, 0, v))
    values.push_back(v.kind == Kz_Value::Text ? v.s : v.kind == Kz_Value::Long ? std::to_string(v.l) : std::to_string(v.d));
  Kz_DeleteHandle(0, doc);
  return values;
}

// Lines of a type file, about `bytes` long in all.
std::string TypeFile(size_t bytes) {
  std::string text = "3;0;\r\n";
  for (int i = 0; text.size() < bytes; ++i) text += "body_" + std::to_string(i) + ";" + std::to_string(i * 7) + ";2.5;\r\n";
  return text;
}

TEST(LoadAndClose, SameDocumentAsALoadAndTheHandleIsClosed) {
  struct Case {
    const char* name;
    std::string bytes;
    int32_t skip;  // bytes read from the handle before the load
  } cases[] = {{"small", TypeFile(300), 0},
               {"large", TypeFile(3u << 20), 0},
               {"large, read in part first", TypeFile(3u << 20), 6},
               {"empty", "", 0},
               {"bad bytes", std::string("3;1;\r\nab\0c;\r\n", 13), 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = PathOf("load.txt");
    WriteBytes(path, c.bytes);
    std::vector<std::string> expected, got;
    for (bool close : {false, true}) {
      int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
      ASSERT_NE(h, 0);
      std::string head(static_cast<size_t>(c.skip), ' ');
      ASSERT_EQ(RuDU_ReadFile(h, head.data(), c.skip), c.skip);
      if (close) {
        got = ValuesOf(Kz_LoadFromFileAndClose(h, 1));
        EXPECT_EQ(rudu::HandleKindOf(h), 0) << "the handle is still open";
      } else {
        expected = ValuesOf(Kz_LoadFromFile(h, 1));
        RuDU_CloseFile(h);
      }
    }
    EXPECT_EQ(got, expected);
    if (c.bytes.size() > 1000) EXPECT_GT(got.size(), 1000u);
  }
}

TEST(LoadAndClose, ADocumentOutlivesItsHandleAndIgnoresLaterWrites) {
  const std::string path = PathOf("outlive.txt");
  const std::string text = TypeFile(1u << 20);
  WriteBytes(path, text);
  int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  ASSERT_NE(h, 0);
  const std::vector<std::string> expected = ValuesOf(Kz_LoadFromFile(h, 1));
  RuDU_CloseFile(h);
  ASSERT_GT(expected.size(), 1000u);

  // Read handle, closed before the document is read.
  h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  int32_t doc = Kz_LoadFromFile(h, 1);
  ASSERT_NE(doc, 0);
  RuDU_CloseFile(h);
  EXPECT_EQ(ValuesOf(doc), expected);

  // Write handle, overwritten, ended short and discarded before the document is read.
  h = RuDU_OpenFile(path.c_str(), 1, 0, 0);
  ASSERT_NE(h, 0);
  doc = Kz_LoadFromFile(h, 1);
  ASSERT_NE(doc, 0);
  const std::string other(4096, 'x');
  RuDU_SeekFile(h, 0, 0);
  ASSERT_EQ(RuDU_WriteFile(h, other.data(), static_cast<int32_t>(other.size())), 4096);
  RuDU_SetEndOfFile(h);
  rudu::DiscardFile(h);
  RuDU_CloseFile(h);
  EXPECT_EQ(ValuesOf(doc), expected);

  // Loaded and closed in one call: the document keeps the content the handle held;
  // other files of the same size read and written meanwhile do not change it.
  doc = Kz_LoadFromFileAndClose(RuDU_OpenFile(path.c_str(), 0, 0, 0), 1);
  ASSERT_NE(doc, 0);
  const std::string otherPath = PathOf("outlive-other.txt");
  WriteBytes(otherPath, std::string(text.size(), 'y'));
  std::string read(text.size(), '\0');
  h = RuDU_OpenFile(otherPath.c_str(), 0, 0, 0);
  ASSERT_EQ(RuDU_ReadFile(h, read.data(), static_cast<int32_t>(read.size())), static_cast<int32_t>(read.size()));
  RuDU_CloseFile(h);
  h = RuDU_OpenFile(otherPath.c_str(), 1, 1, 1);
  ASSERT_EQ(RuDU_WriteFile(h, read.data(), static_cast<int32_t>(read.size())), static_cast<int32_t>(read.size()));
  RuDU_CloseFile(h);
  EXPECT_EQ(ValuesOf(doc), expected);
}

TEST(LoadAndClose, OtherModesAndHandles) {
  const std::string path = PathOf("other.txt");
  WriteBytes(path, "3;1;\r\na;\r\n");
  // A text resource (here not one), a load mode that does not exist, a write handle.
  struct Case {
    int32_t access;
    int32_t mode;
    bool loads;
  } cases[] = {{0, 3, false}, {0, 2, false}, {1, 1, true}};
  for (const Case& c : cases) {
    int32_t h = RuDU_OpenFile(path.c_str(), c.access, 0, 0);
    ASSERT_NE(h, 0);
    int32_t doc = Kz_LoadFromFileAndClose(h, c.mode);
    EXPECT_EQ(doc != 0, c.loads) << c.mode;
    if (!c.loads) EXPECT_NE(Kz_GetLastError(), 0);
    EXPECT_EQ(rudu::HandleKindOf(h), 0) << "the handle is still open";
    Kz_DeleteHandle(0, doc);
  }
  // No file handle at all: refused, nothing closed.
  EXPECT_EQ(Kz_LoadFromFileAndClose(0, 1), 0);
  EXPECT_NE(Kz_GetLastError(), 0);
}

}  // namespace

namespace {

// A large type file whose every text holds `tag`, about `bytes` long: lines of a long
// text and its line's number.
std::string TaggedFile(size_t bytes, const std::string& tag) {
  const std::string filler(200, 'x');
  std::string text = "3;0;\r\n";
  text.reserve(bytes + 512);
  for (int i = 0; text.size() < bytes; ++i) text += tag + filler + std::to_string(i) + ";" + std::to_string(i) + ";\r\n";
  return text;
}

// The document of such a file reads its own bytes: the texts hold the tag, and each
// line's number follows its text.
void ExpectOwnValues(const std::string& text, const std::string& tag) {
  const int32_t doc = Kz_LoadFromBuffer(text.data(), text.size(), 1);
  ASSERT_NE(doc, 0);
  Kz_Value v;
  ASSERT_TRUE(Kz_TXTLoadValue(doc, 0, v) && Kz_TXTLoadValue(doc, 0, v));  // the header
  int32_t lines = 0;
  bool own = true;
  while (own && Kz_TXTLoadValue(doc, 0, v)) {
    own = v.kind == Kz_Value::Text && v.s == tag + std::string(200, 'x') + std::to_string(lines) &&
          Kz_TXTLoadValue(doc, 0, v) &&
          v.kind == Kz_Value::Long && v.l == lines;
    ++lines;
  }
  Kz_DeleteHandle(0, doc);
  EXPECT_TRUE(own) << tag << ", line " << lines;
  EXPECT_GT(lines, 1000) << tag;
}

}  // namespace

// The bytes of a large document let go of serve the next large load, but only once no
// one holds them: bytes a reader keeps past the document stay as they were while other
// documents are loaded, and every document reads its own bytes.
TEST(LoadAndClose, ALargeDocumentsBytesServeTheNextLoadOnlyOnceNoOneHoldsThem) {
  const std::string first = TaggedFile(6u << 20, "first");
  int32_t doc = Kz_LoadFromBuffer(first.data(), first.size(), 1);
  ASSERT_NE(doc, 0);
  std::string_view held;
  std::shared_ptr<const void> keep;
  ASSERT_TRUE(Kz_TXTLastingBytes(doc, held, keep));
  Kz_DeleteHandle(0, doc);
  ExpectOwnValues(TaggedFile(6u << 20, "second"), "second");
  ExpectOwnValues(TaggedFile(5u << 20, "third"), "third");
  ASSERT_EQ(held.size(), first.size());
  EXPECT_TRUE(held == first);
  keep.reset();
  // Smaller, equal and larger loads after the first's bytes were let go of.
  ExpectOwnValues(TaggedFile(5u << 20, "fourth"), "fourth");
  ExpectOwnValues(TaggedFile(6u << 20, "fifth"), "fifth");
  ExpectOwnValues(TaggedFile(9u << 20, "sixth"), "sixth");
  ExpectOwnValues(TaggedFile(1u << 20, "seventh"), "seventh");
  // Two documents at once, from two threads.
  const std::string eighth = TaggedFile(5u << 20, "eighth"), ninth = TaggedFile(5u << 20, "ninth");
  std::thread other([&eighth] {
    for (int k = 0; k < 2; ++k) ExpectOwnValues(eighth, "eighth");
  });
  for (int k = 0; k < 2; ++k) ExpectOwnValues(ninth, "ninth");
  other.join();
}
