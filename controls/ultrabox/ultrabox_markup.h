#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

// Inline markup of entry texts: "}" followed by one code character switches the text
// colour or the bold, italic and underline styles for the rest of the text.
namespace UltraBoxMarkup {

inline constexpr int kNotACode = -1;
inline constexpr int kItalicOn = -2;
inline constexpr int kBoldOn = -3;
inline constexpr int kUnderlineOn = -4;
inline constexpr int kStylesOff = -5;
inline constexpr int kColorReset = -6;

// The value of the code character `c`: a colour (0 or greater), a style command
// (kItalicOn .. kColorReset), or kNotACode. Case-sensitive.
int MarkupCode(QChar c);

// `text` with every two-character code removed; other braces stay.
QString StripMarkup(const QString& text);

// `text` as a literal entry draws it on one line: a tab becomes "⇥", a line end (and the
// Unicode line and paragraph separators) "↵", any other control character "�"; the
// common fonts hold all three.
QString LiteralShown(const QString& text);

// `text` split at every brace; piece 0 is the text before the first brace.
QStringList SplitPieces(const QString& text);

// One non-empty piece of a marked-up text: the code it starts with (kNotACode for the
// first piece and for a brace without a code) and the text it shows.
struct Run {
    int code = kNotACode;
    QString shown;
    bool operator==(const Run&) const = default;
};

// The non-empty pieces of `text` in order, each with its code and shown text.
QList<Run> Runs(const QString& text);

// Applies a style command (kItalicOn .. kStylesOff) to `font`; other values leave it.
void ApplyStyle(int code, QFont& font);

// Switches bold, italic and underline of `font` off.
void ClearStyles(QFont& font);

}  // namespace UltraBoxMarkup
