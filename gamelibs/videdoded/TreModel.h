// The text resource model: documents, pages and strings, and the store.
//
// Objects are owned by their parent (a document holds its pages, a page its strings)
// and get a handle only when one is first handed out. Taking an object out of its
// parent (or freeing its document) forgets the handles of it and of everything below
// it, so a handle never outlives the place of its object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "rudu/HandleTable.h"

namespace videdoded {

class TrePage;
class TreDocument;

class TreString : public rudu::HandleObject {
 public:
  int32_t id = -1;
  int32_t handle = 0;       // 0 until handed out
  TrePage* page = nullptr;  // the page holding the string; null once taken out
  bool hasCached = false;
  // What is known of the processed text (set where the text was read or first
  // resolved, forgotten when the raw text changes).
  enum class Form : uint8_t { kUnknown, kRaw, kProcessed };
  // kRaw: the raw text itself (no escape, no reference); kProcessed: worked out by
  // processing the raw text.
  Form form = Form::kUnknown;

  TreString() = default;
  TreString(const TreString&) = delete;
  TreString& operator=(const TreString&) = delete;

  // The raw text: either the string's own copy or a run of the texts of the block
  // holding the string.
  std::string_view Raw() const {
    return extra_ && extra_->owned ? std::string_view(extra_->own) : std::string_view(text_, size_);
  }
  // Gives the string its own copy of a text.
  void SetRaw(std::string_view t);
  // Points the raw text at bytes that outlive the string (its block's).
  void ViewRaw(std::string_view t);
  // The processed text cached by the store (empty when none).
  std::string_view Cached() const { return extra_ ? std::string_view(extra_->cached) : std::string_view(); }
  void SetCached(std::string&& t);
  void DropCached() {
    hasCached = false;
    if (extra_) extra_->cached = std::string();
  }

 private:
  // What few strings have: an own copy of the raw text, a cached processed text.
  struct Extra {
    bool owned = false;
    std::string own;
    std::string cached;
  };
  // A string of a loaded file is small (48 bytes): a view of its text and no more.
  uint32_t size_ = 0;
  const char* text_ = "";
  std::unique_ptr<Extra> extra_;
};

// The strings of one loaded page, in one allocation, with their raw texts in another:
// each string's shared pointer shares the block's count, so the block (and the texts
// the strings' views stand in) lives as long as any of its strings.
struct TreStringBlock {
  std::unique_ptr<char[]> text;
  std::unique_ptr<TreString[]> items;
};

// Where the objects of a loaded file stand in its text, so that a save writes what
// nobody changed as it was read. Offsets are bytes into TreSource::text.
struct TreValueSpan {
  uint32_t begin = 0, end = 0;  // an attribute's value, between its quotes
  bool found = false;
};

// The text a document was read from.
struct TreSource {
  // The file's text in UTF-8, without its byte-order mark: in `own`, or in bytes that
  // `keep` holds (a read handle's content, which no one changes).
  std::string_view text;
  std::string own;
  std::shared_ptr<const void> keep;
  std::string prefix;  // what stood before the text (a byte-order mark)
  // The encoding of the file's bytes, and the name its declaration gave it.
  enum class Encoding : uint8_t { kUtf8, kLatin1, kCp1252, kUtf16Le, kUtf16Be };
  Encoding encoding = Encoding::kUtf8;
  std::string declared;
  bool crlf = true;    // the file's line ends (CR LF, or LF alone)
  int32_t lang = 0;    // the language as read
  TreValueSpan langId;
  uint32_t langTagEnd = 0;  // just after the root's start tag
  bool langEmpty = false;   // the root closes itself
  uint32_t tail = 0;        // the end of the last page (or of the root's start tag)
};

// A string as read: its element, its ID's value and its text in its block.
struct TreStringSpan {
  uint32_t begin = 0, tagEnd = 0, end = 0;  // tagEnd == end: the element closes itself
  uint32_t idBegin = 0, idEnd = 0;
  int32_t id = 0;
  uint32_t rawOffset = 0, rawSize = 0;
};

// A page as read.
struct TrePageLayout {
  const TreSource* source = nullptr;
  uint32_t lead = 0;  // the end of what stood before it (the previous page, the root's tag)
  uint32_t begin = 0, tagEnd = 0, end = 0;  // tagEnd == end: the element closes itself
  TreValueSpan id, title, descr, voice;
  int32_t origId = 0, origVoice = 0;
  std::string origTitle, origDesc;
  // The page's first string as read: the strings as read lie one after the other from
  // it (in one block, which this keeps alive). Null when the page had none.
  std::shared_ptr<TreString> first;
  const char* raws = nullptr;  // where the strings' texts as read lie (rawOffset)
  std::string ownRaws;         // those texts, when they are kept here
  std::vector<TreStringSpan> strings;
  // The index of one of the page's strings as read, or -1.
  ptrdiff_t IndexOf(const TreString* s) const;
};

class TrePage : public rudu::HandleObject {
 public:
  int32_t id = -1;
  std::string title;
  std::string desc;
  int32_t voice = 0;
  std::vector<std::shared_ptr<TreString>> strings;
  TreDocument* doc = nullptr;
  int32_t handle = 0;
  // Where the page stood in the file it was read from (null: a new page, or the file's
  // layout was not kept).
  std::unique_ptr<TrePageLayout> layout;

  // The first string with that ID, or null.
  TreString* Find(int32_t sid) const;
  void Append(std::shared_ptr<TreString> s);
  // Takes a string out (forgets its handle); false when it is not this page's.
  bool Remove(const TreString* s);
  void IndexChanged() { indexValid_ = false; }
  // True when two strings of the page share an ID.
  bool HasDuplicateIds() const;
  // Builds the look-up by ID now (while the strings are fresh in the cache).
  void PrepareIndex() const {
    if (!indexValid_) BuildIndex();
  }
  // Forgets the handles of the page's strings and of the page itself.
  void ForgetHandles();
  // Counts a handle handed out for one of the page's strings.
  void StringHandleAdded() { ++stringHandles_; }

