// Painting: everything goes into the back buffer; the surface only shows it.
#include <QFontMetricsF>
#include <QList>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>

#include "ultrabox.h"
#include "ultrabox_accessible.h"
#include "ultrabox_colors.h"
#include "ultrabox_markup.h"
#include "ultrabox_surface.h"

using UltraBoxGeometry::Rect;
using UltraBoxGeometry::RoundHalfEven;

namespace {

constexpr OleColor kStripeWhite = 0xFFFFFF;
constexpr OleColor kStripeGrey = 0xEFEFEF;

// One ring of a 3-D edge: top and left in `topLeft`, bottom and right in `bottomRight`.
void DrawBevel(QPainter& painter, const Rect& r, const QColor& topLeft, const QColor& bottomRight) {
    if (r.Width() <= 0 || r.Height() <= 0) {
        return;
    }
    painter.fillRect(r.left, r.top, r.Width() - 1, 1, topLeft);
    painter.fillRect(r.left, r.top, 1, r.Height() - 1, topLeft);
    painter.fillRect(r.left, r.bottom - 1, r.Width(), 1, bottomRight);
    painter.fillRect(r.right - 1, r.top, 1, r.Height(), bottomRight);
}

// A two-ring 3-D edge; each ring is raised (light above) or sunken (dark above).
void DrawEdge(QPainter& painter, const Rect& r, bool outerRaised, bool innerRaised,
              const QPalette& pal) {
    if (outerRaised) {
        DrawBevel(painter, r, pal.midlight().color(), pal.shadow().color());
    } else {
        DrawBevel(painter, r, pal.dark().color(), pal.light().color());
    }
    const Rect inner = r.Adjusted(1, 1, -1, -1);
    if (innerRaised) {
        DrawBevel(painter, inner, pal.light().color(), pal.dark().color());
    } else {
        DrawBevel(painter, inner, pal.shadow().color(), pal.midlight().color());
    }
}

// A dotted rectangle drawn by inverting every other pixel of its outline.
void DrawFocusRect(QPainter& painter, const Rect& r) {
    if (r.Width() <= 0 || r.Height() <= 0) {
        return;
    }
    // Each dot is one logical pixel, so the pattern keeps its look on a scaled screen.
    QVector<QRect> dots;
    for (int x = r.left; x < r.right; ++x) {
        if ((x + r.top) % 2 == 0) {
            dots << QRect(x, r.top, 1, 1);
        }
        if (r.Height() > 1 && (x + r.bottom - 1) % 2 == 0) {
            dots << QRect(x, r.bottom - 1, 1, 1);
        }
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        if ((r.left + y) % 2 == 0) {
            dots << QRect(r.left, y, 1, 1);
        }
        if (r.Width() > 1 && (r.right - 1 + y) % 2 == 0) {
            dots << QRect(r.right - 1, y, 1, 1);
        }
    }
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRects(dots);
    painter.restore();
}

int AlignmentFlags(int textFormat) {
    switch (textFormat) {
        case 1:
            return Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic;
        case 2:
            return Qt::AlignRight | Qt::AlignTop | Qt::TextShowMnemonic;
        default:
            return Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic;
    }
}

}  // namespace

void UltraBox::Redraw() {
    if (!paint_) {
        return;
    }
    paint_ = false;
    if (picMain_->geometry() != rect()) {
        picMain_->setGeometry(rect());
    }
    // The buffer holds device pixels; painting into it is in logical pixels.
    const QSize size = picMain_->size().expandedTo(QSize(1, 1));
    const qreal ratio = picMain_->devicePixelRatioF();
    const QSize deviceSize = UltraBoxGeometry::DeviceSize(size, ratio);
    if (backBuffer_.size() != deviceSize || backBuffer_.devicePixelRatio() != ratio) {
        backBuffer_ = QImage(deviceSize, QImage::Format_RGB32);
        backBuffer_.setDevicePixelRatio(ratio);
    }
    backBuffer_.fill(UltraBoxColors::ToQColor(UltraBoxColors::kSurfaceBack, palette()));
    {
        QPainter painter(&backBuffer_);
        const QRect client(QPoint(0, 0), size);
        if (color_ != 0 && (backPicture_.isNull() || fillView_ == 1)) {
            painter.fillRect(client, UltraBoxColors::ToQColor(color_, palette()));
        } else if (!backPicture_.isNull()) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(client, backPicture_);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        }
        drawFont_ = picMain_->font();
        PaintEntries(painter);
        PaintFocusWithoutCurrent(painter);
        DrawBorder(painter);
    }
    paint_ = true;
    picMain_->update();
    if (entriesChanged_) {
        entriesChanged_ = false;
        UltraBoxAccessibility::EntriesReordered(*this);
    }
}

