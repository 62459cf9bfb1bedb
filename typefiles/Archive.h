#pragma once
// clsArchive: the process-wide cache of type files loaded from the game data.
//
// Editors and pages ask for a file by name ("TShips", "TLaser", "TWareT", ...) and get
// a parsed clsTxtParser that they share and must not reload: a file is read once per
// cache lifetime. The cache key is the name without folder and extension, compared
// without case ("TShips", "tships.txt" and "types\TShips.pck" are one key). Files are
// looked up in the virtual file system as "types\" + the name.
#include <cstdint>
#include <memory>
#include <string>

#include "core/Collection.h"
#include "typefiles/TxtParser.h"

class clsArchive {
 public:
  clsArchive() = default;

  // The cached parser of a name, else the file loaded and parsed (and cached); null when
  // it is not in the virtual file system, cannot be read, or does not parse. A missing or
  // unreadable file sets the load-failure flag, adds a NotLoadedFiles line and the error
  // text "Error loading types\<name>:" + two line ends + the reason; a file that loads
  // but does not parse leaves the parser's own error as the error text.
  TxtParserPtr GetFile(const std::string& name);
  bool IsFileLoaded(const std::string& name) const;

  // The load-failure flag as "True"/"False", and as a Boolean.
  std::string LoadError() const { return loadFailed_ ? "True" : "False"; }
  bool ParseError() const noexcept { return loadFailed_; }
  // One line per file that was not found or not read: "<path>: <error>", CR LF between.
  const std::string& NotLoadedFiles() const noexcept { return notLoaded_; }
  // Kept empty.
  const std::string& NotParsedFiles() const noexcept { return notParsed_; }
  const std::string& GetLastError() const noexcept { return lastError_; }

  // Empties the three texts and clears both flags.
  void ClearErrors();
  // Empties the cache and the errors; parsers already handed out stay valid for their holders.
  void Clear();

  // Number of cached files.
  int32_t Count() const noexcept { return cache_.Count(); }
  // Counts the times the cache was emptied: what was built from the cached files
  // belongs to one generation.
  uint64_t Generation() const noexcept { return generation_; }

  // The cache key of a name or path: the file name without folder and extension.
  static std::string CacheKey(const std::string& name);

 private:
  TxtParserPtr LoadFile(const std::string& name);

  kz::Collection<TxtParserPtr> cache_;
  std::string lastError_;
  std::string notLoaded_;
  std::string notParsed_;
  bool loadFailed_ = false;
  bool clearFlag_ = false;
  uint64_t generation_ = 0;
};

using ArchivePtr = std::shared_ptr<clsArchive>;

// The process-wide archive, created by the start-up (null before).
extern ArchivePtr Archive;
