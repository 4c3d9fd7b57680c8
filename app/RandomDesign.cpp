#include "app/RandomDesign.h"

#include "art/CurveClosure.h"

#include <QRandomGenerator>

#include <cmath>

namespace {

// Fewer revolutions than this make a plain loop or two.
constexpr int kFewestRevolutions = 3;

// A colour of `hue` (degrees) as a pen draws it: saturated, dark enough to show on white.
QColor penColour(int hue, QRandomGenerator& random)
{
    return QColor::fromHsv(hue % 360, 170 + int(random.bounded(86)), 140 + int(random.bounded(90)));
}

}

CurveDesign randomCurve(quint32 seed)
{
    QRandomGenerator random(seed);
    CurveDesign curve;
    // Radii until the curve closes soon enough: whole radii close after runner / gcd revolutions,
    // so a few tries always find one.
    int anchor = 0, runner = 0, revolutions = 0;
    bool inside = false;
    do {
        anchor = 60 + int(random.bounded(141));
        runner = anchor / 5 + int(random.bounded(anchor * 3 / 5));   // a fifth to four fifths of the anchor
        inside = random.bounded(2) == 0;
        revolutions = closingRevolutions(float(anchor), float(inside ? -runner : runner), 1, false, kMostRandomRevolutions)
                          .value_or(0);
    } while (revolutions < kFewestRevolutions);
    curve.anchorRadius = QString::number(anchor);
    curve.runnerRadius = QString::number(runner);
    curve.runnerSide = inside ? RunnerSide::Inside : RunnerSide::Outside;
    curve.penHoleRadius = QString::number(std::max(1, int(std::lround(runner * (0.3 + random.bounded(0.65))))));
    curve.revolutions = QString::number(revolutions);

    // A hue, and its neighbour or its opposite for a second colour and the fill.
    const int hue = int(random.bounded(360));
    const int partner = hue + (random.bounded(2) == 0 ? 30 + int(random.bounded(31)) : 180);
    curve.penColor = penColour(hue, random);
    curve.pen2Color = penColour(partner, random);
    curve.colorsInUse = random.bounded(3) == 0 ? 2 : 1;
    curve.penWidth = float(1 + random.bounded(4)) / 2 + 0.5f;   // 1 to 2.5
    curve.fillShape = random.bounded(4) == 0;
    curve.fillColor = QColor::fromHsv(partner % 360, 60 + int(random.bounded(60)), 255, 150);
    curve.closeCurve = true;
    curve.confinePen = true;
    return curve;
}
