#include "shell/About.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextDocument>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>

#include "core/Generic.h"

namespace kz {

const std::vector<AboutLibrary>& AboutLibraries() {
  static const std::vector<AboutLibrary> libs{
      {"Jv FileDriver (", "librudu.so", ""},
      {"Kz Virtual File System (", "libzuzer.so", ""},
      {"Kz Objects (", "libvidedoded.so", ""},
      {"Image loader for the Kz series, using DevIL (", "libvup.so",
       "Error loading libvup.so. (the DevIL library libIL.so is missing?)"},
  };
  return libs;
}

std::string AboutLibrariesText(const LibraryLookup& lookup) {
  std::string text;
  bool first = true;
  for (const AboutLibrary& lib : AboutLibraries()) {
    std::string name = lib.File;
    const std::string version = lookup ? lookup(name, lib.Default) : lib.Default;
    if (!first) text += "\r\n";
    first = false;
    text += lib.Label + name + "): " + version;
  }
  return text;
}

}  // namespace kz

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  setWindowTitle("About");
  lookup_ = [](std::string& name, const std::string& def) { return kz::GetLibraryVersion(name, def); };

  lblName = new QLabel(this);
  lblName->setObjectName("lblName");
  TabStrip1 = new QTabBar(this);
  TabStrip1->setObjectName("TabStrip1");
  const int libs = TabStrip1->addTab("Libraries");
  TabStrip1->setTabData(libs, QString("libs"));
  Credits = new QPlainTextEdit(this);
  Credits->setObjectName("Credits");
  Credits->setReadOnly(true);
  Credits->setLineWrapMode(QPlainTextEdit::NoWrap);
  btnClose = new QPushButton("Close", this);
  btnClose->setObjectName("btnClose");

  auto* l = new QVBoxLayout(this);
  l->addWidget(lblName);
  l->addWidget(TabStrip1);
  l->addWidget(Credits, 1);
  l->addWidget(btnClose, 0, Qt::AlignRight);
  resize(560, 300);

  lblName->setText(QString::fromStdString("Version " + kz::GetAppVersion()));
  connect(TabStrip1, &QTabBar::currentChanged, this,
          [this](int i) { ShowTab(TabStrip1->tabData(i).toString().toStdString()); });
  connect(btnClose, &QPushButton::clicked, this, [this] { accept(); });
  ShowTab(TabStrip1->tabData(TabStrip1->currentIndex()).toString().toStdString());
}

void frmAbout::SetLibraryLookup(kz::LibraryLookup lookup) {
  lookup_ = std::move(lookup);
  ShowTab(TabStrip1->tabData(TabStrip1->currentIndex()).toString().toStdString());
}

void frmAbout::ShowTab(const std::string& key) {
  if (key != "libs") return;
  Credits->clear();
  QString text = QString::fromStdString(kz::AboutLibrariesText(lookup_));
  text.replace("\r\n", "\n");
  Credits->setPlainText(text);
  // Every line reads whole: the box is as wide as its longest line (within the screen).
  const QFontMetrics fm(Credits->font());
  int widest = 0;
  for (const QString& line : text.split('\n')) widest = std::max(widest, fm.horizontalAdvance(line));
  int wanted = widest + 2 * Credits->frameWidth() + 2 * static_cast<int>(Credits->document()->documentMargin()) +
               Credits->cursorWidth() + 4;
  if (const QScreen* screen = this->screen()) wanted = std::min(wanted, screen->availableGeometry().width() - 60);
  Credits->setMinimumWidth(std::max(0, wanted));
}

void frmAbout::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
    accept();
    return;
  }
  QDialog::keyPressEvent(e);
}
