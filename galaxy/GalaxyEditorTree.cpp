// The galaxy editor window: its tree (nodes, fills, loading sectors, selection) and find.
#include "galaxy/GalaxyEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QStatusBar>
#include <QTreeWidget>

#include <algorithm>
#include <climits>
#include <exception>
#include <functional>
#include <string_view>
#include <unordered_map>

#include "core/Common.h"
#include "core/Generic.h"
#include "core/Settings.h"
#include "galaxy/GalObject.h"
#include "galaxy/GalaxyEditorNodes.h"
#include "galaxy/NewGalObject.h"
#include "galaxy/SectorMap.h"
#include "galaxy/UniverseMap.h"
#include "galaxy/model/GalaxyEditorRules.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "platform/Ui.h"
#include "shell/Find.h"

using namespace galaxy_editor_detail;
using namespace mdlGalaxyEditorRules;

namespace {

// Keys of placeholder nodes keep counting for the life of the process.
int32_t DummyCounter = 0;

}  // namespace

// ---- the tree --------------------------------------------------------------------------------

std::string frmGalaxyEditor::NodeText(const std::shared_ptr<clsGalaxyObject>& obj) const {
  const std::string typeName = (NameMask_ & kMaskClass) ? obj->ObjectTypeName() : std::string();
  const std::string id = (NameMask_ & kMaskID) ? Parser_->GetObjectID(obj) : std::string();
  const std::string name = (NameMask_ & kMaskName) ? Parser_->GetObjectName(obj) : std::string();
  return mdlGalaxyEditorRules::NodeText(NameMask_, typeName, id, name);
}

int frmGalaxyEditor::NodeImageIndex(const std::shared_ptr<clsGalaxyObject>& obj) const {
  static const std::unordered_map<std::string, int> positions = [] {
    std::unordered_map<std::string, int> m;
    for (size_t i = 0; i < ImageKeys().size(); ++i) m.emplace(ImageKeys()[i], static_cast<int>(i));
    return m;
  }();
  const auto at = positions.find(NodeImageKey(obj->otype(), obj->subtype(), obj->Loaded));
  return at == positions.end() ? -1 : at->second;
}

void frmGalaxyEditor::SetNodeLook(QTreeWidgetItem* node, const std::shared_ptr<clsGalaxyObject>& obj) {
  NodeLook look;
  const int32_t t = obj->otype();
  if (lookMemo_ && t != mdlGalaxy::kGalSector) {
    // While the tree fills, objects of one type, subtype, name text and load state look
    // the same: text and image depend on nothing else (a sector's text depends on its
    // position, so sectors are not shared).
    const kz::Variant sub = obj->subtype();
    std::string key = std::to_string(t);
    key += obj->Loaded ? "\x1fL" : "\x1f-";
    key += sub.IsString() ? 's' : 'n';
    key += kz::CStr(sub);
    key += '\x1f';
    key += kz::CStr(obj->NamedProperty("n"));
    auto [it, fresh] = lookMemo_->try_emplace(std::move(key));
    if (fresh) it->second = NodeLook{Q(NodeText(obj)), NodeImageIndex(obj)};
    look = it->second;
  } else {
    look = NodeLook{Q(NodeText(obj)), NodeImageIndex(obj)};
  }
  node->setText(0, look.text);
  GalNode* n = AsNode(node);
  if (n && n->image == look.image) return;
  if (look.image >= 0)
    node->setIcon(0, iconList_[static_cast<size_t>(look.image)]);
  else
    node->setIcon(0, QIcon());
  if (n) n->image = look.image;
}

std::string frmGalaxyEditor::NodeImage(QTreeWidgetItem* node) const {
  if (!node) return {};
  GalNode* n = AsNode(node);
  const int index = n ? n->image : -1;
  return index >= 0 && index < static_cast<int>(ImageKeys().size()) ? ImageKeys()[static_cast<size_t>(index)]
                                                                      : std::string();
}

namespace {

// "<n>k" (an object) or "<n>dummy" (a placeholder); false for any other text.
bool ParseNodeKey(std::string_view key, int32_t& n, bool& dummy) {
  size_t i = 0;
  int64_t v = 0;
  while (i < key.size() && key[i] >= '0' && key[i] <= '9' && i < 10) v = v * 10 + (key[i++] - '0');
  if (i == 0 || v > INT32_MAX) return false;
  n = static_cast<int32_t>(v);
  const std::string_view rest = key.substr(i);
  if (rest == "k") {
    dummy = false;
    return true;
  }
  if (rest == "dummy") {
    dummy = true;
    return true;
  }
  return false;
}

}  // namespace

