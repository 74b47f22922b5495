#include <QAccessible>
#include <QScrollBar>
#include <QTest>

#include <vector>

#include "../accessibility_on.h"
#include "ultrabox_accessible.h"
#include "ultrabox_fixture.h"

namespace {

// One accessibility event as an assistive technology would get it.
struct Heard {
    QAccessible::Event type;
    int entry;  // 1-based entry number; 0 for the list itself
    QString name;
    bool operator==(const Heard&) const = default;
};

void PrintTo(const Heard& h, std::ostream* os) {
    *os << "{0x" << std::hex << h.type << std::dec << ", " << h.entry << ", "
        << h.name.toStdString() << "}";
}

std::vector<Heard>* heard = nullptr;
const QObject* watched = nullptr;

void Record(QAccessibleEvent* event) {
    if (heard == nullptr || event->object() != watched) {
        return;
    }
    QAccessibleInterface* iface = event->accessibleInterface();
    heard->push_back(
        {event->type(), event->child() + 1, iface ? iface->text(QAccessible::Name) : QString()});
}

class UltraBoxAccessibleTest : public UltraBoxFocused {
protected:
    UltraBoxAccessibleTest() {
        EXPECT_TRUE(SwitchAccessibility(true));
        previous_ = QAccessible::installUpdateHandler(Record);
        heard = &events_;
        watched = &box;
    }
    ~UltraBoxAccessibleTest() override {
        heard = nullptr;
        watched = nullptr;
        QAccessible::installUpdateHandler(previous_);
        SwitchAccessibility(false);
    }

    QAccessibleInterface* List() { return QAccessible::queryAccessibleInterface(&box); }
    QAccessibleInterface* Child(int entry) { return List()->child(entry - 1); }
    // The events since the last call, of the kinds a screen reader follows in a list.
    std::vector<Heard> Take() {
        std::vector<Heard> kept;
        for (const Heard& h : std::exchange(events_, {})) {
            if (h.type != QAccessible::ObjectShow && h.type != QAccessible::ObjectHide &&
                h.type != QAccessible::LocationChanged) {
                kept.push_back(h);
            }
        }
        return kept;
    }

    std::vector<Heard> events_;
    QAccessible::UpdateHandler previous_ = nullptr;
};

}  // namespace

TEST_F(UltraBoxAccessibleTest, TheListAndItsEntriesHaveRolesNamesAndStates) {
    box.SetMultiSelect(true);
    box.AddItem("[..]");
    box.AddItem("}bbold}n and }3red");
    box.AddItemCheck("check");
    box.AddItemOption("option");
    box.AddItemProgressBar("progress", 0, true, kDefaultColor, kDefaultColor, kDefaultColor,
                           kDefaultColor, 200, 50);
    box.AddItem("disabled", 0, {}, kDefaultColor, false);
    box.SetSelected(3, true);  // checks it too
    box.SetSelected(4, true, false, true);
    box.SetSelected(2, true);  // current, the others deselected

    QAccessibleInterface* list = List();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    const QAccessible::State listState = list->state();
    EXPECT_TRUE(listState.focusable);
    EXPECT_TRUE(listState.focused);
    EXPECT_TRUE(listState.selectable);
    EXPECT_TRUE(listState.multiSelectable);
    EXPECT_EQ(list->childCount(), 6);

    struct Expected {
        QAccessible::Role role;
        QString name;
        bool selected;
        bool focused;
        bool checked;
        bool disabled;
    };
    const Expected expected[] = {
        {QAccessible::ListItem, "[..]", false, false, false, false},
        {QAccessible::ListItem, "bold and red", true, true, false, false},
        {QAccessible::CheckBox, "check", false, false, true, false},
        {QAccessible::RadioButton, "option", false, false, false, false},
        {QAccessible::ProgressBar, "progress", false, false, false, false},
        {QAccessible::ListItem, "disabled", false, false, false, true},
    };
    for (int i = 1; i <= 6; ++i) {
        SCOPED_TRACE(i);
        const Expected& e = expected[i - 1];
        QAccessibleInterface* child = Child(i);
        ASSERT_NE(child, nullptr);
        EXPECT_TRUE(child->isValid());
        EXPECT_EQ(child->role(), e.role);
        EXPECT_EQ(child->text(QAccessible::Name), e.name);
        const QAccessible::State state = child->state();
        EXPECT_EQ(bool(state.selected), e.selected);
        EXPECT_EQ(bool(state.focused), e.focused);
        EXPECT_EQ(bool(state.checked), e.checked);
        EXPECT_EQ(bool(state.disabled), e.disabled);
        EXPECT_EQ(bool(state.selectable), !e.disabled);
        EXPECT_FALSE(state.offscreen);
        EXPECT_EQ(child->parent(), list);
        EXPECT_EQ(list->indexOfChild(child), i - 1);
        EXPECT_EQ(Child(i), child);  // asked again: the same interface
        EXPECT_TRUE(list->rect().contains(child->rect())) << i;
        EXPECT_EQ(list->childAt(child->rect().center().x(), child->rect().center().y()), child);
    }
    EXPECT_EQ(list->focusChild(), Child(2));
    EXPECT_TRUE(Child(3)->state().checkable);

    // The progress entry tells its value; the others have none.
    QAccessibleValueInterface* value = Child(5)->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 50);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 200);
    EXPECT_EQ(Child(5)->text(QAccessible::Value), "25 %");
    EXPECT_EQ(Child(1)->valueInterface(), nullptr);
    EXPECT_EQ(Child(7), nullptr);
}

