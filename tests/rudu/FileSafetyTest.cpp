// The file driver where files are not what they seem or not ours alone: special files,
// two programs saving into one catalog, temporary files left by a killed save, links,
// and a large packed file read without a second copy of its content.
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <map>
#include <thread>

#include "TestFiles.h"
#include "core/LibBindings.h"
#include "rudu/TempFiles.h"
#include "rudu/rudu.h"
#include "tests/common/RunBounded.h"

namespace {

namespace fs = std::filesystem;
using kztest::ReadRaw;
using kztest::WriteRaw;

std::string LastError() { return kz::GetRuDUError(); }

using kztest::RunBounded;

class FileSafetyTest : public kztest::TempFolderTest {
 protected:
  int32_t Put(const std::string& path, const std::string& bytes, int32_t form = 1) {
    int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, form);
    if (f == 0) return 0;
    if (RuDU_WriteFile(f, bytes.data(), static_cast<int32_t>(bytes.size())) != static_cast<int32_t>(bytes.size()))
      return 0;
    return RuDU_CloseFile(f);
  }
  std::string Get(const std::string& path) {
    std::string data, error;
    EXPECT_TRUE(kz::ReadWholeFile(path, data, error)) << error;
    return data;
  }
};

TEST_F(FileSafetyTest, SpecialFilesAreRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo(P("pipe.txt").c_str(), 0600), 0);
  // A catalog whose index, or whose data file, is a named pipe.
  ASSERT_EQ(::mkfifo(P("idx.cat").c_str(), 0600), 0);
  WriteRaw(P("idx.dat"), "abc");
  WriteRaw(P("dat.cat"), "dat.dat\na.txt 3\n");
  ASSERT_EQ(::mkfifo(P("dat.dat").c_str(), 0600), 0);
  // A listening socket.
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string sockPath = P("sock.txt");
  ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
  std::strcpy(addr.sun_path, sockPath.c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(sock, 1), 0);
  fs::create_directory(P("folder.txt"));

  const std::vector<std::pair<std::string, std::string>> cases = {
      {"pipe.txt", "named pipe"},       {"idx.cat::a.txt", "named pipe"}, {"dat.cat::a.txt", "named pipe"},
      {"sock.txt", "socket"},           {"folder.txt", "folder"},
  };
  for (const auto& [rel, kind] : cases) {
    SCOPED_TRACE(rel);
    const std::string path = P(rel);
    std::map<std::string, std::string> said;
    const int rc = RunBounded(10, [&] {
      const int32_t f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
      const std::string error = LastError();
      if (f != 0) return 1;
      // The text names the file and says what it is.
      const std::string shown = rel.substr(0, rel.find("::"));
      if (error.find(kind) == std::string::npos || error.find(shown.substr(0, shown.find('.'))) == std::string::npos) {
        std::fprintf(stderr, "error text: %s\n", error.c_str());
        return 2;
      }
      return 0;
    });
    EXPECT_EQ(rc, 0) << "-1: the open waited on the file; 2: the error text is unclear";
  }
  // Writing over a named pipe is refused too, and the pipe stays.
  EXPECT_EQ(RunBounded(10, [&] { return Put(P("pipe.txt"), "x") == 0 ? 0 : 1; }), 0);
  struct stat st;
  ASSERT_EQ(::lstat(P("pipe.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ::close(sock);
}

// Two processes save many entries into one catalog at the same time, into one that
// exists and into one that the first save of either creates: every save lands, and
// every entry reads back with its own bytes.
TEST_F(FileSafetyTest, TwoProcessesSavingIntoOneCatalogLoseNothing) {
  constexpr int kEach = 100;
  auto content = [](int writer, int i) {
    std::string s = "writer " + std::to_string(writer) + " entry " + std::to_string(i) + ";";
    return s + std::string(static_cast<size_t>(i % 7) * 13, static_cast<char>('a' + writer));
  };
  for (const bool exists : {true, false}) {
    SCOPED_TRACE(exists ? "an existing catalog" : "a new catalog");
    const std::string cat = P(exists ? "shared.cat" : "new.cat");
    if (exists) ASSERT_NE(Put(cat + "::first.txt", "the first entry"), 0) << LastError();
    std::vector<pid_t> writers;
    for (int w = 0; w < 2; ++w) {
      std::fflush(nullptr);
      const pid_t pid = ::fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        int failed = 0;
        for (int i = 0; i < kEach; ++i) {
          const std::string inner = "w" + std::to_string(w) + "\\e" + std::to_string(i) + ".txt";
          // Odd entries packed, so that both forms are written concurrently.
          if (Put(cat + "::" + inner, content(w, i), i % 2 ? 2 : 1) == 0) {
            std::fprintf(stderr, "writer %d: %s\n", w, LastError().c_str());
            ++failed;
          }
        }
        ::_exit(failed == 0 ? 0 : 1);
      }
      writers.push_back(pid);
    }
    for (pid_t pid : writers) {
      int status = 0;
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    if (exists) EXPECT_EQ(Get(cat + "::first.txt"), "the first entry");
    for (int w = 0; w < 2; ++w)
      for (int i = 0; i < kEach; ++i) {
        const std::string inner = "w" + std::to_string(w) + "\\e" + std::to_string(i) + ".txt";
        ASSERT_EQ(Get(cat + "::" + inner), content(w, i)) << inner;
      }
    // The index names each entry once.
    const std::string index = ReadRaw(cat);
    EXPECT_EQ(std::count(index.begin(), index.end(), '\n'), 1 + (exists ? 1 : 0) + 2 * kEach);
  }
}

TEST_F(FileSafetyTest, ASecondWriterWaitsABoundedTimeThenFailsLeavingTheCatalogWhole) {
  const std::string cat = P("busy.cat");
  ASSERT_NE(Put(cat + "::a.txt", "aaa"), 0) << LastError();
  const std::string indexBefore = ReadRaw(cat), dataBefore = ReadRaw(P("busy.dat"));
  // Another program holds the catalog while it saves.
  const int held = ::open(cat.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Put(cat + "::b.txt", "bbb"), 0);
  const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_NE(LastError().find("another program is saving"), std::string::npos) << LastError();
  EXPECT_GE(waited, 1.0);
  EXPECT_LT(waited, 30.0);
  EXPECT_EQ(ReadRaw(cat), indexBefore);
  EXPECT_EQ(ReadRaw(P("busy.dat")), dataBefore);

  // A lock let go while the second writer waits: its save goes through.
  std::thread release([&] {
    ::usleep(500 * 1000);
    ::close(held);
  });
  EXPECT_NE(Put(cat + "::b.txt", "bbb"), 0) << LastError();
  release.join();
  EXPECT_EQ(Get(cat + "::a.txt"), "aaa");
  EXPECT_EQ(Get(cat + "::b.txt"), "bbb");
}

TEST_F(FileSafetyTest, TemporaryNamesAreRecognisedExactly) {
  EXPECT_EQ(rudu::TemporaryName("TShips.txt", 4321, 7), ".TShips.txt.kz-4321-7.tmp");
  const std::vector<std::pair<std::string, pid_t>> names = {
      {".TShips.txt.kz-4321-7.tmp", 4321},  {".a.kz-1-0.tmp", 1},          {".x.kz-12.kz-99-3.tmp", 99},
      {"TShips.txt.kz-4321-7.tmp", 0},      {".TShips.txt.kz-4321-7", 0},  {".TShips.txt.kz--7.tmp", 0},
      {".TShips.txt.kz-4321-.tmp", 0},      {".TShips.txt.kz-43a1-7.tmp", 0}, {".kz-4321-7.tmp", 0},
      {".TShips.txt.kz-0-7.tmp", 0},        {".t.kz-99999999999-1.tmp", 0},
  };
  for (const auto& [name, pid] : names) {
    pid_t got = -1;
    EXPECT_EQ(rudu::IsTemporaryName(name, got), pid != 0) << name;
    if (pid != 0) EXPECT_EQ(got, pid) << name;
  }
}

// A save that was killed leaves its temporary file; a later save into the same folder
// removes it when its process no longer runs, and leaves everything else alone.
TEST_F(FileSafetyTest, StaleTemporaryFilesAreRemovedByALaterSave) {
  fs::create_directory(P("types"));
  // The id of a process that has ended.
  std::fflush(nullptr);
  const pid_t dead = ::fork();
  ASSERT_GE(dead, 0);
  if (dead == 0) ::_exit(0);
  ::waitpid(dead, nullptr, 0);
  const std::string stale = P("types/" + rudu::TemporaryName("TShips.txt", dead, 0));
  WriteRaw(stale, "half a save");
  const std::string live = P("types/" + rudu::TemporaryName("TLaser.txt", ::getppid(), 99));
  WriteRaw(live, "a running program's save");
  const std::string other = P("types/notes.kz-" + std::to_string(dead) + "-1.tmp");  // not of our naming
  WriteRaw(other, "keep");
  fs::create_directory(P("types/" + rudu::TemporaryName("Dir", dead, 1)));  // not a file

  ASSERT_NE(Put(P("types/TBullets.txt"), "saved"), 0) << LastError();
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_TRUE(fs::exists(other));
  EXPECT_TRUE(fs::is_directory(P("types/" + rudu::TemporaryName("Dir", dead, 1))));
  EXPECT_EQ(ReadRaw(P("types/TBullets.txt")), "saved");
  // A catalog save cleans its folder too.
  WriteRaw(stale, "half a save");
  ASSERT_NE(Put(P("types/01.cat::t\\a.txt"), "x"), 0) << LastError();
  EXPECT_FALSE(fs::exists(stale));
}

// Saving through a link writes the file it names and keeps the link.
TEST_F(FileSafetyTest, LinksAreWrittenThrough) {
  fs::create_directory(P("real"));
  fs::create_directory(P("mod"));
  ASSERT_NE(Put(P("real/plain.txt"), "old plain"), 0);
  ASSERT_NE(Put(P("real/packed.pck"), "old packed", 2), 0);
  ASSERT_NE(Put(P("real/03.cat::types\\TLaser.txt"), "old entry"), 0);
  fs::create_symlink("../real/plain.txt", P("mod/plain.txt"));
  fs::create_symlink(P("real/packed.pck"), P("mod/packed.pck"));
  fs::create_symlink("../real/03.cat", P("mod/03.cat"));  // the data file lies beside the real index only

  struct Case {
    std::string link, real, bytes;
    int32_t form;
  };
  const std::vector<Case> cases = {
      {"mod/plain.txt", "real/plain.txt", "new plain", 1},
      {"mod/packed.pck", "real/packed.pck", "new packed", 0},
      {"mod/03.cat::types\\TLaser.txt", "real/03.cat::types\\TLaser.txt", "new entry", 0},
      {"mod/03.cat::types\\TShips.txt", "real/03.cat::types\\TShips.txt", "added entry", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link);
    ASSERT_NE(Put(P(c.link), c.bytes, c.form), 0) << LastError();
    EXPECT_EQ(Get(P(c.real)), c.bytes);
    EXPECT_EQ(Get(P(c.link)), c.bytes);
    const std::string onDisk = c.link.substr(0, c.link.find("::"));
    EXPECT_TRUE(fs::is_symlink(P(onDisk))) << "the link was replaced by a file";
  }
  EXPECT_EQ(kztest::Gunzip(ReadRaw(P("real/packed.pck"))), "new packed");  // stays packed
  EXPECT_FALSE(fs::exists(P("mod/03.dat")));
}

// Everything below a folder: a file's bytes, a link's target, a folder's name.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> out;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
    const std::string rel = it->path().lexically_relative(folder).string();
    if (it->is_symlink())
      out[rel] = "link to " + fs::read_symlink(it->path()).string();
    else if (it->is_directory())
      out[rel] = "folder";
    else
      out[rel] = "file " + ReadRaw(it->path().string());
  }
  return out;
}

