// Building the index fast must not change what it holds: the catalog reader's quick
// path for short lines against the line rules (and their error texts), the case-folded
// hash and comparison, the filters decided per folder, folder spellings, and a hash
// table that grows when catalogs are appended.
#include <sched.h>

#include <atomic>
#include <cctype>
#include <functional>
#include <random>
#include <set>
#include <thread>

#include "../rudu/TestFiles.h"
#include "rudu/CatalogIndex.h"
#include "rudu/PathResolver.h"
#include "zuzer/EntryIndex.h"
#include "zuzer/ShareWork.h"
#include "zuzer/Wildcard.h"

namespace {

using rudu::CatalogIndex;
using rudu::EqualNoCase;
using rudu::FoldCase;

// The index rules one line at a time, the plain way.
struct Expected {
  bool ok = true;
  std::string why;
  struct Item {
    std::string path;
    uint64_t size;
  };
  std::vector<Item> items;
};

Expected ReadByRules(const std::string& text, uint64_t dataSize) {
  Expected x;
  size_t pos = 0, lineNo = 0;
  uint64_t total = 0;
  bool first = true;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first) {
      first = false;
      continue;  // the tests write a sound data file name
    }
    if (line.empty()) continue;
    const size_t blank = line.rfind(' ');
    const auto fail = [&](std::string why) {
      x.ok = false;
      x.why = std::move(why);
      return x;
    };
    if (blank == std::string::npos || blank + 1 == line.size()) return fail("line " + std::to_string(lineNo) + " has no size");
    uint64_t size = 0;
    for (char c : line.substr(blank + 1)) {
      if (c < '0' || c > '9' || size > 0x7fffffff) return fail("line " + std::to_string(lineNo) + " has no valid size");
      size = size * 10 + static_cast<uint64_t>(c - '0');
    }
    if (size > 0x7fffffff) return fail("line " + std::to_string(lineNo) + " has a size above 2^31-1");
    std::string path = line.substr(0, blank), why;
    if (!rudu::PathResolver::InnerIsSound(path, why)) return fail("line " + std::to_string(lineNo) + ": " + why);
    for (char& c : path)
      if (c == '/') c = '\\';
    if (total + size > dataSize)
      return fail("the entry \"" + path + "\" on line " + std::to_string(lineNo) + " runs past the end of the data file (" +
                  std::to_string(dataSize) + " bytes)");
    x.items.push_back({path, size});
    total += size;
  }
  return x;
}

void ExpectSameIndex(const std::string& text, uint64_t dataSize) {
  const Expected x = ReadByRules(text, dataSize);
  CatalogIndex index;
  std::string why;
  const bool ok = index.Parse(text, dataSize, why);
  ASSERT_EQ(ok, x.ok) << why << "\n" << text;
  if (!ok) {
    EXPECT_EQ(why, x.why);
    return;
  }
  ASSERT_EQ(index.Count(), x.items.size());
  uint64_t offset = 0;
  for (size_t i = 0; i < x.items.size(); ++i) {
    SCOPED_TRACE(x.items[i].path);
    const CatalogIndex::Entry& e = index.At(i);
    const std::string_view path = index.Path(i);
    ASSERT_EQ(path, x.items[i].path);
    EXPECT_EQ(e.size, x.items[i].size);
    EXPECT_EQ(e.offset, offset);
    offset += e.size;
    uint32_t nameStart = 0, stemEnd = 0;
    rudu::SplitInnerName(path, nameStart, stemEnd);
    EXPECT_EQ(e.nameStart, nameStart);
    EXPECT_EQ(e.stemEnd, stemEnd);
    EXPECT_EQ(e.stemHash, rudu::HashNoCase(path.substr(0, stemEnd)));
    EXPECT_TRUE(EqualNoCase(index.FolderPath(e.folder), path.substr(0, nameStart ? nameStart - 1 : 0)));
    bool hidden = false;
    for (size_t j = i + 1; j < x.items.size(); ++j) hidden = hidden || EqualNoCase(x.items[j].path, path);
    EXPECT_EQ(index.IsLive(i), !hidden);
    if (hidden) {
      EXPECT_GT(index.Find(path), static_cast<long>(i));
    } else {
      EXPECT_EQ(index.Find(path), static_cast<long>(i));
    }
  }
  // The slots sorted for the file system's index: every entry once, in the part of its
  // hash's top byte, in the order of the entries within a part; and each entry's folder.
  std::vector<int> seen(index.Count(), 0);
  for (size_t b = 0; b < CatalogIndex::kSlotParts; ++b) {
    uint32_t last = 0;
    for (size_t j = 0; j < index.SlotPartSize(b); ++j) {
      const uint64_t slot = index.SlotPart(b)[j];
      const uint32_t i = ~static_cast<uint32_t>(slot);
      ASSERT_LT(i, index.Count());
      ++seen[i];
      EXPECT_EQ(slot >> 32, index.At(i).stemHash >> 32);
      EXPECT_EQ(index.At(i).stemHash >> 56, b);
      if (j > 0) EXPECT_GT(i, last);
      last = i;
    }
  }
  std::vector<uint32_t> perFolder(index.FolderCount(), 0);
  for (size_t i = 0; i < index.Count(); ++i) {
    EXPECT_EQ(seen[i], 1);
    EXPECT_EQ(index.EntryFolders()[i], index.At(i).folder);
    ++perFolder[index.At(i).folder];
  }
  for (size_t k = 0; k < index.FolderCount(); ++k) EXPECT_EQ(index.FolderHoldsEntries(k), perFolder[k] != 0);
  // Folders are distinct without regard to case.
  for (size_t a = 0; a < index.FolderCount(); ++a)
    for (size_t b = a + 1; b < index.FolderCount(); ++b) EXPECT_FALSE(EqualNoCase(index.FolderPath(a), index.FolderPath(b)));
}

