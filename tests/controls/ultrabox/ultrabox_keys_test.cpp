#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "ultrabox_fixture.h"

namespace {

class UltraBoxKeys : public UltraBoxFocused {
protected:
    // `count` plain entries "entry 1".. ; those in `disabled` cannot be reached.
    void Fill(int count, std::initializer_list<int> disabled = {}) {
        box.SetPaint(false);
        box.Clear();
        for (int i = 1; i <= count; ++i) {
            const bool enabled = std::find(disabled.begin(), disabled.end(), i) == disabled.end();
            box.AddItem(QString("entry %1").arg(i), 0, {}, kDefaultColor, enabled);
        }
        box.SetPaint(true);
        log.Take();
    }
    // The list's own events of the last keys, without the Ctrl notes of held modifiers.
    QStringList TakeEvents() { return log.Take().filter(QRegularExpression("^(?!Ctrl )")); }

    // Sends a wheel turn of `angle` (120 a notch, positive away from the user) to the surface.
    bool Wheel(QPoint angle) {
        const QPointF at(50, 30);
        QWheelEvent event(at, box.Surface()->mapToGlobal(at), QPoint(), angle, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(box.Surface(), &event);
        return event.isAccepted();
    }

    // The colour at the first dot of the dotted focus mark around the first row.
    unsigned FirstRowMark() const {
        const int x = (3 + 3) % 2 == 0 ? 3 : 4;  // a dot lies where x + top is even
        return Pixel(box, x, 3);
    }
};

// A widget that notes the keys its children pass on to it.
struct KeyCatcher : QWidget {
    QList<int> keys;
    void keyPressEvent(QKeyEvent* event) override { keys << event->key(); }
};

}  // namespace

TEST_F(UltraBoxKeys, WithoutACurrentEntryANavigationKeyPicksOne) {
    struct Case {
        Qt::Key key;
        std::initializer_list<int> disabled;
        int picked;  // -1: nothing happens
        QStringList events;
    };
    const Case cases[] = {
        {Qt::Key_Down, {}, 1, {"Click"}},
        {Qt::Key_Up, {}, 1, {"Click"}},
        {Qt::Key_PageDown, {}, 1, {"Click"}},
        {Qt::Key_PageUp, {}, 1, {"Click"}},
        {Qt::Key_Home, {}, 1, {"Click"}},
        {Qt::Key_End, {}, 5, {"Click"}},
        {Qt::Key_Down, {1, 2}, 3, {"Click"}},
        {Qt::Key_End, {5}, 4, {"Click"}},
        {Qt::Key_Down, {1, 2, 3, 4, 5}, -1, {}},
        {Qt::Key_Space, {}, -1, {}},
        {Qt::Key_Return, {}, -1, {}},
        {Qt::Key_A, {}, -1, {}},
        {Qt::Key_Backspace, {}, -1, {"BackRequested"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QTest::toString(c.key));
        Fill(5, c.disabled);
        Key(c.key);
        EXPECT_EQ(box.ListIndex(), c.picked);
        EXPECT_EQ(Selected(), c.picked == -1 ? QList<int>() : QList<int>{c.picked});
        EXPECT_EQ(log.Take(), c.events);
    }
}

TEST_F(UltraBoxKeys, PagesHomeAndEndMoveAndScroll) {
    Fill(40, {20});
    const int rows = box.VisibleRowCount();
    ASSERT_GE(rows, 4);
    ASSERT_TRUE(box.VS()->isVisible());
    struct Step {
        Qt::Key key;
        int current;
        int top;  // TopIndex afterwards
    };
    const int page = rows - 1;
    const Step steps[] = {
        {Qt::Key_Home, 1, 1},
        {Qt::Key_PageDown, 1 + page, 1},             // the last visible row
        {Qt::Key_PageDown, 1 + 2 * page, 1 + page},  // a page on: scrolled to show it last
        {Qt::Key_PageUp, 1 + page, 1 + page},        // back a page: it is the top row
        {Qt::Key_End, 40, 41 - rows},
        {Qt::Key_PageDown, 40, 41 - rows},  // at the end: nothing moves
        {Qt::Key_Home, 1, 1},
        {Qt::Key_PageUp, 1, 1},
        {Qt::Key_Down, 2, 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(QTest::toString(s.key));
        Key(s.key);
        EXPECT_EQ(box.ListIndex(), s.current);
        EXPECT_EQ(Selected(), QList<int>{s.current});
        EXPECT_EQ(box.TopIndex(), s.top);
        EXPECT_EQ(log.Take().last(), "Click");
    }
    // A page that ends on a disabled entry goes on to the next enabled one.
    box.SetSelected(20 - page, true);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(box.ListIndex(), 21);
    // The current entry scrolled out of sight by the wheel comes back into view.
    box.SetSelected(1, true);
    box.VS()->setValue(box.VS()->maximum());
    Key(Qt::Key_Down);
    EXPECT_EQ(box.ListIndex(), 2);
    EXPECT_EQ(box.TopIndex(), 2);
}

TEST_F(UltraBoxKeys, ShiftExtendsFromTheAnchorWithMultiSelect) {
    box.SetMultiSelect(true);
    Fill(8, {4});
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int current;
        QList<int> selected;
    };
    const Step steps[] = {
        {Qt::Key_Down, Qt::NoModifier, 1, {1}},
        {Qt::Key_Down, Qt::NoModifier, 2, {2}},
        {Qt::Key_Down, Qt::ShiftModifier, 3, {2, 3}},
        {Qt::Key_Down, Qt::ShiftModifier, 5, {2, 3, 5}},  // the disabled entry is left out
        {Qt::Key_Up, Qt::ShiftModifier, 3, {2, 3}},
        {Qt::Key_Home, Qt::ShiftModifier, 1, {1, 2}},
        {Qt::Key_End, Qt::ShiftModifier, 8, {2, 3, 5, 6, 7, 8}},
        {Qt::Key_Up, Qt::NoModifier, 7, {7}},  // a plain move starts anew
        {Qt::Key_Up, Qt::ShiftModifier, 6, {6, 7}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(QTest::toString(s.key));
        Key(s.key, s.modifiers);
        EXPECT_EQ(box.ListIndex(), s.current);
        EXPECT_EQ(Selected(), s.selected);
        // Shift itself is a key of the list: its press ends with Click too.
        const int clicks = s.modifiers == Qt::NoModifier ? 1 : 2;
        EXPECT_EQ(TakeEvents(), QStringList(clicks, "Click"));
    }
    EXPECT_FALSE(box.ModifierHeld());

    // Ctrl and Shift together add the range to what is selected.
    box.SetSelected(1, true);
    Key(Qt::Key_Down, Qt::NoModifier);
    Key(Qt::Key_Down, Qt::NoModifier);
    QTest::keyPress(box.Surface(), Qt::Key_Control);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);  // Ctrl alone keeps the others, as it always did
    QTest::keyRelease(box.Surface(), Qt::Key_Control);
    EXPECT_EQ(Selected(), (QList<int>{3, 5, 6}));
    Key(Qt::Key_Down, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(Selected(), (QList<int>{3, 5, 6, 7}));  // from the anchor 6, keeping the others
    EXPECT_EQ(box.ListIndex(), 7);

    // Without MultiSelect Shift is no modifier: a plain move.
    box.SetSelected(7, true);
    box.SetMultiSelect(false);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), QList<int>{8});
}

TEST_F(UltraBoxKeys, CtrlASelectsTheEntriesTheHostAccepts) {
    box.SetMultiSelect(true);
    Fill(6, {3});
    Key(Qt::Key_A, Qt::ControlModifier);  // without a current entry: the first becomes current
    EXPECT_EQ(Selected(), (QList<int>{1, 2, 4, 5, 6}));
    EXPECT_EQ(box.ListIndex(), 1);
    EXPECT_EQ(TakeEvents(), QStringList{"Click"});

    // The host keeps "[..]"-like entries out; the current entry stays where it is.
    box.SetSelectAllFilter([](int index) { return index % 2 == 0; });
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Selected(), (QList<int>{2, 4, 6}));
    EXPECT_EQ(box.ListIndex(), 1);

