// The text resource editor's session: any file opens or fails with a message. A file
// that opens has every page and every string visited (the lists and the current texts
// say what the document holds), then takes the edits the input's tail asks for (pages
// and strings changed, added and deleted through the dialogs), is saved, plain or
// packed, and opened again: the same language, pages and strings with the same texts.
//
// Input: the file, then (after a NUL byte) the edits, three bytes each.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../common/Children.h"
#include "../common/FileAndEdits.h"
#include "../common/FuzzFolder.h"
#include "core/KzConst.h"
#include "platform/Ui.h"
#include "textres/model/TREHost.h"
#include "textres/model/TRESession.h"
#include "videdoded/videdoded.h"

namespace {

// A file is at most what the fuzzer hands in; the edits are few.
constexpr size_t kMaxFileBytes = 64 * 1024;
constexpr size_t kMaxEdits = 16;

using tre::kPageList;
using tre::kStringList;

void Fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "text resource session: %s\n%s\n", what, detail.c_str());
  std::fflush(stderr);
  abort();
}

// The input file and the saves, in a folder of the harness's own.
std::string WorkPath(const char* name) { return (fuzzfolder::Root() / name).string(); }

using fuzzhandles::Children;

// What a save keeps of a document: its language, and its pages and strings in order
// with every value (a processed text is made from the raw texts alone, the store
// being empty).
std::string Dump(int32_t doc) {
  std::string out = "language " + std::to_string(Kz_TREGetLangID(doc)) + "\n";
  for (int32_t page : Children(doc)) {
    int32_t id = 0, voice = 0;
    std::string title, desc;
    if (!Kz_TREGetPageInfo(page, id, title, desc, voice)) Fail("a page of the document cannot be read");
    out += "page " + std::to_string(id) + " voice " + std::to_string(voice) + " [" + title + "] [" + desc + "]\n";
    for (int32_t str : Children(page)) {
      std::string raw, text;
      if (!Kz_TREGetStringInfo(str, id, raw, text)) Fail("a string of the document cannot be read");
      if (text.size() > kTreMaxText) Fail("a processed text is longer than the cap");
      out += "  " + std::to_string(id) + " [" + raw + "] => [" + text + "]\n";
    }
  }
  return out;
}

// Texts the dialogs type: escapes, references, markup characters, line ends, blanks.
const char* const kTexts[] = {"",
                              "plain",
                              "line\\nend\\ttab",
                              "{1}",
                              "{17,2} and { 7 , 1 }",
                              "\\{not\\} \\\\ a reference",
                              "<&>\"' ]]>",
                              "cr\r\nlf\ttab",
                              "\xC3\xBC\xC3\xA9 \xE2\x82\xAC",
                              "  blanks around  ",
                              "{99999999999} {-1} {1,}",
                              "\\q \\"};
constexpr size_t kTextCount = sizeof kTexts / sizeof kTexts[0];
const int32_t kIds[] = {1, 2, 7, 17, 0, -1, 1000, 2147483647, -2147483647 - 1, 12};
constexpr size_t kIdCount = sizeof kIds / sizeof kIds[0];

// The edits of one input byte triple: what, which row, and what it becomes.
using fuzzinput::Edit;

// The window: every question answered Yes, the save dialog giving the harness's path,
// the page and string dialogs setting what the current edit asks for.
class Host : public TREHost {
 public:
  std::string savePath;
  int32_t saveFilter = 1;
  Edit edit{0, 0, 0};
  std::string otherText;  // a text of the document, mixed into new ones
  int32_t messages = 0;
  std::string lastMessage;

  int32_t MsgBox(const std::string& text, int32_t, const std::string&) override {
    ++messages;
    lastMessage = text;
    return platform::vbYes;
  }
  bool ChooseOpenFile(const std::string&, const std::string&, const std::string&, std::string&) override {
    return false;
  }
  bool ChooseSaveFile(const std::string&, const std::string&, std::string& path, int32_t& filterIndex) override {
    if (savePath.empty()) return false;
    path = savePath;
    filterIndex = saveFilter;
    return true;
  }
  bool ChooseNewFile(int32_t&, std::string&) override { return false; }
  int32_t EditPage(int32_t, int32_t page, bool& dirty) override {
    int32_t id = 0, voice = 0;
    std::string title, desc;
    Kz_TREGetPageInfo(page, id, title, desc, voice);
    if (edit.b & 1) id = kIds[edit.b / 2 % kIdCount];
    if (edit.b & 2) title = Text();
    if (edit.b & 4) desc = otherText;
    if (edit.b & 8) voice = !voice;
    if (!Kz_TRESetPageInfo(page, id, title, desc, voice)) return 2;
    dirty = true;
    return 1;
  }
  int32_t EditString(int32_t page, int32_t str, bool& dirty) override {
    int32_t id = 0;
    std::string raw, text;
    Kz_TREGetStringInfo(str, id, raw, text);
    if (edit.b & 1) id = kIds[edit.b / 2 % kIdCount];
    raw = Text();
    if (!Kz_TRESetStringInfo(page, str, id, raw)) return 2;
    dirty = true;
    return 1;
  }

 private:
  std::string Text() const {
    std::string t = kTexts[edit.b % kTextCount];
    if (edit.b & 0x40) t += otherText;
    return t;
  }
};

