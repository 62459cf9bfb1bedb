#include "core/ui/ToolbarUi.h"

#include <QToolBar>
#include <QToolButton>

namespace kz {

void AddToolButtons(QToolBar* bar, std::initializer_list<ToolButtonDef> defs,
                    std::unordered_map<std::string, QToolButton*>& buttons,
                    const std::function<void(const std::string&)>& onClick) {
  for (const ToolButtonDef& d : defs) {
    auto* button = new QToolButton(bar);
    button->setObjectName(d.key);
    button->setText(d.text);
    button->setToolTip(d.tip ? d.tip : d.text);
    button->setIcon(bar->style()->standardIcon(d.icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setCheckable(d.checkable);
    bar->addWidget(button);
    buttons[d.key] = button;
    const std::string key = d.key;
    QObject::connect(button, &QToolButton::clicked, bar, [onClick, key] { onClick(key); });
  }
}

}  // namespace kz
