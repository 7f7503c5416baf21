#include "app/desktop/autostart.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "runtime/ui/qt_app.h"

namespace dw {
namespace {

TEST(Autostart, WritesAnEntryThatStartsTheProgramAndRemovesIt) {
  test::App();
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  EXPECT_EQ(AutostartEntryPath(),
            config.path() + "/autostart/dealwatcher.desktop");
  ASSERT_TRUE(SetAutostart(true, "/opt/deal $watch/bin/dealwatcher"));
  QFile entry(AutostartEntryPath());
  ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
  const QByteArray text = entry.readAll();
  EXPECT_TRUE(text.startsWith("[Desktop Entry]\nType=Application\n"));
  // Quoted, `$` escaped, and the escape's backslash doubled for the file.
  EXPECT_TRUE(
      text.contains("\nExec=\"/opt/deal \\\\$watch/bin/dealwatcher\"\n"))
      << text.toStdString();
  ASSERT_TRUE(SetAutostart(false, {}));
  EXPECT_FALSE(AutostartEnabled());
  EXPECT_TRUE(SetAutostart(false, {}));  // already gone
  qunsetenv("XDG_CONFIG_HOME");
}

// Folders with characters the entry's Exec line gives a meaning: the line
// is written as expected and the desktop's own checker passes it.
TEST(Autostart, ExecLineEscapesWhatTheFolderHolds) {
  test::App();
  const QString validate =
      QStandardPaths::findExecutable("desktop-file-validate");
  if (validate.isEmpty()) GTEST_SKIP() << "no desktop-file-validate";
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  const struct {
    const char* program;
    const char* exec;
  } cases[] = {
      {"/opt/100% deals/dw", R"(Exec="/opt/100%% deals/dw")"},
      {"/opt/%w \"b\" `c`/dw", R"(Exec="/opt/%%w \\"b\\" \\`c\\`/dw")"},
      {"/opt/a\\b/dw", R"(Exec="/opt/a\\\\b/dw")"},
      {"/opt/new\nline/dw", R"(Exec="/opt/new\nline/dw")"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(SetAutostart(true, QString::fromUtf8(c.program)));
    QFile entry(AutostartEntryPath());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains(QByteArray("\n") + c.exec + "\n"))
        << c.exec;
    QProcess check;
    check.start(validate, {AutostartEntryPath()});
    ASSERT_TRUE(check.waitForFinished(30000));
    const QByteArray said = check.readAll();
    EXPECT_FALSE(said.contains("error") || said.contains("warning"))
        << said.toStdString();
  }
  qunsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace dw
