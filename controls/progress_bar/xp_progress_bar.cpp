#include "xp_progress_bar.h"

#include <QAccessible>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QVariant>

#include <cmath>

#include "property_store.h"
#include "xp_accessible.h"
#include "xp_canvas.h"
#include "xp_geometry.h"

namespace {

constexpr XpColors::Rgb kDarkGrey = XpColors::MakeRgb(64, 64, 64);
constexpr XpColors::Rgb kWhite = XpColors::MakeRgb(255, 255, 255);

// The stored defaults, which differ from the values at creation for three of them.
constexpr int kStoredBrushStyle = 4;
constexpr int kStoredScrolling = 5;
constexpr bool kStoredShowText = true;

// The size of `device` in the coordinates a painter on it uses: images count device pixels,
// widgets and the like logical ones.
QSize LogicalSize(const QPaintDevice& device) {
    if (device.devType() == QInternal::Image) {
        return static_cast<const QImage&>(device).deviceIndependentSize().toSize();
    }
    return QSize(device.width(), device.height());
}

}  // namespace

XP_ProgressBar::XP_ProgressBar(PropertyStore* store, QWidget* parent)
    : QWidget(parent), store_(store) {
    InstallProgressBarAccessibility();
    look_.font = QFont(QStringLiteral("Tahoma"), 8);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetHdc();
    hwnd_ = this;
    look_.color = XpColors::TranslateColor(kDarkGrey);
    look_.textColor = XpColors::TranslateColor(kWhite);
    DrawProgressBar();
    if (store_ != nullptr) {
        ReadProperties(*store_);
    }
}

XP_ProgressBar::~XP_ProgressBar() = default;

void XP_ProgressBar::SetColor(Rgb color) {
    look_.color = XpColors::TranslateColor(color);
    DrawProgressBar();
}

QPaintDevice* XP_ProgressBar::hdc() {
    if (buffer_.isNull()) {
        return this;
    }
    return &buffer_;
}

void XP_ProgressBar::SetHdc(QPaintDevice*) {
    // A widget that was never given a size has none yet (Qt's placeholder size is not one).
    const QSize inner = testAttribute(Qt::WA_Resized) ? size() : QSize(0, 0);
    const int w = inner.width();
    const int h = inner.height();
    // The buffer holds device pixels, so that the bar stays sharp on a scaled screen; a move to
    // a screen with another pixel ratio rebuilds it.
    const qreal ratio = devicePixelRatioF();
    const QSize held = LogicalSize(buffer_);
    const bool build = buffer_.isNull() ? (w > 0 && h > 0)
                                        : (w > held.width() || h > held.height() ||
                                           buffer_.devicePixelRatio() != ratio);
    if (!build) {
        return;
    }
    buffer_ = QImage();
    if (w > 0 && h > 0) {
        // A null image when the memory cannot be had: the control then draws directly.
        buffer_ = QImage(static_cast<int>(std::ceil(w * ratio)),
                         static_cast<int>(std::ceil(h * ratio)), QImage::Format_RGB32);
        buffer_.setDevicePixelRatio(ratio);
    }
}

void XP_ProgressBar::SetImage(const QImage& image) {
    look_.image = image;
    if (store_ != nullptr) {
        store_->PropertyChanged(QStringLiteral("Image"));
    }
    DrawProgressBar();
}

void XP_ProgressBar::SetOrientation(int orientation) {
    look_.orientation = orientation;
    DrawProgressBar();
}

void XP_ProgressBar::SetScrolling(int style) {
    look_.scrolling = style;
    DrawProgressBar();
}

void XP_ProgressBar::SetShowText(bool show) {
    look_.showText = show;
    DrawProgressBar();
}

void XP_ProgressBar::SetTextColor(Rgb color) {
    look_.textColor = XpColors::TranslateColor(color);
    DrawProgressBar();
}

void XP_ProgressBar::SetPercent(bool percent) {
    percent_ = percent;
    DrawProgressBar();
}

void XP_ProgressBar::SetValue(int value) {
    const bool changed = value != value_;
    value_ = value;
    // With Max 0 (or a result beyond 32 bits) the division fails and the old percentage stays.
    if (const auto percentage = XpGeometry::Percentage(value, max_)) {
        look_.percentage = *percentage;
    }
    DrawProgressBar();
    if (changed && QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, value_);
        QAccessible::updateAccessibility(&event);
    }
}

void XP_ProgressBar::SetText(const QString& text) {
    text_ = text;
    DrawProgressBar();
}

QString XP_ProgressBar::CaptionText() const {
    return XpGeometry::CaptionText(look_.scrolling, percent_, look_.percentage, value_, text_);
}

