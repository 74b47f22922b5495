#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>

#include "xp_colors.h"
#include "xp_render.h"

class PropertyStore;
class QPaintDevice;

// The owner-drawn progress bar. Every property write that changes the look draws the whole
// control into an off-screen buffer at once; painting only copies the buffer to the screen.
// Screen readers see a ProgressBar with its value (InstallProgressBarAccessibility, which
// the constructor calls) and hear of every change of Value.
class XP_ProgressBar : public QWidget {
    Q_OBJECT

public:
    using Rgb = XpColors::Rgb;

    // Creates the control with its creation values, then reads its stored properties from
    // `store` when one is given. The store must outlive the control; it hears of `Image` changes.
    explicit XP_ProgressBar(PropertyStore* store = nullptr, QWidget* parent = nullptr);
    ~XP_ProgressBar() override;

    // Hatch pattern of style 7 (0..5); write only, no redraw.
    void SetBrushStyle(int style) { look_.brushStyle = style; }

    // Bar colour as RGB. Writing translates a system colour to RGB, stores it and redraws.
    Rgb Color() const { return look_.color; }
    void SetColor(Rgb color);

    // Caption font; writing stores it without a redraw.
    QFont Font() const { return look_.font; }
    void SetFont(const QFont& font) { look_.font = font; }

    // The window the control belongs to; this widget unless written otherwise.
    QWidget* hwnd() const { return hwnd_; }
    void SetHwnd(QWidget* window) { hwnd_ = window; }

    // Where the control draws: its off-screen buffer, or the widget itself when it has none.
    QPaintDevice* hdc();
    // Makes the buffer fit the control: rebuilt only when the control outgrew it or its device
    // pixel ratio changed, built when there is none and both sides are above 0. The argument is
    // not kept.
    void SetHdc(QPaintDevice* ignored = nullptr);

    // Picture of style 8; a null image when absent. Writing stores it, reports "Image" to the
    // store and redraws.
    QImage Image() const { return look_.image; }
    void SetImage(const QImage& image);

    // Kept and stored only; takes no part in any computation.
    int Min() const { return min_; }
    void SetMin(int min) { min_ = min; }

    // The value meaning 100 %; writing neither redraws nor works out a new percentage.
    int Max() const { return max_; }
    void SetMax(int max) { max_ = max; }

    // 0 horizontal, anything else vertical (segmented styles only). Writing redraws.
    int Orientation() const { return look_.orientation; }
    void SetOrientation(int orientation);

    // Drawing style 0..8. Writing redraws.
    int Scrolling() const { return look_.scrolling; }
    void SetScrolling(int style);

    // Whether the caption is drawn. Writing redraws.
    bool ShowText() const { return look_.showText; }
    void SetShowText(bool show);

    // Caption colour as RGB; writing translates, stores and redraws.
    Rgb TextColor() const { return look_.textColor; }
    void SetTextColor(Rgb color);

    // Whether the caption shows the percentage rather than `Value` and `Text`. Writing redraws.
    bool Percent() const { return percent_; }
    void SetPercent(bool percent);

    // The progress value. Writing works out the percentage (Value * 100 / Max, halves to even;
    // with Max 0 the old percentage stays), redraws, and tells assistive technology when the
    // value changed.
    int Value() const { return value_; }
    void SetValue(int value);

    // Unit text of the caption when `Percent` is false. Writing redraws.
    QString Text() const { return text_; }
    void SetText(const QString& text);

    // The current caption text.
    QString CaptionText() const;

    // The derived percentage.
    int Percentage() const { return look_.percentage; }

    // Draws the whole control into `hdc` now and asks for the screen to be brought up to date.
    void DrawProgressBar();

    // A line in `color` (system colours translated) from (x, y) to the end point
    // (width, height), the end point left out, drawn into `cHdc`.
    void DrawLine(int x, int y, int width, int height, QPaintDevice* cHdc, Rgb color);

    // The gradient from `first` to `second` (both translated and written back) into `device`;
    // see XpCanvas::Gradient for the lines.
    void DrawGradient(Rgb& first, Rgb& second, int x, int y, int xEnd, int yEnd,
                      QPaintDevice* device, bool verticalLines);

    // Copies WidthSrc x HeightSrc (logical) pixels of the buffer from (xSrc, ySrc) to (xDst, yDst)
    // in `device`; a size not above 0 means the buffer's own. Nothing without a buffer.
    void pDraw(QPaintDevice* device, int xSrc = 0, int ySrc = 0, int widthSrc = 0,
               int heightSrc = 0, int xDst = 0, int yDst = 0);

    // Reads the stored properties from `store`; a missing one takes its stored default.
    void ReadProperties(PropertyStore& store);
    // Writes the stored properties to `store`; a value equal to its default is not stored.
    void WriteProperties(PropertyStore& store) const;

    // The off-screen buffer (null when there is none); it may be larger than the control. It
    // holds device pixels at the control's device pixel ratio; painters on it use logical ones.
    const QImage& Buffer() const { return buffer_; }
    // Everything the drawing pass uses.
    const ProgressLook& Look() const { return look_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    PropertyStore* store_ = nullptr;
    QWidget* hwnd_ = nullptr;
    QImage buffer_;
    ProgressLook look_;
    int min_ = 0;
    int max_ = 100;
    int value_ = 0;
    bool percent_ = true;
    QString text_ = QStringLiteral("%");
};
