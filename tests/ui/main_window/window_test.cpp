#include "main_window.h"
#include "window_look.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../support/temp_dir.h"
#include "../../support/window_controls.h"
#include "file_browser.h"
#include "ultrabox.h"
#include "xp_progress_bar.h"

namespace {

using testing_support::Bar;
using testing_support::Box;
using testing_support::Button;
using testing_support::Edit;
using testing_support::FormatFrame;
using testing_support::Frame;
using testing_support::Label;
using testing_support::Radio;

const QString kTitle = QStringLiteral("Tonquell Audio Converter");

// Clicks a check box or option button on its mark, as a user does.
void ClickMark(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(7, button->height() / 2));
}

}  // namespace

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<MainWindow>(kTitle);
        window_->chooseFolder = [this](QWidget*, const QString& start) {
            askedFrom_ = start;
            return chosenFolder_;
        };
    }

    void Show() {
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        QApplication::processEvents();
    }

    std::unique_ptr<MainWindow> window_;
    QString chosenFolder_;
    QString askedFrom_;
};

// What every control of the window shows when it is created, before start-up restores
// anything: captions, tool tips and states, German texts exactly.
TEST_F(WindowTest, ControlsStartWithTheirDesignTextsAndStates) {
    MainWindow& w = *window_;
    struct Case {
        QAbstractButton* control;
        QString caption;
        QString toolTip;
        bool checked;
        bool enabled;
    };
    const Case cases[] = {
        {Box(w, "Check1"), "BeSweet Box verstecken", "", true, true},
        {Box(w, "chkDirs"), "Verzeichnisse ausblenden", "Verzeichnisse ausblenden", false, true},
        {Box(w, "chkAll"), "kompletten Ordner konvertieren", "kompletten Ordner konvertieren",
         false, true},
        {Button(w, "cmdBack"), "..", "eine Verzeichnisebene höher", false, true},
        {Button(w, "cmdRoot"), "/", "Ins Wurzelverzeichnis wechseln", false, true},
        {Button(w, "Command2"), Button(w, "Command2")->text(), "Aktualisieren", false, true},
        {w.Command1(), "K O N V E R T I E R U N G    S T A R T E N", "", false, true},
        {Radio(w, "optFormat", 0), "WAV", "", true, true},
        {Radio(w, "optFormat", 1), "MP3", "", false, true},
        {Radio(w, "optFormat", 2), "AC3", "", false, true},
        {Radio(w, "optFormat", 3), "MPA", "", false, true},
        {Radio(w, "optPattern", 9), "*.*", "", true, true},
        {Radio(w, "optPattern", 10), "erlaubte Formate", "", false, true},
        {Radio(w, "optPattern", 5), "MPA/MP2", "", false, true},
        {Radio(w, "Option1", 0), "unverändert", "", true, true},
        {Radio(w, "Option1", 1), "44.1 kHz", "", false, true},
        {Radio(w, "Option1", 2), "48 kHz", "", false, true},
        {Box(w, "chkNormal"), "Normalisieren", "", false, false},
        {Box(w, "chkAC3to6WAV"), "AC3 --> 6 WAV-Dateien", "", false, true},
        {Radio(w, "optSmpRt", 0), "unverändert", "", true, true},
        {Radio(w, "optSmpRt", 1), "44.1 kHz erzwingen", "", false, true},
        {Box(w, "chkNormalMP3"), "Normalisieren", "", false, false},
        {Radio(w, "optSmpAC", 0), "unverändert", "", false, true},
        {Radio(w, "optSmpAC", 1), "48 kHz erzwingen", "", true, true},
        {Box(w, "chkNormalAC3"), "Normalisieren", "", false, true},
        {Radio(w, "optSmpMP", 0), "unverändert", "", false, true},
        {Radio(w, "optSmpMP", 1), "48 kHz erzwingen", "", true, true},
        {Box(w, "chkNormalMPA"), "Normalisieren", "", false, true},
        {Box(w, "chkOutPath"), "Ausgabepfad = Aktueller Pfad", "", true, true},
        {Box(w, "chkSkipExisting"), "vorhandene Ziele überspringen",
         "Quellen, deren Ziel schon existiert, werden nicht noch einmal konvertiert", false, true},
        {Button(w, "cmdBrowse"), "...", "Durchsuchen", false, true},
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.control, nullptr) << c.caption.toStdString();
        SCOPED_TRACE(c.control->objectName().toStdString());
        EXPECT_EQ(c.control->text(), c.caption);
        EXPECT_EQ(c.control->toolTip(), c.toolTip);
        EXPECT_EQ(c.control->isChecked(), c.checked);
        EXPECT_EQ(c.control->isEnabled(), c.enabled);
    }
    const std::pair<QGroupBox*, QString> frames[] = {
        {Frame(w, "Frame5"), "Formate zeigen:"}, {Frame(w, "Frame3"), "Pfad-Einstellungen"},
        {Frame(w, "Frame2"), "Ausgabeformat:"},  {Frame(w, "frmWAV"), "WAV-Optionen:"},
        {Frame(w, "frmMP3"), "MP3-Optionen:"},   {Frame(w, "frmAC3"), "AC3-Optionen:"},
        {Frame(w, "frmMPA"), "MPA-Optionen:"},   {Frame(w, "frmWidth"), "Arbeitspfade:"},
    };
    for (const auto& [frame, title] : frames) {
        EXPECT_EQ(frame->title(), title);
    }
    const std::pair<QLabel*, QString> labels[] = {
        {Label(w, "Label4"), "Bitrate: 192 KB/s"}, {Label(w, "Label5"), "Bitrate: 320 KB/s"},
        {Label(w, "Label6"), "Bitrate: 320 KB/s"}, {Label(w, "Label9"), "Tonquell Audio"},
        {Label(w, "Label1"), "Tonquell Audio"},
    };
    for (const auto& [label, text] : labels) {
        EXPECT_EQ(label->text(), text);
    }
    EXPECT_EQ(Bar(w, "HScroll1")->value(), 11);
    EXPECT_EQ(Bar(w, "HScroll2")->value(), 14);
    EXPECT_EQ(Bar(w, "HScroll3")->value(), 14);
    EXPECT_EQ(w.SelectedBitrate(), 0);  // no handler has run yet
    EXPECT_EQ(static_cast<int>(w.State().Format), 0);
    EXPECT_EQ(w.windowTitle(), kTitle);
    // Until the first format choice all four option frames are shown, in one place.
    for (int i = 0; i < MainWindow::kFormatCount; ++i) {
        EXPECT_FALSE(FormatFrame(w, i)->isHidden()) << i;
        EXPECT_EQ(FormatFrame(w, i)->geometry(), Frame(w, "frmWAV")->geometry()) << i;
    }
    // The filters DTS and MP2 exist but are never shown.
    EXPECT_TRUE(Radio(w, "optPattern", 2)->isHidden());
    EXPECT_TRUE(Radio(w, "optPattern", 3)->isHidden());
    EXPECT_EQ(w.findChild<QRadioButton*>("optPattern_11"), nullptr);
    // The list and the progress bar take their stored design values.
    EXPECT_TRUE(w.ubMain()->MultiSelect());
    EXPECT_TRUE(w.ubMain()->Sorted());
    EXPECT_EQ(w.ubMain()->Style(), 1);
    EXPECT_EQ(w.ubMain()->Color(), 0u);
    EXPECT_EQ(w.XP_ProgressBar1()->Scrolling(), 0);
    EXPECT_EQ(w.XP_ProgressBar1()->Color(), 0x008000u);
    EXPECT_FALSE(w.XP_ProgressBar1()->ShowText());
}

