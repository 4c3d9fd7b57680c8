#include "app/DesignFormat.h"

#include "app/DesignCode.h"
#include "app/ExportedDesignText.h"
#include "app/XmlFeed.h"
#include "output/FileNames.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <cmath>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QLatin1String kFormatKey("format");
constexpr QLatin1String kFormatName("rotagraph-design");
constexpr QLatin1String kVersionKey("version");
constexpr QLatin1String kMinorVersionKey("minorVersion");
constexpr QLatin1String kCurvesKey("curves");
constexpr QLatin1String kNameKey("name");
constexpr QLatin1String kTurnKey("turn");
constexpr QLatin1String kRunnerSideKey("runnerSide");
constexpr QLatin1String kOutside("outside");
constexpr QLatin1String kInside("inside");
constexpr QLatin1String kColorsInUseKey("colorsInUse");
// Colour along the curve, since version 2.1.
constexpr QLatin1String kColorModeKey("colorMode");
constexpr QLatin1String kGradientStopsKey("gradientStops");
constexpr QLatin1String kStopPositionKey("position");
constexpr QLatin1String kStopColorKey("color");
constexpr QLatin1String kGradientRepeatKey("gradientRepeat");
constexpr QLatin1String kGradientMirrorKey("gradientMirror");
constexpr QLatin1String kBlendRevolutionsKey("blendRevolutions");
constexpr QLatin1String kInkOpacityKey("inkOpacity");
struct ColourModeName {
    ColourMode mode;
    QLatin1String name;
};
constexpr ColourModeName kColourModeNames[] = {
    {ColourMode::Stretches, QLatin1String("stretches")},
    {ColourMode::Gradient, QLatin1String("gradient")},
    {ColourMode::PerRevolution, QLatin1String("perRevolution")},
};
// Wheels by their teeth, and wheels rolling on the runner, since version 2.2.
constexpr QLatin1String kWheelSizesKey("wheelSizes");
constexpr QLatin1String kRadii("radii");
constexpr QLatin1String kTeeth("teeth");
constexpr QLatin1String kNestedWheelsKey("nestedWheels");
constexpr QLatin1String kRadiusKey("radius");
constexpr QLatin1String kSideKey("side");
constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";
// The first version held one curve, its values flat beside the window's.
constexpr int kFlatVersion = 1;

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
constexpr Field<CurveDesign, QString> kTypedNumbers[] = {
    {QLatin1String("anchorRadius"), QT_TRANSLATE_NOOP("DesignReader", "anchor radius"), &CurveDesign::anchorRadius},
    {QLatin1String("runnerRadius"), QT_TRANSLATE_NOOP("DesignReader", "runner radius"), &CurveDesign::runnerRadius},
    {QLatin1String("penHoleRadius"), QT_TRANSLATE_NOOP("DesignReader", "pen hole"), &CurveDesign::penHoleRadius},
    {QLatin1String("revolutions"), QT_TRANSLATE_NOOP("DesignReader", "number of revolutions"), &CurveDesign::revolutions},
};

constexpr Field<CurveDesign, QColor> kColors[] = {
    {QLatin1String("penColor"), QT_TRANSLATE_NOOP("DesignReader", "first colour"), &CurveDesign::penColor},
    {QLatin1String("pen2Color"), QT_TRANSLATE_NOOP("DesignReader", "second colour"), &CurveDesign::pen2Color},
    {QLatin1String("pen3Color"), QT_TRANSLATE_NOOP("DesignReader", "third colour"), &CurveDesign::pen3Color},
    {QLatin1String("fillColor"), QT_TRANSLATE_NOOP("DesignReader", "fill colour"), &CurveDesign::fillColor},
};

// Named as their checkboxes are labelled.
constexpr Field<CurveDesign, bool> kSwitches[] = {
    {QLatin1String("closeCurve"), QT_TRANSLATE_NOOP("DesignReader", "Close the curve"), &CurveDesign::closeCurve},
    {QLatin1String("fill"), QT_TRANSLATE_NOOP("DesignReader", "Fill"), &CurveDesign::fillShape},
    {QLatin1String("grease"), QT_TRANSLATE_NOOP("DesignReader", "Grease the wheels"), &CurveDesign::greaseIt},
    {QLatin1String("limitRevolutions"), QT_TRANSLATE_NOOP("DesignReader", "Limit the revolutions"),
     &CurveDesign::limitRevolutions},
    {QLatin1String("confinePen"), QT_TRANSLATE_NOOP("DesignReader", "Keep the pen inside the runner"),
     &CurveDesign::confinePen},
};

