#include "art/CurveCopies.h"

#include "art/Composition.h"
#include "art/CurveClosure.h"

#include <algorithm>
#include <vector>

QColor hueShifted(const QColor& colour, double degrees)
{
    if (!colour.isValid() || degrees == 0 || !std::isfinite(degrees))
        return colour;
    const QColor hsl = colour.toHsl();
    if (hsl.hslHueF() < 0)   // a grey has no hue to turn
        return colour;
    const double turned = std::fmod(double(hsl.hslHueF()) + degrees / 360.0, 1.0);
    return QColor::fromHslF(float(turned < 0 ? turned + 1 : turned), hsl.hslSaturationF(), hsl.lightnessF(),
                            hsl.alphaF())
        .toRgb();
}

ArtParameters copyArt(const ArtParameters& art, const CurveCopies& copies, int k)
{
    const double degrees = copies.hueStep * k;
    if (degrees == 0 || !std::isfinite(degrees))
        return art;
    ArtParameters copy = art;
    for (QColor* colour : {&copy.penColor, &copy.pen2Color, &copy.pen3Color, &copy.fillColor})
        *colour = hueShifted(*colour, degrees);
    for (GradientStop& stop : copy.colouring.stops)
        stop.colour = hueShifted(stop.colour, degrees);
    return copy;
}

double largestCopyScale(const CurveCopies& copies)
{
    const double scale = copies.scale;
    if (!std::isfinite(scale) || scale <= 0 || copies.count <= 1)
        return 1;
    return std::max(1.0, std::pow(scale, copies.count - 1));
}

int copyCount(const ComposedCurve& curve)
{
    return std::clamp(curve.copies.count, 1, CurveCopies::kMost);
}

ComposedCurve copyOf(const ComposedCurve& curve, int k)
{
    ComposedCurve copy = curve;
    copy.copies = CurveCopies();
    if (copyCount(curve) == 1)
        return copy;
    const double factor = std::isfinite(curve.copies.scale) && curve.copies.scale > 0 ? curve.copies.scale : 1.0;
    copy.art = copyArt(curve.art, curve.copies, k);
    copy.art.showAnchor = curve.art.showAnchor && k == 0;
    copy.turn = curve.turn + curve.copies.step() * k;
    copy.scale = curve.scale * std::pow(factor, k);
    return copy;
}

Composition laidOutCopies(const Composition& composition)
{
    Composition laid;
    laid.background = composition.background;
    for (const ComposedCurve& curve : composition.curves)
        for (int k = 0; k < copyCount(curve); ++k)
            laid.curves.push_back(copyOf(curve, k));
    return laid;
}

double symmetryDegrees(const ArtParameters& art)
{
    // The pen is (a + r)·e^(it) + p·e^(ikt): a shift of t that turns both terms alike turns the
    // whole curve, and those turns are the multiples of a full turn over |k - 1|·N, N the
    // revolutions it closes after.
    constexpr double kFullTurn = 360;
    constexpr int kMostRevolutions = 1000;
    if (rollingNestedWheels(art.nested, art.runnerRadius) > 0 || art.runnerRadius == 0 || art.penHoleRadius == 0)
        return kFullTurn;
    const std::optional<int> revolutions =
        closingRevolutions(art.anchorRadius, art.runnerRadius, art.penHoleRadius, art.greaseIt, kMostRevolutions);
    if (!revolutions)
        return kFullTurn;
    const double a = art.anchorRadius, r = art.runnerRadius;
    const double k = art.greaseIt ? 2 * a / r : (a + r) / r;
    const double lobes = std::fabs(k - 1) * *revolutions;
    const double whole = std::round(lobes);
    return whole >= 1 && std::fabs(lobes - whole) < 1e-6 ? kFullTurn / whole : kFullTurn;
}

int coincidingCopies(const CurveCopies& copies, double symmetryDegrees)
{
    if (copies.count <= 1 || (std::isfinite(copies.scale) && copies.scale != 1) || !(symmetryDegrees > 0))
        return 0;
    // A turn is reduced to the symmetry: copies at the same remainder coincide.
    constexpr double kSameTurn = 1e-6;
    std::vector<double> seen;
    int coinciding = 0;
    for (int k = 0; k < copies.count; ++k) {
        double at = std::fmod(copies.step() * k, symmetryDegrees);
        if (at < 0)
            at += symmetryDegrees;
        const bool earlier = std::any_of(seen.begin(), seen.end(), [&](double other) {
            const double apart = std::fabs(at - other);
            return std::min(apart, symmetryDegrees - apart) < kSameTurn;
        });
        if (earlier)
            ++coinciding;
        else
            seen.push_back(at);
    }
    return coinciding;
}
