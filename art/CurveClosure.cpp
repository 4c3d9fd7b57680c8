#include "art/CurveClosure.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

namespace {

// Beyond six places a float no longer tells one decimal from the next at the radii drawn.
constexpr int kMostDecimalPlaces = 6;
// Whole numbers up to 2^53 are exact in a double, and twice one still fits an int64.
constexpr double kLargestExactWhole = 9007199254740992.0;

// radius × scale, rounded to a whole number, while a double holds it exactly.
std::optional<int64_t> wholeUnits(float radius, double scale)
{
    const double units = std::round(double(radius) * scale);
    if (std::fabs(units) > kLargestExactWhole)
        return std::nullopt;
    return static_cast<int64_t>(units);
}

// The fewest places of a decimal whose nearest float is `radius`.
std::optional<int> decimalPlaces(float radius)
{
    double scale = 1;
    for (int places = 0; places <= kMostDecimalPlaces; ++places, scale *= 10) {
        const std::optional<int64_t> units = wholeUnits(radius, scale);
        if (!units)
            return std::nullopt;
        if (static_cast<float>(double(*units) / scale) == radius)
            return places;
    }
    return std::nullopt;
}

}

std::optional<int> closingRevolutions(float anchorRadius, float runnerRadius, float penHoleRadius,
                                      bool greaseIt, int maxRevolutions)
{
    const bool finite = std::isfinite(anchorRadius) && std::isfinite(runnerRadius) && std::isfinite(penHoleRadius);
    if (!finite || runnerRadius == 0 || maxRevolutions < 1)
        return std::nullopt;
    if (penHoleRadius == 0)
        return 1;
    const std::optional<int> anchorPlaces = decimalPlaces(anchorRadius);
    const std::optional<int> runnerPlaces = decimalPlaces(runnerRadius);
    if (!anchorPlaces || !runnerPlaces)
        return std::nullopt;
    // In units of the last decimal place either radius has, both radii are whole.
    const double scale = std::pow(10.0, std::max(*anchorPlaces, *runnerPlaces));
    const std::optional<int64_t> anchor = wholeUnits(anchorRadius, scale);
    const std::optional<int64_t> runner = wholeUnits(runnerRadius, scale);
    if (!anchor || !runner)
        return std::nullopt;
    // k = turn / runner in lowest terms has the denominator |runner| / gcd(turn, runner): the
    // least N that makes k·N whole. A turn of 0 (k = 0) gives 1.
    const int64_t turn = greaseIt ? 2 * *anchor : *anchor + *runner;
    const int64_t revolutions = std::abs(*runner) / std::gcd(turn, *runner);
    if (revolutions > maxRevolutions)
        return std::nullopt;
    return static_cast<int>(revolutions);
}
