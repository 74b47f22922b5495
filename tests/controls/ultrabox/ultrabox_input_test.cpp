#include <QAbstractEventDispatcher>
#include <QScrollBar>
#include <QTest>

#include <functional>
#include <numeric>

#include "ultrabox_fixture.h"

namespace {

constexpr int kWidth = UltraBoxFocused::kWidth;
constexpr int kHeight = UltraBoxFocused::kHeight;

using UltraBoxInput = UltraBoxFocused;

}  // namespace

TEST_F(UltraBoxInput, ClicksSelectTheRowUnderThePointer) {
    for (int i = 1; i <= 4; ++i) {
        box.AddItem(QString("entry %1").arg(i));
    }
    box.AddItem("disabled", 0, {}, kDefaultColor, false);
    ClickRow(1);
    EXPECT_EQ(log.Take(), (QStringList{"ItemClicked 2", "MouseDown 1", "MouseUp 1", "Click"}));
    EXPECT_EQ(box.ListIndex(), 2);

    // Positions reach the host in twips, with the buttons and modifiers held.
    QTest::mouseMove(box.Surface(), QPoint(20, 30));
    QTest::mousePress(box.Surface(), Qt::RightButton, Qt::ShiftModifier, QPoint(20, 30));
    QTest::mouseRelease(box.Surface(), Qt::RightButton, Qt::ShiftModifier, QPoint(20, 30));
    const QStringList moved = log.Take();
    EXPECT_TRUE(moved.contains("MouseMove 0 0 300 450")) << moved.join('|').toStdString();
    EXPECT_TRUE(moved.contains("MouseDown 2")) << moved.join('|').toStdString();

    // The row's first and last pixel lines belong to it, not to its neighbours.
    const int h = box.ItemHeightPx();
    QTest::mouseClick(box.Surface(), Qt::LeftButton, {}, QPoint(60, 3 + 2 * h));
    EXPECT_EQ(box.ListIndex(), 3);
    QTest::mouseClick(box.Surface(), Qt::LeftButton, {}, QPoint(60, 3 + 2 * h - 1));
    EXPECT_EQ(box.ListIndex(), 2);
    EXPECT_EQ(Selected(), (QList<int>{2}));
    log.Take();

    // A disabled entry and the empty area below the rows select nothing.
    ClickRow(4);
    ClickRow(6);
    EXPECT_EQ(box.ListIndex(), 2);
    EXPECT_EQ(Selected(), (QList<int>{2}));
    EXPECT_EQ(log.Take().filter("ItemClicked"), (QStringList{"ItemClicked 2", "ItemClicked 2"}));

    // A double click: the second press arrives as the double click itself.
    const QPointF at(60, RowMiddle(0));
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, box.Surface()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(box.Surface(), &event);
    }
    EXPECT_EQ(log.Take(), (QStringList{"ItemClicked 1", "MouseDown 1", "MouseUp 1", "Click",
                                       "DoubleClick", "MouseUp 1"}));
    EXPECT_EQ(box.ListIndex(), 1);
}

TEST_F(UltraBoxInput, BoxClicksCheckAndChoose) {
    box.AddItemCheck("check");
    box.AddItemOption("option a", 0, true, kDefaultColor, kDefaultColor, kDefaultColor,
                      kDefaultColor, 1);
    box.AddItemOption("option b", 0, true, kDefaultColor, kDefaultColor, kDefaultColor,
                      kDefaultColor, 1);
    box.AddItem("plain");

    ClickRow(0, 8);
    EXPECT_EQ(log.Take(),
              (QStringList{"ItemChecked 1", "ItemClicked 1", "MouseDown 1", "MouseUp 1", "Click"}));
    EXPECT_EQ(box.Item(1)->CheckState, 1);
    EXPECT_TRUE(box.Item(1)->Selected);
    ClickRow(0, 8);
    EXPECT_EQ(box.Item(1)->CheckState, 0);
    EXPECT_EQ(log.Take().filter("ItemChecked"), QStringList());

    ClickRow(1, 8);
    EXPECT_EQ(box.Item(2)->OptionState, 1);
    ClickRow(2, 8);
    EXPECT_EQ(box.Item(2)->OptionState, 0);
    EXPECT_EQ(box.Item(3)->OptionState, 1);
    ClickRow(3);
    log.Take();
    // An already chosen option button changes nothing, not even the selection.
    ClickRow(2, 8);
    EXPECT_EQ(log.Take(), (QStringList{"ItemClicked 4", "MouseDown 1", "MouseUp 1", "Click"}));
    EXPECT_EQ(box.ListIndex(), 4);
    EXPECT_EQ(Selected(), (QList<int>{4}));
    // Clicking the option's text selects it without choosing it.
    ClickRow(1);
    EXPECT_EQ(box.ListIndex(), 2);
    EXPECT_EQ(box.Item(2)->OptionState, 0);
}

