#include "run_report_text.h"

#include <QCoreApplication>
#include <QStringList>

#include <array>
#include <cstring>

namespace run_report_text {
namespace {

using batch::Cause;
using batch::FileReport;
using batch::Outcome;

QString Tr(const char* text) {
    return QCoreApplication::translate("RunReport", text);
}

QString Shown(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString SystemReason(std::int64_t error) {
    return QString::fromLocal8Bit(std::strerror(static_cast<int>(error)));
}

// A count with its noun: one of two texts, so that each can be translated as a whole.
QString Files(int count, const char* one, const char* many) {
    return count == 1 ? Tr(one) : Tr(many).arg(count);
}

struct Group {
    Outcome outcome;
    const char* heading;
    bool open;
};
// Those that need a look come first; the plain successes last, folded.
constexpr std::array<Group, batch::kOutcomeCount> kGroups = {{
    {Outcome::Failed, QT_TRANSLATE_NOOP("RunReport", "Fehlgeschlagen (%1)"), true},
    {Outcome::Refused,
     QT_TRANSLATE_NOOP("RunReport", "Nicht konvertiert, weil das Ziel schon existiert (%1)"), true},
    {Outcome::Stopped, QT_TRANSLATE_NOOP("RunReport", "Abgebrochen (%1)"), true},
    {Outcome::Warned, QT_TRANSLATE_NOOP("RunReport", "Mit Warnungen konvertiert (%1)"), true},
    {Outcome::Skipped, QT_TRANSLATE_NOOP("RunReport", "Übersprungen, Ziel vorhanden (%1)"), false},
    {Outcome::Converted, QT_TRANSLATE_NOOP("RunReport", "Konvertiert (%1)"), false},
}};

}  // namespace

QString Summary(const batch::Report& report) {
    return Tr("%1 konvertiert, %2 mit Warnungen, %3 übersprungen, %4 abgelehnt, "
              "%5 fehlgeschlagen, %6 abgebrochen")
        .arg(report.Count(Outcome::Converted))
        .arg(report.Count(Outcome::Warned))
        .arg(report.Count(Outcome::Skipped))
        .arg(report.Count(Outcome::Refused))
        .arg(report.Count(Outcome::Failed))
        .arg(report.Count(Outcome::Stopped));
}

QString Sign(const batch::Report& report) {
    if (report.Files.empty()) {
        return report.Stopped ? Tr("Abgebrochen") : Tr("Keine passenden Dateien gefunden");
    }
    const int converted = report.Count(Outcome::Converted) + report.Count(Outcome::Warned);
    if (converted == static_cast<int>(report.Files.size())) {
        return Files(converted, "1 Datei konvertiert", "%1 Dateien konvertiert");
    }
    QStringList parts;
    const auto add = [&](int count, const char* text) {
        if (count > 0) {
            parts << Tr(text).arg(count);
        }
    };
    add(converted, "%1 konvertiert");
    add(report.Count(Outcome::Skipped), "%1 übersprungen");
    add(report.Count(Outcome::Refused), "%1 abgelehnt");
    add(report.Count(Outcome::Failed), "%1 fehlgeschlagen");
    add(report.Count(Outcome::Stopped), "%1 abgebrochen");
    return parts.join(QStringLiteral(", "));
}

QString Reason(const FileReport& file) {
    const QString detail = Shown(file.Detail);
    switch (file.Why) {
        case Cause::None:
            return file.Result == Outcome::Stopped ? QString() : Shown(file.Target);
        case Cause::TranscoderNotStarted:
            return detail.isEmpty()
                       ? Tr("BeSweet.exe konnte nicht gestartet werden")
                       : Tr("BeSweet.exe konnte nicht gestartet werden: %1").arg(detail);
        case Cause::TranscoderFailed: {
            if (detail.isEmpty()) {
                return Tr("BeSweet.exe endete mit dem Status %1").arg(file.Number);
            }
            // The list names the file already; the transcoder's line names it again.
            const QString own = QStringLiteral("BeSweet.exe: '%1': ").arg(Shown(file.Source));
            return detail.startsWith(own) ? detail.mid(own.size()) : detail;
        }
        case Cause::NoOutput:
            return Tr("BeSweet.exe meldete Erfolg, hat aber keine Ausgabedatei erzeugt");
        case Cause::TagsNotWritten:
            return detail.isEmpty() ? Tr("Die ID3-Tags konnten nicht in '%1' geschrieben werden")
                                          .arg(Shown(file.Target))
                                    : Tr("ID3-Tags: %1").arg(detail);
        case Cause::NameTooLong:
            return Tr("Der Name der Ausgabedatei wäre mit %1 Bytes länger, als der Ordner "
                      "erlaubt (höchstens %2)")
                .arg(file.Number)
                .arg(file.Limit);
        case Cause::TargetExists:
            return file.Result == Outcome::Skipped
                       ? Tr("Ziel vorhanden: %1").arg(Shown(file.Target))
                       : Tr("Datei '%1' existiert bereits.").arg(Shown(file.Target));
        case Cause::SourceGone:
            return Tr("Die Quelldatei ist nicht mehr vorhanden");
        case Cause::LinkInOutput:
            return Tr("'%1' ist eine Verknüpfung; durch sie wird nicht geschrieben").arg(detail);
        case Cause::NotAFolderInOutput:
            return Tr("'%1' ist kein Ordner").arg(detail);
        case Cause::FolderNotMade:
            return Tr("Der Ordner '%1' konnte nicht angelegt werden: %2")
                .arg(detail, SystemReason(file.Number));
        case Cause::FolderUnreadable:
            return Tr("Der Ordner konnte nicht gelesen werden: %1").arg(SystemReason(file.Number));
        case Cause::Warnings:
            return detail;
    }
    return detail;
}

RunReportText Words(const batch::Report& report) {
    RunReportText words;
    words.Summary = Summary(report).toStdString();
    for (const Group& group : kGroups) {
        ReportGroup shown;
        for (const FileReport& file : report.Files) {
            if (file.Result == group.outcome) {
                shown.Lines.push_back({file.Source, Reason(file).toStdString()});
            }
        }
        if (shown.Lines.empty()) {
            continue;
        }
        shown.Heading =
            Tr(group.heading).arg(static_cast<qulonglong>(shown.Lines.size())).toStdString();
        shown.Open = group.open;
        words.Groups.push_back(std::move(shown));
    }
    return words;
}

QString OutputFolderMessage(const batch::OutputFolderCheck& check) {
    const QString folder = Shown(check.Folder);
    switch (check.Problem) {
        case batch::OutputProblem::None:
            return {};
        case batch::OutputProblem::Empty:
            return Tr(
                "Es ist kein Ausgabepfad angegeben. Bitte einen Ordner eintragen oder mit "
                "\"...\" wählen, oder \"Ausgabepfad = Aktueller Pfad\" ankreuzen.");
        case batch::OutputProblem::NotAbsolute:
            return Tr("Der Ausgabepfad '%1' ist kein vollständiger Pfad; er muss mit \"/\" "
                      "beginnen.")
                .arg(folder);
        case batch::OutputProblem::NotAFolder:
            return Tr("Der Ausgabepfad '%1' ist kein Ordner.").arg(folder);
        case batch::OutputProblem::NotMade:
            return Tr("Der Ausgabeordner '%1' fehlt und konnte nicht angelegt werden: %2")
                .arg(folder, SystemReason(check.Errno));
        case batch::OutputProblem::NotWritable:
            return Tr("In den Ausgabeordner '%1' kann nicht geschrieben werden: %2")
                .arg(folder, SystemReason(check.Errno));
    }
    return {};
}

}  // namespace run_report_text