std::string Filler(size_t lines) {
  std::string s;
  for (size_t i = 0; i < lines; ++i) s += "types\\filler" + std::to_string(i) + ".txt 1\n";
  return s;
}

TEST(IndexBuildTest, CatalogLinesAreReadAsTheRulesSay) {
  // Lines around the quick path's limits (63 bytes, eight digits) and the refused
  // forms, each followed by enough lines that the quick path may read it.
  const std::string name62 = std::string(50, 'a') + "\\bc.defgh";
  const std::vector<std::string> lines = {
      "types\\TLaser.txt 12", "Types/Sub/TShips.pck 7", "a.b.c 1", "x\\.hidden 1", "x\\y.\\z 1", "x\\y..z.t 1",
      ".a\\b 1", "noext 0", "A B\\c d.txt 3", name62 + " 1", name62 + "ij 1", name62 + "ijk 1", name62 + " 12345678",
      name62 + " 123456789", "p.txt 99999999", "p.txt 123456789", "types\\TLaser.txt 2\r", "\xc3\xa9t\xc3\xa9\\x.txt 1",
      "dup\\X.txt 1", "DUP\\x.TXT 2",
      // refused
      "\\abs.txt 1", "/abs.txt 1", "c:\\x 1", "a\\\\b 1", "a//b 1", "a\\ 1", "a\\.\\b 1", "a\\..\\b 1", ".. 1", ". 1",
      "a\\.. 1", "ctl\x01.txt 1", "del\x7f.txt 1", "tab\tx 1", "nosize", "trailing 1 ", " 1", "x 1a", "x 12x4",
      "x 2147483647", "x 2147483648", "x 99999999999", "cr\rinside 1",
  };
  const std::string head = "data.dat\n" + Filler(3);
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    ExpectSameIndex(head + line + "\n" + Filler(4), uint64_t{1} << 40);
    ExpectSameIndex(head + line + "\n", uint64_t{1} << 40);  // near the end of the text
    ExpectSameIndex(head + line, uint64_t{1} << 40);         // the last line without its end
  }
  // A size past the end of the data file, found by either path.
  ExpectSameIndex(head + "big.txt 50\n" + Filler(4), 52);
  ExpectSameIndex(head + "big.txt 49\n" + Filler(4), 52);
}

// The entry list is made before the lines are read, from how long the first lines
// are: lines far shorter further on, or far longer, still give every entry as it stands.
TEST(IndexBuildTest, CatalogsWhoseLinesChangeLengthAreReadWhole) {
  std::string longLines, shortLines;
  for (int i = 0; i < 300; ++i) longLines += "types\\" + std::string(230, static_cast<char>('a' + i % 26)) + std::to_string(i) + ".txt 3\n";
  for (int i = 0; i < 5000; ++i) shortLines += "s\\" + std::to_string(i) + " 1\n";
  for (const std::string& text : {"data.dat\n" + longLines + shortLines, "data.dat\n" + shortLines + longLines,
                                  "data.dat\n" + longLines + shortLines + longLines + "x 2"}) {
    SCOPED_TRACE(text.size());
    ExpectSameIndex(text, uint64_t{1} << 40);
    if (HasFatalFailure()) return;
  }
  // Nothing but a data file's name, and a single entry without a line end.
  ExpectSameIndex("data.dat\n", 0);
  ExpectSameIndex("data.dat\nx 0", 0);
}

// A stem's hash is HashNoCase's whatever the folder lines before it kept: folders of
// one length and last byte taking turns, one folder spelt in other cases, names
// whose stems change length, names at the top and lines read either way.
TEST(IndexBuildTest, StemHashesFollowHashNoCaseAcrossTheFoldersOfLastLines) {
  const std::vector<std::string> folders = {"objects\\cut\\c01", "OBJECTS\\Cut\\C01", "objects\\cut\\d01",
                                            "objectsX\\ut\\c01", "types", "TYPES", "t", "abcdefg",
                                            "abcdefgh\\ijklmnop", "ABCDEFGH\\IJKLMNOP\\q"};
  const std::vector<std::string> names = {"e1.txt", "e12.txt", "e123", "E1.TXT", "longer-name-of-a-file.bod",
                                          "x", ".dot", "n.a.b", std::string(40, 'z') + ".txt"};
  std::string text = "data.dat\n";
  for (size_t k = 0; k < 600; ++k) {
    const std::string& name = names[(k * 7 + k / 5) % names.size()];
    text += (k % 11 == 0 ? name : folders[(k * 3 + k / 4) % folders.size()] + "\\" + name) + " 1\n";
  }
  ExpectSameIndex(text, uint64_t{1} << 40);
}

