#include "app/DesignFormat.h"

#include "app/DesignCode.h"
#include "app/DesignFormatHistory.h"
#include "app/DesignKeys.h"
#include "app/DesignValueReader.h"
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

constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";

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
    const FormatVersion version = readFormatVersion(top);
    if (top.failed())
        return failure(top.error());
    Design design;
    const QString error = isFlatVersion(version) ? readFlatDesign(top, design) : readComposition(top, design);
    if (!error.isEmpty())
        return failure(error);
    DesignReadResult result{design, {}, {}};
    if (isNewerMinorVersion(version)) {
        result.newerVersion = true;
        result.note = newerVersionNote(version);
    }
    return result;
}

// Today's layout: the window's values and the list of curves.
QString DesignReader::readComposition(ValueReader& top, Design& design)
{
    readWindowValues(top, design);
    readBackground(top, design);
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
        readListedCurve(reader, curve);
        if (reader.failed())
            return reader.error();
        curve.otherKeys = reader.unknownKeys();
        design.curves.append(std::move(curve));
    }
    design.otherKeys = top.unknownKeys();
    return {};
}

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