TEST_F(UltraBoxInput, ArrowKeysSkipDisabledEntries) {
    const bool enabled[] = {true, false, true, false};
    for (bool e : enabled) {
        box.AddItem("x", 0, {}, kDefaultColor, e);
    }
    Key(Qt::Key_Down);  // no current entry: the first is picked, as a click would
    EXPECT_EQ(box.ListIndex(), 1);
    EXPECT_EQ(Selected(), (QList<int>{1}));
    EXPECT_EQ(log.Take(), QStringList{"Click"});

    box.SetSelected(1, true);
    struct Step {
        Qt::Key key;
        int listIndex;
    };
    const Step steps[] = {{Qt::Key_Down, 3}, {Qt::Key_Down, 3}, {Qt::Key_Up, 1},
                          {Qt::Key_Up, 1},   {Qt::Key_Home, 1}, {Qt::Key_A, 1}};
    for (const Step& s : steps) {
        Key(s.key);
        EXPECT_EQ(box.ListIndex(), s.listIndex);
        EXPECT_EQ(Selected(), (QList<int>{s.listIndex}));
        EXPECT_EQ(log.Take(), QStringList{"Click"});
    }
    box.SetPaint(false);
    Key(Qt::Key_Down);
    EXPECT_EQ(log.Take(), QStringList());
    EXPECT_EQ(box.ListIndex(), 1);
}

TEST_F(UltraBoxInput, SpaceMarksWithinTheGroupOnly) {
    for (int group : {1, 1, 2}) {
        box.AddItemOption("o", 0, true, kDefaultColor, kDefaultColor, kDefaultColor, kDefaultColor,
                          group);
    }
    box.AddItemCheck("c");
    box.SetSelected(3, true);
    box.SetSelected(1, true, false, true);
    log.Take();

    Key(Qt::Key_Space);
    EXPECT_EQ(log.Take(), (QStringList{"ItemChecked 1", "Click"}));
    Key(Qt::Key_Down);
    Key(Qt::Key_Space);
    const int marks[] = {0, 1, 1, 0};
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(box.Item(i)->OptionState, marks[i - 1]) << i;
    }
    log.Take();
    Key(Qt::Key_Space);  // already chosen
    EXPECT_EQ(log.Take(), QStringList{"Click"});

    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    log.Take();
    Key(Qt::Key_Space);
    Key(Qt::Key_Space);
    EXPECT_EQ(log.Take(), (QStringList{"ItemChecked 4", "Click", "Click"}));
    EXPECT_EQ(box.Item(4)->CheckState, 0);
}

TEST_F(UltraBoxInput, CtrlTogglesOnlyWithMultiSelect) {
    for (int i = 0; i < 5; ++i) {
        box.AddItem("x");
    }
    box.SetSelected(1, true);
    log.Take();
    QTest::keyPress(box.Surface(), Qt::Key_Control);
    QTest::keyRelease(box.Surface(), Qt::Key_Control);
    EXPECT_EQ(log.Take(), (QStringList{"Click", "Ctrl 0"}));

    box.SetMultiSelect(true);
    QTest::keyPress(box.Surface(), Qt::Key_Control);
    QTest::keyPress(box.Surface(), Qt::Key_Control);  // held: repeats raise nothing
    EXPECT_EQ(log.Take(), (QStringList{"Ctrl 1", "Click"}));
    EXPECT_TRUE(box.ModifierHeld());
    Key(Qt::Key_Down);  // Ctrl is still held
    EXPECT_EQ(Selected(), (QList<int>{1, 2}));
    ClickRow(3);
    ClickRow(0);
    EXPECT_EQ(Selected(), (QList<int>{2, 4}));
    EXPECT_EQ(box.ListIndex(), 1);
    Key(Qt::Key_Down);                       // Ctrl is still held
    EXPECT_EQ(Selected(), (QList<int>{4}));  // the already selected entry 2 is deselected
    QTest::keyRelease(box.Surface(), Qt::Key_Control);
    EXPECT_FALSE(box.ModifierHeld());
    EXPECT_EQ(log.Take().filter("Ctrl"), (QStringList{"Ctrl 0"}));

    // Without the modifier a move deselects all others.
    Key(Qt::Key_Down);
    EXPECT_EQ(Selected(), (QList<int>{3}));
}

