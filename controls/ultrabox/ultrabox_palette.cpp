// The colours the list draws with: the defaults, which follow the desktop's palette, and the
// backgrounds its texts lie on, which decide how a system colour is drawn.
#include <QEvent>

#include "ultrabox.h"

void UltraBox::ResolveDefaultColors() {
    using UltraBoxColors::Resolve;
    using UltraBoxColors::SystemColor;
    foreColorDefault_ = Resolve(SystemColor(UltraBoxColors::kWindowText), palette());
    hTextDefault_ = Resolve(SystemColor(UltraBoxColors::kHighlightText), palette());
    hColorDefault_ = Resolve(SystemColor(UltraBoxColors::kHighlight), palette());
}

void UltraBox::PaletteChanged() {
    ResolveDefaultColors();
    for (UltraBoxItem& item : items_) {
        item.FColor = item.PaletteFColor ? foreColorDefault_ : item.FColor;
        item.HText = item.PaletteHText ? hTextDefault_ : item.HText;
        item.HColor = item.PaletteHColor ? hColorDefault_ : item.HColor;
    }
    RepaintIfPainting();
}

void UltraBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        PaletteChanged();
    }
    QWidget::changeEvent(event);
}

UltraBoxColors::Backdrop UltraBox::CurrentBackdrop(const UltraBoxItem& item) const {
    if (item.UseProgressBar) {
        return {};  // the text lies on the inverted bar
    }
    if (selectStyle_ != 1 || fillView_ == 1) {
        return UltraBoxColors::BackdropOf(item.HColor, palette(), item.PaletteHColor);
    }
    return OrBackdrop(item);
}

UltraBoxColors::Backdrop UltraBox::ClientBackdrop() const {
    if (color_ != 0 && (backPicture_.isNull() || fillView_ == 1)) {
        return UltraBoxColors::BackdropOf(color_, palette());
    }
    if (!backPicture_.isNull()) {
        return {};
    }
    return {false, UltraBoxColors::ToQColor(UltraBoxColors::kSurfaceBack, palette())};
}

UltraBoxColors::Backdrop UltraBox::OrBackdrop(const UltraBoxItem& item) const {
    // The highlight ORed onto the client background makes a colour of neither palette.
    const UltraBoxColors::Backdrop client = ClientBackdrop();
    if (!client.color.isValid()) {
        return {};
    }
    const OleColor under = UltraBoxColors::FromQColor(client.color);
    const OleColor ored = UltraBoxColors::Resolve(item.HColor, palette()) | under;
    return {false, UltraBoxColors::ToQColor(ored, palette())};
}

OleColor UltraBox::TextFColor(const UltraBoxItem& item) {
    return item.PaletteFColor ? UltraBoxColors::SystemColor(UltraBoxColors::kWindowText)
                              : item.FColor;
}

OleColor UltraBox::TextHTextColor(const UltraBoxItem& item) {
    return item.PaletteHText ? UltraBoxColors::SystemColor(UltraBoxColors::kHighlightText)
                             : item.HText;
}
