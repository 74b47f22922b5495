// The window used without a mouse, and as a screen reader sees it.
#include "main_window.h"

#include <QAccessible>
#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
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
using testing_support::Radio;

const QString kTitle = QStringLiteral("Tonquell Audio Converter");

QString Name(QWidget* w) {
    return w != nullptr ? w->objectName() : QStringLiteral("(none)");
}

QAccessibleInterface* Accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

}  // namespace

class WindowAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        fs::create_directories(dir_.Path() / "Musik");
        for (const char* name : {"a.mp3", "b.mp3", "c.wav", "Musik/inner.mp3"}) {
            testing_support::WriteFile(dir_.File(name), "x");
        }
        window_ = std::make_unique<MainWindow>(kTitle);
        window_->browser()->SetFolder(dir_.Path().string());
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        window_->ParkFocus();
    }

    UltraBox& List() const { return *window_->ubMain(); }
    QWidget* Focus() const { return QApplication::focusWidget(); }
    // Presses `key` where the focus is.
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
        QTest::keyClick(Focus(), static_cast<Qt::Key>(key), modifiers);
    }
    // Tabs until the list has the focus; false when a whole round never reaches it.
    bool TabTo(QWidget* target) const {
        for (int i = 0; i < 80 && Focus() != target; ++i) {
            Press(Qt::Key_Tab);
        }
        return Focus() == target;
    }
    std::vector<QString> Selected() const {
        std::vector<QString> texts;
        for (int i = 1; i <= List().ListCount(); ++i) {
            if (List().IsSelected(i)) {
                texts.push_back(List().List(i));
            }
        }
        return texts;
    }

    testing_support::TempDir dir_;
    std::unique_ptr<MainWindow> window_;
};

// Tab and Shift+Tab go round the visible controls of each format's window, never to the sink
// or to anything hidden or outside the visible area, and each round comes back to its start.
TEST_F(WindowAccessTest, TabCycleStaysInTheVisibleArea) {
    MainWindow& w = *window_;
    for (int format = 0; format < MainWindow::kFormatCount; ++format) {
        SCOPED_TRACE(format);
        w.optFormat_Click(format);
        for (int key : {int(Qt::Key_Tab), int(Qt::Key_Backtab)}) {
            w.ParkFocus();
            Press(key);
            QWidget* first = Focus();
            std::set<QString> seen;
            QStringList order;
            int steps = 0;
            do {
                ASSERT_NE(Focus(), nullptr);
                EXPECT_TRUE(w.InVisibleArea(*Focus())) << Name(Focus()).toStdString();
                EXPECT_NE(Focus(), Button(w, "cmdDummy"));
                seen.insert(Name(Focus()));
                order << Name(Focus());
                Press(key);
            } while (Focus() != first && ++steps < 100);
            EXPECT_EQ(Focus(), first) << "no way back to " << Name(first).toStdString();
            std::printf("format %d, %s: %s\n", format, key == Qt::Key_Tab ? "Tab" : "Backtab",
                        order.join(QStringLiteral(" ")).toUtf8().constData());
            for (const char* needed : {"drvDrives", "ubMain", "cmdRoot", "Check1", "chkAll",
                                       "Command1", "txtOutPath", "cmdBrowse"}) {
                EXPECT_TRUE(seen.count(QString::fromLatin1(needed))) << needed;
            }
            const char* bars[] = {nullptr, "HScroll1", "HScroll2", "HScroll3"};
            if (bars[format] != nullptr) {
                EXPECT_TRUE(seen.count(QString::fromLatin1(bars[format]))) << bars[format];
            }
        }
    }
}

// A click takes the focus nowhere: a button is never focused by the mouse, and whatever
// held the focus keeps it. Space on a button reached by Tab leaves the focus on that button.
TEST_F(WindowAccessTest, ClicksAndSpaceLeaveTheFocusInPlace) {
    MainWindow& w = *window_;
    List().setFocus();
    ASSERT_EQ(Focus(), &List());
    const std::vector<QAbstractButton*> clicked = {
        Box(w, "Check1"),          Box(w, "chkDirs"),       Box(w, "chkOutPath"),
        Button(w, "cmdRoot"),      Button(w, "Command2"),   Radio(w, "optFormat", 1),
        Radio(w, "optPattern", 4), Radio(w, "optSmpRt", 1), Radio(w, "optPattern", 9)};
    for (QAbstractButton* b : clicked) {
        SCOPED_TRACE(b->objectName().toStdString());
        QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(7, b->height() / 2));
        EXPECT_EQ(Focus(), &List());
    }
    for (const char* name : {"chkAll", "Command2", "cmdBack"}) {
        SCOPED_TRACE(name);
        QAbstractButton* b = w.findChild<QAbstractButton*>(QString::fromLatin1(name));
        ASSERT_TRUE(TabTo(b));
        Press(Qt::Key_Space);
        EXPECT_EQ(Focus(), b);
    }
    EXPECT_TRUE(Box(w, "chkAll")->isChecked());
}

