#include "shell/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/Generic.h"
#include "core/KzConst.h"
#include "core/Outside.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "core/ui/GenericUi.h"
#include "platform/Ui.h"
#include "shell/DialogRules.h"
#include "shell/JvFileDialog.h"
#include "shell/frmWait.h"
#include "typefiles/DescServer.h"

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

clsSettings& Cfg() {
  if (!Settings) throw kz::AppError(91, "frmSettings", "The settings are not loaded.");
  return *Settings;
}

// A text box with its browse button in one row.
QWidget* PathRow(QWidget* parent, QLineEdit*& edit, const char* editName, QPushButton*& button,
                 const char* buttonName) {
  auto* row = new QWidget(parent);
  auto* l = new QHBoxLayout(row);
  l->setContentsMargins(0, 0, 0, 0);
  edit = new QLineEdit(row);
  edit->setObjectName(editName);
  button = new QPushButton("...", row);
  button->setObjectName(buttonName);
  button->setMaximumWidth(32);
  l->addWidget(edit, 1);
  l->addWidget(button);
  return row;
}

}  // namespace

frmSettings::frmSettings(QWidget* parent) : QDialog(parent) {
  setObjectName("frmSettings");
  setWindowTitle("Settings");
  setModal(true);

  actions.ReloadGameData = [](QWidget* owner) {
    // A folder that is not there is said so; the data loaded before stay loaded.
    const std::string root = Settings ? Settings->DataRoot() : std::string();
    std::error_code ec;
    if (!root.empty() && !std::filesystem::is_directory(root, ec))
      throw kz::AppError(kz::kErrDataLoad, "LoadKzData", "The data folder \"" + root + "\" does not exist.");
    kz::LoadKzData(owner);
  };
  actions.LoadDescriptions = [](int32_t lang, std::string& error) {
    if (!DescServer) {
      error = "The description server is not loaded.";
      return false;
    }
    if (DescServer->LoadResources(lang)) return true;
    error = DescServer->GetLastError();
    return false;
  };
  actions.UnloadDescriptions = [] {
    if (DescServer) DescServer->Unload();
  };

  MainTab = new QTabWidget(this);
  MainTab->setObjectName("MainTab");

  // "Common"
  auto* common = new QWidget(MainTab);
  auto* cl = new QVBoxLayout(common);
  cl->addWidget(new QLabel("Path to Kz executable", common));
  cl->addWidget(PathRow(common, JvPathEdit, "JvPathEdit", btnJvBrowse, "btnJvBrowse"));
  cl->addWidget(new QLabel("Direcotory with data files", common));
  cl->addWidget(PathRow(common, DataDir, "DataDir", btnDataDirBrowse, "btnDataDirBrowse"));
  // The check box is the frame's caption: the frame has no title of its own.
  fraDesc = new QGroupBox(common);
  fraDesc->setObjectName("fraDesc");
  auto* dl = new QVBoxLayout(fraDesc);
  chkLoadDesc = new QCheckBox("Load object descriptions", fraDesc);
  chkLoadDesc->setObjectName("chkLoadDesc");
  dl->addWidget(chkLoadDesc);
  dl->addWidget(new QLabel("Use this language ID for descriptions", fraDesc));
  cmbLangID = new QComboBox(fraDesc);
  cmbLangID->setObjectName("cmbLangID");
  cmbLangID->setEditable(true);
  cmbLangID->setInsertPolicy(QComboBox::NoInsert);
  dl->addWidget(cmbLangID);
  cl->addWidget(fraDesc);
  auto* custom = new QGroupBox("Custom program", common);
  custom->setObjectName("fraCustom");
  auto* ul = new QVBoxLayout(custom);
  ul->addWidget(new QLabel("Program to run", custom));
  ul->addWidget(PathRow(custom, EditorEdit, "EditorEdit", btnEditorBrowse, "btnEditorBrowse"));
  ul->addWidget(new QLabel("* You can rename icon by right clicking it and selecting Rename", custom));
  cl->addWidget(custom);
  cl->addStretch(1);
  MainTab->addTab(common, "Common");

  // "Graphics"
  auto* graphics = new QWidget(MainTab);
  auto* gl = new QVBoxLayout(graphics);
  chkUseDBuf = new QCheckBox("Use double buffer (no flickering)", graphics);
  chkUseDBuf->setObjectName("chkUseDBuf");
  chkUseDD = new QCheckBox("Use DirectDraw (better performance)", graphics);
  chkUseDD->setObjectName("chkUseDD");
  gl->addWidget(chkUseDBuf);
  gl->addWidget(chkUseDD);
  gl->addStretch(1);
  MainTab->addTab(graphics, "Graphics");

  // "3D Viewer"
  auto* viewer = new QWidget(MainTab);
  auto* vl = new QVBoxLayout(viewer);
  vl->addWidget(new QLabel("Path to 3D viewer", viewer));
  vl->addWidget(PathRow(viewer, Ext3DViewerEdit, "Ext3DViewerEdit", btnExt3DViewerBrowse, "btnExt3DViewerBrowse"));
  vl->addWidget(new QLabel("Command line", viewer));
  Ext3DViewerCmdLineEdit = new QLineEdit(viewer);
  Ext3DViewerCmdLineEdit->setObjectName("Ext3DViewerCmdLineEdit");
  vl->addWidget(Ext3DViewerCmdLineEdit);
  vl->addWidget(new QLabel("Use %1 for file name, %2 for actual T file data", viewer));
  chkExt3DViewerSupportsRuDU = new QCheckBox("Viewer supports RuDU paths (catalog.cat::file.txt)", viewer);
  chkExt3DViewerSupportsRuDU->setObjectName("chkExt3DViewerSupportsRuDU");
  vl->addWidget(chkExt3DViewerSupportsRuDU);
  vl->addStretch(1);
  MainTab->addTab(viewer, "3D Viewer");

  btnOK = new QPushButton("OK", this);
  btnOK->setObjectName("btnOK");
  btnOK->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  btnHelp = new QPushButton("Help", this);
  btnHelp->setObjectName("btnHelp");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  buttons->addWidget(btnHelp);
  auto* all = new QVBoxLayout(this);
  all->addWidget(MainTab, 1);
  all->addLayout(buttons);

  Dialog = new JvFileDialog(this);
  Dialog->setObjectName("Dialog");

  connect(chkLoadDesc, &QCheckBox::clicked, this, [this] { ApplyRules(); });
  connect(chkUseDD, &QCheckBox::clicked, this, [this] { ApplyRules(); });
  connect(btnOK, &QPushButton::clicked, this, [this] { Guard([this] { PressOK(); }); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { PressCancel(); });
  connect(btnHelp, &QPushButton::clicked, this, [this] { Guard([this] { PressHelp(); }); });
  connect(btnJvBrowse, &QPushButton::clicked, this, [this] { Guard([this] { BrowseProgram(JvPathEdit); }); });
  connect(btnEditorBrowse, &QPushButton::clicked, this, [this] { Guard([this] { BrowseProgram(EditorEdit); }); });
  connect(btnExt3DViewerBrowse, &QPushButton::clicked, this,
          [this] { Guard([this] { BrowseProgram(Ext3DViewerEdit); }); });
  connect(btnDataDirBrowse, &QPushButton::clicked, this, [this] { Guard([this] { BrowseDataDir(); }); });
  for (QLineEdit* e : {DataDir, EditorEdit, Ext3DViewerCmdLineEdit, Ext3DViewerEdit, JvPathEdit}) e->installEventFilter(this);
}

void frmSettings::Guard(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const kz::AppError& e) {
    if (e.Number != kz::kErrCancel) platform::Ui::Instance().MsgBox(e.Description, platform::vbCritical, {}, this);
  } catch (const std::exception& e) {
    platform::Ui::Instance().MsgBox(e.what(), platform::vbCritical, {}, this);
  }
}