// The outer size includes the window frame. The window keeps one height, and everything of
// the design lies inside it: the progress bar's place and the group "Arbeitspfade:" with
// its controls at their own places; the progress bar shows only during a run.
TEST_F(WindowTest, OneHeightHoldsTheProgressBarsPlaceAndTheOutputGroup) {
    Show();
    MainWindow& w = *window_;
    const auto top = [&w](QWidget* c) { return c->mapTo(&w, QPoint(0, 0)).y(); };
    const auto bottom = [&](QWidget* c) { return top(c) + c->height(); };
    for (QWidget* c : std::initializer_list<QWidget*>{
             w.ubMain(), Frame(w, "Frame2"), Frame(w, "frmMPA"), Frame(w, "Frame3"),
             Label(w, "Label1"), w.Command1(), w.XP_ProgressBar1(), Frame(w, "frmWidth"),
             Label(w, "lblPath"), Edit(w, "txtOutPath"), Button(w, "cmdBrowse"),
             Box(w, "chkOutPath"), Box(w, "chkSkipExisting")}) {
        EXPECT_LE(bottom(c), w.height()) << c->objectName().toStdString();
        EXPECT_LE(c->mapTo(&w, QPoint(c->width(), 0)).x(), w.width())
            << c->objectName().toStdString();
    }
    EXPECT_FALSE(w.XP_ProgressBar1()->isVisible());
    EXPECT_TRUE(Frame(w, "frmWidth")->isVisible());
    // At its designed place, with the left edge's margin below it.
    EXPECT_EQ(Frame(w, "frmWidth")->geometry(),
              QRect(w.Px(120), w.Px(7320), w.Px(7755), w.Px(1395)));
    EXPECT_EQ(top(w.XP_ProgressBar1()), w.Px(6540));
    EXPECT_EQ(w.height() - bottom(Frame(w, "frmWidth")), w.Px(120));
    // The new box shares the group's top row with "Aktueller Pfad:" and chkOutPath, apart
    // from both.
    const QRect skip = Box(w, "chkSkipExisting")->geometry();
    EXPECT_GE(skip.left(), Label(w, "Label3")->geometry().right());
    EXPECT_LE(skip.right(), Box(w, "chkOutPath")->geometry().left());
    // The focus sink lies beyond the right edge.
    EXPECT_GE(Button(w, "cmdDummy")->x(), w.width());
    EXPECT_EQ(w.width() + w.FrameMargins().left() + w.FrameMargins().right(),
              w.Px(MainWindow::kWidthTwips));
    EXPECT_EQ(w.height() + w.FrameMargins().top() + w.FrameMargins().bottom(),
              w.Px(MainWindow::kHeightTwips));
}

