#pragma once

// Colour along a curve: a pen's colour that changes as the curve goes on, either as a gradient
// spread over the points drawn (repeated and mirrored as the user chooses) or a colour for each
// revolution of the runner, stepped or blended. Colours are mixed in the OKLab space, where equal
// steps look equal: red to blue passes through a clear violet rather than sRGB's dark purple.
// Alpha is mixed linearly. A curve is drawn as a run of short stretches, each of one colour, that
// share their end points, so that the line has no gap and wide pens join without seams.

#include <QColor>

#include <cstddef>
#include <cstring>
#include <vector>

// A colour in OKLab: lightness L (0 black to 1 white) and the two opponent axes a and b; alpha as
// given.
struct OklabColour {
    double lightness = 0, a = 0, b = 0, alpha = 1;
};

OklabColour toOklab(const QColor& colour);
// Back to sRGB, each channel held within its range.
QColor fromOklab(const OklabColour& colour);

// `from` and `to` mixed at `t` (0 gives `from`, 1 gives `to`) in OKLab, alpha linearly.
QColor mixInOklab(const QColor& from, const QColor& to, double t);

struct GradientStop {
    double position = 0;   // 0 to 1 along one run of the gradient
    QColor colour;

    // By the position's bits and the colour's 8-bit ARGB, the precision a design file keeps.
    bool operator==(const GradientStop& other) const
    {
        return std::memcmp(&position, &other.position, sizeof position) == 0 && colour.rgba() == other.colour.rgba()
            && colour.isValid() == other.colour.isValid();
    }
    bool operator!=(const GradientStop& other) const { return !(*this == other); }
};

enum class ColourMode { Stretches, Gradient, PerRevolution };

// The most colour steps one run of a gradient is drawn in: finer steps than this cannot be told
// apart, and each costs a stroke.
constexpr std::size_t kMostStepsPerRun = 256;

constexpr std::size_t kFewestGradientStops = 2;
constexpr std::size_t kMostGradientStops = 8;
constexpr int kMostGradientRepeats = 1000;
constexpr int kOpaqueInk = 100;   // percent

// A new curve's gradient: from its first pen colour to its second.
std::vector<GradientStop> defaultGradientStops();

struct CurveColouring {
    ColourMode mode = ColourMode::Stretches;
    std::vector<GradientStop> stops = defaultGradientStops();   // 2 to 8, in order of position
    int repeat = 1;                    // Gradient: runs of the gradient along the curve, 1 to 1000
    bool mirror = false;               // Gradient: every other run backwards
    bool blend = false;                // PerRevolution: each revolution fades into the next stop's colour
    // Every mode: the pens' opacity, in percent. Below kOpaqueInk the pens are ink: where a line
    // crosses another stretch of itself, the colour deepens.
    int inkOpacity = kOpaqueInk;

    bool operator==(const CurveColouring& other) const
    {
        return mode == other.mode && stops == other.stops && repeat == other.repeat && mirror == other.mirror
            && blend == other.blend && inkOpacity == other.inkOpacity;
    }
    bool operator!=(const CurveColouring& other) const { return !(*this == other); }
};

// A colour as ink of `inkOpacity` percent lays it down: its alpha scaled by the opacity.
QColor inked(const QColor& colour, int inkOpacity);

// The colour of `stops` at `position` (0 to 1): the nearest stop's before the first and after the
// last, mixed in OKLab between two. No colour without stops.
QColor gradientColour(const std::vector<GradientStop>& stops, double position);

// Where a point `share` (0 to 1) of the way along the curve falls in its gradient: `repeat` runs
// end to end, every other one backwards when mirrored. The curve's end is the last run's end.
double gradientPosition(double share, int repeat, bool mirror);

// The colour of the revolution `revolution` (from 0; its fraction is how far it has come):
// the stops in turn, one a revolution, each fading into the next when blended.
QColor revolutionColour(const std::vector<GradientStop>& stops, double revolution, bool blend);

// One stretch of a curve in one colour: from point `first` to point `last` of the pen's path,
// both drawn, so that the next stretch begins where this one ends.
struct ColourStep {
    std::size_t first = 0;
    std::size_t last = 0;
    QColor colour;
};

// The stretches a pen's path of `points` points is drawn in, `pointsPerRevolution` of them to a
// revolution of the runner. Each gradient run is cut into at most kMostStepsPerRun steps, the
// first coloured as the curve begins, the last as it ends, those between evenly between them;
// each revolution into one step, or, blended, into steps as a gradient is. Stretches mode gives none: the pens keep their own colours. Fewer than two points
// give none.
std::vector<ColourStep> colourSteps(const CurveColouring& colouring, std::size_t points, double pointsPerRevolution);
