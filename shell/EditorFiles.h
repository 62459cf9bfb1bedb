#pragma once
// The files the program's editor windows have open, for the commands that must not
// write onto one of them (the exports). The shell lists the windows; which file a
// window holds is told by a reader per kind of editor window, set by the program's
// wiring (the shell does not know the editor windows).
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace kz {

// True with the window's open file ("" or false: none, or not a window of its kind).
using EditorFileReader = std::function<bool(QWidget* window, std::string& path)>;

// Adds a reader; every window is asked of each reader in turn.
void AddEditorFileReader(EditorFileReader reader);
// Drops every reader (tests).
void ClearEditorFileReaders();
// The files open in the program's windows, each path once, in the order of the windows.
std::vector<std::string> FilesOpenInEditors();

}  // namespace kz
