// The help pages beside the program: every page the program's code names exists, every
// link between pages leads to a page, and every page can be reached from the contents.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

namespace {

QString HelpFolder() { return qEnvironmentVariable("KZ_BINARY_DIR") + "/bin/help"; }

QString Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Every "<name>.html" text in the program's sources (the tests left out).
QSet<QString> TopicsNamedInCode() {
  const QString source = qEnvironmentVariable("KZ_SOURCE_DIR");
  const QRegularExpression literal(R"re("([A-Za-z0-9_-]+\.html)")re");
  QSet<QString> topics;
  for (const char* folder : {"app", "core", "shell", "txteditor", "wareeditors", "galaxy", "textres"}) {
    QDirIterator it(source + "/" + folder, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString text = Read(it.next());
      for (auto m = literal.globalMatch(text); m.hasNext();) topics.insert(m.next().captured(1));
    }
  }
  return topics;
}

QStringList LinksOf(const QString& page) {
  static const QRegularExpression href(R"re(href="([^"#:]+)")re");
  QStringList links;
  for (auto m = href.globalMatch(Read(HelpFolder() + "/" + page)); m.hasNext();) links << m.next().captured(1);
  return links;
}

TEST(HelpPages, EveryTopicNamedInTheCodeIsAPage) {
  const QSet<QString> topics = TopicsNamedInCode();
  // The settings dialog's own topic and the windows' pages are among them.
  EXPECT_TRUE(topics.contains("settings.html"));
  EXPECT_TRUE(topics.contains("txteditor.html"));
  EXPECT_GE(topics.size(), 8);
  for (const QString& topic : topics) EXPECT_TRUE(QFileInfo::exists(HelpFolder() + "/" + topic)) << topic.toStdString();
  // The contents page, opened with an empty topic.
  EXPECT_TRUE(QFileInfo::exists(HelpFolder() + "/index.html"));
}

TEST(HelpPages, LinksLeadToPagesAndEveryPageIsReachable) {
  const QStringList pages = QDir(HelpFolder()).entryList({"*.html"}, QDir::Files);
  ASSERT_FALSE(pages.isEmpty()) << HelpFolder().toStdString();
  QSet<QString> reached{"index.html"};
  QStringList queue{"index.html"};
  while (!queue.isEmpty()) {
    const QString page = queue.takeFirst();
    for (const QString& link : LinksOf(page)) {
      EXPECT_TRUE(QFileInfo::exists(HelpFolder() + "/" + link)) << page.toStdString() << " -> " << link.toStdString();
      if (link.endsWith(".html") && !reached.contains(link)) {
        reached.insert(link);
        queue << link;
      }
    }
  }
  for (const QString& page : pages) {
    EXPECT_TRUE(reached.contains(page)) << page.toStdString() << " cannot be reached from the contents";
    // Each page is whole: a title and a heading, and a way back to the contents.
    const QString text = Read(HelpFolder() + "/" + page);
    EXPECT_TRUE(text.contains("<title>") && text.contains("<h1>")) << page.toStdString();
    if (page != "index.html") {
      EXPECT_TRUE(LinksOf(page).contains("index.html")) << page.toStdString();
    }
  }
}

}  // namespace
