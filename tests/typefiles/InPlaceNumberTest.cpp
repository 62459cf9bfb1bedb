// Numbers read in another form than the writer's ("007", "0.125000", "-0") keep their
// text where it stands in the file's bytes, in their cell alone: the value read again
// from that text must be the one read, the text must be written back as it stood, and
// both must stay right for as long as the record lives (a copy, a value set anew, the
// parser gone, a mapped file written over or cut while its records are open).
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <memory_resource>
#include <string>
#include <vector>

#include "TypeFileFixture.h"
#include "core/KzConst.h"
#include "rudu/MappedFile.h"

namespace {

using mdlKzConst::kTLaser;

// ---- A record on a resource, handed numbers with their place ----

struct NumberCase {
  const char* bytes;  // the field as it stands, then ";"
  bool isDouble;
  int32_t whole;
  double number;
};

const NumberCase kNumbers[] = {
    {"007;", false, 7, 0},
    {"-0;", false, 0, 0},
    {"-0012;", false, -12, 0},
    {"02147483647;", false, 2147483647, 0},
    {"-02147483648;", false, -2147483647 - 1, 0},
    {"0.125000;", true, 0, 0.125},
    {"-3.500;", true, 0, -3.5},
    {"0.000000;", true, 0, 0.0},
    {"-0.000;", true, 0, -0.0},
    {".5;", true, 0, 0.5},
    {"5.;", true, 0, 5.0},
    {"0123456789.123450;", true, 0, 123456789.12345},   // past 16 characters
    {"1.100000000000000088817841970012523;", true, 0, 1.1},
};

class InPlaceNumberRecordTest : public ::testing::Test {
 protected:
  std::pmr::monotonic_buffer_resource arena_;
};

TEST_F(InPlaceNumberRecordTest, ANumberKeepsItsTextWhereItStandsAndReadsAsItWasRead) {
  for (const NumberCase& c : kNumbers) {
    SCOPED_TRACE(c.bytes);
    std::string bytes = c.bytes;
    const std::string_view text(bytes.data(), bytes.size() - 1);
    clsTXTObject record(&arena_);
    if (c.isDouble)
      record.PushDouble(c.number, text, bytes.data());
    else
      record.PushLong(c.whole, text, bytes.data());
    record.PushText("SS_X");
    EXPECT_EQ(record.NumberTextAt(0).data(), bytes.data());  // no copy
    EXPECT_EQ(record.NumberTextAt(0), text);
    EXPECT_EQ(record.KindAt(0), c.isDouble ? kz::VariantKind::Double : kz::VariantKind::Long);
    if (c.isDouble) {
      const double got = record.DoubleAt(0);
      EXPECT_EQ(std::memcmp(&got, &c.number, 8), 0) << got;  // the sign of a zero too
      EXPECT_TRUE(kz::VariantEquals(record.Value(0), kz::Variant(c.number)));
    } else {
      EXPECT_EQ(record.LongAt(0), c.whole);
      EXPECT_TRUE(kz::VariantEquals(record.Value(0), kz::Variant(c.whole)));
    }
    EXPECT_EQ(record.GetObjectTData(), std::string(text) + ";SS_X;");
    char out[128];
    char* at = out;
    ASSERT_EQ(record.FormFields(0, 2, at, out + sizeof out), 2);
    EXPECT_EQ(std::string(out, at), std::string(text) + ";SS_X;");
    clsTXTObject::ValueView view[1];
    ASSERT_EQ(record.ViewValues(0, 1, view), 1);
    EXPECT_EQ(view[0].text(), text);
    // A copy has a text of its own, the original bytes gone.
    clsTXTObject copy(record);
    const std::string asRead = bytes;
    std::memset(bytes.data(), 'x', bytes.size());
    EXPECT_NE(copy.NumberTextAt(0).data(), bytes.data());
    EXPECT_EQ(copy.NumberTextAt(0), std::string_view(asRead.data(), asRead.size() - 1));
    EXPECT_EQ(copy.GetObjectTData(), asRead + "SS_X;");
  }
}

// Handed a place whose bytes are not the text, or a text that does not read as the
// number handed, the record keeps a copy of the text as before (nothing read wrongly).
TEST_F(InPlaceNumberRecordTest, APlaceThatDoesNotHoldTheNumberGivesACopy) {
  struct Case {
    const char* bytes;
    const char* text;
    bool isDouble;
    int32_t whole;
    double number;
  } cases[] = {
      {"008;", "007", false, 7, 0},            // other bytes there
      {"007,", "007", false, 7, 0},            // no ";" after it
      {"0.250000;", "0.250000", true, 0, 0.125},  // reads as another number
      {"007;", "007", true, 0, 7.0},           // a whole number handed as a double
      {"0.5;", "0.5", false, 0, 0},            // a decimal handed as a whole number
      {"02147483648;", "02147483648", false, -2147483647 - 1, 0},  // out of range
      {".;", ".", true, 0, 0.0},               // no digit
      {"-;", "-", false, 0, 0},                // a sign alone
      {"1.2.5;", "1.2.5", true, 0, 1.2},       // two "."
      {"1-2;", "1-2", false, 1, 0},            // a sign inside
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    std::string bytes = c.bytes;
    clsTXTObject record(&arena_);
    if (c.isDouble)
      record.PushDouble(c.number, c.text, bytes.data());
    else
      record.PushLong(c.whole, c.text, bytes.data());
    EXPECT_NE(record.NumberTextAt(0).data(), bytes.data());
    EXPECT_EQ(record.NumberTextAt(0), c.text);
    if (c.isDouble)
      EXPECT_EQ(record.DoubleAt(0), c.number);
    else
      EXPECT_EQ(record.LongAt(0), c.whole);
  }
}

TEST_F(InPlaceNumberRecordTest, AnEqualNumberKeepsTheTextAndAnotherTakesItsOwn) {
  const std::string bytes = "0.500000;007;";
  clsTXTObject record(&arena_);
  record.PushDouble(0.5, "0.500000", bytes.data());
  record.PushLong(7, "007", bytes.data() + 9);
  record.SetValue(0, kz::Variant(0.5));
  record.SetValue(1, kz::Variant(int16_t{7}));
  EXPECT_FALSE(record.Dirty);
  EXPECT_EQ(record.GetObjectTData(), bytes);
  record.SetValue(0, kz::Variant(0.25));
  record.SetValue(1, kz::Variant(int32_t{8}));
  EXPECT_TRUE(record.Dirty);
  EXPECT_EQ(record.NumberTextAt(0), "");
  EXPECT_EQ(record.GetObjectTData(), "0.25;8;");
}

// A record on the plain heap shares nothing with a load: it copies the text.
TEST(InPlaceNumberHeapTest, ARecordOfItsOwnCopiesANumbersText) {
  clsTXTObject record;
  auto bytes = std::make_unique<std::string>("0.125000;");
  record.PushDouble(0.125, "0.125000", bytes->data());
  EXPECT_NE(record.NumberTextAt(0).data(), bytes->data());
  bytes->assign(bytes->size(), 'x');
  bytes.reset();
  EXPECT_EQ(record.NumberTextAt(0), "0.125000");
  EXPECT_EQ(record.DoubleAt(0), 0.125);
}

// ---- Through a load ----

// The tokenizer says where a number's kept text stands, and nothing for a number
// without one (not where the text before it stood).
TEST(InPlaceNumberTokenTest, ANumberTellsWhereItsKeptTextStands) {
  const std::string bytes = "objects\\long_text;007;5;0.50;0.5;-0;text;\r\n";
  const int32_t doc = Kz_LoadFromBuffer(bytes.data(), bytes.size(), kKzLoadTypeFile);
  ASSERT_NE(doc, 0);
  struct Want {
    int32_t kind;
    size_t at;  // npos: none
  } wants[] = {{Kz_Value::Text, 0},    {Kz_Value::Long, 18},   {Kz_Value::Long, std::string::npos},
               {Kz_Value::Double, 24}, {Kz_Value::Double, std::string::npos},
               {Kz_Value::Long, 33},   {Kz_Value::Text, 36}};
  Kz_Value v;
  for (const Want& w : wants) {
    SCOPED_TRACE(w.at);
    ASSERT_NE(Kz_TXTLoadValue(doc, 0, v), 0);
    EXPECT_EQ(v.kind, w.kind);
    if (w.at == std::string::npos) {
      EXPECT_EQ(v.at, nullptr);
      continue;
    }
    ASSERT_NE(v.at, nullptr);
    const std::string_view seen(v.at, v.s.size());
    EXPECT_EQ(seen, std::string_view(bytes).substr(w.at, v.s.size()));
    EXPECT_EQ(v.at[v.s.size()], ';');
  }
  Kz_DeleteHandle(0, doc);
}

// A TLaser file whose numbers are written with padding ("0.125000", "007").
std::string PaddedFile(int records, const std::string& tag) {
  const int n = mdlKzConst::RecordSizeOf(kTLaser);
  std::string text = "// Created with " + kz::GetAppTitleVersion() + "\r\n3;" + std::to_string(records) + ";\r\n";
  for (int r = 0; r < records; ++r) {
    for (int i = 0; i < n - 1; ++i) {
      if (i % 4 == 0)
        text += "objects\\" + tag + "\\a_long_folder_name_of_the_game_data\\body_" + std::to_string(r) + ";";
      else if (i % 4 == 1)
        text += std::to_string(r % 1000) + "." + std::to_string(i % 7 + 1) + "25000;";
      else if (i % 4 == 2)
        text += "00" + std::to_string(r % 97 + i) + ";";
      else
        text += std::to_string(r * 3 + i) + ";";
    }
    text += "SS_" + tag + "_" + std::to_string(r) + ";\r\n";
  }
  return text;
}

// The numbers of a record: kind, value and kept text.
struct Numbers {
  std::vector<std::string> texts;
  std::vector<double> values;
  bool operator==(const Numbers&) const = default;
};
Numbers NumbersOf(const clsTXTObject& r) {
  Numbers n;
  for (int32_t i = 0; i < r.size(); ++i) {
    const kz::VariantKind k = r.KindAt(i);
    if (k != kz::VariantKind::Long && k != kz::VariantKind::Double) continue;
    n.texts.emplace_back(r.NumberTextAt(i));
    n.values.push_back(r.DoubleAt(i));
  }
  return n;
}

class InPlaceNumberLoadTest : public TypeFileTest {
 protected:
  bool LoadFile(clsTxtParser& parser, const std::string& name) {
    return TypeFileTest::LoadFile(parser, name, kTLaser);
  }
};

TEST_F(InPlaceNumberLoadTest, NumbersKeepTheirTextsPastTheirParserAndTheFile) {
  const std::string bytes = PaddedFile(40, "small");
  WriteBytes("a.txt", bytes);
  TXTObjectPtr kept, copy;
  Numbers numbers;
  {
    clsTxtParser parser;
    ASSERT_TRUE(LoadFile(parser, "a.txt")) << parser.GetLastError();
    EXPECT_EQ(Formed(parser), bytes);
    kept = parser.FindIndex(13);
    numbers = NumbersOf(*kept);
    ASSERT_GE(numbers.texts.size(), 6u);
    EXPECT_EQ(numbers.texts[0], "13.225000");
    EXPECT_EQ(numbers.values[0], 13.225);
    EXPECT_EQ(numbers.texts[1], "0015");
    EXPECT_EQ(numbers.values[1], 15);
    copy = kept->Clone();
  }
  std::filesystem::remove(PathOf("a.txt"));
  EXPECT_EQ(NumbersOf(*kept), numbers);
  EXPECT_EQ(NumbersOf(*copy), numbers);
}

constexpr int kBigRecords = 60000;

// A file large enough to be mapped, written over by another program, or cut short,
// while its records are open: the numbers stay as read, and a save writes the file as
// it was read.
TEST_F(InPlaceNumberLoadTest, AMappedFileWrittenOverOrCutWhileOpenLeavesTheNumbersAsRead) {
  const std::string bytes = PaddedFile(kBigRecords, "mapped");
  ASSERT_GE(bytes.size(), rudu::MappedFile::kFrom);
  std::string other = bytes;
  for (char& c : other)
    if (c >= '0' && c <= '8') ++c;
  struct Case {
    const char* what;
    bool cut;
  } cases[] = {{"written over in place", false}, {"cut short", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes("big.txt", bytes);
    clsTxtParser parser;
    ASSERT_TRUE(LoadFile(parser, "big.txt")) << parser.GetLastError();
    const Numbers first = NumbersOf(*parser.FindIndex(0));
    const Numbers last = NumbersOf(*parser.FindIndex(parser.Count() - 1));
    ASSERT_FALSE(first.texts.empty());
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
    ASSERT_NE(ReadBytes("big.txt"), bytes);
    EXPECT_EQ(NumbersOf(*parser.FindIndex(0)), first);
    EXPECT_EQ(NumbersOf(*parser.FindIndex(parser.Count() - 1)), last);
    EXPECT_TRUE(Formed(parser) == bytes);  // (not printed: megabytes)
  }
}

}  // namespace
