#pragma once
// The wait window: a small window with one line of text, shown during long
// operations (start-up, data loading, opening big files). At most one exists.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>

class QFrame;
class QLabel;

namespace kz {

class frmWait : public QWidget {
  Q_OBJECT
 public:
  explicit frmWait(QWidget* owner = nullptr);

  // The line of text. Setting it lays the window out: a text wider than the window
  // less 200 twips widens the window to the text plus 200 twips; a shorter text never
  // narrows it again.
  QString WaitHint() const;
  void SetWaitHint(const QString& text);

  QFrame* Fram = nullptr;
  QLabel* lblStatus = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOut();
  int Twips(int twips) const;
};

// The wait window now shown (or created hidden by SetWaitText), or none.
frmWait* CurrentWaitWindow();

// Creates the wait window when none exists, sets its text and shows it, owned by
// `owner` when given (whose mouse pointer then shows the hourglass); then lets
// pending events run, user input excepted.
void ShowWait(const QString& text, QWidget* owner = nullptr);
void ShowWait(const std::string& text, QWidget* owner = nullptr);
// Destroys the wait window; restores the owner's mouse pointer when given; then lets
// pending events run, user input excepted.
void HideWait(QWidget* owner = nullptr);
// Sets the wait window's text; when none is shown it is created hidden.
void SetWaitText(const QString& text);
void SetWaitText(const std::string& text);

// Lets pending events run while a long operation is under way: painting, window
// management and timers, but no mouse or key input and no requests from other
// instances, so no command can start in the middle of the operation.
void ProcessPendingEvents();

}  // namespace kz