UltraBoxGeometry::ScrollInputs UltraBox::ScrollState() const {
    UltraBoxGeometry::ScrollInputs in;
    in.surfaceWidthPx = picMain_->width();
    in.surfaceHeightPx = picMain_->height();
    in.listCount = ListCount();
    in.itemHeightPx = itemHeightPx_;
    in.itemHeightTwips = itemHeightTwips_;
    in.maxTextWidthTwips = maxTextWidth_;
    in.vScrollWidthPx = vScrollWidth_;
    in.hScrollHeightPx = hScrollHeight_;
    in.twipsPerPixel = twipsPerPixel_;
    return in;
}

UltraBoxGeometry::ScrollBars UltraBox::DecideAndLayoutScrollBars() {
    const UltraBoxGeometry::ScrollInputs in = ScrollState();
    const UltraBoxGeometry::ScrollBars bars = UltraBoxGeometry::DecideScrollBars(in);
    if (bars.vertical) {
        vs_->setGeometry(UltraBoxGeometry::VScrollRect(in).ToQRect());
        vs_->setMaximum(UltraBoxGeometry::VScrollMaximum(in));
        vs_->setPageStep(std::max(1, UltraBoxGeometry::VisibleRows(in, true)));
        vs_->show();
    } else {
        vs_->hide();
    }
    if (bars.horizontal) {
        hs_->setGeometry(UltraBoxGeometry::HScrollRect(in, bars.vertical).ToQRect());
        hs_->setMaximum(UltraBoxGeometry::HScrollMaximum(in));
        hs_->setPageStep(std::max(1, in.surfaceWidthPx));
        hs_->show();
    } else {
        hs_->hide();
    }
    return bars;
}

void UltraBox::PaintEntries(QPainter& painter) {
    stripeWhite_ = true;
    if (ListCount() == 0) {
        vs_->hide();
        hs_->hide();
        return;
    }
    topIndex_ = std::clamp(topIndex_, 1, ListCount());
    const UltraBoxGeometry::ScrollBars bars = DecideAndLayoutScrollBars();
    topIndex_ = bars.vertical ? vs_->value() + 1 : 1;
    const int dx = bars.horizontal ? hs_->value() : 0;
    const int rows = UltraBoxGeometry::VisibleRows(ScrollState(), bars.vertical);
    for (int i = topIndex_, r = 0; i <= ListCount() && r < rows; ++i, ++r) {
        PaintEntry(painter, i, r, dx, bars.vertical);
        if (r + 1 >= rows) {
            DecideAndLayoutScrollBars();
            break;
        }
    }
}

// What a row's background painting leaves for the rest of the row.
struct UltraBox::RowBackground {
    UltraBoxColors::Backdrop backdrop;  // what the text lies on
    OleColor stripe = kStripeWhite;     // the stripe colour, for a picture's transparent pixels
};

void UltraBox::PaintEntry(QPainter& painter, int index, int row, int dx, bool vShown) {
    UltraBoxItem& item = items_[index];
    Rect text =
        UltraBoxGeometry::RowRect(row, itemHeightPx_, dx, picMain_->width(), vShown, vScrollWidth_);
    if (item.UseCheckBox || item.UseOptionBox) {
        DrawBox(painter, item, UltraBoxGeometry::BoxRect(row, itemHeightPx_, dx));
        text.left = 16 - dx;
    }
    if (item.Selected && index == listIndex_) {
        PaintCurrentEntry(painter, item, text, dx);
    } else {
        PaintOtherEntry(painter, item, index, text, dx);
    }
}

