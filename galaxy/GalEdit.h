#pragma once
// frmGalEdit, the modal dialog "Value Edit": adds or edits one property of a galaxy
// object. The editing form follows the attribute name: a hexadecimal colour with a
// colour picker and swatch, a choice from a list, a distance in metres, game units or
// nautical miles, a rotation in decimal or hexadecimal, or a whole number.
//
// The dialog works on a copy of the property and writes it back on OK only; the
// object's Dirty flag is set when the accepted value differs from the value the caller
// gave. A value text the user left as shown keeps the exact value behind it (switching
// units or formats back and forth loses nothing). The document may be none, except for
// the subtype lists of type-file objects. The galaxy tables are filled on first use when
// the galaxy editor has not filled them yet.
#include <QDialog>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/NameTable.h"
#include "core/Variant.h"
#include "galaxy/model/GalaxyObject.h"
#include "galaxy/model/Property.h"

class clsGalaxyParser;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmGalEdit : public QDialog {
  Q_OBJECT

 public:
  explicit frmGalEdit(QWidget* parent = nullptr);
  ~frmGalEdit() override;

  // 1 after OK, 2 after Cancel, 0 when neither happened.
  int32_t ModalResult = 0;

  // Edits a new property (an empty one made by the caller) for obj; the name is chosen
  // in the dialog. On OK prop holds the name and value; the caller adds it to obj.
  void NewProperty(const std::shared_ptr<clsGalaxyParser>& parser, const GalaxyObjectPtr& obj, const PropertyPtr& prop,
                   bool modal = true, QWidget* owner = nullptr);
  // Edits prop of obj (the name stays). On OK prop holds the new value.
  void ShowProperty(const std::shared_ptr<clsGalaxyParser>& parser, const GalaxyObjectPtr& obj,
                    const PropertyPtr& prop, bool modal = true, QWidget* owner = nullptr);

  // The buttons' actions (also reached by clicking them).
  void OK();
  void Cancel();
  void BrowseColour();

  // The working copy's current value (for tests and callers that look before OK).
  const kz::Variant& WorkingValue() const;
  // The current editing form (mdlGalEdit::ValueKind).
  int32_t Kind() const noexcept { return kind_; }

  // Controls.
  QLabel* Label1 = nullptr;
  QComboBox* cmbPropNames = nullptr;
  QLineEdit* PropNameEdit = nullptr;
  QLabel* lblValue = nullptr;
  QLineEdit* ValEdit = nullptr;
  QComboBox* cmbValue = nullptr;
  QLabel* ColorPreview = nullptr;
  QPushButton* btnColorBrowse = nullptr;
  QGroupBox* NameGroup = nullptr;
  std::array<QRadioButton*, 2> rbName{};
  QGroupBox* LenGroup = nullptr;
  std::array<QRadioButton*, 3> rbLen{};
  QGroupBox* FormatGroup = nullptr;
  std::array<QRadioButton*, 2> rbFormat{};
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void PrepareDialog(const std::shared_ptr<clsGalaxyParser>& parser, const GalaxyObjectPtr& obj,
                     const PropertyPtr& prop, bool modal, QWidget* owner);
  void FitNameBox();
  void FillPropertyNames();
  void FillValueList(bool keepSelection);
  void SelectListValue();
  void ArrangeControls();
  void ApplyNameOption();
  void ApplyUnitOption();
  void ApplyFormatOption();
  void PropertyNameChosen();
  void UpdatePreview();
  void SetValueText(const std::string& text);
  // The working value from the edit box; false with the message to show.
  bool ReadValueText(kz::Variant& value, std::string& message) const;
  bool IsSector() const;
  void Warn(const std::string& text);
  void Finish(int32_t result);

  std::shared_ptr<clsGalaxyParser> parser_;
  GalaxyObjectPtr obj_;
  PropertyPtr prop_;
  PropertyPtr work_;
  kz::Variant original_;
  int32_t kind_ = 4;
  kz::NameTable listNames_;
  kz::NameTable listValues_;
  bool names_ = false;
  int32_t unit_ = 0;
  bool hexa_ = false;
  bool newProperty_ = false;
  std::string shownText_;  // the text the dialog last put into ValEdit
  bool filling_ = false;
};
