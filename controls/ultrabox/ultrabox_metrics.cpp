// Entry metrics: the row height from the font, the widths of entry texts, and where the rows
// lie on the surface.
#include <QFontMetricsF>
#include <QScrollBar>

#include <algorithm>

#include "twips.h"
#include "ultrabox.h"
#include "ultrabox_markup.h"
#include "ultrabox_surface.h"

using UltraBoxGeometry::RoundHalfEven;

void UltraBox::ScreenChanged() {
    const double old = twipsPerPixel_;
    twipsPerPixel_ = Twips::TwipsPerPixel(*picMain_);
    if (twipsPerPixel_ != old) {
        // Entries keep their sizes in pixels; only their length in twips changes.
        itemHeightTwips_ = RoundHalfEven(itemHeightTwips_ / old * twipsPerPixel_);
        maxTextWidth_ = RoundHalfEven(maxTextWidth_ / old * twipsPerPixel_);
    }
    RepaintIfPainting();
}

void UltraBox::RecomputeMetrics(int lines, int marginPx) {
    QStringList sample = {QStringLiteral("X"), QStringLiteral("W"), QStringLiteral("y"),
                          QStringLiteral("g")};
    sample = sample.mid(0, lines);
    const QFontMetricsF metrics(picMain_->font());
    const double heightPx = metrics
                                .boundingRect(QRectF(0, 0, 1e6, 1e6), Qt::AlignLeft | Qt::AlignTop,
                                              sample.join(QLatin1Char('\n')))
                                .height();
    twipsPerPixel_ = Twips::TwipsPerPixel(*picMain_);
    itemHeightPx_ = RoundHalfEven(heightPx) / lines + marginPx;
    itemHeightTwips_ =
        RoundHalfEven(heightPx * twipsPerPixel_) / lines + RoundHalfEven(marginPx * twipsPerPixel_);
}

void UltraBox::MeasureEntry(const UltraBoxItem& item) {
    const QString& text = item.Text;
    const bool hasPicture = !item.Picture.isNull();
    int width = 0;
    if (item.Literal) {
        width =
            RoundHalfEven(PlainTextWidthPx(UltraBoxMarkup::LiteralShown(text)) * twipsPerPixel_);
    } else if (!text.contains(QLatin1Char('}'))) {
        width = RoundHalfEven(PlainTextWidthPx(text) * twipsPerPixel_);
    } else {
        for (const UltraBoxMarkup::Run& run : UltraBoxMarkup::Runs(text)) {
            UltraBoxMarkup::ApplyStyle(run.code, measureFont_);
            const QFontMetricsF metrics(measureFont_);
            width = RoundHalfEven(width + metrics.horizontalAdvance(run.shown) * twipsPerPixel_);
        }
        UltraBoxMarkup::ClearStyles(measureFont_);
    }
    // A picture takes an h x h square and a 3-pixel gap before the text.
    const int candidate =
        hasPicture ? width + RoundHalfEven((itemHeightPx_ + 3) * twipsPerPixel_) : width;
    maxTextWidth_ = std::max(maxTextWidth_, candidate);
}

double UltraBox::PlainTextWidthPx(const QString& text) {
    // Filling a folder measures every name: Latin-1 texts add up cached advances.
    double width = 0;
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code >= advances_.size()) {
            return QFontMetricsF(picMain_->font()).horizontalAdvance(text);
        }
        if (advances_[code] == 0) {
            advances_[code] = QFontMetricsF(picMain_->font()).horizontalAdvance(c);
        }
        width += advances_[code];
    }
    return width;
}

void UltraBox::FontChanged() {
    advances_.fill(0);
    RecomputeMetrics(3, 0);
}

QRect UltraBox::EntryRect(int index) const {
    if (!Entry(index) || index < topIndex_ || index - topIndex_ >= VisibleRowCount()) {
        return {};
    }
    const int dx = hs_->isHidden() ? 0 : hs_->value();
    return UltraBoxGeometry::RowRect(index - topIndex_, itemHeightPx_, dx, picMain_->width(),
                                     !vs_->isHidden(), vScrollWidth_)
        .ToQRect();
}

int UltraBox::VisibleRowCount() const {
    return UltraBoxGeometry::VisibleRows(ScrollState(), !vs_->isHidden());
}