void XP_ProgressBar::DrawProgressBar() {
    look_.caption = CaptionText();
    if (!buffer_.isNull()) {
        QPainter painter(&buffer_);
        RenderProgressBar(painter, look_, size());
    }
    // The screen copy happens in the paint event, in one block.
    update();
}

void XP_ProgressBar::DrawLine(int x, int y, int width, int height, QPaintDevice* cHdc, Rgb color) {
    QPainter painter;
    if (cHdc == nullptr || !painter.begin(cHdc)) {
        return;
    }
    XpCanvas::Line(painter, x, y, width, height, XpColors::TranslateColor(color));
}

void XP_ProgressBar::DrawGradient(Rgb& first, Rgb& second, int x, int y, int xEnd, int yEnd,
                                  QPaintDevice* device, bool verticalLines) {
    first = XpColors::TranslateColor(first);
    second = XpColors::TranslateColor(second);
    QPainter painter;
    if (device == nullptr || !painter.begin(device)) {
        return;
    }
    XpCanvas::Gradient(painter, first, second, x, y, xEnd, yEnd, verticalLines,
                       QRect(QPoint(0, 0), LogicalSize(*device)));
}

void XP_ProgressBar::pDraw(QPaintDevice* device, int xSrc, int ySrc, int widthSrc, int heightSrc,
                           int xDst, int yDst) {
    if (buffer_.isNull() || device == nullptr) {
        return;
    }
    const QSize own = LogicalSize(buffer_);
    const int w = widthSrc > 0 ? widthSrc : own.width();
    const int h = heightSrc > 0 ? heightSrc : own.height();
    // Copying the buffer onto itself reads from a snapshot.
    const QImage source = device == &buffer_ ? buffer_.copy() : buffer_;
    QPainter painter;
    if (!painter.begin(device)) {
        return;
    }
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // The source is addressed in the buffer's device pixels.
    const qreal ratio = buffer_.devicePixelRatio();
    painter.drawImage(QPointF(xDst, yDst), source,
                      QRectF(xSrc * ratio, ySrc * ratio, w * ratio, h * ratio));
}

void XP_ProgressBar::ReadProperties(PropertyStore& store) {
    look_.brushStyle = store.ReadProperty("BrushStyle", kStoredBrushStyle).toInt();
    SetColor(store.ReadProperty("Color", kDarkGrey).toUInt());
    look_.image = store.ReadProperty("Picture").value<QImage>();
    max_ = store.ReadProperty("Max", 100).toInt();
    min_ = store.ReadProperty("Min", 0).toInt();
    look_.orientation = store.ReadProperty("Orientation", 0).toInt();
    look_.scrolling = store.ReadProperty("Scrolling", kStoredScrolling).toInt();
    look_.showText = store.ReadProperty("ShowText", kStoredShowText).toBool();
    text_ = store.ReadProperty("Text", QStringLiteral("%")).toString();
    look_.textColor = store.ReadProperty("TextColor", kWhite).toUInt();
    percent_ = store.ReadProperty("Percent", true).toBool();
    SetValue(store.ReadProperty("Value", 0).toInt());
}

void XP_ProgressBar::WriteProperties(PropertyStore& store) const {
    store.WriteProperty("BrushStyle", look_.brushStyle, kStoredBrushStyle);
    store.WriteProperty("Color", look_.color, kDarkGrey);
    store.WriteProperty("Picture", look_.image, QImage());
    store.WriteProperty("Max", max_, 100);
    store.WriteProperty("Min", min_, 0);
    store.WriteProperty("Orientation", look_.orientation, 0);
    store.WriteProperty("Scrolling", look_.scrolling, kStoredScrolling);
    store.WriteProperty("ShowText", look_.showText, kStoredShowText);
    store.WriteProperty("Text", text_, QStringLiteral("%"));
    store.WriteProperty("TextColor", look_.textColor, kWhite);
    store.WriteProperty("Percent", percent_, true);
    store.WriteProperty("Value", value_, 0);
}

bool XP_ProgressBar::event(QEvent* event) {
    if (event->type() == QEvent::ScreenChangeInternal) {
        SetHdc();
        DrawProgressBar();
    }
    return QWidget::event(event);
}

void XP_ProgressBar::paintEvent(QPaintEvent*) {
    if (!buffer_.isNull() && buffer_.devicePixelRatio() != devicePixelRatioF()) {
        // Shown at another pixel ratio than the buffer was made for.
        SetHdc();
        DrawProgressBar();
    }
    if (!buffer_.isNull()) {
        pDraw(this, 0, 0, width(), height());
        return;
    }
    QPainter painter(this);
    RenderProgressBar(painter, look_, size());
}

void XP_ProgressBar::resizeEvent(QResizeEvent*) {
    SetHdc();
    DrawProgressBar();
}
