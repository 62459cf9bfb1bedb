#pragma once
// The main tool bars of the editor windows: one text-beside-icon button per table entry.
#include <QStyle>

#include <functional>
#include <initializer_list>
#include <string>
#include <unordered_map>

class QToolBar;
class QToolButton;

namespace kz {

struct ToolButtonDef {
  const char* key;  // the button's object name, and what a click hands on
  const char* text;
  const char* tip;  // null: the text
  QStyle::StandardPixmap icon;
  bool checkable = false;
};

// Adds a button for each entry to bar in table order and records it in buttons under its
// key; clicking it calls onClick with the key.
void AddToolButtons(QToolBar* bar, std::initializer_list<ToolButtonDef> defs,
                    std::unordered_map<std::string, QToolButton*>& buttons,
                    const std::function<void(const std::string&)>& onClick);

}  // namespace kz
