#include "translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>

namespace {

// The catalogue `name` in `folder`, installed; nullptr when there is none.
std::unique_ptr<QTranslator> Install(const QString& name, const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder) || !QCoreApplication::installTranslator(translator.get())) {
        return nullptr;
    }
    return translator;
}

}  // namespace

Translations::Translations(const std::string& language, const QString& folder) {
    const QString code = QString::fromStdString(language);
    qt_ = Install(QStringLiteral("qtbase_") + code,
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    // Installed last, so it is asked first.
    program_ = Install(QStringLiteral("tonquell_") + code, folder);
}

Translations::~Translations() {
    for (QTranslator* translator : {program_.get(), qt_.get()}) {
        if (translator != nullptr) {
            QCoreApplication::removeTranslator(translator);
        }
    }
}

QString Translations::FolderFor(const std::string& appFolder) {
    return QDir(QString::fromStdString(appFolder)).filePath(QStringLiteral("translations"));
}
