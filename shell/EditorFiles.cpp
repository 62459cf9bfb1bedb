#include "shell/EditorFiles.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>

namespace kz {

namespace {
std::vector<EditorFileReader>& Readers() {
  static std::vector<EditorFileReader> readers;
  return readers;
}
}  // namespace

void AddEditorFileReader(EditorFileReader reader) {
  if (reader) Readers().push_back(std::move(reader));
}

void ClearEditorFileReaders() { Readers().clear(); }

std::vector<std::string> FilesOpenInEditors() {
  std::vector<std::string> files;
  // Every window, shown or hidden, owned by another or not: a hidden editor window
  // still holds its file and may save it back.
  for (QWidget* window : QApplication::topLevelWidgets()) {
    for (const EditorFileReader& read : Readers()) {
      std::string path;
      if (read(window, path) && !path.empty()) {
        if (std::find(files.begin(), files.end(), path) == files.end()) files.push_back(path);
        break;
      }
    }
  }
  return files;
}

}  // namespace kz
