#pragma once
// frmTXTEditor, "TXT Editor": one type file per window. The object list (ObjectView)
// lists its records, the raw field view (ObjectDataView) the fields of the selected
// record, and the editor page that knows the file's type edits it on the second tab.
// Any number of windows may be open; they share the record clipboard
// (clsRecordClipboard), so records can be copied or moved between two files of one type.
//
// Pages are made by factories, one slot per page in the order ship, turret, ware, job,
// ware list (SetPageFactory); an empty slot has no page, and a file whose type no page
// answers opens in the raw field view alone.
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Variant.h"
#include "shell/Find.h"
#include "txteditor/ObjectListView.h"
#include "txteditor/TypeFileRefs.h"

class EditorPage;
class JvFileDialog;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMimeData;
class QMenu;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class ObjectListModel;
class QWidget;

class frmTXTEditor : public QMainWindow {
  Q_OBJECT

 public:
  // Page slots, in the order that decides which page wins a type.
  enum PageSlot { kShipPage = 0, kTurretPage, kWarePage, kJobPage, kWareListPage, kPageSlots };
  using PageFactory = std::function<EditorPage*(QWidget* parent)>;
  // Fills (or, with an empty function, empties) a slot for windows made afterwards.
  static void SetPageFactory(int slot, PageFactory factory);
  // The factory in a slot (empty when none); other windows embed the same pages.
  static PageFactory PageFactoryOf(int slot);
  // The child control name of each slot ("ShipEdit", "TurretEdit", "WareEdit", "JobEdit",
  // "WareListEdit").
  static const char* PageControlName(int slot);

  // What the "desc" button opens: the process-wide text resource editor, shown owned
  // by the window in normal state. Empty: the button says the editor is not there yet.
  static std::function<void(QWidget* owner)>& DescEditorOpener();

  // What the launcher and the command line do for a type file: a new window, shown
  // modeless and owned by `owner`, set to the normal state, then given `path` when it
  // is not empty. The window deletes itself when it closes.
  static frmTXTEditor* OpenNew(QWidget* owner, const std::string& path);
  // The file a type-file editor window has open (a reader for kz::FilesOpenInEditors):
  // false for any other window, or one with no file.
  static bool OpenFileOf(QWidget* window, std::string& path);

  explicit frmTXTEditor(QWidget* owner = nullptr);
  ~frmTXTEditor() override;

  // Prepares and shows the window (modal runs it until it closes).
  void MyShow(bool modal = false, QWidget* owner = nullptr);
  // Loads a type file: "" asks for a file on disk, "vfs://" for a file of the virtual
  // file system; "vfs://<path>" is looked up there; anything else is opened as it is.
  void OpenFile(const std::string& path);

  // --- records -----------------------------------------------------------------------
  // Removes a record through the page and the parser. Also called from another window
  // to complete a cut. False when the page or the parser refused, or when this window
  // does not hold that very record.
  bool DeleteObj(TXTObjectRef record);
  // True when the record is one of this window's (the same object, not just its key).
  bool HoldsRecord(const TXTObjectRef& record) const;
  void InsertObject(TXTObjectRef source, int32_t mode);
  void DeleteSelected();
  void CopySelected();
  void CutSelected();
  void PasteRecord();
  void AddRecord();

  // --- saving and export ---------------------------------------------------------------
  bool SaveTFile();
  bool ExportData();

  // --- editing, find, toolbar ---------------------------------------------------------
  void EditRawData();
  void Find();
  void m_find_OnFindNext(bool wholeWords, bool byID, std::string& findText, kz::Variant& tag, bool& found);
  void m_find_OnClose();
  // A toolbar button or menu entry by key ("open", "save", "kz", "desc", "about"; the
  // "open" menu's "vfs://" and recent paths; the "save" menu's "save" and "export").
  void ToolbarAction(const std::string& button, const std::string& menuKey = {});
  // Files dropped on the object list: the first of them is opened.
  void DropFiles(const QMimeData* data);
  // The list mode option (0 Name, 1 Race, 2 ID; -1 the option that is set).
  void SetListMode(int32_t index);

