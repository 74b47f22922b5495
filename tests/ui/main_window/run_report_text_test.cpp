// The words of a run's end: each outcome's reason, the sign in the title and the groups of
// the report, in German as the program shows them.
#include "run_report_text.h"

#include <cerrno>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using batch::Cause;
using batch::FileReport;
using batch::Outcome;

FileReport File(Outcome outcome, Cause why, std::string detail = {}, std::int64_t number = 0,
                std::int64_t limit = 0) {
    FileReport f;
    f.Result = outcome;
    f.Source = "/m/a.flac";
    f.Target = "/o/a.mp3";
    f.Why = why;
    f.Detail = std::move(detail);
    f.Number = number;
    f.Limit = limit;
    return f;
}

TEST(RunReportText, EachOutcomeSaysWhatBecameOfItsFile) {
    struct Case {
        FileReport file;
        const char* reason;
    } const cases[] = {
        {File(Outcome::Converted, Cause::None), "/o/a.mp3"},
        {File(Outcome::Stopped, Cause::None), ""},
        {File(Outcome::Failed, Cause::TranscoderNotStarted, "No such file or directory"),
         "BeSweet.exe konnte nicht gestartet werden: No such file or directory"},
        {File(Outcome::Failed, Cause::TranscoderNotStarted),
         "BeSweet.exe konnte nicht gestartet werden"},
        {File(Outcome::Failed, Cause::TranscoderFailed, {}, 3),
         "BeSweet.exe endete mit dem Status 3"},
        // The file is named in its own column; the transcoder's naming of it is left out.
        {File(Outcome::Failed, Cause::TranscoderFailed,
              "BeSweet.exe: '/m/a.flac': not an audio or video file", 1),
         "not an audio or video file"},
        {File(Outcome::Failed, Cause::TranscoderFailed, "BeSweet.exe: '/m/b.flac': x", 1),
         "BeSweet.exe: '/m/b.flac': x"},
        {File(Outcome::Failed, Cause::NoOutput),
         "BeSweet.exe meldete Erfolg, hat aber keine Ausgabedatei erzeugt"},
        {File(Outcome::Failed, Cause::TagsNotWritten, "ID3v2: disk full"),
         "ID3-Tags: ID3v2: disk full"},
        {File(Outcome::Failed, Cause::TagsNotWritten),
         "Die ID3-Tags konnten nicht in '/o/a.mp3' geschrieben werden"},
        {File(Outcome::Failed, Cause::NameTooLong, {}, 259, 255),
         "Der Name der Ausgabedatei wäre mit 259 Bytes länger, als der Ordner erlaubt (höchstens "
         "255)"},
        {File(Outcome::Refused, Cause::TargetExists), "Datei '/o/a.mp3' existiert bereits."},
        {File(Outcome::Skipped, Cause::TargetExists), "Ziel vorhanden: /o/a.mp3"},
        {File(Outcome::Failed, Cause::SourceGone), "Die Quelldatei ist nicht mehr vorhanden"},
        {File(Outcome::Failed, Cause::LinkInOutput, "/o/Album"),
         "'/o/Album' ist eine Verknüpfung; durch sie wird nicht geschrieben"},
        {File(Outcome::Failed, Cause::NotAFolderInOutput, "/o/Album"),
         "'/o/Album' ist kein Ordner"},
        {File(Outcome::Failed, Cause::FolderNotMade, "/o/Album", ENOSPC),
         "Der Ordner '/o/Album' konnte nicht angelegt werden: No space left on device"},
        {File(Outcome::Warned, Cause::Warnings, "2 frames lost\n0.5 s silent"),
         "2 frames lost\n0.5 s silent"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run_report_text::Reason(c.file).toStdString(), c.reason) << c.reason;
    }
}

TEST(RunReportText, TheSignCountsWhatHappened) {
    const auto report = [](std::vector<Outcome> outcomes, bool stopped = false) {
        batch::Report r;
        for (const Outcome o : outcomes) {
            r.Files.push_back(File(o, Cause::None));
        }
        r.Stopped = stopped;
        return r;
    };
    using O = Outcome;
    EXPECT_EQ(run_report_text::Sign(report({O::Converted})), "1 Datei konvertiert");
    EXPECT_EQ(run_report_text::Sign(report({O::Converted, O::Warned})), "2 Dateien konvertiert");
    EXPECT_EQ(run_report_text::Sign(report({O::Skipped, O::Skipped})), "2 übersprungen");
    EXPECT_EQ(run_report_text::Sign(report(
                  {O::Converted, O::Skipped, O::Refused, O::Failed, O::Stopped, O::Failed}, true)),
              "1 konvertiert, 1 übersprungen, 1 abgelehnt, 2 fehlgeschlagen, 1 abgebrochen");
    EXPECT_EQ(run_report_text::Sign(report({})), "Keine passenden Dateien gefunden");
    EXPECT_EQ(run_report_text::Sign(report({}, true)), "Abgebrochen");
}

// What needs a look comes first and unfolded; the plain successes last and folded; empty
// groups are left out. The first line counts all six outcomes.
TEST(RunReportText, GroupsInTheOrderTheyNeedALook) {
    batch::Report report;
    for (const Outcome o : {Outcome::Converted, Outcome::Skipped, Outcome::Failed, Outcome::Warned,
                            Outcome::Converted, Outcome::Refused}) {
        report.Files.push_back(File(
            o, o == Outcome::Refused || o == Outcome::Skipped ? Cause::TargetExists : Cause::None));
    }
    const RunReportText words = run_report_text::Words(report);
    EXPECT_EQ(words.Summary,
              "2 konvertiert, 1 mit Warnungen, 1 übersprungen, 1 abgelehnt, 1 fehlgeschlagen, 0 "
              "abgebrochen");
    std::vector<std::pair<std::string, bool>> groups;
    for (const ReportGroup& g : words.Groups) {
        groups.emplace_back(g.Heading, g.Open);
        for (const ReportLine& line : g.Lines) {
            EXPECT_EQ(line.Item, "/m/a.flac");
        }
    }
    EXPECT_EQ(groups, (std::vector<std::pair<std::string, bool>>{
                          {"Fehlgeschlagen (1)", true},
                          {"Nicht konvertiert, weil das Ziel schon existiert (1)", true},
                          {"Mit Warnungen konvertiert (1)", true},
                          {"Übersprungen, Ziel vorhanden (1)", false},
                          {"Konvertiert (2)", false}}));
}

TEST(RunReportText, WhyAnOutputFolderCannotTakeARun) {
    using batch::OutputProblem;
    struct Case {
        batch::OutputFolderCheck check;
        const char* says;
    } const cases[] = {
        {{OutputProblem::None, 0, "/o"}, ""},
        {{OutputProblem::Empty, 0, ""}, "Es ist kein Ausgabepfad angegeben."},
        {{OutputProblem::NotAbsolute, 0, "mp3"}, "Der Ausgabepfad 'mp3' ist kein vollständiger"},
        {{OutputProblem::NotAFolder, 0, "/o/x"}, "Der Ausgabepfad '/o/x' ist kein Ordner."},
        {{OutputProblem::NotMade, EACCES, "/o"},
         "Der Ausgabeordner '/o' fehlt und konnte nicht angelegt werden: Permission denied"},
        {{OutputProblem::NotWritable, EROFS, "/o"},
         "In den Ausgabeordner '/o' kann nicht geschrieben werden: Read-only file system"},
    };
    for (const Case& c : cases) {
        const std::string text = run_report_text::OutputFolderMessage(c.check).toStdString();
        EXPECT_EQ(text.rfind(c.says, 0), 0u) << text;
    }
}

}  // namespace