constexpr SliderField<CurveDesign> kSliders[] = {
    {QLatin1String("penWidth"), QT_TRANSLATE_NOOP("DesignReader", "pen width"), &CurveDesign::penWidth, kPenWidthRange},
};

// A curve's values since the list of curves (beside its name and turn):
constexpr Field<CurveDesign, bool> kCurveSwitches[] = {
    {QLatin1String("visible"), QT_TRANSLATE_NOOP("DesignReader", "Visible"), &CurveDesign::visible},
    {QLatin1String("precise"), QT_TRANSLATE_NOOP("DesignReader", "Precise curve"), &CurveDesign::preciseCurve},
};

// The window's values, at the top of a file in every version:
constexpr Field<Design, bool> kDesignSwitches[] = {
    {QLatin1String("showWheels"), QT_TRANSLATE_NOOP("DesignReader", "Show the wheels"), &Design::showWheels},
};

constexpr SliderField<Design> kDesignSliders[] = {
    {QLatin1String("drawSpeed"), QT_TRANSLATE_NOOP("DesignReader", "slow-drawing speed"), &Design::drawSpeed,
     kDrawSpeedRange},
};

// Named as their checkboxes are labelled.
constexpr Field<CurveColouring, bool> kColouringSwitches[] = {
    {kGradientMirrorKey, QT_TRANSLATE_NOOP("DesignReader", "Mirror"), &CurveColouring::mirror},
    {kBlendRevolutionsKey, QT_TRANSLATE_NOOP("DesignReader", "Blend"), &CurveColouring::blend},
};

const char* const kColorsInUseName = QT_TRANSLATE_NOOP("DesignReader", "number of colours in use");
const char* const kGradientRepeatName = QT_TRANSLATE_NOOP("DesignReader", "gradient’s repeat count");
const char* const kInkOpacityName = QT_TRANSLATE_NOOP("DesignReader", "ink opacity");
const char* const kTurnName = QT_TRANSLATE_NOOP("DesignReader", "turn");
const char* const kVersionName = QT_TRANSLATE_NOOP("DesignReader", "format version");
const char* const kMinorVersionName = QT_TRANSLATE_NOOP("DesignReader", "minor format version");

// Where a key stands: at the top of a file, or in one of its curves.
enum class Level { Top, Curve };

// The name of a value that the file gives as a number, for a message about it; null for any
// other key. At the top, a curve's values count too: a file of the first version held them there.
const char* nameOfNumber(QStringView key, Level level)
{
    for (const auto& field : kTypedNumbers)
        if (key == field.key)
            return field.name;
    for (const auto& field : kSliders)
        if (key == field.key)
            return field.name;
    if (key == kColorsInUseKey)
        return kColorsInUseName;
    if (level == Level::Curve) {
        if (key == kGradientRepeatKey)
            return kGradientRepeatName;
        if (key == kInkOpacityKey)
            return kInkOpacityName;
        return key == kTurnKey ? kTurnName : nullptr;
    }
    for (const auto& field : kDesignSliders)
        if (key == field.key)
            return field.name;
    if (key == kVersionKey)
        return kVersionName;
    return key == kMinorVersionKey ? kMinorVersionName : nullptr;
}

// A fault of the curve at `number` (from 1), or of the design as a whole for 0: "The pen width
// is not a number." goes on after the curve's place as "Curve 3: the pen width…".
QString faultOfCurve(int number, const QString& fault)
{
    if (number == 0 || fault.isEmpty())
        return fault;
    QString rest = fault;
    rest[0] = rest[0].toLower();
    return QCoreApplication::translate("DesignReader", "Curve %1: %2").arg(QString::number(number), rest);
}

// One step on the way into JSON to a value: the key in an object, or the place in an array.
struct JsonStep {
    bool inArray = false;
    qsizetype index = 0;   // in an array
    bool hasKey = false;   // in an object, once its key is read
    QByteArrayView key;    // as written, escapes and all
};