void frmGalaxyEditor::Register(int32_t id, QTreeWidgetItem* node) {
  if (id < 0) return;
  if (static_cast<size_t>(id) >= nodesById_.size()) nodesById_.resize(static_cast<size_t>(id) + 1 + nodesById_.size() / 2);
  nodesById_[static_cast<size_t>(id)] = node;
}

QTreeWidgetItem* frmGalaxyEditor::NodeById(int32_t id) const {
  return id >= 0 && static_cast<size_t>(id) < nodesById_.size() ? nodesById_[static_cast<size_t>(id)] : nullptr;
}

QTreeWidgetItem* frmGalaxyEditor::MakeNode(const std::shared_ptr<clsGalaxyObject>& obj) {
  auto* node = new GalNode(obj->id);
  SetNodeLook(node, obj);
  Register(obj->id, node);
  return node;
}

void frmGalaxyEditor::AppendChildNodes(QTreeWidgetItem* node, const std::shared_ptr<clsGalaxyObject>& obj,
                                       QList<QTreeWidgetItem*>& into) {
  if (obj->Loaded) {
    for (const GalaxyObjectPtr& child : obj->Childs) {
      if (NodeById(child->id)) return;  // a key already in the tree ends the fill
      QTreeWidgetItem* c = MakeNode(child);
      into.push_back(c);
      QList<QTreeWidgetItem*> grand;
      AppendChildNodes(c, child, grand);
      if (!grand.isEmpty()) c->addChildren(grand);
    }
  } else {
    ++DummyCounter;
    auto* dummy = new GalNode(-DummyCounter);
    dummy->setText(0, "not loaded");
    dummies_[DummyCounter] = dummy;
    into.push_back(dummy);
  }
  (void)node;
}

void frmGalaxyEditor::AddChildNodes(QTreeWidgetItem* node, const std::shared_ptr<clsGalaxyObject>& obj) {
  QList<QTreeWidgetItem*> children;
  AppendChildNodes(node, obj, children);
  if (!children.isEmpty()) node->addChildren(children);
}

void frmGalaxyEditor::FillTree() {
  std::unordered_map<std::string, NodeLook> memo;
  lookMemo_ = &memo;
  struct Reset {
    std::unordered_map<std::string, NodeLook>*& p;
    ~Reset() { p = nullptr; }
  } reset{lookMemo_};
  filling_ = true;
  Tree->setUpdatesEnabled(false);
  Tree->clear();
  nodesById_.assign(nodesById_.size(), nullptr);
  dummies_.clear();
  QList<QTreeWidgetItem*> top;
  top.reserve(Parser_->Sectors.Count());
  for (const GalaxyObjectPtr& sector : Parser_->Sectors) {
    if (NodeById(sector->id)) break;
    QTreeWidgetItem* node = MakeNode(sector);
    if (!sector->Loaded) node->setForeground(0, kNotLoadedColour);
    top.push_back(node);
    AddChildNodes(node, sector);
  }
  Tree->addTopLevelItems(top);
  Tree->setUpdatesEnabled(true);
  filling_ = false;
  if (m_universe) m_universe->RefreshUniverse(Parser_);
  SelectNode(nullptr);
  UpdateSectorCount();
}

void frmGalaxyEditor::UpdateSectorCount() {
  if (auto* panel = Bar->findChild<QLabel*>("BarPanel1")) panel->setText(Q(SectorCountText(Parser_->Sectors.Count())));
}

QTreeWidgetItem* frmGalaxyEditor::NodeByKey(const std::string& key) const {
  int32_t n = 0;
  bool dummy = false;
  if (!ParseNodeKey(key, n, dummy)) return nullptr;
  if (!dummy) return NodeById(n);
  auto it = dummies_.find(n);
  return it == dummies_.end() ? nullptr : it->second;
}

std::string frmGalaxyEditor::NodeKey(QTreeWidgetItem* node) const {
  if (!node) return {};
  const int n = KeyNumber(node);
  return n < 0 ? std::to_string(-n) + "dummy" : std::to_string(n) + "k";
}

QTreeWidgetItem* frmGalaxyEditor::NodeOf(const std::shared_ptr<clsGalaxyObject>& obj) const {
  return obj ? NodeById(obj->id) : nullptr;
}

