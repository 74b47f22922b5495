#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSize>
#include <QString>

#include "xp_colors.h"

// Everything one drawing pass of the progress bar needs, as a value.
struct ProgressLook {
    int scrolling = 0;    // drawing style 0..8 (other values draw like 1)
    int orientation = 0;  // 0 horizontal, else vertical (segmented styles only)
    int brushStyle = 0;   // hatch pattern of style 7
    XpColors::Rgb color = XpColors::MakeRgb(64, 64, 64);
    XpColors::Rgb textColor = XpColors::MakeRgb(255, 255, 255);
    bool showText = false;
    QString caption;     // the caption text (XpGeometry::CaptionText)
    int percentage = 0;  // p
    QImage image;        // picture of style 8; null when absent
    QFont font;

    bool operator==(const ProgressLook&) const = default;
};

// One whole drawing pass into a client area of `client` pixels at the painter's origin:
// background, the bar in its style, the caption.
void RenderProgressBar(QPainter& painter, const ProgressLook& look, QSize client);

// The bar of the segmented styles (0, 1, 2 and 9 or higher), its fill, gaps and frame.
void RenderSegmentedBar(QPainter& painter, const ProgressLook& look, QSize client);
