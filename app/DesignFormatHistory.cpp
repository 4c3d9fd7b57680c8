#include "app/DesignFormatHistory.h"

#include "app/DesignValueReader.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("DesignReader", text);
}

// The newest minor version of a major one that this program knows.
int newestMinorOf(double major)
{
    int newest = 0;
    for (const FormatRevision& revision : kFormatHistory)
        if (revision.major == major)
            newest = std::max(newest, revision.minor);
    return newest;
}

}

FormatVersion readFormatVersion(ValueReader& top)
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
    else if (version.major < kFormatHistory[0].major)
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

bool isFlatVersion(const FormatVersion& version)
{
    return version.major == kFormatHistory[0].major;
}

QString readFlatDesign(ValueReader& top, Design& design)
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

bool isNewerMinorVersion(const FormatVersion& version)
{
    return version.minor > newestMinorOf(version.major);
}

QString newerVersionNote(const FormatVersion& version)
{
    return tr("It was made by a newer version of Rotagraph (format %1.%2): what this one cannot show "
              "is kept as it was.")
        .arg(version.major, 0, 'g', QLocale::FloatingPointShortest)
        .arg(version.minor, 0, 'g', QLocale::FloatingPointShortest);
}
