#include "platform/ui/QtUi.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include "platform/Ui.h"
#include "tests/common/QtTestKit.h"

using platform::QtUi;

TEST(QtUi, FilterTextBecomesQtNameFilters) {
  QStringList f = QtUi::QtFilters("Kz Universe Maps (*.xml; *.pck; *.cat)|*.xml;*.pck;*.cat|All files (*.*)|*.*");
  ASSERT_EQ(f.size(), 2);
  EXPECT_EQ(f[0].toStdString(), "Kz Universe Maps (*.xml *.pck *.cat)");
  EXPECT_EQ(f[1].toStdString(), "All files (*)");  // "*.*" also matches names without a dot
  EXPECT_TRUE(QtUi::QtFilters("").isEmpty());
  EXPECT_EQ(QtUi::QtFilters("|*.txt")[0].toStdString(), "*.txt (*.txt)");
}

// A message that names a window not shown yet (the launcher asking at start-up, before it
// shows itself) is not centred on where that window would be, which put it in a corner of
// the screen, away from the editor the user is looking at: it goes over the active window,
// or the middle of the screen. A shown owner keeps it.
TEST(QtUi, AMessageForAWindowNotShownYetIsNotPlacedByIt) {
  kztest::TestApp("platform_ui_tests");
  QWidget hidden;
  hidden.setGeometry(0, 0, 300, 120);
  QWidget shown;
  shown.setGeometry(200, 150, 400, 300);
  shown.show();
  const auto parentOfBox = [](void* owner) {
    QWidget* parent = reinterpret_cast<QWidget*>(1);
    QTimer::singleShot(0, [&parent] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        parent = box->parentWidget();
        box->reject();
      }
    });
    QtUi().MsgBox("Is it here?", platform::vbOKOnly, "Where", owner);
    return parent;
  };
  QWidget* parent = parentOfBox(&hidden);
  EXPECT_NE(parent, &hidden);
  EXPECT_NE(parent, reinterpret_cast<QWidget*>(1));  // the box was shown and seen
  EXPECT_TRUE(parent == nullptr || parent->isVisible());
  EXPECT_EQ(parentOfBox(&shown), &shown);
}
