#pragma once

#include <QString>

#include <vector>

#include "ultrabox_item.h"

// Entry-array rules of the item list that need no window. The array is 1-based:
// slot 0 is a blank record that is never shown, selected or matched.
namespace UltraBoxModel {

inline constexpr int kOptionEntry = 0;
inline constexpr int kCheckEntry = 1;
inline constexpr int kProgressEntry = 2;
inline constexpr int kPlainEntry = 3;

// The text `item` shows: a literal entry's text as stored, else with its markup removed.
QString DisplayText(const UltraBoxItem& item);

// The kind code of `item`: flags tested check, option, progress; the last true one wins.
int ItemType(const UltraBoxItem& item);

// The TextFormat for an AddItem alignment: 0 left, 1 right (2), 2 centred (1); else 0.
int TextFormatFor(int alignment);

// Orders slots 1.. by their upper-cased display text, moving whole records.
void SortItems(std::vector<UltraBoxItem>& items);

// The first enabled slot whose stored text begins with (or, with `anywhere`, contains) `s`,
// compared case-insensitively; -1 when none matches.
int FindEntry(const std::vector<UltraBoxItem>& items, const QString& s, bool anywhere);

// True for a check or option entry whose mark is set.
bool IsMarked(const UltraBoxItem& item);

}  // namespace UltraBoxModel