// A NUL byte anywhere makes the text binary data, not an index, whatever else is
// wrong with it and wherever it lies.
TEST(IndexBuildTest, ANulByteAnywhereIsBinaryData) {
  using namespace std::string_literals;
  const std::string binary = "it is not a catalog index (it holds binary data)";
  const std::string sound = "data.dat\n" + Filler(5000);
  const std::vector<std::string> texts = {
      sound + "late\0.txt 1\n"s,
      sound + "x 1\0\n"s + Filler(3),
      "data.dat\nfirst.txt 1\n\0\n"s + Filler(3),
      "data.dat\nno size here\n"s + Filler(100) + "z\0 1\n"s,
      sound + "\n\n\0"s,
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.size());
    CatalogIndex index;
    std::string why;
    EXPECT_FALSE(index.Parse(text, uint64_t{1} << 40, why));
    EXPECT_EQ(why, binary);
  }
}

TEST(IndexBuildTest, RandomCatalogLinesAreReadAsTheRulesSay) {
  std::mt19937 rng(1234);
  const std::string alphabet = "aBz09._-\\/ \\\\..:\x01\x7f\xe9\r";
  for (int round = 0; round < 3000; ++round) {
    std::string text = "data.dat\n";
    const int count = 1 + static_cast<int>(rng() % 8);
    for (int l = 0; l < count; ++l) {
      const size_t length = rng() % 72;
      std::string path;
      for (size_t i = 0; i < length; ++i) {
        // Mostly letters, so that many lines are sound.
        path += rng() % 4 ? "abcXYZ019"[rng() % 9] : alphabet[rng() % alphabet.size()];
      }
      const int digits = static_cast<int>(rng() % 11);
      std::string size;
      for (int d = 0; d < digits; ++d) size += static_cast<char>('0' + rng() % 10);
      text += path + (rng() % 8 ? " " : "") + size + (rng() % 5 ? "\n" : "\r\n");
    }
    text += Filler(rng() % 2 ? 4 : 0);
    SCOPED_TRACE(round);
    ExpectSameIndex(text, uint64_t{1} << 40);
    if (HasFatalFailure()) return;
  }
}

// The word-at-a-time folding against the byte-at-a-time definition.
uint64_t HashByBytes(std::string_view s) {
  uint64_t h = 0x243f6a8885a308d3ULL ^ s.size();
  for (size_t i = 0; i < s.size(); i += 8) {
    uint64_t w = 0;
    for (size_t k = 0; k < 8 && i + k < s.size(); ++k)
      w |= static_cast<uint64_t>(static_cast<unsigned char>(FoldCase(s[i + k]))) << (8 * k);
    h ^= w;
    h *= 0x9e3779b97f4a7c15ULL;
    h ^= h >> 29;
  }
  h ^= h >> 32;
  h *= 0xd6e8feb86659fd93ULL;
  return h ^ (h >> 32);
}

TEST(IndexBuildTest, CaseFoldedHashAndComparisonFollowTheByteRules) {
  std::mt19937 rng(99);
  for (int round = 0; round < 20000; ++round) {
    const size_t n = rng() % 40;
    std::string a, b;
    for (size_t i = 0; i < n; ++i) a += static_cast<char>(rng() % 4 ? "aZ@[`{09\\"[rng() % 9] : static_cast<char>(rng()));
    b = a;
    if (n && rng() % 2) b[rng() % n] ^= static_cast<char>(1 << (rng() % 8));
    for (char& c : b)
      if (rng() % 3 == 0) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    bool same = a.size() == b.size();
    for (size_t i = 0; same && i < n; ++i) same = FoldCase(a[i]) == FoldCase(b[i]);
    ASSERT_EQ(EqualNoCase(a, b), same) << a << " / " << b;
    ASSERT_EQ(rudu::HashNoCase(a), HashByBytes(a));
    if (same) {
      ASSERT_EQ(rudu::HashNoCase(a), rudu::HashNoCase(b));
    }
  }
}