// Every button, check box and option button takes the focus by Tab only, so that no click
// leaves a focus frame on it; a click parks a focus that nobody sees on the sink.
TEST_F(WindowTest, ButtonsTakeTheFocusByTabOnly) {
    Show();
    MainWindow& w = *window_;
    for (QAbstractButton* b : w.findChildren<QAbstractButton*>()) {
        SCOPED_TRACE(b->objectName().toStdString());
        EXPECT_EQ(b->focusPolicy(), b == Button(w, "cmdDummy") ? Qt::NoFocus : Qt::TabFocus);
    }
    Button(w, "cmdDummy")->setFocus();
    std::vector<QAbstractButton*> controls = {
        Box(w, "Check1"),          Box(w, "chkAll"),         Box(w, "chkDirs"),
        Box(w, "chkOutPath"),      Button(w, "cmdBack"),     Button(w, "Command2"),
        Button(w, "cmdBrowse"),    Radio(w, "Option1", 1),   Radio(w, "optFormat", 2),
        Radio(w, "optPattern", 4), Radio(w, "optPattern", 9)};
    for (QAbstractButton* c : controls) {
        SCOPED_TRACE(c->objectName().toStdString());
        if (qobject_cast<QPushButton*>(c) != nullptr) {
            QTest::mouseClick(c, Qt::LeftButton);
        } else {
            ClickMark(c);
        }
        EXPECT_EQ(QApplication::focusWidget(), Button(w, "cmdDummy"));
    }
}

