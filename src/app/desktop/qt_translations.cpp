#include "app/desktop/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace dw {

bool InstallQtTranslations(QCoreApplication& app, const QLocale& locale) {
  auto* words = new QTranslator(&app);
  // "qtbase" holds the widgets' words; the file for the nearest language
  // of the locale is taken (zh_CN, then zh).
  if (!words->load(locale, "qtbase", "_",
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !app.installTranslator(words)) {
    delete words;
    return false;
  }
  return true;
}

}  // namespace dw