    // Without multiple selection the keys pass on to the parent.
    KeyCatcher parent;
    box.setParent(&parent);
    parent.show();
    box.SetMultiSelect(false);
    box.SetSelected(5, true);
    box.setFocus();
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Selected(), QList<int>{5});
    EXPECT_EQ(parent.keys.count(Qt::Key_A), 1);
    box.setParent(nullptr);
}

TEST_F(UltraBoxKeys, ReturnActsAsADoubleClickAndBackspaceAsksForTheParent) {
    Fill(3);
    box.SetSelected(2, true);
    log.Take();
    struct Case {
        Qt::Key key;
        QStringList events;
    };
    const Case cases[] = {
        {Qt::Key_Return, {"DoubleClick", "Click"}},
        {Qt::Key_Enter, {"DoubleClick", "Click"}},
        {Qt::Key_Backspace, {"BackRequested", "Click"}},
    };
    for (const Case& c : cases) {
        Key(c.key);
        EXPECT_EQ(log.Take(), c.events) << QTest::toString(c.key);
    }
    // A host that enters a folder on DoubleClick rebuilds the list inside the key press.
    QObject host;
    QObject::connect(&box, &UltraBox::DoubleClick, &host, [this] {
        box.Clear();
        box.AddItem("[..]");
    });
    Key(Qt::Key_Return);
    EXPECT_EQ(box.ListCount(), 1);
    EXPECT_EQ(box.ListIndex(), -1);
    EXPECT_EQ(log.Take(), (QStringList{"DoubleClick", "Click"}));
}

