#include "restore.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "../support/form_state_print.h"
#include "../support/scoped_env.h"
#include "../support/temp_dir.h"
#include "../support/window_controls.h"
#include "file_browser.h"
#include "form_state.h"
#include "main_window.h"
#include "settings_store.h"
#include "startup.h"
#include "ultrabox.h"
#include "window_icon.h"

namespace fs = std::filesystem;

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using testing_support::Box;
using testing_support::FormatFrame;
using testing_support::Radio;

const QString kTitle = QStringLiteral("Tonquell Audio Converter");

// Start-up on real folders: a program folder with the transcoder beside the executable, a
// music folder, a working folder, and the user's configuration folder, all temporary.
class RestoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = dir_.Path() / "prog";
        music_ = dir_.Path() / "musik";
        working_ = dir_.Path() / "work";
        for (const fs::path& p : {program_, music_, working_, music_ / "Unter"}) {
            fs::create_directories(p);
        }
        testing_support::WriteFile((program_ / "tonquell").string(), "");
        testing_support::WriteFile((program_ / "BeSweet.exe").string(), "");
        for (const char* f : {"Abba - Sos.mp3", "song.WAV", "clip.dts", ".secret.mp3", "b.ogg",
                              "Album.flac", "voice.Opus", "cover.jpg"}) {
            testing_support::WriteFile((music_ / f).string(), "x");
        }
        values_ = MakeAppValues((program_ / "tonquell").string());
        oldXdg_ = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
        ::setenv("XDG_CONFIG_HOME", (dir_.Path() / "cfg").c_str(), 1);
        oldWorking_ = fs::current_path();
        fs::current_path(working_);
    }
    void TearDown() override {
        window_.reset();
        fs::current_path(oldWorking_);
        ::setenv("XDG_CONFIG_HOME", oldXdg_.c_str(), 1);
    }
    void Start(const std::string& argument = {}) { window_ = StartUp(values_, argument); }
    void Ini(const std::string& body) {
        testing_support::WriteFile(values_.IniPath, "[Tonquell Audio Converter]\n" + body);
    }
    FileBrowser& Browser() { return *window_->browser(); }
    int CheckedPattern() const {
        for (int i = 0; i < MainWindow::kPatternCount; ++i) {
            if (Radio(*window_, "optPattern", i)->isChecked()) {
                return i;
            }
        }
        return -1;
    }
    std::vector<QString> Selected() const {
        std::vector<QString> texts;
        for (int i = 1; i <= window_->ubMain()->ListCount(); ++i) {
            if (window_->ubMain()->IsSelected(i)) {
                texts.push_back(window_->ubMain()->List(i));
            }
        }
        return texts;
    }
    int ShownFrame() const {
        int shown = -1;
        for (int i = 0; i < MainWindow::kFormatCount; ++i) {
            if (FormatFrame(*window_, i)->isVisible()) {
                shown = shown == -1 ? i : -2;
            }
        }
        return shown;
    }

    testing_support::TempDir dir_;
    fs::path program_, music_, working_, oldWorking_;
    std::string oldXdg_;
    AppValues values_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace

TEST_F(RestoreTest, WithoutSettingsTheProgramFolderOpensWithAllFilesAndWav) {
    Start();
    EXPECT_EQ(Browser().CurrentFolder(), program_.string());
    EXPECT_EQ(CheckedPattern(), 9);
    EXPECT_EQ(window_->ubMain()->List(1), "[..]");
    EXPECT_EQ(window_->ubMain()->List(2), "BeSweet.exe");
    EXPECT_EQ(static_cast<int>(window_->State().Format), 0);
    EXPECT_EQ(ShownFrame(), 0);
    EXPECT_EQ(Box(*window_, "Check1")->checkState(), Qt::Checked);
    EXPECT_EQ(window_->windowTitle(), kTitle);
    EXPECT_FALSE(fs::exists(values_.IniPath));
}

