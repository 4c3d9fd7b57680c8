#pragma once

// A design as the window's controls hold it: what is saved, undone, copied and pasted. The
// four numbers of each curve are kept as typed, since a field draws with the leading number of
// whatever text it holds and a user's "72.9 mm" should come back as written.

#include "art/CurveColouring.h"
#include "art/CurveCopies.h"
#include "art/NestedWheels.h"

#include <QColor>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <algorithm>
#include <cmath>

enum class RunnerSide { Outside, Inside };

// How the Wheels group gives the wheels' sizes: as radii, or as a toy kit's tooth counts and
// hole numbers. Either way the radii are what the design holds and draws.
enum class WheelSizes { Radii, Teeth };

// A wheel rolling on the one before it, beyond the runner: its radius as typed (a magnitude) and
// the side of the wheel before it that it rolls on.
struct NestedWheelDesign {
    QString radius = QStringLiteral("24");
    RunnerSide side = RunnerSide::Inside;

    friend bool operator==(const NestedWheelDesign& a, const NestedWheelDesign& b)
    {
        return a.radius == b.radius && a.side == b.side;
    }
    friend bool operator!=(const NestedWheelDesign& a, const NestedWheelDesign& b) { return !(a == b); }
};

// The values a slider holds: its range, in steps.
struct SliderRange {
    float minimum;
    float maximum;
    float step;

    // A value as the slider would hold it once set: within the range, on the nearest step.
    float held(double value) const
    {
        const double within = std::clamp(value, double(minimum), double(maximum));
        return static_cast<float>(std::round(within / double(step)) * double(step));
    }
};

constexpr SliderRange kPenWidthRange{0, 20, 0.5f};     // points
constexpr SliderRange kDrawSpeedRange{0, 100, 1};      // hundredths of a revolution per frame
// What the copies' controls hold: each copy's size as a factor of the one before, and its hue
// step in degrees.
constexpr double kSmallestCopyScale = 0.1;
constexpr double kLargestCopyScale = 10;
constexpr double kLargestHueStep = 360;
constexpr int kMinimumColorsInUse = 1;
constexpr int kMaximumColorsInUse = 3;
// The most characters a line edit holds (QLineEdit's default maxLength).
constexpr int kMaximumTypedLength = 32767;

// One curve of a design as the window's controls hold it while it is selected. A new curve is
// the default design's, named by the caller ("Curve 2"), shown and not turned.
struct CurveDesign {
    QString name = QStringLiteral("Curve 1");
    bool visible = true;
    double turn = 0;   // degrees about the anchor's centre, counter-clockwise; finite
    CurveCopies copies;   // the curve drawn as turned copies of itself
    QString anchorRadius = QStringLiteral("160");
    QString runnerRadius = QStringLiteral("72");   // a magnitude: the side says where it rolls
    QString penHoleRadius = QStringLiteral("53");
    QString revolutions = QStringLiteral("9");
    RunnerSide runnerSide = RunnerSide::Outside;
    QColor penColor = QColor(255, 0, 0);
    QColor pen2Color = QColor(0, 102, 204);
    QColor pen3Color = QColor(0, 153, 51);
    int colorsInUse = kMinimumColorsInUse;
    float penWidth = 1;
    bool closeCurve = false;
    bool fillShape = false;
    QColor fillColor = QColor(255, 255, 0);
    bool greaseIt = false;
    bool limitRevolutions = false;
    bool confinePen = true;
    bool preciseCurve = false;   // traced in double precision: a closed curve meets itself
    CurveColouring colouring;   // Stretches: the three pen colours above
    WheelSizes sizes = WheelSizes::Radii;
    // Wheels rolling on the runner, each on the one before, the pen in the last: at most
    // kMostNestedWheels.
    QList<NestedWheelDesign> nestedWheels;
    // What a file of a later version gave this curve that this one does not know: written back
    // as it came.
    QJsonObject otherKeys;
};

// A design: one to kMaximumCurves curves, drawn first to last, and what holds for the whole
// window: whether the selected curve's wheels show, and the slow drawing's speed.
struct Design {
    static constexpr int kMaximumCurves = 64;

    QList<CurveDesign> curves{CurveDesign()};
    bool showWheels = false;
    float drawSpeed = 10;
    // What lies under every curve, opaque; invalid: nothing, transparent.
    QColor background;
    // What a file of a later version gave the design that this one does not know.
    QJsonObject otherKeys;
};

// The name a curve added as the n-th (counting from 1) is given: "Curve n".
QString curveName(int n);

// Colours count as equal when their 8-bit ARGB values are, the precision a design file keeps,
// whatever colour model they were picked in.
bool operator==(const CurveDesign& a, const CurveDesign& b);
inline bool operator!=(const CurveDesign& a, const CurveDesign& b) { return !(a == b); }
bool operator==(const Design& a, const Design& b);
inline bool operator!=(const Design& a, const Design& b) { return !(a == b); }
