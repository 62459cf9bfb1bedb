// XML file decoding and encoding, command-line splitting.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "videdoded/videdoded.h"

namespace {

TEST(XmlFiles, DecodeHonoursTheEncoding) {
  struct Case {
    std::string bytes, text;
  } cases[] = {
      {"<a>\xC3\xA9</a>", "<a>\xC3\xA9</a>"},
      {"\xEF\xBB\xBF<a/>", "<a/>"},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9</a>",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xC3\xA9</a>"},
      {"<?xml version='1.0' encoding='windows-1252'?><a>\x80</a>",
       "<?xml version='1.0' encoding='UTF-8'?><a>\xE2\x82\xAC</a>"},
      {std::string("\xFF\xFE<\0a\0/\0>\0", 10), "<a/>"},
      {std::string("\xFE\xFF\0<\0a\0/\0>", 10), "<a/>"},
  };
  for (const auto& c : cases) {
    std::string text;
    ASSERT_EQ(Kz_DecodeXMLBuffer(c.bytes.data(), c.bytes.size(), text), 1);
    EXPECT_EQ(text, c.text);
  }
  std::string text;
  std::string bad = "<?xml version=\"1.0\" encoding=\"EBCDIC\"?><a/>";
  EXPECT_EQ(Kz_DecodeXMLBuffer(bad.data(), bad.size(), text), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrXml);
}

TEST(XmlFiles, EncodeAndDecodePlainAndPacked) {
  const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<universe><o t=\"1\"/></universe>\r\n";
  for (int mode : {1, 2}) {
    std::string path = vtest::PathOf(mode == 1 ? "map.xml" : "map.pck");
    ASSERT_EQ(Kz_EncodeXMLFile(path, xml, mode), 1);
    std::string raw = vtest::ReadBytes(path);
    if (mode == 1) {
      EXPECT_EQ(raw, xml);
    }
    if (mode == 2) {
      EXPECT_EQ(raw.substr(0, 2), "\x1f\x8b");
    }
    std::string back;
    ASSERT_EQ(Kz_DecodeXMLFile(path, back), 1);
    EXPECT_EQ(back, xml);
  }
  EXPECT_EQ(Kz_EncodeXMLFile(vtest::PathOf("x.xml"), xml, 3), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrArgument);
  std::string text;
  EXPECT_EQ(Kz_DecodeXMLFile(vtest::PathOf("missing.xml"), text), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrRead);
  // A file that cannot be written leaves nothing committed.
  EXPECT_EQ(Kz_EncodeXMLFile(vtest::PathOf("no/such/folder/x.xml"), xml, 1), 0);
}

TEST(CommandLine, Splits) {
  struct Case {
    const char* cmd;
    std::vector<std::string> words;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"-tfile C:\\games\\TShips.txt", {"-tfile", "C:\\games\\TShips.txt"}},
      {"/map \"my maps\\x 1.xml\"", {"/map", "my maps\\x 1.xml"}},
      {"a\"b c\"d e", {"ab cd", "e"}},
      {"\"say \"\"hi\"\"\" x", {"say \"hi\"", "x"}},
      {"\"\" x", {"", "x"}},
      {"trailing\\ \\\"x", {"trailing\\", "\\x"}},
      {"\"unclosed quote here", {"unclosed quote here"}},
      {"a  b\t\tc", {"a", "b", "c"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> words = {"stale"};
    EXPECT_EQ(Kz_CommandLineToArgV(c.cmd, words), static_cast<int32_t>(c.words.size())) << c.cmd;
    EXPECT_EQ(words, c.words) << c.cmd;
  }
}

TEST(CommandLine, JoinIsTheInverseOfSplit) {
  std::vector<std::vector<std::string>> lists = {
      {"-tfile", "/home/u/My Games/TShips.txt"},
      {"", "a\"b", "\"", "\"\"", "x y\"z", "back\\slash\\", "\\\"", "tab\there"},
      {"vfs://types\\TLaser.txt"},
  };
  for (const auto& words : lists) {
    std::string cmd;
    Kz_ArgVToCommandLine(words, cmd);
    std::vector<std::string> back;
    Kz_CommandLineToArgV(cmd, back);
    EXPECT_EQ(back, words) << cmd;
  }
}

}  // namespace
