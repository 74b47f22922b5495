#include "program_arguments.h"

#include <QCoreApplication>
#include <QString>

#include <string_view>

#include "settings_location.h"

#ifndef TONQUELL_VERSION
#define TONQUELL_VERSION "unknown"
#endif

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine command;
    bool options = true;
    bool first = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (options && word == "--") {
            options = false;
            continue;
        }
        if (options && word.size() > 1 && word.front() == '-') {
            if (word == "-h" || word == "--help") {
                return {CommandLine::Action::Help, {}, {}};
            }
            if (word == "--version") {
                return {CommandLine::Action::Version, {}, {}};
            }
            return {CommandLine::Action::UnknownOption, {}, std::string(word)};
        }
        if (!first) {
            command.file += ' ';
        }
        command.file += word;
        first = false;
    }
    return command;
}

namespace {

// The catalogue's context of the texts on the terminal.
struct Usage {
    Q_DECLARE_TR_FUNCTIONS(Usage)
};

QString Shown(const std::string& text) {
    return QString::fromStdString(text);
}

QString AppTitle() {
    return QString::fromLatin1(kAppTitle.data(), static_cast<qsizetype>(kAppTitle.size()));
}

}  // namespace

namespace {

// The usage in words, as a QString: lupdate loses the context of Usage::tr() in a function
// that returns a std::string.
QString UsageWords(const AppValues& values) {
    const QString name = Shown(values.ExeName);
    const settings::SettingsFiles files = settings::SettingsFilesFor(values.IniPath);
    const std::string read = settings::ReadPath(files);
    QString text =
        Usage::tr(
            "Aufruf: %1 [DATEI]\n"
            "        %1 --help | --version\n\n"
            "Öffnet das Fenster von %2. Mit DATEI (einer Audiodatei) öffnet die\n"
            "Dateiauswahl den Ordner von DATEI und wählt DATEI darin aus. Läuft das Programm\n"
            "schon, übergibt ein neuer Start DATEI an sein Fenster und endet. Eine DATEI, deren\n"
            "Name mit \"-\" beginnt, wird als ./-NAME oder nach \"--\" angegeben.\n\n"
            "Optionen:\n"
            "  -h, --help     gibt diesen Text aus und endet\n"
            "      --version  gibt die Version aus und endet\n\n")
            .arg(name, AppTitle());
    text += Usage::tr("Einstellungsdatei: %1\n")
                .arg(read.empty() ? Usage::tr("(keine: kein Home-Ordner)") : Shown(read));
    if (!files.beside.empty() && read == files.beside && !files.user.empty()) {
        text += Usage::tr("  (%1, wo der Ordner des Programms nicht beschreibbar ist)\n")
                    .arg(Shown(files.user));
    }
    text += Usage::tr("Schlüssel aus ihrem Abschnitt [%1]:\n").arg(AppTitle());
    text += Usage::tr(
        "  LastDir  der Ordner, der ohne DATEI geöffnet wird (Vorgabe: der Ordner des Programms)\n"
        "  Format   das Ausgabeformat: 0 WAV, 1 MP3, 2 AC3, 3 MPA (Vorgabe 0)\n"
        "  HideBS   1 versteckt das Konsolenfenster des Transcoders, 0 zeigt es (Vorgabe 1)\n"
        "  Jobs     wie viele Dateien ein Stapel zugleich konvertiert (Vorgabe: eine je Kern,\n"
        "           höchstens 8)\n"
        "  OutPath  der zuletzt gewählte Ausgabeordner; gezeigt, wenn \"Ausgabepfad = Aktueller\n"
        "           Pfad\" nicht angekreuzt ist\n"
        "  SkipExisting  1 überspringt Quellen, deren Ziel schon existiert (Vorgabe 0)\n");
    return text;
}

}  // namespace

std::string UsageText(const AppValues& values) {
    return UsageWords(values).toStdString();
}

std::string VersionText() {
    return std::string(kAppTitle) + " " + TONQUELL_VERSION + "\n";
}

int AnswerCommandLine(const CommandLine& command, const AppValues& values, std::FILE* out,
                      std::FILE* err) {
    switch (command.action) {
        case CommandLine::Action::Help:
            std::fputs(UsageText(values).c_str(), out);
            return std::fflush(out) == 0 ? 0 : 1;
        case CommandLine::Action::Version:
            std::fputs(VersionText().c_str(), out);
            return std::fflush(out) == 0 ? 0 : 1;
        case CommandLine::Action::UnknownOption:
            std::fputs(
                Usage::tr("%1: unbekannte Option '%2' (siehe --help; eine Datei dieses Namens "
                          "wird als ./%2 oder nach -- angegeben)\n")
                    .arg(Shown(values.ExeName), Shown(command.option))
                    .toLocal8Bit()
                    .constData(),
                err);
            return 2;
        case CommandLine::Action::Open:
            break;
    }
    return -1;
}
