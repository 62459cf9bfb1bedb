// Command-line splitting and joining.
#include "Errors.h"
#include "videdoded.h"

using namespace videdoded;

int32_t Kz_CommandLineToArgV(const std::string& cmd, std::vector<std::string>& args) {
  ClearError();
  args.clear();
  size_t i = 0, n = cmd.size();
  for (;;) {
    while (i < n && (cmd[i] == ' ' || cmd[i] == '\t')) ++i;
    if (i >= n) break;
    std::string word;
    bool quoted = false;
    for (; i < n; ++i) {
      char c = cmd[i];
      if (c == '"') {
        if (quoted && i + 1 < n && cmd[i + 1] == '"') {
          word.push_back('"');  // "" inside quotes: one quote
          ++i;
        } else {
          quoted = !quoted;
        }
      } else if (!quoted && (c == ' ' || c == '\t')) {
        break;
      } else {
        word.push_back(c);
      }
    }
    args.push_back(std::move(word));
  }
  return static_cast<int32_t>(args.size());
}

int32_t Kz_ArgVToCommandLine(const std::vector<std::string>& args, std::string& cmd) {
  ClearError();
  cmd.clear();
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& w = args[k];
    if (k) cmd.push_back(' ');
    if (!w.empty() && w.find_first_of(" \t\"") == std::string::npos) {
      cmd += w;
      continue;
    }
    cmd.push_back('"');
    for (char c : w) {
      if (c == '"') cmd.push_back('"');
      cmd.push_back(c);
    }
    cmd.push_back('"');
  }
  return static_cast<int32_t>(args.size());
}
