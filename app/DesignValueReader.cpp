#include "app/DesignValueReader.h"

#include "app/DesignFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

QString faultOfCurve(int number, const QString& fault)
{
    if (number == 0 || fault.isEmpty())
        return fault;
    QString rest = fault;
    rest[0] = rest[0].toLower();
    return QCoreApplication::translate("DesignReader", "Curve %1: %2").arg(QString::number(number), rest);
}

void ValueReader::fail(const QString& fault)
{
    if (m_error.isEmpty())
        m_error = faultOfCurve(m_curveNumber, fault);
}

QJsonValue ValueReader::lookUp(QLatin1String key)
{
    m_knownKeys.append(key);
    return m_object.value(key);
}

QJsonValue ValueReader::valueOf(QLatin1String key)
{
    const QJsonValue value = lookUp(key);
    m_holdsAnyValue = m_holdsAnyValue || !value.isUndefined();
    return value;
}

QJsonObject ValueReader::unknownKeys() const
{
    QJsonObject rest = m_object;
    for (const QLatin1String key : m_knownKeys)
        rest.remove(key);
    if (rest.isEmpty())
        return rest;
    // Kept as a save gives them back, so that a design is the same as the one its file reads
    // as: Qt's JSON drops a byte order mark that begins a key once it writes the key, which may
    // make two keys one, or a key this version knows.
    rest = QJsonDocument::fromJson(QJsonDocument(rest).toJson(QJsonDocument::Compact)).object();
    for (const QLatin1String key : m_knownKeys)
        rest.remove(key);
    return rest;
}

template <typename Owner>
void ValueReader::read(const Field<Owner, QString>& typedNumber, Owner& owner)
{
    const QJsonValue value = valueOf(typedNumber.key);
    if (value.isUndefined())
        return;
    if (!value.isString() && !value.isDouble())
        return fail(tr("The %1 is neither text nor a number.").arg(tr(typedNumber.name)));
    // A number written by hand becomes the text a person would type for it.
    QString text = value.isString() ? value.toString()
                                    : QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    if (text.size() > kMaximumTypedLength)
        return fail(tr("The %1 is longer than its field can hold.").arg(tr(typedNumber.name)));
    owner.*typedNumber.member = std::move(text);
}

template <typename Owner>
void ValueReader::read(const Field<Owner, QColor>& color, Owner& owner)
{
    const QJsonValue value = valueOf(color.key);
    if (value.isUndefined())
        return;
    const QColor read = QColor::fromString(value.toString());   // not a string: no colour
    if (!read.isValid())
        return fail(tr("The %1 is not a colour.").arg(tr(color.name)));
    owner.*color.member = read;
}

template <typename Owner>
void ValueReader::read(const Field<Owner, bool>& setting, Owner& owner)
{
    const QJsonValue value = valueOf(setting.key);
    if (value.isUndefined())
        return;
    if (!value.isBool())
        return fail(tr("The setting “%1” is neither on nor off.").arg(tr(setting.name)));
    owner.*setting.member = value.toBool();
}

template <typename Owner>
void ValueReader::read(const SliderField<Owner>& slider, Owner& owner)
{
    const QJsonValue value = valueOf(slider.key);
    if (value.isUndefined())
        return;
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return fail(tr("The %1 is not a number.").arg(tr(slider.name)));
    owner.*slider.member = slider.range.held(value.toDouble());
}

void ValueReader::readColorsInUse(CurveDesign& curve)
{
    const QJsonValue value = valueOf(kColorsInUseKey);
    if (value.isUndefined())
        return;
    const double count = value.toDouble(std::nan(""));
    if (std::floor(count) != count)   // not a number at all, or a fraction
        return fail(tr("The %1 is not a whole number.").arg(tr(kColorsInUseName)));
    curve.colorsInUse = static_cast<int>(std::clamp<double>(count, kMinimumColorsInUse, kMaximumColorsInUse));
}

void ValueReader::readRunnerSide(CurveDesign& curve)
{
    const QJsonValue value = valueOf(kRunnerSideKey);
    if (value.isUndefined())
        return;
    if (value == QJsonValue(kOutside))
        curve.runnerSide = RunnerSide::Outside;
    else if (value == QJsonValue(kInside))
        curve.runnerSide = RunnerSide::Inside;
    else
        fail(tr("The runner side is neither “%1” nor “%2”.").arg(kInside, kOutside));
}

