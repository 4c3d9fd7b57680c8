#include "art/Composition.h"

#include <algorithm>
#include <cmath>

QTransform ComposedCurve::turning() const
{
    // Curve space has y up: a counter-clockwise turn there is QTransform's rotation, which
    // turns x toward y.
    QTransform turned = std::isfinite(turn) && turn != 0 ? QTransform().rotate(turn) : QTransform();
    if (std::isfinite(scale) && scale > 0 && scale != 1)
        turned.scale(scale, scale);
    return turned;
}

float boundingRadius(const Composition& composition)
{
    float radius = 0;
    for (const ComposedCurve& curve : composition.curves)
        if (curve.visible)
            radius = std::max(radius, float(boundingRadius(curve.art) * curve.scale * largestCopyScale(curve.copies)));
    return radius;
}

float widestPen(const Composition& composition)
{
    float widest = 0;
    for (const ComposedCurve& curve : composition.curves)
        if (curve.visible && std::isfinite(curve.art.penDrawSize))
            widest = std::max(widest, curve.art.penDrawSize);
    return widest;
}

FitExtent fitExtent(const Composition& composition)
{
    return {boundingRadius(composition), widestPen(composition)};
}

bool hasVisibleCurve(const Composition& composition)
{
    return std::any_of(composition.curves.begin(), composition.curves.end(),
                       [](const ComposedCurve& curve) { return curve.visible; });
}

Composition tracedFiner(const Composition& composition, double chordError)
{
    Composition finer = composition;
    for (ComposedCurve& curve : finer.curves)
        curve.art.chordError = chordError;
    return finer;
}
