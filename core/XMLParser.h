// clsXMLParser: an XML document walked with a cursor (a current node, a node stack
// and numbered bookmarks). Files are decoded and encoded by the game object library
// (plain, packed, or inside a catalog); the document itself is pugixml's.
//
// Loading keeps comments and processing instructions and drops text that is only
// white space. Node references kept in the stack and in bookmarks are checked before
// use: a node that was deleted, or that belongs to an earlier document, is never
// selected again (SelectBookmark gives False, Pop leaves the current node alone).
// Bookmarks are numbered from 1, never twice in the life of the cursor (not even across
// documents), and indexed by node, so selecting one and deleting a
// node cost the same however many bookmarks the document has (deleting is linear in
// the size of the deleted subtree).
//
// A document read from a text is written back in that text's layout: what the cursor
// did not change is copied byte for byte, what it changed is formed anew in the layout
// of its neighbours (see XMLLayout.h). A document made new is written in the cursor's
// own layout (tabs, CR LF after the declaration).
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <pugixml.hpp>

#include "core/Variant.h"
#include "core/XMLAttrWalk.h"
#include "core/XMLLayout.h"
#include "core/XMLNodeTable.h"

class clsXMLParser {
 public:
  clsXMLParser();
  ~clsXMLParser();
  clsXMLParser(const clsXMLParser&) = delete;
  clsXMLParser& operator=(const clsXMLParser&) = delete;

  bool OpenFile(const std::string& path);
  // The loading step of OpenFile on a text already decoded (UTF-8).
  bool LoadText(const std::string& text);
  std::string GetLastError() const { return lastError_; }
  bool SelectRoot();
  std::string SelectionLanguage() const { return std::string(); }
  void SelectionLanguage(const std::string&) {}
  bool SelectNode(const std::string& path);
  bool PrevNode();
  bool NextNode();
  std::string GetNodeValue() const;
  std::string GetNodeAttr(const kz::Variant& key) const;
  int32_t GetNodeAttrCount() const;
  // Every attribute of the current node in order, as name and value (valid during the call).
  template <class Visit>
  void ForEachNodeAttr(Visit&& visit) const {
    if (!HasCurrentNode()) return;
    for (pugi::xml_attribute a = current_.first_attribute(); a; a = a.next_attribute()) visit(a.name(), a.value());
  }
  // The value of the current node's attribute of that name; null when there is none
  // (valid until the node changes).
  const char* FindNodeAttr(const char* name) const;
  // Whether the current node is an element of that name.
  bool IsElementNamed(const char* name) const;
  std::string GetAttrName(const kz::Variant& key) const;
  std::string GetNodeName() const;
  bool Down();
  bool up();
  void Unload();
  void Push();
  void Pop();
  bool SetNodeAttr(const kz::Variant& key, const kz::Variant& value);
  bool SetNodeValue(const kz::Variant& value);
  bool SaveToFile(const std::string& path, int32_t mode);
  bool InsertNodeBefore(const std::string& name, int32_t bookmark, const kz::Variant& text);
  bool CreateNode(const std::string& name, const kz::Variant& text = kz::Variant(), const std::string& ns = "");
  // The namespace URI of the current node; AppError 91 when there is none.
  std::string GetNodeNamespace() const;
  bool DeleteNode(const std::string& path);
  bool CreateDocument(const std::string& root, const std::string& ns);
  int32_t AddBookmark();
  // A bookmark of a node of the current document (the current node stays where it is).
  int32_t AddBookmark(pugi::xml_node node);
  bool RemoveBookmark(int32_t bookmark);
  bool SelectBookmark(int32_t bookmark);
  bool DeleteNodeAttr(const kz::Variant& key);
  // Removes every attribute of the current element but its namespace declarations
  // ("xmlns", "xmlns:..."); false when the current node is no element.
  bool ClearNodeAttrs();
  // Appends an attribute to the current element without looking for one of that name
  // (the caller knows there is none); false when the current node is no element.
  bool AppendNodeAttr(const char* name, const char* value);
  // Rewrites the attributes of the current element as a sequence: BeginNodeAttrs, then
  // PutNodeAttr for each attribute in order, then EndNodeAttrs. The element ends up with
  // exactly those attributes in that order (after its namespace declarations, which
  // stay); attributes already there under the same name in the same place are written
  // only when their value differs.
  bool BeginNodeAttrs();
  void PutNodeAttr(const char* name, const char* value);
  void EndNodeAttrs();
  // The same sequence given at once, each value with its length (a null name, or an
  // empty one, is left out as PutNodeAttr leaves it): one pass over the element's
  // attributes. Ends any sequence under way; false when the current node is no element.
  struct AttrText {
    const char* name;
    const char* value;
    size_t size;
  };
  bool SetNodeAttrs(const AttrText* attrs, size_t count);
  // AppError 5 when the document refuses the move (into the node's own subtree).
  bool MoveNode(int32_t node, int32_t target, bool asChild);

