#pragma once
// clsTxtParser: one type file ("T file") in memory as records (clsTXTObject).
//
// Reading: Load (from an open rudu file handle) or LoadFromHandle (from a type-file
// document that videdoded has loaded) fills two collections of the same records, both
// keyed by the records' keys ("12k"):
//   UnsortedObjects  file order; every record's `index` is its 0-based position here;
//   objects          name order: ascending by ID text (ObjectName) compared without
//                    case (ASCII letters folded); records with equal IDs keep the order
//                    in which they were added. A file read in name order has it mirror
//                    the file order (kz::Collection::Mirror) until either changes.
// Six layouts are read: the generic layout (version, count, fixed-size records) with
// the variable-length ship records of TShips, and the own layouts of Jobs, JobWings,
// WareLists and IconData. Saving writes them back: Jobs, JobWings and WareLists in
// their own layouts (each the exact inverse of its reader), every other type in the
// generic layout; IconData is refused (its reader drops a value of every icon). A
// number nobody changed is written as the bytes it was read from ("0.050000" stays so;
// the version, and the record count while it holds, too); changed and new values are
// formed by the writer's rules, and the remark line that heads a saved file is the
// writer's own.
//
// Failures give False and a text in GetLastError. Counts read from a file must be
// whole numbers of at least 0, and records are read value by value, so a damaged count
// fails at the end of the file rather than reserving memory. A save is formed whole
// before anything is committed: into a plain file's temporary file as it goes (without
// the content in memory), else into the write handle's content; either reaches the file
// only when the handle commits at close (a large file is formed by several threads in
// parts). A value the writer refuses fails the save before its target changes, and a
// failed save never commits (the target keeps its old content, nothing is left beside).
//
// The document that a load reads from is the parser's: it is freed when the load
// ends. Records keep their texts where they stand in the file's bytes when those stay
// unchanged (a file read into memory, or a mapped file guarded by a lease): the bytes
// then live as long as any record of the load.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Collection.h"
#include "core/Variant.h"
#include "typefiles/TXTObject.h"

struct Kz_Value;

class clsTxtParser : public kz::Object {
 public:
  kz::Collection<TXTObjectPtr> objects;          // name order
  kz::Collection<TXTObjectPtr> UnsortedObjects;  // file order
  std::string FileName;                          // the path the file came from ("" = none)

  clsTxtParser();
  ~clsTxtParser() override;
  clsTxtParser(const clsTxtParser&) = delete;
  clsTxtParser& operator=(const clsTxtParser&) = delete;

  // ---- Reading ----
  // Reads a type file from an open rudu file handle (opened and closed by the caller).
  bool Load(int32_t fileHandle, int32_t type);
  // As Load, but closes the handle (also on failure) as soon as its bytes are in the
  // document: a read handle's content moves into the document rather than being
  // copied, so the file is in memory only once while it is loaded.
  bool LoadAndClose(int32_t fileHandle, int32_t type);
  // Reads records from a loaded type-file document. The parser takes the document
  // over, also when it fails (a handle that is not a type-file document is not taken).
  bool LoadFromHandle(int32_t handle, int32_t type);

  bool Parsed() const noexcept { return parsed_; }
  int32_t Version() const noexcept { return version_; }
  int32_t otype() const noexcept { return otype_; }
  const std::string& GetLastError() const noexcept { return lastError_; }
  void SetError(std::string text) { lastError_ = std::move(text); }

  // A ship of the last load whose turret, gun group or gun counts do not add up to the
  // values of its line: its record holds that line's values as they stand (a save
  // writes them back so), and `what` says what does not add up. A ship record is one
  // line; a line too short for any ship, or a file that ends before its record count,
  // still fails the load.
  struct LineRecord {
    int32_t id = 0;    // the record's key number
    int32_t line = 0;  // 1-based line of the file
    std::string what;
  };
  const std::vector<LineRecord>& LineRecords() const noexcept { return lineRecords_; }

  // ---- Writing ----
  // Writes every record to an open, writable rudu file handle positioned at its start
  // (opened and closed by the caller), then ends the file there. On success the
  // modified flag and every record's Dirty are cleared. On failure the handle is
  // dropped without committing anything (closing it afterwards is harmless and writes
  // nothing), so the file on disk stays as it was.
  bool Save(int32_t fileHandle);
  // The bytes Save would write (Windows-1252), or false with the error text set.
  bool FormatFile(std::string& out);
  // A large file is formed by up to four threads at once, in parts of at least this
  // many bytes (kDefaultSavePartBytes; tests set others).
  static constexpr size_t kDefaultSavePartBytes = size_t{2} << 20;
  static void SetSavePartBytes(size_t bytes) noexcept;
  // Whether the writer takes `v` as a field: false with the writer's reason (a text
  // with ";", a line end, a leading "//" or a character Windows-1252 cannot hold).
  static bool WritableValue(const kz::Variant& v, std::string& why);