// The steps to the value at `end` of `bytes`, outermost first. The parser read the JSON up to
// there, so it is well formed that far, and its brackets, strings and commas alone tell.
QList<JsonStep> stepsTo(QByteArrayView bytes, qsizetype end)
{
    QList<JsonStep> steps;
    end = std::min(end, bytes.size());
    for (qsizetype at = 0; at < end; ++at) {
        switch (bytes[at]) {
        case '"': {
            const qsizetype start = at + 1;
            for (++at; at < end && bytes[at] != '"'; ++at)
                if (bytes[at] == '\\')
                    ++at;
            if (!steps.isEmpty() && !steps.last().inArray && !steps.last().hasKey) {
                steps.last().hasKey = true;
                steps.last().key = bytes.sliced(start, std::min(at, end) - start);
            }
            break;
        }
        case '{':
            steps.append(JsonStep{});
            break;
        case '[': {
            JsonStep array;
            array.inArray = true;
            steps.append(array);
            break;
        }
        case '}':
        case ']':
            if (!steps.isEmpty())
                steps.removeLast();
            break;
        case ',':
            if (!steps.isEmpty()) {
                ++steps.last().index;
                steps.last().hasKey = false;
            }
            break;
        default:
            break;
        }
    }
    return steps;
}

// A key as the JSON reader reads it: escapes may spell any of its characters.
QString keyOf(const JsonStep& step)
{
    if (!step.hasKey)
        return {};
    const QByteArray string = "[\"" + step.key.toByteArray() + "\"]";
    return QJsonDocument::fromJson(string).array().at(0).toString();
}

// Reads the values of one JSON object, the design's or one of its curves. Every value is
// checked, and the first fault is kept, told with the curve's place. The keys it looks for are
// noted, so that the rest can be kept as they came.
class ValueReader
{
    Q_DECLARE_TR_FUNCTIONS(DesignReader)

public:
    explicit ValueReader(const QJsonObject& object, int curveNumber = 0)
        : m_object(object), m_curveNumber(curveNumber)
    {
    }

    const QString& error() const { return m_error; }
    bool failed() const { return !m_error.isEmpty(); }
    // Whether any of the design's values was there (the format's own keys are none of them).
    bool holdsAnyValue() const { return m_holdsAnyValue; }
    void fail(const QString& fault);
    // A key that this version knows, whatever it holds.
    QJsonValue lookUp(QLatin1String key);
    QJsonObject unknownKeys() const;

    template <typename Table, typename Owner>
    void readAll(const Table& table, Owner& owner)
    {
        for (const auto& field : table)
            read(field, owner);
    }
    void readColorsInUse(CurveDesign& curve);
    void readRunnerSide(CurveDesign& curve);
    void readName(CurveDesign& curve);
    void readTurn(CurveDesign& curve);
    void readColouring(CurveColouring& colouring);
    void readWheels(CurveDesign& curve);

private:
    void readGradientStops(CurveColouring& colouring);
    QJsonValue valueOf(QLatin1String key);
    template <typename Owner>
    void read(const Field<Owner, QString>& typedNumber, Owner& owner);
    template <typename Owner>
    void read(const Field<Owner, QColor>& color, Owner& owner);
    template <typename Owner>
    void read(const Field<Owner, bool>& setting, Owner& owner);
    template <typename Owner>
    void read(const SliderField<Owner>& slider, Owner& owner);

    QJsonObject m_object;
    int m_curveNumber;
    QString m_error;
    bool m_holdsAnyValue = false;
    QList<QLatin1String> m_knownKeys;
};

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

// The values a curve has had since the first version.
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

// Where the bytes of a design came from, for what a message calls them.
enum class Origin { DesignFile, Export };

// A file's version: its major version tells how it is read, its minor one what it may add.
struct FormatVersion {
    double major = 0;
    double minor = 0;
};

// Reads designs from bytes, from a JSON object, from a file. Every value is checked; the first
// fault is the one told.
class DesignReader
{
    Q_DECLARE_TR_FUNCTIONS(DesignReader)

public:
    static DesignReadResult fromBytes(const QByteArray& bytes, Origin origin = Origin::DesignFile);
    static DesignReadResult fromDevice(QIODevice& device);
    static DesignReadResult fromFile(const QString& path);

private:
    static DesignReadResult failure(const QString& error, const QString& details = {})
    {
        return {std::nullopt, error, details};
    }
    static DesignReadResult fromExport(const ExportedText& text);
    static QString tooLarge(Origin origin);
    static DesignReadResult notADesign(Origin origin, const QString& why, const QString& details = {});
    static DesignReadResult syntaxFault(const QByteArray& bytes, const QJsonParseError& error, Origin origin);
    static QString illegalNumber(const QByteArray& bytes, qsizetype offset);
    static QString pathFault(int error, const QByteArray& path);
    static QString openFault(int error);

