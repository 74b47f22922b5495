// The form's state through the real window: what State reads, what Apply sets, and the one
// signal per change.
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../support/form_state_print.h"
#include "../../support/temp_dir.h"
#include "../../support/window_controls.h"
#include "file_browser.h"
#include "form_state.h"
#include "main_window.h"
#include "ultrabox.h"

namespace fs = std::filesystem;
using testing_support::Bar;
using testing_support::Box;
using testing_support::Edit;
using testing_support::FormatFrame;
using testing_support::Label;
using testing_support::Radio;

namespace {

const QString kTitle = QStringLiteral("Tonquell Audio Converter");
const QString kSingle = QStringLiteral("K O N V E R T I E R U N G    S T A R T E N");
const QString kBatch = QStringLiteral("S T A P E L V E R A R B E I T U N G");

// Clicks a check box or option button on its mark, as a user does.
void ClickMark(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(7, button->height() / 2));
}

std::vector<QString> Entries(const UltraBox& list) {
    std::vector<QString> texts;
    for (int i = 1; i <= list.ListCount(); ++i) {
        texts.push_back(list.List(i));
    }
    return texts;
}

// States that differ from the design and from each other in every part of the form.
std::vector<FormState> States() {
    FormState mp3;
    mp3.Format = TargetFormat::Mp3;
    mp3.Options(TargetFormat::Mp3) = {SampleRate::Hz44100, true, 80};
    mp3.Console = ConsoleMode::Shown;
    mp3.ConvertAll = true;

    FormState ac3;
    ac3.Format = TargetFormat::Ac3;
    ac3.Options(TargetFormat::Ac3) = {SampleRate::Keep, true, 640};
    ac3.Options(TargetFormat::Mpa) = {SampleRate::Keep, false, 192};
    ac3.HideFolders = true;
    ac3.Filter = FileFilter::Wav;
    ac3.Console = ConsoleMode::Greyed;
    ac3.OutPathIsCurrent = false;
    ac3.OutPath = "/srv/ausgabe/";
    ac3.LastOutPath = "/srv/ausgabe/";
    ac3.SkipExisting = true;

    FormState wav;
    wav.Options(TargetFormat::Wav) = {SampleRate::Hz48000, true, 0};
    wav.Options(TargetFormat::Mp3) = {SampleRate::Keep, true, 320};
    wav.SplitToSixWav = true;
    wav.Filter = FileFilter::Allowed;
    wav.OutPath = "/srv/ausgabe/";
    wav.LastOutPath = "/srv/vorher/";

    FormState mpa;
    mpa.Format = TargetFormat::Mpa;
    mpa.Options(TargetFormat::Mpa) = {SampleRate::Hz48000, false, 160};
    mpa.Options(TargetFormat::Ac3) = {SampleRate::Hz48000, false, 576};
    mpa.HideFolders = true;
    mpa.ConvertAll = true;
    return {mp3, ac3, wav, mpa, FormState{}};
}

class WindowStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(dir_.Path() / "Musik");
        for (const char* f : {"a.mp3", "b.wav", "c.ogg"}) {
            testing_support::WriteFile(dir_.File(f), "x");
        }
        window_ = std::make_unique<MainWindow>(kTitle);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        ASSERT_TRUE(window_->browser()->SetFolder(dir_.Path().string()));
    }
    std::string Root() const { return dir_.Path().string() + "/"; }

    testing_support::TempDir dir_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace

// A new window's state is the design: the defaults of FormState, and WAV chosen.
TEST(WindowState, ANewWindowHoldsTheDesignValues) {
    MainWindow w(kTitle);
    EXPECT_EQ(w.State(), FormState{});
}

