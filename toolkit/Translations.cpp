#include "toolkit/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString QtTranslationsFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool InstallQtTranslations(const QString& folder) {
    // The application owns the translator, so it lives as long as the texts it gives.
    auto* translator = new QTranslator(QCoreApplication::instance());
    // qt_pt_BR bundles qtbase_pt_BR, where the dialogs' texts are.
    if (!translator->load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qt"),
                          QStringLiteral("_"), folder)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}