// The format buttons show exactly one options frame and leave the options alone.
TEST_F(WindowTest, FormatChoiceShowsOneOptionsFrame) {
    Show();
    MainWindow& w = *window_;
    Box(w, "chkAC3to6WAV")->setChecked(true);
    Radio(w, "Option1", 2)->setChecked(true);
    for (int i : {1, 3, 2, 0}) {
        SCOPED_TRACE(i);
        ClickMark(Radio(w, "optFormat", i));
        EXPECT_EQ(static_cast<int>(w.State().Format), i);
        for (int f = 0; f < MainWindow::kFormatCount; ++f) {
            EXPECT_EQ(FormatFrame(w, f)->isVisible(), f == i) << f;
        }
    }
    // WAV shows its earlier choices, and nothing touched the shared bitrate.
    EXPECT_TRUE(Box(w, "chkAC3to6WAV")->isChecked());
    EXPECT_TRUE(Radio(w, "Option1", 2)->isChecked());
    EXPECT_EQ(w.SelectedBitrate(), 0);
    // An index outside 0..3, as a broken stored format gives, hides all four.
    for (int bad : {-1, 4}) {
        w.optFormat_Click(bad);
        for (int f = 0; f < MainWindow::kFormatCount; ++f) {
            EXPECT_FALSE(FormatFrame(w, f)->isVisible()) << bad << " " << f;
        }
    }
}

// Both ends of each bar, reached as a user does (keys and dragging), show their rate.
TEST_F(WindowTest, BitrateBarsShowTheirRateAtBothEnds) {
    Show();
    MainWindow& w = *window_;
    struct Case {
        QScrollBar* bar;
        QLabel* label;
        QString lowest;
        int lowestKbps;
        QString highest;
        int highestKbps;
    };
    const Case cases[] = {
        {Bar(w, "HScroll1"), Label(w, "Label4"), "Bitrate: 80 KB/s", 80, "Bitrate: 320 KB/s", 320},
        {Bar(w, "HScroll2"), Label(w, "Label5"), "Bitrate: 160 KB/s", 160, "Bitrate: 640 KB/s",
         640},
        {Bar(w, "HScroll3"), Label(w, "Label6"), "Bitrate: 160 KB/s", 160, "Bitrate: 640 KB/s",
         640},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bar->objectName().toStdString());
        c.bar->triggerAction(QAbstractSlider::SliderToMinimum);
        EXPECT_EQ(c.label->text(), c.lowest);
        EXPECT_EQ(w.SelectedBitrate(), c.lowestKbps);
        // Dragging the thumb runs the handler on every step, not only at release.
        c.bar->setSliderDown(true);
        c.bar->setSliderPosition(c.bar->maximum());
        EXPECT_EQ(c.label->text(), c.highest);
        EXPECT_EQ(w.SelectedBitrate(), c.highestKbps);
        c.bar->setSliderDown(false);
    }
    // The arrow keys step one position the way they point; the handler leaves the focus.
    w.optFormat_Click(1);
    Bar(w, "HScroll1")->setFocus();
    QTest::keyClick(Bar(w, "HScroll1"), Qt::Key_Left);
    EXPECT_EQ(Label(w, "Label4")->text(), "Bitrate: 256 KB/s");
    QTest::keyClick(Bar(w, "HScroll1"), Qt::Key_Right);
    EXPECT_EQ(Label(w, "Label4")->text(), "Bitrate: 320 KB/s");
    EXPECT_EQ(QApplication::focusWidget(), Bar(w, "HScroll1"));
}