  // ---- Records ----
  // A new record without values, with the next key number, placed before `before`
  // (at the end when null). Marks the file modified.
  TXTObjectPtr CreateObject(const TXTObjectPtr& before = nullptr);
  // Files a record in both collections: in file order before `before` (at the end when
  // null; `before` must be in the file), in name order before the first record whose ID
  // is greater. The modified flag is left alone. AppError 457 for a key already filed,
  // 5 for a `before` that is not in the file.
  void AddObjectP(TXTObjectPtr record, const TXTObjectPtr& before = nullptr);
  // Removes a record from both collections and renumbers `index`; marks the file
  // modified. False (and nothing changed) when neither collection holds it.
  bool RemoveObject(const TXTObjectPtr& record);

  TXTObjectPtr FindKey(std::string_view key) const;  // from `objects`; null when absent
  TXTObjectPtr Find(int32_t n) const;                // FindKey("<n>k")
  TXTObjectPtr FindID(std::string_view id) const;    // first in file order, exact compare
  TXTObjectPtr FindIndex(int32_t i) const;           // 0-based file position; null outside

  // The modified flag or any record's Dirty.
  bool CheckDirty() const;
  // The file's modified flag alone (records added or removed).
  bool Modified() const noexcept { return modified_; }
  // Sets the modified flag again (an editor whose save could not be committed).
  void SetModified(bool value) noexcept { modified_ = value; }
  // Number of records (of the file order).
  int32_t Count() const noexcept { return UnsortedObjects.Count(); }
  // Hands out the next key number (for containers that add records themselves).
  int32_t NextKeyNumber() noexcept { return ++counter_; }

  // The text of an ID as it is compared for name order (ASCII letters folded).
  static std::string NameOrderKey(std::string_view id);

  // Bytes of the page pool's blocks in use in the process: the chunks loaded records
  // live in and the large node and key tables of the collections (taken from the
  // system directly, not through operator new; blocks kept for the next load are not
  // counted).
  static size_t RecordChunkBytes();

 private:
  // The text of videdoded's last error (code, then its text).
  static std::string LibraryError();
  // Value reading; errors are kz::AppError.
  kz::Variant LoadValue(int32_t kind);
  bool AtEnd() const;
  kz::Variant TokenValue();
  bool Advance(int32_t n);
  void AppendValues(clsTXTObject& record, int64_t n);
  void PushLoaded(clsTXTObject& record, const Kz_Value& v);
  // Notes the value a batch read last: the record's ID when nothing is pushed after it.
  void NoteLastRead(const Kz_Value& v);
  const char* InPlace(const Kz_Value& v) const noexcept;
  bool LoadFile(int32_t fileHandle, int32_t type, bool close);

  // Layouts.
  bool ReadGeneric(int32_t type);
  // The values of each record of a generic file of `type` (its version read): 0, with
  // the error, when the file cannot be read.
  int32_t FixedRecordSize(int32_t type);
  clsTXTObject* ReadFixedRecord(int32_t size);
  clsTXTObject* ReadShipRecord();
  // A record of the values of `line`, the current token's, up to its end (a ship
  // record is a line; TxtParserShips.cpp reads its counts over them). Null, after
  // values of later lines may have been taken, when the line holds no more than `head`
  // values (for a record of fewer is none).
  clsTXTObject* ReadLineRecord(int32_t line, int32_t head = 0);
  // After the ships: false (with the error) when a ship read as its line is followed by
  // more lines than the count says, for a ship may then run over several of them.
  bool ShipLinesEndTheFile();
  bool ReadJobs();
  bool ReadJobWings();
  TXTObjectPtr ReadJobWingsRecord();
  bool ReadWareLists();
  bool ReadIconData();

