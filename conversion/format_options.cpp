#include "format_options.h"

#include <array>

namespace format_options {
namespace {

struct Table {
    int first;
    std::array<int, 10> kbps;
    int count;
    int start;
};

constexpr Table kMp3{6, {80, 96, 112, 128, 160, 192, 224, 256, 320, 0}, 9, 11};
constexpr Table kAc{10, {160, 192, 224, 256, 320, 384, 448, 512, 576, 640}, 10, 14};

const Table& TableOf(BitrateBar bar) {
    return bar == BitrateBar::Mp3 ? kMp3 : kAc;
}

}  // namespace

int MinPosition(BitrateBar bar) {
    return TableOf(bar).first;
}

int MaxPosition(BitrateBar bar) {
    const Table& t = TableOf(bar);
    return t.first + t.count - 1;
}

int StartPosition(BitrateBar bar) {
    return TableOf(bar).start;
}

std::optional<int> BitrateAt(BitrateBar bar, int position) {
    const Table& t = TableOf(bar);
    const int slot = position - t.first;
    if (slot < 0 || slot >= t.count) {
        return std::nullopt;
    }
    return t.kbps[static_cast<std::size_t>(slot)];
}

std::optional<int> PositionOf(BitrateBar bar, int kbps) {
    const Table& t = TableOf(bar);
    for (int slot = 0; slot < t.count; ++slot) {
        if (t.kbps[static_cast<std::size_t>(slot)] == kbps) {
            return t.first + slot;
        }
    }
    return std::nullopt;
}

std::optional<BitrateBar> BarOfFormat(int index) {
    switch (index) {
        case 1:
            return BitrateBar::Mp3;
        case 2:
            return BitrateBar::Ac3;
        case 3:
            return BitrateBar::Mpa;
        default:
            return std::nullopt;
    }
}

std::string BitrateCaption(int kbps) {
    return "Bitrate: " + std::to_string(kbps) + " KB/s";
}

}  // namespace format_options
