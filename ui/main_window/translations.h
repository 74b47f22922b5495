#pragma once

#include <QString>
#include <QTranslator>

#include <memory>
#include <string>

// The catalogues of one language, installed in the running application for as long as the
// object lives: Qt's own (its menus and dialogs) and the program's.
class Translations {
public:
    // Loads "qtbase_<language>.qm" from Qt's translations folder and "tonquell_<language>.qm"
    // from `folder`, and installs those found; needs an existing QCoreApplication.
    Translations(const std::string& language, const QString& folder);
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    // True when the program's catalogue was found and installed.
    bool ProgramCatalogue() const { return program_ != nullptr; }
    // True when Qt's catalogue was found and installed.
    bool QtCatalogue() const { return qt_ != nullptr; }

    // The folder of the program's catalogues for a program in `appFolder`: "translations"
    // beside it, where both the build and the installation put them.
    static QString FolderFor(const std::string& appFolder);

private:
    std::unique_ptr<QTranslator> qt_;
    std::unique_ptr<QTranslator> program_;
};
