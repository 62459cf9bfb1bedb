// The text resource editor's rules: keys, captions, the texts the dialogs accept, file
// numbers and names, and the find compare.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/KzConst.h"
#include "textres/model/TRERules.h"

namespace {

TEST(TRERules, KeysStatusAndCaptions) {
  mdlKzConst::InitArrays();
  EXPECT_EQ(tre::ItemKey(1234), "1234k");
  EXPECT_EQ(tre::PagesStatus(3), "3 pages");
  EXPECT_EQ(tre::StringsStatus(0), "0 strings");
  const struct {
    std::string file;
    int32_t lang;
    bool readOnly, modified;
    std::string caption;
  } cases[] = {
      {"", 44, false, false, "Text Resource Editor"},
      {"", 44, false, true, "Text Resource Editor *"},
      {"/d/t/440001.xml", 44, false, false, "Text Resource Editor [/d/t/440001.xml (English)]"},
      {"new document", 49, false, true, "Text Resource Editor [new document (German)] *"},
      {"a.xml", 7, false, false, "Text Resource Editor [a.xml (lang ID: 7)]"},
      {"pages in memory", 7, true, false, "Text Resource Editor [pages in memory]"},
      // The read-only view names a known language as a file does.
      {"pages in memory", 44, true, false, "Text Resource Editor [pages in memory (English)]"},
      {"pages in memory", 49, true, true, "Text Resource Editor [pages in memory (German)] *"},
  };
  for (const auto& c : cases) EXPECT_EQ(tre::CaptionText(c.file, c.lang, c.readOnly, c.modified), c.caption);
  EXPECT_EQ(tre::SavePromptText("/d/t/440001.xml"),
            "You have changed data in file 440001.xml\r\nDo you want to save your changes?");
}

TEST(TRERules, TextsTheDialogsAccept) {
  const struct {
    std::string text;
    std::optional<int32_t> id, lang, number;
  } cases[] = {
      {"", 0, std::nullopt, std::nullopt},
      {"12", 12, 12, 12},
      {" 44 ", 44, 44, 44},
      {"0", 0, std::nullopt, 0},
      {"9999", 9999, 9999, 9999},
      {"10000", 10000, 10000, std::nullopt},
      {"2147483647", 2147483647, 2147483647, std::nullopt},
      {"2147483648", std::nullopt, std::nullopt, std::nullopt},
      {"99999999999999999999", std::nullopt, std::nullopt, std::nullopt},
      {"-1", -1, std::nullopt, std::nullopt},
      {"1e3", std::nullopt, std::nullopt, std::nullopt},
      {"44 - English", std::nullopt, std::nullopt, std::nullopt},
      {"abc", std::nullopt, std::nullopt, std::nullopt},
      {"-", std::nullopt, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(tre::ParseId(c.text), c.id);
    EXPECT_EQ(tre::ParseLanguage(c.text), c.lang);
    EXPECT_EQ(tre::ParseFileNumber(c.text), c.number);
  }
}

// A refused ID says why: a whole number past 32 bits is out of range, with the range.
TEST(TRERules, RefusalsOfATypedId) {
  const std::string range = "Entered value is out of range. It must be a whole number from -2147483648 to 2147483647.";
  const std::string notANumber = "Entered value is incorrect. It must be whole number.";
  const struct {
    std::string text, error;
  } cases[] = {
      {"", ""},
      {"500", ""},
      {"2147483647", ""},
      {"-2147483648", ""},
      {"2147483648", range},
      {" 99999999999 ", range},
      {"-2147483649", range},
      {"99999999999999999999999999", range},
      {"1e3", notANumber},
      {"12a", notANumber},
      {"-", notANumber},
      {"1 2", notANumber},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(tre::IdInputError("Page ID", c.text), c.error.empty() ? "" : "Page ID: " + c.error);
  }
  EXPECT_EQ(tre::IdInputError("ID", "4294967296"), "ID: " + range);
}

// IDs that stand more than once, and the one message at open that names them.
TEST(TRERules, DuplicateIds) {
  const struct {
    std::vector<int32_t> ids, duplicates;
  } cases[] = {
      {{}, {}},
      {{1, 2, 3, 12, 112}, {}},
      {{3, 1, 2}, {}},
      {{500, 500}, {500}},
      {{1, 2, 1, 3, 2, 1}, {1, 2}},
      {{7, -1, -1, 7, 7}, {-1, 7}},
  };
  for (const auto& c : cases) EXPECT_EQ(tre::DuplicateIds(c.ids), c.duplicates);

  EXPECT_EQ(tre::DuplicateIdsText({}, {}), "");
  EXPECT_EQ(tre::DuplicateIdsText({500, 501}, {{17, {1}}, {500, {2, 3}}}),
            "This file holds IDs more than once; the game reaches only one of each:\r\n"
            "pages: 500, 501\r\n"
            "texts of page 17: 1\r\n"
            "texts of page 500: 2, 3\r\n"
            "The file is kept as it stands.");
  std::vector<tre::PageDuplicates> many;
  for (int32_t p = 0; p < 25; ++p) many.push_back({p, {1}});
  const std::string text = tre::DuplicateIdsText({}, many);
  EXPECT_EQ(text.find("pages:"), std::string::npos);
  EXPECT_NE(text.find("texts of page 19: 1\r\nand texts of 5 more pages\r\n"), std::string::npos);
  EXPECT_EQ(text.find("texts of page 20:"), std::string::npos);
  EXPECT_EQ(tre::PageIdTakenText(500), "The file already has a page with the ID 500.\r\nEach page needs an ID of its own.");
  EXPECT_EQ(tre::StringIdTakenText(1),
            "This page already has a text with the ID 1.\r\nEach text of a page needs an ID of its own.");
}

TEST(TRERules, FileNumbersOfALanguage) {
  const std::vector<std::string> names = {"440001.xml", "440007.PCK", "44abcd.xml", "4400070.xml", "440009.txt",
                                          "490012.xml", "070003.xml", "1230004.xml", "44x0001.xml", "440002.xml.pck"};
  const struct {
    int32_t lang;
    std::optional<int32_t> next;
  } cases[] = {{44, 8}, {49, 13}, {7, 4}, {123, 5}, {33, 1}, {4, 1}, {0, std::nullopt}, {-44, std::nullopt}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lang);
    if (c.lang < 1)
      EXPECT_FALSE(tre::FileNumberOf("440001.xml", c.lang));
    else
      EXPECT_EQ(tre::NextFileNumber(names, c.lang), c.next);
  }
  // The last number of a language: nothing is proposed beyond it.
  EXPECT_EQ(tre::NextFileNumber({"449998.xml"}, 44), 9999);
  EXPECT_EQ(tre::NextFileNumber({"449999.xml"}, 44), std::nullopt);

  EXPECT_EQ(tre::NewFileName(44, 12), "440012.xml");
  EXPECT_EQ(tre::NewFileName(7, 3), "070003.xml");
  EXPECT_EQ(tre::NewFileName(123, 9999), "1239999.xml");
  EXPECT_EQ(tre::NewFileSavePath("", "440001.xml"), "440001.xml");
  EXPECT_EQ(tre::NewFileSavePath("/games/kz", "440001.xml"), "/games/kz/t/440001.xml");
}

TEST(TRERules, TextFolderIsFoundWithoutRegardToCase) {
  auto root = std::filesystem::temp_directory_path() / ("kz-tre-rules-" + std::to_string(::getpid()));
  std::filesystem::create_directories(root / "T" / "sub");
  std::ofstream(root / "T" / "440003.xml") << "x";
  EXPECT_EQ(tre::TextFolderNames(root.string()), std::vector<std::string>{"440003.xml"});
  EXPECT_TRUE(tre::TextFolderNames((root / "missing").string()).empty());
  EXPECT_TRUE(tre::TextFolderNames("").empty());
  std::filesystem::remove_all(root);
}

TEST(TRERules, FindCompareIgnoresCase) {
  const struct {
    std::string text, search;
    bool whole, match;
  } cases[] = {
      {"Big Ship", "ship", false, true},  {"Big Ship", "ship", true, false}, {"12", "12", true, true},
      {"112", "12", true, false},         {"112", "12", false, true},        {"\xC3\x84rger", "\xC3\xA4rger", true, true},
      {"x \xC3\x97 y", "x \xC3\xB7 y", true, false},  // the multiplication sign is no letter
      {"", "", true, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(tre::FoldedMatch(tre::FoldCase(c.text), tre::FoldCase(c.search), c.whole), c.match) << c.text;
}

}  // namespace
