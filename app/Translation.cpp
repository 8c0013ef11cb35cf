#include "app/Translation.h"

#include <QCoreApplication>
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
