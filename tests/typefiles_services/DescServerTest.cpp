#include <gtest/gtest.h>

#include "DataFolder.h"
#include "typefiles/DescServer.h"
#include "videdoded/videdoded.h"

using testdata::DataFolder;
using testdata::TreXml;

TEST(DescServer, LanguageOfFileName) {
  struct Case {
    const char* name;
    int32_t lang;
  } cases[] = {
      {"440001.xml", 44},     {"440001.pck", 44},   {"440001.XML", 44},  {"440001.xml.pck", 44},
      {"440001", 44},         {"070001.xml", 7},    {"70001.xml", 7},    {"40001.xml", 4},
      {"4400010.xml", 440},   {"0001.xml", 0},      {"00001.xml", 0},    {"44a001.xml", 0},
      {"440001.txt", 0},      {"readme.xml", 0},    {"", 0},             {"t\\440001.xml", 44},
      {"-40001.xml", 0},      {"99999999999990001.xml", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(clsDescServer::LanguageOfFileName(c.name), c.lang) << c.name;
}

class DescServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Kz_TREDescServerUnload();
    data.Write("t/440001.xml", TreXml(44, {{17, {{1, "first"}, {2, "two"}}}, {7, {{100, "Home {17,2}"}}}}));
    data.Write("t/440002.pck", TreXml(44, {{17, {{1, "replaced"}, {3, "three"}}}}), true);
    data.Write("t/40001.xml", TreXml(4, {{17, {{1, "language four"}}}}));
    data.Write("t/070001.xml", TreXml(7, {{17, {{1, "language seven"}}}}));
    data.Write("t/490001.xml", TreXml(49, {{17, {{1, "erste"}}}}));
    data.Write("t/readme.txt", "not a resource");
    data.Mount();
  }
  void TearDown() override { Kz_TREDescServerUnload(); }

  DataFolder data;
  clsDescServer server;
};

TEST_F(DescServerTest, LoadsOneLanguageInFileOrder) {
  std::vector<std::string> files = server.ListResourceFiles(44);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_NE(files[0].find("440001.xml"), std::string::npos);
  EXPECT_NE(files[1].find("440002.pck"), std::string::npos);

  ASSERT_TRUE(server.LoadResources(44)) << server.GetLastError();
  EXPECT_EQ(server.GetLastError(), "");
  EXPECT_EQ(server.LangID(), 44);
  EXPECT_EQ(server.GetStringDirect(17, 1), "replaced") << "the later file wins";
  EXPECT_EQ(server.GetStringDirect(17, 2), "two");
  EXPECT_EQ(server.GetStringDirect(17, 3), "three");
  EXPECT_EQ(server.GetStringDirect(7, 100), "Home two") << "references resolved";
  EXPECT_NE(server.GetObjectString(3), 0);
  EXPECT_EQ(clsDescServer::StringText(server.GetObjectString(3)), "three");
}

TEST_F(DescServerTest, ShortLanguageIdsTakeOnlyTheirFiles) {
  ASSERT_TRUE(server.LoadResources(7)) << server.GetLastError();
  EXPECT_EQ(server.GetStringDirect(17, 1), "language seven");
  ASSERT_TRUE(server.LoadResources(4)) << server.GetLastError();
  EXPECT_EQ(server.GetStringDirect(17, 1), "language four");
  EXPECT_EQ(server.GetString(17, 2), 0) << "language 44's files are not language 4's";
  ASSERT_TRUE(server.LoadResources(49));
  EXPECT_EQ(server.GetStringDirect(17, 1), "erste");
  EXPECT_EQ(server.GetString(17, 3), 0) << "a new language replaces the old one";
}

TEST_F(DescServerTest, MissingStrings) {
  ASSERT_TRUE(server.LoadResources(44));
  EXPECT_EQ(server.GetStringDirect(17, 5), "[string 17:5]");
  EXPECT_EQ(server.GetStringDirect(99, 1), "[string 99:1]") << "a missing page";
  EXPECT_EQ(server.GetStringDirect(17, 5, "SS_LASER"), "SS_LASER");
  EXPECT_EQ(server.GetStringDirect(17, -3), "[string 17:-3]");
  EXPECT_EQ(server.GetString(17, 5), 0);
  server.Unload();
  EXPECT_EQ(server.GetString(17, 2), 0);
  EXPECT_EQ(server.GetStringDirect(17, 2), "[string 17:2]");
}

TEST_F(DescServerTest, LanguageWithoutFilesFails) {
  EXPECT_FALSE(server.LoadResources(33));
  EXPECT_EQ(server.GetLastError(), "No XML/PCK resource files with LangID=33 found.");
  // Files that the folder's search finds but none of them the language's: a failure too.
  data.Write("t/33abc.xml", TreXml(33, {}));
  data.Write("t/33.xml", TreXml(33, {}));
  data.Mount();
  EXPECT_FALSE(server.LoadResources(33));
  EXPECT_EQ(server.GetLastError(), "No XML/PCK resource files with LangID=33 found.");
}

TEST_F(DescServerTest, LanguageIdMustBeAboveZero) {
  ASSERT_TRUE(server.LoadResources(44));
  for (int32_t lang : {0, -44}) {
    EXPECT_FALSE(server.LoadResources(lang));
    EXPECT_NE(server.GetLastError().find("above 0"), std::string::npos) << server.GetLastError();
  }
  EXPECT_EQ(server.GetStringDirect(17, 2), "two") << "a refused ID leaves the loaded strings";
  // "0001.xml" would read as language 0 if the ID were not checked.
  data.Write("t/0001.xml", TreXml(0, {{17, {{9, "zero"}}}}));
  data.Mount();
  EXPECT_FALSE(server.LoadResources(0));
}

TEST_F(DescServerTest, UnreadableFileIsNamedAndTheOthersLoad) {
  data.Write("t/440003.xml", "<language id=\"44\"><page id=\"17\"><t id=\"x\">bad</t></page></language>");
  data.Mount();
  EXPECT_FALSE(server.LoadResources(44));
  const std::string& error = server.GetLastError();
  EXPECT_NE(error.find("440003.xml:\r\n"), std::string::npos) << error;
  EXPECT_EQ(error.find("440001"), std::string::npos) << error;
  EXPECT_EQ(server.GetStringDirect(17, 1), "replaced") << "the good files still answer";
  EXPECT_EQ(server.LangID(), 44);
}

TEST_F(DescServerTest, OpenFileForEditing) {
  int32_t doc = server.OpenFile((data.Root() / "t" / "440002.pck").string());
  ASSERT_NE(doc, 0) << server.GetLastError();
  EXPECT_EQ(Kz_GetObjectType(doc), kKzTreDocument);
  EXPECT_EQ(Kz_TREGetLangID(doc), 44);
  Kz_DeleteHandle(0, doc);

  std::string missing = (data.Root() / "t" / "missing.xml").string();
  EXPECT_EQ(server.OpenFile(missing), 0);
  EXPECT_EQ(server.GetLastError().rfind("Error opening file \"" + missing + "\":\r\n", 0), 0u)
      << server.GetLastError();

  std::string bad = (data.Root() / "t" / "bad.xml").string();
  data.Write("t/bad.xml", "<language");
  EXPECT_EQ(server.OpenFile(bad), 0);
  EXPECT_EQ(server.GetLastError().rfind("Error loading file \"" + bad + "\":\r\n", 0), 0u);
  EXPECT_FALSE(server.SaveFile(doc, bad));
}