void UltraBox::PaintCurrentEntry(QPainter& painter, UltraBoxItem& item, Rect text, int dx) {
    if (!item.Picture.isNull()) {
        DrawEntryPicture(painter, item, text, stripeWhite_ ? kStripeWhite : kStripeGrey);
        text.left += itemHeightPx_ + 3;
    }
    const UltraBoxColors::Backdrop backdrop = CurrentBackdrop(item);
    text = PaintCurrentBackground(painter, item, text, dx);
    if (item.FocusLost == 0) {
        DrawFocusRect(painter, text);
    }
    if (item.UseProgressBar) {
        text = text.Adjusted(-2, -2, 2, 2);
    }
    DrawText(painter, item, text, TextHTextColor(item), backdrop);
}

Rect UltraBox::PaintCurrentBackground(QPainter& painter, const UltraBoxItem& item, Rect text,
                                      int dx) {
    if (item.UseProgressBar) {
        const bool hasPicture = !item.Picture.isNull();
        const int h = itemHeightPx_;
        DrawProgress(painter, item, text, hasPicture, dx,
                     UltraBoxColors::PaletteOver(ClientBackdrop(), palette()));
        Rect inner = text.Adjusted(2, 2, -2, -2);
        if (hasPicture) {
            inner.right -= 2 * h + 3;
        }
        painter.save();
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter.fillRect(inner.ToQRect(), Qt::black);
        painter.restore();
        text = text.Adjusted(2, 2, -3, -3);
        if (hasPicture) {
            text.right -= 2 * h + 3;
        }
    } else if (selectStyle_ != 1 || fillView_ == 1) {
        Fill(painter, text, item.HColor);
        stripeWhite_ = !stripeWhite_;
    } else {
        PaintHighlight(painter, text, item.HColor);
    }
    return text;
}

void UltraBox::PaintOtherEntry(QPainter& painter, UltraBoxItem& item, int index, Rect text,
                               int dx) {
    const int h = itemHeightPx_;
    const bool hasPicture = !item.Picture.isNull();
    const RowBackground background = PaintRowBackground(painter, item, text);
    if (hasPicture) {
        DrawEntryPicture(painter, item, text, background.stripe);
        text = text.Adjusted(h + 3, 0, h + 3, 0);
    }
    if (item.UseProgressBar) {
        DrawProgress(painter, item, text, hasPicture, dx,
                     UltraBoxColors::PaletteOver(background.backdrop, palette()));
        text.left += 2;
    }
    OleColor color = TextFColor(item);
    if (!item.Enabled) {
        color = UltraBoxColors::SystemColor(UltraBoxColors::kGrayText);
    } else if (item.Selected) {
        color = TextHTextColor(item);
    }
    if (index == listIndex_ && item.FocusLost == 0) {
        DrawFocusRect(painter, text);
    }
    DrawText(painter, item, text, color, background.backdrop);
}

UltraBox::RowBackground UltraBox::PaintRowBackground(QPainter& painter, const UltraBoxItem& item,
                                                     Rect text) {
    RowBackground result{ClientBackdrop(), kStripeWhite};
    if (fillView_ != 0) {
        result.stripe = stripeWhite_ ? kStripeWhite : kStripeGrey;
        Fill(painter, text, result.stripe);
        stripeWhite_ = !stripeWhite_;
        result.backdrop = UltraBoxColors::BackdropOf(result.stripe, palette());
    } else if (!backPicture_.isNull() && !item.Selected) {
        // The background picture shows through.
    } else if (item.Selected) {
        const Rect highlight =
            item.Picture.isNull() ? text : text.Adjusted(itemHeightPx_ + 3, 0, 0, 0);
        if (selectStyle_ != 1) {
            Fill(painter, highlight, item.HColor);
            result.backdrop =
                UltraBoxColors::BackdropOf(item.HColor, palette(), item.PaletteHColor);
        } else {
            PaintHighlight(painter, highlight, item.HColor);
            result.backdrop = OrBackdrop(item);
        }
    } else {
        Fill(painter, text, item.BColor);
        result.backdrop = UltraBoxColors::BackdropOf(item.BColor, palette());
    }
    return result;
}

