#include "app/desktop/autostart.h"

#include <gtest/gtest.h>

#include <QFile>
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

}  // namespace
}  // namespace dw
