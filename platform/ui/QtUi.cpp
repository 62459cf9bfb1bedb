#include "platform/ui/QtUi.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

// The window a dialog belongs to, and is placed over. A window not shown yet has no
// place of its own (one shown at once is placed by the desktop after it): its dialog goes
// over the active window, or else in the middle of the screen.
QWidget* OwnerOf(void* owner) {
  if (auto* widget = static_cast<QWidget*>(owner); widget && widget->window()->isVisible()) return widget;
  QWidget* active = QApplication::activeWindow();
  return active && active->isVisible() ? active : nullptr;
}

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toUtf8().toStdString(); }

QStringList SplitBar(const std::string& filter) {
  return Q(filter).split(QLatin1Char('|'));
}

}  // namespace

QStringList QtUi::QtFilters(const std::string& filter) {
  QStringList parts = SplitBar(filter);
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString desc = parts[i].trimmed();
    QStringList globs;
    // "*.*" would miss names without a dot (most programs here): it means every file.
    for (const QString& g : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
      globs << (g.trimmed() == QLatin1String("*.*") ? QStringLiteral("*") : g.trimmed());
    if (desc.endsWith(QLatin1Char(')'))) {
      qsizetype open = desc.lastIndexOf(QLatin1Char('('));
      if (open >= 0) desc = desc.left(open).trimmed();
    }
    if (desc.isEmpty()) desc = globs.join(QLatin1Char(' '));
    out << QStringLiteral("%1 (%2)").arg(desc, globs.join(QLatin1Char(' ')));
  }
  return out;
}

int32_t QtUi::MsgBox(const std::string& text, int32_t flags, const std::string& title, void* owner) {
  QMessageBox box(OwnerOf(owner));
  box.setText(Q(text));
  box.setWindowTitle(title.empty() ? QApplication::applicationName() : Q(title));
  switch (flags & 0x70) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vbInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
  }
  struct B {
    QMessageBox::StandardButton qt;
    int32_t answer;
  };
  std::vector<B> buttons;
  switch (flags & 7) {
    case vbOKCancel: buttons = {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}}; break;
    case vbAbortRetryIgnore:
      buttons = {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
      break;
    case vbYesNoCancel:
      buttons = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
      break;
    case vbYesNo: buttons = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}}; break;
    case vbRetryCancel: buttons = {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}}; break;
    default: buttons = {{QMessageBox::Ok, vbOK}}; break;
  }
  QMessageBox::StandardButtons set;
  for (const auto& b : buttons) set |= b.qt;
  box.setStandardButtons(set);
  size_t def = (flags & vbDefaultButton3) ? 2 : (flags & vbDefaultButton2) ? 1 : 0;
  if (def >= buttons.size()) def = 0;
  box.setDefaultButton(buttons[def].qt);
  // Escape / closing: Cancel when there is one; for Yes/No, No; for OK only, OK.
  int32_t escapeAnswer = buttons.size() == 1 ? vbOK : (flags & 7) == vbYesNo ? vbNo : vbCancel;
  if ((flags & 7) == vbAbortRetryIgnore) escapeAnswer = vbIgnore;
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const auto& b : buttons)
    if (clicked && clicked == box.button(b.qt)) return b.answer;
  return escapeAnswer;
}

namespace {
bool RunFileDialog(bool save, const FileDialogRequest& request, FileDialogResult& result) {
  QFileDialog dlg(OwnerOf(request.Owner), Q(request.Title));
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save ? QFileDialog::AnyFile
                       : ((request.Flags & cdlOFNFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
  if (!(request.Flags & cdlOFNOverwritePrompt)) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
  QStringList filters = QtUi::QtFilters(request.Filter);
  if (!filters.isEmpty()) {
    dlg.setNameFilters(filters);
    qsizetype idx = request.FilterIndex >= 1 && request.FilterIndex <= filters.size() ? request.FilterIndex - 1 : 0;
    dlg.selectNameFilter(filters[idx]);
  }
  if (!request.DefaultExt.empty()) dlg.setDefaultSuffix(Q(request.DefaultExt));
  QString dir = Q(request.InitDir);
  QString name = Q(request.FileName);
  QFileInfo fi(name);
  if (!name.isEmpty() && (fi.isAbsolute() || name.contains(QLatin1Char('/')))) {
    dlg.setDirectory(fi.absolutePath());
    dlg.selectFile(fi.fileName());
  } else {
    if (!dir.isEmpty()) dlg.setDirectory(dir);
    if (!name.isEmpty()) dlg.selectFile(name);
  }
  if (dlg.exec() != QDialog::Accepted) return false;
  QStringList files = dlg.selectedFiles();
  if (files.isEmpty()) return false;
  result.FileName = S(files.first());
  qsizetype fidx = filters.indexOf(dlg.selectedNameFilter());
  result.FilterIndex = fidx >= 0 ? static_cast<int32_t>(fidx) + 1 : request.FilterIndex;
  return true;
}
}  // namespace

bool QtUi::ShowOpen(const FileDialogRequest& request, FileDialogResult& result) {
  return RunFileDialog(false, request, result);
}

bool QtUi::ShowSave(const FileDialogRequest& request, FileDialogResult& result) {
  return RunFileDialog(true, request, result);
}

std::string QtUi::BrowseForFolder(const std::string& title, const std::string& startDir, void* owner) {
  return S(QFileDialog::getExistingDirectory(OwnerOf(owner), Q(title), Q(startDir)));
}

bool QtUi::ShowColor(int32_t initial, int32_t& chosen, void* owner) {
  uint32_t c = static_cast<uint32_t>(initial);
  QColor start(static_cast<int>(c & 0xff), static_cast<int>((c >> 8) & 0xff), static_cast<int>((c >> 16) & 0xff));
  QColor col = QColorDialog::getColor(start, OwnerOf(owner));
  if (!col.isValid()) return false;
  chosen = static_cast<int32_t>(static_cast<uint32_t>(col.red()) | (static_cast<uint32_t>(col.green()) << 8) |
                                (static_cast<uint32_t>(col.blue()) << 16));
  return true;
}

bool QtUi::InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText,
                    std::string& answer, void* owner) {
  bool ok = false;
  QString t = QInputDialog::getText(OwnerOf(owner), Q(title), Q(prompt), QLineEdit::Normal, Q(defaultText), &ok);
  if (!ok) return false;
  answer = S(t);
  return true;
}

}  // namespace platform