// A link whose file is not there yet: the save creates the file the link names (at
// the end of a chain of links, relative or absolute) and the link stays. A catalog
// made so has its index and data file where the link points.
TEST_F(FileSafetyTest, DanglingLinksGetTheFileTheyName) {
  fs::create_directory(P("real"));
  fs::create_directory(P("mod"));
  fs::create_symlink("../real/plain.txt", P("mod/plain.txt"));
  fs::create_symlink(P("real/absolute.txt"), P("mod/absolute.txt"));
  fs::create_symlink("../real/packed.pck", P("mod/packed.pck"));
  fs::create_symlink("../real/Converted.txt", P("mod/converted.txt"));
  fs::create_symlink("step.txt", P("mod/chain.txt"));  // mod/chain.txt -> mod/step.txt -> real/chained.txt
  fs::create_symlink(P("real/chained.txt"), P("mod/step.txt"));
  fs::create_symlink("../real/04.cat", P("mod/04.cat"));
  fs::create_symlink("04link.cat", P("mod/05.cat"));  // a chain ending in a new catalog
  fs::create_symlink(P("real/05.cat"), P("mod/04link.cat"));

  // Opened as the editors open what they save: replaced, kept (a catalog save) or converted.
  enum How { kReplace, kKeep, kConvert };
  struct Case {
    std::string link, real, bytes;
    int32_t form;
    How how;
  };
  const std::vector<Case> cases = {
      {"mod/plain.txt", "real/plain.txt", "plain", 1, kReplace},
      {"mod/absolute.txt", "real/absolute.txt", "absolute", 1, kConvert},
      {"mod/packed.pck", "real/packed.pck", "packed by its name", 0, kReplace},
      {"mod/converted.txt", "real/Converted.txt", "converted to packed", 2, kConvert},
      {"mod/chain.txt", "real/chained.txt", "through two links", 1, kReplace},
      {"mod/04.cat::types\\TShips.txt", "real/04.cat::types\\TShips.txt", "a new catalog", 1, kReplace},
      {"mod/05.cat::types\\TLaser.txt", "real/05.cat::types\\TLaser.txt", "a new catalog by a chain", 0, kKeep},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link);
    const int32_t f = c.how == kConvert ? RuDU_OpenFileConvert(P(c.link).c_str(), 1, 0, c.form)
                                        : RuDU_OpenFile(P(c.link).c_str(), 1, c.how == kReplace ? 1 : 0, c.form);
    ASSERT_NE(f, 0) << LastError();
    ASSERT_EQ(RuDU_WriteFile(f, c.bytes.data(), static_cast<int32_t>(c.bytes.size())),
              static_cast<int32_t>(c.bytes.size()));
    ASSERT_NE(RuDU_CloseFile(f), 0) << LastError();
    EXPECT_EQ(Get(P(c.real)), c.bytes);
    EXPECT_EQ(Get(P(c.link)), c.bytes);
    const std::string onDisk = c.link.substr(0, c.link.find("::"));
    EXPECT_TRUE(fs::is_symlink(P(onDisk))) << "the link was replaced by a file";
  }
  EXPECT_EQ(kztest::Gunzip(ReadRaw(P("real/packed.pck"))), "packed by its name");
  EXPECT_EQ(kztest::Gunzip(ReadRaw(P("real/Converted.txt"))), "converted to packed");
  EXPECT_TRUE(fs::is_symlink(P("mod/step.txt")));
  for (const char* name : {"real/04.dat", "real/05.dat"}) EXPECT_TRUE(fs::is_regular_file(P(name))) << name;
  for (const char* name : {"mod/04.dat", "mod/05.dat", "mod/04link.dat"}) EXPECT_FALSE(fs::exists(P(name))) << name;
  // Saving again writes the same files through the same links.
  ASSERT_NE(Put(P("mod/chain.txt"), "again"), 0) << LastError();
  ASSERT_NE(Put(P("mod/04.cat::types\\TShips.txt"), "again"), 0) << LastError();
  EXPECT_EQ(Get(P("real/chained.txt")), "again");
  EXPECT_EQ(Get(P("real/04.cat::types\\TShips.txt")), "again");
  EXPECT_TRUE(fs::is_symlink(P("mod/chain.txt")));
  EXPECT_TRUE(fs::is_symlink(P("mod/04.cat")));
}

