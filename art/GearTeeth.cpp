#include "art/GearTeeth.h"

#include <cmath>
#include <numeric>

namespace {

constexpr double kTwoPi = 2 * 3.14159265358979323846;
// How near a whole count a radius must be to be taken for it, in teeth: the radius of a count
// computed and read back loses far less than this, a typed radius gains far more.
// A design holds its radii as floats, a count's radius to about 1e-5 of a tooth at 400 teeth.
constexpr double kWholeTooth = 1e-4;

}

bool isToothPitch(double pitch)
{
    return std::isfinite(pitch) && pitch > 0;
}

bool isToothCount(double teeth)
{
    return std::floor(teeth) == teeth && teeth >= kFewestTeeth && teeth <= kMostTeeth;
}

double radiusOfTeeth(int teeth, double pitch)
{
    return teeth * pitch / kTwoPi;
}

std::optional<TeethOfRadius> teethOfRadius(double radius, double pitch)
{
    const double teeth = radius * kTwoPi / pitch;
    if (!isToothPitch(pitch) || !std::isfinite(teeth) || std::fabs(teeth) > 1e15)
        return std::nullopt;
    const double nearest = std::round(teeth);
    return TeethOfRadius{static_cast<long long>(nearest), std::fabs(teeth - nearest) <= kWholeTooth};
}

std::optional<ToothClosure> toothClosure(int anchorTeeth, int runnerTeeth)
{
    if (!isToothCount(anchorTeeth) || !isToothCount(runnerTeeth))
        return std::nullopt;
    const int common = std::gcd(anchorTeeth, runnerTeeth);
    return ToothClosure{anchorTeeth / common, runnerTeeth / common};
}