// The table of a catalog's paths is made by the first find; threads that ask at once
// (a shared catalog opened from several places) get the same answers.
TEST(IndexBuildTest, ThreadsFindingInAFreshCatalogAtOnceAgree) {
  // Lines 3000 to 3999 repeat the paths of lines 0 to 999: the later line is found.
  const auto path = [](int e, bool upper) {
    return std::string(upper ? "OBJECTS\\M" : "objects\\m") + std::to_string(e % 9) + (upper ? "\\E" : "\\e") +
           std::to_string(e) + (upper ? ".BOD" : ".bod");
  };
  std::string text = "c.dat\n";
  for (int i = 0; i < 4000; ++i) text += path(i % 3000, false) + " 0\n";
  for (int round = 0; round < 5; ++round) {
    CatalogIndex index;
    std::string why;
    ASSERT_TRUE(index.Parse(text, 0, why)) << why;
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t)
      threads.emplace_back([&, t] {
        for (int e = t; e < 3000; e += 4)
          if (index.Find(path(e, true)) != (e < 1000 ? e + 3000 : e)) ++wrong;
      });
    for (auto& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_FALSE(index.IsLive(5));
    EXPECT_TRUE(index.IsLive(3005));
  }
}

// Table slots come from a hash's low bits: texts that differ only in their last bytes
// (as paths in one folder do) must spread over them, not pile into a few neighbours.
TEST(IndexBuildTest, TextsDifferingOnlyInTheirLastBytesSpreadOverTheSlots) {
  const std::vector<std::string> stems = {"maps\\c", "types\\e0", "objects\\cut\\c01\\e", "t\\44", "ab"};
  for (const std::string& stem : stems) {
    SCOPED_TRACE(stem);
    std::vector<bool> used(1024);
    size_t distinct = 0;
    for (int i = 0; i < 1000; ++i) {
      char tail[8];
      std::snprintf(tail, sizeof tail, "%04d", i);
      const size_t slot = rudu::HashNoCase(stem + tail) & 1023;
      distinct += used[slot] ? 0 : 1;
      used[slot] = true;
    }
    EXPECT_GT(distinct, 550u);  // about 632 for a random spread
  }
}

std::shared_ptr<const CatalogIndex> Catalog(const std::vector<std::string>& paths, const std::string& name = "c.dat") {
  std::string text = name + "\n";
  for (const std::string& p : paths) text += p + " 0\n";
  auto index = std::make_shared<CatalogIndex>();
  std::string why;
  EXPECT_TRUE(index->Parse(text, 0, why)) << why;
  return index;
}

// Many lines of one stem path crowd one part of the table past the room an even
// spread gives it: the last spelling of each path still wins, over catalogs and
// within one, and every other path stays found.
TEST(IndexBuildTest, ManyLinesOfOneStemPathKeepTheirOrder) {
  const auto spelt = [](const std::string& name, int k) {
    std::string out = name;
    for (size_t i = 0; i < out.size() && i < 12; ++i)
      if ((k >> i) & 1) out[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[i])));
    return out;
  };
  std::vector<std::string> low, high;
  for (int k = 0; k < 1500; ++k) {
    low.push_back("dup\\" + spelt("abcdefghijkl", k) + ".txt");
    low.push_back("dup\\" + spelt("abcdefghijkl", k + 7) + ".bod");
    if (k % 10 == 0) low.push_back("other\\f" + std::to_string(k) + ".txt");
  }
  for (int k = 0; k < 700; ++k) high.push_back("dup\\" + spelt("abcdefghijkl", 2000 + k) + ".txt");
  zuzer::EntryIndex index;
  index.AddCatalog(Catalog(low));
  index.AddCatalog(Catalog(high, "mod.dat"));
  index.Finish();
  EXPECT_EQ(index.FileCount(), 2u + 150u);
  std::vector<zuzer::FindRecord> r;
  index.Find("dup", "abcdefghijkl", r);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].name, spelt("abcdefghijkl", 2699) + ".txt");  // the higher catalog first, its last line
  EXPECT_EQ(r[1].name, spelt("abcdefghijkl", 1506) + ".bod");
  for (int k = 0; k < 1500; k += 10) {
    index.Find("other", "f" + std::to_string(k) + ".txt", r);
    ASSERT_EQ(r.size(), 1u) << k;
  }
}

// Every file of the index, walked through finds.
std::vector<std::string> AllFiles(const zuzer::EntryIndex& index, const std::string& folder = "") {
  std::vector<std::string> out;
  std::vector<zuzer::FindRecord> records;
  index.Find(folder, "*", records);
  for (const zuzer::FindRecord& r : records) {
    const std::string full = folder.empty() ? r.name : folder + "\\" + r.name;
    if (r.kind == 2) {
      for (const std::string& f : AllFiles(index, full)) out.push_back(f);
    } else {
      out.push_back(full);
    }
  }
  return out;
}

class IndexBuildFolderTest : public kztest::TempFolderTest {};

