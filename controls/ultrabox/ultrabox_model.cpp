#include "ultrabox_model.h"

#include <algorithm>
#include <utility>

#include "ultrabox_markup.h"

namespace UltraBoxModel {

QString DisplayText(const UltraBoxItem& item) {
    return item.Literal ? item.Text : UltraBoxMarkup::StripMarkup(item.Text);
}

int ItemType(const UltraBoxItem& item) {
    int type = kPlainEntry;
    if (item.UseCheckBox) {
        type = kCheckEntry;
    }
    if (item.UseOptionBox) {
        type = kOptionEntry;
    }
    if (item.UseProgressBar) {
        type = kProgressEntry;
    }
    return type;
}

int TextFormatFor(int alignment) {
    switch (alignment) {
        case 1:
            return 2;
        case 2:
            return 1;
        default:
            return 0;
    }
}

void SortItems(std::vector<UltraBoxItem>& items) {
    const int count = static_cast<int>(items.size()) - 1;
    if (count < 2) {
        return;
    }
    // Sort keys, kept beside the records and swapped with them.
    std::vector<QString> keys(items.size());
    for (int i = 1; i <= count; ++i) {
        keys[i] = DisplayText(items[i]).toUpper();
    }
    // Two entries still need one pass with gap 1.
    for (int gap = std::max((count - 1) / 2, 1); gap >= 1; gap /= 2) {
        int limit = count - gap;
        for (;;) {
            int lastSwap = 0;
            for (int j = 1; j <= limit; ++j) {
                if (QString::compare(keys[j], keys[j + gap], Qt::CaseSensitive) > 0) {
                    std::swap(items[j], items[j + gap]);
                    std::swap(keys[j], keys[j + gap]);
                    lastSwap = j;
                }
            }
            if (lastSwap == 0) {
                break;
            }
            limit = lastSwap - gap;
        }
    }
}

int FindEntry(const std::vector<UltraBoxItem>& items, const QString& s, bool anywhere) {
    const QString wanted = s.toLower();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!items[i].Enabled) {
            continue;
        }
        const QString text = items[i].Text.toLower();
        if (anywhere ? text.contains(wanted) : text.startsWith(wanted)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool IsMarked(const UltraBoxItem& item) {
    return item.CheckState == 1 || item.OptionState == 1;
}

}  // namespace UltraBoxModel
