#include "window_position.h"

#include <cmath>

namespace window_position {
namespace {
// Whole numbers as the layout arithmetic rounds them: halves to even.
long Round(double v) {
    return std::lrint(v);
}
}  // namespace

Position CentredPosition(double screenWidth, double screenHeight, double windowWidth,
                         double windowHeight) {
    Position p;
    p.Top = Round(screenHeight * 0.85) / 2 - Round(windowHeight) / 2;
    p.Left = Round(screenWidth) / 2 - Round(windowWidth) / 2;
    if (p.Top < 0) {
        p.Top = 0;
    }
    if (p.Left < 0) {
        p.Left = 0;
    }
    return p;
}

}  // namespace window_position