// Visits every page and every string as a click on each row would, checking that the
// lists and the current texts are the document's.
void VisitAll(clsTRESession& session, const char* step) {
  const std::vector<int32_t> pages = Children(session.Document());
  if (session.Rows(kPageList).Count() != static_cast<int32_t>(pages.size())) Fail(step, "the page list is not the document's");
  for (int32_t p = 0; p < static_cast<int32_t>(pages.size()); ++p) {
    session.SelectPageItem(p);
    if (session.CurrentPage() != pages[static_cast<size_t>(p)]) Fail(step, "a page row is another page");
    int32_t id = 0, voice = 0;
    std::string title, desc;
    Kz_TREGetPageInfo(session.CurrentPage(), id, title, desc, voice);
    if (session.Rows(kPageList).Id(p) != id || session.PageTitle() != title || session.PageDesc() != desc)
      Fail(step, "a page row or label is not the page's");
    const std::vector<int32_t> strings = Children(session.CurrentPage());
    const clsTRERows& rows = session.Rows(kStringList);
    if (rows.Count() != static_cast<int32_t>(strings.size())) Fail(step, "the string list is not the page's");
    for (int32_t s = 0; s < rows.Count(); ++s) {
      session.SelectStringItem(s);
      std::string raw, text;
      Kz_TREGetStringInfo(strings[static_cast<size_t>(s)], id, raw, text);
      if (session.CurrentString() != strings[static_cast<size_t>(s)] || rows.Id(s) != id)
        Fail(step, "a string row is another string");
      if (session.StringText() != raw || rows.Text(s) != raw) Fail(step, "a string's raw text is not shown: [" + raw + "]");
    }
  }
  // The processed texts of the first page, as the list shows them.
  if (!pages.empty()) {
    session.SelectPageItem(0);
    session.SetFormatTexts(true);
    const std::vector<int32_t> strings = Children(session.CurrentPage());
    const clsTRERows& rows = session.Rows(kStringList);
    for (int32_t s = 0; s < rows.Count() && s < static_cast<int32_t>(strings.size()); ++s) {
      int32_t id = 0;
      std::string raw, text;
      Kz_TREGetStringInfo(strings[static_cast<size_t>(s)], id, raw, text);
      if (rows.Text(s) != text) Fail(step, "a processed text is not shown: [" + raw + "]");
    }
    session.SetFormatTexts(false);
  }
}

void Apply(clsTRESession& session, Host& host, const Edit& e) {
  host.edit = e;
  const clsTRERows& pages = session.Rows(kPageList);
  if (!pages.Empty()) session.SelectPageItem(e.a % pages.Count());
  const clsTRERows& strings = session.Rows(kStringList);
  if (!strings.Empty()) {
    session.SelectStringItem(e.a / 8 % strings.Count());
    host.otherText = strings.Text(e.b % strings.Count());
    if (host.otherText.size() > 256) host.otherText.resize(256);
  }
  switch (e.op % 6) {
    case 0: session.EditPage(); break;
    case 1: session.EditString(); break;
    case 2: session.NewPage(); break;
    case 3: session.NewString(); break;
    case 4: session.DeletePage(); break;
    default: session.DeleteString(); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  mdlKzConst::InitArrays();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto [file, edits] = fuzzinput::SplitFileAndEdits(data, size, kMaxEdits);
  if (file.size() > kMaxFileBytes) return 0;
  // References resolve within the document alone.
  Kz_TREDescServerUnload();

  const std::string source = WorkPath("440001.xml");
  if (!fuzzfolder::Write(source, file)) Fail("cannot write the input file", source);
  const bool packed = !edits.empty() && (edits.front().op & 0x80);
  const std::string saved = WorkPath(packed ? "saved.pck" : "saved.xml");
  std::error_code ec;
  std::filesystem::remove(saved, ec);

  std::string expected;
  {
    Host host;
    clsTRESession session(host);
    if (!session.OpenFile(source)) {
      if (host.messages == 0) Fail("a failed open says nothing");
      if (session.Document() != 0) Fail("a failed open holds a document");
      return 0;
    }
    if (session.Modified() || session.ReadOnly()) Fail("an opened file counts as changed or read-only");
    VisitAll(session, "open");
    for (const Edit& e : edits) {
      Apply(session, host, e);
      VisitAll(session, "edit");
    }
    expected = Dump(session.Document());
    host.savePath = saved;
    host.saveFilter = packed ? 2 : 1;
    host.messages = 0;
    if (!session.SaveDocument()) Fail("the document was not saved", host.lastMessage);
    if (host.messages != 0 || session.Modified()) Fail("a save left a message or the modified flag", host.lastMessage);
    // The save changes nothing of the document.
    if (Dump(session.Document()) != expected) Fail("the save changed the document");
  }

  Host host;
  clsTRESession session(host);
  if (!session.OpenFile(saved)) Fail("the saved file does not open", host.lastMessage);
  const std::string reread = Dump(session.Document());
  if (reread != expected) {
    size_t at = 0;
    while (at < expected.size() && at < reread.size() && expected[at] == reread[at]) ++at;
    const size_t from = at > 200 ? at - 200 : 0;
    Fail("the saved file reads back otherwise",
         "expected:\n" + expected.substr(from, 600) + "\n---- read back:\n" + reread.substr(from, 600));
  }
  VisitAll(session, "reopen");
  return 0;
}
