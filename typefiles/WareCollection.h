#pragma once
// mdlWareList: one list of every ware-like record of the game, for the pages that refer
// to wares by their ID text (jobs, ware lists), and the display name of a ware.
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "typefiles/TxtParser.h"

namespace mdlWareList {

// The files whose records make up the collection, in this order: the six ware files,
// then "TShields", "TMissiles", "TLaser".
extern const char* const kWareCollectionFiles[9];

// A new parser used as a container of copies: its UnsortedObjects holds clones of the
// records of every file above that the archive can give (a missing file adds nothing),
// each file's records in file order, with key numbers 1, 2, 3 ... across all files and
// `index` = the position in the collection. `objects` stays empty. The clones keep their
// type code and values, so editing them never changes the archive's files.
TxtParserPtr BuildWareCollection();

// The display name of the ware with that ID text: the page-17 string named by its field
// 6 (types 2, 3, 5 and 6) or field 0 (other types but 0); the ID itself when the ware is
// missing, its type names no field, the field holds no whole number in the 32-bit range,
// or the text resources hold no (or an empty) string.
std::string GetWareName(const clsTxtParser& wares, std::string_view id);
std::string GetWareName(const TxtParserPtr& wares, std::string_view id);

}  // namespace mdlWareList

// clsWareCollection: a ware collection with an index of its IDs, built once, so that
// finding a ware and naming it take the same time whatever the number of wares. An ID
// held by more than one record finds the first in file order, as clsTxtParser::FindID.
// The records are not to be changed while the index is in use.
class clsWareCollection {
 public:
  explicit clsWareCollection(TxtParserPtr wares);

  const TxtParserPtr& Wares() const noexcept { return wares_; }
  int32_t Count() const noexcept { return wares_->Count(); }
  // The first record in file order whose ID is `id` (exact compare); null when none.
  TXTObjectPtr FindID(std::string_view id) const;
  // The display name of a ware ID, as mdlWareList::GetWareName gives it.
  std::string GetWareName(std::string_view id) const;

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
  };
  TxtParserPtr wares_;
  std::unordered_map<std::string, TXTObjectPtr, Hash, std::equal_to<>> byID_;
};

using WareCollectionPtr = std::shared_ptr<const clsWareCollection>;

namespace mdlWareList {

// The ware collection of the process-wide archive, indexed, shared by every page and
// viewer: built at the first call and again once the archive was emptied or replaced
// (a reload of the game data); an empty collection while there is no archive.
WareCollectionPtr SharedWareCollection();

}  // namespace mdlWareList
