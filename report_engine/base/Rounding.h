#pragma once

#include <cmath>

// Report geometry rounds to the nearest whole number with halves going to the even
// neighbour (2.5 -> 2, 3.5 -> 4); every conversion to device pixels goes through here.
inline int Round(double value) {
    return int(std::nearbyint(value));
}

// Drops the fraction (toward zero).
inline int Trunc(double value) {
    return int(std::trunc(value));
}
