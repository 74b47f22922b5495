// Whole libraries through the real window and the real transcoder: folder trees, an output
// folder that mirrors them, re-runs that only add, and a report that fits any count.
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../support/media_cache.h"
#include "../../support/small_disk.h"
#include "../../support/temp_dir.h"
#include "../../support/window_controls.h"
#include "../../transcoder/media_probe.h"
#include "batch_window.h"
#include "file_browser.h"
#include "id3v1.h"
#include "id3v2_reader.h"
#include "id3v2_writer.h"
#include "main_window.h"
#include "run_report_dialog.h"
#include "ultrabox.h"
#include "xp_progress_bar.h"

namespace fs = std::filesystem;

namespace {

using batch::Outcome;
using testing_support::Box;
using testing_support::Edit;
using testing_support::ReadFile;
using testing_support::TempDir;

const QString kTitle = QStringLiteral("Tonquell Audio Converter");
const std::string kTranscoder = std::string(TONQUELL_BUILD_DIR) + "/BeSweet.exe";
const char kTone[] = "-f lavfi -i sine=frequency=440:duration=1 -ac 2";

// Every box and every report; a report also as its plain text.
struct RecordingSink : MessageSink {
    std::vector<std::string> texts;
    std::vector<RunReportText> reports;
    void Show(const std::string& text, MessageKind, const std::string&) override {
        texts.push_back(text);
    }
    void ShowReport(const RunReportText& report, const std::string& title) override {
        reports.push_back(report);
        Show(PlainText(report), MessageKind::Warning, title);
    }
};

// Every file below `folder` with its content, by its path below it.
std::map<std::string, std::string> Tree(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (e.is_regular_file()) {
            files[fs::relative(e.path(), folder).string()] = ReadFile(e.path().string());
        }
    }
    return files;
}

std::vector<std::string> Paths(const std::map<std::string, std::string>& tree) {
    std::vector<std::string> paths;
    for (const auto& [path, bytes] : tree) {
        paths.push_back(path);
    }
    return paths;
}

bool SpinUntil(const std::function<bool()>& done, int rounds = 100000) {
    for (int i = 0; i < rounds && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(1);
    }
    return done();
}

// The resident set of this process in kB, as the kernel counts it.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

class LibraryWindowTest : public ::testing::Test {
protected:
    // Three albums (one with two CDs), two loose files, and what no run may take: a hidden
    // file, a cover picture under the MP3 filter's eyes.
    void MakeLibrary(const fs::path& root) {
        id3::TagSet v1;
        v1.Artist = "Künstlerin";
        v1.Title = "Eins";
        id3::TagSet v2 = v1;
        v2.Album = "Album A – Ünïcödé";
        for (const char* name : {"Album A/01 Eins.mp3", "Album A/02 Zwei.mp3"}) {
            const std::string path = (root / name).string();
            fs::create_directories(fs::path(path).parent_path());
            ASSERT_EQ(testing_support::MakeMedia(std::string(kTone) + " -c:a libmp3lame", path), 0);
            ASSERT_TRUE(id3::WriteId3v2(path, v2, 3, true, false));
            ASSERT_TRUE(id3::WriteId3v1(path, v1, false));
        }
        for (const char* name : {"album b/Lied.wav", "Album C/CD 1/Teil.ogg",
                                 "Album C/CD 2/Teil.ogg", "lose 1.wav", "lose 2.ogg"}) {
            const std::string path = (root / name).string();
            fs::create_directories(fs::path(path).parent_path());
            const std::string codec = fs::path(name).extension() == ".ogg" ? " -c:a libvorbis" : "";
            ASSERT_EQ(testing_support::MakeMedia(kTone + codec, path), 0);
        }
        testing_support::WriteFile((root / "Album A/.versteckt.mp3").string(), "x");
        testing_support::WriteFile((root / "Album A/cover.jpg").string(), "x");
    }
    void Open(const std::string& folder, const std::string& transcoder = kTranscoder) {
        window_ = std::make_unique<MainWindow>(kTitle);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        batch_ = new BatchWindow(*window_, transcoder, *sink_);
        batch_->SetClosingYields(20);
        ASSERT_TRUE(window_->browser()->SetFolder(folder));
        window_->optPattern_Click(10);  // "erlaubte Formate": the cover picture is no source
    }
    UltraBox& List() { return *window_->ubMain(); }
    // Selects exactly the entries shown as `texts`.
    void Select(const std::vector<QString>& texts) {
        std::vector<int> chosen;
        for (const QString& text : texts) {
            int found = -1;
            for (int i = 1; i <= List().ListCount(); ++i) {
                if (List().List(i) == text) {
                    found = i;
                }
            }
            ASSERT_GT(found, 0) << text.toStdString();
            chosen.push_back(found);
        }
        List().SelectEntries(chosen);
    }
    void SelectLibrary() {
        Select({"[Album A]", "[album b]", "[Album C]", "lose 1.wav", "lose 2.ogg"});
    }
    // Unticks chkOutPath and types `folder` into txtOutPath, as a user does.
    void SendTo(const std::string& folder) {
        if (Box(*window_, "chkOutPath")->isChecked()) {
            QTest::mouseClick(Box(*window_, "chkOutPath"), Qt::LeftButton, {}, QPoint(4, 8));
        }
        QLineEdit* edit = Edit(*window_, "txtOutPath");
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, QString::fromStdString(folder));
    }
    void ChooseMp3() {
        QTest::mouseClick(testing_support::Radio(*window_, "optFormat", 1), Qt::LeftButton, {},
                          QPoint(4, 8));
    }
    void Start() {
        QTest::mouseClick(window_->Command1(), Qt::LeftButton);
        ASSERT_TRUE(SpinUntil([&] { return !batch_->Running(); }));
    }
    const batch::Report& Last() const { return batch_->LastReport(); }

    TempDir dir_;
    std::unique_ptr<RecordingSink> recording_ = std::make_unique<RecordingSink>();
    MessageSink* sink_ = recording_.get();
    std::unique_ptr<MainWindow> window_;
    BatchWindow* batch_ = nullptr;  // owned by the window
};

