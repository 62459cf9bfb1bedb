#include "core/Outside.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/LibBindings.h"
#include "core/Settings.h"
#include "platform/Ui.h"


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
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "help";
  // Beside the program; a program built into another folder of the build tree (the
  // tests) finds the pages of bin/ next to it.
  const fs::path here = exe.parent_path() / "help";
  if (fs::is_directory(here, ec)) return here.string();
  const fs::path bin = exe.parent_path().parent_path() / "bin" / "help";
  if (fs::is_directory(bin, ec)) return bin.string();
  return here.string();
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

// ---- Procedures ------------------------------------------------------------------------

namespace kz {

namespace {

void Box(const std::string& text, int32_t flags, void* owner) {
  platform::Ui::Instance().MsgBox(text, flags, GetAppTitle(), owner);
}

bool Start(const std::string& program, const std::vector<std::string>& args, StartWindow show) {
  if (program.empty()) return false;
  std::shared_ptr<ProcessStarter> starter = GetProcessStarter();
  if (!starter) return false;
  return starter->Start(program, args, ProgramFolder(program), show);
}

// Writes `data` to `target` whole: a sibling temporary file renamed over it, so an
// older file of that name (or a link planted there) is replaced, never followed, and
// the file holds exactly these bytes afterwards.
bool WriteExactFile(const std::string& target, const std::string& data, std::string& why) {
  namespace fs = std::filesystem;
  const std::string tmp = target + ".part";
  std::error_code ec;
  fs::remove(tmp, ec);
  {
    std::FILE* f = std::fopen(tmp.c_str(), "wbx");
    if (!f) {
      why = "Cannot create " + tmp;
      return false;
    }
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    const bool closed = std::fclose(f) == 0;
    if (!ok || !closed) {
      fs::remove(tmp, ec);
      why = "Cannot write " + tmp;
      return false;
    }
  }
  fs::rename(tmp, target, ec);
  if (ec) {
    fs::remove(tmp, ec);
    why = "Cannot replace " + target;
    return false;
  }
  return true;
}

}  // namespace

void ShowHelpTopic(const std::string& topic, void* owner) {
  std::string page;
  if (!HelpTopicPath(HelpFolder(), topic, page)) {
    Box("There is no help page " + topic + ".", platform::vbExclamation, owner);
    return;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(page, ec)) {
    Box("The help page " + page + " is missing.", platform::vbExclamation, owner);
    return;
  }
  std::shared_ptr<ProcessStarter> starter = GetProcessStarter();
  if (!starter || !starter->OpenDocument(page))
    Box("Cannot open the help page " + page + ".", platform::vbExclamation, owner);
}

namespace {
constexpr const char* kNoViewerText = "You didn't specified path to external 3D viewer.\r\nGo to Settings and set it up.";
}  // namespace

void OpenIn3DViewer(const std::string& path, const std::string& extra, void* owner) {
  try {
    if (!Settings) throw AppError(91, "OpenIn3DViewer", "The settings are not loaded.");
    const std::string viewer = Settings->Ext3DViewerPath();
    if (viewer.empty()) {
      Box(kNoViewerText, platform::vbInformation, owner);
      return;
    }
    std::string file = path;
    if (IsCatalogPath(path) && !Settings->Ext3DViewerSupportsRuDU()) {
      std::string data, error;
      // A model that cannot be read starts nothing (and says nothing).
      if (!ReadWholeFile(path, data, error)) return;
      std::string why;
      if (!ModelCopyPath(Settings->TempRoot, path, file, why)) throw AppError(5, "OpenIn3DViewer", why);
      if (!WriteExactFile(file, data, why)) throw AppError(75, "OpenIn3DViewer", why);
    }
    const std::vector<std::string> args = BuildViewerArguments(Settings->Ext3DViewerCmdLine(), file, extra);
    if (!Start(viewer, args, StartWindow::Minimized))
      throw AppError(53, "OpenIn3DViewer", "Cannot start " + viewer + ".");
  } catch (const AppError& e) {
    Box("Error starting external 3D viewer: " + e.Description, platform::vbCritical, owner);
  } catch (const std::exception& e) {
    Box(std::string("Error starting external 3D viewer: ") + e.what(), platform::vbCritical, owner);
  }
}

void ShowObjectModel(const Variant& model, bool cut, int32_t typeCode, std::string_view tdata, void* owner) {
  VfsEntry entry;
  if (!VfsFindFirst(ModelSearchPattern(model, cut), entry)) return;
  OpenIn3DViewer(entry.path, ViewerExtraText(typeCode, tdata), owner);
}

void OpenObjectModel(const Variant& model, bool cut, int32_t typeCode, std::string_view tdata, void* owner) {
  if (!Settings || Settings->Ext3DViewerPath().empty()) {
    Box(kNoViewerText, platform::vbInformation, owner);
    return;
  }
  const std::string pattern = ModelSearchPattern(model, cut);
  VfsEntry entry;
  if (!VfsFindFirst(pattern, entry)) {
    Box("The model " + pattern + " is not in the game's files.", platform::vbExclamation, owner);
    return;
  }
  OpenIn3DViewer(entry.path, ViewerExtraText(typeCode, tdata), owner);
}

bool StartProcess(const std::string& path) { return Start(path, {}, StartWindow::Normal); }

bool RunGame(void* owner) {
  const std::string exe = Settings ? Settings->KzEXEPath() : std::string();
  if (exe.empty()) {
    Box("Program cannot found registry entry of Kz Concord. You will have to specify path to the game "
        "executable in the Settings window.",
        platform::vbExclamation, owner);
    return false;
  }
  return StartProcess(exe);
}

}  // namespace kz
