// The window, its messages and Qt's own menus in the language the environment asks for, from
// the real start-up with the catalogues the build made.
#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../support/media_cache.h"
#include "../support/qt_test_main.h"
#include "../support/temp_dir.h"
#include "../support/window_controls.h"
#include "batch_window.h"
#include "language.h"
#include "run_report_dialog.h"
#include "run_report_text.h"
#include "startup.h"
#include "translations.h"
#include "ultrabox.h"

namespace {

using language::LocaleEnvironment;
using testing_support::Box;
using testing_support::Button;
using testing_support::Frame;
using testing_support::Label;

const QString kCatalogues = QStringLiteral(TONQUELL_BUILD_DIR "/translations");
const std::string kTranscoder = std::string(TONQUELL_BUILD_DIR) + "/BeSweet.exe";

struct RecordingSink : MessageSink {
    std::vector<std::string> texts;
    void Show(const std::string& text, MessageKind, const std::string&) override {
        texts.push_back(text);
    }
};

// The texts of the context menu `widget` opens, read while it is open, then closed.
QStringList ContextMenuOf(QWidget* widget) {
    QStringList texts;
    QTimer::singleShot(0, widget, [&texts] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (const QAction* action : menu->actions()) {
                if (!action->isSeparator()) {
                    texts << action->text();
                }
            }
        }
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
    });
    const QPoint at(widget->width() / 2, widget->height() / 2);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &event);
    return texts;
}

bool SpinUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 100000 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(2);
    }
    return done();
}

// What a user of each language reads.
struct Texts {
    const char* outputFrame;  // frame titles
    const char* filterFrame;
    const char* mp3Frame;
    const char* startCaption;    // the start button, letter-spaced
    const char* startName;       // and read out by its words
    const char* batchCaption;    // with "convert the whole folder" ticked
    const char* wholeFolder;     // a check box
    const char* rootTip;         // a tool tip
    const char* bitrate;         // the label above the MP3 bitrate bar
    const char* missing;         // the message when the transcoder is missing
    const char* noOutputFolder;  // the message that keeps a run from starting
    const char* oneConverted;    // the title's counts: plural forms
    const char* threeConverted;
    const char* mixed;
    const char* scrollHere;  // Qt's own context menu of a scroll bar
    const char* summary;     // the report window of a run with one failed file
    const char* heading;
    const char* fileColumn;
    const char* copyList;
};

const Texts kGerman = {
    "Ausgabeformat:",
    "Formate zeigen:",
    "MP3-Optionen:",
    "K O N V E R T I E R U N G    S T A R T E N",
    "Konvertierung starten",
    "S T A P E L V E R A R B E I T U N G",
    "kompletten Ordner konvertieren",
    "Ins Wurzelverzeichnis wechseln",
    "Bitrate: 192 KB/s",
    "Die erforderliche Datei 'BeSweet.exe' wurde nicht gefunden.   ",
    "Es ist kein Ausgabepfad angegeben. Bitte einen Ordner eintragen oder mit \"...\" wählen, "
    "oder \"Ausgabepfad = Aktueller Pfad\" ankreuzen.\n\nEs wurde nichts konvertiert.",
    "1 Datei konvertiert",
    "3 Dateien konvertiert",
    "1 konvertiert, 2 fehlgeschlagen",
    "Hierher scrollen",
    "0 konvertiert, 0 mit Warnungen, 0 übersprungen, 0 abgelehnt, 1 fehlgeschlagen, "
    "0 abgebrochen",
    "Fehlgeschlagen (1)",
    "Datei",
    "Liste kopieren",
};

const Texts kEnglish = {
    "Output format:",
    "Show formats:",
    "MP3 options:",
    "S T A R T    C O N V E R S I O N",
    "Start conversion",
    "B A T C H    C O N V E R S I O N",
    "Convert the whole folder",
    "Go to the root folder",
    "Bitrate: 192 kbit/s",
    "The required file 'BeSweet.exe' was not found.   ",
    "No output folder is given. Enter a folder or choose one with \"...\", or tick \"Output "
    "folder = current folder\".\n\nNothing was converted.",
    "1 file converted",
    "3 files converted",
    "1 converted, 2 failed",
    "Scroll here",
    "0 converted, 0 with warnings, 0 skipped, 0 refused, 1 failed, 0 stopped",
    "Failed (1)",
    "File",
    "Copy list",
};