TEST_F(UltraBoxInput, ScrollBarsAppearAndFollowTheSelection) {
    for (int i = 1; i <= 30; ++i) {
        box.AddItem(QString("entry %1").arg(i));
    }
    QScrollBar* vs = box.VS();
    QScrollBar* hs = box.HS();
    const int vsw = vs->width();
    EXPECT_TRUE(vs->isVisible());
    EXPECT_FALSE(hs->isVisible());
    EXPECT_EQ(vs->geometry(), QRect(kWidth - vsw - 2, 3, vsw, kHeight - 6));
    const int rows = (kHeight - 6) * 15 / box.ItemHeightTwips();
    EXPECT_EQ(vs->maximum(), 30 - rows);

    box.AddItem(QString(80, 'W'));
    EXPECT_TRUE(hs->isVisible());
    EXPECT_EQ(hs->geometry().left(), 3);
    EXPECT_EQ(hs->geometry().width(), kWidth - 6 - vsw - 1);
    EXPECT_EQ(hs->geometry().bottom(), kHeight - 3 - 1);
    const int visible = ((kHeight - 6 - hs->height()) * 15) / box.ItemHeightTwips();
    EXPECT_EQ(vs->maximum(), 31 - visible);

    // Arrowing past the last visible row scrolls by one.
    box.SetSelected(visible, true);
    log.Take();
    Key(Qt::Key_Down);
    EXPECT_EQ(log.Take(), (QStringList{"VerticalScroll 1", "Click"}));
    EXPECT_EQ(box.TopIndex(), 2);

    hs->setValue(7);
    EXPECT_EQ(log.Take(), QStringList{"HorizontalScroll 7"});
    hs->setValue(0);
    log.Take();

    box.SetSelected(20, true, true);
    EXPECT_EQ(vs->value(), std::min(19, vs->maximum()));
    box.SetSelected(31, true);
    EXPECT_EQ(vs->value(), vs->maximum());
    box.SetSelected(1, true);
    EXPECT_EQ(vs->value(), 0);

    // A click lands on the row painted under the pointer after scrolling.
    vs->setValue(5);
    ClickRow(2);
    EXPECT_EQ(box.ListIndex(), 8);

    box.Clear();
    EXPECT_FALSE(vs->isVisible());
    EXPECT_FALSE(hs->isVisible());
    EXPECT_EQ(vs->value(), 0);
}

// An event that arrives while the list walks its entries (a hand-over from a second start, a
// notifier) waits until the walk is done: the list never lets the event loop run inside it.
TEST_F(UltraBoxInput, QueuedEventsWaitUntilTheListIsDone) {
    constexpr int kEntries = 10000;
    int passes = 0;
    QObject counter;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                     &counter, [&passes] { ++passes; });
    struct Seen {
        int count = -1;
        int selected = -1;
        int listIndex = 0;
        int recoloured = -1;
    };
    const auto press = [this](int row) {
        const QPointF at(60, RowMiddle(row));
        QMouseEvent event(QEvent::MouseButtonPress, at, box.Surface()->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box.Surface(), &event);
    };
    struct Case {
        const char* name;
        std::function<void()> act;
        int selected;
        int listIndex;
        int recoloured;
    };
    const Case cases[] = {
        {"SetSelected", [this] { box.SetSelected(kEntries / 2, true); }, 1, kEntries / 2, 0},
        {"SetColor", [this] { box.SetColor(0x00FF00); }, kEntries, 1, kEntries},
        {"press", [&press] { press(2); }, 1, 3, 0},
    };
    box.SetMultiSelect(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        box.SetPaint(false);
        box.Clear();
        box.SetColor(0xFFFFFF);
        for (int i = 0; i < kEntries; ++i) {
            box.AddItem(QString::number(i));
        }
        box.SetPaint(true);
        std::vector<int> all(kEntries);
        std::iota(all.begin(), all.end(), 1);
        box.SelectEntries(all);

        Seen seen;
        QMetaObject::invokeMethod(
            &box,
            [&] {
                seen.count = box.ListCount();
                seen.selected = static_cast<int>(Selected().size());
                seen.listIndex = box.ListIndex();
                seen.recoloured = 0;
                for (int i = 1; i <= box.ListCount(); ++i) {
                    seen.recoloured += box.Item(i)->BColor == 0x00FF00 ? 1 : 0;
                }
                box.Clear();
            },
            Qt::QueuedConnection);
        passes = 0;
        c.act();
        EXPECT_EQ(passes, 0);
        EXPECT_EQ(seen.count, -1);  // not yet run
        EXPECT_EQ(box.ListCount(), kEntries);

        QCoreApplication::processEvents();
        EXPECT_EQ(seen.count, kEntries);
        EXPECT_EQ(seen.selected, c.selected);
        EXPECT_EQ(seen.listIndex, c.listIndex);
        EXPECT_EQ(seen.recoloured, c.recoloured);
        EXPECT_EQ(box.ListCount(), 0);
    }
}