TEST_F(RestoreTest, SettingsFileRestoresFolderFormatAndConsoleOption) {
    struct Case {
        std::string body;
        std::string folder;
        int format;
        Qt::CheckState hide;
    };
    const std::string music = music_.string();
    const Case cases[] = {
        {"LastDir=" + music + "\nFormat=3\nHideBS=0\n", music, 3, Qt::Unchecked},
        {"LastDir=" + music + "/\nformat=1\nHIDEBS=2\n", music, 1, Qt::PartiallyChecked},
        {"Format=abc\nHideBS=\n", program_.string(), 0, Qt::Checked},
        {"Format=1.5\nHideBS=7\n", program_.string(), 2, Qt::Checked},
        // A folder that is gone leaves the browser where it started; a format without a
        // button leaves WAV chosen with its own options shown.
        {"LastDir=" + music + "/gone\nFormat=7\n", working_.string(), 0, Qt::Checked},
        {"Format=-1\nHideBS=-1\n", program_.string(), 0, Qt::Checked},
    };
    for (const Case& c : cases) {
        Ini(c.body);
        Start();
        EXPECT_EQ(Browser().CurrentFolder(), c.folder) << c.body;
        EXPECT_EQ(static_cast<int>(window_->State().Format), c.format) << c.body;
        EXPECT_EQ(ShownFrame(), c.format) << c.body;
        EXPECT_EQ(Box(*window_, "Check1")->checkState(), c.hide) << c.body;
        EXPECT_EQ(CheckedPattern(), 9) << c.body;
        EXPECT_EQ(window_->windowTitle(), kTitle) << c.body;
        window_.reset();  // no close: the file stays as the case wrote it
    }
}

TEST_F(RestoreTest, FileArgumentChoosesFolderFilterEntryAndTitle) {
    struct Case {
        std::string argument;
        std::string folder;
        int pattern;
        std::vector<QString> selected;
        QString title;
    };
    const std::string m = music_.string();
    const Case cases[] = {
        {m + "/Abba - Sos.mp3", m, 4, {"Abba - Sos.mp3"}, "Abba - Sos.mp3"},
        // Quotes that the shell left in place.
        {"\"" + m + "/Abba - Sos.mp3\"", m, 4, {"Abba - Sos.mp3"}, "Abba - Sos.mp3"},
        // The entry is found with case ignored; the title keeps the argument's spelling.
        {m + "/SONG.wav", m, 8, {"song.WAV"}, "SONG.wav"},
        // Every other kind the transcoder takes chooses "erlaubte Formate"; an extension
        // of no such kind leaves "*.*".
        {m + "/clip.dts", m, 10, {"clip.dts"}, "clip.dts"},
        {m + "/Album.flac", m, 10, {"Album.flac"}, "Album.flac"},
        {m + "/voice.Opus", m, 10, {"voice.Opus"}, "voice.Opus"},
        {m + "/cover.jpg", m, 9, {"cover.jpg"}, "cover.jpg"},
        // Files the list does not show select nothing; the title still names them.
        {m + "/.secret.mp3", m, 4, {}, ".secret.mp3"},
        {m + "/missing.ogg", m, 6, {}, "missing.ogg"},
        // Relative to the folder the program was started in.
        {"../musik/b.ogg", m, 6, {"b.ogg"}, "b.ogg"},
        // A folder that does not exist leaves the browser where it was.
        {dir_.Path().string() + "/nirgends/x.mp3", working_.string(), 4, {}, "X.mp3"},
        {dir_.Path().string() + "/nirgends/x.xyz", working_.string(), 9, {}, "X.xyz"},
    };
    for (const Case& c : cases) {
        Start(c.argument);
        EXPECT_EQ(Browser().CurrentFolder(), c.folder) << c.argument;
        EXPECT_EQ(CheckedPattern(), c.pattern) << c.argument;
        EXPECT_EQ(Selected(), c.selected) << c.argument;
        EXPECT_EQ(window_->windowTitle(), c.title + " - " + kTitle) << c.argument;
        // The list always shows the folder the browser is in, at least its "[..]".
        EXPECT_GT(window_->ubMain()->ListCount(), 0) << c.argument;
        window_.reset();
    }
}

TEST_F(RestoreTest, FileArgumentIgnoresLastDirButRestoresFormat) {
    Ini("LastDir=" + program_.string() + "\nFormat=1\nHideBS=0\n");
    Start(music_.string() + "/b.ogg");
    EXPECT_EQ(Browser().CurrentFolder(), music_.string());
    EXPECT_EQ(static_cast<int>(window_->State().Format), 1);
    EXPECT_EQ(Box(*window_, "Check1")->checkState(), Qt::Unchecked);
}

