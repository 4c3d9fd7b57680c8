#include "app/Design.h"

#include <QCoreApplication>

#include <array>
#include <cstring>
#include <tuple>

namespace {

auto valuesOf(const CurveDesign& d)
{
    return std::tie(d.name, d.visible, d.anchorRadius, d.runnerRadius, d.penHoleRadius, d.revolutions,
                    d.runnerSide, d.colorsInUse, d.penWidth, d.closeCurve, d.fillShape, d.greaseIt,
                    d.limitRevolutions, d.confinePen, d.preciseCurve, d.colouring, d.sizes, d.nestedWheels,
                    d.copies, d.otherKeys);
}

std::array<QRgb, 4> colorsOf(const CurveDesign& d)
{
    return {d.penColor.rgba(), d.pen2Color.rgba(), d.pen3Color.rgba(), d.fillColor.rgba()};
}

}

QString curveName(int n)
{
    return QCoreApplication::translate("Design", "Curve %1").arg(n);
}

bool operator==(const CurveDesign& a, const CurveDesign& b)
{
    // The turn by its bits, so that a curve is the same as itself whatever it holds.
    return valuesOf(a) == valuesOf(b) && colorsOf(a) == colorsOf(b)
        && std::memcmp(&a.turn, &b.turn, sizeof a.turn) == 0;
}

bool operator==(const Design& a, const Design& b)
{
    return a.curves == b.curves && a.showWheels == b.showWheels && a.drawSpeed == b.drawSpeed
        && a.background.isValid() == b.background.isValid() && a.background.rgba() == b.background.rgba()
        && a.otherKeys == b.otherKeys;
}
