#pragma once
// ucGalObject: the page on which the galaxy editor shows and edits the object selected
// in its tree, in three tabs: the raw attributes as stored, a formatted property list
// with its display options, and the type-file record the object stands for, shown
// read-only on the embedded ship page or ware page. Properties are added, edited and
// removed through the property dialog; after every accepted change the page raises
// OnPropertiesChanged. The display options live in the registry ("GE\GalObjectEditor").
//
// The embedded pages are made by the type-file editor's page factories (ship and ware
// slots), so that this folder does not depend on the folders of the pages.
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class EditorPage;
class QAction;
class QGroupBox;
class QMenu;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class clsGalaxyObject;
class clsGalaxyParser;
class clsProperty;

class ucGalObject : public QWidget {
  Q_OBJECT

 public:
  explicit ucGalObject(QWidget* parent = nullptr);
  ~ucGalObject() override;

  // Shows obj (none allowed) of document parser.
  void ShowObject(std::shared_ptr<clsGalaxyParser> parser, std::shared_ptr<clsGalaxyObject> obj);
  // Prepares the embedded pages and loads the display options (once, after creation).
  void Init();
  // Saves the display options (once, before the host unloads).
  void Term();

  // Commands (menu, keys, mouse).
  void EditProperty();
  void AddNewProperty();
  void DeleteProperty();
  void AddCoordinates();
  void RemoveCoordinates();
  // The row becomes the current property (none: the selected row, else the first).
  void SelectProperty(QTreeWidgetItem* item);
  // Enables the pop-up menu's items for the shown object and current property.
  void PreparePropertyMenu();
  // The display options, as their option buttons set them.
  void SetShowNames(bool names);
  void SetDistanceUnit(int32_t unit);
  void SetHexa(bool hexa);

  // The value text of a property of the shown object.
  std::string FormatPropertyValue(const clsGalaxyObject& obj, const clsProperty& prop) const;

  const std::shared_ptr<clsGalaxyObject>& ShownObject() const { return obj_; }
  const std::shared_ptr<clsProperty>& CurrentProperty() const { return current_; }
  EditorPage* EmbeddedPage() const { return embedded_; }
  bool ShowNames() const { return showNames_; }
  int32_t DistanceUnit() const { return unit_; }
  bool Hexa() const { return hexa_; }

  // --- controls ----------------------------------------------------------------------
  QTabWidget* MainTab = nullptr;
  QTreeWidget* RawView = nullptr;
  QTreeWidget* PropView = nullptr;
  QGroupBox* Frame1 = nullptr;
  QGroupBox* Frame2 = nullptr;
  QGroupBox* Frame3 = nullptr;
  std::array<QRadioButton*, 2> rbName{};
  std::array<QRadioButton*, 3> rbDistUnits{};
  std::array<QRadioButton*, 2> rbHexa{};
  EditorPage* ShipEdit = nullptr;
  EditorPage* WareEdit = nullptr;
  QMenu* mnuProp = nullptr;
  QAction* mnuPropEdit = nullptr;
  QAction* mnuPropAdd = nullptr;
  QAction* mnuPropDelete = nullptr;
  QAction* mnuPropAddCoords = nullptr;
  QAction* mnuPropRemoveCoords = nullptr;

 signals:
  void OnPropertiesChanged(std::shared_ptr<clsGalaxyObject> obj);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ChooseEmbeddedPage();
  void ShowEmbeddedRecord();
  bool ShowRecordOnEmbeddedPage();
  void OfferRecordTab(bool offered);
  void FillRawList();
  void FillPropertyList();
  void AddPropRow(const std::string& caption, const std::string& value, const std::string& tag);
  void AddAttrRow(int32_t attrIndex);
  std::string GetAttrCaption(const clsProperty& prop) const;
  void Changed();
  void LoadPageSettings();
  void SavePageSettings();
  void TakeOptions();

  std::shared_ptr<clsGalaxyParser> parser_;
  std::shared_ptr<clsGalaxyObject> obj_;
  std::shared_ptr<clsProperty> current_;
  EditorPage* embedded_ = nullptr;
  QWidget* pageHost_ = nullptr;
  bool showNames_ = false;
  int32_t unit_ = 0;
  bool hexa_ = true;
};