void frmSettings::ShowSettings(bool modal, QWidget* owner) {
  owner_ = owner;
  if (owner && parentWidget() != owner) setParent(owner, windowFlags() | Qt::Dialog);
  ModalResult = 0;
  Fill();
  if (modal) {
    exec();
  } else {
    setModal(false);
    show();
  }
}

void frmSettings::Fill() {
  clsSettings& s = Cfg();
  JvPathEdit->setText(Q(s.KzEXEPath()));
  EditorEdit->setText(Q(s.CustomProgram()));
  chkLoadDesc->setChecked(s.LoadDescriptions());
  chkUseDBuf->setChecked(s.UseDoubleBuffer());
  chkUseDD->setChecked(s.UseDirectDraw());
  for (size_t i = 0; i < mdlKzConst::LanguageIDs.size(); ++i) {
    const int32_t id = mdlKzConst::LanguageIDs[i];
    const std::string& name = mdlKzConst::LanguageNames.At(mdlKzConst::LanguageNames.LBound() + int64_t(i));
    cmbLangID->addItem(Q(kz::LanguageEntryText(id, name)), id);
  }
  const int32_t lang = s.DescLangID();
  if (!kz::SelectComboByItemData(cmbLangID, lang)) cmbLangID->setEditText(QString::number(lang));
  DataDir->setText(Q(s.DataRoot()));
  Ext3DViewerEdit->setText(Q(s.Ext3DViewerPath()));
  Ext3DViewerCmdLineEdit->setText(Q(s.Ext3DViewerCmdLine()));
  chkExt3DViewerSupportsRuDU->setChecked(s.Ext3DViewerSupportsRuDU());
  ApplyRules();
  MainTab->setCurrentIndex(0);
}

void frmSettings::ApplyRules() {
  cmbLangID->setEnabled(chkLoadDesc->isChecked());
  if (chkUseDD->isChecked()) {
    chkUseDBuf->setChecked(true);
    chkUseDBuf->setEnabled(false);
  } else {
    chkUseDBuf->setEnabled(true);
  }
}