TEST_F(IndexBuildFolderTest, FiltersDecidedPerFolderPassWhatEachPathWouldPass) {
  const std::vector<std::string> filters = {"types\\T*.txt", "maps\\*", "x?z\\*", "t\\44*", "README"};
  const std::vector<std::string> paths = {
      "types\\TLaser.txt", "types\\TShips.pck", "types\\sub\\Tq.txt", "types\\Ta.txt.bak", "maps\\a.xml",
      "maps\\deep\\b.xml", "MAPS\\c.xml", "mapsx\\d.xml", "xyz\\a", "xz\\a", "xAz\\deep\\b", "t\\440001.xml",
      "t\\450001.xml", "t\\44\\x.xml", "README", "README.txt", "other\\README"};
  std::vector<std::string> expected;
  for (const std::string& p : paths) {
    bool pass = false;
    for (const std::string& f : filters) pass = pass || zuzer::Wildcard::Match(f, p);
    if (pass) expected.push_back(p);
  }
  const auto sorted = [](std::vector<std::string> v) {
    for (std::string& s : v)
      for (char& c : s) c = FoldCase(c);
    std::sort(v.begin(), v.end());
    return v;
  };
  {
    zuzer::EntryIndex index(filters);
    index.AddCatalog(Catalog(paths));
    index.Finish();
    EXPECT_EQ(sorted(AllFiles(index)), sorted(expected));
    EXPECT_EQ(index.FileCount(), expected.size());
  }
  // The same on disk (one spelling of each path: the disk keeps letter case).
  for (const std::string& p : paths) {
    if (p == "MAPS\\c.xml") continue;
    std::string disk = p;
    for (char& c : disk)
      if (c == '\\') c = '/';
    kztest::WriteRaw(P(disk), "x");
  }
  expected.erase(std::remove_if(expected.begin(), expected.end(),
                                [](const std::string& p) { return p == "MAPS\\c.xml"; }),
                 expected.end());
  zuzer::EntryIndex index(filters);
  index.AddDisk(root);
  index.Finish();
  EXPECT_EQ(sorted(AllFiles(index)), sorted(expected));
}

TEST_F(IndexBuildFolderTest, FolderSpellingsHidingAndBackslashNamesOnDisk) {
  zuzer::EntryIndex index;
  // 01's only entry is hidden by 02: the folder is spelt as 02's live entry spells it.
  index.AddCatalog(Catalog({"TYPES\\a.txt"}, "01.dat"));
  index.AddCatalog(Catalog({"types\\A.TXT", "Types\\b.txt", "dup\\x.txt", "DUP\\X.txt"}, "02.dat"));
  kztest::WriteRaw(P("types/c.txt"), "c");
  kztest::WriteRaw(P("types/back\\slash.txt"), "never addressable");
  index.AddDisk(root);
  index.Finish();
  std::vector<zuzer::FindRecord> r;
  index.Find("", "*", r);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].name, "DUP");  // "dup\x.txt" is hidden by the later line
  EXPECT_EQ(r[1].name, "types");
  EXPECT_EQ(r[1].path, root + "/types");  // on disk
  EXPECT_EQ(r[0].path, "::DUP");          // catalogs read from memory have no file name
  index.Find("TYPES", "*", r);
  std::vector<std::string> names;
  for (const auto& f : r) names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"A.TXT", "b.txt", "c.txt"}));
  index.Find("dup", "x", r);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].name, "X.txt");  // the later line of the catalog
  EXPECT_EQ(index.FileCount(), 4u);
}

TEST(IndexBuildTest, AppendedCatalogsGrowTheTableAndHideWhatTheyReplace) {
  zuzer::EntryIndex index;
  index.AddCatalog(Catalog({"types\\TLaser.txt", "types\\TShips.txt"}));
  index.Finish();
  std::vector<std::string> many;
  for (int i = 0; i < 5000; ++i) many.push_back("objects\\m" + std::to_string(i % 13) + "\\e" + std::to_string(i) + ".bod");
  many.push_back("TYPES\\tlaser.TXT");
  index.AddCatalog(Catalog(many, "mod.dat"));
  index.Finish();
  EXPECT_EQ(index.FileCount(), 5002u);
  std::vector<zuzer::FindRecord> r;
  for (int i = 0; i < 5000; i += 97) {
    index.Find("objects\\m" + std::to_string(i % 13), "E" + std::to_string(i), r);
    ASSERT_EQ(r.size(), 1u) << i;
    EXPECT_EQ(r[0].name, "e" + std::to_string(i) + ".bod");
  }
  index.Find("types", "TLaser", r);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].name, "tlaser.TXT");
}

