#pragma once

// Reading the values of one JSON object of a design file, the design's or one of its curves: each
// value checked, the first fault kept and told in a user's words with the curve's place, and the
// keys it looks for noted, so that the rest can be kept as they came.

#include "app/Design.h"
#include "app/DesignKeys.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

// A fault of the curve at `number` (from 1), or of the design as a whole for 0: "The pen width
// is not a number." goes on after the curve's place as "Curve 3: the pen width…".
QString faultOfCurve(int number, const QString& fault);

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
    void readCopies(CurveCopies& copies);

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

// The values a curve has had since the first version.
void readCurveValues(ValueReader& reader, CurveDesign& curve);
// The window's values, at the top of a file in every version.
void readWindowValues(ValueReader& reader, Design& design);
// The design's background, since version 2.3: opaque, whatever alpha the file gives it.
void readBackground(ValueReader& reader, Design& design);
// A curve of today's list of curves: its name, whether it shows, its turn, the values of the
// first version, and those each version since has added.
void readListedCurve(ValueReader& reader, CurveDesign& curve);
