#include "art/PenColourSteps.h"

#include <algorithm>

namespace {

// The points of the whole curve's pen line: the start point, every point traced and, when the
// curve closes, the start point again.
std::size_t wholeLinePoints(const CurveParameters& traced, std::size_t linePoints)
{
    if (traced.percentToDraw >= 100)
        return linePoints;
    CurveParameters whole = traced;
    whole.percentToDraw = 100;
    return 1 + estimatedPointCount(whole) + (whole.closeCurve ? 1 : 0);
}

}

std::vector<ColourStep> penColourSteps(const ArtParameters& art, const CurveParameters& traced, std::size_t linePoints)
{
    if (art.colouring.mode == ColourMode::Stretches || linePoints < 2)
        return {};
    const std::size_t whole = std::max(wholeLinePoints(traced, linePoints), linePoints);
    std::vector<ColourStep> steps = colourSteps(art.colouring, whole, pointsPerRevolution(traced));
    const std::size_t lastPoint = linePoints - 1;
    const auto beyond = std::find_if(steps.begin(), steps.end(), [lastPoint](const ColourStep& step) {
        return step.first >= lastPoint;
    });
    steps.erase(beyond, steps.end());
    for (ColourStep& step : steps) {
        step.last = std::min(step.last, lastPoint);
        step.colour = inked(step.colour, art.colouring.inkOpacity);
    }
    return steps;
}
