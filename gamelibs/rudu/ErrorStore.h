// The last error of a library entry point: a code and, while that code is the last
// error, the text of what failed. One store per library and thread.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace rudu {

// A path or name in double quotes, as error texts show it.
inline std::string Quoted(std::string_view s) {
  std::string q;
  q.reserve(s.size() + 2);
  q += '"';
  q.append(s);
  q += '"';
  return q;
}


class ErrorStore {
 public:
  void Clear() {
    code_ = 0;
    text_.clear();
  }
  void Set(int32_t code, std::string text) {
    code_ = code;
    text_ = std::move(text);
  }
  int32_t Code() const { return code_; }
  const std::string& Text() const { return text_; }

  // The translate protocol: `needed` = the text's bytes plus its NUL (0 for code 0);
  // with a buffer of that size the text and its NUL are copied and the result is 1;
  // a smaller buffer gets what fits, NUL-terminated, and the result 0.
  int32_t Translate(int32_t code, char* buffer, int32_t size, int32_t* needed,
                    const char* (*generalText)(int32_t)) const {
    std::string text;
    if (code != 0) {
      if (code == code_ && !text_.empty()) {
        text = text_;
      } else {
        const char* general = generalText(code);
        text = general ? general : "Unknown error code " + std::to_string(code);
      }
    }
    const int64_t want = code == 0 ? 0 : static_cast<int64_t>(text.size()) + 1;
    if (needed) *needed = static_cast<int32_t>(want);
    if (!buffer || size <= 0) return 0;
    if (size >= want) {
      std::memcpy(buffer, text.data(), text.size());
      buffer[text.size()] = '\0';
      return 1;
    }
    std::memcpy(buffer, text.data(), static_cast<size_t>(size) - 1);
    buffer[size - 1] = '\0';
    return 0;
  }

 private:
  int32_t code_ = 0;
  std::string text_;
};

}  // namespace rudu
