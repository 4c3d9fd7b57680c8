#include "app/DesignFormat.h"

#include "app/ExportedDesignText.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

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
constexpr QLatin1String kRunnerSideKey("runnerSide");
constexpr QLatin1String kOutside("outside");
constexpr QLatin1String kInside("inside");
constexpr QLatin1String kColorsInUseKey("colorsInUse");
constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";
constexpr char kUtf8ByteOrderMark[] = "\xef\xbb\xbf";

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
constexpr Field<Design, bool> kDesignSwitches[] = {
    {QLatin1String("showWheels"), QT_TRANSLATE_NOOP("DesignReader", "Show the wheels"), &Design::showWheels},
};

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

constexpr SliderField<Design> kDesignSliders[] = {
    {QLatin1String("drawSpeed"), QT_TRANSLATE_NOOP("DesignReader", "slow-drawing speed"), &Design::drawSpeed,
     kDrawSpeedRange},
};

const char* const kColorsInUseName = QT_TRANSLATE_NOOP("DesignReader", "number of colours in use");
const char* const kVersionName = QT_TRANSLATE_NOOP("DesignReader", "format version");

// The name of a value that the file gives as a number, for a message about it; null for any
// other key.
const char* nameOfNumber(QStringView key)
{
    for (const auto& field : kTypedNumbers)
        if (key == field.key)
            return field.name;
    for (const auto& field : kSliders)
        if (key == field.key)
            return field.name;
    for (const auto& field : kDesignSliders)
        if (key == field.key)
            return field.name;
    if (key == kColorsInUseKey)
        return kColorsInUseName;
    return key == kVersionKey ? kVersionName : nullptr;
}

// Where the bytes of a design came from, for what a message calls them.
enum class Origin { DesignFile, Export };

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
    explicit DesignReader(const QJsonObject& object) : m_object(object) {}

    static DesignReadResult failure(const QString& error, const QString& details = {})
    {
        return {std::nullopt, error, details};
    }
    static DesignReadResult fromExport(const ExportedText& text);
    static QString tooLarge(Origin origin);
    static DesignReadResult notADesign(Origin origin, const QString& why, const QString& details = {});
    static DesignReadResult syntaxFault(const QByteArray& bytes, const QJsonParseError& error, Origin origin);
    static QString pathFault(int error, const QByteArray& path);
    static QString openFault(int error);

    DesignReadResult fromObject(Origin origin);
    QJsonValue valueOf(QLatin1String key);
    void fail(const QString& error);
    void readVersion();
    template <typename Owner>
    void readTypedNumber(const Field<Owner, QString>& field, Owner& owner);
    template <typename Owner>
    void readColor(const Field<Owner, QColor>& field, Owner& owner);
    template <typename Owner>
    void readSwitch(const Field<Owner, bool>& field, Owner& owner);
    template <typename Owner>
    void readSlider(const SliderField<Owner>& field, Owner& owner);
    void readColorsInUse(CurveDesign& curve);
    void readRunnerSide(CurveDesign& curve);

    QJsonObject m_object;
    Design m_design;
    QString m_error;
    bool m_holdsAnyValue = false;
};

DesignReadResult DesignReader::fromBytes(const QByteArray& bytes, Origin origin)
{
    if (bytes.size() > kMaximumDesignFileSize)
        return failure(tooLarge(origin));
    if (bytes.trimmed().isEmpty())
        return notADesign(origin, tr("it is empty"));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return syntaxFault(bytes, parseError, origin);
    if (!document.isObject())
        return notADesign(origin, tr("it holds no JSON object"));
    return DesignReader(document.object()).fromObject(origin);
}