void ValueReader::readName(CurveDesign& curve)
{
    const QJsonValue value = valueOf(kNameKey);
    if (value.isUndefined())
        return;
    if (!value.isString())
        return fail(tr("The name is not text."));
    QString name = value.toString();
    // Characters as a person counts them: a pair of surrogates is one.
    if (QStringView(name).toUcs4().size() > kMaximumCurveNameLength)
        return fail(tr("The name is longer than %1 characters.").arg(kMaximumCurveNameLength));
    curve.name = std::move(name);
}

void ValueReader::readTurn(CurveDesign& curve)
{
    const QJsonValue value = valueOf(kTurnKey);
    if (value.isUndefined())
        return;
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return fail(tr("The %1 is not a number.").arg(tr(kTurnName)));
    curve.turn = value.toDouble();
}

void ValueReader::readCopies(CurveCopies& copies)
{
    const QJsonValue count = valueOf(kCopiesKey);
    if (!count.isUndefined()) {
        const double n = count.toDouble(NAN);
        if (!count.isDouble() || n != std::floor(n))
            return fail(tr("The number of copies is not a whole number."));
        copies.count = int(std::clamp(n, 1.0, double(CurveCopies::kMost)));
    }
    const auto number = [this](QLatin1String key, const char* name, double lowest, double highest, double& into) {
        const QJsonValue value = valueOf(key);
        if (value.isUndefined())
            return;
        if (!value.isDouble() || !std::isfinite(value.toDouble()))
            return fail(tr("The %1 is not a number.").arg(tr(name)));
        into = std::clamp(value.toDouble(), lowest, highest);
    };
    const double anyTurn = std::numeric_limits<double>::max();
    number(kCopyTurnKey, QT_TR_NOOP("turn between copies"), -anyTurn, anyTurn, copies.turn);
    number(kCopyScaleKey, QT_TR_NOOP("scale of each copy"), kSmallestCopyScale, kLargestCopyScale, copies.scale);
    number(kCopyHueStepKey, QT_TR_NOOP("hue step between copies"), -kLargestHueStep, kLargestHueStep, copies.hueStep);
}

void ValueReader::readColouring(CurveColouring& colouring)
{
    const QJsonValue mode = valueOf(kColorModeKey);
    if (!mode.isUndefined()) {
        const auto named = std::find_if(std::begin(kColourModeNames), std::end(kColourModeNames),
                                        [&mode](const ColourModeName& name) { return mode == QJsonValue(name.name); });
        if (named == std::end(kColourModeNames))
            return fail(tr("The colour mode is none of “%1”, “%2” and “%3”.")
                            .arg(kColourModeNames[0].name, kColourModeNames[1].name, kColourModeNames[2].name));
        colouring.mode = named->mode;
    }
    readGradientStops(colouring);
    const QJsonValue repeat = valueOf(kGradientRepeatKey);
    if (!repeat.isUndefined()) {
        const double count = repeat.toDouble(std::nan(""));
        if (std::floor(count) != count || count < 1 || count > kMostGradientRepeats)
            return fail(tr("The %1 is not a whole number from 1 to %2.").arg(tr(kGradientRepeatName)).arg(kMostGradientRepeats));
        colouring.repeat = int(count);
    }
    for (const auto& field : kColouringSwitches) {
        const QJsonValue value = valueOf(field.key);
        if (value.isUndefined())
            continue;
        if (!value.isBool())
            return fail(tr("The setting “%1” is neither on nor off.").arg(tr(field.name)));
        colouring.*field.member = value.toBool();
    }
    const QJsonValue opacity = valueOf(kInkOpacityKey);
    if (!opacity.isUndefined()) {
        if (!opacity.isDouble() || !std::isfinite(opacity.toDouble()))
            return fail(tr("The %1 is not a number.").arg(tr(kInkOpacityName)));
        colouring.inkOpacity = int(std::lround(std::clamp(opacity.toDouble(), 0.0, double(kOpaqueInk))));
    }
}