  // Where a save's bytes are formed (see TxtParser.cpp).
  class Sink;
  bool FormatTo(Sink& out);
  bool FormatGeneric(Sink& out);
  bool FormatJobs(Sink& out);
  bool FormatJobWings(Sink& out);
  bool FormatWareLists(Sink& out);
  bool FormatVersion(Sink& out);
  // Forming values and lines; a refusal's reason goes to `error`. They read only the
  // records, so parts of a file may be formed by several threads at once.
  static bool FormatValue(const kz::Variant& v, Sink& out, const clsTXTObject& record, int32_t field,
                          std::string& error);
  static bool FormatCell(const clsTXTObject& record, int32_t field, Sink& out, std::string& error);
  static bool PutField(Sink& out, std::string_view bytes);
  static bool FormatCells(const clsTXTObject& record, int32_t first, int32_t end, Sink& out, std::string& error);
  static bool FormatView(const clsTXTObject::ValueView& v, const clsTXTObject& record, int32_t field, Sink& out,
                         std::string& error);
  // Records [from, to) of `records`, each on its line.
  static bool FormatLines(const std::vector<const clsTXTObject*>& records, size_t from, size_t to, Sink& out,
                          std::string& error);
  // All of `records`, in parts formed by several threads when there are many.
  bool FormatLinesInParts(const std::vector<const clsTXTObject*>& records, Sink& out);
  // The room to set aside for a save: the size of the last one, else a guess from a
  // sample of the records.
  size_t SaveSizeHint();

  // Appends a record read from the file at the end of the file order; both collections
  // are made once when the load ends (BuildNameOrder), in the order that filing each
  // record by AddObjectP would give.
  // A record of its own (JobWings, IconData); AppendStored files one of the load's
  // record store, in the order the store made them. A load's records are all of one
  // kind or all of the other. FileLoaded does what both do.
  void AppendLoaded(TXTObjectPtr record);
  void AppendStored(clsTXTObject& record);
  void FileLoaded(clsTXTObject& record);
  // Room for the records a file announces, before they are read: bounded by what the
  // file's size can hold at `leastBytes` a record, or capped when the size is unknown.
  // With `valuesEach` (0: not known), the values of each are made room for too.
  void ReserveRecords(int64_t count, int64_t leastBytes, int64_t valuesEach);
  // A record for the load, made in the load's record store, with room for `values`.
  // The store keeps it; it is handed out as a TXTObjectPtr when both collections are made.
  clsTXTObject* NewLoadedRecord(size_t values);
  void BuildNameOrder();
  void Renumber();
  void ResetRecords();
  void FreeDocument();

  std::string lastError_;
  std::vector<LineRecord> lineRecords_;
  bool modified_ = false;
  bool parsed_ = false;
  int32_t otype_ = 0;
  int32_t version_ = 0;
  // The version and the record count as they were read, when the writer would form
  // them otherwise ("" else), and the count read.
  std::string versionText_;
  std::string countText_;
  int64_t countRead_ = -1;
  int32_t doc_ = 0;      // the document being read (0 outside a load)
  int32_t counter_ = 0;  // the last key number handed out
  std::unique_ptr<Kz_Value> scratch_;
  size_t lastSaveSize_ = 0;   // the bytes of the last save or FormatFile (0: none yet)
  int64_t loadBytes_ = 0;     // during a load from a file: its size (0: unknown)
  std::unique_ptr<Kz_Value[]> batch_;  // values taken from the document in one call
  std::unique_ptr<Kz_Value[]> lineBatch_;  // the same for a line's values
  // During a load: the records of their own in file order (the store holds its own
  // in that order: no list of them is made), how many records were filed, and the
  // names kept as copies (by file position; see FileLoaded).
  kz::TableVector<TXTObjectPtr> loaded_;
  size_t filed_ = 0;
  std::vector<std::pair<uint32_t, std::string>> ownedNames_;
  // During a load: whether the records so far came in name order, and the name of the
  // last (a view of it, or of its copy in lastOwnedName_).
  bool loadSorted_ = true;
  bool idsInOrder_ = true;  // and whether each record's key number is its place + 1
  std::string_view lastName_;
  std::string lastOwnedName_;
  // During a load: the last value pushed on the record being read, when a batch gave it
  // as a text by its place in the document (valid while the document is read), else null.
  std::string_view readName_;
  // During a load: where its records are made (they share its ownership).
  class RecordStore;
  std::shared_ptr<RecordStore> store_;
  // During a load: the bytes its records keep texts in where they stand (the store
  // keeps them); empty when texts are copied.
  std::string_view inPlace_;
};

using TxtParserPtr = std::shared_ptr<clsTxtParser>;
