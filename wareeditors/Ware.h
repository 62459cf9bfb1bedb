#pragma once
// ucWare: the editor page of every ware-like type file (shields, lasers, bullets,
// missiles, wares, factories, special, docks, wrecks, gates, planets, suns, asteroids,
// debris, backgrounds, nebulae). It shows one record as named rows with translated
// values (PropView), its description, its icon cut from the icon sheet, flag boxes for
// bullets and missiles, and a toolbar that opens the record's models in the external
// viewer. Rows are edited through the value dialog (frmEdit), the ID through its name
// mode and colours through the colour editor hook, which the program's wiring fills
// with the galaxy property dialog.
//
// The galaxy editor embeds the page read-only: then rows are not edited and flag clicks
// are ignored, so a record shared with the archive never changes where it cannot be
// saved.
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "txteditor/EditorPage.h"
#include "typefiles/Ware.h"
#include "wareeditors/WareIcons.h"
#include "wareeditors/model/WareTranslation.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

class ucWare : public EditorPage {
  Q_OBJECT

 public:
  // The colour editor: shows `colour` (0xRRGGBB as the records store it) to the user,
  // owned by `owner`; true with the new colour when the user accepted it.
  using ColourEditor = std::function<bool(QWidget* owner, int32_t& colour)>;
  // The process-wide editor (empty: colours are not edited).
  static ColourEditor& ColourEditHook();

  explicit ucWare(QWidget* parent = nullptr);
  ~ucWare() override;

  // --- host members ---------------------------------------------------------------
  bool JvQueryInterfaceEx(int32_t& type) override;
  std::string PageName(int32_t& type) override;
  int32_t JvQueryInfo(int32_t& type) override;
  bool Validate(std::string& errorText) override;
  std::string ObjectTypeName(int32_t& type) override;
  std::string ObjectName(TXTObjectRef& record) override;
  std::string GetResourceName(TXTObjectRef& record) override;
  std::string GetRace(TXTObjectRef& record) override;
  std::string GetClass(TXTObjectRef& record) override;
  void ShowObject(TXTObjectRef& record, int32_t& type) override;
  TXTObjectRef CreateObject(int32_t& type, TxtParserRef& parser, TXTObjectRef before) override;
  void InitObject(TXTObjectRef& record) override;
  void JvAssignUniqueObjectName(TXTObjectRef& record) override;
  bool RemoveObject(TXTObjectRef& record) override;
  // Why CreateObject gave nothing: the type has no record layout to create.
  std::string GetLastError() override;
  bool KzExportData(JvFileDialog* dialog) override;

  // --- value description ------------------------------------------------------------
  std::string JvGetPropertyName(TXTObjectRef& record, int32_t& index) override;
  int32_t JvSupportValueTranslate(TXTObjectRef& record, int32_t& index) override;
  int32_t JvGetValueType(TXTObjectRef& record, int32_t& index) override;
  std::string JvGetValueUnit(TXTObjectRef& record, int32_t& index) override;
  kz::NameTable JvGetPropertyValues(TXTObjectRef& record, int32_t& index) override;
  bool JvTranslateValue(TXTObjectRef& record, int32_t& index, std::string& text, bool forEdit) override;
  bool JvTranslateValueBack(TXTObjectRef& record, const std::string& text, int32_t& index,
                            kz::Variant& value) override;
  bool JvTranslateEntryBack(TXTObjectRef& record, int32_t& index, int32_t entry, const std::string& text,
                            kz::Variant& value) override;

  bool ReadOnly() override { return readOnly_; }
  void SetReadOnly(bool value) override { readOnly_ = value; }

  // --- commands (the controls call these) -------------------------------------------
  // A click on flag box k that left it checked or not.
  void FlagClick(int32_t k);
  // Edits the selected row (double-click or Enter on PropView).
  void EditSelectedRow();
  // A toolbar button by key ("body", "picture", "scene_<k>").
  void BarClick(const std::string& key);
  // Ctrl+Insert: the selected row's value text onto the clipboard.
  void CopySelectedValue();

  // --- state, for the hosts and tests -------------------------------------------------
  const TXTObjectRef& Record() const;
  bool Filling() const { return filling_; }
  const WareIconSheet& Icons() const { return icons_; }
  const ware::WareLists& Lists() const { return lists_; }
  // The rectangle of the icon shown (valid while IconImage is visible).
  const ware::IconRect& IconRectShown() const { return iconRect_; }

  // --- controls ---------------------------------------------------------------------
  QTreeWidget* PropView = nullptr;
  QPlainTextEdit* DescEdit = nullptr;
  QLabel* IconImage = nullptr;
  QGroupBox* FlagsFrame = nullptr;
  std::vector<QCheckBox*> chkFlag;
  QToolBar* Bar = nullptr;

 protected:
  bool DoInit(TxtParserRef& parser) override;
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Prepare(int32_t type);
  void SetFlagCaptions(const std::vector<std::string>& captions);
  void SetFlagTooltips(const std::vector<std::string>& tooltips);
  void ShowFlags(int32_t type);
  void RebuildToolbar(int32_t type);
  void ShowIcon(const std::string& name);
  void LayoutPage();
  void LayoutFlags();
  void EditColour(const TXTObjectRef& record, int32_t type);
  void WriteExport(JvFileDialog* dialog);
  void Refresh();

  TxtParserRef parser_;
  std::shared_ptr<clsWare> ware_;
  int32_t type_ = 0;  // the type of the record shown
  bool readOnly_ = false;
  bool filling_ = false;
  bool sizesFetched_ = false;
  bool ammunitionBuilt_ = false;
  ware::WareLists lists_;
  WareIconSheet icons_;
  ware::IconRect iconRect_;
};