TEST_F(UltraBoxKeys, KeysWithoutAUseGoOnToTheParent) {
    KeyCatcher parent;
    box.setParent(&parent);
    parent.show();
    box.setFocus();
    Fill(3);
    box.SetSelected(1, true);
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Down, Qt::Key_F5, Qt::Key_Space, Qt::Key_Return}) {
        Key(key);
    }
    EXPECT_EQ(parent.keys, (QList<int>{Qt::Key_Escape, Qt::Key_F5}));
    box.setParent(nullptr);
}

TEST_F(UltraBoxKeys, TheWheelScrollsByTheDesktopsLinesPerNotch) {
    Fill(40);
    const int lines = QApplication::wheelScrollLines();
    struct Step {
        QPoint angle;
        int value;
    };
    const Step steps[] = {
        {{0, -120}, lines},     // one notch towards the user: down
        {{0, -60}, lines},      // half a notch: not yet
        {{0, -60}, 2 * lines},  // the other half
        {{0, 240}, 0},          // two notches up
        {{0, 120}, 0},          // the top stays the top
        {{0, -1200}, 10 * lines},
    };
    for (const Step& s : steps) {
        EXPECT_TRUE(Wheel(s.angle));
        EXPECT_EQ(box.VS()->value(), s.value) << s.angle.y();
    }
    EXPECT_EQ(box.TopIndex(), 10 * lines + 1);
    EXPECT_EQ(log.Take().filter("VerticalScroll").last(),
              QString("VerticalScroll %1").arg(10 * lines));

    // A list that shows everything leaves the wheel to its parent.
    Fill(2);
    EXPECT_FALSE(Wheel({0, -120}));
}

TEST_F(UltraBoxKeys, AFocusedListWithoutACurrentEntryShowsAFocusMark) {
    Fill(3);
    ASSERT_TRUE(box.hasFocus());
    EXPECT_EQ(FirstRowMark(), 0x000000u);  // white inverted
    box.clearFocus();
    EXPECT_EQ(FirstRowMark(), 0xFFFFFFu);
    box.setFocus();
    EXPECT_EQ(FirstRowMark(), 0x000000u);

    // An empty list marks its inside.
    Fill(0);
    EXPECT_EQ(FirstRowMark(), 0x000000u);
    const QImage focused = box.BackBuffer().copy();
    box.clearFocus();
    EXPECT_NE(box.BackBuffer(), focused);

    // With a current entry that entry carries the mark, as before.
    Fill(3);
    box.setFocus();
    box.SetSelected(2, true);
    EXPECT_EQ(FirstRowMark(), 0xFFFFFFu);
}