    static DesignReadResult fromObject(const QJsonObject& object, Origin origin);
    static FormatVersion readVersion(ValueReader& top);
    static QString readFlatDesign(ValueReader& top, Design& design);
    static QString readComposition(ValueReader& top, Design& design);
};

DesignReadResult DesignReader::fromBytes(const QByteArray& bytes, Origin origin)
{
    if (bytes.size() > kMaximumDesignFileSize)
        return failure(tooLarge(origin));
    if (bytes.trimmed().isEmpty())
        return notADesign(origin, tr("it is empty"));
    if (isDesignCode(bytes)) {
        QString error;
        const std::optional<QByteArray> json = designJsonOfCode(bytes, designToJson(Design()), &error);
        return json ? fromBytes(*json, origin) : failure(error);
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return syntaxFault(bytes, parseError, origin);
    if (!document.isObject())
        return notADesign(origin, tr("it holds no JSON object"));
    return fromObject(document.object(), origin);
}

// What the first bytes are tells the kind: a PNG by its signature, XML (an SVG) by its first
// character, anything else is taken for a design file.
DesignReadResult DesignReader::fromDevice(QIODevice& device)
{
    constexpr qint64 kLookAhead = 1024;
    const QByteArray start = device.peek(kLookAhead);
    if (start.startsWith(QByteArrayView(kPngSignature, sizeof kPngSignature - 1)))
        return fromExport(designTextOfPng(device));
    if (looksLikeXml(start))
        return fromExport(designTextOfSvg(device));
    if (device.size() > kMaximumDesignFileSize)
        return failure(tooLarge(Origin::DesignFile));
    // One byte beyond the limit, so that a file that grew since its size was read is refused too.
    QByteArray bytes(kMaximumDesignFileSize + 1, Qt::Uninitialized);
    const qint64 read = device.read(bytes.data(), bytes.size());
    if (read < 0)
        return failure(tr("It could not be read (%1).").arg(device.errorString()));
    bytes.truncate(read);
    return fromBytes(bytes);
}

DesignReadResult DesignReader::fromFile(const QString& path)
{
    // QFileInfo tells only that a file cannot be reached, not why: the system's own calls do.
    const QByteArray name = fileNameForSystem(path);
    struct stat status {};
    if (::stat(name.constData(), &status) != 0)
        return failure(pathFault(errno, name));
    if (S_ISDIR(status.st_mode))
        return failure(tr("It is a folder, not a file."));
    // A pipe or a device: opening one may wait for ever, reading it may not end.
    if (!S_ISREG(status.st_mode))
        return failure(tr("It is not an ordinary file."));
    // Not blocking, and checked again once open: it may have been replaced by a pipe since.
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return failure(openFault(errno));
    // Unbuffered: each reader reads in pieces of its own size, and a PNG's chunks are passed
    // over by seeking, which a buffer would only refill.
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return failure(tr("It could not be read (%1).").arg(file.errorString()));
    }
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))
        return failure(tr("It is not an ordinary file."));
    return fromDevice(file);
}

DesignReadResult DesignReader::fromExport(const ExportedText& text)
{
    DesignReadResult result = text.error.isEmpty() ? fromBytes(text.text, Origin::Export)
                                                   : failure(text.error, text.details);
    result.fromExport = true;
    return result;
}

QString DesignReader::tooLarge(Origin origin)
{
    const qint64 mebibytes = kMaximumDesignFileSize >> 20;
    return origin == Origin::Export ? tr("Its design text is larger than %1 MiB.").arg(mebibytes)
                                    : tr("It is too large for a design file (over %1 MiB).").arg(mebibytes);
}

DesignReadResult DesignReader::notADesign(Origin origin, const QString& why, const QString& details)
{
    DesignReadResult result = failure(origin == Origin::Export ? tr("Its design text is damaged: %1.").arg(why)
                                                               : tr("It is not a design file: %1.").arg(why),
                                      details);
    result.notADesign = true;
    return result;
}