// One value serves all three bars: it holds what the last handler wrote.
TEST_F(WindowTest, SelectedBitrateIsSharedAndFollowsTheLastHandler) {
    MainWindow& w = *window_;
    Bar(w, "HScroll1")->setValue(9);
    EXPECT_EQ(w.SelectedBitrate(), 128);
    w.optFormat_Click(2);
    EXPECT_EQ(w.SelectedBitrate(), 128);
    w.RunBitrateHandler(2);
    EXPECT_EQ(w.SelectedBitrate(), 320);
    w.HScroll1_Change();
    EXPECT_EQ(w.SelectedBitrate(), 128);
    w.HScroll3_Change();
    EXPECT_EQ(w.SelectedBitrate(), 320);
    w.RunBitrateHandler(0);  // WAV has no bar
    EXPECT_EQ(w.SelectedBitrate(), 320);
}

// Normalising is offered only with a forced sample rate; its check survives the switch.
TEST_F(WindowTest, UnchangedRateDisablesNormaliseAndKeepsItsCheck) {
    Show();
    MainWindow& w = *window_;
    struct Case {
        int format;
        std::vector<QRadioButton*> rates;  // index 0 is "unverändert"
        QCheckBox* normalise;
    };
    const Case cases[] = {
        {0,
         {Radio(w, "Option1", 0), Radio(w, "Option1", 1), Radio(w, "Option1", 2)},
         Box(w, "chkNormal")},
        {1, {Radio(w, "optSmpRt", 0), Radio(w, "optSmpRt", 1)}, Box(w, "chkNormalMP3")},
        {2, {Radio(w, "optSmpAC", 0), Radio(w, "optSmpAC", 1)}, Box(w, "chkNormalAC3")},
        {3, {Radio(w, "optSmpMP", 0), Radio(w, "optSmpMP", 1)}, Box(w, "chkNormalMPA")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        w.optFormat_Click(c.format);
        for (std::size_t forced = 1; forced < c.rates.size(); ++forced) {
            ClickMark(c.rates[forced]);
            ASSERT_TRUE(c.normalise->isEnabled());
            ClickMark(c.normalise);
            ASSERT_TRUE(c.normalise->isChecked());
            ClickMark(c.rates[0]);
            EXPECT_FALSE(c.normalise->isEnabled());
            EXPECT_TRUE(c.normalise->isChecked());
            ClickMark(c.normalise);  // a disabled box takes no click
            EXPECT_TRUE(c.normalise->isChecked());
            ClickMark(c.rates[forced]);
            EXPECT_TRUE(c.normalise->isEnabled());
            EXPECT_TRUE(c.normalise->isChecked());
            ClickMark(c.normalise);
            EXPECT_FALSE(c.normalise->isChecked());
        }
    }
    // Choosing a rate without a click (as a test or a restore would) follows the same rule.
    Radio(w, "optSmpAC", 0)->setChecked(true);
    EXPECT_FALSE(Box(w, "chkNormalAC3")->isEnabled());
}

// txtOutPath mirrors the current folder while chkOutPath is ticked (and takes no typing then),
// and keeps what the user typed while it is not; unticking it again brings back the output
// folder typed last.
TEST_F(WindowTest, OutputPathMirrorsTheCurrentFolder) {
    testing_support::TempDir dir;
    std::filesystem::create_directory(dir.Path() / "Musik");
    const QString root = QString::fromStdString(dir.Path().string());
    MainWindow& w = *window_;
    ASSERT_NE(w.browser(), nullptr);
    ASSERT_TRUE(w.browser()->SetFolder(dir.Path().string()));
    EXPECT_EQ(Label(w, "lblPath")->text(), root + "/");
    EXPECT_EQ(Edit(w, "txtOutPath")->text(), root + "/");

    Show();
    EXPECT_TRUE(Edit(w, "txtOutPath")->isReadOnly());
    ClickMark(Box(w, "chkOutPath"));
    EXPECT_FALSE(Box(w, "chkOutPath")->isChecked());
    EXPECT_FALSE(Edit(w, "txtOutPath")->isReadOnly());
    EXPECT_EQ(Edit(w, "txtOutPath")->text(), "");  // nothing chosen before
    Edit(w, "txtOutPath")->setFocus();
    QTest::keyClicks(Edit(w, "txtOutPath"), "/elsewhere/");
    ASSERT_TRUE(w.browser()->SetFolder((dir.Path() / "Musik").string()));
    EXPECT_EQ(Label(w, "lblPath")->text(), root + "/Musik/");
    EXPECT_EQ(Edit(w, "txtOutPath")->text(), "/elsewhere/");
    ClickMark(Box(w, "chkOutPath"));
    EXPECT_EQ(Edit(w, "txtOutPath")->text(), root + "/Musik/");
    ASSERT_TRUE(w.browser()->SetFolder(dir.Path().string()));
    EXPECT_EQ(Edit(w, "txtOutPath")->text(), root + "/");
    EXPECT_EQ(w.State().LastOutPath, "/elsewhere/");
    ClickMark(Box(w, "chkOutPath"));
    EXPECT_EQ(Edit(w, "txtOutPath")->text(), "/elsewhere/");
}

// "..." asks for a folder starting at the one shown; a folder chosen becomes the output
// folder (chkOutPath unticked) and the one remembered; the current folder stays as it was.
TEST_F(WindowTest, BrowseChoosesTheOutputFolder) {
    MainWindow& w = *window_;
    w.ShowCurrentFolder("/srv/audio");
    chosenFolder_ = "/srv/out";
    QTest::mouseClick(Button(w, "cmdBrowse"), Qt::LeftButton);
    EXPECT_EQ(askedFrom_, "/srv/audio/");
    EXPECT_EQ(Edit(w, "txtOutPath")->text(), "/srv/out/");
    EXPECT_EQ(Label(w, "lblPath")->text(), "/srv/audio/");
    EXPECT_FALSE(Box(w, "chkOutPath")->isChecked());
    EXPECT_EQ(w.State().LastOutPath, "/srv/out/");
    chosenFolder_.clear();  // cancelled
    QTest::mouseClick(Button(w, "cmdBrowse"), Qt::LeftButton);
    EXPECT_EQ(askedFrom_, "/srv/out/");
    EXPECT_EQ(Edit(w, "txtOutPath")->text(), "/srv/out/");
}

// A running batch stops before the settings are written: the two signals come in order.
TEST_F(WindowTest, ClosingSignalsComeInOrder) {
    Show();
    std::vector<std::string> heard;
    QObject::connect(window_.get(), &MainWindow::closing, [&] { heard.push_back("closing"); });
    QObject::connect(window_.get(), &MainWindow::aboutToClose,
                     [&] { heard.push_back("aboutToClose"); });
    EXPECT_TRUE(window_->close());
    EXPECT_EQ(heard, (std::vector<std::string>{"aboutToClose", "closing"}));
}

// No caption is cut off at its box, whatever fonts stand in for the design fonts, and the
// refresh button shows a symbol even where its symbol font is missing.
TEST_F(WindowTest, CaptionsFitAndRefreshShowsASymbol) {
    for (QAbstractButton* b : window_->findChildren<QAbstractButton*>()) {
        if (qobject_cast<QCheckBox*>(b) == nullptr && qobject_cast<QRadioButton*>(b) == nullptr) {
            continue;
        }
        EXPECT_LE(QFontMetrics(b->font()).horizontalAdvance(b->text()),
                  window_look::CaptionRoom(*b))
            << b->objectName().toStdString();
    }
    QPushButton* refresh = Button(*window_, "Command2");
    if (refresh->text().isEmpty()) {
        const QImage icon = refresh->icon().pixmap(refresh->iconSize()).toImage();
        ASSERT_FALSE(icon.isNull());
        int dark = 0;
        for (int y = 0; y < icon.height(); ++y) {
            for (int x = 0; x < icon.width(); ++x) {
                dark += qAlpha(icon.pixel(x, y)) > 128 ? 1 : 0;
            }
        }
        EXPECT_GT(dark, icon.width());  // more than a dot or a line: a drawn symbol
    } else {
        EXPECT_EQ(refresh->text(), "q");
        EXPECT_EQ(refresh->font().family(), "Webdings");
    }
}