// The list's keys as the window answers them: the first Down picks the first entry, Shift
// extends, Return enters a folder, Backspace goes back up, Ctrl+A takes the files only.
TEST_F(WindowAccessTest, ListKeysDriveTheBrowser) {
    MainWindow& w = *window_;
    ASSERT_TRUE(TabTo(&List()));
    const auto texts = [](std::initializer_list<const char*> list) {
        std::vector<QString> out;
        for (const char* t : list) {
            out.push_back(QString::fromUtf8(t));
        }
        return out;
    };
    ASSERT_EQ(List().List(1), "[..]");
    Press(Qt::Key_Down);
    EXPECT_EQ(List().ListIndex(), 1);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    EXPECT_EQ(Selected(), texts({"a.mp3"}));
    EXPECT_EQ(w.windowTitle(), "a.mp3 - " + kTitle);
    Press(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), texts({"a.mp3", "b.mp3"}));
    EXPECT_EQ(w.Command1()->text(), FileBrowser::BatchCaption());
    EXPECT_EQ(w.Command1()->accessibleName(), "Stapelverarbeitung");

    Press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Selected(), texts({"a.mp3", "b.mp3", "c.wav"}));
    Press(Qt::Key_End);
    EXPECT_EQ(List().ListIndex(), List().ListCount());
    EXPECT_EQ(Selected(), texts({"c.wav"}));
    Press(Qt::Key_PageUp);
    EXPECT_EQ(List().ListIndex(), 1);
    Press(Qt::Key_PageDown);
    EXPECT_EQ(List().ListIndex(), List().ListCount());
    Press(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), texts({"b.mp3", "c.wav"}));

    Press(Qt::Key_Home);
    Press(Qt::Key_Down);
    ASSERT_EQ(List().List(List().ListIndex()), "[Musik]");
    Press(Qt::Key_Return);
    EXPECT_EQ(w.browser()->CurrentFolder(), (dir_.Path() / "Musik").string());
    EXPECT_EQ(Focus(), &List());
    Press(Qt::Key_Backspace);
    EXPECT_EQ(w.browser()->CurrentFolder(), dir_.Path().string());
    EXPECT_EQ(Focus(), &List());
    // Return on the parent entry goes up as well.
    Press(Qt::Key_Down);
    Press(Qt::Key_Enter);
    EXPECT_EQ(w.browser()->CurrentFolder(), dir_.Path().parent_path().string());
}

// The wheel over the list scrolls it, a notch at a time, and back.
TEST_F(WindowAccessTest, WheelScrollsTheList) {
    for (int i = 0; i < 80; ++i) {
        testing_support::WriteFile(dir_.File("many" + std::to_string(100 + i) + ".wav"), "x");
    }
    window_->Command2_Click();
    UltraBox& list = List();
    ASSERT_GT(list.ListCount(), list.VisibleRowCount());
    const auto wheel = [&list](int delta) {
        const QPointF at(20, 20);
        QWheelEvent event(at, list.Surface()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list.Surface(), &event);  // the widget under the pointer
    };
    const int top = list.TopIndex();
    wheel(-120);
    EXPECT_GT(list.TopIndex(), top);
    wheel(120);
    EXPECT_EQ(list.TopIndex(), top);
}

// What a screen reader reads: the captions by their words, the output field by its label,
// the bitrate bars in kbit/s, the symbol buttons by their tool tips.
TEST_F(WindowAccessTest, ScreenReaderNames) {
    MainWindow& w = *window_;
    EXPECT_EQ(Accessible(w.Command1())->text(QAccessible::Name), "Konvertierung starten");
    Box(w, "chkAll")->click();
    EXPECT_EQ(w.Command1()->text(), FileBrowser::BatchCaption());
    EXPECT_EQ(Accessible(w.Command1())->text(QAccessible::Name), "Stapelverarbeitung");
    EXPECT_EQ(Accessible(Edit(w, "txtOutPath"))->text(QAccessible::Name), "Ausgabepfad");
    EXPECT_EQ(Accessible(Button(w, "cmdBrowse"))->text(QAccessible::Name), "Durchsuchen");
    EXPECT_EQ(Accessible(Button(w, "cmdBack"))->text(QAccessible::Name),
              "eine Verzeichnisebene höher");
    EXPECT_EQ(Accessible(&List())->text(QAccessible::Name), "Ordner und Dateien");
    EXPECT_EQ(Accessible(w.XP_ProgressBar1())->text(QAccessible::Name), "Fortschritt");

    struct Case {
        const char* bar;
        int kbps, lowest, highest;
    };
    for (const Case& c : {Case{"HScroll1", 192, 80, 320}, Case{"HScroll2", 320, 160, 640},
                          Case{"HScroll3", 320, 160, 640}}) {
        SCOPED_TRACE(c.bar);
        QAccessibleInterface* bar = Accessible(Bar(w, c.bar));
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->role(), QAccessible::Slider);
        EXPECT_EQ(bar->text(QAccessible::Name), "Bitrate");
        QAccessibleValueInterface* value = bar->valueInterface();
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->currentValue().toInt(), c.kbps);
        EXPECT_EQ(bar->text(QAccessible::Value), QStringLiteral("%1 KB/s").arg(c.kbps));
        EXPECT_EQ(value->minimumValue().toInt(), c.lowest);
        EXPECT_EQ(value->maximumValue().toInt(), c.highest);
        // A reader may set a rate the bar offers; any other leaves it.
        value->setCurrentValue(c.highest);
        EXPECT_EQ(Bar(w, c.bar)->value(), Bar(w, c.bar)->maximum());
        value->setCurrentValue(c.highest - 1);
        EXPECT_EQ(value->currentValue().toInt(), c.highest);
    }
    // Other scroll bars (the list's) keep Qt's own interface.
    for (QScrollBar* s : List().findChildren<QScrollBar*>()) {
        EXPECT_EQ(Accessible(s)->role(), QAccessible::ScrollBar);
    }
}
