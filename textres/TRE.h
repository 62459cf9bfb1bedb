#pragma once
// frmTRE, "Text Resource Editor": one text resource document per window, with the
// list of its pages, the strings of the selected page, the selected string's text and
// the document's language. Any number of windows may be open, each owning its
// document; the launcher makes a new one at each launch. The "desc" buttons of the
// other editors show one shared window (ShowShared), which starts in the read-only
// view of the pages the description server loaded.
//
// The window is the view: its state and the flows of its commands are a
// clsTRESession, which asks its questions through this window (TREHost).
#include <QMainWindow>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "core/Variant.h"
#include "shell/Find.h"
#include "textres/model/TREHost.h"
#include "textres/model/TRESession.h"

class JvFileDialog;
class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QStatusBar;
class QTableView;
class QToolBar;
class QToolButton;
class TREListModel;
class frmFind;

class frmTRE : public QMainWindow, public TREHost {
  Q_OBJECT
 public:
  // What the launcher and "-xml" do: a new window owned by `owner`, shown, then given
  // `path` when it is not empty. It deletes itself when it closes.
  static frmTRE* OpenNew(QWidget* owner, const std::string& path);
  // What the "desc" buttons do: the one shared window, made and shown owned by `owner`
  // at its first use; later only shown and raised (its edits stay). It closes, with
  // its own question, before the window it belongs to closes.
  static frmTRE* ShowShared(QWidget* owner);
  // The shared window, when it exists.
  static frmTRE* SharedWindow();
  // Why a save may not write a target (the program sets it: the files the editor
  // windows have open); none set lets every save through.
  static std::function<std::string(const std::string& target, const std::string& ownFile)> SaveTargetCheck;

  explicit frmTRE(QWidget* owner = nullptr);
  ~frmTRE() override;

  // Clears the modified flag, shows the pages in memory and shows the window.
  void MyShow(bool modal = false, QWidget* owner = nullptr);
  // "" asks for a file, "vfs://" for a file of the virtual file system.
  void OpenFile(const std::string& path);
  // A toolbar button or drop-down item by key ("new", "open", "open2", "mem", "vfs",
  // "save", "merge", "reload").
  void ToolbarAction(const std::string& key);
  void ShowFindDialog();
  void ShowPageMenu(const QPoint& globalPos);
  void ShowStringMenu(const QPoint& globalPos);
  // The find dialog's find-next answer.
  void m_find_OnFindNext(bool wholeMatch, bool byID, std::string& text, kz::Variant& tag, bool& found);

  clsTRESession& Session() { return *session_; }
  frmFind* FindDialog() const { return m_find.data(); }
  // The key ("<handle>k") of a row of a list (tre::List); "" when none.
  QString ItemKeyOf(int32_t list, int row) const;
  QToolButton* Button(const std::string& key) const;

  // --- controls ---------------------------------------------------------------------
  QToolBar* MainToolbar = nullptr;
  QCheckBox* chkRawtext = nullptr;
  QTableView* PageView = nullptr;
  QTableView* TextView = nullptr;
  QLabel* lblName = nullptr;
  QLabel* lblDesc = nullptr;
  QPlainTextEdit* TextEdit = nullptr;
  QStatusBar* Bar = nullptr;
  QLabel* BarPanel1 = nullptr;
  QLabel* BarPanel2 = nullptr;
  QSplitter* Splitter = nullptr;
  JvFileDialog* Dialog = nullptr;
  QMenu* mnuPage = nullptr;
  QAction* mnuPageNew = nullptr;
  QAction* mnuPageEdit = nullptr;
  QAction* mnuPageSep = nullptr;
  QAction* mnuPageDel = nullptr;
  QMenu* mnuStr = nullptr;
  QAction* mnuStrNew = nullptr;
  QAction* mnuStrEdit = nullptr;
  QAction* mnuStrSep = nullptr;
  QAction* mnuStrDel = nullptr;

  // --- TREHost ------------------------------------------------------------------------
  int32_t MsgBox(const std::string& text, int32_t flags, const std::string& title) override;
  bool ChooseOpenFile(const std::string& filter, const std::string& startPath, const std::string& initDir,
                      std::string& path) override;
  bool ChooseSaveFile(const std::string& filter, const std::string& initDir, std::string& path,
                      int32_t& filterIndex) override;
  bool ChooseNewFile(int32_t& langID, std::string& fileName) override;
  std::string SaveTargetRefusal(const std::string& target, const std::string& ownFile) override;
  int32_t EditPage(int32_t document, int32_t page, bool& dirty) override;
  int32_t EditString(int32_t page, int32_t str, bool& dirty) override;
  void ShowWait(const std::string& text) override;
  void HideWait() override;
  void ListReset(int32_t list) override;
  void RowRemoved(int32_t list, int32_t row) override;
  void SelectionChanged(int32_t list) override;
  void StateChanged() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildToolbar();
  void BuildMenus();
  QTableView* MakeList(const char* name, TREListModel*& model, const clsTRERows& rows, const QString& textHeader);
  void ListFocused(int32_t list);
  void Run(const char* what, const std::function<void()>& action);
  void m_find_OnClose();
  void WatchOwner(QWidget* owner);

  std::unique_ptr<clsTRESession> session_;
  TREListModel* pageModel_ = nullptr;
  TREListModel* stringModel_ = nullptr;
  QPointer<frmFind> m_find;
  QPointer<QWidget> watchedOwner_;
  std::unordered_map<std::string, QToolButton*> buttons_;
  bool syncing_ = false;
};