// Where the JSON breaks means nothing to a user: it goes to the details.
DesignReadResult DesignReader::syntaxFault(const QByteArray& bytes, const QJsonParseError& error, Origin origin)
{
    const QString details =
        tr("The JSON reader stopped at byte %1: %2.").arg(QString::number(error.offset), error.errorString());
    if (error.error == QJsonParseError::IllegalNumber) {
        const QString whose = illegalNumber(bytes, error.offset);
        if (!whose.isEmpty())
            return failure(whose, details);
    }
    if (error.offset >= bytes.size())
        return notADesign(origin, tr("its JSON ends too early"), details);
    // The reader stops just past the first character that cannot begin JSON.
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    const auto firstCharacter = std::find_if_not(bytes.begin(), bytes.end(), blank) - bytes.begin();
    if (error.offset <= firstCharacter + 1)
        return notADesign(origin, tr("it is not JSON"), details);
    return notADesign(origin, tr("its JSON is damaged"), details);
}

// The parser refuses a number beyond a double's range, NaN and the infinities without saying
// whose: the keys that lead to where it stopped tell. Empty when the number is none of the
// design's values.
QString DesignReader::illegalNumber(const QByteArray& bytes, qsizetype offset)
{
    const QList<JsonStep> steps = stepsTo(bytes, offset);
    const char* name = nullptr;
    int curveNumber = 0;
    if (steps.size() == 1 && !steps[0].inArray) {
        name = nameOfNumber(keyOf(steps[0]), Level::Top);
    } else if (steps.size() == 3 && !steps[0].inArray && keyOf(steps[0]) == kCurvesKey && steps[1].inArray
               && !steps[2].inArray) {
        name = nameOfNumber(keyOf(steps[2]), Level::Curve);
        curveNumber = int(steps[1].index) + 1;
    } else if (steps.size() == 5 && keyOf(steps[0]) == kCurvesKey && steps[1].inArray
               && keyOf(steps[2]) == kGradientStopsKey && steps[3].inArray && !steps[4].inArray) {
        return faultOfCurve(int(steps[1].index) + 1, tr("Stop %1 of the gradient is not at a position from 0 to 1.")
                                                         .arg(steps[3].index + 1));
    }
    return name ? faultOfCurve(curveNumber, tr("The %1 is not a finite number.").arg(tr(name))) : QString();
}

QString DesignReader::pathFault(int error, const QByteArray& path)
{
    switch (error) {
    case ENOENT: {
        struct stat link {};
        if (::lstat(path.constData(), &link) == 0 && S_ISLNK(link.st_mode))
            return tr("It is a link to a file that is not there.");
        return tr("There is no such file.");
    }
    case ENOTDIR:
        return tr("Part of its path is a file, not a folder.");
    case EACCES:
        return tr("The folder holding it cannot be entered (permission denied).");
    case ELOOP:
        return tr("It is a link that leads round in a loop.");
    default:
        return tr("It could not be read (%1).").arg(qt_error_string(error));
    }
}

QString DesignReader::openFault(int error)
{
    if (error == EACCES || error == EPERM)
        return tr("It may not be read (permission denied).");
    return tr("It could not be read (%1).").arg(qt_error_string(error));
}

DesignReadResult DesignReader::fromObject(const QJsonObject& object, Origin origin)
{
    ValueReader top(object);
    if (top.lookUp(kFormatKey) != QJsonValue(kFormatName))
        return notADesign(origin, tr("it is JSON of another kind"));
    const FormatVersion version = readVersion(top);
    if (top.failed())
        return failure(top.error());
    Design design;
    const QString error = version.major == kFlatVersion ? readFlatDesign(top, design) : readComposition(top, design);
    if (!error.isEmpty())
        return failure(error);
    DesignReadResult result{design, {}, {}};
    // Only this version's own major version has had minor ones.
    const int knownMinor = version.major == kDesignFormatVersion ? kDesignFormatMinorVersion : 0;
    if (version.minor > knownMinor) {
        result.newerVersion = true;
        result.note = tr("It was made by a newer version of Rotagraph (format %1.%2): what this one cannot show "
                         "is kept as it was.")
                          .arg(version.major, 0, 'g', QLocale::FloatingPointShortest)
                          .arg(version.minor, 0, 'g', QLocale::FloatingPointShortest);
    }
    return result;
}

