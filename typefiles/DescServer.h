#pragma once
// clsDescServer: display strings (object names, ship class names, ware size names,
// sector names, job descriptions) out of the game's text resources.
//
// The strings live in videdoded's description store, which is one per process: every
// instance of this class sees the same strings. LoadResources finds the text resource
// files of one language in the virtual file system ("t\" folder), feeds them to the
// store in file order (a later file's string replaces an earlier one's) and resolves
// the references between strings.
//
// A file counts for a language when its name without extension is all digits, at
// least five of them, and the leading digits (all but the last four, the file number)
// read as that language's ID: "440001.xml" and "440001.pck" belong to language 44,
// "070001.xml" to language 7; language 4 never takes language 44's files.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Text pages in use.
inline constexpr int32_t kPageObjectNames = 17;     // names of wares, shields, lasers, missiles (field 6)
inline constexpr int32_t kPageSectorNames = 7;
inline constexpr int32_t kPageJobDescriptions = 1000;
inline constexpr int32_t kPageShipClasses = 1263;   // ID 19301 + class
inline constexpr int32_t kPageWareSizes = 1999;     // IDs 10..15 for the sizes 0..5

class clsDescServer {
 public:
  clsDescServer() = default;

  // Loads every text resource file of a language into the store (replacing what it
  // held). True when every listed file loaded; otherwise the error text names each
  // file that failed (the others are loaded and answer strings), or says that the
  // language has no files. A language ID of 0 or below is refused before the store
  // is touched.
  bool LoadResources(int32_t langID);
  // Empties the store.
  void Unload();

  // The string handle of page/id in the store; 0 when absent.
  int32_t GetString(int32_t page, int32_t id) const;
  int32_t GetObjectString(int32_t id) const { return GetString(kPageObjectNames, id); }
  // The string's processed text; when absent the default (when given), else
  // "[string <page>:<id>]".
  std::string GetStringDirect(int32_t page, int32_t id) const;
  std::string GetStringDirect(int32_t page, int32_t id, std::string_view defaultText) const;

  // Opens one text resource file for editing: the document handle (the caller's), or
  // 0 with the error text set.
  int32_t OpenFile(const std::string& path);
  // Saving belongs to the text resource editor: always False.
  bool SaveFile(int32_t document, const std::string& path);

  const std::string& GetLastError() const noexcept { return lastError_; }
  // The language of the last successful file search (0 before).
  int32_t LangID() const noexcept { return langID_; }

  // The paths of a language's text resource files in the virtual file system, in the
  // order LoadResources feeds them; empty with the error text set when there are none.
  std::vector<std::string> ListResourceFiles(int32_t langID);

  // Store look-ups without an instance (the store is process-wide): the handle of a
  // string (0 when absent), a handle's processed text ("" for 0 or a stale handle),
  // and the text of page/id ("" when absent).
  static int32_t FindString(int32_t page, int32_t id);
  static std::string StringText(int32_t handle);
  static std::string FindStringText(int32_t page, int32_t id);

  // Listeners told after every load or unload of the store (the windows that show its
  // pages read them again: the old page and string handles are gone). Add returns an
  // id for Remove.
  static int32_t AddStoreListener(std::function<void()> listener);
  static void RemoveStoreListener(int32_t id);
  static void NotifyStoreChanged();

  // The language ID that a text resource file's name belongs to (see the top of this
  // file); 0 when the name is not one of a text resource file.
  static int32_t LanguageOfFileName(std::string_view fileName);

 private:
  void SetError(std::string text) { lastError_ = std::move(text); }

  std::string lastError_;
  int32_t langID_ = 0;
};

using DescServerPtr = std::shared_ptr<clsDescServer>;

// The process-wide description server, created by the start-up (null before).
extern DescServerPtr DescServer;
