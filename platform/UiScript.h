#pragma once
// UiScript: the dialog answers of a test run of the whole program, read from a text
// file (KZ_UI_SCRIPT names it; see app/main.cpp) into a ScriptedUi's queues. One
// answer a line; blank lines and lines starting with "#" are skipped, leading blanks
// are ignored, keywords are read in any case. Each kind of dialog takes the answers of
// its kind in the order they stand; when they run out, a message box takes its default
// button and every other dialog is cancelled (as ScriptedUi does).
//   msgbox <button>      the next message box gets <button>: ok, cancel, abort, retry,
//                        ignore, yes, no, or the button's number (1 ... 7)
//   file <path>          the next open or save dialog returns <path> (the rest of the
//                        line as it stands, blanks included; a file inside a catalog as
//                        "<catalog>::<inner path>"), with the filter the request offered
//   file:<n> <path>      the same, with the n-th filter (1-based) chosen
//   keep file            the next open or save dialog returns the name it proposes (in
//                        its start folder when the name has none), as the user pressing
//                        Save or Open at once; cancelled when it proposes none
//   folder <path>        the next folder picker returns <path>
//   colour <value>       the next colour picker returns <value> (0xBBGGRR; decimal, or
//                        hexadecimal after "0x")
//   input <text>         the next input box returns <text> ("input" alone: an empty text)
//   cancel <kind>        the next dialog of that kind is cancelled: file, folder,
//                        colour or input
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ScriptedUi;

struct UiScriptAnswer {
  enum class Kind { MsgBox, File, Folder, Colour, Input };
  Kind kind = Kind::MsgBox;
  bool ok = true;           // false: the dialog is cancelled
  bool asOffered = false;   // File: the name the dialog proposes
  std::string text;         // File: the path; Folder: the folder; Input: the text
  int32_t number = 0;       // MsgBox: the button; File: the filter (0: the request's); Colour: the colour

  bool operator==(const UiScriptAnswer&) const = default;
};

// Reads a script's text; false with `error` naming the line and what is wrong in it
// (nothing is kept then).
bool ParseUiScript(std::string_view text, std::vector<UiScriptAnswer>& answers, std::string& error);
// Queues the answers on `ui`, in their order.
void QueueUiScript(const std::vector<UiScriptAnswer>& answers, ScriptedUi& ui);
// Reads the script file at `path` and queues its answers; false with `error` when the
// file cannot be read or a line is wrong (nothing queued then).
bool LoadUiScript(const std::string& path, ScriptedUi& ui, std::string& error);

}  // namespace platform
