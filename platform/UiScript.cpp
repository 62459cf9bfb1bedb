#include "platform/UiScript.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/ScriptedUi.h"
#include "platform/Ui.h"

namespace platform {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A whole number in decimal, or hexadecimal after "0x"; false for anything else.
bool ParseNumber(std::string_view s, int64_t& value) {
  if (s.empty()) return false;
  int base = 10;
  std::string digits(s);
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.erase(0, 2);
  }
  for (char c : digits)
    if (!(base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
      return false;
  errno = 0;
  value = std::strtoll(digits.c_str(), nullptr, base);
  return errno == 0;
}

bool ParseButton(std::string_view word, int32_t& button) {
  static const std::pair<const char*, int32_t> kButtons[] = {{"ok", vbOK},       {"cancel", vbCancel}, {"abort", vbAbort},
                                                             {"retry", vbRetry}, {"ignore", vbIgnore}, {"yes", vbYes},
                                                             {"no", vbNo}};
  const std::string w = Lower(word);
  for (const auto& [name, value] : kButtons) {
    if (w == name) {
      button = value;
      return true;
    }
  }
  int64_t n = 0;
  if (!ParseNumber(word, n) || n < vbOK || n > vbNo) return false;
  button = static_cast<int32_t>(n);
  return true;
}

// One line that is not blank nor a comment: `keyword` and the text after the first blank.
bool ParseLine(std::string_view keyword, std::string_view rest, bool hasRest, UiScriptAnswer& a, std::string& why) {
  using Kind = UiScriptAnswer::Kind;
  const std::string key = Lower(keyword);
  if (key == "msgbox") {
    a.kind = Kind::MsgBox;
    if (!ParseButton(rest, a.number)) {
      why = "not a message box button: \"" + std::string(rest) + "\"";
      return false;
    }
    return true;
  }
  if (key == "file" || key.rfind("file:", 0) == 0) {
    a.kind = Kind::File;
    if (key.size() > 5) {
      int64_t n = 0;
      if (!ParseNumber(std::string_view(key).substr(5), n) || n < 1 || n > 1000) {
        why = "not a filter number: \"" + std::string(keyword.substr(5)) + "\"";
        return false;
      }
      a.number = static_cast<int32_t>(n);
    } else if (key.size() == 5) {
      why = "no filter number after \"file:\"";
      return false;
    }
    if (rest.empty()) {
      why = "no path after \"" + std::string(keyword) + "\"";
      return false;
    }
    a.text = std::string(rest);
    return true;
  }
  if (key == "folder") {
    a.kind = Kind::Folder;
    if (rest.empty()) {
      why = "no folder after \"folder\" (write \"cancel folder\" to cancel)";
      return false;
    }
    a.text = std::string(rest);
    return true;
  }
  if (key == "colour") {
    a.kind = Kind::Colour;
    int64_t n = 0;
    if (!ParseNumber(rest, n) || n > 0xFFFFFF) {
      why = "not a colour: \"" + std::string(rest) + "\"";
      return false;
    }
    a.number = static_cast<int32_t>(n);
    return true;
  }
  if (key == "input") {
    a.kind = Kind::Input;
    a.text = hasRest ? std::string(rest) : std::string();
    return true;
  }
  if (key == "keep") {
    if (Lower(rest) != "file") {
      why = "only a file dialog keeps its proposal: \"keep file\"";
      return false;
    }
    a.kind = Kind::File;
    a.asOffered = true;
    return true;
  }
  if (key == "cancel") {
    static const std::pair<const char*, Kind> kKinds[] = {
        {"file", Kind::File}, {"folder", Kind::Folder}, {"colour", Kind::Colour}, {"input", Kind::Input}};
    const std::string what = Lower(rest);
    for (const auto& [name, kind] : kKinds) {
      if (what == name) {
        a.kind = kind;
        a.ok = false;
        return true;
      }
    }
    why = "nothing to cancel called \"" + std::string(rest) + "\" (file, folder, colour or input)";
    return false;
  }
  why = "unknown answer \"" + std::string(keyword) + "\"";
  return false;
}

}  // namespace

bool ParseUiScript(std::string_view text, std::vector<UiScriptAnswer>& answers, std::string& error) {
  std::vector<UiScriptAnswer> out;
  std::size_t lineNo = 0;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t blank = line.find(' ');
    const std::string_view keyword = line.substr(0, blank);
    const bool hasRest = blank != std::string_view::npos;
    const std::string_view rest = hasRest ? line.substr(blank + 1) : std::string_view();
    UiScriptAnswer a;
    std::string why;
    if (!ParseLine(keyword, rest, hasRest, a, why)) {
      error = "line " + std::to_string(lineNo) + ": " + why;
      return false;
    }
    out.push_back(std::move(a));
  }
  answers = std::move(out);
  return true;
}

void QueueUiScript(const std::vector<UiScriptAnswer>& answers, ScriptedUi& ui) {
  using Kind = UiScriptAnswer::Kind;
  for (const UiScriptAnswer& a : answers) {
    switch (a.kind) {
      case Kind::MsgBox:
        ui.PushMsgBox(a.number);
        break;
      case Kind::File:
        if (a.asOffered) ui.PushFileAsOffered();
        else if (a.ok) ui.PushFile(a.text, a.number);
        else ui.PushFileCancel();
        break;
      case Kind::Folder:
        ui.PushFolder(a.ok ? a.text : std::string());
        break;
      case Kind::Colour:
        if (a.ok) ui.PushColour(a.number);
        else ui.PushColourCancel();
        break;
      case Kind::Input:
        if (a.ok) ui.PushInput(a.text);
        else ui.PushInputCancel();
        break;
    }
  }
}

bool LoadUiScript(const std::string& path, ScriptedUi& ui, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read the dialog script \"" + path + "\"";
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<UiScriptAnswer> answers;
  std::string why;
  if (!ParseUiScript(text, answers, why)) {
    error = "dialog script \"" + path + "\", " + why;
    return false;
  }
  QueueUiScript(answers, ui);
  return true;
}

}  // namespace platform
