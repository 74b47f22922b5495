#include "batch_window.h"
#include "../../support/media_cache.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "../../support/temp_dir.h"
#include "../../support/window_controls.h"
#include "../../transcoder/media_probe.h"
#include "file_browser.h"
#include "id3v1.h"
#include "id3v2_reader.h"
#include "id3v2_writer.h"
#include "main_window.h"
#include "source_tags.h"
#include "ultrabox.h"
#include "xp_progress_bar.h"

namespace fs = std::filesystem;

namespace {

using testing_support::Bar;
using testing_support::Box;
using testing_support::Radio;

const QString kTitle = QStringLiteral("Tonquell Audio Converter");
const std::string kTranscoder = std::string(TONQUELL_BUILD_DIR) + "/BeSweet.exe";

// Every box and every report, a report also as its plain text.
struct RecordingSink : MessageSink {
    std::vector<std::string> texts;
    std::vector<std::string> titles;
    std::vector<RunReportText> reports;
    void Show(const std::string& text, MessageKind, const std::string& title) override {
        texts.push_back(text);
        titles.push_back(title);
    }
    void ShowReport(const RunReportText& report, const std::string& title) override {
        reports.push_back(report);
        Show(PlainText(report), MessageKind::Warning, title);
    }
};

// One second of tone made by the ffmpeg tool; `args` choose channels and codec.
void MakeAudio(const std::string& path, const std::string& args = "-ac 2") {
    ASSERT_EQ(testing_support::MakeMedia("-f lavfi -i sine=frequency=440:duration=1 " + args, path),
              0)
        << args;
}

// A stand-in transcoder: waits until the file "go" appears beside it (when `waitForGo`),
// then creates the file named after -output and exits 0.
void WriteStandIn(const std::string& path, bool waitForGo) {
    {
        std::ofstream out(path);
        out << "#!/bin/sh\n";
        if (waitForGo) {
            // Bounded, so a window that never lets the test act fails instead of hanging.
            out << "n=0\n"
                   "while [ ! -e \"$(dirname \"$0\")/go\" ] && [ $n -lt 3000 ]; do\n"
                   "  sleep 0.01; n=$((n + 1))\n"
                   "done\n";
        }
        out << "while [ $# -gt 0 ]; do\n"
               "  if [ \"$1\" = -output ]; then : > \"$2\"; fi\n"
               "  shift\n"
               "done\n";
    }
    fs::permissions(path, fs::perms::owner_all);
}

// True when the folder holds a transcoder's temporary output (with data in it, when asked:
// then the transcoder has been writing for a while).
bool HasPartFile(const fs::path& folder, bool withData = false) {
    for (const auto& e : fs::directory_iterator(folder)) {
        if (e.path().filename().string().starts_with(".tq-") && (!withData || e.file_size() > 0)) {
            return true;
        }
    }
    return false;
}

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

// Processes events until `done` holds or `rounds` rounds have passed; true when it held.
bool SpinUntil(const std::function<bool()>& done, int rounds = 4000) {
    for (int i = 0; i < rounds && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(2);
    }
    return done();
}

class BatchWindowTest : public ::testing::Test {
protected:
    void Open(const std::string& transcoder = kTranscoder) {
        window_ = std::make_unique<MainWindow>(kTitle);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        batch_ = new BatchWindow(*window_, transcoder, sink_);
        batch_->SetClosingYields(200);
        ASSERT_TRUE(window_->browser()->SetFolder(folder()));
    }
    std::string folder() const { return dir_.Path().string(); }
    std::string File(const std::string& name) const { return dir_.File(name); }
    UltraBox& List() { return *window_->ubMain(); }
    int IndexOf(const QString& text) {
        for (int i = 1; i <= List().ListCount(); ++i) {
            if (List().List(i) == text) {
                return i;
            }
        }
        return -1;
    }
    void Select(const QString& text) {
        const int i = IndexOf(text);
        ASSERT_GT(i, 0) << text.toStdString();
        List().SetSelected(i, true);
    }
    void ChooseFormat(int index) {
        Radio(*window_, "optFormat", index)->setChecked(true);
        window_->optFormat_Click(index);
    }
    // Presses the start button and lets the window's event loop run until the run is over.
    void Start() {
        QTest::mouseClick(window_->Command1(), Qt::LeftButton);
        ASSERT_TRUE(SpinUntil([&] { return !batch_->Running(); }, 100000));
    }