// A walk started before the catalogs are read (on another thread) gives the same index
// as one done in place; a walk of another folder is not taken for this one.
TEST_F(IndexBuildFolderTest, AWalkStartedEarlyGivesTheSameIndex) {
  kztest::WriteRaw(P("types/TShips.txt"), "disk");
  kztest::WriteRaw(P("types/sub/deep.txt"), "disk");
  kztest::WriteRaw(P("maps/x.xml"), "disk");
  for (int i = 0; i < 300; ++i) kztest::WriteRaw(P("objects/p" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".bod"), "x");
  kztest::WriteRaw(P("elsewhere/types/only-there.txt"), "x");
  const auto low = Catalog({"types\\TShips.txt", "types\\TLaser.txt", "maps\\y.xml"}, "01.dat");
  const auto high = Catalog({"TYPES\\tlaser.txt", "objects\\p1\\f1.bod"}, "02.dat");
  const auto build = [&](int how) {
    auto index = std::make_unique<zuzer::EntryIndex>(std::vector<std::string>{"types\\*", "maps\\*", "objects\\*"});
    if (how == 1) index->StartDisk(root);
    if (how == 2) index->StartDisk(P("elsewhere"));
    index->AddCatalog(low);
    index->AddCatalog(high);
    if (how != 0) index->IndexAdded();
    index->AddDisk(root);
    index->Finish();
    return index;
  };
  const auto inPlace = build(0);
  const std::vector<std::string> expected = AllFiles(*inPlace);
  // On disk: TShips, sub\deep, x.xml and the objects (not what lies in "elsewhere");
  // from the catalogs: 02's tlaser and y.xml.
  EXPECT_EQ(expected.size(), 3u + 300u + 2u);
  for (int how : {1, 2}) {
    SCOPED_TRACE(how);
    const auto early = build(how);
    EXPECT_EQ(AllFiles(*early), expected);
    EXPECT_EQ(early->FileCount(), inPlace->FileCount());
    std::vector<zuzer::FindRecord> r;
    early->Find("types", "TShips", r);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].path, root + "/types/TShips.txt");  // the disk hides the catalog
    early->Find("objects\\p1", "f1.bod", r);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].path, root + "/objects/p1/f1.bod");
  }
  // A walk nobody takes ends with its index.
  zuzer::EntryIndex dropped;
  dropped.StartDisk(root);
}

// The table of stem paths is made once for the catalogs and the folder walk started
// beside them: the walk's files go into room kept for them, not into a grown table
// (growing it moves every entry the catalogs put in). The index is the one built in
// place.
TEST_F(IndexBuildFolderTest, TheTableIsSizedOnceForCatalogsAndAWalkStartedEarly) {
  for (int i = 0; i < 30; ++i) kztest::WriteRaw(P("objects/p" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".bod"), "x");
  std::vector<std::string> paths;
  for (int i = 0; i < 500; ++i) paths.push_back("types\\e" + std::to_string(i) + ".txt");
  const auto catalog = Catalog(paths, "01.dat");
  const auto build = [&](bool early) {
    auto index = std::make_unique<zuzer::EntryIndex>();
    if (early) index->StartDisk(root);
    index->AddCatalog(catalog);
    if (early) index->IndexAdded();
    index->AddDisk(root);
    index->Finish();
    return index;
  };
  const auto inPlace = build(false);
  const auto early = build(true);
  EXPECT_EQ(early->FileCount(), 530u);
  EXPECT_EQ(AllFiles(*early), AllFiles(*inPlace));
  EXPECT_EQ(early->TableSizings(), 1u);
  EXPECT_EQ(inPlace->TableSizings(), 1u);
}

// Wide folders are walked by several threads; the result is still that of one walk in
// the order of the folders' names: of two folders spelt alike but for case, the one
// walked later (small letters sort after capitals) gives the file, and folders deeper
// than 64 levels are not read.
TEST_F(IndexBuildFolderTest, AWalkOverSeveralThreadsKeepsTheOrderOfOneWalk) {
  for (int k = 0; k < 40; ++k) {
    char name[8];
    std::snprintf(name, sizeof name, "%02d", k);
    for (int f = 0; f < 3; ++f) kztest::WriteRaw(P("objects/p" + std::string(name) + "/f" + std::to_string(f) + ".bod"), "small");
    if (k % 3 == 0) kztest::WriteRaw(P("objects/P" + std::string(name) + "/f1.bod"), "capital");
  }
  std::string chain = "objects/z";
  for (int d = 1; d <= 70; ++d) {
    kztest::WriteRaw(P(chain + "/f.txt"), "x");
    chain += "/d" + std::to_string(d);
  }
  for (int how : {0, 1}) {
    SCOPED_TRACE(how);
    zuzer::EntryIndex index({"objects\\*"});
    if (how == 1) index.StartDisk(root);
    index.AddDisk(root);
    index.Finish();
    std::vector<zuzer::FindRecord> r;
    for (int k = 0; k < 40; k += 3) {
      char name[8];
      std::snprintf(name, sizeof name, "%02d", k);
      index.Find("objects\\p" + std::string(name), "f1", r);
      ASSERT_EQ(r.size(), 1u) << k;
      EXPECT_EQ(r[0].path, root + "/objects/p" + name + "/f1.bod");
    }
    // objects is level 1 and z level 2: z and d1 to d62 are read, d63 and below not.
    size_t inChain = 0;
    for (const std::string& f : AllFiles(index)) inChain += f.rfind("objects\\z", 0) == 0 ? 1 : 0;
    EXPECT_EQ(inChain, 63u);
    EXPECT_EQ(index.FileCount(), 40u * 3u + 63u);
  }
}

