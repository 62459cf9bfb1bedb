#pragma once
// A text resource editor host without windows: queued answers for its questions and
// dialogs, a record of every message and of what the state told the window.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "textres/model/TREHost.h"

class ScriptedHost : public TREHost {
 public:
  struct Message {
    std::string text;
    int32_t flags;
    std::string title;
  };
  std::deque<int32_t> answers;        // message boxes; empty: the default button
  std::deque<std::string> openFiles;  // open dialog; "" cancels
  struct SaveAnswer {
    std::string path;  // "" cancels
    int32_t filterIndex = 1;
  };
  std::deque<SaveAnswer> saveFiles;
  struct NewAnswer {
    bool ok = true;
    int32_t lang = 44;
    std::string name;
  };
  std::deque<NewAnswer> newFiles;
  // The page and string dialogs: what they do with the objects; their ModalResult.
  std::function<int32_t(int32_t doc, int32_t page, bool& dirty)> pageDialog;
  std::function<int32_t(int32_t page, int32_t str, bool& dirty)> stringDialog;

  // The save target check: the refusal for a target; every check as "<target>|<own file>".
  std::function<std::string(const std::string& target)> saveRefusal;
  std::vector<std::string> saveChecks;

  std::vector<Message> messages;
  std::vector<std::string> openStarts;  // start path of each open dialog
  std::vector<std::string> saveStarts;  // "<initDir>|<path>" of each save dialog
  int pageDialogs = 0, stringDialogs = 0, listResets = 0, waits = 0, hides = 0;
  std::vector<std::pair<int32_t, int32_t>> removed;

  int32_t MsgBox(const std::string& text, int32_t flags, const std::string& title) override {
    messages.push_back({text, flags, title});
    if (answers.empty()) return platform::MsgBoxDefaultAnswer(flags);
    int32_t a = answers.front();
    answers.pop_front();
    return a;
  }
  bool ChooseOpenFile(const std::string&, const std::string& startPath, const std::string&, std::string& path) override {
    openStarts.push_back(startPath);
    if (openFiles.empty()) return false;
    path = openFiles.front();
    openFiles.pop_front();
    return !path.empty();
  }
  bool ChooseSaveFile(const std::string&, const std::string& initDir, std::string& path, int32_t& filterIndex) override {
    saveStarts.push_back(initDir + "|" + path);
    if (saveFiles.empty()) return false;
    SaveAnswer a = saveFiles.front();
    saveFiles.pop_front();
    if (a.path.empty()) return false;
    path = a.path;
    filterIndex = a.filterIndex;
    return true;
  }
  std::string SaveTargetRefusal(const std::string& target, const std::string& ownFile) override {
    saveChecks.push_back(target + "|" + ownFile);
    return saveRefusal ? saveRefusal(target) : std::string();
  }
  bool ChooseNewFile(int32_t& lang, std::string& name) override {
    if (newFiles.empty()) return false;
    NewAnswer a = newFiles.front();
    newFiles.pop_front();
    lang = a.lang;
    name = a.name;
    return a.ok;
  }
  int32_t EditPage(int32_t doc, int32_t page, bool& dirty) override {
    ++pageDialogs;
    return pageDialog ? pageDialog(doc, page, dirty) : 2;
  }
  int32_t EditString(int32_t page, int32_t str, bool& dirty) override {
    ++stringDialogs;
    return stringDialog ? stringDialog(page, str, dirty) : 2;
  }
  void ShowWait(const std::string&) override { ++waits; }
  void HideWait() override { ++hides; }
  void ListReset(int32_t) override { ++listResets; }
  void RowRemoved(int32_t list, int32_t row) override { removed.emplace_back(list, row); }

  std::string LastMessage() const { return messages.empty() ? std::string() : messages.back().text; }
};
