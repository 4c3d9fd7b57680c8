#include "app/Design.h"

#include <array>
#include <tuple>

namespace {

auto valuesOf(const Design& d)
{
    return std::tie(d.anchorRadius, d.runnerRadius, d.penHoleRadius, d.revolutions, d.runnerSide,
                    d.colorsInUse, d.penWidth, d.closeCurve, d.fillShape, d.greaseIt, d.showWheels,
                    d.limitRevolutions, d.confinePen, d.drawSpeed);
}

std::array<QRgb, 4> colorsOf(const Design& d)
{
    return {d.penColor.rgba(), d.pen2Color.rgba(), d.pen3Color.rgba(), d.fillColor.rgba()};
}

}

bool operator==(const Design& a, const Design& b)
{
    return valuesOf(a) == valuesOf(b) && colorsOf(a) == colorsOf(b);
}