void ValueReader::readWheels(CurveDesign& curve)
{
    const QJsonValue sizes = valueOf(kWheelSizesKey);
    if (sizes == QJsonValue(kRadii))
        curve.sizes = WheelSizes::Radii;
    else if (sizes == QJsonValue(kTeeth))
        curve.sizes = WheelSizes::Teeth;
    else if (!sizes.isUndefined())
        return fail(tr("The wheel sizes are neither “%1” nor “%2”.").arg(kRadii, kTeeth));
    const QJsonValue value = valueOf(kNestedWheelsKey);
    if (value.isUndefined())
        return;
    if (!value.isArray())
        return fail(tr("The nested wheels are not a list."));
    const QJsonArray list = value.toArray();
    if (list.size() > kMostNestedWheels)
        return fail(tr("It has %1 wheels; a curve has at most %2.").arg(list.size() + 2).arg(kMostWheels));
    QList<NestedWheelDesign> wheels;
    for (qsizetype at = 0; at < list.size(); ++at) {
        const QJsonObject wheel = list[at].toObject();
        const QJsonValue radius = wheel.value(kRadiusKey);
        const QJsonValue side = wheel.value(kSideKey);
        // Wheel 3 is the first beyond the anchor and the runner.
        const qsizetype number = at + 3;
        const QString text = radius.isDouble()
            ? QString::number(radius.toDouble(), 'g', QLocale::FloatingPointShortest)
            : radius.toString();
        if (!list[at].isObject() || !(radius.isString() || radius.isDouble()) || text.size() > kMaximumTypedLength)
            return fail(tr("Wheel %1 has no radius.").arg(number));
        if (side != QJsonValue(kInside) && side != QJsonValue(kOutside))
            return fail(tr("Wheel %1 rolls neither “%2” nor “%3”.").arg(number).arg(kInside, kOutside));
        wheels.append({text, side == QJsonValue(kInside) ? RunnerSide::Inside : RunnerSide::Outside});
    }
    curve.nestedWheels = std::move(wheels);
}

// Stops are read in any order and kept in order of position, as the gradient bar keeps them.
void ValueReader::readGradientStops(CurveColouring& colouring)
{
    const QJsonValue value = valueOf(kGradientStopsKey);
    if (value.isUndefined())
        return;
    if (!value.isArray())
        return fail(tr("The gradient’s stops are not a list."));
    const QJsonArray list = value.toArray();
    if (list.size() < qsizetype(kFewestGradientStops) || list.size() > qsizetype(kMostGradientStops))
        return fail(tr("The gradient has %1 stops; it holds %2 to %3.")
                        .arg(list.size())
                        .arg(kFewestGradientStops)
                        .arg(kMostGradientStops));
    std::vector<GradientStop> stops;
    for (qsizetype at = 0; at < list.size(); ++at) {
        const QJsonObject stop = list[at].toObject();
        const QJsonValue position = stop.value(kStopPositionKey);
        const double where = position.toDouble(std::nan(""));
        if (!list[at].isObject() || !position.isDouble() || !(where >= 0 && where <= 1))
            return fail(tr("Stop %1 of the gradient is not at a position from 0 to 1.").arg(at + 1));
        const QColor colour = QColor::fromString(stop.value(kStopColorKey).toString());
        if (!colour.isValid())
            return fail(tr("Stop %1 of the gradient has no colour.").arg(at + 1));
        stops.push_back({where, colour});
    }
    std::stable_sort(stops.begin(), stops.end(),
                     [](const GradientStop& a, const GradientStop& b) { return a.position < b.position; });
    colouring.stops = std::move(stops);
}

void readCurveValues(ValueReader& reader, CurveDesign& curve)
{
    reader.readAll(kTypedNumbers, curve);
    reader.readRunnerSide(curve);
    reader.readAll(kColors, curve);
    reader.readColorsInUse(curve);
    reader.readAll(kSliders, curve);
    reader.readAll(kSwitches, curve);
}

void readWindowValues(ValueReader& reader, Design& design)
{
    reader.readAll(kDesignSliders, design);
    reader.readAll(kDesignSwitches, design);
}

void readBackground(ValueReader& reader, Design& design)
{
    reader.readAll(kDesignColors, design);
    if (design.background.isValid())
        design.background.setAlpha(255);   // nothing shows through a background
}

void readListedCurve(ValueReader& reader, CurveDesign& curve)
{
    reader.readName(curve);
    reader.readAll(kCurveSwitches, curve);
    reader.readTurn(curve);
    reader.readCopies(curve.copies);
    readCurveValues(reader, curve);
    reader.readColouring(curve.colouring);
    reader.readWheels(curve);
}