// A link that leads in a loop, or to a folder that does not exist, is no file to save
// to: the open fails with a text that names the path and says why, and nothing on
// disk changes.
TEST_F(FileSafetyTest, LinkLoopsAndLinksIntoMissingFoldersAreRefusedChangingNothing) {
  fs::create_directory(P("mod"));
  fs::create_symlink("self.txt", P("mod/self.txt"));
  fs::create_symlink("pong.txt", P("mod/ping.txt"));
  fs::create_symlink(P("mod/ping.txt"), P("mod/pong.txt"));
  fs::create_symlink("loop.pck", P("mod/loop.pck"));
  fs::create_symlink("loop.cat", P("mod/loop.cat"));
  fs::create_symlink("../absent/far.txt", P("mod/far.txt"));
  fs::create_symlink("../absent/far.cat", P("mod/far.cat"));
  fs::create_symlink("far.txt", P("mod/tofar.txt"));  // a chain ending in a missing folder
  const auto before = Snapshot(root);

  struct Case {
    std::string path, says;
    int32_t form;
  };
  const std::vector<Case> cases = {
      {"mod/self.txt", "loop", 1},          {"mod/ping.txt", "loop", 1},
      {"mod/pong.txt", "loop", 0},          {"mod/loop.pck", "loop", 2},
      {"mod/loop.cat::types\\TShips.txt", "loop", 1},
      {"mod/far.txt", "does not exist", 1}, {"mod/tofar.txt", "does not exist", 1},
      {"mod/far.cat::types\\TShips.txt", "does not exist", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    for (const bool convert : {false, true}) {
      const int32_t f = convert ? RuDU_OpenFileConvert(P(c.path).c_str(), 1, 0, c.form == 0 ? 1 : c.form)
                                : RuDU_OpenFile(P(c.path).c_str(), 1, 1, c.form);
      const std::string error = LastError();
      EXPECT_EQ(f, 0) << "opened for writing";
      if (f != 0) RuDU_CloseFile(f);
      EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_PATH);
      EXPECT_NE(error.find(c.says), std::string::npos) << error;
      const std::string onDisk = c.path.substr(0, c.path.find("::"));
      EXPECT_NE(error.find(P(onDisk)), std::string::npos) << error;
    }
  }
  EXPECT_EQ(Snapshot(root), before);
}

