// Choosing the window's language and installing its translations.
#include "WindowLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>
#include <string>
#include <vector>

namespace tandrel {
namespace {

// Our translators are the application's children of this name, so that a new choice finds them.
QString translatorName() {
    return QStringLiteral("tandrel-translation");
}

void install(const QString& file, const QString& directory) {
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    translator->setObjectName(translatorName());
    if (translator->load(file, directory) &&
        QCoreApplication::installTranslator(translator.get())) {
        translator.release(); // the application owns it now
    }
}

} // namespace

DisplayLanguage windowLanguage() {
    std::vector<std::string> preferred;
    for (const QString& tag : QLocale::system().uiLanguages()) {
        preferred.push_back(tag.toStdString());
    }
    return chooseDisplayLanguage(preferred);
}

// The Chinese texts are the window's own source texts and need no translation. Qt's own texts (a
// message box's button, the fields' context menu) are in the same language: Simplified Chinese,
// as the window's, or the English Qt is written in. Without Qt's catalogue they stay English.
void setWindowLanguage(DisplayLanguage language) {
    qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>(
        translatorName(), Qt::FindDirectChildrenOnly));
    if (language == DisplayLanguage::English) {
        install(QStringLiteral("tandrel_en.qm"), QStringLiteral(":/i18n"));
    } else {
        // qtbase holds every text Qt Widgets supplies; the other catalogs are for modules not used.
        install(QStringLiteral("qtbase_zh_CN.qm"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    }
}

} // namespace tandrel
