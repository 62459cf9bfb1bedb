// Large plain files opened for reading are mapped instead of copied: reads see the
// same bytes as for a small file, a large packed file is still unpacked, and a file
// another program cuts short while it is open reads as zeros past its new end instead
// of ending the program.
#include <random>

#include "TestFiles.h"
#include "core/LibBindings.h"
#include "rudu/FileObject.h"
#include "rudu/rudu.h"

namespace {

using kztest::WriteRaw;

class MappedFileTest : public kztest::TempFolderTest {
 protected:
  // Bytes that differ from page to page and from a zero page.
  static std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
    return s;
  }
  static std::string ReadFrom(int32_t f, int64_t at, size_t n) {
    EXPECT_EQ(RuDU_SeekFile(f, static_cast<int32_t>(at), 0), at);
    std::string got(n, '\0');
    const int32_t read = RuDU_ReadFile(f, got.data(), static_cast<int32_t>(n));
    got.resize(read > 0 ? static_cast<size_t>(read) : 0);
    return got;
  }
  static bool Mapped(int32_t f) {
    auto object = rudu::HandleGetAs<rudu::FileObject>(f, rudu::kFileHandle);
    return object && object->mapped != nullptr;
  }
};

TEST_F(MappedFileTest, ALargeFileReadsAsASmallOneDoes) {
  const size_t size = rudu::MappedFile::kFrom + 12345;
  const std::string bytes = Pattern(size);
  WriteRaw(P("big.txt"), bytes);
  WriteRaw(P("small.txt"), bytes.substr(0, 1 << 20));
  int32_t big = RuDU_OpenFile(P("big.txt").c_str(), 0, 0, 0), small = RuDU_OpenFile(P("small.txt").c_str(), 0, 0, 0);
  ASSERT_NE(big, 0);
  ASSERT_NE(small, 0);
  EXPECT_TRUE(Mapped(big));
  EXPECT_FALSE(Mapped(small));
  EXPECT_EQ(RuDU_FileSize(big), static_cast<int32_t>(size));
  EXPECT_EQ(ReadFrom(big, 0, size), bytes);
  EXPECT_EQ(ReadFrom(big, static_cast<int64_t>(size) - 10, 100), bytes.substr(size - 10));  // cut at the end
  EXPECT_EQ(ReadFrom(big, 4095, 3), bytes.substr(4095, 3));
  EXPECT_EQ(ReadFrom(big, 4095, 3), ReadFrom(small, 4095, 3));
  EXPECT_EQ(RuDU_SeekFile(big, 0, 1), static_cast<int32_t>(size));
  EXPECT_NE(RuDU_EOF(big), 0);
  EXPECT_EQ(RuDU_WriteFile(big, "x", 1), 0);  // still a read handle
  EXPECT_EQ(RuDU_CloseFile(big), 1);
  EXPECT_EQ(RuDU_CloseFile(small), 1);
  EXPECT_EQ(kztest::ReadRaw(P("big.txt")), bytes);  // closing writes nothing
}

TEST_F(MappedFileTest, ALargePackedFileIsUnpacked) {
  // Random bytes do not pack: the packed file is as large as they are.
  std::mt19937 random(7);
  std::string plain(rudu::MappedFile::kFrom + 4096, '\0');
  for (char& c : plain) c = static_cast<char>(random());
  WriteRaw(P("big.pck"), kztest::Gzip(plain));
  ASSERT_GE(kztest::ReadRaw(P("big.pck")).size(), rudu::MappedFile::kFrom);
  int32_t f = RuDU_OpenFile(P("big.pck").c_str(), 0, 0, 0);
  ASSERT_NE(f, 0) << kz::GetRuDUError();
  EXPECT_FALSE(Mapped(f));
  EXPECT_EQ(ReadFrom(f, 0, plain.size()), plain);
  EXPECT_EQ(RuDU_CloseFile(f), 1);
}

TEST_F(MappedFileTest, AFileCutShortWhileOpenReadsAsZerosPastItsNewEnd) {
  const size_t size = rudu::MappedFile::kFrom + 5000;
  const std::string bytes = Pattern(size);
  WriteRaw(P("cut.txt"), bytes);
  int32_t f = RuDU_OpenFile(P("cut.txt").c_str(), 0, 0, 0);
  ASSERT_NE(f, 0);
  ASSERT_TRUE(Mapped(f));
  const size_t kept = (1 << 20) + 100;  // the cut falls inside a page
  std::filesystem::resize_file(P("cut.txt"), kept);
  EXPECT_EQ(RuDU_FileSize(f), static_cast<int32_t>(size));  // the size it had at the open
  const std::string got = ReadFrom(f, 0, size);
  ASSERT_EQ(got.size(), size);
  EXPECT_EQ(got.substr(0, kept), bytes.substr(0, kept));
  EXPECT_EQ(got.find_first_not_of('\0', kept), std::string::npos);
  // Read again (the zero pages stay), then closed and opened at its new size.
  EXPECT_EQ(ReadFrom(f, static_cast<int64_t>(size) - 3, 3), std::string(3, '\0'));
  EXPECT_EQ(RuDU_CloseFile(f), 1);
  f = RuDU_OpenFile(P("cut.txt").c_str(), 0, 0, 0);
  EXPECT_EQ(RuDU_FileSize(f), static_cast<int32_t>(kept));
  EXPECT_EQ(RuDU_CloseFile(f), 1);
}

}  // namespace
