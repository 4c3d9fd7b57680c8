#include "app/DesignFormat.h"

#include "app/DesignFormatHistory.h"
#include "app/DesignKeys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

void writeCurveValues(QJsonObject& object, const CurveDesign& curve)
{
    for (const auto& field : kTypedNumbers)
        object.insert(field.key, curve.*field.member);
    object.insert(kRunnerSideKey, curve.runnerSide == RunnerSide::Inside ? kInside : kOutside);
    for (const auto& field : kColors)
        object.insert(field.key, (curve.*field.member).name(QColor::HexArgb));
    object.insert(kColorsInUseKey, curve.colorsInUse);
    for (const auto& field : kSliders)
        object.insert(field.key, double(curve.*field.member));
    for (const auto& field : kSwitches)
        object.insert(field.key, curve.*field.member);
}

void writeColouring(QJsonObject& object, const CurveColouring& colouring)
{
    for (const ColourModeName& name : kColourModeNames)
        if (name.mode == colouring.mode)
            object.insert(kColorModeKey, name.name);
    QJsonArray stops;
    for (const GradientStop& stop : colouring.stops)
        stops.append(QJsonObject{{kStopPositionKey, stop.position}, {kStopColorKey, stop.colour.name(QColor::HexArgb)}});
    object.insert(kGradientStopsKey, stops);
    object.insert(kGradientRepeatKey, colouring.repeat);
    for (const auto& field : kColouringSwitches)
        object.insert(field.key, colouring.*field.member);
    object.insert(kInkOpacityKey, colouring.inkOpacity);
}

QJsonObject curveObject(const CurveDesign& curve)
{
    QJsonObject object = curve.otherKeys;
    object.insert(kNameKey, curve.name);
    for (const auto& field : kCurveSwitches)
        object.insert(field.key, curve.*field.member);
    object.insert(kTurnKey, curve.turn);
    object.insert(kCopiesKey, curve.copies.count);
    // Left out, the turn follows the count: a full turn shared out.
    if (std::isfinite(curve.copies.turn))
        object.insert(kCopyTurnKey, curve.copies.turn);
    object.insert(kCopyScaleKey, curve.copies.scale);
    object.insert(kCopyHueStepKey, curve.copies.hueStep);
    writeCurveValues(object, curve);
    writeColouring(object, curve.colouring);
    object.insert(kWheelSizesKey, curve.sizes == WheelSizes::Teeth ? kTeeth : kRadii);
    QJsonArray wheels;
    for (const NestedWheelDesign& wheel : curve.nestedWheels)
        wheels.append(QJsonObject{{kRadiusKey, wheel.radius}, {kSideKey, wheel.side == RunnerSide::Inside ? kInside : kOutside}});
    object.insert(kNestedWheelsKey, wheels);
    return object;
}

}

namespace {

// The object's text with its format and versions first, as a file manager's look at the first
// bytes of a file finds them: QJsonDocument writes keys in their sorted order, which would put
// them after the curves.
QByteArray withFormatFirst(const QJsonObject& rest, QJsonDocument::JsonFormat format)
{
    const bool indented = format == QJsonDocument::Indented;
    const QByteArray between = indented ? ",\n    " : ",";
    QByteArray text = indented ? "{\n    " : "{";
    const auto append = [&](QLatin1String key, const QJsonValue& value) {
        // The value as the document writes it: a one-element array's text without its brackets.
        const QByteArray valueText = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).chopped(1).mid(1);
        text += '"' + QByteArray(key.data(), key.size()) + (indented ? "\": " : "\":") + valueText + between;
    };
    append(kFormatKey, kFormatName);
    append(kVersionKey, kDesignFormatVersion);
    append(kMinorVersionKey, kDesignFormatMinorVersion);
    const QByteArray others = QJsonDocument(rest).toJson(format);
    // Past the other object's own opening brace (and its line and indent when indented).
    text += others.mid(others.indexOf('"'));
    return text;
}

}

QByteArray designToJson(const Design& design)
{
    QJsonObject object = design.otherKeys;
    for (QLatin1String key : {kFormatKey, kVersionKey, kMinorVersionKey})
        object.remove(key);
    for (const auto& field : kDesignSliders)
        object.insert(field.key, double(design.*field.member));
    for (const auto& field : kDesignSwitches)
        object.insert(field.key, design.*field.member);
    for (const auto& field : kDesignColors)
        if ((design.*field.member).isValid())
            object.insert(field.key, (design.*field.member).name(QColor::HexRgb));
    QJsonArray curves;
    for (const CurveDesign& curve : design.curves)
        curves.append(curveObject(curve));
    object.insert(kCurvesKey, curves);
    // Indenting kept keys of a newer version could take a file past what opens: then it is
    // written without.
    QByteArray text = withFormatFirst(object, QJsonDocument::Indented);
    if (text.size() > kMaximumDesignFileSize)
        text = withFormatFirst(object, QJsonDocument::Compact);
    return text;
}
