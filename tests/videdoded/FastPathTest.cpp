// The quick paths of the reader, the writer and the store give what the full ones do.
#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <random>

#include "TestFiles.h"
#include "rudu/rudu.h"
#include "videdoded/videdoded.h"

namespace {

// Short decimals are read without the general parser: the value must be the
// correctly rounded one all the same.
TEST(FastPath, ShortDecimalsReadCorrectlyRounded) {
  std::mt19937_64 rng(11);
  std::vector<std::string> texts = {"0.1", "-0.0", "5.", ".5", "-.5", "123456789012345.", "0.000000000000001",
                                    "9007199254740.993", "1234567890.12345", "-999999999999999.", "0.3"};
  for (int i = 0; i < 3000; ++i) {
    int digits = 1 + static_cast<int>(rng() % 15);
    std::string t;
    for (int k = 0; k < digits; ++k) t.push_back(static_cast<char>('0' + rng() % 10));
    t.insert(t.begin() + static_cast<long>(rng() % (t.size() + 1)), '.');
    if (rng() & 1) t.insert(t.begin(), '-');
    texts.push_back(t);
  }
  for (const std::string& t : texts) {
    std::string line = t + ";";
    int32_t d = Kz_LoadFromBuffer(line.data(), line.size(), 1);
    Kz_Value v;
    ASSERT_EQ(Kz_TXTLoadValue(d, 0, v), 1) << t;
    Kz_DeleteHandle(0, d);
    ASSERT_EQ(v.kind, Kz_Value::Double) << t;
    double want = 0;
    auto r = std::from_chars(t.data(), t.data() + t.size(), want, std::chars_format::fixed);
    ASSERT_TRUE(r.ec == std::errc() && r.ptr == t.data() + t.size()) << t;
    EXPECT_EQ(std::memcmp(&v.d, &want, sizeof want), 0) << t;
  }
}

// Fields written one by one land in the write handle exactly as formatted, also after
// seeking back and writing over part of the content or past its end.
TEST(FastPath, FieldsAppendAtThePositionOfTheWriteHandle) {
  std::string path = vtest::PathOf("fast-fields.txt");
  int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, 1);
  ASSERT_NE(f, 0);
  std::string want;
  const Kz_Value values[] = {Kz_Value::FromLong(-7), Kz_Value::FromDouble(2.5), Kz_Value::FromText("SS_A"),
                             Kz_Value(), Kz_Value::FromText("caf\xC3\xA9"), Kz_Value::FromText(std::string(600, 'x'))};
  for (int round = 0; round < 2000; ++round)
    for (const Kz_Value& v : values) {
      ASSERT_EQ(Kz_TXTWriteValue(f, v), 1);
      ASSERT_EQ(Kz_TXTFormatValue(v, want), 1);
    }
  ASSERT_EQ(Kz_TXTWriteFile(f, "\r\n"), 1);
  want += "\r\n";
  ASSERT_EQ(RuDU_SeekFile(f, 3, 0), 3);
  ASSERT_EQ(Kz_TXTWriteValue(f, Kz_Value::FromLong(12345)), 1);
  want.replace(3, 6, "12345;");
  ASSERT_EQ(RuDU_SeekFile(f, 2, 1), static_cast<int32_t>(want.size()) + 2);
  ASSERT_EQ(Kz_TXTWriteValue(f, Kz_Value::FromLong(1)), 1);
  want += std::string(2, '\0') + "1;";
  ASSERT_EQ(RuDU_FileSize(f), static_cast<int32_t>(want.size()));
  ASSERT_EQ(RuDU_CloseFile(f), 1);
  EXPECT_EQ(vtest::ReadBytes(path), want);
  // The closed handle is not written through any more, cached or not.
  EXPECT_EQ(Kz_TXTWriteValue(f, Kz_Value::FromLong(1)), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrInvalidHandle);
  EXPECT_EQ(RuDU_WriteFile(f, "x", 1), 0);
  EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_HANDLE);
}