 private:
  void BuildIndex() const;

  // Strings by ID: a table from the smallest ID when the IDs lie close together (the
  // usual 1..n), else a hash map.
  mutable std::vector<TreString*> dense_;
  mutable int32_t denseBase_ = 0;
  mutable bool useDense_ = false;
  mutable bool duplicates_ = false;
  mutable std::unordered_map<int32_t, TreString*> index_;
  mutable bool indexValid_ = false;
  // At least the number of the page's strings with a handle: without any, forgetting
  // the handles need not visit the strings.
  size_t stringHandles_ = 0;

  friend class TreDocument;
};

class TreDocument : public rudu::HandleObject {
 public:
  int32_t lang = 0;
  bool isStore = false;
  // Set when files were merged in since the processed texts were cached: the cached
  // texts may then be out of date and are not used.
  bool cachesStale = false;
  std::vector<std::shared_ptr<TrePage>> pages;
  int32_t handle = 0;
  // The text the document was read from, kept so that a save writes what did not
  // change as it was read (null: a new document, or one written anew on save).
  std::shared_ptr<TreSource> source;

  TrePage* FindPage(int32_t pid) const;
  void Append(std::shared_ptr<TrePage> p);
  bool Remove(const TrePage* p);
  void IndexChanged() { indexValid_ = false; }
  // Forgets every handle below the document (not the document's own).
  void ForgetHandles();
  // Empties the document (forgetting the handles below it).
  void Clear();
  // Merges another document's pages by page ID; a string of an ID already present is
  // replaced in place. The other document is emptied.
  void Merge(TreDocument& other);
  // Drops the cached processed texts.
  void DropCaches();

 private:
  mutable std::unordered_map<int32_t, TrePage*> index_;
  mutable bool indexValid_ = false;
};

// The handle of an object, registering it on first use (0 when the space is spent).
int32_t HandleOf(const std::shared_ptr<TreString>& s);
int32_t HandleOf(const std::shared_ptr<TrePage>& p);

// The store at handle 1 (created on first use).
TreDocument& Store();
std::shared_ptr<TreDocument> StorePtr();

// The processed form of a raw text standing on a page (pageId) of a document.
// Never fails: what cannot be resolved stays as written.
void ProcessText(const TreDocument* doc, int32_t pageId, std::string_view raw, std::string& out);
// True when a raw text needs no processing (no escape, no reference, not too long).
bool ProcessedIsRaw(std::string_view raw);
// The processed text of a string (the cached one when there is one). A string of the
// store keeps the text it works out, once the store's strings were translated.
void StringText(TreString& s, std::string& out);

// Parses a text resource file. False with a text (naming the line) on failure.
bool ParseTreXml(const char* data, size_t size, TreDocument& doc, std::string& error);
// Reads a text resource file of the usual shape straight from its (UTF-8) bytes,
// without a tree. False, with the document unchanged, for anything it does not read
// exactly as the XML parser does: the parser then reads the file.
// With a source, the places of the objects in the bytes are noted in it and in the
// pages (the caller then keeps the bytes as the source's text).
bool ScanTreXml(const char* data, size_t size, TreDocument& doc, TreSource* source = nullptr);
// Decodes (when the bytes are not UTF-8 already) and parses file bytes. False with the
// error; `xmlError` tells an encoding error from a syntax error.
// With keepLayout, a UTF-8 file (with or without a byte-order mark) that the direct
// reader reads keeps its text and layout in the document for its saves.
// `owner`, when given, keeps the bytes alive and unchanged: the layout then views them.
bool LoadTreXml(const char* data, size_t size, TreDocument& doc, std::string& error, bool& xmlError,
                bool keepLayout = false, const std::shared_ptr<const void>& owner = nullptr);
// The same on bytes that the load may change (no copy of them is made).
// On failure the error text is only a summary and the bytes are spoilt: a caller that
// reports the error parses a fresh copy with LoadTreXml for the full text.
bool LoadTreXmlInPlace(std::string& bytes, TreDocument& doc, std::string& error, bool& xmlError,
                       bool keepLayout = false);
// Serialises a document: one read with its layout kept through WriteKeptTreXml, any
// other one anew.
void WriteTreXml(const TreDocument& doc, std::string& out);
// Notes where the pages and strings of a document the XML parser read stand in its
// source's text, and gives the document the source; false (nothing kept) when the
// text does not hold what the document does.
bool NoteLayout(std::shared_ptr<TreSource> source, TreDocument& doc);
// Serialises a document that has a source: what did not change as it was read.
void WriteKeptTreXml(const TreDocument& doc, std::string& out);

// Makes XML bytes UTF-8 (by byte-order mark or declared encoding); false with a text
// for an encoding it does not know.
// With `was`, what the bytes were is noted in it (encoding, byte-order mark, declared
// name).
bool DecodeXmlBytes(std::string& bytes, std::string& error, TreSource* was = nullptr);
// Turns a document's UTF-8 bytes back into the encoding (and mark) of its source.
void EncodeLikeSource(const TreSource& source, std::string& out);

// Appends `t` escaped for an XML file: inside an attribute value quoted by `quote`
// (that quote, line ends and tabs as character references), or as element text when
// `quote` is 0 (a line feed written as `newline`, a tab as it is).
void AppendEscaped(std::string& out, std::string_view t, char quote = 0, const char* newline = nullptr);

}  // namespace videdoded