// A large packed file is read without a second copy of its content: the caller's
// buffer is the only one. Measured in a child process of its own.
TEST_F(FileSafetyTest, ALargePackedFileIsHeldOnceWhileRead) {
  constexpr size_t kSize = size_t{192} << 20;
  {
    std::string line = "A line of a large text resource;1234;5678;\n";
    std::string plain;
    plain.reserve(kSize);
    while (plain.size() + line.size() <= kSize) plain += line;
    plain.resize(kSize, '.');
    WriteRaw(P("big.pck"), kztest::Gzip(plain));
  }
  const int rc = RunBounded(120, [&] {
    struct rusage before;
    ::getrusage(RUSAGE_SELF, &before);
    const int32_t f = RuDU_OpenFile(P("big.pck").c_str(), 0, 0, 0);
    if (f == 0 || RuDU_FileSize(f) != static_cast<int32_t>(kSize)) return 1;
    std::vector<char> content(kSize);
    // Read in two parts with a look back between them, as readers that seek do.
    const int32_t half = static_cast<int32_t>(kSize / 2);
    if (RuDU_ReadFile(f, content.data(), half) != half) return 2;
    char peek[16];
    if (RuDU_SeekFile(f, half - 8, 0) != half - 8 || RuDU_ReadFile(f, peek, 8) != 8 ||
        std::memcmp(peek, content.data() + half - 8, 8) != 0)
      return 3;
    if (RuDU_ReadFile(f, content.data() + half, half) != half || RuDU_EOF(f) == 0) return 4;
    RuDU_SeekFile(f, 0, 0);
    if (RuDU_ReadFile(f, peek, 16) != 16 || std::memcmp(peek, "A line of a larg", 16) != 0) return 5;
    RuDU_CloseFile(f);
    const std::string line = "A line of a large text resource;1234;5678;\n";
    const size_t whole = kSize / line.size() * line.size();
    for (size_t i = 0; i < kSize; ++i)
      if (content[i] != (i < whole ? line[i % line.size()] : '.')) return 6;
    struct rusage after;
    ::getrusage(RUSAGE_SELF, &after);
    const double grownMb = static_cast<double>(after.ru_maxrss - before.ru_maxrss) / 1024.0;
    std::fprintf(stderr, "peak grew by %.0f MB for %zu MB of content\n", grownMb, kSize >> 20);
    // One copy is kSize; a second one would take the peak past 1.5 times that.
    return grownMb < 1.5 * static_cast<double>(kSize >> 20) ? 0 : 7;
  });
  EXPECT_EQ(rc, 0) << "7: the content was held twice";

  // Damage found by the whole check at the open, on the way that streams: a small
  // file whose trailer claims a large content, and a large one cut short.
  std::string claims = kztest::Gzip("a small content");
  const uint32_t claimed = 100u << 20;
  for (int i = 0; i < 4; ++i) claims[claims.size() - 4 + static_cast<size_t>(i)] = static_cast<char>(claimed >> (8 * i));
  WriteRaw(P("claims.pck"), claims);
  const std::string big = ReadRaw(P("big.pck"));
  WriteRaw(P("cut.pck"), big.substr(0, big.size() / 2) + big.substr(big.size() - 8));
  for (const char* name : {"claims.pck", "cut.pck"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(RuDU_OpenFile(P(name).c_str(), 0, 0, 0), 0);
    EXPECT_EQ(RuDU_GetLastError(), RUDU_ERR_PACKED);
    EXPECT_NE(LastError().find(name), std::string::npos) << LastError();
  }
}

}  // namespace
