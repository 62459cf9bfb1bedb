#include "platform/ui/QtUi.h"

#include <gtest/gtest.h>

using platform::QtUi;

TEST(QtUi, FilterTextBecomesQtNameFilters) {
  QStringList f = QtUi::QtFilters("Kz Universe Maps (*.xml; *.pck; *.cat)|*.xml;*.pck;*.cat|All files (*.*)|*.*");
  ASSERT_EQ(f.size(), 2);
  EXPECT_EQ(f[0].toStdString(), "Kz Universe Maps (*.xml *.pck *.cat)");
  EXPECT_EQ(f[1].toStdString(), "All files (*)");  // "*.*" also matches names without a dot
  EXPECT_TRUE(QtUi::QtFilters("").isEmpty());
  EXPECT_EQ(QtUi::QtFilters("|*.txt")[0].toStdString(), "*.txt (*.txt)");
}
