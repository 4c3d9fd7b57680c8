#include "app/DesignCode.h"

#include "app/DesignCodeLimits.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>

#include <zlib.h>

#include <array>
#include <cmath>

namespace {

// The keys a code names by number, by their place here. Only ever added to at the end: a code
// once shared must read the same for good.
constexpr std::array kNumberedKeys = {
    "format", "version", "minorVersion", "showWheels", "drawSpeed", "curves", "name", "visible", "turn",
    "anchorRadius", "runnerRadius", "penHoleRadius", "revolutions", "runnerSide", "penColor", "pen2Color",
    "pen3Color", "colorsInUse", "penWidth", "closeCurve", "fill", "fillColor", "grease", "limitRevolutions",
    "confinePen", "precise", "colorMode", "gradientStops", "gradientRepeat", "gradientMirror", "blendRevolutions",
    "inkOpacity", "position", "color", "wheelSizes", "nestedWheels", "radius", "side", "background", "copies",
    "copyTurn", "copyScale", "copyHueStep",
};

// The words a file writes as values, each a CBOR simple value of its own in a code: the first at
// kFirstWord, and so on. Only ever added to at the end.
constexpr std::array kNumberedWords = {"outside", "inside", "stretches", "gradient", "perRevolution", "radii", "teeth"};
constexpr int kFirstWord = 32;   // the simple values below are CBOR's own

// Gradient stops' positions of whole thousandths go as the number of them.
constexpr double kThousand = 1000;

// The first byte says how the rest is kept.
constexpr char kPlain = 'p';
constexpr char kPacked = 'z';
// A code's design unpacks to at most this: far more than any design a person pastes.
constexpr qsizetype kLargestUnpacked = 1 << 20;

QCborValue keyOf(const QString& key)
{
    for (std::size_t i = 0; i < kNumberedKeys.size(); ++i)
        if (key == QLatin1String(kNumberedKeys[i]))
            return QCborValue(qint64(i));
    return QCborValue(key);
}

std::optional<QString> keyNamed(const QCborValue& key)
{
    if (key.isString())
        return key.toString();
    if (key.isInteger() && key.toInteger() >= 0 && std::size_t(key.toInteger()) < kNumberedKeys.size())
        return QString::fromLatin1(kNumberedKeys[std::size_t(key.toInteger())]);
    return std::nullopt;
}

QCborValue toCbor(const QJsonValue& value);

// A typed number's text that is the shortest text of its number goes as the number: the file's
// reader takes a number there and writes it as that text.
QCborValue typedNumber(const QJsonValue& value)
{
    const QString text = value.toString();
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    if (isNumber && std::isfinite(number) && QString::number(number, 'g', QLocale::FloatingPointShortest) == text)
        return std::floor(number) == number && std::fabs(number) < 1e15 ? QCborValue(qint64(number)) : QCborValue(number);
    return toCbor(value);
}

// Gradient stops as a flat list, position and colour after position and colour, when each is
// just those two.
std::optional<QCborArray> flatStops(const QJsonValue& stops)
{
    QCborArray flat;
    for (const QJsonValue& stop : stops.toArray()) {
        const QJsonObject object = stop.toObject();
        if (object.size() != 2 || !object.value("position").isDouble() || !object.contains("color"))
            return std::nullopt;
        // A position of whole thousandths goes as their number.
        const double position = object.value("position").toDouble();
        const double thousandths = std::round(position * kThousand);
        flat.append(thousandths / kThousand == position ? QCborValue(qint64(thousandths)) : toCbor(object.value("position")));
        flat.append(toCbor(object.value("color")));
    }
    return flat;
}

// An object's keys by number; with `unlike`, only its values that differ from that object's.
QCborMap toCbor(const QJsonObject& object, const QJsonObject& unlike = {})
{
    static const QStringList typedNumbers{"anchorRadius", "runnerRadius", "penHoleRadius", "revolutions"};
    QCborMap map;
    for (auto at = object.begin(); at != object.end(); ++at) {
        if (unlike.contains(at.key()) && unlike.value(at.key()) == at.value())
            continue;
        const std::optional<QCborArray> stops = at.key() == QLatin1String("gradientStops")
            ? flatStops(at.value()) : std::nullopt;
        map.insert(keyOf(at.key()), stops                                                      ? QCborValue(*stops)
                                    : at.value().isString() && typedNumbers.contains(at.key()) ? typedNumber(at.value())
                                                                                               : toCbor(at.value()));
    }
    return map;
}

// A colour as a file writes it, "#aarrggbb": four bytes in a code.
std::optional<QByteArray> colourBytes(const QString& text)
{
    constexpr int kColourLength = 9;
    if (text.size() != kColourLength || !text.startsWith(QLatin1Char('#')))
        return std::nullopt;
    const QByteArray bytes = QByteArray::fromHex(text.mid(1).toLatin1());
    if (bytes.size() != 4 || bytes.toHex() != text.mid(1).toLatin1())   // lower-case hex, as written
        return std::nullopt;
    return bytes;
}

QCborValue toCbor(const QJsonValue& value)
{
    if (value.isString()) {
        if (const std::optional<QByteArray> colour = colourBytes(value.toString()))
            return QCborValue(*colour);
        for (std::size_t i = 0; i < kNumberedWords.size(); ++i)
            if (value.toString() == QLatin1String(kNumberedWords[i]))
                return QCborValue(QCborSimpleType(kFirstWord + int(i)));
    }
    if (value.isObject())
        return toCbor(value.toObject());
    if (value.isArray()) {
        QCborArray array;
        for (const QJsonValue& element : value.toArray())
            array.append(toCbor(element));
        return array;
    }
    return QCborValue::fromJsonValue(value);
}

std::optional<QJsonValue> toJson(const QCborValue& value)
{
    if (value.isMap()) {
        QJsonObject object;
        const QCborMap map = value.toMap();
        for (auto at = map.begin(); at != map.end(); ++at) {
            const std::optional<QString> key = keyNamed(at.key());
            std::optional<QJsonValue> element = toJson(at.value());
            if (!key || !element)
                return std::nullopt;
            // Flat gradient stops: pairs of position and colour.
            if (*key == QLatin1String("gradientStops") && element->isArray() && !element->toArray().isEmpty()
                && !element->toArray().first().isObject()) {
                const QJsonArray flat = element->toArray();
                if (flat.size() % 2 != 0)
                    return std::nullopt;
                QJsonArray stops;
                for (qsizetype i = 0; i < flat.size(); i += 2) {
                    const QJsonValue position = at.value().toArray().at(i).isInteger()
                        ? QJsonValue(double(flat[i].toInteger()) / kThousand) : flat[i];
                    stops.append(QJsonObject{{"position", position}, {"color", flat[i + 1]}});
                }
                element = stops;
            }
            object.insert(*key, *element);
        }
        return object;
    }
    if (value.isArray()) {
        QJsonArray array;
        for (const QCborValue& element : value.toArray()) {
            const std::optional<QJsonValue> json = toJson(element);
            if (!json)
                return std::nullopt;
            array.append(*json);
        }
        return array;
    }
    if (value.isSimpleType() && int(value.toSimpleType()) >= kFirstWord) {
        const auto word = std::size_t(int(value.toSimpleType()) - kFirstWord);
        if (word < kNumberedWords.size())
            return QJsonValue(QLatin1String(kNumberedWords[word]));
        return std::nullopt;
    }
    if (value.isByteArray() && value.toByteArray().size() == 4)
        return QJsonValue(QLatin1Char('#') + QString::fromLatin1(value.toByteArray().toHex()));
    if (value.isString() || value.isBool() || value.isInteger() || value.isDouble() || value.isNull())
        return value.toJsonValue();
    return std::nullopt;
}

// Deflated without a header: the code is read by this program only, and every byte counts.
QByteArray packed(const QByteArray& bytes)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out(int(deflateBound(&stream, uLong(bytes.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const bool done = deflate(&stream, Z_FINISH) == Z_STREAM_END;
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return done ? out : QByteArray();
}

enum class Unpacking { Whole, Damaged, TooLarge };

Unpacking unpack(QByteArrayView bytes, QByteArray& out)
{
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return Unpacking::Damaged;
    char buffer[4096];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = uInt(bytes.size());
    int status = Z_OK;
    while (status == Z_OK && out.size() <= kLargestUnpacked) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, qsizetype(sizeof buffer - stream.avail_out));
        if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0)
            break;   // the input ended before the stream did: cut short
    }
    inflateEnd(&stream);
    if (out.size() > kLargestUnpacked)
        return Unpacking::TooLarge;
    // Packed bytes after the packed stream's end are damage too.
    return status == Z_STREAM_END && stream.avail_in == 0 ? Unpacking::Whole : Unpacking::Damaged;
}

QJsonObject objectOf(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

QString damaged()
{
    return QCoreApplication::translate("DesignCode", "The design code is damaged or cut short.");
}

}

QString designCode(const QByteArray& designJson, const QByteArray& defaultJson)
{
    const QJsonObject design = objectOf(designJson);
    const QJsonObject defaults = objectOf(defaultJson);
    const QJsonObject defaultCurve = defaults.value("curves").toArray().first().toObject();
    QCborMap code = toCbor(design, defaults);
    code.remove(keyOf("curves"));
    QCborArray curves;
    for (const QJsonValue& curve : design.value("curves").toArray())
        curves.append(toCbor(curve.toObject(), defaultCurve));
    code.insert(keyOf("curves"), curves);
    // Numbers as the shortest float that holds them exactly.
    const QByteArray plain = code.toCborValue().toCbor(QCborValue::EncodingOptions(QCborValue::UseFloat16 | QCborValue::UseFloat));
    const QByteArray pack = packed(plain);
    const QByteArray bytes = !pack.isEmpty() && pack.size() < plain.size() ? kPacked + pack : kPlain + plain;
    return QLatin1String(kDesignCodePrefix)
        + QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

bool isDesignCode(QByteArrayView text)
{
    return text.trimmed().startsWith(QByteArrayView(kDesignCodePrefix));
}

std::optional<QByteArray> designJsonOfCode(QByteArrayView code, const QByteArray& defaultJson, QString* error)
{
    const auto fail = [error]() -> std::optional<QByteArray> {
        if (error)
            *error = damaged();
        return std::nullopt;
    };
    const QByteArrayView text = code.trimmed().sliced(qsizetype(sizeof kDesignCodePrefix - 1));
    const auto decoded = QByteArray::fromBase64Encoding(text.toByteArray(), QByteArray::Base64UrlEncoding
                                                                                | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty())
        return fail();
    const QByteArrayView rest = QByteArrayView(decoded.decoded).sliced(1);
    QByteArray cbor;
    if (decoded.decoded.front() == kPlain) {
        cbor = rest.toByteArray();
    } else if (decoded.decoded.front() != kPacked) {
        return fail();
    } else if (const Unpacking unpacking = unpack(rest, cbor); unpacking != Unpacking::Whole) {
        if (unpacking == Unpacking::Damaged)
            return fail();
        if (error)
            *error = QCoreApplication::translate("DesignCode", "The design code unpacks to more than %1 MiB.")
                         .arg(kLargestUnpacked >> 20);
        return std::nullopt;
    }
    // Counts and lengths are checked before anything is made of them.
    if (const QString refusal = whyCodeIsRefused(cbor); !refusal.isEmpty()) {
        if (error)
            *error = refusal;
        return std::nullopt;
    }
    QCborParserError parseError;
    const QCborValue value = QCborValue::fromCbor(cbor, &parseError);
    if (parseError.error != QCborError::NoError || !value.isMap())
        return fail();
    const std::optional<QJsonValue> json = toJson(value);
    if (!json || !json->isObject())
        return fail();
    // The values left out are the default design's, the curves' each the default curve's.
    const QJsonObject defaults = objectOf(defaultJson);
    const QJsonObject defaultCurve = defaults.value("curves").toArray().first().toObject();
    QJsonObject design = defaults;
    const QJsonObject given = json->toObject();
    for (auto at = given.begin(); at != given.end(); ++at)
        design.insert(at.key(), at.value());
    if (given.value("curves").isArray()) {
        QJsonArray curves;
        for (const QJsonValue& curve : given.value("curves").toArray()) {
            QJsonObject whole = defaultCurve;
            const QJsonObject values = curve.toObject();
            for (auto at = values.begin(); at != values.end(); ++at)
                whole.insert(at.key(), at.value());
            curves.append(curve.isObject() ? QJsonValue(whole) : curve);
        }
        design.insert("curves", curves);
    }
    return QJsonDocument(design).toJson(QJsonDocument::Compact);
}