batch::Report ReportOf(const std::vector<batch::Outcome>& outcomes) {
    batch::Report report;
    for (const batch::Outcome outcome : outcomes) {
        batch::FileReport file;
        file.Result = outcome;
        report.Files.push_back(file);
    }
    return report;
}

struct Case {
    const char* name;
    LocaleEnvironment env;  // LANGUAGE, LC_ALL, LC_MESSAGES, LANG
    const Texts* texts;
};

}  // namespace

namespace {

// Starts the program as `c`'s environment would and reads what its user sees.
void CheckLanguage(const Case& c) {
    const Texts& t = *c.texts;
    const std::string shown = language::Choose(c.env);
    const Translations translations(shown, kCatalogues);
    ASSERT_TRUE(translations.ProgramCatalogue()) << kCatalogues.toStdString();
    // English is Qt's own language; German needs its catalogue.
    EXPECT_EQ(translations.QtCatalogue(), shown == "de");

    testing_support::TempDir dir;
    const std::string exe = dir.File("tonquell");
    testing_support::WriteFile(exe, "");
    RecordingSink sink;
    MessageSink* previous = SetMessageSink(&sink);
    const auto window = StartUp(MakeAppValues(exe));  // no BeSweet.exe beside it: it warns
    SetMessageSink(previous);
    ASSERT_TRUE(window);
    ASSERT_EQ(sink.texts.size(), 1u);
    EXPECT_EQ(sink.texts[0], t.missing);

    const MainWindow& w = *window;
    EXPECT_EQ(Frame(w, "Frame2")->title(), QString::fromUtf8(t.outputFrame));
    EXPECT_EQ(Frame(w, "Frame5")->title(), QString::fromUtf8(t.filterFrame));
    EXPECT_EQ(Frame(w, "frmMP3")->title(), QString::fromUtf8(t.mp3Frame));
    EXPECT_EQ(w.Command1()->text(), QString::fromUtf8(t.startCaption));
    EXPECT_EQ(w.Command1()->accessibleName(), QString::fromUtf8(t.startName));
    EXPECT_EQ(Box(w, "chkAll")->text(), QString::fromUtf8(t.wholeFolder));
    EXPECT_EQ(Button(w, "cmdRoot")->toolTip(), QString::fromUtf8(t.rootTip));
    EXPECT_EQ(Label(w, "Label4")->text(), QString::fromUtf8(t.bitrate));
    Box(w, "chkAll")->click();
    EXPECT_EQ(w.Command1()->text(), QString::fromUtf8(t.batchCaption));
    Box(w, "chkAll")->click();

    using O = batch::Outcome;
    EXPECT_EQ(run_report_text::Sign(ReportOf({O::Converted})), QString::fromUtf8(t.oneConverted));
    EXPECT_EQ(run_report_text::Sign(ReportOf({O::Converted, O::Warned, O::Converted})),
              QString::fromUtf8(t.threeConverted));
    EXPECT_EQ(run_report_text::Sign(ReportOf({O::Failed, O::Converted, O::Failed})),
              QString::fromUtf8(t.mixed));

    EXPECT_TRUE(ContextMenuOf(testing_support::Control<QScrollBar>(w, QStringLiteral("HScroll1")))
                    .contains(QString::fromUtf8(t.scrollHere)))
        << ContextMenuOf(testing_support::Control<QScrollBar>(w, QStringLiteral("HScroll1")))
               .join(QStringLiteral(", "))
               .toStdString();

    const RunReportDialog report(run_report_text::Words(ReportOf({O::Failed})),
                                 QStringLiteral("Tonquell Audio Converter"), nullptr);
    EXPECT_EQ(report.findChild<QLabel*>(QStringLiteral("summary"))->text(),
              QString::fromUtf8(t.summary));
    const auto* files = report.findChild<QTreeWidget*>(QStringLiteral("files"));
    EXPECT_EQ(files->headerItem()->text(0), QString::fromUtf8(t.fileColumn));
    EXPECT_EQ(files->topLevelItem(0)->text(0), QString::fromUtf8(t.heading));
    EXPECT_EQ(report.findChild<QPushButton*>(QStringLiteral("copy"))->text(),
              QString::fromUtf8(t.copyList));

    // An output folder left empty: one message, and nothing starts.
    auto* batch = new BatchWindow(*window, kTranscoder, sink);
    Box(w, "chkOutPath")->click();
    QTest::mouseClick(window->Command1(), Qt::LeftButton);
    ASSERT_EQ(sink.texts.size(), 2u);
    EXPECT_EQ(sink.texts[1], t.noOutputFolder);
    EXPECT_FALSE(batch->Running());
}

// Ends the test main's German catalogues for the life of the object, then installs them again.
struct WithoutTestCatalogues {
    WithoutTestCatalogues() { testing_support::TestCatalogues().reset(); }
    ~WithoutTestCatalogues() { testing_support::TestCatalogues().emplace("de", kCatalogues); }
};

}  // namespace