// Three folders and two loose files in one run into an output folder: each tree mirrored
// below it, the tags of MP3 sources carried, the sources untouched. Then the re-runs: with
// skipping on nothing is written and nothing is said; without it the "_new" names; at last
// every target is refused, and that is one report, not one box per file.
TEST_F(LibraryWindowTest, TreesIntoAnOutputFolderThenReRunsThatOnlyAdd) {
    const fs::path music = dir_.Path() / "Musik";
    const fs::path out = dir_.Path() / "MP3-Kopie";
    MakeLibrary(music);
    const auto sources = Tree(music);
    Open(music.string());
    ChooseMp3();
    SendTo(out.string());
    SelectLibrary();
    Start();

    EXPECT_TRUE(recording_->texts.empty()) << recording_->texts.front();
    EXPECT_EQ(Paths(Tree(out)),
              (std::vector<std::string>{"Album A/01 Eins.mp3", "Album A/02 Zwei.mp3",
                                        "Album C/CD 1/Teil.mp3", "Album C/CD 2/Teil.mp3",
                                        "album b/Lied.mp3", "lose 1.mp3", "lose 2.mp3"}));
    for (const auto& [path, bytes] : Tree(out)) {
        const auto info = Probe((out / path).string());
        ASSERT_TRUE(info) << path;
        EXPECT_EQ(info->codec, "mp3") << path;
    }
    id3::TagSet got1;
    id3::TagSet got2;
    ASSERT_TRUE(id3::ReadId3v1((out / "Album A/01 Eins.mp3").string(), got1));
    ASSERT_TRUE(id3::ReadId3v2((out / "Album A/02 Zwei.mp3").string(), got2));
    EXPECT_EQ(got1.Artist, "Künstlerin");
    EXPECT_EQ(got2.Album, "Album A – Ünïcödé");
    EXPECT_TRUE(Tree(music) == sources);  // not one byte of the sources changed, nothing added
    EXPECT_EQ(Last().Total, 7);
    EXPECT_EQ(window_->windowTitle(), "7 Dateien konvertiert - " + kTitle);
    EXPECT_EQ(window_->XP_ProgressBar1()->Value(), 100);

    const auto first = Tree(out);
    QTest::mouseClick(Box(*window_, "chkSkipExisting"), Qt::LeftButton, {}, QPoint(4, 8));
    SelectLibrary();
    int started = 0;
    QObject::connect(batch_, &BatchWindow::childStarted, [&] { ++started; });
    Start();
    EXPECT_EQ(started, 0);
    EXPECT_TRUE(recording_->texts.empty());
    EXPECT_TRUE(Tree(out) == first);
    EXPECT_EQ(Last().Count(Outcome::Skipped), 7);
    EXPECT_EQ(window_->windowTitle(), "7 übersprungen - " + kTitle);

    QTest::mouseClick(Box(*window_, "chkSkipExisting"), Qt::LeftButton, {}, QPoint(4, 8));
    SelectLibrary();
    Start();
    EXPECT_TRUE(recording_->texts.empty());
    EXPECT_EQ(Tree(out).size(), 14u);
    EXPECT_TRUE(fs::exists(out / "Album C/CD 2/Teil_new.mp3"));
    EXPECT_TRUE(fs::exists(out / "lose 1_new.mp3"));

    const auto full = Tree(out);
    SelectLibrary();
    Start();
    EXPECT_TRUE(Tree(out) == full);
    ASSERT_EQ(recording_->texts.size(), 1u);
    ASSERT_EQ(recording_->reports.size(), 1u);
    EXPECT_EQ(Last().Count(Outcome::Refused), 7);
    ASSERT_EQ(recording_->reports[0].Groups.size(), 1u);
    EXPECT_EQ(recording_->reports[0].Groups[0].Lines.size(), 7u);
    EXPECT_TRUE(Tree(music) == sources);
}