std::shared_ptr<clsGalaxyObject> frmGalaxyEditor::ObjectOfNode(QTreeWidgetItem* node) const {
  if (!node) return nullptr;
  const int n = KeyNumber(node);
  return n > 0 ? Parser_->objects.Find(std::to_string(n) + "k") : nullptr;
}

void frmGalaxyEditor::Unregister(QTreeWidgetItem* node) {
  const int n = KeyNumber(node);
  if (n < 0)
    dummies_.erase(-n);
  else if (NodeById(n) == node)
    nodesById_[static_cast<size_t>(n)] = nullptr;
  for (int i = 0; i < node->childCount(); ++i) Unregister(node->child(i));
}

void frmGalaxyEditor::RemoveNode(QTreeWidgetItem* node) {
  if (!node) return;
  if (node == DragNode) DragNode = nullptr;
  Unregister(node);
  filling_ = true;
  delete node;
  filling_ = false;
}

void frmGalaxyEditor::RemoveChildNodes(QTreeWidgetItem* node) {
  const QList<QTreeWidgetItem*> children = node->takeChildren();
  for (QTreeWidgetItem* c : children) {
    Unregister(c);
    delete c;
  }
}

void frmGalaxyEditor::UpdateNode(const std::shared_ptr<clsGalaxyObject>& obj, bool withChildren) {
  if (!obj) return;
  QTreeWidgetItem* node = NodeOf(obj);
  if (!node) {
    GalaxyObjectPtr parent = obj->Parent();
    if (!parent) {
      node = MakeNode(obj);
      Tree->addTopLevelItem(node);
    } else {
      QTreeWidgetItem* parentNode = NodeOf(parent);
      if (!parentNode) return;
      node = MakeNode(obj);
      parentNode->addChild(node);
    }
  }
  SetNodeLook(node, obj);
  if (withChildren) AddChildNodes(node, obj);
}

void frmGalaxyEditor::ApplyNameFilter() {
  int32_t mask = 0;
  for (size_t i = 0; i < 3; ++i)
    if (chkNameFilter[i]->isChecked()) mask |= 1 << i;
  NameMask_ = mask;
  WaitCursor wait;
  for (size_t id = 0; id < nodesById_.size(); ++id) {
    QTreeWidgetItem* node = nodesById_[id];
    if (!node) continue;
    GalaxyObjectPtr obj = Parser_->objects.Find(std::to_string(id) + "k");
    if (obj) node->setText(0, Q(NodeText(obj)));
  }
}

bool frmGalaxyEditor::LoadSector(const std::shared_ptr<clsGalaxyObject>& sector) {
  if (!Parser_->LoadSectorChildren(sector)) {
    Msg(Parser_->GetLastError(), platform::vbCritical);
    return false;
  }
  // Objects read before (the gates) were replaced by new ones.
  if (CopiedObject_ && !CopiedObjectAlive()) CopiedObject_.reset();
  ShowSectorLoaded(sector);
  return true;
}

void frmGalaxyEditor::ShowSectorLoaded(const std::shared_ptr<clsGalaxyObject>& sector) {
  QTreeWidgetItem* node = NodeOf(sector);
  if (!node) return;
  filling_ = true;
  RemoveChildNodes(node);
  AddChildNodes(node, sector);
  node->setForeground(0, QBrush());
  SetNodeLook(node, sector);
  filling_ = false;
}

void frmGalaxyEditor::ShowSectorsLoadedElsewhere() {
  // A sector read by another window (a paste on the universe map reads the sector it
  // copies) still shows its placeholder: its node gets the objects now in memory.
  for (const GalaxyObjectPtr& sector : Parser_->Sectors) {
    if (!sector->Loaded) continue;
    QTreeWidgetItem* node = NodeOf(sector);
    if (!node || node->childCount() != 1 || ObjectOfNode(node->child(0))) continue;
    ShowSectorLoaded(sector);
  }
}

void frmGalaxyEditor::ExpandNode(QTreeWidgetItem* node) {
  GalaxyObjectPtr obj = ObjectOfNode(node);
  if (!obj || obj->Loaded) return;
  LoadSector(obj);
  // The sector map picks up the children just read.
  if (obj == CurrentObject_ && m_map) m_map->SelectGalObject(obj);
}

void frmGalaxyEditor::SelectNode(QTreeWidgetItem* node) {
  if (m_find) m_find->ClearTag();
  if (!node) {
    node = Tree->currentItem();
    if (!node && Tree->topLevelItemCount() > 0) {
      node = Tree->topLevelItem(0);
      filling_ = true;
      Tree->setCurrentItem(node);
      filling_ = false;
    }
  }
  SetCurrentObject(ObjectOfNode(node));
}

