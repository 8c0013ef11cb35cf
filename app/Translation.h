#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

namespace veltro {

// The window's language. Its texts are written in Chinese; a user whose locale is not
// Chinese (LANGUAGE, LC_ALL, LC_MESSAGES or LANG) gets the English translation, found
// in the art folder's translations/ folder; a Chinese user gets Qt's own Chinese texts
// where they are installed. The command line program stays English.
class Translation {
public:
    // True when the first of the user's languages is not Chinese (the C locale
    // included).
    static bool WantsEnglish(const QStringList& uiLanguages);
    // The compiled English translation beside the art.
    static QString EnglishFile();
    // Installs the English translation on the running application when the locale
    // asks for it. False when it was wanted and could not be loaded: the window then
    // speaks Chinese, and standard error says why.
    static bool Install(const QLocale& locale = QLocale::system());
};

}  // namespace veltro
