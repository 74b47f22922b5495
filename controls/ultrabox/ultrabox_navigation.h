#pragma once

#include <functional>
#include <optional>

// Where the list's navigation keys lead, as plain rules over entry numbers 1..count.
namespace UltraBoxNavigation {

enum class Move { Up, Down, PageUp, PageDown, Home, End };

// The move a key code (Qt::Key) stands for; none for other keys.
std::optional<Move> MoveForKey(int key);

// The entry `move` from `current` lands on, counting only entries that `enabled` accepts:
// the nearest one above or below, a page of `pageRows` rows less one further, the first or the
// last. Without a current entry (below 1) every move but End lands on the first entry, End on
// the last. -1 when the move leads nowhere or back to `current`.
int Target(Move move, int current, int count, int pageRows,
           const std::function<bool(int)>& enabled);

}  // namespace UltraBoxNavigation
