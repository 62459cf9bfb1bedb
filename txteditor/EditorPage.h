#pragma once
// EditorPage: the members an editor page answers for the type-file editor window and
// the value dialog. A page is a panel that edits the records of one or more kinds of
// type file; the hosts know no page class and reach a page only through these members.
//
// Every member's default raises run-time error 438 ("Object doesn't support this
// property or method"): a page lacks a member by not overriding it, and the caller's
// own error handling takes over, exactly as for a member a page does not have.
//
// Records, the parser and type codes are passed by reference: a page may replace the
// reference it was given, and the host takes the (possibly replaced) reference back.
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/NameTable.h"
#include "core/Variant.h"
#include "txteditor/TypeFileRefs.h"

class JvFileDialog;

class EditorPage : public QWidget {
  Q_OBJECT

 public:
  explicit EditorPage(QWidget* parent = nullptr);
  ~EditorPage() override;

  // --- members the type-file editor window calls ---------------------------------

  // True: this page edits files of that type.
  virtual bool JvQueryInterfaceEx(int32_t& type);
  // The same answer as JvQueryInterfaceEx.
  virtual bool JvQueryInterface(int32_t type);
  // Called once per loaded file with the window's parser. A page given no parser
  // answers False and touches nothing (InitPages calls every page that way).
  bool Init(TxtParserRef& parser);
  bool Init();
  virtual std::string GetLastError();
  virtual std::string PageName(int32_t& type);
  // Flags: 1 records have resource names, 2 records have a race, 4 records have a class.
  virtual int32_t JvQueryInfo(int32_t& type);
  // False: the file's data has errors; the page has put a report into errorText.
  virtual bool Validate(std::string& errorText);
  virtual std::string ObjectTypeName(int32_t& type);
  virtual std::string ObjectName(TXTObjectRef& record);
  virtual std::string GetResourceName(TXTObjectRef& record);
  virtual std::string GetRace(TXTObjectRef& record);
  virtual std::string GetClass(TXTObjectRef& record);
  virtual void ShowObject(TXTObjectRef& record, int32_t& type);
  // A new record in the parser, before `before` (or at the end when it is null);
  // null = failure (see GetLastError).
  virtual TXTObjectRef CreateObject(int32_t& type, TxtParserRef& parser, TXTObjectRef before);
  virtual void InitObject(TXTObjectRef& record);
  virtual void JvAssignUniqueObjectName(TXTObjectRef& record);
  // The page forgets what it holds of the record; False refuses the removal.
  virtual bool RemoveObject(TXTObjectRef& record);
  // Exports the file's data through the page's own dialog and writer.
  virtual bool KzExportData(JvFileDialog* dialog);

  // --- members the value dialog calls (record first, field index second) ----------

  virtual std::string JvGetPropertyName(TXTObjectRef& record, int32_t& index);
  // 0 no translation, 1 a number shown with a unit, 2 a value chosen from a list.
  virtual int32_t JvSupportValueTranslate(TXTObjectRef& record, int32_t& index);
  // 0 whole number, 1 number with fraction, 2 text.
  virtual int32_t JvGetValueType(TXTObjectRef& record, int32_t& index);
  virtual std::string JvGetValueUnit(TXTObjectRef& record, int32_t& index);
  // The choices of a list field (an array with its own bounds; empty = no array).
  virtual kz::NameTable JvGetPropertyValues(TXTObjectRef& record, int32_t& index);
  // True when the stored value was turned into display text in `text`.
  virtual bool JvTranslateValue(TXTObjectRef& record, int32_t& index, std::string& text, bool forEdit);
  // True when `text` was turned back into a stored value in `value`; False = not valid.
  virtual bool JvTranslateValueBack(TXTObjectRef& record, const std::string& text, int32_t& index,
                                    kz::Variant& value);
  // The stored value of entry `entry` (its index in the array of JvGetPropertyValues)
  // of a pick list, whose text is `text`: entries may share a text, and the entry
  // decides. By default the text's translation (JvTranslateValueBack).
  virtual bool JvTranslateEntryBack(TXTObjectRef& record, int32_t& index, int32_t entry, const std::string& text,
                                    kz::Variant& value);

  // --- property ----------------------------------------------------------------

  virtual bool ReadOnly();
  virtual void SetReadOnly(bool value);

 signals:
  // Raised by the page after every edit with the changed record.
  void OnObjectChanged(TXTObjectRef record);

 protected:
  // Init with a parser; pages that know files override this.
  virtual bool DoInit(TxtParserRef& parser);

  // The error a missing member raises.
  [[noreturn]] static void NotSupported(const char* member);
};