TEST_F(UltraBoxAccessibleTest, KeysAndClicksTellFocusAndSelection) {
    box.SetMultiSelect(true);
    for (const char* name : {"a", "b", "c", "d"}) {
        box.AddItem(name);
    }
    box.AddItemCheck("e");
    Take();
    using A = QAccessible;
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::vector<Heard> heard;
    };
    const Step steps[] = {
        {Qt::Key_Down, Qt::NoModifier, {{A::Focus, 1, "a"}, {A::Selection, 1, "a"}}},
        {Qt::Key_Down,
         Qt::NoModifier,
         {{A::Focus, 2, "b"}, {A::SelectionRemove, 1, "a"}, {A::Selection, 2, "b"}}},
        {Qt::Key_Down,
         Qt::NoModifier,
         {{A::Focus, 3, "c"}, {A::SelectionRemove, 2, "b"}, {A::Selection, 3, "c"}}},
        {Qt::Key_Up,
         Qt::NoModifier,
         {{A::Focus, 2, "b"}, {A::SelectionRemove, 3, "c"}, {A::Selection, 2, "b"}}},
        {Qt::Key_Down, Qt::ShiftModifier, {{A::Focus, 3, "c"}, {A::SelectionAdd, 3, "c"}}},
        {Qt::Key_End,
         Qt::NoModifier,
         {{A::Focus, 5, "e"},
          {A::SelectionRemove, 2, "b"},
          {A::SelectionRemove, 3, "c"},
          {A::Selection, 5, "e"}}},
        {Qt::Key_Space, Qt::NoModifier, {{A::StateChanged, 5, "e"}}},
        {Qt::Key_Space, Qt::NoModifier, {{A::StateChanged, 5, "e"}}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(QTest::toString(s.key));
        QTest::keyClick(box.Surface(), s.key, s.modifiers);
        EXPECT_EQ(Take(), s.heard);
    }
    ClickRow(0);
    EXPECT_EQ(Take(),
              (std::vector<Heard>{
                  {A::Focus, 1, "a"}, {A::SelectionRemove, 5, "e"}, {A::Selection, 1, "a"}}));

    // Many changes at once are one notice for the whole list.
    for (int i = 0; i < 40; ++i) {
        box.AddItem(QString("more %1").arg(i));
    }
    Take();
    QTest::keyClick(box.Surface(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Take(), (std::vector<Heard>{{A::SelectionWithin, 0, ""}}));

    // The host's own selecting is told as well.
    box.SetSelected(2, true);
    const std::vector<Heard> set = Take();
    ASSERT_FALSE(set.empty());
    EXPECT_EQ(set.front(), (Heard{A::Focus, 2, "b"}));
}

TEST_F(UltraBoxAccessibleTest, TheFocusArrivesAtTheCurrentEntry) {
    box.AddItem("first");
    box.AddItem("second");
    box.SetSelected(2, true);
    box.clearFocus();
    Take();
    box.setFocus();
    QCoreApplication::processEvents();
    // Qt tells of the list first; the list then names its current entry.
    EXPECT_EQ(Take(),
              (std::vector<Heard>{{QAccessible::Focus, 0, ""}, {QAccessible::Focus, 2, "second"}}));
    EXPECT_TRUE(Child(2)->state().focused);
    box.clearFocus();
    EXPECT_FALSE(Child(2)->state().focused);
    EXPECT_EQ(List()->focusChild(), nullptr);
}

TEST_F(UltraBoxAccessibleTest, ARebuildIsOneReorderAndDropsTheOldEntries) {
    for (int i = 0; i < 5; ++i) {
        box.AddItem(QString("old %1").arg(i));
    }
    QAccessibleInterface* old = Child(3);
    const QAccessible::Id oldId = QAccessible::uniqueId(old);
    Take();

    // As the file browser does it: empty the list, then fill it without painting.
    const std::vector<Heard> reorder{{QAccessible::ObjectReorder, 0, ""}};
    box.Clear();
    EXPECT_EQ(Take(), reorder);
    EXPECT_EQ(QAccessible::accessibleInterface(oldId), nullptr);
    box.SetPaint(false);
    for (int i = 0; i < 300; ++i) {
        box.AddItem(QString("new %1").arg(i));
    }
    EXPECT_TRUE(Take().empty());
    box.SetPaint(true);
    EXPECT_EQ(Take(), reorder);
    EXPECT_EQ(List()->childCount(), 300);
    EXPECT_EQ(Child(3)->text(QAccessible::Name), "new 2");

    // Entries scrolled out of view are there, but off screen.
    EXPECT_TRUE(Child(300)->state().offscreen);
    EXPECT_TRUE(Child(300)->rect().isEmpty());
    box.VS()->setValue(box.VS()->maximum());
    EXPECT_FALSE(Child(300)->state().offscreen);

    box.SetSorted(true);
    EXPECT_EQ(Take().back().type, QAccessible::ObjectReorder);
}

TEST_F(UltraBoxAccessibleTest, TextAndProgressChangesAreTold) {
    box.AddItem("name");
    box.AddItemProgressBar("bar");
    Take();
    box.SetItemText(1, "}brenamed");
    EXPECT_EQ(Take(), (std::vector<Heard>{{QAccessible::NameChanged, 1, "renamed"}}));
    box.SetProgressValue(2, 70);
    EXPECT_EQ(Take(), (std::vector<Heard>{{QAccessible::ValueChanged, 2, "bar"}}));
    box.SetProgressValue(1, 70);  // not a progress entry
    EXPECT_TRUE(Take().empty());
}

TEST_F(UltraBoxAccessibleTest, NothingIsToldWhileNoAssistiveTechnologyListens) {
    SwitchAccessibility(false);
    box.AddItem("a");
    box.AddItem("b");
    QTest::keyClick(box.Surface(), Qt::Key_Down);
    QTest::keyClick(box.Surface(), Qt::Key_Down);
    box.Clear();
    EXPECT_TRUE(Take().empty());
}