TEST_F(RestoreTest, ClosingWritesLastDirFormatHideBsAndSkippingInThisOrder) {
    Start();
    Browser().SetFolder(music_.string() + "/Unter");
    Radio(*window_, "optFormat", 3)->click();
    Box(*window_, "Check1")->setChecked(false);
    window_->close();
    EXPECT_EQ(testing_support::ReadFile(values_.IniPath),
              "[Tonquell Audio Converter]\nLastDir=" + music_.string() +
                  "/Unter\nFormat=3\nHideBS=0\nSkipExisting=0\n");
    // The next start opens where this one closed; keys already there keep their places.
    window_.reset();
    Start();
    EXPECT_EQ(Browser().CurrentFolder(), music_.string() + "/Unter");
    EXPECT_EQ(static_cast<int>(window_->State().Format), 3);
    Browser().SetFolder("/");
    Radio(*window_, "optFormat", 0)->click();
    window_->close();
    EXPECT_EQ(testing_support::ReadFile(values_.IniPath),
              "[Tonquell Audio Converter]\nLastDir=/\nFormat=0\nHideBS=0\nSkipExisting=0\n");
}

// Closing stores the state's format, console mode, last output folder and the skipping of
// existing targets, and nothing else of the form; the next start gives back a state that
// differs from a new window's only in those four: chkOutPath starts ticked all the same. A
// stored folder that is gone still leaves a list of the folder the browser stayed in.
TEST_F(RestoreTest, TheStateTravelsThroughTheSettingsWithItsStoredPartsOnly) {
    Start();
    Browser().SetFolder(music_.string());
    FormState chosen = window_->State();
    chosen.Format = TargetFormat::Mpa;
    chosen.Console = ConsoleMode::Greyed;
    chosen.Options(TargetFormat::Mp3) = {SampleRate::Hz44100, true, 96};
    chosen.ConvertAll = true;
    chosen.HideFolders = true;
    chosen.Filter = FileFilter::Ogg;
    chosen.OutPathIsCurrent = false;
    chosen.OutPath = "/srv/mp3/";
    chosen.LastOutPath = "/srv/mp3/";
    chosen.SkipExisting = true;
    window_->Apply(chosen);
    window_->close();
    EXPECT_EQ(testing_support::ReadFile(values_.IniPath),
              "[Tonquell Audio Converter]\nLastDir=" + music_.string() +
                  "\nFormat=3\nHideBS=2\nOutPath=/srv/mp3/\nSkipExisting=1\n");
    window_.reset();

    Start();
    FormState expected;
    expected.Format = TargetFormat::Mpa;
    expected.Console = ConsoleMode::Greyed;
    expected.OutPath = music_.string() + "/";  // it follows the folder shown
    expected.LastOutPath = "/srv/mp3/";
    expected.SkipExisting = true;
    EXPECT_EQ(window_->State(), expected);
    Box(*window_, "chkOutPath")->click();
    EXPECT_EQ(window_->State().OutPath, "/srv/mp3/");
    EXPECT_EQ(ShownFrame(), 3);
    window_.reset();

    Ini("LastDir=" + music_.string() + "/gone\nFormat=1\n");
    Start();
    EXPECT_EQ(Browser().CurrentFolder(), working_.string());
    EXPECT_EQ(window_->ubMain()->ListCount(), 1);  // "[..]" of the empty working folder
    EXPECT_EQ(window_->State().OutPath, working_.string() + "/");
}

TEST_F(RestoreTest, AFolderNameWithALineBreakCannotForgeSettings) {
    const fs::path odd = music_ / "a\nFormat=2\n[x]" / "tief";
    fs::create_directories(odd);
    Start();
    ASSERT_TRUE(Browser().SetFolder(odd.string()));
    Radio(*window_, "optFormat", 1)->click();
    window_->close();
    // The nearest folder above the odd name is stored; the format is the one chosen.
    EXPECT_EQ(testing_support::ReadFile(values_.IniPath),
              "[Tonquell Audio Converter]\nLastDir=" + music_.string() +
                  "\nFormat=1\nHideBS=1\nSkipExisting=0\n");
}

