#pragma once

// The design file's keys, the names its values go by in messages, and the tables of values that
// the reader and the writer both go by, so that neither can leave a value out. A new value of a
// curve or of the window is a row of a table here (or a key beside them), a line in the reader
// (DesignValueReader.h) and the writer (DesignWriter.cpp), and a line of history
// (DesignFormatHistory.h). docs/design-format.md tells every key.

#include "app/Design.h"

#include <QCoreApplication>
#include <QLatin1String>

inline constexpr QLatin1String kFormatKey("format");
inline constexpr QLatin1String kFormatName("rotagraph-design");
inline constexpr QLatin1String kVersionKey("version");
inline constexpr QLatin1String kMinorVersionKey("minorVersion");
inline constexpr QLatin1String kCurvesKey("curves");
inline constexpr QLatin1String kNameKey("name");
inline constexpr QLatin1String kTurnKey("turn");
inline constexpr QLatin1String kRunnerSideKey("runnerSide");
inline constexpr QLatin1String kOutside("outside");
inline constexpr QLatin1String kInside("inside");
inline constexpr QLatin1String kColorsInUseKey("colorsInUse");
// Colour along the curve, since version 2.1.
inline constexpr QLatin1String kColorModeKey("colorMode");
inline constexpr QLatin1String kGradientStopsKey("gradientStops");
inline constexpr QLatin1String kStopPositionKey("position");
inline constexpr QLatin1String kStopColorKey("color");
inline constexpr QLatin1String kGradientRepeatKey("gradientRepeat");
inline constexpr QLatin1String kGradientMirrorKey("gradientMirror");
inline constexpr QLatin1String kBlendRevolutionsKey("blendRevolutions");
inline constexpr QLatin1String kInkOpacityKey("inkOpacity");
struct ColourModeName {
    ColourMode mode;
    QLatin1String name;
};
inline constexpr ColourModeName kColourModeNames[] = {
    {ColourMode::Stretches, QLatin1String("stretches")},
    {ColourMode::Gradient, QLatin1String("gradient")},
    {ColourMode::PerRevolution, QLatin1String("perRevolution")},
};
// Wheels by their teeth, and wheels rolling on the runner, since version 2.2.
inline constexpr QLatin1String kWheelSizesKey("wheelSizes");
inline constexpr QLatin1String kRadii("radii");
inline constexpr QLatin1String kTeeth("teeth");
inline constexpr QLatin1String kNestedWheelsKey("nestedWheels");
inline constexpr QLatin1String kRadiusKey("radius");
inline constexpr QLatin1String kSideKey("side");
// A curve drawn as turned copies, since version 2.3.
inline constexpr QLatin1String kCopiesKey("copies");
inline constexpr QLatin1String kCopyTurnKey("copyTurn");
inline constexpr QLatin1String kCopyScaleKey("copyScale");
inline constexpr QLatin1String kCopyHueStepKey("copyHueStep");

// One value of a design, by its key in the file and its name in a message.
template <typename Owner, typename Value>
struct Field {
    QLatin1String key;
    const char* name;
    Value Owner::*member;
};

template <typename Owner>
struct SliderField {
    QLatin1String key;
    const char* name;
    float Owner::*member;
    SliderRange range;
};

// The writer and the reader both go by these tables, so that neither can leave a value out.
// A curve's values of the first version, which stood at the top of its file:
inline constexpr Field<CurveDesign, QString> kTypedNumbers[] = {
    {QLatin1String("anchorRadius"), QT_TRANSLATE_NOOP("DesignReader", "anchor radius"), &CurveDesign::anchorRadius},
    {QLatin1String("runnerRadius"), QT_TRANSLATE_NOOP("DesignReader", "runner radius"), &CurveDesign::runnerRadius},
    {QLatin1String("penHoleRadius"), QT_TRANSLATE_NOOP("DesignReader", "pen hole"), &CurveDesign::penHoleRadius},
    {QLatin1String("revolutions"), QT_TRANSLATE_NOOP("DesignReader", "number of revolutions"), &CurveDesign::revolutions},
};