  // The document's XML text as SaveToFile writes it (UTF-8, with its declaration).
  std::string GetXML() const;
  bool HasDocument() const { return doc_ != nullptr; }
  bool HasCurrentNode() const noexcept { return doc_ && !IsNullHandle(current_); }
  // The current node (null without one), and the document it belongs to: a holder of the
  // document keeps its nodes' memory, and reads them, after the cursor has gone on to
  // another document or is gone itself.
  pugi::xml_node CurrentNode() const { return HasCurrentNode() ? current_ : pugi::xml_node(); }
  const std::shared_ptr<pugi::xml_document>& Document() const noexcept { return doc_; }
  // The levels of elements below the current element (its children are level 1),
  // counted no further than one past `limit`; 0 without a current element.
  int32_t ElementDepth(int32_t limit) const;
  // Makes a node of the current document the current node (a reader that walked the
  // document itself hands the cursor back where it stopped); false for a null node.
  bool MoveTo(pugi::xml_node node);
  int32_t StackDepth() const { return static_cast<int32_t>(stack_.size()); }

 private:
  // A kept node: valid while its document is the current one and it was not deleted.
  struct Ref {
    // Sixteen bytes: a map holds one for each of its objects.
    pugi::xml_node node;
    uint32_t generation : 30 = 0;  // the document's generation, as far as kGenerationMask
    uint32_t dead : 1 = 0;
    uint32_t present : 1 = 0;  // a bookmark that was made and not removed
    int32_t nextSame = 0;      // another bookmark of the same node (0: none)
  };
  static_assert(sizeof(pugi::xml_node) != 8 || sizeof(Ref) == 16);
  static constexpr uint32_t kGenerationMask = (uint32_t{1} << 30) - 1;

  // Whether a node handle is null, read in place (a handle is its node's address): no
  // call into the library for the test every step of a walk makes.
  static bool IsNullHandle(const pugi::xml_node& n) noexcept {
    static_assert(sizeof(pugi::xml_node) == sizeof(void*));
    const void* p;
    std::memcpy(&p, &n, sizeof p);
    return p == nullptr;
  }
  void NewDocument();
  // LoadText on a text the cursor may keep.
  bool LoadOwned(std::string&& text);
  bool KeepsLayout() const noexcept { return !source_.empty(); }
  bool Alive(const Ref& r) const { return doc_ && !r.dead && r.generation == generation_; }
  Ref Keep(pugi::xml_node n) const {
    Ref r;
    r.node = n;
    r.generation = generation_;
    return r;
  }
  // The next generation: a document made or let go (kept references of the one before
  // then never match, unless a reference outlives 2^30 documents).
  void NextGeneration() noexcept { generation_ = (generation_ + 1) & kGenerationMask; }
  pugi::xml_node Resolve(int32_t bookmark) const;
  // The entry of a bookmark of the current document; null for any other number.
  Ref* Slot(int32_t bookmark);
  // The entry of a bookmark known to be of the current document.
  Ref& At(int32_t bookmark) { return bookmarks_[static_cast<size_t>(bookmark - base_) - 1]; }
  pugi::xml_attribute Attribute(const kz::Variant& key) const;
  void SetText(pugi::xml_node n, const std::string& text);
  void Forget(pugi::xml_node gone);
  // The node index: the first bookmark of each node, the others chained through
  // Ref::nextSame.
  void IndexAdd(const void* node, int32_t bookmark);
  void IndexRemove(const void* node, int32_t bookmark);
  void IndexDropNode(const void* node);
  void IndexClear();

  std::shared_ptr<pugi::xml_document> doc_;
  uint32_t generation_ = 0;
  pugi::xml_node current_;
  std::vector<Ref> stack_;
  std::vector<Ref> bookmarks_;  // bookmark n at n - base_ - 1
  // Bookmarks up to this number belong to earlier documents.
  int32_t base_ = 0;
  // The next attribute PutNodeAttr compares with, its name (null at the end), the element
  // BeginNodeAttrs began on, and whether the sequence has marked it changed.
  void PutAt(kzxml::Attr a);
  // Ends a sequence under way without touching the element: attributes or the element
  // are about to go, and the sequence must not keep a handle of them.
  void EndAttrSequence();
  kzxml::Attr putAt_;
  const char* putName_ = nullptr;
  pugi::xml_node putNode_;
  bool putTagged_ = false;
  // The bookmarks that point at a node (nodes of the current document).
  kzxml::NodeTable<int32_t> nodeIndex_;
  int32_t counter_ = 0;
  // The length of the last text GetXML made: room for the next one is taken at once.
  mutable size_t lastXmlSize_ = 0;
  std::string lastError_;
  // The text the document was read from ("" for a document made new), whether its file
  // began with a byte-order mark, and what the cursor changed since.
  std::string source_;
  bool byteOrderMark_ = false;
  kzxml::EditMarks marks_;
};
