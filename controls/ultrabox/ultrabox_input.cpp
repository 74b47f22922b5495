// Mouse, focus and scroll bar handling of the item list.
#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include "ultrabox.h"
#include "ultrabox_accessible.h"
#include "ultrabox_surface.h"

namespace {

// Mouse buttons as the host sees them: 1 left, 2 right, 4 middle.
int ButtonCode(Qt::MouseButtons buttons) {
    int code = 0;
    if (buttons & Qt::LeftButton) {
        code |= 1;
    }
    if (buttons & Qt::RightButton) {
        code |= 2;
    }
    if (buttons & Qt::MiddleButton) {
        code |= 4;
    }
    return code;
}

// Modifier keys as the host sees them: 1 Shift, 2 Ctrl, 4 Alt.
int ShiftCode(Qt::KeyboardModifiers modifiers) {
    int code = 0;
    if (modifiers & Qt::ShiftModifier) {
        code |= 1;
    }
    if (modifiers & Qt::ControlModifier) {
        code |= 2;
    }
    if (modifiers & Qt::AltModifier) {
        code |= 4;
    }
    return code;
}

bool IsModifierKey(int key) {
    return key == Qt::Key_Control || key == Qt::Key_Shift;
}

}  // namespace

int UltraBox::HitTest(float x, float y) {
    const UltraBoxGeometry::ScrollBars bars = DecideAndLayoutScrollBars();
    if (bars.vertical) {
        topIndex_ = vs_->value() + 1;
    }
    const int dx = bars.horizontal ? hs_->value() : 0;
    const int rows = UltraBoxGeometry::VisibleRows(ScrollState(), bars.vertical);
    const int h = itemHeightPx_;
    const int rowRightPx = picMain_->width() - (bars.vertical ? vScrollWidth_ + 2 : 3);
    const double yPx = y / twipsPerPixel_;
    // Only the row under the pointer can be hit; it is the row painted there.
    const int r = UltraBoxGeometry::RowAt(yPx, h);
    if (r < 0 || r >= rows) {
        return 0;
    }
    const int index = topIndex_ + r;
    if (index > ListCount() || !items_[index].Enabled) {
        return 0;
    }
    UltraBoxItem& item = items_[index];
    if (item.UseCheckBox || item.UseOptionBox) {
        const UltraBoxGeometry::Rect box = UltraBoxGeometry::BoxRect(r, h, dx);
        if (x > 1 && x < box.right * twipsPerPixel_) {
            if (item.UseCheckBox) {
                item.CheckState = item.CheckState == 0 ? 1 : 0;
                if (item.CheckState == 1) {
                    emit ItemChecked(index);
                }
                return index;
            }
            if (item.OptionState == 1) {
                return 0;
            }
            ChooseOption(index);
            emit ItemChecked(index);
            return index;
        }
    }
    if (x > 1 && x < rowRightPx * twipsPerPixel_) {
        return index;
    }
    return 0;
}

void UltraBox::SurfaceMousePress(QMouseEvent* event) {
    const float x = static_cast<float>(event->position().x() * twipsPerPixel_);
    const float y = static_cast<float>(event->position().y() * twipsPerPixel_);
    {
        UltraBoxAccessibleChanges changes(*this);
        SelectAfterPress(HitTest(x, y));
        RepaintIfPainting();
    }
    emit ItemClicked(listIndex_);
    emit MouseDown(ButtonCode(event->button()), ShiftCode(event->modifiers()), x, y);
}

void UltraBox::SurfaceMouseRelease(QMouseEvent* event) {
    const float x = static_cast<float>(event->position().x() * twipsPerPixel_);
    const float y = static_cast<float>(event->position().y() * twipsPerPixel_);
    RepaintIfPainting();
    emit MouseUp(ButtonCode(event->button()), ShiftCode(event->modifiers()), x, y);
    const bool closesDoubleClick = inDoubleClick_;
    inDoubleClick_ = false;
    if (!closesDoubleClick && picMain_->rect().contains(event->position().toPoint())) {
        emit Click();
    }
}

void UltraBox::SurfaceMouseDoubleClick(QMouseEvent*) {
    inDoubleClick_ = true;
    emit DoubleClick();
}

void UltraBox::SurfaceMouseMove(QMouseEvent* event) {
    emit MouseMove(ButtonCode(event->buttons()), ShiftCode(event->modifiers()),
                   static_cast<float>(event->position().x() * twipsPerPixel_),
                   static_cast<float>(event->position().y() * twipsPerPixel_));
}

void UltraBox::SurfaceKeyRelease(QKeyEvent* event) {
    if (event->isAutoRepeat() || !IsModifierKey(event->key())) {
        return;
    }
    modifierHeld_ = false;
    emit Ctrl(0);
}

void UltraBox::SurfaceFocusChanged(bool gained) {
    if (listIndex_ == -1) {
        // Nothing is current: the focus mark of the empty selection comes or goes.
        RepaintIfPainting();
        return;
    }
    if (UltraBoxItem* item = Entry(listIndex_)) {
        item->FocusLost = gained ? 0 : 1;
    }
    modifierHeld_ = false;
    RepaintIfPainting();
    if (gained && QAccessible::isActive()) {
        // Qt tells of the list's own focus after this handler; the entry's comes after it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (hasFocus()) {
                    UltraBoxAccessibility::EntryFocused(*this);
                }
            },
            Qt::QueuedConnection);
    }
}

void UltraBox::OnVScroll(int value) {
    RepaintIfPainting();
    emit VerticalScroll(value);
}

void UltraBox::OnHScroll(int value) {
    RepaintIfPainting();
    emit HorizontalScroll(value);
}

void UltraBox::focusInEvent(QFocusEvent*) {
    SurfaceFocusChanged(true);
}

void UltraBox::focusOutEvent(QFocusEvent*) {
    SurfaceFocusChanged(false);
}
