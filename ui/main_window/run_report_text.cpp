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

// The catalogue's context of the report's words.
struct RunReport {
    Q_DECLARE_TR_FUNCTIONS(RunReport)
};

QString Shown(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString SystemReason(std::int64_t error) {
    return QString::fromLocal8Bit(std::strerror(static_cast<int>(error)));
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
    return RunReport::tr(
               "%1 konvertiert, %2 mit Warnungen, %3 übersprungen, %4 abgelehnt, "
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
        return report.Stopped ? RunReport::tr("Abgebrochen")
                              : RunReport::tr("Keine passenden Dateien gefunden");
    }
    const int converted = report.Count(Outcome::Converted) + report.Count(Outcome::Warned);
    if (converted == static_cast<int>(report.Files.size())) {
        return RunReport::tr("%n Dateien konvertiert", nullptr, converted);
    }
    QStringList parts;
    const auto add = [&](int count, const QString& text) {
        if (count > 0) {
            parts << text.arg(count);
        }
    };
    add(converted, RunReport::tr("%1 konvertiert"));
    add(report.Count(Outcome::Skipped), RunReport::tr("%1 übersprungen"));
    add(report.Count(Outcome::Refused), RunReport::tr("%1 abgelehnt"));
    add(report.Count(Outcome::Failed), RunReport::tr("%1 fehlgeschlagen"));
    add(report.Count(Outcome::Stopped), RunReport::tr("%1 abgebrochen"));
    return parts.join(RunReport::tr(", ", "between the counts in the title"));
}

QString Reason(const FileReport& file) {
    const QString detail = Shown(file.Detail);
    switch (file.Why) {
        case Cause::None:
            return file.Result == Outcome::Stopped ? QString() : Shown(file.Target);
        case Cause::TranscoderNotStarted:
            return detail.isEmpty()
                       ? RunReport::tr("BeSweet.exe konnte nicht gestartet werden")
                       : RunReport::tr("BeSweet.exe konnte nicht gestartet werden: %1").arg(detail);
        case Cause::TranscoderFailed: {
            if (detail.isEmpty()) {
                return RunReport::tr("BeSweet.exe endete mit dem Status %1").arg(file.Number);
            }
            // The list names the file already; the transcoder's line names it again.
            const QString own = QStringLiteral("BeSweet.exe: '%1': ").arg(Shown(file.Source));
            return detail.startsWith(own) ? detail.mid(own.size()) : detail;
        }
        case Cause::NoOutput:
            return RunReport::tr("BeSweet.exe meldete Erfolg, hat aber keine Ausgabedatei erzeugt");
        case Cause::TagsNotWritten:
            return detail.isEmpty()
                       ? RunReport::tr("Die ID3-Tags konnten nicht in '%1' geschrieben werden")
                             .arg(Shown(file.Target))
                       : RunReport::tr("ID3-Tags: %1").arg(detail);
        case Cause::NameTooLong:
            return RunReport::tr(
                       "Der Name der Ausgabedatei wäre mit %1 Bytes länger, als der Ordner "
                       "erlaubt (höchstens %2)")
                .arg(file.Number)
                .arg(file.Limit);
        case Cause::TargetExists:
            return file.Result == Outcome::Skipped
                       ? RunReport::tr("Ziel vorhanden: %1").arg(Shown(file.Target))
                       : RunReport::tr("Datei '%1' existiert bereits.").arg(Shown(file.Target));
        case Cause::SourceGone:
            return RunReport::tr("Die Quelldatei ist nicht mehr vorhanden");
        case Cause::LinkInOutput:
            return RunReport::tr("'%1' ist eine Verknüpfung; durch sie wird nicht geschrieben")
                .arg(detail);
        case Cause::NotAFolderInOutput:
            return RunReport::tr("'%1' ist kein Ordner").arg(detail);
        case Cause::FolderNotMade:
            return RunReport::tr("Der Ordner '%1' konnte nicht angelegt werden: %2")
                .arg(detail, SystemReason(file.Number));
        case Cause::FolderUnreadable:
            return RunReport::tr("Der Ordner konnte nicht gelesen werden: %1")
                .arg(SystemReason(file.Number));
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
        shown.Heading = QCoreApplication::translate("RunReport", group.heading)
                            .arg(static_cast<qulonglong>(shown.Lines.size()))
                            .toStdString();
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
            return RunReport::tr(
                "Es ist kein Ausgabepfad angegeben. Bitte einen Ordner eintragen oder mit "
                "\"...\" wählen, oder \"Ausgabepfad = Aktueller Pfad\" ankreuzen.");
        case batch::OutputProblem::NotAbsolute:
            return RunReport::tr(
                       "Der Ausgabepfad '%1' ist kein vollständiger Pfad; er muss mit \"/\" "
                       "beginnen.")
                .arg(folder);
        case batch::OutputProblem::NotAFolder:
            return RunReport::tr("Der Ausgabepfad '%1' ist kein Ordner.").arg(folder);
        case batch::OutputProblem::NotMade:
            return RunReport::tr(
                       "Der Ausgabeordner '%1' fehlt und konnte nicht angelegt werden: %2")
                .arg(folder, SystemReason(check.Errno));
        case batch::OutputProblem::NotWritable:
            return RunReport::tr("In den Ausgabeordner '%1' kann nicht geschrieben werden: %2")
                .arg(folder, SystemReason(check.Errno));
    }
    return {};
}

}  // namespace run_report_text
