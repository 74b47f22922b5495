#include "ultrabox_navigation.h"

#include <Qt>

#include <algorithm>

namespace UltraBoxNavigation {

namespace {

// The first entry `enabled` accepts from `from` on to `to` (both included) in steps of `step`
// (1 or -1); -1 for none, also when `from` already lies beyond `to`.
int Scan(int from, int to, int step, const std::function<bool(int)>& enabled) {
    for (int i = from; step > 0 ? i <= to : i >= to; i += step) {
        if (enabled(i)) {
            return i;
        }
    }
    return -1;
}

// A page away from `current` in direction `step`: the nearest accepted entry at or beyond
// the page's end, else the farthest one short of it.
int PageTarget(int current, int count, int pageRows, int step,
               const std::function<bool(int)>& enabled) {
    const int distance = std::max(1, pageRows - 1);
    if (step > 0) {
        if (current >= count) {
            return -1;
        }
        const int end = std::min(count, current + distance);
        const int beyond = Scan(end, count, 1, enabled);
        return beyond != -1 ? beyond : Scan(end - 1, current + 1, -1, enabled);
    }
    const int end = std::max(1, current - distance);
    const int beyond = Scan(end, 1, -1, enabled);
    return beyond != -1 ? beyond : Scan(end + 1, current - 1, 1, enabled);
}

}  // namespace

std::optional<Move> MoveForKey(int key) {
    switch (key) {
        case Qt::Key_Up:
            return Move::Up;
        case Qt::Key_Down:
            return Move::Down;
        case Qt::Key_PageUp:
            return Move::PageUp;
        case Qt::Key_PageDown:
            return Move::PageDown;
        case Qt::Key_Home:
            return Move::Home;
        case Qt::Key_End:
            return Move::End;
        default:
            return std::nullopt;
    }
}

int Target(Move move, int current, int count, int pageRows,
           const std::function<bool(int)>& enabled) {
    if (current < 1) {
        return move == Move::End ? Scan(count, 1, -1, enabled) : Scan(1, count, 1, enabled);
    }
    int target = -1;
    switch (move) {
        case Move::Down:
            target = Scan(current + 1, count, 1, enabled);
            break;
        case Move::Up:
            target = Scan(std::min(current - 1, count), 1, -1, enabled);
            break;
        case Move::PageDown:
            target = PageTarget(current, count, pageRows, 1, enabled);
            break;
        case Move::PageUp:
            target = PageTarget(std::min(current, count + 1), count, pageRows, -1, enabled);
            break;
        case Move::Home:
            target = Scan(1, count, 1, enabled);
            break;
        case Move::End:
            target = Scan(count, 1, -1, enabled);
            break;
    }
    return target == current ? -1 : target;
}

}  // namespace UltraBoxNavigation
