#include "output/GradientPens.h"

#include <algorithm>
#include <limits>

namespace {

double distanceInOklab(const OklabColour& a, const OklabColour& b)
{
    const double l = a.lightness - b.lightness, x = a.a - b.a, y = a.b - b.b;
    return l * l + x * x + y * y;
}

}

std::vector<QColor> gradientPens(const CurveColouring& colouring, int count)
{
    std::vector<QColor> pens;
    const auto add = [&](const QColor& colour) {
        const QColor opaque(colour.rgb());
        if (colour.isValid() && std::find(pens.begin(), pens.end(), opaque) == pens.end())
            pens.push_back(opaque);
    };
    if (count <= 0) {
        for (const GradientStop& stop : colouring.stops)
            add(stop.colour);
    } else {
        for (int i = 0; i < count; ++i)
            add(gradientColour(colouring.stops, count == 1 ? 0 : double(i) / (count - 1)));
    }
    return pens;
}

std::vector<ColourStep> stepsInPens(const std::vector<ColourStep>& steps, const std::vector<QColor>& pens)
{
    if (pens.empty())
        return steps;
    std::vector<OklabColour> penColours;
    for (const QColor& pen : pens)
        penColours.push_back(toOklab(pen));
    std::vector<ColourStep> inPens;
    for (const ColourStep& step : steps) {
        if (!step.colour.isValid())
            continue;
        const OklabColour colour = toOklab(QColor(step.colour.rgb()));
        std::size_t nearest = 0;
        double least = std::numeric_limits<double>::infinity();
        for (std::size_t pen = 0; pen < penColours.size(); ++pen) {
            const double distance = distanceInOklab(colour, penColours[pen]);
            if (distance < least) {
                least = distance;
                nearest = pen;
            }
        }
        QColor inked = pens[nearest];
        inked.setAlpha(step.colour.alpha());
        if (!inPens.empty() && inPens.back().colour == inked && inPens.back().last == step.first)
            inPens.back().last = step.last;
        else
            inPens.push_back({step.first, step.last, inked});
    }
    return inPens;
}