void frmSettings::PressOK() {
  clsSettings& s = Cfg();

  // Every value is checked before any is stored: a refused value leaves the settings
  // as they were and the dialog open.
  int32_t newLang = 0;
  const QString langText = cmbLangID->currentText();
  int selected = -1;
  for (int i = 0; i < cmbLangID->count(); ++i)
    if (cmbLangID->itemText(i) == langText) selected = i;
  if (selected >= 0) {
    newLang = cmbLangID->itemData(selected).toInt();
  } else {
    switch (kz::ParseLanguageID(S(langText), newLang)) {
      case kz::LangIdCheck::Ok:
        break;
      case kz::LangIdCheck::NotANumber:
        kz::MsgInvalidValue("Lang ID", 0, this);
        cmbLangID->setFocus();
        return;
      case kz::LangIdCheck::OutOfRange:
        platform::Ui::Instance().MsgBox("Lang ID: " + S(langText) +
                                            " is out of range. It must be a whole number from 1 to 2147483647.",
                                        platform::vbExclamation, {}, this);
        cmbLangID->setFocus();
        return;
    }
  }

  const std::string oldDataRoot = s.DataRoot();
  const bool oldLoadDesc = s.LoadDescriptions();
  const int32_t oldLang = s.DescLangID();

  s.SetKzEXEPath(S(JvPathEdit->text()));
  s.SetCustomProgram(S(EditorEdit->text()));
  s.SetLoadDescriptions(chkLoadDesc->isChecked());
  s.SetDataRoot(S(DataDir->text()));
  s.SetUseDirectDraw(chkUseDD->isChecked());
  s.SetUseDoubleBuffer(chkUseDBuf->isChecked());
  s.SetExt3DViewerCmdLine(S(Ext3DViewerCmdLineEdit->text()));
  s.SetExt3DViewerPath(S(Ext3DViewerEdit->text()));
  s.SetExt3DViewerSupportsRuDU(chkExt3DViewerSupportsRuDU->isChecked());
  s.SetDescLangID(newLang);

  const kz::SettingsReload plan = kz::DecideSettingsReload(oldDataRoot, s.DataRoot(), oldLoadDesc,
                                                           s.LoadDescriptions(), oldLang, s.DescLangID());
  ModalResult = 1;
  QWidget* waitOwner = owner_ ? owner_ : parentWidget();
  hide();

  if (plan.DataFolderChanged && actions.ReloadGameData) {
    try {
      actions.ReloadGameData(waitOwner);
    } catch (const kz::AppError& e) {
      platform::Ui::Instance().MsgBox("Error loading game data: " + e.Description, platform::vbCritical, {},
                                      waitOwner);
    } catch (const std::exception& e) {
      platform::Ui::Instance().MsgBox(std::string("Error loading game data: ") + e.what(), platform::vbCritical,
                                      {}, waitOwner);
    }
  }
  if (plan.LoadDescriptions && actions.LoadDescriptions) {
    kz::ShowWait(std::string("Loading resource strings..."), waitOwner);
    std::string error;
    bool ok = false;
    try {
      ok = actions.LoadDescriptions(s.DescLangID(), error);
    } catch (const std::exception& e) {
      error = e.what();
    }
    kz::HideWait(waitOwner);
    if (!ok)
      platform::Ui::Instance().MsgBox("Error loading object descriptions: " + error, platform::vbExclamation, {},
                                      waitOwner);
  } else if (plan.UnloadDescriptions && actions.UnloadDescriptions) {
    actions.UnloadDescriptions();
  }
  owner_ = nullptr;
  QDialog::done(QDialog::Accepted);
}

void frmSettings::PressCancel() {
  owner_ = nullptr;
  ModalResult = 2;
  QDialog::done(QDialog::Rejected);
}

void frmSettings::reject() { PressCancel(); }

void frmSettings::PressHelp() { kz::ShowHelpTopic("settings.html", this); }

void frmSettings::BrowseProgram(QLineEdit* box) {
  Dialog->filter = "Executable Files (*.exe)|*.exe|All Files (*.*)|*.*";
  Dialog->FileName = S(box->text());
  try {
    Dialog->ShowOpen();
  } catch (const kz::AppError& e) {
    if (e.Number == kz::kErrCancel) return;  // the box keeps its text
    throw;
  }
  box->setText(Q(Dialog->FileName));
}

void frmSettings::BrowseDataDir() {
  const std::string dir = kz::BrowseForFolder(this, "Select directory containing game data files.");
  if (!dir.empty()) DataDir->setText(Q(dir));
}

void frmSettings::SelectLangText() { kz::SelectAllText(cmbLangID); }

bool frmSettings::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    if (auto* edit = qobject_cast<QLineEdit*>(watched))
      QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
  }
  return QDialog::eventFilter(watched, event);
}
