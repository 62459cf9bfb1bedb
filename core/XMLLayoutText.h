// The text the layout writer forms (XMLLayout.cpp): the output it is formed in, and the
// byte tables it reads values with. Used by that writer alone.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kzxml::layout {

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The bytes a value cannot carry as they are: kInAttribute in an attribute value,
// kInText in a text. The end of a value (0) is marked in both, so that a scan for them
// stops there too.
enum : uint8_t { kInAttribute = 1, kInText = 2 };
struct EscapeTable {
  uint8_t of[256] = {};
  constexpr EscapeTable() {
    for (int c = 0; c < 0x20; ++c) of[c] = kInAttribute | kInText;
    of[static_cast<unsigned char>('\n')] = kInAttribute;
    of[static_cast<unsigned char>('\t')] = kInAttribute;
    of[static_cast<unsigned char>('&')] = kInAttribute | kInText;
    of[static_cast<unsigned char>('<')] = kInAttribute | kInText;
    of[static_cast<unsigned char>('>')] = kInAttribute | kInText;
    of[static_cast<unsigned char>('"')] = kInAttribute;
    of[static_cast<unsigned char>('\'')] = kInAttribute;
  }
};
constexpr EscapeTable kEscape;

// The bytes of a value read that reading may have changed (a reference, white space
// reading turns into blanks), and the end of a value: a value holding one is written
// anew, not copied.
struct ReadChangeTable {
  bool of[256] = {};
  constexpr ReadChangeTable() {
    of[0] = of[static_cast<unsigned char>('&')] = true;
    of[static_cast<unsigned char>('\t')] = of[static_cast<unsigned char>('\r')] = true;
    of[static_cast<unsigned char>('\n')] = true;
  }
};
constexpr ReadChangeTable kReadChanges;

// The text being written, formed straight in the output string's own buffer (no
// piece is gathered anywhere else first); its length is set once, when done.
class Sink {
 public:
  Sink(std::string& out, size_t expect) : out_(out), base_(out.size()) {
    out_.resize(std::max(out_.capacity(), base_ + expect));
    p_ = out_.data() + base_;
    end_ = out_.data() + out_.size();
  }
  void Put(const char* d, size_t n) {
    if (static_cast<size_t>(end_ - p_) < n) Grow(n);
    std::memcpy(p_, d, n);
    p_ += n;
  }
  void Put(std::string_view v) {
    if (!v.empty()) Put(v.data(), v.size());
  }
  void Put(char c) {
    if (p_ == end_) Grow(1);
    *p_++ = c;
  }
  // A value with the references it needs (`quote` the quote it stands in; 0 for a text).
  void PutEscaped(const char* t, bool attribute, char quote) {
    const uint8_t mask = attribute ? kInAttribute : kInText;
    for (;;) {
      const char* run = t;
      while (!(kEscape.of[static_cast<unsigned char>(*t)] & mask)) ++t;
      if (t != run) Put(run, static_cast<size_t>(t - run));
      const unsigned char c = static_cast<unsigned char>(*t);
      if (c == 0) return;
      ++t;
      switch (c) {
        case '&': Put("&amp;", 5); break;
        case '<': Put("&lt;", 4); break;
        case '>': Put("&gt;", 4); break;
        case '"':
          if (quote == '"') Put("&quot;", 6); else Put('"');
          break;
        case '\'':
          if (quote == '\'') Put("&apos;", 6); else Put('\'');
          break;
        default: {
          // A control byte: its number.
          char num[6] = {'&', '#'};
          size_t k = 2;
          if (c >= 10) num[k++] = static_cast<char>('0' + c / 10);
          num[k++] = static_cast<char>('0' + c % 10);
          num[k++] = ';';
          Put(num, k);
          break;
        }
      }
    }
  }
  void PutEscaped(const char* t, char quote) { PutEscaped(t, true, quote); }
  void Done() { out_.resize(static_cast<size_t>(p_ - out_.data())); }
  void Undo() { out_.resize(base_); }
  // Where the text stands, and going back there (what was put since is dropped).
  size_t Here() const noexcept { return static_cast<size_t>(p_ - out_.data()); }
  void Back(size_t at) noexcept { p_ = out_.data() + at; }

 private:
  void Grow(size_t n) {
    const size_t at = static_cast<size_t>(p_ - out_.data());
    out_.resize(std::max(out_.size() * 2, at + n + 4096));
    p_ = out_.data() + at;
    end_ = out_.data() + out_.size();
  }

  std::string& out_;
  const size_t base_;
  char* p_;
  char* end_;
};

}  // namespace kzxml::layout
