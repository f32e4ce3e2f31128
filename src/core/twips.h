#pragma once

#include <cmath>

// Window measures are designed in twips; the screen has 15 twips per pixel.
inline constexpr double kTwipsPerPixel = 15.0;
inline int px(double twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}
inline double twips(int pixels) {
    return pixels * kTwipsPerPixel;
}
