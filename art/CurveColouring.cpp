#include "art/CurveColouring.h"

#include <algorithm>
#include <cmath>

namespace {

// sRGB's transfer curve: the linear light of a channel and back.
double toLinear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double fromLinear(double light)
{
    return light <= 0.0031308 ? light * 12.92 : 1.055 * std::pow(light, 1 / 2.4) - 0.055;
}

}

std::vector<GradientStop> defaultGradientStops()
{
    return {{0, QColor(255, 0, 0)}, {1, QColor(0, 102, 204)}};
}

QColor inked(const QColor& colour, int inkOpacity)
{
    if (inkOpacity >= kOpaqueInk || !colour.isValid())
        return colour;
    QColor ink = colour;
    ink.setAlphaF(colour.alphaF() * float(std::clamp(inkOpacity, 0, kOpaqueInk)) / float(kOpaqueInk));
    return ink;
}

OklabColour toOklab(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    const double r = toLinear(rgb.redF()), g = toLinear(rgb.greenF()), b = toLinear(rgb.blueF());
    // The cone responses, each compressed by a cube root.
    const double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
    const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
    const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
    return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s, rgb.alphaF()};
}

QColor fromOklab(const OklabColour& colour)
{
    const double l = std::pow(colour.lightness + 0.3963377774 * colour.a + 0.2158037573 * colour.b, 3);
    const double m = std::pow(colour.lightness - 0.1055613458 * colour.a - 0.0638541728 * colour.b, 3);
    const double s = std::pow(colour.lightness - 0.0894841775 * colour.a - 1.2914855480 * colour.b, 3);
    const auto channel = [](double light) { return std::clamp(fromLinear(light), 0.0, 1.0); };
    return QColor::fromRgbF(static_cast<float>(channel(4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s)),
                            static_cast<float>(channel(-1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s)),
                            static_cast<float>(channel(-0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s)),
                            static_cast<float>(std::clamp(colour.alpha, 0.0, 1.0)));
}

QColor mixInOklab(const QColor& from, const QColor& to, double t)
{
    const OklabColour a = toOklab(from), b = toOklab(to);
    const auto mix = [t](double x, double y) { return x + (y - x) * t; };
    return fromOklab({mix(a.lightness, b.lightness), mix(a.a, b.a), mix(a.b, b.b), mix(a.alpha, b.alpha)});
}

QColor gradientColour(const std::vector<GradientStop>& stops, double position)
{
    if (stops.empty())
        return {};
    if (!(position > stops.front().position))
        return stops.front().colour;
    const auto after = std::find_if(stops.begin(), stops.end(), [position](const GradientStop& stop) {
        return stop.position >= position;
    });
    if (after == stops.end())
        return stops.back().colour;
    const GradientStop& before = *(after - 1);
    const double span = after->position - before.position;
    return span > 0 ? mixInOklab(before.colour, after->colour, (position - before.position) / span) : after->colour;
}

double gradientPosition(double share, int repeat, bool mirror)
{
    const int runs = std::max(repeat, 1);
    const double along = std::clamp(share, 0.0, 1.0) * runs;
    const int run = std::min(static_cast<int>(along), runs - 1);
    const double position = along - run;
    return mirror && run % 2 == 1 ? 1 - position : position;
}

QColor revolutionColour(const std::vector<GradientStop>& stops, double revolution, bool blend)
{
    if (stops.empty())
        return {};
    const double whole = std::floor(std::max(revolution, 0.0));
    const auto count = static_cast<double>(stops.size());
    const auto index = static_cast<std::size_t>(std::fmod(whole, count));
    if (!blend)
        return stops[index].colour;
    return mixInOklab(stops[index].colour, stops[(index + 1) % stops.size()].colour, revolution - whole);
}

std::vector<ColourStep> colourSteps(const CurveColouring& colouring, std::size_t points, double pointsPerRevolution)
{
    std::vector<ColourStep> steps;
    if (colouring.mode == ColourMode::Stretches || points < 2 || colouring.stops.empty())
        return steps;
    const std::size_t segments = points - 1;
    const double perRevolution = std::max(pointsPerRevolution, 1.0);
    const auto pointOf = [&](double revolutions) {
        return std::min(static_cast<std::size_t>(std::llround(revolutions * perRevolution)), segments);
    };
    if (colouring.mode == ColourMode::PerRevolution && !colouring.blend) {
        // Tracing sums its angle in floats, so a curve of whole revolutions may end a point or
        // two past the last: those belong to the revolution they end.
        constexpr std::size_t kDriftPoints = 2;
        for (std::size_t revolution = 0; pointOf(double(revolution)) < segments; ++revolution) {
            const std::size_t end = pointOf(double(revolution + 1));
            steps.push_back({pointOf(double(revolution)), end + kDriftPoints >= segments ? segments : end,
                             revolutionColour(colouring.stops, double(revolution), false)});
            if (steps.back().last == segments)
                break;
        }
        return steps;
    }
    // A run is one pass of the gradient, or one revolution's fade into the next colour.
    const double runs = colouring.mode == ColourMode::Gradient ? std::max(colouring.repeat, 1)
                                                               : std::max(std::ceil(double(segments) / perRevolution), 1.0);
    const std::size_t count = std::min(segments, static_cast<std::size_t>(runs) * kMostStepsPerRun);
    steps.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        // The first step has the colour of the curve's start, the last that of its end.
        const double share = count > 1 ? double(i) / double(count - 1) : 0;
        const QColor colour = colouring.mode == ColourMode::Gradient
            ? gradientColour(colouring.stops, gradientPosition(share, colouring.repeat, colouring.mirror))
            : revolutionColour(colouring.stops, share * double(segments) / perRevolution, true);
        steps.push_back({segments * i / count, segments * (i + 1) / count, colour});
    }
    return steps;
}
