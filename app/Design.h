#pragma once

// One design as the window's controls hold it: what is saved, undone, copied and pasted. The
// four numbers are kept as typed, since a field draws with the leading number of whatever text
// it holds and a user's "72.9 mm" should come back as written.

#include <QColor>
#include <QString>

#include <algorithm>
#include <cmath>

enum class RunnerSide { Outside, Inside };

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
constexpr int kMinimumColorsInUse = 1;
constexpr int kMaximumColorsInUse = 3;
// The most characters a line edit holds (QLineEdit's default maxLength).
constexpr int kMaximumTypedLength = 32767;

struct Design {
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
    bool showWheels = false;
    bool limitRevolutions = false;
    bool confinePen = true;
    float drawSpeed = 10;
};

// Colours count as equal when their 8-bit ARGB values are, the precision a design file keeps,
// whatever colour model they were picked in.
bool operator==(const Design& a, const Design& b);
inline bool operator!=(const Design& a, const Design& b) { return !(a == b); }
