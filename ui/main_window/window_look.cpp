#include "window_look.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QRadioButton>
#include <QStyle>

#include <QCoreApplication>

#include <algorithm>

#include "system_colors.h"

namespace window_look {

// Fonts by their design names, with metric-compatible fallbacks where those are missing.
QFont DesignFont(const QString& family, double points, bool bold) {
    QFont font;
    if (family == QLatin1String("Arial")) {
        font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                          QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    } else {
        font.setFamilies({family, QStringLiteral("Microsoft Sans Serif"),
                          QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    }
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont ArialBold(double points) {
    return DesignFont(QStringLiteral("Arial"), points, true);
}

void SetBackground(QWidget* w, const QColor& color) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, color);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

void SetTextColour(QWidget* w, const QColor& color) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, color);
    pal.setColor(QPalette::ButtonText, color);
    w->setPalette(pal);
}

namespace {

// The design's light palette with `window` as its background, every role set, so that none
// falls back to the desktop's: a dark desktop would give white text on a light background.
QPalette DesignColours(const QColor& window) {
    const QPalette& design = system_colors::DesignPalette();
    QPalette pal;
    for (int g = 0; g < QPalette::NColorGroups; ++g) {
        const auto group = static_cast<QPalette::ColorGroup>(g);
        for (int r = 0; r < QPalette::NColorRoles; ++r) {
            const auto role = static_cast<QPalette::ColorRole>(r);
            pal.setColor(group, role,
                         role == QPalette::Window ? window : design.color(group, role));
        }
    }
    return pal;
}

}  // namespace

void SetFixedBackground(QWidget* w, const QColor& color) {
    w->setPalette(DesignColours(color));
    w->setAutoFillBackground(true);
}

void HandDownColours(QWidget* frame) {
    // The controls draw their marks from the palette's own background, as on a light desktop.
    const QPalette pal = DesignColours(system_colors::DesignPalette().color(QPalette::Window));
    for (QWidget* child : frame->findChildren<QWidget*>()) {
        child->setPalette(pal);
    }
}

QString LetterSpaced(const QString& words) {
    QString spaced;
    for (const QString& word : words.toUpper().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!spaced.isEmpty()) {
            spaced += QStringLiteral("    ");
        }
        for (const QChar c : word) {
            if (!spaced.isEmpty() && !spaced.endsWith(QLatin1Char(' '))) {
                spaced += QLatin1Char(' ');
            }
            spaced += c;
        }
    }
    return spaced;
}

namespace {

constexpr const char* kStartWords = QT_TRANSLATE_NOOP("MainWindow", "Konvertierung starten");
constexpr const char* kBatchWords = QT_TRANSLATE_NOOP("MainWindow", "Stapelverarbeitung");
constexpr const char* kStopWords = QT_TRANSLATE_NOOP("MainWindow", "Abbrechen");

// The words a letter-spaced caption spells; empty for any other caption.
QString SpokenWords(const QString& caption) {
    for (const char* words : {kStartWords, kBatchWords, kStopWords}) {
        const QString translated = QCoreApplication::translate("MainWindow", words);
        if (caption == LetterSpaced(translated) ||
            caption == LetterSpaced(QString::fromUtf8(words))) {
            return translated;
        }
    }
    return {};
}

}  // namespace

QString StartWords() {
    return QCoreApplication::translate("MainWindow", kStartWords);
}

QString BatchWords() {
    return QCoreApplication::translate("MainWindow", kBatchWords);
}

QString StopWords() {
    return QCoreApplication::translate("MainWindow", kStopWords);
}

void SetButtonCaption(QAbstractButton* button, const QString& caption) {
    button->setText(caption);
    button->setAccessibleName(SpokenWords(caption));
}

int CaptionRoom(const QAbstractButton& button) {
    const bool radio = qobject_cast<const QRadioButton*>(&button) != nullptr;
    const QStyle* style = button.style();
    const int indicator = style->pixelMetric(
        radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth, nullptr, &button);
    const int spacing = style->pixelMetric(
        radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing, nullptr,
        &button);
    return button.width() - indicator - spacing;
}

// Where a design font is wider than the one the layout was drawn with, a caption would be
// cut off at its box: take the narrow face, then smaller sizes, until it fits.
void FitCaption(QAbstractButton* button) {
    QFont font = button->font();
    const auto fits = [button](const QFont& f) {
        return QFontMetrics(f).horizontalAdvance(button->text()) <= CaptionRoom(*button);
    };
    if (fits(font)) {
        return;
    }
    QStringList families = font.families();
    families.prepend(QStringLiteral("Liberation Sans Narrow"));
    families.prepend(QStringLiteral("Arial Narrow"));
    font.setFamilies(families);
    while (!fits(font) && font.pointSizeF() > 6.5) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    button->setFont(font);
}

// A circular arrow, the refresh symbol, for systems without the Webdings font.
QIcon RefreshIcon(int side, const QColor& ink) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double pen = std::max(1.5, side / 8.0);
    const QRectF ring(pen + 1, pen + 1, side - 2 * pen - 2, side - 2 * pen - 2);
    QPainterPath arc;
    arc.arcMoveTo(ring, 60);
    arc.arcTo(ring, 60, 290);
    painter.setPen(QPen(ink, pen, Qt::SolidLine, Qt::FlatCap));
    painter.drawPath(arc);
    // Arrow head at the arc's start, pointing along the turn.
    const QPointF tip = arc.pointAtPercent(0);
    const double head = side / 3.0;
    QPainterPath arrow;
    arrow.moveTo(tip + QPointF(head * 0.9, -head * 0.1));
    arrow.lineTo(tip + QPointF(-head * 0.3, -head * 0.6));
    arrow.lineTo(tip + QPointF(-head * 0.1, head * 0.7));
    arrow.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawPath(arrow);
    return QIcon(pixmap);
}

QFont ControlFont() {
    return DesignFont(QStringLiteral("MS Sans Serif"), 8.25, false);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(ControlFont());
    return l;
}

}  // namespace window_look
