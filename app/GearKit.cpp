#include "app/GearKit.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace {

constexpr QLatin1String kFormatName("rotagraph-gear-kit");
constexpr int kKitVersion = 1;
// A kit is a few dozen lines: anything much larger is no kit.
constexpr qint64 kLargestKit = 1 << 20;

QString tr(const char* text)
{
    return QCoreApplication::translate("GearKit", text);
}

bool isCount(const QJsonValue& value)
{
    return value.isDouble() && isToothCount(value.toDouble());
}

std::optional<KitRing> ringOf(const QJsonValue& value)
{
    const QJsonObject ring = value.toObject();
    if (!value.isObject() || !ring.value("name").isString() || !isCount(ring.value("innerTeeth"))
        || !isCount(ring.value("outerTeeth")))
        return std::nullopt;
    return KitRing{ring.value("name").toString(), ring.value("innerTeeth").toInt(), ring.value("outerTeeth").toInt()};
}

std::optional<KitWheel> wheelOf(const QJsonValue& value)
{
    const QJsonObject object = value.toObject();
    const double holes = object.value("holes").toDouble(-1);
    if (!value.isObject() || !isCount(object.value("teeth")) || std::floor(holes) != holes || holes < 0
        || holes > kMostTeeth)
        return std::nullopt;
    const KitWheel wheel{object.value("teeth").toInt(), object.value("firstHoleFromEdge").toDouble(std::nan("")),
                         object.value("holeSpacing").toDouble(std::nan("")), int(holes)};
    // Every hole on the wheel, from its edge to its centre.
    if (!(wheel.firstHoleFromEdge >= 0) || !(wheel.holeSpacing > 0) || (wheel.holes > 0 && !holeRadius(wheel, wheel.holes, 1)))
        return std::nullopt;
    return wheel;
}

}

GearKitReading readGearKit(const QByteArray& json)
{
    QJsonParseError parseError;
    const QJsonObject kit = QJsonDocument::fromJson(json, &parseError).object();
    if (parseError.error != QJsonParseError::NoError || kit.value("format") != QJsonValue(kFormatName))
        return {std::nullopt, tr("The kit of rings and wheels is damaged.")};
    if (kit.value("version") != QJsonValue(kKitVersion))
        return {std::nullopt, tr("The kit of rings and wheels is of a version this Rotagraph cannot read.")};
    GearKit read;
    for (const QJsonValue& value : kit.value("rings").toArray()) {
        const std::optional<KitRing> ring = ringOf(value);
        if (!ring)
            return {std::nullopt, tr("A ring of the kit has no name or no tooth counts from 8 to 400.")};
        read.rings.push_back(*ring);
    }
    for (const QJsonValue& value : kit.value("wheels").toArray()) {
        const std::optional<KitWheel> wheel = wheelOf(value);
        if (!wheel)
            return {std::nullopt, tr("A wheel of the kit has no tooth count from 8 to 400, or holes off the wheel.")};
        read.wheels.push_back(*wheel);
    }
    if (read.rings.empty() && read.wheels.empty())
        return {std::nullopt, tr("The kit of rings and wheels is empty.")};
    return {read, {}};
}

GearKitReading loadGearKit(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, tr("The kit of rings and wheels could not be read (%1).").arg(file.errorString())};
    return readGearKit(file.read(kLargestKit));
}

std::optional<double> holeRadius(const KitWheel& wheel, int hole, double pitch)
{
    if (hole < 1 || hole > wheel.holes || !isToothPitch(pitch))
        return std::nullopt;
    const double fromEdge = wheel.firstHoleFromEdge + (hole - 1) * wheel.holeSpacing;
    const double radius = radiusOfTeeth(wheel.teeth, pitch) - fromEdge * pitch;
    if (!(radius >= 0))
        return std::nullopt;
    return radius;
}

std::optional<int> nearestHole(const KitWheel& wheel, double radius, double pitch)
{
    if (wheel.holes < 1 || !isToothPitch(pitch) || !std::isfinite(radius))
        return std::nullopt;
    const double fromEdge = (radiusOfTeeth(wheel.teeth, pitch) - radius) / pitch;
    const double hole = std::round((fromEdge - wheel.firstHoleFromEdge) / wheel.holeSpacing) + 1;
    return int(std::clamp(hole, 1.0, double(wheel.holes)));
}
