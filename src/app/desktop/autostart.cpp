#include "app/desktop/autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace dw {
namespace {

// An Exec argument quoted as desktop entries want it.
QString Quoted(QString argument) {
  for (const char* special : {"\\", "\"", "`", "$"}) {
    argument.replace(special, QString("\\") + special);
  }
  // The entry file's own escapes come on top of the quoting.
  return "\"" + argument.replace("\\", "\\\\") + "\"";
}

}  // namespace

QString AutostartEntryPath() {
  return QStandardPaths::writableLocation(
             QStandardPaths::GenericConfigLocation) +
         "/autostart/dealwatcher.desktop";
}

bool AutostartEnabled() { return QFileInfo::exists(AutostartEntryPath()); }

bool SetAutostart(bool on, const QString& program) {
  const QString path = AutostartEntryPath();
  if (!on) return !QFileInfo::exists(path) || QFile::remove(path);
  if (!QDir().mkpath(QFileInfo(path).path())) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QString entry = QString::fromUtf8(
                            "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=Deal Watcher\n"
                            "Name[zh_CN]=线报监控\n"
                            "Comment=Show every new post on bargain sites the "
                            "moment it appears\n"
                            "Icon=dealwatcher\n"
                            "Terminal=false\n"
                            "X-GNOME-Autostart-enabled=true\n"
                            "Exec=") +
                        Quoted(program) + "\n";
  file.write(entry.toUtf8());
  return file.commit();
}

}  // namespace dw
