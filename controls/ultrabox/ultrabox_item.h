#pragma once

#include <QImage>
#include <QString>

#include <cstdint>

// A colour as the control keeps it: RGB with red in the lowest byte; values with the
// top bit set name a system colour by its index in the low byte.
using OleColor = std::uint32_t;

// The colour argument value that asks for the control's default colour (-1).
inline constexpr OleColor kDefaultColor = 0xFFFFFFFFu;

// One entry of the item list.
struct UltraBoxItem {
    QString Text;  // as stored, markup included
    bool Selected = false;
    OleColor HColor = 0;  // highlight back colour when selected
    OleColor FColor = 0;  // text colour
    OleColor BColor = 0;  // back colour
    OleColor HText = 0;   // text colour when selected
    bool UseCheckBox = false;
    bool UseOptionBox = false;
    std::int16_t CheckState = 0;
    std::int16_t OptionState = 0;
    std::int32_t OptionGroup = 0;
    bool Enabled = false;
    bool UseProgressBar = false;
    std::int32_t ProgressMax = 0;
    std::int32_t ProgressValue = 0;
    OleColor ProgressColor = 0;
    std::int32_t TextFormat = 0;  // 0 left, 1 centred, 2 right
    std::int32_t FocusLost = 0;
    QImage Picture;                       // null: no picture
    OleColor TransColor = kDefaultColor;  // picture colour shown as transparent; -1 none
    QString TransPixels;                  // "x,y,x,y," cache of the transparent pixels
    bool TransPixelsValid = false;
    bool SavedEnabled = false;
    // Shown as it stands: no markup codes, no mnemonics, control characters as symbols.
    // For texts the user chose, such as file names.
    bool Literal = false;
    std::int64_t Data = 0;  // the host's own value; travels with the entry when sorted
    // The colour is the control's default, the desktop palette's window text, highlight text
    // or highlight; it follows the palette when that changes.
    bool PaletteFColor = false;
    bool PaletteHText = false;
    bool PaletteHColor = false;

    bool operator==(const UltraBoxItem&) const = default;
};