void UltraBox::PaintFocusWithoutCurrent(QPainter& painter) {
    if (!hasFocus() || Entry(listIndex_) != nullptr) {
        return;
    }
    // A focused list without a current entry marks its first row, or its inside when empty.
    const QSize size = picMain_->size();
    Rect mark{3, 3, size.width() - 3, size.height() - 3};
    if (ListCount() > 0) {
        const int dx = hs_->isHidden() ? 0 : hs_->value();
        mark = UltraBoxGeometry::RowRect(0, itemHeightPx_, dx, size.width(), !vs_->isHidden(),
                                         vScrollWidth_);
    }
    DrawFocusRect(painter, mark);
}

void UltraBox::Fill(QPainter& painter, Rect rect, OleColor color) {
    painter.fillRect(rect.ToQRect(), UltraBoxColors::ToQColor(color, palette()));
}

void UltraBox::PaintHighlight(QPainter& painter, Rect rect, OleColor color) {
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    painter.fillRect(rect.ToQRect(), UltraBoxColors::ToQColor(color, palette()));
    painter.restore();
}

void UltraBox::DrawText(QPainter& painter, const UltraBoxItem& item, Rect rect, OleColor color,
                        const UltraBoxColors::Backdrop& backdrop) {
    const QColor ink = UltraBoxColors::TextColorOver(color, backdrop, palette());
    painter.setFont(drawFont_);
    painter.setPen(ink);
    if (item.Literal) {
        // No mnemonic flag: "&" is drawn as "&".
        painter.drawText(rect.ToQRect(), AlignmentFlags(item.TextFormat) & ~Qt::TextShowMnemonic,
                         UltraBoxMarkup::LiteralShown(item.Text));
        return;
    }
    if (item.Text.contains(QLatin1Char('}'))) {
        const QColor reset = UltraBoxColors::TextColorOver(TextFColor(item), backdrop, palette());
        DrawMarkupText(painter, item, rect, ink, reset);
        return;
    }
    painter.drawText(rect.ToQRect(), AlignmentFlags(item.TextFormat), item.Text);
}

void UltraBox::DrawMarkupText(QPainter& painter, const UltraBoxItem& item, Rect rect, QColor color,
                              QColor resetColor) {
    const int flags = AlignmentFlags(item.TextFormat);
    for (const UltraBoxMarkup::Run& run : UltraBoxMarkup::Runs(item.Text)) {
        if (run.code >= 0) {
            color = UltraBoxColors::ToQColor(static_cast<OleColor>(run.code), palette());
        } else if (run.code == UltraBoxMarkup::kColorReset) {
            color = resetColor;
        } else {
            UltraBoxMarkup::ApplyStyle(run.code, drawFont_);
        }
        painter.setFont(drawFont_);
        painter.setPen(color);
        painter.drawText(rect.ToQRect(), flags, run.shown);
        const int width = RoundHalfEven(QFontMetricsF(drawFont_).horizontalAdvance(run.shown));
        rect = rect.Adjusted(width, 0, width, 0);
    }
    UltraBoxMarkup::ClearStyles(drawFont_);
}

void UltraBox::DrawProgress(QPainter& painter, const UltraBoxItem& item, Rect rect, bool hasPicture,
                            int dx, const QPalette& edgePalette) {
    Rect bar = rect.Adjusted(-dx, 0, -dx, 0);
    if (hasPicture) {
        bar.right -= 2 * itemHeightPx_ + 3;
    }
    DrawEdge(painter, bar, false, true, edgePalette);
    bar = bar.Adjusted(2, 2, -2, -2);
    if (item.ProgressMax <= 0) {
        return;
    }
    const double ratio = static_cast<double>(item.ProgressValue) / item.ProgressMax;
    const double fraction = std::nearbyint(ratio * 100.0) / 100.0;
    const int fillRight = bar.left + RoundHalfEven(bar.Width() * fraction);
    if (fillRight > bar.left) {
        Fill(painter, {bar.left, bar.top, fillRight, bar.bottom}, item.ProgressColor);
    }
}

