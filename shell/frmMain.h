#pragma once
// frmMain: the launcher, the program's main window. An icon view whose items open the
// editors, the settings, the help and the about box, or start outside programs. It
// also carries out the command line and the requests of a second instance.
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <map>
#include <string>

#include "shell/LauncherLayout.h"

class QAction;
class QListWidget;
class QListWidgetItem;
class QMenu;

namespace kz {

class frmMain : public QMainWindow {
  Q_OBJECT
 public:
  // Builds the items in their order, then restores the window's place (key "main",
  // 375 x 143 pixels by default) and the saved captions.
  explicit frmMain(QWidget* parent = nullptr);
  ~frmMain() override;

  // Sets the caption, carries out the process's command line (SetCommandLine), offers
  // the settings when no data folder is known, and shows the window.
  void MyShow(bool modal = false, QWidget* owner = nullptr);
  // The command line MyShow carries out (the process's own, after the program name).
  void SetCommandLine(const std::string& commandLine) { commandLine_ = commandLine; }

  // A request of another instance: brings the window up; a request that begins with
  // "rez://" is a command line, carried out, and gives true; anything else false.
  bool ProcessRequest(const std::string& request);

  // The command line: "[file type] <file name>".
  void ProcessCommandLine(const std::string& commandLine);
  void OpenByType(const std::string& fileName, const std::string& fileType);

  // The editors (through the launcher's slots; "not available yet" while a slot is empty).
  void OpenTxtEditor(const std::string& path);
  void OpenGalaxyEditor(const std::string& path);
  void OpenTextResourceEditor(const std::string& path);
  void ShowSettingsDialog();
  void ShowAbout();

  // After the settings changed: the "jv", "custom" and "3Dviwer" items follow the settings
  // (the viewer's item only when its path changed from `previousViewerPath`).
  void RefreshProgramItems(const std::string& previousViewerPath);

  // ---- The icon view --------------------------------------------------------------
  QListWidgetItem* ItemByKey(const QString& key) const;
  QStringList ItemKeys() const;
  QString ItemImageKey(const QListWidgetItem* item) const;  // "" when it has no image
  IconPlace ItemPlace(const QListWidgetItem* item) const;
  void SetItemPlace(QListWidgetItem* item, IconPlace place);
  // The cell size (0 x 0 until the first showing measured it) and the measuring itself.
  int CellWidth() const { return cellWidth_; }
  int CellHeight() const { return cellHeight_; }
  void MeasureCells();
  // Without a stored place: makes the window tall (and wide) enough to show every
  // item arranged, without a scroll bar.
  void FitItems();
  void ArrangeIcons();
  void SnapIconToGrid(QListWidgetItem* item);
  void LaunchSelected();
  // Starts editing the selected item's caption; an empty new caption is refused.
  void RenameSelected();
  void ShowIconMenu(int x, int y);
  // The mouse on the view (item: the one under the pointer, or null).
  void ViewMouseDown(Qt::MouseButton button, QListWidgetItem* item);
  void ViewMouseUp(Qt::MouseButton button, QListWidgetItem* item, QPoint pos = {});
  // The image key of a program's icon, added to the image list on first use; "" when
  // the program has no icon.
  QString GetProgramIcon(const QString& path);
  // The plain image of a program without an icon of its own ("program").
  QString PlainProgramIcon();
  // The game item's image: the game program's own, the plain one while none is set.
  QString GameIcon(const std::string& game);

  void LoadMainWindowState();
  void SaveMainWindowState();

  QListWidget* View = nullptr;
  QMenu* mnuFile = nullptr;
  QAction* mnuExit = nullptr;
  QMenu* mnuSettings = nullptr;
  QAction* mnuConfiguration = nullptr;
  QAction* mnuShowFiles = nullptr;
  QAction* mnuReload = nullptr;
  QMenu* mnuHelp = nullptr;
  QAction* mnuContent = nullptr;
  QAction* mnuAbout = nullptr;
  QMenu* mnuPopup = nullptr;
  QMenu* mnuIcons = nullptr;
  QAction* mnuAutoArrange = nullptr;
  QAction* mnuRename = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildItems();
  QListWidgetItem* AddItem(const QString& key, const QString& caption, const QString& imageKey,
                           const QString& tooltip);
  void SetItemImage(QListWidgetItem* item, const QString& imageKey);
  void UpdateProgramItem(const QString& key, const std::string& path);
  void RemoveItem(const QString& key);
  void OnItemChanged(QListWidgetItem* item);
  void ShowFiles();
  void ReloadFiles();
  void NotAvailable(const std::string& what);

  std::string commandLine_;
  std::map<QString, QIcon> images_;
  int cellWidth_ = 0;
  int cellHeight_ = 0;
  bool measured_ = false;
  bool fitFirstSize_ = false;  // no place was stored: the first showing fits the items
  QListWidgetItem* draggedItem_ = nullptr;  // the item under the left button at the last press
  bool closing_ = false;
};

// The one launcher window of the process (null before it is made or after it closed).
frmMain* MainWindow();

}  // namespace kz
