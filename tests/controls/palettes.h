#pragma once

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QRect>

#include <algorithm>
#include <map>

#include "system_colors.h"

// Desktop palettes the controls must stay readable under, as the desktops give them.
namespace test_palettes {

// A palette of `window` and `text` for every role, with the given highlight pair and grey.
inline QPalette Make(QColor window, QColor base, QColor text, QColor highlight,
                     QColor highlightedText, QColor disabledText) {
    QPalette p(text, window, window.lighter(130), window.darker(150), window.darker(120), text,
               Qt::white, base, window);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(g, QPalette::Highlight, highlight);
        p.setColor(g, QPalette::HighlightedText, highlightedText);
    }
    p.setColor(QPalette::Disabled, QPalette::Text, disabledText);
    p.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
    return p;
}

// GTK's Adwaita-dark, as Qt's gtk3 theme hands it on.
inline QPalette Dark() {
    return Make(QColor(0x35, 0x35, 0x35), QColor(0x2D, 0x2D, 0x2D), QColor(0xEE, 0xEE, 0xEC),
                QColor(0x15, 0x53, 0x9E), Qt::white, QColor(0x91, 0x91, 0x90));
}

// KDE's Breeze Dark.
inline QPalette BreezeDark() {
    return Make(QColor(0x31, 0x36, 0x3B), QColor(0x23, 0x26, 0x29), QColor(0xEF, 0xF0, 0xF1),
                QColor(0x3D, 0xAE, 0xE9), QColor(0xEF, 0xF0, 0xF1), QColor(0x6E, 0x71, 0x75));
}

// A high-contrast palette: white on black, a cyan highlight with black text.
inline QPalette HighContrast() {
    return Make(Qt::black, Qt::black, Qt::white, QColor(0x1A, 0xEB, 0xFF), Qt::black,
                QColor(0x3F, 0xF2, 0x3F));
}

// The ink of a text in `area` of `image`: the commonest colour there is the background; of
// the other pixels the one that stands out most is the ink.
struct Ink {
    QColor background;
    QColor ink;
    double contrast = 1;
    int pixels = 0;  // pixels other than the background
};

inline Ink MeasureInk(const QImage& image, QRect area) {
    std::map<QRgb, int> counts;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            ++counts[image.pixel(x, y) | 0xFF000000u];
        }
    }
    Ink result;
    if (counts.empty()) {
        return result;
    }
    const auto commonest =
        std::max_element(counts.begin(), counts.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    result.background = QColor::fromRgb(commonest->first);
    for (const auto& [rgb, n] : counts) {
        if (rgb == commonest->first) {
            continue;
        }
        result.pixels += n;
        const double contrast =
            system_colors::ContrastRatio(QColor::fromRgb(rgb), result.background);
        if (contrast > result.contrast) {
            result.contrast = contrast;
            result.ink = QColor::fromRgb(rgb);
        }
    }
    return result;
}

}  // namespace test_palettes
