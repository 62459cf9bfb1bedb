#include "platform/ScriptedUi.h"

#include <cstdio>

namespace platform {

namespace {

// The answer a test queued next, taken off its queue; `none` when it queued none.
template <class T>
T TakeNext(std::deque<T>& queue, T none) {
  if (queue.empty()) return none;
  T next = std::move(queue.front());
  queue.pop_front();
  return next;
}

// The record of a request of this kind from this window, with the answer it got.
UiCall CallOf(std::string kind, void* owner, int32_t answer) {
  UiCall c;
  c.Kind = std::move(kind);
  c.Owner = owner;
  c.Answer = answer;
  return c;
}

}  // namespace

void ScriptedUi::PushMsgBox(int32_t answer) {
  std::lock_guard<std::mutex> g(mutex_);
  msgBoxes_.push_back(answer);
}
void ScriptedUi::PushFile(std::string path, int32_t filterIndex) {
  std::lock_guard<std::mutex> g(mutex_);
  files_.push_back({true, std::move(path), filterIndex});
}
void ScriptedUi::PushFileCancel() {
  std::lock_guard<std::mutex> g(mutex_);
  files_.push_back({false, {}, 0});
}
void ScriptedUi::PushFileAsOffered() {
  std::lock_guard<std::mutex> g(mutex_);
  files_.push_back({true, {}, 0, true});
}
void ScriptedUi::PushFolder(std::string path) {
  std::lock_guard<std::mutex> g(mutex_);
  folders_.push_back(std::move(path));
}
void ScriptedUi::PushColour(int32_t colour) {
  std::lock_guard<std::mutex> g(mutex_);
  colours_.push_back({true, colour});
}
void ScriptedUi::PushColourCancel() {
  std::lock_guard<std::mutex> g(mutex_);
  colours_.push_back({false, 0});
}
void ScriptedUi::PushInput(std::string text) {
  std::lock_guard<std::mutex> g(mutex_);
  inputs_.push_back({true, std::move(text)});
}
void ScriptedUi::PushInputCancel() {
  std::lock_guard<std::mutex> g(mutex_);
  inputs_.push_back({false, {}});
}

std::vector<UiCall> ScriptedUi::Calls() const {
  std::lock_guard<std::mutex> g(mutex_);
  return calls_;
}

std::vector<UiCall> ScriptedUi::Calls(const std::string& kind) const {
  std::lock_guard<std::mutex> g(mutex_);
  std::vector<UiCall> out;
  for (const auto& c : calls_)
    if (c.Kind == kind) out.push_back(c);
  return out;
}

const UiCall* ScriptedUi::Last(const std::string& kind) const {
  std::lock_guard<std::mutex> g(mutex_);
  for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
    if (kind.empty() || it->Kind == kind) return &*it;
  return nullptr;
}

void ScriptedUi::ClearCalls() {
  std::lock_guard<std::mutex> g(mutex_);
  calls_.clear();
}

void ScriptedUi::Record(UiCall call) {
  if (echo_) {
    std::fprintf(stderr, "[%s] %s%s%s (flags %d, answer %d)\n", call.Kind.c_str(), call.Title.c_str(),
                 call.Title.empty() ? "" : ": ", call.Text.empty() ? call.File.FileName.c_str() : call.Text.c_str(),
                 call.Flags, call.Answer);
  }
  calls_.push_back(std::move(call));
}

int32_t ScriptedUi::MsgBox(const std::string& text, int32_t flags, const std::string& title, void* owner) {
  std::lock_guard<std::mutex> g(mutex_);
  int32_t answer = TakeNext(msgBoxes_, MsgBoxDefaultAnswer(flags));
  UiCall c = CallOf("MsgBox", owner, answer);
  c.Text = text;
  c.Title = title;
  c.Flags = flags;
  Record(std::move(c));
  return answer;
}

bool ScriptedUi::FileDialog(const char* kind, const FileDialogRequest& request, FileDialogResult& result) {
  std::lock_guard<std::mutex> g(mutex_);
  FileAnswer a = TakeNext(files_, FileAnswer{false, {}, 0});
  if (a.asOffered) {
    a.ok = !request.FileName.empty();
    a.path = request.FileName;
    if (a.ok && !request.InitDir.empty() && a.path.find_first_of("/\\") == std::string::npos)
      a.path = request.InitDir + (request.InitDir.back() == '/' ? "" : "/") + a.path;
  }
  UiCall c = CallOf(kind, request.Owner, a.ok ? 1 : 0);
  c.Title = request.Title;
  c.Flags = request.Flags;
  c.File = request;
  Record(std::move(c));
  if (!a.ok) return false;
  result.FileName = a.path;
  result.FilterIndex = a.filterIndex ? a.filterIndex : request.FilterIndex;
  return true;
}

bool ScriptedUi::ShowOpen(const FileDialogRequest& request, FileDialogResult& result) {
  return FileDialog("ShowOpen", request, result);
}

bool ScriptedUi::ShowSave(const FileDialogRequest& request, FileDialogResult& result) {
  return FileDialog("ShowSave", request, result);
}

std::string ScriptedUi::BrowseForFolder(const std::string& title, const std::string& startDir, void* owner) {
  std::lock_guard<std::mutex> g(mutex_);
  std::string answer = TakeNext(folders_, std::string());
  UiCall c = CallOf("BrowseForFolder", owner, answer.empty() ? 0 : 1);
  c.Title = title;
  c.Default = startDir;
  Record(std::move(c));
  return answer;
}

bool ScriptedUi::ShowColor(int32_t initial, int32_t& chosen, void* owner) {
  std::lock_guard<std::mutex> g(mutex_);
  ColourAnswer a = TakeNext(colours_, ColourAnswer{false, 0});
  UiCall c = CallOf("ShowColor", owner, a.ok ? 1 : 0);
  c.Colour = initial;
  Record(std::move(c));
  if (a.ok) chosen = a.colour;
  return a.ok;
}

bool ScriptedUi::InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText,
                          std::string& answer, void* owner) {
  std::lock_guard<std::mutex> g(mutex_);
  TextAnswer a = TakeNext(inputs_, TextAnswer{false, {}});
  UiCall c = CallOf("InputBox", owner, a.ok ? 1 : 0);
  c.Text = prompt;
  c.Title = title;
  c.Default = defaultText;
  Record(std::move(c));
  if (a.ok) answer = a.text;
  return a.ok;
}

}  // namespace platform
