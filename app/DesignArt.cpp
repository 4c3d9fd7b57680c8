#include "app/DesignArt.h"

#include "widgets/Controls.h"

#include <algorithm>
#include <cmath>

float revolutionLimit(float anchorRadius, float runnerRadius)
{
    constexpr float kFullDesignRevolutions = 40;
    constexpr float kRatioExponent = 0.7f;
    const float ratio = anchorRadius / runnerRadius;
    const float cap = std::floor(kFullDesignRevolutions / std::pow(ratio, kRatioExponent));
    return std::isnan(cap) ? 1.0f : std::max(1.0f, cap);
}

NestedWheels nestedWheelsOf(const QList<NestedWheelDesign>& wheels)
{
    NestedWheels nested;
    nested.count = int(std::min<qsizetype>(wheels.size(), kMostNestedWheels));
    for (int i = 0; i < nested.count; ++i) {
        const float radius = leadingNumber(wheels[i].radius);
        nested.radii[std::size_t(i)] = wheels[i].side == RunnerSide::Inside ? -radius : radius;
    }
    return nested;
}

ArtParameters artOf(const CurveDesign& curve)
{
    ArtParameters art;
    const float anchor = leadingNumber(curve.anchorRadius);
    const float runner = leadingNumber(curve.runnerRadius);
    art.anchorRadius = anchor;
    art.runnerRadius = curve.runnerSide == RunnerSide::Inside ? -runner : runner;
    art.penHoleRadius = leadingNumber(curve.penHoleRadius);
    art.penDrawSize = curve.penWidth;
    art.penColor = curve.penColor;
    art.pen2Color = curve.pen2Color;
    art.pen3Color = curve.pen3Color;
    art.numberOfColors = curve.colorsInUse;
    art.fillColor = curve.fillColor;
    art.rotationsToMake = leadingNumber(curve.revolutions);
    if (curve.limitRevolutions) {
        const float cap = revolutionLimit(anchor, runner);
        const float revolutions = std::min(art.rotationsToMake, cap);
        art.rotationsToMake = std::isnan(revolutions) ? cap : revolutions;
    }
    art.greaseIt = curve.greaseIt;
    art.closeCurve = curve.closeCurve;
    art.fillShape = curve.fillShape;
    art.colouring = curve.colouring;
    art.precise = curve.preciseCurve;
    art.nested = nestedWheelsOf(curve.nestedWheels);
    return art;
}

Composition compositionOf(const QList<CurveDesign>& curves, int selected, const ArtParameters& selectedArt)
{
    Composition composition;
    composition.curves.reserve(std::size_t(curves.size()));
    for (int i = 0; i < curves.size(); ++i) {
        const CurveDesign& curve = curves[i];
        composition.curves.push_back(
            {i == selected ? selectedArt : artOf(curve), curve.name, curve.visible, curve.turn, curve.copies, 1});
    }
    return composition;
}

Composition compositionOf(const Design& design)
{
    Composition composition = compositionOf(design.curves, 0, artOf(design.curves.first()));
    composition.background = design.background;
    return composition;
}