    testing_support::TempDir dir_;
    RecordingSink sink_;
    std::unique_ptr<MainWindow> window_;
    BatchWindow* batch_ = nullptr;  // owned by the window
};

TEST_F(BatchWindowTest, WavToWavGivesNewNameThenRefusesAndTheListShowsIt) {
    MakeAudio(File("a.wav"));
    Open();
    Select("a.wav");
    window_->setWindowTitle("a.wav - " + kTitle);
    Start();
    EXPECT_TRUE(fs::exists(File("a_new.wav")));
    EXPECT_TRUE(sink_.texts.empty());
    EXPECT_GT(IndexOf("a_new.wav"), 0);  // refreshed
    // No box for a run that went well; its end shows in the title until the next action.
    EXPECT_EQ(window_->windowTitle(), "1 Datei konvertiert - " + kTitle);
    EXPECT_FALSE(window_->XP_ProgressBar1()->isVisible());
    EXPECT_FALSE(batch_->Running());

    Select("a.wav");
    Start();
    ASSERT_EQ(sink_.texts.size(), 1u);
    EXPECT_NE(sink_.texts[0].find("Datei '" + File("a_new.wav") + "' existiert bereits."),
              std::string::npos)
        << sink_.texts[0];
    EXPECT_EQ(sink_.titles[0], kTitle.toStdString());
    ASSERT_EQ(sink_.reports.size(), 1u);
    EXPECT_EQ(sink_.reports[0].Summary,
              "0 konvertiert, 0 mit Warnungen, 0 übersprungen, 1 abgelehnt, 0 fehlgeschlagen, "
              "0 abgebrochen");
    EXPECT_EQ(batch_->LastReport().Done, 1);
    EXPECT_EQ(window_->windowTitle(), "1 abgelehnt - " + kTitle);
    EXPECT_EQ(window_->XP_ProgressBar1()->Value(), 100);
}

TEST_F(BatchWindowTest, NameThatIsNotUtf8KeepsItsBytes) {
    const std::string odd = "Lied \xE4\xF6";  // Latin-1 umlauts, not valid UTF-8
    MakeAudio(File(odd + ".wav"));
    Open();
    Box(*window_, "chkAll")->setChecked(true);
    Start();
    EXPECT_TRUE(sink_.texts.empty()) << sink_.texts.front();
    EXPECT_EQ(batch_->LastReport().Done, 1);
    EXPECT_TRUE(fs::exists(File(odd + "_new.wav")));
}

TEST_F(BatchWindowTest, ConvertAllCarriesTagsOfTaggedSourcesAndStepsThroughThree) {
    MakeAudio(File("song.mp3"), "-ac 2 -c:a libmp3lame -b:a 128k");
    MakeAudio(File("plain.wav"));
    MakeAudio(File("zz.mp3"), "-ac 2 -c:a libmp3lame");
    fs::create_directory(File("sub"));
    id3::TagSet v1;
    v1.Artist = "Artist";
    v1.Title = "Title";
    v1.Track = "3";  // ID3v1.1
    id3::TagSet v2;
    v2.Artist = "Дмитрий Шостакович";
    v2.Title = "Ölfeld – 東京";
    v2.Comment = "ñ";
    ASSERT_TRUE(id3::WriteId3v2(File("song.mp3"), v2, 3, true, false));
    ASSERT_TRUE(id3::WriteId3v1(File("song.mp3"), v1, false));

    Open();
    batch_->SetJobs(1);  // one at a time: each file starts where the one before ended
    ChooseFormat(1);
    Box(*window_, "chkAll")->setChecked(true);
    std::vector<int> atStart;
    const int idleHeight = window_->height();
    bool barShown = true;
    bool sameHeight = true;
    bool busyPointer = true;
    QObject::connect(batch_, &BatchWindow::childStarted, [&] {
        atStart.push_back(window_->XP_ProgressBar1()->Value());
        barShown = barShown && window_->XP_ProgressBar1()->isVisible() &&
                   window_->XP_ProgressBar1()->mapTo(window_.get(), QPoint(0, 0)).y() +
                           window_->XP_ProgressBar1()->height() <=
                       window_->height();
        sameHeight = sameHeight && window_->height() == idleHeight;
        busyPointer = busyPointer && QApplication::overrideCursor() != nullptr &&
                      QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    });
    Start();
    EXPECT_TRUE(barShown);
    EXPECT_TRUE(sameHeight);  // the window keeps one height; the bar's place is inside it
    EXPECT_TRUE(busyPointer);
    EXPECT_EQ(window_->height(), idleHeight);
    EXPECT_FALSE(window_->XP_ProgressBar1()->isVisible());

    EXPECT_EQ(atStart, (std::vector<int>{0, 33, 66}));
    EXPECT_EQ(window_->XP_ProgressBar1()->Value(), 100);
    EXPECT_TRUE(sink_.texts.empty()) << sink_.texts.front();
    id3::TagSet got1, got2, none;
    ASSERT_TRUE(id3::ReadId3v1(File("song_new.mp3"), got1));
    ASSERT_TRUE(id3::ReadId3v2(File("song_new.mp3"), got2));
    EXPECT_EQ(got1.Artist, "Artist");
    EXPECT_EQ(got1.Track, "3");
    EXPECT_EQ(got2.Artist, v2.Artist);
    EXPECT_EQ(got2.Title, v2.Title);
    EXPECT_EQ(got2.Comment, v2.Comment);
    EXPECT_FALSE(id3::ReadId3v1(File("plain.mp3"), none));
    EXPECT_FALSE(id3::ReadId3v2(File("plain.mp3"), none));

    // MP3 to WAV: the tags go into the WAV file's chunks.
    ChooseFormat(0);
    Box(*window_, "chkAll")->setChecked(false);
    Select("song.mp3");
    Start();
    ASSERT_TRUE(fs::exists(File("song.wav")));
    EXPECT_FALSE(id3::ReadId3v1(File("song.wav"), none));
    const id3::SourceTags wav = tags::ReadSourceTags(File("song.wav"));
    EXPECT_EQ(wav.Id3v2.Artist, v2.Artist);
    EXPECT_EQ(wav.Id3v2.Title, v2.Title);
}

TEST_F(BatchWindowTest, NothingEligibleRestoresTheWindowWithoutATranscoder) {
    testing_support::WriteFile(File("a.wav"), "x");
    fs::create_directory(File("sub"));
    Open();
    const int idleHeight = window_->height();
    Select("[sub]");
    Select("[..]");
    int started = 0;
    QObject::connect(batch_, &BatchWindow::childStarted, [&] { ++started; });
    window_->setWindowTitle("x - " + kTitle);
    Start();
    EXPECT_EQ(started, 0);
    EXPECT_EQ(batch_->LastReport().Total, 0);
    EXPECT_TRUE(sink_.texts.empty());
    EXPECT_EQ(window_->windowTitle(), "Keine passenden Dateien gefunden - " + kTitle);
    EXPECT_EQ(window_->height(), idleHeight);
    EXPECT_FALSE(window_->XP_ProgressBar1()->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(BatchWindowTest, NinetySevenFilesEndAtNinetyNine) {
    testing_support::TempDir program;
    const std::string standIn = program.File("BeSweet.exe");
    WriteStandIn(standIn, false);
    for (int i = 0; i < 97; ++i) {
        testing_support::WriteFile(File("t" + std::to_string(100 + i) + ".ogg"), "x");
    }
    Open(standIn);
    Box(*window_, "chkAll")->setChecked(true);
    Start();
    EXPECT_EQ(batch_->LastReport().Done, 97);
    EXPECT_EQ(window_->XP_ProgressBar1()->Value(), 99);
    EXPECT_TRUE(sink_.texts.empty());
}

TEST_F(BatchWindowTest, VobSplitsIntoSixWavsAndAc3BecomesMp3AtTheChosenBitrate) {
    MakeAudio(File("film.vob"), "-ac 6 -c:a ac3 -b:a 384k -f vob");
    MakeAudio(File("surround.ac3"), "-ac 6 -c:a ac3 -b:a 384k");
    Open();
    ChooseFormat(0);
    Box(*window_, "chkAC3to6WAV")->setChecked(true);
    Select("film.vob");
    Start();
    EXPECT_TRUE(sink_.texts.empty()) << sink_.texts.front();
    const auto whole = Probe(File("film.wav"));
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->channels, 6);
    for (const char* role : {"FL", "FR", "C", "LFE", "SL", "SR"}) {
        const auto part = Probe(File(std::string("film_") + role + ".wav"));
        ASSERT_TRUE(part) << role;
        EXPECT_EQ(part->channels, 1) << role;
    }

    ChooseFormat(1);
    QScrollBar* bar = Bar(*window_, "HScroll1");
    bar->setValue(bar->minimum() + (bar->maximum() - bar->minimum()) / 2);
    window_->HScroll1_Change();
    const int chosen = window_->SelectedBitrate();
    ASSERT_GT(chosen, 0);
    Select("surround.ac3");
    List().SetSelected(IndexOf("film.vob"), false);
    Start();
    const auto mp3 = Probe(File("surround.mp3"));
    ASSERT_TRUE(mp3);
    EXPECT_EQ(mp3->codec, "mp3");
    EXPECT_EQ(mp3->channels, 2);
    EXPECT_EQ(mp3->bitrate, chosen * 1000);
}

TEST_F(BatchWindowTest, ConsoleWindowShownForUntickedAndGreyedHiddenForTicked) {
    MakeAudio(File("a.wav"));
    Open();
    Box(*window_, "Check1")->setTristate(true);
    struct Case {
        Qt::CheckState state;
        bool shown;
    } const cases[] = {{Qt::Checked, false}, {Qt::Unchecked, true}, {Qt::PartiallyChecked, true}};
    for (const Case& c : cases) {
        Box(*window_, "Check1")->setCheckState(c.state);
        fs::remove(File("a_new.wav"));
        Select("a.wav");
        bool sawConsole = false;
        QString consoleTitle;
        QString consoleText;
        QPixmap consoleShot;
        const auto connection = QObject::connect(batch_, &BatchWindow::childStarted, [&] {
            if (batch_->Console() != nullptr) {
                sawConsole = batch_->Console()->isVisible();
                consoleTitle = batch_->Console()->windowTitle();
                EXPECT_TRUE(batch_->Console()->isReadOnly());
                // The transcoder's progress appears while it runs. Every change of the text is
                // seen, so a transcoder that ends at once and closes its console loses none.
                BatchConsole* console = batch_->Console();
                QObject::connect(console, &QPlainTextEdit::textChanged, console, [&, console] {
                    consoleText = console->toPlainText();
                    if (consoleShot.isNull() && consoleText.contains(QStringLiteral("100%"))) {
                        consoleShot = console->grab();
                    }
                });
                EXPECT_TRUE(batch_->Console()->font().fixedPitch() ||
                            QFontInfo(batch_->Console()->font()).fixedPitch());
            }
        });
        Start();
        QObject::disconnect(connection);
        EXPECT_EQ(sawConsole, c.shown) << c.state;
        if (c.shown) {
            fs::create_directories(std::string(TONQUELL_BUILD_DIR) + "/screenshots");
            consoleShot.save(QString::fromStdString(std::string(TONQUELL_BUILD_DIR) +
                                                    "/screenshots/batch_console.png"));
            EXPECT_EQ(consoleTitle, QStringLiteral("a.wav"));
            EXPECT_TRUE(consoleText.contains(QStringLiteral("100%"))) << consoleText.toStdString();
            const std::string command = kTranscoder + " -core( -input \"" + File("a.wav") +
                                        "\" -output \"" + File("a_new.wav") + "\" -2ch )\n";
            EXPECT_TRUE(consoleText.startsWith(QString::fromStdString(command)))
                << consoleText.toStdString();
        }
        EXPECT_EQ(batch_->Console(), nullptr);  // closed when the transcoder ended
        EXPECT_TRUE(fs::exists(File("a_new.wav")));
    }
}

TEST_F(BatchWindowTest, GarbageAmongGoodFilesIsNamedWithTheTranscodersReason) {
    MakeAudio(File("a.wav"));
    MakeAudio(File("c.wav"));
    testing_support::WriteFile(File("b.mp3"), std::string(4000, 'x'));
    Open();
    ChooseFormat(1);
    Box(*window_, "chkAll")->setChecked(true);
    Start();
    EXPECT_TRUE(fs::exists(File("a.mp3")));
    EXPECT_TRUE(fs::exists(File("c.mp3")));
    EXPECT_FALSE(fs::exists(File("b_new.mp3")));
    ASSERT_EQ(sink_.reports.size(), 1u);
    EXPECT_EQ(sink_.titles[0], kTitle.toStdString());
    const RunReportText& report = sink_.reports[0];
    ASSERT_EQ(report.Groups.size(), 2u);
    EXPECT_EQ(report.Groups[0].Heading, "Fehlgeschlagen (1)");
    ASSERT_EQ(report.Groups[0].Lines.size(), 1u);
    EXPECT_EQ(report.Groups[0].Lines[0].Item, File("b.mp3"));
    EXPECT_NE(report.Groups[0].Lines[0].Detail.find("not an audio or video file"),
              std::string::npos)
        << report.Groups[0].Lines[0].Detail;
    EXPECT_EQ(report.Groups[1].Heading, "Konvertiert (2)");
    EXPECT_EQ(report.Groups[1].Lines[0].Detail, File("a.mp3"));
    EXPECT_FALSE(report.Groups[1].Open);
}

TEST_F(BatchWindowTest, WindowRepaintsButTakesNoClicksWhileTheTranscoderRuns) {
    testing_support::TempDir program;
    const std::string standIn = program.File("BeSweet.exe");
    WriteStandIn(standIn, true);
    testing_support::WriteFile(File("a.ogg"), "x");
    testing_support::WriteFile(File("b.ogg"), "x");
    Open(standIn);
    Select("a.ogg");
    PaintCounter counter;
    window_->installEventFilter(&counter);
    const int bIndex = IndexOf("b.ogg");
    int paintsWhileWaiting = -1;
    QObject::connect(batch_, &BatchWindow::childStarted, [&] {
        QTimer::singleShot(0, [&] {
            const int before = counter.paints;
            window_->update();
            SpinUntil([&] { return counter.paints > before; });
            paintsWhileWaiting = counter.paints - before;
            // A user's click on the list while the child runs.
            const int y = 3 + (bIndex - List().TopIndex()) * List().ItemHeightPx() +
                          List().ItemHeightPx() / 2;
            QTest::mouseClick(List().Surface(), Qt::LeftButton, Qt::NoModifier, QPoint(20, y));
            QTest::keyClick(List().Surface(), Qt::Key_Space);
            testing_support::WriteFile(program.File("go"), "");
        });
    });
    Start();
    EXPECT_GT(paintsWhileWaiting, 0);
    EXPECT_EQ(batch_->LastReport().Done, 1);
    // The click reached nothing: b.ogg stays unselected (the list was rebuilt afterwards,
    // but a selection made during the run would have started a second conversion).
    EXPECT_FALSE(fs::exists(File("b.wav")));
    EXPECT_TRUE(fs::exists(File("a.wav")));
}

TEST_F(BatchWindowTest, StopButtonAndEscapeEndTheRunAndRestoreTheWindow) {
    testing_support::TempDir program;
    const std::string standIn = program.File("BeSweet.exe");
    // Writes a temporary file until stopped (then removes it) or until "go" appears.
    {
        std::ofstream out(standIn);
        out << "#!/bin/sh\n"
               "for a; do [ \"$prev\" = -output ] && out=\"$a\"; prev=\"$a\"; done\n"
               "tmp=\"$(dirname \"$out\")/.tq-$$\"\n"
               "trap 'rm -f \"$tmp\"; exit 143' TERM\n"
               "echo data > \"$tmp\"\n"
               "n=0\n"
               "while [ ! -e \"$(dirname \"$0\")/go\" ] && [ $n -lt 3000 ]; do\n"
               "  sleep 0.01; n=$((n + 1))\n"
               "done\n"
               "mv \"$tmp\" \"$out\"\n";
    }
    fs::permissions(standIn, fs::perms::owner_all);
    for (const char* name : {"a.ogg", "b.ogg", "c.ogg"}) {
        testing_support::WriteFile(File(name), "x");
    }
    Open(standIn);
    batch_->SetJobs(2);
    Box(*window_, "chkAll")->setChecked(true);
    const QString startCaption = window_->Command1()->text();
    const int idleHeight = window_->height();

    for (const bool byEscape : {false, true}) {
        sink_.texts.clear();
        QString busyCaption;
        int started = 0;
        const auto connection = QObject::connect(batch_, &BatchWindow::childStarted, [&] {
            if (++started == 2) {
                QTimer::singleShot(0, [&] {
                    SpinUntil([&] { return HasPartFile(dir_.Path()); });
                    busyCaption = window_->Command1()->text();
                    if (!byEscape) {
                        fs::create_directories(std::string(TONQUELL_BUILD_DIR) + "/screenshots");
                        window_->grab().save(QString::fromStdString(
                            std::string(TONQUELL_BUILD_DIR) + "/screenshots/batch_stop.png"));
                        QTest::mouseClick(window_->Command1(), Qt::LeftButton);
                    } else {
                        QTest::keyClick(window_.get(), Qt::Key_Escape);
                    }
                });
            }
        });
        Start();
        QObject::disconnect(connection);
        EXPECT_EQ(busyCaption, QStringLiteral("A B B R E C H E N")) << byEscape;
        const batch::Report& report = batch_->LastReport();
        EXPECT_TRUE(report.Stopped) << byEscape;
        EXPECT_EQ(started, 2) << byEscape;  // c.ogg never started
        EXPECT_EQ(report.Count(batch::Outcome::Stopped), 2) << byEscape;
        EXPECT_FALSE(HasPartFile(dir_.Path()));
        for (const char* out : {"a.wav", "b.wav", "c.wav"}) {
            EXPECT_FALSE(fs::exists(File(out))) << out;
        }
        EXPECT_EQ(window_->Command1()->text(), startCaption);
        EXPECT_EQ(window_->height(), idleHeight);
        EXPECT_EQ(window_->windowTitle(), "2 abgebrochen - " + kTitle);
        EXPECT_FALSE(window_->XP_ProgressBar1()->isVisible());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        ASSERT_EQ(sink_.texts.size(), 1u);
        EXPECT_NE(sink_.texts[0].find("Abgebrochen (2)"), std::string::npos) << sink_.texts[0];
        EXPECT_NE(sink_.texts[0].find(File("a.ogg")), std::string::npos);
    }
}

// A transcoder the stop did not reach in time is ended outright ten seconds later; that must
// never hit a transcoder of a run started since, although its slots are numbered from 1
// again. The first run's transcoder is a stand-in that waits until stopped; the second run's
// first transcoder waits until well past those ten seconds before it becomes the real one.
TEST_F(BatchWindowTest, StoppingOneRunLeavesTheNextRunsTranscodersAlone) {
    testing_support::TempDir program;
    const std::string wrapper = program.File("BeSweet.exe");
    {
        std::ofstream out(wrapper);
        out << "#!/bin/sh\n"
               "for a; do [ \"$prev\" = -input ] && in=\"$a\"; prev=\"$a\"; done\n"
               "case \"$in\" in *slow*)\n"
               "  trap 'exit 143' TERM\n"
               "  n=0; while [ $n -lt 3000 ]; do sleep 0.01; n=$((n + 1)); done; exit 1;;\n"
               "esac\n"
               "n=0\n"
               "while [ ! -e \"$(dirname \"$0\")/go\" ] && [ $n -lt 6000 ]; do\n"
               "  sleep 0.01; n=$((n + 1))\n"
               "done\n"
               "exec \""
            << kTranscoder << "\" \"$@\"\n";
    }
    fs::permissions(wrapper, fs::perms::owner_all);
    testing_support::WriteFile(File("slow.ogg"), "x");
    MakeAudio(File("a.wav"));
    MakeAudio(File("b.wav"));
    Open(wrapper);
    batch_->SetJobs(1);

    // The first run is stopped as soon as its transcoder runs.
    Select("slow.ogg");
    std::chrono::steady_clock::time_point stopped;
    auto connection = QObject::connect(batch_, &BatchWindow::childStarted, [&] {
        QTimer::singleShot(0, [&] {
            stopped = std::chrono::steady_clock::now();
            QTest::mouseClick(window_->Command1(), Qt::LeftButton);
        });
    });
    Start();
    QObject::disconnect(connection);
    ASSERT_TRUE(batch_->LastReport().Stopped);
    ASSERT_EQ(batch_->LastReport().Count(batch::Outcome::Stopped), 1);

    // Three seconds later the second run starts; its first transcoder is let go only after
    // the first run's transcoder would have been ended outright.
    QTest::qWait(3000);
    sink_.texts.clear();
    List().SelectEntries({IndexOf("a.wav"), IndexOf("b.wav")});
    connection = QObject::connect(batch_, &BatchWindow::childStarted, [&] {
        const auto due = stopped + std::chrono::seconds(11) - std::chrono::steady_clock::now();
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due);
        QTimer::singleShot(std::max<qint64>(0, wait.count()),
                           [&] { testing_support::WriteFile(program.File("go"), ""); });
    });
    Start();
    QObject::disconnect(connection);
    const batch::Report& report = batch_->LastReport();
    EXPECT_FALSE(report.Stopped);
    EXPECT_EQ(report.Done, 2);
    EXPECT_EQ(report.Count(batch::Outcome::Converted), 2);
    EXPECT_TRUE(sink_.texts.empty()) << sink_.texts.front();
    EXPECT_TRUE(Probe(File("a_new.wav")));
    EXPECT_TRUE(Probe(File("b_new.wav")));
    EXPECT_FALSE(HasPartFile(dir_.Path()));
    EXPECT_EQ(window_->XP_ProgressBar1()->Value(), 100);
}

TEST_F(BatchWindowTest, TwoAtOnceGiveTheSameFilesAndTagsAsOneAtATime) {
    id3::TagSet v2;
    v2.Artist = "Künstlerin";
    v2.Album = "Zwei zugleich";
    for (const char* name : {"one.mp3", "two.mp3", "three.mp3"}) {
        MakeAudio(File(name), "-ac 2 -c:a libmp3lame -b:a 128k");
        v2.Title = name;
        ASSERT_TRUE(id3::WriteId3v2(File(name), v2, 3, true, false));
        ASSERT_TRUE(id3::WriteId3v1(File(name), v2, false));
    }
    testing_support::TempDir second;
    for (const auto& e : fs::directory_iterator(dir_.Path())) {
        fs::copy_file(e.path(), second.Path() / e.path().filename());
    }
    Open();
    ChooseFormat(1);
    Box(*window_, "chkAll")->setChecked(true);
    batch_->SetJobs(1);
    Start();
    ASSERT_TRUE(window_->browser()->SetFolder(second.Path().string()));
    Box(*window_, "chkAll")->setChecked(true);
    batch_->SetJobs(2);
    Start();
    EXPECT_TRUE(sink_.texts.empty()) << sink_.texts.front();
    for (const char* name : {"one_new.mp3", "two_new.mp3", "three_new.mp3"}) {
        const std::string a = testing_support::ReadFile(File(name));
        const std::string b = testing_support::ReadFile(second.File(name));
        EXPECT_GT(a.size(), 1000u) << name;
        EXPECT_TRUE(a == b) << name;  // audio and tags, byte for byte
        id3::TagSet got;
        ASSERT_TRUE(id3::ReadId3v2(second.File(name), got));
        EXPECT_EQ(got.Artist, v2.Artist);
        EXPECT_EQ(got.Title, std::string(name).substr(0, std::string(name).find('_')) + ".mp3");
    }
}

TEST_F(BatchWindowTest, ClosingMidRunStopsTheTranscoderAndLeavesNothing) {
    // The source is a pipe the test keeps open: the real transcoder has begun its output
    // and waits for more input when the window is closed.
    testing_support::WriteFile(File("live.wav"), "x");
    Open();
    ChooseFormat(1);
    Select("live.wav");
    fs::remove(File("live.wav"));
    ASSERT_EQ(::mkfifo(File("live.wav").c_str(), 0600), 0);
    // A WAV header declaring a long stream, then a few megabytes of silence from a thread;
    // the writer stays open until the run has ended.
    std::string header = "RIFF";
    auto le = [&header](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            header.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
    };
    le(36 + 480000000, 4);
    header += "WAVEfmt ";
    for (const auto& [v, n] :
         {std::pair{16u, 4}, {1u, 2}, {2u, 2}, {44100u, 4}, {176400u, 4}, {4u, 2}, {16u, 2}}) {
        le(v, n);
    }
    header += "data";
    le(480000000, 4);
    ::signal(SIGPIPE, SIG_IGN);
    std::atomic<bool> runEnded{false};
    std::thread writer([&] {
        const int fd = ::open(File("live.wav").c_str(), O_WRONLY);  // waits for the reader
        if (fd < 0) {
            return;
        }
        const std::string block(65536, '\0');
        bool ok = ::write(fd, header.data(), header.size()) > 0;
        for (int i = 0; ok && i < 100; ++i) {
            ok = ::write(fd, block.data(), block.size()) > 0;
        }
        while (!runEnded) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ::close(fd);
    });

    qint64 pid = 0;
    bool sawPart = false;
    QObject::connect(batch_, &BatchWindow::childStarted, [&](qint64 p) {
        pid = p;
        QTimer::singleShot(0, [&] {
            sawPart = SpinUntil([&] { return HasPartFile(dir_.Path(), true); });
            window_->close();
        });
    });
    Start();
    runEnded = true;
    // Releases a writer still waiting for a reader.
    const int unblock = ::open(File("live.wav").c_str(), O_RDONLY | O_NONBLOCK);
    writer.join();
    if (unblock >= 0) {
        ::close(unblock);
    }
    EXPECT_TRUE(sawPart);
    EXPECT_TRUE(batch_->LastReport().Stopped);
    EXPECT_FALSE(HasPartFile(dir_.Path()));
    EXPECT_FALSE(fs::exists(File("live.mp3")));
    EXPECT_FALSE(fs::exists(File("live_new.mp3")));
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::kill(static_cast<pid_t>(pid), 0), -1);
    EXPECT_EQ(errno, ESRCH);
    EXPECT_TRUE(sink_.texts.empty());
}

}  // namespace
