// The selection: what clicks, keys and the host's calls select, and where the list scrolls
// for it. Each is one pass over the entries; none lets other events run in between.
#include <QScrollBar>

#include <algorithm>

#include "ultrabox.h"
#include "ultrabox_accessible.h"

void UltraBox::SetSelected(int index, bool selected, bool moveSelectionToTop, bool justSelect) {
    UltraBoxItem* item = Entry(index);
    if (!item) {
        return;
    }
    UltraBoxAccessibleChanges changes(*this);
    if (!justSelect) {
        if (item->UseCheckBox) {
            item->CheckState = selected ? 1 : 0;
        }
        if (item->UseOptionBox) {
            item->OptionState = selected ? 1 : 0;
        }
    }
    item->Selected = selected;
    listIndex_ = index;
    anchor_ = index;
    const int group = item->OptionGroup;
    if (selected) {
        for (int j = 1; j <= ListCount(); ++j) {
            if (j == index) {
                continue;
            }
            if (!justSelect && items_[j].OptionGroup == group) {
                items_[j].OptionState = 0;
            }
            if (!modifierHeld_) {
                items_[j].Selected = false;
            }
        }
    }
    if (index > topIndex_) {
        if (index - 1 > vs_->maximum()) {
            vs_->setValue(vs_->maximum());
        } else if (moveSelectionToTop) {
            vs_->setValue(index - 1);
        }
    } else {
        vs_->setValue(index - 1);
    }
    RepaintIfPainting();
}

void UltraBox::SelectEntries(const std::vector<int>& indices) {
    UltraBoxAccessibleChanges changes(*this);
    for (int j = 1; j <= ListCount(); ++j) {
        items_[j].Selected = false;
    }
    int first = -1;
    for (const int index : indices) {
        if (UltraBoxItem* item = Entry(index)) {
            if (first == -1 || multiSelect_) {
                item->Selected = true;
            }
            first = first == -1 ? index : first;
        }
    }
    if (first != -1) {
        listIndex_ = first;
        anchor_ = first;
        if (first <= topIndex_ || first - 1 > vs_->maximum()) {
            vs_->setValue(std::min(first - 1, vs_->maximum()));
        }
    }
    RepaintIfPainting();
}

void UltraBox::SetSelectAllFilter(EntryFilter filter) {
    selectAllFilter_ = std::move(filter);
}

void UltraBox::SelectAll() {
    if (!multiSelect_) {
        return;
    }
    UltraBoxAccessibleChanges changes(*this);
    int first = -1;
    for (int j = 1; j <= ListCount(); ++j) {
        const bool take = items_[j].Enabled && (!selectAllFilter_ || selectAllFilter_(j));
        items_[j].Selected = take;
        if (take && first == -1) {
            first = j;
        }
    }
    if (Entry(listIndex_) == nullptr && first != -1) {
        listIndex_ = first;
        anchor_ = first;
        EnsureVisible(first);
    }
    RepaintIfPainting();
}

void UltraBox::SelectAfterPress(int hit) {
    if (hit == 0) {
        return;
    }
    for (int j = 1; j <= ListCount(); ++j) {
        UltraBoxItem& item = items_[j];
        if (j == hit) {
            item.Selected = !(modifierHeld_ && item.Selected);
        } else if (!modifierHeld_) {
            item.Selected = false;
        }
    }
    listIndex_ = hit;
    anchor_ = hit;
}

void UltraBox::SelectByKey(int old, int target) {
    if (!modifierHeld_) {
        if (UltraBoxItem* previous = Entry(old)) {
            previous->Selected = false;
        }
        if (multiSelect_) {
            for (int j = 1; j <= ListCount(); ++j) {
                if (j != target && j != old) {
                    items_[j].Selected = false;
                }
            }
        }
    }
    UltraBoxItem& next = items_[target];
    next.Selected = !(next.Selected && multiSelect_ && modifierHeld_);
}

void UltraBox::ExtendSelectionTo(int target, bool keepOthers) {
    if (Entry(anchor_) == nullptr) {
        anchor_ = Entry(listIndex_) != nullptr ? listIndex_ : target;
    }
    const int low = std::min(anchor_, target);
    const int high = std::max(anchor_, target);
    for (int j = 1; j <= ListCount(); ++j) {
        UltraBoxItem& item = items_[j];
        if (j >= low && j <= high && item.Enabled) {
            item.Selected = true;
        } else if (!keepOthers) {
            item.Selected = false;
        }
    }
}

void UltraBox::EnsureVisible(int index) {
    if (vs_->isHidden()) {
        return;
    }
    const int rows = std::max(1, VisibleRowCount());
    if (index < topIndex_) {
        vs_->setValue(index - 1);
    } else if (index > topIndex_ + rows - 1) {
        vs_->setValue(index - rows);
    }
}

void UltraBox::ChooseOption(int index) {
    const int group = items_[index].OptionGroup;
    for (int j = 1; j <= ListCount(); ++j) {
        if (items_[j].UseOptionBox && items_[j].OptionGroup == group) {
            items_[j].OptionState = 0;
        }
    }
    items_[index].OptionState = 1;
}
