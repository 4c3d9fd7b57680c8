#include "app/DesignCodeLimits.h"

#include <QCborStreamReader>
#include <QCoreApplication>

namespace {

constexpr quint64 kMostCurves = 64;
// Far beyond any design: 64 curves of some forty values, eight gradient stops and four wheels.
constexpr quint64 kMostValues = 1 << 16;
constexpr int kDeepest = 16;
constexpr qsizetype kLongestText = 1 << 16;   // bytes
// The key of the list of curves in a code: by its number, or spelled out.
constexpr quint64 kCurvesNumber = 5;
constexpr QStringView kCurvesName = u"curves";

enum class Fault { None, Damaged, TooManyCurves, TooManyValues, TooDeep, TooLong };

QString tr(const char* text)
{
    return QCoreApplication::translate("DesignCode", text);
}

class LimitedWalk
{
public:
    explicit LimitedWalk(QByteArrayView cbor) : m_reader(cbor.data(), cbor.size()), m_size(cbor.size()) {}

    Fault walkCode()
    {
        if (m_reader.type() != QCborStreamReader::Map)
            return Fault::Damaged;
        if (const Fault fault = walkMap(1, true); fault != Fault::None)
            return fault;
        const bool ended = m_reader.lastError() == QCborError::NoError || m_reader.lastError() == QCborError::EndOfFile;
        return ended && m_reader.currentOffset() == m_size ? Fault::None : Fault::Damaged;
    }

private:
    bool counted() { return ++m_values <= kMostValues; }

    Fault walk(int depth)
    {
        if (!counted())
            return Fault::TooManyValues;
        switch (m_reader.type()) {
        case QCborStreamReader::Array:
            return walkList(depth + 1, kMostValues, Fault::TooManyValues);
        case QCborStreamReader::Map:
            return walkMap(depth + 1, false);
        case QCborStreamReader::String:
        case QCborStreamReader::ByteArray:
            return walkText(nullptr);
        case QCborStreamReader::Tag:
            if (depth + 1 > kDeepest)
                return Fault::TooDeep;
            return m_reader.next() ? walk(depth + 1) : Fault::Damaged;
        case QCborStreamReader::Invalid:
            return Fault::Damaged;
        default:
            return m_reader.next() ? Fault::None : Fault::Damaged;
        }
    }

    // A list's length is checked before it is entered when it is declared, and element by
    // element when it is open-ended.
    Fault walkList(int depth, quint64 most, Fault tooMany)
    {
        if (depth > kDeepest)
            return Fault::TooDeep;
        if (m_reader.isLengthKnown() && m_reader.length() > most)
            return tooMany;
        if (!m_reader.enterContainer())
            return Fault::Damaged;
        for (quint64 count = 0; m_reader.hasNext(); ++count) {
            if (count == most)
                return tooMany;
            if (const Fault fault = walk(depth); fault != Fault::None)
                return fault;
        }
        return m_reader.lastError() == QCborError::NoError && m_reader.leaveContainer() ? Fault::None : Fault::Damaged;
    }

    Fault walkMap(int depth, bool top)
    {
        if (depth > kDeepest)
            return Fault::TooDeep;
        if (m_reader.isLengthKnown() && m_reader.length() > kMostValues)
            return Fault::TooManyValues;
        if (!m_reader.enterContainer())
            return Fault::Damaged;
        while (m_reader.hasNext()) {
            bool namesCurves = false;
            if (const Fault fault = walkKey(depth, &namesCurves); fault != Fault::None)
                return fault;
            if (!m_reader.hasNext())
                return Fault::Damaged;   // a key without its value
            Fault fault = Fault::None;
            if (top && namesCurves && m_reader.isArray())
                fault = counted() ? walkList(depth + 1, kMostCurves, Fault::TooManyCurves) : Fault::TooManyValues;
            else
                fault = walk(depth);
            if (fault != Fault::None)
                return fault;
        }
        return m_reader.lastError() == QCborError::NoError && m_reader.leaveContainer() ? Fault::None : Fault::Damaged;
    }

    // A key, and whether it names the list of curves.
    Fault walkKey(int depth, bool* namesCurves)
    {
        if (m_reader.isUnsignedInteger()) {
            *namesCurves = m_reader.toUnsignedInteger() == kCurvesNumber;
            return counted() ? (m_reader.next() ? Fault::None : Fault::Damaged) : Fault::TooManyValues;
        }
        if (m_reader.isString()) {
            QString key;
            const Fault fault = counted() ? walkText(&key) : Fault::TooManyValues;
            *namesCurves = key == kCurvesName;
            return fault;
        }
        return walk(depth);
    }

    // A text or bytes, in the pieces it comes in, each piece's length checked before it is read.
    Fault walkText(QString* text)
    {
        qsizetype length = 0;
        for (;;) {
            const qsizetype piece = m_reader.currentStringChunkSize();
            if (piece < 0)
                return Fault::Damaged;
            length += piece;
            if (length > kLongestText)
                return Fault::TooLong;
            QCborStreamReader::StringResultCode status = QCborStreamReader::Error;
            if (m_reader.isString()) {
                const QCborStreamReader::StringResult<QString> read = m_reader.readString();
                if (text && read.status == QCborStreamReader::Ok)
                    *text += read.data;
                status = read.status;
            } else {
                status = m_reader.readByteArray().status;
            }
            if (status == QCborStreamReader::EndOfString)
                return Fault::None;
            if (status == QCborStreamReader::Error)
                return Fault::Damaged;
        }
    }

    QCborStreamReader m_reader;
    qsizetype m_size;
    quint64 m_values = 0;
};

}

QString whyCodeIsRefused(QByteArrayView cbor)
{
    switch (LimitedWalk(cbor).walkCode()) {
    case Fault::None:
        return {};
    case Fault::TooManyCurves:
        return tr("The design code holds more than %1 curves.").arg(kMostCurves);
    case Fault::TooManyValues:
        return tr("The design code holds more values than any design has.");
    case Fault::TooDeep:
        return tr("The design code holds lists nested deeper than any design has.");
    case Fault::TooLong:
        return tr("The design code holds a text longer than any design has.");
    case Fault::Damaged:
        break;
    }
    return tr("The design code is damaged or cut short.");
}
