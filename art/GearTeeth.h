#pragma once

// Wheels by their teeth, as a toy kit's rings and wheels are sold: a tooth count and a pitch (how
// far a wheel rolls per tooth) give a radius, and two counts tell, in whole numbers, how the curve
// closes. Pure arithmetic: no Qt.

#include <optional>

constexpr int kFewestTeeth = 8;
constexpr int kMostTeeth = 400;

// Drawing units of rolling per tooth, unless the user sets another: the 96-tooth ring is then as
// large as the default design's anchor, of radius 160.
constexpr double kDefaultToothPitch = 2 * 3.14159265358979323846 * 160 / 96;

// Whether `pitch` can turn teeth into radii: a positive finite number.
bool isToothPitch(double pitch);

// Whether `teeth` is a tooth count a wheel can have: a whole number from kFewestTeeth to kMostTeeth.
bool isToothCount(double teeth);

// The radius of a wheel of `teeth` teeth: its circumference is teeth × pitch.
double radiusOfTeeth(int teeth, double pitch);

// A radius as a tooth count: the nearest whole count, and whether the radius is that count's
// (to a ten-thousandth of a tooth, so that a count's radius held as a float is whole). No count for a radius that is not finite or a pitch that is none.
struct TeethOfRadius {
    long long teeth = 0;
    bool whole = false;
};
std::optional<TeethOfRadius> teethOfRadius(double radius, double pitch);

// How a curve of two toothed wheels closes: the runner meets its starting tooth again after
// `turns` trips round the anchor, having drawn `petals` petals (the anchor's teeth over their
// greatest common divisor; the runner's likewise for the turns). "24 petals; closes after 5 turns
// of the wheel."
struct ToothClosure {
    int petals = 0;
    int turns = 0;
};
// Empty unless both are tooth counts.
std::optional<ToothClosure> toothClosure(int anchorTeeth, int runnerTeeth);
