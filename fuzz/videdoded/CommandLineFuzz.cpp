// Command-line splitter: any line splits; joining the words gives a line that splits
// back to the same words, and so does joining any words (the input's parts between
// NUL bytes).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "videdoded/videdoded.h"

namespace {

void JoinSplitsBack(const std::vector<std::string>& words) {
  std::string line;
  if (Kz_ArgVToCommandLine(words, line) != static_cast<int32_t>(words.size())) abort();
  std::vector<std::string> back;
  const int32_t n = Kz_CommandLineToArgV(line, back);
  if (n != static_cast<int32_t>(back.size()) || back != words) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> words;
  const int32_t n = Kz_CommandLineToArgV(input, words);
  if (n != static_cast<int32_t>(words.size())) abort();
  for (const std::string& w : words)
    if (w.find('\0') != std::string::npos && input.find('\0') == std::string::npos) abort();
  JoinSplitsBack(words);
  std::vector<std::string> parts;
  for (size_t start = 0;;) {
    const size_t end = input.find('\0', start);
    parts.push_back(input.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  JoinSplitsBack(parts);
  return 0;
}
