#pragma once
// frmGalaxyEditor, "Galaxy Editor": the window in which a universe map is edited: the
// tree of sectors and of the objects inside them (Tree), the object page (ObjectEdit),
// a toolbar and a status bar. It owns the open document (Parser), opens it from a disk
// file, a file inside a catalog or the virtual file system, makes new maps, saves them
// plain, packed or into a catalog, and keeps a list of recent maps.
//
// There is one galaxy editor in the process (Launch); it is made at its first launch
// and again after it was closed.
//
// Sectors are loaded on demand: a sector whose children were not read yet shows one
// placeholder child ("not loaded") and is read when it is expanded, added to, moved onto,
// copied or pasted beside. Tree nodes carry their object's key, and the window keeps an
// index from key to node, so finding a node never walks the tree.
//
// The window's code: GalaxyEditor.cpp (controls, files, options, events),
// GalaxyEditorTree.cpp (the tree and find), GalaxyEditorCommands.cpp (the commands),
// GalaxyEditorMaps.cpp (the map windows).
#include <QMainWindow>
#include <QIcon>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Variant.h"
#include "shell/Find.h"

class JvFileDialog;
class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QMimeData;
class QSplitter;
class QStatusBar;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class clsGalaxyObject;
class clsGalaxyParser;
class ucGalObject;
class frmSectorMap;
class frmUniverseMap;

class frmGalaxyEditor : public QMainWindow {
  Q_OBJECT

 public:
  // What the launcher and "-map" do: the one window (made when there is none), shown
  // modeless and owned by `owner`, set to the normal state, then given `path` when it
  // is not empty.
  static frmGalaxyEditor* Launch(QWidget* owner, const std::string& path);
  // The window of the process; null when there is none.
  static frmGalaxyEditor* Instance();
  // Why a save may not write a target (the program sets it: the files the editor
  // windows have open); none set lets every save through.
  static std::function<std::string(const std::string& target, const std::string& ownFile)> SaveTargetCheck;

  explicit frmGalaxyEditor(QWidget* owner = nullptr);
  ~frmGalaxyEditor() override;

  void MyShow(bool modal = false, QWidget* owner = nullptr);
  // "" asks for a disk file, "vfs://" for a file of the virtual file system,
  // "vfs://<path>" is looked up there; anything else is opened as it is.
  void OpenFile(const std::string& path);
  void NewMap();
  // False when there is no document, the save was cancelled or failed.
  bool SaveMap();

  // --- commands ------------------------------------------------------------------------
  void AddNewObject(bool isSector);
  void DeleteCurrentObject();
  void CopyObject();
  void PasteObject();
  // Moves the object of `moved` into (asChild) or beside the object of `target`.
  bool MoveNode(QTreeWidgetItem* moved, QTreeWidgetItem* target, bool asChild);
  void ShowFindDialog();
  void m_find_OnFindNext(bool exact, bool byID, std::string& text, kz::Variant& tag, bool& found);
  void m_find_OnClose();
  bool FindNext(bool exact, const std::string& text, kz::Variant& tag);
  // A toolbar button by key ("new", "open", "save", "kz", "desc", "map", "universe"),
  // or an entry of the "open" menu (its key: "vfs://" or a recent path).
  void ToolbarAction(const std::string& key, const std::string& menuKey = {});
  // Files dropped on the tree: the first of them is opened.
  void DropFiles(const QMimeData* data);
  // Enables the popup menu's entries for the node at a tree position (null: none).
  void PreparePopup(QTreeWidgetItem* node);
  // The drag pointer over `target` while `dragged` is dragged ("nop", "moveparent",
  // "movesiblink").
  std::string DragPointer(QTreeWidgetItem* dragged, QTreeWidgetItem* target, bool alt) const;
  // The object page's change event (and the maps' changes): node, caption, page.
  void ObjectChanged(const std::shared_ptr<clsGalaxyObject>& obj, bool fromPage);
  // A name box was clicked: the node texts follow the boxes.
  void ApplyNameFilter();
  // Expanding a node: an unloaded sector is read.
  void ExpandNode(QTreeWidgetItem* node);
  // A node becomes the current one (null: the selected node, else the first).
  void SelectNode(QTreeWidgetItem* node);

  // --- state, for the hosts and tests ---------------------------------------------------
  const std::shared_ptr<clsGalaxyParser>& Parser() const { return Parser_; }
  const std::shared_ptr<clsGalaxyObject>& CurrentObject() const { return CurrentObject_; }
  const std::shared_ptr<clsGalaxyObject>& CopiedObject() const { return CopiedObject_; }
  bool Modified() const { return Modified_; }
  const std::string& FileTitle() const { return FileTitle_; }
  int32_t NameMask() const { return NameMask_; }
  const std::vector<std::string>& RecentFiles() const { return RecentFiles_; }
  frmFind* FindDialog() const { return m_find.data(); }
  QString StatusText() const;
  // The node of a key (an object's key or a placeholder's); null when none.
  QTreeWidgetItem* NodeByKey(const std::string& key) const;
  // The key of a node: its object's key, or a placeholder's "<n>dummy".
  std::string NodeKey(QTreeWidgetItem* node) const;
  // The node of an object; null when none.
  QTreeWidgetItem* NodeOf(const std::shared_ptr<clsGalaxyObject>& obj) const;
  // The image key a node shows ("" = none).
  std::string NodeImage(QTreeWidgetItem* node) const;
  // Rebuilds the tree from the document (done by every open and new map).
  void FillTree();
  // Selects the node of obj and makes obj current.
  void SelectObjectNode(const std::shared_ptr<clsGalaxyObject>& obj);
  QToolButton* Button(const std::string& key) const;

