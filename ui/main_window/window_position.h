#pragma once

// Placing the main window; all sizes in twips (15 twips per pixel at 96 dots per inch).
namespace window_position {

struct Position {
    long Left = 0;
    long Top = 0;
    bool operator==(const Position&) const = default;
};

// Horizontally centred, vertically centred in the upper 85 percent of the screen, never
// above or left of the screen's edge.
Position CentredPosition(double screenWidth, double screenHeight, double windowWidth,
                         double windowHeight);

}  // namespace window_position
