#pragma once

// The values that define one design, as the art view holds them, and the number conversions
// that every reader of them shares.

#include "art/CurveColouring.h"
#include "art/NestedWheels.h"

#include <QColor>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// Where an art view is drawing.
enum DrawMode : int32_t {
    ScreenMode = 0,        // at the view's own size, one point per curve unit, overlays allowed
    PrintMode = 1,         // fitted into the printable area, never enlarged
    ImageExportMode = 2,   // fitted into the image, enlarged too when allowScaleUp is set
};

struct ArtParameters {
    float anchorRadius = 0;
    float runnerRadius = 0;    // negative: the runner rolls inside the anchor
    float penHoleRadius = 0;
    float penDrawSize = 0;     // in view units, never scaled with the design
    QColor penColor;           // an invalid colour is no colour: nothing is painted with it
    QColor pen2Color;
    QColor pen3Color;
    int32_t numberOfColors = 0;
    float rotationsToMake = 0;
    bool showAnchor = false;
    bool closeCurve = false;
    bool fillShape = false;
    QColor fillColor;
    float percentToDraw = 100;
    int32_t drawMode = ScreenMode;
    bool greaseIt = false;
    bool allowScaleUp = false;
    // How the pens' colours run along the curve; in Stretches mode, the three pen colours above.
    CurveColouring colouring;
    // Traced in double precision, each angle from its point's index: a closed curve meets itself.
    bool precise = false;
    // How far a chord of a precise curve may stray from it, in curve units, where an output is
    // finer than the screen (see tracedFiner); 0: the screen's steps.
    double chordError = 0;
    // Wheels rolling on the runner, the pen in the last: none unless the design adds them.
    NestedWheels nested;

    // The same design, value for value. Numbers compare by their bits, so that a design with a
    // NaN in it is still the same as itself.
    bool operator==(const ArtParameters& other) const
    {
        const auto same = [](float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; };
        return same(anchorRadius, other.anchorRadius) && same(runnerRadius, other.runnerRadius)
            && same(penHoleRadius, other.penHoleRadius) && same(penDrawSize, other.penDrawSize)
            && penColor == other.penColor && pen2Color == other.pen2Color && pen3Color == other.pen3Color
            && numberOfColors == other.numberOfColors && same(rotationsToMake, other.rotationsToMake)
            && showAnchor == other.showAnchor && closeCurve == other.closeCurve
            && fillShape == other.fillShape && fillColor == other.fillColor
            && same(percentToDraw, other.percentToDraw) && drawMode == other.drawMode
            && greaseIt == other.greaseIt && allowScaleUp == other.allowScaleUp && colouring == other.colouring
            && precise == other.precise && std::memcmp(&chordError, &other.chordError, sizeof chordError) == 0
            && nested == other.nested;
    }
    bool operator!=(const ArtParameters& other) const { return !(*this == other); }
};

// How far from the anchor's centre the curve can reach: the runner's centre travels at
// |anchor + runner| and the pen stands |pen hole| from it. Whatever fits a design into an area
// (the window, a page, an image) and the suggested image edge go by it. For a runner outside and
// a pen hole that is not negative it is the start point's distance, (anchor + runner) + pen hole.
inline float boundingRadius(float anchorRadius, float runnerRadius, float penHoleRadius)
{
    return std::fabs(anchorRadius + runnerRadius) + std::fabs(penHoleRadius);
}

// With nested wheels the pen stands further out by each of their centre distances.
inline float boundingRadius(const ArtParameters& art)
{
    if (rollingNestedWheels(art.nested, art.runnerRadius) == 0)
        return boundingRadius(art.anchorRadius, art.runnerRadius, art.penHoleRadius);
    return static_cast<float>(WheelTrain::of(art.anchorRadius, art.runnerRadius, art.penHoleRadius, art.greaseIt,
                                             art.nested).penReach());
}

// Every line is joined with mitres up to 10 widths long and bevelled past them: the view, and
// the vector export that must look the same.
constexpr double kMiterLimit = 10;

// What a fit must hold: how far the design reaches from the centre (its bounding radius) in curve
// units, and the pen's width around it in the drawing's own units, which no fit scales.
struct FitExtent {
    float radius = 0;
    float penWidth = 0;
};

// The uniform scale from curve units to a drawing area of width × height: a circle of the
// bounding radius, with half the pen's width around it, spans 2 / 2.05 of the narrower side. The
// pen is drawn in the area's own units, never scaled, so it takes its room from the design's:
// a pen too wide for the area leaves a scale of 0. Never above 1 unless `mayEnlarge`. A bounding
// radius of 0 gives no finite fit: scale 1. Every drawing and export that fits a design goes by
// it, so that they all place each point alike.
inline float fitFactor(float width, float height, float radius, float penWidth, bool mayEnlarge)
{
    constexpr double kFitMargin = 2.05;
    const double halfPen = std::isfinite(penWidth) && penWidth > 0 ? static_cast<double>(penWidth) / 2 : 0.0;
    const auto fit = [&](float side) {
        const double room = std::max(static_cast<double>(side) / kFitMargin - halfPen, 0.0);
        const auto f = static_cast<float>(room / static_cast<double>(radius));
        return mayEnlarge || std::isnan(f) ? f : std::min(f, 1.0f);
    };
    const float x = fit(width);
    const float y = fit(height);
    const float s = std::isnan(x) ? y : std::isnan(y) ? x : std::min(x, y);
    return std::isfinite(s) ? s : 1.0f;
}

// A float truncated toward zero to a 32-bit integer. A plain cast is undefined for NaN, the
// infinities and values beyond the range; here NaN gives 0 and the rest saturate.
inline int32_t truncatedToInt(float value)
{
    constexpr float kLimit = 2147483648.0f;   // 2^31, exactly representable
    if (std::isnan(value))
        return 0;
    if (value >= kLimit)
        return std::numeric_limits<int32_t>::max();
    if (value < -kLimit)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}
