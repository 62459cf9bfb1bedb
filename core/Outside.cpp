#include "core/Outside.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>


namespace kz {

namespace {

std::shared_ptr<ProcessStarter>& StarterSlot() {
  static std::shared_ptr<ProcessStarter> starter;
  return starter;
}

std::size_t LastSeparator(std::string_view s) { return s.find_last_of("\\/"); }

}  // namespace

void SetProcessStarter(std::shared_ptr<ProcessStarter> starter) { StarterSlot() = std::move(starter); }
std::shared_ptr<ProcessStarter> GetProcessStarter() { return StarterSlot(); }

// ---- Decisions -------------------------------------------------------------------------

std::vector<std::string> SplitTemplateWords(std::string_view tmpl) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (std::size_t i = 0; i < tmpl.size(); ++i) {
    const char c = tmpl[i];
    if (quoted) {
      if (c == '\\' && i + 1 < tmpl.size() && tmpl[i + 1] == '"') {
        word += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        word += c;
      }
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else if (c == '"') {
      quoted = true;
      inWord = true;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

std::string ExpandTemplateWord(std::string_view word, std::string_view file, std::string_view extra) {
  std::string out;
  out.reserve(word.size() + file.size());
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (word[i] == '%' && i + 1 < word.size() && (word[i + 1] == '1' || word[i + 1] == '2')) {
      out += (word[i + 1] == '1') ? file : extra;
      ++i;
    } else {
      out += word[i];
    }
  }
  return out;
}

std::vector<std::string> BuildViewerArguments(std::string_view tmpl, std::string_view file,
                                              std::string_view extra) {
  std::vector<std::string> args = SplitTemplateWords(tmpl);
  for (std::string& a : args) a = ExpandTemplateWord(a, file, extra);
  return args;
}

std::string ModelSearchPattern(const Variant& model, bool cut) {
  if (IsNumericValue(model) && !model.IsEmpty()) {
    double v = CDbl(model);
    if (std::isfinite(v) && std::fabs(v) < 1e15) {
      long long n = std::llround(v);
      char buf[32];
      std::snprintf(buf, sizeof buf, "%s%05lld", n < 0 ? "-" : "", n < 0 ? -n : n);
      return std::string("objects\\") + (cut ? "cut" : "v") + "\\" + buf;
    }
  }
  return "objects\\" + CStr(model);
}

std::string ViewerExtraText(int32_t typeCode, std::string_view tdata) {
  if (typeCode == 1) return "TShips:" + std::string(tdata);
  if (typeCode == 7) return "TFactories:" + std::string(tdata);
  return {};
}

bool ModelCopyPath(std::string_view tempRoot, std::string_view modelPath, std::string& out,
                   std::string& why) {
  if (tempRoot.empty()) {
    why = "The temporary folder is not available.";
    return false;
  }
  std::string_view name = modelPath;
  if (std::size_t pos = name.rfind("::"); pos != std::string_view::npos) name = name.substr(pos + 2);
  if (std::size_t sep = LastSeparator(name); sep != std::string_view::npos) name = name.substr(sep + 1);
  if (name.empty() || name == "." || name == ".." || name.find(':') != std::string_view::npos) {
    why = "The model path " + std::string(modelPath) + " does not name a file.";
    return false;
  }
  out = std::string(tempRoot);
  if (out.back() != '/' && out.back() != '\\') out += '/';
  out += name;
  out += ".bod";
  return true;
}

std::string ProgramFolder(std::string_view exePath) {
  std::size_t sep = LastSeparator(exePath);
  if (sep == std::string_view::npos) return {};
  if (sep == 0) return std::string(exePath.substr(0, 1));
  return std::string(exePath.substr(0, sep));
}

std::string HelpFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "help";
  return (exe.parent_path() / "help").string();
}

bool HelpTopicPath(std::string_view helpFolder, std::string_view topic, std::string& out) {
  std::string page = topic.empty() ? std::string("index.html") : std::string(topic);
  if (page.find_first_of("/\\") != std::string::npos || page == "." || page == ".." ||
      page.find("..") != std::string::npos)
    return false;
  out = std::string(helpFolder);
  if (!out.empty() && out.back() != '/') out += '/';
  out += page;
  return true;
}

}  // namespace kz