// A source on a read-only mount converts into a writable output folder.
TEST_F(LibraryWindowTest, AReadOnlySourceIntoAWritableOutputFolder) {
    testing_support::SmallDisk disk(dir_.Path() / "share", 8 << 20);
    if (!disk.Mounted()) {
        GTEST_SKIP() << "no right to mount";
    }
    MakeLibrary(disk.Folder());
    if (!disk.SetReadOnly(true)) {
        // Some containers mount a tmpfs but refuse to remount it read-only.
        GTEST_SKIP() << "cannot remount read-only: " << std::strerror(errno);
    }
    const auto sources = Tree(disk.Folder());
    const fs::path out = dir_.Path() / "out";
    Open(disk.Folder().string());
    ChooseMp3();
    SendTo(out.string());
    SelectLibrary();
    Start();
    EXPECT_TRUE(recording_->texts.empty()) << recording_->texts.front();
    EXPECT_EQ(Tree(out).size(), 7u);
    EXPECT_TRUE(Tree(disk.Folder()) == sources);
    // Beside the sources, as before, each file fails with the reason, and the run goes on.
    QTest::mouseClick(Box(*window_, "chkOutPath"), Qt::LeftButton, {}, QPoint(4, 8));
    Select({"lose 1.wav", "lose 2.ogg"});
    Start();
    EXPECT_EQ(Last().Count(Outcome::Failed), 2);
    ASSERT_EQ(recording_->texts.size(), 1u);
    EXPECT_NE(recording_->texts[0].find("Read-only file system"), std::string::npos)
        << recording_->texts[0];
    ASSERT_TRUE(disk.SetReadOnly(false));
}

// A link loop and a second way into an album: every file once, and the run ends. The output
// folder inside the tree it converts: its files are never sources, then or later.
TEST_F(LibraryWindowTest, LinkLoopsEndAndAnOutputFolderInsideTheTreeIsNoSource) {
    const fs::path music = dir_.Path() / "Musik";
    MakeLibrary(music);
    fs::create_directory_symlink("..", music / "Album C" / "CD 1" / "hoch");
    fs::create_directory_symlink("../Album C", music / "album b" / "noch einmal C");
    const fs::path inside = music / "Album C" / "mp3";
    Open(music.string());
    ChooseMp3();
    SendTo(inside.string());
    Select({"[album b]", "[Album C]"});
    Start();
    EXPECT_TRUE(recording_->texts.empty()) << recording_->texts.front();
    EXPECT_EQ(Last().Total, 3);
    EXPECT_EQ(Paths(Tree(inside)),
              (std::vector<std::string>{"album b/Lied.mp3", "album b/noch einmal C/CD 1/Teil.mp3",
                                        "album b/noch einmal C/CD 2/Teil.mp3"}));
    Select({"[album b]", "[Album C]"});
    Start();
    EXPECT_EQ(Last().Total, 3);
    EXPECT_EQ(Tree(inside).size(), 6u);  // the "_new" names; nothing converted from inside
}

