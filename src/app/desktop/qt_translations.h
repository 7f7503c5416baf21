#pragma once

#include <QLocale>

class QCoreApplication;

namespace dw {

// Loads Qt's own words (the buttons of message boxes, the file dialog and
// its questions) in the language of `locale`, from where Qt keeps its
// translations, so they read like the rest of the program. False, and
// nothing changes, when they are not installed for that language.
bool InstallQtTranslations(QCoreApplication& app,
                           const QLocale& locale = QLocale());

}  // namespace dw
