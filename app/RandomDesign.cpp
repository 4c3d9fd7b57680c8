#include "app/RandomDesign.h"

#include "app/DesignArt.h"
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

namespace {

// How often a random design has each of these, in percent.
constexpr int kCopiesChance = 80;
// Copies of a curve of more revolutions than this fill in to a solid ring.
constexpr int kMostRevolutionsCopied = 12;
constexpr int kHueStepChance = 50;
constexpr int kGradientChance = 50;
constexpr int kSecondCurveChance = 50;
constexpr int kBackgroundChance = 50;
constexpr int kNestedWheelChance = 25;
// A second curve reaches this share of the first's reach, at least and at most.
constexpr float kSmallestInner = 0.3f;
constexpr float kLargestInner = 0.7f;
constexpr int kTriesForAnInnerCurve = 64;

bool chance(QRandomGenerator& random, int percent)
{
    return int(random.bounded(100)) < percent;
}

// A few copies of an open curve, spread within one of its symmetries, so that none lies on
// another; unfilled, since filled copies make a disc.
void addCopies(CurveDesign& curve, QRandomGenerator& random)
{
    if (curve.revolutions.toInt() > kMostRevolutionsCopied || curve.copies.count > 1)
        return;
    curve.copies.count = 3 + int(random.bounded(4));
    curve.fillShape = false;
    curve.copies.turn = symmetryDegrees(artOf(curve)) / curve.copies.count;
    if (chance(random, kHueStepChance))
        curve.copies.hueStep = 360.0 / curve.copies.count;
}

// A gradient through the curve's colour and its partner, and now and then a third between.
void addGradient(CurveDesign& curve, QRandomGenerator& random)
{
    CurveColouring& colouring = curve.colouring;
    colouring.mode = ColourMode::Gradient;
    colouring.stops = {{0, curve.penColor}, {1, curve.pen2Color}};
    if (random.bounded(2) == 0)
        colouring.stops.insert(colouring.stops.begin() + 1, {0.5, penColour(curve.penColor.hsvHue() + 120, random)});
    colouring.repeat = 1 + int(random.bounded(3));
    colouring.mirror = colouring.repeat > 1;
}

// A wheel rolling inside the runner, the pen in it; only when the curve still closes soon.
void addNestedWheel(CurveDesign& curve, QRandomGenerator& random)
{
    const int runner = curve.runnerRadius.toInt();
    const int wheel = runner / (2 + int(random.bounded(3)));
    if (wheel < 4)
        return;
    CurveDesign nested = curve;
    nested.nestedWheels = {{QString::number(wheel), RunnerSide::Inside}};
    nested.penHoleRadius = QString::number(std::max(1, wheel * 3 / 4));
    const ArtParameters art = artOf(nested);
    const std::optional<int> revolutions = closingRevolutions(art.anchorRadius, art.runnerRadius, art.penHoleRadius, false,
                                                              art.nested, kMostRandomRevolutions);
    if (!revolutions)
        return;
    nested.revolutions = QString::number(*revolutions);
    curve = nested;
}

// A second curve inside the first: of its own seed, of a reach well within the first's.
std::optional<CurveDesign> innerCurve(const CurveDesign& outer, QRandomGenerator& random)
{
    const float reach = boundingRadius(artOf(outer));
    for (int tries = 0; tries < kTriesForAnInnerCurve; ++tries) {
        CurveDesign inner = randomCurve(random.generate());
        const float share = boundingRadius(artOf(inner)) / reach;
        if (share >= kSmallestInner && share <= kLargestInner) {
            inner.name = curveName(2);
            inner.fillShape = false;
            return inner;
        }
    }
    return std::nullopt;
}

// A deep or a pale ground, the pens lightened on a deep one so that they show.
void addBackground(Design& design, QRandomGenerator& random)
{
    const int hue = int(random.bounded(360));
    const bool deep = random.bounded(2) == 0;
    design.background = deep ? QColor::fromHsv(hue, 120, 40) : QColor::fromHsv(hue, 20, 250);
    if (!deep)
        return;
    const auto lightened = [](QColor& colour) {
        colour = QColor::fromHsv(colour.hsvHue(), colour.hsvSaturation() * 2 / 3, 255, colour.alpha());
    };
    for (CurveDesign& curve : design.curves) {
        for (QColor* colour : {&curve.penColor, &curve.pen2Color, &curve.pen3Color})
            lightened(*colour);
        for (GradientStop& stop : curve.colouring.stops)
            lightened(stop.colour);
    }
}

}

Design randomDesign(quint32 seed)
{
    Design design;
    CurveDesign first = randomCurve(seed);
    // The extras draw from a stream of their own, so that the first curve is randomCurve's.
    QRandomGenerator random(seed ^ 0x5bd1e995u);
    if (chance(random, kNestedWheelChance))
        addNestedWheel(first, random);
    if (chance(random, kGradientChance))
        addGradient(first, random);
    if (chance(random, kCopiesChance))
        addCopies(first, random);
    design.curves = {first};
    if (chance(random, kSecondCurveChance)) {
        if (std::optional<CurveDesign> inner = innerCurve(first, random)) {
            if (chance(random, kCopiesChance))
                addCopies(*inner, random);
            design.curves.append(*inner);
        }
    }
    if (chance(random, kBackgroundChance))
        addBackground(design, random);
    for (CurveDesign& curve : design.curves)
        curve.preciseCurve = true;   // closed exactly, meeting its start
    return design;
}
