#include "app/desktop/autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace dw {
namespace {

// An Exec argument as desktop entries want it: quoted, with the four
// characters the quotes give a meaning escaped, and "%" doubled, since
// alone it begins a field code such as %f.
QString Quoted(QString argument) {
  for (const char* special : {"\\", "\"", "`", "$"}) {
    argument.replace(special, QString("\\") + special);
  }
  argument = "\"" + argument.replace("%", "%%") + "\"";
  // The entry file's own escapes come on top of the quoting; a line break
  // would end the line.
  argument.replace("\\", "\\\\");
  argument.replace("\n", "\\n").replace("\t", "\\t").replace("\r", "\\r");
  return argument;
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