FormatVersion DesignReader::readVersion(ValueReader& top)
{
    const auto shortest = [](double number) { return QString::number(number, 'g', QLocale::FloatingPointShortest); };
    const QJsonValue major = top.lookUp(kVersionKey);
    if (!major.isDouble()) {
        top.fail(tr("The format version is not a number."));
        return {};
    }
    const FormatVersion version{major.toDouble(), 0};
    if (std::floor(version.major) != version.major)
        top.fail(tr("Its format version, %1, is not a whole number.").arg(shortest(version.major)));
    else if (version.major > kDesignFormatVersion)
        top.fail(tr("It was made by a newer version of Rotagraph (format %1) that this one cannot read.")
                     .arg(shortest(version.major)));
    else if (version.major < kFlatVersion)
        top.fail(tr("Its format version, %1, is unknown.").arg(shortest(version.major)));
    const QJsonValue minor = top.lookUp(kMinorVersionKey);
    if (minor.isUndefined() || top.failed())
        return version;
    if (!minor.isDouble()) {
        top.fail(tr("The minor format version is not a number."));
        return version;
    }
    const double number = minor.toDouble();
    if (std::floor(number) != number)
        top.fail(tr("Its minor format version, %1, is not a whole number.").arg(shortest(number)));
    else if (number < 0)
        top.fail(tr("Its minor format version, %1, is unknown.").arg(shortest(number)));
    return {version.major, number};
}

// A file of the first version: one curve, its values beside the window's.
QString DesignReader::readFlatDesign(ValueReader& top, Design& design)
{
    if (!top.lookUp(kCurvesKey).isUndefined())
        return tr("It mixes versions of the format: a file of version 1 holds no list of curves.");
    readCurveValues(top, design.curves.first());
    readWindowValues(top, design);
    if (top.failed())
        return top.error();
    if (!top.holdsAnyValue())
        return tr("It holds none of a design’s values.");
    design.otherKeys = top.unknownKeys();
    return {};
}

QString DesignReader::readComposition(ValueReader& top, Design& design)
{
    readWindowValues(top, design);
    if (top.failed())
        return top.error();
    const QJsonValue curves = top.lookUp(kCurvesKey);
    if (!curves.isUndefined() && !curves.isArray())
        return tr("Its curves are not a list.");
    const QJsonArray list = curves.toArray();
    if (list.isEmpty())
        return tr("It holds no curves.");
    if (list.size() > Design::kMaximumCurves)
        return tr("It holds %1 curves; a design holds at most %2.")
            .arg(QString::number(list.size()), QString::number(Design::kMaximumCurves));
    design.curves.clear();
    for (qsizetype at = 0; at < list.size(); ++at) {
        const int number = int(at) + 1;
        if (!list[at].isObject())
            return tr("Curve %1 is not a JSON object.").arg(number);
        ValueReader reader(list[at].toObject(), number);
        CurveDesign curve;
        curve.name = curveName(number);
        reader.readName(curve);
        reader.readAll(kCurveSwitches, curve);
        reader.readTurn(curve);
        readCurveValues(reader, curve);
        reader.readColouring(curve.colouring);
        reader.readWheels(curve);
        if (reader.failed())
            return reader.error();
        curve.otherKeys = reader.unknownKeys();
        design.curves.append(std::move(curve));
    }
    design.otherKeys = top.unknownKeys();
    return {};
}

}

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

QByteArray designToJson(const Design& design)
{
    QJsonObject object = design.otherKeys;
    object.insert(kFormatKey, kFormatName);
    object.insert(kVersionKey, kDesignFormatVersion);
    object.insert(kMinorVersionKey, kDesignFormatMinorVersion);
    for (const auto& field : kDesignSliders)
        object.insert(field.key, double(design.*field.member));
    for (const auto& field : kDesignSwitches)
        object.insert(field.key, design.*field.member);
    QJsonArray curves;
    for (const CurveDesign& curve : design.curves)
        curves.append(curveObject(curve));
    object.insert(kCurvesKey, curves);
    const QJsonDocument document(object);
    // Indenting kept keys of a newer version could take a file past what opens: then it is
    // written without.
    QByteArray text = document.toJson(QJsonDocument::Indented);
    if (text.size() > kMaximumDesignFileSize)
        text = document.toJson(QJsonDocument::Compact);
    return text;
}

DesignReadResult readDesign(const QByteArray& bytes)
{
    return DesignReader::fromBytes(bytes);
}

DesignReadResult readDesignFrom(QIODevice& device)
{
    return DesignReader::fromDevice(device);
}

DesignReadResult loadDesignFile(const QString& path)
{
    return DesignReader::fromFile(path);
}