void frmGalaxyEditor::SelectObjectNode(const std::shared_ptr<clsGalaxyObject>& obj) {
  if (QTreeWidgetItem* node = NodeOf(obj)) {
    filling_ = true;
    Tree->setCurrentItem(node);
    filling_ = false;
  }
  SetCurrentObject(obj);
}

void frmGalaxyEditor::ObjectChanged(const std::shared_ptr<clsGalaxyObject>& obj, bool fromPage) {
  if (!obj) return;
  Modified_ = Modified_ || obj->Dirty;
  UpdateCaption();
  UpdateNode(obj, false);
  if (m_map) m_map->ObjectModified(obj);
  if (m_universe) m_universe->ObjectModified(obj);
  if (!fromPage) SetCurrentObject(CurrentObject_);
}

// ---- find -----------------------------------------------------------------------------------

void frmGalaxyEditor::ShowFindDialog() {
  if (m_find) {
    m_find->show();
    m_find->raise();
    m_find->activateWindow();
    return;
  }
  m_find = new frmFind(this);
  m_find->setAttribute(Qt::WA_DeleteOnClose);
  m_find->OnFindNext = [this](bool exact, bool byID, std::string& text, kz::Variant& tag, bool& found) {
    m_find_OnFindNext(exact, byID, text, tag, found);
  };
  m_find->OnClose = [this] { m_find_OnClose(); };
  std::string text;
  if (Settings) text = kz::CStr(Settings->ReadRegValue(kSection, "LastFindString", kRegText, kz::Variant("")));
  m_find->ShowFind(text, false, this);
}

void frmGalaxyEditor::m_find_OnClose() {
  if (m_find && Settings)
    Settings->SaveRegValue(kSection, "LastFindString", kz::Variant(m_find->FindString()), false);
  m_find = nullptr;
}

void frmGalaxyEditor::m_find_OnFindNext(bool exact, bool /*byID*/, std::string& text, kz::Variant& tag, bool& found) {
  found = FindNext(exact, text, tag);
}

namespace {

bool TextMatches(bool exact, const QString& nodeText, const QString& text) {
  if (exact) return nodeText.compare(text, Qt::CaseInsensitive) == 0;
  return nodeText.contains(text, Qt::CaseInsensitive);
}

}  // namespace

bool frmGalaxyEditor::FindNext(bool exact, const std::string& textIn, kz::Variant& tag) {
  QTreeWidgetItem* selected = Tree->currentItem();
  if (!selected) return false;
  QTreeWidgetItem* lastFound = tag.IsString() ? NodeByKey(tag.AsString()) : nullptr;
  const QString text = Q(textIn);
  auto matches = [&](QTreeWidgetItem* n) { return n != lastFound && TextMatches(exact, n->text(0), text); };
  std::function<QTreeWidgetItem*(QTreeWidgetItem*)> inChildren = [&](QTreeWidgetItem* n) -> QTreeWidgetItem* {
    for (int i = 0; i < n->childCount(); ++i) {
      QTreeWidgetItem* c = n->child(i);
      if (matches(c)) return c;
      if (QTreeWidgetItem* r = inChildren(c)) return r;
    }
    return nullptr;
  };
  auto nextSibling = [&](QTreeWidgetItem* n) -> QTreeWidgetItem* {
    if (QTreeWidgetItem* p = n->parent()) {
      const int i = p->indexOfChild(n);
      return i + 1 < p->childCount() ? p->child(i + 1) : nullptr;
    }
    const int i = Tree->indexOfTopLevelItem(n);
    return i + 1 < Tree->topLevelItemCount() ? Tree->topLevelItem(i + 1) : nullptr;
  };

  QTreeWidgetItem* result = nullptr;
  QTreeWidgetItem* node = selected;
  while (node && !result) {
    QTreeWidgetItem* p = node->parent();
    for (QTreeWidgetItem* s = node; s && !result; s = nextSibling(s)) {
      if (matches(s))
        result = s;
      else
        result = inChildren(s);
    }
    if (result) break;
    while (p && !nextSibling(p)) p = p->parent();
    node = p ? nextSibling(p) : nullptr;
  }
  if (!result) return false;
  filling_ = true;
  Tree->setCurrentItem(result);
  Tree->scrollToItem(result);
  filling_ = false;
  SelectNode(result);
  tag = kz::Variant(NodeKey(result));
  return true;
}