  // --- state, for the hosts and tests ---------------------------------------------------
  const TxtParserRef& Parser() const { return parser_; }
  EditorPage* CurrentPage() const { return page_; }
  int32_t FileType() const { return type_; }
  const TXTObjectRef& SelectedRecord() const { return selected_; }
  const std::vector<std::string>& RecentFiles() const { return recent_; }
  int32_t ListMode() const { return listMode_; }
  frmFind* FindDialog() const { return find_.data(); }
  // Selects the record's list item and shows the record (none: nothing selected).
  void SelectRecord(const TXTObjectRef& record);
  // Text of a status panel (1: record count, 2: selected position).
  QString StatusText(int panel) const;

  // --- controls ---------------------------------------------------------------------
  // The object list: a view over ObjectList, one row per record of the list's order.
  ObjectListView* ObjectView = nullptr;
  ObjectListModel* ObjectList = nullptr;
  QTreeWidget* ObjectDataView = nullptr;
  QTabWidget* MainTab = nullptr;
  QCheckBox* chkSort = nullptr;
  std::array<QRadioButton*, 3> rbName{};
  QLabel* lblObjectName = nullptr;
  QStatusBar* Bar = nullptr;
  QLineEdit* WatchFrom = nullptr;
  QLineEdit* WatchTo = nullptr;
  QListWidget* WatchList = nullptr;
  QToolBar* MainToolbar = nullptr;
  JvFileDialog* JvDialog = nullptr;
  QMenu* mnuPopup = nullptr;
  QAction* mnuNew = nullptr;
  QAction* mnuCopy = nullptr;
  QAction* mnuCut = nullptr;
  QAction* mnuPaste = nullptr;
  QAction* mnuDel = nullptr;
  QMenu* mnuOpen = nullptr;  // the "open" button's menu
  QMenu* mnuSave = nullptr;  // the "save" button's menu
  // Toolbar buttons by key.
  QToolButton* Button(const std::string& key) const;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void InitWindow();
  void BuildControls();
  void BuildToolbar();
  void RebuildOpenMenu();
  void StoreRecent();
  void EnableRecordCommands(bool on);
  void UpdatePaste();
  void SelectEditor(int32_t type);
  void ApplyInfoFlags(int32_t info);
  void UpdatePageVisibility();

  void UpdateCaption();
  // Takes a list mode (as SetListMode) without filling the list again.
  void ApplyListMode(int32_t index);
  void RefreshObjectList();
  void FillObjectItem(const TXTObjectRef& record, const TXTObjectRef& before);
  void MakeRowTexts(const TXTObjectRef& record, QString& name, QString& cls);
  void ShowObjectData(const TXTObjectRef& record);
  void ShowWatchList(const TXTObjectRef& record);
  void ShowSelected(const TXTObjectRef& record, bool skipPage);
  void ShowCurrentItem();
  void SelectRow(int row);
  void UpdateCount();
  TXTObjectRef RecordOfRow(int row) const;
  int CurrentRow() const;
  void DeleteFromSourceWindow(const TXTObjectRef& source);
  void OnPageChanged(TXTObjectRef record);
  void ShowPopup(const QPoint& globalPos);

  // Wrappers around the page's name members: they never fail.
  std::string TypeNameW();
  std::string NameW(const TXTObjectRef& record);
  std::string DescriptionW(const TXTObjectRef& record);
  std::string RaceW(const TXTObjectRef& record);
  std::string ClassW(const TXTObjectRef& record);

  int32_t Msg(const std::string& text, int32_t flags, bool ownTitle = true);

  TxtParserRef parser_;
  std::vector<EditorPage*> pages_;
  EditorPage* page_ = nullptr;
  int32_t type_ = -1;
  int32_t info_ = 0;
  TXTObjectRef selected_;
  int32_t listMode_ = 0;
  std::vector<std::string> recent_;
  QPointer<frmFind> find_;
  QWidget* pageHost_ = nullptr;
  std::unordered_map<std::string, QToolButton*> buttons_;
  bool initialised_ = false;
  bool filling_ = false;
};