  // --- the sector map (GalaxyEditorMaps.cpp) ----------------------------------------------
  // Opens the sector map on the current object, or closes it (it may refuse: unsaved moves).
  void ToggleSectorMap();
  // The open sector map; null when it is closed.
  frmSectorMap* SectorMap() const;

  // --- the universe map (GalaxyEditorUniverse.cpp) -----------------------------------------
  // Opens the universe map on the current object's sector, or closes it.
  void ToggleUniverseMap();
  // The open universe map; null when it is closed.
  frmUniverseMap* UniverseMap() const;

  // --- controls -----------------------------------------------------------------------
  QTreeWidget* Tree = nullptr;
  ucGalObject* ObjectEdit = nullptr;
  QSplitter* Splitter = nullptr;
  QStatusBar* Bar = nullptr;
  QToolBar* MainToolbar = nullptr;
  QLabel* lblObjectName = nullptr;
  std::array<QCheckBox*, 3> chkNameFilter{};
  JvFileDialog* Dialog = nullptr;
  QMenu* mnuPop = nullptr;
  QAction* mnuPopAddSector = nullptr;
  QAction* mnuPopAddObj = nullptr;
  QAction* mnuPopCopy = nullptr;
  QAction* mnuPopPaste = nullptr;
  QAction* mnuPopDelete = nullptr;
  QMenu* mnuOpen = nullptr;  // the "open" button's drop-down menu
  // The tree's images by key.
  std::map<std::string, QIcon> ObjectIcons;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildToolbar();
  void BuildIcons();
  void LoadOptions();
  void SaveOptions();
  void RebuildOpenMenu();
  void AddRecent(const std::string& path);
  void RemoveRecent(const std::string& path);
  std::string PickDiskFile();
  std::string PickVFSFile();
  // The save question; false when the caller must stop (Cancel, or a save that failed).
  bool AskSave(const std::string& title);
  // Connects the sector map's events; unloads it from code.
  void ConnectSectorMap();
  void UnloadSectorMap();
  void ConnectUniverseMap();
  void UnloadUniverseMap();

  void SetCurrentObject(const std::shared_ptr<clsGalaxyObject>& obj);
  void SetModified(bool value);
  void UpdateCaption();
  // The status panel's sector count.
  void UpdateSectorCount();
  // A new node for obj (its key, text, image), not yet in the tree; registered.
  QTreeWidgetItem* MakeNode(const std::shared_ptr<clsGalaxyObject>& obj);
  void AddChildNodes(QTreeWidgetItem* node, const std::shared_ptr<clsGalaxyObject>& obj);
  void AppendChildNodes(QTreeWidgetItem* node, const std::shared_ptr<clsGalaxyObject>& obj,
                        QList<QTreeWidgetItem*>& into);
  void SetNodeLook(QTreeWidgetItem* node, const std::shared_ptr<clsGalaxyObject>& obj);
  std::string NodeText(const std::shared_ptr<clsGalaxyObject>& obj) const;
  int NodeImageIndex(const std::shared_ptr<clsGalaxyObject>& obj) const;
  void UpdateNode(const std::shared_ptr<clsGalaxyObject>& obj, bool withChildren);
  void RemoveChildNodes(QTreeWidgetItem* node);
  // Deletes a node with its subtree and forgets their keys.
  void RemoveNode(QTreeWidgetItem* node);
  void Unregister(QTreeWidgetItem* node);
  void Register(int32_t id, QTreeWidgetItem* node);
  QTreeWidgetItem* NodeById(int32_t id) const;
  bool LoadSector(const std::shared_ptr<clsGalaxyObject>& sector);
  // The sector's node shows its children as they are in memory, in the loaded colour.
  void ShowSectorLoaded(const std::shared_ptr<clsGalaxyObject>& sector);
  // ShowSectorLoaded for every loaded sector whose node still shows the placeholder.
  void ShowSectorsLoadedElsewhere();
  std::shared_ptr<clsGalaxyObject> ObjectOfNode(QTreeWidgetItem* node) const;
  // Takes an object that could not be written out of the document again.
  void DiscardObject(const std::shared_ptr<clsGalaxyObject>& obj);
  // True when the copied object is still part of the document.
  bool CopiedObjectAlive() const;
  void ShowTextResourceEditor();
  void StartDrag(QTreeWidgetItem* node);
  int32_t Msg(const std::string& text, int32_t flags, const std::string& title = {});

  std::shared_ptr<clsGalaxyParser> Parser_;
  std::shared_ptr<clsGalaxyObject> CurrentObject_;
  std::shared_ptr<clsGalaxyObject> CopiedObject_;
  bool Modified_ = false;
  std::string FileTitle_;
  int32_t NameMask_ = 1;
  std::vector<std::string> RecentFiles_;
  QTreeWidgetItem* DragNode = nullptr;
  bool UnloadConfirmed = false;
  QPointer<frmFind> m_find;
  QPointer<frmSectorMap> m_map;
  QPointer<frmUniverseMap> m_universe;
  // The nodes by key: an object's node at its id ("<id>k"), a placeholder's under its
  // number ("<n>dummy").
  std::vector<QTreeWidgetItem*> nodesById_;
  std::unordered_map<int32_t, QTreeWidgetItem*> dummies_;
  std::vector<QIcon> iconList_;  // ObjectIcons in the order of the image keys
  // During a fill: the text and image position of a node, shared by the objects of one
  // look (see SetNodeLook).
  struct NodeLook {
    QString text;
    int image = -1;
  };
  std::unordered_map<std::string, NodeLook>* lookMemo_ = nullptr;
  std::unordered_map<std::string, QToolButton*> buttons_;
  QPoint dragStart_;
  bool filling_ = false;
  bool optionsLoaded_ = false;
};