// Work shared with helper threads: each item runs once, the caller returns only when
// all have run, and an item's error reaches the caller.
TEST(IndexBuildTest, SharedWorkRunsEachItemOnceAndPassesErrorsOn) {
  for (size_t helpers : {0u, 1u, 3u}) {
    SCOPED_TRACE(helpers);
    std::vector<std::atomic<int>> runs(500);
    zuzer::ShareWork(runs.size(), helpers, [&](size_t k) { ++runs[k]; });
    for (size_t k = 0; k < runs.size(); ++k) ASSERT_EQ(runs[k].load(), 1) << k;
    std::atomic<int> ran{0};
    EXPECT_THROW(zuzer::ShareWork(64, helpers,
                                  [&](size_t k) {
                                    ++ran;
                                    if (k == 7) throw std::runtime_error("item 7");
                                  }),
                 std::runtime_error);
    EXPECT_EQ(ran.load(), 64);
  }
}

// Runs `work` on this thread bound to the first `count` of the processors it may use
// (false when there are fewer), then gives the thread its processors back.
bool OnProcessors(size_t count, const std::function<void()>& work) {
  cpu_set_t all, some;
  if (::sched_getaffinity(0, sizeof all, &all) != 0 || static_cast<size_t>(CPU_COUNT(&all)) < count) return false;
  CPU_ZERO(&some);
  for (int c = 0, taken = 0; c < CPU_SETSIZE && static_cast<size_t>(taken) < count; ++c)
    if (CPU_ISSET(c, &all)) {
      CPU_SET(c, &some);
      ++taken;
    }
  if (::sched_setaffinity(0, sizeof some, &some) != 0) return false;
  work();
  ::sched_setaffinity(0, sizeof all, &all);
  return true;
}

// Helper threads are one fewer than the processors at hand: on one processor the
// build starts none.
TEST(IndexBuildTest, HelpersAreOneFewerThanTheProcessorsAtHand) {
  ASSERT_TRUE(OnProcessors(1, [] {
    EXPECT_EQ(zuzer::UsableProcessors(), 1u);
    EXPECT_EQ(zuzer::HelperThreads(3), 0u);
  }));
  if (!OnProcessors(3, [] {
        EXPECT_EQ(zuzer::UsableProcessors(), 3u);
        EXPECT_EQ(zuzer::HelperThreads(3), 2u);
        EXPECT_EQ(zuzer::HelperThreads(1), 1u);
        EXPECT_EQ(zuzer::HelperThreads(0), 0u);
      }))
    GTEST_SKIP() << "fewer than three processors";
}

// On one processor a walk asked for early is done at once, in place (its files are
// those on disk when it was asked for), the table is still sized once, and the index
// is the one built without it.
TEST_F(IndexBuildFolderTest, OnOneProcessorAnEarlyWalkIsDoneAtOnce) {
  for (int i = 0; i < 40; ++i) kztest::WriteRaw(P("objects/p" + std::to_string(i % 4) + "/f" + std::to_string(i) + ".bod"), "x");
  std::vector<std::string> paths;
  for (int i = 0; i < 300; ++i) paths.push_back("types\\e" + std::to_string(i) + ".txt");
  const auto catalog = Catalog(paths, "01.dat");
  const auto inPlace = std::make_unique<zuzer::EntryIndex>();
  inPlace->AddCatalog(catalog);
  inPlace->AddDisk(root);
  inPlace->Finish();
  ASSERT_TRUE(OnProcessors(1, [&] {
    zuzer::EntryIndex early;
    early.StartDisk(root);
    kztest::WriteRaw(P("objects/late.bod"), "x");  // after the walk
    early.AddCatalog(catalog);
    early.IndexAdded();
    early.AddDisk(root);
    early.Finish();
    EXPECT_EQ(AllFiles(early), AllFiles(*inPlace));
    EXPECT_EQ(early.FileCount(), 340u);
    EXPECT_EQ(early.TableSizings(), 1u);
  }));
}

}  // namespace

