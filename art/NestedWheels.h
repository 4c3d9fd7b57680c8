#pragma once

// Wheels beyond the runner: a wheel rolling on the runner, and one more rolling on that, the pen
// in the last of them. Pure C++: no Qt.

#include <array>
#include <cstring>

// The anchor, the runner and the nested wheels together.
constexpr int kMostWheels = 4;
constexpr int kMostNestedWheels = kMostWheels - 2;

struct NestedWheels {
    int count = 0;   // 0 (the runner carries the pen) to kMostNestedWheels
    // Each wheel's radius, signed as the runner's: negative rolls inside the wheel before it.
    std::array<float, kMostNestedWheels> radii{};

    // Value for value; radii compare by their bits, so a NaN is still the same as itself.
    bool operator==(const NestedWheels& other) const
    {
        if (count != other.count)
            return false;
        for (int i = 0; i < count && i < kMostNestedWheels; ++i) {
            if (std::memcmp(&radii[std::size_t(i)], &other.radii[std::size_t(i)], sizeof(float)) != 0)
                return false;
        }
        return true;
    }
    bool operator!=(const NestedWheels& other) const { return !(*this == other); }
};