TEST(LanguageWindow, CaptionsMessagesCountsAndQtsOwnMenusInTheChosenLanguage) {
    const Case cases[] = {
        {"LANG=en_US.UTF-8", {"", "", "", "en_US.UTF-8"}, &kEnglish},
        {"LANGUAGE=en:de LANG=de_DE.UTF-8", {"en:de", "", "", "de_DE.UTF-8"}, &kEnglish},
        {"LANG=C", {"", "", "", "C"}, &kGerman},
        {"LANG=de_DE.UTF-8", {"", "", "", "de_DE.UTF-8"}, &kGerman},
    };
    const WithoutTestCatalogues only;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CheckLanguage(c);
    }
}

// A run that went well leaves its count in the title, in the plural form of the language.
TEST(LanguageWindow, AnEnglishRunLeavesItsCountInEnglish) {
    testing_support::TempDir dir;
    ASSERT_EQ(testing_support::MakeMedia("-f lavfi -i sine=frequency=440:duration=1 -ac 2",
                                         dir.File("a.wav")),
              0);
    const WithoutTestCatalogues only;
    const Translations english("en", kCatalogues);
    RecordingSink sink;
    MainWindow window(QStringLiteral("Tonquell Audio Converter"));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* batch = new BatchWindow(window, kTranscoder, sink);
    ASSERT_TRUE(window.browser()->SetFolder(dir.Path().string()));
    UltraBox& list = *window.ubMain();
    for (int i = 1; i <= list.ListCount(); ++i) {
        list.SetSelected(i, list.List(i) == QStringLiteral("a.wav"));
    }
    QTest::mouseClick(window.Command1(), Qt::LeftButton);
    EXPECT_EQ(window.Command1()->text(), QStringLiteral("C A N C E L"));
    EXPECT_EQ(window.Command1()->accessibleName(), QStringLiteral("Cancel"));
    ASSERT_TRUE(SpinUntil([&] { return !batch->Running(); }));
    EXPECT_TRUE(sink.texts.empty());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("1 file converted - Tonquell Audio Converter"));
    EXPECT_EQ(window.Command1()->text(), QStringLiteral("S T A R T    C O N V E R S I O N"));
}

// A program without its catalogues beside it (copied alone) shows its own German texts.
TEST(LanguageWindow, WithoutItsCataloguesTheWindowStaysGerman) {
    const WithoutTestCatalogues only;
    testing_support::TempDir dir;
    const Translations english("en", QString::fromStdString(dir.File("translations")));
    EXPECT_FALSE(english.ProgramCatalogue());
    const MainWindow window(QStringLiteral("Tonquell Audio Converter"));
    EXPECT_EQ(Frame(window, "Frame2")->title(), QStringLiteral("Ausgabeformat:"));
    EXPECT_EQ(window.Command1()->text(),
              QStringLiteral("K O N V E R T I E R U N G    S T A R T E N"));
}