// On one processor the folders are walked by one walk, without the split: the files,
// their order and which of two spellings wins are those of the split walk, folders
// beyond the depth bound are left out the same way, and an early walk agrees too.
TEST_F(IndexBuildFolderTest, AWalkOnOneProcessorGivesWhatTheSplitWalkGives) {
  for (int k = 0; k < 24; ++k) {
    const std::string name = std::to_string(k);
    for (int f = 0; f < 3; ++f) kztest::WriteRaw(P("objects/p" + name + "/f" + std::to_string(f) + ".bod"), "small");
    if (k % 3 == 0) kztest::WriteRaw(P("objects/P" + name + "/f1.bod"), "capital");
    kztest::WriteRaw(P("types/t" + name + ".txt"), "t");
  }
  std::string chain = "objects/z";
  for (int d = 1; d <= 70; ++d) {
    kztest::WriteRaw(P(chain + "/f.txt"), "x");
    chain += "/d" + std::to_string(d);
  }
  const auto build = [&](bool early, std::vector<std::string>& files, std::string& capitalPath) {
    zuzer::EntryIndex index({"objects\\*", "types\\t1*"});
    if (early) index.StartDisk(root);
    index.AddDisk(root);
    index.Finish();
    files = AllFiles(index);
    std::vector<zuzer::FindRecord> r;
    index.Find("objects\\p3", "f1", r);
    capitalPath = r.size() == 1 ? r[0].path : std::string();
  };
  std::vector<std::string> split, alone, aloneEarly;
  std::string splitPath, alonePath, aloneEarlyPath;
  build(false, split, splitPath);
  ASSERT_TRUE(OnProcessors(1, [&] {
    build(false, alone, alonePath);
    build(true, aloneEarly, aloneEarlyPath);
  }));
  EXPECT_EQ(splitPath, root + "/objects/p3/f1.bod");
  EXPECT_EQ(alonePath, splitPath);
  EXPECT_EQ(aloneEarlyPath, splitPath);
  EXPECT_EQ(alone, split);
  EXPECT_EQ(aloneEarly, split);
  EXPECT_EQ(split.size(), 24u * 3u + 63u + 11u);  // t1 and t10 to t19
}

// Many items are placed in ranges of the table at once, a slot whose probe runs past
// its range's end placed after them: the index is the one a single processor builds,
// whether both catalogs come at once or the second is appended to a built index, with
// paths of one catalog hidden by later lines and by the other catalog, stems shared by
// several extensions, and many stems whose hash puts them at the end of a range.
TEST(IndexBuildTest, ItemsPlacedInRangesAtOnceGiveTheIndexOfOnePlacing) {
  std::vector<std::string> edges;
  for (int n = 0; edges.size() < 1200; ++n) {
    const std::string stem = "objects\\edge\\x" + std::to_string(n);
    if (((rudu::HashNoCase(stem) >> 52) & 0xff) == 0xff) edges.push_back(stem);
  }
  std::vector<std::string> low, high;
  for (int i = 0; i < 40000; ++i) {
    low.push_back("objects\\m" + std::to_string(i % 13) + "\\e" + std::to_string(i) + ".bod");
    if (i % 5 == 0) low.push_back("objects\\m" + std::to_string(i % 13) + "\\e" + std::to_string(i) + ".txt");
    if (i % 7 == 0) low.push_back("OBJECTS\\M" + std::to_string(i % 13) + "\\E" + std::to_string(i) + ".BOD");
  }
  for (size_t k = 0; k < edges.size(); ++k) low.push_back(edges[k] + (k % 3 ? ".bod" : ".txt"));
  for (int i = 0; i < 35000; ++i)
    high.push_back((i % 2 ? "objects\\M" : "objects\\n") + std::to_string(i % 13) + "\\e" + std::to_string(i * 2) + ".bod");
  for (size_t k = 0; k < edges.size(); k += 2) high.push_back(edges[k] + ".BOD");
  const auto lowCat = Catalog(low, "01.dat"), highCat = Catalog(high, "02.dat");
  struct Seen {
    size_t files;
    std::vector<std::string> all;
    std::vector<std::string> found;
  };
  const auto build = [&](bool appended) {
    zuzer::EntryIndex index;
    index.AddCatalog(lowCat);
    if (appended) index.Finish();
    index.AddCatalog(highCat);
    index.Finish();
    Seen seen{index.FileCount(), AllFiles(index), {}};
    std::vector<zuzer::FindRecord> r;
    const auto find = [&](const std::string& folder, const std::string& mask) {
      index.Find(folder, mask, r);
      seen.found.push_back(folder + "|" + mask + ":");
      for (const zuzer::FindRecord& x : r) seen.found.back() += " " + x.name + "@" + x.path;
    };
    for (int i = 0; i < 40000; i += 37) {
      find("objects\\m" + std::to_string(i % 13), "E" + std::to_string(i));
      find("objects\\m" + std::to_string(i % 13), "e" + std::to_string(i) + ".bod");
    }
    for (size_t k = 0; k < edges.size(); k += 5) find("objects\\edge", edges[k].substr(edges[k].rfind('\\') + 1));
    return seen;
  };
  for (bool appended : {false, true}) {
    SCOPED_TRACE(appended);
    Seen one;
    ASSERT_TRUE(OnProcessors(1, [&] { one = build(appended); }));
    const Seen many = build(appended);
    EXPECT_EQ(many.files, one.files);
    EXPECT_EQ(many.all, one.all);
    EXPECT_EQ(many.found, one.found);
    // Every path once, whatever its case.
    std::set<std::string> paths;
    for (const auto* list : {&low, &high})
      for (std::string p : *list) {
        for (char& c : p) c = FoldCase(c);
        paths.insert(p);
      }
    EXPECT_EQ(one.files, paths.size());
    EXPECT_EQ(one.all.size(), paths.size());
  }
}
