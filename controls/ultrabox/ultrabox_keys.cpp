// The keyboard and the mouse wheel on the item list.
#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "ultrabox.h"
#include "ultrabox_accessible.h"
#include "ultrabox_navigation.h"

namespace {

bool IsModifierKey(int key) {
    return key == Qt::Key_Control || key == Qt::Key_Shift;
}

bool IsSelectAll(const QKeyEvent& event) {
    return event.key() == Qt::Key_A && (event.modifiers() & Qt::ControlModifier) &&
           !(event.modifiers() & (Qt::AltModifier | Qt::MetaModifier));
}

bool IsActivation(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// A wheel notch, in the units of QWheelEvent::angleDelta.
constexpr int kNotch = 120;

}  // namespace

// What a key press leads to once the list has dealt with it.
struct UltraBox::KeyOutcome {
    enum class Signal { None, DoubleClick, Back };
    Signal signal = Signal::None;
    bool click = false;  // ends with Click
    bool used = true;    // false: the parent widget gets the key too
};

void UltraBox::SurfaceKeyPress(QKeyEvent* event) {
    KeyOutcome outcome;
    {
        UltraBoxAccessibleChanges changes(*this);
        outcome = ApplyKey(*event);
    }
    // The host's handlers may rebuild the list: nothing of it is read after them.
    if (outcome.signal == KeyOutcome::Signal::DoubleClick) {
        emit DoubleClick();
    } else if (outcome.signal == KeyOutcome::Signal::Back) {
        emit BackRequested();
    }
    if (outcome.click) {
        emit Click();
    }
    event->setAccepted(outcome.used);
}

UltraBox::KeyOutcome UltraBox::ApplyKey(const QKeyEvent& event) {
    if (!paint_) {
        return {KeyOutcome::Signal::None, false, false};
    }
    const int key = event.key();
    if (IsModifierKey(key) && multiSelect_ && !NoteModifierPress()) {
        return {};  // held down: the repeats do nothing at all
    }
    if (key == Qt::Key_Backspace) {
        return {KeyOutcome::Signal::Back, listIndex_ >= 1, true};
    }
    if (IsSelectAll(event)) {
        SelectAll();
        return {KeyOutcome::Signal::None, listIndex_ >= 1, multiSelect_};
    }
    if (listIndex_ < 1) {
        // No current entry: a navigation key picks one, as a click would; others do nothing.
        const bool moved = MoveByKey(key, event.modifiers());
        const bool navigation = UltraBoxNavigation::MoveForKey(key).has_value();
        return {KeyOutcome::Signal::None, moved, navigation || IsModifierKey(key)};
    }
    KeyOutcome outcome{KeyOutcome::Signal::None, true, true};
    if (UltraBoxNavigation::MoveForKey(key)) {
        MoveByKey(key, event.modifiers());
    } else if (key == Qt::Key_Space) {
        ToggleByKey();
    } else if (IsActivation(key)) {
        outcome.signal = KeyOutcome::Signal::DoubleClick;
    } else {
        outcome.used = IsModifierKey(key);
    }
    return outcome;
}

bool UltraBox::NoteModifierPress() {
    if (modifierHeld_) {
        return false;
    }
    modifierHeld_ = true;
    emit Ctrl(1);
    return true;
}

bool UltraBox::MoveByKey(int key, Qt::KeyboardModifiers modifiers) {
    const std::optional<UltraBoxNavigation::Move> move = UltraBoxNavigation::MoveForKey(key);
    if (!move) {
        return false;
    }
    const int old = listIndex_;
    const int target = UltraBoxNavigation::Target(
        *move, old, ListCount(), VisibleRowCount(),
        [this](int i) { return Entry(i) != nullptr && Entry(i)->Enabled; });
    if (target < 1) {
        return false;
    }
    const bool extend = multiSelect_ && (modifiers & Qt::ShiftModifier) && old >= 1;
    if (old < 1) {
        SelectAfterPress(target);
    } else if (extend) {
        ExtendSelectionTo(target, modifiers & Qt::ControlModifier);
    } else {
        SelectByKey(old, target);
        anchor_ = target;
    }
    ScrollForKey(key, old, target);
    listIndex_ = target;
    RepaintIfPainting();
    return true;
}

void UltraBox::ScrollForKey(int key, int old, int target) {
    if (old >= 1 && !vs_->isHidden()) {
        // One step down or up scrolls by the entries passed, so the row stays at the edge.
        const int rows = VisibleRowCount();
        if (key == Qt::Key_Down && target > topIndex_ + rows - 1) {
            vs_->setValue(vs_->value() + target - old);
        } else if (key == Qt::Key_Up && target < topIndex_) {
            vs_->setValue(vs_->value() - (old - target));
        }
    }
    EnsureVisible(target);
}

bool UltraBox::ToggleByKey() {
    UltraBoxItem* item = Entry(listIndex_);
    if (item == nullptr) {
        return false;
    }
    if (item->UseCheckBox) {
        item->CheckState = item->CheckState == 0 ? 1 : 0;
        if (item->CheckState == 1) {
            emit ItemChecked(listIndex_);
        }
        RepaintIfPainting();
        return true;
    }
    if (item->UseOptionBox) {
        if (item->OptionState != 1) {
            ChooseOption(listIndex_);
            emit ItemChecked(listIndex_);
        }
        RepaintIfPainting();
        return true;
    }
    return false;
}

void UltraBox::SurfaceWheel(QWheelEvent* event) {
    wheelRest_ += event->angleDelta();
    const int up = wheelRest_.y() / kNotch;
    const int left = wheelRest_.x() / kNotch;
    wheelRest_ -= QPoint(left * kNotch, up * kNotch);
    const int lines = QApplication::wheelScrollLines();
    if (up != 0 && !vs_->isHidden()) {
        vs_->setValue(vs_->value() - up * lines);
    }
    if (left != 0 && !hs_->isHidden()) {
        hs_->setValue(hs_->value() - left * lines * itemHeightPx_);
    }
    // A list that cannot scroll leaves the wheel to its parent.
    event->setAccepted(!vs_->isHidden() || !hs_->isHidden());
}

void UltraBox::keyPressEvent(QKeyEvent* event) {
    SurfaceKeyPress(event);
}

void UltraBox::keyReleaseEvent(QKeyEvent* event) {
    SurfaceKeyRelease(event);
}
