#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>

class QAbstractButton;
class QLabel;
class QWidget;

// Fonts, colours and small drawings of the main window's design.
namespace window_look {

// The font named `family` ("Arial", "MS Sans Serif", ...) with metric-compatible stand-ins
// where it is missing.
QFont DesignFont(const QString& family, double points, bool bold);
// Arial, bold, at `points`.
QFont ArialBold(double points);
// The controls' own font: MS Sans Serif 8.25 pt.
QFont ControlFont();

// Fills `w`'s background with `color`.
void SetBackground(QWidget* w, const QColor& color);
// Draws `w`'s text in `color`.
void SetTextColour(QWidget* w, const QColor& color);
// Gives `w` and its children the fixed background `color` with the light design's colours
// for everything else (black text, white fields), whatever palette the desktop has.
void SetFixedBackground(QWidget* w, const QColor& color);
// Gives every control inside `frame` the light design's colours, which the window's style
// sheet keeps it from taking from its frame by itself; call it once the frame is filled.
void HandDownColours(QWidget* frame);

// `words` as a letter-spaced caption: capitals, one blank between letters, four between words
// ("Konvertierung starten" gives "K O N V E R T I E R U N G    S T A R T E N").
QString LetterSpaced(const QString& words);
// The start button's words, translated: to start ("Konvertierung starten"), to start a batch
// of several files ("Stapelverarbeitung"), and to stop a run ("Abbrechen").
QString StartWords();
QString BatchWords();
QString StopWords();

// Shows `caption` on `button`; a letter-spaced caption of the start button's words is read
// out by those words, so that a screen reader does not spell it.
void SetButtonCaption(QAbstractButton* button, const QString& caption);

// A label named `name` in the controls' font, child of `parent`.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text);

// The width left for `button`'s caption beside its check or option mark, in pixels.
int CaptionRoom(const QAbstractButton& button);
// Gives `button` the narrow face, then smaller sizes (not below 6.5 pt), until its caption
// fits beside its mark; a caption that fits keeps its font.
void FitCaption(QAbstractButton* button);

// A circular arrow, the refresh symbol, `side` pixels square, drawn in `ink`.
QIcon RefreshIcon(int side, const QColor& ink);

}  // namespace window_look