// Replacing a file needs no reading of it, but a file opened for replacing in the
// form it has still keeps that form.
TEST(FastPath, ReplacingKeepsTheFormOfTheFile) {
  std::string path = vtest::PathOf("fast-form.txt");
  ASSERT_EQ(Kz_EncodeXMLFile(path, "<a/>", 2), 1);
  int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, 0);
  ASSERT_NE(f, 0);
  ASSERT_EQ(RuDU_WriteFile(f, "<b/>", 4), 4);
  ASSERT_EQ(RuDU_CloseFile(f), 1);
  std::string bytes = vtest::ReadBytes(path);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x1F);
  std::string text;
  ASSERT_EQ(Kz_DecodeXMLFile(path, text), 1);
  EXPECT_EQ(text, "<b/>");
}

std::string Resource(const std::string& pages) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"44\">\n" + pages + "</language>\n";
}

std::string Text(int32_t page, int32_t id) {
  int32_t s = Kz_TREFindString(kKzStoreHandle, page, id);
  if (!s) return "<none>";
  int32_t sid = 0;
  std::string raw, text;
  EXPECT_EQ(Kz_TREGetStringInfo(s, sid, raw, text), 1);
  return text;
}

// The first file loaded into the empty store: repeated IDs still merge as in any
// later file (one page per ID, the later string of an ID replacing the earlier).
TEST(FastPath, FirstFileWithRepeatedIdsMerges) {
  Kz_TREDescServerUnload();
  std::string x = Resource(
      "<page id=\"5\"><t id=\"1\">one</t><t id=\"2\">two</t><t id=\"1\">ONE</t></page>"
      "<page id=\"6\"><t id=\"1\">six</t></page>"
      "<page id=\"5\"><t id=\"3\">three {1}</t></page>");
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(x.data(), x.size()), 1);
  ASSERT_EQ(Kz_TREDescServerTranslateStrings(), 1);
  int32_t n = 0;
  ASSERT_EQ(Kz_EnumObjects(kKzStoreHandle, nullptr, 0, &n), 1);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(Text(5, 1), "ONE");
  EXPECT_EQ(Text(5, 2), "two");
  EXPECT_EQ(Text(5, 3), "three ONE");
  int32_t page = 0;
  ASSERT_EQ(Kz_EnumObjects(kKzStoreHandle, &page, 1, &n), 1);
  ASSERT_EQ(Kz_EnumObjects(page, nullptr, 0, &n), 1);
  EXPECT_EQ(n, 3);
  Kz_TREDescServerUnload();
}

// A file merged in after the texts were processed: texts that refer to its strings
// are not answered from the out-of-date cache.
TEST(FastPath, MergedFileOutdatesProcessedTexts) {
  Kz_TREDescServerUnload();
  std::string a = Resource("<page id=\"1\"><t id=\"1\">see {2,1}</t><t id=\"7\">plain</t></page>");
  std::string b = Resource("<page id=\"2\"><t id=\"1\">the map</t></page>");
  std::string c = Resource("<page id=\"1\"><t id=\"7\">changed</t></page><page id=\"2\"><t id=\"1\">a chart</t></page>");
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(a.data(), a.size()), 1);
  ASSERT_EQ(Kz_TREDescServerTranslateStrings(), 1);
  EXPECT_EQ(Text(1, 1), "see {2,1}");
  EXPECT_EQ(Text(1, 7), "plain");
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(b.data(), b.size()), 1);
  EXPECT_EQ(Text(1, 1), "see the map");
  ASSERT_EQ(Kz_TREDescServerTranslateStrings(), 1);
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(c.data(), c.size()), 1);
  EXPECT_EQ(Text(1, 1), "see a chart");
  EXPECT_EQ(Text(1, 7), "changed");
  ASSERT_EQ(Kz_TREDescServerTranslateStrings(), 1);
  EXPECT_EQ(Text(1, 1), "see a chart");
  // Sparse IDs are found as well as dense ones.
  std::string d = Resource("<page id=\"3\"><t id=\"-5\">low</t><t id=\"2000000000\">high</t></page>");
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(d.data(), d.size()), 1);
  EXPECT_EQ(Text(3, -5), "low");
  EXPECT_EQ(Text(3, 2000000000), "high");
  EXPECT_EQ(Text(3, 0), "<none>");
  Kz_TREDescServerUnload();
}

}  // namespace
