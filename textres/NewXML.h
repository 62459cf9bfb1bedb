#pragma once
// frmNewXML, "New XML file": asks for the language and file number of a new text
// resource file and proposes the next free number of the language in the data
// folder's text folder.
#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;

class frmNewXML : public QDialog {
  Q_OBJECT
 public:
  explicit frmNewXML(QWidget* parent = nullptr);

  // 1 after OK, 2 after Cancel.
  int32_t ModalResult = 0;
  int32_t langID = 0;
  std::string FileName;  // no folder: "440012.xml"

  // Fills the languages, selects the description language, proposes the next number
  // and shows the dialog (modal unless asked otherwise).
  void ShowNewFile(bool modal = true, QWidget* owner = nullptr);
  // The same without showing it.
  void Fill();

  // The language of the dialog: the selected item's, else the typed number.
  std::optional<int32_t> Language() const;
  // Puts the next free file number of the language into FileNoEdit (empty while the
  // language is not valid or no number is left).
  void ProposeFileNumber();
  bool OK();
  void Cancel();

  QComboBox* cmbLangID = nullptr;
  QLineEdit* FileNoEdit = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;
};
