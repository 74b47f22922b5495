#include "ultrabox_markup.h"

#include <array>

namespace UltraBoxMarkup {

namespace {

// The codes in the order in which StripMarkup removes them.
constexpr std::array<char, 15> kCodeChars = {'0', '1', '2', '3', '4', '5', '6', '7',
                                             '8', '9', 'i', 'b', 'u', 'n', 'r'};

}  // namespace

int MarkupCode(QChar c) {
    switch (c.unicode()) {
        case '0':
            return 0x808000;
        case '1':
            return 0x000000;
        case '2':
            return 0xFFFFFF;
        case '3':
            return 0x0000FF;
        case '4':
            return 0xFF0000;
        case '5':
            return 0x00FF00;
        case '6':
            return 0x00FFFF;
        case '7':
            return 0xC0C0C0;
        case '8':
            return 0x0080FF;
        case '9':
            return 0x800080;
        case 'i':
            return kItalicOn;
        case 'b':
            return kBoldOn;
        case 'u':
            return kUnderlineOn;
        case 'n':
            return kStylesOff;
        case 'r':
            return kColorReset;
        default:
            return kNotACode;
    }
}

QString LiteralShown(const QString& text) {
    QString shown = text;
    for (QChar& c : shown) {
        const char16_t code = c.unicode();
        if (code == '\t') {
            c = QChar(char16_t{0x21E5});  // the tab key's arrow
        } else if (code == '\n' || code == '\r' || code == '\v' || code == '\f' || code == 0x2028 ||
                   code == 0x2029) {
            c = QChar(char16_t{0x21B5});  // the return key's arrow
        } else if (code < 0x20 || code == 0x7F) {
            c = QChar(char16_t{0xFFFD});
        }
    }
    return shown;
}

QString StripMarkup(const QString& text) {
    if (!text.contains(QLatin1Char('}'))) {
        return text;
    }
    QString result = text;
    for (char code : kCodeChars) {
        const QChar pair[2] = {QLatin1Char('}'), QLatin1Char(code)};
        result.replace(QString(pair, 2), QString(), Qt::CaseSensitive);
    }
    return result;
}

QStringList SplitPieces(const QString& text) {
    return text.split(QLatin1Char('}'), Qt::KeepEmptyParts);
}

QList<Run> Runs(const QString& text) {
    const QStringList pieces = SplitPieces(text);
    QList<Run> runs;
    for (int i = 0; i < pieces.size(); ++i) {
        const QString& piece = pieces[i];
        if (piece.isEmpty()) {
            continue;
        }
        const int code = i > 0 ? MarkupCode(piece[0]) : kNotACode;
        runs.append({code, code == kNotACode ? piece : piece.mid(1)});
    }
    return runs;
}

void ApplyStyle(int code, QFont& font) {
    switch (code) {
        case kItalicOn:
            font.setItalic(true);
            break;
        case kBoldOn:
            font.setBold(true);
            break;
        case kUnderlineOn:
            font.setUnderline(true);
            break;
        case kStylesOff:
            ClearStyles(font);
            break;
        default:
            break;
    }
}

void ClearStyles(QFont& font) {
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
}

}  // namespace UltraBoxMarkup
