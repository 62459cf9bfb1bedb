#pragma once
// Starting other programs: the game, the external 3D viewer (with a model copied out
// of a catalog when the viewer cannot read catalog paths), the mod manager, the custom
// program, and the help pages in the desktop's viewer.
//
// Programs are always started directly with an argument list, never through a shell:
// the viewer's command-line template is split into words first and "%1" / "%2" are
// replaced inside each word, so record data can never turn into extra commands.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Variant.h"

namespace kz {

// How a started program's first window should appear.
enum class StartWindow { Normal, Minimized };

// Starts processes and opens documents. The windows install the Qt implementation
// (QProcess::startDetached / QDesktopServices); tests install a recording one.
class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;
  // Starts `program` with `args` in `workDir` (empty: the current folder) without
  // waiting for it; true when the process was created.
  virtual bool Start(const std::string& program, const std::vector<std::string>& args,
                     const std::string& workDir, StartWindow show) = 0;
  // Opens a local document (a help page) in the desktop's viewer; true when handed over.
  virtual bool OpenDocument(const std::string& path) = 0;
};

// The process-wide starter (none until one is installed: starts then fail).
void SetProcessStarter(std::shared_ptr<ProcessStarter> starter);
std::shared_ptr<ProcessStarter> GetProcessStarter();

// ---- Decisions -----------------------------------------------------------------------

// Splits a command-line template into words: blanks and tabs separate words, double
// quotes group (a pair of quotes gives an empty word), a backslash is an ordinary
// character (Windows-style paths stay whole), "\"" inside quotes is a literal quote.
std::vector<std::string> SplitTemplateWords(std::string_view tmpl);

// Replaces every "%1" by `file` and every "%2" by `extra` inside one word; the inserted
// texts are not searched again.
std::string ExpandTemplateWord(std::string_view word, std::string_view file,
                               std::string_view extra);

// The viewer's argument list: the template split into words, each word expanded.
// An empty template gives no arguments.
std::vector<std::string> BuildViewerArguments(std::string_view tmpl, std::string_view file,
                                              std::string_view extra);

// "objects\" + ("cut" or "v") + "\" + the model number as five digits with leading
// zeros when `model` is numeric; else "objects\" + the model text.
std::string ModelSearchPattern(const Variant& model, bool cut);

// The "%2" text: "TShips:" + data for type 1, "TFactories:" + data for type 7, else "".
std::string ViewerExtraText(int32_t typeCode, std::string_view tdata);

// Where a model out of a catalog is copied for the viewer: the temporary folder joined
// with the last part of the inner name (after the last "\" or "/") and ".bod". False
// (with the reason in `why`) for an empty temporary folder and for an empty, "." or
// ".." last part, so the copy always lands directly inside the temporary folder.
bool ModelCopyPath(std::string_view tempRoot, std::string_view modelPath, std::string& out,
                   std::string& why);

// The folder of an executable (the text before its last "/" or "\"; "" without one).
std::string ProgramFolder(std::string_view exePath);

// The folder of the help pages: "help" beside the running program (or the "bin/help"
// of the build tree for a program built into a sibling folder).
std::string HelpFolder();

// The page of a help topic inside `helpFolder`: "index.html" for an empty topic; a
// topic that is not a plain file name (holding "/", "\" or "..") is refused.
bool HelpTopicPath(std::string_view helpFolder, std::string_view topic, std::string& out);

// ---- Procedures ------------------------------------------------------------------------

// Opens the help page of a topic ("" = the contents) in the desktop's viewer. A
// missing page says so in a message box. Boxes of these procedures belong to `owner`
// (the window whose action called them) when one is given.
void ShowHelpTopic(const std::string& topic, void* owner = nullptr);

// Starts the external 3D viewer on a model file (a plain path or a catalog path) with
// `extra` as the "%2" text; see the settings "3DViewer". Reports its own failures.
void OpenIn3DViewer(const std::string& path, const std::string& extra, void* owner = nullptr);

// Finds the model of a record (its value `model`, `cut` for the cockpit model) in the
// virtual file system and opens it in the 3D viewer, with the extra text made of the
// record's type code and type-file data. Nothing happens when no file is found.
void ShowObjectModel(const Variant& model, bool cut, int32_t typeCode, std::string_view tdata,
                     void* owner = nullptr);

// What the Body, Picture, Scene and model buttons of the pages do: as ShowObjectModel,
// but says why nothing starts: no 3D viewer set (the settings' message), or no model of
// that name in the virtual file system ("The model <name> is not in the game's files.").
void OpenObjectModel(const Variant& model, bool cut, int32_t typeCode, std::string_view tdata,
                     void* owner = nullptr);

// Starts the executable `path` without arguments in its own folder; true when started.
bool StartProcess(const std::string& path);

// Starts the game (Settings.KzEXEPath); without a path a warning and false.
bool RunGame(void* owner = nullptr);

}  // namespace kz
