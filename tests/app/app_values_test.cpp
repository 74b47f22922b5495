#include "app_values.h"

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "../support/temp_dir.h"
#include "messages.h"

TEST(AppValues, TheSettingsFileLiesBesideTheExecutableAndCarriesItsName) {
    const AppValues win = MakeAppValues("C:\\Tools\\Klangwerk.exe", paths::PathStyle::Windows);
    EXPECT_EQ(win.AppPath, "C:\\Tools\\");
    EXPECT_EQ(win.ExeName, "Klangwerk");
    EXPECT_EQ(win.AppTitle, "Tonquell Audio Converter");
    EXPECT_EQ(win.IniPath, "C:\\Tools\\Klangwerk.ini");
    EXPECT_EQ(win.TranscoderPath, "C:\\Tools\\BeSweet.exe");
    EXPECT_EQ(MakeAppValues("C:\\Tools\\Other.exe", paths::PathStyle::Windows).IniPath,
              "C:\\Tools\\Other.ini");

    testing_support::TempDir dir;
    for (const char* name : {"tonquell", "Other", "Other.bin"}) {
        const std::string exe = dir.File(name);
        testing_support::WriteFile(exe, "");
        const AppValues v = MakeAppValues(exe);
        EXPECT_EQ(v.AppPath, dir.Path().string() + "/");
        EXPECT_EQ(v.TranscoderPath, dir.Path().string() + "/BeSweet.exe");
        const std::string stem = std::filesystem::path(name).stem().string();
        EXPECT_EQ(v.ExeName, stem);
        EXPECT_EQ(v.IniPath, dir.File(stem + ".ini")) << name;
    }
}

TEST(AppValues, RunningExecutableIsThisTest) {
    EXPECT_EQ(std::filesystem::path(RunningExecutablePath()).filename(), "app_values_test");
}

// Started through a link, as from an installed bin/ folder, the program still finds its
// folder, and so its transcoder, where the executable really lies.
TEST(AppValues, RunningExecutableIsTheLinksTarget) {
    if (const char* report = std::getenv("APP_VALUES_TEST_REPORT")) {  // the started copy
        testing_support::WriteFile(report, RunningExecutablePath());
        return;
    }
    testing_support::TempDir dir;
    const std::string self = RunningExecutablePath();
    std::filesystem::create_directory(dir.File("bin"));
    const std::string link = dir.File("bin/tonquell");
    std::filesystem::create_symlink(self, link);
    const std::string report = dir.File("report.txt");
    const std::string command = "APP_VALUES_TEST_REPORT='" + report + "' '" + link +
                                "' --gtest_filter=AppValues.RunningExecutableIsTheLinksTarget"
                                " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string seen = testing_support::ReadFile(report);
    EXPECT_EQ(seen, self);
    EXPECT_EQ(MakeAppValues(seen).TranscoderPath,
              std::filesystem::path(self).parent_path().string() + "/BeSweet.exe");
}

namespace {
struct Recorded {
    std::string text;
    MessageKind kind;
    std::string title;
};
class RecordingSink : public MessageSink {
public:
    std::vector<Recorded> shown;
    void Show(const std::string& text, MessageKind kind, const std::string& title) override {
        shown.push_back({text, kind, title});
    }
};
}  // namespace

TEST(Messages, TitleDefaultsToTheApplicationAndUnknownKindsShowNothing) {
    RecordingSink sink;
    MessageSink* previous = SetMessageSink(&sink);
    ShowMessage(TranscoderMissingMessage(), MessageKind::Warning);
    ShowMessage("x", MessageKind::Information, "Titel");
    ShowMessage("never", static_cast<MessageKind>(0));
    ShowMessage("never", static_cast<MessageKind>(5));
    SetMessageSink(previous);
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[0].text, "Die erforderliche Datei 'BeSweet.exe' wurde nicht gefunden.   ");
    EXPECT_EQ(sink.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(sink.shown[0].title, "Tonquell Audio Converter");
    EXPECT_EQ(sink.shown[1].title, "Titel");
}

// A sink without a window of its own for the report shows it as one box of plain text.
TEST(Messages, TheReportAsOnePlainBox) {
    RunReportText report;
    report.Summary = "2 konvertiert, 1 fehlgeschlagen";
    report.Groups = {{"Fehlgeschlagen (1)", {{"/m/b.mp3", "kaputt\nwirklich"}}, true},
                     {"Konvertiert (2)", {{"/m/a.mp3", "/o/a.mp3"}, {"/m/c.mp3", ""}}, false}};
    RecordingSink sink;
    sink.ShowReport(report, "Titel");
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text,
              "2 konvertiert, 1 fehlgeschlagen\n"
              "\nFehlgeschlagen (1)\n/m/b.mp3\n    kaputt\n    wirklich\n"
              "\nKonvertiert (2)\n/m/a.mp3\n    /o/a.mp3\n/m/c.mp3\n");
    EXPECT_EQ(sink.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(sink.shown[0].title, "Titel");
}