// What the first bytes are tells the kind: a PNG by its signature, XML (an SVG) by its first
// character, anything else is taken for a design file.
DesignReadResult DesignReader::fromDevice(QIODevice& device)
{
    constexpr qint64 kLookAhead = 1024;
    const QByteArray start = device.peek(kLookAhead);
    if (start.startsWith(QByteArrayView(kPngSignature, sizeof kPngSignature - 1)))
        return fromExport(designTextOfPng(device));
    const QByteArrayView withoutMark = start.startsWith(kUtf8ByteOrderMark)
        ? QByteArrayView(start).sliced(sizeof kUtf8ByteOrderMark - 1) : QByteArrayView(start);
    if (withoutMark.trimmed().startsWith('<'))
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
    const QByteArray name = QFile::encodeName(path);
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
    // The parser refuses a number beyond a double's range, NaN and the infinities without
    // saying whose: the key just before it tells.
    constexpr int kKeySearchWindow = 256;
    if (error.error == QJsonParseError::IllegalNumber) {
        static const QRegularExpression keyBefore(QStringLiteral(R"re("(\w+)"\s*:\s*[-+.\w]*\z)re"));
        const qsizetype from = std::max<qsizetype>(0, error.offset - kKeySearchWindow);
        const QString before = QString::fromUtf8(bytes.mid(from, error.offset - from));
        if (const char* name = nameOfNumber(keyBefore.match(before).captured(1)))
            return failure(tr("The %1 is not a finite number.").arg(tr(name)), details);
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

DesignReadResult DesignReader::fromObject(Origin origin)
{
    if (m_object.value(kFormatKey) != QJsonValue(kFormatName))
        return notADesign(origin, tr("it is JSON of another kind"));
    readVersion();
    if (!m_error.isEmpty())
        return failure(m_error);
    CurveDesign& curve = m_design.curves.first();
    for (const auto& field : kTypedNumbers)
        readTypedNumber(field, curve);
    readRunnerSide(curve);
    for (const auto& field : kColors)
        readColor(field, curve);
    readColorsInUse(curve);
    for (const auto& field : kSliders)
        readSlider(field, curve);
    for (const auto& field : kDesignSliders)
        readSlider(field, m_design);
    for (const auto& field : kSwitches)
        readSwitch(field, curve);
    for (const auto& field : kDesignSwitches)
        readSwitch(field, m_design);
    if (!m_error.isEmpty())
        return failure(m_error);
    if (!m_holdsAnyValue)
        return failure(tr("It holds none of a design’s values."));
    return {m_design, {}, {}};
}

QJsonValue DesignReader::valueOf(QLatin1String key)
{
    const QJsonValue value = m_object.value(key);
    m_holdsAnyValue = m_holdsAnyValue || !value.isUndefined();
    return value;
}

void DesignReader::fail(const QString& error)
{
    if (m_error.isEmpty())
        m_error = error;
}

void DesignReader::readVersion()
{
    const QJsonValue value = m_object.value(kVersionKey);
    if (!value.isDouble())
        return fail(tr("The format version is not a number."));
    const double version = value.toDouble();
    if (std::floor(version) != version)
        return fail(tr("Its format version, %1, is not a whole number.")
                        .arg(version, 0, 'g', QLocale::FloatingPointShortest));
    if (version > kDesignFormatVersion)
        return fail(tr("It was made by a newer version of Rotagraph."));
    if (version != kDesignFormatVersion)
        return fail(tr("Its format version, %1, is unknown.").arg(version, 0, 'g', QLocale::FloatingPointShortest));
}

template <typename Owner>
void DesignReader::readTypedNumber(const Field<Owner, QString>& field, Owner& owner)
{
    const QJsonValue value = valueOf(field.key);
    if (value.isUndefined())
        return;
    if (!value.isString() && !value.isDouble())
        return fail(tr("The %1 is neither text nor a number.").arg(tr(field.name)));
    // A number written by hand becomes the text a person would type for it.
    QString text = value.isString() ? value.toString()
                                    : QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    if (text.size() > kMaximumTypedLength)
        return fail(tr("The %1 is longer than its field can hold.").arg(tr(field.name)));
    owner.*field.member = std::move(text);
}

template <typename Owner>
void DesignReader::readColor(const Field<Owner, QColor>& field, Owner& owner)
{
    const QJsonValue value = valueOf(field.key);
    if (value.isUndefined())
        return;
    const QColor color = QColor::fromString(value.toString());   // not a string: no colour
    if (!color.isValid())
        return fail(tr("The %1 is not a colour.").arg(tr(field.name)));
    owner.*field.member = color;
}

template <typename Owner>
void DesignReader::readSwitch(const Field<Owner, bool>& field, Owner& owner)
{
    const QJsonValue value = valueOf(field.key);
    if (value.isUndefined())
        return;
    if (!value.isBool())
        return fail(tr("The setting “%1” is neither on nor off.").arg(tr(field.name)));
    owner.*field.member = value.toBool();
}

template <typename Owner>
void DesignReader::readSlider(const SliderField<Owner>& field, Owner& owner)
{
    const QJsonValue value = valueOf(field.key);
    if (value.isUndefined())
        return;
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return fail(tr("The %1 is not a number.").arg(tr(field.name)));
    owner.*field.member = field.range.held(value.toDouble());
}

void DesignReader::readColorsInUse(CurveDesign& curve)
{
    const QJsonValue value = valueOf(kColorsInUseKey);
    if (value.isUndefined())
        return;
    const double count = value.toDouble(std::nan(""));
    if (std::floor(count) != count)   // not a number at all, or a fraction
        return fail(tr("The %1 is not a whole number.").arg(tr(kColorsInUseName)));
    curve.colorsInUse = static_cast<int>(std::clamp<double>(count, kMinimumColorsInUse, kMaximumColorsInUse));
}

void DesignReader::readRunnerSide(CurveDesign& curve)
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

}

QByteArray designToJson(const Design& design)
{
    QJsonObject object{{kFormatKey, kFormatName}, {kVersionKey, kDesignFormatVersion}};
    const CurveDesign& curve = design.curves.first();
    for (const auto& field : kTypedNumbers)
        object.insert(field.key, curve.*field.member);
    object.insert(kRunnerSideKey, curve.runnerSide == RunnerSide::Inside ? kInside : kOutside);
    for (const auto& field : kColors)
        object.insert(field.key, (curve.*field.member).name(QColor::HexArgb));
    object.insert(kColorsInUseKey, curve.colorsInUse);
    for (const auto& field : kSliders)
        object.insert(field.key, double(curve.*field.member));
    for (const auto& field : kDesignSliders)
        object.insert(field.key, double(design.*field.member));
    for (const auto& field : kSwitches)
        object.insert(field.key, curve.*field.member);
    for (const auto& field : kDesignSwitches)
        object.insert(field.key, design.*field.member);
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
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
