#include "app/Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>

#include "ui/ArtPaths.h"

namespace veltro {

bool Translation::WantsEnglish(const QStringList& uiLanguages) {
    return uiLanguages.isEmpty() || !uiLanguages.first().startsWith(QStringLiteral("zh"));
}

QString Translation::EnglishFile() {
    return ArtPaths::Folder() + QStringLiteral("/translations/veltrogprs_en.qm");
}

bool Translation::Install(const QLocale& locale) {
    if (!WantsEnglish(locale.uiLanguages())) {
        // Qt's own words (the Yes and No of a question) in Chinese as well, where Qt's
        // translations are installed (qt6-translations-l10n); else they stay English.
        auto* qtTexts = new QTranslator(QCoreApplication::instance());
        if (!qtTexts->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
            !QCoreApplication::installTranslator(qtTexts)) {
            delete qtTexts;
        }
        return true;
    }
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(EnglishFile()) || !QCoreApplication::installTranslator(translator)) {
        std::fprintf(stderr, "veltrogprs: the English texts (%s) could not be loaded\n",
                     qPrintable(EnglishFile()));
        delete translator;
        return false;
    }
    return true;
}

}  // namespace veltro