TEST_F(RestoreTest, AProgramFolderThatCannotBeWrittenKeepsTheSettingsInTheUsersFolder) {
    // A read-only program folder, as after an install under /usr. A plain file where the
    // settings file's folder would be makes it unwritable for every user, root included.
    testing_support::WriteFile((dir_.Path() / "usr").string(), "");
    values_.IniPath = (dir_.Path() / "usr" / "tonquell.ini").string();
    const std::string user = (dir_.Path() / "cfg" / "tonquell" / "tonquell.ini").string();
    Start();
    Browser().SetFolder(music_.string());
    Radio(*window_, "optFormat", 2)->click();
    window_->close();
    EXPECT_EQ(testing_support::ReadFile(user),
              "[Tonquell Audio Converter]\nLastDir=" + music_.string() +
                  "\nFormat=2\nHideBS=1\nSkipExisting=0\n");
    window_.reset();
    Start();
    EXPECT_EQ(Browser().CurrentFolder(), music_.string());
    EXPECT_EQ(static_cast<int>(window_->State().Format), 2);
}

// Without a stored folder an installed program opens the user's music folder (or home), not
// its own folder full of binaries; the portable one keeps its own (the first test above).
TEST_F(RestoreTest, AnInstalledProgramFirstOpensTheMusicFolder) {
    const fs::path home = dir_.Path() / "home";
    fs::create_directories(home);
    const testing_support::ScopedEnv homeEnv("HOME", home.c_str());
    values_.IniPath = "/usr/lib/tonquell-never-installed/tonquell.ini";
    Start();
    EXPECT_EQ(Browser().CurrentFolder(), home.string());
    fs::create_directories(dir_.Path() / "cfg");
    testing_support::WriteFile((dir_.Path() / "cfg" / "user-dirs.dirs").string(),
                               "XDG_MUSIC_DIR=\"" + music_.string() + "\"\n");
    Start();
    EXPECT_EQ(Browser().CurrentFolder(), music_.string());
    // A stored folder still wins.
    values_.IniPath = (program_ / "tonquell.ini").string();
    Ini("LastDir=" + working_.string() + "\n");
    Start();
    EXPECT_EQ(Browser().CurrentFolder(), working_.string());
}

// The windows' icon: the one beside the program (a build folder), else the one installed
// beside lib/tonquell under the same prefix, else none.
TEST_F(RestoreTest, TheWindowIconIsFoundBesideTheProgramOrInTheInstall) {
    const std::string icon = TONQUELL_BUILD_DIR "/tonquell.png";
    ASSERT_TRUE(fs::exists(icon)) << "the build copies the icon beside the program";
    Start();
    EXPECT_TRUE(window_->windowIcon().isNull());
    fs::copy_file(icon, program_ / "tonquell.png");
    Start();
    ASSERT_FALSE(window_->windowIcon().isNull());
    EXPECT_EQ(window_->windowIcon().availableSizes().value(0), QSize(48, 48));

    const fs::path prefix = dir_.Path() / "usr";
    const fs::path installed = prefix / "share/icons/hicolor/48x48/apps";
    fs::create_directories(installed);
    fs::create_directories(prefix / "lib/tonquell");
    fs::copy_file(icon, installed / "tonquell.png");
    EXPECT_EQ(window_icon::Candidates((prefix / "lib/tonquell/").string()).at(1),
              (installed / "tonquell.png").string());
    EXPECT_FALSE(window_icon::ProgramIcon((prefix / "lib/tonquell/").string()).isNull());
    window_.reset();
    QApplication::setWindowIcon(QIcon());
}

TEST(ArgumentText, ArgumentsAreJoinedByBlanks) {
    char prog[] = "tonquell";
    char a[] = "/home/u/ABBA";
    char b[] = "-";
    char c[] = "SOS.MP3";
    char* none[] = {prog, nullptr};
    char* three[] = {prog, a, b, c, nullptr};
    EXPECT_EQ(ArgumentText(1, none), "");
    EXPECT_EQ(ArgumentText(4, three), "/home/u/ABBA - SOS.MP3");
}