void UltraBox::DrawEntryPicture(QPainter& painter, UltraBoxItem& item, Rect rect,
                                OleColor stripeColor) {
    QImage picture = item.Picture.convertToFormat(QImage::Format_RGB32);
    if (item.TransColor != kDefaultColor) {
        const QRgb trans = UltraBoxColors::ToQColor(item.TransColor, palette()).rgb();
        // The colour that shows through a transparent pixel at (x, y) of the picture.
        auto replacement = [&](int x, int y) -> QRgb {
            OleColor color = item.BColor;
            if (fillView_ != 0) {
                color = stripeColor;
            } else if (!backPicture_.isNull()) {
                const QPoint under = UltraBoxGeometry::DevicePoint(
                    QPoint(rect.left + x, rect.top + y), backBuffer_.devicePixelRatio());
                const OleColor surface = backBuffer_.valid(under)
                                             ? UltraBoxColors::FromQColor(backBuffer_.pixel(under))
                                             : 0xFFFFFF;
                color = UltraBoxColors::Resolve(item.BColor, palette()) & surface;
            }
            return UltraBoxColors::ToQColor(color, palette()).rgb();
        };
        if (item.TransPixelsValid) {
            const QStringList numbers = item.TransPixels.split(QLatin1Char(','));
            for (int k = 0; k + 1 < numbers.size(); k += 2) {
                const int x = numbers[k].toInt();
                const int y = numbers[k + 1].toInt();
                if (picture.valid(x, y)) {
                    picture.setPixel(x, y, replacement(x, y));
                }
            }
        } else {
            QString positions;
            for (int x = 0; x < picture.width(); ++x) {
                for (int y = 0; y < picture.height(); ++y) {
                    if ((picture.pixel(x, y) | 0xFF000000u) == (trans | 0xFF000000u)) {
                        picture.setPixel(x, y, replacement(x, y));
                        positions += QString::number(x) + QLatin1Char(',') + QString::number(y) +
                                     QLatin1Char(',');
                    }
                }
            }
            item.TransPixels = positions;
            item.TransPixelsValid = true;
        }
    }
    // The picture takes an h x h square at the text's left edge.
    const int h = itemHeightPx_;
    painter.drawImage(QRect(rect.left, rect.top, h, h), picture);
}

void UltraBox::DrawBox(QPainter& painter, const UltraBoxItem& item, Rect box) {
    const int state = item.UseCheckBox ? item.CheckState : item.OptionState;
    if (state != 0 && state != 1) {
        return;
    }
    const int side = std::min(box.Width(), itemHeightPx_);
    QStyleOptionButton option;
    option.initFrom(picMain_);
    // The box lies on the client background: over a fixed colour it keeps its designed look.
    QPalette boxPalette = UltraBoxColors::PaletteOver(ClientBackdrop(), option.palette);
    boxPalette.setCurrentColorGroup(option.palette.currentColorGroup());
    option.palette = boxPalette;
    option.rect = QRect(box.left, box.top + (itemHeightPx_ - side) / 2, side, side);
    option.state = QStyle::State_None;
    if (item.Enabled) {
        option.state |= QStyle::State_Enabled;
    } else {
        option.palette.setCurrentColorGroup(QPalette::Disabled);
    }
    option.state |= state == 1 ? QStyle::State_On : QStyle::State_Off;
    const QStyle::PrimitiveElement element =
        item.UseCheckBox ? QStyle::PE_IndicatorCheckBox : QStyle::PE_IndicatorRadioButton;
    style()->drawPrimitive(element, &option, &painter, picMain_);
}

void UltraBox::DrawBorder(QPainter& painter) {
    const QSizeF size = backBuffer_.deviceIndependentSize();
    const Rect client{0, 0, RoundHalfEven(size.width()), RoundHalfEven(size.height())};
    const QPalette& pal = palette();
    switch (style_) {
        case 0:
            DrawEdge(painter, client, true, true, pal);
            break;
        case 1:
            DrawEdge(painter, client, false, false, pal);
            break;
        case 2:
            DrawEdge(painter, client, true, false, pal);
            break;
        case 3:
            DrawEdge(painter, client, false, true, pal);
            break;
        case 4:
            DrawBevel(painter, client, Qt::black, Qt::black);
            break;
        default:
            break;
    }
}
