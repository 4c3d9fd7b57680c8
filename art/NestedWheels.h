#pragma once

// Wheels beyond the runner: a wheel rolling on the runner, and one more rolling on that, the pen
// in the last of them. Here is how they move, the one account of it that the trace, the overlay
// of the wheels and the reach of a design all read. Pure C++: no Qt.
//
// Wheel 0 is the anchor (radius A, fixed), wheel 1 the runner (signed radius r1), wheels 2 and 3
// the nested ones (signed radii, negative rolling inside the wheel before). θ is the orbit angle,
// the runner's trip round the anchor; ψ_k is wheel k's angle, ψ_0 = 0.
// - Wheel k's centre stands d_k from wheel k-1's: d_1 = A + r1, d_k = |r_(k-1)| + r_k.
// - It goes once round wheel k-1's centre a revolution, as seen from that wheel: at the angle
//   α_k = ψ_(k-1) + θ, so c_0 = 0 and c_k = c_(k-1) + d_k·e^(iα_k).
// - Rolling without slipping, it turns by its centre's travel over its radius:
//   ψ_k = ψ_(k-1) + (d_k / r_k)·θ. Greased, it slips as a greased runner does, by twice the
//   radius it rolls on: ψ_k = ψ_(k-1) + (2·|r_(k-1)| / r_k)·θ, the anchor's radius read as A.
//   For the runner both are the two-wheel curve's turn ratios, (A + r1)/r1 and 2A/r1.
// - A nested wheel of radius 0 has no rim: it rides at its parent's centre and turns with it.
//   Nested wheels of radius 0 leave the two-wheel curve.
// - The pen stands P (the pen hole) from the last wheel's centre, along that wheel's angle.
// Every angle is a multiple of θ, ψ_k = ω_k·θ, so the pen is a sum of arms turning steadily:
//   pen(θ) = Σ_k d_k·e^(i(ω_(k-1) + 1)θ) + P·e^(iω_n·θ).

#include <array>
#include <cstring>

struct CurveParameters;

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

// How many nested wheels roll. None on a runner of radius 0: it turns infinitely fast, and its
// curve is its first point, as it is without them. A count out of range holds as many as fit.
int rollingNestedWheels(const NestedWheels& nested, float runnerRadius);

// One wheel where the orbit has brought it.
struct WheelPlace {
    double x = 0, y = 0;   // its centre
    double angle = 0;      // how far it has turned, counter-clockwise
    double radius = 0;     // signed, as given
};

// Every wheel, the anchor first, and the pen, at one orbit angle.
struct WheelsAt {
    int count = 0;
    std::array<WheelPlace, kMostWheels> wheels{};
    double penX = 0, penY = 0;
};

// The wheels of one design and the rates they turn at: made once, read at any orbit angle.
struct WheelTrain {
    int count = 2;                                     // the anchor, the runner, the nested wheels
    std::array<double, kMostWheels> radius{};          // signed; [0] is the anchor's
    std::array<double, kMostWheels> centreDistance{};  // d_k, from wheel k-1's centre; [0] is 0
    std::array<double, kMostWheels> turnRate{};        // ω_k, radians turned per radian of orbit
    double penHole = 0;

    static WheelTrain of(float anchorRadius, float runnerRadius, float penHoleRadius, bool greaseIt,
                         const NestedWheels& nested);

    WheelsAt at(double orbit) const;
    // The largest |ω_k| of the rolling wheels: the trace's pace is set by it. NaN stays NaN.
    double fastestTurn() const;
    // The furthest the pen can stand from the anchor's centre: Σ|d_k| + |P|.
    double penReach() const;
    // The furthest any rolling wheel's rim can reach: a wheel's centre distances and its radius.
    double rimReach() const;
};

WheelTrain wheelTrain(const CurveParameters& p);
WheelsAt wheelsAt(const CurveParameters& p, double orbit);
