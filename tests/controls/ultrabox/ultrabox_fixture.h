#pragma once

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>
#include <utility>

#include "ultrabox.h"

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// One application for every test of the executable; widgets need it. Without a platform
// chosen from outside it draws offscreen.
inline void EnsureApplication() {
    static int argc = 1;
    static char name[] = "ultrabox_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        return new QApplication(argc, argv);
    }();
    (void)app;
}

class UltraBoxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }

    // The back-buffer pixel at (x, y) as 0xRRGGBB.
    static unsigned Pixel(const UltraBox& box, int x, int y) {
        return box.BackBuffer().pixel(x, y) & 0xFFFFFFu;
    }
};

// 0xRRGGBB for a control colour (red in the lowest byte).
inline unsigned Rgb(OleColor color) {
    return ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

// Writes every event of the control into one list, in the order raised.
struct EventLog {
    explicit EventLog(UltraBox& box) {
        QObject::connect(&box, &UltraBox::Click, &context, [this] { events << "Click"; });
        QObject::connect(&box, &UltraBox::DoubleClick, &context,
                         [this] { events << "DoubleClick"; });
        QObject::connect(&box, &UltraBox::ItemClicked, &context,
                         [this](int i) { events << QString("ItemClicked %1").arg(i); });
        QObject::connect(&box, &UltraBox::ItemChecked, &context,
                         [this](int i) { events << QString("ItemChecked %1").arg(i); });
        QObject::connect(&box, &UltraBox::MouseDown, &context, [this](int b, int, float, float) {
            events << QString("MouseDown %1").arg(b);
        });
        QObject::connect(&box, &UltraBox::MouseUp, &context, [this](int b, int, float, float) {
            events << QString("MouseUp %1").arg(b);
        });
        QObject::connect(&box, &UltraBox::HorizontalScroll, &context,
                         [this](int v) { events << QString("HorizontalScroll %1").arg(v); });
        QObject::connect(&box, &UltraBox::MouseMove, &context,
                         [this](int b, int s, float x, float y) {
                             events << QString("MouseMove %1 %2 %3 %4").arg(b).arg(s).arg(x).arg(y);
                         });
        QObject::connect(&box, &UltraBox::VerticalScroll, &context,
                         [this](int v) { events << QString("VerticalScroll %1").arg(v); });
        QObject::connect(&box, &UltraBox::Ctrl, &context,
                         [this](int v) { events << QString("Ctrl %1").arg(v); });
        QObject::connect(&box, &UltraBox::BackRequested, &context,
                         [this] { events << "BackRequested"; });
    }
    // The events since the last call.
    QStringList Take() { return std::exchange(events, {}); }
    QObject context;  // ends the connections with the log
    QStringList events;
};

// A shown list of kWidth x kHeight pixels that holds the keyboard focus, with a log of its
// events.
class UltraBoxFocused : public UltraBoxTest {
public:
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 120;

protected:
    UltraBoxFocused() {
        box.resize(kWidth, kHeight);
        box.show();
        box.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&box));
        box.Surface()->setFocus();
        QCoreApplication::processEvents();
    }

    int RowMiddle(int row) const { return 3 + row * box.ItemHeightPx() + box.ItemHeightPx() / 2; }
    void ClickRow(int row, int x = 60) {
        QTest::mouseClick(box.Surface(), Qt::LeftButton, {}, QPoint(x, RowMiddle(row)));
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(box.Surface(), key, modifiers);
    }
    QList<int> Selected() const {
        QList<int> selected;
        for (int i = 1; i <= box.ListCount(); ++i) {
            if (box.Item(i)->Selected) {
                selected << i;
            }
        }
        return selected;
    }

    UltraBox box;
    EventLog log{box};
};
