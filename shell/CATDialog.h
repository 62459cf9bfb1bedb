#pragma once
// frmCATDialog: a modal open/save browser over the files inside one catalog, or over
// the whole virtual file system when the catalog given is "vfs://". It lists one folder
// level at a time, keeps the folders walked down as a stack, and returns the choice as
// one path: "<catalog>::<inner path>", or "vfs://<inner path>". A full path or a
// catalog path typed into the name box is returned (or, for a catalog, browsed) as it
// stands.
//
// The owner given to the browser is not its Qt parent: the browser stays above the
// owner's window but never goes with it. When that window goes while the browser runs,
// the browser ends cancelled and stays whole for the code that showed it.
#include <QDialog>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

class frmCATDialog : public QDialog {
  Q_OBJECT
 public:
  // ModalResult values.
  static constexpr int32_t kResultOK = 0;
  static constexpr int32_t kResultCancel = -1;
  static constexpr int32_t kResultCloseCatalog = 1;  // also: the catalog could not be opened
  static constexpr int32_t kResultClosed = 2;        // the window's close box

  explicit frmCATDialog(QWidget* owner = nullptr);
  ~frmCATDialog() override;

  // Set before a show, read after it.
  std::string InitDir;       // kept for the caller; the browser starts at its root
  std::string filter;        // "description|pattern|description|pattern..."
  int32_t FilterIndex = 1;   // 1-based; after OK the filter chosen
  std::string FileName;      // in: start path inside the catalog; out: the choice ("" unless OK)
  std::string DialogTitle;   // added to the caption
  bool EnableCloseCatalog = false;

  // Open mode; "vfs://" (exactly) browses the virtual file system. With an owner the
  // dialog stays above it. Throws AppError 0x80040065 when the listing cannot start.
  void ShowOpen(const std::string& catalog, QWidget* owner = nullptr);
  // Save mode; `catalog` is always opened as a catalog file.
  void ShowSave(const std::string& catalog);
  int32_t ModalResult() const { return modalResult_; }

  // The steps of a show without running it modally (the windows' tests drive the
  // dialog through them): false when the dialog closed at once (ModalResult 1).
  bool Prepare(const std::string& catalog, bool saveMode);

  // The user's actions.
  void SelectDirEntry(int index);  // an entry of cmbDir
  void UpOneLevel();
  void ClickItem(QTreeWidgetItem* item);
  void DoubleClickItem(QTreeWidgetItem* item);
  void PressOK();
  void PressCancel();
  void PressCloseCatalog();

  const std::vector<std::string>& FolderStack() const { return folders_; }
  const std::string& PendingFolder() const { return pendingFolder_; }
  std::string CurrentPattern() const;
  bool SaveMode() const { return saveMode_; }

  QComboBox* cmbDir = nullptr;
  QTreeWidget* FileView = nullptr;
  QComboBox* cmbFileName = nullptr;
  QLabel* Label1 = nullptr;
  QComboBox* cmbFilter = nullptr;
  QLabel* lblFilter = nullptr;
  QLabel* lblCaption = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;
  QToolBar* DirBar = nullptr;
  QToolBar* CloseBar = nullptr;
  QAction* btnUp = nullptr;            // DirBar's button
  QAction* btnCloseCatalog = nullptr;  // CloseBar's button

 protected:
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

 private:
  void Run(const std::string& catalog, bool saveMode, QWidget* owner);
  void SetOwner(QWidget* owner);
  void StayAboveOwner();
  void TakeTypedPath(const std::string& typed, const std::string& path);
  void Release();
  void LoadFilters();
  void Refresh();
  void Listing();
  void Close(int32_t result);
  void Guard(const char* what, const std::function<void()>& fn);

  QPointer<QWidget> owner_;
  std::string catalog_;
  std::string displayName_;
  int32_t catalogHandle_ = 0;
  int32_t context_ = 0;
  std::vector<std::string> folders_;
  std::vector<std::string> patterns_;
  std::string pendingFolder_;
  bool saveMode_ = false;
  int32_t modalResult_ = kResultCancel;
  bool refreshing_ = false;
};
