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

// `text` split at every brace; piece 0 is the text before the first brace.
QStringList SplitPieces(const QString& text);

// Applies a style command (kItalicOn .. kStylesOff) to `font`; other values leave it.
void ApplyStyle(int code, QFont& font);

// Switches bold, italic and underline of `font` off.
void ClearStyles(QFont& font);

}  // namespace UltraBoxMarkup
