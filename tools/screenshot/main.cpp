// tonquell-screenshot OUTDIR: renders the main window into OUTDIR/main-window.png, with a
// generated folder listed, one file and two folders selected, MP3 chosen as the target format
// and an output folder of its own with existing targets skipped.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

#include "file_browser.h"
#include "form_state.h"
#include "language.h"
#include "main_window.h"
#include "translations.h"
#include "ultrabox.h"

namespace {

// A small music folder: a few sub-folders, audio files and one that the filter hides. The
// names hold what real collections hold: "&", "}", a leading "[", a double quote.
bool MakeSampleFolder(const QString& root) {
    QDir dir(root);
    for (const char* folder : {"Hörbücher", "Live & Unplugged", "Singles"}) {
        if (!dir.mkpath(QString::fromUtf8(folder))) {
            return false;
        }
    }
    for (const char* name :
         {"01 - Ouvertüre.mp3", "02 - Morgenlied.mp3", "03 - Intermezzo.mp3",
          "Blue Monday (12\" Version).mp3", "Simon & Garfunkel - The Boxer.mp3",
          "Über }r Straße.mp3", "[2001] Intro.mp3", "Konzert.ac3", "Mitschnitt.wav", "Cover.jpg"}) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        if (!file.open(QIODevice::WriteOnly)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tonquell-screenshot OUTDIR\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // In the language the program itself would show here (LANG=en_US.UTF-8: English).
    const Translations translations(
        language::Choose(language::FromProcess()),
        Translations::FolderFor(QCoreApplication::applicationDirPath().toStdString()));
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "tonquell-screenshot: cannot create folder '%s'\n", argv[1]);
        return 1;
    }
    QTemporaryDir temp;
    const QString folder = temp.path() + QStringLiteral("/Musik");
    if (!temp.isValid() || !MakeSampleFolder(folder)) {
        std::fprintf(stderr, "tonquell-screenshot: cannot create the sample folder\n");
        return 1;
    }

    MainWindow window(QStringLiteral("Tonquell Audio Converter"));
    // As started with a file: its folder listed, the MP3 filter chosen, the file selected.
    const QString name = QString::fromUtf8("02 - Morgenlied.mp3");
    FileBrowser* browser = window.browser();
    if (browser == nullptr || !browser->SetFolder(QFile::encodeName(folder).toStdString())) {
        std::fprintf(stderr, "tonquell-screenshot: cannot list the sample folder\n");
        return 1;
    }
    FormState state = window.State();
    state.Filter = FileFilter::Mp3;
    window.Apply(state);
    if (!browser->SelectFileEntry(name)) {
        std::fprintf(stderr, "tonquell-screenshot: the sample file is not listed\n");
        return 1;
    }
    // Two albums chosen with it, sent as MP3 copies into a folder of their own.
    UltraBox* list = window.ubMain();
    std::vector<int> chosen;
    for (int i = 1; i <= list->ListCount(); ++i) {
        if (list->List(i) == name || list->List(i) == QStringLiteral("[Live & Unplugged]") ||
            list->List(i) == QStringLiteral("[Singles]")) {
            chosen.push_back(i);
        }
    }
    list->SelectEntries(chosen);
    window.setWindowTitle(name + QStringLiteral(" - ") + window.AppTitle());
    state = window.State();
    state.Format = TargetFormat::Mp3;
    state.OutPathIsCurrent = false;
    state.OutPath = QFile::encodeName(temp.path() + QStringLiteral("/Musik (MP3)/")).toStdString();
    state.SkipExisting = true;
    window.Apply(state);
    window.show();
    window.ParkFocus();
    QApplication::processEvents();

    const QString path = QDir(outDir).filePath(QStringLiteral("main-window.png"));
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "tonquell-screenshot: cannot write '%s'\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}