// The six-WAV split of a film in a tree: the 5.1 WAV and its six mono files all go into the
// output folder, mirrored like any other target.
TEST_F(LibraryWindowTest, ASixWavSplitGoesIntoTheOutputFolder) {
    const fs::path music = dir_.Path() / "Musik";
    fs::create_directories(music / "Filme");
    ASSERT_EQ(testing_support::MakeMedia(
                  "-f lavfi -i sine=frequency=440:duration=1 -ac 6 -c:a ac3 -b:a 384k -f vob",
                  (music / "Filme" / "film.vob").string()),
              0);
    const fs::path out = dir_.Path() / "WAV";
    Open(music.string());
    QTest::mouseClick(Box(*window_, "chkAC3to6WAV"), Qt::LeftButton, {}, QPoint(4, 8));
    SendTo(out.string());
    Select({"[Filme]"});
    Start();
    EXPECT_TRUE(recording_->texts.empty()) << recording_->texts.front();
    EXPECT_EQ(Paths(Tree(out)),
              (std::vector<std::string>{"Filme/film.wav", "Filme/film_C.wav", "Filme/film_FL.wav",
                                        "Filme/film_FR.wav", "Filme/film_LFE.wav",
                                        "Filme/film_SL.wav", "Filme/film_SR.wav"}));
    const auto whole = Probe((out / "Filme/film.wav").string());
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->channels, 6);
    EXPECT_EQ(Paths(Tree(music)), std::vector<std::string>{"Filme/film.vob"});
}

// An output folder that cannot take the run: one message before anything starts, and
// nothing converts.
TEST_F(LibraryWindowTest, AnOutputFolderThatCannotBeWrittenStopsTheRunBeforeItStarts) {
    const fs::path music = dir_.Path() / "Musik";
    MakeLibrary(music);
    testing_support::WriteFile((dir_.Path() / "Datei").string(), "x");
    testing_support::SmallDisk disk(dir_.Path() / "voll", 1 << 20);
    struct Case {
        std::string folder;
        std::string says;
    };
    std::vector<Case> cases = {
        {(dir_.Path() / "Datei" / "unter").string(), "ist kein Ordner"},
        {"", "kein Ausgabepfad angegeben"},
        {"relativ/pfad", "kein vollständiger Pfad"},
    };
    if (disk.Mounted() && disk.SetReadOnly(true)) {
        cases.push_back({disk.File("neu"), "fehlt und konnte nicht angelegt werden"});
        cases.push_back({disk.Folder().string(), "kann nicht geschrieben werden"});
    }
    Open(music.string());
    ChooseMp3();
    int started = 0;
    QObject::connect(batch_, &BatchWindow::childStarted, [&] { ++started; });
    for (const Case& c : cases) {
        recording_->texts.clear();
        SendTo(c.folder);
        SelectLibrary();
        QTest::mouseClick(window_->Command1(), Qt::LeftButton);
        EXPECT_FALSE(batch_->Running()) << c.folder;
        ASSERT_EQ(recording_->texts.size(), 1u) << c.folder;
        EXPECT_NE(recording_->texts[0].find(c.says), std::string::npos) << recording_->texts[0];
        EXPECT_NE(recording_->texts[0].find("Es wurde nichts konvertiert."), std::string::npos);
    }
    EXPECT_EQ(started, 0);
    EXPECT_FALSE(fs::exists(music / "lose 1.mp3"));
    if (disk.Mounted()) {
        disk.SetReadOnly(false);
    }
}

// Shows the real report window, as the program does, and looks at it while it is open.
struct DialogSink : MessageSink {
    MainWindow* parent = nullptr;
    std::function<void(RunReportDialog&)> look;
    int shown = 0;
    long before = 0;  // the resident set just before the window was made, in kB
    void Show(const std::string&, MessageKind, const std::string&) override { ++shown; }
    void ShowReport(const RunReportText& report, const std::string& title) override {
        ++shown;
        before = ResidentKb();
        RunReportDialog dialog(report, QString::fromStdString(title), parent);
        dialog.show();
        if (QTest::qWaitForWindowExposed(&dialog)) {
            look(dialog);
        }
        dialog.accept();
    }
};