// Apply then State gives the state back, and the window shows it as the clicks would have:
// one options frame, normalise boxes enabled exactly with a forced rate, the bars' labels,
// the list rebuilt for the filter and the folder option, the start caption for whole-folder
// mode, the console box.
TEST_F(WindowStateTest, ApplyThenStateGivesTheStateBackAndTheWindowShowsIt) {
    MainWindow& w = *window_;
    const char* labels[] = {nullptr, "Label4", "Label5", "Label6"};
    for (const FormState& s : States()) {
        SCOPED_TRACE(static_cast<int>(s.Format));
        w.Apply(s);
        EXPECT_EQ(w.State(), s);
        for (int f = 0; f < MainWindow::kFormatCount; ++f) {
            const auto format = static_cast<TargetFormat>(f);
            EXPECT_EQ(FormatFrame(w, f)->isVisible(), format == s.Format) << f;
            const char* normalise[] = {"chkNormal", "chkNormalMP3", "chkNormalAC3", "chkNormalMPA"};
            EXPECT_EQ(Box(w, normalise[f])->isEnabled(), s.Options(format).Rate != SampleRate::Keep)
                << f;
            if (labels[f] != nullptr) {
                EXPECT_EQ(Label(w, labels[f])->text().toStdString(),
                          "Bitrate: " + std::to_string(s.Options(format).BitrateKbps) + " KB/s");
            }
        }
        EXPECT_EQ(w.Command1()->text(), s.ConvertAll ? kBatch : kSingle);
        const Qt::CheckState console[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
        EXPECT_EQ(Box(w, "Check1")->checkState(), console[static_cast<int>(s.Console)]);
        // What the list shows follows the filter and the folder option.
        std::vector<QString> shown;
        if (!s.HideFolders) {
            shown = {"[..]", "[Musik]"};
        }
        for (const char* f : {"a.mp3", "b.wav", "c.ogg"}) {
            const std::string name = f;
            const bool passes = s.Filter == FileFilter::AllFiles ||
                                s.Filter == FileFilter::Allowed ||
                                (s.Filter == FileFilter::Wav && name.ends_with(".wav"));
            if (passes) {
                shown.push_back(QString::fromLatin1(f));
            }
        }
        EXPECT_EQ(Entries(*w.ubMain()), shown);
    }
}

// A value a control cannot take leaves that control as it was; the rest is applied.
TEST_F(WindowStateTest, ValuesWithoutAControlLeaveItAsItWas) {
    MainWindow& w = *window_;
    FormState odd = w.State();
    odd.Format = TargetFormat::Mp3;
    odd.Options(TargetFormat::Mp3) = {SampleRate::Hz48000, true, 100};
    odd.Options(TargetFormat::Ac3) = {SampleRate::Hz44100, true, 80};
    odd.Filter = static_cast<FileFilter>(11);
    w.Apply(odd);

    FormState expected = odd;
    expected.Options(TargetFormat::Mp3) = {SampleRate::Keep, true, 192};
    expected.Options(TargetFormat::Ac3) = {SampleRate::Hz48000, true, 320};
    expected.Filter = FileFilter::AllFiles;
    EXPECT_EQ(w.State(), expected);
    EXPECT_TRUE(FormatFrame(w, 1)->isVisible());
}

// stateChanged comes once per change: once for an Apply, never for an Apply that changes
// nothing, and once for every user action on the form, with the state it leads to.
TEST_F(WindowStateTest, OneSignalPerChange) {
    MainWindow& w = *window_;
    std::vector<FormState> heard;
    QObject::connect(&w, &MainWindow::stateChanged,
                     [&heard](const FormState& s) { heard.push_back(s); });
    // A user action is told once it is over, when the event loop comes round.
    const auto expectOne = [&](const char* what) {
        QCoreApplication::processEvents();
        EXPECT_EQ(heard.size(), 1u) << what;
        if (!heard.empty()) {
            EXPECT_EQ(heard.back(), w.State()) << what;
        }
        heard.clear();
    };

    w.Apply(States().front());
    EXPECT_EQ(heard.size(), 1u);  // before Apply returns
    expectOne("Apply");
    w.Apply(w.State());
    QCoreApplication::processEvents();
    EXPECT_TRUE(heard.empty());

    ClickMark(Radio(w, "optFormat", 2));
    expectOne("format");
    ClickMark(Radio(w, "optSmpAC", 0));
    expectOne("rate kept");
    ClickMark(Radio(w, "optSmpAC", 1));
    expectOne("rate forced");
    ClickMark(Box(w, "chkNormalAC3"));
    expectOne("normalise");
    Bar(w, "HScroll2")->setFocus();
    QTest::keyClick(Bar(w, "HScroll2"), Qt::Key_Left);
    expectOne("bitrate by key");
    Bar(w, "HScroll2")->triggerAction(QAbstractSlider::SliderToMinimum);
    expectOne("bitrate dragged");
    ClickMark(Box(w, "Check1"));
    expectOne("console");
    ClickMark(Box(w, "chkAll"));
    expectOne("whole folder");
    ClickMark(Box(w, "chkDirs"));
    expectOne("folder option");
    ClickMark(Radio(w, "optPattern", 4));
    expectOne("filter");
    ClickMark(Box(w, "chkOutPath"));
    expectOne("output path unticked");
    EXPECT_EQ(w.State().OutPath, "");
    QTest::keyClicks(Edit(w, "txtOutPath"), "/");
    expectOne("output path typed");
    ClickMark(Box(w, "chkOutPath"));
    expectOne("output path ticked");
    ClickMark(Box(w, "chkSkipExisting"));
    expectOne("skip existing targets");
    EXPECT_EQ(w.State().OutPath, Root());
    ASSERT_TRUE(w.browser()->SetFolder((dir_.Path() / "Musik").string()));
    expectOne("folder followed");
    EXPECT_EQ(w.State().OutPath, Root() + "Musik/");
    // A click that changes nothing says nothing.
    Radio(w, "optFormat", 2)->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(heard.empty());
}