inline constexpr Field<CurveDesign, QColor> kColors[] = {
    {QLatin1String("penColor"), QT_TRANSLATE_NOOP("DesignReader", "first colour"), &CurveDesign::penColor},
    {QLatin1String("pen2Color"), QT_TRANSLATE_NOOP("DesignReader", "second colour"), &CurveDesign::pen2Color},
    {QLatin1String("pen3Color"), QT_TRANSLATE_NOOP("DesignReader", "third colour"), &CurveDesign::pen3Color},
    {QLatin1String("fillColor"), QT_TRANSLATE_NOOP("DesignReader", "fill colour"), &CurveDesign::fillColor},
};

// Named as their checkboxes are labelled.
inline constexpr Field<CurveDesign, bool> kSwitches[] = {
    {QLatin1String("closeCurve"), QT_TRANSLATE_NOOP("DesignReader", "Close the curve"), &CurveDesign::closeCurve},
    {QLatin1String("fill"), QT_TRANSLATE_NOOP("DesignReader", "Fill"), &CurveDesign::fillShape},
    {QLatin1String("grease"), QT_TRANSLATE_NOOP("DesignReader", "Grease the wheels"), &CurveDesign::greaseIt},
    {QLatin1String("limitRevolutions"), QT_TRANSLATE_NOOP("DesignReader", "Limit the revolutions"),
     &CurveDesign::limitRevolutions},
    {QLatin1String("confinePen"), QT_TRANSLATE_NOOP("DesignReader", "Keep the pen inside the runner"),
     &CurveDesign::confinePen},
};

inline constexpr SliderField<CurveDesign> kSliders[] = {
    {QLatin1String("penWidth"), QT_TRANSLATE_NOOP("DesignReader", "pen width"), &CurveDesign::penWidth, kPenWidthRange},
};

// A curve's values since the list of curves (beside its name and turn):
inline constexpr Field<CurveDesign, bool> kCurveSwitches[] = {
    {QLatin1String("visible"), QT_TRANSLATE_NOOP("DesignReader", "Visible"), &CurveDesign::visible},
    {QLatin1String("precise"), QT_TRANSLATE_NOOP("DesignReader", "Precise curve"), &CurveDesign::preciseCurve},
};

// The window's values, at the top of a file in every version:
inline constexpr Field<Design, bool> kDesignSwitches[] = {
    {QLatin1String("showWheels"), QT_TRANSLATE_NOOP("DesignReader", "Show the wheels"), &Design::showWheels},
};

// Since version 2.3.
inline constexpr Field<Design, QColor> kDesignColors[] = {
    {QLatin1String("background"), QT_TRANSLATE_NOOP("DesignReader", "background"), &Design::background},
};

inline constexpr SliderField<Design> kDesignSliders[] = {
    {QLatin1String("drawSpeed"), QT_TRANSLATE_NOOP("DesignReader", "slow-drawing speed"), &Design::drawSpeed,
     kDrawSpeedRange},
};

// Named as their checkboxes are labelled.
inline constexpr Field<CurveColouring, bool> kColouringSwitches[] = {
    {kGradientMirrorKey, QT_TRANSLATE_NOOP("DesignReader", "Mirror"), &CurveColouring::mirror},
    {kBlendRevolutionsKey, QT_TRANSLATE_NOOP("DesignReader", "Blend"), &CurveColouring::blend},
};

inline constexpr const char* kColorsInUseName = QT_TRANSLATE_NOOP("DesignReader", "number of colours in use");
inline constexpr const char* kGradientRepeatName = QT_TRANSLATE_NOOP("DesignReader", "gradient’s repeat count");
inline constexpr const char* kInkOpacityName = QT_TRANSLATE_NOOP("DesignReader", "ink opacity");
inline constexpr const char* kTurnName = QT_TRANSLATE_NOOP("DesignReader", "turn");
inline constexpr const char* kVersionName = QT_TRANSLATE_NOOP("DesignReader", "format version");
inline constexpr const char* kMinorVersionName = QT_TRANSLATE_NOOP("DesignReader", "minor format version");