// A thousand failed files: one window no taller than the screen with its buttons in view, a
// list that holds them all and copies them, and memory that stays flat while it is open.
TEST_F(LibraryWindowTest, AThousandFailuresFitOneReportThatFitsTheScreen) {
    TempDir program;
    const std::string standIn = program.File("BeSweet.exe");
    {
        std::ofstream script(standIn);
        script << "#!/bin/sh\n"
                  "for a; do [ \"$p\" = -input ] && in=\"$a\"; p=\"$a\"; done\n"
                  "echo \"BeSweet.exe: '$in': not an audio or video file\" >&2\n"
                  "exit 1\n";
    }
    fs::permissions(standIn, fs::perms::owner_all);
    const fs::path music = dir_.Path() / "Viele";
    for (int folder = 0; folder < 10; ++folder) {
        const fs::path sub = music / ("Ordner " + std::to_string(folder));
        fs::create_directories(sub);
        for (int i = 0; i < 100; ++i) {
            testing_support::WriteFile(
                (sub / ("Stück " + std::to_string(1000 + i) + ".mp3")).string(), "kein Ton");
        }
    }
    DialogSink dialogs;
    sink_ = &dialogs;
    Open(music.string(), standIn);
    batch_->SetJobs(2);
    dialogs.parent = window_.get();
    std::vector<QString> all;
    for (int folder = 0; folder < 10; ++folder) {
        all.push_back(QStringLiteral("[Ordner %1]").arg(folder));
    }
    Select(all);

    long open = 0;
    QRect frame;
    QRect screen;
    std::vector<QRect> buttons;
    int listed = 0;
    QString copied;
    dialogs.look = [&](RunReportDialog& dialog) {
        QApplication::processEvents();
        dialog.repaint();
        QApplication::processEvents();
        open = ResidentKb();
        frame = dialog.frameGeometry();
        screen = dialog.screen()->availableGeometry();
        for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
            buttons.push_back(QRect(b->mapToGlobal(QPoint(0, 0)), b->size()));
        }
        const auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("files"));
        for (int i = 0; list != nullptr && i < list->topLevelItemCount(); ++i) {
            listed += list->topLevelItem(i)->childCount();
        }
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("copy")), Qt::LeftButton);
        copied = QGuiApplication::clipboard()->text();
        fs::create_directories(std::string(TONQUELL_BUILD_DIR) + "/screenshots");
        dialog.grab().save(QString::fromUtf8(TONQUELL_BUILD_DIR) +
                           QStringLiteral("/screenshots/run-report.png"));
    };
    const long atStart = ResidentKb();
    Start();
    const long atEnd = ResidentKb();

    EXPECT_EQ(Last().Count(Outcome::Failed), 1000);
    EXPECT_EQ(dialogs.shown, 1);
    EXPECT_EQ(listed, 1000);
    EXPECT_LE(frame.height(), screen.height());
    EXPECT_TRUE(screen.contains(frame))
        << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
    ASSERT_EQ(buttons.size(), 2u);
    for (const QRect& b : buttons) {
        EXPECT_TRUE(screen.contains(b));
    }
    EXPECT_EQ(copied.count(QStringLiteral("not an audio or video file")), 1000);
    EXPECT_TRUE(
        copied.startsWith(QStringLiteral("0 konvertiert, 0 mit Warnungen, 0 übersprungen, "
                                         "0 abgelehnt, 1000 fehlgeschlagen")));
    const long growth = open - dialogs.before;
    std::printf(
        "report of 1000 files: RSS %ld kB before the window, %ld kB while open (+%ld kB); "
        "%ld kB at the run's start, %ld kB after it\n",
        dialogs.before, open, growth, atStart, atEnd);
    RecordProperty("rss_growth_kb", static_cast<int>(growth));
    EXPECT_LT(growth, 10 * 1024);
    sink_ = recording_.get();
}

}  // namespace
