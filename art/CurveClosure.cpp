#include "art/CurveClosure.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <utility>

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

// Beyond 64 bits: products of three radii of up to 2^53 units.
__extension__ typedef __int128 Whole;

std::optional<Whole> product(Whole a, Whole b)
{
    Whole p;
    if (__builtin_mul_overflow(a, b, &p))
        return std::nullopt;
    return p;
}

Whole greatestDivisor(Whole a, Whole b)
{
    a = a < 0 ? -a : a;
    b = b < 0 ? -b : b;
    while (b != 0)
        a = std::exchange(b, a % b);
    return a;
}

// A fraction in lowest terms, its denominator positive.
struct Fraction {
    Whole numerator = 0;
    Whole denominator = 1;
};

std::optional<Fraction> fraction(Whole numerator, Whole denominator)
{
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    const Whole divisor = greatestDivisor(numerator, denominator);
    if (divisor == 0)
        return std::nullopt;
    return Fraction{numerator / divisor, denominator / divisor};
}

std::optional<Fraction> sum(const Fraction& a, const Fraction& b)
{
    const std::optional<Whole> ad = product(a.numerator, b.denominator);
    const std::optional<Whole> bd = product(b.numerator, a.denominator);
    const std::optional<Whole> d = product(a.denominator, b.denominator);
    Whole n;
    if (!ad || !bd || !d || __builtin_add_overflow(*ad, *bd, &n))
        return std::nullopt;
    return fraction(n, *d);
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

std::optional<int> closingRevolutions(float anchorRadius, float runnerRadius, float penHoleRadius,
                                      bool greaseIt, const NestedWheels& nested, int maxRevolutions)
{
    const int nestedCount = rollingNestedWheels(nested, runnerRadius);
    const auto nestedRadius = [&](int k) { return nested.radii[std::size_t(k)]; };
    bool anyRolls = false;
    for (int k = 0; k < nestedCount; ++k)
        anyRolls = anyRolls || nestedRadius(k) != 0;
    if (!anyRolls)
        return closingRevolutions(anchorRadius, runnerRadius, penHoleRadius, greaseIt, maxRevolutions);
    for (int k = 0; k < nestedCount; ++k)
        if (!std::isfinite(nestedRadius(k)))
            return std::nullopt;
    if (!std::isfinite(anchorRadius) || !std::isfinite(runnerRadius) || !std::isfinite(penHoleRadius)
        || maxRevolutions < 1)
        return std::nullopt;

    // Every radius whole, in units of the last decimal place any of them has.
    float radii[kMostWheels] = {anchorRadius, runnerRadius};
    const int wheels = 2 + nestedCount;
    for (int k = 0; k < nestedCount; ++k)
        radii[2 + k] = nestedRadius(k);
    int places = 0;
    for (int k = 0; k < wheels; ++k) {
        const std::optional<int> p = decimalPlaces(radii[k]);
        if (!p)
            return std::nullopt;
        places = std::max(places, *p);
    }
    const double scale = std::pow(10.0, places);
    Whole units[kMostWheels] = {};
    for (int k = 0; k < wheels; ++k) {
        const std::optional<int64_t> u = wholeUnits(radii[k], scale);
        if (!u)
            return std::nullopt;
        units[k] = *u;
    }

    // The arms' rates: wheel k's centre goes round at ω_(k-1) + 1, the pen at ω_n. N must make
    // each rate's denominator divide it.
    Whole revolutions = 1;
    const auto closesWith = [&](const Fraction& rate) {
        const Whole divisor = greatestDivisor(revolutions, rate.denominator);
        const std::optional<Whole> n = product(revolutions / divisor, rate.denominator);
        if (!n || *n > maxRevolutions)
            return false;
        revolutions = *n;
        return true;
    };
    Fraction turn;   // ω_0 = 0
    for (int k = 1; k < wheels; ++k) {
        const Whole under = k == 1 ? units[0] : units[k - 1] < 0 ? -units[k - 1] : units[k - 1];
        const Whole r = units[k];
        const Whole distance = k == 1 ? units[0] + r : under + r;
        if (r == 0)   // a nested wheel of radius 0 turns with its parent and adds no arm
            continue;
        const std::optional<Fraction> around = sum(turn, Fraction{1, 1});
        if (!around || (distance != 0 && !closesWith(*around)))
            return std::nullopt;
        const std::optional<Fraction> rate = fraction(greaseIt ? 2 * under : distance, r);
        const std::optional<Fraction> next = rate ? sum(turn, *rate) : std::nullopt;
        if (!next)
            return std::nullopt;
        turn = *next;
    }
    if (penHoleRadius != 0 && !closesWith(turn))
        return std::nullopt;
    return static_cast<int>(revolutions);
}
