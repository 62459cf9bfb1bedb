#pragma once
// clsGalaxyParser: one open universe map. It owns the XML document cursor, the sectors
// and every galaxy object read or made for the document, keeps them in step with the
// XML document, and gives each object its display texts from the type files and the
// text resources.
//
// Loading takes two steps: ParseFile reads every sector with only its gates (so gate
// links are known at once); LoadSectorChildren reads the rest of one sector when it is
// first opened. Adding, deleting and moving objects write the XML document at once;
// property changes reach it through UpdateObjectXML or, at the latest, SaveFile.
//
// Make the document with std::make_shared, so that its objects can refer back to it.
//
// Adding an object, in this order: NewGalObject (or CreateGalObject) under the chosen
// parent; set its type and subtype; AddObject; append it to the parent's Childs (a sector
// has no parent); UpdateObjectXML (gives it its element); CreateDefaultObjects.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/Collection.h"
#include "core/XMLParser.h"
#include "galaxy/model/GalaxyObject.h"
#include "galaxy/model/GalaxyObjectIndex.h"

class clsTxtParser;
class clsTXTObject;

class clsGalaxyParser : public kz::Object, public std::enable_shared_from_this<clsGalaxyParser> {
 public:
  // The namespace of a map made new.
  static constexpr const char* kUniverseNamespace = "KZUNIVERS.xsd";

  clsGalaxyParser();
  ~clsGalaxyParser() override;
  clsGalaxyParser(const clsGalaxyParser&) = delete;
  clsGalaxyParser& operator=(const clsGalaxyParser&) = delete;

  // Every registered object under its key.
  GalaxyObjectIndex objects;
  // The sectors in document order (new ones appended, moved ones re-inserted).
  kz::Collection<GalaxyObjectPtr> Sectors;
  // The file last loaded or saved; "" after a failed load.
  std::string FileName;
  // True after a successful ParseFile or NewFile.
  bool Good = false;
  // The namespace URI of the root element; new `o` elements are made in it.
  std::string Namespace;
  // The cursor's bookmark of the root element `universe`.
  int32_t UniverseBookmark = 0;

  const std::string& GetLastError() const noexcept { return lastError_; }

  // NewGalObject, then registered in `objects`.
  GalaxyObjectPtr CreateGalObject(const GalaxyObjectPtr& parent);
  // A new object with the next id, the given Parent and this document; not registered,
  // not in the parent's Childs.
  GalaxyObjectPtr NewGalObject(const GalaxyObjectPtr& parent);

  // Loads a universe map: every sector with its gates.
  bool ParseFile(const std::string& path);
  // The first sector in `Sectors` at that grid position; null when none.
  GalaxyObjectPtr FindSector(int32_t x, int32_t y) const;
  // Reads all children of a sector (pending changes of the sector are written first).
  bool LoadSectorChildren(const GalaxyObjectPtr& sector);

  // Display texts.
  std::string GetObjectID(const GalaxyObjectPtr& obj) const;
  std::string GetObjectName(const GalaxyObjectPtr& obj) const;
  // Modes: 1 the record's ID, 2 its page-17 name, other: the name, else the ID.
  std::string GetObjectSubType(const GalaxyObjectPtr& obj, int32_t mode) const;
  // The page-7 string ID of a sector's name; 0 when it is not a 32-bit number.
  int32_t GetSectorStringID(const GalaxyObjectPtr& sector) const;

  // Writes pending changes and stores the file; mode 1 plain, 2 packed.
  bool SaveFile(const std::string& path, int32_t mode);

  // One text per record of the type file of object type t, in file order (index i is
  // the numeric subtype that selects record i); empty without a file.
  std::vector<std::string> GetSubTypeNames(int32_t t, int32_t mode) const;

  // Registers obj and all its descendants (an object without a parent, which is written
  // at the root, also in `Sectors`).
  bool AddObject(const GalaxyObjectPtr& obj);
  // Removes the object's element, then the object from its parent and the indexes.
  bool DeleteObject(const GalaxyObjectPtr& obj);
  // Writes the object (and its children) into the document.
  bool UpdateObjectXML(const GalaxyObjectPtr& obj);
  // Moves obj into target (asChild) or beside it (under target's parent).
  bool MoveObject(const GalaxyObjectPtr& obj, const GalaxyObjectPtr& target, bool asChild);
  // Default properties and default children of a new object; always True.
  bool CreateDefaultObjects(const GalaxyObjectPtr& obj);
  // An empty universe map.
  bool NewFile();

  // The ID text (asID) or name of the sector a gate leads to; "" for anything else.
  std::string GetTargetSectorName(const GalaxyObjectPtr& gate, bool asID) const;

  // Where the properties read from the document are made.
  const std::shared_ptr<PropertyArena>& Arena();

  // The document cursor (for the windows that read the XML directly, and for tests).
  clsXMLParser& XML() noexcept { return xml_; }

 private:
  friend class clsGalaxyObject;
  // AddObject for one object alone (its children are registered already), under its key.
  bool Register(const GalaxyObjectPtr& obj, const std::string& key);
  void DetachObjects(GalaxyChildList& coll);
  void DetachAll();
  void RemoveChildrenFromIndex(const GalaxyObjectPtr& obj);
  void ForgetBookmarks(const GalaxyObjectPtr& obj);
  // Whether an object has changed or has no element yet.
  bool AnyObjectPending() const;
  void ClearDirtyFlags();
  void AddDefaultSubObject(const GalaxyObjectPtr& parent, int32_t t, int32_t s);
  void SetDefaultRace(const GalaxyObjectPtr& obj);

  // Naming.
  std::string GetSectorName(const GalaxyObjectPtr& sector) const;
  bool GetSubtypeText(const GalaxyObjectPtr& obj, std::string& text, int32_t mode) const;
  std::string SubtypeRecordText(const clsTXTObject& record, int32_t mode) const;
  std::shared_ptr<clsTxtParser> TypeFileOf(int64_t t) const;
  std::shared_ptr<clsTXTObject> FindRecordID(const std::shared_ptr<clsTxtParser>& file, std::string_view id) const;

  clsXMLParser xml_;
  std::shared_ptr<PropertyArena> arena_;
  int32_t ObjectCounter = 0;
  std::string lastError_;

  // Record IDs of a type file -> its first record with that ID (see FindRecordID):
  // open addressing over the IDs' hashes. The index holds the records it names, so a
  // record taken out of the file stays valid memory until the index is made again.
  struct IdIndex {
    std::weak_ptr<clsTxtParser> file;
    int32_t count = -1;
    const clsTXTObject* front = nullptr;  // the file's first and last record when made
    const clsTXTObject* back = nullptr;
    struct Slot {
      uint32_t hash = 0;
      int32_t position = -1;  // -1: free
      const clsTXTObject* record = nullptr;
    };
    std::vector<Slot> table;  // a power of two, at most half full
    std::vector<std::shared_ptr<clsTXTObject>> keep;
  };
  mutable std::unordered_map<const clsTxtParser*, IdIndex> idIndexes_;
};

using GalaxyParserPtr = std::shared_ptr<clsGalaxyParser>;
