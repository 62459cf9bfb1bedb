#pragma once
// frmSettings: the modal "Settings" dialog over the settings object: the game
// executable, the data folder, the custom program, the description strings and their
// language, the map windows' drawing options and the external 3D viewer.
//
// OK checks every value before it stores any, then stores them, reloads the game data
// when the data folder changed, loads or drops the description strings when their
// settings (or the data folder) changed, and shows what failed on the way.
#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

class JvFileDialog;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

class frmSettings : public QDialog {
  Q_OBJECT
 public:
  // What OK does beyond storing; the defaults reach the process-wide services
  // (LoadKzData, the description server, the wait window). Tests replace them.
  struct Actions {
    // Reloads the game data, and with them the description strings when they are on;
    // throws (AppError) on failure.
    std::function<void(QWidget* waitOwner)> ReloadGameData;
    // Loads the description strings of a language; false with the reason.
    std::function<bool(int32_t langID, std::string& error)> LoadDescriptions;
    std::function<void()> UnloadDescriptions;
  };

  explicit frmSettings(QWidget* parent = nullptr);

  // Fills the controls from the settings and shows the dialog (modal: runs it).
  void ShowSettings(bool modal = true, QWidget* owner = nullptr);
  // 1 after OK, 2 after Cancel (0 while open).
  int32_t ModalResult = 0;

  Actions actions;

  // The steps behind the controls.
  void Fill();
  void PressOK();
  void PressCancel();
  void PressHelp();
  void BrowseProgram(QLineEdit* box);
  void BrowseDataDir();
  void SelectLangText();

  QTabWidget* MainTab = nullptr;
  QLineEdit* JvPathEdit = nullptr;
  QPushButton* btnJvBrowse = nullptr;
  QLineEdit* DataDir = nullptr;
  QPushButton* btnDataDirBrowse = nullptr;
  QGroupBox* fraDesc = nullptr;
  QCheckBox* chkLoadDesc = nullptr;
  QComboBox* cmbLangID = nullptr;
  QLineEdit* EditorEdit = nullptr;
  QPushButton* btnEditorBrowse = nullptr;
  QCheckBox* chkUseDBuf = nullptr;
  QCheckBox* chkUseDD = nullptr;
  QLineEdit* Ext3DViewerEdit = nullptr;
  QPushButton* btnExt3DViewerBrowse = nullptr;
  QLineEdit* Ext3DViewerCmdLineEdit = nullptr;
  QCheckBox* chkExt3DViewerSupportsRuDU = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;
  QPushButton* btnHelp = nullptr;
  JvFileDialog* Dialog = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;

 private:
  void ApplyRules();
  void Guard(const std::function<void()>& fn);

  QWidget* owner_ = nullptr;
};
